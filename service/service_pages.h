// The pages the local search service answers with, and the reading of the
// words out of a search address's query.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace orvanta::service {

// The words of the "q" parameter of `query` (the part after "?", still
// percent-encoded): percent-decoded as UTF-8, then split on "+" and blanks.
QStringList queryWords(const QString& query);

// A path as it stands in a title attribute: "'" as "&#39;", a double quote
// as "&quot;", nothing else changed.
QString titleText(const QString& path);

// The path a result page carries for the hit `path` (the file system's
// bytes), or nothing when no marker can carry it: the program reading the
// page takes each title's text up to the next double quote, decodes only
// "&#39;" and "&quot;", reads the page as UTF-8, and looks for markers
// inside titles as well. So a path that is not valid UTF-8 is carried as the
// nearest folder above it whose path is, and a path holding the marker text,
// "&#39;" or "&quot;" is not carried.
std::optional<QString> carriedPath(const QByteArray& path);

QByteArray homePage(const QString& securityCode);
// The hits in their order, each carried path once. A page without hits
// may carry a suggestion of other words: an element whose attribute
// data-suggestion holds them (blank separated, with "&", "<", ">", the
// double quote and "'" written "&amp;", "&lt;", "&gt;", "&quot;" and
// "&#39;"). A suggestion holding the marker text is left off.
QByteArray resultPage(const QString& securityCode, const QStringList& words, const QList<QByteArray>& hits,
                      const QStringList& suggestion = {});
QByteArray okPage(const QString& url);
QByteArray unsupportedPage();
QByteArray forbiddenPage();
// The answer to a request addressed to another host name than this
// machine's loopback names.
QByteArray forbiddenHostPage();
QByteArray notFoundPage();

}  // namespace orvanta::service
