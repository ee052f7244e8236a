#pragma once
// Pearson's chi-square test of independence on a table of counts, with its
// degrees of freedom, p-value and Cramér's V.
//
// Rows and columns whose counts are all zero are left out first (a value of
// a list never used says nothing about independence); the test needs at
// least two rows and two columns left. The p-value is the upper tail of the
// chi-square distribution, Q(df/2, x/2), computed here by the series or the
// continued fraction of the regularized incomplete gamma function.
//
// The approximation is unreliable when expected counts are small: by
// Cochran's rule, when more than a fifth of the cells expect fewer than 5,
// or any cell expects fewer than 1. There is no continuity correction
// (Yates'), whatever the table's size. The test assumes each observation is
// in one cell: counted by segments, a segment holding two values is in two,
// and the observations are then not independent.
#include <QString>
#include <vector>

namespace results {

struct ChiSquare {
    bool computed = false;    // false: fewer than 2 rows or 2 columns were left
    double statistic = 0;     // chi-square
    int degreesOfFreedom = 0; // (rows - 1) x (columns - 1) of the reduced table
    double pValue = 1;
    double cramersV = 0;
    qint64 n = 0;             // the table's total
    int rows = 0;             // rows and columns kept
    int columns = 0;
    int smallExpected = 0;    // cells whose expected count is under 5
    double minExpected = 0;

    int cells() const { return rows * columns; }
    // Cochran's rule broken: more than 20 % of cells under 5, or one under 1.
    bool unreliable() const;
};

ChiSquare chiSquare(const std::vector<std::vector<qint64>> &counts);

// Why the test is missing or unreliable, in French; empty when it stands.
QString chiSquareWarning(const ChiSquare &test);

// The warning that `multiple` segments are in several cells of the table, so
// that its observations are not independent; empty when there are none.
QString independenceWarning(qint64 multiple);

// What the test is, in French: "χ² de Pearson, sans correction de Yates".
QString chiSquareMethod();

// A p-value with 7 significant digits and a full stop ("0.3612887",
// "2.539629e-10"), for scripts.
QString pValueText(double p);

// Regularized upper incomplete gamma function Q(a, x) = Γ(a, x) / Γ(a),
// for a > 0 and x >= 0 (NaN otherwise).
double regularizedUpperGamma(double a, double x);

// P(X >= x) for X following a chi-square distribution with df degrees of
// freedom (df >= 1).
double chiSquareUpperTail(double x, int degreesOfFreedom);

} // namespace results
