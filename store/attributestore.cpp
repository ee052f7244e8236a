#include "store/attributestore.h"

#include "store/connection.h"
#include "store/schemaversion.h"
#include "store/statement.h"
#include "store/storeerror.h"

#include <QDate>
#include <QRegularExpression>

namespace attributes {

namespace {

bool hasAttributes(Connection &db)
{
    return schema::version(db) >= 3;
}

void requireWritable(Connection &db)
{
    if (!hasAttributes(db))
        throw StoreError(QStringLiteral("La base d'analyse « %1 » est d'une version antérieure : "
                                        "elle doit être mise à jour avant d'y enregistrer des "
                                        "attributs de textes.")
                             .arg(db.path()));
}

bool hasControl(const QString &text, bool tabAllowed)
{
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control && !(tabAllowed && c == QLatin1Char('\t')))
            return true;
    }
    return false;
}

// The name is free, or taken only by attribute `self`.
void requireFreeName(Connection &db, const QString &name, qint64 self)
{
    const std::optional<Attribute> other = find(db, name);
    if (other && other->number != self)
        throw StoreError(QStringLiteral("Un attribut s'appelle déjà « %1 ».").arg(other->name));
}

QString checkedName(const QString &name)
{
    const QString fault = nameFault(name);
    if (!fault.isEmpty())
        throw StoreError(fault);
    return name.trimmed();
}

} // namespace

std::vector<Attribute> list(Connection &db)
{
    std::vector<Attribute> result;
    if (!hasAttributes(db))
        return result;
    Statement stmt(db, "SELECT numero, nom FROM Attributs ORDER BY numero");
    while (stmt.step())
        result.push_back({stmt.integer(0), stmt.text(1)});
    return result;
}

std::optional<Attribute> find(Connection &db, const QString &name)
{
    const QString wanted = name.trimmed();
    for (const Attribute &a : list(db)) {
        if (a.name.compare(wanted, Qt::CaseInsensitive) == 0)
            return a;
    }
    return std::nullopt;
}

QString nameFault(const QString &name)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        return QStringLiteral("Un attribut doit avoir un nom.");
    if (trimmed.size() > kMaxNameLength)
        return QStringLiteral("Le nom d'attribut « %1… » est trop long : %2 caractères au plus.")
            .arg(trimmed.left(20))
            .arg(kMaxNameLength);
    if (hasControl(trimmed, false))
        return QStringLiteral("Le nom d'attribut « %1 » contient un caractère de contrôle.")
            .arg(QString(trimmed).replace(QRegularExpression(QStringLiteral("\\p{Cc}")),
                                          QStringLiteral("?")));
    return {};
}

QString valueFault(const QString &value)
{
    const QString trimmed = value.trimmed();
    if (trimmed.size() > kMaxValueLength)
        return QStringLiteral("La valeur « %1… » est trop longue : %2 caractères au plus.")
            .arg(trimmed.left(20))
            .arg(kMaxValueLength);
    if (hasControl(trimmed, true))
        return QStringLiteral("La valeur « %1 » contient un caractère de contrôle.")
            .arg(QString(trimmed).replace(QRegularExpression(QStringLiteral("\\p{Cc}")),
                                          QStringLiteral("?")));
    return {};
}

qint64 add(Connection &db, const QString &name)
{
    requireWritable(db);
    const QString checked = checkedName(name);
    requireFreeName(db, checked, 0);
    Statement stmt(db, "INSERT INTO Attributs (nom) VALUES (?1) RETURNING numero");
    stmt.bind(1, checked);
    if (!stmt.step())
        throw StoreError(QStringLiteral("L'attribut « %1 » n'a pas pu être ajouté.").arg(checked));
    const qint64 number = stmt.integer(0);
    stmt.reset();
    return number;
}

void rename(Connection &db, qint64 number, const QString &name)
{
    requireWritable(db);
    const QString checked = checkedName(name);
    requireFreeName(db, checked, number);
    Statement stmt(db, "UPDATE Attributs SET nom = ?2 WHERE numero = ?1");
    stmt.bind(1, number).bind(2, checked).run();
}

void remove(Connection &db, qint64 number)
{
    requireWritable(db);
    // The values go with it (the foreign key cascades), even on a connection
    // that did not turn the foreign keys on.
    Statement values(db, "DELETE FROM ValeursAttributs WHERE attribut = ?1");
    values.bind(1, number).run();
    Statement stmt(db, "DELETE FROM Attributs WHERE numero = ?1");
    stmt.bind(1, number).run();
}

std::optional<QString> value(Connection &db, qint64 number, qint64 text)
{
    if (!hasAttributes(db))
        return std::nullopt;
    Statement stmt(db, "SELECT valeur FROM ValeursAttributs WHERE attribut = ?1 AND texte = ?2");
    stmt.bind(1, number).bind(2, text);
    if (!stmt.step())
        return std::nullopt;
    return stmt.text(0);
}

void setValue(Connection &db, qint64 number, qint64 text, const QString &value)
{
    requireWritable(db);
    const QString fault = valueFault(value);
    if (!fault.isEmpty())
        throw StoreError(fault);
    const QString trimmed = value.trimmed();
    if (trimmed.isEmpty()) {
        Statement stmt(db, "DELETE FROM ValeursAttributs WHERE attribut = ?1 AND texte = ?2");
        stmt.bind(1, number).bind(2, text).run();
        return;
    }
    Statement stmt(db, "INSERT INTO ValeursAttributs (attribut, texte, valeur) VALUES (?1, ?2, ?3) "
                       "ON CONFLICT (attribut, texte) DO UPDATE SET valeur = excluded.valeur");
    stmt.bind(1, number).bind(2, text).bind(3, trimmed).run();
}

std::map<qint64, QString> values(Connection &db, qint64 number)
{
    std::map<qint64, QString> result;
    if (!hasAttributes(db))
        return result;
    Statement stmt(db, "SELECT texte, valeur FROM ValeursAttributs WHERE attribut = ?1");
    stmt.bind(1, number);
    while (stmt.step())
        result.emplace(stmt.integer(0), stmt.text(1));
    return result;
}

qint64 valueCount(Connection &db, qint64 number)
{
    if (!hasAttributes(db))
        return 0;
    Statement stmt(db, "SELECT count(*) FROM ValeursAttributs WHERE attribut = ?1");
    stmt.bind(1, number);
    return stmt.step() ? stmt.integer(0) : 0;
}

bool isDate(const QString &value)
{
    static const QRegularExpression shape(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    return shape.match(value).hasMatch()
           && QDate::fromString(value, QStringLiteral("yyyy-MM-dd")).isValid();
}

bool isNumber(const QString &value)
{
    static const QRegularExpression shape(QStringLiteral("^[+-]?(\\d+([.,]\\d*)?|[.,]\\d+)$"));
    return shape.match(value).hasMatch();
}

Kind kindOf(const std::vector<QString> &values)
{
    if (values.empty())
        return Kind::Text;
    bool dates = true;
    bool numbers = true;
    for (const QString &v : values) {
        dates = dates && isDate(v);
        numbers = numbers && isNumber(v);
        if (!dates && !numbers)
            return Kind::Text;
    }
    return dates ? Kind::Date : Kind::Number;
}

Kind kindOf(Connection &db, qint64 number)
{
    std::vector<QString> all;
    for (const auto &entry : values(db, number))
        all.push_back(entry.second);
    return kindOf(all);
}

} // namespace attributes
