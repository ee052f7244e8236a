#include "coding/frmnotes.h"

#include "coding/session.h"
#include "common/look.h"
#include "common/messages.h"
#include "common/twips.h"
#include "store/codingstore.h"
#include "store/history.h"
#include "store/notestore.h"
#include "store/storeerror.h"

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace coding {
namespace {

enum Column { KindColumn, TextColumn, SegmentColumn, StartColumn, NoteColumn };

// The first words of a text on one line, at most `most` characters.
QString opening(const QString &text, int most)
{
    QString line = text.simplified();
    if (line.size() > most)
        line = line.left(most - 1).trimmed() + QChar(0x2026);
    return line;
}

QString kindName(notes::Genre genre)
{
    switch (genre) {
    case notes::Genre::Segment:
        return QStringLiteral("Segment");
    case notes::Genre::Text:
        return QStringLiteral("Texte");
    case notes::Genre::Analysis:
        break;
    }
    return QStringLiteral("Analyse");
}

QString fileName(const QString &path)
{
    const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('/')),
                                   path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(cut + 1);
}

} // namespace

// ----- frmNote -----

frmNote::frmNote(Session &session, int genre, qint64 target, const QString &title,
                 QWidget *parent)
    : QDialog(parent), m_session(session), m_genre(genre), m_target(target)
{
    setObjectName(QStringLiteral("frmNote"));
    setWindowTitle(title + m_session.titleMark());
    auto *layout = new QVBoxLayout(this);
    auto *label = new QLabel(title, this);
    label->setObjectName(QStringLiteral("titre_note"));
    label->setFont(look::font(look::kTimes, 12, true));
    layout->addWidget(label);
    note = new QPlainTextEdit(this);
    note->setObjectName(QStringLiteral("note"));
    note->setFont(look::font(look::kTimes, 12));
    note->setTabChangesFocus(true);
    note->setToolTip(QStringLiteral("Laisser vide pour supprimer la note (au plus %1 caractères)")
                         .arg(notes::kMostCharacters));
    layout->addWidget(note, 1);
    auto *buttons = new QDialogButtonBox(this);
    buttons->setObjectName(QStringLiteral("boutons"));
    QPushButton *ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    QPushButton *cancel =
        buttons->addButton(QStringLiteral("Annuler"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("annuler"));
    connect(buttons, &QDialogButtonBox::accepted, this, &frmNote::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &frmNote::reject);
    layout->addWidget(buttons);
    // Ctrl+Entrée writes the note; Entrée alone starts a new line (the
    // editor takes the keys before any shortcut: they are caught here).
    note->installEventFilter(this);
    const bool editable = !m_session.readOnly();
    note->setReadOnly(!editable);
    ok->setEnabled(editable);
    resize(twips::toPixels(7200), twips::toPixels(4320));
}

bool frmNote::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == note && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            && key->modifiers().testFlag(Qt::ControlModifier)) {
            accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool frmNote::Form_Load()
{
    try {
        const std::optional<QString> text = notes::read(
            m_session.store().connection(), notes::Genre(m_genre), m_target);
        note->setPlainText(text.value_or(QString()));
    } catch (const StoreError &e) {
        messages::error(parentWidget(), QStringLiteral("La note n'a pas pu être lue.\n\n%1")
                                            .arg(e.message()));
        return false;
    }
    note->moveCursor(QTextCursor::End);
    note->setFocus();
    return true;
}

void frmNote::accept()
{
    if (m_session.readOnly())
        return;
    const QString text = notes::normalized(note->toPlainText());
    // Said here, the text still in the editor.
    if (const QString refused = notes::problem(text); !refused.isEmpty()) {
        messages::error(this, refused);
        return;
    }
    try {
        m_session.history().setNote(m_genre, m_target, text);
    } catch (const StoreError &e) {
        messages::error(this, e.message());
        return;
    }
    QDialog::accept();
}

bool editNote(Session &session, int genre, qint64 target, const QString &title, QWidget *parent)
{
    frmNote dialog(session, genre, target, title, parent);
    if (!dialog.Form_Load())
        return false;
    return dialog.exec() == QDialog::Accepted;
}

// ----- frmNotes -----

frmNotes::frmNotes(Session &session, QWidget *parent) : QWidget(parent), m_session(session)
{
    setObjectName(QStringLiteral("frmNotes"));
    setWindowFlag(Qt::Window);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(m_session.titled(QStringLiteral("Notes")) + m_session.titleMark());
    look::setBackground(this, look::kLightYellow);
    auto *layout = new QVBoxLayout(this);

    auto *searchLine = new QHBoxLayout;
    auto *searchLabel = new QLabel(QStringLiteral("&Rechercher :"), this);
    rechercher = new QLineEdit(this);
    rechercher->setObjectName(QStringLiteral("rechercher"));
    rechercher->setClearButtonEnabled(true);
    rechercher->setPlaceholderText(QStringLiteral("dans les notes et leurs segments (sans "
                                                  "accents ni majuscules)"));
    searchLabel->setBuddy(rechercher);
    searchLine->addWidget(searchLabel);
    searchLine->addWidget(rechercher, 1);
    layout->addLayout(searchLine);

    liste_notes = new QTreeWidget(this);
    liste_notes->setObjectName(QStringLiteral("liste_notes"));
    liste_notes->setRootIsDecorated(false);
    liste_notes->setUniformRowHeights(true);
    liste_notes->setAlternatingRowColors(true);
    liste_notes->setHeaderLabels({QStringLiteral("Genre"), QStringLiteral("Texte"),
                                  QStringLiteral("Segment"), QStringLiteral("Début du segment"),
                                  QStringLiteral("Note")});
    liste_notes->header()->setStretchLastSection(true);
    liste_notes->setColumnWidth(KindColumn, twips::toPixels(1100));
    liste_notes->setColumnWidth(TextColumn, twips::toPixels(2200));
    liste_notes->setColumnWidth(SegmentColumn, twips::toPixels(900));
    liste_notes->setColumnWidth(StartColumn, twips::toPixels(3600));
    layout->addWidget(liste_notes, 1);

    auto *buttons = new QHBoxLayout;
    const auto button = [this, buttons](const QString &caption, const QString &name) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        buttons->addWidget(b);
        return b;
    };
    modifier = button(QStringLiteral("&Modifier la note..."), QStringLiteral("modifier"));
    supprimer = button(QStringLiteral("&Supprimer la note"), QStringLiteral("supprimer"));
    note_analyse = button(QStringLiteral("Note sur l'&analyse..."), QStringLiteral("note_analyse"));
    buttons->addStretch(1);
    etat = new QLabel(this);
    etat->setObjectName(QStringLiteral("etat"));
    buttons->addWidget(etat);
    QPushButton *fermer = button(QStringLiteral("&Fermer"), QStringLiteral("fermer"));
    layout->addLayout(buttons);

    connect(rechercher, &QLineEdit::textChanged, this, &frmNotes::filter);
    connect(liste_notes, &QTreeWidget::itemActivated, this, [this] { openCurrent(); });
    connect(modifier, &QPushButton::clicked, this, &frmNotes::editCurrent);
    connect(supprimer, &QPushButton::clicked, this, &frmNotes::deleteCurrent);
    connect(note_analyse, &QPushButton::clicked, this, [this] {
        editNote(m_session, int(notes::Genre::Analysis), 0, QStringLiteral("Note sur l'analyse"),
                 this);
    });
    connect(fermer, &QPushButton::clicked, this, &QWidget::close);
    // Every note written, removed, undone or redone shows here.
    connect(&m_session.history(), &History::stepsChanged, this, &frmNotes::refresh);
    connect(&m_session.history(), &History::replayed, this, &frmNotes::refresh);
    connect(&m_session, &Session::restored, this, &frmNotes::refresh);
    connect(&m_session, &Session::readOnlyChanged, this, &frmNotes::refresh);
    // The window goes with its analysis.
    connect(&m_session, &QObject::destroyed, this, &QWidget::close);
    resize(twips::toPixels(14400), twips::toPixels(6480));
}

