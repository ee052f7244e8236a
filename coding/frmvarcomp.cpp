#include "coding/frmvarcomp.h"

#include "common/frenchorder.h"
#include "store/history.h"
#include "coding/session.h"
#include "common/look.h"
#include "common/messages.h"
#include "common/twips.h"
#include "store/codebookstore.h"
#include "store/codingstore.h"
#include "store/liststore.h"
#include "store/storeerror.h"
#include "variables/listeditor.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>
#include <QWidget>

namespace coding {
namespace {

// Places, in twips, inside the window's frame.
constexpr int kFrameWidth = 7140;
constexpr int kFrameHeight = 6000;
constexpr int kLeft = 240;
constexpr int kInputTop = 1080;
constexpr int kInputWidth = 2055;
constexpr int kInputHeight = 330;
constexpr int kNewDefinitionTop = kInputTop + 360;
constexpr int kListTop = kNewDefinitionTop + 360;
constexpr int kListHeight = 3300;
constexpr int kButtonsLeft = 2400;
constexpr int kButtonWidth = 1455;
constexpr int kButtonHeight = 375;
constexpr int kButtonStep = 480;
constexpr int kDefinitionLeft = 4020;
constexpr int kDefinitionWidth = 2880;
constexpr int kDefinitionTop = kInputTop + 360;

// The input text without its leading spaces.
QString withoutLeadingSpaces(const QString &text)
{
    int i = 0;
    while (i < text.size() && text.at(i) == QLatin1Char(' '))
        ++i;
    return text.mid(i);
}

QString linesOf(qint64 count)
{
    if (count == 0)
        return QStringLiteral("aucune ligne de codage");
    return count == 1 ? QStringLiteral("1 ligne de codage")
                      : QStringLiteral("%1 lignes de codage").arg(count);
}

// The question asked before a value used by coding rows is deleted.
QString deleteQuestion(const QString &value, qint64 uses)
{
    return QStringLiteral("%1 est utilisée par %2. %3 aussi ?")
        .arg(lists::quoted(value), linesOf(uses),
             uses == 1 ? QStringLiteral("La supprimer") : QStringLiteral("Les supprimer"));
}

// The pointer shows the wait while a step of many rows is written.
class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

// The dialog of "Remplacer par…": the other values of the list, to choose
// the one that takes the coding rows over.
class frmRemplacer : public QDialog
{
public:
    frmRemplacer(const QString &value, qint64 uses, const std::vector<french::OrderedValue> &others,
                 QWidget *parent)
        : QDialog(parent)
    {
        setObjectName(QStringLiteral("remplacer_par"));
        setWindowTitle(QStringLiteral("Analyse de contenu - Remplacer une valeur"));
        auto *layout = new QVBoxLayout(this);
        auto *text = new QLabel(QStringLiteral("Remplacer %1 (%2) par :")
                                    .arg(lists::quoted(value), linesOf(uses)),
                                this);
        text->setObjectName(QStringLiteral("question"));
        text->setWordWrap(true);
        layout->addWidget(text);
        m_values = new QListWidget(this);
        m_values->setObjectName(QStringLiteral("valeurs"));
        for (const french::OrderedValue &v : others) {
            auto *item = new QListWidgetItem(
                v.text.isEmpty() ? QStringLiteral("(valeur vide : ne plus coder cette liste)")
                                 : v.text,
                m_values);
            item->setData(Qt::UserRole, v.numero);
        }
        layout->addWidget(m_values, 1);
        auto *note = new QLabel(QStringLiteral("Les lignes de codage passeront à la valeur "
                                               "choisie, puis %1 sera supprimée "
                                               "(Édition > Annuler revient en arrière).")
                                    .arg(lists::quoted(value)),
                                this);
        note->setWordWrap(true);
        layout->addWidget(note);
        auto *buttons = new QDialogButtonBox(this);
        m_ok = buttons->addButton(QStringLiteral("Remplacer"), QDialogButtonBox::AcceptRole);
        m_ok->setObjectName(QStringLiteral("remplacer"));
        m_ok->setEnabled(false);
        QPushButton *cancel =
            buttons->addButton(QStringLiteral("Annuler"), QDialogButtonBox::RejectRole);
        cancel->setObjectName(QStringLiteral("annuler"));
        layout->addWidget(buttons);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        connect(m_values, &QListWidget::currentRowChanged, this,
                [this](int row) { m_ok->setEnabled(row >= 0); });
        connect(m_values, &QListWidget::itemActivated, this, &QDialog::accept);
        resize(420, 420);
    }

