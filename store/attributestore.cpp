#include "store/attributestore.h"

#include "store/connection.h"
#include "store/schemaversion.h"
#include "store/statement.h"
#include "store/storeerror.h"

#include <QDate>
#include <QRegularExpression>

#include <algorithm>

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

std::vector<Text> texts(Connection &db)
{
    std::vector<Text> result;
    Statement stmt(db, "SELECT numero, chemin FROM Chemin ORDER BY numero");
    while (stmt.step())
        result.push_back({stmt.integer(0), stmt.text(1)});
    return result;
}

QString fileName(const QString &path)
{
    const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('/')),
                                   path.lastIndexOf(QLatin1Char('\\')));
    return cut < 0 ? path : path.mid(cut + 1);
}

namespace {

undo::RowKey attributeKey(qint64 number)
{
    return {undo::Table::Attribute, 0, number};
}

undo::RowKey valueKey(qint64 number, qint64 text)
{
    return {undo::Table::AttributeValue, int(number), text};
}

// Runs `build` in one write transaction, after the checks every edit makes;
// rolled back on any failure.
template <class Build>
undo::ChangeSet inTransaction(Connection &db, Build build)
{
    requireWritable(db);
    db.requireSameFile();
    undo::beginWrite(db);
    try {
        undo::ChangeSet set = build();
        undo::commitWrite(db);
        return set;
    } catch (...) {
        db.rollback();
        throw;
    }
}

QString existingName(Connection &db, qint64 number)
{
    const std::optional<undo::Image> image = undo::read(db, attributeKey(number));
    if (!image)
        throw StoreError(QStringLiteral("L'attribut n° %1 n'est plus dans la base de données "
                                        "« %2 » (supprimé entre-temps).")
                             .arg(number)
                             .arg(db.path()));
    return image->text;
}

void requireText(Connection &db, Statement &stmt, qint64 text)
{
    stmt.bind(1, text);
    const bool found = stmt.step();
    stmt.reset();
    if (!found)
        throw StoreError(QStringLiteral("Le texte n° %1 n'est plus dans la base de données "
                                        "« %2 ».")
                             .arg(text)
                             .arg(db.path()));
}

QString valuesOf(qint64 count)
{
    return count == 1 ? QStringLiteral("1 valeur") : QStringLiteral("%1 valeurs").arg(count);
}

// Adds to `rows` the change of the value of `number` for `text` to `value`
// (trimmed), unless it is already so; a second change of the same value
// replaces the first.
void addValueChange(Connection &db, std::vector<undo::RowChange> &rows,
                    std::map<std::pair<qint64, qint64>, size_t> &seen, qint64 number, qint64 text,
                    const QString &value)
{
    const QString trimmed = value.trimmed();
    std::optional<undo::Image> after;
    if (!trimmed.isEmpty())
        after = undo::Image::ofText(trimmed);
    const auto found = seen.find({number, text});
    if (found != seen.end()) {
        rows[found->second].after = after;
        return;
    }
    const undo::RowKey key = valueKey(number, text);
    std::optional<undo::Image> before = undo::read(db, key);
    if (before.has_value() == after.has_value() && (!before || *before == *after))
        return;
    seen.emplace(std::make_pair(number, text), rows.size());
    rows.push_back({key, std::move(before), std::move(after)});
}

// Drops the changes that, after a later one replaced them, change nothing.
void dropUnchanged(std::vector<undo::RowChange> &rows)
{
    rows.erase(std::remove_if(rows.begin(), rows.end(),
                              [](const undo::RowChange &row) {
                                  return row.before.has_value() == row.after.has_value()
                                         && (!row.before || *row.before == *row.after);
                              }),
               rows.end());
}

} // namespace

undo::ChangeSet addStep(Connection &db, const QString &name)
{
    return inTransaction(db, [&] {
        const qint64 number = add(db, name);
        undo::ChangeSet set;
        set.description = QStringLiteral("l'ajout de l'attribut « %1 »").arg(name.trimmed());
        set.rows.push_back({attributeKey(number), std::nullopt, undo::Image::ofText(name.trimmed())});
        return set;
    });
}

undo::ChangeSet renameStep(Connection &db, qint64 number, const QString &name)
{
    return inTransaction(db, [&] {
        const QString old = existingName(db, number);
        const QString checked = name.trimmed();
        undo::ChangeSet set;
        set.description = QStringLiteral("le renommage de l'attribut « %1 » en « %2 »")
                              .arg(old, checked);
        if (old == checked)
            return set;
        rename(db, number, name);
        set.rows.push_back(
            {attributeKey(number), undo::Image::ofText(old), undo::Image::ofText(checked)});
        return set;
    });
}

