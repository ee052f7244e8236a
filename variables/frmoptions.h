#pragma once
// The variables window: on four tabs, the analysis database being edited and
// the five editors of its lists of comparison variables. Every edit is stored
// at once by the editors; "OK" and "Annuler" only close the window.
#include <QDialog>
#include <QString>
#include <array>

class ListEditor;
class PathSource;
class QGroupBox;
class QLabel;
class QPushButton;
class QTabWidget;

class frmOptions : public QDialog
{
    Q_OBJECT
public:
    explicit frmOptions(const PathSource &paths, QWidget *parent = nullptr);

    // Fills the five lists from the database named by the main window and
    // shows its path. When a list cannot be filled, tells the user why and
    // returns false: the window is then not to be shown.
    bool Form_Load();

    void OKButton_Click();
    void CancelButton_Click();

protected:
    // Neither Enter nor Escape closes the window.
    void keyPressEvent(QKeyEvent *event) override;

private:
    const PathSource &m_paths;
    QString m_duplicateMessage;

    QTabWidget *SSTab1;
    QGroupBox *Frame1;
    QGroupBox *Frame2;
    QGroupBox *Frame3;
    QGroupBox *Frame4;
    QLabel *Label1;
    QPushButton *OKButton;
    QPushButton *CancelButton;
    std::array<ListEditor *, 5> m_editors{};
};
