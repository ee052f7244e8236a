#pragma once
// Which file a path names, as the system sees it: its device and inode, so
// that two names of one file (a symbolic or hard link, another spelling of
// the path) are known for the same file, and a file replaced under the same
// name is known for another one.
#include <QString>

struct FileIdentity {
    bool exists = false;  // the path names something
    bool regular = false; // a regular file (not a folder, FIFO, device...)
    quint64 device = 0;
    quint64 inode = 0;

    // Both name one existing file.
    bool sameFileAs(const FileIdentity &other) const
    {
        return exists && other.exists && device == other.device && inode == other.inode;
    }
};

// The identity of the file a path names, links followed. Never blocks (a
// FIFO is only looked at, not opened).
FileIdentity identityOf(const QString &path);