QString frmNotes::folded(const QString &text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString out;
    out.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        const QChar::Category category = c.category();
        if (category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining
            || category == QChar::Mark_Enclosing)
            continue;
        out += c;
    }
    // Œ and Æ have no decomposition: written out as the coder would type them.
    out = out.toCaseFolded();
    out.replace(QChar(0x0153), QStringLiteral("oe"));
    out.replace(QChar(0x00E6), QStringLiteral("ae"));
    return out;
}

void frmNotes::refresh()
{
    setWindowTitle(m_session.titled(QStringLiteral("Notes")) + m_session.titleMark());
    std::vector<notes::Entry> entries;
    try {
        entries = notes::list(m_session.store().connection());
    } catch (const StoreError &e) {
        status(e.message());
        return;
    }
    // The note chosen stays chosen.
    const QTreeWidgetItem *current = liste_notes->currentItem();
    const QString chosen = current ? current->data(KindColumn, Qt::UserRole + 2).toString()
                                   : QString();
    liste_notes->clear();
    QTreeWidgetItem *again = nullptr;
    for (const notes::Entry &e : entries) {
        auto *item = new QTreeWidgetItem;
        item->setText(KindColumn, kindName(e.genre));
        if (e.genre != notes::Genre::Analysis) {
            item->setText(TextColumn, fileName(e.path));
            item->setToolTip(TextColumn, QStringLiteral("Texte n° %1 : %2").arg(e.text).arg(e.path));
        }
        if (e.genre == notes::Genre::Segment) {
            item->setText(SegmentColumn, QString::number(e.place));
            item->setToolTip(SegmentColumn, QStringLiteral("Segment n° %1").arg(e.segment));
            item->setTextAlignment(SegmentColumn, Qt::AlignRight | Qt::AlignVCenter);
            item->setText(StartColumn, opening(e.segmentText, 80));
            item->setToolTip(StartColumn, e.segmentText.left(1000));
        }
        item->setText(NoteColumn, opening(e.note, 200));
        item->setToolTip(NoteColumn, e.note.left(notes::kMostCharacters));
        item->setData(KindColumn, Qt::UserRole, int(e.genre));
        item->setData(KindColumn, Qt::UserRole + 1, e.target);
        item->setData(KindColumn, Qt::UserRole + 3, e.text);
        const QString key = QStringLiteral("%1/%2").arg(int(e.genre)).arg(e.target);
        item->setData(KindColumn, Qt::UserRole + 2, key);
        // What the filter looks in.
        item->setData(NoteColumn, Qt::UserRole, folded(e.note + QLatin1Char('\n') + e.segmentText));
        liste_notes->addTopLevelItem(item);
        if (key == chosen)
            again = item;
    }
    if (again)
        liste_notes->setCurrentItem(again);
    filter();
}

