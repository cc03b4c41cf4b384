// Stands in for the service's text extraction helper, speaking its protocol
// (a line "FORMAT LENGTH" and the document's bytes in; "ok LENGTH" and the
// text, or "no 0", out) with behaviour the tests control through the
// documents themselves:
// - a document starting with "HANG" is never answered, as a hostile
//   document keeps the real helper busy until it is stopped;
// - a document starting with "NOTEXT" has no text;
// - any other document's bytes are its text.
// With ORVANTA_STAND_IN_TALLY naming a file, it appends a line "start" to
// it when it starts and "read" for each document it is handed, so a test
// can count both.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void tally(const char* what) {
  const char* path = std::getenv("ORVANTA_STAND_IN_TALLY");
  if (!path || !*path) return;
  const int fd = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return;
  const std::string line = std::string(what) + '\n';
  (void)!::write(fd, line.data(), line.size());
  ::close(fd);
}

}  // namespace

int main() {
  tally("start");
  for (;;) {
    int format = 0;
    long long length = 0;
    if (std::scanf("%d %lld", &format, &length) != 2 || length < 0) return 0;
    if (std::getchar() != '\n') return 0;
    std::string data(static_cast<size_t>(length), '\0');
    if (length > 0 && std::fread(data.data(), 1, data.size(), stdin) != data.size()) return 0;
    tally("read");
    if (data.rfind("HANG", 0) == 0) {
      for (;;) pause();  // until the service stops this helper
    }
    if (data.rfind("NOTEXT", 0) == 0) {
      std::printf("no 0\n");
    } else {
      std::printf("ok %zu\n", data.size());
      std::fwrite(data.data(), 1, data.size(), stdout);
    }
    std::fflush(stdout);
  }
}
