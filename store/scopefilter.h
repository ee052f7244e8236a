#pragma once
// The texts a count or a search looks at (results::Scope: texts by number,
// conditions on their attributes) as SQL conditions, shared by the results
// (store/resultsstore.h) and search (store/searchstore.h).
//
// A filter is a list of conditions (all must hold) on one column of the
// caller's query and the values they bind: parameter ?1 holds the texts'
// numbers (a JSON array), parameters from ?20 on, three per attribute
// condition, the conditions' values. A query using a filter keeps its own
// parameters between ?2 and ?19.
//
// A range compares as the attribute's type says (attributes::kindOf): dates
// as dates, numbers as numbers (a decimal comma read as a point); a range on
// an attribute of text, or a bound of the wrong kind, is refused
// (StoreError, French).
#include "store/resultsstore.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <utility>
#include <variant>
#include <vector>

class Connection;
struct sqlite3_stmt;

namespace results {

// The first parameter of the conditions on attributes; each takes three.
inline constexpr int kFirstConditionParameter = 20;

struct ScopeFilter {
    QStringList conditions; // all must hold
    std::vector<std::pair<int, std::variant<qint64, double, QByteArray>>> bindings;

    // Binds the values; returns the first failing result code, or SQLITE_OK.
    int bind(sqlite3_stmt *stmt) const;
};

// " WHERE a AND b", or nothing without conditions.
QString whereClause(const QStringList &conditions);

// The conditions that keep the texts of the scope, on a column holding a
// text's number (Chemin.numero); none for every text. Throws StoreError.
ScopeFilter textFilter(Connection &db, const Scope &scope, const QString &textColumn);
// The same on a column holding a segment's number (textes.numero).
ScopeFilter segmentFilter(Connection &db, const Scope &scope, const QString &segmentColumn);

} // namespace results
