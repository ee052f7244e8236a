#pragma once
// Coding many segments at once (from search hits, a dictionary, accepted
// suggestions), as one undoable step (undo::ChangeSet, store/undostore.h):
// each segment is given a value of one list by this rule:
// - a segment that already holds the value on one of its rows is left as
//   it is;
// - otherwise, its first coding row (in number order) whose field for the
//   list is empty (row 1 of the list, the empty value) gets the value;
// - otherwise a new coding row holds it (the other lists empty).
// All in one transaction: the step is written whole or not at all.
// Failures throw StoreError (French) naming the cause; nothing is written.
#include "store/undostore.h"

#include <vector>

class Connection;

namespace coding {

struct SegmentValue {
    qint64 segment = 0; // textes.numero
    qint64 value = 0;   // var_comp_0K.numero
};

struct BulkOutcome {
    undo::ChangeSet set;     // empty when nothing changed
    qint64 segments = 0;     // segments given a value they did not hold
    qint64 filled = 0;       // of them, on an empty field of an existing row
    qint64 added = 0;        // on a new row
    qint64 unchanged = 0;    // already held it (or gone: see missing)
    qint64 missing = 0;      // segments no longer in the analysis
};

// Gives each segment its value of list `list` (1 to 5). `what` names the
// step ("le codage des segments trouvés"); the store adds the count: the
// step reads "le codage des segments trouvés (12 408 segments)". A value
// missing from the list is refused.
BulkOutcome codeSegments(Connection &db, int list, const std::vector<SegmentValue> &assignments,
                         const QString &what);

} // namespace coding
