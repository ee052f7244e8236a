#pragma once
// Temporary: the batch entry point of the take-in (a text handed as UTF-8
// pieces, taken in on an open connection), built on today's take-in steps
// until analysis/takein offers it itself.
#include "analysis/takein.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

class Connection;

namespace coding::bridge {

class Utf8Source
{
public:
    virtual ~Utf8Source() = default;
    virtual bool next(QByteArray &piece) = 0; // false at the end; throws textfile::ReadError
    virtual qint64 size() const = 0;          // -1 when unknown
};

struct Stopped
{
};

// Takes in a new text inside the caller's open transaction, under a
// savepoint of its own: on a failure or a stop, everything this text wrote is
// undone before the exception goes on, and the transaction stays open
// (unless SQLite itself ended it: see Connection::inTransaction()).
takein::Result takeInTextNested(Connection &db, const QString &recordedPath, Utf8Source &source,
                                const std::function<void(qint64 bytesDone)> &progress = {},
                                const std::function<bool()> &stop = {});
bool isRecorded(Connection &db, const QString &path);
// A text file as the analysis window reads it.
std::unique_ptr<Utf8Source> textFileSource(const QString &path);

} // namespace coding::bridge
