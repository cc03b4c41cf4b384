// Talking to the extraction helper.
#include "content_reader.h"

#include "document_file.h"
#include "document_format.h"
#include "tree_walk.h"

#include <QDeadlineTimer>
#include <QProcess>

#include <algorithm>

namespace orvanta::service {

namespace {

// How often a wait for the helper looks whether the read was cancelled.
constexpr qint64 kCancelCheckMs = 100;

}  // namespace

ContentReader::ContentReader(QString program, int timeoutMs, const std::atomic<bool>* cancel)
    : program_(std::move(program)), timeoutMs_(timeoutMs), cancel_(cancel) {}

ContentReader::~ContentReader() { stop(); }

void ContentReader::stop() {
  if (!process_) return;
  process_->kill();
  process_->waitForFinished(5000);
  process_.reset();
}

bool ContentReader::ensureRunning() {
  if (process_ && process_->state() == QProcess::Running) return true;
  stop();
  process_ = std::make_unique<QProcess>();
  process_->setProcessChannelMode(QProcess::SeparateChannels);
  process_->setStandardErrorFile(QProcess::nullDevice());
  process_->start(program_, {}, QIODevice::ReadWrite);
  ++starts_;
  if (!process_->waitForStarted(5000)) {
    stop();
    return false;
  }
  return true;
}

bool ContentReader::send(const QByteArray& header, const QByteArray& data, const QDeadlineTimer& deadline) {
  // Written in slices, so the pipe's buffer never holds a second copy of
  // a large document.
  constexpr qsizetype kSlice = 1024 * 1024;
  process_->write(header);
  for (qsizetype done = 0; done < data.size(); done += kSlice) {
    process_->write(data.constData() + done, std::min(kSlice, data.size() - done));
    while (process_->bytesToWrite() > kSlice) {
      if (deadline.hasExpired() || cancelled() || process_->state() != QProcess::Running) return false;
      process_->waitForBytesWritten(static_cast<int>(qBound<qint64>(1, deadline.remainingTime(), kCancelCheckMs)));
    }
  }
  return true;
}

bool ContentReader::waitForOutput(const QDeadlineTimer& deadline) {
  if (deadline.hasExpired() || cancelled() || process_->state() != QProcess::Running) return false;
  process_->waitForReadyRead(static_cast<int>(qBound<qint64>(1, deadline.remainingTime(), kCancelCheckMs)));
  return true;
}

Extraction ContentReader::extract(const QByteArray& path) {
  // The service opens the document; the helper that parses it opens nothing.
  const DocumentFormat format = formatOf(path);
  if (format == DocumentFormat::None || path.contains('\0')) return {};
  // A file this process may not read: that passes when its permissions
  // change.
  if (statEntry(path) && !mayRead(path)) return {std::nullopt, true};
  const std::optional<QByteArray> data = readDocumentFile(path, kMaxDocumentBytes);
  if (!data) return {};
  if (!ensureRunning()) return {std::nullopt, true};
  const QDeadlineTimer deadline(timeoutMs_);
  const auto fail = [this] {
    const bool stopped = cancelled();
    stop();
    return Extraction{std::nullopt, stopped};
  };
  const QByteArray header = QByteArray::number(static_cast<int>(format)) + ' ' + QByteArray::number(data->size()) + '\n';
  if (!send(header, *data, deadline)) return fail();
  while (!process_->canReadLine()) {
    if (!waitForOutput(deadline)) return fail();
  }
  const QByteArray answer = process_->readLine().trimmed();
  const qsizetype blank = answer.indexOf(' ');
  bool ok = false;
  const qint64 length = answer.mid(blank + 1).toLongLong(&ok);
  // UTF-8 takes at most three bytes for each UTF-16 unit.
  if (blank < 0 || !ok || length < 0 || length > 3 * qint64(kMaxTextChars)) return fail();
  if (answer.left(blank) == "no") return {};
  if (answer.left(blank) != "ok") return fail();
  while (process_->bytesAvailable() < length) {
    if (!waitForOutput(deadline)) return fail();
  }
  return {QString::fromUtf8(process_->read(length)), false};
}

}  // namespace orvanta::service
