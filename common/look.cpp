#include "common/look.h"

#include <QApplication>
#include <QGroupBox>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>
#include <QWidget>

namespace look {
namespace {

// The application's style, except that a group box's frame keeps only its
// lines: the pixels the style lays almost transparent over the inside (a
// shade of alpha 3, and 7 for its inner edge, in Fusion) are left out, so the
// ground shows exactly. The lines themselves are at alpha 30 and more.
class FrameGroundStyle : public QProxyStyle
{
public:
    FrameGroundStyle() : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {}

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget) const override
    {
        if (element != PE_FrameGroupBox || option->rect.isEmpty()) {
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            return;
        }
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        const QString key = QStringLiteral("%1x%2@%3/%4/%5/%6")
                                .arg(option->rect.width())
                                .arg(option->rect.height())
                                .arg(ratio)
                                .arg(int(option->state))
                                .arg(option->fontMetrics.height())
                                .arg(widget ? widget->property("title").toString().isEmpty() : 0);
        QImage image = m_cache.value(key);
        if (image.isNull()) {
            image = QImage(option->rect.size() * ratio, QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(ratio);
            image.fill(Qt::transparent);
            {
                QPainter p(&image);
                p.translate(-option->rect.topLeft());
                QProxyStyle::drawPrimitive(element, option, &p, widget);
            }
            for (int y = 0; y < image.height(); ++y) {
                auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
                for (int x = 0; x < image.width(); ++x)
                    if (qAlpha(line[x]) < kFaintestLine)
                        line[x] = 0;
            }
            if (m_cache.size() > 32)
                m_cache.clear();
            m_cache.insert(key, image);
        }
        painter->drawImage(option->rect.topLeft(), image);
    }

private:
    static constexpr int kFaintestLine = 12;
    mutable QHash<QString, QImage> m_cache;
};

QStyle *frameGroundStyle()
{
    static QPointer<QStyle> style;
    if (!style) {
        style = new FrameGroundStyle;
        style->setParent(qApp);
    }
    return style;
}

} // namespace

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
    setFrameGround(frame, ground);
    QPalette p = frame->palette();
    p.setColor(QPalette::WindowText, captionColour);
    frame->setPalette(p);
}

void setFrameGround(QGroupBox *frame, const QColor &ground)
{
    frame->setStyle(frameGroundStyle());
    QPalette p = frame->palette();
    p.setColor(QPalette::Window, ground);
    frame->setPalette(p);
    frame->setAutoFillBackground(true);
}

void setPlatformLook(QWidget *w)
{
    QPalette p = QApplication::palette();
    p.setResolveMask(~QPalette::ResolveMask(0));
    w->setPalette(p);
    w->setAutoFillBackground(true);
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
