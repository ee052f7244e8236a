#include "store/bulkcoding.h"

#include "store/connection.h"
#include "store/statement.h"

#include <QLocale>
#include <sqlite3.h>

#include <algorithm>
#include <set>

namespace coding {
namespace {

using undo::Image;
using undo::RowChange;
using undo::RowKey;
using undo::Table;

constexpr int kColumns = 6; // numtexte, numvar01 to numvar05

QString failureOf(qint64 assignments)
{
    return QStringLiteral("Le codage de %1 segments n'a pas pu être fait")
        .arg(QLocale(QLocale::French).toString(assignments));
}

void checkList(int list, qint64 assignments)
{
    if (list < 1 || list > 5)
        throw StoreError(QStringLiteral("%1 : la liste n° %2 n'existe pas (listes 1 à 5).")
                             .arg(failureOf(assignments))
                             .arg(list));
}

QByteArray listSql(const char *pattern, int list)
{
    return QString::fromLatin1(pattern).arg(list).toUtf8();
}

} // namespace

QString segmentsText(qint64 n)
{
    const QString number = QLocale(QLocale::French).toString(n);
    return n == 1 ? QStringLiteral("1 segment") : QStringLiteral("%1 segments").arg(number);
}

struct BulkCoder::Impl
{
    Impl(Connection &c, int l, bool keep, bool compact)
        : db(c), list(l), keepImages(keep), compactAdded(compact),
          exists(c, listSql("SELECT 1 FROM var_comp_0%1 WHERE numero = ?1", l).constData()),
          segment(c, "SELECT 1 FROM textes WHERE numero = ?1"),
          rows(c, "SELECT numero, numtexte, numvar01, numvar02, numvar03, numvar04,"
                  " numvar05 FROM Contenus WHERE numtexte = ?1 ORDER BY numero"),
          segmentRange(c, "SELECT numero FROM textes WHERE numero BETWEEN ?1 AND ?2"
                          " ORDER BY numero"),
          rowRange(c, "SELECT numero, numtexte, numvar01, numvar02, numvar03, numvar04,"
                      " numvar05 FROM Contenus WHERE numtexte BETWEEN ?1 AND ?2"
                      " ORDER BY numtexte, numero"),
          fill(c, listSql("UPDATE Contenus SET numvar0%1 = ?1 WHERE numero = ?2", l).constData()),
          add(c, listSql("INSERT INTO Contenus (numtexte, numvar0%1) VALUES (?1, ?2)", l)
                     .constData()),
          addMany(c, listSql("INSERT INTO Contenus (numtexte, numvar0%1)"
                             " SELECT json_extract(value, '$[0]'), json_extract(value, '$[1]')"
                             " FROM json_each(?1) ORDER BY key",
                             l)
                         .constData())
    {
    }
    Connection &db;
    int list;
    bool keepImages;
    bool compactAdded;
    Statement exists;
    Statement segment;
    Statement rows;
    Statement segmentRange;
    Statement rowRange;
    Statement fill;
    Statement add;
    Statement addMany;
    std::set<qint64> checked; // values known to be in the list
};

BulkCoder::BulkCoder(Connection &db, int list, bool keepImages, bool compactAdded)
{
    checkList(list, 0);
    d = new Impl(db, list, keepImages, compactAdded);
}

BulkCoder::~BulkCoder()
{
    delete d;
}

void BulkCoder::code(const std::vector<SegmentValue> &assignments, BulkOutcome *outcome,
                     std::vector<SegmentValue> *changed, std::vector<qint64> *rowsGiven)
{
    if (rowsGiven)
        rowsGiven->assign(assignments.size(), 0);
    Connection &db = d->db;
    const int list = d->list;
    const QString failure = failureOf(qint64(assignments.size()));
    // Every value first: one missing refuses the whole step.
    for (const SegmentValue &a : assignments) {
        if (d->checked.count(a.value))
            continue;
        d->exists.reset();
        d->exists.bind(1, a.value);
        if (a.value == 1 || !d->exists.step())
            throw StoreError(QStringLiteral("%1 : la valeur n° %2 n'est pas dans la liste %3 "
                                            "(base de données « %4 »). Rien n'a été "
                                            "changé.")
                                 .arg(failure)
                                 .arg(a.value)
                                 .arg(list)
                                 .arg(db.path()));
        d->exists.reset();
        d->checked.insert(a.value);
    }

    // Segment by segment (its values in the order given): its rows are read
    // once for all the values it is given. Segments do not depend on one
    // another, so the outcome is that of the assignments taken in order.
    std::vector<size_t> order(assignments.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&assignments](size_t a, size_t b) {
        return assignments[a].segment < assignments[b].segment;
    });
    struct Row
    {
        qint64 numero = 0;
        Image image;
    };
    auto imageOf = [](Statement &read) {
        Row row;
        row.numero = read.integer(0);
        for (int c = 0; c < kColumns; ++c) {
            if (read.isNull(c + 1))
                row.image.nulls |= quint8(1 << c);
            else
                row.image.numbers[size_t(c)] = qint32(read.integer(c + 1));
        }
        return row;
    };
    // Segments close together (a batch of a text, a dictionary's batch) are
    // read in two range queries rather than two lookups each.
    std::vector<qint64> segments;
    for (size_t i : order)
        if (segments.empty() || segments.back() != assignments[i].segment)
            segments.push_back(assignments[i].segment);
    const bool ranged = segments.size() >= 64
                        && segments.back() - segments.front() < 4 * qint64(segments.size());
    std::vector<qint64> present;
    std::vector<std::pair<qint64, Row>> rowsRead; // by segment, then row number
    if (ranged) {
        d->segmentRange.reset();
        d->segmentRange.bind(1, segments.front()).bind(2, segments.back());
        while (d->segmentRange.step())
            present.push_back(d->segmentRange.integer(0));
        d->segmentRange.reset();
        d->rowRange.reset();
        d->rowRange.bind(1, segments.front()).bind(2, segments.back());
        while (d->rowRange.step())
            rowsRead.emplace_back(d->rowRange.integer(1), imageOf(d->rowRange));
        d->rowRange.reset();
    }
    size_t nextRow = 0;
    std::vector<Row> rows;
    std::vector<std::pair<qint64, size_t>> given; // a value, its first assignment
    std::vector<SegmentValue> adds; // the rows to add, by ranges
    std::vector<size_t> addedFor;   // the assignment of each row to add
    for (size_t i = 0; i < order.size();) {
        const qint64 segment = assignments[order[i]].segment;
        given.clear();
        for (; i < order.size() && assignments[order[i]].segment == segment; ++i) {
            const qint64 value = assignments[order[i]].value;
            if (std::find_if(given.begin(), given.end(),
                             [value](const auto &g) { return g.first == value; })
                == given.end())
                given.emplace_back(value, order[i]); // the same assignment twice is one
        }
        bool isThere = false;
        rows.clear();
        if (ranged) {
            isThere = std::binary_search(present.begin(), present.end(), segment);
            while (nextRow < rowsRead.size() && rowsRead[nextRow].first < segment)
                ++nextRow;
            for (; nextRow < rowsRead.size() && rowsRead[nextRow].first == segment; ++nextRow)
                rows.push_back(rowsRead[nextRow].second);
        } else {
            d->segment.reset();
            d->segment.bind(1, segment);
            isThere = d->segment.step();
            d->segment.reset();
            if (isThere) {
                Statement &read = d->rows;
                read.reset();
                read.bind(1, segment);
                while (read.step())
                    rows.push_back(imageOf(read));
                read.reset();
            }
        }
        if (!isThere) {
            outcome->missing += qint64(given.size());
            outcome->unchanged += qint64(given.size());
            continue;
        }
        for (const auto &[value, assignment] : given) {
            // Does a row hold the value? Which is the first whose field is empty?
            Row *empty = nullptr;
            bool holds = false;
            for (Row &row : rows) {
                const bool isNull = row.image.isNull(list);
                const qint64 v = row.image.numbers[size_t(list)];
                if (!isNull && v == value) {
                    holds = true;
                    break;
                }
                if (!empty && (isNull || v == 1))
                    empty = &row;
            }
            if (holds) {
                ++outcome->unchanged;
                continue;
            }
            if (empty) {
                d->fill.reset();
                d->fill.bind(1, value).bind(2, empty->numero);
                const int rc = sqlite3_step(d->fill.handle());
                if (rc != SQLITE_DONE)
                    undo::failWrite(db, failure, sqlite3_extended_errcode(db.handle()));
                d->fill.reset();
                Image after = empty->image;
                after.setNumber(list, value);
                if (d->keepImages)
                    outcome->set.rows.push_back(
                        {RowKey{Table::Contenus, 0, empty->numero}, empty->image, after});
                empty->image = after;
                if (rowsGiven)
                    (*rowsGiven)[assignment] = empty->numero;
                ++outcome->filled;
            } else if (ranged) {
                // Added together after the loop (below).
                Row row;
                row.image.setNumber(list, value);
                rows.push_back(row);
                adds.push_back({segment, value});
                addedFor.push_back(assignment);
                ++outcome->added;
            } else {
                d->add.reset();
                d->add.bind(1, segment).bind(2, value);
                const int rc = sqlite3_step(d->add.handle());
                if (rc != SQLITE_DONE)
                    undo::failWrite(db, failure, sqlite3_extended_errcode(db.handle()));
                d->add.reset();
                Row row;
                row.numero = sqlite3_last_insert_rowid(db.handle());
                const RowKey key{Table::Contenus, 0, row.numero};
                if (d->keepImages && d->compactAdded) {
                    row.image.numbers.fill(1);
                    row.image.setNumber(0, segment);
                    row.image.setNumber(list, value);
                    outcome->set.addCoding(row.numero, list, segment, value);
                } else if (d->keepImages) {
                    const std::optional<Image> image = undo::read(db, key);
                    if (image)
                        row.image = *image;
                    outcome->set.rows.push_back({key, std::nullopt, image});
                } else {
                    row.image.setNumber(list, value);
                }
                rows.push_back(row);
                if (rowsGiven)
                    (*rowsGiven)[assignment] = row.numero;
                ++outcome->added;
            }
            ++outcome->segments;
            if (changed)
                changed->push_back({segment, value});
        }
    }
    if (adds.empty())
        return;
    // The rows added in one statement, in order: the cursors of the table
    // and of its indexes stay where the previous row went, which saves
    // most of the work of an insert. They take consecutive numbers.
    QByteArray pairs;
    pairs.reserve(qsizetype(adds.size()) * 24 + 2);
    pairs += '[';
    for (const SegmentValue &a : adds) {
        if (pairs.size() > 1)
            pairs += ',';
        pairs += '[';
        pairs += QByteArray::number(a.segment);
        pairs += ',';
        pairs += QByteArray::number(a.value);
        pairs += ']';
    }
    pairs += ']';
    Statement &many = d->addMany;
    many.reset();
    if (sqlite3_bind_text(many.handle(), 1, pairs.constData(), int(pairs.size()), SQLITE_TRANSIENT)
        != SQLITE_OK)
        undo::failWrite(db, failure, sqlite3_extended_errcode(db.handle()));
    const int rc = sqlite3_step(many.handle());
    if (rc != SQLITE_DONE || sqlite3_changes(db.handle()) != int(adds.size()))
        undo::failWrite(db, failure, sqlite3_extended_errcode(db.handle()));
    many.reset();
    const qint64 first = sqlite3_last_insert_rowid(db.handle()) - qint64(adds.size()) + 1;
    if (rowsGiven)
        for (size_t k = 0; k < adds.size(); ++k)
            (*rowsGiven)[addedFor[k]] = first + qint64(k);
    if (!d->keepImages)
        return;
    if (d->compactAdded) {
        for (size_t k = 0; k < adds.size(); ++k)
            outcome->set.addCoding(first + qint64(k), list, adds[k].segment, adds[k].value);
        return;
    }
    for (size_t k = 0; k < adds.size(); ++k) {
        // As the table's defaults make it: the empty value in the other lists.
        Image image;
        image.numbers.fill(1);
        image.setNumber(0, adds[k].segment);
        image.setNumber(list, adds[k].value);
        outcome->set.rows.push_back({RowKey{Table::Contenus, 0, first + qint64(k)}, std::nullopt, image});
    }
}

BulkOutcome codeSegmentsInTransaction(Connection &db, int list,
                                      const std::vector<SegmentValue> &assignments)
{
    checkList(list, qint64(assignments.size()));
    BulkOutcome outcome;
    BulkCoder coder(db, list);
    coder.code(assignments, &outcome, nullptr, &outcome.rows);
    return outcome;
}

BulkOutcome codeSegments(Connection &db, int list, const std::vector<SegmentValue> &assignments,
                         const QString &what)
{
    checkList(list, qint64(assignments.size()));
    BulkOutcome outcome;
    undo::beginWrite(db);
    try {
        BulkCoder coder(db, list, true, true);
        coder.code(assignments, &outcome);
        undo::commitWrite(db);
    } catch (...) {
        db.rollback();
        throw;
    }
    if (!outcome.set.empty())
        outcome.set.description = QStringLiteral("%1 (%2)").arg(what, segmentsText(outcome.segments));
    return outcome;
}

} // namespace coding
