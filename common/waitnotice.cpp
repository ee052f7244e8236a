#include "common/waitnotice.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace waitnotice {
namespace {

QPointer<QLabel> g_label; // the band across the window in use
QPointer<QLabel> g_alone; // the notice's own window, before any other
bool g_cursor = false;

Observer &observer()
{
    static Observer instance;
    return instance;
}

// The window the user is looking at.
QWidget *targetWindow()
{
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget *active = QApplication::activeWindow(); active && active != g_alone)
        return active;
    if (QWidget *focus = QApplication::focusWidget(); focus && focus->window() != g_alone)
        return focus->window();
    QWidget *found = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w != g_alone && w->isVisible()
            && (w->windowType() == Qt::Window || w->windowType() == Qt::Dialog))
            found = w;
    return found;
}

// Before any window (a program opening its file): a small window of its own.
// With no other window up, nothing else of the program can run meanwhile, so
// the events that show it are let through.

void showAlone(const QString &text)
{
    if (!g_alone) {
        g_alone = new QLabel;
        g_alone->setObjectName(QStringLiteral("attente"));
        g_alone->setWindowTitle(QApplication::applicationName());
        g_alone->setWordWrap(true);
        g_alone->setMargin(16);
        g_alone->setMinimumWidth(420);
        g_alone->setAttribute(Qt::WA_DeleteOnClose);
        if (!g_cursor) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            g_cursor = true;
        }
    }
    g_alone->setText(text);
    g_alone->adjustSize();
    g_alone->show();
    g_alone->raise();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void hide()
{
    if (g_alone) {
        g_alone->close();
        g_alone = nullptr;
    }
    if (g_label) {
        g_label->hide();
        g_label->deleteLater();
        g_label = nullptr;
    }
    if (g_cursor) {
        QApplication::restoreOverrideCursor();
        g_cursor = false;
    }
}

void show(const QString &text)
{
    if (observer())
        observer()(text);
    QWidget *window = targetWindow();
    if (!window) {
        showAlone(text);
        return;
    }
    if (g_label && g_label->parentWidget() != window)
        hide();
    if (!g_label) {
        g_label = new QLabel(window);
        g_label->setObjectName(QStringLiteral("attente"));
        g_label->setWordWrap(true);
        g_label->setAlignment(Qt::AlignCenter);
        g_label->setFrameShape(QFrame::Box);
        g_label->setLineWidth(2);
        g_label->setMargin(10);
        // Opaque: what lies under it (lists read from the database) is not
        // painted again while the program waits.
        QPalette palette = g_label->palette();
        palette.setColor(QPalette::Window, QColor(255, 243, 176));
        palette.setColor(QPalette::WindowText, QColor(0, 0, 0));
        g_label->setPalette(palette);
        g_label->setAutoFillBackground(true);
        QFont font = g_label->font();
        font.setBold(true);
        g_label->setFont(font);
        // Gone at the latest when the event loop turns again.
        QTimer::singleShot(0, g_label.data(), [] { hide(); });
        if (!g_cursor) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            g_cursor = true;
        }
    }
    g_label->setText(text);
    const int width = std::min(window->width() - 20, 560);
    const int height = g_label->heightForWidth(width);
    g_label->setGeometry((window->width() - width) / 2, std::max(0, window->height() / 3 - height / 2),
                         width, height);
    g_label->raise();
    g_label->show();
    g_label->repaint();
}

} // namespace

void tell(bool waiting, const QString &path, qint64 waitedMs, qint64 limitMs)
{
    if (!waiting) {
        hide();
        return;
    }
    const qint64 seconds = (waitedMs + 999) / 1000;
    show(QStringLiteral("La base de données « %1 » est utilisée par un autre programme : "
                        "attente de sa libération (%2 s, %3 s au plus)…")
             .arg(QDir::toNativeSeparators(path))
             .arg(seconds)
             .arg((limitMs + 999) / 1000));
}

QString shownText()
{
    if (g_label)
        return g_label->text();
    return g_alone ? g_alone->text() : QString();
}

void setObserver(Observer o)
{
    observer() = std::move(o);
}

} // namespace waitnotice