    // The value chosen, 0 when none.
    qint64 chosen() const
    {
        const QListWidgetItem *item = m_values->currentItem();
        return item ? item->data(Qt::UserRole).toLongLong() : 0;
    }

private:
    QListWidget *m_values = nullptr;
    QPushButton *m_ok = nullptr;
};

} // namespace

QString frmVarComp::listTitle(int list)
{
    return codebook::defaultListName(list);
}

frmVarComp::frmVarComp(int list, Session &session, QWidget *parent)
    : QDialog(parent), m_list(list), m_session(session),
      m_duplicateMessage(QStringLiteral("Cet élément existe déjà dans la liste."))
{
    setObjectName(QStringLiteral("var_comp_0%1").arg(list));
    look::setBackground(this, look::kLightYellow);
    const ListEditorConfig &names = listEditorConfigs().at(size_t(list - 1));

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSizeConstraint(QLayout::SetFixedSize);
    m_menuBar = new QMenuBar(this);
    m_menuBar->setObjectName(QStringLiteral("menus"));
    m_menuBar->addMenu(m_session.makeEditMenu(this));
    outer->setMenuBar(m_menuBar);

    auto *frame = new QWidget(this);
    frame->setObjectName(QStringLiteral("cadre"));
    frame->setFixedSize(twips::toPixels(kFrameWidth), twips::toPixels(kFrameHeight));
    outer->addWidget(frame);

    m_title = new QLabel(frame);
    m_title->setObjectName(QStringLiteral("titre"));
    m_title->setFont(look::font(look::kTimes, 11, true));
    look::setTextColour(m_title, look::kDarkBlue);
    twips::place(m_title, kLeft, 120, kFrameWidth - 2 * kLeft, 360);

    auto *nameLabel = new QLabel(QStringLiteral("&Nom de la liste :"), frame);
    twips::place(nameLabel, kLeft, 600, 1560, 330);
    m_nameEdit = new QLineEdit(frame);
    m_nameEdit->setObjectName(QStringLiteral("nom_liste"));
    m_nameEdit->setToolTip(QStringLiteral("Le nom de la liste dans les fenêtres de codage, les "
                                          "résultats et les exportations ; vide : le nom par "
                                          "défaut. Entrée l'enregistre."));
    nameLabel->setBuddy(m_nameEdit);
    twips::place(m_nameEdit, kLeft + 1620, 570, kFrameWidth - 2 * kLeft - 1620, kInputHeight);
    connect(m_nameEdit, &QLineEdit::editingFinished, this, &frmVarComp::nom_liste_Changed);

    const QFont entryFont = look::font(look::kTimes, 9);
    m_input = new QLineEdit(frame);
    m_input->setObjectName(QString::fromLatin1(names.inputBox));
    look::setOwnLook(m_input, entryFont);
    twips::place(m_input, kLeft, kInputTop, kInputWidth, kInputHeight);
    m_input->setToolTip(QStringLiteral("La valeur à ajouter : Entrée l'ajoute, et la zone reste "
                                       "prête pour la suivante"));
    // Entrée adds the value; the box, emptied, takes the next one.
    connect(m_input, &QLineEdit::returnPressed, this, &frmVarComp::Ajouter_Click);

    m_newDefinition = new QLineEdit(frame);
    m_newDefinition->setObjectName(QStringLiteral("definition_nouvelle"));
    m_newDefinition->setPlaceholderText(QStringLiteral("Définition (facultative)"));
    m_newDefinition->setToolTip(QStringLiteral("La définition de la valeur à ajouter, enregistrée "
                                               "avec elle (Entrée ajoute la valeur)"));
    m_newDefinition->setAccessibleName(QStringLiteral("Définition de la valeur à ajouter"));
    look::setOwnLook(m_newDefinition, entryFont);
    twips::place(m_newDefinition, kLeft, kNewDefinitionTop, kInputWidth, kInputHeight);
    connect(m_newDefinition, &QLineEdit::returnPressed, this, &frmVarComp::Ajouter_Click);

    m_listBox = new QListWidget(frame);
    m_listBox->setObjectName(QString::fromLatin1(names.listBox));
    m_listBox->setSortingEnabled(false);
    m_listBox->setSelectionMode(QAbstractItemView::SingleSelection);
    m_listBox->setUniformItemSizes(true);
    look::setOwnLook(m_listBox, entryFont);
    twips::place(m_listBox, kLeft, kListTop, kInputWidth, kListHeight);

    auto makeButton = [&](const char *name, const QString &caption, int row) {
        auto *b = new QPushButton(caption, frame);
        b->setObjectName(QString::fromLatin1(name));
        look::setOwnLook(b);
        // Entrée in the boxes must not press a button nor close the window:
        // it adds through the boxes' own signal.
        b->setAutoDefault(false);
        b->setDefault(false);
        twips::place(b, kButtonsLeft, kInputTop + row * kButtonStep, kButtonWidth, kButtonHeight);
        return b;
    };
    m_add = makeButton(names.addButton, QStringLiteral("Ajouter"), 0);
    m_modify = makeButton(names.modifyButton, QStringLiteral("Modifier"), 1);
    m_delete = makeButton(names.deleteButton, QStringLiteral("Supprimer"), 2);
    m_replace = makeButton("remplacer", QStringLiteral("Remplacer par…"), 3);
    m_replace->setToolTip(QStringLiteral("Fait passer les lignes de codage de la valeur choisie à "
                                         "une autre valeur de la liste, puis la supprime"));

    auto *definitionLabel = new QLabel(QStringLiteral("&Définition de la valeur choisie :"), frame);
    definitionLabel->setWordWrap(true);
    twips::place(definitionLabel, kDefinitionLeft, kInputTop, kDefinitionWidth, kInputHeight);
    m_definition = new QPlainTextEdit(frame);
    m_definition->setObjectName(QStringLiteral("definition"));
    m_definition->setTabChangesFocus(true);
    m_definition->setPlaceholderText(QStringLiteral("Règle d'inclusion ou d'exclusion, exemple…"));
    definitionLabel->setBuddy(m_definition);
    twips::place(m_definition, kDefinitionLeft, kDefinitionTop, kDefinitionWidth, 2700);
    m_saveDefinition = new QPushButton(QStringLiteral("Enregistrer la définition"), frame);
    m_saveDefinition->setObjectName(QStringLiteral("enregistrer_definition"));
    m_saveDefinition->setAutoDefault(false);
    twips::place(m_saveDefinition, kDefinitionLeft, kDefinitionTop + 2820, kDefinitionWidth,
                 kButtonHeight);

    auto *fermer = new QPushButton(QStringLiteral("&Fermer"), frame);
    fermer->setObjectName(QStringLiteral("fermer"));
    fermer->setFont(look::font(QStringLiteral("Arial"), 8.25));
    fermer->setAutoDefault(false);
    fermer->setDefault(false);
    twips::place(fermer, kFrameWidth - kLeft - 975, kFrameHeight - 495, 975, kButtonHeight);
    connect(fermer, &QPushButton::clicked, this, &QDialog::accept);

    // What "Édition > Annuler" and the other actions started here did.
    m_statusBar = new QStatusBar(this);
    m_statusBar->setObjectName(QStringLiteral("StatusBar1"));
    m_statusBar->setSizeGripEnabled(false);
    outer->addWidget(m_statusBar);

    connect(m_listBox, &QListWidget::itemSelectionChanged, this, &frmVarComp::List_Click);
    connect(m_listBox, &QListWidget::itemClicked, this, &frmVarComp::List_Click);
    connect(m_add, &QPushButton::clicked, this, &frmVarComp::Ajouter_Click);
    connect(m_modify, &QPushButton::clicked, this, &frmVarComp::Modifier_Click);
    connect(m_delete, &QPushButton::clicked, this, &frmVarComp::Supprimer_Click);
    connect(m_replace, &QPushButton::clicked, this, &frmVarComp::Remplacer_Click);
    connect(m_saveDefinition, &QPushButton::clicked, this,
            &frmVarComp::enregistrer_definition_Click);

    // A step undone or redone (here or in another window) or a codebook
    // taken in may change the list: it is read again.
    connect(&m_session, &Session::listsChanged, this, [this] {
        try {
            charger_liste();
        } catch (const StoreError &e) {
            messages::error(this, e.message());
        }
    });
    setReadOnly(m_session.history().readOnly());
    connect(&m_session.history(), &History::readOnlyChanged, this, &frmVarComp::setReadOnly);
    m_name = listTitle(list);
    showTitle();
    // The window opens on the input box, as the variables window's editors.
    m_input->setFocus(Qt::OtherFocusReason);
}

void frmVarComp::showTitle()
{
    const QString list = QString::number(m_list);
    m_title->setText(QStringLiteral("%1 (liste %2)").arg(m_name, list));
    setWindowTitle(QStringLiteral("Analyse de contenu - %1 (liste %2)").arg(m_name, list));
}

bool frmVarComp::Form_Load()
{
    try {
        charger_liste();
        return true;
    } catch (const StoreError &e) {
        messages::error(parentWidget(), QStringLiteral("La liste %1 (%2) n'a pas pu être lue.\n\n%3")
                                            .arg(QString::number(m_list), m_name, e.message()));
        return false;
    }
}

void frmVarComp::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    for (QWidget *w : {static_cast<QWidget *>(m_add), static_cast<QWidget *>(m_modify),
                       static_cast<QWidget *>(m_delete), static_cast<QWidget *>(m_replace),
                       static_cast<QWidget *>(m_saveDefinition)})
        w->setEnabled(!readOnly);
    m_input->setReadOnly(readOnly);
    m_newDefinition->setReadOnly(readOnly);
    m_nameEdit->setReadOnly(readOnly);
    m_definition->setReadOnly(readOnly);
}

