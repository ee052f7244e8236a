#include "app/ownlook.h"

#include "common/look.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>

namespace ownlook {

QFont controlFont()
{
    // A face of the width the layout was drawn for (Arial metrics), whatever
    // the desktop's own font.
    QFont f = look::font(QStringLiteral("Arial"), 8.25);
    f.setStyleHint(QFont::SansSerif);
    f.setUnderline(false);
    f.setStrikeOut(false);
    f.setWeight(QFont::Normal);
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

} // namespace ownlook
