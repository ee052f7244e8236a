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

void setOpenManyHook(OpenManyHook hook) { openManyHook() = std::move(hook); }
void setSaveDatabaseHook(SaveDatabaseHook hook) { saveDatabaseHook() = std::move(hook); }

void setOpenHook(OpenHook hook) { openHook() = std::move(hook); }
void setSaveHook(SaveHook hook) { saveHook() = std::move(hook); }

} // namespace coding::dialogs
