#pragma once
// What the reliability of a coding reads and writes: several analysis files,
// each coded by one coder, read side by side.
//
// The files must be copies of one analysis: the same texts (by number), the
// same segments (same numbers, same text, same text number) and the same
// values in the five lists (by number, same text). The first difference is
// told (StoreError) and nothing is compared. Each file is read in a few
// statements in number order; nothing is written to them.
//
// For list K, a coder's value on a segment is the one value their coding
// rows give it (row 1, the empty value, does not count); none: missing; two
// or more different ones: missing too, and counted as "valeurs multiples".
// Memory: 8 bytes per segment, coder and list, besides the segment numbers.
// No statistics here: plain data out (store/codedcopies.h).
#include "store/codedcopies.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace reliability {

// Called now and then with the work done out of total; false stops the work.
using Progress = std::function<bool(qint64 done, qint64 total)>;

// Reads the files side by side (reliability::comparisonOf makes the
// comparison of them). Throws StoreError (a file that cannot be read, or the
// first difference between the copies); nullopt when progress asked to stop.
std::optional<CodedCopies> readCopies(const QStringList &paths, const Filter &filter = {},
                                      const Progress &progress = {});

// The text of some segments of a file, by number (segments not found are
// left out). Throws StoreError.
std::map<qint64, QString> segmentTexts(const QString &path, const std::vector<qint64> &segments);

// The coding rows of one segment in a file: numvar01 to numvar05 of each.
std::vector<std::array<qint64, kLists>> codingRows(const QString &path, qint64 segment);

// "Retenir": replaces the coding rows of the segment in `target` by those of
// `source`, in one transaction. The segment must have the same text in both.
// Throws StoreError; the target is unchanged then.
void retain(const QString &source, const QString &target, qint64 segment);

} // namespace reliability
