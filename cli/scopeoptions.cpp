#include "cli/scopeoptions.h"

#include "store/attributestore.h"
#include "store/codingstore.h"
#include "store/connection.h"

namespace cli {
namespace {

// Functions, not constants: the actions' tables, in other files, take the
// options while the program's constants are being made.
QString texteName()
{
    return QStringLiteral("texte");
}

QString siName()
{
    return QStringLiteral("si");
}

} // namespace

QCommandLineOption texteOption()
{
    return QCommandLineOption(texteName(), QStringLiteral("Numéro d'un texte à compter (répétable)."),
                              QStringLiteral("NUMERO"));
}

QCommandLineOption siOption()
{
    return QCommandLineOption(siName(),
                              QStringLiteral("Condition sur un attribut des textes comptés, "
                                             "NOM=VALEUR ou NOM=DE..A (répétable)."),
                              QStringLiteral("CONDITION"));
}

bool textNumbers(const Context &context, std::set<qint64> *numbers, QString *message)
{
    for (const QString &given : context.parser.values(texteName())) {
        bool ok = false;
        const qint64 number = given.toLongLong(&ok);
        if (!ok) {
            *message = QStringLiteral("--texte attend le numéro d'un texte de l'analyse "
                                      "(« %1 » a été donné).")
                           .arg(given);
            return false;
        }
        numbers->insert(number);
    }
    return true;
}

std::optional<results::Condition> condition(Connection &db, const QString &given,
                                            const QString &path, QString *message)
{
    const int firstEqual = given.indexOf(QLatin1Char('='));
    if (firstEqual < 0) {
        *message = QStringLiteral("--si attend NOM=VALEUR ou NOM=DE..A (« %1 » a été donné).")
                       .arg(given);
        return std::nullopt;
    }
    for (int i = given.lastIndexOf(QLatin1Char('=')); i >= 0;
         i = i > 0 ? given.lastIndexOf(QLatin1Char('='), i - 1) : -1) {
        const std::optional<attributes::Attribute> found = attributes::find(db, given.left(i));
        if (!found)
            continue;
        const QString value = given.mid(i + 1).trimmed();
        const int dots = value.indexOf(QLatin1String(".."));
        if (dots >= 0 && attributes::kindOf(db, found->number) != attributes::Kind::Text)
            return results::Condition::between(found->number, found->name,
                                               value.left(dots).trimmed(),
                                               value.mid(dots + 2).trimmed());
        return results::Condition::equals(found->number, found->name, value);
    }
    *message = QStringLiteral("L'attribut « %1 » n'existe pas dans l'analyse « %2 ».")
                   .arg(given.left(firstEqual).trimmed(), path);
    return std::nullopt;
}

std::optional<results::Scope> scopeOf(const Context &context, Connection &db,
                                      const std::set<qint64> &numbers, const QString &path,
                                      QString *message)
{
    results::Scope scope = results::Scope::whole();
    if (!numbers.empty()) {
        std::set<qint64> known;
        // The store reads through the action's connection, which outlives it.
        coding::CodingStore store(std::shared_ptr<Connection>(&db, [](Connection *) {}));
        for (const coding::TextInfo &text : store.texts())
            known.insert(text.numero);
        for (qint64 number : numbers)
            if (!known.count(number)) {
                *message = QStringLiteral("Le texte n° %1 n'existe pas dans l'analyse « %2 ».")
                               .arg(number)
                               .arg(path);
                return std::nullopt;
            }
        scope = results::Scope::of(std::vector<qint64>(numbers.begin(), numbers.end()));
    }
    for (const QString &given : context.parser.values(siName())) {
        const std::optional<results::Condition> c = condition(db, given, path, message);
        if (!c)
            return std::nullopt;
        scope.conditions.push_back(*c);
    }
    return scope;
}

} // namespace cli
