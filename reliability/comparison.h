#pragma once
// Several coders' coding of one analysis side by side, as the store reads it
// from their copies, and what is computed from it for each list: the
// coefficients, each value's alpha and the segments on which coders differ.
#include "reliability/coefficients.h"
#include "store/codedcopies.h"

#include <QString>
#include <array>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace reliability {

struct Variable {
    Table table;                // segments x coders: value numbers, or missing
    std::vector<char> multiple; // same cells: the coder gave different values
    qint64 multiples = 0;       // cells with multiple values
    bool isMultiple(qint64 unit, int coder) const
    {
        return multiple[size_t(unit * table.coders() + coder)] != 0;
    }
};

struct Comparison : CopiesOutline {
    std::array<Variable, kLists> variables;
};

// The comparison of the copies read: each list's values become a coders x
// units table (several values: missing, marked as multiple). Takes the
// copies' memory list by list.
Comparison comparisonOf(CodedCopies copies);

// What is reported for one list.
struct VariableResult {
    int list = 1;
    QString name;
    Level level = Level::Nominal;
    QString levelError;      // why the level asked for could not be used
    // At the ordinal level, how the values were ordered: "nombres en tête",
    // "ordre de saisie" or "ordre choisi"; empty at the other levels.
    QString order;
    int coders = 0;
    Coefficient alpha;
    Coefficient kappa;       // two coders only
    Coefficient agreement;
    qint64 units = 0;        // segments that could be paired
    qint64 multiples = 0;
    std::optional<Interval> interval;
    int resamples = 0;       // the bootstrap samples drawn (interval->samples were usable)
    std::vector<ValueAlpha> values; // value = the value's number in the list
    // Units (indexes into Comparison::segments) on which the values given
    // differ or a coder gave several.
    std::vector<qint64> disagreements;
};

// Computes list `list` (1 to 5) at a level (nominal when the list's values do
// not fit it: levelError says why), with the bootstrapped interval when
// asked. Per-value alphas are always nominal. `order`, when not empty, is the
// ordinal order the user gave the list's values (see scale.h).
VariableResult evaluate(const Comparison &comparison, int list, Level level = Level::Nominal,
                        bool withInterval = false, int resamples = kDefaultResamples,
                        const std::vector<qint64> &order = {});

// A coefficient with 4 decimals and a full stop; empty when undefined.
QString fixed4(const Coefficient &c);

// A coefficient as the reports write it: fixed4, or why there is none,
// "indéfini: une seule valeur" or "indéfini: aucune paire".
QString reported(const Coefficient &c);
// Kappa as the reports write it: as reported, or "indéfini: plus de deux
// codeurs" when the coders are not two.
QString reportedKappa(const VariableResult &r);

} // namespace reliability
