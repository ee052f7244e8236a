#include "analysis/textattributes.h"

#include "store/attributestore.h"

namespace textattributes {

void Writer::set(qint64 text, const QString &name, const QString &value, bool overwrite)
{
    const QString key = name.trimmed().toCaseFolded();
    auto found = m_numbers.constFind(key);
    if (found == m_numbers.constEnd()) {
        const std::optional<attributes::Attribute> existing = attributes::find(m_db, name);
        found = m_numbers.insert(key, existing ? existing->number : attributes::add(m_db, name));
    }
    if (!overwrite && attributes::value(m_db, *found, text))
        return;
    attributes::setValue(m_db, *found, text, value);
}

QString fitted(const QString &value)
{
    QString v = value;
    for (QChar &c : v)
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    v = v.simplified();
    if (v.size() > attributes::kMaxValueLength) {
        qsizetype cut = attributes::kMaxValueLength;
        if (v.at(cut - 1).isHighSurrogate())
            --cut;
        v = v.left(cut).trimmed();
    }
    return v;
}

} // namespace textattributes
