// The window-system service on X11: topmost through the window manager's
// "above" state and a restack request, so the window is raised without
// being activated.
#include "window_system_qt.h"
#include "windows_directory.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace orvanta::platform {
namespace {

class X11WindowSystem : public QtWindowSystem {
 public:
  void keepOnTop(QWidget& window) override {
    if (!window.isVisible()) {
      // A window that is not mapped yet gets the state with its mapping.
      if (!window.windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
        window.setWindowFlag(Qt::WindowStaysOnTopHint, true);
      }
      const bool withoutActivating = window.testAttribute(Qt::WA_ShowWithoutActivating);
      window.setAttribute(Qt::WA_ShowWithoutActivating, true);
      window.show();
      window.setAttribute(Qt::WA_ShowWithoutActivating, withoutActivating);
    }
    xcb_connection_t* connection = this->connection();
    if (!connection) {
      window.raise();
      return;
    }
    const xcb_window_t id = static_cast<xcb_window_t>(window.winId());
    // _NET_WM_STATE: action 1 adds the state; source 2 marks a direct
    // request of the program's user.
    sendToRoot(connection, id, atom(connection, "_NET_WM_STATE"),
               {1, atom(connection, "_NET_WM_STATE_ABOVE"), 0, 2, 0});
    restackAbove(connection, id);
    xcb_flush(connection);
  }

  void bringToFront(QWidget& window) override {
    xcb_connection_t* connection = this->connection();
    if (!connection || !window.isVisible()) {
      window.raise();
      return;
    }
    restackAbove(connection, static_cast<xcb_window_t>(window.winId()));
    xcb_flush(connection);
  }

  QString windowsDirectory() override { return GetWindowsDirectory(); }

 private:
  static xcb_connection_t* connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
  }

  static xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return result;
  }

  static xcb_window_t root(xcb_connection_t* connection) {
    return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
  }

  static void sendToRoot(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t type,
                         std::initializer_list<uint32_t> data) {
    xcb_client_message_event_t message;
    std::memset(&message, 0, sizeof message);
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = type;
    int i = 0;
    for (uint32_t value : data) message.data.data32[i++] = value;
    xcb_send_event(connection, 0, root(connection),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
  }

  // Asks the window manager to put the window on top of its layer; the
  // plain configure request covers a session without a window manager.
  static void restackAbove(xcb_connection_t* connection, xcb_window_t window) {
    sendToRoot(connection, window, atom(connection, "_NET_RESTACK_WINDOW"), {2, XCB_NONE, XCB_STACK_MODE_ABOVE});
    const uint32_t mode = XCB_STACK_MODE_ABOVE;
    xcb_configure_window(connection, window, XCB_CONFIG_WINDOW_STACK_MODE, &mode);
  }
};

}  // namespace

std::unique_ptr<WindowSystem> createSystemWindowSystem() { return std::make_unique<X11WindowSystem>(); }

}  // namespace orvanta::platform
