// Stands in for the service's text extraction helper, speaking its protocol
// (paths ended by a NUL byte in; "ok LENGTH" and the text, or "no 0", out)
// with behaviour the tests control through the files themselves:
// - a file whose mode gives its owner no read access is refused, as the
//   real helper is refused such a file when the service does not run as
//   root (the tests often do);
// - a file starting with "HANG" is never answered, as a hostile document
//   keeps the real helper busy until it is stopped;
// - any other file's bytes are its text.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

int main() {
  std::string path;
  for (;;) {
    const int c = std::getchar();
    if (c == EOF) return 0;
    if (c != 0) {
      path.push_back(static_cast<char>(c));
      continue;
    }
    struct stat status {};
    std::string text;
    bool ok = stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) && (status.st_mode & S_IRUSR) != 0;
    if (ok) {
      std::ifstream file(path, std::ios::binary);
      text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
      ok = static_cast<bool>(file) || file.eof();
    }
    path.clear();
    if (ok && text.rfind("HANG", 0) == 0) {
      for (;;) pause();  // until the service stops this helper
    }
    if (ok) {
      std::printf("ok %zu\n", text.size());
      std::fwrite(text.data(), 1, text.size(), stdout);
    } else {
      std::printf("no 0\n");
    }
    std::fflush(stdout);
  }
}
