#include "store/undostore.h"

#include "store/connection.h"
#include "store/statement.h"

#include <QStringList>

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

namespace undo {
namespace {

// How a table's rows are reached: its name, the columns of its key and the
// other columns, in the order of an image.
struct Shape {
    QString table;
    QStringList keyColumns;
    QStringList columns;
};

Shape shapeOf(const RowKey &key)
{
    const QString k = QString::number(key.list);
    switch (key.table) {
    case Table::Contenus:
        return {QStringLiteral("Contenus"),
                {QStringLiteral("numero")},
                {QStringLiteral("numtexte"), QStringLiteral("numvar01"), QStringLiteral("numvar02"),
                 QStringLiteral("numvar03"), QStringLiteral("numvar04"),
                 QStringLiteral("numvar05")}};
    case Table::Value:
        return {QStringLiteral("var_comp_0") + k,
                {QStringLiteral("numero")},
                {QStringLiteral("variable0") + k}};
    case Table::ListName:
        return {QStringLiteral("Listes"), {QStringLiteral("liste")}, {QStringLiteral("nom")}};
    case Table::Definition:
        return {QStringLiteral("Definitions"),
                {QStringLiteral("liste"), QStringLiteral("numero")},
                {QStringLiteral("definition")}};
    case Table::Note:
        return {QStringLiteral("Notes"),
                {QStringLiteral("genre"), QStringLiteral("cible")},
                {QStringLiteral("note")}};
    case Table::Attribute:
        return {QStringLiteral("Attributs"), {QStringLiteral("numero")}, {QStringLiteral("nom")}};
    case Table::AttributeValue:
        return {QStringLiteral("ValeursAttributs"),
                {QStringLiteral("attribut"), QStringLiteral("texte")},
                {QStringLiteral("valeur")}};
    case Table::Accepted:
        return {QStringLiteral("SuggestionsAcceptees"),
                {QStringLiteral("liste"), QStringLiteral("contenu")},
                {QStringLiteral("valeur"), QStringLiteral("confiance"), QStringLiteral("codeur"),
                 QStringLiteral("date")}};
    }
    return {};
}

std::vector<qint64> keyValues(const RowKey &key)
{
    switch (key.table) {
    case Table::Contenus:
    case Table::Value:
        return {key.numero};
    case Table::ListName:
        return {key.list};
    case Table::Definition:
    case Table::Note:
        return {key.list, key.numero};
    case Table::Attribute:
        return {key.numero};
    case Table::AttributeValue:
    case Table::Accepted:
        return {key.list, key.numero};
    }
    return {};
}

QString quoted(const QString &identifier)
{
    return QLatin1Char('"') + identifier + QLatin1Char('"');
}

QString whereKey(const Shape &shape)
{
    QStringList parts;
    for (int i = 0; i < shape.keyColumns.size(); ++i)
        parts << QStringLiteral("%1 = ?%2").arg(quoted(shape.keyColumns.at(i))).arg(i + 1);
    return QStringLiteral(" WHERE ") + parts.join(QStringLiteral(" AND "));
}

bool feminine(const RowKey &key)
{
    return key.table != Table::ListName && key.table != Table::Attribute;
}

// The part of a key that changes a statement's text: the list of a value
// (its table is var_comp_0K); an attribute's number and an accepted
// suggestion's list do not.
int statementVariant(const RowKey &key)
{
    return key.table == Table::AttributeValue || key.table == Table::Accepted ? 0 : key.list;
}

// An accepted suggestion's coder and date, kept as one text.
QString acceptedPart(const Image &image, int column)
{
    const qsizetype cut = image.text.lastIndexOf(kAcceptedSeparator);
    if (cut < 0)
        return column == 2 ? image.text : QString();
    return column == 2 ? image.text.left(cut) : image.text.mid(cut + 1);
}

// The statements of one apply, prepared once each and reused for every row.
class Statements
{
public:
    explicit Statements(Connection &db) : m_db(db) {}
    ~Statements()
    {
        for (auto &entry : m_cache)
            sqlite3_finalize(entry.second);
    }
    Statements(const Statements &) = delete;
    Statements &operator=(const Statements &) = delete;

