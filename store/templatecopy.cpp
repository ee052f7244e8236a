#include "store/templatecopy.h"

#include "store/connection.h"
#include "store/fileidentity.h"
#include "store/places.h"
#include "store/storeerror.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

QString templatePathIn(const QString &programFolder)
{
    return QDir(programFolder).filePath(QStringLiteral("telmira"));
}

QString installedTemplatePath()
{
    if (!QCoreApplication::instance())
        return QString();
    try {
        return places::findTemplate(places::current().program);
    } catch (const StoreError &) {
        return QString(); // no template anywhere: nothing to refuse
    }
}

void checkTemplate(const QString &templatePath)
{
    Connection::openTemplate(templatePath);
}

namespace {

[[noreturn]] void refuse(const QString &target, const QString &cause)
{
    throw StoreError(QStringLiteral("La base de données « %1 » ne peut pas être créée : %2.")
                         .arg(QDir::toNativeSeparators(target), cause));
}

QString writeCause(const QFileDevice &file)
{
    QString cause;
    switch (file.error()) {
    case QFileDevice::OpenError:
    case QFileDevice::PermissionsError:
        cause = QStringLiteral("le dossier n'est pas accessible en écriture");
        break;
    case QFileDevice::ResourceError:
        cause = QStringLiteral("le disque est plein");
        break;
    case QFileDevice::RenameError:
        cause = QStringLiteral("le fichier n'a pas pu être mis en place");
        break;
    default:
        cause = QStringLiteral("l'écriture a échoué");
        break;
    }
    // The system's own words are English: the cause alone is told, or the
    // name's length when that is what the system refused.
    const QString fromPath = sqlfailure::pathCause(file.fileName());
    return fromPath.isEmpty() ? cause : fromPath;
}

} // namespace

void copyTemplate(const QString &templatePath, const QString &targetPath)
{
    const QString shownTemplate = QDir::toNativeSeparators(templatePath);
    QFile source(templatePath);
    const FileIdentity templ = identityOf(templatePath);
    if (!templ.exists)
        refuse(targetPath,
               QStringLiteral("le modèle « %1 » est introuvable").arg(shownTemplate));
    if (templ.sameFileAs(identityOf(targetPath)))
        refuse(targetPath, QStringLiteral("ce nom désigne le modèle « %1 » lui-même")
                               .arg(shownTemplate));
    try {
        checkTemplate(templatePath);
    } catch (const StoreError &e) {
        throw StoreError(QStringLiteral("La base de données « %1 » ne peut pas être créée.\n\n%2")
                             .arg(QDir::toNativeSeparators(targetPath), e.message()));
    }
    if (!source.open(QIODevice::ReadOnly))
        refuse(targetPath, QStringLiteral("le modèle « %1 » ne peut pas être lu (droits "
                                              "d'accès)")
                               .arg(shownTemplate));
    if (QFileInfo(targetPath).isDir())
        refuse(targetPath, QStringLiteral("un dossier porte déjà ce nom"));

    // Written under a temporary name beside the target, renamed into place
    // only when complete; on failure the temporary file is removed.
    QSaveFile target(targetPath);
    target.setDirectWriteFallback(false);
    if (!target.open(QIODevice::WriteOnly))
        refuse(targetPath, writeCause(target));

    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 got = source.read(buffer.data(), buffer.size());
        if (got < 0) {
            target.cancelWriting();
            refuse(targetPath, QStringLiteral("le modèle « %1 » ne peut pas être lu")
                                   .arg(shownTemplate));
        }
        if (got == 0)
            break;
        if (target.write(buffer.constData(), got) != got) {
            const QString cause = writeCause(target);
            target.cancelWriting();
            refuse(targetPath, cause);
        }
    }
    if (!target.commit())
        refuse(targetPath, writeCause(target));
}
