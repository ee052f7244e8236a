#pragma once
// The take-in of one text inside a batch's open transaction: the same steps
// as takein::takeInText (the path recorded as a new `Chemin` row through the
// record sources, the segments cut from the source and stored by
// takein::storeSegments), under a savepoint of the text's own instead of a
// transaction, so that several short texts may share one commit.
#include "analysis/takein.h"

class Connection;

namespace coding::batch {

// On a failure or a stop, everything this text wrote is undone before the
// exception goes on, and the transaction stays open (unless SQLite itself
// ended it: see Connection::inTransaction()). Throws StoreError,
// textfile::ReadError or takein::Stopped.
takein::Result takeInTextNested(Connection &db, const QString &recordedPath,
                                takein::Utf8Source &source,
                                const takein::BytesProgress &progress = {},
                                const takein::StopRequest &stop = {});

} // namespace coding::batch
