// The desktop launcher on GIO: the default application of a file's content
// type and desktop entries are found and started by the same library the
// user's file manager uses, so Terminal=, D-Bus activation, field codes and
// the desktop's own defaults are honoured. AppImages are started directly.
//
// GIO's headers name struct members "signals", a word Qt's headers may
// define, so they come before any Qt header.
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

#include "desktop_launcher.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace orvanta::platform {
namespace {

struct GObjectUnref {
  void operator()(gpointer object) const {
    if (object) g_object_unref(object);
  }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

enum class ApplicationFile { None, DesktopEntry, AppImage };

ApplicationFile applicationFileOf(const QString& path) {
  const QString suffix = QFileInfo(path).suffix();
  if (suffix.compare(QLatin1String("desktop"), Qt::CaseInsensitive) == 0) return ApplicationFile::DesktopEntry;
  if (suffix.compare(QLatin1String("appimage"), Qt::CaseInsensitive) == 0) return ApplicationFile::AppImage;
  return ApplicationFile::None;
}

GObjectPtr<GDesktopAppInfo> loadDesktopEntry(const QString& path) {
  // A folder or a FIFO named like an entry is no entry.
  if (!QFileInfo(path).isFile()) return nullptr;
  return GObjectPtr<GDesktopAppInfo>(g_desktop_app_info_new_from_filename(QFile::encodeName(path).constData()));
}

// The outcome of one GIO launch, with GIO's own words for a failure.
LaunchOutcome launched(gboolean ok, GError* error) {
  QString reason;
  if (error) {
    reason = QString::fromUtf8(error->message);
    g_error_free(error);
  }
  if (ok) return LaunchOutcome::started();
  return {
      LaunchOutcome::Result::Failed,
      reason.isEmpty() ? QCoreApplication::translate("DesktopLauncher", "The program could not be started.") : reason};
}

// The program ends right after a hit is opened: a D-Bus activation still
// queued for the session bus is sent before that.
void flushSessionBus() {
  GObjectPtr<GDBusConnection> bus(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr));
  if (bus) g_dbus_connection_flush_sync(bus.get(), nullptr, nullptr);
}

class GioDesktopLauncher : public DesktopLauncher {
 public:
  bool isApplication(const QString& path) const override {
    return applicationFileOf(path) != ApplicationFile::None;
  }

  QString applicationName(const QString& path) const override {
    if (applicationFileOf(path) != ApplicationFile::DesktopEntry) return {};
    const GObjectPtr<GDesktopAppInfo> entry = loadDesktopEntry(path);
    if (!entry) return {};
    const char* name = g_app_info_get_display_name(G_APP_INFO(entry.get()));
    return name ? QString::fromUtf8(name) : QString();
  }

  LaunchOutcome launchApplication(const QString& path) override {
    using Result = LaunchOutcome::Result;
    switch (applicationFileOf(path)) {
      case ApplicationFile::DesktopEntry: {
        const GObjectPtr<GDesktopAppInfo> entry = loadDesktopEntry(path);
        if (!entry)
          return {Result::Failed,
                  QCoreApplication::translate("DesktopLauncher", "It is not a desktop entry that can be started.")};
        GError* error = nullptr;
        const gboolean ok = g_app_info_launch(G_APP_INFO(entry.get()), nullptr, nullptr, &error);
        if (ok && g_desktop_app_info_get_boolean(entry.get(), "DBusActivatable")) flushSessionBus();
        return launched(ok, error);
      }
      case ApplicationFile::AppImage: {
        const QFileInfo image(path);
        if (!image.isFile())
          return {Result::Failed, QCoreApplication::translate("DesktopLauncher", "It is not a file.")};
        if (!image.isExecutable()) {
          return {Result::Failed,
                  QCoreApplication::translate("DesktopLauncher",
                                              "The AppImage may not be run: it is not marked as executable.")};
        }
        // An absolute path: never taken for an option.
        if (QProcess::startDetached(image.absoluteFilePath(), {})) return LaunchOutcome::started();
        return {Result::Failed, QCoreApplication::translate("DesktopLauncher", "The AppImage could not be started.")};
      }
      case ApplicationFile::None:
        break;
    }
    return {};
  }

  LaunchOutcome openWithDefault(const QString& path) override {
    using Result = LaunchOutcome::Result;
    const QByteArray file = QFile::encodeName(path);
    QByteArray contentType;
    if (QFileInfo(path).isDir()) {
      contentType = "inode/directory";
    } else {
      gboolean uncertain = FALSE;
      gchar* guessed = g_content_type_guess(file.constData(), nullptr, 0, &uncertain);
      contentType = guessed;
      g_free(guessed);
    }
    if (contentType.isEmpty()) return {};
    const GObjectPtr<GAppInfo> application(g_app_info_get_default_for_type(contentType.constData(), FALSE));
    if (!application) {
      // A folder is left to the desktop's opener, which shows folders.
      if (QFileInfo(path).isDir()) return {};
      gchar* description = g_content_type_get_description(contentType.constData());
      const QString type = description ? QString::fromUtf8(description) : QString::fromUtf8(contentType);
      g_free(description);
      return {Result::NoProgram,
              QCoreApplication::translate("DesktopLauncher",
                                          "No program is set to open files of the type \u201c%1\u201d (%2).")
                  .arg(type, QString::fromUtf8(contentType))};
    }
    // The program gets the file as GIO names it: an absolute path or a
    // file:// address, never an option.
    const GObjectPtr<GFile> target(g_file_new_for_path(file.constData()));
    GList files{target.get(), nullptr, nullptr};
    GError* error = nullptr;
    const gboolean ok = g_app_info_launch(application.get(), &files, nullptr, &error);
    return launched(ok, error);
  }
};

}  // namespace

QString desktopApplicationExtensions() { return QStringLiteral("|desktop|appimage|"); }

std::unique_ptr<DesktopLauncher> createSystemDesktopLauncher() { return std::make_unique<GioDesktopLauncher>(); }

}  // namespace orvanta::platform
