#pragma once
// The user's guide, in French, shipped in the programs' resources: the
// researcher's loop step by step, the keyboard of the coding window, where
// files go, how to back up and share an analysis, and a section for each
// window. Both programs open it from "Aide > Guide d'utilisation" and with F1
// in any window or dialog, in one window of its own (`frmGuide`) that stays
// beside the program's windows, closes with Escape or Ctrl+W, keeps its size
// from one opening (and run) to the next, and closes with the program.
//
// F1 opens the guide at the section of the window it is pressed in: the
// window's objectName is looked up in the table of guide/sections.cpp; a
// window the table does not name (a message, a file dialog, a progress
// window) takes the section of the Scope open around it, else that of the
// window it belongs to.
//
// Adding a window: give it an objectName, write its section in guide.html
// (<h3 id="...">, in the guide's French), and add one line to the table of
// guide/sections.cpp: {"objectName", "id"}. tests/guide opens every window
// and checks that F1 lands on a section that exists.
#include <QString>

class QAction;
class QApplication;
class QMenu;
class QWidget;

namespace guide {

// The guide's HTML text.
QString html();

// Shows the guide's window (`frmGuide`, its text in the QTextBrowser
// `texte`), or brings it forward where it stands.
void show();
// The same, scrolled to the section whose id is `section` (the top when it
// is empty). Opened while a modal dialog is up, the guide is modal over it,
// so that it can be read; it goes back to a window of its own once that
// dialog has closed.
void show(const QString &section);
// The section the guide was last opened at (empty: its top).
QString currentSection();

// The section of the window `widget` lies in (see above); empty when none
// of its windows has one.
QString sectionFor(const QWidget *widget);
// Opens the guide at the section of the window `widget` lies in. F1 in the
// guide itself leaves it where it is.
void showFor(const QWidget *widget);

// F1 anywhere in the program opens the guide at the section of the window
// it is pressed in: an application-wide filter, installed once, before any
// shortcut of the windows sees the key.
void installHelp(QApplication &app);

// While a Scope lives, the windows of no section of their own (messages,
// file dialogs, progress) take the section of `task`, an entry of the table
// (guide/sections.cpp). Scopes nest; the innermost counts.
class Scope
{
public:
    explicit Scope(const char *task);
    ~Scope();
    Scope(const Scope &) = delete;
    Scope &operator=(const Scope &) = delete;
};

// "&Guide d'utilisation", F1, opening the guide at the window's section;
// owned by window, which also gets it as its own action so that F1 works
// anywhere in it when the application-wide filter is not installed.
QAction *makeAction(QWidget *window);

// An "&Aide" menu (objectName "aide") holding that action, for the windows
// that have none.
QMenu *makeMenu(QWidget *window);

} // namespace guide
