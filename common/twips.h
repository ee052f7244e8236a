#pragma once
// Positions and sizes of the windows are written in twips (1/1440 inch), as
// the designers laid them out. These helpers turn them into device-independent
// pixels at the screen's logical resolution.
#include <QRect>
#include <QSize>

class QWidget;

namespace twips {

// Logical dots per inch used for the conversion (the primary screen's; 96 when
// there is no screen yet).
double logicalDpi();

int toPixels(int twips);
QRect rect(int left, int top, int width, int height);
QSize size(int width, int height);

// Places a control at (left, top) with the given size, all in twips.
void place(QWidget *w, int left, int top, int width, int height);
// Fixes a window's client area to the given size in twips.
void fixClientSize(QWidget *w, int width, int height);

} // namespace twips
