// The pictures of Images hits: only regular files are read (a pipe, a
// device or a folder never), a fresh thumbnail of the desktop's cache is
// taken before the file, and the answers reach the owning thread only while
// their icon still wants them.
#include "gui_application.h"
#include "search/hit_pictures.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QBuffer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <map>

namespace orvanta::search {
namespace {

const QSize kIcon(kRowIconPixels, kRowIconPixels);

quint32 crc32(const QByteArray& bytes) {
  quint32 crc = 0xFFFFFFFFu;
  for (const char byte : bytes) {
    crc ^= static_cast<quint8>(byte);
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

QByteArray bigEndian(quint32 value) {
  const char bytes[] = {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
                        static_cast<char>(value >> 8), static_cast<char>(value)};
  return QByteArray(bytes, 4);
}

// A PNG file in one colour, with tEXt chunks ("key" NUL "value") as the
// thumbnail standard writes them, right after the header chunk.
bool writePicture(const QString& path, const QColor& colour, QSize size = QSize(40, 30),
                  const std::map<QByteArray, QByteArray>& texts = {}) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(colour);
  QByteArray png;
  {
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "png")) return false;
  }
  constexpr qsizetype kAfterHeader = 8 + 4 + 4 + 13 + 4;
  QByteArray chunks;
  for (const auto& [key, value] : texts) {
    const QByteArray body = "tEXt" + key + QByteArray(1, '\0') + value;
    chunks += bigEndian(static_cast<quint32>(body.size() - 4)) + body + bigEndian(crc32(body));
  }
  png.insert(kAfterHeader, chunks);
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(png) == png.size();
}

QColor centre(const std::optional<QImage>& picture) {
  return picture ? picture->pixelColor(picture->width() / 2, picture->height() / 2) : QColor();
}

TEST(ReadHitPicture, OnlyRegularFilesAreRead) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString photo = dir.filePath(QStringLiteral("photo.png"));
  ASSERT_TRUE(writePicture(photo, Qt::red));
  const QString pipe = dir.filePath(QStringLiteral("snap.png"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
  const QString folder = dir.filePath(QStringLiteral("album.png"));
  ASSERT_TRUE(QDir().mkdir(folder));
  const QString text = dir.filePath(QStringLiteral("notes.png"));
  {
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("no picture here");
  }
  const QString linkToPhoto = dir.filePath(QStringLiteral("link.png"));
  ASSERT_TRUE(QFile::link(photo, linkToPhoto));
  const QString linkToPipe = dir.filePath(QStringLiteral("pipe-link.png"));
  ASSERT_TRUE(QFile::link(pipe, linkToPipe));

  struct Case {
    QString path;
    bool picture;
  };
  const std::vector<Case> cases{
      {photo, true},
      {linkToPhoto, true},
      {pipe, false},
      {linkToPipe, false},
      {folder, false},
      {QStringLiteral("/dev/zero"), false},
      {text, false},
      {dir.filePath(QStringLiteral("gone.png")), false},
      {photo + QChar(0) + QStringLiteral("x"), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.toStdString());
    const std::optional<QImage> picture = readHitPicture(c.path, kIcon, QString());
    ASSERT_EQ(picture.has_value(), c.picture);
    if (!picture) continue;
    EXPECT_EQ(picture->size(), kIcon) << "decoded at the size it is shown";
    EXPECT_EQ(centre(picture), QColor(Qt::red));
  }
}

TEST(ReadHitPicture, AFreshThumbnailComesBeforeTheFile) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  ASSERT_TRUE(QRegularExpression(QStringLiteral("^[A-Za-z0-9/_.-]+$")).match(dir.path()).hasMatch());
  const QString photo = dir.filePath(QStringLiteral("my photo.png"));
  ASSERT_TRUE(writePicture(photo, Qt::red));
  const qint64 modified = QFileInfo(photo).lastModified().toSecsSinceEpoch();
  // The cache names a thumbnail by the MD5 of the file's URI.
  const QByteArray uri = "file://" + QFile::encodeName(dir.path()) + "/my%20photo.png";
  const QString name = QString::fromLatin1(QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex());
  const QString cache = dir.filePath(QStringLiteral("thumbnails"));

  struct Case {
    const char* name;
    const char* folder;
    qint64 mtime;
    QColor shown;
  };
  const std::vector<Case> cases{
      {"normal thumbnail", "normal", modified, Qt::blue},
      {"large thumbnail", "large", modified, Qt::blue},
      {"thumbnail of an older version", "normal", modified - 60, Qt::red},
      {"thumbnail in a folder the standard does not know", "small", modified, Qt::red},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QDir(cache).removeRecursively();
    const QString folder = cache + QLatin1Char('/') + QLatin1StringView(c.folder);
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(writePicture(folder + QLatin1Char('/') + name + QStringLiteral(".png"), Qt::blue, QSize(128, 96),
                             {{"Thumb::URI", uri}, {"Thumb::MTime", QByteArray::number(c.mtime)}}));
    const std::optional<QImage> picture = readHitPicture(photo, kIcon, cache);
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(picture->size(), kIcon);
    EXPECT_EQ(centre(picture), c.shown);
  }

  // A thumbnail that is a pipe is never read either.
  QDir(cache).removeRecursively();
  ASSERT_TRUE(QDir().mkpath(cache + QStringLiteral("/normal")));
  ASSERT_EQ(::mkfifo(QFile::encodeName(cache + QStringLiteral("/normal/") + name + QStringLiteral(".png")).constData(),
                     0600),
            0);
  EXPECT_EQ(centre(readHitPicture(photo, kIcon, cache)), QColor(Qt::red));
}

TEST(ReadHitPicture, ACancelledReadGivesNothing) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString photo = dir.filePath(QStringLiteral("photo.png"));
  ASSERT_TRUE(writePicture(photo, Qt::red, QSize(400, 300)));
  EXPECT_FALSE(readHitPicture(photo, kIcon, QString(), [] { return true; }).has_value());
}

