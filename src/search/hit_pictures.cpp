// Reading the pictures of Images hits on a small thread pool, and handing
// each one back to the window's thread while its row still wants it.
#include "hit_pictures.h"

#include "platform/regular_file.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFileInfo>
#include <QImageReader>
#include <QStandardPaths>
#include <QThread>
#include <QUrl>

#include <algorithm>

namespace orvanta::search {
namespace {

// A file whose reads fail once its reader is no longer wanted, so that a
// decode of a large picture stops early.
class CancellableFile : public QFile {
 public:
  explicit CancellableFile(const std::function<bool()>& cancelled) : cancelled_(cancelled) {}

 protected:
  qint64 readData(char* data, qint64 maxSize) override {
    if (cancelled_ && cancelled_()) return -1;
    return QFile::readData(data, maxSize);
  }

 private:
  const std::function<bool()>& cancelled_;
};

std::optional<QImage> decode(QIODevice& device, QSize size) {
  QImageReader reader(&device);
  reader.setAutoTransform(true);
  if (!reader.canRead()) return std::nullopt;
  // JPEG decodes straight to a small size; other formats decode whole and
  // are brought down here, most of the way by sampling, which costs little,
  // and the last step smoothly.
  const bool decodesSmall = reader.format() == "jpeg";
  if (decodesSmall) reader.setScaledSize(size);
  QImage image = reader.read();
  if (image.isNull()) return std::nullopt;
  if (!decodesSmall && image.size() != size) {
    const QSize near = size * 4;
    if (image.width() > near.width() && image.height() > near.height()) {
      image = image.scaled(near, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    }
    image = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  return image;
}

quint32 bigEndian32(const char* bytes) {
  const auto* b = reinterpret_cast<const uchar*>(bytes);
  return (quint32{b[0]} << 24) | (quint32{b[1]} << 16) | (quint32{b[2]} << 8) | quint32{b[3]};
}

// The value of the tEXt chunk `key` among the chunks before a PNG file's
// image data, read from the start of `device` (the picture reader's text
// keys cannot hold the "::" of the thumbnail keys). Empty when missing.
QByteArray pngText(QIODevice& device, QByteArrayView key) {
  constexpr qint64 kSignature = 8;
  constexpr quint32 kLongestText = 64 * 1024;
  constexpr int kMostChunks = 64;
  if (!device.seek(kSignature)) return {};
  for (int chunk = 0; chunk < kMostChunks; ++chunk) {
    const QByteArray head = device.read(8);
    if (head.size() != 8) return {};
    const quint32 length = bigEndian32(head.constData());
    const QByteArrayView type(head.constData() + 4, 4);
    if (type == "IDAT" || type == "IEND") return {};
    if (type == "tEXt" && length <= kLongestText) {
      const QByteArray body = device.read(length);
      if (body.size() != static_cast<qsizetype>(length)) return {};
      const qsizetype nul = body.indexOf('\0');
      if (nul >= 0 && QByteArrayView(body).first(nul) == key) return body.mid(nul + 1);
      if (!device.seek(device.pos() + 4)) return {};
      continue;
    }
    if (!device.seek(device.pos() + qint64{length} + 4)) return {};
  }
  return {};
}

// The thumbnail of the file at `absolutePath` (modified at `modified`,
// seconds since the epoch) from the cache, when one is there and fresh.
std::optional<QImage> freshThumbnail(const QString& absolutePath, qint64 modified, QSize size,
                                     const QString& thumbnailRoot, const std::function<bool()>& cancelled) {
  if (thumbnailRoot.isEmpty()) return std::nullopt;
  const QByteArray uri = QUrl::fromLocalFile(absolutePath).toEncoded();
  const QString name =
      QString::fromLatin1(QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex()) + QStringLiteral(".png");
  const QString expectedTime = QString::number(modified);
  for (const char* folder : {"normal", "large", "x-large", "xx-large"}) {
    CancellableFile file(cancelled);
    const QString thumbnail = thumbnailRoot + QLatin1Char('/') + QLatin1StringView(folder) + QLatin1Char('/') + name;
    if (!platform::openRegularFile(file, thumbnail)) continue;
    if (pngText(file, "Thumb::MTime") != expectedTime.toLatin1() || !file.seek(0)) continue;
    QImageReader reader(&file, "png");
    reader.setScaledSize(size);
    const QImage image = reader.read();
    if (!image.isNull()) return image;
  }
  return std::nullopt;
}

}  // namespace

QString thumbnailCacheRoot() {
  const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
  return cache.isEmpty() ? QString() : cache + QStringLiteral("/thumbnails");
}

std::optional<QImage> readHitPicture(const QString& path, QSize size, const QString& thumbnailRoot,
                                     const std::function<bool()>& cancelled) {
  CancellableFile file(cancelled);
  if (!platform::openRegularFile(file, path)) return std::nullopt;
  const QFileInfo info(path);
  const qint64 modified = info.lastModified().toSecsSinceEpoch();
  if (std::optional<QImage> thumbnail =
          freshThumbnail(info.absoluteFilePath(), modified, size, thumbnailRoot, cancelled)) {
    return thumbnail;
  }
  return decode(file, size);
}

HitPictures::HitPictures(Deliver deliver, int maxConcurrent, QObject* parent)
    : QObject(parent), deliver_(std::move(deliver)), thumbnailRoot_(thumbnailCacheRoot()) {
  if (maxConcurrent <= 0) maxConcurrent = std::clamp(QThread::idealThreadCount() - 1, 1, 4);
  pool_.setMaxThreadCount(maxConcurrent);
}

HitPictures::~HitPictures() {
  cancelAll();
  pool_.waitForDone();
}

void HitPictures::request(int index, const QString& path) {
  const quint64 ticket = ++nextTicket_;
  wanted_[index] = ticket;
  pool_.start([this, shared = shared_, index, ticket, path, root = thumbnailRoot_] {
    const std::function<bool()> cancelled = [&shared, ticket] { return ticket <= shared->cancelledUpTo.load(); };
    if (cancelled()) return;
    std::optional<QImage> picture = readHitPicture(path, QSize(kRowIconPixels, kRowIconPixels), root, cancelled);
    if (cancelled()) return;
    // The destructor waits for this task, so the object is still there.
    QMetaObject::invokeMethod(
        this, [this, index, ticket, picture = std::move(picture)] { arrive(index, ticket, picture); },
        Qt::QueuedConnection);
  });
}

void HitPictures::forget(int index) { wanted_.erase(index); }

void HitPictures::cancelAll() {
  shared_->cancelledUpTo.store(nextTicket_);
  wanted_.clear();
  pool_.clear();
}

void HitPictures::arrive(int index, quint64 ticket, const std::optional<QImage>& picture) {
  const auto it = wanted_.find(index);
  if (it == wanted_.end() || it->second != ticket) return;
  wanted_.erase(it);
  if (picture && deliver_) deliver_(index, *picture);
}

}  // namespace orvanta::search
