// orvanta_top_bar X Y WIDTH HEIGHT: a desktop's top bar on the X display of
// $DISPLAY, as a panel of a desktop makes it: a dock window at that place
// that reserves the top HEIGHT pixels of the screen (its strut), so that
// the window manager leaves them out of the work area. It stays until it
// is ended. Used by the end-to-end tests of the work area.
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
  xcb_intern_atom_reply_t* reply =
      xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr);
  const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
  std::free(reply);
  return result;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: orvanta_top_bar X Y WIDTH HEIGHT\n");
    return 2;
  }
  const int x = std::atoi(argv[1]);
  const int y = std::atoi(argv[2]);
  const int width = std::atoi(argv[3]);
  const int height = std::atoi(argv[4]);
  if (width <= 0 || height <= 0) {
    std::fprintf(stderr, "orvanta_top_bar: width and height must be positive\n");
    return 2;
  }
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(connection)) {
    std::fprintf(stderr, "orvanta_top_bar: no X display\n");
    return 1;
  }
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
  const xcb_window_t window = xcb_generate_id(connection);
  const uint32_t background = screen->white_pixel;
  xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, int16_t(x), int16_t(y), uint16_t(width),
                    uint16_t(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL,
                    &background);
  const char name[] = "Top Bar";
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                      uint32_t(std::strlen(name)), name);
  const xcb_atom_t dock = atom(connection, "_NET_WM_WINDOW_TYPE_DOCK");
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, atom(connection, "_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM,
                      32, 1, &dock);
  // left, right, top, bottom, then the start and end of each along its
  // edge: only the top, from the bar's left to its right end.
  const uint32_t strut[12] = {0, 0, uint32_t(y + height), 0, 0, 0, 0, 0, uint32_t(x), uint32_t(x + width - 1), 0, 0};
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, atom(connection, "_NET_WM_STRUT_PARTIAL"),
                      XCB_ATOM_CARDINAL, 32, 12, strut);
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, atom(connection, "_NET_WM_STRUT"), XCB_ATOM_CARDINAL,
                      32, 4, strut);
  xcb_map_window(connection, window);
  xcb_flush(connection);
  // Until the display goes or the bar is ended.
  while (xcb_generic_event_t* event = xcb_wait_for_event(connection)) std::free(event);
  xcb_disconnect(connection);
  return 0;
}
