// The exports of the coding application's session: the coding export (its
// options, its file, its progress), the codebook export and the export for
// SPSS or Stata, and their menu items.
#include "exchange/codebookexport.h"
#include "exchange/csvexport.h"
#include "exchange/exportsettings.h"
#include "exchange/statexport.h"
#include "coding/filedialogs.h"
#include "coding/session.h"
#include "common/messages.h"
#include "guide/guide.h"
#include "store/codingstore.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMainWindow>
#include <QProgressDialog>
#include <QStandardPaths>
#include <QStatusBar>

namespace coding {

QString Session::exportFolder() const
{
    // This session's last export folder, else the analysis's folder, else the
    // folder last used in an earlier session, else the documents; never a
    // system folder.
    return dialogs::startFolder(
        {m_exportFolder, QFileInfo(databasePath()).absolutePath(), exportsettings::lastFolder(),
         QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)});
}

QString Session::askExportFile(QWidget *parent, const QString &suffix, const QString &title)
{
    const QFileInfo db(databasePath());
    const QString suggested = QDir(exportFolder()).filePath(db.completeBaseName() + suffix);
    const QString file = dialogs::saveCsv(parent, suggested, title);
    if (!file.isEmpty()) {
        m_exportFolder = QFileInfo(file).absolutePath();
        exportsettings::setLastFolder(m_exportFolder);
    }
    return file;
}

QString Session::exportCsv(QWidget *parent)
{
    const guide::Scope help("export_codage");
    ExportOptions options = exportsettings::load(m_comma ? QLatin1Char(',') : QLatin1Char(';'));
    if (!dialogs::exportOptions(parent, options))
        return QString();
    exportsettings::save(options);
    setCommaSeparator(options.separator == QLatin1Char(','));
    const QString file = askExportFile(parent, QStringLiteral(".csv"),
                                       QStringLiteral("Exporter le codage"));
    if (file.isEmpty())
        return QString();

    QProgressDialog progress(QStringLiteral("Exportation du codage..."),
                             QStringLiteral("Arrêter"), 0, 100, parent);
    progress.setObjectName(QStringLiteral("progression"));
    progress.setWindowTitle(QStringLiteral("Analyse de contenu"));
    // Nothing else of the program runs meanwhile (the rows are being read).
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(500);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const ExportOutcome outcome =
        coding::exportCsv(*m_store, file, options, [&](qint64 done, qint64 total) {
            const int max = total > 0 ? 1000 : 1;
            progress.setMaximum(max);
            progress.setValue(total > 0 ? int(done * 1000 / total) : 0);
            progress.setLabelText(QStringLiteral("Exportation du codage : %L1 segments sur %L2...")
                                      .arg(done)
                                      .arg(total));
            return !progress.wasCanceled();
        });
    QApplication::restoreOverrideCursor();
    progress.close();

    switch (outcome.status) {
    case ExportOutcome::Done:
        return QStringLiteral("Codage exporté (%1) : %2 lignes, %3 segments, dans « %4 ».%5")
            .arg(describe(options))
            .arg(outcome.records)
            .arg(outcome.segments)
            .arg(file, options.codedOnly ? QLatin1Char(' ') + leftOutText(outcome) : QString());
    case ExportOutcome::Cancelled:
        return QStringLiteral("Exportation arrêtée : rien n'a été écrit dans « %1 ».").arg(file);
    case ExportOutcome::Failed:
        break;
    }
    messages::error(parent, outcome.message);
    return QString();
}

QString Session::exportCodebook(QWidget *parent)
{
    const guide::Scope help("export_livre_de_codes");
    const QString file = askExportFile(parent, QStringLiteral(" - livre de codes.csv"),
                                       QStringLiteral("Exporter le livre de codes"));
    if (file.isEmpty())
        return QString();
    ExportOptions options = exportsettings::load(m_comma ? QLatin1Char(',') : QLatin1Char(';'));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const ExportOutcome outcome = coding::exportCodebook(*m_store, file, options);
    QApplication::restoreOverrideCursor();
    if (outcome.status != ExportOutcome::Done) {
        messages::error(parent, outcome.message);
        return QString();
    }
    return QStringLiteral("Livre de codes exporté (%1) : %2 valeurs, dans « %3 ».")
        .arg(describeProtection(options))
        .arg(outcome.records)
        .arg(file);
}

QString Session::exportStat(QWidget *parent)
{
    const guide::Scope help("export_spss_stata");
    const QFileInfo db(databasePath());
    const QString suggested = QDir(exportFolder()).filePath(db.completeBaseName() + QStringLiteral(".sav"));
    const QString file = dialogs::saveFile(
        parent, QStringLiteral("Exporter pour SPSS / Stata"), suggested,
        QStringLiteral("SPSS (*.sav);;Stata (*.dta)"), QStringLiteral("sav"));
    if (file.isEmpty())
        return QString();
    m_exportFolder = QFileInfo(file).absolutePath();
    exportsettings::setLastFolder(m_exportFolder);
    // The name says the format: ".dta" is Stata's, any other SPSS's.
    const SpssWriter spss;
    const StataWriter stata;
    const bool isStata = file.endsWith(QStringLiteral(".dta"), Qt::CaseInsensitive);
    const StatFileWriter &format = isStata ? static_cast<const StatFileWriter &>(stata) : spss;

    QProgressDialog progress(QStringLiteral("Exportation pour %1...").arg(format.formatName()),
                             QStringLiteral("Arrêter"), 0, 100, parent);
    progress.setObjectName(QStringLiteral("progression"));
    progress.setWindowTitle(QStringLiteral("Analyse de contenu"));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(500);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const StatOutcome outcome = format.write(*m_store, file, [&](qint64 done, qint64 total) {
        progress.setMaximum(total > 0 ? 1000 : 1);
        progress.setValue(total > 0 ? int(done * 1000 / total) : 0);
        progress.setLabelText(QStringLiteral("Exportation pour %1 : %L2 segments sur %L3...")
                                  .arg(format.formatName())
                                  .arg(done)
                                  .arg(total));
        return !progress.wasCanceled();
    });
    QApplication::restoreOverrideCursor();
    progress.close();
    switch (outcome.status) {
    case ExportOutcome::Done:
        return statSummary(format, outcome, file);
    case ExportOutcome::Cancelled:
        return QStringLiteral("Exportation arrêtée : rien n'a été écrit dans « %1 ».").arg(file);
    case ExportOutcome::Failed:
        break;
    }
    messages::error(parent, outcome.message);
    return QString();
}

QAction *Session::makeStatAction(QMainWindow *window)
{
    auto *action = new QAction(QStringLiteral("Exporter pour &SPSS / Stata..."), window);
    action->setObjectName(QStringLiteral("exporter_spss_stata"));
    connect(action, &QAction::triggered, window, [this, window] {
        const QString done = exportStat(window);
        if (!done.isEmpty())
            window->statusBar()->showMessage(done, 8000);
    });
    return action;
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

QAction *Session::makeCodebookAction(QMainWindow *window)
{
    auto *action = new QAction(QStringLiteral("Exporter le &livre de codes..."), window);
    action->setObjectName(QStringLiteral("exporter_livre_de_codes"));
    connect(action, &QAction::triggered, window, [this, window] {
        const QString done = exportCodebook(window);
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
