#include "store/exportstore.h"

#include "store/connection.h"
#include "store/storeerror.h"

#include <sqlite3.h>

#include <limits>

namespace coding {
namespace {

QString textColumn(sqlite3_stmt *stmt, int column)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, column));
    return text ? QString::fromUtf8(text, sqlite3_column_bytes(stmt, column)) : QString();
}

} // namespace

bool ExportCoding::holdsValue() const
{
    for (const QString &v : value)
        if (!v.isEmpty())
            return true;
    return false;
}

ExportReader::ExportReader(Connection &connection) : m_db(connection)
{
    m_nextText = prepare("SELECT min(numtexte) FROM textes WHERE numtexte > ?1");
    m_path = prepare("SELECT chemin FROM Chemin WHERE numero = ?1");
    // The block's segments through the index on (numtexte, rowid); their
    // coding rows through the index on Contenus.numtexte.
    m_block = prepare(
        "SELECT t.numero, t.texte, k.numero,"
        " k.numvar01, v1.variable01, k.numvar02, v2.variable02, k.numvar03, v3.variable03,"
        " k.numvar04, v4.variable04, k.numvar05, v5.variable05"
        " FROM (SELECT numero, texte FROM textes WHERE numtexte = ?1 AND numero > ?2"
        "       ORDER BY numero LIMIT ?3) t"
        " LEFT JOIN Contenus k ON k.numtexte = t.numero"
        " LEFT JOIN var_comp_01 v1 ON v1.numero = k.numvar01"
        " LEFT JOIN var_comp_02 v2 ON v2.numero = k.numvar02"
        " LEFT JOIN var_comp_03 v3 ON v3.numero = k.numvar03"
        " LEFT JOIN var_comp_04 v4 ON v4.numero = k.numvar04"
        " LEFT JOIN var_comp_05 v5 ON v5.numero = k.numvar05"
        " ORDER BY t.numero, k.numero");
}

ExportReader::~ExportReader()
{
    sqlite3_finalize(m_nextText);
    sqlite3_finalize(m_path);
    sqlite3_finalize(m_block);
}

sqlite3_stmt *ExportReader::prepare(const char *sql)
{
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(m_db.handle(), sql, -1, &stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        sqlite3_finalize(m_nextText);
        sqlite3_finalize(m_path);
        m_nextText = m_path = nullptr;
        failRead();
    }
    return stmt;
}

bool ExportReader::step(sqlite3_stmt *stmt)
{
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE) {
        sqlite3_reset(stmt);
        failRead();
    }
    return false;
}

void ExportReader::bind(int rc)
{
    if (rc != SQLITE_OK)
        failRead();
}

void ExportReader::failRead()
{
    const int rc = sqlite3_errcode(m_db.handle()) & 0xff;
    QString cause = m_db.engineMessage();
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
        cause = QStringLiteral("la base est verrouillée par un autre programme");
    else if (rc == SQLITE_CORRUPT || rc == SQLITE_NOTADB)
        cause = QStringLiteral("le fichier est endommagé");
    else if (rc == SQLITE_IOERR)
        cause = QStringLiteral("erreur d'entrée-sortie du disque");
    else if (rc == SQLITE_NOMEM)
        cause = QStringLiteral("la mémoire est insuffisante");
    throw StoreError(QStringLiteral("Lecture impossible dans la base de données « %1 » : %2.")
                         .arg(m_db.path(), cause));
}

qint64 ExportReader::segmentCount()
{
    sqlite3_stmt *stmt = prepare("SELECT count(numtexte) FROM textes");
    const int rc = sqlite3_step(stmt);
    const qint64 count = rc == SQLITE_ROW ? sqlite3_column_int64(stmt, 0) : 0;
    sqlite3_finalize(stmt);
    if (rc != SQLITE_ROW)
        failRead();
    return count;
}

void ExportReader::forEachSegment(const std::function<bool(const ExportSegment &)> &segment)
{
    // numtexte is a 32-bit number: start below any of them.
    qint64 text = std::numeric_limits<qint64>::min();
    ExportSegment s;
    s.codings.reserve(8);
    for (;;) {
        bind(sqlite3_bind_int64(m_nextText, 1, text));
        const bool found = step(m_nextText)
                           && sqlite3_column_type(m_nextText, 0) != SQLITE_NULL;
        if (found)
            text = sqlite3_column_int64(m_nextText, 0);
        sqlite3_reset(m_nextText);
        if (!found)
            return;

        bind(sqlite3_bind_int64(m_path, 1, text));
        s.textPath = step(m_path) ? textColumn(m_path, 0) : QString();
        sqlite3_reset(m_path);
        s.textNumber = text;

        qint64 last = std::numeric_limits<qint64>::min();
        for (;;) {
            bind(sqlite3_bind_int64(m_block, 1, text));
            bind(sqlite3_bind_int64(m_block, 2, last));
            bind(sqlite3_bind_int(m_block, 3, kBlock));
            int segments = 0;
            bool pending = false;
            bool stopped = false;
            auto flush = [&] {
                if (pending && !segment(s))
                    stopped = true;
                pending = false;
            };
            while (!stopped && step(m_block)) {
                const qint64 number = sqlite3_column_int64(m_block, 0);
                if (!pending || number != s.segmentNumber) {
                    flush();
                    if (stopped)
                        break;
                    ++segments;
                    pending = true;
                    s.segmentNumber = number;
                    s.segmentText = textColumn(m_block, 1);
                    s.codings.clear();
                    last = number;
                }
                if (sqlite3_column_type(m_block, 2) != SQLITE_NULL) {
                    ExportCoding c;
                    c.numero = sqlite3_column_int64(m_block, 2);
                    for (int k = 0; k < kLists; ++k) {
                        c.numvar[size_t(k)] = sqlite3_column_int64(m_block, 3 + 2 * k);
                        c.value[size_t(k)] = textColumn(m_block, 4 + 2 * k);
                    }
                    s.codings.push_back(std::move(c));
                }
            }
            sqlite3_reset(m_block); // ends this block's read
            if (!stopped)
                flush();
            if (stopped)
                return;
            if (segments < kBlock)
                break;
        }
    }
}

} // namespace coding
