#include "exchange/dictionaryfile.h"

#include "common/filecause.h"
#include "exchange/dictionarycsv.h"
#include "exchange/lexicoderdictionary.h"
#include "exchange/liwcdictionary.h"
#include "exchange/paragraphs.h"
#include "exchange/quantedayaml.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QSet>

#include <cerrno>
#include <memory>
#include <new>

namespace exchange {

namespace {

QString capitalized(QString text)
{
    if (!text.isEmpty())
        text[0] = text.at(0).toUpper();
    return text;
}

// Why a category name cannot be taken, empty when it can.
QString nameFault(const QString &name)
{
    if (name.isEmpty())
        return QStringLiteral("un nom de catégorie est vide.");
    if (name.contains(QLatin1Char('>')))
        return QStringLiteral("le nom de catégorie « %1 » contient « > », qui sépare une "
                              "catégorie de sa catégorie parente.")
            .arg(name);
    for (const QChar c : name)
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator
            || c == QChar::ParagraphSeparator)
            return QStringLiteral("le nom de catégorie « %1 » contient un saut de ligne ou un "
                                  "caractère de contrôle.")
                .arg(name.simplified());
    if (name.size() > 255)
        return QStringLiteral("le nom de catégorie « %1… » est trop long (255 caractères au "
                              "plus).")
            .arg(name.left(40));
    return QString();
}

QString entryKey(const words::DictionaryEntry &entry)
{
    return QString::number(int(entry.kind)) + QLatin1Char('\x1f') + entry.text;
}

} // namespace

QString dictionaryLineFault(int line, const QString &what)
{
    if (line <= 0)
        return capitalized(what);
    return QStringLiteral("Ligne %1 : %2").arg(line).arg(what);
}

QStringList dictionaryLines(const QString &text)
{
    QStringList lines;
    const qsizetype n = text.size();
    qsizetype from = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines << text.mid(from, i - from);
        if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        from = i + 1;
    }
    if (from < n)
        lines << text.mid(from);
    return lines;
}

QString parseDictionaryEntry(const QString &written, bool marks, words::DictionaryEntry *entry)
{
    QString s = written.trimmed();
    const QString shown = s;
    if (s.isEmpty())
        return QStringLiteral("une entrée est vide.");
    bool exclusion = false;
    if (marks && s.startsWith(QLatin1Char('-'))) {
        exclusion = true;
        s = s.mid(1).trimmed();
        if (s.isEmpty())
            return QStringLiteral("l'entrée « - » n'exclut aucun mot : le « - » doit précéder "
                                  "le mot exclu (« -économe »).");
    }
    if (s.size() >= 2 && s.startsWith(QLatin1Char('"')) && s.endsWith(QLatin1Char('"')))
        s = s.mid(1, s.size() - 2).trimmed();
    if (s.contains(QLatin1Char('"')))
        return QStringLiteral("l'entrée « %1 » contient un guillemet qui n'encadre pas toute "
                              "l'entrée.")
            .arg(shown);
    const QStringList parts = s.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return QStringLiteral("l'entrée « %1 » ne contient aucun mot.").arg(shown);
    for (const QString &word : parts) {
        for (const QChar c : word)
            if (c.category() == QChar::Other_Control)
                return QStringLiteral("l'entrée « %1 » contient un caractère de contrôle.")
                    .arg(shown.simplified());
        if (word == QLatin1String("*"))
            return QStringLiteral("l'entrée « %1 » a un « * » seul, qui compterait tous les "
                                  "mots.")
                .arg(shown);
        const qsizetype star = word.indexOf(QLatin1Char('*'));
        if (star >= 0 && star != word.size() - 1)
            return QStringLiteral("l'entrée « %1 » a un « * » ailleurs qu'à la fin d'un mot : "
                                  "seuls les préfixes (« économ* ») sont pris en charge.")
                .arg(shown);
    }
    words::DictionaryEntry made;
    made.exclusion = exclusion;
    if (parts.size() == 1) {
        const QString &word = parts.front();
        if (word.endsWith(QLatin1Char('*'))) {
            made.kind = words::DictionaryEntry::Kind::Prefix;
            made.text = word.chopped(1);
        } else {
            made.kind = words::DictionaryEntry::Kind::Word;
            made.text = word;
        }
    } else {
        made.kind = words::DictionaryEntry::Kind::Phrase;
        made.text = parts.join(QLatin1Char(' '));
    }
    *entry = made;
    return QString();
}

