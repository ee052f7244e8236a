#include "store/bulkcoding.h"

#include "store/connection.h"
#include "store/statement.h"

#include <QLocale>
#include <sqlite3.h>

#include <set>

namespace coding {
namespace {

using undo::Image;
using undo::RowChange;
using undo::RowKey;
using undo::Table;

constexpr int kColumns = 6; // numtexte, numvar01 to numvar05

QString segmentsText(qint64 n)
{
    const QString number = QLocale(QLocale::French).toString(n);
    return n == 1 ? QStringLiteral("1 segment") : QStringLiteral("%1 segments").arg(number);
}

} // namespace

BulkOutcome codeSegments(Connection &db, int list, const std::vector<SegmentValue> &assignments,
                         const QString &what)
{
    const QString failure = QStringLiteral("Le codage de %1 segments n'a pas pu être fait")
                                .arg(QLocale(QLocale::French).toString(qint64(assignments.size())));
    if (list < 1 || list > 5)
        throw StoreError(QStringLiteral("%1 : la liste n° %2 n'existe pas (listes 1 à 5).")
                             .arg(failure)
                             .arg(list));
    BulkOutcome outcome;
    undo::beginWrite(db);
    try {
        // Every value first: one missing refuses the whole step.
        {
            const QByteArray sql = QStringLiteral("SELECT 1 FROM var_comp_0%1 WHERE numero = ?1")
                                       .arg(list)
                                       .toUtf8();
            Statement exists(db, sql.constData());
            std::set<qint64> checked;
            for (const SegmentValue &a : assignments) {
                if (!checked.insert(a.value).second)
                    continue;
                exists.reset();
                exists.bind(1, a.value);
                if (a.value == 1 || !exists.step())
                    throw StoreError(QStringLiteral("%1 : la valeur n° %2 n'est pas dans la liste %3 "
                                                    "(base de données « %4 »). Rien n'a été "
                                                    "changé.")
                                         .arg(failure)
                                         .arg(a.value)
                                         .arg(list)
                                         .arg(db.path()));
            }
        }
        Statement segment(db, "SELECT 1 FROM textes WHERE numero = ?1");
        Statement rows(db, "SELECT numero, numtexte, numvar01, numvar02, numvar03, numvar04,"
                           " numvar05 FROM Contenus WHERE numtexte = ?1 ORDER BY numero");
        const QByteArray setSql = QStringLiteral("UPDATE Contenus SET numvar0%1 = ?1 WHERE numero = ?2")
                                      .arg(list)
                                      .toUtf8();
        Statement fill(db, setSql.constData());
        const QByteArray addSql = QStringLiteral("INSERT INTO Contenus (numtexte, numvar0%1)"
                                                 " VALUES (?1, ?2)")
                                      .arg(list)
                                      .toUtf8();
        Statement add(db, addSql.constData());

        std::set<std::pair<qint64, qint64>> seen;
        for (const SegmentValue &a : assignments) {
            if (!seen.insert({a.segment, a.value}).second)
                continue; // the same assignment twice
            segment.reset();
            segment.bind(1, a.segment);
            if (!segment.step()) {
                ++outcome.missing;
                ++outcome.unchanged;
                continue;
            }
            // The segment's rows: does one hold the value? which is the first
            // whose field is empty?
            rows.reset();
            rows.bind(1, a.segment);
            bool holds = false;
            qint64 empty = 0;
            Image emptyImage;
            while (rows.step()) {
                const bool isNull = rows.isNull(1 + list);
                const qint64 v = rows.integer(1 + list);
                if (!isNull && v == a.value) {
                    holds = true;
                    break;
                }
                if (empty == 0 && (isNull || v == 1)) {
                    empty = rows.integer(0);
                    for (int c = 0; c < kColumns; ++c) {
                        if (rows.isNull(c + 1))
                            emptyImage.nulls |= quint8(1 << c);
                        else
                            emptyImage.numbers[size_t(c)] = qint32(rows.integer(c + 1));
                    }
                }
            }
            rows.reset();
            if (holds) {
                ++outcome.unchanged;
                continue;
            }
            if (empty != 0) {
                fill.reset();
                fill.bind(1, a.value).bind(2, empty);
                const int rc = sqlite3_step(fill.handle());
                if (rc != SQLITE_DONE)
                    undo::failWrite(db, failure, sqlite3_extended_errcode(db.handle()));
                Image after = emptyImage;
                after.setNumber(list, a.value);
                outcome.set.rows.push_back({RowKey{Table::Contenus, 0, empty}, emptyImage, after});
                ++outcome.filled;
            } else {
                add.reset();
                add.bind(1, a.segment).bind(2, a.value);
                const int rc = sqlite3_step(add.handle());
                if (rc != SQLITE_DONE)
                    undo::failWrite(db, failure, sqlite3_extended_errcode(db.handle()));
                const RowKey key{Table::Contenus, 0, sqlite3_last_insert_rowid(db.handle())};
                outcome.set.rows.push_back({key, std::nullopt, undo::read(db, key)});
                ++outcome.added;
            }
            ++outcome.segments;
        }
        undo::commitWrite(db);
    } catch (...) {
        db.rollback();
        throw;
    }
    if (!outcome.set.rows.empty())
        outcome.set.description = QStringLiteral("%1 (%2)").arg(what, segmentsText(outcome.segments));
    return outcome;
}

} // namespace coding