    enum Kind { Select, Delete, Insert, Update, Uses, Names };

    // The statement of that kind for the key's table, made by `sql` the
    // first time only.
    template <class Sql>
    sqlite3_stmt *get(Kind kind, const RowKey &key, Sql sql, int columns = 0)
    {
        const int id = ((int(kind) * 8 + int(key.table)) * 8 + statementVariant(key)) * 64 + columns;
        auto it = m_cache.find(id);
        if (it != m_cache.end()) {
            sqlite3_reset(it->second);
            sqlite3_clear_bindings(it->second);
            return it->second;
        }
        sqlite3_stmt *stmt = nullptr;
        const QByteArray utf8 = sql().toUtf8();
        const int rc = sqlite3_prepare_v2(m_db.handle(), utf8.constData(), int(utf8.size()), &stmt,
                                          nullptr);
        if (rc != SQLITE_OK) {
            sqlite3_finalize(stmt);
            readFailure(m_db, rc);
        }
        m_cache.emplace(id, stmt);
        return stmt;
    }

    [[noreturn]] static void readFailure(Connection &db, int rc)
    {
        QString cause;
        switch (rc & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            cause = QStringLiteral("la base est verrouillée par un autre programme");
            break;
        case SQLITE_ERROR:
            cause = QStringLiteral("une table de la base manque ou n'a pas la forme attendue (%1)")
                        .arg(db.engineMessage());
            break;
        default:
            cause = db.engineMessage();
        }
        throw StoreError(QStringLiteral("Lecture impossible dans la base de données « %1 » : %2.")
                             .arg(db.path(), cause));
    }

private:
    Connection &m_db;
    std::map<int, sqlite3_stmt *> m_cache;
};

// Binds column `column` of an image of the key's table to a parameter.
void bind(Connection &db, sqlite3_stmt *stmt, int parameter, const RowKey &key,
          const Image &image, int column)
{
    int rc = SQLITE_OK;
    if (image.isNull(column)) {
        rc = sqlite3_bind_null(stmt, parameter);
    } else if (key.table == Table::Accepted) {
        if (column == 0) {
            rc = sqlite3_bind_int64(stmt, parameter, image.numbers[0]);
        } else if (column == 1) {
            rc = sqlite3_bind_double(stmt, parameter, double(image.numbers[1]) / 1e6);
        } else {
            const QByteArray utf8 = acceptedPart(image, column).toUtf8();
            rc = sqlite3_bind_text64(stmt, parameter, utf8.constData(), sqlite3_uint64(utf8.size()),
                                     SQLITE_TRANSIENT, SQLITE_UTF8);
        }
    } else if (key.table != Table::Contenus) {
        const QByteArray utf8 = image.text.toUtf8();
        rc = sqlite3_bind_text64(stmt, parameter, utf8.constData(), sqlite3_uint64(utf8.size()),
                                 SQLITE_TRANSIENT, SQLITE_UTF8);
    } else {
        rc = sqlite3_bind_int64(stmt, parameter, image.numbers[size_t(column)]);
    }
    if (rc != SQLITE_OK)
        failWrite(db, QStringLiteral("Une valeur n'a pas pu être transmise"), rc);
}

void bindKey(Connection &db, sqlite3_stmt *stmt, const RowKey &key)
{
    const std::vector<qint64> values = keyValues(key);
    for (size_t i = 0; i < values.size(); ++i)
        if (sqlite3_bind_int64(stmt, int(i) + 1, values[i]) != SQLITE_OK)
            failWrite(db, QStringLiteral("Une valeur n'a pas pu être transmise"),
                      sqlite3_errcode(db.handle()));
}

int keyCount(const RowKey &key)
{
    return key.table == Table::Definition || key.table == Table::Note
                   || key.table == Table::AttributeValue || key.table == Table::Accepted
               ? 2
               : 1;
}

int columnCount(const RowKey &key)
{
    switch (key.table) {
    case Table::Contenus:
        return 6;
    case Table::Accepted:
        return 4;
    default:
        return 1;
    }
}

std::optional<Image> readWith(Connection &db, Statements &statements, const RowKey &key)
{
    sqlite3_stmt *stmt = statements.get(Statements::Select, key, [&] {
        const Shape shape = shapeOf(key);
        QStringList columns;
        for (const QString &c : shape.columns)
            columns << quoted(c);
        return QStringLiteral("SELECT ") + columns.join(QStringLiteral(", "))
               + QStringLiteral(" FROM ") + quoted(shape.table) + whereKey(shape);
    });
    bindKey(db, stmt, key);
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_DONE)
        return std::nullopt;
    if (rc != SQLITE_ROW)
        Statements::readFailure(db, rc);
    Image image;
    const int columns = columnCount(key);
    if (key.table == Table::Accepted) {
        // Every column is NOT NULL; the confidence in millionths.
        image.numbers[0] = qint32(sqlite3_column_int64(stmt, 0));
        image.numbers[1] = qint32(std::llround(sqlite3_column_double(stmt, 1) * 1e6));
        image.text = textColumn(stmt, 2) + kAcceptedSeparator + textColumn(stmt, 3);
        sqlite3_reset(stmt);
        return image;
    }
    for (int c = 0; c < columns; ++c) {
        if (sqlite3_column_type(stmt, c) == SQLITE_NULL) {
            image.nulls |= quint8(1 << c);
        } else if (key.table == Table::Contenus) {
            image.numbers[size_t(c)] = qint32(sqlite3_column_int64(stmt, c));
        } else {
            const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, c));
            image.text = QString::fromUtf8(text, sqlite3_column_bytes(stmt, c));
        }
    }
    sqlite3_reset(stmt);
    return image;
}

