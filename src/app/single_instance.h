// One program per user session: the first start listens on a local socket
// in the user's runtime folder; a later start hands its request to it and
// ends.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

#include <optional>

namespace orvanta::app {

class SingleInstance : public QObject {
  Q_OBJECT

 public:
  // `name` is the socket's path (on Windows, a pipe name); see
  // defaultSocketName().
  explicit SingleInstance(QString name, QObject* parent = nullptr);
  ~SingleInstance() override;

  // The socket of the user's session: "orvanta.socket" in the runtime
  // folder ($XDG_RUNTIME_DIR).
  static QString defaultSocketName();

  // Hands a request to a program already listening: to drop its panel,
  // with `words` in the search box when given. True when it took it.
  bool sendToRunning(int timeoutMs = 2000, const std::optional<QString>& words = std::nullopt) const;

  // Starts listening as the session's program. A socket left behind by a
  // program that no longer runs is removed first. False when another
  // program listens or the socket cannot be made.
  bool listen();

 signals:
  // A later start asked for the panel.
  void activationRequested();
  // A later start asked for the panel with these words in its search box.
  void searchRequested(const QString& words);

 private:
  void acceptConnections();

  QString name_;
  QLocalServer server_;
};

}  // namespace orvanta::app
