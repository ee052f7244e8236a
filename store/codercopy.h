#pragma once
// Copies of an analysis for coders: the texts, segments, lists, their names
// and definitions, and the analysis's properties, with or without the coding
// rows, under a coder's name. The copy is a normal analysis.
#include <QString>

namespace codercopy {

// Copies the analysis `source` to `target`. The copy is made by SQLite
// (VACUUM INTO) into a temporary file beside the target, its coding rows
// removed unless withCoding, the coder's name set when not empty, and only
// then renamed into place: an existing target is replaced whole or not at
// all, and nothing is left behind on failure. Throws StoreError.
void copyAnalysis(const QString &source, const QString &target, const QString &coder,
                  bool withCoding);

} // namespace codercopy
