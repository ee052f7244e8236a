#include "store/storeerror.h"

#include <QFileInfo>
#include <QStringList>

#include <sqlite3.h>

#include <climits>

namespace sqlfailure {
namespace {

// Gave up waiting on another program: set by the connection's busy handler
// for the failure it causes (see connection.cpp).
QString lockCause()
{
    return QStringLiteral("la base est verrouillée par un autre programme (elle peut être "
                          "ouverte dans Telmira ou dans une autre Analyse de contenu) ; "
                          "réessayez dans un moment");
}

// "variable01" of "CHECK constraint failed: variable01_255".
QString constraintName(sqlite3 *db)
{
    if (!db)
        return QString();
    const QString engine = QString::fromUtf8(sqlite3_errmsg(db));
    return engine.section(QStringLiteral(": "), -1).trimmed();
}

QString checkCause(sqlite3 *db)
{
    const QString constraint = constraintName(db);
    const QString column = constraint.section(QLatin1Char('_'), 0, -2);
    if (constraint.endsWith(QStringLiteral("_vide")))
        return QStringLiteral("la valeur de « %1 » est vide : un texte non vide est demandé")
            .arg(column);
    if (constraint.endsWith(QStringLiteral("_255")))
        return QStringLiteral("la valeur de « %1 » est trop longue (255 caractères au plus)")
            .arg(column);
    if (constraint.endsWith(QStringLiteral("_32bits")))
        return QStringLiteral("la valeur de « %1 » doit être un nombre entier de -2147483648 à "
                              "2147483647")
            .arg(column);
    return QStringLiteral("une valeur ne respecte pas les règles de la base");
}

} // namespace

QString cause(sqlite3 *db, int rc)
{
    switch (rc) {
    case SQLITE_CONSTRAINT_CHECK:
        return checkCause(db);
    case SQLITE_CONSTRAINT_FOREIGNKEY:
        return QStringLiteral("une valeur ne renvoie à aucun enregistrement de la table liée");
    case SQLITE_CONSTRAINT_PRIMARYKEY:
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_ROWID:
        return QStringLiteral("ce numéro existe déjà");
    case SQLITE_CONSTRAINT_TRIGGER:
        // A rule of the analysis's own schema, in its own words.
        if (db)
            return QString::fromUtf8(sqlite3_errmsg(db));
        return QStringLiteral("une règle de la base refuse cette valeur");
    case SQLITE_CONSTRAINT_NOTNULL:
        return QStringLiteral("une valeur obligatoire manque");
    case SQLITE_CONSTRAINT_DATATYPE:
        return QStringLiteral("une valeur n'est pas du type attendu (un nombre entier)");
    case SQLITE_READONLY_DBMOVED:
        return QStringLiteral("le fichier de la base a été remplacé, déplacé ou supprimé depuis "
                              "son ouverture");
    case SQLITE_READONLY_DIRECTORY:
    case SQLITE_READONLY_CANTINIT:
    case SQLITE_READONLY_CANTLOCK:
        return QStringLiteral("le dossier de la base est protégé en écriture");
    case SQLITE_READONLY_RECOVERY:
    case SQLITE_READONLY_ROLLBACK:
        return QStringLiteral("la base doit être réparée par un programme qui a le droit d'y "
                              "écrire");
    case SQLITE_IOERR_NOMEM:
        return QStringLiteral("la mémoire est insuffisante");
    case SQLITE_CANTOPEN_ISDIR:
        return QStringLiteral("c'est un dossier");
    case SQLITE_CANTOPEN_FULLPATH:
        return QStringLiteral("le chemin du fichier ne peut pas être résolu (nom trop long ?)");
    case SQLITE_BUSY_SNAPSHOT:
    case SQLITE_BUSY_RECOVERY:
        return lockCause();
    default:
        break;
    }
    switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_INTERRUPT: // only ever asked when a wait on a lock is given up
        return lockCause();
    case SQLITE_FULL:
        return QStringLiteral("le disque est plein");
    case SQLITE_READONLY:
        return QStringLiteral("la base est protégée en écriture");
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return QStringLiteral("les droits d'accès au fichier ne le permettent pas");
    case SQLITE_CANTOPEN:
        return QStringLiteral("le fichier ne peut pas être ouvert (droits d'accès, dossier "
                              "introuvable ou protégé en écriture)");
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return QStringLiteral("le fichier est endommagé ou n'est pas une base de données");
    case SQLITE_TOOBIG:
        return QStringLiteral("la valeur est trop longue pour la base");
    case SQLITE_NOMEM:
        return QStringLiteral("la mémoire est insuffisante");
    case SQLITE_IOERR:
        return QStringLiteral("le disque n'a pas pu être lu ou écrit (erreur d'entrée-sortie)");
    case SQLITE_CONSTRAINT:
        return QStringLiteral("une valeur ne respecte pas les règles de la base");
    case SQLITE_MISMATCH:
        return QStringLiteral("une valeur n'est pas du type attendu (un nombre entier)");
    case SQLITE_SCHEMA:
        return QStringLiteral("la structure de la base a changé pendant l'opération ; "
                              "réessayez");
    case SQLITE_NOLFS:
        return QStringLiteral("le fichier est trop grand pour ce système");
    case SQLITE_PROTOCOL:
        return QStringLiteral("le verrouillage du fichier a échoué (disque réseau ?)");
    case SQLITE_FORMAT:
    case SQLITE_EMPTY:
        return QStringLiteral("le fichier n'a pas le format attendu");
    case SQLITE_ERROR:
        return QStringLiteral("la structure de la base n'est pas celle d'une analyse Telmira");
    case SQLITE_ABORT:
        return QStringLiteral("l'opération a été annulée");
    default:
        return QStringLiteral("la base de données a refusé l'opération (code %1)").arg(rc);
    }
}

QString pathCause(const QString &path)
{
    const QByteArray local = QFileInfo(path).absoluteFilePath().toLocal8Bit();
    if (local.size() >= PATH_MAX)
        return QStringLiteral("le chemin du fichier est trop long");
    for (const QByteArray &part : local.split('/'))
        if (part.size() > NAME_MAX)
            return QStringLiteral("le nom du fichier est trop long");
    return QString();
}

} // namespace sqlfailure
