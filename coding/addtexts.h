#pragma once
// "Fichier > Ajouter des textes..." of the coding application: the texts
// chosen are taken into the open analysis with one progress dialog for the
// whole batch ("Arrêter" rolls back the text in progress and keeps those
// done), then a summary tells each file's outcome.
#include "analysis/batchtakein.h"

#include <QDialog>

class QLabel;
class QTreeWidget;

namespace coding {

class Session;

// Asks for the texts and takes them in; returns how many were added.
int addTexts(Session &session, QWidget *parent);

// Takes the files in with the progress dialog; returns the outcomes.
// `options`: see batch::takeIn.
batch::Summary takeInWithProgress(Session &session, const QStringList &files, QWidget *parent,
                                  const batch::Options &options = {});

// The summary of a batch: counts, then one line per file.
class frmBilanAjout : public QDialog
{
    Q_OBJECT
public:
    frmBilanAjout(const batch::Summary &summary, QWidget *parent = nullptr);

    // "3 textes ajoutés, 1 déjà présent, 1 échec."
    static QString countsText(const batch::Summary &summary);

private:
    QLabel *bilan = nullptr;
    QTreeWidget *details = nullptr;
};

} // namespace coding
