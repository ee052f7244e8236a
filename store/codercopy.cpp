#include "store/codercopy.h"

#include "store/connection.h"
#include "store/properties.h"
#include "store/schemaversion.h"
#include "store/storeerror.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace codercopy {
namespace {

[[noreturn]] void refuse(const QString &target, const QString &cause)
{
    throw StoreError(QStringLiteral("La copie « %1 » n'a pas pu être faite : %2.")
                         .arg(QDir::toNativeSeparators(target), cause));
}

QString quoted(const QString &text)
{
    QString q = text;
    q.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + q + QLatin1Char('\'');
}

} // namespace

void copyAnalysis(const QString &source, const QString &target, const QString &coder,
                  bool withCoding)
{
    const QFileInfo targetInfo(target);
    if (targetInfo.isDir())
        refuse(target, QStringLiteral("un dossier porte déjà ce nom"));
    const QFileInfo sourceInfo(source);
    if (targetInfo.exists() && targetInfo.canonicalFilePath() == sourceInfo.canonicalFilePath())
        refuse(target, QStringLiteral("c'est la base d'origine elle-même"));

    // An empty file of a unique name beside the target: VACUUM INTO writes
    // into an empty file, and the rename stays on one file system.
    QTemporaryFile temporary(targetInfo.absoluteDir().filePath(
        QStringLiteral(".%1.XXXXXX.tmp").arg(targetInfo.fileName())));
    if (!temporary.open())
        refuse(target, QStringLiteral("le dossier n'est pas accessible en écriture (%1)")
                           .arg(temporary.errorString()));
    temporary.close();
    const QString temporaryPath = temporary.fileName();

    {
        const auto from = Connection::open(source);
        try {
            from->exec(QStringLiteral("VACUUM INTO %1").arg(quoted(temporaryPath)));
        } catch (const StoreError &e) {
            refuse(target, e.message());
        }
    }
    {
        const auto copy = Connection::open(temporaryPath);
        try {
            schema::upgrade(*copy);
        } catch (const StoreError &e) {
            refuse(target, e.message());
        }
        copy->begin();
        try {
            if (!withCoding)
                copy->exec(QStringLiteral("DELETE FROM Contenus"));
            if (!coder.trimmed().isEmpty())
                properties::setValue(*copy, properties::kCoder, coder.trimmed());
            copy->commit();
        } catch (const StoreError &e) {
            copy->rollback();
            refuse(target, e.message());
        }
        if (!withCoding)
            copy->exec(QStringLiteral("VACUUM"));
    }
    // The temporary file is private to its owner; the copy is as readable
    // as the analysis it comes from, and writable.
    QFile::setPermissions(temporaryPath, sourceInfo.permissions() | QFile::ReadOwner
                                             | QFile::WriteOwner | QFile::ReadUser
                                             | QFile::WriteUser);
    // rename() replaces an existing target in one step.
    if (std::rename(QFile::encodeName(temporaryPath).constData(),
                    QFile::encodeName(targetInfo.absoluteFilePath()).constData())
        != 0)
        refuse(target, QStringLiteral("le fichier n'a pas pu être mis en place (%1)")
                           .arg(QString::fromLocal8Bit(std::strerror(errno))));
    temporary.setAutoRemove(false);
}

} // namespace codercopy
