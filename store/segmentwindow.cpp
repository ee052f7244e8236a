#include "store/segmentwindow.h"

#include "store/codedrow.h"
#include "store/connection.h"
#include "store/statement.h"

#include <algorithm>

namespace coding {
namespace {

// Leaves a statement ready for the next read, whether the read went through
// or threw.
class ResetAfter
{
public:
    explicit ResetAfter(Statement &statement) : m_statement(statement) {}
    ~ResetAfter() { m_statement.reset(); }
    ResetAfter(const ResetAfter &) = delete;
    ResetAfter &operator=(const ResetAfter &) = delete;

private:
    Statement &m_statement;
};

// Keeps the first `limit` characters (as the engine counts them: a
// character beyond the basic plane is one); tells whether any were left.
bool cutAt(QString &text, int limit)
{
    int units = 0;
    int characters = 0;
    while (units < text.size() && characters < limit) {
        units += text.at(units).isHighSurrogate() && units + 1 < text.size() ? 2 : 1;
        ++characters;
    }
    if (units >= text.size())
        return false;
    text.truncate(units);
    return true;
}

} // namespace

SegmentWindowReader::SegmentWindowReader(Connection &connection)
    : m_ends(std::make_unique<Statement>(
          connection,
          // The window's first and last numbers, each found by walking the
          // text's index from the segment asked for.
          "SELECT (SELECT min(numero) FROM (SELECT numero FROM textes"
          "         WHERE numtexte = ?1 AND numero < ?2 ORDER BY numero DESC LIMIT ?3)),"
          " (SELECT max(numero) FROM (SELECT numero FROM textes"
          "         WHERE numtexte = ?1 AND numero > ?2 ORDER BY numero LIMIT ?4))")),
      m_segments(std::make_unique<Statement>(
          connection, "SELECT numero, substr(texte, 1, ?4) FROM textes"
                      " WHERE numtexte = ?1 AND numero BETWEEN ?2 AND ?3 ORDER BY numero")),
      // The rows come in segment then row order from the index on numtexte.
      m_codings(std::make_unique<Statement>(
          connection,
          "SELECT k.numtexte, k.numero,"
          " coalesce(k.numvar01, 1), v1.variable01, coalesce(k.numvar02, 1), v2.variable02,"
          " coalesce(k.numvar03, 1), v3.variable03, coalesce(k.numvar04, 1), v4.variable04,"
          " coalesce(k.numvar05, 1), v5.variable05"
          " FROM Contenus k"
          " LEFT JOIN var_comp_01 v1 ON v1.numero = k.numvar01"
          " LEFT JOIN var_comp_02 v2 ON v2.numero = k.numvar02"
          " LEFT JOIN var_comp_03 v3 ON v3.numero = k.numvar03"
          " LEFT JOIN var_comp_04 v4 ON v4.numero = k.numvar04"
          " LEFT JOIN var_comp_05 v5 ON v5.numero = k.numvar05"
          " WHERE k.numtexte BETWEEN ?1 AND ?2 AND " TELMIRA_ROW_HOLDS_VALUE
          " ORDER BY k.numtexte, k.numero"))
{
}

SegmentWindowReader::~SegmentWindowReader() = default;

SegmentWindow SegmentWindowReader::read(qint64 textNumber, qint64 around, int before, int after,
                                        int maxChars)
{
    before = std::max(before, 0);
    after = std::max(after, 0);
    maxChars = std::max(maxChars, 1);

    qint64 first = around;
    qint64 last = around;
    {
        ResetAfter done(*m_ends);
        m_ends->bind(1, textNumber).bind(2, around).bind(3, before).bind(4, after);
        if (m_ends->step()) {
            if (!m_ends->isNull(0))
                first = m_ends->integer(0);
            if (!m_ends->isNull(1))
                last = m_ends->integer(1);
        }
    }

    SegmentWindow window;
    {
        ResetAfter done(*m_segments);
        // One character more than kept tells whether the text goes on.
        m_segments->bind(1, textNumber).bind(2, first).bind(3, last).bind(4, qint64(maxChars) + 1);
        while (m_segments->step()) {
            WindowSegment s;
            s.numero = m_segments->integer(0);
            s.text = m_segments->text(1);
            s.cut = cutAt(s.text, maxChars);
            if (s.numero == around)
                window.current = int(window.segments.size());
            window.segments.push_back(std::move(s));
        }
    }
    if (window.segments.empty())
        return window;

    ResetAfter done(*m_codings);
    m_codings->bind(1, window.segments.front().numero).bind(2, window.segments.back().numero);
    // Both come in number order; a row of a segment of another text whose
    // number falls inside the window is passed over.
    auto segment = window.segments.begin();
    while (m_codings->step()) {
        const qint64 owner = m_codings->integer(0);
        while (segment != window.segments.end() && segment->numero < owner)
            ++segment;
        if (segment == window.segments.end())
            break;
        if (segment->numero != owner)
            continue;
        WindowCoding c;
        c.numero = m_codings->integer(1);
        for (int k = 0; k < kLists; ++k) {
            c.numvar[size_t(k)] = m_codings->integer(2 + 2 * k);
            c.value[size_t(k)] = m_codings->text(3 + 2 * k);
        }
        segment->codings.push_back(std::move(c));
    }
    return window;
}

} // namespace coding
