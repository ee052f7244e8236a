// Telmira: content analysis of texts. The program starts on its splash
// window, which hands over to the main window.
#include "app/frmSplash.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Telmira"));
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));

    // Qt's own dialogs in French ("Annuler", "Ouvrir").
    QTranslator qtTranslator;
    if (qtTranslator.load(QStringLiteral("qtbase_fr"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    auto *splash = new frmSplash();
    splash->show();
    return QApplication::exec();
}
