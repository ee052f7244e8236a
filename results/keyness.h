#pragma once
// Dunning's log-likelihood G², the keyness statistic of corpus
// linguistics: a word seen `a` times among the `c` words of a target and `b`
// times among the `d` words of a reference. With the expected counts
// E1 = c(a+b)/(c+d) and E2 = d(a+b)/(c+d),
//   G² = 2 (a ln(a/E1) + b ln(b/E2)), a term being 0 when its count is 0;
// its sign says whether the word is over-represented in the target
// (a/c > b/d: +1) or under-represented (-1; 0 when equal). p is the upper
// tail of the chi-square law with one degree of freedom at G².
#include <QtGlobal>

namespace results {

struct Keyness {
    double g2 = 0;
    int sign = 0;
    double p = 1;
};

Keyness logLikelihood(qint64 a, qint64 c, qint64 b, qint64 d);

} // namespace results
