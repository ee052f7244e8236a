#pragma once
// The user's guide, in French, shipped in the programs' resources: the
// researcher's loop step by step, the keyboard of the coding window, where
// files go, how to back up and share an analysis. Both programs open it from
// "Aide > Guide d'utilisation" (F1), in one window of its own that stays
// beside the program's windows and closes with the program.
#include <QString>

class QAction;
class QMenu;
class QWidget;

namespace guide {

// The guide's HTML text.
QString html();

// Shows the guide's window (`frmGuide`, its text in the QTextBrowser
// `texte`), or brings it forward when it is open already.
void show();

// "&Guide d'utilisation", F1 in the whole window, opening the guide; owned by
// window, which also gets it as its own action so that F1 works anywhere in it.
QAction *makeAction(QWidget *window);

// An "&Aide" menu (objectName "aide") holding that action, for the windows
// that have none.
QMenu *makeMenu(QWidget *window);

} // namespace guide
