#pragma once
// The options of the coding export, asked before the file: the layout (long
// or wide), leaving the uncoded segments out, the text's file name instead
// of its path, raw values for R or Python, the accepted suggestions left
// out or marked, and the separator.
#include "exchange/csvexport.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QRadioButton;

namespace coding {

class frmExport : public QDialog
{
    Q_OBJECT
public:
    explicit frmExport(const ExportOptions &options, QWidget *parent = nullptr);

    ExportOptions options() const;

private:
    QRadioButton *longue = nullptr;
    QRadioButton *large = nullptr;
    QCheckBox *codesSeulement = nullptr;
    QCheckBox *nomFichier = nullptr;
    QCheckBox *brut = nullptr;
    QCheckBox *sansSuggestions = nullptr;
    QCheckBox *marquerSuggestions = nullptr;
    QComboBox *separateur = nullptr;
};

} // namespace coding
