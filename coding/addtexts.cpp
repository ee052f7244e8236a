#include "coding/addtexts.h"

#include "coding/filedialogs.h"
#include "coding/session.h"
#include "common/messages.h"
#include "exchange/paragraphs.h"
#include "store/codingstore.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QProgressDialog>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace coding {

namespace {

QString plural(int n, const QString &one, const QString &many)
{
    return QStringLiteral("%1 %2").arg(n).arg(n > 1 ? many : one);
}

QString megabytes(qint64 bytes)
{
    return QLocale().toString(double(bytes) / 1e6, 'f', 1) + QStringLiteral(" Mo");
}

QString duration(qint64 seconds)
{
    if (seconds < 60)
        return QStringLiteral("%1 s").arg(seconds);
    if (seconds < 3600)
        return QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1 h %2 min").arg(seconds / 3600).arg((seconds % 3600) / 60, 2, 10,
                                                                  QLatin1Char('0'));
}

} // namespace

batch::Summary takeInWithProgress(Session &session, const QStringList &files, QWidget *parent,
                                  const batch::Options &options)
{
    QProgressDialog progress(QStringLiteral("Préparation de l'ajout des textes..."),
                             QStringLiteral("Arrêter"), 0, 1000, parent);
    progress.setObjectName(QStringLiteral("progressionAjout"));
    progress.setWindowTitle(QStringLiteral("Ajout des textes"));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setMinimumWidth(520);
    progress.setValue(0);

    QElapsedTimer clock;
    clock.start();
    QElapsedTimer shown;
    shown.start();
    int lastIndex = -1;
    const auto show = [&](const batch::Progress &p) {
        // The label at most ten times a second, and for every new text.
        if (p.index == lastIndex && shown.elapsed() < 100)
            return;
        lastIndex = p.index;
        shown.restart();
        QString text = QStringLiteral("Texte %1 sur %2 : %3\n%4 sur %5")
                           .arg(p.index + 1)
                           .arg(p.total)
                           .arg(QFileInfo(p.current).fileName(), megabytes(p.bytesDone),
                                megabytes(p.bytesTotal));
        const qint64 elapsed = clock.elapsed();
        if (p.bytesDone > 0 && elapsed > 1500) {
            const double rate = double(p.bytesDone) / double(elapsed);
            text += QStringLiteral(" — temps restant : environ %1")
                        .arg(duration(qint64(double(p.bytesTotal - p.bytesDone) / rate / 1000.0) + 1));
        }
        if (progress.wasCanceled())
            text = QStringLiteral("Arrêt en cours...");
        progress.setLabelText(text);
        progress.setValue(p.bytesTotal > 0 ? int(p.bytesDone * 1000 / p.bytesTotal) : 0);
        QCoreApplication::processEvents();
    };
    QApplication::setOverrideCursor(Qt::BusyCursor);
    const batch::Summary summary = batch::takeIn(
        session.store().connection(), files, show, {}, [&] {
            return progress.wasCanceled();
        }, options);
    QApplication::restoreOverrideCursor();
    progress.close();
    return summary;
}

int addTexts(Session &session, QWidget *parent)
{
    const dialogs::TextChoice choice = dialogs::chooseTexts(parent);
    if (choice.paths.isEmpty())
        return 0;
    batch::Options options;
    options.keepLayout = choice.keepLayout;
    const QStringList files = batch::expand(choice.paths, choice.subfolders, &options.metInFolders);
    if (files.isEmpty()) {
        messages::error(parent, QStringLiteral("Ce dossier ne contient aucun fichier à ajouter."));
        return 0;
    }
    const batch::Summary summary = takeInWithProgress(session, files, parent, options);
    frmBilanAjout bilan(summary, parent);
    bilan.exec();
    return summary.count(batch::Status::Added);
}