bool same(const std::optional<Image> &a, const std::optional<Image> &b)
{
    if (a.has_value() != b.has_value())
        return false;
    return !a || *a == *b;
}

// Whether column `column` differs between two images.
bool differs(const RowKey &key, const Image &a, const Image &b, int column)
{
    if (a.isNull(column) != b.isNull(column))
        return true;
    if (a.isNull(column))
        return false;
    if (key.table == Table::Accepted)
        return column < 2 ? a.numbers[size_t(column)] != b.numbers[size_t(column)]
                          : acceptedPart(a, column) != acceptedPart(b, column);
    return key.table == Table::Contenus ? a.numbers[size_t(column)] != b.numbers[size_t(column)]
                                        : a.text != b.text;
}

void step(Connection &db, sqlite3_stmt *stmt, const RowKey &key)
{
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_DONE)
        return;
    const int extended = sqlite3_extended_errcode(db.handle());
    sqlite3_reset(stmt);
    if (extended == SQLITE_CONSTRAINT_FOREIGNKEY && key.table == Table::AttributeValue)
        throw Conflict(QStringLiteral("%1 renvoie à un texte ou à un attribut supprimés "
                                      "entre-temps")
                           .arg(rowName(key)));
    if (extended == SQLITE_CONSTRAINT_FOREIGNKEY)
        throw Conflict(QStringLiteral("%1 renvoie à un segment ou à une valeur supprimés "
                                      "entre-temps")
                           .arg(rowName(key)));
    failWrite(db, QStringLiteral("L'écriture de %1 a échoué").arg(rowName(key)), extended);
}

