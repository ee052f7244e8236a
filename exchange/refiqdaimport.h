#pragma once
// Imports from other analysis programs (REFI-QDA): a project's texts, codes
// and coded selections, or a codebook's codes, into an open analysis.
//
// A project's plain-text sources are taken in as new texts by the usual
// rules (one transaction each); then, in one transaction, the codes placed
// on the lists become list values (a value already there is not added
// again), and each coded selection adds a coding row to every segment it
// overlaps. Should that last step fail, the texts just taken in are removed
// again: the analysis is left as it was.
#include "exchange/analysisproject.h"
#include "exchange/refiqda.h"

#include <QString>
#include <QStringList>

class Connection;

namespace refiqda {

struct ImportReport
{
    int textsAdded = 0;
    QStringList textsAlreadyThere; // sources whose name is already a text of the analysis
    int otherSources = 0;          // not plain text, or kept outside the archive
    int sourceCodings = 0;         // codings of whole sources
    int valuesAdded = 0;
    int valuesAlreadyThere = 0;
    int selections = 0;            // coded selections met
    int selectionsNotWhole = 0;    // coding segments they only partly cover
    int selectionsOutside = 0;     // on no segment (or on a text not taken in)
    int codingsNotPlaced = 0;      // codings whose code goes to no list
    int rowsAdded = 0;

    // The report in French, one line a fact.
    QStringList lines() const;
};

// The import of a project read from an archive. Returns a French error, or
// an empty string on success; the report says what came in and what not.
QString importProject(Connection &db, const Project &project, const Placement &placement,
                      ImportReport &report);

// The import of a codebook's codes as list values.
QString importCodebook(Connection &db, const std::vector<Code> &codes, const Placement &placement,
                       ImportReport &report);

} // namespace refiqda
