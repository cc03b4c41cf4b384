// The pictures of Images hits for the row icons, read off the window's
// thread: from a fresh thumbnail of the desktop's thumbnail cache, or by
// decoding the file at the size the icon shows it. Only regular files are
// read. A picture reaches its row only while that row still wants it.
#pragma once

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace orvanta::search {

// The size at which row icons show their picture, in pixels.
inline constexpr int kRowIconPixels = 16;

// The picture of an image file at `size`, read only from a regular file:
// from the thumbnail cache under `thumbnailRoot` (normally
// $XDG_CACHE_HOME/thumbnails) when it holds a thumbnail whose Thumb::MTime
// matches the file, else by decoding the file itself. Nothing when the
// path is no regular file or no picture, or when `cancelled` turns true
// while the file is read. Safe to call on any thread.
std::optional<QImage> readHitPicture(const QString& path, QSize size, const QString& thumbnailRoot,
                                     const std::function<bool()>& cancelled = {});

// The freedesktop thumbnail cache folder of this user.
QString thumbnailCacheRoot();

// Picture requests of the row icons, answered on the thread that owns this
// object through `deliver`, in the order they are ready.
class HitPictures : public QObject {
 public:
  using Deliver = std::function<void(int index, const QImage& picture)>;

  // At most `maxConcurrent` files are read at once (0: one less than the
  // machine's cores, at least one, at most four).
  explicit HitPictures(Deliver deliver, int maxConcurrent = 0, QObject* parent = nullptr);
  // Cancels everything and waits for the reads under way, which stop at
  // their next read of the file.
  ~HitPictures() override;

  // Asks for the picture of `path` for icon `index`, replacing an earlier
  // request for that icon. A file that gives no picture delivers nothing.
  void request(int index, const QString& path);
  // The icon got a picture of its own: a pending request for it is dropped.
  void forget(int index);
  // Drops every request made so far; reads under way stop early.
  void cancelAll();

  // Requests whose answer has not been delivered or dropped yet.
  int pendingCount() const { return static_cast<int>(wanted_.size()); }
  // Waits until no read is under way or queued; false when `msecs` passed
  // first. Answers of finished reads still wait in the event queue.
  bool waitForReads(int msecs) { return pool_.waitForDone(msecs); }
  // Where thumbnails are looked for; thumbnailCacheRoot() unless set.
  void setThumbnailRoot(const QString& root) { thumbnailRoot_ = root; }

 private:
  struct Shared {
    std::atomic<quint64> cancelledUpTo{0};
  };

  void arrive(int index, quint64 ticket, const std::optional<QImage>& picture);

  Deliver deliver_;
  std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
  QThreadPool pool_;
  std::map<int, quint64> wanted_;  // icon index -> ticket of its request
  quint64 nextTicket_ = 0;
  QString thumbnailRoot_;
};

}  // namespace orvanta::search
