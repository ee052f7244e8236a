#include "store/codebookstore.h"

#include "store/connection.h"
#include "store/schemaversion.h"
#include "store/statement.h"
#include "store/storeerror.h"

namespace codebook {
namespace {

void checkWritable(Connection &db)
{
    if (schema::version(db) < 2)
        throw StoreError(QStringLiteral("La base d'analyse « %1 » est d'une version antérieure : "
                                        "elle doit être mise à jour avant d'y enregistrer les noms "
                                        "des listes et les définitions.")
                             .arg(db.path()));
}

} // namespace

QString defaultListName(int list)
{
    return QStringLiteral("Variable de comparaison %1").arg(list);
}

std::array<QString, kLists> listNames(Connection &db)
{
    std::array<QString, kLists> names;
    for (int k = 0; k < kLists; ++k)
        names[size_t(k)] = defaultListName(k + 1);
    if (schema::version(db) < 2)
        return names;
    Statement stmt(db, "SELECT liste, nom FROM Listes WHERE liste BETWEEN 1 AND 5");
    while (stmt.step())
        names[size_t(stmt.integer(0) - 1)] = stmt.text(1);
    return names;
}

void setListName(Connection &db, int list, const QString &name)
{
    checkListNumber(list);
    checkWritable(db);
    const QString trimmed = name.trimmed();
    if (trimmed.contains(QChar(0)))
        throw StoreError(QStringLiteral("Le nom d'une liste ne peut pas contenir le caractère nul."));
    if (trimmed.size() > 255)
        throw StoreError(QStringLiteral("Le nom d'une liste ne peut pas dépasser 255 caractères."));
    if (trimmed.isEmpty() || trimmed == defaultListName(list)) {
        Statement stmt(db, "DELETE FROM Listes WHERE liste = ?1");
        stmt.bind(1, qint64(list)).run();
        return;
    }
    Statement stmt(db, "INSERT INTO Listes (liste, nom) VALUES (?1, ?2) "
                       "ON CONFLICT (liste) DO UPDATE SET nom = excluded.nom");
    stmt.bind(1, qint64(list)).bind(2, trimmed).run();
}

std::map<qint64, QString> definitions(Connection &db, int list)
{
    checkListNumber(list);
    std::map<qint64, QString> result;
    if (schema::version(db) < 2)
        return result;
    Statement stmt(db, "SELECT numero, definition FROM Definitions WHERE liste = ?1");
    stmt.bind(1, qint64(list));
    while (stmt.step())
        result.emplace(stmt.integer(0), stmt.text(1));
    return result;
}

void setDefinition(Connection &db, int list, qint64 value, const QString &definition)
{
    checkListNumber(list);
    checkWritable(db);
    if (definition.contains(QChar(0)))
        throw StoreError(QStringLiteral("Une définition ne peut pas contenir le caractère nul."));
    if (definition.trimmed().isEmpty()) {
        Statement stmt(db, "DELETE FROM Definitions WHERE liste = ?1 AND numero = ?2");
        stmt.bind(1, qint64(list)).bind(2, value).run();
        return;
    }
    Statement stmt(db, "INSERT INTO Definitions (liste, numero, definition) VALUES (?1, ?2, ?3) "
                       "ON CONFLICT (liste, numero) DO UPDATE SET definition = excluded.definition");
    stmt.bind(1, qint64(list)).bind(2, value).bind(3, definition).run();
}

} // namespace codebook
