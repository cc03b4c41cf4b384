// The two interfaces of the search provider's object, their introspection
// and the queue of calls.
#include "provider_object.h"

#include <QDBusMetaType>
#include <QUrl>

namespace orvanta::search_provider {
namespace {

// KRunner's match types: a possible match is listed among the others.
constexpr int kPossibleMatch = 30;

constexpr char kIntrospection[] = R"xml(
  <interface name="org.gnome.Shell.SearchProvider2">
    <method name="GetInitialResultSet">
      <arg type="as" name="terms" direction="in"/>
      <arg type="as" name="results" direction="out"/>
    </method>
    <method name="GetSubsearchResultSet">
      <arg type="as" name="previous_results" direction="in"/>
      <arg type="as" name="terms" direction="in"/>
      <arg type="as" name="results" direction="out"/>
    </method>
    <method name="GetResultMetas">
      <arg type="as" name="identifiers" direction="in"/>
      <arg type="aa{sv}" name="metas" direction="out"/>
    </method>
    <method name="ActivateResult">
      <arg type="s" name="identifier" direction="in"/>
      <arg type="as" name="terms" direction="in"/>
      <arg type="u" name="timestamp" direction="in"/>
    </method>
    <method name="LaunchSearch">
      <arg type="as" name="terms" direction="in"/>
      <arg type="u" name="timestamp" direction="in"/>
    </method>
  </interface>
  <interface name="org.kde.krunner1">
    <method name="Actions">
      <arg type="a(sss)" name="matches" direction="out"/>
    </method>
    <method name="Match">
      <arg type="s" name="query" direction="in"/>
      <arg type="a(sssida{sv})" name="matches" direction="out"/>
    </method>
    <method name="Run">
      <arg type="s" name="matchId" direction="in"/>
      <arg type="s" name="actionId" direction="in"/>
    </method>
  </interface>
)xml";

QStringList ids(const QList<ProviderHit>& hits) {
  QStringList out;
  for (const ProviderHit& hit : hits) out << hit.id;
  return out;
}

QDBusMessage badArguments(const QDBusMessage& message) {
  return message.createErrorReply(
      QDBusError::InvalidArgs,
      QStringLiteral("%1 does not take the arguments (%2)").arg(message.member(), message.signature()));
}

}  // namespace

QDBusArgument& operator<<(QDBusArgument& argument, const RunnerAction& action) {
  argument.beginStructure();
  argument << action.id << action.text << action.icon;
  argument.endStructure();
  return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, RunnerAction& action) {
  argument.beginStructure();
  argument >> action.id >> action.text >> action.icon;
  argument.endStructure();
  return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const RunnerMatch& match) {
  argument.beginStructure();
  argument << match.id << match.text << match.icon << match.type << match.relevance << match.properties;
  argument.endStructure();
  return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, RunnerMatch& match) {
  argument.beginStructure();
  argument >> match.id >> match.text >> match.icon >> match.type >> match.relevance >> match.properties;
  argument.endStructure();
  return argument;
}

void registerProviderTypes() {
  qDBusRegisterMetaType<RunnerAction>();
  qDBusRegisterMetaType<QList<RunnerAction>>();
  qDBusRegisterMetaType<RunnerMatch>();
  qDBusRegisterMetaType<QList<RunnerMatch>>();
  qDBusRegisterMetaType<QList<QVariantMap>>();
}

ProviderObject::ProviderObject(DesktopSearch& search, QObject* parent) : QDBusVirtualObject(parent), search_(search) {}

QString ProviderObject::introspect(const QString&) const { return QString::fromLatin1(kIntrospection); }

bool ProviderObject::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
  if (message.type() != QDBusMessage::MethodCallMessage) return false;
  const QString interface = message.interface();
  if (!interface.isEmpty() && interface != QLatin1String(kGnomeInterface) &&
      interface != QLatin1String(kKRunnerInterface)) {
    return false;
  }
  emit called();
  waiting_.push_back(Call{message, connection});
  // A call that comes while another is answered (its search lets the
  // event loop run) is answered after it, by the loop below.
  if (running_) return true;
  running_ = true;
  while (!waiting_.empty()) {
    const Call call = waiting_.front();
    waiting_.pop_front();
    answer(call);
  }
  running_ = false;
  return true;
}

