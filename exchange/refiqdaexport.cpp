#include "exchange/refiqdaexport.h"

#include "exchange/analysisproject.h"
#include "exchange/qdpxarchive.h"
#include "store/connection.h"
#include "store/exchangestore.h"
#include "store/storeerror.h"

#include <QFileInfo>

namespace refiqda {
namespace {

// The analysis itself must never be the target.
QString sameFile(Connection &db, const QString &target)
{
    const QString canonical = QFileInfo(db.path()).canonicalFilePath();
    if (!canonical.isEmpty() && QFileInfo(target).canonicalFilePath() == canonical)
        return QStringLiteral("L'analyse « %1 » ne peut pas être remplacée par son exportation.")
            .arg(db.path());
    return QString();
}

} // namespace

QString ExportReport::line() const
{
    if (!project)
        return QStringLiteral("Livre de codes exporté — valeurs : %1.").arg(values);
    QString l = QStringLiteral("Projet exporté — textes : %1, sélections codées : %2, valeurs : %3, "
                               "codeur : « %4 »")
                    .arg(texts)
                    .arg(selections)
                    .arg(values)
                    .arg(coder);
    if (rowsWithoutValue)
        l += QStringLiteral(" ; lignes de codage sans valeur dans aucune liste, non exportées : %1")
                 .arg(rowsWithoutValue);
    return l + QLatin1Char('.');
}

QString exportProject(Connection &db, const QString &target)
{
    ExportReport report;
    return exportProject(db, target, report);
}

QString exportProject(Connection &db, const QString &target, ExportReport &report)
{
    report = ExportReport();
    report.project = true;
    if (const QString refused = sameFile(db, target); !refused.isEmpty())
        return refused;
    try {
        const exchangestore::Analysis analysis = exchangestore::read(db);
        const Project project = projectOf(analysis, QFileInfo(db.path()).completeBaseName(),
                                          &report.rowsWithoutValue);
        report.texts = int(project.sources.size());
        for (const Source &s : project.sources)
            report.selections += int(s.selections.size());
        for (const auto &list : analysis.lists)
            report.values += int(list.values.size());
        report.coder = project.users.empty() ? QString() : project.users.front().name;
        return writeQdpx(project, target);
    } catch (const StoreError &e) {
        return e.message();
    }
}

QString exportCodebook(Connection &db, const QString &target)
{
    ExportReport report;
    return exportCodebook(db, target, report);
}

QString exportCodebook(Connection &db, const QString &target, ExportReport &report)
{
    report = ExportReport();
    if (const QString refused = sameFile(db, target); !refused.isEmpty())
        return refused;
    try {
        const exchangestore::Analysis analysis = exchangestore::read(db);
        for (const auto &list : analysis.lists)
            report.values += int(list.values.size());
        return writeCodebook(codesOf(analysis), origin(), target);
    } catch (const StoreError &e) {
        return e.message();
    }
}

} // namespace refiqda
