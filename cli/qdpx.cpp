// Exchange with other analysis programs from the command line (REFI-QDA).
#include "cli/commandline.h"
#include "exchange/qdpxarchive.h"
#include "exchange/refiqdaexport.h"
#include "exchange/refiqdaimport.h"
#include "store/codingstore.h"
#include "store/connection.h"
#include "store/storeerror.h"

namespace cli {

// The coding data (store, exports, reports) the actions call into.
using namespace coding;
namespace {

// Runs `write` on the analysis given first, into the file given second, and
// prints its one-line summary.
int exportTo(const Context &c, const QString &what,
             QString (*write)(Connection &, const QString &, refiqda::ExportReport &))
{
    if (c.positional.size() != 2)
        return fail(c, QStringLiteral("Il faut indiquer la base d'analyse puis le fichier %1.")
                           .arg(what));
    try {
        const auto db = openForReading(c.positional.at(0));
        refiqda::ExportReport report;
        const QString error = write(*db, c.positional.at(1), report);
        if (!error.isEmpty())
            return fail(c, error);
        c.out << report.line() << '\n';
    } catch (const StoreError &e) {
        return fail(c, e.message());
    }
    return 0;
}

int runQdpx(const Context &c)
{
    return exportTo(c, QStringLiteral("du projet (.qdpx)"), &refiqda::exportProject);
}

int runQdc(const Context &c)
{
    return exportTo(c, QStringLiteral("du livre de codes (.qdc)"), &refiqda::exportCodebook);
}

const QCommandLineOption kToList(QStringLiteral("vers-liste"),
                                 QStringLiteral("Place tous les codes dans la liste K (1 à 5)."),
                                 QStringLiteral("K"));
const QCommandLineOption kRename(QStringLiteral("renommer-listes"),
                                 QStringLiteral("Renomme d'après les codes les listes qui ont déjà "
                                                "un nom ou des valeurs."));
const QCommandLineOption kCoder(QStringLiteral("codeur"),
                                QStringLiteral("Importe dans l'analyse le codage du seul codeur "
                                               "NOM."),
                                QStringLiteral("NOM"));
const QCommandLineOption kPerCoder(QStringLiteral("par-codeur"),
                                   QStringLiteral("Fait une copie de l'analyse par codeur, avec "
                                                  "son codage, à côté de l'analyse."));

// Where the codes go: --vers-liste K, or a list for each first-level code
// when there are at most five of them.
bool placementOf(const Context &c, const std::vector<refiqda::Code> &codes,
                 refiqda::Placement &placement, int &code)
{
    if (c.parser.isSet(kToList)) {
        bool ok = false;
        const int list = c.parser.value(kToList).toInt(&ok);
        if (!ok || list < 1 || list > 5) {
            code = fail(c, QStringLiteral("--vers-liste attend un numéro de liste de 1 à 5."));
            return false;
        }
        placement = refiqda::allTo(codes, list);
        return true;
    }
    placement = refiqda::defaultPlacement(codes);
    placement.renameUsedLists = c.parser.isSet(kRename);
    if (placement.listOfTopCode.size() != codes.size() && refiqda::isFlat(codes)
        && codes.size() <= 5) {
        code = fail(c, QStringLiteral("Le livre de codes n'a qu'un niveau (%1 codes) : indiquez "
                                      "avec --vers-liste K la liste qui les reçoit.")
                           .arg(codes.size()));
        return false;
    }
    if (placement.listOfTopCode.size() != codes.size()) {
        code = fail(c, QStringLiteral("Le livre de codes a %1 codes de premier niveau, plus que "
                                      "les cinq listes : indiquez avec --vers-liste K la liste qui "
                                      "les reçoit.")
                           .arg(codes.size()));
        return false;
    }
    return true;
}

int report(const Context &c, const refiqda::ImportReport &r)
{
    for (const QString &line : r.lines())
        c.out << line << '\n';
    return 0;
}

QString codersList(const std::vector<refiqda::ProjectCoder> &coders)
{
    QStringList named;
    for (const auto &coder : coders)
        named << QStringLiteral("%1 (%2 %3)")
                     .arg(refiqda::coderName(coder))
                     .arg(coder.codings)
                     .arg(coder.codings > 1 ? QStringLiteral("codages") : QStringLiteral("codage"));
    return named.join(QStringLiteral(", "));
}

int runImportQdpx(const Context &c)
{
    if (c.positional.size() != 2)
        return fail(c, QStringLiteral("Il faut indiquer la base d'analyse puis le projet (.qdpx)."));
    if (c.parser.isSet(kCoder) && c.parser.isSet(kPerCoder))
        return fail(c, QStringLiteral("--codeur et --par-codeur s'excluent : l'un importe le "
                                      "codage d'un seul codeur, l'autre fait une copie par "
                                      "codeur."));
    const refiqda::ReadProject read = refiqda::readQdpx(c.positional.at(1));
    if (!read.error.isEmpty())
        return fail(c, read.error);
    refiqda::Placement placement;
    int code = 0;
    if (!placementOf(c, read.project.codes, placement, code))
        return code;
    // Coders are never merged: with several, one is chosen or each gets a
    // copy.
    const std::vector<refiqda::ProjectCoder> coders = refiqda::codersOf(read.project);
    QString chosen;
    bool one = false;
    if (c.parser.isSet(kCoder)) {
        const QString wanted = c.parser.value(kCoder).trimmed();
        std::vector<const refiqda::ProjectCoder *> found;
        for (const auto &coder : coders)
            if (refiqda::coderName(coder) == wanted || (!coder.guid.isEmpty() && coder.guid == wanted))
                found.push_back(&coder);
        if (found.size() != 1)
            return fail(c, QStringLiteral("%1 « %2 » ; les codeurs du projet sont : %3.")
                               .arg(found.empty() ? QStringLiteral("Le projet n'a pas de codeur")
                                                  : QStringLiteral("Plusieurs codeurs du projet "
                                                                   "se nomment"),
                                    wanted, coders.empty() ? QStringLiteral("aucun")
                                                           : codersList(coders)));
        chosen = found.front()->guid;
        one = true;
    } else if (coders.size() > 1 && !c.parser.isSet(kPerCoder)) {
        return fail(c, QStringLiteral("Le projet a %1 codeurs : %2. Indiquez --codeur NOM pour "
                                      "importer le codage d'un seul dans cette analyse, ou "
                                      "--par-codeur pour faire une copie de l'analyse par "
                                      "codeur. Rien n'a été écrit.")
                           .arg(coders.size())
                           .arg(codersList(coders)));
    }
    try {
        auto store = openForChange(c.positional.at(0));
        refiqda::ImportReport r;
        const QString error =
            one ? refiqda::importCoder(store->connection(), read.project, chosen, placement, r)
            : c.parser.isSet(kPerCoder)
                ? refiqda::importPerCoder(store->connection(), read.project, placement, r)
                : refiqda::importProject(store->connection(), read.project, placement, r);
        if (!error.isEmpty())
            return fail(c, error);
        r.otherSources = read.otherSources;
        r.sourceCodings = read.sourceCodings;
        for (const auto &[what, n] : read.notTaken)
            r.notTaken[what] += n;
        return report(c, r);
    } catch (const StoreError &e) {
        return fail(c, e.message());
    }
}

int runImportQdc(const Context &c)
{
    if (c.positional.size() != 2)
        return fail(c, QStringLiteral("Il faut indiquer la base d'analyse puis le livre de codes "
                                      "(.qdc)."));
    const refiqda::ParsedCodebook read = refiqda::readCodebook(c.positional.at(1));
    if (!read.error.isEmpty())
        return fail(c, read.error);
    refiqda::Placement placement;
    int code = 0;
    if (!placementOf(c, read.codes, placement, code))
        return code;
    try {
        auto store = openForChange(c.positional.at(0));
        refiqda::ImportReport r;
        const QString error = refiqda::importCodebook(store->connection(), read.codes, placement, r);
        if (!error.isEmpty())
            return fail(c, error);
        return report(c, r);
    } catch (const StoreError &e) {
        return fail(c, e.message());
    }
}

} // namespace

extern const Action importerQdpx{
    QStringLiteral("importer-qdpx"),
    QStringLiteral("--importer-qdpx BASE.mdb PROJET.qdpx [--vers-liste K] [--renommer-listes] "
                   "[--codeur NOM | --par-codeur]   importe les textes, les codes et le codage "
                   "d'un projet REFI-QDA (avec plusieurs codeurs, --codeur ou --par-codeur est "
                   "exigé)"),
    {kToList, kRename, kCoder, kPerCoder},
    &runImportQdpx};

extern const Action importerQdc{
    QStringLiteral("importer-qdc"),
    QStringLiteral("--importer-qdc BASE.mdb LIVRE.qdc [--vers-liste K] [--renommer-listes]   "
                   "importe les codes d'un livre de codes REFI-QDA dans les listes"),
    {},
    &runImportQdc};

extern const Action qdpx{QStringLiteral("qdpx"),
                  QStringLiteral("--qdpx BASE.mdb SORTIE.qdpx   exporte l'analyse en projet "
                                 "REFI-QDA pour un autre logiciel d'analyse"),
                  {},
                  &runQdpx};

extern const Action qdc{QStringLiteral("qdc"),
                 QStringLiteral("--qdc BASE.mdb SORTIE.qdc     exporte les cinq listes en livre "
                                "de codes REFI-QDA"),
                 {},
                 &runQdc};

} // namespace cli
