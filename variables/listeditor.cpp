#include "variables/listeditor.h"

#include "common/look.h"
#include "common/messages.h"
#include "common/pathsource.h"
#include "common/twips.h"
#include "store/connection.h"
#include "store/connectionstring.h"
#include "store/liststore.h"
#include "store/recordsource.h"
#include "store/storeerror.h"

#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace {

const std::array<ListEditorConfig, 5> kConfigs = {{
    {"select * from Var_comp_01", "variable01", "List1", "Text5", "Text2", "Text4", "data1",
     "Command2", "Command4", "Command3", 240, 840, 2400},
    {"select * from Var_comp_02", "variable02", "List2", "Text9", "Text8", "Text6", "data2",
     "Command7", "Command5", "Command6", 3600, 840, 5760},
    {"select * from Var_comp_03", "variable03", "List3", "Text10", "Text13", "Text11", "data3",
     "Command10", "Command8", "Command9", 2160, 600, 4320},
    {"select * from Var_comp_04", "variable04", "List4", "Text17", "Text14", "Text16", "data4",
     "Command11", "Command13", "Command12", 360, 720, 2520},
    {"select * from Var_comp_05", "variable05", "List5", "Text21", "Text18", "Text20", "data5",
     "Command14", "Command16", "Command15", 3840, 720, 6000},
}};

constexpr int kInputWidth = 2055;
constexpr int kInputHeight = 330;
constexpr int kListGap = 360; // from the input box's top to the list's
constexpr int kListHeight = 3660;
constexpr int kButtonWidth = 975;
constexpr int kButtonHeight = 375;
constexpr int kButtonStep = 480;

// The input text without its leading spaces.
QString withoutLeadingSpaces(const QString &text)
{
    int i = 0;
    while (i < text.size() && text.at(i) == QLatin1Char(' '))
        ++i;
    return text.mid(i);
}

// A value as quoted in a message: a long one is cut, so that the message
// stays readable (the whole value stays in the input box).
QString quoted(const QString &value)
{
    constexpr int kMost = 40;
    return value.size() <= kMost ? value : value.left(kMost) + QChar(0x2026);
}

// A record number as read from its bound field, as a signed 32-bit integer.
qint32 toNumber(const QString &text)
{
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok)
        throw StoreError(QStringLiteral("Le numéro « %1 » d'une variable n'est pas un nombre.")
                             .arg(text));
    return n;
}

// The number of the list (1 to 5) whose value column this is.
int listOf(const ListEditorConfig &config)
{
    return QString::fromLatin1(config.valueColumn).right(1).toInt();
}

} // namespace

const std::array<ListEditorConfig, 5> &listEditorConfigs()
{
    return kConfigs;
}

