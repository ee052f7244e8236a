#pragma once
// Window `textes`: the segments of one text, one at a time, with the coding
// rows of the segment shown (subform `Contenus Sous-formulaire`), above it
// the running text around it (`contexte`, a click goes to a segment) and,
// beside them, the list of all the text's segments to jump anywhere. Made to
// be driven from the keyboard; the menus show the shortcuts.
#include <QMainWindow>
#include <QString>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTableView;

namespace coding {

class ContenusSubform;
class ContextView;
class SegmentModel;
class Session;

class frmTextes : public QMainWindow
{
    Q_OBJECT
public:
    frmTextes(Session &session, qint64 textNumber, const QString &textPath,
              QWidget *parent = nullptr);
    ~frmTextes() override;

    // Reads the text's segments and the lists, and shows the segment where
    // the coder left the text (the first one at the first opening).
    // When they cannot be read, tells why and returns false.
    bool Form_Load();

    // The segment shown (0 when the text has none) and its place (0-based).
    qint64 currentSegment() const;
    int currentRow() const { return m_row; }
    int segmentCount() const;

    ContenusSubform *subform() const { return m_subform; }
    ContextView *context() const { return m_context; }
    SegmentModel *segmentModel() const { return m_model; }

public slots:
    void premier_Click();
    void precedent_Click();
    void suivant_Click();
    void dernier_Click();
    void nonCode_Click();
    // Goes to the segment of that number; false when the text has none.
    bool goToNumber(qint64 number);
    // Reads everything again: the lists, the segments, the coding rows.
    void refresh();
    // Opens the editor of the shown segment's note, or of the text's.
    void editSegmentNote();
    void editTextNote();

private:
    void build();
    void buildMenus();
    void moveTo(int row);
    void showCurrent();
    void aller_Click();
    void listRowChosen(int row);
    void contextChosen(qint64 segment);
    void status(const QString &text);
    // Reads the lists and the shown segment's rows again (after a list was
    // edited or the program came back to the front).
    void refreshCoding();
    // Title and editing actions follow the session's read-only state.
    void applyReadOnly();
    // The notes: the mark beside the segment (made once, placed by build),
    // the actions of the menu "Édition", and the mark following the segment
    // shown and the history.
    QLabel *makeNoteMark(QWidget *parent);
    void addNoteActions(QMenu *edition);
    void showNoteMark();

    Session &m_session;
    qint64 m_text;
    QString m_path;
    int m_row = -1;
    bool m_syncing = false;

    QLabel *chemin = nullptr;
    QLabel *textes_numero = nullptr;
    QLabel *position = nullptr;
    QPlainTextEdit *texte = nullptr;
    ContextView *m_context = nullptr;
    QTableView *liste = nullptr;
    SegmentModel *m_model = nullptr;
    QPushButton *premier = nullptr;
    QPushButton *precedent = nullptr;
    QPushButton *suivant = nullptr;
    QPushButton *dernier = nullptr;
    QLineEdit *aller_numero = nullptr;
    QPushButton *aller = nullptr;
    QPushButton *non_code = nullptr;
    ContenusSubform *m_subform = nullptr;
    QLabel *note_marque = nullptr;
};

} // namespace coding
