// The search provider's one D-Bus object: GNOME Shell's search provider
// interface (org.gnome.Shell.SearchProvider2) and KRunner's runner
// interface (org.kde.krunner1) over the desktop search. Calls are answered
// one after another in the order they came: a search waits on the service
// with the event loop running, and calls that arrive meanwhile wait their
// turn instead of starting a second search inside the first.
#pragma once

#include "desktop_search.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QList>
#include <QMetaType>
#include <QVariantMap>

#include <deque>

namespace orvanta::search_provider {

inline constexpr char kBusName[] = "org.orvanta.Orvanta.SearchProvider";
inline constexpr char kObjectPath[] = "/org/orvanta/Orvanta/SearchProvider";
inline constexpr char kGnomeInterface[] = "org.gnome.Shell.SearchProvider2";
inline constexpr char kKRunnerInterface[] = "org.kde.krunner1";
// KRunner's action that shows the words in the program's panel.
inline constexpr char kOpenSearchAction[] = "open-search";

// KRunner's action description: id, text, icon name.
struct RunnerAction {
  QString id;
  QString text;
  QString icon;
};

// KRunner's match: id, text, icon name, type, relevance, properties.
struct RunnerMatch {
  QString id;
  QString text;
  QString icon;
  int type = 0;
  double relevance = 0;
  QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const RunnerAction& action);
const QDBusArgument& operator>>(const QDBusArgument& argument, RunnerAction& action);
QDBusArgument& operator<<(QDBusArgument& argument, const RunnerMatch& match);
const QDBusArgument& operator>>(const QDBusArgument& argument, RunnerMatch& match);

// Registers the D-Bus types of the replies; once, before the first call.
void registerProviderTypes();

class ProviderObject : public QDBusVirtualObject {
  Q_OBJECT

 public:
  explicit ProviderObject(DesktopSearch& search, QObject* parent = nullptr);

  QString introspect(const QString& path) const override;
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

  // Whether a call is being answered or waits for its turn.
  bool busy() const { return running_ || !waiting_.empty(); }

 signals:
  // A call came (the program ends after a while without any).
  void called();

 private:
  struct Call {
    QDBusMessage message;
    QDBusConnection connection;
  };
  void answer(const Call& call);
  QDBusMessage gnomeReply(const QDBusMessage& message);
  QDBusMessage krunnerReply(const QDBusMessage& message);

  DesktopSearch& search_;
  std::deque<Call> waiting_;
  bool running_ = false;
  // The words of KRunner's last query, which its "open search" action shows.
  QString lastKRunnerQuery_;
};

}  // namespace orvanta::search_provider

Q_DECLARE_METATYPE(orvanta::search_provider::RunnerAction)
Q_DECLARE_METATYPE(orvanta::search_provider::RunnerMatch)
