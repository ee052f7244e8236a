#include "store/liststore.h"

#include "store/codebookstore.h"
#include "store/connection.h"
#include "store/schemaversion.h"
#include "store/statement.h"

#include <QList>

#include <algorithm>
#include <map>
#include <set>

#include <sqlite3.h>

namespace lists {
namespace {

using undo::Image;
using undo::RowChange;
using undo::RowKey;
using undo::Table;

constexpr int kLists = 5;
constexpr int kMostCharacters = 255;

RowKey codingKey(qint64 coding)
{
    return {Table::Contenus, 0, coding};
}

RowKey valueKey(int list, qint64 numero)
{
    return {Table::Value, list, numero};
}

RowKey definitionKey(int list, qint64 numero)
{
    return {Table::Definition, list, numero};
}

// A statement of this file, its SQL made with the list's number.
class Query : public Statement
{
public:
    Query(Connection &db, const QString &sql) : Statement(db, sql.toUtf8().constData()) {}
    operator sqlite3_stmt *() const { return handle(); }
};

bool hasTable(Connection &db, const char *table)
{
    Query stmt(db, QStringLiteral("SELECT 1 FROM sqlite_schema WHERE type = 'table' AND "
                                      "name = ?1 COLLATE NOCASE"));
    stmt.bind(1, QString::fromLatin1(table));
    return stmt.step();
}

// Runs `build` in one write transaction: it reads the rows, writes them
// and returns the step; rolled back on any failure.
template <class Build>
undo::ChangeSet inTransaction(Connection &db, Build build)
{
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

QString linesOf(qint64 count)
{
    if (count == 0)
        return QStringLiteral("aucune ligne");
    return count == 1 ? QStringLiteral("1 ligne") : QStringLiteral("%1 lignes").arg(count);
}

// The text of an existing value; throws when the list no longer has it.
QString existingValue(Connection &db, int list, qint64 numero)
{
    const std::optional<Image> image = undo::read(db, valueKey(list, numero));
    if (!image)
        throw StoreError(QStringLiteral("La valeur n° %1 n'est plus dans la liste %2 de la base de "
                                        "données « %3 » (supprimée entre-temps).")
                             .arg(numero)
                             .arg(list)
                             .arg(db.path()));
    return image->text;
}

void refuseEmptyValue(Connection &db, int list, qint64 numero, const QString &what)
{
    if (numero == kEmptyValue)
        throw StoreError(QStringLiteral("La valeur vide (n° 1) de la liste %1 ne peut pas être "
                                        "%2 : chaque ligne de codage commence sur elle (base de "
                                        "données « %3 »).")
                             .arg(list)
                             .arg(what, db.path()));
}

void refuseValue(Connection &db, const QString &text)
{
    const QString problem = valueProblem(text);
    if (!problem.isEmpty())
        throw StoreError(QStringLiteral("La valeur %1 ne peut pas être enregistrée dans la base "
                                        "de données « %2 » : %3.")
                             .arg(quoted(text), db.path(), problem));
}

// The coding rows that use a value, as they stand.
std::vector<std::pair<qint64, Image>> codingsUsing(Connection &db, int list, qint64 numero)
{
    Query stmt(db, QStringLiteral("SELECT numero, numtexte, numvar01, numvar02, numvar03, "
                                      "numvar04, numvar05 FROM Contenus WHERE numvar0%1 = ?1 "
                                      "ORDER BY numero")
                           .arg(list));
    stmt.bind(1, numero);
    std::vector<std::pair<qint64, Image>> result;
    while (stmt.step()) {
        Image image;
        for (int c = 0; c < 6; ++c) {
            if (stmt.isNull(c + 1))
                image.nulls |= quint8(1 << c);
            else
                image.numbers[size_t(c)] = qint32(stmt.integer(c + 1));
        }
        result.emplace_back(stmt.integer(0), std::move(image));
    }
    return result;
}

// The definition of a value going with it, when the file keeps definitions.
void dropDefinition(Connection &db, int list, qint64 numero, std::vector<RowChange> &rows)
{
    if (!hasTable(db, "Definitions"))
        return;
    const RowKey key = definitionKey(list, numero);
    if (std::optional<Image> definition = undo::read(db, key))
        rows.push_back({key, std::move(definition), std::nullopt});
}

void requireVersion2(Connection &db)
{
    if (schema::version(db) < 2)
        throw StoreError(QStringLiteral("La base d'analyse « %1 » est d'une version antérieure : "
                                        "elle doit être mise à jour avant d'y enregistrer les noms "
                                        "des listes et les définitions.")
                             .arg(db.path()));
}

void refuseDefinition(const QString &definition)
{
    if (definition.contains(QChar(0)))
        throw StoreError(QStringLiteral("La définition ne peut pas être enregistrée : elle "
                                        "contient un caractère nul (NUL)."));
}

} // namespace

QString quoted(const QString &text)
{
    if (text.isEmpty())
        return QStringLiteral("la valeur vide");
    constexpr int kMost = 40;
    const QString shown = text.size() <= kMost ? text : text.left(kMost) + QChar(0x2026);
    return QStringLiteral("« %1 »").arg(shown);
}

QString valueProblem(const QString &value)
{
    if (value.contains(QChar(0)))
        return QStringLiteral("elle contient un caractère nul (NUL), qu'une liste n'accepte pas");
    if (value.isEmpty())
        return QStringLiteral("elle est vide");
    const qsizetype characters = value.toUcs4().size();
    if (characters > kMostCharacters)
        return QStringLiteral("elle a %1 caractères, pour 255 au plus").arg(characters);
    return QString();
}

std::vector<Value> values(Connection &db, int list)
{
    checkListNumber(list);
    Query stmt(db, QStringLiteral("SELECT numero, variable0%1 FROM var_comp_0%1").arg(list));
    std::vector<Value> result;
    while (stmt.step())
        result.push_back(Value{stmt.integer(0), stmt.text(1)});
    return result;
}

std::optional<QString> valueText(Connection &db, int list, qint64 numero)
{
    checkListNumber(list);
    const std::optional<Image> image = undo::read(db, valueKey(list, numero));
    if (!image)
        return std::nullopt;
    return image->text;
}

qint64 usageCount(Connection &db, int list, qint64 numero)
{
    checkListNumber(list);
    Query stmt(db,
                   QStringLiteral("SELECT count(*) FROM Contenus WHERE numvar0%1 = ?1").arg(list));
    stmt.bind(1, numero);
    stmt.step();
    return stmt.integer(0);
}

undo::ChangeSet addCoding(Connection &db, qint64 segment)
{
    return inTransaction(db, [&] {
        const QString what =
            QStringLiteral("La ligne de codage du segment n° %1 n'a pas pu être ajoutée")
                .arg(segment);
        {
            // Say which is missing rather than the engine's bare refusal.
            Query check(db, QStringLiteral(
                                    "SELECT (SELECT count(*) FROM textes WHERE numero = ?1),"
                                    " (SELECT count(*) FROM var_comp_01 WHERE numero = 1),"
                                    " (SELECT count(*) FROM var_comp_02 WHERE numero = 1),"
                                    " (SELECT count(*) FROM var_comp_03 WHERE numero = 1),"
                                    " (SELECT count(*) FROM var_comp_04 WHERE numero = 1),"
                                    " (SELECT count(*) FROM var_comp_05 WHERE numero = 1)"));
            check.bind(1, segment);
            check.step();
            if (check.integer(0) == 0)
                throw StoreError(QStringLiteral("%1 : le segment n'existe plus dans la base de "
                                                "données « %2 ».")
                                     .arg(what, db.path()));
            for (int k = 1; k <= kLists; ++k)
                if (check.integer(k) == 0)
                    throw StoreError(QStringLiteral("%1 : la liste %2 n'a plus sa valeur vide "
                                                    "(n° 1), à laquelle une nouvelle ligne "
                                                    "renvoie, dans la base de données « %3 ».")
                                         .arg(what)
                                         .arg(k)
                                         .arg(db.path()));
        }
        Query insert(db, QStringLiteral("INSERT INTO Contenus (numtexte, numvar01, numvar02, "
                                            "numvar03, numvar04, numvar05) "
                                            "VALUES (?1, 1, 1, 1, 1, 1)"));
        insert.bind(1, segment);
        if (sqlite3_step(insert) != SQLITE_DONE)
            undo::failWrite(db, what, sqlite3_extended_errcode(db.handle()));
        const qint64 coding = sqlite3_last_insert_rowid(db.handle());
        const RowKey key = codingKey(coding);
        undo::ChangeSet set;
        set.description = QStringLiteral("l'ajout d'une ligne de codage au segment n° %1")
                              .arg(segment);
        set.rows.push_back({key, std::nullopt, undo::read(db, key)});
        return set;
    });
}

undo::ChangeSet setCodingValue(Connection &db, qint64 coding, int list, qint64 value)
{
    checkListNumber(list);
    return inTransaction(db, [&] {
        const RowKey key = codingKey(coding);
        const std::optional<Image> before = undo::read(db, key);
        if (!before)
            throw StoreError(QStringLiteral("La valeur de la liste %1 de la ligne de codage n° %2 "
                                            "n'a pas pu être enregistrée : la ligne n'existe plus "
                                            "dans la base de données « %3 ».")
                                 .arg(list)
                                 .arg(coding)
                                 .arg(db.path()));
        const std::optional<QString> text = valueText(db, list, value);
        if (!text)
            throw StoreError(QStringLiteral("La valeur de la liste %1 de la ligne de codage n° %2 "
                                            "n'a pas pu être enregistrée : la valeur n° %3 n'est "
                                            "pas dans la liste %1 de la base de données « %4 ».")
                                 .arg(list)
                                 .arg(coding)
                                 .arg(value)
                                 .arg(db.path()));
        Image after = *before;
        after.setNumber(list, value);
        undo::ChangeSet set;
        set.description = QStringLiteral("le choix de %1 (ligne de codage n° %2)")
                              .arg(quoted(*text), QString::number(coding));
        if (after == *before)
            return set; // nothing to change
        set.rows.push_back({key, before, after});
        undo::applyInTransaction(db, set.rows, undo::Direction::Redo);
        return set;
    });
}

undo::ChangeSet deleteCoding(Connection &db, qint64 coding)
{
    return inTransaction(db, [&] {
        const RowKey key = codingKey(coding);
        const std::optional<Image> before = undo::read(db, key);
        if (!before)
            throw StoreError(QStringLiteral("La ligne de codage n° %1 n'a pas pu être supprimée : "
                                            "elle n'existe plus dans la base de données « %2 ».")
                                 .arg(coding)
                                 .arg(db.path()));
        undo::ChangeSet set;
        set.description = QStringLiteral("la suppression de la ligne de codage n° %1").arg(coding);
        set.rows.push_back({key, before, std::nullopt});
        undo::applyInTransaction(db, set.rows, undo::Direction::Redo);
        return set;
    });
}

undo::ChangeSet addValue(Connection &db, int list, const QString &text,
                         const QString &given)
{
    checkListNumber(list);
    refuseValue(db, text);
    const QString definition = given.trimmed().isEmpty() ? QString() : given;
    if (!definition.isEmpty()) {
        requireVersion2(db);
        refuseDefinition(definition);
    }
    return inTransaction(db, [&] {
        Query insert(db,
                         QStringLiteral("INSERT INTO var_comp_0%1 (variable0%1) VALUES (?1)").arg(list));
        insert.bind(1, text);
        if (sqlite3_step(insert) != SQLITE_DONE)
            undo::failWrite(db,
                            QStringLiteral("La valeur %1 n'a pas pu être ajoutée à la liste %2")
                                .arg(quoted(text), QString::number(list)),
                            sqlite3_extended_errcode(db.handle()));
        const qint64 numero = sqlite3_last_insert_rowid(db.handle());
        undo::ChangeSet set;
        set.description = QStringLiteral("l'ajout de %1").arg(quoted(text));
        set.rows.push_back({valueKey(list, numero), std::nullopt, Image::ofText(text)});
        if (!definition.isEmpty()) {
            // A definition of that number would be one another program left
            // for a value since deleted: it is replaced, and comes back on undo.
            const RowKey key = definitionKey(list, numero);
            std::vector<RowChange> rows{{key, undo::read(db, key), Image::ofText(definition)}};
            undo::applyInTransaction(db, rows, undo::Direction::Redo);
            set.rows.push_back(rows.front());
        }
        return set;
    });
}

undo::ChangeSet modifyValue(Connection &db, int list, qint64 numero, const QString &text)
{
    checkListNumber(list);
    refuseEmptyValue(db, list, numero, QStringLiteral("modifiée"));
    refuseValue(db, text);
    return inTransaction(db, [&] {
        const QString old = existingValue(db, list, numero);
        undo::ChangeSet set;
        set.description =
            QStringLiteral("la modification de %1 en %2").arg(quoted(old), quoted(text));
        set.rows.push_back({valueKey(list, numero), Image::ofText(old), Image::ofText(text)});
        undo::applyInTransaction(db, set.rows, undo::Direction::Redo);
        return set;
    });
}

undo::ChangeSet deleteValue(Connection &db, int list, qint64 numero, qint64 expectedUses)
{
    checkListNumber(list);
    refuseEmptyValue(db, list, numero, QStringLiteral("supprimée"));
    return inTransaction(db, [&] {
        const QString old = existingValue(db, list, numero);
        const auto codings = codingsUsing(db, list, numero);
        const qint64 uses = qint64(codings.size());
        if (uses != expectedUses)
            throw UsageChanged(uses == 0 ? QStringLiteral("%1 n'est plus utilisée par aucune ligne "
                                                          "de codage.")
                                                   .arg(quoted(old))
                                             : QStringLiteral("%1 est maintenant utilisée par %2 "
                                                              "de codage.")
                                                   .arg(quoted(old), linesOf(uses)),
                               uses);
        undo::ChangeSet set;
        set.description = QStringLiteral("la suppression de %1").arg(quoted(old));
        if (uses > 0)
            set.description += QStringLiteral(" (%1)").arg(linesOf(uses));
        for (const auto &[coding, image] : codings)
            set.rows.push_back({codingKey(coding), image, std::nullopt});
        dropDefinition(db, list, numero, set.rows);
        set.rows.push_back({valueKey(list, numero), Image::ofText(old), std::nullopt});
        undo::applyInTransaction(db, set.rows, undo::Direction::Redo);
        return set;
    });
}

undo::ChangeSet replaceValue(Connection &db, int list, qint64 from, qint64 to)
{
    checkListNumber(list);
    refuseEmptyValue(db, list, from, QStringLiteral("remplacée"));
    if (from == to)
        throw StoreError(QStringLiteral("Une valeur ne peut pas être remplacée par elle-même."));
    return inTransaction(db, [&] {
        const QString old = existingValue(db, list, from);
        const QString target = existingValue(db, list, to);
        const auto codings = codingsUsing(db, list, from);
        undo::ChangeSet set;
        set.description = QStringLiteral("le remplacement de %1 par %2").arg(quoted(old), quoted(target));
        if (!codings.empty())
            set.description += QStringLiteral(" (%1)").arg(linesOf(qint64(codings.size())));
        for (const auto &[coding, image] : codings) {
            Image after = image;
            after.setNumber(list, to);
            set.rows.push_back({codingKey(coding), image, after});
        }
        dropDefinition(db, list, from, set.rows);
        set.rows.push_back({valueKey(list, from), Image::ofText(old), std::nullopt});
        undo::applyInTransaction(db, set.rows, undo::Direction::Redo);
        return set;
    });
}

undo::ChangeSet setListName(Connection &db, int list, const QString &given)
{
    checkListNumber(list);
    requireVersion2(db);
    // The default name is no name: the row goes.
    QString name = given.trimmed();
    if (name == codebook::defaultListName(list))
        name.clear();
    if (name.contains(QChar(0)))
        throw StoreError(QStringLiteral("Le nom de la liste %1 ne peut pas être enregistré : il "
                                        "contient un caractère nul (NUL).")
                             .arg(list));
    if (name.toUcs4().size() > kMostCharacters)
        throw StoreError(QStringLiteral("Le nom de la liste %1 ne peut pas être enregistré : il "
                                        "dépasse 255 caractères.")
                             .arg(list));
    return inTransaction(db, [&] {
        const RowKey key{Table::ListName, list, 0};
        const std::optional<Image> before = undo::read(db, key);
        std::optional<Image> after;
        if (!name.isEmpty())
            after = Image::ofText(name);
        undo::ChangeSet set;
        set.description = QStringLiteral("le nom %1 de la liste %2")
                              .arg(quoted(name.isEmpty() ? codebook::defaultListName(list) : name),
                                   QString::number(list));
        if (before.has_value() == after.has_value()
            && (!before || before->text == after->text))
            return set; // nothing to change
        set.rows.push_back({key, before, after});
        undo::applyInTransaction(db, set.rows, undo::Direction::Redo);
        return set;
    });
}

undo::ChangeSet setDefinition(Connection &db, int list, qint64 numero, const QString &given)
{
    checkListNumber(list);
    requireVersion2(db);
    const QString definition = given.trimmed().isEmpty() ? QString() : given;
    refuseDefinition(definition);
    return inTransaction(db, [&] {
        const QString value = existingValue(db, list, numero);
        const RowKey key = definitionKey(list, numero);
        const std::optional<Image> before = undo::read(db, key);
        std::optional<Image> after;
        if (!definition.isEmpty())
            after = Image::ofText(definition);
        undo::ChangeSet set;
        set.description = QStringLiteral("la définition de %1").arg(quoted(value));
        if (before.has_value() == after.has_value()
            && (!before || before->text == after->text))
            return set; // nothing to change
        set.rows.push_back({key, before, after});
        undo::applyInTransaction(db, set.rows, undo::Direction::Redo);
        return set;
    });
}

} // namespace lists

namespace lists {

QString CodebookOutcome::line() const
{
    return QStringLiteral("ajoutées : %1; déjà présentes : %2; définitions changées : %3; noms de "
                          "listes : %4")
        .arg(added.size())
        .arg(present.size())
        .arg(definitions)
        .arg(names);
}

undo::ChangeSet importCodebook(Connection &db, const Codebook &book, const QString &source,
                               CodebookOutcome *outcome)
{
    requireVersion2(db);
    for (int k = 1; k <= kLists; ++k) {
        const QString name = book.names[size_t(k - 1)].trimmed();
        if (name.contains(QChar(0)) || name.toUcs4().size() > kMostCharacters)
            throw StoreError(QStringLiteral("Le nom de la liste %1 ne peut pas être enregistré : "
                                            "il contient un caractère nul (NUL) ou dépasse 255 "
                                            "caractères.")
                                 .arg(k));
    }
    for (const CodebookEntry &e : book.entries) {
        checkListNumber(e.list);
        if (!e.value.trimmed().isEmpty())
            refuseValue(db, e.value);
        refuseDefinition(e.definition);
    }
    CodebookOutcome done;
    undo::ChangeSet set = inTransaction(db, [&] {
        undo::ChangeSet step;
        // Names and definitions are written after the values, whose numbers
        // the definitions of new values need; undoing takes them back first.
        std::vector<RowChange> described;
        for (int k = 1; k <= kLists; ++k) {
            const QString name = book.names[size_t(k - 1)].trimmed();
            if (!name.isEmpty() && name != codebook::defaultListName(k)) {
                const RowKey key{Table::ListName, k, 0};
                std::optional<Image> before = undo::read(db, key);
                if (!before || before->text != name) {
                    described.push_back({key, std::move(before), Image::ofText(name)});
                    ++done.names;
                }
            }
            // The first value of a text (lowest number) is the one matched.
            std::map<QString, qint64> known;
            std::vector<Value> existing = values(db, k);
            std::sort(existing.begin(), existing.end(),
                      [](const Value &a, const Value &b) { return a.numero < b.numero; });
            for (const Value &v : existing)
                known.emplace(v.text.trimmed(), v.numero);
            const std::map<qint64, QString> definitions = codebook::definitions(db, k);
            std::set<qint64> added;
            std::set<qint64> present;
            std::set<qint64> defined;
            std::optional<Query> insert;
            for (const CodebookEntry &e : book.entries) {
                if (e.list != k)
                    continue;
                const QString key = e.value.trimmed();
                qint64 numero = 0;
                const auto found = known.find(key);
                if (found != known.end()) {
                    numero = found->second;
                    // A value given twice in the codebook is one value; the
                    // empty value, in every list, is not told.
                    if (!key.isEmpty() && !added.count(numero) && present.insert(numero).second)
                        done.present.emplace_back(k, e.value);
                } else {
                    if (!insert)
                        insert.emplace(db, QStringLiteral("INSERT INTO var_comp_0%1 (variable0%1) "
                                                          "VALUES (?1)")
                                               .arg(k));
                    insert->reset();
                    insert->bind(1, e.value);
                    if (sqlite3_step(*insert) != SQLITE_DONE)
                        undo::failWrite(db,
                                        QStringLiteral("La valeur %1 n'a pas pu être ajoutée à la "
                                                       "liste %2")
                                            .arg(quoted(e.value), QString::number(k)),
                                        sqlite3_extended_errcode(db.handle()));
                    numero = sqlite3_last_insert_rowid(db.handle());
                    step.rows.push_back(
                        {valueKey(k, numero), std::nullopt, Image::ofText(e.value)});
                    known.emplace(key, numero);
                    added.insert(numero);
                    done.added.emplace_back(k, e.value);
                }
                if (e.definition.trimmed().isEmpty() || !defined.insert(numero).second)
                    continue;
                const RowKey definitionRow = definitionKey(k, numero);
                const auto old = definitions.find(numero);
                std::optional<Image> before;
                if (old != definitions.end())
                    before = Image::ofText(old->second);
                else if (added.count(numero))
                    before = undo::read(db, definitionRow); // one left by another program
                if (before && before->text == e.definition)
                    continue;
                described.push_back({definitionRow, std::move(before), Image::ofText(e.definition)});
                ++done.definitions;
            }
        }
        undo::applyInTransaction(db, described, undo::Direction::Redo);
        step.rows.insert(step.rows.end(), described.begin(), described.end());
        step.description = QStringLiteral("l'import du livre de codes %1").arg(quoted(source));
        if (!done.added.empty())
            step.description += done.added.size() == 1
                                    ? QStringLiteral(" (1 valeur)")
                                    : QStringLiteral(" (%1 valeurs)").arg(done.added.size());
        return step;
    });
    if (outcome)
        *outcome = std::move(done);
    return set;
}

} // namespace lists
