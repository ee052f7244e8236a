#pragma once
// Exports of an analysis for other analysis programs: the REFI-QDA project
// (.qdpx) and codebook (.qdc). Errors are French; nothing here opens a window.
#include <QString>

class Connection;

namespace refiqda {

// What an export wrote, and what it left out.
struct ExportReport
{
    bool project = false;
    int texts = 0;
    int selections = 0;
    int values = 0;
    int rowsWithoutValue = 0; // coding rows with no value in any list: not exported
    int notes = 0;            // the analysis's, the texts' and the segments' notes
    QString coder;            // the user named in the project

    // One line in French.
    QString line() const;
};

// Writes the project of the analysis open on `db` into `target`, its notes
// as the project's notes: the analysis's referred to by the project, a
// text's by its source, a segment's by a selection of the segment's range
// that codes nothing. Returns a
// French error, or an empty string on success.
QString exportProject(Connection &db, const QString &target);
QString exportProject(Connection &db, const QString &target, ExportReport &report);
// Writes the codebook of the analysis (its five lists) into `target`.
QString exportCodebook(Connection &db, const QString &target);
QString exportCodebook(Connection &db, const QString &target, ExportReport &report);

} // namespace refiqda
