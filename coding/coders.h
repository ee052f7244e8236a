#pragma once
// The coder of an analysis: the name asked for when the coding application
// opens an analysis that has none, changed in "Fichier > Codeur...", and the
// copies of the analysis made for other coders ("Fichier > Copie pour un
// codeur...").
#include <QDialog>
#include <QString>
#include <functional>
#include <optional>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace coding {

class Session;

namespace coders {

// Asks the coder's name, `current` proposed; nullopt when the user cancels.
std::optional<QString> askName(QWidget *parent, const QString &current);
// When set, no dialog is shown: the hook answers.
using NameHook = std::function<std::optional<QString>(QWidget *parent, const QString &current)>;
void setNameHook(NameHook hook);

} // namespace coders

// Dialog `CopieCodeur`: the coder's name, whether the coding rows go with
// the copy, and the file to write.
class frmCopieCodeur : public QDialog
{
    Q_OBJECT
public:
    explicit frmCopieCodeur(Session &session, QWidget *parent = nullptr);

    // Makes the copy from what the dialog holds; false (after telling why)
    // when it was not made. Closes the dialog on success.
    bool copier_Click();
    QString copyPath() const;

private:
    void parcourir_Click();
    void suggest();

    Session &m_session;
    QLineEdit *nom_codeur = nullptr;
    QCheckBox *avec_codage = nullptr;
    QLineEdit *fichier = nullptr;
    QPushButton *parcourir = nullptr;
    QPushButton *copier = nullptr;
    QPushButton *annuler = nullptr;
    bool m_pathChosen = false;
};

} // namespace coding
