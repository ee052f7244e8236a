#pragma once
// The reliability report as records: the command line prints the summary,
// the window's "Exporter le rapport" writes all of it to CSV.
#include "reliability/comparison.h"

#include <QList>
#include <QStringList>
#include <array>
#include <map>

namespace coding::reliabilityreport {

// Header `variable;nom;alpha;kappa;accord;unites;multiples;niveau`, then one
// record per list, nominal alpha, 4 decimals with a full stop; an undefined
// coefficient says why ("indéfini: une seule valeur", "indéfini: aucune
// paire", kappa "indéfini: plus de deux codeurs"); then an empty record and
// the notes.
QList<QStringList> summaryLines(const reliability::Comparison &comparison);
QStringList summaryHeader();
QStringList summaryLine(const reliability::VariableResult &r);

// How the figures were counted, one record `note;subject;text` each: what
// "accord" is, the multiple values left out, "non codé" missing, the
// ordinal order, the values refused for sharing a number, and, when an
// interval was computed, the bootstrap and its usable resamples.
QList<QStringList> notes(const std::array<reliability::VariableResult, 5> &results);

// The whole report: the coefficients (with level, interval, resamples drawn
// and usable, ordinal order), each value's alpha, the disagreements
// (segment, text, start, each coder's value), then the notes.
// Sections are separated by an empty record.
// `starts` gives the first characters of the segments.
QList<QStringList> fullReport(const reliability::Comparison &comparison,
                              const std::array<reliability::VariableResult, 5> &results,
                              const std::map<qint64, QString> &starts);

// A coder's value on a unit as shown: the value, "(valeurs multiples)" or
// empty.
QString shownValue(const reliability::Comparison &comparison, int list, qint64 unit, int coder);

} // namespace coding::reliabilityreport
