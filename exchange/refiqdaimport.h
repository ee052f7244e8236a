#pragma once
// Imports from other analysis programs (REFI-QDA): a project's texts, codes
// and coded selections, or a codebook's codes, into an open analysis.
//
// A project comes in all or nothing, in one transaction: its plain-text
// sources are taken in as new texts by the usual rules (each under a
// savepoint of its own), the codes placed on the lists become list values (a
// value already there is not added again), and each coded selection adds a
// coding row to every segment it overlaps. A failure, a stop, or the program
// killed at any moment leaves the analysis as it was; a source whose name is
// already a text of the analysis is left as it is, its selections unused.
#include "exchange/analysisproject.h"
#include "exchange/refiqda.h"

#include <QString>
#include <QStringList>
#include <functional>

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
    int selectionsOutside = 0;     // on no segment
    int selectionsOnTextsThere = 0; // on a source left out, its name already a text
    int codingsNotPlaced = 0;      // codings whose code goes to no list
    int rowsAdded = 0;

    // The report in French, one line a fact.
    QStringList lines() const;
};

// How far a project's import is: `done` of `total` steps (one a source taken
// in, one a source's selections placed).
using Progress = std::function<void(int done, int total)>;
// Polled between steps and between pieces of a text; true ends the import.
using StopRequest = std::function<bool()>;

// "L'importation du projet a été arrêtée ; rien n'en a été enregistré."
QString stoppedMessage();

// The import of a project read from an archive, on a connection with no
// transaction open. Returns a French error (stoppedMessage() after a stop),
// or an empty string on success; the report says what came in and what not
// (and is empty after a failure: nothing came in).
QString importProject(Connection &db, const Project &project, const Placement &placement,
                      ImportReport &report, const Progress &progress = {},
                      const StopRequest &stop = {});

// The import of a codebook's codes as list values.
QString importCodebook(Connection &db, const std::vector<Code> &codes, const Placement &placement,
                       ImportReport &report);

} // namespace refiqda
