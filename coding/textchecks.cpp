#include "coding/textchecks.h"

#include <QListWidget>

#include <map>

namespace coding {

void refillTextChecks(QListWidget *list, const std::vector<attributes::Text> &texts)
{
    std::map<qint64, bool> marks;
    for (int i = 0; i < list->count(); ++i)
        marks[list->item(i)->data(Qt::UserRole).toLongLong()] =
            list->item(i)->checkState() == Qt::Checked;
    list->clear();
    for (const attributes::Text &t : texts) {
        auto *item = new QListWidgetItem(
            QStringLiteral("%1 - %2").arg(t.number).arg(attributes::fileName(t.path)), list);
        item->setData(Qt::UserRole, t.number);
        item->setToolTip(t.path);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        const auto found = marks.find(t.number);
        item->setCheckState(found == marks.end() || found->second ? Qt::Checked : Qt::Unchecked);
    }
}

void refillTextChecks(QListWidget *list, const std::vector<TextInfo> &texts)
{
    std::vector<attributes::Text> named;
    named.reserve(texts.size());
    for (const TextInfo &t : texts)
        named.push_back({t.numero, t.chemin});
    refillTextChecks(list, named);
}

void checkAllTexts(QListWidget *list, bool on)
{
    for (int i = 0; i < list->count(); ++i)
        list->item(i)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

results::Scope checkedTexts(const QListWidget *list)
{
    std::vector<qint64> chosen;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->checkState() == Qt::Checked)
            chosen.push_back(list->item(i)->data(Qt::UserRole).toLongLong());
    if (int(chosen.size()) == list->count())
        return results::Scope::whole();
    return results::Scope::of(chosen);
}

} // namespace coding
