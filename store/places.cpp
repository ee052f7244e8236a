#include "store/places.h"

#include "store/storeerror.h"
#include "store/templatecopy.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#ifndef TELMIRA_DATA_FROM_BIN
#define TELMIRA_DATA_FROM_BIN "../share/telmira"
#endif

namespace places {
namespace {
Hook &hook()
{
    static Hook h;
    return h;
}
QString shown(const QString &path)
{
    return QDir::toNativeSeparators(QDir::cleanPath(path));
}
// A build tree or a portable copy: the template beside the program, and the
// folder can be written.
bool programFolderTakesAnalyses(const QString &program,
                                const std::function<bool(const QString &)> &writable)
{
    return !program.isEmpty() && QFileInfo(templatePathIn(program)).isFile() && writable(program);
}
QString documentsSubfolder(const Folders &folders)
{
    return QDir::cleanPath(QDir(folders.documents).filePath(QStringLiteral("Telmira")));
}
} // namespace

Folders current()
{
    if (hook())
        return hook()();
    return {QCoreApplication::applicationDirPath(),
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)};
}

void setHook(Hook h) { hook() = std::move(h); }

QString dataFolder(const QString &programFolder)
{
    return QDir::cleanPath(QDir(programFolder).filePath(QStringLiteral(TELMIRA_DATA_FROM_BIN)));
}

QString findTemplate(const QString &programFolder)
{
    const QString beside = templatePathIn(QDir::cleanPath(programFolder));
    if (QFileInfo(beside).isFile())
        return beside;
    const QString installed = templatePathIn(dataFolder(programFolder));
    if (QFileInfo(installed).isFile())
        return installed;
    throw StoreError(QStringLiteral("Le modèle des bases d'analyse « telmira » est introuvable. "
                                    "Il a été cherché à côté du programme, dans « %1 », puis "
                                    "dans le dossier des données installées, « %2 ».\n"
                                    "Réinstallez Telmira pour le remettre en place.")
                         .arg(shown(programFolder), shown(dataFolder(programFolder))));
}

bool isWritableFolder(const QString &folder)
{
    const QFileInfo info(folder);
    return info.isDir() && info.isWritable();
}

QString analysesFolder(const Folders &folders,
                       const std::function<bool(const QString &)> &writable)
{
    const QString program = QDir::cleanPath(folders.program);
    if (programFolderTakesAnalyses(program, writable))
        return program;

    if (folders.documents.isEmpty())
        throw StoreError(QStringLiteral("La nouvelle analyse ne peut pas être créée : le dossier "
                                        "« %1 » n'est pas accessible en écriture et le dossier "
                                        "des documents de l'utilisateur est inconnu.")
                             .arg(shown(program)));
    const QString folder = documentsSubfolder(folders);
    if (!QDir().mkpath(folder) || !writable(folder))
        throw StoreError(QStringLiteral("La nouvelle analyse ne peut pas être créée : le dossier "
                                        "« %1 » ne peut pas être créé ou n'est pas accessible en "
                                        "écriture.")
                             .arg(shown(folder)));
    return folder;
}

QString analysesFolderToBrowse(const Folders &folders,
                               const std::function<bool(const QString &)> &writable)
{
    const QString program = QDir::cleanPath(folders.program);
    if (programFolderTakesAnalyses(program, writable))
        return program;
    if (folders.documents.isEmpty())
        return QString();
    const QString analyses = documentsSubfolder(folders);
    if (QFileInfo(analyses).isDir())
        return analyses;
    return QFileInfo(folders.documents).isDir() ? QDir::cleanPath(folders.documents) : QString();
}

} // namespace places
