#include "store/properties.h"

#include "store/connection.h"
#include "store/schemaversion.h"
#include "store/statement.h"
#include "store/storeerror.h"

namespace properties {

std::optional<QString> value(Connection &db, const QString &key)
{
    if (schema::version(db) < 2)
        return std::nullopt;
    Statement stmt(db, "SELECT valeur FROM Proprietes WHERE cle = ?1");
    stmt.bind(1, key);
    if (!stmt.step())
        return std::nullopt;
    return stmt.text(0);
}

void setValue(Connection &db, const QString &key, const QString &value)
{
    if (schema::version(db) < 2)
        throw StoreError(QStringLiteral("La base d'analyse « %1 » est d'une version antérieure : "
                                        "elle doit être mise à jour avant d'y enregistrer ses "
                                        "propriétés.")
                             .arg(db.path()));
    if (key.isEmpty())
        throw StoreError(QStringLiteral("Une propriété de l'analyse doit avoir un nom."));
    if (value.isNull()) {
        Statement stmt(db, "DELETE FROM Proprietes WHERE cle = ?1");
        stmt.bind(1, key).run();
        return;
    }
    if (value.contains(QChar(0)))
        throw StoreError(QStringLiteral("Une propriété de l'analyse ne peut pas contenir le "
                                        "caractère nul."));
    Statement stmt(db, "INSERT INTO Proprietes (cle, valeur) VALUES (?1, ?2) "
                       "ON CONFLICT (cle) DO UPDATE SET valeur = excluded.valeur");
    stmt.bind(1, key).bind(2, value).run();
}

} // namespace properties
