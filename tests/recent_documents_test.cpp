// Each hit the program opens goes into the desktop's recently used files:
// which opens count, and the list GLib reads back afterwards (in a data
// folder of the test's own).
#include "fake_program_start.h"
#include "path_names.h"
#include "platform/recent_documents.h"
#include "results_window/open_result.h"
#include "search/results_panel.h"
#include "temp_registry.h"

#include <QFile>
#include <QTemporaryDir>

#include <glib.h>
#include <gtest/gtest.h>

namespace orvanta::results_window {
namespace {

using platform::RegRoot;
using testing::FakeProgramStart;

struct FakeRecentDocuments : platform::RecentDocuments {
  QStringList added;
  bool addOpened(const QString& path) override {
    added.append(path);
    return true;
  }
};

// OpenResult's callbacks around a registry with a viewer for ".txt".
struct Opening {
  explicit Opening(platform::RecentDocuments& recent) {
    temp.regKeys().WriteRegValue(RegRoot::ClassesRoot, QStringLiteral(".txt"), QString(), QStringLiteral("Text"));
    temp.regKeys().WriteRegValue(RegRoot::ClassesRoot, QStringLiteral("Text\\Shell\\Open\\Command"), QString(),
                                 QStringLiteral("viewer \"%1\""));
    context.recentDocuments = &recent;
  }
  testing::TempRegistry temp;
  FakeProgramStart starter;
  bool preferencesOpen = false;
  OpenHitContext context{
      .regKeys = temp.regKeys(),
      .programStart = starter,
      .WindowsDirectory = QStringLiteral("C:\\WINDOWS"),
      .getExtensionName = testing::extensionName,
      .closeForm = [] {},
      .showPreferences = [] {},
      .disableForm1 = [] {},
      .PreferencesOpen = preferencesOpen,
      .desktop = nullptr,
      .lastSearchAddress = [] { return QStringLiteral("http://127.0.0.1:4664/search?q=x"); },
      .tellUser = {},
  };
};

TEST(RecentDocuments, EveryHitOpenedIsAddedAndNothingElse) {
  const QString notes = QStringLiteral("/home/ann/notes.txt");
  const struct {
    const char* what;
    int row;
    std::optional<QString> path;
    bool explorer;  // opened through the Explorer program (a release on the icon)
    bool refuse;    // the program cannot be started
    QStringList added;
  } cases[] = {
      {"the registered program", 2, notes, false, false, {notes}},
      {"through the Explorer program", 2, notes, true, false, {notes}},
      {"the opener, for a type without program",
       3,
       QStringLiteral("/home/ann/Music"),
       false,
       false,
       {QStringLiteral("/home/ann/Music")}},
      {"a program that could not start", 2, notes, false, true, {}},
      {"an Explorer program that could not start", 2, notes, true, true, {}},
      {"Show All", 0, QString(), false, false, {}},
      {"the preferences row", search::kPreferencesRow, QString(), false, false, {}},
      {"a row without a label", 2, std::nullopt, false, false, {}},
  };
  for (const auto& c : cases) {
    FakeRecentDocuments recent;
    Opening opening(recent);
    opening.starter.refuse = c.refuse;
    if (c.explorer) {
      OpenViaExplorer(c.row, c.path, opening.context);
    } else {
      OpenResult(c.row, c.path, opening.context);
    }
    EXPECT_EQ(recent.added, c.added) << c.what;
  }
}

// The list as desktop programs keep it: GLib reads each opened file back,
// with this program, its count and the file's type, and the entries of
// other programs stay.
TEST(RecentDocuments, TheDesktopsListHoldsEachOpen) {
  QTemporaryDir data;
  ASSERT_TRUE(data.isValid());
  const QByteArray oldData = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_DATA_HOME", QFile::encodeName(data.path() + QStringLiteral("/share")));
  const QString listFile = data.path() + QStringLiteral("/share/recently-used.xbel");
  const QString report = data.path() + QStringLiteral("/it's a report #1.txt");
  const QString folder = data.path() + QStringLiteral("/share");
  QFile file(report);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("figures\n") > 0);
  file.close();

