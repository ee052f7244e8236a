// --suggerer BASE.mdb --variable N: the value the suggestions propose for
// every segment not coded in list N, learnt from the coder's coding of the
// analysis (suggestions/model.h), on standard output for scripts: UTF-8
// without byte-order mark, ";" between fields, fields quoted as csv.h says.
// One line per segment, "texte;segment;valeur;confiance;indices", in text
// then segment order: the value as stored, the confidence from 0 to 1 with
// 3 decimals and a full stop, the reasons joined by ",". With --evaluer,
// the cross-validation grouped by text instead (suggestions/evaluation.h):
// exactitude, alpha, kappa, segments, to 4 decimals. With --accepter SEUIL,
// the segments whose suggestion reaches that confidence are coded with it,
// recorded as accepted suggestions, as the window "Suggestions" does
// (store/suggestionstore.h, one step), and "acceptés;n" ends the lines.
// The model kept in the analysis is used when it was learnt from the coding
// as it stands; otherwise it is learnt here (and not kept: the command line
// does not write the file for that).
#include "cli/commandline.h"
#include "exchange/csv.h"
#include "store/codingstore.h"
#include "store/connection.h"
#include "store/storeerror.h"
#include "store/suggestionstore.h"
#include "store/suggestionunits.h"
#include "suggestions/chain.h"
#include "suggestions/evaluation.h"
#include "suggestions/model.h"

#include <map>

