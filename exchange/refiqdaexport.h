#pragma once
// Exports of an analysis for other analysis programs: the REFI-QDA project
// (.qdpx) and codebook (.qdc). Errors are French; nothing here opens a window.
#include <QString>

class Connection;

namespace refiqda {

// Writes the project of the analysis open on `db` into `target`. Returns a
// French error, or an empty string on success.
QString exportProject(Connection &db, const QString &target);
// Writes the codebook of the analysis (its five lists) into `target`.
QString exportCodebook(Connection &db, const QString &target);

} // namespace refiqda
