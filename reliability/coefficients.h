#pragma once
// Agreement between coders who coded the same units: Krippendorff's alpha
// (nominal, ordinal, interval, ratio), computed through the coincidence
// matrix, so that any number of coders and missing values are allowed;
// percent agreement; Cohen's kappa for exactly two coders; the alpha of each
// value taken as present/absent; a bootstrapped 95% confidence interval.
//
// The input is a table of units x coders whose cells hold a number (a code,
// a rank or a measure, depending on the level) or nothing (missing). Only
// units with two values or more ("pairable") count. A coefficient whose
// expected disagreement is zero (one value used by everyone) or which has no
// pair of values at all is undefined: it is returned as a status, never as
// NaN. Memory: the table (8 bytes a cell) and a V x V matrix for V distinct
// values.
#include <QtGlobal>

#include <cstdint>
#include <limits>
#include <vector>

namespace reliability {

enum class Level { Nominal, Ordinal, Interval, Ratio };

// Units x coders, unit-major. A missing cell holds NaN (use isMissing).
class Table
{
public:
    Table() = default;
    Table(qint64 units, int coders);

    qint64 units() const { return m_units; }
    int coders() const { return m_coders; }
    double at(qint64 unit, int coder) const { return m_cells[size_t(unit * m_coders + coder)]; }
    void set(qint64 unit, int coder, double value) { m_cells[size_t(unit * m_coders + coder)] = value; }
    void clear(qint64 unit, int coder) { set(unit, coder, kMissing); }
    const double *row(qint64 unit) const { return m_cells.data() + unit * m_coders; }

    static constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();
    static bool isMissing(double v) { return v != v; }

private:
    qint64 m_units = 0;
    int m_coders = 0;
    std::vector<double> m_cells;
};

// A coefficient, or why there is none.
struct Coefficient {
    enum Status {
        Defined,
        NoPair,     // no unit holds two values
        SingleValue // expected disagreement zero: every value is the same
    };
    Status status = NoPair;
    double value = 0.0;

    bool defined() const { return status == Defined; }
    static Coefficient of(double v) { return Coefficient{Defined, v}; }
};

// The coincidence matrix of the pairable values.
struct Coincidences {
    std::vector<double> values; // the distinct values, ascending
    std::vector<double> o;      // o[c * V + k], V = values.size()
    std::vector<double> n;      // marginals n_c
    double total = 0;           // n, the number of pairable values
    qint64 units = 0;           // pairable units

    size_t size() const { return values.size(); }
    double at(size_t c, size_t k) const { return o[c * values.size() + k]; }
};

Coincidences coincidences(const Table &table);

// The squared difference function of a level between values c and k (indexes
// into m.values); the ordinal one depends on the marginals.
double delta2(const Coincidences &m, Level level, size_t c, size_t k);

// Krippendorff's alpha = 1 - (n - 1) * sum o_ck d2_ck / sum n_c n_k d2_ck.
Coefficient alpha(const Coincidences &m, Level level);
Coefficient alpha(const Table &table, Level level);

// The share of agreeing pairs among all pairs of values within units (two
// coders: the share of units both coded on which they agree).
Coefficient percentAgreement(const Table &table);

// Cohen's kappa (unweighted) on the units both coders coded. Needs exactly
// two coders (NoPair otherwise, as when no unit has both values).
Coefficient cohensKappa(const Table &table);

// Alpha of each value as a present/absent variable, from the coincidences.
struct ValueAlpha {
    double value = 0;
    double count = 0; // n_c: pairable values equal to it
    Coefficient alpha;
};
std::vector<ValueAlpha> valueAlphas(const Coincidences &m);

// Units on which the values given are not all the same.
std::vector<qint64> disagreements(const Table &table);

// 95% interval of alpha from `resamples` bootstrap samples of the pairable
// units (drawn with replacement, as many as there are), the 2.5th and 97.5th
// percentiles of the samples' alphas; the same seed gives the same interval
// on every platform. Undefined samples are left out; the interval is
// undefined when alpha is.
struct Interval {
    Coefficient low;
    Coefficient high;
    int samples = 0; // defined samples used
};
inline constexpr int kDefaultResamples = 1000;
inline constexpr std::uint64_t kDefaultSeed = 20261208;
Interval bootstrap(const Table &table, Level level, int resamples = kDefaultResamples,
                   std::uint64_t seed = kDefaultSeed);

} // namespace reliability
