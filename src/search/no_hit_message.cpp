// Reading the service's suggestion and wording the message.
#include "no_hit_message.h"

#include <QCoreApplication>

#include <array>
#include <utility>

namespace orvanta::search {
namespace {

// The escapes the service writes in an attribute value.
const std::array<std::pair<QStringView, QChar>, 5> kEscapes{{
    {u"&amp;", u'&'},
    {u"&lt;", u'<'},
    {u"&gt;", u'>'},
    {u"&quot;", u'"'},
    {u"&#39;", u'\''},
}};

// One pass from left to right, so that "&amp;lt;" stays "&lt;".
QString decodeAttribute(QStringView value) {
  QString decoded;
  decoded.reserve(value.size());
  qsizetype i = 0;
  while (i < value.size()) {
    bool replaced = false;
    if (value[i] == u'&') {
      for (const auto& [escape, character] : kEscapes) {
        if (value.mid(i).startsWith(escape)) {
          decoded.append(character);
          i += escape.size();
          replaced = true;
          break;
        }
      }
    }
    if (!replaced) decoded.append(value[i++]);
  }
  return decoded;
}

}  // namespace

QString suggestionInPage(const QString& page) {
  static const QString kAttribute = QStringLiteral("data-suggestion=\"");
  qsizetype from = 0;
  while (true) {
    const qsizetype at = page.indexOf(kAttribute, from);
    if (at < 0) return QString();
    from = at + 1;
    // An attribute stands after a blank; the same letters inside another
    // name are not it.
    if (at > 0 && !page[at - 1].isSpace()) continue;
    const qsizetype start = at + kAttribute.size();
    const qsizetype end = page.indexOf(u'"', start);
    if (end < 0) return QString();
    return decodeAttribute(QStringView(page).mid(start, end - start));
  }
}

QString noHitMessage(const QString& words, const QString& suggestion) {
  QString message = QCoreApplication::translate("Form1", "No files match \"%1\".").arg(words);
  if (!suggestion.isEmpty()) {
    message += QLatin1Char(' ') + QCoreApplication::translate("Form1", "Did you mean \"%1\"?").arg(suggestion);
  }
  return message;
}

}  // namespace orvanta::search
