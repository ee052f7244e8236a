#pragma once
// What the values of a list stand for at a level of measurement. A list
// value is known by its number in the list and its text:
// - nominal: each value is its own category (its number);
// - ordinal: values are ordered by the number their text begins with when
//   every value begins with one ("1 - jamais", "2 - parfois"), otherwise by
//   their order in the list (the order in which they were entered);
// - interval and ratio: each value is the number its text begins with ("3",
//   "2,5", "4 - souvent"); a value without one makes the level unusable.
#include "reliability/coefficients.h"

#include <QString>
#include <map>
#include <optional>

namespace reliability {

// "nominal", "ordinal", "intervalle", "ratio".
QString levelName(Level level);

// The number a text begins with (decimal comma or point), if any.
std::optional<double> leadingNumber(const QString &text);

// The number of each list value at that level; nullopt with a French reason
// in *error when the level does not fit the list.
std::optional<std::map<qint64, double>> scale(const std::map<qint64, QString> &values, Level level,
                                              QString *error);

// The table with each value replaced by its number at the level (a value
// not in the scale becomes missing).
Table rescale(const Table &table, const std::map<qint64, double> &scale);

} // namespace reliability
