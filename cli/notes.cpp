// --notes BASE.mdb: the coder's notes as CSV on standard output, for
// scripts: UTF-8 without byte-order mark, ";" between fields, fields quoted
// as csv.h says (a note keeps its line ends inside its quoted field), each
// record ended by CR LF, values as stored. The header
// "genre;texte;segment;note", then the analysis's note, then text by text
// the text's note and its segments' notes. A file older than the notes has
// none: the header alone.
#include "cli/commandline.h"
#include "exchange/csv.h"
#include "store/connection.h"
#include "store/notestore.h"
#include "store/storeerror.h"

namespace cli {
namespace {

QString genreName(notes::Genre genre)
{
    switch (genre) {
    case notes::Genre::Segment:
        return QStringLiteral("segment");
    case notes::Genre::Text:
        return QStringLiteral("texte");
    case notes::Genre::Analysis:
        break;
    }
    return QStringLiteral("analyse");
}

int runNotes(const Context &context)
{
    if (context.positional.size() != 1)
        return fail(context, QStringLiteral("Indiquez une base d'analyse, une seule : "
                                            "telmira-codage --notes BASE.mdb."));
    QString records;
    try {
        const auto db = openForReading(context.positional.at(0));
        const QChar separator(QLatin1Char(';'));
        records += csv::record({QStringLiteral("genre"), QStringLiteral("texte"),
                                QStringLiteral("segment"), QStringLiteral("note")},
                               separator);
        for (const notes::Entry &e : notes::list(*db))
            records += csv::record(
                {genreName(e.genre),
                 e.genre == notes::Genre::Analysis ? QString() : QString::number(e.text),
                 e.genre == notes::Genre::Segment ? QString::number(e.segment) : QString(),
                 e.note},
                separator);
    } catch (const StoreError &e) {
        return fail(context, e.message());
    }
    // Nothing written before everything was read: a failure leaves no half table.
    context.out << records;
    context.out.flush();
    return 0;
}

} // namespace

extern const Action notesAction;
const Action notesAction{
    QStringLiteral("notes"),
    QStringLiteral("--notes BASE.mdb\n"
                   "      écrit les notes du codeur en CSV sur la sortie standard : "
                   "genre;texte;segment;note,\n"
                   "      genre « analyse », « texte » ou « segment », texte et segment par leur "
                   "numéro ;\n"
                   "      la note de l'analyse, puis texte par texte sa note et celles de ses "
                   "segments"),
    {},
    &runNotes,
};

} // namespace cli