void frmVarComp::charger_liste()
{
    Connection &db = m_session.store().connection();
    std::vector<french::OrderedValue> ordered;
    for (const lists::Value &v : lists::values(db, m_list))
        ordered.push_back(french::OrderedValue{v.numero, v.text});
    french::sortFrench(ordered);
    m_name = m_session.listNames().at(size_t(m_list - 1));
    m_definitions = m_session.definitions(m_list);

    m_listBox->clear();
    for (const french::OrderedValue &v : ordered) {
        auto *item = new QListWidgetItem(v.text, m_listBox);
        item->setData(Qt::UserRole, v.numero);
        item->setToolTip(tipOf(v.numero));
    }
    m_listBox->clearSelection();
    m_definition->clear();
    if (!m_nameEdit->hasFocus())
        m_nameEdit->setText(m_name);
    showTitle();
}

QString frmVarComp::tipOf(qint64 numero) const
{
    const auto definition = m_definitions.find(numero);
    if (definition != m_definitions.end())
        return definition->second;
    if (numero == lists::kEmptyValue)
        return QStringLiteral("Valeur vide (n° 1) : le départ de chaque ligne de codage");
    return QStringLiteral("n° %1").arg(numero);
}

qint64 frmVarComp::selectedValue() const
{
    const QList<QListWidgetItem *> selected = m_listBox->selectedItems();
    return selected.isEmpty() ? 0 : selected.first()->data(Qt::UserRole).toLongLong();
}

