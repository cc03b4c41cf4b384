// The incremental HTTP/1.x answer reader.
#include "http_response_parser.h"

#include <QList>

namespace orvanta::platform {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c) {
  if (isDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A chunk-size line: hexadecimal digits, then optionally blanks and a ";"
// extension. -1 when it is not one. Fifteen digits at most keep the value
// far from overflowing.
qint64 chunkSize(const QByteArray& line) {
  qint64 size = 0;
  qsizetype i = 0;
  for (; i < line.size() && hexValue(line[i]) >= 0; ++i) {
    if (i == 15) return -1;
    size = size * 16 + hexValue(line[i]);
  }
  if (i == 0) return -1;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  if (i < line.size() && line[i] != ';') return -1;
  return size;
}

// A Content-Length value: decimal digits only. -1 when it is not one.
qint64 contentLength(const QByteArray& value) {
  if (value.isEmpty() || value.size() > 18) return -1;
  qint64 length = 0;
  for (const char c : value) {
    if (!isDigit(c)) return -1;
    length = length * 10 + (c - '0');
  }
  return length;
}

}  // namespace

HttpResponseParser::State HttpResponseParser::fail() {
  state_ = State::Failed;
  keepAlive_ = false;
  buffer_.clear();
  pos_ = 0;
  head_.clear();
  body_.clear();
  return state_;
}

HttpResponseParser::State HttpResponseParser::finish() {
  state_ = State::Done;
  if (pos_ < buffer_.size()) keepAlive_ = false;  // bytes nobody asked for
  buffer_.clear();
  pos_ = 0;
  head_.clear();
  return state_;
}

bool HttpResponseParser::append(const char* data, qint64 size) {
  if (size > maxBody_ - body_.size()) return false;
  body_.append(data, size);
  return true;
}

bool HttpResponseParser::nextLine(QByteArray& line) {
  const qsizetype eol = buffer_.indexOf('\n', pos_ + scanned_);
  if (eol < 0) {
    scanned_ = buffer_.size() - pos_;
    return false;
  }
  qsizetype end = eol;
  if (end > pos_ && buffer_[end - 1] == '\r') --end;
  line = buffer_.mid(pos_, end - pos_);
  pos_ = eol + 1;
  scanned_ = 0;
  return true;
}

bool HttpResponseParser::parseHead() {
  const QList<QByteArray> lines = head_.split('\n');
  head_.clear();
  const QByteArray& statusLine = lines[0];
  if (statusLine.size() < 12 || !statusLine.startsWith("HTTP/1.") || !isDigit(statusLine[7]) ||
      statusLine[8] != ' ' || (statusLine.size() > 12 && statusLine[12] != ' ')) {
    return false;
  }
  int status = 0;
  for (qsizetype i = 9; i < 12; ++i) {
    if (!isDigit(statusLine[i])) return false;
    status = status * 10 + (statusLine[i] - '0');
  }
  if (status < 100 || status > 599) return false;
  if (status < 200) {
    // An interim answer: the real one follows, unless too many come first.
    return ++interimAnswers_ <= kMaxInterimAnswers;
  }
  status_ = status;
  keepAlive_ = statusLine.startsWith("HTTP/1.1");
  bool chunked = false;
  qint64 length = -1;
  for (qsizetype i = 1; i < lines.size(); ++i) {
    const QByteArray& line = lines[i];
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0) continue;
    const QByteArray name = line.left(colon).trimmed().toLower();
    const QByteArray value = line.mid(colon + 1).trimmed().toLower();
    if (name == "transfer-encoding") {
      chunked = value.endsWith("chunked");
    } else if (name == "content-length") {
      const qint64 given = contentLength(value);
      if (given < 0 || (length >= 0 && given != length)) return false;
      length = given;
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
  QByteArray line;
  while (state_ == State::Reading) {
    const qsizetype available = buffer_.size() - pos_;
    switch (stage_) {
      case Stage::Head:
      case Stage::Trailer: {
        const qsizetype start = pos_;
        if (!nextLine(line)) {
          // The line can no longer end within the limit.
          if (partBytes_ + available > kMaxHeadBytes) fail();
          return;
        }
        partBytes_ += pos_ - start;
        if (partBytes_ > kMaxHeadBytes) {
          fail();
          return;
        }
        if (!line.isEmpty()) {
          if (stage_ == Stage::Head) head_ += line + '\n';
          break;
        }
        partBytes_ = 0;
        if (stage_ == Stage::Trailer) {
          finish();
          return;
        }
        if (head_.isEmpty() || !parseHead()) {
          fail();
          return;
        }
        break;
      }
      case Stage::LengthBody:
      case Stage::ChunkData: {
        const qint64 take = qMin<qint64>(remaining_, available);
        if (!append(buffer_.constData() + pos_, take)) {
          fail();
          return;
        }
        pos_ += take;
        remaining_ -= take;
        if (remaining_ > 0) return;
        if (stage_ == Stage::LengthBody) {
          finish();
          return;
        }
        stage_ = Stage::ChunkDataEnd;
        break;
      }
      case Stage::ChunkSize: {
        const qsizetype start = pos_;
        if (!nextLine(line)) {
          if (available > kMaxChunkLineBytes) fail();
          return;
        }
        remaining_ = pos_ - start - 1 > kMaxChunkLineBytes ? -1 : chunkSize(line);
        if (remaining_ < 0 || remaining_ > maxBody_ - body_.size()) {
          fail();
          return;
        }
        stage_ = remaining_ == 0 ? Stage::Trailer : Stage::ChunkData;
        break;
      }
      case Stage::ChunkDataEnd: {
        // The data ends its line at once: "\r\n" or "\n".
        if (available == 0) return;
        if (buffer_[pos_] == '\r') {
          if (available == 1) return;
          if (buffer_[pos_ + 1] != '\n') {
            fail();
            return;
          }
          pos_ += 2;
        } else if (buffer_[pos_] == '\n') {
          pos_ += 1;
        } else {
          fail();
          return;
        }
        stage_ = Stage::ChunkSize;
        break;
      }
      case Stage::CloseBody:
        if (!append(buffer_.constData() + pos_, available)) {
          fail();
          return;
        }
        pos_ += available;
        return;
    }
  }
}

HttpResponseParser::State HttpResponseParser::feed(const QByteArray& bytes) {
  if (bytes.isEmpty()) return state_;
  receivedAnything_ = true;
  if (state_ != State::Reading) {
    if (state_ == State::Done) keepAlive_ = false;
    return state_;
  }
  // What has been read goes once it is at least as long as what has not,
  // so every byte is moved a bounded number of times.
  if (pos_ > 0 && pos_ >= buffer_.size() - pos_) {
    buffer_.remove(0, pos_);
    pos_ = 0;
  }
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
