#include "cli/refiqdaactions.h"

#include "store/connection.h"
#include "store/storeerror.h"

namespace cli::refiqdaactions {

QCommandLineOption toListOption()
{
    return QCommandLineOption(QStringLiteral("vers-liste"),
                                 QStringLiteral("Place tous les codes dans la liste K (1 à 5)."),
                                 QStringLiteral("K"));
}

QCommandLineOption renameOption()
{
    return QCommandLineOption(QStringLiteral("renommer-listes"),
                                 QStringLiteral("Renomme d'après les codes les listes qui ont déjà "
                                                "un nom ou des valeurs."));
}

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

bool placementOf(const Context &c, const std::vector<refiqda::Code> &codes,
                 refiqda::Placement &placement, int &code)
{
    if (c.parser.isSet(toListOption())) {
        bool ok = false;
        const int list = c.parser.value(toListOption()).toInt(&ok);
        if (!ok || list < 1 || list > 5) {
            code = fail(c, QStringLiteral("--vers-liste attend un numéro de liste de 1 à 5."));
            return false;
        }
        placement = refiqda::allTo(codes, list);
        return true;
    }
    placement = refiqda::defaultPlacement(codes);
    placement.renameUsedLists = c.parser.isSet(renameOption());
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

} // namespace cli::refiqdaactions
