// --importer-qdpx BASE.mdb PROJET.qdpx: the texts, codes and coding of a
// REFI-QDA project; coders are never merged (--codeur, --par-codeur).
#include "cli/refiqdaactions.h"
#include "store/codingstore.h"
#include "store/connection.h"
#include "store/storeerror.h"

namespace cli {

using namespace refiqdaactions;

namespace {

const QCommandLineOption kCoder(QStringLiteral("codeur"),
                                QStringLiteral("Importe dans l'analyse le codage du seul codeur "
                                               "NOM."),
                                QStringLiteral("NOM"));
const QCommandLineOption kPerCoder(QStringLiteral("par-codeur"),
                                   QStringLiteral("Fait une copie de l'analyse par codeur, avec "
                                                  "son codage, à côté de l'analyse."));

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

} // namespace

extern const Action importerQdpx{
    QStringLiteral("importer-qdpx"),
    QStringLiteral("--importer-qdpx BASE.mdb PROJET.qdpx [--vers-liste K] [--renommer-listes] "
                   "[--codeur NOM | --par-codeur]   importe les textes, les codes et le codage "
                   "d'un projet REFI-QDA (avec plusieurs codeurs, --codeur ou --par-codeur est "
                   "exigé)"),
    {toListOption(), renameOption(), kCoder, kPerCoder},
    &runImportQdpx};

} // namespace cli
