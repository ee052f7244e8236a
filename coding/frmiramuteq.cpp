#include "coding/frmiramuteq.h"

#include "coding/filedialogs.h"
#include "coding/session.h"
#include "common/messages.h"
#include "exchange/exportsettings.h"
#include "store/codingstore.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMainWindow>
#include <QProgressDialog>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

namespace coding {

frmIramuteq::frmIramuteq(const IramuteqOptions &options, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmIramuteq"));
    setWindowTitle(QStringLiteral("Exporter pour Iramuteq"));
    auto *layout = new QVBoxLayout(this);
    auto *note = new QLabel(QStringLiteral("Chaque texte est écrit sous une ligne étoilée de ses "
                                           "attributs (**** *journal_lemonde *annee_2003), ses "
                                           "segments à la suite."),
                            this);
    note->setObjectName(QStringLiteral("note"));
    note->setWordWrap(true);
    layout->addWidget(note);
    avecCodes = new QCheckBox(QStringLiteral("Chaque segment &codé seul, sous les attributs de son "
                                             "texte suivis de ses valeurs codées "
                                             "(*liste_valeur)"),
                              this);
    avecCodes->setObjectName(QStringLiteral("avec_codes"));
    avecCodes->setChecked(options.withCodes);
    layout->addWidget(avecCodes);

    auto *buttons = new QDialogButtonBox(this);
    buttons->setObjectName(QStringLiteral("boutons"));
    QPushButton *ok = buttons->addButton(QStringLiteral("&Exporter..."),
                                         QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("exporter"));
    ok->setDefault(true);
    QPushButton *cancel = buttons->addButton(QStringLiteral("Annuler"),
                                             QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("annuler"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

IramuteqOptions frmIramuteq::options() const
{
    IramuteqOptions o;
    o.withCodes = avecCodes->isChecked();
    return o;
}

QString exportForIramuteq(Session &session, QWidget *parent)
{
    frmIramuteq dialog({}, parent);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    const IramuteqOptions options = dialog.options();
    const QString caption = QStringLiteral("Exporter pour Iramuteq");
    const QString suggested =
        QDir(session.exportFolder())
            .filePath(QFileInfo(session.databasePath()).completeBaseName()
                      + QStringLiteral(" - Iramuteq.txt"));
    const QString file = dialogs::saveFile(parent, caption, suggested,
                                           QStringLiteral("Corpus Iramuteq (*.txt)"),
                                           QStringLiteral("txt"));
    if (file.isEmpty())
        return QString();
    session.setExportFolder(QFileInfo(file).absolutePath());
    exportsettings::setLastFolder(QFileInfo(file).absolutePath());

    QProgressDialog progress(QStringLiteral("Exportation pour Iramuteq..."),
                             QStringLiteral("Arrêter"), 0, 100, parent);
    progress.setObjectName(QStringLiteral("progression"));
    progress.setWindowTitle(QStringLiteral("Analyse de contenu"));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(500);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const ExportOutcome outcome =
        exportIramuteq(session.store(), file, options, [&](qint64 done, qint64 total) {
            progress.setMaximum(total > 0 ? 1000 : 1);
            progress.setValue(total > 0 ? int(done * 1000 / total) : 0);
            progress.setLabelText(QStringLiteral("Exportation pour Iramuteq : %L1 segments sur "
                                                 "%L2...")
                                      .arg(done)
                                      .arg(total));
            return !progress.wasCanceled();
        });
    QApplication::restoreOverrideCursor();
    progress.close();

    switch (outcome.status) {
    case ExportOutcome::Done:
        return options.withCodes
                   ? QStringLiteral("Corpus Iramuteq exporté : %1 segments codés, dans « %2 ».")
                         .arg(outcome.records)
                         .arg(file)
                   : QStringLiteral("Corpus Iramuteq exporté : %1 textes, %2 segments, dans "
                                    "« %3 ».")
                         .arg(outcome.records)
                         .arg(outcome.segments)
                         .arg(file);
    case ExportOutcome::Cancelled:
        return QStringLiteral("Exportation arrêtée : rien n'a été écrit dans « %1 ».").arg(file);
    case ExportOutcome::Failed:
        break;
    }
    messages::error(parent, outcome.message);
    return QString();
}

QAction *makeIramuteqAction(Session &session, QMainWindow *window)
{
    auto *action = new QAction(QStringLiteral("Exporter pour &Iramuteq..."), window);
    action->setObjectName(QStringLiteral("exporter_iramuteq"));
    QObject::connect(action, &QAction::triggered, window, [&session, window] {
        const QString done = exportForIramuteq(session, window);
        if (!done.isEmpty())
            window->statusBar()->showMessage(done, 8000);
    });
    return action;
}

} // namespace coding
