#pragma once
// The XML documents of the REFI-QDA standard: `project.qde` (namespace
// urn:QDA-XML:project:1.0) and the codebook `.qdc` (urn:QDA-XML:codebook:1.0).
// Writing follows the order and types of the published schemas; reading takes
// what an analysis can carry and counts what it leaves. Notes are written
// inline (PlainTextContent) and read so; a note kept in a file of its own is
// counted as not taken.
//
// Neither reading nor writing recurses: the code tree is walked with a stack
// of its own. A document whose codes are nested deeper than kMaxCodeDepth
// levels is refused whole (« les codes sont imbriqués sur plus de 1 000
// niveaux »), so that no tree deeper than that is ever built from a file.
#include "exchange/refiqda.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace refiqda {

// The deepest nesting of codes a document may have (a first-level code is at
// level 1).
inline constexpr int kMaxCodeDepth = 1000;

// project.qde for `project`; source i's text lies in the archive as
// `sources/<its guid>.txt`, referred to as "internal://<its guid>.txt".
QByteArray projectXml(const Project &project);

// A codebook document of `codes`.
QByteArray codebookXml(const std::vector<Code> &codes, const QString &origin);

struct ParsedProject
{
    Project project;                     // sources without their text yet
    std::vector<QString> plainTextPaths; // by source: the archive path of its text, or empty
    std::vector<bool> inlineText;        // by source: its text was in the document
    int otherSources = 0;                // sources that are not plain text (PDF, pictures...)
    int sourceCodings = 0;               // codings of a whole source, not of a selection
    NotTaken notTaken;                   // notes, sets, variables... and how many
    QString error;                       // French; empty when the document was read
};

// The names under which a project's parts left out are counted.
namespace nottaken {
inline const QString kDescription = QStringLiteral("description du projet");
inline const QString kNotes = QStringLiteral("notes");
inline const QString kMemos = QStringLiteral("mémos attachés (NoteRef)");
inline const QString kSets = QStringLiteral("ensembles (Sets)");
inline const QString kCases = QStringLiteral("cas (Cases)");
inline const QString kSourceDescriptions = QStringLiteral("descriptions de sources");
inline const QString kSelectionDescriptions = QStringLiteral("descriptions de sélections");
inline const QString kGraphs = QStringLiteral("graphes");
inline const QString kLinks = QStringLiteral("liens (Links)");
inline const QString kSkippedSelections = QStringLiteral("sélections des sources non importées");
} // namespace nottaken

// Reads project.qde. Paths are checked by the caller.
ParsedProject parseProject(const QByteArray &xml);

struct ParsedCodebook
{
    std::vector<Code> codes;
    QString error;
};

// Reads a codebook (.qdc), or the codebook of a project document.
ParsedCodebook parseCodebook(const QByteArray &xml);

} // namespace refiqda