// An attribute written back keeps its name unique whatever its case, and one
// deleted takes no value with it that the step does not hold (the values
// would go without an image to bring them back).
void checkAttribute(Connection &db, Statements &statements, const RowKey &key,
                    const std::optional<Image> &target)
{
    if (target) {
        sqlite3_stmt *names = statements.get(Statements::Names, key, [] {
            return QStringLiteral("SELECT nom FROM Attributs WHERE numero <> ?1");
        });
        if (sqlite3_bind_int64(names, 1, key.numero) != SQLITE_OK)
            failWrite(db, QStringLiteral("Une valeur n'a pas pu être transmise"),
                      sqlite3_errcode(db.handle()));
        int rc = SQLITE_ROW;
        while ((rc = sqlite3_step(names)) == SQLITE_ROW) {
            const QString name = textColumn(names, 0);
            if (name.compare(target->text, Qt::CaseInsensitive) == 0) {
                sqlite3_reset(names);
                throw Conflict(QStringLiteral("le nom « %1 » a été donné entre-temps à un autre "
                                              "attribut")
                                   .arg(name));
            }
        }
        sqlite3_reset(names);
        if (rc != SQLITE_DONE)
            Statements::readFailure(db, rc);
        return;
    }
    sqlite3_stmt *uses = statements.get(Statements::Uses, key, [] {
        return QStringLiteral("SELECT count(*) FROM ValeursAttributs WHERE attribut = ?1");
    });
    if (sqlite3_bind_int64(uses, 1, key.numero) != SQLITE_OK)
        failWrite(db, QStringLiteral("Une valeur n'a pas pu être transmise"),
                  sqlite3_errcode(db.handle()));
    const int rc = sqlite3_step(uses);
    if (rc != SQLITE_ROW)
        Statements::readFailure(db, rc);
    const qint64 count = sqlite3_column_int64(uses, 0);
    sqlite3_reset(uses);
    if (count > 0)
        throw Conflict(QStringLiteral("%1 a maintenant %2 valeur%3")
                           .arg(rowName(key))
                           .arg(count)
                           .arg(count > 1 ? QStringLiteral("s") : QString()));
}

void write(Connection &db, Statements &statements, const RowKey &key,
           const std::optional<Image> &expected, const std::optional<Image> &target)
{
    const std::optional<Image> current = readWith(db, statements, key);
    if (!same(current, expected)) {
        const QString e = feminine(key) ? QStringLiteral("e") : QString();
        QString what;
        if (expected && !current)
            what = QStringLiteral("%1 a été supprimé%2 entre-temps").arg(rowName(key), e);
        else if (!expected && current)
            what = QStringLiteral("%1 existe de nouveau").arg(rowName(key));
        else
            what = QStringLiteral("%1 a été modifié%2 entre-temps").arg(rowName(key), e);
        throw Conflict(what);
    }
    if (same(current, target))
        return;
    if (key.table == Table::Attribute)
        checkAttribute(db, statements, key, target);
    const int keys = keyCount(key);
    if (!target) {
        if (key.table == Table::Value) {
            // Deleting a value would take with it the coding rows that use it.
            sqlite3_stmt *uses = statements.get(Statements::Uses, key, [&] {
                return QStringLiteral("SELECT count(*) FROM Contenus WHERE numvar0%1 = ?1")
                    .arg(key.list);
            });
            if (sqlite3_bind_int64(uses, 1, key.numero) != SQLITE_OK)
                failWrite(db, QStringLiteral("Une valeur n'a pas pu être transmise"),
                          sqlite3_errcode(db.handle()));
            const int rc = sqlite3_step(uses);
            if (rc != SQLITE_ROW)
                Statements::readFailure(db, rc);
            const qint64 count = sqlite3_column_int64(uses, 0);
            sqlite3_reset(uses);
            if (count > 0)
                throw Conflict(QStringLiteral("%1 est maintenant utilisée par %2 ligne%3 de codage")
                                   .arg(rowName(key))
                                   .arg(count)
                                   .arg(count > 1 ? QStringLiteral("s") : QString()));
        }
        sqlite3_stmt *stmt = statements.get(Statements::Delete, key, [&] {
            const Shape shape = shapeOf(key);
            return QStringLiteral("DELETE FROM ") + quoted(shape.table) + whereKey(shape);
        });
        bindKey(db, stmt, key);
        step(db, stmt, key);
    } else if (!current) {
        sqlite3_stmt *stmt = statements.get(Statements::Insert, key, [&] {
            const Shape shape = shapeOf(key);
            QStringList columns;
            QStringList parameters;
            for (const QString &c : shape.keyColumns + shape.columns) {
                columns << quoted(c);
                parameters << QStringLiteral("?%1").arg(parameters.size() + 1);
            }
            return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                .arg(quoted(shape.table), columns.join(QStringLiteral(", ")),
                     parameters.join(QStringLiteral(", ")));
        });
        bindKey(db, stmt, key);
        for (int c = 0; c < columnCount(key); ++c)
            bind(db, stmt, keys + c + 1, key, *target, c);
        step(db, stmt, key);
    } else {
        // Only the columns that change: an index is rewritten only when its
        // column is.
        int changed = 0;
        for (int c = 0; c < columnCount(key); ++c)
            if (differs(key, *current, *target, c))
                changed |= 1 << c;
        sqlite3_stmt *stmt = statements.get(
            Statements::Update, key,
            [&] {
                const Shape shape = shapeOf(key);
                QStringList sets;
                for (int i = 0; i < shape.columns.size(); ++i)
                    if (changed >> i & 1)
                        sets << QStringLiteral("%1 = ?%2")
                                    .arg(quoted(shape.columns.at(i)))
                                    .arg(keys + i + 1);
                return QStringLiteral("UPDATE %1 SET %2").arg(quoted(shape.table),
                                                              sets.join(QStringLiteral(", ")))
                       + whereKey(shape);
            },
            changed);
        bindKey(db, stmt, key);
        for (int c = 0; c < columnCount(key); ++c)
            if (changed >> c & 1)
                bind(db, stmt, keys + c + 1, key, *target, c);
        step(db, stmt, key);
    }
}

