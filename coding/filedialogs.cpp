#include "coding/filedialogs.h"

#include "coding/frmexport.h"
#include "store/places.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace coding::dialogs {
namespace {
OpenHook &openHook()
{
    static OpenHook h;
    return h;
}
SaveHook &saveHook()
{
    static SaveHook h;
    return h;
}
TextsHook &textsHook()
{
    static TextsHook h;
    return h;
}
OptionsHook &optionsHook()
{
    static OptionsHook h;
    return h;
}
OpenManyHook &openManyHook()
{
    static OpenManyHook h;
    return h;
}
SaveDatabaseHook &saveDatabaseHook()
{
    static SaveDatabaseHook h;
    return h;
}
SaveHook &chartHook()
{
    static SaveHook h;
    return h;
}
} // namespace

QString openDatabase(QWidget *parent)
{
    if (openHook())
        return openHook()(parent);
    // Where Telmira puts new analyses.
    return QFileDialog::getOpenFileName(parent, QStringLiteral("Ouvrir une base d'analyse"),
                                        places::analysesFolderToBrowse(places::current()),
                                        QStringLiteral("Bases d'analyse (*.mdb);;"
                                                       "Tous les fichiers (*)"));
}

QString saveCsv(QWidget *parent, const QString &suggested, const QString &caption)
{
    if (saveHook())
        return saveHook()(parent, suggested);
    // The dialog itself adds ".csv" to a name typed without it, so that it
    // asks before replacing the file that name really means.
    QFileDialog dialog(parent,
                       caption.isEmpty() ? QStringLiteral("Exporter le codage") : caption,
                       suggested,
                       QStringLiteral("Fichiers CSV (*.csv);;Tous les fichiers (*)"));
    dialog.setObjectName(QStringLiteral("dialogue_fichier"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}

TextChoice chooseTexts(QWidget *parent)
{
    if (textsHook())
        return textsHook()(parent);
    TextChoice choice;
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("AjoutTextes"));
    dialog.setWindowTitle(QStringLiteral("Ajouter des textes"));
    auto *layout = new QVBoxLayout(&dialog);
    auto *explain = new QLabel(
        QStringLiteral("Choisissez les textes à prendre en charge dans l'analyse : des fichiers, "
                       "ou un dossier et tous ses fichiers.\nFormats lus : texte (.txt), Markdown "
                       "(.md), HTML, Word (.docx), OpenDocument (.odt) et PDF."),
        &dialog);
    explain->setObjectName(QStringLiteral("explication"));
    explain->setWordWrap(true);
    layout->addWidget(explain);
    auto *subfolders = new QCheckBox(QStringLiteral("Dossier : avec ses &sous-dossiers"), &dialog);
    subfolders->setObjectName(QStringLiteral("sousDossiers"));
    layout->addWidget(subfolders);
    auto *keepLayout = new QCheckBox(
        QStringLiteral("&Garder la mise en page des PDF : en-têtes et pieds de page, numéros de "
                       "page, points de conduite des tables des matières"),
        &dialog);
    keepLayout->setObjectName(QStringLiteral("garderMiseEnPage"));
    layout->addWidget(keepLayout);
    auto *buttons = new QDialogButtonBox(&dialog);
    QPushButton *files =
        buttons->addButton(QStringLiteral("Choisir des &fichiers..."), QDialogButtonBox::ActionRole);
    files->setObjectName(QStringLiteral("fichiers"));
    QPushButton *folder =
        buttons->addButton(QStringLiteral("Choisir un &dossier..."), QDialogButtonBox::ActionRole);
    folder->setObjectName(QStringLiteral("dossier"));
    buttons->addButton(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("annuler"));
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(files, &QPushButton::clicked, &dialog, [&] {
        choice.paths = QFileDialog::getOpenFileNames(
            &dialog, QStringLiteral("Textes à ajouter"), QString(),
            QStringLiteral("Textes et documents (*.txt *.md *.markdown *.html *.htm *.docx "
                           "*.odt *.pdf);;Tous les fichiers (*)"));
        if (!choice.paths.isEmpty()) {
            choice.keepLayout = keepLayout->isChecked();
            dialog.accept();
        }
    });
    QObject::connect(folder, &QPushButton::clicked, &dialog, [&] {
        const QString dir =
            QFileDialog::getExistingDirectory(&dialog, QStringLiteral("Dossier de textes à ajouter"));
        if (!dir.isEmpty()) {
            choice.paths = QStringList{dir};
            choice.subfolders = subfolders->isChecked();
            choice.keepLayout = keepLayout->isChecked();
            dialog.accept();
        }
    });
    if (dialog.exec() != QDialog::Accepted)
        return TextChoice();
    return choice;
}

bool exportOptions(QWidget *parent, ExportOptions &options)
{
    if (optionsHook())
        return optionsHook()(parent, options);
    frmExport dialog(options, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    options = dialog.options();
    return true;
}

bool isSystemFolder(const QString &folder)
{
    const QString path = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    if (path == QLatin1String("/"))
        return true;
    // Not /var, /run nor /media: home folders and removable disks may lie
    // there.
    static const char *const kSystem[] = {"/usr",  "/bin",    "/sbin", "/lib",  "/lib32",
                                          "/lib64", "/libx32", "/etc",  "/opt",  "/boot",
                                          "/dev",  "/proc",   "/sys"};
    for (const char *system : kSystem) {
        const QString s = QString::fromLatin1(system);
        if (path == s || path.startsWith(s + QLatin1Char('/')))
            return true;
    }
    return false;
}

QString startFolder(const QStringList &candidates)
{
    for (const QString &candidate : candidates) {
        if (candidate.isEmpty())
            continue;
        const QFileInfo info(candidate);
        if (info.isDir() && info.isWritable() && !isSystemFolder(candidate))
            return info.absoluteFilePath();
    }
    return QDir::homePath();
}

QStringList openDatabases(QWidget *parent, const QString &folder)
{
    if (openManyHook())
        return openManyHook()(parent);
    return QFileDialog::getOpenFileNames(parent, QStringLiteral("Ajouter des bases d'analyse"),
                                         folder,
                                         QStringLiteral("Bases d'analyse (*.mdb);;"
                                                        "Tous les fichiers (*)"));
}

QString saveDatabase(QWidget *parent, const QString &caption, const QString &suggested)
{
    if (saveDatabaseHook())
        return saveDatabaseHook()(parent, caption, suggested);
    QFileDialog dialog(parent, caption, suggested,
                       QStringLiteral("Bases d'analyse (*.mdb);;Tous les fichiers (*)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("mdb"));
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}

QString saveChart(QWidget *parent, const QString &suggested)
{
    if (chartHook())
        return chartHook()(parent, suggested);
    const QString png = QStringLiteral("Image PNG (*.png)");
    const QString svg = QStringLiteral("Image SVG (*.svg)");
    QFileDialog dialog(parent, QStringLiteral("Enregistrer le graphique"), suggested,
                       png + QStringLiteral(";;") + svg);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("png"));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString &filter) {
        dialog.setDefaultSuffix(filter == svg ? QStringLiteral("svg") : QStringLiteral("png"));
    });
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}

void setChartHook(SaveHook hook) { chartHook() = std::move(hook); }

void setOpenManyHook(OpenManyHook hook) { openManyHook() = std::move(hook); }
void setSaveDatabaseHook(SaveDatabaseHook hook) { saveDatabaseHook() = std::move(hook); }

void setOpenHook(OpenHook hook) { openHook() = std::move(hook); }
void setTextsHook(TextsHook hook) { textsHook() = std::move(hook); }
void setSaveHook(SaveHook hook) { saveHook() = std::move(hook); }
void setOptionsHook(OptionsHook hook) { optionsHook() = std::move(hook); }

FileHook &fileHook()
{
    static FileHook h;
    return h;
}

QString saveFile(QWidget *parent, const QString &caption, const QString &suggested,
                 const QString &filter, const QString &suffix)
{
    if (fileHook())
        return fileHook()(parent, caption);
    QFileDialog dialog(parent, caption, suggested,
                       filter + QStringLiteral(";;Tous les fichiers (*)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(suffix);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}

QString openFile(QWidget *parent, const QString &caption, const QString &filter)
{
    if (fileHook())
        return fileHook()(parent, caption);
    return QFileDialog::getOpenFileName(parent, caption, QString(),
                                        filter + QStringLiteral(";;Tous les fichiers (*)"));
}

void setFileHook(FileHook hook) { fileHook() = std::move(hook); }

} // namespace coding::dialogs
