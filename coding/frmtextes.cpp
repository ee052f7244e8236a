#include "coding/frmtextes.h"

#include "coding/contenussubform.h"
#include "coding/contextview.h"
#include "coding/frmdictionnaires.h"
#include "coding/frmnotes.h"
#include "coding/refiqdaactions.h"
#include "coding/segmentmodel.h"
#include "coding/session.h"
#include "coding/suggester.h"
#include "common/look.h"
#include "common/messages.h"
#include "common/twips.h"
#include "guide/guide.h"
#include "store/codingstore.h"
#include "store/history.h"
#include "store/notestore.h"
#include "store/storeerror.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QVBoxLayout>

namespace coding {
namespace {

QString shownText(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QPushButton *navButton(const QString &caption, const QString &name, const QString &tip,
                       QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setToolTip(tip);
    b->setAutoDefault(false);
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

} // namespace

frmTextes::frmTextes(Session &session, qint64 textNumber, const QString &textPath,
                     QWidget *parent)
    : QMainWindow(parent), m_session(session), m_text(textNumber), m_path(textPath)
{
    setObjectName(QStringLiteral("textes"));
    setAttribute(Qt::WA_DeleteOnClose);
    build();
    buildMenus();
    applyReadOnly();
    connect(&m_session, &Session::readOnlyChanged, this, &frmTextes::applyReadOnly);
    connect(&m_session, &Session::coderChanged, this, &frmTextes::applyReadOnly);
    connect(&m_session, &Session::listsChanged, this, &frmTextes::refreshCoding);
    // A change of the coding, here or in another window of the analysis.
    connect(&m_session, &Session::codingChanged, m_context, &ContextView::reload);
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state == Qt::ApplicationActive && m_row >= 0)
                    refreshCoding();
            });
    resize(1100, 720);
}

frmTextes::~frmTextes() = default;

