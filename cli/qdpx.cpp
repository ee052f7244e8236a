// --qdpx BASE.mdb SORTIE.qdpx: the analysis as a REFI-QDA project, for another
// analysis program.
#include "cli/refiqdaactions.h"

namespace cli {

using namespace refiqdaactions;

namespace {

int runQdpx(const Context &c)
{
    return exportTo(c, QStringLiteral("du projet (.qdpx)"), &refiqda::exportProject);
}

} // namespace

extern const Action qdpx{QStringLiteral("qdpx"),
                  QStringLiteral("--qdpx BASE.mdb SORTIE.qdpx   exporte l'analyse en projet "
                                 "REFI-QDA pour un autre logiciel d'analyse"),
                  {},
                  &runQdpx};

} // namespace cli
