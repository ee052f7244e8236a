#pragma once
// Between an analysis and the REFI-QDA model, without SQL or windows.
//
// Out: each text becomes a plain-text source named by its file's name (never
// its folders) whose text is its segments joined in order, so that each
// segment is one exact range of it and cutting that text again by the
// segmentation rules gives the same segments. Between two segments: nothing
// after a line end or before a segment starting with a space; a space before
// a segment starting with . ! ? " ' (the rules show one was cut there);
// nothing before the last segment otherwise (it keeps its leading spaces, so
// it had none); when the rules cannot tell (the cut drops the spaces it
// meets), a space, except before ) ] } and a comma after a sentence's end
// ("distribution.)"). A last
// segment ending on a line end is followed by one space, so that the line end
// survives the text being cut again. The five
// lists become five parent codes (not codable) named after the lists, their
// values child codes with their definitions; each coding row becomes a
// selection of its segment carrying one coding per value it holds. The
// identifiers derive from the analysis, so a second export gives the same.
//
// In: the codes of a codebook are placed onto the lists: a first-level code
// placed on list k brings its descendants as values of k (itself when it has
// none and can code). Selections code the segments whose non-blank
// characters they overlap.
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

// The project of the analysis named `name`. Its coder is its user ("Telmira"
// when none is recorded). `rowsWithoutValue`, when given, receives the
// number of coding rows with no value in any list, which code nothing and
// are left out.
Project projectOf(const exchangestore::Analysis &analysis, const QString &name,
                  int *rowsWithoutValue = nullptr);

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
    // A list that has a name or values already is renamed only when set
    // (the researcher agreed).
    bool renameUsedLists = false;
};

// Whether no first-level code has codes below it.
bool isFlat(const std::vector<Code> &codes);

// Each first-level code to a list of its own when there are at most five
// and the codebook is not flat; an empty placement otherwise (the researcher
// chooses: a flat codebook goes onto one list).
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
// codebook's order. A list holds one level of values, so a code below the
// first level under its first-level code is named by its path from there
// ("Emploi > Temps partiel"); a name that two codes of one list would share
// carries the first-level code's name ("Social > Emploi"), and a number
// (" (2)") if that is not enough: two codes never become one value. A path
// longer than a value may be loses its first parts ("… > Emploi").
// `levelsFolded`, when given, receives the number of levels of the tree
// below the values that went into those names.
std::vector<std::pair<QString, ValueTarget>> valueTargets(const std::vector<Code> &codes,
                                                          const Placement &placement,
                                                          int *levelsFolded = nullptr);

} // namespace refiqda