void frmVarComp::List_Click()
{
    const QList<QListWidgetItem *> selected = m_listBox->selectedItems();
    if (selected.isEmpty())
        return;
    m_input->setText(selected.first()->text());
    const auto definition = m_definitions.find(selectedValue());
    m_definition->setPlainText(definition != m_definitions.end() ? definition->second : QString());
}

void frmVarComp::refuseEmptyValue(const QString &what)
{
    messages::plain(this, QStringLiteral("La première valeur de la liste, la valeur vide, ne peut "
                                         "pas être %1 : chaque ligne de codage commence sur elle "
                                         "et la garde pour les listes laissées vides.\n\nPour une "
                                         "première valeur, tapez-la dans la zone de saisie puis "
                                         "cliquez sur « Ajouter ».")
                              .arg(what));
}

void frmVarComp::storeFailed(const QString &what, const QString &message)
{
    messages::error(this, what + QStringLiteral("\n\n") + message);
    try {
        charger_liste();
    } catch (const StoreError &) {
    }
}

void frmVarComp::Ajouter_Click()
{
    if (m_readOnly)
        return;
    const QString input = m_input->text();
    // The next value is typed where the last one was, however it was added.
    m_input->setFocus(Qt::OtherFocusReason);
    if (withoutLeadingSpaces(input).isEmpty())
        return;
    for (int i = 0; i < m_listBox->count(); ++i) {
        if (m_listBox->item(i)->text() == input) {
            messages::plain(this, m_duplicateMessage);
            return;
        }
    }
    const QString definition = m_newDefinition->text().trimmed();
    const QString problem = lists::valueProblem(input);
    if (!problem.isEmpty()) {
        messages::error(this, QStringLiteral("La valeur %1 ne peut pas être ajoutée : %2.")
                                  .arg(lists::quoted(input), problem));
        return;
    }
    try {
        m_session.history().addValue(m_list, input, definition);
        charger_liste();
        m_input->clear();
        m_newDefinition->clear();
    } catch (const StoreError &e) {
        storeFailed(QStringLiteral("La valeur %1 n'a pas pu être ajoutée à la liste.")
                        .arg(lists::quoted(input)),
                    e.message());
    }
}

