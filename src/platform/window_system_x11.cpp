// The window-system service on X11: topmost through the window manager's
// "above" state and a restack request, so the window is raised without
// being activated. While no window is mapped or restacked, a tick sends
// nothing.
#include "window_system_qt.h"
#include "windows_directory.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QHash>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <iterator>
#include <optional>

namespace orvanta::platform {
namespace {

// The atoms the service uses, looked up once: every request for them goes
// out before the first answer is awaited.
// Whether a window manager runs is told once as well.
struct Atoms {
  xcb_atom_t wmState = XCB_ATOM_NONE;
  xcb_atom_t wmStateAbove = XCB_ATOM_NONE;
  xcb_atom_t restackWindow = XCB_ATOM_NONE;
  xcb_atom_t supportingWmCheck = XCB_ATOM_NONE;
  xcb_atom_t kdeWmChangeState = XCB_ATOM_NONE;
  bool windowManager = false;

  Atoms(xcb_connection_t* connection, xcb_window_t root) {
    const struct {
      const char* name;
      xcb_atom_t& atom;
    } wanted[] = {{"_NET_WM_STATE", wmState},
                  {"_NET_WM_STATE_ABOVE", wmStateAbove},
                  {"_NET_RESTACK_WINDOW", restackWindow},
                  {"_NET_SUPPORTING_WM_CHECK", supportingWmCheck},
                  {"_KDE_WM_CHANGE_STATE", kdeWmChangeState}};
    xcb_intern_atom_cookie_t cookies[std::size(wanted)];
    for (std::size_t i = 0; i < std::size(wanted); ++i) {
      cookies[i] = xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(wanted[i].name)), wanted[i].name);
    }
    for (std::size_t i = 0; i < std::size(wanted); ++i) {
      xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookies[i], nullptr);
      if (reply) wanted[i].atom = reply->atom;
      std::free(reply);
    }
    // A window manager that follows the desktop conventions names its
    // check window on the root.
    xcb_get_property_reply_t* check = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, root, supportingWmCheck, XCB_ATOM_WINDOW, 0, 1), nullptr);
    windowManager = check && xcb_get_property_value_length(check) >= 4;
    std::free(check);
  }
};

class X11WindowSystem : public QtWindowSystem, public QAbstractNativeEventFilter {
 public:
  X11WindowSystem() {
    if (QCoreApplication* app = QCoreApplication::instance()) app->installNativeEventFilter(this);
  }
  ~X11WindowSystem() override {
    if (QCoreApplication* app = QCoreApplication::instance()) app->removeNativeEventFilter(this);
  }

  void keepOnTop(QWidget& window) override {
    showOnTopWithoutActivating(window);
    xcb_connection_t* connection = this->connection();
    if (!connection) {
      window.raise();
      return;
    }
    const Atoms& atoms = this->atoms(connection);
    const xcb_window_t id = static_cast<xcb_window_t>(window.winId());
    Shown& shown = shown_[id];
    // The "above" state is asked for once per showing of a window: the
    // window manager rewrites the state property on every such request,
    // which would wake the program (and it) at every tick for nothing.
    if (!shown.aboveRequested) {
      shown.aboveRequested = true;
      // _NET_WM_STATE: action 1 adds the state; source 2 marks a direct
      // request of the program's user.
      sendToRoot(connection, id, atoms.wmState, {1, atoms.wmStateAbove, 0, 2, 0});
    }
    // While no window has been mapped or restacked since the last restack,
    // nothing can have come over this one; now and then it is restacked all
    // the same, in case a change went unseen.
    watchStacking(connection);
    if (shown.stackingSeen == stackingChanges_ && ++shown.skippedTicks < kRestackAnyway) return;
    shown.stackingSeen = stackingChanges_;
    shown.skippedTicks = 0;
    restackAbove(connection, atoms, id);
    xcb_flush(connection);
  }

  void bringToFront(QWidget& window) override {
    xcb_connection_t* connection = this->connection();
    if (!connection || !window.isVisible()) {
      window.raise();
      return;
    }
    restackAbove(connection, atoms(connection), static_cast<xcb_window_t>(window.winId()));
    xcb_flush(connection);
  }

