#pragma once
// "Comme le segment précédent": the coding rows of one segment given to
// another of the same text, as one undoable step (undo::ChangeSet, see
// store/undostore.h). The rows the segment held are deleted, then one copy
// of each row of the source is added, in the source's order, with the same
// value in every list; all in one transaction, so that the step is written
// whole or not at all. Undoing it deletes the copies and puts the rows the
// segment held back, with their own numbers.
//
// Failures throw StoreError with a French message naming the cause and the
// file; nothing is then written.
#include "store/undostore.h"

class Connection;

namespace coding {

// Replaces the coding rows of segment `to` by copies of those of segment
// `from`. Refused (StoreError) when either segment is gone, when they belong
// to different texts, when they are the same segment, or when `from` has no
// coding row.
undo::ChangeSet copyCoding(Connection &db, qint64 from, qint64 to);

} // namespace coding
