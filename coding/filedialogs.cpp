#include "coding/filedialogs.h"

#include <QFileDialog>

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
} // namespace

QString openDatabase(QWidget *parent)
{
    if (openHook())
        return openHook()(parent);
    return QFileDialog::getOpenFileName(parent, QStringLiteral("Ouvrir une base d'analyse"),
                                        QString(),
                                        QStringLiteral("Bases d'analyse (*.mdb);;"
                                                       "Tous les fichiers (*)"));
}

QString saveCsv(QWidget *parent, const QString &suggested)
{
    if (saveHook())
        return saveHook()(parent, suggested);
    // The dialog itself adds ".csv" to a name typed without it, so that it
    // asks before replacing the file that name really means.
    QFileDialog dialog(parent, QStringLiteral("Exporter le codage"), suggested,
                       QStringLiteral("Fichiers CSV (*.csv);;Tous les fichiers (*)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}

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

void setOpenHook(OpenHook hook) { openHook() = std::move(hook); }
void setSaveHook(SaveHook hook) { saveHook() = std::move(hook); }

} // namespace coding::dialogs
