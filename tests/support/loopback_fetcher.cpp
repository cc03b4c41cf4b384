// Loopback-only page fetch over QNetworkAccessManager.
#include "loopback_fetcher.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QTimer>
#include <QUrl>

namespace orvanta::testing {

std::optional<QString> fetchLoopbackPage(const QString& address) {
  const QUrl url(address);
  const QString host = url.host();
  const bool loopback = host == QLatin1String("localhost") || QHostAddress(host).isLoopback();
  if (!url.isValid() || url.scheme() != QLatin1String("http") || !loopback) return std::nullopt;

  QNetworkAccessManager manager;
  manager.setProxy(QNetworkProxy::NoProxy);
  QNetworkRequest request(url);
  request.setTransferTimeout(60000);
  QNetworkReply* reply = manager.get(request);
  QEventLoop loop;
  QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
  loop.exec();
  const bool ok = reply->error() == QNetworkReply::NoError;
  const QByteArray body = reply->readAll();
  delete reply;
  if (!ok) return std::nullopt;
  return QString::fromUtf8(body);
}

}  // namespace orvanta::testing
