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
    // With codeSegmentsInTransaction: for each assignment, in order, the
    // coding row that was given its value (0 when none was: already held,
    // repeated, or segment gone).
    std::vector<qint64> rows;
};

// Gives each segment its value of list `list` (1 to 5). `what` names the
// step ("le codage des segments trouvés"); the store adds the count: the
// step reads "le codage des segments trouvés (12 408 segments)". A value
// missing from the list is refused.
BulkOutcome codeSegments(Connection &db, int list, const std::vector<SegmentValue> &assignments,
                         const QString &what);

// The same rule inside the caller's write transaction (undo::beginWrite),
// batch after batch with the same statements, for work that codes more
// than it holds in memory at once (a dictionary over a whole analysis). A
// failure throws StoreError; the caller rolls back. The outcome's set gets
// the rows' images only when `keepImages` (an undoable step); it never gets
// a description. With `compactAdded`, the rows added are kept in the set's
// compact form (undo::AddedCodingRun, redone after its other rows): for a
// step whose other rows never refer to the coding rows it adds.
class BulkCoder
{
public:
    BulkCoder(Connection &db, int list, bool keepImages = true, bool compactAdded = false);
    ~BulkCoder();
    BulkCoder(const BulkCoder &) = delete;
    BulkCoder &operator=(const BulkCoder &) = delete;

    // Codes the assignments by the rule, adding to `outcome`; `changed`
    // (may be null) gets the assignments that gave a segment a value it did
    // not hold. A segment's rows are read once for all its assignments.
    // `rowsGiven` (may be null) gets, for each assignment in order, the
    // coding row given its value, 0 when none was.
    void code(const std::vector<SegmentValue> &assignments, BulkOutcome *outcome,
              std::vector<SegmentValue> *changed = nullptr,
              std::vector<qint64> *rowsGiven = nullptr);

private:
    struct Impl;
    Impl *d;
};

// The rule within the caller's write transaction (undo::beginWrite), which
// the caller rolls back on failure, for a step that writes more than the
// coding (accepted suggestions and their record): the step is not named,
// and the outcome's `rows` says which row each assignment went to.
BulkOutcome codeSegmentsInTransaction(Connection &db, int list,
                                      const std::vector<SegmentValue> &assignments);

// "1 segment", "12 408 segments" (French digit groups), as the steps say it.
QString segmentsText(qint64 n);

} // namespace coding
