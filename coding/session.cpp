#include "coding/session.h"

#include "coding/coders.h"
#include "coding/filedialogs.h"
#include "coding/frmrecherche.h"
#include "coding/frmvocabulaire.h"
#include "coding/frmresultats.h"
#include "coding/frmsuggestions.h"
#include "coding/suggester.h"
#include "coding/frmvarcomp.h"
#include "exchange/codebookimport.h"
#include "store/liststore.h"
#include "store/history.h"
#include "common/messages.h"
#include "store/backup.h"
#include "store/codebookstore.h"
#include "store/codingstore.h"
#include "store/connection.h"
#include "store/properties.h"
#include "store/schemaversion.h"
#include "store/storeerror.h"

#include <QAction>
#include <QApplication>
#include <QCryptographicHash>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QMainWindow>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

namespace coding {

Session::Session(std::unique_ptr<CodingStore> store, QObject *parent)
    : QObject(parent), m_store(std::move(store)),
      m_history(new History(m_store->connection(), this)),
      m_settings(std::make_unique<QSettings>())
{
    // One switch makes every window read-only: the history's.
    m_history->setReadOnly(m_store->readOnly());
    // An analysis replaced or deleted while open is noticed within two
    // seconds, and whenever the program comes back to the front.
    auto *watch = new QTimer(this);
    watch->setObjectName(QStringLiteral("surveillance_fichier"));
    watch->setInterval(2000);
    connect(watch, &QTimer::timeout, this, [this] { checkFile(QApplication::activeWindow()); });
    watch->start();
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state == Qt::ApplicationActive)
                    checkFile(QApplication::activeWindow());
            });
    // A step undone or redone may touch any list and any segment's rows.
    connect(m_history, &History::replayed, this, &Session::listsChanged);
    m_suggester = new Suggester(*this, this);
    try {
        m_coder = properties::value(m_store->connection(), properties::kCoder).value_or(QString());
    } catch (const StoreError &) {
        // Read again when asked: an unreadable name is no name.
    }
}

Session::~Session()
{
    delete m_results; // it reads through this session
    delete m_search;
    delete m_vocabulary;
    delete m_suggestions;
    delete m_suggester; // its worker is stopped before the store goes
    m_suggester = nullptr;
}

QString Session::databasePath() const
{
    return m_store->path();
}

bool Session::readOnly() const
{
    return m_lost || m_store->readOnly();
}

QString Session::titleMark() const
{
    if (m_lost)
        return QStringLiteral(" - fichier remplacé ou supprimé (lecture seule)");
    if (m_store->readOnly())
        return QStringLiteral(" - lecture seule");
    return QString();
}

bool Session::checkFile(QWidget *parent)
{
    if (m_lost)
        return false;
    if (m_store->connection().sameFile())
        return true;
    m_lost = true;
    m_history->setReadOnly(true);
    emit readOnlyChanged(true);
    if (!m_lostTold) {
        m_lostTold = true;
        try {
            m_store->connection().requireSameFile();
        } catch (const StoreError &e) {
            messages::error(parent, e.message());
        }
    }
    return false;
}

QString Session::positionKey(qint64 textNumber) const
{
    if (m_positionPrefix.isEmpty()) {
        QString canonical = QFileInfo(databasePath()).canonicalFilePath();
        if (canonical.isEmpty())
            canonical = QFileInfo(databasePath()).absoluteFilePath();
        const QByteArray hash = QCryptographicHash::hash(canonical.toUtf8(),
                                                         QCryptographicHash::Sha1)
                                    .toHex()
                                    .left(16);
        m_positionPrefix = QStringLiteral("positions/%1/texte").arg(QString::fromLatin1(hash));
    }
    return m_positionPrefix + QString::number(textNumber);
}

qint64 Session::lastSegment(qint64 textNumber) const
{
    return m_settings->value(positionKey(textNumber), 0).toLongLong();
}

void Session::rememberSegment(qint64 textNumber, qint64 segment)
{
    if (segment > 0)
        m_settings->setValue(positionKey(textNumber), segment);
}

