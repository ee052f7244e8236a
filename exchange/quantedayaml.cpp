#include "exchange/quantedayaml.h"

#include "exchange/paragraphs.h"

#include <QSet>

#include <yaml-cpp/eventhandler.h>
#include <yaml-cpp/yaml.h>

#include <map>
#include <sstream>
#include <string>

namespace exchange {

namespace {

int lineOf(const YAML::Node &node)
{
    return node.Mark().is_null() ? 0 : node.Mark().line + 1;
}

[[noreturn]] void fail(const YAML::Node &node, const QString &what)
{
    throw ReadFailure(dictionaryLineFault(lineOf(node), what));
}

QString textOf(const YAML::Node &scalar)
{
    return QString::fromStdString(scalar.Scalar());
}

QString keyName(const YAML::Node &key)
{
    if (key.IsNull())
        fail(key,
             QStringLiteral("une catégorie n'a pas de nom (un nom « null » ou « ~ » "
                            "s'écrit entre guillemets)."));
    if (!key.IsScalar())
        fail(key,
             QStringLiteral("un nom de catégorie était attendu comme clé, une liste ou une "
                            "table a été trouvée."));
    return textOf(key).trimmed();
}

// Counts the scalars the documents hold once their aliases are expanded
// ("*list" stands for every scalar of the list it names), without building
// them: a few hundred bytes of aliases can stand for billions of entries.
class ScalarCounter : public YAML::EventHandler
{
public:
    static constexpr qint64 kCeiling = DictionaryReader::kMaxEntries + 1;

    qint64 total() const { return m_total; }

    void OnDocumentStart(const YAML::Mark &) override { }
    void OnDocumentEnd() override { }
    void OnNull(const YAML::Mark &, YAML::anchor_t anchor) override { leaf(anchor); }
    void OnAlias(const YAML::Mark &, YAML::anchor_t anchor) override
    {
        const auto known = m_anchors.find(anchor);
        add(known == m_anchors.end() ? 1 : known->second);
    }
    void OnScalar(const YAML::Mark &, const std::string &, YAML::anchor_t anchor,
                  const std::string &) override
    {
        leaf(anchor);
    }
    void OnSequenceStart(const YAML::Mark &, const std::string &, YAML::anchor_t anchor,
                         YAML::EmitterStyle::value) override
    {
        m_open.push_back({anchor, 0});
    }
    void OnSequenceEnd() override { close(); }
    void OnMapStart(const YAML::Mark &, const std::string &, YAML::anchor_t anchor,
                    YAML::EmitterStyle::value) override
    {
        m_open.push_back({anchor, 0});
    }
    void OnMapEnd() override { close(); }

private:
    void leaf(YAML::anchor_t anchor)
    {
        if (anchor != YAML::NullAnchor)
            m_anchors[anchor] = 1;
        add(1);
    }
    void add(qint64 n)
    {
        qint64 &to = m_open.empty() ? m_total : m_open.back().second;
        to = std::min(kCeiling, to + n);
        if (!m_open.empty())
            m_total = std::min(kCeiling, m_total + n);
    }
    void close()
    {
        if (m_open.empty())
            return;
        const auto [anchor, count] = m_open.back();
        m_open.pop_back();
        if (anchor != YAML::NullAnchor)
            m_anchors[anchor] = count;
        if (!m_open.empty())
            m_open.back().second = std::min(kCeiling, m_open.back().second + count);
    }

    std::vector<std::pair<YAML::anchor_t, qint64>> m_open;
    std::map<YAML::anchor_t, qint64> m_anchors;
    qint64 m_total = 0;
};

class Reading
{
public:
    DictionaryBuilder builder;

    void topLevel(const YAML::Node &root)
    {
        if (!root.IsMap())
            fail(root,
                 QStringLiteral("une table de catégories (« nom: » suivi de ses entrées) "
                                "était attendue."));
        QSet<QString> seen;
        for (const auto &pair : root) {
            const QString name = keyName(pair.first);
            once(&seen, name, pair.first);
            const int category = builder.category(QString(), name, lineOf(pair.first));
            const YAML::Node &value = pair.second;
            if (value.IsMap()) {
                children(name, value);
            } else if (value.IsSequence()) {
                QSet<QString> seenChildren;
                for (const YAML::Node &item : value) {
                    if (item.IsMap()) {
                        for (const auto &child : item) {
                            const QString childName = keyName(child.first);
                            once(&seenChildren, childName, child.first);
                            nested(name, childName, child.first, child.second);
                        }
                    } else {
                        entry(category, item, name);
                    }
                }
            } else {
                entries(category, value, name);
            }
        }
    }

private:
    void once(QSet<QString> *seen, const QString &name, const YAML::Node &key)
    {
        if (seen->contains(name))
            fail(key, QStringLiteral("la catégorie « %1 » est donnée deux fois.").arg(name));
        seen->insert(name);
    }

