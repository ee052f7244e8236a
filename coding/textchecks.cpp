#include "coding/textchecks.h"

#include <QFileInfo>
#include <QListWidget>

#include <map>

namespace coding {

void refillTextChecks(QListWidget *list, const std::vector<TextInfo> &texts)
{
    std::map<qint64, bool> marks;
    for (int i = 0; i < list->count(); ++i)
        marks[list->item(i)->data(Qt::UserRole).toLongLong()] =
            list->item(i)->checkState() == Qt::Checked;
    list->clear();
    for (const TextInfo &t : texts) {
        auto *item = new QListWidgetItem(
            QStringLiteral("%1 - %2").arg(t.numero).arg(QFileInfo(t.chemin).fileName()), list);
        item->setData(Qt::UserRole, t.numero);
        item->setToolTip(t.chemin);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        const auto found = marks.find(t.numero);
        item->setCheckState(found == marks.end() || found->second ? Qt::Checked : Qt::Unchecked);
    }
}

} // namespace coding
