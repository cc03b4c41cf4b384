// The service's side of text extraction: reads each document (regular
// files only, never through a link) and hands its bytes to the helper
// process local-search-extract, which opens no file itself, and reads the
// text back, with a time limit per file. A helper that dies or runs over costs that one file's contents;
// the next file gets a new helper.
#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <memory>
#include <optional>

class QDeadlineTimer;
class QProcess;

namespace orvanta::service {

// What came of reading one file's text.
struct Extraction {
  std::optional<QString> text;  // nothing: no text this time
  // The failure may pass by itself: the file could not be read (its
  // permissions, say) or the helper could not be started. Otherwise the
  // helper had no text for it or failed on it, which stays so until the
  // file changes.
  bool transient = false;
};

class ContentReader {
 public:
  // `cancel`, when given and set, ends a read early (as a transient failure).
  ContentReader(QString program, int timeoutMs, const std::atomic<bool>* cancel = nullptr);
  ~ContentReader();
  ContentReader(const ContentReader&) = delete;
  ContentReader& operator=(const ContentReader&) = delete;

  // The text of the file at `path`; nothing when it has none the helper
  // can read, or the helper failed on it.
  std::optional<QString> read(const QByteArray& path) { return extract(path).text; }
  Extraction extract(const QByteArray& path);

  // How many helpers were started so far.
  int helperStarts() const { return starts_; }

 private:
  bool ensureRunning();
  // Writes one request; false when the helper ended or the time ran out.
  bool send(const QByteArray& header, const QByteArray& data, const QDeadlineTimer& deadline);
  void stop();

  // Waits up to `deadline` for more output of the helper, in short steps
  // so that a cancel is seen; false when the helper is gone, the time is
  // up or the read is cancelled.
  bool waitForOutput(const QDeadlineTimer& deadline);
  bool cancelled() const { return cancel_ && cancel_->load(); }

  QString program_;
  int timeoutMs_;
  const std::atomic<bool>* cancel_;
  std::unique_ptr<QProcess> process_;
  int starts_ = 0;
};

}  // namespace orvanta::service
