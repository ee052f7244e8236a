#include "common/qtfrench.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool installQtFrenchTranslations()
{
    // Lives as long as the application.
    static QTranslator *translator = nullptr;
    if (translator)
        return true;
    auto *candidate = new QTranslator(QCoreApplication::instance());
    if (!candidate->load(QStringLiteral("qtbase_fr"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete candidate;
        return false;
    }
    QCoreApplication::installTranslator(candidate);
    translator = candidate;
    return true;
}
