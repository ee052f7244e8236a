#pragma once
// The hourglass over a window while it acts, back to the normal pointer when
// the scope ends.
#include <QWidget>

class BusyPointer
{
public:
    explicit BusyPointer(QWidget *window) : m_window(window)
    {
        m_window->setCursor(Qt::WaitCursor);
    }
    ~BusyPointer() { m_window->unsetCursor(); }
    BusyPointer(const BusyPointer &) = delete;
    BusyPointer &operator=(const BusyPointer &) = delete;

private:
    QWidget *m_window;
};
