// Stands in for a registered program: writes the arguments it was started
// with (after the first, the file to write to) to that file, each followed
// by a zero byte, replacing the file in one step once all are written.
// Started without arguments (as an application is), it writes to the file
// named by ORVANTA_ARGV_RECORD instead, an empty list.
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  const char* fromEnvironment = std::getenv("ORVANTA_ARGV_RECORD");
  if (argc < 2 && !(fromEnvironment && *fromEnvironment)) return 2;
  const std::string target = argc < 2 ? fromEnvironment : argv[1];
  const std::string partial = target + ".partial";
  std::FILE* out = std::fopen(partial.c_str(), "wb");
  if (!out) return 1;
  for (int i = 2; i < argc; ++i) {
    const std::string argument = argv[i];
    std::fwrite(argument.data(), 1, argument.size(), out);
    std::fputc('\0', out);
  }
  if (std::fclose(out) != 0) return 1;
  return std::rename(partial.c_str(), target.c_str()) == 0 ? 0 : 1;
}