QString writtenDictionaryEntry(const words::DictionaryEntry &entry)
{
    QString body = entry.text;
    if (entry.kind == words::DictionaryEntry::Kind::Prefix)
        body += QLatin1Char('*');
    // Quoted when its start would read otherwise: a "-" as an exclusion, an
    // apostrophe before a formula's first character as a spreadsheet's.
    const bool apostrophe = body.size() > 1 && body.startsWith(QLatin1Char('\''))
        && QStringView(u"=+-@").contains(body.at(1));
    if (body.startsWith(QLatin1Char('-')) || apostrophe)
        body = QLatin1Char('"') + body + QLatin1Char('"');
    return entry.exclusion ? QLatin1Char('-') + body : body;
}

// --- The builder -----------------------------------------------------------

void DictionaryBuilder::count(int line)
{
    if (++m_count > DictionaryReader::kMaxEntries)
        throw ReadFailure(
            dictionaryLineFault(line,
                                QStringLiteral(
                                    "le dictionnaire a plus de %1 entrées et catégories : il est "
                                    "refusé plutôt que d'emplir la mémoire.")
                                    .arg(frenchNumber(DictionaryReader::kMaxEntries))));
}

int DictionaryBuilder::find(const QString &parent, const QString &name) const
{
    const words::DictionaryCategory probe{name, parent, {}};
    return m_byPath.value(probe.path(), -1);
}

int DictionaryBuilder::category(const QString &parentName, const QString &givenName, int line)
{
    const QString name = givenName.trimmed();
    const QString parent = parentName.trimmed();
    QString fault = nameFault(name);
    if (fault.isEmpty() && !parentName.isEmpty())
        fault = nameFault(parent);
    if (!fault.isEmpty())
        throw ReadFailure(dictionaryLineFault(line, fault));
    const int found = find(parent, name);
    if (found >= 0)
        return found;
    int top = -1;
    if (!parent.isEmpty())
        top = category(QString(), parent, line);
    count(line);
    Node node;
    node.category.name = name;
    node.category.parent = parent;
    const int index = int(m_nodes.size());
    m_byPath.insert(node.category.path(), index);
    m_nodes.push_back(std::move(node));
    if (top >= 0)
        m_nodes[size_t(top)].children.push_back(index);
    else
        m_tops.push_back(index);
    return index;
}

int DictionaryBuilder::categoryAt(const QString &path, int line)
{
    const QStringList parts = path.split(QLatin1Char('>'));
    if (parts.size() > 2)
        throw ReadFailure(
            dictionaryLineFault(line,
                                QStringLiteral(
                                    "la catégorie « %1 » a plus d'un niveau d'imbrication : "
                                    "seul « Parent > Enfant » est pris en charge.")
                                    .arg(path.trimmed())));
    if (parts.size() == 2) {
        if (parts.front().trimmed().isEmpty() || parts.back().trimmed().isEmpty())
            throw ReadFailure(
                dictionaryLineFault(line,
                                    QStringLiteral(
                                        "la catégorie « %1 » doit nommer sa catégorie parente et "
                                        "elle-même de part et d'autre de « > ».")
                                        .arg(path.trimmed())));
        return category(parts.front(), parts.back(), line);
    }
    return category(QString(), path, line);
}

