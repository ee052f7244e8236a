#include "store/templatecopy.h"

#include "store/storeerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

QString templatePathIn(const QString &programFolder)
{
    return QDir(programFolder).filePath(QStringLiteral("telmira"));
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
    const QString system = file.errorString();
    if (system.isEmpty() || system == QLatin1String("Unknown error"))
        return cause;
    return cause + QStringLiteral(" (") + system + QLatin1Char(')');
}

} // namespace

void copyTemplate(const QString &templatePath, const QString &targetPath)
{
    const QString shownTemplate = QDir::toNativeSeparators(templatePath);
    QFile source(templatePath);
    if (!QFileInfo(templatePath).isFile())
        refuse(targetPath,
               QStringLiteral("le modèle « %1 » est introuvable").arg(shownTemplate));
    if (!source.open(QIODevice::ReadOnly))
        refuse(targetPath, QStringLiteral("le modèle « %1 » ne peut pas être lu (%2)")
                               .arg(shownTemplate, source.errorString()));
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
            refuse(targetPath, QStringLiteral("le modèle « %1 » ne peut pas être lu (%2)")
                                   .arg(shownTemplate, source.errorString()));
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
