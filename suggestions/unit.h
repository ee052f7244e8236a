#pragma once
// A segment as the suggestions see it: its words, and what a coder sees
// around it (the neighbouring segments of its text, the values of the
// previous segment in the list, the attributes of its text), with the values
// the coder gave it in the list (none when it is not coded there).
//
// Units are plain data, gathered by the store and learnt from (or suggested
// for) by suggestions/model.h; nothing here reads the analysis.
#include <QString>
#include <QStringList>
#include <vector>

namespace suggestions {

struct Unit {
    qint64 segment = 0; // textes.numero
    qint64 text = 0;    // Chemin.numero: units of one text are never split
                        // between what is learnt and what is tested
    qint64 before = 0;  // the segment before it in its text; 0 for the first
    QString content;    // the segment's text
    // The texts of the segments next to it in its text, nearest first
    // (before and after mixed): the few on each side that a coder reads with
    // it.
    QStringList context;
    // The texts of the segments further around it in its text (beyond the
    // context, up to some ten on each side): what the passage is about.
    QStringList wider;
    // The values of the previous segment of the text in the list, when the
    // coder coded it.
    std::vector<qint64> previous;
    // The previous values are those suggested for the segment before, which
    // the coder has not coded (suggestions/chain.h).
    bool previousSuggested = false;
    // The values of the previous segment that the coder accepted from
    // suggestions (never learnt from): when suggesting, they stand for its
    // values as a suggestion would (suggestions/chain.h).
    std::vector<qint64> previousAccepted;
    // "nom=valeur" for each attribute of its text that has a value.
    QStringList attributes;
    // The values the coder gave it in the list (distinct, ascending).
    std::vector<qint64> values;

    bool coded() const { return !values.empty(); }
};

} // namespace suggestions
