// The pictures of the window designs, kept as Qt resources under
// ":/artwork", each also drawn at twice its size under its name with "@2x"
// for screens of more than one device pixel to a pixel. A picture that is
// missing leaves its control empty.
#pragma once

#include <QPixmap>
#include <QString>

namespace orvanta::artwork {

inline const QString kForm1Background = QStringLiteral(":/artwork/form1_background.png");  // 814 x 2000
inline const QString kProgressStrip = QStringLiteral(":/artwork/progress_strip.png");      // 43 x 362
inline const QString kIconApplications = QStringLiteral(":/artwork/icon_applications.png");
inline const QString kIconAudio = QStringLiteral(":/artwork/icon_audio.png");
inline const QString kIconDocuments = QStringLiteral(":/artwork/icon_documents.png");
inline const QString kIconImages = QStringLiteral(":/artwork/icon_images.png");
inline const QString kIconPdfs = QStringLiteral(":/artwork/icon_pdfs.png");
inline const QString kIconRowDefault = QStringLiteral(":/artwork/icon_row_default.png");
inline const QString kCloseButton = QStringLiteral(":/artwork/close_button.png");              // 14 x 14
inline const QString kMenuButtonIdle = QStringLiteral(":/artwork/menu_button_idle.png");        // 46 x 22
inline const QString kMenuButtonPressed = QStringLiteral(":/artwork/menu_button_pressed.png");  // 46 x 22

// Reads one of the pictures above for the application's device pixel ratio
// (a null picture when it is missing). They are all PNG files, so the reader
// goes straight to PNG instead of asking every image plugin whether it knows
// the file.
QPixmap picture(const QString& name);

// The same for a given device pixel ratio: above 1 the "@2x" picture with
// that ratio set on it, so that it shows at the 1x picture's size, or the
// 1x picture when there is no "@2x" one.
QPixmap picture(const QString& name, qreal devicePixelRatio);

// The name of the "@2x" picture of `name` (":/artwork/x.png" gives
// ":/artwork/x@2x.png").
QString doubleSizeName(const QString& name);

}  // namespace orvanta::artwork
