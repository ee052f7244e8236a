#pragma once
// The analysis window: takes the chosen text into the chosen analysis
// database and offers to open that database in its own application.
//
// Activation: the activation sequence runs when the window is first shown and
// again each time a modal window it opened (the About window) has closed.
// Switching back from another application is no activation.
//
// A new text is taken in whole or not at all: its `Chemin` row is added in a
// transaction on the connection that `data2` and `data1` share, and the
// transaction is committed only once the timer's segmentation has stored the
// last segment. Any failure, closing the window before that, or the program
// ending rolls it back, so the next opening takes the text in again.
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <memory>

class BoundField;
class Connection;
class OleLink;
class PathSource;
class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTimer;
class RecordSource;

class frmAnalyse : public QMainWindow
{
    Q_OBJECT
public:
    frmAnalyse(const PathSource &paths, QWidget *mainWindow, QWidget *parent = nullptr);
    ~frmAnalyse() override;

    // True while a new text's row waits, uncommitted, for the segmentation.
    bool takeInPending() const { return m_pending; }
    // The progress value of the segmentation, exact at every line; the bar
    // shows it as it stood at its last repaint.
    int progressValue() const { return m_progress; }

signals:
    void progressChanged(int value);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private slots:
    void Form_Activate();
    void activateOncePainted();
    void Timer1_Timer();
    void Command1_Click();
    void fermer_Click();
    void About_Click();

private:
    void build();
    void Form_Load();
    void Form_Unload();
    void determiner_phrases();
    void openSegments(const QString &connectionString, const QString &textNumber);
    void rollBackTakeIn();
    // Reports a failure, undoes the pending take-in and closes the window.
    void fail(const QString &what, const QString &cause);
    void showAnalysisPanel();

    const PathSource &m_paths;
    QPointer<QWidget> m_mainWindow;

    std::shared_ptr<Connection> m_db;
    bool m_pending = false;       // Chemin row added, segments not stored yet
    bool m_timerFired = false;
    bool m_firstShow = true;
    bool m_failed = false;
    bool m_aboutOpen = false;     // the modal About window is up
    int m_exposeChecks = 0;       // before the first activation
    int m_progress = 0;
    QString m_pendingText;        // the path recorded for the pending take-in

    // Visible controls.
    QGroupBox *Frame3 = nullptr;
    QLabel *Label1 = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    QGroupBox *Frame1 = nullptr;
    OleLink *OLE1 = nullptr;
    QPushButton *Command1 = nullptr;
    QStatusBar *StatusBar1 = nullptr;
    QLabel *Panel1 = nullptr;
    QMenu *fichier = nullptr;
    QAction *fermer = nullptr;
    QMenu *aide = nullptr;
    QAction *About = nullptr;

    // Hidden parts.
    RecordSource *data2 = nullptr;
    BoundField *Text4 = nullptr;
    BoundField *Text5 = nullptr;
    RecordSource *data1 = nullptr;
    BoundField *Text2 = nullptr;
    BoundField *Text3 = nullptr;
    QTimer *Timer1 = nullptr;
};
