#include "coding/refiqdaactions.h"

#include "coding/filedialogs.h"
#include "coding/session.h"
#include "common/messages.h"
#include "exchange/analysisproject.h"
#include "guide/guide.h"
#include "exchange/qdpxarchive.h"
#include "exchange/refiqdaexport.h"
#include "exchange/refiqdaimport.h"
#include "store/codebookstore.h"
#include "store/codingstore.h"
#include "store/storeerror.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <functional>

namespace coding {
namespace {

const QString kProjects = QStringLiteral("Projets REFI-QDA (*.qdpx)");
const QString kCodebooks = QStringLiteral("Livres de codes REFI-QDA (*.qdc)");

// Says what the window is doing while `work` runs (it does not yield).
template <typename Work>
auto busy(QWidget *window, const QString &what, Work work)
{
    QProgressDialog progress(what, QString(), 0, 0, window);
    progress.setObjectName(QStringLiteral("progression"));
    progress.setWindowTitle(QApplication::applicationName());
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setCancelButton(nullptr);
    progress.setMinimumDuration(0);
    progress.show();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct Restore
    {
        ~Restore() { QApplication::restoreOverrideCursor(); }
    } restore;
    return work();
}

QString suggested(Session &session, const QString &suffix)
{
    const QFileInfo db(session.databasePath());
    return db.dir().filePath(db.completeBaseName() + suffix);
}

void exportWith(Session &session, QMainWindow *window, const QString &caption,
                const QString &filter, const QString &suffix,
                QString (*write)(Connection &, const QString &, refiqda::ExportReport &),
                const QString &done)
{
    const guide::Scope help("echange_refiqda");
    const QString file = dialogs::saveFile(window, caption, suggested(session, QLatin1Char('.') + suffix),
                                           filter, suffix);
    if (file.isEmpty())
        return;
    refiqda::ExportReport report;
    const QString error = busy(window, QStringLiteral("Exportation vers « %1 »...").arg(file),
                               [&] { return write(session.store().connection(), file, report); });
    if (!error.isEmpty()) {
        messages::error(window, error);
        return;
    }
    window->statusBar()->showMessage(done.arg(file) + QLatin1Char(' ') + report.line(), 15000);
}

// Where the codes go: a list each when there are at most five first-level
// codes, else the researcher's choice (a flat codebook goes onto one list).
// A list that has a name or values is renamed only if the researcher says
// so. False when the researcher cancels.
bool place(Session &session, QWidget *window, const std::vector<refiqda::Code> &codes,
           refiqda::Placement &placement)
{
    placement = refiqda::defaultPlacement(codes);
    if (placement.listOfTopCode.size() == codes.size()) {
        const std::vector<int> used =
            refiqda::listsToRename(session.store().connection(), codes, placement);
        if (!used.empty()) {
            QStringList n;
            for (int k : used)
                n << QString::number(k);
            placement.renameUsedLists = messages::ask(
                window, QStringLiteral("Les listes %1 ont déjà un nom ou des valeurs. Les "
                                       "renommer d'après les codes de premier niveau ?\n\n"
                                       "« Non » importe les valeurs sans changer le nom des "
                                       "listes.")
                            .arg(n.join(QStringLiteral(", "))));
        }
        return true;
    }
    frmPlacement dialog(codes, codebook::listNames(session.store().connection()), window);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    placement.listOfTopCode = dialog.lists();
    placement.nameLists = false;
    return true;
}

// "Importer" and "Annuler" of an import's dialog.
QDialogButtonBox *importButtons(QDialog *dialog)
{
    auto *buttons = new QDialogButtonBox(dialog);
    auto *ok = buttons->addButton(QStringLiteral("Importer"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("importer"));
    auto *cancel = buttons->addButton(QStringLiteral("Annuler"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("annuler"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

CoderChoiceHook &coderChoiceHook()
{
    static CoderChoiceHook h;
    return h;
}

// With several coders, the researcher chooses; nullopt when they cancel.
std::optional<CoderChoice> chooseCoders(QWidget *window,
                                        const std::vector<refiqda::ProjectCoder> &coders)
{
    if (coderChoiceHook())
        return coderChoiceHook()(window, coders);
    frmCodeurs dialog(coders, window);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.choice();
}

// A project's import, all or nothing, with its progress and "Arrêter";
// `stopped` says whether the researcher stopped it (nothing came in).
QString importProjectWithProgress(Session &session, QWidget *window, const QString &file,
                                  const refiqda::Project &project,
                                  const refiqda::Placement &placement,
                                  const std::optional<CoderChoice> &coders,
                                  refiqda::ImportReport &report, bool &stopped)
{
    QProgressDialog progress(QStringLiteral("Importation de « %1 »...").arg(file),
                             QStringLiteral("Arrêter"), 0, 1, window);
    progress.setObjectName(QStringLiteral("progression"));
    progress.setWindowTitle(QApplication::applicationName());
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setValue(0);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    struct Restore
    {
        ~Restore() { QApplication::restoreOverrideCursor(); }
    } restore;
    QElapsedTimer shown;
    shown.start();
    const auto run = [&](const refiqda::Progress &onProgress, const refiqda::StopRequest &onStop) {
        Connection &db = session.store().connection();
        if (!coders)
            return refiqda::importProject(db, project, placement, report, onProgress, onStop);
        if (coders->perCoder)
            return refiqda::importPerCoder(db, project, placement, report, onProgress, onStop);
        return refiqda::importCoder(db, project, coders->guid, placement, report, onProgress,
                                    onStop);
    };
    const QString error = run(
        [&](int done, int total) {
            // At most ten times a second, and at the start.
            if (done > 0 && done < total && shown.elapsed() < 100)
                return;
            shown.restart();
            progress.setMaximum(qMax(total, 1));
            progress.setValue(done);
            if (progress.wasCanceled())
                progress.setLabelText(QStringLiteral("Arrêt en cours..."));
            QCoreApplication::processEvents();
        },
        [&] {
            if (!progress.wasCanceled())
                return false;
            stopped = true;
            return true;
        });
    progress.close();
    stopped = stopped && error == refiqda::stoppedMessage();
    return error;
}

void importFrom(Session &session, QMainWindow *window, bool project)
{
    const guide::Scope help("echange_refiqda");
    const QString file = dialogs::openFile(
        window,
        project ? QStringLiteral("Importer un projet REFI-QDA")
                : QStringLiteral("Importer un livre de codes REFI-QDA"),
        project ? kProjects : kCodebooks);
    if (file.isEmpty())
        return;
    refiqda::ReadProject read;
    if (project) {
        read = busy(window, QStringLiteral("Lecture du projet « %1 »...").arg(file),
                    [&] { return refiqda::readQdpx(file); });
    } else {
        refiqda::ParsedCodebook book = refiqda::readCodebook(file);
        read.error = book.error;
        read.project.codes = std::move(book.codes);
    }
    if (!read.error.isEmpty()) {
        messages::error(window, read.error);
        return;
    }
    refiqda::Placement placement;
    try {
        if (!place(session, window, read.project.codes, placement))
            return;
    } catch (const StoreError &e) {
        messages::error(window, e.message());
        return;
    }
    // Several coders are never merged.
    std::optional<CoderChoice> coders;
    if (project) {
        const std::vector<refiqda::ProjectCoder> found = refiqda::codersOf(read.project);
        if (found.size() > 1) {
            coders = chooseCoders(window, found);
            if (!coders)
                return;
        }
    }
    refiqda::ImportReport report;
    bool stopped = false;
    const QString error =
        project ? importProjectWithProgress(session, window, file, read.project, placement, coders,
                                            report, stopped)
                : busy(window, QStringLiteral("Importation de « %1 »...").arg(file), [&] {
                      return refiqda::importCodebook(session.store().connection(),
                                                     read.project.codes, placement, report);
                  });
    emit session.listsChanged();
    if (stopped) {
        messages::plain(window, error);
        return;
    }
    if (!error.isEmpty()) {
        messages::error(window, error);
        return;
    }
    report.otherSources = read.otherSources;
    report.sourceCodings = read.sourceCodings;
    for (const auto &[what, n] : read.notTaken)
        report.notTaken[what] += n;
    messages::plain(window, QStringLiteral("Importation de « %1 » terminée.\n\n%2")
                                .arg(file, report.lines().join(QLatin1Char('\n'))));
}

} // namespace

void setCoderChoiceHook(CoderChoiceHook hook)
{
    coderChoiceHook() = std::move(hook);
}

frmCodeurs::frmCodeurs(const std::vector<refiqda::ProjectCoder> &coders, QWidget *parent)
    : QDialog(parent), m_coders(coders)
{
    setObjectName(QStringLiteral("frmCodeurs"));
    setWindowTitle(QStringLiteral("Codeurs du projet"));
    auto *layout = new QVBoxLayout(this);
    auto *label = new QLabel(QStringLiteral("Le projet a %1 codeurs. Leurs codages ne sont jamais "
                                            "mêlés : choisissez ce qui est importé.")
                                 .arg(coders.size()),
                             this);
    label->setWordWrap(true);
    layout->addWidget(label);
    codeurs = new QTableWidget(int(coders.size()), 2, this);
    codeurs->setObjectName(QStringLiteral("codeurs"));
    codeurs->setHorizontalHeaderLabels({QStringLiteral("Codeur"), QStringLiteral("Codages")});
    codeurs->verticalHeader()->hide();
    codeurs->setSelectionBehavior(QAbstractItemView::SelectRows);
    codeurs->setSelectionMode(QAbstractItemView::SingleSelection);
    codeurs->setEditTriggers(QAbstractItemView::NoEditTriggers);
    codeurs->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int i = 0; i < int(coders.size()); ++i) {
        codeurs->setItem(i, 0, new QTableWidgetItem(refiqda::coderName(coders[size_t(i)])));
        codeurs->setItem(i, 1, new QTableWidgetItem(QString::number(coders[size_t(i)].codings)));
    }
    codeurs->selectRow(0);
    layout->addWidget(codeurs);
    un_codeur = new QRadioButton(
        QStringLiteral("Importer dans cette analyse le codage du codeur choisi ci-dessus"), this);
    un_codeur->setObjectName(QStringLiteral("un_codeur"));
    par_codeur = new QRadioButton(QStringLiteral("Faire une copie de l'analyse par codeur, avec son "
                                                 "codage, à côté de l'analyse (pour comparer les "
                                                 "codeurs)"),
                                  this);
    par_codeur->setObjectName(QStringLiteral("par_codeur"));
    un_codeur->setChecked(true);
    layout->addWidget(un_codeur);
    layout->addWidget(par_codeur);
    layout->addWidget(importButtons(this));
    resize(520, 360);
}

CoderChoice frmCodeurs::choice() const
{
    CoderChoice c;
    c.perCoder = par_codeur->isChecked();
    const int row = codeurs->currentRow();
    if (!c.perCoder && row >= 0 && row < int(m_coders.size()))
        c.guid = m_coders[size_t(row)].guid;
    return c;
}

QList<QAction *> makeExchangeActions(Session &session, QMainWindow *window)
{
    auto make = [window](const QString &name, const QString &caption,
                         std::function<void()> run) {
        auto *a = new QAction(caption, window);
        a->setObjectName(name);
        QObject::connect(a, &QAction::triggered, window, run);
        return a;
    };
    return {
        make(QStringLiteral("exporter_qdpx"),
             QStringLiteral("Exporter pour un autre logiciel (REFI-QDA)..."),
             [&session, window] {
                 exportWith(session, window, QStringLiteral("Exporter pour un autre logiciel"),
                            kProjects, QStringLiteral("qdpx"), &refiqda::exportProject,
                            QStringLiteral("Projet REFI-QDA exporté dans « %1 »."));
             }),
        make(QStringLiteral("exporter_qdc"),
             QStringLiteral("Exporter le livre de codes (REFI-QDA)..."),
             [&session, window] {
                 exportWith(session, window, QStringLiteral("Exporter le livre de codes"),
                            kCodebooks, QStringLiteral("qdc"), &refiqda::exportCodebook,
                            QStringLiteral("Livre de codes exporté dans « %1 »."));
             }),
        make(QStringLiteral("importer_qdpx"),
             QStringLiteral("Importer d'un autre logiciel (REFI-QDA)..."),
             [&session, window] { importFrom(session, window, true); }),
        make(QStringLiteral("importer_qdc"),
             QStringLiteral("Importer un livre de codes (REFI-QDA)..."),
             [&session, window] { importFrom(session, window, false); }),
    };
}

frmPlacement::frmPlacement(const std::vector<refiqda::Code> &codeList,
                           const std::array<QString, 5> &listNames, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPlacement"));
    setWindowTitle(QStringLiteral("Placer les codes dans les listes"));
    auto *layout = new QVBoxLayout(this);
    auto *label = new QLabel(
        (refiqda::isFlat(codeList) && codeList.size() <= 5
             ? QStringLiteral("Le livre de codes n'a qu'un niveau (%1 codes). Choisissez la liste "
                              "qui les reçoit : ils y deviendront des valeurs.")
             : QStringLiteral("Le livre de codes a %1 codes de premier niveau, plus que les cinq "
                              "listes. Choisissez la liste de chacun : ses sous-codes (ou "
                              "lui-même s'il n'en a pas) y deviendront des valeurs."))
            .arg(codeList.size()),
        this);
    label->setWordWrap(true);
    layout->addWidget(label);
    codes = new QTableWidget(int(codeList.size()), 3, this);
    codes->setObjectName(QStringLiteral("codes"));
    codes->setHorizontalHeaderLabels(
        {QStringLiteral("Code"), QStringLiteral("Sous-codes"), QStringLiteral("Liste")});
    codes->verticalHeader()->hide();
    codes->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    codes->horizontalHeader()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    // A code's descendants, counted without recursion.
    const auto count = [](const refiqda::Code &top) {
        int n = 0;
        std::vector<const refiqda::Code *> open{&top};
        while (!open.empty()) {
            const refiqda::Code *c = open.back();
            open.pop_back();
            n += int(c->children.size());
            for (const auto &child : c->children)
                open.push_back(&child);
        }
        return n;
    };
    for (int i = 0; i < int(codeList.size()); ++i) {
        auto *name = new QTableWidgetItem(codeList[size_t(i)].name);
        name->setFlags(Qt::ItemIsEnabled);
        codes->setItem(i, 0, name);
        auto *n = new QTableWidgetItem(QString::number(count(codeList[size_t(i)])));
        n->setFlags(Qt::ItemIsEnabled);
        codes->setItem(i, 1, n);
        auto *combo = new QComboBox(codes);
        combo->setObjectName(QStringLiteral("liste_%1").arg(i));
        combo->addItem(QStringLiteral("Ne pas importer"), 0);
        for (int k = 1; k <= 5; ++k)
            combo->addItem(QStringLiteral("%1 - %2").arg(k).arg(listNames[size_t(k - 1)]), k);
        combo->setCurrentIndex(1);
        codes->setCellWidget(i, 2, combo);
    }
    layout->addWidget(codes);
    layout->addWidget(importButtons(this));
    resize(560, 420);
}

std::vector<int> frmPlacement::lists() const
{
    std::vector<int> result;
    for (int i = 0; i < codes->rowCount(); ++i)
        result.push_back(qobject_cast<QComboBox *>(codes->cellWidget(i, 2))->currentData().toInt());
    return result;
}

} // namespace coding