struct Delivered {
  int index;
  QColor colour;
  bool onOwnThread;
};

TEST(HitPictures, AnswersReachTheOwningThreadWhileTheirIconWantsThem) {
  testing::guiApplication();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString red = dir.filePath(QStringLiteral("red.png"));
  const QString green = dir.filePath(QStringLiteral("green.png"));
  const QString blue = dir.filePath(QStringLiteral("blue.png"));
  ASSERT_TRUE(writePicture(red, Qt::red));
  ASSERT_TRUE(writePicture(green, Qt::green));
  ASSERT_TRUE(writePicture(blue, Qt::blue));
  const QString pipe = dir.filePath(QStringLiteral("snap.png"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);

  std::vector<Delivered> delivered;
  HitPictures pictures([&](int index, const QImage& picture) {
    delivered.push_back({index, picture.pixelColor(8, 8), QThread::currentThread() == qApp->thread()});
  });
  pictures.setThumbnailRoot(QString());
  pictures.request(3, red);
  pictures.request(4, green);
  pictures.request(4, blue);  // replaces the green one
  pictures.request(5, green);
  pictures.forget(5);         // the icon got a picture of its own
  pictures.request(6, pipe);  // gives nothing
  ASSERT_TRUE(pictures.waitForReads(30000));
  EXPECT_TRUE(delivered.empty()) << "nothing lands outside the owning thread's event loop";
  ASSERT_TRUE(QTest::qWaitFor([&] { return pictures.pendingCount() == 0; }));

  std::map<int, QColor> byIndex;
  for (const Delivered& d : delivered) {
    EXPECT_TRUE(d.onOwnThread);
    EXPECT_TRUE(byIndex.emplace(d.index, d.colour).second) << "icon " << d.index << " answered twice";
  }
  EXPECT_EQ(byIndex, (std::map<int, QColor>{{3, QColor(Qt::red)}, {4, QColor(Qt::blue)}}));

  // After cancelAll nothing asked for before lands.
  delivered.clear();
  pictures.request(3, red);
  pictures.request(7, green);
  pictures.cancelAll();
  EXPECT_EQ(pictures.pendingCount(), 0);
  ASSERT_TRUE(pictures.waitForReads(30000));
  QCoreApplication::processEvents();
  EXPECT_TRUE(delivered.empty());
}

TEST(HitPictures, GoingAwayWhileReadsRunIsSafe) {
  testing::guiApplication();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString big = dir.filePath(QStringLiteral("big.png"));
  ASSERT_TRUE(writePicture(big, Qt::red, QSize(3000, 2000)));
  int delivered = 0;
  {
    HitPictures pictures([&](int, const QImage&) { ++delivered; }, 2);
    for (int i = 0; i < 20; ++i) pictures.request(i, big);
  }
  QCoreApplication::processEvents();
  EXPECT_EQ(delivered, 0);
}

}  // namespace
}  // namespace orvanta::search
