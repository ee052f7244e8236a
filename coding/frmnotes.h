#pragma once
// The coder's notes in the coding application (store/notestore.h):
//   - frmNote, the small editor of one note (a segment's, a text's or the
//     analysis's): OK writes it as one step of the history (an empty text
//     removes the note), "Annuler" leaves it as it was;
//   - frmNotes, the window "Notes" that lists every note with what it is
//     attached to, filtered as the coder types (letters compared without
//     accents nor case, over the note and its segment's text); a segment's
//     note opens its segment in the coding window (double-click or Entrée),
//     and any note is edited or removed there.
// No SQL here: the notes are read through the store and written through the
// session's history, so that "Édition > Annuler" takes a note back.
#include <QDialog>
#include <QWidget>

class QAction;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

namespace coding {

class Session;

class frmNote : public QDialog
{
    Q_OBJECT
public:
    // `genre` 1 a segment, 2 a text, 3 the analysis; `title` names it
    // ("Note sur le segment n° 12").
    frmNote(Session &session, int genre, qint64 target, const QString &title,
            QWidget *parent = nullptr);

    // Reads the note; false (told) when it cannot be read.
    bool Form_Load();
    void accept() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Session &m_session;
    int m_genre;
    qint64 m_target;
    QPlainTextEdit *note = nullptr;
};

// Opens the editor of a note, modal over `parent`; true when the note was
// written (or removed).
bool editNote(Session &session, int genre, qint64 target, const QString &title, QWidget *parent);

class frmNotes : public QWidget
{
    Q_OBJECT
public:
    explicit frmNotes(Session &session, QWidget *parent = nullptr);

    Session &session() const { return m_session; }
    // Reads the notes again, the filter kept.
    void refresh();

    // Accent- and case-insensitive form of a text, for the filter.
    static QString folded(const QString &text);

private:
    void filter();
    void openCurrent();
    void editCurrent();
    void deleteCurrent();
    void status(const QString &text);

    Session &m_session;
    QLineEdit *rechercher = nullptr;
    QTreeWidget *liste_notes = nullptr;
    QPushButton *modifier = nullptr;
    QPushButton *supprimer = nullptr;
    QPushButton *note_analyse = nullptr;
    QLabel *etat = nullptr;
};

// The window "Notes" of the session, opened when needed and brought forward.
frmNotes *openNotes(Session &session);
// Closes it (the session is going).
void closeNotes(Session &session);
// "Notes..." for a window's menu.
QAction *makeNotesAction(Session &session, QWidget *window);

} // namespace coding
