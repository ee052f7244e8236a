#pragma once
// The new-analysis dialog: turns the typed title into a file name and copies
// the template database to that name in the folder for new analyses (the
// program's folder, or the user's documents: see store/places.h), then hands
// the new path to the main window.
#include "store/places.h"

#include <QDialog>

class QGroupBox;
class QPlainTextEdit;
class QPushButton;
class frmMenu;

class Newanalyse : public QDialog
{
    Q_OBJECT
public:
    // At most this many characters in the title box (a line break counts two,
    // carriage return and line feed).
    static constexpr int kMaxTitleLength = 255;

    // programFolder: the program's folder, where the template is looked up
    // first and new analyses go when it can be written; empty means the one
    // places::current() gives (the folder of the running executable).
    explicit Newanalyse(frmMenu &menu, const QString &programFolder = QString());

    // The title box's text, a line break read as carriage return + line feed.
    QString title() const;
    const QString &programFolder() const { return m_programFolder; }

public slots:
    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private slots:
    void Form_Load();
    void OKButton_Click();
    void CancelButton_Click();
    void Form_Unload();
    void limitTitle(int position, int charsRemoved, int charsAdded);

private:
    frmMenu &m_menu;
    QString m_requestedFolder;
    QString m_programFolder;
    places::Folders m_folders;
    QString m_analysisFileName;

    QGroupBox *Frame1 = nullptr;
    QPlainTextEdit *Text1 = nullptr;
    QPushButton *OKButton = nullptr;
    QPushButton *CancelButton = nullptr;
};
