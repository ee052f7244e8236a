#pragma once
// Where the programs find the template database and where Telmira puts new
// analyses. Two folders decide: the program's own folder and the user's
// documents folder; both come through one seam so that tests can give
// folders of their own.
//
// The template "telmira" is looked up beside the program first (a build tree,
// a portable copy), then in the installed data folder (`share/telmira`,
// reached from the program's folder `bin` by the relative path the build
// recorded), so that any installation prefix works.
//
// New analyses go into the program's folder when it holds the template and
// can be written (a build tree, a portable copy); otherwise (an installed
// program, a read-only copy) into the "Telmira" folder of the user's
// documents, created when needed.
#include <QString>
#include <functional>

namespace places {

struct Folders
{
    QString program;   // the folder of the running program
    QString documents; // the user's documents folder (may not exist yet)
};

// The folders of this run: the executable's folder and QStandardPaths'
// documents folder, unless a hook answers.
Folders current();
using Hook = std::function<Folders()>;
void setHook(Hook hook);

// The installed data folder of a program lying in programFolder.
QString dataFolder(const QString &programFolder);

// The template database: beside the program when it is there, else in the
// installed data folder. Throws StoreError naming both places when neither
// holds it.
QString findTemplate(const QString &programFolder);

// Whether a folder exists and new files can be made in it.
bool isWritableFolder(const QString &folder);

// The folder for new analyses, by the rule above; the documents' "Telmira"
// folder (and the documents folder itself) is created when needed. Throws
// StoreError, naming the folder, when it cannot be created.
QString analysesFolder(const Folders &folders,
                       const std::function<bool(const QString &)> &writable = isWritableFolder);

// Where an Open dialog for analyses starts: the folder the rule above gives
// when it exists, else the documents folder when it exists, else the empty
// text (the dialog's own choice). Creates nothing.
QString analysesFolderToBrowse(const Folders &folders,
                               const std::function<bool(const QString &)> &writable =
                                   isWritableFolder);

} // namespace places
