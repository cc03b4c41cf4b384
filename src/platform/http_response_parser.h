// Reads one HTTP/1.x answer off a connection as its bytes arrive: skips the
// status line and headers, follows the body's framing (length, chunks, or
// the end of the connection) and collects the body.
#pragma once

#include <QByteArray>

namespace orvanta::platform {

// The rules, which a hostile service cannot stretch:
// - A head is the lines up to the first empty one ("\n" ends a line, a "\r"
//   before it is dropped); with that line it holds at most kMaxHeadBytes.
//   Its first line is "HTTP/1.x" followed by a blank and a three-digit
//   status code from 100 to 599.
// - Heads of status 1xx are interim answers; at most kMaxInterimAnswers of
//   them may come before the real one.
// - "Transfer-Encoding" ending in "chunked" frames the body in chunks;
//   otherwise "Content-Length" (decimal digits only; several must agree)
//   gives its length; otherwise the body runs to the end of the
//   connection. 204 and 304 have no body.
// - A chunk-size line holds at most kMaxChunkLineBytes before its "\n":
//   hexadecimal digits, then optionally blanks and a ";" extension. The
//   chunk's data is followed by "\r\n" or "\n". The trailer after the last
//   chunk is lines up to an empty one, at most kMaxHeadBytes in all.
// - The body holds at most the limit given.
// Every byte is looked at a bounded number of times, so the reading takes
// time linear in the answer's length, and the memory held is the body and
// at most one head or line besides.
class HttpResponseParser {
 public:
  enum class State { Reading, Done, Failed };

  static constexpr qsizetype kMaxHeadBytes = 64 * 1024;
  static constexpr int kMaxInterimAnswers = 16;
  static constexpr qsizetype kMaxChunkLineBytes = 1024;

  explicit HttpResponseParser(qint64 maxBodyBytes) : maxBody_(maxBodyBytes) {}

  // Feeds the next bytes; returns the state after them. Bytes past the end
  // of the answer are not read, and the connection is then not kept.
  State feed(const QByteArray& bytes);
  // The connection has closed: an answer whose body runs to the end of the
  // connection is then complete, any other unfinished answer has failed.
  State closed();

  State state() const { return state_; }
  bool receivedAnything() const { return receivedAnything_; }
  // Whether the connection may carry the next request.
  bool keepAlive() const { return keepAlive_; }
  // The status code of the final answer, 0 until its head has been read.
  int status() const { return status_; }
  const QByteArray& body() const { return body_; }

 private:
  enum class Stage { Head, LengthBody, ChunkSize, ChunkData, ChunkDataEnd, Trailer, CloseBody };

  State fail();
  State finish();
  // The next line from the read position, without its "\n" and a "\r"
  // before it; false while it has not ended. Each byte is searched once.
  bool nextLine(QByteArray& line);
  bool parseHead();
  bool append(const char* data, qint64 size);
  void process();

  qint64 maxBody_;
  State state_ = State::Reading;
  Stage stage_ = Stage::Head;
  QByteArray buffer_;
  qsizetype pos_ = 0;      // the first byte of buffer_ not yet read
  qsizetype scanned_ = 0;  // bytes from pos_ on already searched for "\n"
  qsizetype partBytes_ = 0;  // bytes of the current head or trailer so far
  QByteArray head_;          // the lines of the head being read
  QByteArray body_;
  qint64 remaining_ = 0;
  int interimAnswers_ = 0;
  int status_ = 0;
  bool receivedAnything_ = false;
  bool keepAlive_ = true;
};

}  // namespace orvanta::platform
