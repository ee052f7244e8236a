#include "results/chisquare.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <limits>

namespace results {
namespace {

constexpr double kEpsilon = 1e-15;
constexpr int kMaxIterations = 100000;
constexpr double kTiny = 1e-300;

// P(a, x) by its series; for x < a + 1, where it converges fast.
double lowerSeries(double a, double x)
{
    double term = 1.0 / a;
    double sum = term;
    for (int n = 1; n < kMaxIterations; ++n) {
        term *= x / (a + n);
        sum += term;
        if (std::fabs(term) < std::fabs(sum) * kEpsilon)
            break;
    }
    return sum * std::exp(-x + a * std::log(x) - std::lgamma(a));
}

// Q(a, x) by its continued fraction (modified Lentz); for x >= a + 1.
double upperFraction(double a, double x)
{
    double b = x + 1.0 - a;
    double c = 1.0 / kTiny;
    double d = 1.0 / b;
    double h = d;
    for (int i = 1; i < kMaxIterations; ++i) {
        const double an = -i * (i - a);
        b += 2.0;
        d = an * d + b;
        if (std::fabs(d) < kTiny)
            d = kTiny;
        c = b + an / c;
        if (std::fabs(c) < kTiny)
            c = kTiny;
        d = 1.0 / d;
        const double delta = d * c;
        h *= delta;
        if (std::fabs(delta - 1.0) < kEpsilon)
            break;
    }
    return h * std::exp(-x + a * std::log(x) - std::lgamma(a));
}

} // namespace

double regularizedUpperGamma(double a, double x)
{
    if (!(a > 0) || !(x >= 0) || std::isinf(a))
        return std::numeric_limits<double>::quiet_NaN();
    if (x == 0)
        return 1.0;
    if (std::isinf(x))
        return 0.0;
    if (x < a + 1.0)
        return 1.0 - lowerSeries(a, x);
    return upperFraction(a, x);
}

double chiSquareUpperTail(double x, int degreesOfFreedom)
{
    if (degreesOfFreedom < 1)
        return std::numeric_limits<double>::quiet_NaN();
    return regularizedUpperGamma(degreesOfFreedom / 2.0, x / 2.0);
}

bool ChiSquare::unreliable() const
{
    return computed && (smallExpected * 5 > cells() || minExpected < 1.0);
}

ChiSquare chiSquare(const std::vector<std::vector<qint64>> &counts)
{
    ChiSquare test;
    const size_t columnCount = counts.empty() ? 0 : counts.front().size();
    std::vector<qint64> rowTotals(counts.size(), 0);
    std::vector<qint64> columnTotals(columnCount, 0);
    for (size_t r = 0; r < counts.size(); ++r)
        for (size_t c = 0; c < columnCount && c < counts[r].size(); ++c) {
            rowTotals[r] += counts[r][c];
            columnTotals[c] += counts[r][c];
            test.n += counts[r][c];
        }
    std::vector<size_t> rows;
    std::vector<size_t> columns;
    for (size_t r = 0; r < rowTotals.size(); ++r)
        if (rowTotals[r] != 0)
            rows.push_back(r);
    for (size_t c = 0; c < columnTotals.size(); ++c)
        if (columnTotals[c] != 0)
            columns.push_back(c);
    test.rows = int(rows.size());
    test.columns = int(columns.size());
    if (rows.size() < 2 || columns.size() < 2)
        return test;

    const double n = double(test.n);
    test.minExpected = std::numeric_limits<double>::infinity();
    for (size_t r : rows)
        for (size_t c : columns) {
            const double expected = double(rowTotals[r]) * double(columnTotals[c]) / n;
            const double gap = double(counts[r][c]) - expected;
            test.statistic += gap * gap / expected;
            if (expected < 5.0)
                ++test.smallExpected;
            if (expected < test.minExpected)
                test.minExpected = expected;
        }
    test.computed = true;
    test.degreesOfFreedom = (test.rows - 1) * (test.columns - 1);
    test.pValue = chiSquareUpperTail(test.statistic, test.degreesOfFreedom);
    const int k = std::min(test.rows, test.columns) - 1;
    test.cramersV = std::sqrt(test.statistic / (n * k));
    return test;
}

QString chiSquareWarning(const ChiSquare &test)
{
    if (!test.computed)
        return QStringLiteral("Le χ² ne peut pas être calculé : il faut au moins deux lignes et "
                              "deux colonnes non vides (il en reste %1 et %2).")
            .arg(test.rows)
            .arg(test.columns);
    if (!test.unreliable())
        return QString();
    return QStringLiteral("Attention : %1 cellule(s) sur %2 ont un effectif théorique inférieur "
                          "à 5 (le plus petit est %3) ; le χ² n'est pas fiable sur ce tableau.")
        .arg(test.smallExpected)
        .arg(test.cells())
        .arg(QLocale().toString(test.minExpected, 'f', 2));
}

QString independenceWarning(qint64 multiple)
{
    if (multiple <= 0)
        return QString();
    return QStringLiteral("Attention : %1 segment(s) sont comptés dans plusieurs cases (un segment "
                          "qui porte deux valeurs d'une liste est dans deux cases) ; les "
                          "observations du χ² ne sont pas indépendantes : son p n'est "
                          "qu'indicatif.")
        .arg(multiple);
}

QString chiSquareMethod()
{
    return QStringLiteral("χ² de Pearson, sans correction de Yates");
}

QString pValueText(double p)
{
    return QString::number(p, 'g', 7);
}

} // namespace results
