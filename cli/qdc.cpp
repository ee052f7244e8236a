// --qdc BASE.mdb SORTIE.qdc: the five lists as a REFI-QDA codebook.
#include "cli/refiqdaactions.h"

namespace cli {

using namespace refiqdaactions;

namespace {

int runQdc(const Context &c)
{
    return exportTo(c, QStringLiteral("du livre de codes (.qdc)"), &refiqda::exportCodebook);
}

} // namespace

extern const Action qdc{QStringLiteral("qdc"),
                 QStringLiteral("--qdc BASE.mdb SORTIE.qdc     exporte les cinq listes en livre "
                                "de codes REFI-QDA"),
                 {},
                 &runQdc};

} // namespace cli