undo::ChangeSet removeStep(Connection &db, qint64 number)
{
    return inTransaction(db, [&] {
        const QString old = existingName(db, number);
        const std::map<qint64, QString> all = values(db, number);
        undo::ChangeSet set;
        set.description = QStringLiteral("la suppression de l'attribut « %1 »").arg(old);
        if (!all.empty())
            set.description += QStringLiteral(" (%1)").arg(valuesOf(qint64(all.size())));
        for (const auto &[text, value] : all)
            set.rows.push_back({valueKey(number, text), undo::Image::ofText(value), std::nullopt});
        set.rows.push_back({attributeKey(number), undo::Image::ofText(old), std::nullopt});
        undo::applyInTransaction(db, set.rows, undo::Direction::Redo);
        return set;
    });
}

undo::ChangeSet assignStep(Connection &db, const std::vector<Assignment> &cells,
                           const QString &description)
{
    for (const Assignment &cell : cells) {
        const QString fault = valueFault(cell.value);
        if (!fault.isEmpty())
            throw StoreError(fault);
    }
    return inTransaction(db, [&] {
        Statement text(db, "SELECT 1 FROM Chemin WHERE numero = ?1");
        std::map<qint64, bool> checkedAttributes;
        std::map<qint64, bool> checkedTexts;
        undo::ChangeSet set;
        set.description = description;
        std::map<std::pair<qint64, qint64>, size_t> seen;
        for (const Assignment &cell : cells) {
            if (checkedAttributes.emplace(cell.attribute, true).second)
                existingName(db, cell.attribute);
            if (checkedTexts.emplace(cell.text, true).second)
                requireText(db, text, cell.text);
            addValueChange(db, set.rows, seen, cell.attribute, cell.text, cell.value);
        }
        dropUnchanged(set.rows);
        undo::applyInTransaction(db, set.rows, undo::Direction::Redo);
        return set;
    });
}

undo::ChangeSet sheetStep(Connection &db, const Sheet &sheet, const QString &description,
                          SheetCount *count)
{
    for (int i = 0; i < sheet.names.size(); ++i) {
        const QString fault = nameFault(sheet.names.at(i));
        if (!fault.isEmpty())
            throw StoreError(fault);
        for (int j = 0; j < i; ++j)
            if (sheet.names.at(i).trimmed().compare(sheet.names.at(j).trimmed(),
                                                    Qt::CaseInsensitive)
                == 0)
                throw StoreError(QStringLiteral("La colonne « %1 » est donnée deux fois.")
                                     .arg(sheet.names.at(i).trimmed()));
    }
    SheetCount counted;
    counted.attributes = int(sheet.names.size());
    counted.texts = int(sheet.rows.size());
    for (const Sheet::Row &row : sheet.rows) {
        if (row.values.size() != sheet.names.size())
            throw StoreError(QStringLiteral("Le texte n° %1 a %2 valeurs pour %3 attributs.")
                                 .arg(row.text)
                                 .arg(row.values.size())
                                 .arg(sheet.names.size()));
        for (const QString &value : row.values) {
            const QString fault = valueFault(value);
            if (!fault.isEmpty())
                throw StoreError(fault);
            if (!value.trimmed().isEmpty())
                ++counted.values;
        }
    }
    undo::ChangeSet set = inTransaction(db, [&] {
        undo::ChangeSet step;
        step.description = description;
        // The attributes first: those created are written here, and their
        // rows kept in the step ahead of their values.
        std::vector<qint64> numbers;
        for (const QString &name : sheet.names) {
            if (const std::optional<Attribute> found = find(db, name)) {
                numbers.push_back(found->number);
                continue;
            }
            const qint64 number = add(db, name);
            numbers.push_back(number);
            step.rows.push_back(
                {attributeKey(number), std::nullopt, undo::Image::ofText(name.trimmed())});
            ++counted.created;
        }
        const size_t created = step.rows.size();
        std::vector<undo::RowChange> changes;
        std::map<std::pair<qint64, qint64>, size_t> seen;
        Statement text(db, "SELECT 1 FROM Chemin WHERE numero = ?1");
        for (const Sheet::Row &row : sheet.rows) {
            requireText(db, text, row.text);
            for (size_t c = 0; c < numbers.size(); ++c)
                addValueChange(db, changes, seen, numbers[c], row.text,
                               row.values.at(qsizetype(c)));
        }
        dropUnchanged(changes);
        undo::applyInTransaction(db, changes, undo::Direction::Redo);
        step.rows.reserve(created + changes.size());
        for (undo::RowChange &change : changes)
            step.rows.push_back(std::move(change));
        return step;
    });
    if (count)
        *count = counted;
    return set;
}

} // namespace attributes
