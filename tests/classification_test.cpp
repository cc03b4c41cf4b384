// Hit classification: which category lists a hit enters, the Top Hit label,
// the extension list lookup and the path text operations.
#include "fake_file_system.h"
#include "platform/qt_file_system.h"
#include "search/classification.h"
#include "settings/settings_table.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace orvanta::search {
namespace {

using platform::FileSystem;
using platform::PathKind;
using testing::FakeFileSystem;

// The categories a list set holds `path` in.
std::vector<Category> categoriesOf(const CategoryLists& lists, const QString& path) {
  std::vector<Category> found;
  for (std::size_t i = 0; i < kCategoryCount; ++i) {
    if (lists.lists[i].contains(path)) found.push_back(static_cast<Category>(i));
  }
  return found;
}

TEST(Classification, CategoriesOfOneHit) {
  using C = Category;
  const FakeFileSystem fileSystem{
      {QStringLiteral("C:\\Music\\Song.MP3"), PathKind::File},
      {QStringLiteral("/home/u/tool.ex"), PathKind::File},
      {QStringLiteral("/home/u/setup.EXE"), PathKind::File},
      {QStringLiteral("/home/u/README"), PathKind::File},
      {QStringLiteral("/home/u/Projects"), PathKind::Folder},
      {QStringLiteral("/home/u/holiday.jpg"), PathKind::Folder},
      {QStringLiteral("/home/u/tune.rmi"), PathKind::File},
      {QStringLiteral("/home/u/report.pdf"), PathKind::Folder},
      {QStringLiteral("/home/u/clock.widget"), PathKind::File},
      {QStringLiteral("/home/u/notes.txt"), PathKind::File},
      {QStringLiteral("/home/u/film.MoV"), PathKind::File},
      {QStringLiteral("/home/u/paper.pdf"), PathKind::File},
  };
  const struct {
    const char* path;
    std::vector<Category> categories;
  } cases[] = {
      {"C:\\Music\\Song.MP3", {C::Audio}},
      {"/home/u/tool.ex", {}},  // "exe" is listed, "ex" is not
      {"/home/u/setup.EXE", {C::Applications}},
      {"/home/u/README", {}},
      {"/home/u/Projects", {C::Folders}},
      {"/home/u/holiday.jpg", {C::Folders, C::Images}},
      {"/home/u/missing.png", {C::Images}},  // images need not exist
      {"/home/u/missing.mp3", {}},
      {"/home/u/tune.rmi", {C::Audio, C::Images}},
      {"/home/u/report.pdf", {C::Folders}},  // a folder is no PDF document
      {"/home/u/clock.widget", {C::Widgets}},
      {"/home/u/notes.txt", {C::Documents}},
      {"/home/u/film.MoV", {C::Video}},
      {"/home/u/paper.pdf", {C::PDFs}},
      {"http://example.invalid/x.gif", {C::Images}},  // no path, but an image extension
  };
  for (const auto& c : cases) {
    CategoryLists lists;
    TopHitLabel topHit;
    const QString hit = QString::fromUtf8(c.path);
    classifyHit(hit, defaultExtensionLists(), fileSystem, lists, topHit);
    EXPECT_EQ(categoriesOf(lists, hit), c.categories) << c.path;
    std::size_t entries = 0;
    for (const QStringList& list : lists.lists) entries += list.size();
    EXPECT_EQ(entries, c.categories.size()) << c.path;
    if (c.categories.empty()) {
      EXPECT_TRUE(topHit.caption.isEmpty() && topHit.toolTip.isEmpty()) << c.path;
    } else {
      EXPECT_EQ(topHit.caption, FileSystem::GetFileName(hit)) << c.path;
      EXPECT_EQ(topHit.toolTip, hit) << c.path;
    }
  }
}

// A search for a function or a setting finds source and configuration
// files: the first-run Documents list holds them, in any letter case.
TEST(Classification, SourceCodeAndTextFilesAreDocuments) {
  using C = Category;
  const char* const documents[] = {"/p/parse.py",   "/p/app.js",    "/p/main.rs",   "/p/io.c",      "/p/io.h",
                                   "/p/view.CPP",   "/p/run.sh",    "/p/data.json", "/p/ci.yaml",   "/p/ci.yml",
                                   "/p/Cargo.toml", "/p/setup.ini", "/p/boot.log",  "/p/page.html", "/p/main.go"};
  const FakeFileSystem fileSystem{
      {QStringLiteral("/p/parse.py"), PathKind::File},   {QStringLiteral("/p/app.js"), PathKind::File},
      {QStringLiteral("/p/main.rs"), PathKind::File},    {QStringLiteral("/p/io.c"), PathKind::File},
      {QStringLiteral("/p/io.h"), PathKind::File},       {QStringLiteral("/p/view.CPP"), PathKind::File},
      {QStringLiteral("/p/run.sh"), PathKind::File},     {QStringLiteral("/p/data.json"), PathKind::File},
      {QStringLiteral("/p/ci.yaml"), PathKind::File},    {QStringLiteral("/p/ci.yml"), PathKind::File},
      {QStringLiteral("/p/Cargo.toml"), PathKind::File}, {QStringLiteral("/p/setup.ini"), PathKind::File},
      {QStringLiteral("/p/boot.log"), PathKind::File},   {QStringLiteral("/p/page.html"), PathKind::File},
      {QStringLiteral("/p/main.go"), PathKind::File},    {QStringLiteral("/p/types.ts"), PathKind::File},
      {QStringLiteral("/p/src.py"), PathKind::Folder},
  };
  for (const char* path : documents) {
    CategoryLists lists;
    TopHitLabel topHit;
    classifyHit(QString::fromUtf8(path), defaultExtensionLists(), fileSystem, lists, topHit);
    EXPECT_EQ(categoriesOf(lists, QString::fromUtf8(path)), std::vector<Category>{C::Documents}) << path;
  }
  // "ts" is also the video container's extension, which the Video list has
  // always held: such a file shows in both groups.
  CategoryLists lists;
  TopHitLabel topHit;
  classifyHit(QStringLiteral("/p/types.ts"), defaultExtensionLists(), fileSystem, lists, topHit);
  EXPECT_EQ(categoriesOf(lists, QStringLiteral("/p/types.ts")), (std::vector<Category>{C::Documents, C::Video}));
  // A folder named like a source file stays a folder.
  classifyHit(QStringLiteral("/p/src.py"), defaultExtensionLists(), fileSystem, lists, topHit);
  EXPECT_EQ(categoriesOf(lists, QStringLiteral("/p/src.py")), std::vector<Category>{C::Folders});
}

// The desktop's application files join "exe" and "msi" in Applications
// when the desktop names them; the stored lists are not involved.
TEST(Classification, TheDesktopsApplicationFiles) {
  using C = Category;
  const FakeFileSystem fileSystem{
      {QStringLiteral("/usr/share/applications/org.example.Editor.desktop"), PathKind::File},
      {QStringLiteral("/home/u/Apps/Tool-1.2-x86_64.AppImage"), PathKind::File},
      {QStringLiteral("/home/u/Apps/other.APPIMAGE"), PathKind::File},
      {QStringLiteral("/home/u/Apps/setup.exe"), PathKind::File},
      {QStringLiteral("/home/u/old.desktop"), PathKind::Folder},
      {QStringLiteral("/home/u/notes.desktopx"), PathKind::File},
  };
  const struct {
    const char* path;
    bool desktopNamesThem;
    std::vector<Category> categories;
  } cases[] = {
      {"/usr/share/applications/org.example.Editor.desktop", true, {C::Applications}},
      {"/usr/share/applications/org.example.Editor.desktop", false, {}},
      {"/home/u/Apps/Tool-1.2-x86_64.AppImage", true, {C::Applications}},
      {"/home/u/Apps/other.APPIMAGE", true, {C::Applications}},
      {"/home/u/Apps/setup.exe", true, {C::Applications}},
      {"/home/u/Apps/missing.desktop", true, {}},  // applications must exist
      {"/home/u/old.desktop", true, {C::Folders}},
      {"/home/u/notes.desktopx", true, {}},
  };
  for (const auto& c : cases) {
    ExtensionLists extensions = defaultExtensionLists();
    if (c.desktopNamesThem) extensions.desktopApplications = QStringLiteral("|desktop|appimage|");
    CategoryLists lists;
    TopHitLabel topHit;
    const QString hit = QString::fromUtf8(c.path);
    classifyHit(hit, extensions, fileSystem, lists, topHit);
    EXPECT_EQ(categoriesOf(lists, hit), c.categories) << c.path << " " << c.desktopNamesThem;
  }
}

TEST(Classification, TopHitIsTheFirstClassifiedHitAndListsKeepPageOrder) {
  FakeFileSystem fileSystem{{QStringLiteral("/a/one.mp3"), PathKind::File},
                            {QStringLiteral("/a/two.mp3"), PathKind::File}};
  CategoryLists lists;
  TopHitLabel topHit;
  const QStringList hits = {QStringLiteral("/a/unknown"), QStringLiteral("/a/two.mp3"), QStringLiteral("/a/one.mp3"),
                            QStringLiteral("/a/two.mp3")};
  for (const QString& hit : hits) classifyHit(hit, defaultExtensionLists(), fileSystem, lists, topHit);
  EXPECT_EQ(topHit.caption, QStringLiteral("two.mp3"));
  EXPECT_EQ(topHit.toolTip, QStringLiteral("/a/two.mp3"));
  EXPECT_EQ(lists[Category::Audio],
            (QStringList{QStringLiteral("/a/two.mp3"), QStringLiteral("/a/one.mp3"), QStringLiteral("/a/two.mp3")}));
  EXPECT_EQ(fileSystem.queries(), hits.size());  // one status query per hit
}

TEST(Classification, WidgetOnlyHitFillsTheTopHitLabel) {
  const FakeFileSystem fileSystem{{QStringLiteral("/w/clock.widget"), PathKind::File}};
  CategoryLists lists;
  TopHitLabel topHit;
  classifyHit(QStringLiteral("/w/clock.widget"), defaultExtensionLists(), fileSystem, lists, topHit);
  for (std::size_t i = 0; i < kCategoryCount; ++i) {
    EXPECT_EQ(lists.lists[i].size(), static_cast<Category>(i) == Category::Widgets ? 1 : 0);
  }
  EXPECT_EQ(topHit.caption, QStringLiteral("clock.widget"));
}

TEST(Classification, ExtensionListLookup) {
  const struct {
    const char* list;
    const char* extension;
    bool contained;
  } cases[] = {
      {"|exe|msi|", "exe", true},  {"|exe|msi|", "MSI", true}, {"|EXE|", "exe", true},
      {"|exe|msi|", "ex", false},  {"|exe|msi|", "xe", false}, {"|exe|msi|", "", false},
      {"|exe||msi|", "", true},    {"exe", "exe", false},      {"|dur-ms|", "DUR-MS", true},
      {"|a|b|", "a|b", true},  // the extension is compared literally
  };
  for (const auto& c : cases) {
    EXPECT_EQ(listContains(QString::fromUtf8(c.list), QString::fromUtf8(c.extension)), c.contained)
        << c.list << " " << c.extension;
  }
}

TEST(Classification, PathTextOperations) {
  const struct {
    const char* path;
    const char* fileName;
    const char* extension;
  } cases[] = {
      {"C:\\Music\\Song.MP3", "Song.MP3", "MP3"},
      {"/home/u/archive.tar.gz", "archive.tar.gz", "gz"},
      {"/home/u/mixed\\sep/name.txt", "name.txt", "txt"},
      {"/home/u/folder.d/README", "README", ""},
      {"/home/u/.profile", ".profile", "profile"},
      {"/home/u/trailing.", "trailing.", ""},
      {"/home/u/Projects/", "Projects", ""},
      {"C:\\", "", ""},
      {"name.jpg", "name.jpg", "jpg"},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    const QString path = QString::fromUtf8(c.path);
    EXPECT_EQ(FileSystem::GetFileName(path), QString::fromUtf8(c.fileName)) << c.path;
    EXPECT_EQ(FileSystem::GetExtensionName(path), QString::fromUtf8(c.extension)) << c.path;
  }
}

TEST(Classification, RealFileSystem) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString root = dir.path();
  ASSERT_TRUE(QDir(root).mkpath(QStringLiteral("holiday.jpg")));
  QFile song(root + QStringLiteral("/Song.MP3"));
  ASSERT_TRUE(song.open(QIODevice::WriteOnly));
  song.close();

