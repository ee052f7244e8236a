// --importer-qdc BASE.mdb LIVRE.qdc: the codes of a REFI-QDA codebook into the
// lists.
#include "cli/refiqdaactions.h"
#include "store/codingstore.h"
#include "store/connection.h"
#include "store/storeerror.h"

namespace cli {

using namespace refiqdaactions;

namespace {

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

extern const Action importerQdc{
    QStringLiteral("importer-qdc"),
    QStringLiteral("--importer-qdc BASE.mdb LIVRE.qdc [--vers-liste K] [--renommer-listes]   "
                   "importe les codes d'un livre de codes REFI-QDA dans les listes"),
    {},
    &runImportQdc};

} // namespace cli
