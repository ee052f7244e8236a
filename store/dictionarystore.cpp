#include "store/dictionarystore.h"

#include "common/frenchorder.h"
#include "store/connection.h"
#include "store/statement.h"
#include "store/storeerror.h"
#include "store/undostore.h"

#include <sqlite3.h>

#include <QHash>
#include <QSet>

#include <map>

namespace dictionaries {
namespace {

using words::DictionaryEntry;

constexpr int kMostCharacters = 255;

int characters(const QString &text)
{
    return int(text.toUcs4().size());
}

bool hasControl(const QString &text)
{
    for (const QChar c : text)
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator
            || c == QChar::ParagraphSeparator)
            return true;
    return false;
}

void requireTables(Connection &db)
{
    if (!available(db))
        throw StoreError(QStringLiteral("L'analyse « %1 » ne peut pas garder de dictionnaires : "
                                        "elle est d'une version plus ancienne. Ouvrez-la dans "
                                        "« Analyse de contenu », qui la met à jour.")
                             .arg(db.path()));
}

void requireWritable(Connection &db)
{
    requireTables(db);
    if (db.readOnly())
        throw StoreError(QStringLiteral("L'analyse « %1 » est ouverte en lecture seule : ses "
                                        "dictionnaires ne peuvent pas être changés.")
                             .arg(db.path()));
}

// Runs `write` in one write transaction; rolled back on any failure.
template <class Write>
auto inTransaction(Connection &db, Write write)
{
    undo::beginWrite(db);
    try {
        auto result = write();
        undo::commitWrite(db);
        return result;
    } catch (...) {
        db.rollback();
        throw;
    }
}

// Steps a statement that returns no row; a failure told in French.
void run(Connection &db, Statement &stmt, const QString &what)
{
    const int rc = sqlite3_step(stmt.handle());
    if (rc != SQLITE_DONE && rc != SQLITE_ROW)
        undo::failWrite(db, what, sqlite3_extended_errcode(db.handle()));
    stmt.reset();
}

void checkDictionaryName(const QString &name)
{
    if (name.isEmpty())
        throw StoreError(QStringLiteral("Un dictionnaire doit avoir un nom."));
    if (hasControl(name))
        throw StoreError(QStringLiteral("Le nom de dictionnaire « %1 » contient un saut de ligne "
                                        "ou un caractère de contrôle.")
                             .arg(name.simplified()));
    if (characters(name) > kMostCharacters)
        throw StoreError(QStringLiteral("Le nom de dictionnaire « %1… » est trop long (255 "
                                        "caractères au plus).")
                             .arg(name.left(40)));
}

void checkCategoryName(const QString &name)
{
    if (name.isEmpty())
        throw StoreError(QStringLiteral("Une catégorie doit avoir un nom."));
    if (name.contains(QLatin1Char('>')))
        throw StoreError(QStringLiteral("Le nom de catégorie « %1 » contient « > », qui sépare "
                                        "une catégorie de sa catégorie parente.")
                             .arg(name));
    if (hasControl(name))
        throw StoreError(QStringLiteral("Le nom de catégorie « %1 » contient un saut de ligne ou "
                                        "un caractère de contrôle.")
                             .arg(name.simplified()));
    if (characters(name) > kMostCharacters)
        throw StoreError(QStringLiteral("Le nom de catégorie « %1… » est trop long (255 "
                                        "caractères au plus).")
                             .arg(name.left(40)));
}

// An entry as the model holds it (words/dictionary.h): its text as written,
// without the marks of its kind.
void checkEntry(const DictionaryEntry &e)
{
    const QString &t = e.text;
    const QString shown = t.left(60);
    if (t.trimmed().isEmpty())
        throw StoreError(QStringLiteral("Une entrée est vide."));
    if (t != t.trimmed() || t.contains(QStringLiteral("  ")) || t.contains(QLatin1Char('\t')))
        throw StoreError(QStringLiteral("L'entrée « %1 » a des espaces en trop.").arg(shown));
    if (hasControl(t))
        throw StoreError(
            QStringLiteral("L'entrée « %1 » contient un caractère de contrôle.").arg(t.simplified()));
    if (characters(t) > kMostCharacters)
        throw StoreError(QStringLiteral("L'entrée « %1… » est trop longue (255 caractères au plus).")
                             .arg(t.left(40)));
    if (t.contains(QLatin1Char('"')))
        throw StoreError(QStringLiteral("L'entrée « %1 » contient un guillemet.").arg(shown));
    const QStringList words = t.split(QLatin1Char(' '));
    const bool phrase = e.kind == DictionaryEntry::Kind::Phrase;
    if (phrase != (words.size() > 1))
        throw StoreError(phrase ? QStringLiteral("L'expression « %1 » n'a qu'un mot.").arg(shown)
                                : QStringLiteral("L'entrée « %1 » a plusieurs mots : c'est une "
                                                 "expression.")
                                      .arg(shown));
    for (const QString &w : words) {
        const qsizetype star = w.indexOf(QLatin1Char('*'));
        const bool allowed = phrase && star == w.size() - 1 && w.size() > 1;
        if (star >= 0 && !allowed)
            throw StoreError(QStringLiteral("L'entrée « %1 » a un « * » mal placé : il ne finit "
                                            "qu'un mot d'une expression, et un préfixe s'écrit "
                                            "sans lui.")
                                 .arg(shown));
    }
}

QString entryKey(const DictionaryEntry &e)
{
    return QString::number(int(e.kind)) + QLatin1Char('\x1f') + e.text;
}

int genreOf(DictionaryEntry::Kind kind)
{
    switch (kind) {
    case DictionaryEntry::Kind::Word:
        return 1;
    case DictionaryEntry::Kind::Prefix:
        return 2;
    case DictionaryEntry::Kind::Phrase:
        return 3;
    }
    return 1;
}

DictionaryEntry::Kind kindOf(qint64 genre)
{
    return genre == 2 ? DictionaryEntry::Kind::Prefix
                      : genre == 3 ? DictionaryEntry::Kind::Phrase : DictionaryEntry::Kind::Word;
}

QString written(const DictionaryEntry &e)
{
    QString text = e.text;
    if (e.kind == DictionaryEntry::Kind::Prefix)
        text += QLatin1Char('*');
    return e.exclusion ? QLatin1Char('-') + text : text;
}

// The entry may go in the category: not there yet, in either sense.
void checkNewEntry(Connection &db, qint64 category, const DictionaryEntry &e, qint64 except)
{
    Statement same(db, "SELECT exclusion FROM EntreesDictionnaires WHERE categorie = ?1 AND"
                       " genre = ?2 AND texte = ?3 AND numero <> ?4");
    same.bind(1, category).bind(2, genreOf(e.kind)).bind(3, e.text).bind(4, except);
    if (!same.step())
        return;
    DictionaryEntry counted = e;
    counted.exclusion = false;
    if ((same.integer(0) != 0) == e.exclusion)
        throw StoreError(QStringLiteral("La catégorie a déjà l'entrée « %1 ».").arg(written(e)));
    throw StoreError(QStringLiteral("La catégorie ne peut pas compter et exclure à la fois « %1 ».")
                         .arg(written(counted)));
}

// The category's dictionary and parent; throws when it is not there.
std::pair<qint64, qint64> categoryRow(Connection &db, qint64 category)
{
    Statement stmt(db, "SELECT dictionnaire, ifnull(parent, 0) FROM CategoriesDictionnaires"
                       " WHERE numero = ?1");
    stmt.bind(1, category);
    if (!stmt.step())
        throw StoreError(QStringLiteral("La catégorie n° %1 n'est plus dans l'analyse « %2 ».")
                             .arg(category)
                             .arg(db.path()));
    return {stmt.integer(0), stmt.integer(1)};
}

void checkSiblingName(Connection &db, qint64 dictionary, qint64 parent, const QString &name,
                      qint64 except)
{
    Statement stmt(db, "SELECT 1 FROM CategoriesDictionnaires WHERE dictionnaire = ?1 AND"
                       " ifnull(parent, 0) = ?2 AND nom = ?3 AND numero <> ?4");
    stmt.bind(1, dictionary).bind(2, parent).bind(3, name).bind(4, except);
    if (stmt.step())
        throw StoreError(parent == 0
                             ? QStringLiteral("Le dictionnaire a déjà une catégorie « %1 ».").arg(name)
                             : QStringLiteral("Cette catégorie a déjà une sous-catégorie « %1 ».")
                                   .arg(name));
}

void checkFreeName(Connection &db, const QString &name, qint64 except)
{
    Statement stmt(db, "SELECT 1 FROM Dictionnaires WHERE nom = ?1 AND numero <> ?2");
    stmt.bind(1, name).bind(2, except);
    if (stmt.step())
        throw StoreError(QStringLiteral("L'analyse a déjà un dictionnaire « %1 ».").arg(name));
}

void requireDictionary(Connection &db, qint64 number)
{
    Statement stmt(db, "SELECT 1 FROM Dictionnaires WHERE numero = ?1");
    stmt.bind(1, number);
    if (!stmt.step())
        throw StoreError(QStringLiteral("Le dictionnaire n° %1 n'est plus dans l'analyse « %2 ».")
                             .arg(number)
                             .arg(db.path()));
}

qint64 nextRank(Connection &db, const char *sql, qint64 owner)
{
    Statement stmt(db, sql);
    stmt.bind(1, owner);
    return stmt.step() ? stmt.integer(0) : 0;
}

} // namespace

