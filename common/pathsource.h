#pragma once
#include <QString>

// The program's shared state: the text path and the analysis database path
// held by the main window. Windows keep a reference to this and read the two
// paths afresh at each use.
class PathSource
{
public:
    virtual ~PathSource() = default;
    virtual QString textPath() const = 0;
    virtual QString databasePath() const = 0;
};
