#pragma once
// Between an analysis and the REFI-QDA model, without SQL or windows.
//
// Out: each text becomes a plain-text source whose text is its segments
// joined in order (with one space between two segments where the text had a
// space or nothing, none after a line end or before a segment starting with
// a space), so that each segment is one exact range of it and cutting that
// text again by the segmentation rules gives the same segments. The five
// lists become five parent codes (not codable) named after the lists, their
// values child codes with their definitions; each coding row becomes a
// selection of its segment carrying one coding per value it holds. The
// identifiers derive from the analysis, so a second export gives the same.
//
// In: the codes of a codebook are placed onto the lists: a first-level code
// placed on list k brings its descendants as values of k (itself when it has
// none and can code). Selections code the segments they overlap.
#include "exchange/refiqda.h"
#include "store/exchangestore.h"

#include <QStringList>
#include <map>
#include <vector>

namespace refiqda {

// The name of the program in exported files.
QString origin();

// The codes of the analysis's five lists.
std::vector<Code> codesOf(const exchangestore::Analysis &analysis);

// The project of the analysis named `name`.
Project projectOf(const exchangestore::Analysis &analysis, const QString &name);

// The text of a source made of these segments, and each segment's range in
// it (code points, end excluded).
QString joinSegments(const std::vector<QString> &segments,
                     std::vector<std::pair<qint64, qint64>> *ranges = nullptr);

// The range (code points, end excluded) of each segment in the text they
// were cut from: leading blanks of lines, the blanks and line ends between
// segments, and a lone CR taken for CR LF are allowed for. {-1, -1} for a
// segment not found where expected.
std::vector<std::pair<qint64, qint64>> alignSegments(QStringView text,
                                                     const std::vector<QString> &segments);

// Where the first-level codes go: list 1 to 5, or 0 for not imported.
struct Placement
{
    std::vector<int> listOfTopCode;
    bool nameLists = false; // the lists take the names of their codes
};

// Each first-level code to a list of its own when there are at most five;
// nullopt-like empty placement otherwise (the researcher chooses).
Placement defaultPlacement(const std::vector<Code> &codes);
// Every first-level code to list `list`.
Placement allTo(const std::vector<Code> &codes, int list);

struct ValueTarget
{
    int list = 0;
    QString value;
    QString definition;
};

// The list value each code (by guid) becomes under a placement, in the
// codebook's order.
std::vector<std::pair<QString, ValueTarget>> valueTargets(const std::vector<Code> &codes,
                                                          const Placement &placement);

} // namespace refiqda