    void children(const QString &parent, const YAML::Node &map)
    {
        QSet<QString> seen;
        for (const auto &pair : map) {
            const QString name = keyName(pair.first);
            once(&seen, name, pair.first);
            nested(parent, name, pair.first, pair.second);
        }
    }

    void nested(const QString &parent, const QString &name, const YAML::Node &key,
                const YAML::Node &value)
    {
        const int category = builder.category(parent, name, lineOf(key));
        const QString path = parent + QStringLiteral(" > ") + name;
        if (value.IsMap())
            fail(key,
                 QStringLiteral("la catégorie « %1 » contient d'autres catégories : un seul "
                                "niveau d'imbrication est pris en charge.")
                     .arg(path));
        if (value.IsSequence()) {
            for (const YAML::Node &item : value) {
                if (item.IsMap())
                    fail(item,
                         QStringLiteral("la catégorie « %1 » contient d'autres "
                                        "catégories : un seul niveau d'imbrication est "
                                        "pris en charge.")
                             .arg(path));
                entry(category, item, path);
            }
        } else {
            entries(category, value, path);
        }
    }

    // A value that is not a map: a list, one entry, or nothing.
    void entries(int category, const YAML::Node &value, const QString &path)
    {
        if (!value.IsDefined() || value.IsNull())
            return;
        if (value.IsSequence()) {
            for (const YAML::Node &item : value)
                entry(category, item, path);
            return;
        }
        entry(category, value, path);
    }

    void entry(int category, const YAML::Node &item, const QString &path)
    {
        if (item.IsSequence())
            fail(item,
                 QStringLiteral("une entrée de « %1 » est une liste : une entrée est un "
                                "mot, un préfixe ou une expression.")
                     .arg(path));
        if (item.IsMap())
            fail(item,
                 QStringLiteral("une entrée de « %1 » est une table : une entrée est un "
                                "mot, un préfixe ou une expression.")
                     .arg(path));
        if (!item.IsScalar())
            fail(item,
                 QStringLiteral("une entrée de « %1 » est vide (un mot « null » ou « ~ » "
                                "s'écrit entre guillemets).")
                     .arg(path));
        const QString written = textOf(item);
        if (written.contains(QLatin1Char('?')))
            fail(item,
                 QStringLiteral("l'entrée « %1 » contient « ? » : seuls les préfixes "
                                "(« économ* ») sont pris en charge.")
                     .arg(written.trimmed()));
        words::DictionaryEntry made;
        const QString fault = parseDictionaryEntry(written, true, &made);
        if (!fault.isEmpty())
            fail(item, fault);
        builder.add(category, made, lineOf(item));
    }
};

std::string utf8(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), size_t(bytes.size()));
}

// The scalar as written; quoted when YAML would read it as something else
// than this text (null, a boolean) or the emitter would not otherwise.
void put(YAML::Emitter &out, const QString &text)
{
    static const QSet<QString> special{QStringLiteral("~"),    QStringLiteral("null"),
                                       QStringLiteral("y"),    QStringLiteral("yes"),
                                       QStringLiteral("n"),    QStringLiteral("no"),
                                       QStringLiteral("true"), QStringLiteral("false"),
                                       QStringLiteral("on"),   QStringLiteral("off")};
    if (special.contains(text.toLower()))
        out << YAML::DoubleQuoted;
    out << utf8(text);
}

void emitEntries(YAML::Emitter &out, const words::DictionaryCategory &category)
{
    for (const words::DictionaryEntry &e : category.entries)
        put(out, writtenDictionaryEntry(e));
}

} // namespace