void frmNotes::filter()
{
    const QStringList words =
        folded(rechercher->text()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    int shown = 0;
    for (int i = 0; i < liste_notes->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = liste_notes->topLevelItem(i);
        const QString haystack = item->data(NoteColumn, Qt::UserRole).toString();
        bool match = true;
        for (const QString &w : words)
            match = match && haystack.contains(w);
        item->setHidden(!match);
        shown += match ? 1 : 0;
    }
    const int total = liste_notes->topLevelItemCount();
    if (QTreeWidgetItem *current = liste_notes->currentItem(); !current || current->isHidden()) {
        liste_notes->setCurrentItem(nullptr);
        for (int i = 0; i < total; ++i)
            if (!liste_notes->topLevelItem(i)->isHidden()) {
                liste_notes->setCurrentItem(liste_notes->topLevelItem(i));
                break;
            }
    }
    status(words.isEmpty() ? QStringLiteral("%1 note(s)").arg(total)
                           : QStringLiteral("%1 note(s) sur %2").arg(shown).arg(total));
    const bool any = liste_notes->currentItem() != nullptr;
    const bool editable = !m_session.readOnly();
    modifier->setEnabled(any);
    supprimer->setEnabled(any && editable);
    note_analyse->setEnabled(true);
}

void frmNotes::openCurrent()
{
    QTreeWidgetItem *item = liste_notes->currentItem();
    if (!item)
        return;
    if (notes::Genre(item->data(KindColumn, Qt::UserRole).toInt()) != notes::Genre::Segment) {
        editCurrent();
        return;
    }
    emit m_session.segmentWanted(item->data(KindColumn, Qt::UserRole + 3).toLongLong(),
                                 item->data(KindColumn, Qt::UserRole + 1).toLongLong());
}

void frmNotes::editCurrent()
{
    QTreeWidgetItem *item = liste_notes->currentItem();
    if (!item)
        return;
    const auto genre = notes::Genre(item->data(KindColumn, Qt::UserRole).toInt());
    const qint64 target = item->data(KindColumn, Qt::UserRole + 1).toLongLong();
    const QString title = genre == notes::Genre::Segment
                              ? QStringLiteral("Note sur le segment n° %1").arg(target)
                          : genre == notes::Genre::Text
                              ? QStringLiteral("Note sur le texte n° %1").arg(target)
                              : QStringLiteral("Note sur l'analyse");
    editNote(m_session, int(genre), target, title, this);
}

void frmNotes::deleteCurrent()
{
    QTreeWidgetItem *item = liste_notes->currentItem();
    if (!item || m_session.readOnly())
        return;
    const int genre = item->data(KindColumn, Qt::UserRole).toInt();
    const qint64 target = item->data(KindColumn, Qt::UserRole + 1).toLongLong();
    try {
        // One step: "Édition > Annuler" brings it back.
        m_session.history().setNote(genre, target, QString());
    } catch (const StoreError &e) {
        messages::error(this, e.message());
    }
}

void frmNotes::status(const QString &text)
{
    etat->setText(text);
}

// ----- the window of the session -----

namespace {

frmNotes *notesWindow(Session &session)
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *n = qobject_cast<frmNotes *>(w); n && &n->session() == &session)
            return n;
    return nullptr;
}

} // namespace

frmNotes *openNotes(Session &session)
{
    frmNotes *window = notesWindow(session);
    if (!window) {
        window = new frmNotes(session);
        window->refresh();
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void closeNotes(Session &session)
{
    if (frmNotes *window = notesWindow(session))
        window->close();
}

QAction *makeNotesAction(Session &session, QWidget *window)
{
    auto *a = new QAction(QStringLiteral("&Notes..."), window);
    a->setObjectName(QStringLiteral("notes"));
    a->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L));
    a->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(a, &QAction::triggered, window, [&session] { openNotes(session); });
    window->addAction(a);
    return a;
}

} // namespace coding
