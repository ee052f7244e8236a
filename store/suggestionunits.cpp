#include "store/suggestionunits.h"

#include "store/connection.h"
#include "store/statement.h"
#include "store/storeerror.h"
#include "store/suggestionstore.h"

#include <algorithm>
#include <deque>
#include <limits>

namespace suggestions {

namespace {

QString column(int list)
{
    return QStringLiteral("numvar0%1").arg(list);
}

// Segments read at a time.
constexpr qint64 kBlock = 2000;

// Values come in ascending order, a value once per row that holds it: each
// is kept once.
void addDistinct(std::vector<qint64> &values, qint64 value)
{
    if (values.empty() || values.back() != value)
        values.push_back(value);
}

} // namespace

UnitReader::UnitReader(Connection &db, int list, int context, int wider)
    : m_db(db), m_list(std::clamp(list, 1, 5)), m_context(std::clamp(context, 0, 10)),
      m_wider(std::clamp(wider, m_context, 50))
{
}

QString UnitReader::valuesSql() const
{
    // A row holds a value when its field names a value of the list other
    // than row 1 (the empty value); an accepted suggestion is not the
    // coder's (store/suggestionstore.h).
    return QStringLiteral("SELECT k.numtexte, k.%1 FROM %3 k"
                          " JOIN var_comp_0%2 v ON v.numero = k.%1"
                          " WHERE k.%1 > 1")
        .arg(column(m_list))
        .arg(m_list)
        .arg(suggestions::codingRows(m_db, true));
}

void UnitReader::loadValues()
{
    const QByteArray sql = (valuesSql() + QStringLiteral(" ORDER BY k.numtexte, k.%1")
                                              .arg(column(m_list)))
                               .toUtf8();
    Statement stmt(m_db, sql.constData());
    while (stmt.step())
        addDistinct(m_values[stmt.integer(0)], stmt.integer(1));
    // The segments coded in the list, by the coder or by a suggestion
    // accepted: neither is suggested for. Those holding accepted values
    // alone keep them, as the previous values of the next segment.
    Statement any(m_db, anyValuesSql(QStringLiteral(" ORDER BY numtexte, %1")).constData());
    while (any.step()) {
        const qint64 segment = any.integer(0);
        m_coded.insert(segment);
        if (!m_values.count(segment))
            addDistinct(m_accepted[segment], any.integer(1));
    }
}

QByteArray UnitReader::anyValuesSql(const QString &rest) const
{
    return (QStringLiteral("SELECT numtexte, %1 FROM Contenus WHERE %1 > 1"
                           " AND %1 IN (SELECT numero FROM var_comp_0%2)")
                .arg(column(m_list))
                .arg(m_list)
            + rest.arg(column(m_list)))
        .toUtf8();
}

void UnitReader::loadAttributes()
{
    Statement stmt(m_db, "SELECT v.texte, a.nom, v.valeur FROM ValeursAttributs v"
                         " JOIN Attributs a ON a.numero = v.attribut"
                         " ORDER BY v.texte, a.numero");
    while (stmt.step())
        m_attributes[stmt.integer(0)] << stmt.text(1) + QLatin1Char('=') + stmt.text(2);
}

bool UnitReader::read(Which which, const Sink &sink)
{
    if (!m_loaded) {
        loadValues();
        if (attributesExist())
            loadAttributes();
        m_loaded = true;
    }
    struct Row {
        qint64 text = 0;
        qint64 segment = 0;
        QString content;
    };
    std::deque<Row> rows; // the segments around the one handed out
    size_t current = 0;    // the one handed out next, in rows
    // Hands out rows[current] when its context is known: the segments after
    // it are read, or its text has ended.
    auto handOut = [&](bool textEnded) -> bool {
        while (current < rows.size() &&
               (textEnded || rows.size() - current - 1 >= size_t(m_wider))) {
            const Row &r = rows[current];
            const auto found = m_values.find(r.segment);
            const bool coded = found != m_values.end();
            const bool chosen = which == Which::All
                                || (which == Which::Coded && coded)
                                || (which == Which::NotCoded && !m_coded.count(r.segment));
            if (chosen) {
                Unit u;
                u.segment = r.segment;
                u.text = r.text;
                u.content = r.content;
                if (current > 0)
                    u.before = rows[current - 1].segment;
                for (int d = 1; d <= m_wider; ++d) {
                    QStringList &into = d <= m_context ? u.context : u.wider;
                    if (current >= size_t(d))
                        into << rows[current - size_t(d)].content;
                    if (current + size_t(d) < rows.size())
                        into << rows[current + size_t(d)].content;
                }
                if (current > 0) {
                    const auto before = m_values.find(rows[current - 1].segment);
                    if (before != m_values.end())
                        u.previous = before->second;
                    const auto accepted = m_accepted.find(rows[current - 1].segment);
                    if (accepted != m_accepted.end())
                        u.previousAccepted = accepted->second;
                }
                const auto attributes = m_attributes.find(r.text);
                if (attributes != m_attributes.end())
                    u.attributes = attributes->second;
                if (coded)
                    u.values = found->second;
                if (!sink(std::move(u)))
                    return false;
            }
            ++current;
            while (current > size_t(m_wider)) {
                rows.pop_front();
                --current;
            }
        }
        return true;
    };
    // The reading order: by text, then by segment, in blocks, each a short
    // read of its own, so that the coding window may write between them
    // (a long read would hold it off).
    Statement nextText(m_db, "SELECT min(numtexte) FROM textes WHERE numtexte > ?1");
    Statement block(m_db, "SELECT numero, coalesce(texte, '') FROM textes"
                          " WHERE numtexte = ?1 AND numero > ?2 ORDER BY numero LIMIT ?3");
    qint64 text = std::numeric_limits<qint64>::min();
    for (;;) {
        nextText.reset();
        nextText.bind(1, text);
        if (!nextText.step() || nextText.isNull(0))
            break;
        text = nextText.integer(0);
        nextText.reset();
        qint64 after = std::numeric_limits<qint64>::min();
        for (;;) {
            block.reset();
            block.bind(1, text).bind(2, after).bind(3, kBlock);
            qint64 read = 0;
            while (block.step()) {
                after = block.integer(0);
                rows.push_back(Row{text, after, block.text(1)});
                ++read;
            }
            block.reset();
            if (!handOut(false))
                return false;
            if (read < kBlock)
                break;
        }
        if (!handOut(true))
            return false;
        rows.clear();
        current = 0;
    }
    return true;
}

std::vector<Unit> UnitReader::coded(const std::function<bool()> &stop)
{
    std::vector<Unit> units;
    read(Which::Coded, [&](Unit &&u) {
        units.push_back(std::move(u));
        return !(stop && units.size() % 1024 == 0 && stop());
    });
    return units;
}

std::function<bool(const std::function<bool(const Unit &)> &)> UnitReader::codedSource()
{
    return [this](const std::function<bool(const Unit &)> &sink) {
        return read(Which::Coded, [&sink](Unit &&u) { return sink(u); });
    };
}

// The statements of unit(), prepared at its first call and kept: the coding
// window's lookup reads the segments before a segment one by one.
struct UnitReader::Lookup {
    Lookup(Connection &db, const QByteArray &values, const QByteArray &any, bool attributes)
        : self(db, "SELECT numtexte, coalesce(texte, '') FROM textes WHERE numero = ?1"),
          before(db, "SELECT numero, coalesce(texte, '') FROM textes"
                     " WHERE numtexte = ?1 AND numero < ?2 ORDER BY numero DESC LIMIT ?3"),
          after(db, "SELECT coalesce(texte, '') FROM textes"
                    " WHERE numtexte = ?1 AND numero > ?2 ORDER BY numero LIMIT ?3"),
          values(db, values.constData()), any(db, any.constData())
    {
        if (attributes)
            this->attributes = std::make_unique<Statement>(
                db, "SELECT a.nom, v.valeur FROM ValeursAttributs v"
                    " JOIN Attributs a ON a.numero = v.attribut"
                    " WHERE v.texte = ?1 ORDER BY a.numero");
    }
    Statement self, before, after, values, any;
    std::unique_ptr<Statement> attributes; // none in files older than the attributes
};

UnitReader::~UnitReader() = default;

std::optional<Unit> UnitReader::unit(qint64 segment)
{
    if (!m_lookup)
        m_lookup = std::make_unique<Lookup>(
            m_db, (valuesSql() + QStringLiteral(" AND k.numtexte = ?1 ORDER BY 2")).toUtf8(),
            anyValuesSql(QStringLiteral(" AND numtexte = ?1 ORDER BY %1")), attributesExist());
    Lookup &q = *m_lookup;
    Statement &self = q.self;
    self.reset();
    self.bind(1, segment);
    if (!self.step())
        return std::nullopt;
    Unit u;
    u.segment = segment;
    u.text = self.integer(0);
    u.content = self.text(1);
    self.reset(); // no statement is left reading between two calls

    Statement &before = q.before;
    before.reset();
    before.bind(1, u.text).bind(2, segment).bind(3, qint64(m_wider));
    QStringList earlier;
    qint64 previous = 0;
    while (before.step()) {
        if (previous == 0)
            previous = before.integer(0);
        earlier << before.text(1);
    }
    Statement &after = q.after;
    after.reset();
    after.bind(1, u.text).bind(2, segment).bind(3, qint64(m_wider));
    QStringList later;
    while (after.step())
        later << after.text(0);
    for (int d = 0; d < std::max(earlier.size(), later.size()); ++d) {
        QStringList &into = d < m_context ? u.context : u.wider;
        if (d < earlier.size())
            into << earlier.at(d);
        if (d < later.size())
            into << later.at(d);
    }

    // Distinct and ascending, as the rows give them in value order.
    auto read = [](Statement &values, qint64 of, std::vector<qint64> &into) {
        values.reset();
        values.bind(1, of);
        while (values.step())
            addDistinct(into, values.integer(1));
    };
    read(q.values, segment, u.values);
    u.before = previous;
    if (previous != 0)
        read(q.values, previous, u.previous);
    if (previous != 0 && u.previous.empty()) {
        q.any.reset();
        q.any.bind(1, previous);
        while (q.any.step())
            addDistinct(u.previousAccepted, q.any.integer(1));
    }
    if (q.attributes) {
        q.attributes->reset();
        q.attributes->bind(1, u.text);
        while (q.attributes->step())
            u.attributes << q.attributes->text(0) + QLatin1Char('=') + q.attributes->text(1);
    }
    return u;
}

bool UnitReader::attributesExist()
{
    Statement stmt(m_db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'ValeursAttributs'");
    return stmt.step();
}

} // namespace suggestions
