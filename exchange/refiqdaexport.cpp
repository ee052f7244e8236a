#include "exchange/refiqdaexport.h"

#include "exchange/analysisproject.h"
#include "exchange/qdpxarchive.h"
#include "store/connection.h"
#include "store/exchangestore.h"
#include "store/storeerror.h"

#include <QFileInfo>

#include <algorithm>
#include <unordered_map>

namespace refiqda {
namespace {

// The analysis itself must never be the target.
QString sameFile(Connection &db, const QString &target)
{
    const QString canonical = QFileInfo(db.path()).canonicalFilePath();
    if (!canonical.isEmpty() && QFileInfo(target).canonicalFilePath() == canonical)
        return QStringLiteral("L'analyse « %1 » ne peut pas être remplacée par son exportation.")
            .arg(db.path());
    return QString();
}

// Attaches the analysis's notes to the project made of it: the analysis's
// to the project, a text's to its source, a segment's to a selection of its
// own covering the segment (coding nothing), each note once in the
// project's notes. Returns the number of notes.
int attachNotes(const exchangestore::Analysis &analysis, Project &project)
{
    if (analysis.notes.empty() || project.users.empty())
        return 0;
    // Source i is text i of the analysis (see projectOf).
    std::unordered_map<qint64, size_t> sourceOf;
    for (size_t i = 0; i < analysis.texts.size() && i < project.sources.size(); ++i)
        sourceOf.emplace(analysis.texts[i].numero, i);
    // The range of each segment with a note, found once per text.
    std::unordered_map<qint64, std::pair<size_t, std::pair<qint64, qint64>>> segmentPlace;
    std::unordered_map<qint64, bool> notedSegment;
    for (const exchangestore::Note &n : analysis.notes)
        if (n.genre == 1)
            notedSegment.emplace(n.target, true);
    for (size_t i = 0; i < analysis.texts.size() && i < project.sources.size(); ++i) {
        const exchangestore::Text &t = analysis.texts[i];
        const bool any = std::any_of(t.segments.begin(), t.segments.end(),
                                     [&](const exchangestore::Segment &s) {
                                         return notedSegment.count(s.numero) > 0;
                                     });
        if (!any)
            continue;
        std::vector<QString> texts;
        texts.reserve(t.segments.size());
        for (const exchangestore::Segment &s : t.segments)
            texts.push_back(s.text);
        std::vector<std::pair<qint64, qint64>> ranges;
        joinSegments(texts, &ranges);
        for (size_t k = 0; k < t.segments.size(); ++k)
            if (notedSegment.count(t.segments[k].numero))
                segmentPlace.emplace(t.segments[k].numero, std::make_pair(i, ranges[k]));
    }
    const QString user = project.users.front().guid;
    int count = 0;
    for (const exchangestore::Note &n : analysis.notes) {
        Note note;
        note.text = n.text;
        if (n.genre == 3) {
            note.guid = stableGuid(analysis.identifier + QStringLiteral("/note/analyse"));
            note.name = QStringLiteral("Note sur l'analyse");
            project.noteRefs.push_back(note.guid);
        } else if (n.genre == 2) {
            const auto source = sourceOf.find(n.target);
            if (source == sourceOf.end())
                continue;
            note.guid = stableGuid(analysis.identifier + QStringLiteral("/note/texte/%1").arg(n.target));
            note.name = QStringLiteral("Note sur le texte n° %1").arg(n.target);
            project.noteRefsOf[project.sources[source->second].guid].push_back(note.guid);
        } else {
            const auto place = segmentPlace.find(n.target);
            if (place == segmentPlace.end())
                continue;
            note.guid =
                stableGuid(analysis.identifier + QStringLiteral("/note/segment/%1").arg(n.target));
            note.name = QStringLiteral("Note sur le segment n° %1").arg(n.target);
            Selection s;
            s.guid = stableGuid(analysis.identifier
                                + QStringLiteral("/segment-note/%1").arg(n.target));
            s.start = place->second.second.first;
            s.end = place->second.second.second;
            s.creatingUser = user;
            project.noteRefsOf[s.guid].push_back(note.guid);
            project.sources[place->second.first].selections.push_back(std::move(s));
        }
        project.notes.push_back(std::move(note));
        ++count;
    }
    return count;
}

} // namespace

QString ExportReport::line() const
{
    if (!project)
        return QStringLiteral("Livre de codes exporté — valeurs : %1.").arg(values);
    QString l = QStringLiteral("Projet exporté — textes : %1, sélections codées : %2, valeurs : %3, "
                               "codeur : « %4 »")
                    .arg(texts)
                    .arg(selections)
                    .arg(values)
                    .arg(coder);
    if (notes)
        l += QStringLiteral(", notes : %1").arg(notes);
    if (rowsWithoutValue)
        l += QStringLiteral(" ; lignes de codage sans valeur dans aucune liste, non exportées : %1")
                 .arg(rowsWithoutValue);
    return l + QLatin1Char('.');
}

QString exportProject(Connection &db, const QString &target)
{
    ExportReport report;
    return exportProject(db, target, report);
}

QString exportProject(Connection &db, const QString &target, ExportReport &report)
{
    report = ExportReport();
    report.project = true;
    if (const QString refused = sameFile(db, target); !refused.isEmpty())
        return refused;
    try {
        const exchangestore::Analysis analysis = exchangestore::read(db);
        Project project = projectOf(analysis, QFileInfo(db.path()).completeBaseName(),
                                    &report.rowsWithoutValue);
        report.texts = int(project.sources.size());
        for (const Source &s : project.sources)
            report.selections += int(s.selections.size());
        report.notes = attachNotes(analysis, project);
        for (const auto &list : analysis.lists)
            report.values += int(list.values.size());
        report.coder = project.users.empty() ? QString() : project.users.front().name;
        return writeQdpx(project, target);
    } catch (const StoreError &e) {
        return e.message();
    }
}

QString exportCodebook(Connection &db, const QString &target)
{
    ExportReport report;
    return exportCodebook(db, target, report);
}

QString exportCodebook(Connection &db, const QString &target, ExportReport &report)
{
    report = ExportReport();
    if (const QString refused = sameFile(db, target); !refused.isEmpty())
        return refused;
    try {
        const exchangestore::Analysis analysis = exchangestore::read(db);
        for (const auto &list : analysis.lists)
            report.values += int(list.values.size());
        return writeCodebook(codesOf(analysis), origin(), target);
    } catch (const StoreError &e) {
        return e.message();
    }
}

} // namespace refiqda