bool available(Connection &db)
{
    Statement stmt(db, "SELECT count(*) FROM main.sqlite_schema WHERE type = 'table' AND name IN"
                       " ('Dictionnaires', 'CategoriesDictionnaires', 'EntreesDictionnaires')");
    return stmt.step() && stmt.integer(0) == 3;
}

std::vector<Summary> list(Connection &db)
{
    std::vector<Summary> found;
    if (!available(db))
        return found;
    Statement stmt(db,
                   "SELECT d.numero, d.nom, d.source,"
                   " (SELECT count(*) FROM CategoriesDictionnaires c WHERE c.dictionnaire = d.numero),"
                   " (SELECT count(*) FROM EntreesDictionnaires e JOIN CategoriesDictionnaires c"
                   "  ON c.numero = e.categorie WHERE c.dictionnaire = d.numero)"
                   " FROM Dictionnaires d");
    std::vector<french::OrderedValue> names;
    std::map<qint64, Summary> byNumber;
    while (stmt.step()) {
        Summary s{stmt.integer(0), stmt.text(1), stmt.text(2), int(stmt.integer(3)),
                  stmt.integer(4)};
        names.push_back({s.number, s.name});
        byNumber.emplace(s.number, s);
    }
    french::sortFrench(names);
    for (const french::OrderedValue &n : names)
        found.push_back(byNumber[n.numero]);
    return found;
}

