#include "store/segmentgroups.h"

#include "store/attributestore.h"
#include "store/connection.h"
#include "store/resultsstore.h"
#include "store/scopefilter.h"
#include "store/statement.h"
#include "store/storeerror.h"

#include <sqlite3.h>

#include <algorithm>
#include <limits>
#include <map>
#include <optional>
#include <unordered_map>

namespace search {
namespace {

constexpr int kLastParameter = 3;
constexpr int kLimitParameter = 4;

QString uncodedLabel()
{
    return QStringLiteral("(non codé)");
}

RestrictionSql conditionsOf(Connection &db, const Restriction &r)
{
    return restrictionSql(db, r, QStringLiteral("t.numero"), QStringLiteral("t.numtexte"));
}

void bindConditions(Connection &db, Statement &stmt, const RestrictionSql &c, const Restriction &r)
{
    bindRestriction(db, stmt, c, r, QStringLiteral("la lecture des segments"));
}

// The text numbers of the scope, in order.
std::vector<std::pair<qint64, QString>> textsOf(Connection &db, const results::Scope &scope)
{
    const results::ScopeFilter filter = results::textFilter(db, scope, QStringLiteral("numero"));
    const QByteArray sql = (QStringLiteral("SELECT numero, chemin FROM Chemin")
                            + results::whereClause(filter.conditions)
                            + QStringLiteral(" ORDER BY numero"))
                               .toUtf8();
    Statement stmt(db, sql.constData());
    if (filter.bind(stmt.handle()) != SQLITE_OK)
        throw StoreError(QStringLiteral("La base de données « %1 » a refusé la lecture des "
                                        "textes : %2.")
                             .arg(db.path(), db.lastFailure()));
    std::vector<std::pair<qint64, QString>> texts;
    while (stmt.step())
        texts.emplace_back(stmt.integer(0), stmt.text(1));
    return texts;
}

} // namespace

std::vector<Group> groupsOf(Connection &db, const Grouping &grouping, const Restriction &restriction)
{
    std::vector<Group> groups;
    switch (grouping.kind) {
    case Grouping::Kind::Whole:
        groups.push_back({0, QStringLiteral("Toute l'analyse")});
        break;
    case Grouping::Kind::Text:
        for (const auto &[number, path] : textsOf(db, restriction.scope))
            groups.push_back({number, attributes::fileName(path)});
        break;
    case Grouping::Kind::ListValue: {
        checkListNumber(grouping.list);
        results::ResultsStore store(db);
        for (const results::Value &v : store.values(grouping.list))
            groups.push_back({v.numero, v.text});
        groups.push_back({0, uncodedLabel()});
        break;
    }
    case Grouping::Kind::Attribute: {
        bool known = false;
        for (const attributes::Attribute &a : attributes::list(db))
            known = known || a.number == grouping.attribute;
        if (!known)
            throw StoreError(QStringLiteral("L'attribut n° %1 n'est pas dans l'analyse « %2 ».")
                                 .arg(grouping.attribute)
                                 .arg(db.path()));
        results::ResultsStore store(db);
        for (const results::Value &v : store.attributeValues(grouping.attribute))
            groups.push_back({v.numero, v.text});
        break;
    }
    }
    return groups;
}

qint64 segmentCount(Connection &db, const Restriction &restriction)
{
    const RestrictionSql c = conditionsOf(db, restriction);
    const QByteArray sql =
        (QStringLiteral("SELECT count(*) FROM main.textes AS t") + results::whereClause(c.conditions))
            .toUtf8();
    Statement stmt(db, sql.constData());
    bindConditions(db, stmt, c, restriction);
    return stmt.step() ? stmt.integer(0) : 0;
}

bool forEachGroupedSegment(Connection &db, const Restriction &restriction, const Grouping &grouping,
                           const std::vector<Group> &groups, const GroupedSink &sink)
{
    // Where each text falls (by text, by attribute), or each value (by list).
    std::unordered_map<qint64, int> groupOfText;
    std::unordered_map<qint64, int> groupOfValue;
    int uncoded = -1;
    switch (grouping.kind) {
    case Grouping::Kind::Whole:
        break;
    case Grouping::Kind::Text:
        for (size_t i = 0; i < groups.size(); ++i)
            groupOfText.emplace(groups[i].key, int(i));
        break;
    case Grouping::Kind::ListValue:
        checkListNumber(grouping.list);
        for (size_t i = 0; i < groups.size(); ++i) {
            if (i + 1 == groups.size())
                uncoded = int(i);
            else
                groupOfValue.emplace(groups[i].key, int(i));
        }
        break;
    case Grouping::Kind::Attribute: {
        std::unordered_map<QString, int> byValue;
        int without = -1;
        for (size_t i = 0; i < groups.size(); ++i) {
            if (groups[i].key == results::kWithoutValue)
                without = int(i);
            else
                byValue.emplace(groups[i].label, int(i));
        }
        const std::map<qint64, QString> values = attributes::values(db, grouping.attribute);
        for (const auto &[number, path] : textsOf(db, results::Scope::whole())) {
            Q_UNUSED(path);
            const auto value = values.find(number);
            if (value == values.end() || value->second.isEmpty()) {
                if (without >= 0)
                    groupOfText.emplace(number, without);
                continue;
            }
            const auto found = byValue.find(value->second);
            if (found != byValue.end())
                groupOfText.emplace(number, found->second);
        }
        break;
    }
    }

    const RestrictionSql c = conditionsOf(db, restriction);
    QStringList where = c.conditions;
    where << QStringLiteral("t.numero > ?%1").arg(kLastParameter);
    const QByteArray sql = (QStringLiteral("SELECT t.numero, t.numtexte, t.texte FROM main.textes AS t")
                            + results::whereClause(where)
                            + QStringLiteral(" ORDER BY t.numero LIMIT ?%1").arg(kLimitParameter))
                               .toUtf8();
    Statement stmt(db, sql.constData());
    std::optional<Statement> values;
    if (grouping.kind == Grouping::Kind::ListValue) {
        const QByteArray valuesSql =
            QStringLiteral("SELECT numtexte, numvar0%1 FROM Contenus WHERE numtexte BETWEEN ?1 AND ?2"
                           " ORDER BY numtexte")
                .arg(grouping.list)
                .toUtf8();
        values.emplace(db, valuesSql.constData());
    }

    struct Row
    {
        qint64 segment;
        qint64 text;
        qsizetype offset;
        qsizetype size;
    };
    std::vector<Row> rows;
    rows.reserve(kGroupedBatch);
    QByteArray texts;
    std::unordered_map<qint64, std::vector<int>> segmentValues;
    std::vector<int> groupsOfRow;
    qint64 last = std::numeric_limits<qint64>::min();
    for (;;) {
        rows.clear();
        texts.clear();
        stmt.reset();
        bindConditions(db, stmt, c, restriction);
        stmt.bind(kLastParameter, last).bind(kLimitParameter, kGroupedBatch);
        while (stmt.step()) {
            const auto *bytes =
                reinterpret_cast<const char *>(sqlite3_column_text(stmt.handle(), 2));
            const int size = sqlite3_column_bytes(stmt.handle(), 2);
            rows.push_back({stmt.integer(0), stmt.integer(1), texts.size(), size});
            if (bytes)
                texts.append(bytes, size);
        }
        stmt.reset();
        if (rows.empty())
            return true;
        last = rows.back().segment;

        segmentValues.clear();
        if (values) {
            values->reset();
            values->bind(1, rows.front().segment).bind(2, rows.back().segment);
            while (values->step()) {
                if (values->isNull(1))
                    continue;
                const auto found = groupOfValue.find(values->integer(1));
                if (found == groupOfValue.end())
                    continue; // the empty value, or one no longer in the list
                std::vector<int> &held = segmentValues[values->integer(0)];
                if (std::find(held.begin(), held.end(), found->second) == held.end())
                    held.push_back(found->second);
            }
            values->reset();
        }

        for (const Row &row : rows) {
            groupsOfRow.clear();
            switch (grouping.kind) {
            case Grouping::Kind::Whole:
                groupsOfRow.push_back(0);
                break;
            case Grouping::Kind::Text:
            case Grouping::Kind::Attribute: {
                const auto found = groupOfText.find(row.text);
                if (found != groupOfText.end())
                    groupsOfRow.push_back(found->second);
                break;
            }
            case Grouping::Kind::ListValue: {
                const auto found = segmentValues.find(row.segment);
                if (found == segmentValues.end()) {
                    groupsOfRow.push_back(uncoded);
                } else {
                    groupsOfRow = found->second;
                    std::sort(groupsOfRow.begin(), groupsOfRow.end());
                }
                break;
            }
            }
            GroupedSegment segment;
            segment.segment = row.segment;
            segment.text = row.text;
            segment.utf8 = QByteArrayView(texts.constData() + row.offset, row.size);
            segment.groups = &groupsOfRow;
            if (!sink(segment))
                return false;
        }
        if (rows.size() < size_t(kGroupedBatch))
            return true;
    }
}

bool forEachListedSegment(Connection &db, const std::vector<qint64> &segments,
                          const GroupedSink &sink)
{
    Statement stmt(db, "SELECT numtexte, texte FROM main.textes WHERE numero = ?1");
    const std::vector<int> none;
    for (qint64 number : segments) {
        stmt.reset();
        stmt.bind(1, number);
        if (!stmt.step())
            continue;
        const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(stmt.handle(), 1));
        const QByteArray text(bytes ? bytes : "", sqlite3_column_bytes(stmt.handle(), 1));
        const qint64 owner = stmt.integer(0);
        stmt.reset();
        GroupedSegment segment;
        segment.segment = number;
        segment.text = owner;
        segment.utf8 = QByteArrayView(text);
        segment.groups = &none;
        if (!sink(segment))
            return false;
    }
    return true;
}

} // namespace search