ListEditor::ListEditor(const ListEditorConfig &config, const PathSource &paths,
                       const QString &duplicateMessage, QWidget *frame)
    : QObject(frame), m_config(config), m_paths(paths), m_duplicateMessage(duplicateMessage),
      m_frame(frame)
{
    const QString recordSourceName = QString::fromLatin1(config.recordSource);
    m_data = new RecordSource(recordSourceName, frame);
    m_data->setObjectName(recordSourceName);
    m_numero = new BoundField(QString::fromLatin1(config.numeroField), m_data,
                              QStringLiteral("numero"), frame);
    m_numero->setObjectName(QString::fromLatin1(config.numeroField));
    m_value = new BoundField(QString::fromLatin1(config.valueField), m_data,
                             QString::fromLatin1(config.valueColumn), frame);
    m_value->setObjectName(QString::fromLatin1(config.valueField));

    // The controls sit on a frame whose caption font and colours they must
    // not take.
    const QFont entryFont = look::font(look::kTimes, 9);

    m_input = new QLineEdit(frame);
    m_input->setObjectName(QString::fromLatin1(config.inputBox));
    look::setOwnLook(m_input, entryFont);
    twips::place(m_input, config.inputLeft, config.inputTop, kInputWidth, kInputHeight);

    m_list = new QListWidget(frame);
    m_list->setObjectName(QString::fromLatin1(config.listBox));
    m_list->setSortingEnabled(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setUniformItemSizes(true);
    look::setOwnLook(m_list, entryFont);
    twips::place(m_list, config.inputLeft, config.inputTop + kListGap, kInputWidth, kListHeight);

    auto makeButton = [&](const char *name, const char *caption, int row) {
        auto *b = new QPushButton(QString::fromUtf8(caption), frame);
        b->setObjectName(QString::fromLatin1(name));
        look::setOwnLook(b);
        // Never the window's default button: Enter typed in the input box
        // adds nothing. Enter on the focused button itself presses it.
        b->setAutoDefault(false);
        b->setDefault(false);
        b->installEventFilter(this);
        twips::place(b, config.buttonsLeft, config.inputTop + row * kButtonStep, kButtonWidth,
                     kButtonHeight);
        return b;
    };
    m_add = makeButton(config.addButton, "Ajouter", 0);
    m_modify = makeButton(config.modifyButton, "Modifier", 1);
    m_delete = makeButton(config.deleteButton, "Supprimer", 2);

    // Selecting with the mouse or the arrow keys, or clicking the selected
    // entry again, copies its text into the input box.
    connect(m_list, &QListWidget::itemSelectionChanged, this, &ListEditor::List_Click);
    connect(m_list, &QListWidget::itemClicked, this, &ListEditor::List_Click);
    connect(m_add, &QPushButton::clicked, this, &ListEditor::Ajouter_Click);
    connect(m_modify, &QPushButton::clicked, this, &ListEditor::Modifier_Click);
    connect(m_delete, &QPushButton::clicked, this, &ListEditor::Supprimer_Click);
}

void ListEditor::charger_liste()
{
    m_data->setConnectionString(connstr::build(m_paths.databasePath()));
    m_data->setRecordSource(QString::fromLatin1(m_config.statement));
    m_data->refresh();
    m_list->clear();
    m_data->refresh();
    const qint64 count = m_data->recordCount();
    if (count > 0) {
        m_data->moveFirst();
        for (qint64 i = 0; i < count; ++i) {
            m_list->addItem(m_value->text());
            m_list->item(static_cast<int>(i))->setData(Qt::UserRole, toNumber(m_numero->text()));
            m_data->moveNext();
        }
    }
}

bool ListEditor::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        auto *button = qobject_cast<QPushButton *>(watched);
        if (button && (key == Qt::Key_Return || key == Qt::Key_Enter) && button->isEnabled()) {
            button->click();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

int ListEditor::selectedPosition() const
{
    const QModelIndexList selected = m_list->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void ListEditor::List_Click()
{
    const int position = selectedPosition();
    if (position >= 0)
        m_input->setText(m_list->item(position)->text());
}

void ListEditor::Ajouter_Click()
{
    const QString input = m_input->text();
    if (withoutLeadingSpaces(input).isEmpty())
        return;

    bool found = false;
    for (int i = 0; i < m_list->count(); ++i) {
        if (m_list->item(i)->text() == input)
            found = true;
    }
    if (found) {
        messages::plain(m_frame->window(), m_duplicateMessage);
        return;
    }
    if (refusedValue(input))
        return;

    bool saved = false;
    try {
        m_data->addNew();
        m_value->setText(input);
        m_data->update();
        saved = true;
        m_data->refresh();
        charger_liste();
        m_input->clear();
    } catch (const StoreError &e) {
        // A refused save leaves the table as it was; the pending new row is
        // dropped so that no later move stores it.
        dropPendingChange();
        const QString path = m_paths.databasePath();
        const QString what =
            saved ? QStringLiteral("La variable « %1 » a été ajoutée, mais la liste n'a pas pu "
                                   "être relue.")
                  : QStringLiteral("La variable « %1 » n'a pas pu être ajoutée à la liste.");
        QString text = what.arg(quoted(input)) + QStringLiteral("\n\n") + e.message();
        if (!e.message().contains(path))
            text += QStringLiteral("\n\nBase de données : %1").arg(path);
        messages::error(m_frame->window(), text);
    }
}

void ListEditor::locate()
{
    m_data->moveFirst();
    const qint64 count = m_data->recordCount();
    for (qint64 step = 1; step <= count; ++step) {
        const int position = selectedPosition();
        if (position < 0)
            throw StoreError(QStringLiteral("Aucun élément de la liste n'est sélectionné."));
        const qint32 wanted = m_list->item(position)->data(Qt::UserRole).toInt();
        if (toNumber(m_numero->text()) == wanted)
            return;
        m_data->moveNext();
    }
    // The walk went past the last record: the entry's record is no longer in
    // the table, and no other record may be taken for it.
    throw StoreError(QStringLiteral("La variable choisie n'est plus dans la table."));
}

bool ListEditor::refusedValue(const QString &input)
{
    if (!input.contains(QChar(0)))
        return false;
    messages::error(m_frame->window(),
                    QStringLiteral("La valeur %1 ne peut pas être enregistrée : %2.")
                        .arg(lists::quoted(input), lists::valueProblem(input)));
    return true;
}

bool ListEditor::refusedEmptyValue(const QString &what)
{
    const int position = selectedPosition();
    if (position < 0 || m_list->item(position)->data(Qt::UserRole).toLongLong() != lists::kEmptyValue)
        return false;
    messages::plain(m_frame->window(),
                    QStringLiteral("La première valeur de la liste, la valeur vide, ne peut pas "
                                   "être %1 : chaque ligne de codage commence sur elle et la garde "
                                   "pour les listes laissées vides.\n\nPour une première valeur, "
                                   "tapez-la dans la zone de saisie puis cliquez sur « Ajouter ».")
                        .arg(what));
    return true;
}

void ListEditor::Modifier_Click()
{
    const QString input = m_input->text();
    if (!input.isEmpty() && (refusedEmptyValue(QStringLiteral("modifiée")) || refusedValue(input)))
        return;
    try {
        if (!input.isEmpty()) {
            locate();
            m_data->update();
            m_value->setText(input);
            m_data->movePrevious();
            m_data->moveNext();
            charger_liste();
        }
        m_input->clear();
    } catch (const StoreError &) {
        // Ends silently; the input keeps its text. A value the store refused
        // is dropped, so that no later move stores it.
        dropPendingChange();
    }
    repaintWindow();
}

void ListEditor::Supprimer_Click()
{
    const QString input = m_input->text();
    if (!input.isEmpty() && refusedEmptyValue(QStringLiteral("supprimée")))
        return;
    try {
        if (!input.isEmpty()) {
            locate();
            if (!deleteCurrentAfterAsking()) {
                repaintWindow();
                return;
            }
            m_data->refresh();
            charger_liste();
        }
        m_input->clear();
    } catch (const StoreError &) {
        // Ends silently; the input keeps its text.
    }
    repaintWindow();
}

bool ListEditor::deleteCurrentAfterAsking()
{
    Connection &db = *m_data->connection();
    const int list = listOf(m_config);
    const qint64 numero = m_data->currentKey();
    const QString value = m_value->text();
    qint64 uses = lists::usageCount(db, list, numero);
    for (;;) {
        if (uses > 0) {
            const QString question =
                QStringLiteral("%1 est utilisée par %2. %3 aussi ?")
                    .arg(lists::quoted(value),
                         uses == 1 ? QStringLiteral("1 ligne de codage")
                                   : QStringLiteral("%1 lignes de codage").arg(uses),
                         uses == 1 ? QStringLiteral("La supprimer")
                                   : QStringLiteral("Les supprimer"));
            if (!messages::ask(m_frame->window(), question))
                return false;
        }
        // The count is checked again with the write lock held: rows coded by
        // another program meanwhile are not deleted without a word.
        db.begin();
        try {
            const qint64 now = lists::usageCount(db, list, numero);
            if (now != uses) {
                db.rollback();
                uses = now;
                continue;
            }
            m_data->deleteCurrent();
            db.commit();
            return true;
        } catch (...) {
            db.rollback();
            throw;
        }
    }
}

void ListEditor::dropPendingChange()
{
    try {
        m_data->cancelUpdate();
    } catch (const StoreError &) {
    }
}

void ListEditor::repaintWindow()
{
    m_frame->window()->update();
}