// ----- Coding rows added in compact form -----

QString codingRowName(qint64 numero)
{
    return rowName(RowKey{Table::Contenus, 0, numero});
}

// Rows of a run written per statement when they are added again.
constexpr size_t kRunChunk = 20000;

// Undoing: every row of the run stands as it was added, then the run goes.
void removeRun(Connection &db, const AddedCodingRun &run)
{
    const qint64 last = run.first + qint64(run.rows.size()) - 1;
    Statement read(db, "SELECT numero, numtexte, numvar01, numvar02, numvar03, numvar04, numvar05"
                       " FROM Contenus WHERE numero BETWEEN ?1 AND ?2 ORDER BY numero");
    read.bind(1, run.first).bind(2, last);
    qint64 expected = run.first;
    while (read.step()) {
        const qint64 numero = read.integer(0);
        if (numero != expected)
            throw Conflict(QStringLiteral("%1 a été supprimée entre-temps").arg(codingRowName(expected)));
        const auto &[segment, value] = run.rows[size_t(numero - run.first)];
        bool same = !read.isNull(1) && read.integer(1) == segment;
        for (int k = 1; k <= 5 && same; ++k)
            same = !read.isNull(k + 1) && read.integer(k + 1) == (k == run.list ? value : 1);
        if (!same)
            throw Conflict(QStringLiteral("%1 a été modifiée entre-temps").arg(codingRowName(numero)));
        ++expected;
    }
    if (expected <= last)
        throw Conflict(QStringLiteral("%1 a été supprimée entre-temps").arg(codingRowName(expected)));
    // By ranges: the engine gathers the numbers of the rows a statement
    // deletes before it deletes them.
    Statement remove(db, "DELETE FROM Contenus WHERE numero BETWEEN ?1 AND ?2");
    for (qint64 from = run.first; from <= last; from += qint64(kRunChunk)) {
        const qint64 to = std::min(last, from + qint64(kRunChunk) - 1);
        remove.reset();
        remove.bind(1, from).bind(2, to);
        if (sqlite3_step(remove.handle()) != SQLITE_DONE)
            failWrite(db, QStringLiteral("La suppression des lignes de codage n° %1 à %2 a échoué")
                              .arg(from)
                              .arg(to),
                      sqlite3_extended_errcode(db.handle()));
    }
}

