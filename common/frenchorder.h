#pragma once
// The order in which the coding application lists the values of a list:
// French dictionary order, where case is ignored and an accented letter goes
// with its base letter (abeille, Abricot, Eau, élan, emu, Zèbre, zoo). Values
// equal but for case or accents keep the order of their numbers, so the order
// never changes from one reading to the next. The comparison is the French
// locale's collation (QCollator), applied to the values with their accents
// and ligatures taken off; nothing of it is stored in the analysis file.
#include <QString>
#include <vector>

namespace french {

struct OrderedValue {
    qint64 numero = 0;
    QString text;
};

// Sorts the values in place, in French order then by number.
void sortFrench(std::vector<OrderedValue> &values);

// The key under which a value is compared: lower case, without accents,
// ligatures spelled out ("Œuvre" gives "oeuvre").
QString frenchBase(const QString &text);

} // namespace french
