#pragma once
// Controls inside a styled frame would inherit the frame caption's font and
// colour; these give a control its own, every attribute set, so that nothing
// is inherited from the frame.
#include <QFont>

class QWidget;

namespace ownlook {

// The font of buttons and text boxes: a sans-serif face at 8.25 points.
QFont controlFont();
// Gives w this font and the application's palette, neither inherited from its
// parent.
void setOwnLook(QWidget *w, const QFont &font = controlFont());

} // namespace ownlook