// Redoing: the numbers are free, then the rows come back with them.
void restoreRun(Connection &db, const AddedCodingRun &run)
{
    const qint64 last = run.first + qint64(run.rows.size()) - 1;
    Statement taken(db, "SELECT min(numero) FROM Contenus WHERE numero BETWEEN ?1 AND ?2");
    taken.bind(1, run.first).bind(2, last);
    if (taken.step() && !taken.isNull(0))
        throw Conflict(QStringLiteral("%1 existe de nouveau").arg(codingRowName(taken.integer(0))));
    const QByteArray sql = QStringLiteral("INSERT INTO Contenus (numero, numtexte, numvar0%1)"
                                          " SELECT json_extract(value, '$[0]'),"
                                          " json_extract(value, '$[1]'),"
                                          " json_extract(value, '$[2]')"
                                          " FROM json_each(?1) ORDER BY key")
                               .arg(run.list)
                               .toUtf8();
    Statement insert(db, sql.constData());
    for (size_t from = 0; from < run.rows.size(); from += kRunChunk) {
        const size_t to = std::min(run.rows.size(), from + kRunChunk);
        QByteArray triples;
        triples.reserve(qsizetype(to - from) * 28 + 2);
        triples += '[';
        for (size_t k = from; k < to; ++k) {
            if (k > from)
                triples += ',';
            triples += '[' + QByteArray::number(run.first + qint64(k)) + ','
                       + QByteArray::number(run.rows[k].first) + ','
                       + QByteArray::number(run.rows[k].second) + ']';
        }
        triples += ']';
        insert.reset();
        if (sqlite3_bind_text(insert.handle(), 1, triples.constData(), int(triples.size()),
                              SQLITE_TRANSIENT)
            != SQLITE_OK)
            failWrite(db, QStringLiteral("Une valeur n'a pas pu être transmise"),
                      sqlite3_extended_errcode(db.handle()));
        const int rc = sqlite3_step(insert.handle());
        if (rc == SQLITE_DONE)
            continue;
        const int extended = sqlite3_extended_errcode(db.handle());
        const QString rows = QStringLiteral("une des lignes de codage n° %1 à %2")
                                 .arg(run.first + qint64(from))
                                 .arg(run.first + qint64(to) - 1);
        if (extended == SQLITE_CONSTRAINT_FOREIGNKEY)
            throw Conflict(QStringLiteral("%1 renvoie à un segment ou à une valeur supprimés "
                                          "entre-temps")
                               .arg(rows));
        failWrite(db, QStringLiteral("L'écriture de %1 a échoué").arg(rows), extended);
    }
}

} // namespace

QString rowName(const RowKey &key)
{
    switch (key.table) {
    case Table::Contenus:
        return QStringLiteral("la ligne de codage n° %1").arg(key.numero);
    case Table::Value:
        return QStringLiteral("la valeur n° %1 de la liste %2").arg(key.numero).arg(key.list);
    case Table::ListName:
        return QStringLiteral("le nom de la liste %1").arg(key.list);
    case Table::Definition:
        return QStringLiteral("la définition de la valeur n° %1 de la liste %2")
            .arg(key.numero)
            .arg(key.list);
    case Table::Note:
        switch (key.list) {
        case 1:
            return QStringLiteral("la note du segment n° %1").arg(key.numero);
        case 2:
            return QStringLiteral("la note du texte n° %1").arg(key.numero);
        default:
            return QStringLiteral("la note de l'analyse");
        }
    case Table::Attribute:
        return QStringLiteral("l'attribut n° %1").arg(key.numero);
    case Table::AttributeValue:
        return QStringLiteral("la valeur de l'attribut n° %1 pour le texte n° %2")
            .arg(key.list)
            .arg(key.numero);
    case Table::Accepted:
        return QStringLiteral("la suggestion acceptée de la liste %1 sur la ligne de codage n° %2")
            .arg(key.list)
            .arg(key.numero);
    }
    return QString();
}

