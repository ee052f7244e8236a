#pragma once
// The coding application's file dialogs, with seams for the tests.
#include <QString>
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

// Exchange files: a file of type `filter` ("Projets REFI-QDA (*.qdpx)") to
// write, proposed as `suggested`, `suffix` added to a name typed without
// one; or one to read. Empty when the user cancels.
QString saveFile(QWidget *parent, const QString &caption, const QString &suggested,
                 const QString &filter, const QString &suffix);
QString openFile(QWidget *parent, const QString &caption, const QString &filter);
// When set, neither dialog is shown: the hook answers, told the caption.
using FileHook = std::function<QString(QWidget *parent, const QString &caption)>;
void setFileHook(FileHook hook);

} // namespace coding::dialogs
