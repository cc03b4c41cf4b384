// The incremental HTTP/1.x answer reader.
#include "http_response_parser.h"

#include <QList>

namespace orvanta::platform {

namespace {

constexpr qint64 kMaxHeadBytes = 64 * 1024;

}  // namespace

HttpResponseParser::State HttpResponseParser::fail() {
  state_ = State::Failed;
  keepAlive_ = false;
  buffer_.clear();
  body_.clear();
  return state_;
}

HttpResponseParser::State HttpResponseParser::finish() {
  state_ = State::Done;
  if (!buffer_.isEmpty()) keepAlive_ = false;  // bytes nobody asked for
  buffer_.clear();
  return state_;
}

bool HttpResponseParser::append(const char* data, qint64 size) {
  if (body_.size() + size > maxBody_) return false;
  body_.append(data, size);
  return true;
}

bool HttpResponseParser::parseHead(const QByteArray& head) {
  const QList<QByteArray> lines = head.split('\n');
  const QByteArray statusLine = lines.value(0).trimmed();
  if (!statusLine.startsWith("HTTP/1.")) return false;
  const QList<QByteArray> statusParts = statusLine.split(' ');
  bool ok = false;
  const int status = statusParts.value(1).toInt(&ok);
  if (!ok) return false;
  if (status >= 100 && status < 200) {
    // An interim answer: the real one follows.
    stage_ = Stage::Head;
    return true;
  }
  keepAlive_ = statusLine.startsWith("HTTP/1.1");
  bool chunked = false;
  qint64 length = -1;
  for (qsizetype i = 1; i < lines.size(); ++i) {
    const QByteArray line = lines[i].trimmed();
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0) continue;
    const QByteArray name = line.left(colon).trimmed().toLower();
    const QByteArray value = line.mid(colon + 1).trimmed().toLower();
    if (name == "transfer-encoding") {
      chunked = value.endsWith("chunked");
    } else if (name == "content-length") {
      length = value.toLongLong(&ok);
      if (!ok || length < 0) return false;
    } else if (name == "connection") {
      if (value.contains("close")) keepAlive_ = false;
      if (value.contains("keep-alive")) keepAlive_ = true;
    }
  }
  if (status == 204 || status == 304) {
    stage_ = Stage::LengthBody;
    remaining_ = 0;
  } else if (chunked) {
    stage_ = Stage::ChunkSize;
  } else if (length >= 0) {
    if (length > maxBody_) return false;
    stage_ = Stage::LengthBody;
    remaining_ = length;
  } else {
    stage_ = Stage::CloseBody;
    keepAlive_ = false;
  }
  return true;
}

void HttpResponseParser::process() {
  while (state_ == State::Reading) {
    switch (stage_) {
      case Stage::Head: {
        const qsizetype end = buffer_.indexOf("\r\n\r\n");
        const qsizetype endBare = buffer_.indexOf("\n\n");
        qsizetype cut = -1;
        qsizetype skip = 0;
        if (end >= 0 && (endBare < 0 || end < endBare)) {
          cut = end;
          skip = 4;
        } else if (endBare >= 0) {
          cut = endBare;
          skip = 2;
        }
        if (cut < 0) {
          if (buffer_.size() > kMaxHeadBytes) fail();
          return;
        }
        const QByteArray head = buffer_.left(cut);
        buffer_.remove(0, cut + skip);
        if (!parseHead(head)) fail();
        break;
      }
      case Stage::LengthBody: {
        const qint64 take = qMin<qint64>(remaining_, buffer_.size());
        if (!append(buffer_.constData(), take)) {
          fail();
          return;
        }
        buffer_.remove(0, take);
        remaining_ -= take;
        if (remaining_ == 0) finish();
        return;
      }
      case Stage::ChunkSize: {
        const qsizetype eol = buffer_.indexOf('\n');
        if (eol < 0) {
          if (buffer_.size() > kMaxHeadBytes) fail();
          return;
        }
        QByteArray line = buffer_.left(eol).trimmed();
        buffer_.remove(0, eol + 1);
        const qsizetype semicolon = line.indexOf(';');
        if (semicolon >= 0) line.truncate(semicolon);
        bool ok = false;
        remaining_ = line.trimmed().toLongLong(&ok, 16);
        if (!ok || remaining_ < 0) {
          fail();
          return;
        }
        if (remaining_ > maxBody_ - body_.size()) {
          fail();
          return;
        }
        stage_ = remaining_ == 0 ? Stage::Trailer : Stage::ChunkData;
        break;
      }
      case Stage::ChunkData: {
        const qint64 take = qMin<qint64>(remaining_, buffer_.size());
        if (!append(buffer_.constData(), take)) {
          fail();
          return;
        }
        buffer_.remove(0, take);
        remaining_ -= take;
        if (remaining_ > 0) return;
        stage_ = Stage::ChunkDataEnd;
        break;
      }
      case Stage::ChunkDataEnd: {
        const qsizetype eol = buffer_.indexOf('\n');
        if (eol < 0) return;
        buffer_.remove(0, eol + 1);
        stage_ = Stage::ChunkSize;
        break;
      }
      case Stage::Trailer: {
        const qsizetype eol = buffer_.indexOf('\n');
        if (eol < 0) return;
        const bool blank = buffer_.left(eol).trimmed().isEmpty();
        buffer_.remove(0, eol + 1);
        if (blank) finish();
        break;
      }
      case Stage::CloseBody:
        if (!append(buffer_.constData(), buffer_.size())) {
          fail();
          return;
        }
        buffer_.clear();
        return;
    }
  }
}

HttpResponseParser::State HttpResponseParser::feed(const QByteArray& bytes) {
  if (state_ != State::Reading || bytes.isEmpty()) return state_;
  receivedAnything_ = true;
  buffer_.append(bytes);
  process();
  return state_;
}

HttpResponseParser::State HttpResponseParser::closed() {
  keepAlive_ = false;
  if (state_ != State::Reading) return state_;
  if (stage_ == Stage::CloseBody) return finish();
  return fail();
}

}  // namespace orvanta::platform
