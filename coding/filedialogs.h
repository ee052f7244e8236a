#pragma once
// The coding application's file dialogs, with seams for the tests.
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace coding {
struct ExportOptions;
}

namespace coding::dialogs {

// The analysis database to open; empty when the user cancels.
QString openDatabase(QWidget *parent);
// The CSV file to write, proposed as `suggested` (a full path: the dialog
// starts in its folder); empty when the user cancels. A name typed without a
// suffix gets ".csv". The dialog's title is `caption`, "Exporter le codage"
// when empty.
QString saveCsv(QWidget *parent, const QString &suggested, const QString &caption = QString());
// The options of the coding export (frmExport); false when the user cancels.
bool exportOptions(QWidget *parent, ExportOptions &options);

// The folder an export's file dialog starts in: the first of `candidates`
// that exists, is a folder, may be written and is not a system folder; the
// home folder when none is.
QString startFolder(const QStringList &candidates);
// Folders of the system, where the user's files have no place ("/", /usr,
// /etc, /opt...).
bool isSystemFolder(const QString &folder);

// The texts to add to the analysis: files, or a folder (with its subfolders
// when asked). Empty paths when the user cancels.
struct TextChoice
{
    QStringList paths;
    bool subfolders = false;
    bool keepLayout = false; // PDF page layout taken in as text too
};
TextChoice chooseTexts(QWidget *parent);

// When set, no dialog is shown: the hook answers.
using OpenHook = std::function<QString(QWidget *parent)>;
using SaveHook = std::function<QString(QWidget *parent, const QString &suggested)>;
using TextsHook = std::function<TextChoice(QWidget *parent)>;
using OptionsHook = std::function<bool(QWidget *parent, ExportOptions &options)>;
void setOpenHook(OpenHook hook);
void setTextsHook(TextsHook hook);
void setSaveHook(SaveHook hook);
void setOptionsHook(OptionsHook hook);

// The image file of a chart, proposed as `suggested`: PNG or SVG (a name
// typed without a suffix gets the chosen type's); empty when the user
// cancels. Answered by its own hook in the tests.
QString saveChart(QWidget *parent, const QString &suggested);
void setChartHook(SaveHook hook);
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
