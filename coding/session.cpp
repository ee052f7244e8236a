#include "coding/session.h"

#include "coding/coders.h"
#include "coding/filedialogs.h"
#include "coding/frmvarcomp.h"
#include "common/messages.h"
#include "store/codingstore.h"
#include "store/properties.h"
#include "store/storeerror.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>
#include <QWidget>

namespace coding {

Session::Session(std::unique_ptr<CodingStore> store, QObject *parent)
    : QObject(parent), m_store(std::move(store))
{
    try {
        m_coder = properties::value(m_store->connection(), properties::kCoder).value_or(QString());
    } catch (const StoreError &) {
        // Read again when asked: an unreadable name is no name.
    }
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

bool Session::setCoderName(const QString &name, QWidget *parent)
{
    const QString trimmed = name.trimmed();
    try {
        properties::setValue(m_store->connection(), properties::kCoder,
                             trimmed.isEmpty() ? QString() : trimmed);
    } catch (const StoreError &e) {
        messages::error(parent, QStringLiteral("Le nom du codeur n'a pas pu être enregistré.\n\n%1")
                                    .arg(e.message()));
        return false;
    }
    m_coder = trimmed;
    emit coderChanged(m_coder);
    return true;
}

void Session::askCoderName(QWidget *parent)
{
    if (const std::optional<QString> name = coders::askName(parent, m_coder))
        setCoderName(*name, parent);
}

void Session::askCoderIfNone(QWidget *parent)
{
    if (m_coder.isEmpty())
        askCoderName(parent);
}

QString Session::titled(const QString &title) const
{
    return m_coder.isEmpty() ? title : QStringLiteral("%1 - codeur : %2").arg(title, m_coder);
}

QAction *Session::makeCoderAction(QWidget *window)
{
    auto *action = new QAction(QStringLiteral("&Codeur..."), window);
    action->setObjectName(QStringLiteral("codeur"));
    connect(action, &QAction::triggered, window, [this, window] { askCoderName(window); });
    return action;
}

QAction *Session::makeCoderCopyAction(QMainWindow *window)
{
    auto *action = new QAction(QStringLiteral("Co&pie pour un codeur..."), window);
    action->setObjectName(QStringLiteral("copie_codeur"));
    connect(action, &QAction::triggered, window, [this, window] {
        frmCopieCodeur dialog(*this, window);
        if (dialog.exec() == QDialog::Accepted)
            window->statusBar()->showMessage(
                QStringLiteral("Copie faite : « %1 ».").arg(dialog.copyPath()), 8000);
    });
    return action;
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