void frmVarComp::Modifier_Click()
{
    if (m_readOnly)
        return;
    const QString input = m_input->text();
    const qint64 numero = selectedValue();
    if (input.isEmpty()) {
        m_input->clear();
        return;
    }
    // Typed without choosing a value: nothing to change, the text stays.
    if (numero == 0)
        return;
    if (numero == lists::kEmptyValue) {
        refuseEmptyValue(QStringLiteral("modifiée"));
        return;
    }
    const QString problem = lists::valueProblem(input);
    if (!problem.isEmpty()) {
        messages::error(this, QStringLiteral("La valeur ne peut pas devenir %1 : %2.")
                                  .arg(lists::quoted(input), problem));
        return;
    }
    try {
        m_session.history().modifyValue(m_list, numero, input);
        charger_liste();
        m_input->clear();
    } catch (const StoreError &e) {
        storeFailed(QStringLiteral("La valeur n'a pas pu être modifiée."), e.message());
    }
}

void frmVarComp::Supprimer_Click()
{
    if (m_readOnly)
        return;
    const qint64 numero = selectedValue();
    // An empty input, or a text typed without choosing a value: nothing.
    if (m_input->text().isEmpty() || numero == 0)
        return;
    if (numero == lists::kEmptyValue) {
        refuseEmptyValue(QStringLiteral("supprimée"));
        return;
    }
    const QString value = m_listBox->selectedItems().first()->text();
    try {
        qint64 uses = lists::usageCount(m_session.store().connection(), m_list, numero);
        for (;;) {
            if (uses > 0 && !messages::ask(this, deleteQuestion(value, uses)))
                return;
            try {
                WaitCursor wait;
                m_session.history().deleteValue(m_list, numero, uses);
                break;
            } catch (const lists::UsageChanged &changed) {
                // Another program coded with it meanwhile: ask again.
                uses = changed.uses();
            }
        }
        charger_liste();
        m_input->clear();
    } catch (const StoreError &e) {
        storeFailed(QStringLiteral("La valeur %1 n'a pas pu être supprimée.")
                        .arg(lists::quoted(value)),
                    e.message());
    }
}

void frmVarComp::Remplacer_Click()
{
    if (m_readOnly)
        return;
    const qint64 numero = selectedValue();
    if (numero == 0) {
        messages::plain(this, QStringLiteral("Choisissez d'abord dans la liste la valeur à "
                                             "remplacer."));
        return;
    }
    if (numero == lists::kEmptyValue) {
        refuseEmptyValue(QStringLiteral("remplacée"));
        return;
    }
    const QString value = m_listBox->selectedItems().first()->text();
    std::vector<french::OrderedValue> others;
    for (int i = 0; i < m_listBox->count(); ++i) {
        const qint64 n = m_listBox->item(i)->data(Qt::UserRole).toLongLong();
        if (n != numero)
            others.push_back(french::OrderedValue{n, m_listBox->item(i)->text()});
    }
    try {
        const qint64 uses = lists::usageCount(m_session.store().connection(), m_list, numero);
        frmRemplacer chooser(value, uses, others, this);
        if (chooser.exec() != QDialog::Accepted || chooser.chosen() == 0)
            return;
        {
            WaitCursor wait;
            m_session.history().replaceValue(m_list, numero, chooser.chosen());
        }
        charger_liste();
        m_input->clear();
    } catch (const StoreError &e) {
        storeFailed(QStringLiteral("La valeur %1 n'a pas pu être remplacée.")
                        .arg(lists::quoted(value)),
                    e.message());
    }
}

void frmVarComp::nom_liste_Changed()
{
    if (m_readOnly)
        return;
    const QString name = m_nameEdit->text().trimmed();
    if (name == m_name)
        return;
    try {
        m_session.history().setListName(m_list, name);
        m_nameEdit->clearFocus();
        charger_liste();
        m_nameEdit->setText(m_name);
        // The coding windows show the new name at once.
        emit m_session.listsChanged();
    } catch (const StoreError &e) {
        m_nameEdit->setText(m_name);
        messages::error(this, QStringLiteral("Le nom de la liste n'a pas pu être "
                                             "enregistré.\n\n%1")
                                  .arg(e.message()));
    }
}

void frmVarComp::enregistrer_definition_Click()
{
    if (m_readOnly)
        return;
    const qint64 numero = selectedValue();
    if (numero == 0) {
        messages::plain(this, QStringLiteral("Choisissez d'abord dans la liste la valeur que la "
                                             "définition décrit."));
        return;
    }
    const QString definition = m_definition->toPlainText().trimmed();
    try {
        m_session.history().setDefinition(m_list, numero, definition);
        m_definitions = m_session.definitions(m_list);
        m_listBox->selectedItems().first()->setToolTip(tipOf(numero));
    } catch (const StoreError &e) {
        messages::error(this, QStringLiteral("La définition n'a pas pu être enregistrée.\n\n%1")
                                  .arg(e.message()));
    }
}

} // namespace coding
