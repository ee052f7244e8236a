#pragma once
// "Fichier > Exporter pour Iramuteq..." of the coding window: the choice of
// the units (the texts, or each coded segment with its coded values), then
// the file, then the export with its progress ("Arrêter" leaves the file as
// it was). The corpus is written by exchange/iramuteqexport.h.
#include "exchange/iramuteqexport.h"

#include <QDialog>

class QAction;
class QCheckBox;
class QMainWindow;

namespace coding {

class Session;

class frmIramuteq : public QDialog
{
    Q_OBJECT
public:
    explicit frmIramuteq(const IramuteqOptions &options, QWidget *parent = nullptr);
    IramuteqOptions options() const;

private:
    QCheckBox *avecCodes = nullptr;
};

// Asks for the options and the file and writes the corpus; returns the
// line for the status bar, empty when nothing was written.
QString exportForIramuteq(Session &session, QWidget *parent);

// The menu item, its summary shown in the window's status bar.
QAction *makeIramuteqAction(Session &session, QMainWindow *window);

} // namespace coding