void frmTextes::build()
{
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("cadre"));
    look::setBackground(central, look::kLightYellow);
    setCentralWidget(central);
    auto *layout = new QVBoxLayout(central);

    chemin = new QLabel(central);
    chemin->setObjectName(QStringLiteral("chemin"));
    chemin->setFont(look::font(look::kTimes, 11, true));
    look::setTextColour(chemin, look::kDarkBlue);
    chemin->setTextInteractionFlags(Qt::TextSelectableByMouse);
    chemin->setText(QStringLiteral("Texte n° %1 : %2").arg(m_text).arg(m_path));
    chemin->setToolTip(m_path);
    layout->addWidget(chemin);

    auto *splitter = new QSplitter(Qt::Horizontal, central);
    splitter->setObjectName(QStringLiteral("separation"));

    // Left: the segment, its place and the moves.
    auto *left = new QWidget(splitter);
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    // The segment's place in its text first; its stored number, for
    // reference, smaller.
    auto *placeLine = new QHBoxLayout;
    position = new QLabel(left);
    position->setObjectName(QStringLiteral("position"));
    position->setFont(look::font(look::kTimes, 12, true));
    textes_numero = new QLabel(left);
    textes_numero->setObjectName(QStringLiteral("textes_numero"));
    textes_numero->setFont(look::font(look::kTimes, 9));
    textes_numero->setToolTip(QStringLiteral("Numéro du segment dans l'analyse (celui que "
                                             "demande « Aller », Ctrl+G)"));
    look::setTextColour(textes_numero, QColor(90, 90, 90));
    placeLine->addWidget(position);
    placeLine->addWidget(makeNoteMark(left));
    placeLine->addStretch(1);
    placeLine->addWidget(textes_numero, 0, Qt::AlignBottom);
    leftLayout->addLayout(placeLine);

    // The running text around the segment, above the segment itself.
    auto *reading = new QSplitter(Qt::Vertical, left);
    reading->setObjectName(QStringLiteral("separation_texte"));
    reading->setChildrenCollapsible(false);
    m_context = new ContextView(m_session, reading);
    m_context->setMinimumHeight(twips::toPixels(1200));
    connect(m_context, &ContextView::segmentChosen, this, &frmTextes::contextChosen);

    texte = new QPlainTextEdit(reading);
    texte->setObjectName(QStringLiteral("texte"));
    texte->setReadOnly(true);
    texte->setFont(look::font(look::kTimes, 13));
    texte->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    texte->setMinimumHeight(twips::toPixels(900));
    reading->addWidget(m_context);
    reading->addWidget(texte);
    reading->setStretchFactor(0, 3);
    reading->setStretchFactor(1, 2);
    leftLayout->addWidget(reading, 1);

    auto *moves = new QHBoxLayout;
    premier = navButton(QStringLiteral("|◀ Premier"), QStringLiteral("premier"),
                        QStringLiteral("Premier segment (Alt+Début)"), left);
    precedent = navButton(QStringLiteral("◀ Précédent"), QStringLiteral("precedent"),
                          QStringLiteral("Segment précédent (Alt+Gauche, Page préc.)"), left);
    suivant = navButton(QStringLiteral("Suivant ▶"), QStringLiteral("suivant"),
                        QStringLiteral("Segment suivant (Alt+Droite, Page suiv.)"), left);
    dernier = navButton(QStringLiteral("Dernier ▶|"), QStringLiteral("dernier"),
                        QStringLiteral("Dernier segment (Alt+Fin)"), left);
    non_code = navButton(QStringLiteral("Suivant non codé"), QStringLiteral("non_code"),
                         QStringLiteral("Segment suivant sans codage (Ctrl+U)"), left);
    auto *goLabel = new QLabel(QStringLiteral("Segment n° :"), left);
    aller_numero = new QLineEdit(left);
    aller_numero->setObjectName(QStringLiteral("aller_numero"));
    aller_numero->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{1,10}")), aller_numero));
    aller_numero->setMinimumWidth(70);
    aller_numero->setMaximumWidth(90);
    aller_numero->setToolTip(QStringLiteral("Numéro du segment où aller (Ctrl+G), puis Entrée"));
    goLabel->setBuddy(aller_numero);
    aller = navButton(QStringLiteral("Aller"), QStringLiteral("aller"),
                      QStringLiteral("Aller au segment de ce numéro"), left);
    moves->addWidget(premier);
    moves->addWidget(precedent);
    moves->addWidget(suivant);
    moves->addWidget(dernier);
    moves->addSpacing(12);
    moves->addWidget(non_code);
    moves->addStretch(1);
    moves->addWidget(goLabel);
    moves->addWidget(aller_numero);
    moves->addWidget(aller);
    leftLayout->addLayout(moves);
    connect(premier, &QPushButton::clicked, this, &frmTextes::premier_Click);
    connect(precedent, &QPushButton::clicked, this, &frmTextes::precedent_Click);
    connect(suivant, &QPushButton::clicked, this, &frmTextes::suivant_Click);
    connect(dernier, &QPushButton::clicked, this, &frmTextes::dernier_Click);
    connect(non_code, &QPushButton::clicked, this, &frmTextes::nonCode_Click);
    connect(aller, &QPushButton::clicked, this, &frmTextes::aller_Click);
    connect(aller_numero, &QLineEdit::returnPressed, this, &frmTextes::aller_Click);

    // Right: every segment of the text.
    liste = new QTableView(splitter);
    liste->setObjectName(QStringLiteral("liste"));
    m_model = new SegmentModel(m_session.store(), liste);
    m_model->setObjectName(QStringLiteral("segments"));
    liste->setModel(m_model);
    liste->setSelectionBehavior(QAbstractItemView::SelectRows);
    liste->setSelectionMode(QAbstractItemView::SingleSelection);
    liste->setEditTriggers(QAbstractItemView::NoEditTriggers);
    liste->setWordWrap(false);
    liste->setAlternatingRowColors(true);
    liste->verticalHeader()->hide();
    liste->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    liste->verticalHeader()->setDefaultSectionSize(liste->fontMetrics().height() + 6);
    liste->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    liste->horizontalHeader()->setSectionResizeMode(SegmentModel::StartColumn,
                                                    QHeaderView::Stretch);
    liste->horizontalHeader()->setStretchLastSection(false);
    liste->setColumnWidth(SegmentModel::NumberColumn, 70);
    liste->setColumnWidth(SegmentModel::CodedColumn, 50);
    liste->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    liste->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    connect(liste->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                if (current.isValid())
                    listRowChosen(current.row());
            });

    splitter->addWidget(left);
    splitter->addWidget(liste);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    splitter->setSizes({640, 420});
    layout->addWidget(splitter, 3);

    auto *codingTitle = new QLabel(QStringLiteral("Codage du segment"), central);
    codingTitle->setObjectName(QStringLiteral("titre_codage"));
    codingTitle->setFont(look::font(look::kTimes, 12, true));
    look::setTextColour(codingTitle, look::kDarkBlue);
    layout->addWidget(codingTitle);

    m_subform = new ContenusSubform(m_session, central);
    m_subform->setMinimumHeight(150);
    layout->addWidget(m_subform, 2);
    connect(m_subform, &ContenusSubform::codingChanged, this, [this](qint64 segment, bool coded) {
        m_model->segmentChanged(segment, coded);
        emit m_session.codingChanged();
    });

    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
}

