// Telmira: content analysis of texts. The program starts on its splash
// window, which hands over to the main window. --version and --help are
// answered on standard output without a window (no display needed).
#include "app/frmSplash.h"
#include "common/qtfrench.h"
#include "common/waitnotice.h"
#include "guide/guide.h"
#include "store/connection.h"
#include "store/engine.h"

#include <QApplication>
#include <QLocale>

#include <cstdio>
#include <cstring>

namespace {

bool isOption(const char *argument, const char *shortName, const char *longName)
{
    return std::strcmp(argument, shortName) == 0 || std::strcmp(argument, longName) == 0;
}

// Returns true, with the exit code, when the arguments ask for the version or
// the help; Qt's own options (-platform, -style...) go to the windows.
bool answeredOnCommandLine(int argc, char *argv[], int &code)
{
    for (int i = 1; i < argc; ++i) {
        if (isOption(argv[i], "-v", "--version")) {
            std::printf("Telmira %s\n", TELMIRA_VERSION);
            code = 0;
            return true;
        }
        if (isOption(argv[i], "-h", "--help")) {
            std::printf("Utilisation : Telmira [--version | --help]\n\n"
                        "Ouvre Telmira, l'outil d'analyse de contenu de textes : prise en "
                        "charge des textes,\ndécoupage en segments, listes des variables de "
                        "comparaison. Le codage se fait\ndans « Analyse de contenu » "
                        "(telmira-codage).\n\n"
                        "  -h, --help      affiche cette aide\n"
                        "  -v, --version   affiche la version du programme\n");
            code = 0;
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    engine::configure();
    int code = 0;
    if (answeredOnCommandLine(argc, argv, code))
        return code;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Telmira"));
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    installQtFrenchTranslations();
    // F1 in any window: the guide, at that window's section.
    guide::installHelp(app);
    // A wait on a file held by another program is said in the window.
    Connection::setWaitNotifier([](const Connection::Wait &wait) {
        waitnotice::tell(wait.state == Connection::Wait::Waiting, wait.path, wait.waitedMs,
                         wait.limitMs);
    });

    auto *splash = new frmSplash();
    splash->show();
    return QApplication::exec();
}
