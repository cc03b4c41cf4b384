// Reads one HTTP/1.x answer off a connection as its bytes arrive: skips the
// status line and headers, follows the body's framing (length, chunks, or
// the end of the connection) and collects the body.
#pragma once

#include <QByteArray>

namespace orvanta::platform {

class HttpResponseParser {
 public:
  enum class State { Reading, Done, Failed };

  explicit HttpResponseParser(qint64 maxBodyBytes) : maxBody_(maxBodyBytes) {}

  // Feeds the next bytes; returns the state after them. Bytes past the end
  // of the answer are ignored.
  State feed(const QByteArray& bytes);
  // The connection has closed: an answer whose body runs to the end of the
  // connection is then complete, any other unfinished answer has failed.
  State closed();

  State state() const { return state_; }
  bool receivedAnything() const { return receivedAnything_; }
  // Whether the connection may carry the next request.
  bool keepAlive() const { return keepAlive_; }
  const QByteArray& body() const { return body_; }

 private:
  enum class Stage { Head, LengthBody, ChunkSize, ChunkData, ChunkDataEnd, Trailer, CloseBody };

  State fail();
  State finish();
  bool parseHead(const QByteArray& head);
  bool append(const char* data, qint64 size);
  void process();

  qint64 maxBody_;
  State state_ = State::Reading;
  Stage stage_ = Stage::Head;
  QByteArray buffer_;
  QByteArray body_;
  qint64 remaining_ = 0;
  bool receivedAnything_ = false;
  bool keepAlive_ = true;
};

}  // namespace orvanta::platform
