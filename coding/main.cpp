// Analyse de contenu: the coding of the segments of an analysis database
// against its five lists of comparison variables. Started with the database
// as its argument (as Telmira's "Analyse " does), or asks for one. Given an
// action (telmira-codage --help lists them), runs it without a window.
#include "coding/commandline.h"
#include "coding/frmchemin.h"
#include "common/messages.h"
#include "common/qtfrench.h"
#include "store/engine.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLocale>
#include <QStringList>
#include <QTimer>

int main(int argc, char *argv[])
{
    engine::configure();
    if (coding::cli::wanted(argc, argv)) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("Analyse de contenu"));
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        installQtFrenchTranslations();
        return coding::cli::run(QCoreApplication::arguments());
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Analyse de contenu"));
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));

    installQtFrenchTranslations();
    messages::setTitle(QApplication::applicationName());

    const QStringList arguments = QApplication::arguments();
    coding::frmChemin *window = coding::start(arguments.size() > 1 ? arguments.at(1) : QString());
    if (!window)
        return 1;
    // Coding starts: an analysis without a coder's name asks for one.
    QTimer::singleShot(0, window, [window] { window->askCoderIfNone(); });
    return QApplication::exec();
}