void frmTextes::buildMenus()
{
    auto action = [this](QMenu *menu, const QString &name, const QString &caption,
                         const QList<QKeySequence> &keys, auto slot) {
        auto *a = new QAction(caption, this);
        a->setObjectName(name);
        a->setShortcuts(keys);
        a->setShortcutContext(Qt::WindowShortcut);
        connect(a, &QAction::triggered, this, slot);
        menu->addAction(a);
        addAction(a);
        return a;
    };

    QMenu *fichier = menuBar()->addMenu(QStringLiteral("&Fichier"));
    fichier->setObjectName(QStringLiteral("fichier"));
    QAction *exporter = m_session.makeExportAction(this);
    fichier->addAction(exporter);
    addAction(exporter);
    fichier->addAction(m_session.makeCodebookAction(this));
    fichier->addAction(m_session.makeStatAction(this));
    fichier->addAction(m_session.makeCodebookImportAction(this));
    fichier->addAction(m_session.makeCommaAction(this));
    QAction *resultats = m_session.makeResultsAction(this);
    fichier->addAction(resultats);
    addAction(resultats);
    QAction *rechercher = m_session.makeSearchAction(this);
    fichier->addAction(rechercher);
    addAction(rechercher);
    fichier->addAction(m_session.makeVocabularyAction(this));
    fichier->addAction(makeDictionariesAction(m_session, this));
    fichier->addAction(m_session.makeSuggestionsAction(this));
    fichier->addSeparator();
    fichier->addActions(makeExchangeActions(m_session, this));
    fichier->addSeparator();
    action(fichier, QStringLiteral("actualiser"), QStringLiteral("&Actualiser"),
           {QKeySequence(Qt::Key_F5)}, &frmTextes::refresh);
    action(fichier, QStringLiteral("fermer"), QStringLiteral("&Fermer"),
           {QKeySequence(Qt::CTRL | Qt::Key_W)}, &QWidget::close);

    QMenu *segment = menuBar()->addMenu(QStringLiteral("&Segment"));
    segment->setObjectName(QStringLiteral("segment"));
    action(segment, QStringLiteral("action_premier"), QStringLiteral("&Premier"),
           {QKeySequence(Qt::ALT | Qt::Key_Home)}, &frmTextes::premier_Click);
    action(segment, QStringLiteral("action_precedent"), QStringLiteral("P&récédent"),
           {QKeySequence(Qt::ALT | Qt::Key_Left), QKeySequence(Qt::Key_PageUp)},
           &frmTextes::precedent_Click);
    action(segment, QStringLiteral("action_suivant"), QStringLiteral("&Suivant"),
           {QKeySequence(Qt::ALT | Qt::Key_Right), QKeySequence(Qt::Key_PageDown)},
           &frmTextes::suivant_Click);
    action(segment, QStringLiteral("action_dernier"), QStringLiteral("&Dernier"),
           {QKeySequence(Qt::ALT | Qt::Key_End)}, &frmTextes::dernier_Click);
    segment->addSeparator();
    action(segment, QStringLiteral("action_non_code"), QStringLiteral("Suivant &non codé"),
           {QKeySequence(Qt::CTRL | Qt::Key_U)}, &frmTextes::nonCode_Click);
    action(segment, QStringLiteral("action_aller"), QStringLiteral("&Aller au segment n°..."),
           {QKeySequence(Qt::CTRL | Qt::Key_G)}, [this] {
               aller_numero->setFocus(Qt::ShortcutFocusReason);
               aller_numero->selectAll();
           });
    action(segment, QStringLiteral("action_liste"), QStringLiteral("&Liste des segments"),
           {QKeySequence(Qt::CTRL | Qt::Key_L)},
           [this] { liste->setFocus(Qt::ShortcutFocusReason); });

    QMenu *codage = menuBar()->addMenu(QStringLiteral("&Codage"));
    codage->setObjectName(QStringLiteral("codage"));
    action(codage, QStringLiteral("action_nouvelle_ligne"), QStringLiteral("&Nouvelle ligne"),
           {QKeySequence(Qt::CTRL | Qt::Key_N)}, [this] { m_subform->addRow(); });
    action(codage, QStringLiteral("action_supprimer_ligne"),
           QStringLiteral("&Supprimer la ligne"), {QKeySequence(Qt::CTRL | Qt::Key_Delete)},
           [this] { m_subform->deleteRow(); });
    codage->addSeparator();
    for (int k = 1; k <= 5; ++k) {
        static const Qt::Key keys[] = {Qt::Key_1, Qt::Key_2, Qt::Key_3, Qt::Key_4, Qt::Key_5};
        action(codage, QStringLiteral("action_liste%1").arg(k),
               QStringLiteral("Aller à la liste &%1").arg(k),
               {QKeySequence(Qt::CTRL | keys[k - 1])}, [this, k] { m_subform->focusList(k); });
    }

    // Édition: Annuler, Rétablir, and the coding of the segment before.
    QMenu *edition = m_session.makeEditMenu(this);
    menuBar()->insertMenu(segment->menuAction(), edition);
    edition->addSeparator();
    QAction *commePrecedent =
        action(edition, QStringLiteral("comme_precedent"),
               QStringLiteral("&Comme le segment précédent"), {QKeySequence(Qt::CTRL | Qt::Key_D)},
               [this] {
                   if (m_row < 0)
                       return;
                   const qint64 previous = m_row > 0 ? m_model->keys()[size_t(m_row - 1)] : 0;
                   const QString told = m_subform->likePrevious(previous);
                   if (!told.isEmpty())
                       status(told);
               });
    commePrecedent->setToolTip(QStringLiteral("Reprend les lignes de codage du segment précédent "
                                              "du texte (Ctrl+D)"));
    commePrecedent->setEnabled(!m_session.history().readOnly());
    connect(&m_session.history(), &History::readOnlyChanged, commePrecedent,
            [commePrecedent](bool readOnly) { commePrecedent->setEnabled(!readOnly); });
    // Return on the last list of the last row: on to the next segment.
    connect(m_subform, &ContenusSubform::nextSegmentWanted, this, &frmTextes::suivant_Click);
    addNoteActions(edition);
    menuBar()->addMenu(m_session.makeListsMenu(this));
    menuBar()->addMenu(guide::makeMenu(this));
}

