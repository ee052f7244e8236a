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

// Runs `write` on the analysis given first, into the file given second.
int exportTo(const Context &c, const QString &what,
             QString (*write)(Connection &, const QString &))
{
    if (c.positional.size() != 2)
        return fail(c, QStringLiteral("Il faut indiquer la base d'analyse puis le fichier %1.")
                           .arg(what));
    try {
        const auto db = openForReading(c.positional.at(0));
        const QString error = write(*db, c.positional.at(1));
        if (!error.isEmpty())
            return fail(c, error);
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

int runImportQdpx(const Context &c)
{
    if (c.positional.size() != 2)
        return fail(c, QStringLiteral("Il faut indiquer la base d'analyse puis le projet (.qdpx)."));
    const refiqda::ReadProject read = refiqda::readQdpx(c.positional.at(1));
    if (!read.error.isEmpty())
        return fail(c, read.error);
    refiqda::Placement placement;
    int code = 0;
    if (!placementOf(c, read.project.codes, placement, code))
        return code;
    try {
        auto store = openForChange(c.positional.at(0));
        refiqda::ImportReport r;
        r.otherSources = read.otherSources;
        r.sourceCodings = read.sourceCodings;
        const QString error =
            refiqda::importProject(store->connection(), read.project, placement, r);
        if (!error.isEmpty())
            return fail(c, error);
        r.otherSources = read.otherSources;
        r.sourceCodings = read.sourceCodings;
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
    QStringLiteral("--importer-qdpx BASE.mdb PROJET.qdpx [--vers-liste K]   importe les textes, "
                   "les codes et le codage d'un projet REFI-QDA"),
    {kToList},
    &runImportQdpx};

extern const Action importerQdc{
    QStringLiteral("importer-qdc"),
    QStringLiteral("--importer-qdc BASE.mdb LIVRE.qdc [--vers-liste K]   importe les codes d'un "
                   "livre de codes REFI-QDA dans les listes"),
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
