#include "guide/guide.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QPointer>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace guide {
namespace {
const QString kResource = QStringLiteral(":/guide/guide.html");

QPointer<QWidget> &window()
{
    static QPointer<QWidget> w;
    return w;
}
} // namespace

QString html()
{
    QFile file(kResource);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

void show()
{
    QPointer<QWidget> &w = window();
    if (!w) {
        // A window of its own: not closed with the window it was opened from,
        // but not keeping the program running either.
        w = new QWidget(nullptr, Qt::Window);
        w->setObjectName(QStringLiteral("frmGuide"));
        w->setWindowTitle(QStringLiteral("Telmira - Guide d'utilisation"));
        w->setAttribute(Qt::WA_DeleteOnClose);
        w->setAttribute(Qt::WA_QuitOnClose, false);
        auto *texte = new QTextBrowser(w);
        texte->setObjectName(QStringLiteral("texte"));
        texte->setOpenLinks(true);
        texte->setSource(QUrl(QStringLiteral("qrc") + kResource));
        auto *layout = new QVBoxLayout(w);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(texte);
        w->resize(720, 640);
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, w, &QObject::deleteLater);
    }
    w->show();
    w->raise();
    w->activateWindow();
}

QAction *makeAction(QWidget *window)
{
    auto *action = new QAction(QStringLiteral("&Guide d'utilisation"), window);
    action->setObjectName(QStringLiteral("guide"));
    action->setShortcut(QKeySequence(Qt::Key_F1));
    action->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(action, &QAction::triggered, action, [] { show(); });
    window->addAction(action);
    return action;
}

QMenu *makeMenu(QWidget *window)
{
    auto *menu = new QMenu(QStringLiteral("&Aide"), window);
    menu->setObjectName(QStringLiteral("aide"));
    menu->addAction(makeAction(window));
    return menu;
}

} // namespace guide
