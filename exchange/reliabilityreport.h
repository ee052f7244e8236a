#pragma once
// The reliability report as records: the command line prints the summary,
// the window's "Exporter le rapport" writes all of it to CSV.
#include "reliability/comparison.h"

#include <QList>
#include <QStringList>
#include <array>
#include <map>

namespace coding::reliabilityreport {

// Header `variable;nom;alpha;kappa;accord;unites;multiples`, then one record
// per list, nominal alpha, 4 decimals with a full stop; empty for a
// coefficient that is undefined (kappa unless two coders).
QList<QStringList> summaryLines(const reliability::Comparison &comparison);
QStringList summaryHeader();
QStringList summaryLine(const reliability::VariableResult &r);

// The whole report: the coefficients (with level and interval), each value's
// alpha, then the disagreements (segment, text, start, each coder's value).
// Sections are separated by an empty record.
// `starts` gives the first characters of the segments.
QList<QStringList> fullReport(const reliability::Comparison &comparison,
                              const std::array<reliability::VariableResult, 5> &results,
                              const std::map<qint64, QString> &starts);

// A coder's value on a unit as shown: the value, "(valeurs multiples)" or
// empty.
QString shownValue(const reliability::Comparison &comparison, int list, qint64 unit, int coder);

} // namespace coding::reliabilityreport
