// Talking to the extraction helper.
#include "content_reader.h"

#include "document_format.h"
#include "tree_walk.h"

#include <QDeadlineTimer>
#include <QProcess>

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

bool ContentReader::waitForOutput(const QDeadlineTimer& deadline) {
  if (deadline.hasExpired() || cancelled() || process_->state() != QProcess::Running) return false;
  process_->waitForReadyRead(static_cast<int>(qBound<qint64>(1, deadline.remainingTime(), kCancelCheckMs)));
  return true;
}

Extraction ContentReader::extract(const QByteArray& path) {
  if (path.contains('\0')) return {};
  // A file this process may not read fails the same way in the helper;
  // that passes when its permissions change.
  if (statEntry(path) && !mayRead(path)) return {std::nullopt, true};
  if (!ensureRunning()) return {std::nullopt, true};
  const QDeadlineTimer deadline(timeoutMs_);
  const auto fail = [this] {
    const bool stopped = cancelled();
    stop();
    return Extraction{std::nullopt, stopped};
  };
  process_->write(path + '\0');
  while (!process_->canReadLine()) {
    if (!waitForOutput(deadline)) return fail();
  }
  const QByteArray header = process_->readLine().trimmed();
  const qsizetype blank = header.indexOf(' ');
  bool ok = false;
  const qint64 length = header.mid(blank + 1).toLongLong(&ok);
  // UTF-8 takes at most three bytes for each UTF-16 unit.
  if (blank < 0 || !ok || length < 0 || length > 3 * qint64(kMaxTextChars)) return fail();
  if (header.left(blank) != "ok") return {};
  while (process_->bytesAvailable() < length) {
    if (!waitForOutput(deadline)) return fail();
  }
  return {QString::fromUtf8(process_->read(length)), false};
}

}  // namespace orvanta::service
