#pragma once
// The coding application's file dialogs, with seams for the tests.
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace coding::dialogs {

// The analysis database to open; empty when the user cancels.
QString openDatabase(QWidget *parent);
// The CSV file to write, proposed as `suggested`; empty when the user
// cancels. A name typed without a suffix gets ".csv".
QString saveCsv(QWidget *parent, const QString &suggested);

// When set, no dialog is shown: the hook answers.
using OpenHook = std::function<QString(QWidget *parent)>;
using SaveHook = std::function<QString(QWidget *parent, const QString &suggested)>;
void setOpenHook(OpenHook hook);
void setSaveHook(SaveHook hook);

// Several analysis databases at once (the coders' copies), the dialog opened
// on `folder`; empty when the user cancels.
QStringList openDatabases(QWidget *parent, const QString &folder = QString());
// An analysis database to write (a copy), proposed as `suggested`, under the
// dialog's caption; empty when the user cancels. ".mdb" is added to a name
// typed without a suffix.
QString saveDatabase(QWidget *parent, const QString &caption, const QString &suggested);
using OpenManyHook = std::function<QStringList(QWidget *parent)>;
using SaveDatabaseHook =
    std::function<QString(QWidget *parent, const QString &caption, const QString &suggested)>;
void setOpenManyHook(OpenManyHook hook);
void setSaveDatabaseHook(SaveDatabaseHook hook);

} // namespace coding::dialogs