std::optional<Image> read(Connection &db, const RowKey &key)
{
    Statements statements(db);
    return readWith(db, statements, key);
}

void applyInTransaction(Connection &db, const std::vector<RowChange> &rows, Direction direction)
{
    Statements statements(db);
    if (direction == Direction::Redo) {
        for (const RowChange &row : rows)
            write(db, statements, row.key, row.before, row.after);
    } else {
        for (auto it = rows.rbegin(); it != rows.rend(); ++it)
            write(db, statements, it->key, it->after, it->before);
    }
}

void beginWrite(Connection &db)
{
    if (db.inTransaction())
        throw StoreError(QStringLiteral("Une écriture est déjà en cours sur la base de données "
                                        "« %1 ».")
                             .arg(db.path()));
    // Immediate: the write lock is taken (or waited for) now, not halfway.
    if (sqlite3_exec(db.handle(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        failWrite(db, QStringLiteral("L'écriture n'a pas pu commencer"),
                  sqlite3_extended_errcode(db.handle()));
}

void commitWrite(Connection &db)
{
    if (sqlite3_exec(db.handle(), "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        try {
            failWrite(db, QStringLiteral("L'écriture n'a pas pu être achevée"),
                      sqlite3_extended_errcode(db.handle()));
        } catch (...) {
            db.rollback();
            throw;
        }
    }
}

void apply(Connection &db, const std::vector<RowChange> &rows, Direction direction)
{
    beginWrite(db);
    try {
        applyInTransaction(db, rows, direction);
        commitWrite(db);
    } catch (...) {
        db.rollback();
        throw;
    }
}

void apply(Connection &db, const ChangeSet &set, Direction direction)
{
    beginWrite(db);
    try {
        if (direction == Direction::Redo) {
            applyInTransaction(db, set.rows, direction);
            for (const AddedCodingRun &run : set.added)
                restoreRun(db, run);
        } else {
            for (auto it = set.added.rbegin(); it != set.added.rend(); ++it)
                removeRun(db, *it);
            applyInTransaction(db, set.rows, direction);
        }
        commitWrite(db);
    } catch (...) {
        db.rollback();
        throw;
    }
}

void failWrite(Connection &db, const QString &what, int rc)
{
    const QString engine = db.engineMessage();
    QString cause;
    switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        cause = QStringLiteral("la base est verrouillée par un autre programme");
        break;
    case SQLITE_READONLY:
        cause = QStringLiteral("la base est protégée en écriture");
        break;
    case SQLITE_FULL:
        cause = QStringLiteral("le disque est plein");
        break;
    case SQLITE_IOERR:
        cause = QStringLiteral("le disque a refusé l'écriture");
        break;
    case SQLITE_TOOBIG:
        cause = QStringLiteral("la valeur est trop longue");
        break;
    case SQLITE_CONSTRAINT:
        if (rc == SQLITE_CONSTRAINT_CHECK && engine.endsWith(QStringLiteral("_255")))
            cause = QStringLiteral("la valeur dépasse 255 caractères");
        else if (rc == SQLITE_CONSTRAINT_CHECK && engine.endsWith(QStringLiteral("_vide")))
            cause = QStringLiteral("la valeur ne peut pas être un texte vide");
        else if (rc == SQLITE_CONSTRAINT_FOREIGNKEY)
            cause = QStringLiteral("une valeur renvoie à une ligne qui n'existe pas");
        else if (rc == SQLITE_CONSTRAINT_PRIMARYKEY || rc == SQLITE_CONSTRAINT_UNIQUE)
            cause = QStringLiteral("ce numéro est déjà pris");
        else
            cause = QStringLiteral("la base refuse la valeur (%1)").arg(engine);
        break;
    default:
        cause = QStringLiteral("la base a refusé l'écriture (%1)").arg(engine);
        break;
    }
    throw StoreError(QStringLiteral("%1 dans la base de données « %2 » : %3.")
                         .arg(what, db.path(), cause));
}

} // namespace undo