words::Dictionary QuantedaYaml::parse(const QString &text, QStringList *notes) const
{
    Q_UNUSED(notes);
    std::vector<YAML::Node> documents;
    const std::string bytes = utf8(text);
    try {
        std::istringstream stream(bytes);
        YAML::Parser parser(stream);
        ScalarCounter counter;
        while (parser.HandleNextDocument(counter) && counter.total() < ScalarCounter::kCeiling) { }
        if (counter.total() >= ScalarCounter::kCeiling)
            throw ReadFailure(QStringLiteral("Le dictionnaire a plus de %1 entrées et catégories "
                                             "(ses alias comptés) : il est refusé plutôt que "
                                             "d'emplir la mémoire.")
                                  .arg(frenchNumber(DictionaryReader::kMaxEntries)));
        documents = YAML::LoadAll(bytes);
    } catch (const YAML::Exception &e) {
        if (e.mark.is_null())
            throw ReadFailure(QStringLiteral("Le texte n'est pas du YAML bien formé."));
        throw ReadFailure(QStringLiteral("Ligne %1, colonne %2 : le texte n'est pas du YAML bien "
                                         "formé.")
                              .arg(e.mark.line + 1)
                              .arg(e.mark.column + 1));
    }
    if (documents.size() > 1)
        throw ReadFailure(
            dictionaryLineFault(lineOf(documents[1]),
                                QStringLiteral("le fichier contient plusieurs documents YAML : "
                                               "un dictionnaire en est un seul.")));
    Reading reading;
    try {
        if (!documents.empty() && !documents.front().IsNull())
            reading.topLevel(documents.front());
    } catch (const YAML::Exception &e) {
        const int line = e.mark.is_null() ? 0 : e.mark.line + 1;
        throw ReadFailure(
            dictionaryLineFault(line,
                                QStringLiteral(
                                    "le YAML n'a pas pu être lu comme un dictionnaire.")));
    }
    return reading.builder.take();
}

DictionaryWriting QuantedaYaml::write(const words::Dictionary &dictionary)
{
    DictionaryWriting writing;
    writing.error = dictionaryFault(dictionary);
    if (!writing.ok())
        return writing;
    for (const words::DictionaryCategory &c : dictionary.categories)
        for (const words::DictionaryEntry &e : c.entries)
            if (e.text.contains(QLatin1Char('?'))) {
                writing.error = QStringLiteral("L'entrée « %1 » de la catégorie « %2 » contient "
                                               "« ? », un joker dans le YAML de quanteda : elle "
                                               "ne peut pas s'y écrire.")
                                    .arg(e.text, c.path());
                return writing;
            }
    YAML::Emitter out;
    out.SetIndent(2);
    out << YAML::BeginMap;
    const auto &all = dictionary.categories;
    for (size_t i = 0; i < all.size();) {
        const words::DictionaryCategory &top = all[i];
        size_t end = i + 1;
        while (end < all.size() && all[end].parent == top.name)
            ++end;
        out << YAML::Key;
        put(out, top.name);
        out << YAML::Value;
        if (end == i + 1) {
            if (top.entries.empty())
                out << YAML::Flow;
            out << YAML::BeginSeq;
            emitEntries(out, top);
            out << YAML::EndSeq;
        } else {
            const bool own = !top.entries.empty();
            if (own) {
                out << YAML::BeginSeq;
                emitEntries(out, top);
            } else {
                out << YAML::BeginMap;
            }
            for (size_t c = i + 1; c < end; ++c) {
                if (own)
                    out << YAML::BeginMap;
                out << YAML::Key;
                put(out, all[c].name);
                out << YAML::Value;
                if (all[c].entries.empty())
                    out << YAML::Flow;
                out << YAML::BeginSeq;
                emitEntries(out, all[c]);
                out << YAML::EndSeq;
                if (own)
                    out << YAML::EndMap;
            }
            out << (own ? YAML::EndSeq : YAML::EndMap);
        }
        i = end;
    }
    out << YAML::EndMap;
    if (!out.good()) {
        writing.error = QStringLiteral("Le dictionnaire n'a pas pu être écrit en YAML.");
        return writing;
    }
    writing.bytes = QByteArray(out.c_str(), qsizetype(out.size()));
    writing.bytes += '\n';
    return writing;
}

QString QuantedaYaml::writeFile(const words::Dictionary &dictionary, const QString &path)
{
    const DictionaryWriting writing = write(dictionary);
    if (!writing.ok())
        return writing.error;
    return saveDictionaryBytes(writing.bytes, path);
}

} // namespace exchange