void DictionaryBuilder::add(int category, const words::DictionaryEntry &entry, int line)
{
    Node &node = m_nodes.at(size_t(category));
    const QString key = entryKey(entry);
    const auto known = node.entries.constFind(key);
    if (known != node.entries.constEnd()) {
        if (*known == entry.exclusion)
            return;
        words::DictionaryEntry counted = entry;
        counted.exclusion = false;
        throw ReadFailure(
            dictionaryLineFault(line,
                                QStringLiteral(
                                    "la catégorie « %1 » compte et exclut à la fois « %2 ».")
                                    .arg(node.category.path(), writtenDictionaryEntry(counted))));
    }
    count(line);
    node.entries.insert(key, entry.exclusion);
    node.category.entries.push_back(entry);
}

words::Dictionary DictionaryBuilder::take()
{
    if (m_tops.empty())
        throw ReadFailure(QStringLiteral("Le fichier ne contient aucune catégorie."));
    words::Dictionary dictionary;
    dictionary.categories.reserve(m_nodes.size());
    for (int top : m_tops) {
        dictionary.categories.push_back(std::move(m_nodes[size_t(top)].category));
        for (int child : m_nodes[size_t(top)].children)
            dictionary.categories.push_back(std::move(m_nodes[size_t(child)].category));
    }
    m_nodes.clear();
    m_tops.clear();
    m_byPath.clear();
    m_count = 0;
    return dictionary;
}

QString dictionaryFault(const words::Dictionary &dictionary)
{
    // Built again through the readers' rules, it must come out the same.
    QSet<QString> childNames;
    for (const words::DictionaryCategory &c : dictionary.categories)
        if (!c.parent.isEmpty())
            childNames.insert(c.name);
    try {
        DictionaryBuilder builder;
        for (const words::DictionaryCategory &c : dictionary.categories) {
            if (!c.parent.isEmpty() && builder.find(QString(), c.parent) < 0
                && childNames.contains(c.parent))
                return QStringLiteral("La catégorie « %1 » est dans « %2 », elle-même dans une "
                                      "autre : un seul niveau d'imbrication est pris en charge.")
                    .arg(c.name, c.parent);
            if (!c.parent.isEmpty() && builder.find(QString(), c.parent) < 0)
                return QStringLiteral("La catégorie « %1 » précède sa catégorie parente.")
                    .arg(c.path());
            if (c.name != c.name.trimmed() || c.parent != c.parent.trimmed())
                return QStringLiteral("Le nom de la catégorie « %1 » commence ou finit par une "
                                      "espace.")
                    .arg(c.path().trimmed());
            if (builder.find(c.parent, c.name) >= 0)
                return QStringLiteral("La catégorie « %1 » est donnée deux fois.").arg(c.path());
            const int index = builder.category(c.parent, c.name, 0);
            for (const words::DictionaryEntry &e : c.entries) {
                words::DictionaryEntry back;
                const QString fault = parseDictionaryEntry(writtenDictionaryEntry(e), true, &back);
                if (!fault.isEmpty() || back != e)
                    return QStringLiteral("L'entrée « %1 » de la catégorie « %2 » ne peut pas "
                                          "s'écrire telle quelle%3")
                        .arg(e.text, c.path(),
                             fault.isEmpty() ? QStringLiteral(" (espaces ou « * » mal placés).")
                                             : QStringLiteral(" : ") + fault);
                builder.add(index, e, 0);
            }
        }
        if (dictionary.categories.empty())
            return QStringLiteral("Le dictionnaire ne contient aucune catégorie.");
        const words::Dictionary rebuilt = builder.take();
        for (size_t i = 0; i < rebuilt.categories.size(); ++i)
            if (rebuilt.categories[i] != dictionary.categories[i])
                return QStringLiteral("La catégorie « %1 » n'est pas à la suite de sa catégorie "
                                      "parente, ou répète une entrée.")
                    .arg(dictionary.categories[i].path());
    } catch (const ReadFailure &failure) {
        return failure.cause();
    }
    return QString();
}

