#include "coding/session.h"

#include "coding/frmvarcomp.h"
#include "common/messages.h"
#include "store/codingstore.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

namespace coding {

Session::Session(std::unique_ptr<CodingStore> store, QObject *parent)
    : QObject(parent), m_store(std::move(store))
{
}

Session::~Session() = default;

QString Session::databasePath() const
{
    return m_store->path();
}

void Session::setCommaSeparator(bool comma)
{
    if (m_comma == comma)
        return;
    m_comma = comma;
    emit commaSeparatorChanged(comma);
}

void Session::editList(int list, QWidget *parent)
{
    {
        frmVarComp window(list, *this, parent);
        if (window.Form_Load())
            window.exec();
    }
    // A variable deleted takes its coding rows with it.
    emit listsChanged();
}

QMenu *Session::makeListsMenu(QWidget *window)
{
    auto *menu = new QMenu(QStringLiteral("&Listes"), window);
    menu->setObjectName(QStringLiteral("listes"));
    for (int k = 1; k <= kLists; ++k) {
        auto *action = new QAction(
            QStringLiteral("&%1 - %2 (var_comp_0%1)...").arg(k).arg(frmVarComp::listTitle(k)),
            menu);
        action->setObjectName(QStringLiteral("editer_var_comp_0%1").arg(k));
        connect(action, &QAction::triggered, window, [this, k, window] { editList(k, window); });
        menu->addAction(action);
    }
    return menu;
}

} // namespace coding
