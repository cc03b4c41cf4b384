// OpenResult and OpenViaExplorer.
#include "open_result.h"

namespace orvanta::results_window {
namespace {

constexpr qint32 kPreferencesRow = 999;

const QString kClassesCommandKey = QStringLiteral("\\Shell\\Open\\Command");

void showPreferencesAndDisable(OpenHitContext& context) {
  if (context.showPreferences) context.showPreferences();
  if (context.disableForm1) context.disableForm1();
}

void closeWindows(OpenHitContext& context) {
  if (context.closeForm) context.closeForm();
}

}  // namespace

QStringList OpenCommandLines(const QString& openCommand, const QString& path) {
  QStringList lines;
  if (openCommand.contains(QStringLiteral("%1"))) {
    lines << QString(openCommand).replace(QStringLiteral("%1"), path);
  }
  if (openCommand.contains(QStringLiteral("%L"), Qt::CaseInsensitive)) {
    lines << QString(openCommand).replace(QStringLiteral("%L"), path, Qt::CaseInsensitive);
  }
  return lines;
}

OpenLookup OpenResult(qint32 row, const std::optional<QString>& fileNameToolTip, OpenHitContext& context) {
  if (row == kPreferencesRow) {
    context.PreferencesOpen = true;
    showPreferencesAndDisable(context);
    return {};
  }
  OpenLookup lookup;
  if (fileNameToolTip) {
    const QString& path = *fileNameToolTip;
    const QString extension = context.getExtensionName ? context.getExtensionName(path) : QString();
    const auto classesRoot = platform::RegRoot::ClassesRoot;
    lookup.FileTypeKey = context.regKeys.ReadRegValue(classesRoot, QStringLiteral(".") + extension, QString());
    lookup.OpenCommand =
        context.regKeys.ReadRegValue(classesRoot, lookup.FileTypeKey + kClassesCommandKey, QString());
    lookup.OpenCommand.replace(QStringLiteral("%SYSTEMROOT%"), context.WindowsDirectory, Qt::CaseInsensitive);
    for (const QString& commandLine : OpenCommandLines(lookup.OpenCommand, path)) {
      context.programStart.start(commandLine, platform::kWindowNormalFocus);
    }
  }
  closeWindows(context);
  return lookup;
}

void OpenViaExplorer(qint32 row, const std::optional<QString>& fileNameToolTip, OpenHitContext& context) {
  if (row == kPreferencesRow) {
    showPreferencesAndDisable(context);
    return;
  }
  if (fileNameToolTip) {
    context.programStart.start(QStringLiteral("c:\\windows\\explorer.exe ") + *fileNameToolTip,
                               platform::kWindowMinimizedFocus);
  }
  closeWindows(context);
}

}  // namespace orvanta::results_window
