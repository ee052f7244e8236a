// Telmira: content analysis of texts. The program starts on its splash
// window, which hands over to the main window.
#include "app/frmSplash.h"
#include "common/qtfrench.h"

#include <QApplication>
#include <QLocale>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Telmira"));
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    installQtFrenchTranslations();

    auto *splash = new frmSplash();
    splash->show();
    return QApplication::exec();
}
