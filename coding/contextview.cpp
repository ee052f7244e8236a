#include "coding/contextview.h"

#include "coding/session.h"
#include "common/look.h"
#include "common/twips.h"
#include "store/codingstore.h"
#include "store/segmentwindow.h"
#include "store/storeerror.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>
#include <QTextDocument>
#include <QTimer>
#include <QToolTip>

#include <algorithm>

namespace coding {
namespace {

const QColor kCurrentGround(255, 232, 150); // the current segment, as a marker pen would
const QColor kQuieter(105, 105, 105);       // the other segments, readable but greyer
const QColor kCodedMark(40, 140, 60);       // the mark of a coded segment

// Room left of the text for the coded mark, and the mark itself (twips).
constexpr int kMarkRoomTwips = 180;
constexpr int kMarkLeftTwips = 30;
constexpr int kMarkWidthTwips = 45;
// Space between segments, and before one that starts a line of the text.
constexpr int kSegmentGapTwips = 30;
constexpr int kLineGapTwips = 120;

bool isLineEnd(QChar c)
{
    return c == QLatin1Char('\r') || c == QLatin1Char('\n');
}

// A segment's text as one paragraph of the view: the line ends inside it as
// line breaks of that paragraph, the one that ends it (the segment ended a
// line of the text) dropped and told.
QString paragraphText(const QString &stored, bool *endsLine)
{
    qsizetype end = stored.size();
    while (end > 0 && isLineEnd(stored.at(end - 1)))
        --end;
    *endsLine = end < stored.size();
    QString text = stored.left(end);
    text.replace(QStringLiteral("\r\n"), QString(QChar::LineSeparator));
    text.replace(QLatin1Char('\r'), QChar::LineSeparator);
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    return text;
}

} // namespace

ContextView::ContextView(Session &session, QWidget *parent)
    : QTextEdit(parent), m_session(session), m_window(std::make_unique<SegmentWindow>())
{
    setObjectName(QStringLiteral("contexte"));
    setReadOnly(true);
    // A view to move by: a click goes to a segment, the focus stays where
    // the coder works (the lookups), the wheel scrolls.
    setTextInteractionFlags(Qt::NoTextInteraction);
    setFocusPolicy(Qt::NoFocus);
    setUndoRedoEnabled(false);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setMouseTracking(true);
    document()->setDefaultFont(look::font(look::kTimes, 12));
    setToolTip(QString()); // the segments carry their own
    setAccessibleName(QStringLiteral("Le texte autour du segment"));
}

ContextView::~ContextView() = default;

void ContextView::loadListNames()
{
    m_listNames = m_session.listNames();
}

int ContextView::wantedEachSide() const
{
    // Every segment takes a line at least: as many each side as the view
    // has lines fills it whichever way the current one lies.
    const int line = std::max(1, QFontMetrics(document()->defaultFont()).lineSpacing());
    return std::clamp(viewport()->height() / line + 1, kMinimumEachSide, kMaximumEachSide);
}

void ContextView::showAround(qint64 textNumber, qint64 segment)
{
    m_text = textNumber;
    m_segment = segment;
    m_eachSide = wantedEachSide();
    read();
}

void ContextView::reload()
{
    read();
}

void ContextView::read()
{
    // Hidden, it reads nothing until it shows again.
    m_stale = !isVisible();
    if (m_stale)
        return;
    if (m_segment <= 0) {
        *m_window = SegmentWindow();
        build();
        return;
    }
    try {
        if (!m_reader)
            m_reader = std::make_unique<SegmentWindowReader>(m_session.store().connection());
        *m_window = m_reader->read(m_text, m_segment, m_eachSide, m_eachSide, kMaxChars);
    } catch (const StoreError &e) {
        showFailure(QStringLiteral("Le texte autour de ce segment n'a pas pu être lu.\n%1")
                        .arg(e.message()));
        return;
    }
    build();
}

void ContextView::showFailure(const QString &text)
{
    *m_window = SegmentWindow();
    document()->clear();
    QTextCursor cursor(document());
    QTextCharFormat format;
    format.setForeground(kQuieter);
    cursor.insertText(text, format);
}

void ContextView::build()
{
    QTextDocument *doc = document();
    doc->clear();
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    bool previousEndsLine = false;
    for (size_t i = 0; i < m_window->segments.size(); ++i) {
        const WindowSegment &s = m_window->segments[i];
        const bool current = int(i) == m_window->current;
        QTextBlockFormat block;
        block.setLeftMargin(twips::toPixels(kMarkRoomTwips));
        block.setTopMargin(twips::toPixels(i > 0 && previousEndsLine ? kLineGapTwips
                                                                     : kSegmentGapTwips));
        if (current)
            block.setBackground(kCurrentGround);
        QTextCharFormat chars;
        chars.setForeground(current ? QColor(Qt::black) : kQuieter);
        if (i == 0) {
            cursor.setBlockFormat(block);
            cursor.setBlockCharFormat(chars);
        } else {
            cursor.insertBlock(block, chars);
        }
        bool endsLine = false;
        QString text = paragraphText(s.text, &endsLine);
        if (s.cut)
            text += QStringLiteral(" […]");
        cursor.insertText(text, chars);
        previousEndsLine = endsLine;
    }
    cursor.endEditBlock();
    centreCurrent();
    viewport()->update();
}

void ContextView::centreCurrent()
{
    QScrollBar *bar = verticalScrollBar();
    if (m_window->current < 0) {
        bar->setValue(0);
        return;
    }
    QAbstractTextDocumentLayout *layout = document()->documentLayout();
    // The whole window laid out now, so that the scroll range is the new one.
    const QSizeF size = layout->documentSize();
    bar->setRange(0, std::max(0, int(size.height()) - viewport()->height()));
    const QRectF r =
        layout->blockBoundingRect(document()->findBlockByNumber(m_window->current));
    bar->setValue(int(r.center().y() - viewport()->height() / 2.0));
}

std::vector<ContextView::Shown> ContextView::shown() const
{
    std::vector<Shown> result;
    for (size_t i = 0; i < m_window->segments.size(); ++i)
        result.push_back(Shown{m_window->segments[i].numero, int(i) == m_window->current,
                               m_window->segments[i].coded(), toolTipOf(i)});
    return result;
}

QRect ContextView::segmentRect(qint64 segment) const
{
    for (size_t i = 0; i < m_window->segments.size(); ++i) {
        if (m_window->segments[i].numero != segment)
            continue;
        const QTextBlock block = document()->findBlockByNumber(int(i));
        // Laid out first: the block's lines are then in place.
        const QRectF bounds = document()->documentLayout()->blockBoundingRect(block);
        const QTextLayout *layout = block.layout();
        if (!layout || layout->lineCount() == 0)
            return QRect();
        // From its first line to its last, without the space between
        // segments, which belongs to none.
        const qreal top = layout->position().y() + layout->lineAt(0).y();
        const QTextLine last = layout->lineAt(layout->lineCount() - 1);
        const qreal bottom = layout->position().y() + last.y() + last.height();
        QRectF r(bounds.left(), top, bounds.width(), bottom - top);
        r.translate(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
        return r.toAlignedRect();
    }
    return QRect();
}

qint64 ContextView::segmentAt(const QPoint &viewportPoint) const
{
    for (const WindowSegment &s : m_window->segments)
        if (segmentRect(s.numero).contains(viewportPoint))
            return s.numero;
    return 0;
}

QString ContextView::toolTipOf(size_t index) const
{
    const WindowSegment &s = m_window->segments[index];
    if (!s.coded())
        return QStringLiteral("Segment n° %1 : pas encore codé.").arg(s.numero);
    // The first line holds no tag, so the tooltip is shown as plain text
    // whatever the values hold.
    QStringList lines{QStringLiteral("Segment n° %1, codé :").arg(s.numero)};
    for (const WindowCoding &c : s.codings) {
        QStringList values;
        for (int k = 0; k < kLists; ++k) {
            if (c.numvar[size_t(k)] == 1)
                continue;
            const QString &value = c.value[size_t(k)];
            values << QStringLiteral("%1 : %2").arg(
                m_listNames[size_t(k)].isEmpty() ? QStringLiteral("Liste %1").arg(k + 1)
                                                 : m_listNames[size_t(k)],
                value.isEmpty() ? QStringLiteral("n° %1").arg(c.numvar[size_t(k)]) : value);
        }
        lines << values.join(QStringLiteral(" ; "));
    }
    return lines.join(QLatin1Char('\n'));
}

void ContextView::paintEvent(QPaintEvent *event)
{
    QTextEdit::paintEvent(event);
    QPainter painter(viewport());
    const int left = twips::toPixels(kMarkLeftTwips);
    const int width = std::max(2, twips::toPixels(kMarkWidthTwips));
    for (const WindowSegment &s : m_window->segments) {
        if (!s.coded())
            continue;
        const QRect r = segmentRect(s.numero);
        if (r.intersects(viewport()->rect()))
            painter.fillRect(QRect(left, r.top(), width, r.height()), kCodedMark);
    }
}

void ContextView::showEvent(QShowEvent *event)
{
    QTextEdit::showEvent(event);
    if (m_stale) {
        m_eachSide = wantedEachSide();
        read();
    }
}

void ContextView::resizeEvent(QResizeEvent *event)
{
    QTextEdit::resizeEvent(event);
    if (m_segment <= 0)
        return;
    if (wantedEachSide() > m_eachSide) {
        // Taller: more segments each side, read once the resizing is over.
        m_eachSide = wantedEachSide();
        QTimer::singleShot(0, this, &ContextView::reload);
    } else {
        centreCurrent();
    }
}

void ContextView::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
    m_pressedAt = event->position().toPoint();
    event->accept();
}

void ContextView::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (!m_pressed || event->button() != Qt::LeftButton)
        return;
    m_pressed = false;
    const QPoint at = event->position().toPoint();
    if ((at - m_pressedAt).manhattanLength() > QApplication::startDragDistance())
        return;
    const qint64 segment = segmentAt(at);
    if (segment > 0 && segment != m_segment)
        emit segmentChosen(segment);
}

void ContextView::mouseMoveEvent(QMouseEvent *event)
{
    const qint64 segment = segmentAt(event->position().toPoint());
    viewport()->setCursor(segment > 0 && segment != m_segment ? Qt::PointingHandCursor
                                                               : Qt::ArrowCursor);
    event->accept();
}

void ContextView::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The first click moved the view: the second would land on another
    // segment. A double click goes where its first click went.
    m_pressed = false;
    event->accept();
}

bool ContextView::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const qint64 segment = segmentAt(help->pos());
        const auto it = std::find_if(m_window->segments.begin(), m_window->segments.end(),
                                     [segment](const WindowSegment &s) {
                                         return s.numero == segment;
                                     });
        if (it == m_window->segments.end())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(),
                               toolTipOf(size_t(it - m_window->segments.begin())), viewport(),
                               segmentRect(segment));
        return true;
    }
    return QTextEdit::viewportEvent(event);
}

} // namespace coding
