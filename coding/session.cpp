#include "coding/session.h"

#include "coding/coders.h"
#include "coding/csvexport.h"
#include "coding/filedialogs.h"
#include "coding/frmvarcomp.h"
#include "common/messages.h"
#include "store/codingstore.h"
#include "store/properties.h"
#include "store/storeerror.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenu>
#include <QProgressDialog>
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

QString Session::exportCsv(QWidget *parent)
{
    const QFileInfo db(databasePath());
    const QString suggested = db.dir().filePath(db.completeBaseName() + QStringLiteral(".csv"));
    const QString file = dialogs::saveCsv(parent, suggested);
    if (file.isEmpty())
        return QString();
    // The same file under any name (a link to it too) would be replaced.
    const QString canonical = db.canonicalFilePath();
    if (!canonical.isEmpty() && QFileInfo(file).canonicalFilePath() == canonical) {
        messages::error(parent, QStringLiteral("Le codage ne peut pas être exporté dans la base "
                                               "d'analyse « %1 » elle-même.")
                                    .arg(file));
        return QString();
    }

    QProgressDialog progress(QStringLiteral("Exportation du codage..."),
                             QStringLiteral("Annuler"), 0, 100, parent);
    progress.setObjectName(QStringLiteral("progression"));
    progress.setWindowTitle(QStringLiteral("Analyse de contenu"));
    // Nothing else of the program runs meanwhile (the rows are being read).
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(500);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const ExportOutcome outcome = coding::exportCsv(
        *m_store, file, m_comma ? QLatin1Char(',') : QLatin1Char(';'),
        [&](qint64 done, qint64 total) {
            const int max = total > 0 ? 1000 : 1;
            progress.setMaximum(max);
            progress.setValue(total > 0 ? int(done * 1000 / total) : 0);
            return !progress.wasCanceled();
        });
    QApplication::restoreOverrideCursor();
    progress.close();

    switch (outcome.status) {
    case ExportOutcome::Done:
        return QStringLiteral("Codage exporté : %1 lignes, %2 segments, dans « %3 ».")
            .arg(outcome.records)
            .arg(outcome.segments)
            .arg(file);
    case ExportOutcome::Cancelled:
        return QStringLiteral("Exportation annulée : le fichier « %1 » n'a pas été écrit.")
            .arg(file);
    case ExportOutcome::Failed:
        break;
    }
    messages::error(parent, outcome.message);
    return QString();
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

QAction *Session::makeExportAction(QMainWindow *window)
{
    auto *action = new QAction(QStringLiteral("&Exporter le codage en CSV..."), window);
    action->setObjectName(QStringLiteral("exporter"));
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, window, [this, window] {
        const QString done = exportCsv(window);
        if (!done.isEmpty())
            window->statusBar()->showMessage(done, 8000);
    });
    return action;
}

QAction *Session::makeCommaAction(QWidget *window)
{
    auto *action = new QAction(QStringLiteral("Séparateur &virgule (au lieu du point-virgule)"),
                               window);
    action->setObjectName(QStringLiteral("virgule"));
    action->setCheckable(true);
    action->setChecked(m_comma);
    connect(action, &QAction::toggled, this, &Session::setCommaSeparator);
    connect(this, &Session::commaSeparatorChanged, action, &QAction::setChecked);
    return action;
}

} // namespace coding
