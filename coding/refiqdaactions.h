#pragma once
// The coding application's exchanges with other analysis programs
// (REFI-QDA): the menu items of "Fichier", and the dialog in which the
// researcher places a codebook's first-level codes on the five lists when
// there are more than five of them.
#include "exchange/refiqda.h"
#include "exchange/refiqdaimport.h"

#include <QDialog>
#include <QList>
#include <functional>
#include <optional>
#include <vector>

class QAction;
class QMainWindow;
class QRadioButton;
class QTableWidget;

namespace coding {

class Session;

// "Exporter pour un autre logiciel (REFI-QDA)...", the codebook's export,
// and the two imports.
QList<QAction *> makeExchangeActions(Session &session, QMainWindow *window);

// What the researcher does with a project of several coders: one coder's
// codings into this analysis (by guid), or a copy of the analysis per coder.
struct CoderChoice
{
    bool perCoder = false;
    QString guid;
};
// When set, the dialog frmCodeurs is not shown: the hook answers (nullopt:
// the researcher cancels).
using CoderChoiceHook = std::function<std::optional<CoderChoice>(
    QWidget *parent, const std::vector<refiqda::ProjectCoder> &coders)>;
void setCoderChoiceHook(CoderChoiceHook hook);

// Window `frmCodeurs`: the coders of a project with their codings, and the
// choice between one coder's codings into this analysis and a copy per
// coder.
class frmCodeurs : public QDialog
{
    Q_OBJECT
public:
    frmCodeurs(const std::vector<refiqda::ProjectCoder> &coders, QWidget *parent = nullptr);
    CoderChoice choice() const;

private:
    std::vector<refiqda::ProjectCoder> m_coders;
    QTableWidget *codeurs = nullptr;
    QRadioButton *un_codeur = nullptr;
    QRadioButton *par_codeur = nullptr;
};

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
