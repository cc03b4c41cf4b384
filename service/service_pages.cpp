// Page texts of the local search service. Text outside the title
// attributes is fully escaped, so that no other part of a page can look
// like a hit to a reader of the titles.
#include "service_pages.h"

#include <QRegularExpression>
#include <QUrl>

namespace orvanta::service {

namespace {

QString escaped(const QString& text) {
  QString out = text.toHtmlEscaped();
  out.replace(u'\'', QStringLiteral("&#39;"));
  out.replace(u'=', QStringLiteral("&#61;"));
  return out;
}

QByteArray page(const QString& title, const QString& body) {
  return (QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>") + escaped(title) +
          QStringLiteral("</title></head>\n<body>\n") + body + QStringLiteral("</body></html>\n"))
      .toUtf8();
}

QString okLink(const QString& target, const QString& text) {
  return QStringLiteral("<a href=\"/ok?url=") + QString::fromLatin1(QUrl::toPercentEncoding(target)) +
         QStringLiteral("\">") + escaped(text) + QStringLiteral("</a>");
}

QString searchForm(const QString& securityCode, const QString& words) {
  return QStringLiteral("<form method=\"get\" action=\"/search&amp;s=") + securityCode +
         QStringLiteral("\"><input type=\"text\" name=\"q\" value=\"") + escaped(words) +
         QStringLiteral("\"><input type=\"hidden\" name=\"ie\" value=\"UTF-8\">"
                        "<input type=\"submit\" value=\"Search\"></form>\n");
}

}  // namespace

QStringList queryWords(const QString& query) {
  for (const QString& parameter : query.split(u'&')) {
    if (!parameter.startsWith(QStringLiteral("q="))) continue;
    const QString value = QString::fromUtf8(QByteArray::fromPercentEncoding(parameter.mid(2).toUtf8()));
    static const QRegularExpression separators(QStringLiteral("[+\\s]+"));
    return value.split(separators, Qt::SkipEmptyParts);
  }
  return {};
}

QString titleText(const QString& path) {
  QString out = path;
  out.replace(u'\'', QStringLiteral("&#39;"));
  out.replace(u'"', QStringLiteral("&quot;"));
  return out;
}

QByteArray homePage(const QString& securityCode) {
  return page(QStringLiteral("Local search"),
              QStringLiteral("<h1>Local search</h1>\n") + searchForm(securityCode, QString()) + QStringLiteral("<p>") +
                  okLink(QStringLiteral("/"), QStringLiteral("Home")) + QStringLiteral("</p>\n"));
}

std::optional<QString> carriedPath(const QByteArray& path) {
  QByteArrayView bytes(path);
  while (!bytes.isValidUtf8()) {
    const qsizetype cut = bytes.lastIndexOf('/');
    if (cut < 0) return std::nullopt;
    bytes = bytes.first(cut == 0 ? 1 : cut);
  }
  if (bytes.isEmpty() || bytes.contains("span title=") || bytes.contains("&#39;") ||
      bytes.contains("&quot;")) {
    return std::nullopt;
  }
  return QString::fromUtf8(bytes);
}

QByteArray resultPage(const QString& securityCode, const QStringList& words, const QList<QByteArray>& hits,
                      const QStringList& suggestion) {
  QStringList carried;
  for (const QByteArray& hit : hits) {
    const std::optional<QString> path = carriedPath(hit);
    if (path && !carried.contains(*path)) carried.append(*path);
  }
  QString body = QStringLiteral("<h1>Local search</h1>\n") + searchForm(securityCode, words.join(u' ')) +
                 QStringLiteral("<p>") + QString::number(carried.size()) + QStringLiteral(" results. ") +
                 okLink(QStringLiteral("/"), QStringLiteral("Home")) + QStringLiteral("</p>\n<ol>\n");
  for (const QString& hit : carried) {
    const qsizetype cut = hit.lastIndexOf(u'/');
    const QString name = cut < 0 || hit.size() == 1 ? hit : hit.mid(cut + 1);
    body += QStringLiteral("<li><span title=\"") + titleText(hit) + QStringLiteral("\">") + escaped(name) +
            QStringLiteral("</span></li>\n");
  }
  body += QStringLiteral("</ol>\n");
  const QString suggested = suggestion.join(u' ');
  if (carried.isEmpty() && !suggested.isEmpty() && !suggested.contains(QStringLiteral("span title="))) {
    QString value = suggested.toHtmlEscaped();
    value.replace(u'\'', QStringLiteral("&#39;"));
    body += QStringLiteral("<p data-suggestion=\"") + value + QStringLiteral("\">Did you mean ") + escaped(suggested) +
            QStringLiteral("?</p>\n");
  }
  return page(QStringLiteral("Local search"), body);
}

QByteArray okPage(const QString& url) {
  return page(QStringLiteral("Local search"), QStringLiteral("<p>Go on to ") + escaped(url) + QStringLiteral(". ") +
                                                  okLink(QStringLiteral("/"), QStringLiteral("Home")) +
                                                  QStringLiteral("</p>\n"));
}

QByteArray unsupportedPage() {
  return page(QStringLiteral("Local search"),
              QStringLiteral("<p>This address is not supported. ") + okLink(QStringLiteral("/"), QStringLiteral("Home")) +
                  QStringLiteral("</p>\n"));
}

QByteArray forbiddenPage() {
  return page(QStringLiteral("Forbidden"), QStringLiteral("<p>Forbidden: this address needs the service's code.</p>\n"));
}

QByteArray forbiddenHostPage() {
  return page(QStringLiteral("Forbidden"),
              QStringLiteral("<p>Forbidden: this service answers only addresses of this machine's loopback "
                             "interface.</p>\n"));
}

QByteArray notFoundPage() { return page(QStringLiteral("Not found"), QStringLiteral("<p>Not found.</p>\n")); }

}  // namespace orvanta::service
