#include "reliability/coefficients.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

namespace reliability {

Table::Table(qint64 units, int coders)
    : m_units(units), m_coders(coders), m_cells(size_t(units * coders), kMissing)
{
}

namespace {

// Index of v in the ascending `values`, adding it when new.
size_t indexOf(std::vector<double> &values, double v)
{
    const auto it = std::lower_bound(values.begin(), values.end(), v);
    if (it != values.end() && *it == v)
        return size_t(it - values.begin());
    return size_t(values.insert(it, v) - values.begin());
}

size_t indexIn(const std::vector<double> &values, double v)
{
    return size_t(std::lower_bound(values.begin(), values.end(), v) - values.begin());
}

// The indexes of the values of one unit, gathered in `out`.
void unitValues(const Table &table, qint64 unit, const std::vector<double> &values,
                std::vector<size_t> &out)
{
    out.clear();
    const double *row = table.row(unit);
    for (int c = 0; c < table.coders(); ++c)
        if (!Table::isMissing(row[c]))
            out.push_back(indexIn(values, row[c]));
}

// Adds a unit's pairs to o, each weighted 1 / (m - 1).
void addPairs(const std::vector<size_t> &idx, size_t size, std::vector<double> &o, double times = 1)
{
    const size_t m = idx.size();
    const double w = times / double(m - 1);
    for (size_t i = 0; i < m; ++i)
        for (size_t j = 0; j < m; ++j)
            if (i != j)
                o[idx[i] * size + idx[j]] += w;
}

void marginals(Coincidences &m)
{
    const size_t v = m.size();
    m.n.assign(v, 0.0);
    m.total = 0;
    for (size_t c = 0; c < v; ++c) {
        for (size_t k = 0; k < v; ++k)
            m.n[c] += m.o[c * v + k];
        m.total += m.n[c];
    }
}

} // namespace

Coincidences coincidences(const Table &table)
{
    Coincidences m;
    for (qint64 u = 0; u < table.units(); ++u) {
        const double *row = table.row(u);
        for (int c = 0; c < table.coders(); ++c)
            if (!Table::isMissing(row[c]))
                indexOf(m.values, row[c]);
    }
    const size_t v = m.size();
    m.o.assign(v * v, 0.0);
    std::vector<size_t> idx;
    for (qint64 u = 0; u < table.units(); ++u) {
        unitValues(table, u, m.values, idx);
        if (idx.size() < 2)
            continue;
        ++m.units;
        addPairs(idx, v, m.o);
    }
    marginals(m);
    return m;
}

double delta2(const Coincidences &m, Level level, size_t c, size_t k)
{
    if (c == k)
        return 0.0;
    const double a = m.values[c];
    const double b = m.values[k];
    switch (level) {
    case Level::Nominal:
        return 1.0;
    case Level::Ordinal: {
        const size_t lo = std::min(c, k);
        const size_t hi = std::max(c, k);
        double sum = 0;
        for (size_t g = lo; g <= hi; ++g)
            sum += m.n[g];
        const double d = sum - (m.n[lo] + m.n[hi]) / 2.0;
        return d * d;
    }
    case Level::Interval:
        return (a - b) * (a - b);
    case Level::Ratio: {
        const double s = a + b;
        if (s == 0.0)
            return 0.0;
        const double d = (a - b) / s;
        return d * d;
    }
    }
    return 1.0;
}

Coefficient alpha(const Coincidences &m, Level level)
{
    if (m.total <= 0)
        return Coefficient{Coefficient::NoPair, 0.0};
    const size_t v = m.size();
    double observed = 0;
    double expected = 0;
    for (size_t c = 0; c < v; ++c)
        for (size_t k = 0; k < v; ++k) {
            if (c == k)
                continue;
            const double d = delta2(m, level, c, k);
            observed += m.o[c * v + k] * d;
            expected += m.n[c] * m.n[k] * d;
        }
    if (expected <= 0)
        return Coefficient{Coefficient::SingleValue, 0.0};
    return Coefficient::of(1.0 - (m.total - 1.0) * observed / expected);
}

Coefficient alpha(const Table &table, Level level)
{
    return alpha(coincidences(table), level);
}

Coefficient percentAgreement(const Table &table)
{
    double agreeing = 0;
    double pairs = 0;
    std::vector<double> values;
    for (qint64 u = 0; u < table.units(); ++u) {
        values.clear();
        const double *row = table.row(u);
        for (int c = 0; c < table.coders(); ++c)
            if (!Table::isMissing(row[c]))
                values.push_back(row[c]);
        const double m = double(values.size());
        if (m < 2)
            continue;
        std::sort(values.begin(), values.end());
        for (size_t i = 0; i < values.size();) {
            size_t j = i;
            while (j < values.size() && values[j] == values[i])
                ++j;
            const double same = double(j - i);
            agreeing += same * (same - 1);
            i = j;
        }
        pairs += m * (m - 1);
    }
    if (pairs <= 0)
        return Coefficient{Coefficient::NoPair, 0.0};
    return Coefficient::of(agreeing / pairs);
}

Coefficient cohensKappa(const Table &table)
{
    if (table.coders() != 2)
        return Coefficient{Coefficient::NoPair, 0.0};
    std::map<double, std::pair<double, double>> margins; // value -> (first, second)
    double units = 0;
    double agree = 0;
    for (qint64 u = 0; u < table.units(); ++u) {
        const double a = table.at(u, 0);
        const double b = table.at(u, 1);
        if (Table::isMissing(a) || Table::isMissing(b))
            continue;
        ++units;
        if (a == b)
            ++agree;
        margins[a].first += 1;
        margins[b].second += 1;
    }
    if (units <= 0)
        return Coefficient{Coefficient::NoPair, 0.0};
    double chance = 0;
    for (const auto &entry : margins)
        chance += (entry.second.first / units) * (entry.second.second / units);
    if (chance >= 1.0)
        return Coefficient{Coefficient::SingleValue, 0.0};
    return Coefficient::of((agree / units - chance) / (1.0 - chance));
}

std::vector<ValueAlpha> valueAlphas(const Coincidences &m)
{
    std::vector<ValueAlpha> result;
    const size_t v = m.size();
    for (size_t c = 0; c < v; ++c) {
        ValueAlpha a;
        a.value = m.values[c];
        a.count = m.n[c];
        const double others = m.total - m.n[c];
        if (m.total <= 0)
            a.alpha = Coefficient{Coefficient::NoPair, 0.0};
        else if (others <= 0 || m.n[c] <= 0)
            a.alpha = Coefficient{Coefficient::SingleValue, 0.0};
        else
            a.alpha = Coefficient::of(1.0 - (m.total - 1.0) * (m.n[c] - m.o[c * v + c])
                                                / (m.n[c] * others));
        result.push_back(a);
    }
    return result;
}

std::vector<qint64> disagreements(const Table &table)
{
    std::vector<qint64> units;
    for (qint64 u = 0; u < table.units(); ++u) {
        const double *row = table.row(u);
        bool seen = false;
        double first = 0;
        for (int c = 0; c < table.coders(); ++c) {
            if (Table::isMissing(row[c]))
                continue;
            if (!seen) {
                seen = true;
                first = row[c];
            } else if (row[c] != first) {
                units.push_back(u);
                break;
            }
        }
    }
    return units;
}

namespace {

// SplitMix64: a small generator whose sequence is the same on every
// platform, so that a seed always gives the same interval.
class Generator
{
public:
    explicit Generator(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // Uniform in [0, range), range < 2^32, without bias (Lemire's method).
    std::uint32_t below(std::uint32_t range)
    {
        std::uint64_t m = std::uint64_t(std::uint32_t(next() >> 32)) * range;
        auto low = std::uint32_t(m);
        if (low < range) {
            const std::uint32_t threshold = std::uint32_t(-range) % range;
            while (low < threshold) {
                m = std::uint64_t(std::uint32_t(next() >> 32)) * range;
                low = std::uint32_t(m);
            }
        }
        return std::uint32_t(m >> 32);
    }

private:
    std::uint64_t m_state;
};

} // namespace

Interval bootstrap(const Table &table, Level level, int resamples, std::uint64_t seed)
{
    Interval interval;
    Coincidences m = coincidences(table);
    const Coefficient whole = alpha(m, level);
    if (!whole.defined() || resamples <= 0) {
        const Coefficient status = whole.defined() ? Coefficient{Coefficient::NoPair, 0.0} : whole;
        interval.low = interval.high = status;
        return interval;
    }
    // Units with the same values weigh the same: each pairable unit is known
    // by its pattern, whose pairs are added once per resample, times the
    // number of times its units were drawn.
    std::map<std::vector<size_t>, std::uint32_t> patternIds;
    std::vector<std::vector<size_t>> patterns;
    std::vector<std::uint32_t> unitPattern;
    std::vector<size_t> idx;
    for (qint64 u = 0; u < table.units(); ++u) {
        unitValues(table, u, m.values, idx);
        if (idx.size() < 2)
            continue;
        std::sort(idx.begin(), idx.end());
        const auto found = patternIds.emplace(idx, std::uint32_t(patterns.size()));
        if (found.second)
            patterns.push_back(idx);
        unitPattern.push_back(found.first->second);
    }
    const size_t v = m.size();
    const auto units = std::uint32_t(std::min<size_t>(unitPattern.size(), 0xFFFFFFFFu));
    Generator generator(seed);
    std::vector<qint64> drawn(patterns.size());
    std::vector<double> samples;
    samples.reserve(size_t(resamples));
    for (int r = 0; r < resamples; ++r) {
        std::fill(drawn.begin(), drawn.end(), 0);
        for (std::uint32_t i = 0; i < units; ++i)
            ++drawn[unitPattern[generator.below(units)]];
        std::fill(m.o.begin(), m.o.end(), 0.0);
        for (size_t p = 0; p < patterns.size(); ++p)
            if (drawn[p] > 0)
                addPairs(patterns[p], v, m.o, double(drawn[p]));
        marginals(m);
        const Coefficient a = alpha(m, level);
        if (a.defined())
            samples.push_back(a.value);
    }
    interval.samples = int(samples.size());
    if (samples.empty()) {
        interval.low = interval.high = Coefficient{Coefficient::SingleValue, 0.0};
        return interval;
    }
    std::sort(samples.begin(), samples.end());
    const auto rank = [&](double p) {
        const size_t k = size_t(std::ceil(p * double(samples.size())));
        return samples[std::clamp<size_t>(k, 1, samples.size()) - 1];
    };
    interval.low = Coefficient::of(rank(0.025));
    interval.high = Coefficient::of(rank(0.975));
    return interval;
}

} // namespace reliability
