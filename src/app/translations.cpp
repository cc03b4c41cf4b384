// Loading Qt's translations from its own folder and the program's from
// the resources built into it.
#include "translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace orvanta::app {
namespace {

void install(QCoreApplication& app, const QString& name, const QString& folder) {
  auto* translator = new QTranslator(&app);
  if (translator->load(QLocale(), name, QStringLiteral("_"), folder)) {
    app.installTranslator(translator);
  } else {
    delete translator;
  }
}

}  // namespace

void installTranslations(QCoreApplication& app) {
  install(app, QStringLiteral("qt"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
  install(app, QStringLiteral("orvanta"), QStringLiteral(":/i18n"));
}

}  // namespace orvanta::app
