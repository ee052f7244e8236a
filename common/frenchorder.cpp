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