  const auto list = [&]() {
    GBookmarkFile* bookmarks = g_bookmark_file_new();
    EXPECT_TRUE(g_bookmark_file_load_from_file(bookmarks, QFile::encodeName(listFile).constData(), nullptr));
    return bookmarks;
  };
  const auto uriOf = [](const QString& path) {
    gchar* uri = g_filename_to_uri(QFile::encodeName(path).constData(), nullptr, nullptr);
    const QByteArray text(uri);
    g_free(uri);
    return text;
  };

  const std::unique_ptr<platform::RecentDocuments> recent = platform::createSystemRecentDocuments();
  {
    Opening opening(*recent);
    OpenResult(2, report, opening.context);
    ASSERT_EQ(opening.starter.starts.size(), 1u);
  }
  GBookmarkFile* first = list();
  EXPECT_EQ(g_bookmark_file_get_size(first), 1);
  EXPECT_TRUE(g_bookmark_file_has_application(first, uriOf(report).constData(), "Orvanta", nullptr));
  gchar* mime = g_bookmark_file_get_mime_type(first, uriOf(report).constData(), nullptr);
  EXPECT_STREQ(mime, "text/plain");
  g_free(mime);
  // Another program's entry, written through GLib, stays with ours.
  g_bookmark_file_add_application(first, "file:///elsewhere/photo.png", "Viewer", "viewer %u");
  g_bookmark_file_set_mime_type(first, "file:///elsewhere/photo.png", "image/png");
  ASSERT_TRUE(g_bookmark_file_to_file(first, QFile::encodeName(listFile).constData(), nullptr));
  g_bookmark_file_free(first);

  {
    Opening opening(*recent);
    OpenResult(2, report, opening.context);
    OpenViaExplorer(3, folder, opening.context);
  }
  GBookmarkFile* second = list();
  EXPECT_EQ(g_bookmark_file_get_size(second), 3);
  guint count = 0;
  GDateTime* stamp = nullptr;
  EXPECT_TRUE(g_bookmark_file_get_application_info(second, uriOf(report).constData(), "Orvanta", nullptr, &count,
                                                   &stamp, nullptr));
  EXPECT_EQ(count, 2u);
  ASSERT_NE(stamp, nullptr);
  GDateTime* now = g_date_time_new_now_utc();
  EXPECT_LT(g_date_time_difference(now, stamp), G_TIME_SPAN_MINUTE);
  g_date_time_unref(now);
  EXPECT_TRUE(g_bookmark_file_has_application(second, "file:///elsewhere/photo.png", "Viewer", nullptr));
  mime = g_bookmark_file_get_mime_type(second, uriOf(folder).constData(), nullptr);
  EXPECT_STREQ(mime, "inode/directory");
  g_free(mime);
  g_bookmark_file_free(second);
  // The list is the user's alone.
  EXPECT_EQ(
      QFile::permissions(listFile) & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
      QFile::Permissions());

  // A list that cannot be read is left as it is.
  ASSERT_TRUE(QFile::remove(listFile));
  QFile damaged(listFile);
  ASSERT_TRUE(damaged.open(QIODevice::WriteOnly) && damaged.write("<xbel version=\"1.0\"><bookmark") > 0);
  damaged.close();
  EXPECT_FALSE(recent->addOpened(report));
  QFile kept(listFile);
  ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
  EXPECT_EQ(kept.readAll(), QByteArray("<xbel version=\"1.0\"><bookmark"));

  if (oldData.isNull()) {
    qunsetenv("XDG_DATA_HOME");
  } else {
    qputenv("XDG_DATA_HOME", oldData);
  }
}

}  // namespace
}  // namespace orvanta::results_window