namespace cli {
namespace {

const QString kVariable = QStringLiteral("variable");
const QString kEvaluer = QStringLiteral("evaluer");
const QString kPlis = QStringLiteral("plis");
const QString kAccepter = QStringLiteral("accepter");

QString field(const QString &text)
{
    return csv::field(text, QLatin1Char(';'));
}

QString coefficient(const reliability::Coefficient &c)
{
    return c.defined() ? QString::number(c.value, 'f', 4) : QString();
}

} // namespace

namespace {

int runSuggerer(const Context &context)
{
    if (context.positional.size() != 1)
        return fail(context, QStringLiteral("Indiquez une base d'analyse, une seule : "
                                            "telmira-codage --suggerer BASE.mdb --variable N."));
    bool ok = false;
    const QString given = context.parser.value(kVariable);
    const int list = given.toInt(&ok);
    if (!context.parser.isSet(kVariable) || !ok || list < 1 || list > 5)
        return fail(context, QStringLiteral("--variable attend le numéro de la liste (1 à 5) dont "
                                            "les valeurs sont suggérées (« %1 » a été donné).")
                                 .arg(given));
    int folds = 5;
    if (context.parser.isSet(kPlis)) {
        folds = context.parser.value(kPlis).toInt(&ok);
        if (!ok || folds < 2 || folds > 50)
            return fail(context, QStringLiteral("--plis attend un nombre de plis de 2 à 50 "
                                                "(« %1 » a été donné).")
                                     .arg(context.parser.value(kPlis)));
    }
    double threshold = 2;
    if (context.parser.isSet(kAccepter)) {
        threshold = context.parser.value(kAccepter).toDouble(&ok);
        if (!ok || threshold < 0 || threshold > 1)
            return fail(context, QStringLiteral("--accepter attend la confiance à partir de "
                                                "laquelle les suggestions sont acceptées, de 0 à 1 "
                                                "(« %1 » a été donné).")
                                     .arg(context.parser.value(kAccepter)));
        if (context.parser.isSet(kEvaluer))
            return fail(context, QStringLiteral("--accepter et --evaluer ne vont pas ensemble."));
    }
    const bool accepting = threshold <= 1;
    const QString path = context.positional.first();
    try {
        std::unique_ptr<coding::CodingStore> changing;
        std::shared_ptr<Connection> reading;
        if (accepting)
            changing = openForChange(path);
        else
            reading = openForReading(path);
        Connection *db = accepting ? &changing->connection() : reading.get();
        std::map<qint64, QString> values;
        std::optional<coding::CodingStore> readingStore;
        coding::CodingStore &store = accepting ? *changing : readingStore.emplace(reading);
        for (const coding::ListValue &v : store.listValues(list))
            values[v.numero] = v.value;
        const suggestions::Options options;
        suggestions::UnitReader reader(*db, list, options.contextSegments, options.widerSegments);
        const auto source = reader.codedSource();
        const QString little = suggestions::Model::tooLittle(source);
        if (!little.isEmpty())
            return fail(context, QStringLiteral("La liste %1 de l'analyse « %2 » ne permet pas "
                                                "encore de suggérer : %3")
                                     .arg(list)
                                     .arg(path, little));
        QTextStream &out = context.out;
        if (context.parser.isSet(kEvaluer)) {
            QString error;
            // The coded units are read anew at each pass: memory holds the
            // model and what is compared, never the units.
            const auto e = suggestions::crossValidate(source, folds, {}, {}, &error);
            if (!e)
                return fail(context, error);
            out << "exactitude;" << QString::number(e->accuracy, 'f', 4) << '\n'
                << "alpha;" << coefficient(e->alpha) << '\n'
                << "kappa;" << coefficient(e->kappa) << '\n'
                << "segments;" << e->segments << '\n';
            out.flush();
            return 0;
        }
        suggestions::Model model;
        const QString print =
            suggestions::fingerprint(*db, list, suggestions::Model::kLearning);
        std::optional<suggestions::Model> kept;
        if (const auto bytes = suggestions::keptModel(*db, list, print))
            kept = suggestions::Model::load(bytes->bytes);
        if (kept)
            model = std::move(*kept);
        else
            model.train(source, options);
        QString lines;
        std::vector<suggestions::Accepted> accepted;
        suggestions::Chain chain(model);
        reader.read(suggestions::UnitReader::Which::NotCoded, [&](suggestions::Unit &&u) {
            const suggestions::Suggestion s = chain.suggest(u);
            if (accepting && s.confidence >= threshold)
                for (const auto &[value, p] : s.values)
                    accepted.push_back({u.segment, value, p});
            QStringList reasons;
            for (const suggestions::Reason &r : s.reasons)
                reasons << suggestions::reasonText(r, values);
            lines += QString::number(u.text) + QLatin1Char(';') + QString::number(u.segment) +
                     QLatin1Char(';') + field(values.count(s.value) ? values[s.value] : QString()) +
                     QLatin1Char(';') + QString::number(s.confidence, 'f', 3) + QLatin1Char(';') +
                     field(reasons.join(QLatin1Char(','))) + QLatin1Char('\n');
            if (lines.size() > 1 << 16) {
                out << lines;
                lines.clear();
            }
            return true;
        });
        out << lines;
        if (accepting) {
            const coding::BulkOutcome outcome = suggestions::acceptMany(
                *db, list, accepted, suggestions::acceptingCoder(*db));
            out << "acceptés;" << outcome.segments << '\n';
        }
        out.flush();
    } catch (const StoreError &e) {
        return fail(context, e.message());
    }
    return 0;
}

} // namespace

extern const Action suggerer;
const Action suggerer{
    QStringLiteral("suggerer"),
    QStringLiteral("--suggerer BASE.mdb --variable N [--evaluer [--plis K] | --accepter SEUIL]\n"
                   "      suggère une valeur de la liste N pour chaque segment qui n'y est pas "
                   "codé,\n"
                   "      apprise du codage de l'analyse, sur cette machine : une ligne par "
                   "segment,\n"
                   "      texte;segment;valeur;confiance;indices (confiance de 0 à 1, indices : "
                   "les mots\n"
                   "      ou le contexte qui ont le plus pesé) ; avec --evaluer, la fiabilité "
                   "des\n"
                   "      suggestions par validation croisée sur K plis de textes (5 par "
                   "défaut) :\n"
                   "      exactitude, alpha de Krippendorff, kappa de Cohen, segments comparés ;\n"
                   "      avec --accepter SEUIL (de 0 à 1), les segments dont la suggestion "
                   "atteint\n"
                   "      cette confiance en sont codés, en une étape, notés comme suggestions "
                   "acceptées\n"
                   "      (par le codeur de l'analyse), et la dernière ligne dit acceptés;n"),
    {QCommandLineOption(kEvaluer, QStringLiteral("Mesure la fiabilité des suggestions au lieu de "
                                                 "les écrire.")),
     QCommandLineOption(kPlis, QStringLiteral("Nombre de plis de la validation croisée."),
                        QStringLiteral("K")),
     QCommandLineOption(kAccepter,
                        QStringLiteral("Accepte les suggestions dont la confiance atteint SEUIL."),
                        QStringLiteral("SEUIL"))},
    &runSuggerer,
};

} // namespace cli
