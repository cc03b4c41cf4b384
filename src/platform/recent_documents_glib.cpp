// The recently used files list of the freedesktop.org desktops, written
// through GLib's bookmark file as GTK's recent manager writes it.
// GIO's headers name struct members "signals", a word Qt's headers may
// define: they come first.
#include <gio/gio.h>
#include <glib.h>

#include "recent_documents.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace orvanta::platform {
namespace {

// GLib's own things, freed at the end of the scope.
template <typename T, void (*Free)(T*)>
struct Owned {
  T* pointer = nullptr;
  ~Owned() {
    if (pointer) Free(pointer);
  }
};
void freeText(gchar* text) { g_free(text); }

// How desktop programs name themselves in the list: their name and the
// command that opens a file with them.
constexpr const char* kApplicationName = "Orvanta";
constexpr const char* kApplicationExec = "'orvanta' %u";

class GLibRecentDocuments : public RecentDocuments {
 public:
  bool addOpened(const QString& path) override {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (folder.isEmpty() || !QDir().mkpath(folder)) return false;
    const QByteArray listFile = QFile::encodeName(folder + QStringLiteral("/recently-used.xbel"));
    const QByteArray fileName = QFile::encodeName(path);

    Owned<GBookmarkFile, g_bookmark_file_free> list{g_bookmark_file_new()};
    Owned<GError, g_error_free> error;
    if (!g_bookmark_file_load_from_file(list.pointer, listFile.constData(), &error.pointer)) {
      // A list that is there but cannot be read is left as it is, rather
      // than replaced by one holding this file alone.
      if (!g_error_matches(error.pointer, G_FILE_ERROR, G_FILE_ERROR_NOENT)) return false;
      g_clear_error(&error.pointer);
    }
    Owned<gchar, freeText> uri{g_filename_to_uri(fileName.constData(), nullptr, &error.pointer)};
    if (!uri.pointer) return false;

    // The list names each file's type, which the desktop's views show.
    Owned<gchar, freeText> mimeType;
    if (g_file_test(fileName.constData(), G_FILE_TEST_IS_DIR)) {
      mimeType.pointer = g_strdup("inode/directory");
    } else {
      Owned<gchar, freeText> contentType{g_content_type_guess(fileName.constData(), nullptr, 0, nullptr)};
      mimeType.pointer = contentType.pointer ? g_content_type_get_mime_type(contentType.pointer) : nullptr;
    }
    g_bookmark_file_set_mime_type(list.pointer, uri.pointer,
                                  mimeType.pointer ? mimeType.pointer : "application/octet-stream");
    g_bookmark_file_add_application(list.pointer, uri.pointer, kApplicationName, kApplicationExec);

    gsize size = 0;
    Owned<gchar, freeText> data{g_bookmark_file_to_data(list.pointer, &size, &error.pointer)};
    // Replaced whole, and open to the user alone, as GTK keeps it.
    return data.pointer && g_file_set_contents_full(listFile.constData(), data.pointer, static_cast<gssize>(size),
                                                    G_FILE_SET_CONTENTS_CONSISTENT, 0600, &error.pointer);
  }
};

}  // namespace

std::unique_ptr<RecentDocuments> createSystemRecentDocuments() { return std::make_unique<GLibRecentDocuments>(); }

}  // namespace orvanta::platform