  const platform::QtFileSystem fileSystem;
  EXPECT_TRUE(fileSystem.FileExists(root + QStringLiteral("/Song.MP3")));
  EXPECT_FALSE(fileSystem.FolderExists(root + QStringLiteral("/Song.MP3")));
  EXPECT_TRUE(fileSystem.FolderExists(root + QStringLiteral("/holiday.jpg")));
  EXPECT_FALSE(fileSystem.FileExists(root + QStringLiteral("/holiday.jpg")));
  EXPECT_FALSE(fileSystem.FileExists(root + QStringLiteral("/missing.png")));
  EXPECT_FALSE(fileSystem.FolderExists(QString()));

  CategoryLists lists;
  TopHitLabel topHit;
  for (const char* name : {"/missing.png", "/holiday.jpg", "/Song.MP3"}) {
    classifyHit(root + QString::fromUtf8(name), defaultExtensionLists(), fileSystem, lists, topHit);
  }
  EXPECT_EQ(lists[Category::Images],
            (QStringList{root + QStringLiteral("/missing.png"), root + QStringLiteral("/holiday.jpg")}));
  EXPECT_EQ(lists[Category::Folders], QStringList{root + QStringLiteral("/holiday.jpg")});
  EXPECT_EQ(lists[Category::Audio], QStringList{root + QStringLiteral("/Song.MP3")});
  EXPECT_EQ(topHit.caption, QStringLiteral("missing.png"));
}

}  // namespace
}  // namespace orvanta::search
