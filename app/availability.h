#pragma once
// The main window's availability rule, apart from the window.
#include <QString>

namespace availability {

// True when a file (not a folder) exists under exactly this path; an empty
// path never denotes one. The extension does not matter.
bool denotesFile(const QString &path);

} // namespace availability
