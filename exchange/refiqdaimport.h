#pragma once
// Imports from other analysis programs (REFI-QDA): a project's texts, codes
// and coded selections, or a codebook's codes, into an open analysis.
//
// A project comes in all or nothing, in one transaction: its plain-text
// sources are taken in as new texts by the usual rules (each under a
// savepoint of its own), the codes placed on the lists become list values (a
// value already there is not added again), and each coded selection adds a
// coding row to every segment whose non-blank characters it overlaps (blanks
// and line ends alone never pull a segment in). A failure, a stop, or the
// program killed at any moment leaves the analysis as it was; a source whose
// name is already a text of the analysis is left as it is, its selections
// unused; a second source of one name in the project is a text of its own,
// its name made unique ("entretien (2).txt"). Selections at impossible
// positions and codings of unknown codes are refused and counted. The notes
// come with them: a selection's to the segments it covers, a source's to its
// text, the project's to the analysis (after the analysis's own note, which
// stays); a note referred to from nowhere taken, kept outside the document,
// or that no note may be (control characters, over 10 000 characters) is
// counted as not taken.
#include "exchange/analysisproject.h"
#include "exchange/refiqda.h"

#include <QString>
#include <QStringList>
#include <functional>

class Connection;

namespace refiqda {

// A coder of a project: a user who applied codings (an empty guid gathers
// the codings the file gives to no one).
struct ProjectCoder
{
    QString guid;
    QString name; // the user's name, their guid when unnamed, empty for no one
    int codings = 0;
};

// A coder's copy of the analysis made by importPerCoder().
struct CoderCopy
{
    QString coder;
    QString path;
    int rows = 0; // coding rows it received
};

struct ImportReport
{
    int textsAdded = 0;
    QStringList textsAlreadyThere; // sources whose name was a text of the analysis before
    QStringList textsRenamed;      // "name → name (2)": a second source of one name
    int otherSources = 0;          // not plain text, or kept outside the archive
    int sourceCodings = 0;         // codings of whole sources
    int variableValues = 0;        // variable values of sources, taken as attributes
    int variableValuesRefused = 0; // of an unknown variable, or too long a name or value
    int valuesAdded = 0;
    int valuesAlreadyThere = 0;
    int levelsFolded = 0;          // levels of the code tree put into value names
    int topDescriptions = 0;       // descriptions of first-level codes, which lists lack
    int codesNotPlaced = 0;        // codes sent to no list
    std::vector<int> listsNotRenamed; // named or holding values, left under their name
    int selections = 0;            // coded selections met
    int selectionsNotWhole = 0;    // coding segments they only partly cover
    int selectionsOutside = 0;     // on no segment (or on blanks only)
    int selectionsOnTextsThere = 0; // on a source left out, its name already a text
    int positionsRefused = 0;      // negative, reversed or past the text's end
    int codingsNotPlaced = 0;      // codings whose code goes to no list
    int unknownCodeRefs = 0;       // codings of a code the codebook lacks
    QStringList crLfAsOne;         // sources whose positions count CR LF as one character
    int rowsAdded = 0;
    int notes = 0;                 // notes taken in (of segments, texts, the analysis)
    std::vector<ProjectCoder> coders; // the project's coders, when it names any
    QString coderTaken;            // the one coder whose codings came in, if chosen
    int otherCodersCodings = 0;    // codings of the other coders, left out
    std::vector<CoderCopy> copies; // one copy per coder, with their codings
    NotTaken notTaken;             // parts of the project an analysis does not hold

    // The report in French, one line a fact.
    QStringList lines() const;
};

// The coders of a project, in the order of its users, then those met
// without being listed, then the codings given to no one.
std::vector<ProjectCoder> codersOf(const Project &project);
// How a coder is named to the researcher.
QString coderName(const ProjectCoder &coder);
// The project with only the codings applied by the user `guid`.
Project withCodingsOf(const Project &project, const QString &guid);

// The lists whose name the placement would change and that already have a
// name or values: they are renamed only with Placement::renameUsedLists.
std::vector<int> listsToRename(Connection &db, const std::vector<Code> &codes,
                               const Placement &placement);

// Whether the positions of a source's selections count a CR LF as one
// character (as some programs do): the text has CR LF, every selection fits
// that count (within the text, its ends on the edges of words and never
// inside a CR LF), and not every one fits the usual count.
bool countsCrLfAsOne(QStringView text, const std::vector<Selection> &selections);

// How far a project's import is: `done` of `total` steps (one a source taken
// in, one a source's selections placed).
using Progress = std::function<void(int done, int total)>;
// Polled between steps and between pieces of a text; true ends the import.
using StopRequest = std::function<bool()>;

// "L'importation du projet a été arrêtée ; rien n'en a été enregistré."
QString stoppedMessage();

// The import of a project read from an archive, on a connection with no
// transaction open, every coding whoever applied it. Returns a French error
// (stoppedMessage() after a stop), or an empty string on success; the report
// says what came in and what not (and is empty after a failure: nothing came
// in).
QString importProject(Connection &db, const Project &project, const Placement &placement,
                      ImportReport &report, const Progress &progress = {},
                      const StopRequest &stop = {});

// The import of the codings of one coder (by guid), the others counted and
// left out.
QString importCoder(Connection &db, const Project &project, const QString &guid,
                    const Placement &placement, ImportReport &report,
                    const Progress &progress = {}, const StopRequest &stop = {});

// The path of a coder's copy beside the analysis ("Corpus_Marie.mdb").
QString coderCopyPath(const QString &analysis, const QString &coder);

// The texts and values come into this analysis without any coding, and each
// coder gets a copy of the analysis beside it (named by coderCopyPath(),
// their name as its coder) holding the same texts with their codings alone,
// ready for the comparison of coders. All of it or nothing: an existing file
// where a copy goes is refused before anything is written, and a failure
// removes the copies made. The report counts what the copies' selections met
// (refused, outside the segments...) besides this import's own.
QString importPerCoder(Connection &db, const Project &project, const Placement &placement,
                       ImportReport &report, const Progress &progress = {},
                       const StopRequest &stop = {});

// The import of a codebook's codes as list values.
QString importCodebook(Connection &db, const std::vector<Code> &codes, const Placement &placement,
                       ImportReport &report);

} // namespace refiqda
