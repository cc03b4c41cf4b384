// Talking to the extraction helper.
#include "content_reader.h"

#include "document_format.h"

#include <QDeadlineTimer>
#include <QProcess>

namespace orvanta::service {

ContentReader::ContentReader(QString program, int timeoutMs) : program_(std::move(program)), timeoutMs_(timeoutMs) {}

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

std::optional<QString> ContentReader::read(const QByteArray& path) {
  if (path.contains('\0') || !ensureRunning()) return std::nullopt;
  const QDeadlineTimer deadline(timeoutMs_);
  const auto fail = [this] {
    stop();
    return std::nullopt;
  };
  process_->write(path + '\0');
  while (!process_->canReadLine()) {
    if (deadline.hasExpired() || process_->state() != QProcess::Running) return fail();
    process_->waitForReadyRead(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
  }
  const QByteArray header = process_->readLine().trimmed();
  const qsizetype blank = header.indexOf(' ');
  bool ok = false;
  const qint64 length = header.mid(blank + 1).toLongLong(&ok);
  // UTF-8 takes at most three bytes for each UTF-16 unit.
  if (blank < 0 || !ok || length < 0 || length > 3 * qint64(kMaxTextChars)) return fail();
  if (header.left(blank) != "ok") return std::nullopt;
  while (process_->bytesAvailable() < length) {
    if (deadline.hasExpired() || process_->state() != QProcess::Running) return fail();
    process_->waitForReadyRead(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
  }
  return QString::fromUtf8(process_->read(length));
}

}  // namespace orvanta::service
