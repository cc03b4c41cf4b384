// The service's side of text extraction: reads each document (regular
// files only, never through a link) and hands its bytes to the helper
// process local-search-extract, which opens no file itself, and reads the
// text back, with a time limit per file. A helper that dies or runs over costs that one file's contents;
// the next file gets a new helper.
#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

class QDeadlineTimer;
class QProcess;

namespace orvanta::service {

class ContentReader {
 public:
  ContentReader(QString program, int timeoutMs);
  ~ContentReader();
  ContentReader(const ContentReader&) = delete;
  ContentReader& operator=(const ContentReader&) = delete;

  // The text of the file at `path`; nothing when it has none the helper
  // can read, or the helper failed on it.
  std::optional<QString> read(const QByteArray& path);

  // How many helpers were started so far.
  int helperStarts() const { return starts_; }

 private:
  bool ensureRunning();
  // Writes one request; false when the helper ended or the time ran out.
  bool send(const QByteArray& header, const QByteArray& data, const QDeadlineTimer& deadline);
  void stop();

  QString program_;
  int timeoutMs_;
  std::unique_ptr<QProcess> process_;
  int starts_ = 0;
};

}  // namespace orvanta::service
