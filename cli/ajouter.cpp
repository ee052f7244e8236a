// --ajouter BASE.mdb FICHIER_OU_DOSSIER... : takes texts into an analysis
// without a window, one line per file on standard output.
#include "analysis/batchtakein.h"
#include "cli/commandline.h"
#include "exchange/csv.h"
#include "store/connection.h"
#include "store/storeerror.h"

namespace cli {

namespace {

const QString kSubfolders = QStringLiteral("sous-dossiers");
const QString kKeepLayout = QStringLiteral("garder-mise-en-page");

// One line of the report: its fields as CSV, each quoted when it holds ";",
// a quote, a carriage return or a line feed, so that every line stays one
// record whatever the file's name.
void writeLine(QTextStream &out, const QStringList &fields)
{
    QStringList quoted;
    for (const QString &f : fields)
        quoted << csv::field(f, QLatin1Char(';'));
    out << quoted.join(QLatin1Char(';')) << Qt::endl;
}

int runAjouter(const Context &context)
{
    if (context.positional.size() < 2)
        return fail(context, QStringLiteral("--ajouter attend la base d'analyse puis au moins un "
                                            "fichier ou dossier : telmira-codage --ajouter "
                                            "BASE.mdb FICHIER_OU_DOSSIER..."));
    std::shared_ptr<Connection> db;
    try {
        db = Connection::open(context.positional.at(0));
    } catch (const StoreError &e) {
        return fail(context, e.message());
    }
    batch::Options options;
    options.keepLayout = context.parser.isSet(kKeepLayout);
    const QStringList files = batch::expand(context.positional.mid(1),
                                            context.parser.isSet(kSubfolders),
                                            &options.metInFolders);
    if (files.isEmpty())
        return fail(context, QStringLiteral("Aucun fichier à ajouter : les dossiers donnés sont "
                                            "vides."));
    const batch::Summary summary =
        batch::takeIn(*db, files, {}, [&](const batch::Outcome &o) {
            switch (o.status) {
            case batch::Status::Added:
                writeLine(context.out, {QStringLiteral("ajouté"), o.path,
                                        QString::number(o.segments),
                                        QString::number(o.layoutOmitted)});
                break;
            case batch::Status::AlreadyPresent:
                writeLine(context.out, {QStringLiteral("déjà présent"), o.path});
                break;
            case batch::Status::Skipped:
                writeLine(context.out, {QStringLiteral("ignoré"), o.path, o.cause});
                break;
            case batch::Status::Failed:
            case batch::Status::Stopped:
                writeLine(context.out, {QStringLiteral("échec"), o.path,
                                        QString(o.cause).replace(QLatin1Char('\n'),
                                                                 QLatin1Char(' '))});
                break;
            }
        }, {}, options);
    return summary.count(batch::Status::Failed) == 0 ? 0 : 1;
}

} // namespace

extern const Action ajouter;
const Action ajouter{
    QStringLiteral("ajouter"),
    QStringLiteral("--ajouter BASE.mdb FICHIER_OU_DOSSIER... [--sous-dossiers] [--garder-mise-en-page]\n"
                   "      prend les textes en charge dans la base d'analyse (texte, Markdown, "
                   "HTML,\n      Word .docx, OpenDocument .odt, PDF) ; un dossier donne ses "
                   "fichiers, et ceux de\n      ses sous-dossiers avec --sous-dossiers. Une ligne "
                   "par fichier :\n      « ajouté;<fichier>;<segments>;<lignes de mise en page omises> »,\n      « déjà présent;<fichier> "
                   "»,\n      « échec;<fichier>;<cause> » ou, pour un fichier d'un dossier qui n'est pas\n"
                   "      un document (image, archive, base), « ignoré;<fichier>;<raison> » ; champs séparés par « ; » et mis entre\n"
                   "      guillemets (guillemets intérieurs doublés) lorsqu'ils contiennent « ; »,\n"
                   "      un guillemet ou un retour à la ligne, comme en CSV : chaque ligne reste un\n"
                   "      enregistrement. Un fichier dont le nom n'est pas en UTF-8 est refusé.\n"
                   "      Les en-têtes et pieds de page répétés, les numéros de page seuls et les\n"
                   "      points de conduite des tables des matières d'un PDF sont omis (et comptés),\n"
                   "      sauf avec --garder-mise-en-page.\n"
                   "      Code 1 si un document a échoué (les fichiers ignorés n'en sont pas)."),
    {QCommandLineOption(kSubfolders,
                        QStringLiteral("Avec --ajouter : les sous-dossiers des dossiers aussi.")),
     QCommandLineOption(kKeepLayout,
                        QStringLiteral("Avec --ajouter : garder la mise en page des PDF (en-têtes, "
                                       "pieds de page, numéros de page, points de conduite)."))},
    &runAjouter};

} // namespace cli
