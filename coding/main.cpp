// Analyse de contenu: the coding of the segments of an analysis database
// against its five lists of comparison variables. Started with the database
// as its argument (as Telmira's "Analyse " does), or asks for one. Given an
// action (telmira-codage --help lists them), runs it without a window.
#include "cli/commandline.h"
#include "coding/frmchemin.h"
#include "common/messages.h"
#include "common/qtfrench.h"
#include "common/waitnotice.h"
#include "guide/guide.h"
#include "store/connection.h"
#include "store/engine.h"

#include <QApplication>
#include <QThread>
#include <QCoreApplication>
#include <QLocale>
#include <QStringList>
#include <QTimer>

int main(int argc, char *argv[])
{
    engine::configure();
    if (cli::wanted(argc, argv)) {
        QCoreApplication app(argc, argv);
        // The same names as the windows: backups and settings in the same place.
        QCoreApplication::setOrganizationName(QStringLiteral("Telmira"));
        QCoreApplication::setApplicationName(QStringLiteral("Analyse de contenu"));
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        installQtFrenchTranslations();
        return cli::run(QCoreApplication::arguments());
    }

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Telmira"));
    QApplication::setApplicationName(QStringLiteral("Analyse de contenu"));
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));

    installQtFrenchTranslations();
    messages::setTitle(QApplication::applicationName());
    // F1 in any window: the guide, at that window's section.
    guide::installHelp(app);

    // A wait on a file held by another program is said in the window; the
    // waits of the workers in the background (suggestions) are theirs alone.
    Connection::setWaitNotifier([](const Connection::Wait &wait) {
        if (QThread::currentThread() != qApp->thread())
            return;
        waitnotice::tell(wait.state == Connection::Wait::Waiting, wait.path, wait.waitedMs,
                         wait.limitMs);
    });

    const QStringList arguments = QApplication::arguments();
    bool handedOver = false;
    coding::frmChemin *window =
        coding::start(arguments.size() > 1 ? arguments.at(1) : QString(), &handedOver);
    if (!window)
        return handedOver ? 0 : 1;
    // Coding starts: an analysis without a coder's name asks for one.
    QTimer::singleShot(0, window, [window] { window->askCoderIfNone(); });
    return QApplication::exec();
}
