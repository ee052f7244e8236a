#include "common/filecause.h"

#include <cerrno>

namespace filecause {

QString fromErrno(int error)
{
    switch (error) {
    case ENOSPC:
        return QStringLiteral("le disque est plein");
#ifdef EDQUOT
    case EDQUOT:
        return QStringLiteral("le quota de disque de l'utilisateur est atteint");
#endif
    case EACCES:
    case EPERM:
        return QStringLiteral("l'accès est refusé (droits insuffisants)");
    case EROFS:
        return QStringLiteral("le disque est en lecture seule");
    case ENAMETOOLONG:
        return QStringLiteral("le nom du fichier est trop long");
    case ENOENT:
        return QStringLiteral("le fichier ou son dossier n'existe pas");
    case ENOTDIR:
        return QStringLiteral("un élément du chemin n'est pas un dossier");
    case EISDIR:
        return QStringLiteral("ce nom est celui d'un dossier");
    case EEXIST:
        return QStringLiteral("un fichier de ce nom existe déjà");
    case EFBIG:
        return QStringLiteral("le fichier dépasse la taille permise");
    case EIO:
        return QStringLiteral("erreur d'entrée-sortie du disque (support défectueux ou retiré)");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("trop de fichiers sont ouverts");
    case ENOMEM:
        return QStringLiteral("la mémoire est insuffisante");
    case EBUSY:
    case ETXTBSY:
        return QStringLiteral("le fichier est occupé par un autre programme");
    case ELOOP:
        return QStringLiteral("le chemin tourne en rond (trop de liens symboliques)");
    case ENXIO:
        return QStringLiteral("aucun programme ne lit à l'autre bout de ce tube");
    case EPIPE:
        return QStringLiteral("le programme qui lisait à l'autre bout du tube s'est arrêté");
    case EXDEV:
        return QStringLiteral("le fichier ne peut pas être déplacé d'un disque à un autre");
    case EINVAL:
        return QStringLiteral("ce fichier n'accepte pas cette opération");
    case EAGAIN:
        return QStringLiteral("le fichier n'est pas prêt ; réessayez");
    case ESTALE:
        return QStringLiteral("le fichier réseau n'est plus accessible");
    case ETIMEDOUT:
        return QStringLiteral("le disque réseau ne répond pas");
    default:
        return QStringLiteral("erreur du système n° %1").arg(error);
    }
}

QString fromFileError(QFileDevice::FileError fileError, int error)
{
    if (error != 0)
        return fromErrno(error);
    switch (fileError) {
    case QFileDevice::NoError:
        return QStringLiteral("aucune erreur");
    case QFileDevice::ReadError:
        return QStringLiteral("le fichier ne peut pas être lu");
    case QFileDevice::WriteError:
        return QStringLiteral("le fichier ne peut pas être écrit");
    case QFileDevice::FatalError:
        return QStringLiteral("erreur grave du système de fichiers");
    case QFileDevice::ResourceError:
        return QStringLiteral("le disque est plein ou le système manque de ressources");
    case QFileDevice::OpenError:
        return QStringLiteral("le fichier ne peut pas être ouvert");
    case QFileDevice::AbortError:
        return QStringLiteral("l'opération a été interrompue");
    case QFileDevice::TimeOutError:
        return QStringLiteral("le délai d'attente est dépassé");
    case QFileDevice::UnspecifiedError:
        return QStringLiteral("erreur non précisée du système de fichiers");
    case QFileDevice::RemoveError:
        return QStringLiteral("le fichier ne peut pas être supprimé");
    case QFileDevice::RenameError:
        return QStringLiteral("le fichier ne peut pas être renommé");
    case QFileDevice::PositionError:
        return QStringLiteral("la position dans le fichier ne peut pas être changée");
    case QFileDevice::ResizeError:
        return QStringLiteral("la taille du fichier ne peut pas être changée");
    case QFileDevice::PermissionsError:
        return QStringLiteral("l'accès est refusé (droits insuffisants)");
    case QFileDevice::CopyError:
        return QStringLiteral("le fichier ne peut pas être copié");
    }
    return QStringLiteral("erreur du système de fichiers n° %1").arg(int(fileError));
}

} // namespace filecause
