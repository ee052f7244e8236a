#pragma once
// The main window: the text path and the analysis database path are chosen
// here, and they are the program's shared state (PathSource). "Traitement"
// is shown when both name existing files, "&Edition" enabled when the
// database path does.
#include "app/filedialogs.h"
#include "common/pathsource.h"

#include <QMainWindow>
#include <QPointer>

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QStatusBar;
class frmAnalyse;

class frmMenu : public QMainWindow, public PathSource
{
    Q_OBJECT
public:
    explicit frmMenu(QWidget *parent = nullptr);

    // PathSource: the texts of `source` and `Text3`, read afresh.
    QString textPath() const override;
    QString databasePath() const override;

    // Used by the new-analysis dialog: sets `Text3` (which runs the
    // availability rule when the text changes) and moves to the browse state.
    void setDatabasePath(const QString &path);
    void showBrowseState();

private slots:
    void Form_Load();
    void Ouvrir_latin_Click();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Annuler_Click();
    void suite_Click();
    void source_Change();
    void Text3_Change();
    void edit_analyse_Click();
    void About_Click();
    void quitter_Click();

private:
    void applyAvailabilityRule(bool databaseChanged);
    void showChoiceState();
    // A "Parcourir..." button: the dialog's name, when it gives one, goes
    // into the field under the busy pointer.
    void browse(RememberingFileDialog &dialog, QLineEdit *field);

    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QGroupBox *Frame1 = nullptr;
    QLineEdit *source = nullptr;
    QPushButton *Ouvrir_latin = nullptr;
    QGroupBox *Frame3 = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command3 = nullptr;
    QGroupBox *Frame2 = nullptr;
    QLineEdit *Text3 = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *suite = nullptr;
    QPushButton *Annuler = nullptr;
    QStatusBar *StatusBar1 = nullptr;

    QMenu *fichier = nullptr;
    QAction *quitter = nullptr;
    QMenu *analyse = nullptr;
    QAction *edit_analyse = nullptr;
    QMenu *aide = nullptr;
    QAction *About = nullptr;

    RememberingFileDialog CommonDialog1{QStringLiteral("Fichiers Texte (*.TXT)")};
    RememberingFileDialog CommonDialog2{QStringLiteral("Fichiers Texte (*.mdb)")};

    QPointer<frmAnalyse> m_analyse;
};