std::optional<qint64> find(Connection &db, const QString &name)
{
    if (!available(db))
        return std::nullopt;
    Statement stmt(db, "SELECT numero FROM Dictionnaires WHERE nom = ?1");
    stmt.bind(1, name.trimmed());
    if (!stmt.step())
        return std::nullopt;
    return stmt.integer(0);
}

Stored read(Connection &db, qint64 number)
{
    requireTables(db);
    Stored stored;
    stored.number = number;
    {
        Statement stmt(db, "SELECT nom, source FROM Dictionnaires WHERE numero = ?1");
        stmt.bind(1, number);
        if (!stmt.step())
            throw StoreError(QStringLiteral("Le dictionnaire n° %1 n'est pas dans l'analyse « %2 ».")
                                 .arg(number)
                                 .arg(db.path()));
        stored.dictionary.name = stmt.text(0);
        stored.dictionary.source = stmt.text(1);
    }
    // Tree order: each top category followed by its children.
    struct Row
    {
        qint64 number;
        qint64 parent;
        QString name;
    };
    std::vector<Row> tops;
    std::map<qint64, std::vector<Row>> children;
    {
        Statement stmt(db, "SELECT numero, ifnull(parent, 0), nom FROM CategoriesDictionnaires"
                           " WHERE dictionnaire = ?1 ORDER BY rang, numero");
        stmt.bind(1, number);
        while (stmt.step()) {
            Row row{stmt.integer(0), stmt.integer(1), stmt.text(2)};
            if (row.parent == 0)
                tops.push_back(row);
            else
                children[row.parent].push_back(row);
        }
    }
    std::map<qint64, size_t> indexOf;
    auto place = [&](const Row &row, const QString &parent) {
        words::DictionaryCategory category;
        category.name = row.name;
        category.parent = parent;
        indexOf.emplace(row.number, stored.dictionary.categories.size());
        stored.dictionary.categories.push_back(std::move(category));
        stored.categories.push_back(row.number);
    };
    for (const Row &top : tops) {
        place(top, QString());
        for (const Row &child : children[top.number])
            place(child, top.name);
    }
    stored.entries.resize(stored.categories.size());
    Statement stmt(db, "SELECT e.numero, e.categorie, e.genre, e.exclusion, e.texte"
                       " FROM EntreesDictionnaires e JOIN CategoriesDictionnaires c"
                       " ON c.numero = e.categorie WHERE c.dictionnaire = ?1"
                       " ORDER BY e.categorie, e.rang, e.numero");
    stmt.bind(1, number);
    while (stmt.step()) {
        const auto at = indexOf.find(stmt.integer(1));
        if (at == indexOf.end())
            continue; // under a category nested deeper than the model holds
        DictionaryEntry entry;
        entry.kind = kindOf(stmt.integer(2));
        entry.exclusion = stmt.integer(3) != 0;
        entry.text = stmt.text(4);
        stored.dictionary.categories[at->second].entries.push_back(entry);
        stored.entries[at->second].push_back(stmt.integer(0));
    }
    return stored;
}

