#include "store/recordsource.h"

#include "store/connection.h"
#include "store/connectionstring.h"
#include "store/storeerror.h"

#include <QRegularExpression>

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <unordered_map>
#include <vector>

namespace {

// The data control's cache: rows are read from the table in blocks of this
// many keys; only one block is held at a time.
constexpr int kCacheRows = 50;
constexpr int kMaxColumns = 64; // one bit per column in the change masks

struct Value
{
    QString text;
    QByteArray utf8; // the value as UTF-8 when set so (then `text` is unused)
    bool null = true;
    bool isUtf8 = false;

    QString asText() const { return isUtf8 ? QString::fromUtf8(utf8) : text; }
    qint64 asNumber(bool *ok) const { return isUtf8 ? utf8.toLongLong(ok) : text.toLongLong(ok); }
};

QString quoteIdentifier(const QString &name)
{
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString unquoteIdentifier(const QString &token)
{
    if (token.size() >= 2) {
        const QChar first = token.front();
        if (first == QLatin1Char('"'))
            return token.mid(1, token.size() - 2).replace(QStringLiteral("\"\""),
                                                          QStringLiteral("\""));
        if (first == QLatin1Char('['))
            return token.mid(1, token.size() - 2);
        if (first == QLatin1Char('`'))
            return token.mid(1, token.size() - 2).replace(QStringLiteral("``"),
                                                          QStringLiteral("`"));
    }
    return token;
}

bool isIntegerType(const char *declared)
{
    if (!declared)
        return false;
    return QByteArray(declared).toUpper().contains("INT");
}

// The keys of a row set, in order, held as runs of consecutive numbers: the
// segments of a text, numbered in the order they were saved, take one run
// whatever their count, so memory does not grow with a long text.
class KeyList
{
public:
    qint64 size() const { return m_size; }
    bool empty() const { return m_size == 0; }

    qint64 operator[](qint64 index) const
    {
        const Run &r = m_runs[find(index)];
        return r.key + (index - r.first);
    }

    void push_back(qint64 key)
    {
        if (!m_runs.empty()) {
            Run &last = m_runs.back();
            if (key == last.key + last.count) {
                ++last.count;
                ++m_size;
                return;
            }
        }
        m_runs.push_back({m_size, key, 1});
        ++m_size;
    }

    // Gives the row at `index` another key.
    void set(qint64 index, qint64 key)
    {
        size_t r = split(index);       // a run begins at index
        split(index + 1);              // and holds only it
        m_runs[r].key = key;
    }

    void erase(qint64 index)
    {
        const size_t r = split(index);
        split(index + 1);
        m_runs.erase(m_runs.begin() + qsizetype(r));
        for (size_t i = r; i < m_runs.size(); ++i)
            --m_runs[i].first;
        --m_size;
        m_last = 0;
    }

    // Empties the list and frees its memory.
    void clear()
    {
        std::vector<Run>().swap(m_runs);
        m_size = 0;
        m_last = 0;
    }

private:
    struct Run
    {
        qint64 first; // index of its first row
        qint64 key;   // key of its first row
        qint64 count;
    };

    // The run holding `index` (0 <= index < size): the last one found or its
    // successor when walking, else a binary search.
    size_t find(qint64 index) const
    {
        auto holds = [&](size_t r) {
            return r < m_runs.size() && index >= m_runs[r].first
                   && index < m_runs[r].first + m_runs[r].count;
        };
        if (holds(m_last))
            return m_last;
        if (holds(m_last + 1))
            return ++m_last;
        auto it = std::upper_bound(m_runs.begin(), m_runs.end(), index,
                                   [](qint64 i, const Run &r) { return i < r.first; });
        m_last = size_t(it - m_runs.begin()) - 1;
        return m_last;
    }

    // Makes a run begin at `index` (when index < size) and returns it.
    size_t split(qint64 index)
    {
        if (index >= m_size)
            return m_runs.size();
        const size_t r = find(index);
        const Run run = m_runs[r];
        if (run.first == index)
            return r;
        const qint64 before = index - run.first;
        m_runs[r].count = before;
        m_runs.insert(m_runs.begin() + qsizetype(r) + 1,
                      Run{index, run.key + before, run.count - before});
        return r + 1;
    }

    std::vector<Run> m_runs;
    qint64 m_size = 0;
    mutable size_t m_last = 0;
};

} // namespace

struct RecordSource::Impl
{
    QString name;
    QString connectionString;
    QString statement;

