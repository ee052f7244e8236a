#include "store/codingcopy.h"

#include "store/connection.h"
#include "store/statement.h"

#include <sqlite3.h>

namespace coding {
namespace {

using undo::Image;
using undo::RowChange;
using undo::RowKey;
using undo::Table;

constexpr int kColumns = 6; // numtexte, numvar01 to numvar05

struct Row {
    qint64 numero = 0;
    Image image;
};

// The coding rows of a segment as they stand, in number order.
std::vector<Row> rowsOf(Connection &db, qint64 segment)
{
    Statement stmt(db, "SELECT numero, numtexte, numvar01, numvar02, numvar03, numvar04, numvar05"
                       " FROM Contenus WHERE numtexte = ?1 ORDER BY numero");
    stmt.bind(1, segment);
    std::vector<Row> rows;
    while (stmt.step()) {
        Row row;
        row.numero = stmt.integer(0);
        for (int c = 0; c < kColumns; ++c) {
            if (stmt.isNull(c + 1))
                row.image.nulls |= quint8(1 << c);
            else
                row.image.numbers[size_t(c)] = qint32(stmt.integer(c + 1));
        }
        rows.push_back(row);
    }
    return rows;
}

// The text a segment belongs to; 0 when the segment is gone.
qint64 textOf(Connection &db, qint64 segment)
{
    Statement stmt(db, "SELECT numtexte FROM textes WHERE numero = ?1");
    stmt.bind(1, segment);
    return stmt.step() ? stmt.integer(0) : 0;
}

QString linesOf(size_t count)
{
    return count == 1 ? QStringLiteral("1 ligne") : QStringLiteral("%1 lignes").arg(count);
}

} // namespace

undo::ChangeSet copyCoding(Connection &db, qint64 from, qint64 to)
{
    const QString what = QStringLiteral("Le codage du segment n° %1 n'a pas pu être repris au "
                                        "segment n° %2")
                             .arg(from)
                             .arg(to);
    undo::beginWrite(db);
    try {
        if (from == to)
            throw StoreError(QStringLiteral("%1 : c'est le même segment.").arg(what));
        const qint64 fromText = textOf(db, from);
        const qint64 toText = textOf(db, to);
        for (const auto &[segment, text] : {std::pair{from, fromText}, std::pair{to, toText}})
            if (text == 0)
                throw StoreError(QStringLiteral("%1 : le segment n° %2 n'existe plus dans la base "
                                                "de données « %3 ».")
                                     .arg(what)
                                     .arg(segment)
                                     .arg(db.path()));
        if (fromText != toText)
            throw StoreError(QStringLiteral("%1 : les deux segments ne sont pas du même texte.")
                                 .arg(what));
        const std::vector<Row> source = rowsOf(db, from);
        if (source.empty())
            throw StoreError(QStringLiteral("%1 : le segment n° %2 n'a aucune ligne de codage "
                                            "(base de données « %3 »).")
                                 .arg(what)
                                 .arg(from)
                                 .arg(db.path()));

        undo::ChangeSet set;
        set.description = QStringLiteral("« Comme le segment précédent » au segment n° %1 (%2)")
                              .arg(QString::number(to), linesOf(source.size()));
        for (const Row &row : rowsOf(db, to))
            set.rows.push_back({RowKey{Table::Contenus, 0, row.numero}, row.image, std::nullopt});
        undo::applyInTransaction(db, set.rows, undo::Direction::Redo);

        Statement insert(db, "INSERT INTO Contenus (numtexte, numvar01, numvar02, numvar03,"
                             " numvar04, numvar05) VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
        for (const Row &row : source) {
            insert.reset();
            insert.bind(1, to);
            for (int k = 1; k < kColumns; ++k) {
                if (row.image.isNull(k))
                    insert.bindNull(k + 1);
                else
                    insert.bind(k + 1, qint64(row.image.numbers[size_t(k)]));
            }
            if (sqlite3_step(insert.handle()) != SQLITE_DONE)
                undo::failWrite(db, what, sqlite3_extended_errcode(db.handle()));
            const RowKey key{Table::Contenus, 0, sqlite3_last_insert_rowid(db.handle())};
            set.rows.push_back({key, std::nullopt, undo::read(db, key)});
        }
        undo::commitWrite(db);
        return set;
    } catch (...) {
        db.rollback();
        throw;
    }
}

} // namespace coding
