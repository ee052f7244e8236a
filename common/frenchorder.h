#pragma once
// The order in which the coding application lists the values of a list:
// French dictionary order, where case is ignored and an accented letter goes
// with its base letter (abeille, Abricot, Eau, élan, emu, Zèbre, zoo). Values
// equal but for case or accents keep the order of their numbers, so the order
// never changes from one reading to the next. The comparison is the French
// locale's collation (QCollator), applied to the values with their accents
// and ligatures taken off; nothing of it is stored in the analysis file.
#include <QString>
#include <QStringList>
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

// The value that typing `typed` reaches among `values` (in the order the
// list shows them), case, accents and ligatures ignored, so that "eco" and
// "ECO" reach "Économie": a value equal to what was typed wins over longer
// ones (first one equal but for case, then one equal once folded), else the
// first value that starts with it. The same letter typed again ("ee"), when
// no value starts with the repeated letters, passes to the next value after
// `current` that starts with that letter, and round to the top. -1 when no
// value matches: nothing is to be chosen.
int typedValue(const QStringList &values, const QString &typed, int current = -1);

} // namespace french
