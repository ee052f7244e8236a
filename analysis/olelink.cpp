#include "analysis/olelink.h"

#include "common/desktop.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QLabel>
#include <QVBoxLayout>

OleLink::OleLink(QWidget *parent) : QFrame(parent)
{
    setFrameShape(QFrame::NoFrame);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_icon = new QLabel(this);
    m_icon->setObjectName(QStringLiteral("OLE1_icon"));
    m_icon->setAlignment(Qt::AlignCenter);
    m_name = new QLabel(this);
    m_name->setObjectName(QStringLiteral("OLE1_name"));
    m_name->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QFont small = font();
    small.setPointSizeF(7);
    m_name->setFont(small);
    // Clicks go to the container itself.
    m_icon->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_name->setAttribute(Qt::WA_TransparentForMouseEvents);
    layout->addWidget(m_icon, 1);
    layout->addWidget(m_name);
}

void OleLink::link(const QString &path)
{
    m_path = path;
    const QFileInfo info(path);
    const QIcon icon = QFileIconProvider().icon(info);
    m_icon->setPixmap(icon.pixmap(32, 32));
    showName();
    setToolTip(path);
}

void OleLink::showName()
{
    const QString name = QFileInfo(m_path).fileName();
    m_name->setText(m_name->fontMetrics().elidedText(name, Qt::ElideMiddle, width()));
}

void OleLink::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    showName();
}

bool OleLink::open() const
{
    if (m_path.isEmpty() || !QFileInfo(m_path).isFile())
        return false;
    return desktop::openFile(m_path);
}

void OleLink::mouseDoubleClickEvent(QMouseEvent *event)
{
    QFrame::mouseDoubleClickEvent(event);
    emit activated();
}
