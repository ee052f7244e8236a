#pragma once
// A line to type in a small dialog of its own, for the names and entries
// the windows ask for: the dialog named `objectName` (so that tests and the
// guide's F1 find it), its prompt ("invite"), the line ("nom", holding
// `current`, selected) and "OK" ("ok") and "Annuler" ("annuler").
#include <QString>
#include <optional>

class QWidget;

namespace coding {

// The text typed; nullopt when the user cancels. `widthTwips`: the least
// width of the dialog.
std::optional<QString> askLine(QWidget *parent, const QString &objectName, const QString &title,
                               const QString &prompt, const QString &current, int widthTwips = 5400);

} // namespace coding
