#pragma once
// One coding application per analysis: a second start on an analysis that is
// already open brings the open window to the front and ends. The program
// that has the analysis open listens on a local socket named after the
// analysis's canonical path (and the user).
#include <QString>
#include <functional>

class QObject;

namespace coding::instance {

// The socket's name for an analysis.
QString serverName(const QString &databasePath);

// Asks the program that has this analysis open to bring its window to the
// front; true when one answered (within a second).
bool raiseRunning(const QString &databasePath);

// Listens for later starts on this analysis; `raise` is called for each one.
// The listener lives as long as `owner`.
void listen(const QString &databasePath, QObject *owner, std::function<void()> raise);

} // namespace coding::instance
