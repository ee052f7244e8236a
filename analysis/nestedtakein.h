#pragma once
// The take-in of one text inside the caller's open transaction (a batch of
// texts, a project imported): the same steps as takeInText (the path
// recorded as a new `Chemin` row through the record sources, the segments cut
// from the source and stored by storeSegments), under a savepoint of the
// text's own instead of a transaction, so that several texts may share one
// commit.
#include "analysis/takein.h"

class Connection;

namespace takein {

// On a failure or a stop, everything this text wrote is undone before the
// exception goes on, and the transaction stays open (unless SQLite itself
// ended it: see Connection::inTransaction()). Throws StoreError,
// textfile::ReadError or Stopped.
Result takeInTextNested(Connection &db, const QString &recordedPath, Utf8Source &source,
                        const BytesProgress &progress = {}, const StopRequest &stop = {});

} // namespace takein
