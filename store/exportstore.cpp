#include "store/exportstore.h"

#include "store/connection.h"
#include "store/notestore.h"
#include "store/suggestionstore.h"

#include <sqlite3.h>

#include <limits>

namespace coding {
namespace {

QByteArray bytes(const Statement &stmt, int column)
{
    const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(stmt.handle(), column));
    return p ? QByteArray(p, sqlite3_column_bytes(stmt.handle(), column)) : QByteArray();
}

// A block's rows: the segments through the index on (numtexte, rowid), each
// followed by its coding rows through the index on Contenus.numtexte, which
// gives them in number order: nothing to sort. The segment's note comes
// through the key of the notes (none before version 3); the accepted
// suggestions of a row, as a mask of its lists, through the key of their
// table (none before version 5).
QByteArray blockSql(bool withNotes, bool withAccepted)
{
    QByteArray sql = "SELECT t.numero, t.texte, k.numero,"
                     " k.numvar01, v1.variable01, k.numvar02, v2.variable02, k.numvar03, v3.variable03,"
                     " k.numvar04, v4.variable04, k.numvar05, v5.variable05, ";
    sql += withNotes ? "n.note, " : "NULL, ";
    sql += withAccepted ? "(SELECT sum(1 << (a.liste - 1)) FROM SuggestionsAcceptees a"
                          " WHERE a.contenu = k.numero AND a.valeur = CASE a.liste"
                          " WHEN 1 THEN k.numvar01 WHEN 2 THEN k.numvar02 WHEN 3 THEN k.numvar03"
                          " WHEN 4 THEN k.numvar04 WHEN 5 THEN k.numvar05 END)"
                        : "NULL";
    sql += " FROM textes t"
           " LEFT JOIN Contenus k ON k.numtexte = t.numero"
           " LEFT JOIN var_comp_01 v1 ON v1.numero = k.numvar01"
           " LEFT JOIN var_comp_02 v2 ON v2.numero = k.numvar02"
           " LEFT JOIN var_comp_03 v3 ON v3.numero = k.numvar03"
           " LEFT JOIN var_comp_04 v4 ON v4.numero = k.numvar04"
           " LEFT JOIN var_comp_05 v5 ON v5.numero = k.numvar05";
    if (withNotes)
        sql += " LEFT JOIN Notes n ON n.genre = 1 AND n.cible = t.numero";
    sql += " WHERE t.numtexte = ?1 AND t.numero > ?2"
           " ORDER BY t.numero, k.numero LIMIT ?3";
    return sql;
}

} // namespace

bool ExportCoding::holdsValue() const
{
    for (const QByteArray &v : value)
        if (!v.isEmpty())
            return true;
    return false;
}

ExportShape exportShape(Connection &connection)
{
    ExportShape shape;
    for (int k = 0; k < kLists; ++k) {
        // Row 1 is the list's empty value: not a value of the segment.
        const QByteArray sql = QByteArrayLiteral("SELECT 1 FROM Contenus WHERE numvar0")
                               + QByteArray::number(k + 1)
                               + QByteArrayLiteral(" <> 1 GROUP BY numtexte HAVING count(DISTINCT "
                                                   "numvar0")
                               + QByteArray::number(k + 1) + QByteArrayLiteral(") > 1 LIMIT 1");
        Statement several(connection, sql.constData());
        shape.severalValues[size_t(k)] = several.step();
    }
    Statement path(connection, "SELECT max(length(CAST(chemin AS BLOB))) FROM Chemin");
    shape.longestPath = path.step() && !path.isNull(0) ? path.integer(0) : 0;
    Statement segment(connection, "SELECT max(length(CAST(texte AS BLOB))) FROM textes");
    shape.longestSegment = segment.step() && !segment.isNull(0) ? segment.integer(0) : 0;
    return shape;
}

ExportReader::ExportReader(Connection &connection, Suggestions suggestions)
    : m_count(connection, "SELECT count(numtexte) FROM textes"),
      m_nextText(connection, "SELECT min(numtexte) FROM textes WHERE numtexte > ?1"),
      m_path(connection, "SELECT chemin FROM Chemin WHERE numero = ?1"),
      m_block(connection, blockSql(notes::available(connection),
                                   suggestions != Suggestions::Ignored
                                       && suggestions::available(connection))
                              .constData()),
      m_suggestions(suggestions)
{
    // Never the rows of a copy that is no longer the analysis.
    connection.requireSameFile();
}

qint64 ExportReader::segmentCount()
{
    m_count.step();
    const qint64 count = m_count.integer(0);
    m_count.reset();
    return count;
}

void ExportReader::forEachSegment(const std::function<bool(const ExportSegment &)> &segment)
{
    // numtexte is a 32-bit number: start below any of them.
    qint64 text = std::numeric_limits<qint64>::min();
    ExportSegment s;
    s.codings.reserve(8);
    for (;;) {
        const bool found = m_nextText.bind(1, text).step() && !m_nextText.isNull(0);
        if (found)
            text = m_nextText.integer(0);
        m_nextText.reset();
        if (!found)
            return;

        s.textPath = m_path.bind(1, text).step() ? bytes(m_path, 0) : QByteArray();
        m_path.reset();
        s.textNumber = text;

        qint64 last = std::numeric_limits<qint64>::min();
        qint64 limit = kBlock;
        for (;;) {
            // The block ends after `limit` rows: its last segment may lack
            // coding rows, so it is read again with the next block, unless
            // it is the block's only segment (then the block grows).
            m_block.bind(1, text).bind(2, last).bind(3, limit);
            qint64 rows = 0;
            int segments = 0;
            bool pending = false;
            bool stopped = false;
            while (!stopped && m_block.step()) {
                ++rows;
                const qint64 number = m_block.integer(0);
                if (!pending || number != s.segmentNumber) {
                    if (pending) {
                        if (!segment(s))
                            stopped = true;
                        last = s.segmentNumber;
                        if (stopped)
                            break;
                    }
                    ++segments;
                    pending = true;
                    s.segmentNumber = number;
                    s.segmentText = bytes(m_block, 1);
                    s.note = bytes(m_block, 13);
                    s.codings.clear();
                }
                if (!m_block.isNull(2)) {
                    ExportCoding c;
                    c.numero = m_block.integer(2);
                    const qint64 accepted = m_block.isNull(14) ? 0 : m_block.integer(14);
                    for (int k = 0; k < kLists; ++k) {
                        c.numvar[size_t(k)] = m_block.integer(3 + 2 * k);
                        c.value[size_t(k)] = bytes(m_block, 4 + 2 * k);
                        c.accepted[size_t(k)] = (accepted >> k & 1) != 0;
                        if (c.accepted[size_t(k)] && m_suggestions == Suggestions::LeftOut) {
                            // As the list's empty value (row 1).
                            c.numvar[size_t(k)] = 1;
                            c.value[size_t(k)].clear();
                            c.accepted[size_t(k)] = false;
                        }
                    }
                    s.codings.push_back(std::move(c));
                }
            }
            m_block.reset(); // ends this block's read
            if (stopped)
                return;
            if (rows < limit) {
                // The text's end: its last segment is whole.
                if (pending && !segment(s))
                    return;
                break;
            }
            if (segments == 1)
                limit *= 2;
            else
                limit = kBlock;
        }
    }
}

} // namespace coding
