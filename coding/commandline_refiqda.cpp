// Exchange with other analysis programs from the command line (REFI-QDA).
#include "coding/commandline.h"
#include "exchange/refiqdaexport.h"
#include "store/codingstore.h"
#include "store/storeerror.h"

namespace coding::cli {
namespace {

// Runs `write` on the analysis given first, into the file given second.
int exportTo(const Context &c, const QString &what,
             QString (*write)(Connection &, const QString &))
{
    if (c.positional.size() != 2)
        return fail(c, QStringLiteral("Il faut indiquer la base d'analyse puis le fichier %1.")
                           .arg(what));
    try {
        auto store = CodingStore::open(c.positional.at(0));
        const QString error = write(store->connection(), c.positional.at(1));
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

} // namespace

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

} // namespace coding::cli
