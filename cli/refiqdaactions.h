#pragma once
// What the REFI-QDA actions of the command line share: an export into a
// file with its one-line summary, where an import's codes go (--vers-liste,
// --renommer-listes) and the import's summary.
#include "cli/commandline.h"
#include "exchange/qdpxarchive.h"
#include "exchange/refiqda.h"
#include "exchange/refiqdaexport.h"
#include "exchange/refiqdaimport.h"

class Connection;

namespace cli::refiqdaactions {

// --vers-liste K and --renommer-listes, read by both imports (functions, not
// objects: the actions' tables copy them while the program starts).
QCommandLineOption toListOption();
QCommandLineOption renameOption();

// Runs `write` on the analysis given first, into the file given second, and
// prints its one-line summary; `what` names the file in the usage message.
int exportTo(const Context &c, const QString &what,
             QString (*write)(Connection &, const QString &, refiqda::ExportReport &));

// Where the codes go: --vers-liste K, or a list for each first-level code
// when there are at most five of them. False (with `code` the exit code,
// the message written) when the arguments do not say.
bool placementOf(const Context &c, const std::vector<refiqda::Code> &codes,
                 refiqda::Placement &placement, int &code);

// Writes the import's summary, a line each; returns 0.
int report(const Context &c, const refiqda::ImportReport &r);

} // namespace cli::refiqdaactions
