#include "results/keyness.h"

#include "results/chisquare.h"

#include <cmath>

namespace results {
namespace {

// o ln(o/e), 0 when the count is 0 (its limit).
double term(double observed, double expected)
{
    return observed > 0 ? observed * std::log(observed / expected) : 0.0;
}

} // namespace

Keyness logLikelihood(qint64 a, qint64 c, qint64 b, qint64 d)
{
    Keyness k;
    // Nothing to compare: an empty side, no occurrence, or counts that
    // cannot be (more occurrences than words, negative counts).
    if (c <= 0 || d <= 0 || a < 0 || b < 0 || a + b <= 0 || a > c || b > d)
        return k;
    const double ad = double(a) * double(d);
    const double bc = double(b) * double(c);
    if (ad == bc)
        return k; // equal rates: G² = 0, p = 1
    const double total = double(c) + double(d);
    const double e1 = double(c) * double(a + b) / total;
    const double e2 = double(d) * double(a + b) / total;
    const double g2 = 2.0 * (term(double(a), e1) + term(double(b), e2));
    // Rounding may leave a hair below zero for rates nearly equal.
    k.g2 = g2 > 0 ? g2 : 0.0;
    k.sign = ad > bc ? 1 : -1;
    k.p = chiSquareUpperTail(k.g2, 1);
    return k;
}

} // namespace results
