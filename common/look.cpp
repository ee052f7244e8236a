#include "common/look.h"

#include <QApplication>
#include <QGroupBox>
#include <QPalette>
#include <QWidget>

namespace look {

QFont font(const QString &family, double points, bool bold, bool italic)
{
    QFont f(family);
    f.setPointSizeF(points);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

void setBackground(QWidget *w, const QColor &colour)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, colour);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

void setTextColour(QWidget *w, const QColor &colour)
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, colour);
    p.setColor(QPalette::Text, colour);
    w->setPalette(p);
}

void styleFrame(QGroupBox *frame, const QColor &captionColour, const QFont &captionFont,
                const QColor &ground)
{
    // The caption takes the frame's font and WindowText colour.
    frame->setFont(captionFont);
    QPalette p = frame->palette();
    p.setColor(QPalette::WindowText, captionColour);
    p.setColor(QPalette::Window, ground);
    frame->setPalette(p);
    frame->setAutoFillBackground(true);
}

QFont controlFont()
{
    QFont f = font(QStringLiteral("Arial"), 8.25);
    f.setStyleHint(QFont::SansSerif);
    return f;
}

void setOwnLook(QWidget *w, const QFont &font)
{
    QFont f = font;
    f.setResolveMask(QFont::AllPropertiesResolved);
    w->setFont(f);
    QPalette p = QApplication::palette();
    p.setResolveMask(~QPalette::ResolveMask(0));
    w->setPalette(p);
}

} // namespace look