void Session::restoreBackup(QWidget *parent)
{
    if (readOnly()) {
        messages::error(parent, QStringLiteral("L'analyse « %1 » est en lecture seule : aucune "
                                               "sauvegarde ne peut y être remise.")
                                    .arg(databasePath()));
        return;
    }
    const std::vector<backup::Entry> entries = backup::list(databasePath());
    if (entries.empty()) {
        messages::plain(parent, QStringLiteral("Aucune sauvegarde de l'analyse « %1 » n'a encore "
                                               "été faite (une sauvegarde est faite à chaque "
                                               "ouverture, dans « %2 »).")
                                    .arg(databasePath(),
                                         QDir::toNativeSeparators(
                                             backup::folderFor(databasePath()))));
        return;
    }

    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("sauvegardes"));
    dialog.setWindowTitle(QStringLiteral("Restaurer une sauvegarde"));
    auto *layout = new QVBoxLayout(&dialog);
    auto *label = new QLabel(QStringLiteral("Sauvegardes de l'analyse « %1 », la plus récente en "
                                            "tête :")
                                 .arg(QFileInfo(databasePath()).fileName()),
                             &dialog);
    label->setWordWrap(true);
    layout->addWidget(label);
    auto *list = new QListWidget(&dialog);
    list->setObjectName(QStringLiteral("liste_sauvegardes"));
    const QLocale locale;
    for (const backup::Entry &entry : entries) {
        auto *item = new QListWidgetItem(
            QStringLiteral("%1   (%2)")
                .arg(locale.toString(entry.when, QStringLiteral("dddd d MMMM yyyy, HH:mm:ss")),
                     locale.formattedDataSize(entry.size)),
            list);
        item->setData(Qt::UserRole, entry.path);
        item->setToolTip(QDir::toNativeSeparators(entry.path));
    }
    list->setCurrentRow(0);
    layout->addWidget(list);
    auto *buttons = new QDialogButtonBox(&dialog);
    QPushButton *restore =
        buttons->addButton(QStringLiteral("&Restaurer"), QDialogButtonBox::AcceptRole);
    restore->setObjectName(QStringLiteral("restaurer"));
    buttons->addButton(QStringLiteral("Annuler"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("annuler"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    connect(list, &QListWidget::itemActivated, &dialog, &QDialog::accept);
    dialog.resize(520, 320);
    if (dialog.exec() != QDialog::Accepted || !list->currentItem())
        return;

    const QString chosen = list->currentItem()->data(Qt::UserRole).toString();
    if (!messages::ask(parent, QStringLiteral("Remettre l'analyse « %1 » dans l'état de la "
                                              "sauvegarde du %2 ?\n\nL'état actuel est "
                                              "d'abord sauvegardé lui aussi : il pourra être "
                                              "restauré à son tour.")
                                   .arg(databasePath(), list->currentItem()->text())))
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString failure;
    try {
        backup::restore(m_store->connection(), chosen, {}, backup::budgetFromSettings());
        // A copy made before the schema's upgrade is brought up to date.
        schema::upgrade(m_store->connection());
    } catch (const StoreError &e) {
        failure = e.message();
    }
    QApplication::restoreOverrideCursor();
    if (!failure.isEmpty()) {
        messages::error(parent, failure);
        return;
    }
    emit restored();
    emit listsChanged();
}

void Session::tellBackup(const backup::Outcome &outcome, const QString &databasePath,
                         QMainWindow *window)
{
    const backup::Budget budget = backup::budgetFromSettings();
    if (window && !outcome.droppedForRoom.empty())
        window->statusBar()->showMessage(backup::droppedForRoomText(outcome, budget), 15000);
    if (outcome.freeBytes < 0 || outcome.keptBytes <= outcome.freeBytes / 10)
        return;
    QSettings settings;
    const QString key = QStringLiteral("sauvegardes/place_signalee/")
                        + QFileInfo(backup::folderFor(databasePath)).fileName();
    if (settings.value(key).toBool())
        return;
    settings.setValue(key, true);
    messages::plain(window,
                    QStringLiteral("Les sauvegardes de l'analyse « %1 » occupent %2, plus du "
                                   "dixième de la place libre sur leur disque (%3 libres).\n\n"
                                   "Elles sont dans « %4 ». Les plus anciennes sont supprimées "
                                   "au-delà de %5 copies ou de %6 par analyse : ces limites se "
                                   "changent dans les réglages (voir le guide, « Sauvegarder et "
                                   "partager une analyse »). Libérez de la place sur ce disque "
                                   "si vous le pouvez.\n\nCe message ne sera plus montré pour "
                                   "cette analyse.")
                        .arg(QDir::toNativeSeparators(databasePath),
                             backup::sizeText(outcome.keptBytes), backup::sizeText(outcome.freeBytes),
                             QDir::toNativeSeparators(backup::folderFor(databasePath)))
                        .arg(budget.copies)
                        .arg(backup::sizeText(budget.bytes)));
}

QAction *Session::makeRestoreAction(QWidget *window)
{
    auto *action = new QAction(QStringLiteral("&Restaurer une sauvegarde..."), window);
    action->setObjectName(QStringLiteral("restaurer_sauvegarde"));
    action->setEnabled(!readOnly());
    connect(action, &QAction::triggered, window, [this, window] { restoreBackup(window); });
    connect(this, &Session::readOnlyChanged, action,
            [action](bool readOnly) { action->setEnabled(!readOnly); });
    return action;
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

QAction *Session::makeCoderCopyAction(QWidget *window)
{
    auto *action = new QAction(QStringLiteral("Co&pie pour un codeur..."), window);
    action->setObjectName(QStringLiteral("copie_codeur"));
    connect(action, &QAction::triggered, window, [this, window] {
        frmCopieCodeur dialog(*this, window);
        if (dialog.exec() == QDialog::Accepted)
            tell(window, QStringLiteral("Copie faite : « %1 ».").arg(dialog.copyPath()));
    });
    return action;
}

void Session::tell(QWidget *window, const QString &text, int milliseconds)
{
    for (QWidget *w = window; w; w = w->parentWidget()) {
        QWidget *top = w->window();
        QStatusBar *bar = nullptr;
        if (auto *main = qobject_cast<QMainWindow *>(top))
            bar = main->statusBar();
        else
            bar = top->findChild<QStatusBar *>(QStringLiteral("StatusBar1"));
        if (bar) {
            bar->showMessage(text, milliseconds);
            return;
        }
        w = top;
    }
}

namespace {

// "liste 1 (Thème) : « a », « b » et 3 autres", at most `most` values shown.
QString valuesOfLists(const std::vector<std::pair<int, QString>> &values,
                      const std::array<QString, 5> &names)
{
    constexpr int kMost = 12;
    QStringList lines;
    for (int k = 1; k <= 5; ++k) {
        QStringList shown;
        int count = 0;
        for (const auto &[list, value] : values) {
            if (list != k)
                continue;
            if (++count <= kMost)
                shown << lists::quoted(value);
        }
        if (count == 0)
            continue;
        QString line = QStringLiteral("- %1 : %2").arg(names[size_t(k - 1)],
                                                       shown.join(QStringLiteral(", ")));
        if (count > kMost)
            line += count - kMost == 1 ? QStringLiteral(" et 1 autre")
                                       : QStringLiteral(" et %1 autres").arg(count - kMost);
        lines << line;
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

QString Session::importCodebook(QWidget *parent)
{
    if (readOnly()) {
        messages::error(parent, QStringLiteral("L'analyse « %1 » est en lecture seule : aucun "
                                               "livre de codes ne peut y être importé.")
                                    .arg(databasePath()));
        return QString();
    }
    const QString file =
        dialogs::openFile(parent, QStringLiteral("Importer un livre de codes (CSV)"),
                          QStringLiteral("Livres de codes (*.csv);;Tous les fichiers (*)"));
    if (file.isEmpty())
        return QString();
    const CodebookReading read = readCodebook(file);
    if (!read.codebook) {
        messages::error(parent, read.message);
        return QString();
    }
    lists::CodebookOutcome outcome;
    std::array<QString, 5> names;
    try {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        try {
            outcome = m_history->importCodebook(*read.codebook, QFileInfo(file).fileName());
        } catch (...) {
            QApplication::restoreOverrideCursor();
            throw;
        }
        QApplication::restoreOverrideCursor();
        names = listNames();
    } catch (const StoreError &e) {
        messages::error(parent, QStringLiteral("Le livre de codes « %1 » n'a pas été importé, "
                                               "l'analyse n'a pas été changée.\n\n%2")
                                    .arg(file, e.message()));
        return QString();
    }
    emit listsChanged();
    QString text = QStringLiteral("Livre de codes « %1 » importé : %2.")
                       .arg(QFileInfo(file).fileName(), outcome.line());
    if (!outcome.added.empty())
        text += QStringLiteral("\n\nValeurs ajoutées :\n") + valuesOfLists(outcome.added, names);
    if (!outcome.present.empty())
        text += QStringLiteral("\n\nValeurs déjà présentes, laissées telles quelles (elles "
                               "gardent leur numéro et leur codage) :\n")
                + valuesOfLists(outcome.present, names);
    if (!outcome.added.empty() || outcome.definitions > 0 || outcome.names > 0)
        text += QStringLiteral("\n\n« Édition > Annuler » revient en arrière.");
    messages::plain(parent, text);
    return QStringLiteral("Livre de codes importé : %1.").arg(outcome.line());
}

QAction *Session::makeCodebookImportAction(QWidget *window)
{
    auto *action = new QAction(QStringLiteral("&Importer un livre de codes (CSV)..."), window);
    action->setObjectName(QStringLiteral("importer_livre_de_codes"));
    action->setToolTip(QStringLiteral("Reprend les listes, leurs valeurs et leurs définitions "
                                      "d'un livre de codes exporté d'une autre analyse"));
    action->setEnabled(!readOnly());
    connect(action, &QAction::triggered, window, [this, window] {
        const QString done = importCodebook(window);
        if (!done.isEmpty())
            tell(window, done);
    });
    connect(m_history, &History::readOnlyChanged, action,
            [action](bool readOnly) { action->setEnabled(!readOnly); });
    return action;
}

QMenu *Session::makeListsMenu(QWidget *window)
{
    auto *menu = new QMenu(QStringLiteral("&Listes"), window);
    menu->setObjectName(QStringLiteral("listes"));
    // The items show the lists' names; their tables are for the curious.
    menu->setToolTipsVisible(true);
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
        for (int k = 1; k <= kLists; ++k) {
            QAction *action = actions.at(k - 1);
            // An ampersand of a name is shown, not taken for a shortcut.
            QString name = names[size_t(k - 1)];
            name.replace(QLatin1Char('&'), QStringLiteral("&&"));
            action->setText(QStringLiteral("&%1 - %2...").arg(QString::number(k), name));
            action->setToolTip(QStringLiteral("Liste %1 (table var_comp_0%1)").arg(k));
        }
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
            tell(window, done);
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

frmRecherche *Session::openSearch()
{
    if (!m_search) {
        auto *window = new frmRecherche(*this);
        window->setAttribute(Qt::WA_DeleteOnClose);
        if (!window->Form_Load()) {
            delete window;
            return nullptr;
        }
        m_search = window;
    }
    m_search->show();
    m_search->raise();
    m_search->activateWindow();
    return m_search;
}

QAction *Session::makeSearchAction(QWidget *window)
{
    auto *action = new QAction(QStringLiteral("Re&chercher..."), window);
    action->setObjectName(QStringLiteral("rechercher"));
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    action->setShortcutContext(Qt::WindowShortcut);
    action->setToolTip(QStringLiteral("Les segments qui contiennent des mots, en concordance"));
    connect(action, &QAction::triggered, this, [this] { openSearch(); });
    return action;
}

frmVocabulaire *Session::openVocabulary()
{
    if (!m_vocabulary) {
        auto *window = new frmVocabulaire(*this);
        window->setAttribute(Qt::WA_DeleteOnClose);
        if (!window->Form_Load()) {
            delete window;
            return nullptr;
        }
        m_vocabulary = window;
    }
    m_vocabulary->show();
    m_vocabulary->raise();
    m_vocabulary->activateWindow();
    return m_vocabulary;
}

QAction *Session::makeVocabularyAction(QWidget *window)
{
    auto *action = new QAction(QStringLiteral("&Vocabulaire..."), window);
    action->setObjectName(QStringLiteral("vocabulaire"));
    action->setToolTip(QStringLiteral("Les mots des segments, leurs effectifs et les mots "
                                      "caractéristiques d'une valeur"));
    connect(action, &QAction::triggered, this, [this] { openVocabulary(); });
    return action;
}

frmSuggestions *Session::openSuggestions()
{
    if (!m_suggestions) {
        auto *window = new frmSuggestions(*this);
        window->setAttribute(Qt::WA_DeleteOnClose);
        if (!window->Form_Load()) {
            delete window;
            return nullptr;
        }
        m_suggestions = window;
    }
    m_suggestions->show();
    m_suggestions->raise();
    m_suggestions->activateWindow();
    return m_suggestions;
}

QAction *Session::makeSuggestionsAction(QWidget *window)
{
    auto *action = new QAction(QStringLiteral("Su&ggestions..."), window);
    action->setObjectName(QStringLiteral("suggestions"));
    action->setToolTip(QStringLiteral("Les valeurs que le codage déjà fait suggère pour les "
                                      "segments non codés, leur fiabilité mesurée, et leur "
                                      "acceptation"));
    connect(action, &QAction::triggered, this, [this] { openSuggestions(); });
    return action;
}

} // namespace coding