bool frmTextes::Form_Load()
{
    try {
        m_subform->loadLists();
        m_context->loadListNames();
        m_model->setSegments(m_text, m_session.store().segmentKeys(m_text));
    } catch (const StoreError &e) {
        messages::error(this, QStringLiteral("Les segments du texte n° %1 n'ont pas pu être "
                                             "lus.\n\n%2")
                                  .arg(m_text)
                                  .arg(e.message()));
        return false;
    }
    // The lookups suggest values once the models are learnt, in the
    // background.
    m_session.suggester().start();
    // Back where the coder left the text.
    const int last = m_model->rowOf(m_session.lastSegment(m_text));
    moveTo(m_model->keys().empty() ? -1 : std::max(last, 0));
    return true;
}

void frmTextes::applyReadOnly()
{
    setWindowTitle(m_session.titled(QStringLiteral("Analyse de contenu - texte n° %1 (%2)")
                                        .arg(m_text)
                                        .arg(QFileInfo(m_path).fileName()))
                   + m_session.titleMark());
    // The coding rows follow the history's switch (Session sets it).
    const bool editable = !m_session.readOnly();
    for (const char *name : {"action_nouvelle_ligne", "action_supprimer_ligne"})
        if (auto *a = findChild<QAction *>(QLatin1String(name)))
            a->setEnabled(editable);
}

