#include "coding/session.h"

#include "coding/coders.h"
#include "coding/filedialogs.h"
#include "coding/frmresultats.h"
#include "coding/frmvarcomp.h"
#include "coding/history.h"
#include "common/messages.h"
#include "store/codebookstore.h"
#include "store/codingstore.h"
#include "store/properties.h"
#include "store/storeerror.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>
#include <QWidget>

namespace coding {

Session::Session(std::unique_ptr<CodingStore> store, QObject *parent)
    : QObject(parent), m_store(std::move(store)),
      m_history(new History(m_store->connection(), this))
{
    // A step undone or redone may touch any list and any segment's rows.
    connect(m_history, &History::replayed, this, &Session::listsChanged);
    try {
        m_coder = properties::value(m_store->connection(), properties::kCoder).value_or(QString());
    } catch (const StoreError &) {
        // Read again when asked: an unreadable name is no name.
    }
}

Session::~Session()
{
    delete m_results; // it reads through this session
}

QString Session::databasePath() const
{
    return m_store->path();
}

std::array<QString, 5> Session::listNames()
{
    return codebook::listNames(m_store->connection());
}

std::map<qint64, QString> Session::definitions(int list)
{
    return codebook::definitions(m_store->connection(), list);
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
    QList<QAction *> actions;
    for (int k = 1; k <= kLists; ++k) {
        auto *action = new QAction(menu);
        action->setObjectName(QStringLiteral("editer_var_comp_0%1").arg(k));
        connect(action, &QAction::triggered, window, [this, k, window] { editList(k, window); });
        menu->addAction(action);
        actions << action;
    }
    // The items carry the lists' names, renamed or not.
    auto follow = [this, actions] {
        std::array<QString, 5> names;
        try {
            names = listNames();
        } catch (const StoreError &) {
            for (int k = 1; k <= kLists; ++k)
                names[size_t(k - 1)] = codebook::defaultListName(k);
        }
        for (int k = 1; k <= kLists; ++k)
            actions.at(k - 1)->setText(QStringLiteral("&%1 - %2 (var_comp_0%1)...")
                                           .arg(QString::number(k), names[size_t(k - 1)]));
    };
    follow();
    connect(this, &Session::listsChanged, menu, follow);
    return menu;
}

QMenu *Session::makeEditMenu(QWidget *window)
{
    auto *menu = new QMenu(QStringLiteral("&Édition"), window);
    menu->setObjectName(QStringLiteral("edition"));
    auto *annuler = new QAction(window);
    annuler->setObjectName(QStringLiteral("annuler"));
    annuler->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    auto *retablir = new QAction(window);
    retablir->setObjectName(QStringLiteral("retablir"));
    retablir->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    for (QAction *a : {annuler, retablir}) {
        a->setShortcutContext(Qt::WindowShortcut);
        menu->addAction(a);
        window->addAction(a);
    }
    auto follow = [this, annuler, retablir] {
        annuler->setText(m_history->undoText());
        annuler->setEnabled(m_history->canUndo());
        retablir->setText(m_history->redoText());
        retablir->setEnabled(m_history->canRedo());
    };
    follow();
    connect(m_history, &History::stepsChanged, menu, follow);
    auto replay = [window](auto step) {
        try {
            // A step of many rows takes a moment: the pointer says so.
            QApplication::setOverrideCursor(Qt::WaitCursor);
            QString done;
            try {
                done = step();
            } catch (...) {
                QApplication::restoreOverrideCursor();
                throw;
            }
            QApplication::restoreOverrideCursor();
            if (auto *main = qobject_cast<QMainWindow *>(window))
                main->statusBar()->showMessage(done, 8000);
        } catch (const StoreError &e) {
            messages::error(window, e.message());
        }
    };
    connect(annuler, &QAction::triggered, window,
            [this, replay] { replay([this] { return m_history->undo(); }); });
    connect(retablir, &QAction::triggered, window,
            [this, replay] { replay([this] { return m_history->redo(); }); });
    return menu;
}

frmResultats *Session::openResults()
{
    if (!m_results) {
        auto *window = new frmResultats(*this);
        window->setAttribute(Qt::WA_DeleteOnClose);
        if (!window->Form_Load()) {
            delete window;
            return nullptr;
        }
        m_results = window;
    }
    m_results->show();
    m_results->raise();
    m_results->activateWindow();
    return m_results;
}

QAction *Session::makeResultsAction(QWidget *window)
{
    auto *action = new QAction(QStringLiteral("&Résultats..."), window);
    action->setObjectName(QStringLiteral("resultats"));
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, [this] { openResults(); });
    return action;
}

} // namespace coding
