#pragma once
// The coding application's exchanges with other analysis programs
// (REFI-QDA): the menu items of "Fichier", and the dialog in which the
// researcher places a codebook's first-level codes on the five lists when
// there are more than five of them.
#include "exchange/refiqda.h"

#include <QDialog>
#include <QList>
#include <vector>

class QAction;
class QMainWindow;
class QTableWidget;

namespace coding {

class Session;

// "Exporter pour un autre logiciel (REFI-QDA)...", the codebook's export,
// and the two imports.
QList<QAction *> makeExchangeActions(Session &session, QMainWindow *window);

// Window `frmPlacement`: one line per first-level code, its list chosen in
// a combo box ("Ne pas importer" or one of the five lists).
class frmPlacement : public QDialog
{
    Q_OBJECT
public:
    frmPlacement(const std::vector<refiqda::Code> &codes, const std::array<QString, 5> &listNames,
                 QWidget *parent = nullptr);
    // The list of each first-level code (0: not imported).
    std::vector<int> lists() const;

private:
    QTableWidget *codes = nullptr;
};

} // namespace coding