void ProviderObject::answer(const Call& call) {
  const QDBusMessage& message = call.message;
  const QString interface = message.interface();
  const QString member = message.member();
  // A call without an interface goes to whichever names the method.
  static const QStringList krunnerMethods{QStringLiteral("Actions"), QStringLiteral("Match"), QStringLiteral("Run")};
  const bool krunner =
      interface == QLatin1String(kKRunnerInterface) || (interface.isEmpty() && krunnerMethods.contains(member));
  QDBusMessage reply = krunner ? krunnerReply(message) : gnomeReply(message);
  if (message.isReplyRequired() || reply.type() == QDBusMessage::ErrorMessage) {
    QDBusConnection(call.connection).send(reply);
  }
}

QDBusMessage ProviderObject::gnomeReply(const QDBusMessage& message) {
  const QString member = message.member();
  const QString signature = message.signature();
  const QVariantList arguments = message.arguments();
  if (member == QLatin1String("GetInitialResultSet")) {
    if (signature != QLatin1String("as")) return badArguments(message);
    return message.createReply(ids(search_.search(DesktopSearch::wordsOf(arguments[0].toStringList()))));
  }
  if (member == QLatin1String("GetSubsearchResultSet")) {
    // The service searches again: a narrower search may find hits the
    // first one left off its page.
    if (signature != QLatin1String("asas")) return badArguments(message);
    return message.createReply(ids(search_.search(DesktopSearch::wordsOf(arguments[1].toStringList()))));
  }
  if (member == QLatin1String("GetResultMetas")) {
    if (signature != QLatin1String("as")) return badArguments(message);
    QList<QVariantMap> metas;
    for (const QString& id : arguments[0].toStringList()) {
      const ProviderHit hit = search_.describe(id);
      QVariantMap meta{{QStringLiteral("id"), hit.id},
                       {QStringLiteral("name"), hit.name},
                       {QStringLiteral("description"), hit.id},
                       {QStringLiteral("gicon"), hit.icon}};
      metas << meta;
    }
    return message.createReply(QVariant::fromValue(metas));
  }
  if (member == QLatin1String("ActivateResult")) {
    if (signature != QLatin1String("sasu")) return badArguments(message);
    search_.open(arguments[0].toString());
    return message.createReply();
  }
  if (member == QLatin1String("LaunchSearch")) {
    if (signature != QLatin1String("asu")) return badArguments(message);
    search_.showPanel(DesktopSearch::wordsOf(arguments[0].toStringList()));
    return message.createReply();
  }
  return message.createErrorReply(QDBusError::UnknownMethod, QStringLiteral("No method %1").arg(member));
}

QDBusMessage ProviderObject::krunnerReply(const QDBusMessage& message) {
  const QString member = message.member();
  const QString signature = message.signature();
  const QVariantList arguments = message.arguments();
  if (member == QLatin1String("Actions")) {
    if (!signature.isEmpty()) return badArguments(message);
    const QList<RunnerAction> actions{
        {QString::fromLatin1(kOpenSearchAction), QStringLiteral("Show in Orvanta"), QStringLiteral("edit-find")}};
    return message.createReply(QVariant::fromValue(actions));
  }
  if (member == QLatin1String("Match")) {
    if (signature != QLatin1String("s")) return badArguments(message);
    lastKRunnerQuery_ = arguments[0].toString().simplified();
    const QList<ProviderHit> hits = search_.search(lastKRunnerQuery_);
    QList<RunnerMatch> matches;
    for (qsizetype i = 0; i < hits.size(); ++i) {
      const ProviderHit& hit = hits[i];
      // The panel's order, kept by falling relevance.
      const double relevance = 1.0 - 0.5 * double(i) / double(hits.size());
      matches << RunnerMatch{hit.id,
                             hit.name,
                             hit.icon,
                             kPossibleMatch,
                             relevance,
                             {{QStringLiteral("subtext"), hit.id},
                              {QStringLiteral("category"), hit.group},
                              {QStringLiteral("urls"), QStringList{QUrl::fromLocalFile(hit.id).toString()}}}};
    }
    return message.createReply(QVariant::fromValue(matches));
  }
  if (member == QLatin1String("Run")) {
    if (signature != QLatin1String("ss")) return badArguments(message);
    if (arguments[1].toString() == QLatin1String(kOpenSearchAction)) {
      search_.showPanel(lastKRunnerQuery_);
    } else {
      search_.open(arguments[0].toString());
    }
    return message.createReply();
  }
  return message.createErrorReply(QDBusError::UnknownMethod, QStringLiteral("No method %1").arg(member));
}

}  // namespace orvanta::search_provider