    std::shared_ptr<Connection> connection;
    bool explicitConnection = false;
    QString openedFor; // the connection string `connection` was opened from

    // Result of the last refresh.
    bool ready = false;
    QString table; // as the database names it
    QStringList columns;
    std::vector<bool> integerColumn;
    int keyColumn = -1;
    KeyList keys;

    // Position: an index into keys; -1 before the first row, keys.size()
    // after the last. A new row not saved yet stands after the last row.
    qint64 pos = -1;
    bool newRow = false;
    qint64 posBeforeNew = -1;
    bool deleted = false; // the row at pos was deleted; pos is the next one

    // Changes to the current row, one bit per column.
    std::vector<Value> edit;
    quint64 editMask = 0;

    // One block of cached rows: cacheRows[i] is the row of keys[cacheStart + i].
    qint64 cacheStart = 0;
    std::vector<std::vector<Value>> cacheRows;
    std::vector<char> cacheFound;

    // Statements prepared once and kept for the table and columns in use.
    sqlite3 *preparedOn = nullptr;
    std::unordered_map<quint64, sqlite3_stmt *> inserts;
    quint64 lastInsertMask = 0;
    sqlite3_stmt *lastInsert = nullptr; // one of `inserts`, the last used
    std::unordered_map<quint64, sqlite3_stmt *> updates;
    sqlite3_stmt *fetch = nullptr;
    sqlite3_stmt *remove = nullptr;

    ~Impl() { finalizeAll(); }

    void finalizeAll()
    {
        for (auto &entry : inserts)
            sqlite3_finalize(entry.second);
        for (auto &entry : updates)
            sqlite3_finalize(entry.second);
        inserts.clear();
        updates.clear();
        lastInsert = nullptr;
        sqlite3_finalize(fetch);
        sqlite3_finalize(remove);
        fetch = nullptr;
        remove = nullptr;
        preparedOn = nullptr;
    }

    sqlite3 *db() const { return connection->handle(); }
    QString path() const { return connection ? connection->path() : QString(); }
    qint64 size() const { return keys.size(); }

    bool hasCurrent() const { return newRow || (!deleted && pos >= 0 && pos < size()); }

    void invalidateCache()
    {
        cacheRows.clear();
        cacheFound.clear();
    }

    void clearEdit() { editMask = 0; }

    [[noreturn]] void fail(const QString &message) const { throw StoreError(message); }

    void requireReady() const
    {
        if (!ready)
            fail(QStringLiteral("La source de données « %1 » n'a pas été ouverte.").arg(name));
    }

    void requireCurrent() const
    {
        requireReady();
        if (!hasCurrent())
            fail(QStringLiteral("Aucun enregistrement courant dans la source de données « %1 ».")
                     .arg(name));
    }

