#include "common/frenchorder.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QLocale>

#include <algorithm>

namespace french {

QString frenchBase(const QString &text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString base;
    base.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.isMark())
            continue; // the accent of the letter before
        switch (c.unicode()) {
        case 0x0152: // Œ
        case 0x0153: // œ
            base += QStringLiteral("oe");
            break;
        case 0x00C6: // Æ
        case 0x00E6: // æ
            base += QStringLiteral("ae");
            break;
        case 0x00DF: // ß
            base += QStringLiteral("ss");
            break;
        default:
            base += c.toLower();
        }
    }
    return base;
}

int typedValue(const QStringList &values, const QString &typed, int current)
{
    const QString key = frenchBase(typed);
    if (key.isEmpty())
        return -1;
    int folded = -1;
    int prefix = -1;
    for (int i = 0; i < values.size(); ++i) {
        const QString &value = values.at(i);
        if (value.compare(typed, Qt::CaseInsensitive) == 0)
            return i;
        if (folded >= 0)
            continue;
        const QString base = frenchBase(value);
        if (base == key)
            folded = i;
        else if (prefix < 0 && base.startsWith(key))
            prefix = i;
    }
    if (folded >= 0)
        return folded;
    if (prefix >= 0)
        return prefix;
    // One letter typed again and again: the values that start with it in turn.
    const int count = int(values.size());
    if (key.size() > 1 && key.count(key.at(0)) == key.size() && count > 0) {
        const QString letter(key.at(0));
        const int from = current >= 0 && current < count ? current : count - 1;
        for (int step = 1; step <= count; ++step) {
            const int i = (from + step) % count;
            if (frenchBase(values.at(i)).startsWith(letter))
                return i;
        }
    }
    return -1;
}

void sortFrench(std::vector<OrderedValue> &values)
{
    QCollator collator(QLocale(QLocale::French, QLocale::France));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    struct Keyed {
        QCollatorSortKey key;
        OrderedValue value;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(values.size());
    for (OrderedValue &v : values)
        keyed.push_back(Keyed{collator.sortKey(frenchBase(v.text)), std::move(v)});
    std::sort(keyed.begin(), keyed.end(), [](const Keyed &a, const Keyed &b) {
        const int c = a.key.compare(b.key);
        return c != 0 ? c < 0 : a.value.numero < b.value.numero;
    });
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = std::move(keyed[i].value);
}

} // namespace french
