#pragma once
// The export of an analysis as an Iramuteq corpus: UTF-8 without a
// byte-order mark, "\n" line ends. Each text that has segments is one unit:
// a starred line of its attributes, in their order of creation, then its
// segments as stored, in order, joined by a space, on the following line:
//
//   **** *journal_lemonde *annee_2003
//   Premier segment. Deuxième segment.
//
// With the codes, the units are the coded segments instead: each segment
// one of whose coding rows holds a value is a unit of its own, under the
// starred line of its text's attributes followed by its coded values,
// "*liste_valeur" for each list that holds one (the list's name, then the
// value; a value met in several rows of the segment once), lists in order;
// uncoded segments are left out.
//
// The line ends inside a segment (CR LF, a lone CR) are written "\n". Names
// and values are made safe for Iramuteq (safeName, safeValue). The file is
// written whole or not at all (common/safefile.h): a failure or a stop
// leaves an existing file byte for byte as it was.
#include "exchange/csvexport.h"

namespace coding {

struct IramuteqOptions {
    // Each coded segment a unit of its own, with its coded values.
    bool withCodes = false;
};

// A value for a starred line: white space and "*" as "_", accents kept.
QString safeValue(const QString &value);
// A name for a starred line: white space, "*" and "_" as "-", since the
// first "_" of "*nom_valeur" ends the name.
QString safeName(const QString &name);

// Writes the corpus into `file`. ExportOutcome::records counts the units
// written, segments the segments. `progress` is told the segments done and
// the total every few hundred segments; it returns false to stop. The
// analysis database itself (under any name) is refused as the file.
ExportOutcome exportIramuteq(CodingStore &store, const QString &file,
                             const IramuteqOptions &options, const ExportProgress &progress = {});

} // namespace coding
