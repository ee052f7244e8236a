// --importer-livre-de-codes BASE.mdb FICHIER.csv: the lists' names, values
// and definitions of another analysis, from the CSV of --livre-de-codes.
#include "cli/commandline.h"
#include "exchange/codebookimport.h"
#include "store/codingstore.h"
#include "store/connection.h"
#include "store/liststore.h"
#include "store/storeerror.h"

#include <QFileInfo>

namespace cli {

namespace {

int runImportCodebook(const Context &c)
{
    if (c.positional.size() != 2)
        return fail(c, QStringLiteral("Utilisation : telmira-codage --importer-livre-de-codes "
                                      "BASE.mdb FICHIER.csv"));
    // The file is read whole before the analysis is opened: a refused file
    // leaves it untouched.
    const coding::CodebookReading read = coding::readCodebook(c.positional.at(1));
    if (!read.codebook)
        return fail(c, read.message);
    try {
        auto store = openForChange(c.positional.at(0));
        lists::CodebookOutcome outcome;
        lists::importCodebook(store->connection(), *read.codebook,
                              QFileInfo(c.positional.at(1)).fileName(), &outcome);
        c.out << outcome.line() << Qt::endl;
        for (const auto &[list, value] : outcome.added)
            c.out << QStringLiteral("ajoutée (liste %1) : %2").arg(list).arg(value) << Qt::endl;
        for (const auto &[list, value] : outcome.present)
            c.out << QStringLiteral("déjà présente (liste %1) : %2").arg(list).arg(value)
                  << Qt::endl;
        return 0;
    } catch (const StoreError &e) {
        return fail(c, e.message());
    }
}

} // namespace

extern const Action importerLivreDeCodes{
    QStringLiteral("importer-livre-de-codes"),
    QStringLiteral("--importer-livre-de-codes BASE.mdb FICHIER.csv\n      importe le livre de "
                   "codes d'une autre analyse (le CSV de --livre-de-codes) : ajoute les valeurs "
                   "qui manquent, donne leurs noms aux listes et leurs définitions aux valeurs ; "
                   "une valeur déjà présente garde son numéro et son codage"),
    {},
    &runImportCodebook};

} // namespace cli