qint64 frmTextes::currentSegment() const
{
    return m_row >= 0 && m_row < segmentCount() ? m_model->keys()[size_t(m_row)] : 0;
}

int frmTextes::segmentCount() const
{
    return int(m_model->keys().size());
}

void frmTextes::moveTo(int row)
{
    const int count = segmentCount();
    if (count == 0)
        row = -1;
    else
        row = std::clamp(row, 0, count - 1);
    m_row = row;
    showCurrent();
    m_session.rememberSegment(m_text, currentSegment());
}

void frmTextes::showCurrent()
{
    const int count = segmentCount();
    const qint64 segment = currentSegment();
    if (m_row < 0) {
        textes_numero->setText(QStringLiteral("Aucun segment"));
        position->setText(QStringLiteral("Aucun segment dans ce texte"));
        texte->setPlainText(QStringLiteral("Ce texte n'a aucun segment enregistré."));
    } else {
        textes_numero->setText(QStringLiteral("Segment n° %1").arg(segment));
        position->setText(
            QStringLiteral("Segment %1 sur %2 de ce texte").arg(m_row + 1).arg(count));
        try {
            const std::optional<QString> text = m_session.store().segmentText(segment);
            texte->setPlainText(text ? shownText(*text)
                                     : QStringLiteral("(Ce segment n'est plus dans la base : "
                                                      "Actualiser (F5) relit le texte.)"));
        } catch (const StoreError &e) {
            texte->setPlainText(QString());
            status(e.message());
        }
    }
    m_context->showAround(m_text, segment);
    premier->setEnabled(m_row > 0);
    precedent->setEnabled(m_row > 0);
    suivant->setEnabled(m_row >= 0 && m_row < count - 1);
    dernier->setEnabled(m_row >= 0 && m_row < count - 1);
    non_code->setEnabled(count > 0);

    // The list follows.
    m_syncing = true;
    if (m_row >= 0) {
        const QModelIndex index = m_model->index(m_row, 0);
        liste->selectionModel()->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        liste->scrollTo(index);
    } else {
        liste->selectionModel()->clear();
    }
    m_syncing = false;

    showNoteMark();
    try {
        m_subform->showSegment(segment);
    } catch (const StoreError &e) {
        messages::error(this, QStringLiteral("Le codage du segment n° %1 n'a pas pu être lu.\n\n%2")
                                  .arg(segment)
                                  .arg(e.message()));
    }
}

void frmTextes::listRowChosen(int row)
{
    if (m_syncing || row == m_row)
        return;
    moveTo(row);
}

void frmTextes::contextChosen(qint64 segment)
{
    // As a choice in the list; a segment the list does not hold (added by
    // another program since the text was read) is told in the status bar.
    goToNumber(segment);
}

void frmTextes::premier_Click()
{
    if (segmentCount() > 0)
        moveTo(0);
}

void frmTextes::precedent_Click()
{
    if (m_row > 0)
        moveTo(m_row - 1);
}

void frmTextes::suivant_Click()
{
    if (m_row >= 0 && m_row < segmentCount() - 1)
        moveTo(m_row + 1);
    else if (segmentCount() > 0)
        status(QStringLiteral("C'est le dernier segment du texte."));
}

void frmTextes::dernier_Click()
{
    if (segmentCount() > 0)
        moveTo(segmentCount() - 1);
}

void frmTextes::nonCode_Click()
{
    if (segmentCount() == 0)
        return;
    try {
        std::optional<qint64> next = m_session.store().nextUncoded(m_text, currentSegment());
        bool wrapped = false;
        if (!next) {
            next = m_session.store().nextUncoded(m_text, 0);
            wrapped = true;
        }
        if (!next) {
            status(QStringLiteral("Tous les segments de ce texte sont codés."));
            return;
        }
        if (*next == currentSegment()) {
            status(QStringLiteral("Ce segment est le seul segment sans codage du texte."));
            return;
        }
        int row = m_model->rowOf(*next);
        if (row < 0) {
            // A segment added since the text was opened: read the text again.
            m_model->setSegments(m_text, m_session.store().segmentKeys(m_text));
            row = m_model->rowOf(*next);
        }
        moveTo(row);
        if (wrapped)
            status(QStringLiteral("Retour au début du texte : segment n° %1, le premier sans "
                                  "codage.")
                       .arg(*next));
    } catch (const StoreError &e) {
        messages::error(this, e.message());
    }
}

