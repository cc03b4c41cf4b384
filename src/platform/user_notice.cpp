// The message box every system's notices fall back on.
#include "user_notice.h"

#include <QMessageBox>

namespace orvanta::platform {

void showNoticeBox(const QString& summary, const QString& body) {
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Orvanta"), summary, QMessageBox::Ok);
  box.setInformativeText(body);
  box.setTextFormat(Qt::PlainText);
  // The panel and the button stay above other windows; so does this box.
  box.setWindowFlag(Qt::WindowStaysOnTopHint);
  box.exec();
}

}  // namespace orvanta::platform
