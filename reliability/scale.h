#pragma once
// What the values of a list stand for at a level of measurement. A list
// value is known by its number in the list and its text:
// - nominal: each value is its own category (its number);
// - ordinal: values are ordered by the number their text begins with when
//   every value begins with one ("1 - jamais", "2 - parfois"), otherwise by
//   their order in the list (the order in which they were entered); an order
//   given by the user (the reliability window) takes the place of both;
// - interval and ratio: each value is the number its text begins with ("3",
//   "2,5", "4 - souvent"); a value without one makes the level unusable.
// Two values beginning with the same number are never merged into one: the
// ordinal, interval and ratio levels refuse them (the ordinal one unless the
// user gave an order).
#include "reliability/coefficients.h"

#include <QString>
#include <map>
#include <optional>
#include <vector>

namespace reliability {

// "nominal", "ordinal", "intervalle", "ratio".
QString levelName(Level level);

// The number a text begins with (decimal comma or point), if any.
std::optional<double> leadingNumber(const QString &text);

// The order the ordinal level gives the values of a list, lowest first.
struct OrdinalOrder {
    std::vector<qint64> values; // the values' numbers in the list
    bool byLeadingNumber = false; // else the order of entry
    // Two values that begin with the same number, in French; empty when none
    // do. The order is then by that number, the two in their order of entry.
    QString refusal;
};
OrdinalOrder ordinalOrder(const std::map<qint64, QString> &values);

// The number of each list value at that level; nullopt with a French reason
// in *error when the level does not fit the list. `order`, when not empty,
// is the ordinal order the user gave (values' numbers, lowest first; a value
// not in it comes after, in order of entry); the other levels ignore it.
std::optional<std::map<qint64, double>> scale(const std::map<qint64, QString> &values, Level level,
                                              QString *error,
                                              const std::vector<qint64> &order = {});

// The table with each value replaced by its number at the level (a value
// not in the scale becomes missing).
Table rescale(const Table &table, const std::map<qint64, double> &scale);

} // namespace reliability