qint64 save(Connection &db, const words::Dictionary &dictionary, bool replace)
{
    requireWritable(db);
    const QString name = dictionary.name.trimmed();
    checkDictionaryName(name);
    // Everything is checked before anything is written.
    QSet<QString> paths;
    QSet<QString> tops;
    for (const words::DictionaryCategory &c : dictionary.categories) {
        checkCategoryName(c.name);
        if (!c.parent.isEmpty() && !tops.contains(c.parent))
            throw StoreError(QStringLiteral("La catégorie « %1 » n'est pas sous une catégorie du "
                                            "premier niveau qui la précède.")
                                 .arg(c.path()));
        if (paths.contains(c.path()))
            throw StoreError(QStringLiteral("La catégorie « %1 » est donnée deux fois.").arg(c.path()));
        paths.insert(c.path());
        if (c.parent.isEmpty())
            tops.insert(c.name);
        QHash<QString, bool> entries;
        for (const DictionaryEntry &e : c.entries) {
            try {
                checkEntry(e);
            } catch (const StoreError &error) {
                throw StoreError(QStringLiteral("Catégorie « %1 » : %2").arg(c.path(), error.message()));
            }
            const QString key = entryKey(e);
            const auto known = entries.constFind(key);
            if (known != entries.constEnd() && *known != e.exclusion) {
                DictionaryEntry counted = e;
                counted.exclusion = false;
                throw StoreError(QStringLiteral("La catégorie « %1 » compte et exclut à la fois "
                                                "« %2 ».")
                                     .arg(c.path(), written(counted)));
            }
            entries.insert(key, e.exclusion);
        }
    }
    if (dictionary.categories.empty())
        throw StoreError(QStringLiteral("Le dictionnaire « %1 » n'a aucune catégorie.").arg(name));

    return inTransaction(db, [&] {
        if (const std::optional<qint64> existing = find(db, name)) {
            if (!replace)
                throw StoreError(QStringLiteral("L'analyse a déjà un dictionnaire « %1 ».").arg(name));
            Statement drop(db, "DELETE FROM Dictionnaires WHERE numero = ?1");
            drop.bind(1, *existing);
            run(db, drop, QStringLiteral("Le dictionnaire « %1 » n'a pas pu être remplacé").arg(name));
        }
        const QString failure = QStringLiteral("Le dictionnaire « %1 » n'a pas pu être enregistré")
                                    .arg(name);
        Statement insert(db, "INSERT INTO Dictionnaires (nom, source) VALUES (?1, ?2)");
        insert.bind(1, name).bind(2, dictionary.source.isNull() ? QString(QLatin1String(""))
                                                                : dictionary.source);
        run(db, insert, failure);
        const qint64 number = sqlite3_last_insert_rowid(db.handle());
        Statement category(db, "INSERT INTO CategoriesDictionnaires (dictionnaire, parent, rang,"
                               " nom) VALUES (?1, ?2, ?3, ?4)");
        Statement entry(db, "INSERT INTO EntreesDictionnaires (categorie, rang, genre, exclusion,"
                            " texte) VALUES (?1, ?2, ?3, ?4, ?5)");
        QHash<QString, qint64> topRows;
        qint64 rank = 0;
        for (const words::DictionaryCategory &c : dictionary.categories) {
            category.bind(1, number);
            if (c.parent.isEmpty())
                category.bindNull(2);
            else
                category.bind(2, topRows.value(c.parent));
            category.bind(3, rank++).bind(4, c.name);
            run(db, category, failure);
            const qint64 row = sqlite3_last_insert_rowid(db.handle());
            if (c.parent.isEmpty())
                topRows.insert(c.name, row);
            QSet<QString> seen;
            qint64 entryRank = 0;
            for (const DictionaryEntry &e : c.entries) {
                if (seen.contains(entryKey(e)))
                    continue; // the same entry twice is one
                seen.insert(entryKey(e));
                entry.bind(1, row).bind(2, entryRank++).bind(3, genreOf(e.kind));
                entry.bind(4, e.exclusion ? 1 : 0).bind(5, e.text);
                run(db, entry, failure);
            }
        }
        return number;
    });
}

