// Writes a run of values into a registry file, one call per value, so tests
// can run several writers at once against the same file.
#include "platform/file_registry.h"
#include "settings/reg_keys.h"

#include <QCommandLineParser>
#include <QCoreApplication>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCommandLineParser parser;
  parser.addHelpOption();
  const QCommandLineOption fileOption(QStringLiteral("file"), QStringLiteral("Registry file."), QStringLiteral("path"));
  const QCommandLineOption prefixOption(QStringLiteral("prefix"), QStringLiteral("Value name prefix."),
                                        QStringLiteral("text"));
  const QCommandLineOption countOption(QStringLiteral("count"), QStringLiteral("Values to write."),
                                       QStringLiteral("n"), QStringLiteral("20"));
  parser.addOptions({fileOption, prefixOption, countOption});
  parser.process(app);

  orvanta::platform::FileRegistry registry(parser.value(fileOption));
  const orvanta::settings::RegKeys regKeys(registry);
  const int count = parser.value(countOption).toInt();
  int failures = 0;
  for (int i = 0; i < count; ++i) {
    const QString name = parser.value(prefixOption) + QString::number(i);
    if (!regKeys.WriteRegValue(orvanta::platform::RegRoot::LocalMachine, QStringLiteral("Software\\Orvanta"), name,
                               name + QStringLiteral("-value"))) {
      ++failures;
    }
  }
  return failures == 0 ? 0 : 1;
}
