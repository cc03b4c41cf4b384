// The private bus of the tests.
#include "notification_stand_in.h"

#include <QFile>

namespace orvanta::testing {

PrivateBus::PrivateBus(const QString& serviceFolder) {
  const QString config = folder_.filePath(QStringLiteral("bus.conf"));
  QFile file(config);
  if (!file.open(QIODevice::WriteOnly)) return;
  file.write(
      "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
      " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
      "<busconfig><type>session</type><listen>unix:dir=" +
      QFile::encodeName(folder_.path()) + "</listen>" +
      (serviceFolder.isEmpty() ? QByteArray() : "<servicedir>" + QFile::encodeName(serviceFolder) + "</servicedir>") +
      "<auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\" "
      "eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n");
  file.close();
  daemon_.start(QStringLiteral("dbus-daemon"),
                {QStringLiteral("--config-file=") + config, QStringLiteral("--print-address"),
                 QStringLiteral("--nofork"), QStringLiteral("--nopidfile")});
  if (!daemon_.waitForStarted()) return;
  while (!daemon_.canReadLine() && daemon_.waitForReadyRead(10000)) {
  }
  address_ = QString::fromUtf8(daemon_.readLine().trimmed());
}

PrivateBus::~PrivateBus() {
  daemon_.kill();
  daemon_.waitForFinished();
}

}  // namespace orvanta::testing