void rename(Connection &db, qint64 number, const QString &given)
{
    requireWritable(db);
    const QString name = given.trimmed();
    checkDictionaryName(name);
    inTransaction(db, [&] {
        requireDictionary(db, number);
        checkFreeName(db, name, number);
        Statement stmt(db, "UPDATE Dictionnaires SET nom = ?1 WHERE numero = ?2");
        stmt.bind(1, name).bind(2, number);
        run(db, stmt, QStringLiteral("Le dictionnaire n'a pas pu être renommé"));
        return 0;
    });
}

void remove(Connection &db, qint64 number)
{
    requireWritable(db);
    inTransaction(db, [&] {
        requireDictionary(db, number);
        Statement stmt(db, "DELETE FROM Dictionnaires WHERE numero = ?1");
        stmt.bind(1, number);
        run(db, stmt, QStringLiteral("Le dictionnaire n'a pas pu être supprimé"));
        return 0;
    });
}

QString freeName(Connection &db, const QString &given)
{
    const QString name = given.trimmed().isEmpty() ? QStringLiteral("Dictionnaire") : given.trimmed();
    if (!find(db, name))
        return name;
    for (int n = 2;; ++n) {
        const QString candidate = QStringLiteral("%1 (%2)").arg(name).arg(n);
        if (!find(db, candidate))
            return candidate;
    }
}

qint64 addCategory(Connection &db, qint64 dictionary, qint64 parent, const QString &given)
{
    requireWritable(db);
    const QString name = given.trimmed();
    checkCategoryName(name);
    return inTransaction(db, [&] {
        requireDictionary(db, dictionary);
        if (parent != 0) {
            const auto [owner, grandParent] = categoryRow(db, parent);
            if (owner != dictionary)
                throw StoreError(QStringLiteral("La catégorie parente n'est pas de ce dictionnaire."));
            if (grandParent != 0)
                throw StoreError(QStringLiteral("Une sous-catégorie ne peut pas en avoir : un seul "
                                                "niveau d'imbrication est pris en charge."));
        }
        checkSiblingName(db, dictionary, parent, name, 0);
        const qint64 rank =
            nextRank(db, "SELECT ifnull(max(rang), -1) + 1 FROM CategoriesDictionnaires WHERE"
                         " dictionnaire = ?1",
                     dictionary);
        Statement stmt(db, "INSERT INTO CategoriesDictionnaires (dictionnaire, parent, rang, nom)"
                           " VALUES (?1, ?2, ?3, ?4)");
        stmt.bind(1, dictionary);
        if (parent == 0)
            stmt.bindNull(2);
        else
            stmt.bind(2, parent);
        stmt.bind(3, rank).bind(4, name);
        run(db, stmt, QStringLiteral("La catégorie « %1 » n'a pas pu être ajoutée").arg(name));
        return qint64(sqlite3_last_insert_rowid(db.handle()));
    });
}

