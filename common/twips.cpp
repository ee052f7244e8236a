#include "common/twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace twips {

double logicalDpi()
{
    if (auto *screen = QGuiApplication::primaryScreen())
        return screen->logicalDotsPerInch();
    return 96.0;
}

int toPixels(int twips)
{
    return static_cast<int>(std::lround(twips * logicalDpi() / 1440.0));
}

QRect rect(int left, int top, int width, int height)
{
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

QSize size(int width, int height)
{
    return QSize(toPixels(width), toPixels(height));
}

void place(QWidget *w, int left, int top, int width, int height)
{
    w->setGeometry(rect(left, top, width, height));
}

void fixClientSize(QWidget *w, int width, int height)
{
    w->setFixedSize(size(width, height));
}

} // namespace twips