// --- Reading ---------------------------------------------------------------

DictionaryReading DictionaryReader::read(const QByteArray &bytes) const
{
    DictionaryReading reading;
    if (bytes.size() > kMaxBytes) {
        reading.error = QStringLiteral("Le fichier est trop gros pour un dictionnaire (%1 Mo au "
                                       "plus).")
                            .arg(kMaxBytes >> 20);
        return reading;
    }
    try {
        QStringList notes;
        words::Dictionary dictionary = parse(decodeText(bytes), &notes);
        reading.dictionary = std::move(dictionary);
        reading.notes = notes;
    } catch (const ReadFailure &failure) {
        reading.error = failure.cause();
    } catch (const std::bad_alloc &) {
        reading.error = QStringLiteral("La mémoire a manqué pour lire le dictionnaire.");
    }
    return reading;
}

DictionaryReading DictionaryReader::readFile(const QString &path) const
{
    DictionaryReading reading;
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly)) {
        reading.error = QStringLiteral("Le fichier « %1 » n'a pas pu être ouvert : %2.")
                            .arg(path, filecause::fromFileError(file.error(), errno));
        return reading;
    }
    const auto tooBig = [&] {
        reading.error = QStringLiteral("Le fichier « %1 » est trop gros pour un dictionnaire "
                                       "(%2 Mo au plus).")
                            .arg(path)
                            .arg(kMaxBytes >> 20);
        return reading;
    };
    if (file.size() > kMaxBytes)
        return tooBig();
    errno = 0;
    const QByteArray bytes = file.read(kMaxBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        reading.error = QStringLiteral("Le fichier « %1 » n'a pas pu être lu : %2.")
                            .arg(path, filecause::fromFileError(file.error(), errno));
        return reading;
    }
    if (bytes.size() > kMaxBytes)
        return tooBig();
    reading = read(bytes);
    if (reading.dictionary) {
        reading.dictionary->name = QFileInfo(path).completeBaseName();
        reading.dictionary->source = path;
    }
    return reading;
}

DictionaryReading readDictionaryFile(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    std::unique_ptr<DictionaryReader> reader;
    if (suffix == QLatin1String("dic"))
        reader = std::make_unique<LiwcDictionary>();
    else if (suffix == QLatin1String("yml") || suffix == QLatin1String("yaml"))
        reader = std::make_unique<QuantedaYaml>();
    else if (suffix == QLatin1String("lc3") || suffix == QLatin1String("lcd"))
        reader = std::make_unique<LexicoderDictionary>();
    else if (suffix == QLatin1String("csv") || suffix == QLatin1String("txt"))
        reader = std::make_unique<DictionaryCsv>();
    if (!reader) {
        DictionaryReading reading;
        reading.error = QStringLiteral("Le fichier « %1 » n'est pas un dictionnaire que Telmira "
                                       "sait lire : les dictionnaires LIWC (.dic), quanteda "
                                       "(.yml, .yaml), Lexicoder (.lc3, .lcd) et les tableaux "
                                       "« catégorie ; entrée » (.csv, .txt) sont lus.")
                            .arg(QFileInfo(path).fileName());
        return reading;
    }
    return reader->readFile(path);
}

QString saveDictionaryBytes(const QByteArray &bytes, const QString &path)
{
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("Le fichier « %1 » n'a pas pu être créé : %2.")
            .arg(path, filecause::fromFileError(file.error(), errno));
    errno = 0;
    if (file.write(bytes) != bytes.size()) {
        const QString cause = filecause::fromFileError(file.error(), errno);
        file.cancelWriting();
        return QStringLiteral("Le fichier « %1 » n'a pas pu être écrit : %2.").arg(path, cause);
    }
    errno = 0;
    if (!file.commit())
        return QStringLiteral("Le fichier « %1 » n'a pas pu être enregistré : %2.")
            .arg(path, filecause::fromFileError(file.error(), errno));
    return QString();
}

} // namespace exchange
