#include "exchange/liwcdictionary.h"

#include "exchange/paragraphs.h"

#include <QHash>
#include <QRegularExpression>

#include <map>

namespace exchange {

namespace {

[[noreturn]] void fail(int line, const QString &what)
{
    throw ReadFailure(dictionaryLineFault(line, what));
}

bool isNumber(const QString &token)
{
    if (token.isEmpty() || token.size() > 9)
        return false;
    for (const QChar c : token)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

bool isBlank(const QString &line)
{
    return line.trimmed().isEmpty();
}

struct Declared
{
    int number = 0;
    QString name;
    QString inParentheses; // "affect" of "posemo (affect)"
    int line = 0;
    int category = -1; // in the builder
};

} // namespace

words::Dictionary LiwcDictionary::parse(const QString &text, QStringList *notes) const
{
    const QStringList lines = dictionaryLines(text);
    const int count = int(lines.size());
    int at = 0;
    while (at < count && isBlank(lines.at(at)))
        ++at;
    if (at == count)
        throw ReadFailure(QStringLiteral("Le fichier est vide : un dictionnaire LIWC commence "
                                         "par une ligne « % »."));
    if (lines.at(at).trimmed() != QLatin1String("%"))
        fail(at + 1,
             QStringLiteral("un dictionnaire LIWC commence par une ligne « % », "
                            "« %1 » a été trouvé.")
                 .arg(lines.at(at).trimmed()));
    ++at;

    // The header.
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    std::vector<Declared> declared;
    std::map<int, size_t> byNumber;
    QHash<QString, size_t> byName;
    bool closed = false;
    for (; at < count; ++at) {
        const QString line = lines.at(at).trimmed();
        if (line.isEmpty())
            continue;
        if (line == QLatin1String("%")) {
            closed = true;
            ++at;
            break;
        }
        const qsizetype space = line.indexOf(blanks);
        const QString number = space < 0 ? line : line.left(space);
        if (!isNumber(number))
            fail(at + 1,
                 QStringLiteral("un numéro de catégorie était attendu en début de ligne, "
                                "« %1 » a été trouvé.")
                     .arg(number));
        Declared d;
        d.number = number.toInt();
        d.line = at + 1;
        d.name = space < 0 ? QString() : line.mid(space).simplified();
        if (d.name.isEmpty())
            fail(at + 1, QStringLiteral("la catégorie n° %1 n'a pas de nom.").arg(number));
        static const QRegularExpression parenthesised(
            QStringLiteral("^(.*\\S)\\s+\\(\\s*([^()]*\\S)\\s*\\)$"));
        const QRegularExpressionMatch m = parenthesised.match(d.name);
        if (m.hasMatch())
            d.inParentheses = m.captured(2);
        const auto known = byNumber.find(d.number);
        if (known != byNumber.end())
            fail(at + 1,
                 QStringLiteral("la catégorie n° %1 est déjà déclarée ligne %2.")
                     .arg(d.number)
                     .arg(declared[known->second].line));
        byNumber.emplace(d.number, declared.size());
        declared.push_back(d);
    }
    if (!closed)
        fail(count,
             QStringLiteral("la seconde ligne « % », qui clôt la liste des catégories, "
                            "manque."));
    // A name in parentheses that is another category's makes a child of it.
    for (Declared &d : declared) {
        if (d.inParentheses.isEmpty())
            continue;
        const QString bare = d.name.left(d.name.lastIndexOf(QLatin1Char('('))).trimmed();
        bool isNumberRef = isNumber(d.inParentheses);
        bool found = false;
        for (const Declared &other : declared) {
            if (&other == &d)
                continue;
            if (isNumberRef ? other.number == d.inParentheses.toInt()
                            : other.name == d.inParentheses) {
                found = true;
                break;
            }
        }
        if (!found) {
            d.inParentheses.clear();
            continue;
        }
        d.name = bare;
    }
    for (const Declared &d : declared) {
        const auto known = byName.constFind(d.name);
        if (known != byName.constEnd())
            fail(d.line,
                 QStringLiteral("la catégorie « %1 » est déjà déclarée ligne %2.")
                     .arg(d.name)
                     .arg(declared[*known].line));
        byName.insert(d.name, size_t(&d - declared.data()));
    }
    DictionaryBuilder builder;
    // Parents resolved by name or number.
    const auto parentName = [&](const Declared &d) -> QString {
        if (d.inParentheses.isEmpty())
            return QString();
        if (isNumber(d.inParentheses))
            return declared[byNumber.at(d.inParentheses.toInt())].name;
        return d.inParentheses;
    };
    for (Declared &d : declared) {
        const QString parent = parentName(d);
        if (!parent.isEmpty()) {
            const auto known = byName.constFind(parent);
            if (known == byName.constEnd())
                continue;
            const Declared &p = declared[*known];
            if (!parentName(p).isEmpty())
                fail(d.line,
                     QStringLiteral("la catégorie « %1 » est dans « %2 », elle-même dans "
                                    "une autre : un seul niveau d'imbrication est pris "
                                    "en charge.")
                         .arg(d.name, parent));
        }
    }
    for (Declared &d : declared)
        d.category = builder.category(parentName(d), d.name, d.line);

    // The entries.
    static const QRegularExpression rule(
        QStringLiteral("\\S*\\([^)]*\\)\\S*|\\S*<[^>]*>\\S*|\\S*/\\S*"));
    for (; at < count; ++at) {
        const QString line = lines.at(at);
        if (isBlank(line))
            continue;
        const int lineNumber = at + 1;
        QString written;
        QString numbers;
        const qsizetype tab = line.indexOf(QLatin1Char('\t'));
        const bool tabbed = tab >= 0 && !line.left(tab).trimmed().isEmpty();
        if (tabbed) {
            written = line.left(tab).trimmed();
            numbers = line.mid(tab + 1);
        } else {
            const QStringList tokens = line.split(blanks, Qt::SkipEmptyParts);
            qsizetype first = 0;
            while (first < tokens.size() && !isNumber(tokens.at(first)))
                ++first;
            written = tokens.mid(0, first).join(QLatin1Char(' '));
            numbers = tokens.mid(first).join(QLatin1Char(' '));
            if (written.isEmpty())
                fail(lineNumber,
                     QStringLiteral("une entrée était attendue avant les numéros de "
                                    "catégorie, « %1 » a été trouvé.")
                         .arg(line.trimmed()));
        }
        if (written == QLatin1String("%"))
            fail(lineNumber,
                 QStringLiteral("une troisième ligne « % » : les catégories sont "
                                "déclarées une seule fois, en tête du fichier."));
        words::DictionaryEntry entry;
        const QString fault = parseDictionaryEntry(written, false, &entry);
        if (!fault.isEmpty())
            fail(lineNumber, fault);
        QString plain = numbers;
        const bool ruled = plain.contains(QLatin1Char('(')) || plain.contains(QLatin1Char('<'))
            || plain.contains(QLatin1Char('/'));
        if (ruled)
            plain.replace(rule, QStringLiteral(" "));
        const QStringList tokens = plain.split(blanks, Qt::SkipEmptyParts);
        std::vector<int> categories;
        for (const QString &token : tokens) {
            if (!isNumber(token)) {
                if (ruled)
                    continue;
                fail(lineNumber,
                     QStringLiteral("un numéro de catégorie était attendu %1, « %2 » a "
                                    "été trouvé.")
                         .arg(tabbed ? QStringLiteral("après la tabulation")
                                     : QStringLiteral("après l'entrée"),
                              token));
            }
            const auto known = byNumber.find(token.toInt());
            if (known == byNumber.end())
                fail(lineNumber,
                     QStringLiteral("la catégorie n° %1 de « %2 » n'est pas déclarée "
                                    "en tête du fichier.")
                         .arg(token, written));
            categories.push_back(declared[known->second].category);
        }
        if (ruled)
            notes->append(dictionaryLineFault(
                lineNumber,
                QStringLiteral("les catégories de « %1 » selon le contexte (« %2 ») ne "
                               "sont pas prises en charge : %3.")
                    .arg(written, numbers.simplified(),
                         categories.empty() ? QStringLiteral("l'entrée est laissée de côté")
                                            : QStringLiteral("seules ses catégories sans condition "
                                                             "sont retenues"))));
        if (categories.empty()) {
            if (ruled)
                continue;
            fail(lineNumber,
                 QStringLiteral("l'entrée « %1 » n'a aucun numéro de catégorie.").arg(written));
        }
        for (int c : categories)
            builder.add(c, entry, lineNumber);
    }
    return builder.take();
}

} // namespace exchange