  QString windowsDirectory() override { return platform::windowsDirectory(); }

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
    if (eventType != "xcb_generic_event_t" || !stackingWatched_) return false;
    // Only what the root reports of its children counts: some window may
    // have come over ours.
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    xcb_window_t reportedOn = XCB_NONE;
    switch (event->response_type & 0x7f) {
      case XCB_CLIENT_MESSAGE: {
        // Requests to the window manager that other clients (and this
        // one) send through the root reach this program too, now that it
        // watches the root's children; nothing here handles them.
        const xcb_atom_t type = reinterpret_cast<const xcb_client_message_event_t*>(event)->type;
        return atoms_ && type != XCB_ATOM_NONE &&
               (type == atoms_->restackWindow || type == atoms_->kdeWmChangeState);
      }
      case XCB_MAP_NOTIFY:
        reportedOn = reinterpret_cast<const xcb_map_notify_event_t*>(event)->event;
        break;
      case XCB_CONFIGURE_NOTIFY:
        reportedOn = reinterpret_cast<const xcb_configure_notify_event_t*>(event)->event;
        break;
      case XCB_CIRCULATE_NOTIFY:
        reportedOn = reinterpret_cast<const xcb_circulate_notify_event_t*>(event)->event;
        break;
      default:
        return false;
    }
    if (reportedOn == rootWindow_) ++stackingChanges_;
    return false;
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // A hidden window loses its state with the window manager; shown
    // again, it starts afresh.
    if (event->type() == QEvent::Hide && !shown_.isEmpty() && watched->isWidgetType()) {
      shown_.remove(static_cast<xcb_window_t>(static_cast<QWidget*>(watched)->internalWinId()));
    }
    return QtWindowSystem::eventFilter(watched, event);
  }

 private:
  static xcb_connection_t* connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
  }

  const Atoms& atoms(xcb_connection_t* connection) {
    if (!atoms_) atoms_.emplace(connection, root(connection));
    return *atoms_;
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

  // Asks the window manager to put the window on top of its layer, or,
  // in a session without one, the X server. Neither waits for an answer.
  static void restackAbove(xcb_connection_t* connection, const Atoms& atoms, xcb_window_t window) {
    if (atoms.windowManager) {
      sendToRoot(connection, window, atoms.restackWindow, {2, XCB_NONE, XCB_STACK_MODE_ABOVE});
      return;
    }
    const uint32_t mode = XCB_STACK_MODE_ABOVE;
    xcb_configure_window(connection, window, XCB_CONFIG_WINDOW_STACK_MODE, &mode);
  }

  // Adds the changes of the root window's children (windows mapped,
  // moved or restacked) to the events the root reports to this program:
  // one answer awaited, once.
  void watchStacking(xcb_connection_t* connection) {
    if (stackingWatched_) return;
    stackingWatched_ = true;
    const xcb_window_t rootWindow = rootWindow_ = root(connection);
    xcb_get_window_attributes_reply_t* attributes =
        xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, rootWindow), nullptr);
    const uint32_t mask =
        (attributes ? attributes->your_event_mask : uint32_t{0}) | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    std::free(attributes);
    xcb_change_window_attributes(connection, rootWindow, XCB_CW_EVENT_MASK, &mask);
  }

  // Ticks without a restack at most, while nothing seems to change.
  static constexpr int kRestackAnyway = 20;

  struct Shown {
    bool aboveRequested = false;
    // The count of stacking changes at its last restack; a window met for
    // the first time (or shown again) is restacked.
    std::optional<quint64> stackingSeen;
    int skippedTicks = 0;
  };

  bool stackingWatched_ = false;
  xcb_window_t rootWindow_ = XCB_NONE;
  // Windows mapped or restacked on the root so far.
  quint64 stackingChanges_ = 0;
  std::optional<Atoms> atoms_;
  // The shown windows this service has met, by native window.
  QHash<xcb_window_t, Shown> shown_;
};

}  // namespace

std::unique_ptr<WindowSystem> createSystemWindowSystem() { return std::make_unique<X11WindowSystem>(); }

std::optional<QString> displayProblem() {
  // Only the X11 platform of Qt needs the X display.
  const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
  if (!platform.isEmpty() && !platform.startsWith("xcb")) return std::nullopt;
  const QByteArray display = qgetenv("DISPLAY");
  xcb_connection_t* connection = xcb_connect(display.isEmpty() ? nullptr : display.constData(), nullptr);
  const bool failed = xcb_connection_has_error(connection) != 0;
  xcb_disconnect(connection);
  if (!failed) return std::nullopt;
  const QString tried = display.isEmpty()
                            ? QStringLiteral("no X display to show the windows on (DISPLAY is not set)")
                            : QStringLiteral("cannot open the X display \"%1\"").arg(QString::fromLocal8Bit(display));
  if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
    return QStringLiteral("orvanta: %1; on a Wayland session the program needs XWayland").arg(tried);
  }
  return QStringLiteral("orvanta: %1").arg(tried);
}

}  // namespace orvanta::platform