void renameCategory(Connection &db, qint64 category, const QString &given)
{
    requireWritable(db);
    const QString name = given.trimmed();
    checkCategoryName(name);
    inTransaction(db, [&] {
        const auto [dictionary, parent] = categoryRow(db, category);
        checkSiblingName(db, dictionary, parent, name, category);
        Statement stmt(db, "UPDATE CategoriesDictionnaires SET nom = ?1 WHERE numero = ?2");
        stmt.bind(1, name).bind(2, category);
        run(db, stmt, QStringLiteral("La catégorie n'a pas pu être renommée"));
        return 0;
    });
}

void removeCategory(Connection &db, qint64 category)
{
    requireWritable(db);
    inTransaction(db, [&] {
        categoryRow(db, category);
        Statement stmt(db, "DELETE FROM CategoriesDictionnaires WHERE numero = ?1");
        stmt.bind(1, category);
        run(db, stmt, QStringLiteral("La catégorie n'a pas pu être supprimée"));
        return 0;
    });
}

qint64 addEntry(Connection &db, qint64 category, const DictionaryEntry &entry)
{
    requireWritable(db);
    checkEntry(entry);
    return inTransaction(db, [&] {
        categoryRow(db, category);
        checkNewEntry(db, category, entry, 0);
        const qint64 rank = nextRank(
            db, "SELECT ifnull(max(rang), -1) + 1 FROM EntreesDictionnaires WHERE categorie = ?1",
            category);
        Statement stmt(db, "INSERT INTO EntreesDictionnaires (categorie, rang, genre, exclusion,"
                           " texte) VALUES (?1, ?2, ?3, ?4, ?5)");
        stmt.bind(1, category).bind(2, rank).bind(3, genreOf(entry.kind));
        stmt.bind(4, entry.exclusion ? 1 : 0).bind(5, entry.text);
        run(db, stmt, QStringLiteral("L'entrée « %1 » n'a pas pu être ajoutée").arg(written(entry)));
        return qint64(sqlite3_last_insert_rowid(db.handle()));
    });
}

void changeEntry(Connection &db, qint64 number, const DictionaryEntry &entry)
{
    requireWritable(db);
    checkEntry(entry);
    inTransaction(db, [&] {
        Statement owner(db, "SELECT categorie FROM EntreesDictionnaires WHERE numero = ?1");
        owner.bind(1, number);
        if (!owner.step())
            throw StoreError(QStringLiteral("L'entrée n° %1 n'est plus dans l'analyse « %2 ».")
                                 .arg(number)
                                 .arg(db.path()));
        checkNewEntry(db, owner.integer(0), entry, number);
        Statement stmt(db, "UPDATE EntreesDictionnaires SET genre = ?1, exclusion = ?2, texte = ?3"
                           " WHERE numero = ?4");
        stmt.bind(1, genreOf(entry.kind)).bind(2, entry.exclusion ? 1 : 0).bind(3, entry.text);
        stmt.bind(4, number);
        run(db, stmt, QStringLiteral("L'entrée n'a pas pu être changée"));
        return 0;
    });
}

void removeEntry(Connection &db, qint64 number)
{
    requireWritable(db);
    inTransaction(db, [&] {
        Statement stmt(db, "DELETE FROM EntreesDictionnaires WHERE numero = ?1");
        stmt.bind(1, number);
        run(db, stmt, QStringLiteral("L'entrée n'a pas pu être supprimée"));
        if (sqlite3_changes(db.handle()) == 0)
            throw StoreError(QStringLiteral("L'entrée n° %1 n'est plus dans l'analyse « %2 ».")
                                 .arg(number)
                                 .arg(db.path()));
        return 0;
    });
}

} // namespace dictionaries
