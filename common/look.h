#pragma once
// Fonts and colours shared by the windows.
#include <QColor>
#include <QFont>
#include <QString>

class QWidget;
class QGroupBox;

namespace look {

inline const QColor kLightYellow(255, 255, 192);
inline const QColor kLightOrange(255, 224, 192);
inline const QColor kBlue(128, 128, 255);
inline const QColor kRed(255, 0, 0);
inline const QColor kDarkBlue(0, 0, 192);

inline const QString kTimes = QStringLiteral("Times New Roman");
inline const QString kVerdana = QStringLiteral("Verdana");

QFont font(const QString &family, double points, bool bold = false, bool italic = false);

// Fills a widget's background with a colour.
void setBackground(QWidget *w, const QColor &colour);
// Sets a widget's text colour.
void setTextColour(QWidget *w, const QColor &colour);
// A frame whose caption is drawn in the given colour and font, on the given
// ground. The frame's children inherit that font and colour unless they are
// given their own (setOwnLook).
void styleFrame(QGroupBox *frame, const QColor &captionColour, const QFont &captionFont,
                const QColor &ground);
// A frame whose inside is exactly the given colour: the style's lines are
// drawn, but not the faint shade some styles (Fusion) lay over a group box.
void setFrameGround(QGroupBox *frame, const QColor &ground);

// Gives w the application's palette, so that it does not take its window's
// colours: menu bars and status bars keep the platform's usual look.
void setPlatformLook(QWidget *w);

// The font of buttons and text boxes: a sans-serif face at 8.25 points, of the
// width the layouts were drawn for (Arial's), whatever the desktop's font.
QFont controlFont();
// Gives w this font and the application's palette, every attribute set, so
// that nothing is inherited from its parent (such as a styled frame).
void setOwnLook(QWidget *w, const QFont &font = controlFont());

} // namespace look
