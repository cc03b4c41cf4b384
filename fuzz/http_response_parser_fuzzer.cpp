// Fuzzes the HTTP answer reader: for any bytes, fed in any pieces, with the
// connection closed after them or not, the outcome must be that of a plain
// reading of the whole answer at once by the same rules.
#include "platform/http_response_parser.h"

#include <QByteArray>
#include <QList>

#include <cstdint>
#include <cstdlib>

namespace {

using orvanta::platform::HttpResponseParser;
using State = HttpResponseParser::State;

struct Outcome {
  State state = State::Reading;
  QByteArray body;
  int status = 0;
  bool keepAlive = true;
};

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The line from `pos` up to its "\n", without a "\r" before that.
QByteArray lineAt(const QByteArray& in, qsizetype pos, qsizetype eol) {
  QByteArray line = in.mid(pos, eol - pos);
  if (line.endsWith('\r')) line.chop(1);
  return line;
}

// The rules of http_response_parser.h applied to the whole input at once.
Outcome reference(const QByteArray& in, bool closedAtEnd, qint64 maxBody) {
  constexpr qsizetype kHead = HttpResponseParser::kMaxHeadBytes;
  constexpr qsizetype kLine = HttpResponseParser::kMaxChunkLineBytes;
  Outcome out;
  const auto failed = [] { return Outcome{State::Failed, {}, 0, false}; };
  // What an answer that has not ended yet comes to.
  const auto unfinished = [&](bool runsToClose = false) {
    if (!closedAtEnd) return Outcome{State::Reading, {}, 0, true};
    if (!runsToClose) return failed();
    out.state = State::Done;
    out.keepAlive = false;
    return out;
  };

  qsizetype pos = 0;
  int interim = 0;
  bool chunked = false;
  qint64 length = -1;
  for (;;) {
    const qsizetype headStart = pos;
    QList<QByteArray> lines;
    for (;;) {
      const qsizetype eol = in.indexOf('\n', pos);
      if (eol < 0) return in.size() - headStart > kHead ? failed() : unfinished();
      const QByteArray line = lineAt(in, pos, eol);
      pos = eol + 1;
      if (pos - headStart > kHead) return failed();
      if (line.isEmpty()) break;
      lines.append(line);
    }
    if (lines.isEmpty()) return failed();
    const QByteArray& statusLine = lines[0];
    if (statusLine.size() < 12 || !statusLine.startsWith("HTTP/1.") || !isDigit(statusLine[7]) ||
        statusLine[8] != ' ' || !isDigit(statusLine[9]) || !isDigit(statusLine[10]) || !isDigit(statusLine[11]) ||
        (statusLine.size() > 12 && statusLine[12] != ' ')) {
      return failed();
    }
    const int status = statusLine.mid(9, 3).toInt();
    if (status < 100 || status > 599) return failed();
    if (status < 200) {
      if (++interim > HttpResponseParser::kMaxInterimAnswers) return failed();
      continue;
    }
    out.status = status;
    out.keepAlive = statusLine.startsWith("HTTP/1.1");
    for (qsizetype i = 1; i < lines.size(); ++i) {
      const qsizetype colon = lines[i].indexOf(':');
      if (colon <= 0) continue;
      const QByteArray name = lines[i].left(colon).trimmed().toLower();
      const QByteArray value = lines[i].mid(colon + 1).trimmed().toLower();
      if (name == "transfer-encoding") {
        chunked = value.endsWith("chunked");
      } else if (name == "content-length") {
        if (value.isEmpty() || value.size() > 18) return failed();
        for (const char c : value) {
          if (!isDigit(c)) return failed();
        }
        const qint64 given = value.toLongLong();
        if (length >= 0 && given != length) return failed();
        length = given;
      } else if (name == "connection") {
        if (value.contains("close")) out.keepAlive = false;
        if (value.contains("keep-alive")) out.keepAlive = true;
      }
    }
    if (status == 204 || status == 304) {
      chunked = false;
      length = 0;
    }
    break;
  }

  if (chunked) {
    for (;;) {
      const qsizetype eol = in.indexOf('\n', pos);
      if (eol < 0) return in.size() - pos > kLine ? failed() : unfinished();
      if (eol - pos > kLine) return failed();
      const QByteArray line = lineAt(in, pos, eol);
      pos = eol + 1;
      qsizetype digits = 0;
      while (digits < line.size() && QByteArray("0123456789abcdefABCDEF").contains(line[digits])) ++digits;
      if (digits == 0 || digits > 15) return failed();
      qsizetype rest = digits;
      while (rest < line.size() && (line[rest] == ' ' || line[rest] == '\t')) ++rest;
      if (rest < line.size() && line[rest] != ';') return failed();
      const qint64 size = line.left(digits).toLongLong(nullptr, 16);
      if (size > maxBody - out.body.size()) return failed();
      if (size == 0) break;
      if (in.size() - pos < size) return unfinished();
      out.body += in.mid(pos, size);
      pos += size;
      if (pos == in.size()) return unfinished();
      if (in[pos] == '\n') {
        pos += 1;
      } else if (in[pos] == '\r') {
        if (pos + 1 == in.size()) return unfinished();
        if (in[pos + 1] != '\n') return failed();
        pos += 2;
      } else {
        return failed();
      }
    }
    const qsizetype trailerStart = pos;
    for (;;) {
      const qsizetype eol = in.indexOf('\n', pos);
      if (eol < 0) return in.size() - trailerStart > kHead ? failed() : unfinished();
      const QByteArray line = lineAt(in, pos, eol);
      pos = eol + 1;
      if (pos - trailerStart > kHead) return failed();
      if (line.isEmpty()) break;
    }
  } else if (length >= 0) {
    if (length > maxBody) return failed();
    if (in.size() - pos < length) return unfinished();
    out.body = in.mid(pos, length);
    pos += length;
  } else {
    out.keepAlive = false;
    if (in.size() - pos > maxBody) return failed();
    out.body = in.mid(pos);
    return unfinished(/*runsToClose=*/true);
  }
  out.state = State::Done;
  if (pos < in.size() || closedAtEnd) out.keepAlive = false;
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // The first byte chooses the body limit and whether the connection
  // closes after the bytes; the second seeds the sizes of the pieces.
  static const qint64 kLimits[] = {0, 1, 7, 64, 1 << 20, 64 * 1024 * 1024, 3, 16};
  const qint64 maxBody = kLimits[data[0] & 7];
  const bool closedAtEnd = (data[0] & 8) != 0;
  uint32_t seed = data[1];
  const QByteArray in(reinterpret_cast<const char*>(data) + 2, static_cast<qsizetype>(size - 2));

  HttpResponseParser parser(maxBody);
  for (qsizetype i = 0; i < in.size();) {
    seed = seed * 1103515245u + 12345u;
    const qsizetype piece = (seed >> 16) % 8 == 0 ? in.size() : 1 + (seed >> 16) % 64;
    parser.feed(in.mid(i, piece));
    i += piece;
  }
  if (closedAtEnd) parser.closed();

  const Outcome expected = reference(in, closedAtEnd, maxBody);
  if (parser.state() != expected.state) std::abort();
  if (expected.state == State::Done) {
    if (parser.body() != expected.body || parser.status() != expected.status ||
        parser.keepAlive() != expected.keepAlive) {
      std::abort();
    }
  }
  if (expected.state == State::Failed && (parser.keepAlive() || !parser.body().isEmpty())) std::abort();
  return 0;
}