    int columnIndex(const QString &column) const
    {
        for (int i = 0; i < columns.size(); ++i)
            if (columns.at(i) == column)
                return i;
        for (int i = 0; i < columns.size(); ++i)
            if (columns.at(i).compare(column, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    }

    int requireColumn(const QString &column) const
    {
        requireReady();
        const int index = columnIndex(column);
        if (index < 0)
            fail(QStringLiteral("La colonne « %1 » n'existe pas dans la table « %2 ».")
                     .arg(column, table));
        return index;
    }

    QString engine() const { return QString::fromUtf8(sqlite3_errmsg(db())); }

    QString readFailure(int rc) const
    {
        return QStringLiteral("Lecture impossible dans la base de données « %1 » : %2.")
            .arg(path(), cause(rc));
    }

    // The French cause of a refused save or delete, followed by the engine's
    // own words.
    QString cause(int rc) const
    {
        const QString engineText = engine();
        QString why;
        switch (rc) {
        case SQLITE_CONSTRAINT_CHECK: {
            const QString constraint = engineText.section(QStringLiteral(": "), -1);
            const QString column = constraint.section(QLatin1Char('_'), 0, -2);
            if (constraint.endsWith(QStringLiteral("_vide")))
                why = QStringLiteral("le champ « %1 » ne peut pas être un texte vide").arg(column);
            else if (constraint.endsWith(QStringLiteral("_255")))
                why = QStringLiteral("le champ « %1 » dépasse 255 caractères").arg(column);
            else if (constraint.endsWith(QStringLiteral("_32bits")))
                why = QStringLiteral("le champ « %1 » doit être un nombre entier de -2147483648 à "
                                     "2147483647")
                          .arg(column);
            break;
        }
        case SQLITE_CONSTRAINT_DATATYPE: {
            const QString column = engineText.section(QLatin1Char('.'), -1);
            why = QStringLiteral("le champ « %1 » doit être un nombre entier").arg(column);
            break;
        }
        case SQLITE_MISMATCH: // a text given for the counter
            for (int c = 0; c < int(columns.size()); ++c) {
                bool isNumber = false;
                if ((editMask >> c & 1) && integerColumn[size_t(c)] && !edit[size_t(c)].null)
                    edit[size_t(c)].asNumber(&isNumber);
                else
                    continue;
                if (!isNumber) {
                    why = QStringLiteral("le champ « %1 » doit être un nombre entier")
                              .arg(columns.at(c));
                    break;
                }
            }
            break;
        case SQLITE_CONSTRAINT_FOREIGNKEY:
            if (table.compare(QStringLiteral("textes"), Qt::CaseInsensitive) == 0) {
                const int numtexte = columnIndex(QStringLiteral("numtexte"));
                QString number = QStringLiteral("0");
                if (numtexte >= 0 && (editMask >> numtexte & 1))
                    number = edit[numtexte].null ? QStringLiteral("vide") : edit[numtexte].asText();
                why = QStringLiteral("le texte n° %1 n'existe pas dans la table « Chemin »")
                          .arg(number);
            } else {
                why = QStringLiteral("une valeur ne renvoie à aucun enregistrement de la table "
                                     "liée");
            }
            break;
        case SQLITE_CONSTRAINT_PRIMARYKEY:
        case SQLITE_CONSTRAINT_UNIQUE:
            why = QStringLiteral("ce numéro existe déjà");
            break;
        case SQLITE_READONLY_DBMOVED:
            why = QStringLiteral("le fichier de la base a été supprimé ou déplacé depuis son "
                                 "ouverture");
            break;
        default:
            switch (rc & 0xff) {
            case SQLITE_BUSY:
            case SQLITE_LOCKED:
                why = QStringLiteral("la base est verrouillée par un autre programme");
                break;
            case SQLITE_READONLY:
                why = QStringLiteral("la base est protégée en écriture");
                break;
            case SQLITE_FULL:
                why = QStringLiteral("le disque est plein");
                break;
            case SQLITE_TOOBIG:
                why = QStringLiteral("une valeur dépasse la longueur la plus grande que la base "
                                     "puisse enregistrer (%L1 octets)")
                          .arg(valueLimit());
                break;
            default:
                break;
            }
        }
        if (why.isEmpty())
            return engineText;
        if ((rc & 0xff) == SQLITE_TOOBIG)
            return why; // the engine's words add nothing to the limit
        return why + QStringLiteral(" (") + engineText + QLatin1Char(')');
    }

    QString saveFailure(int rc) const
    {
        return QStringLiteral("Enregistrement refusé par la base de données « %1 » : %2.")
            .arg(path(), cause(rc));
    }

    sqlite3_stmt *prepare(const QString &sql) const
    {
        sqlite3_stmt *stmt = nullptr;
        const QByteArray utf8 = sql.toUtf8();
        const int rc = sqlite3_prepare_v3(db(), utf8.constData(), int(utf8.size()),
                                          SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
        if (rc != SQLITE_OK) {
            sqlite3_finalize(stmt);
            fail(QStringLiteral("La base de données « %1 » a refusé l'instruction « %2 » : %3.")
                     .arg(path(), sql, engine()));
        }
        return stmt;
    }

    // ----- Reading rows -----

    const std::vector<Value> &row(qint64 index)
    {
        if (index < cacheStart || index >= cacheStart + qint64(cacheRows.size()))
            load(index);
        const size_t slot = size_t(index - cacheStart);
        if (!cacheFound[slot])
            fail(QStringLiteral("L'enregistrement n° %1 n'existe plus dans la table « %2 ».")
                     .arg(keys[index])
                     .arg(table));
        return cacheRows[slot];
    }

    void load(qint64 index)
    {
        if (!fetch) {
            QString sql = QStringLiteral("SELECT * FROM ") + quoteIdentifier(table)
                          + QStringLiteral(" WHERE ") + quoteIdentifier(columns.at(keyColumn))
                          + QStringLiteral(" IN (");
            for (int i = 1; i <= kCacheRows; ++i)
                sql += (i > 1 ? QStringLiteral(",?") : QStringLiteral("?")) + QString::number(i);
            sql += QLatin1Char(')');
            fetch = prepare(sql);
        }
        invalidateCache();
        const qint64 start = index - index % kCacheRows;
        const int count = int(std::min<qint64>(kCacheRows, size() - start));
        for (int i = 0; i < kCacheRows; ++i) {
            const int bound = i < count ? sqlite3_bind_int64(fetch, i + 1, keys[start + i])
                                        : sqlite3_bind_null(fetch, i + 1);
            if (bound != SQLITE_OK)
                fail(readFailure(bound));
        }
        std::vector<std::vector<Value>> rows(static_cast<size_t>(count));
        std::vector<char> found(static_cast<size_t>(count), 0);
        const int columnCount = int(columns.size());
        int hint = 0;
        int rc;
        while ((rc = sqlite3_step(fetch)) == SQLITE_ROW) {
            const qint64 key = sqlite3_column_int64(fetch, keyColumn);
            int slot = -1;
            if (hint < count && keys[start + hint] == key) {
                slot = hint;
            } else {
                for (int i = 0; i < count; ++i)
                    if (keys[start + i] == key) {
                        slot = i;
                        break;
                    }
            }
            if (slot < 0)
                continue;
            hint = slot + 1;
            std::vector<Value> &values = rows[size_t(slot)];
            values.resize(size_t(columnCount));
            for (int c = 0; c < columnCount; ++c) {
                if (sqlite3_column_type(fetch, c) == SQLITE_NULL)
                    continue;
                const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(fetch, c));
                values[size_t(c)].text = QString::fromUtf8(text, sqlite3_column_bytes(fetch, c));
                values[size_t(c)].null = false;
            }
            found[size_t(slot)] = 1;
        }
        if (rc != SQLITE_DONE) {
            const QString message = readFailure(rc);
            sqlite3_reset(fetch);
            fail(message);
        }
        sqlite3_reset(fetch);
        cacheStart = start;
        cacheRows = std::move(rows);
        cacheFound = std::move(found);
    }

    // ----- Writing rows -----

    // The longest text or blob value, in bytes, the connection stores.
    qint64 valueLimit() const { return sqlite3_limit(db(), SQLITE_LIMIT_LENGTH, -1); }

    // Binds the changed columns in order, as UTF-8 text or as integers;
    // returns the first failure's code (SQLITE_OK when all are bound).
    int bindEdit(sqlite3_stmt *stmt, int &parameter) const
    {
        for (int c = 0; c < int(columns.size()); ++c) {
            if (!(editMask >> c & 1))
                continue;
            const Value &v = edit[size_t(c)];
            int rc;
            if (v.null) {
                rc = sqlite3_bind_null(stmt, parameter);
            } else {
                bool isNumber = false;
                qint64 number = 0;
                if (integerColumn[size_t(c)])
                    number = v.asNumber(&isNumber);
                if (isNumber) {
                    rc = sqlite3_bind_int64(stmt, parameter, number);
                } else if (v.isUtf8) {
                    rc = bindUtf8(stmt, parameter, v.utf8.constData(), v.utf8.size());
                } else {
                    // Converted here, kept by SQLite: a QString's UTF-16 would
                    // lose a leading U+FEFF and swap one beginning with U+FFFE.
                    const QByteArray utf8 = v.text.toUtf8();
                    rc = bindUtf8(stmt, parameter, utf8.constData(), utf8.size(), true);
                }
            }
            if (rc != SQLITE_OK)
                return rc;
            ++parameter;
        }
        return SQLITE_OK;
    }

    static int bindUtf8(sqlite3_stmt *stmt, int parameter, const char *bytes, qsizetype size,
                        bool copy = false)
    {
        if (size > qsizetype(std::numeric_limits<int>::max()))
            return SQLITE_TOOBIG;
        return sqlite3_bind_text(stmt, parameter, bytes, int(size),
                                 copy ? SQLITE_TRANSIENT : SQLITE_STATIC);
    }

    sqlite3_stmt *insertStatement()
    {
        // Rows added one after another set the same columns.
        if (lastInsert && lastInsertMask == editMask)
            return lastInsert;
        auto found = inserts.find(editMask);
        if (found != inserts.end()) {
            lastInsertMask = editMask;
            lastInsert = found->second;
            return lastInsert;
        }
        QString sql = QStringLiteral("INSERT INTO ") + quoteIdentifier(table);
        if (editMask == 0) {
            sql += QStringLiteral(" DEFAULT VALUES");
        } else {
            QStringList names, parameters;
            for (int c = 0; c < int(columns.size()); ++c)
                if (editMask >> c & 1) {
                    names << quoteIdentifier(columns.at(c));
                    parameters << QStringLiteral("?");
                }
            sql += QStringLiteral(" (") + names.join(QLatin1Char(',')) + QStringLiteral(") VALUES (")
                   + parameters.join(QLatin1Char(',')) + QLatin1Char(')');
        }
        sqlite3_stmt *stmt = prepare(sql);
        inserts.emplace(editMask, stmt);
        lastInsertMask = editMask;
        lastInsert = stmt;
        return stmt;
    }

    sqlite3_stmt *updateStatement()
    {
        auto found = updates.find(editMask);
        if (found != updates.end())
            return found->second;
        QStringList sets;
        for (int c = 0; c < int(columns.size()); ++c)
            if (editMask >> c & 1)
                sets << quoteIdentifier(columns.at(c)) + QStringLiteral(" = ?");
        const QString sql = QStringLiteral("UPDATE ") + quoteIdentifier(table)
                            + QStringLiteral(" SET ") + sets.join(QLatin1Char(','))
                            + QStringLiteral(" WHERE ") + quoteIdentifier(columns.at(keyColumn))
                            + QStringLiteral(" = ?");
        sqlite3_stmt *stmt = prepare(sql);
        updates.emplace(editMask, stmt);
        return stmt;
    }

    // A refused save leaves the table as it was and drops the refused changes
    // (a refused new row is dropped), so that the caller is never stuck on a
    // row that cannot be left.
    [[noreturn]] void refuse(sqlite3_stmt *stmt, int rc)
    {
        const QString message = saveFailure(rc);
        sqlite3_reset(stmt);
        clearEdit();
        if (newRow) {
            newRow = false;
            pos = size();
        }
        fail(message);
    }

    void save()
    {
        requireCurrent();
        if (newRow) {
            sqlite3_stmt *stmt = insertStatement();
            int parameter = 1;
            int rc = bindEdit(stmt, parameter);
            if (rc != SQLITE_OK)
                refuse(stmt, rc);
            rc = sqlite3_step(stmt);
            if (rc != SQLITE_DONE)
                refuse(stmt, rc);
            sqlite3_reset(stmt);
            keys.push_back(sqlite3_last_insert_rowid(db()));
            pos = size() - 1;
            newRow = false;
            clearEdit();
            return;
        }
        if (editMask == 0)
            return; // nothing to save
        sqlite3_stmt *stmt = updateStatement();
        int parameter = 1;
        const qint64 key = keys[pos];
        int rc = bindEdit(stmt, parameter);
        if (rc == SQLITE_OK)
            rc = sqlite3_bind_int64(stmt, parameter, key);
        if (rc != SQLITE_OK)
            refuse(stmt, rc);
        rc = sqlite3_step(stmt);
        if (rc != SQLITE_DONE)
            refuse(stmt, rc);
        sqlite3_reset(stmt);
        if (sqlite3_changes(db()) == 0) {
            clearEdit();
            invalidateCache();
            fail(QStringLiteral("Enregistrement refusé par la base de données « %1 » : "
                                "l'enregistrement n° %2 n'existe plus dans la table « %3 ».")
                     .arg(path())
                     .arg(key)
                     .arg(table));
        }
        if (editMask >> keyColumn & 1) {
            bool ok = false;
            const qint64 newKey = edit[size_t(keyColumn)].asNumber(&ok);
            if (ok)
                keys.set(pos, newKey);
        }
        clearEdit();
        invalidateCache();
    }

    // Before a move: saves a changed row, drops an unchanged new row. Tells
    // whether a new row was current.
    bool leaveRow()
    {
        if (newRow) {
            if (editMask != 0) {
                save();
            } else {
                newRow = false;
                pos = size();
            }
            return true;
        }
        if (editMask != 0 && hasCurrent())
            save();
        return false;
    }

    // moveFirst (last false) and moveLast: an empty row set fails.
    void moveToEnd(bool last)
    {
        requireReady();
        leaveRow();
        if (keys.empty())
            fail(QStringLiteral("Aucun enregistrement dans la source de données « %1 ».").arg(name));
        deleted = false;
        pos = last ? size() - 1 : 0;
    }

    // ----- Refresh -----

    void run()
    {
        static const QRegularExpression shape(
            QStringLiteral("^\\s*select\\s+\\*\\s+from\\s+(\"(?:[^\"]|\"\")+\"|\\[[^\\]]+\\]|"
                           "`(?:[^`]|``)+`|[A-Za-z_\\x{80}-\\x{FFFF}][A-Za-z0-9_$\\x{80}-\\x{FFFF}]*)"
                           "(?:\\s+((?:where|order\\s+by)\\b.*?))?\\s*;?\\s*$"),
            QRegularExpression::CaseInsensitiveOption
                | QRegularExpression::DotMatchesEverythingOption);
        const QRegularExpressionMatch match = shape.match(statement);
        if (!match.hasMatch())
            fail(QStringLiteral("L'instruction « %1 » de la source de données « %2 » n'est pas "
                                "de la forme « select * from table where ... ».")
                     .arg(statement, name));
        const QString named = unquoteIdentifier(match.captured(1));
        const QString where = match.captured(2);

        // The table as the database names it (names match without regard to case).
        QString actualTable;
        {
            sqlite3_stmt *stmt = nullptr;
            int rc = sqlite3_prepare_v2(db(),
                                        "SELECT name FROM sqlite_schema WHERE type = 'table' "
                                        "AND name = ?1 COLLATE NOCASE",
                                        -1, &stmt, nullptr);
            const QByteArray utf8 = named.toUtf8();
            if (rc == SQLITE_OK)
                rc = sqlite3_bind_text(stmt, 1, utf8.constData(), int(utf8.size()), SQLITE_STATIC);
            if (rc == SQLITE_OK) {
                rc = sqlite3_step(stmt);
                if (rc == SQLITE_ROW)
                    actualTable = QString::fromUtf8(
                        reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
            }
            const QString message = readFailure(rc);
            sqlite3_finalize(stmt);
            if (rc != SQLITE_ROW && rc != SQLITE_DONE)
                fail(message);
        }
        if (actualTable.isEmpty())
            fail(QStringLiteral("La table « %1 » n'existe pas dans la base de données « %2 ».")
                     .arg(named, path()));

        // The statement as written: its columns, and whether the engine takes it.
        QStringList newColumns;
        std::vector<bool> newIntegers;
        {
            sqlite3_stmt *stmt = nullptr;
            const QByteArray utf8 = statement.toUtf8();
            const char *tail = nullptr;
            const int rc = sqlite3_prepare_v2(db(), utf8.constData(), int(utf8.size()), &stmt,
                                              &tail);
            if (rc != SQLITE_OK || !stmt) {
                const QString engineText = engine();
                sqlite3_finalize(stmt);
                fail(QStringLiteral("La base de données « %1 » a refusé l'instruction « %2 » : "
                                    "%3.")
                         .arg(path(), statement, engineText));
            }
            const bool onlyOne = QByteArray(tail).trimmed().isEmpty();
            const bool readOnly = sqlite3_stmt_readonly(stmt);
            const int count = sqlite3_column_count(stmt);
            for (int c = 0; c < count; ++c) {
                newColumns << QString::fromUtf8(sqlite3_column_name(stmt, c));
                newIntegers.push_back(isIntegerType(sqlite3_column_decltype(stmt, c)));
            }
            sqlite3_finalize(stmt);
            if (!onlyOne || !readOnly)
                fail(QStringLiteral("L'instruction « %1 » de la source de données « %2 » doit "
                                    "être une seule lecture.")
                         .arg(statement, name));
        }
        if (newColumns.size() > kMaxColumns)
            fail(QStringLiteral("La table « %1 » a trop de colonnes.").arg(actualTable));
        int newKey = -1;
        for (int c = 0; c < newColumns.size(); ++c)
            if (newColumns.at(c).compare(QStringLiteral("numero"), Qt::CaseInsensitive) == 0)
                newKey = c;
        if (newKey < 0)
            fail(QStringLiteral("La table « %1 » n'a pas de colonne « numero ».").arg(actualTable));

        if (preparedOn != db() || actualTable != table || newColumns != columns)
            finalizeAll();
        preparedOn = db();
        table = actualTable;
        columns = newColumns;
        integerColumn = newIntegers;
        keyColumn = newKey;

        // Only the keys are held, in the statement's order.
        QString keySql = QStringLiteral("SELECT ") + quoteIdentifier(columns.at(keyColumn))
                         + QStringLiteral(" FROM ") + quoteIdentifier(table);
        if (!where.isEmpty())
            keySql += QLatin1Char(' ') + where;
        sqlite3_stmt *stmt = nullptr;
        const QByteArray keyUtf8 = keySql.toUtf8();
        int rc = sqlite3_prepare_v2(db(), keyUtf8.constData(), int(keyUtf8.size()), &stmt, nullptr);
        if (rc != SQLITE_OK) {
            const QString engineText = engine();
            sqlite3_finalize(stmt);
            fail(QStringLiteral("La base de données « %1 » a refusé l'instruction « %2 » : %3.")
                     .arg(path(), statement, engineText));
        }
        KeyList newKeys;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
            newKeys.push_back(sqlite3_column_int64(stmt, 0));
        if (rc != SQLITE_DONE) {
            const QString message = readFailure(rc);
            sqlite3_finalize(stmt);
            fail(message);
        }
        sqlite3_finalize(stmt);
        keys = std::move(newKeys);
        edit.assign(size_t(columns.size()), Value());
        ready = true;
        pos = 0;
    }
};

RecordSource::RecordSource(const QString &name, QObject *parent)
    : QObject(parent), d(std::make_unique<Impl>())
{
    setObjectName(name);
    d->name = name;
}

RecordSource::~RecordSource() = default;

void RecordSource::setConnectionString(const QString &connectionString)
{
    d->connectionString = connectionString;
}

void RecordSource::setRecordSource(const QString &statement)
{
    d->statement = statement;
}

QString RecordSource::connectionString() const
{
    return d->connectionString;
}

QString RecordSource::recordSource() const
{
    return d->statement;
}

void RecordSource::setConnection(std::shared_ptr<Connection> connection)
{
    if (connection != d->connection) {
        d->finalizeAll();
        d->ready = false;
        d->keys.clear();
        d->invalidateCache();
        d->newRow = false;
        d->deleted = false;
        d->clearEdit();
    }
    d->explicitConnection = bool(connection);
    d->connection = std::move(connection);
    d->openedFor.clear();
}

std::shared_ptr<Connection> RecordSource::connection() const
{
    return d->connection;
}

void RecordSource::refresh()
{
    // Whatever happens, the rows of the last run and any unsaved change go.
    d->ready = false;
    d->keys.clear(); // free the old keys before the new run
    d->invalidateCache();
    d->newRow = false;
    d->deleted = false;
    d->clearEdit();
    d->pos = -1;

    if (!d->explicitConnection
        && (!d->connection || d->openedFor != d->connectionString)) {
        d->finalizeAll();
        d->connection.reset();
        d->openedFor.clear();
        d->connection = Connection::open(connstr::dataSource(d->connectionString));
        d->openedFor = d->connectionString;
    }
    if (!d->connection)
        throw StoreError(
            QStringLiteral("La source de données « %1 » n'a pas de connexion.").arg(d->name));
    d->run();
}

qint64 RecordSource::recordCount() const
{
    return d->ready ? d->size() : 0;
}

void RecordSource::moveFirst()
{
    d->moveToEnd(false);
}

void RecordSource::moveLast()
{
    d->moveToEnd(true);
}

void RecordSource::moveNext()
{
    d->requireReady();
    if (d->leaveRow()) {
        d->pos = d->size(); // the new row was the last one
        return;
    }
    if (d->deleted) {
        d->deleted = false; // pos already names the row that followed
        return;
    }
    if (d->pos >= d->size())
        throw StoreError(
            QStringLiteral("Fin des enregistrements atteinte dans la source de données « %1 ».")
                .arg(d->name));
    ++d->pos;
}

void RecordSource::movePrevious()
{
    d->requireReady();
    const qint64 before = d->size();
    if (d->leaveRow()) {
        // Saved, the new row is the last one; dropped, it stood after the last.
        d->pos = (d->size() > before ? d->size() - 1 : d->size()) - 1;
        return;
    }
    if (d->deleted) {
        d->deleted = false;
        d->pos = d->pos - 1;
        return;
    }
    if (d->pos < 0 || d->keys.empty())
        throw StoreError(
            QStringLiteral("Début des enregistrements atteint dans la source de données « %1 ».")
                .arg(d->name));
    if (d->pos > d->size())
        d->pos = d->size();
    --d->pos;
}

bool RecordSource::eof() const
{
    if (!d->ready)
        return true;
    if (d->newRow || d->deleted)
        return false;
    return d->pos >= d->size();
}

bool RecordSource::bof() const
{
    if (!d->ready)
        return true;
    if (d->newRow || d->deleted)
        return false;
    return d->pos < 0 || d->keys.empty();
}

bool RecordSource::hasCurrent() const
{
    return d->ready && d->hasCurrent();
}

void RecordSource::addNew()
{
    d->requireReady();
    if (d->editMask != 0 && d->hasCurrent())
        d->save();
    if (!d->newRow)
        d->posBeforeNew = d->pos;
    d->deleted = false;
    d->newRow = true;
    d->clearEdit();
}

void RecordSource::update()
{
    d->save();
}

void RecordSource::cancelUpdate()
{
    d->clearEdit();
    if (d->newRow) {
        d->newRow = false;
        d->pos = std::clamp<qint64>(d->posBeforeNew, -1, d->size());
    }
}

void RecordSource::deleteCurrent()
{
    d->requireCurrent();
    if (d->newRow) {
        cancelUpdate();
        return;
    }
    if (!d->remove)
        d->remove = d->prepare(QStringLiteral("DELETE FROM ") + quoteIdentifier(d->table)
                               + QStringLiteral(" WHERE ")
                               + quoteIdentifier(d->columns.at(d->keyColumn))
                               + QStringLiteral(" = ?1"));
    int rc = sqlite3_bind_int64(d->remove, 1, d->keys[d->pos]);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(d->remove);
    if (rc != SQLITE_DONE) {
        const QString message =
            QStringLiteral("Suppression refusée par la base de données « %1 » : %2.")
                .arg(d->path(), d->cause(rc));
        sqlite3_reset(d->remove);
        throw StoreError(message);
    }
    sqlite3_reset(d->remove);
    d->keys.erase(d->pos);
    d->invalidateCache();
    d->clearEdit();
    d->deleted = true;
}

QStringList RecordSource::columns() const
{
    return d->columns;
}

QString RecordSource::value(const QString &column) const
{
    const int c = d->requireColumn(column);
    d->requireCurrent();
    if (d->editMask >> c & 1)
        return d->edit[size_t(c)].asText();
    if (d->newRow)
        return QString();
    return d->row(d->pos)[size_t(c)].text;
}

bool RecordSource::isNull(const QString &column) const
{
    const int c = d->requireColumn(column);
    d->requireCurrent();
    if (d->editMask >> c & 1)
        return d->edit[size_t(c)].null;
    if (d->newRow)
        return true;
    return d->row(d->pos)[size_t(c)].null;
}

void RecordSource::setValue(const QString &column, const QString &text)
{
    const int c = d->requireColumn(column);
    d->requireCurrent();
    Value &v = d->edit[size_t(c)];
    v.text = text;
    v.null = false;
    v.isUtf8 = false;
    d->editMask |= quint64(1) << c;
}

void RecordSource::setValueUtf8(const QString &column, QByteArrayView utf8)
{
    const int c = d->requireColumn(column);
    d->requireCurrent();
    Value &v = d->edit[size_t(c)];
    // Copied into the row's own buffer, whose capacity serves row after row.
    v.utf8.resize(utf8.size());
    if (!utf8.isEmpty())
        std::memcpy(v.utf8.data(), utf8.data(), size_t(utf8.size()));
    v.text.clear();
    v.null = false;
    v.isUtf8 = true;
    d->editMask |= quint64(1) << c;
}

qint64 RecordSource::valueLimit() const
{
    if (!d->connection)
        return -1;
    return d->valueLimit();
}

void RecordSource::setNull(const QString &column)
{
    const int c = d->requireColumn(column);
    d->requireCurrent();
    Value &v = d->edit[size_t(c)];
    v.text.clear();
    v.null = true;
    v.isUtf8 = false;
    d->editMask |= quint64(1) << c;
}

qint64 RecordSource::currentKey() const
{
    if (!d->ready || !d->hasCurrent() || d->newRow)
        return -1;
    return d->keys[d->pos];
}

BoundField::BoundField(const QString &name, RecordSource *source, const QString &column,
                       QObject *parent)
    : QObject(parent), m_source(source), m_column(column)
{
    setObjectName(name);
}

QString BoundField::text() const
{
    if (!m_source || !m_source->hasCurrent())
        return QString();
    return m_source->value(m_column);
}

void BoundField::setText(const QString &text)
{
    if (!m_source)
        throw StoreError(QStringLiteral("Le champ « %1 » n'est lié à aucune source de données.")
                             .arg(objectName()));
    m_source->setValue(m_column, text);
}