QString frmBilanAjout::countsText(const batch::Summary &summary)
{
    QStringList parts;
    parts << plural(summary.count(batch::Status::Added), QStringLiteral("texte ajouté"),
                    QStringLiteral("textes ajoutés"));
    if (const int n = summary.count(batch::Status::AlreadyPresent))
        parts << plural(n, QStringLiteral("déjà présent (ignoré)"),
                        QStringLiteral("déjà présents (ignorés)"));
    if (const int n = summary.count(batch::Status::Failed))
        parts << plural(n, QStringLiteral("échec"), QStringLiteral("échecs"));
    if (const int n = summary.count(batch::Status::Skipped))
        parts << plural(n, QStringLiteral("fichier ignoré (pas un document)"),
                        QStringLiteral("fichiers ignorés (pas des documents)"));
    if (const qint64 n = summary.layoutOmitted())
        parts << QStringLiteral("en-têtes et pieds de page omis : %1").arg(exchange::frenchNumber(n));
    QString text = parts.join(QStringLiteral(", ")) + QLatin1Char('.');
    if (summary.count(batch::Status::Stopped) > 0 || summary.notBegun > 0)
        text += QStringLiteral("\nArrêté à votre demande : le texte en cours n'a pas été ajouté "
                               "(rien n'en reste dans la base)%1.")
                    .arg(summary.notBegun > 0
                             ? QStringLiteral(", %1").arg(plural(summary.notBegun,
                                                                 QStringLiteral("fichier non traité"),
                                                                 QStringLiteral("fichiers non "
                                                                                "traités")))
                             : QString());
    return text;
}

frmBilanAjout::frmBilanAjout(const batch::Summary &summary, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("BilanAjout"));
    setWindowTitle(QStringLiteral("Ajout des textes : bilan"));
    auto *layout = new QVBoxLayout(this);
    bilan = new QLabel(countsText(summary), this);
    bilan->setObjectName(QStringLiteral("bilan"));
    bilan->setWordWrap(true);
    layout->addWidget(bilan);

    details = new QTreeWidget(this);
    details->setObjectName(QStringLiteral("details"));
    details->setRootIsDecorated(false);
    details->setAlternatingRowColors(true);
    details->setHeaderLabels({QStringLiteral("Fichier"), QStringLiteral("Résultat"),
                              QStringLiteral("Segments ou cause")});
    details->header()->setStretchLastSection(true);
    for (const batch::Outcome &o : summary.outcomes) {
        QString result, detail;
        switch (o.status) {
        case batch::Status::Added:
            result = QStringLiteral("ajouté");
            detail = plural(int(o.segments), QStringLiteral("segment"), QStringLiteral("segments"));
            if (o.layoutOmitted > 0)
                detail += QStringLiteral(" ; %1 omises (en-têtes, pieds de page, numéros de page)")
                              .arg(plural(int(o.layoutOmitted),
                                          QStringLiteral("ligne de mise en page"),
                                          QStringLiteral("lignes de mise en page")));
            break;
        case batch::Status::AlreadyPresent:
            result = QStringLiteral("déjà présent");
            detail = QStringLiteral("ce chemin est déjà un texte de l'analyse : ignoré");
            break;
        case batch::Status::Failed:
            result = QStringLiteral("échec");
            detail = o.cause;
            break;
        case batch::Status::Skipped:
            result = QStringLiteral("ignoré");
            detail = o.cause;
            break;
        case batch::Status::Stopped:
            result = QStringLiteral("arrêté");
            detail = QStringLiteral("arrêté pendant sa prise en charge : rien n'en a été gardé");
            break;
        }
        auto *item = new QTreeWidgetItem({QFileInfo(o.path).fileName(), result, detail});
        item->setToolTip(0, o.path);
        item->setToolTip(2, detail);
        if (o.status == batch::Status::Failed)
            item->setForeground(1, QColor(160, 0, 0));
        details->addTopLevelItem(item);
    }
    details->resizeColumnToContents(0);
    details->resizeColumnToContents(1);
    layout->addWidget(details, 1);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setObjectName(QStringLiteral("fermer"));
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("&Fermer"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::accept);
    layout->addWidget(buttons);
    resize(780, 380);
}

} // namespace coding
