// The pages the local search service answers with, and the reading of the
// words out of a search address's query.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace orvanta::service {

// The words of the "q" parameter of `query` (the part after "?", still
// percent-encoded): percent-decoded as UTF-8, then split on "+" and blanks.
QStringList queryWords(const QString& query);

// A path as it stands in a title attribute: "'" as "&#39;", a double quote
// as "&quot;", nothing else changed.
QString titleText(const QString& path);

QByteArray homePage(const QString& securityCode);
QByteArray resultPage(const QString& securityCode, const QStringList& words, const QStringList& hits);
QByteArray okPage(const QString& url);
QByteArray unsupportedPage();
QByteArray forbiddenPage();
QByteArray notFoundPage();

}  // namespace orvanta::service
