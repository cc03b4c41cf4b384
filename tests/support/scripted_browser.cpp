// orvanta_scripted_browser: stands in for the browser process in tests. It
// speaks the same line protocol without a browser engine: every line it
// reads is appended to the log file, and each "navigate <address>" is
// answered with "location <address>".
//
//   orvanta_scripted_browser LOG [--end-at-once] [--ignore-input-end]
//                            [--chatter] [--crash-on-navigate]
//                            --parent-window ID
//
// The log starts with "pid <pid>" and "parent <ID>". --end-at-once ends
// before reading anything; --ignore-input-end keeps running after the
// input has ended (until killed). --chatter writes a start-up dump to
// standard error first, as a browser engine does; --crash-on-navigate
// writes "fatal: navigation crashed" there and aborts at the first
// navigate. A navigate to an address ending in "#escape" is answered, after
// its location, with "escape", as the browser reports Escape pressed in its
// view.
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <thread>

int main(int argc, char* argv[]) {
  if (argc < 2) return 2;
  std::FILE* log = std::fopen(argv[1], "a");
  if (!log) return 2;
  bool endAtOnce = false;
  bool ignoreInputEnd = false;
  bool chatter = false;
  bool crashOnNavigate = false;
  const char* parent = "";
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--end-at-once") == 0) endAtOnce = true;
    if (std::strcmp(argv[i], "--ignore-input-end") == 0) ignoreInputEnd = true;
    if (std::strcmp(argv[i], "--chatter") == 0) chatter = true;
    if (std::strcmp(argv[i], "--crash-on-navigate") == 0) crashOnNavigate = true;
    if (std::strcmp(argv[i], "--parent-window") == 0 && i + 1 < argc) parent = argv[++i];
  }
  if (chatter) {
    for (int i = 1; i <= 28; ++i) std::fprintf(stderr, "engine start-up dump line %d\n", i);
    std::fprintf(stderr, "GPU command buffer: context lost\n");
    std::fflush(stderr);
  }
  std::fprintf(log, "pid %ld\nparent %s\n", static_cast<long>(getpid()), parent);
  std::fflush(log);
  if (endAtOnce) return 0;

  std::string line;
  while (std::getline(std::cin, line)) {
    std::fprintf(log, "%s\n", line.c_str());
    std::fflush(log);
    if (line.rfind("navigate ", 0) == 0 && crashOnNavigate) {
      std::fprintf(stderr, "fatal: navigation crashed\n");
      std::fflush(stderr);
      std::abort();
    }
    if (line.rfind("navigate ", 0) == 0) {
      std::printf("location %s\n", line.c_str() + 9);
      if (line.size() >= 7 && line.compare(line.size() - 7, 7, "#escape") == 0) std::printf("escape\n");
      std::fflush(stdout);
    }
  }
  std::fprintf(log, "input ended\n");
  std::fflush(log);
  while (ignoreInputEnd) std::this_thread::sleep_for(std::chrono::seconds(1));
  return 0;
}