bool frmTextes::goToNumber(qint64 number)
{
    const int row = m_model->rowOf(number);
    if (row < 0) {
        status(QStringLiteral("Le texte n° %1 n'a pas de segment n° %2.").arg(m_text).arg(number));
        return false;
    }
    moveTo(row);
    return true;
}

void frmTextes::aller_Click()
{
    bool ok = false;
    const qint64 number = aller_numero->text().toLongLong(&ok);
    if (!ok)
        return;
    if (goToNumber(number))
        aller_numero->clear();
}

void frmTextes::refresh()
{
    const qint64 segment = currentSegment();
    try {
        m_subform->loadLists();
        m_context->loadListNames();
        std::vector<qint64> keys = m_session.store().segmentKeys(m_text);
        m_model->setSegments(m_text, std::move(keys));
    } catch (const StoreError &e) {
        messages::error(this, e.message());
        return;
    }
    const auto &keys = m_model->keys();
    const auto it = std::lower_bound(keys.begin(), keys.end(), segment);
    moveTo(it == keys.end() ? int(keys.size()) - 1 : int(it - keys.begin()));
    status(QStringLiteral("Texte relu."));
}

void frmTextes::refreshCoding()
{
    try {
        m_subform->loadLists();
        m_context->loadListNames();
        m_subform->reload();
    } catch (const StoreError &e) {
        status(e.message());
    }
    m_model->invalidate();
    m_context->reload();
}

QLabel *frmTextes::makeNoteMark(QWidget *parent)
{
    note_marque = new QLabel(QStringLiteral("✎ note"), parent);
    note_marque->setObjectName(QStringLiteral("note_marque"));
    note_marque->setFont(look::font(look::kTimes, 11, false, true));
    look::setTextColour(note_marque, look::kDarkBlue);
    note_marque->hide();
    // The mark follows every note written, removed, undone or redone.
    connect(&m_session.history(), &History::stepsChanged, this, &frmTextes::showNoteMark);
    return note_marque;
}

void frmTextes::addNoteActions(QMenu *edition)
{
    edition->addSeparator();
    const auto add = [this, edition](const QString &name, const QString &caption,
                                     const QKeySequence &key, void (frmTextes::*slot)()) {
        auto *a = new QAction(caption, this);
        a->setObjectName(name);
        a->setShortcut(key);
        a->setShortcutContext(Qt::WindowShortcut);
        connect(a, &QAction::triggered, this, slot);
        edition->addAction(a);
        addAction(a);
    };
    add(QStringLiteral("note_segment"), QStringLiteral("Note sur le &segment..."),
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N), &frmTextes::editSegmentNote);
    add(QStringLiteral("note_texte"), QStringLiteral("Note sur le &texte..."),
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T), &frmTextes::editTextNote);
    edition->addAction(makeNotesAction(m_session, this));
}

void frmTextes::showNoteMark()
{
    const qint64 segment = currentSegment();
    std::optional<QString> note;
    if (segment > 0) {
        try {
            note = notes::read(m_session.store().connection(), notes::Genre::Segment, segment);
        } catch (const StoreError &e) {
            status(e.message());
        }
    }
    note_marque->setVisible(note.has_value());
    note_marque->setToolTip(note ? note->left(2000) : QString());
}

void frmTextes::editSegmentNote()
{
    const qint64 segment = currentSegment();
    if (segment <= 0) {
        status(QStringLiteral("Ce texte n'a aucun segment."));
        return;
    }
    if (editNote(m_session, int(notes::Genre::Segment), segment,
                 QStringLiteral("Note sur le segment n° %1").arg(segment), this))
        status(QStringLiteral("Note du segment n° %1 enregistrée.").arg(segment));
}

void frmTextes::editTextNote()
{
    if (editNote(m_session, int(notes::Genre::Text), m_text,
                 QStringLiteral("Note sur le texte n° %1").arg(m_text), this))
        status(QStringLiteral("Note du texte n° %1 enregistrée.").arg(m_text));
}

void frmTextes::status(const QString &text)
{
    statusBar()->showMessage(text, 8000);
}

} // namespace coding
