#pragma once
// Several coders' copies of one analysis as the store reads them side by
// side: plain data, no SQL. The reliability library builds its coders x
// units tables from it; the store never needs the statistics.
#include <QString>
#include <QtGlobal>
#include <array>
#include <map>
#include <set>
#include <vector>

namespace reliability {

inline constexpr int kLists = 5;

struct Source {
    QString path;
    QString coder; // the analysis's coder, or the file's name when it has none
};

struct TextEntry {
    qint64 numero = 0;
    QString chemin;
    qint64 segments = 0;
};

struct Filter {
    std::set<qint64> texts; // only these texts; all when empty
    bool codedByAll = false; // only segments with a coding row in every file
    // Values accepted from a suggestion count as missing (store/suggestionstore.h).
    bool withoutAcceptedSuggestions = false;
};

// What the copies share, and what is compared: the coders, the texts, the
// units and the lists.
struct CopiesOutline {
    std::vector<Source> sources;
    std::vector<TextEntry> texts;      // every text of the analysis
    std::vector<qint64> segments;      // the units compared, in number order
    std::vector<qint64> segmentTexts;  // the text of each unit
    std::array<QString, kLists> listNames;
    std::array<std::map<qint64, QString>, kLists> lists; // number -> value (row 1 left out)
};

struct CodedCopies : CopiesOutline {
    // A coder's value on a unit, in `values`: the value's number, or one of
    // these.
    static constexpr qint64 kNone = 0;     // no value (missing)
    static constexpr qint64 kSeveral = -1; // different values (missing, counted apart)

    // Per list, cell unit * coders + coder.
    std::array<std::vector<qint64>, kLists> values;
};

} // namespace reliability
