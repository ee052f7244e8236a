// Telmira: content analysis of texts. The program starts on its splash
// window, which hands over to the main window.
#include "app/frmSplash.h"
#include "common/qtfrench.h"
#include "common/waitnotice.h"
#include "store/connection.h"

#include <QApplication>
#include <QLocale>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Telmira"));
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    installQtFrenchTranslations();
    // A wait on a file held by another program is said in the window.
    Connection::setWaitNotifier([](const Connection::Wait &wait) {
        waitnotice::tell(wait.state == Connection::Wait::Waiting, wait.path, wait.waitedMs,
                         wait.limitMs);
    });

    auto *splash = new frmSplash();
    splash->show();
    return QApplication::exec();
}
