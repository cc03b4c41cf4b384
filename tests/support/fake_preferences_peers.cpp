// Recording peers of the preferences window.
#include "fake_preferences_peers.h"

#include <QWidget>

namespace orvanta::testing {

void FakePreferencesPeers::moveResults(int newLeft, int newTop) {
  left = newLeft;
  top = newTop;
  log_ << QStringLiteral("moveResults %1 %2").arg(newLeft).arg(newTop);
}

void FakePreferencesPeers::showResults() {
  resultsVisible = true;
  log_ << QStringLiteral("showResults");
}

void FakePreferencesPeers::setResultsEnabled(bool enabled) {
  resultsEnabled = enabled;
  log_ << QStringLiteral("setResultsEnabled %1").arg(enabled);
}

void FakePreferencesPeers::clearPreferencesOpen() {
  preferencesOpen = false;
  log_ << QStringLiteral("clearPreferencesOpen");
}

void FakePreferencesPeers::moveMenuButton(int newLeft, int newTop) {
  button = QPoint(newLeft, newTop);
  log_ << QStringLiteral("moveMenuButton %1 %2").arg(newLeft).arg(newTop);
}

void FakePreferencesPeers::loadBackdrop() {
  backdropLoaded = true;
  log_ << QStringLiteral("loadBackdrop");
}

void FakePreferencesPeers::moveBackdrop(int newLeft, int newTop, int newWidth, int newHeight) {
  backdrop = QRect(newLeft, newTop, newWidth, newHeight);
  log_ << QStringLiteral("moveBackdrop %1 %2 %3 %4").arg(newLeft).arg(newTop).arg(newWidth).arg(newHeight);
}

void FakePreferencesPeers::showBackdrop() {
  backdropVisible = true;
  log_ << QStringLiteral("showBackdrop");
}

void FakePreferencesPeers::unloadBackdrop() {
  backdropLoaded = false;
  backdropVisible = false;
  log_ << QStringLiteral("unloadBackdrop");
}

void FakePreferencesPeers::keepOnTop(QWidget& window) {
  log_ << QStringLiteral("keepOnTop %1").arg(window.objectName());
}

}  // namespace orvanta::testing
