// startup_probe TITLE PROGRAM [ARGS...]: starts PROGRAM on the X display of
// $DISPLAY (best without a window manager, so the program's windows are
// the root's children) and reports the milliseconds from its start until a
// window titled TITLE is mapped, then, a second later, the peak resident
// memory of the process. Prints "startup_ms=<ms> peak_kib=<KiB>".
#include <xcb/xcb.h>

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

extern char** environ;

namespace {

std::string windowTitle(xcb_connection_t* connection, xcb_window_t window) {
  xcb_get_property_reply_t* reply = xcb_get_property_reply(
      connection, xcb_get_property(connection, 0, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 256),
      nullptr);
  std::string title;
  if (reply) {
    title.assign(static_cast<const char*>(xcb_get_property_value(reply)), xcb_get_property_value_length(reply));
    std::free(reply);
  }
  return title;
}

long peakKib(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return -1;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: startup_probe TITLE PROGRAM [ARGS...]\n");
    return 2;
  }
  const std::string wanted = argv[1];
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(connection)) {
    std::fprintf(stderr, "startup_probe: no X display\n");
    return 1;
  }
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
  const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
  xcb_flush(connection);

  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[2], nullptr, nullptr, argv + 2, environ) != 0) {
    std::fprintf(stderr, "startup_probe: cannot start %s\n", argv[2]);
    return 1;
  }

  double startupMs = -1;
  pollfd fd{xcb_get_file_descriptor(connection), POLLIN, 0};
  while (startupMs < 0) {
    const auto waited = std::chrono::steady_clock::now() - start;
    if (waited > std::chrono::seconds(20)) break;
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
      if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) {
        const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
        if (windowTitle(connection, map->window) == wanted) {
          startupMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        }
      }
      std::free(event);
    }
    if (startupMs < 0) poll(&fd, 1, 5);
  }

  std::this_thread::sleep_for(std::chrono::seconds(1));
  const long peak = peakKib(pid);
  kill(pid, SIGTERM);
  int status = 0;
  waitpid(pid, &status, 0);
  xcb_disconnect(connection);
  if (startupMs < 0) {
    std::fprintf(stderr, "startup_probe: no window titled \"%s\" appeared\n", wanted.c_str());
    return 1;
  }
  std::printf("startup_ms=%.1f peak_kib=%ld\n", startupMs, peak);
  return 0;
}
