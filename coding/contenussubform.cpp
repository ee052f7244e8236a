#include "coding/contenussubform.h"

#include "coding/session.h"
#include "coding/suggester.h"
#include "common/frenchorder.h"
#include "common/look.h"
#include "common/messages.h"
#include "store/codingstore.h"
#include "store/history.h"
#include "store/storeerror.h"
#include "store/suggestionstore.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTimer>
#include <QVBoxLayout>

#include <limits>
#include <map>

namespace coding {
namespace {
constexpr int kNumberWidth = 70;

QHBoxLayout *lineLayout(QWidget *line)
{
    auto *layout = new QHBoxLayout(line);
    layout->setContentsMargins(2, 1, 2, 1);
    layout->setSpacing(6);
    return layout;
}

QString typedNotice(const QString &typed)
{
    return QStringLiteral("Saisie : « %1 »").arg(typed);
}

QString noValueNotice(const QString &typed)
{
    return QStringLiteral("Aucune valeur ne commence par « %1 »").arg(typed);
}
} // namespace

ContenusSubform::ContenusSubform(Session &session, QWidget *parent)
    : QWidget(parent), m_session(session), m_store(session.store())
{
    setObjectName(QStringLiteral("Contenus Sous-formulaire"));
    for (int k = 0; k < kLists; ++k) {
        m_models[size_t(k)] = new QStandardItemModel(this);
        m_models[size_t(k)]->setObjectName(QStringLiteral("var_comp_0%1 Requête").arg(k + 1));
    }

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(4);

    auto *header = new QWidget(this);
    header->setObjectName(QStringLiteral("entete"));
    auto *headerLayout = lineLayout(header);
    auto *numberTitle = new QLabel(QStringLiteral("Ligne"), header);
    numberTitle->setFixedWidth(kNumberWidth);
    headerLayout->addWidget(numberTitle);
    for (int k = 1; k <= kLists; ++k) {
        auto *title = new QLabel(header);
        m_titles[size_t(k - 1)] = title;
        title->setObjectName(QStringLiteral("titre_numvar0%1").arg(k));
        QFont bold = title->font();
        bold.setBold(true);
        title->setFont(bold);
        // As wide as the lookups under it, on two lines when the window is
        // narrow: the titles never widen the window.
        title->setWordWrap(true);
        title->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        headerLayout->addWidget(title, 1);
    }
    outer->addWidget(header);

    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("lignes_defilement"));
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_lines = new QWidget(m_scroll);
    m_lines->setObjectName(QStringLiteral("lignes"));
    m_linesLayout = new QVBoxLayout(m_lines);
    m_linesLayout->setContentsMargins(0, 0, 0, 0);
    m_linesLayout->setSpacing(2);
    m_empty = new QLabel(QStringLiteral("Aucune ligne de codage pour ce segment "
                                        "(Ctrl+N en ajoute une)."),
                         m_lines);
    m_empty->setObjectName(QStringLiteral("aucune_ligne"));
    m_linesLayout->addWidget(m_empty);
    m_linesLayout->addStretch(1);
    m_scroll->setWidget(m_lines);
    outer->addWidget(m_scroll, 1);

    auto *buttons = new QHBoxLayout;
    m_add = new QPushButton(QStringLiteral("Nouvelle ligne (Ctrl+N)"), this);
    m_add->setObjectName(QStringLiteral("nouvelle_ligne"));
    m_add->setAutoDefault(false);
    m_delete = new QPushButton(QStringLiteral("Supprimer la ligne (Ctrl+Suppr)"), this);
    m_delete->setObjectName(QStringLiteral("supprimer_ligne"));
    m_delete->setAutoDefault(false);
    buttons->addWidget(m_add);
    buttons->addWidget(m_delete);
    buttons->addSpacing(12);
    // What has been typed in a lookup, or that no value starts with it.
    m_typedLabel = new QLabel(this);
    m_typedLabel->setObjectName(QStringLiteral("saisie_valeur"));
    m_typedLabel->setTextFormat(Qt::PlainText);
    QFont bold = m_typedLabel->font();
    bold.setBold(true);
    m_typedLabel->setFont(bold);
    buttons->addWidget(m_typedLabel, 1);
    outer->addLayout(buttons);
    // The suggestion of the lookup with the focus, and why.
    m_suggestionLabel = new QLabel(this);
    m_suggestionLabel->setObjectName(QStringLiteral("suggestion"));
    m_suggestionLabel->setTextFormat(Qt::PlainText);
    m_suggestionLabel->setWordWrap(true);
    m_suggestionLabel->hide();
    outer->addWidget(m_suggestionLabel);
    m_typedPause = new QTimer(this);
    m_typedPause->setObjectName(QStringLiteral("pause_saisie"));
    m_typedPause->setSingleShot(true);
    // The label tells when the pause has passed: a notice that no value
    // matches stays until the next key.
    connect(m_typedPause, &QTimer::timeout, this, [this] { endTyping(m_noValueTold); });
    connect(m_add, &QPushButton::clicked, this, &ContenusSubform::addRow);
    connect(m_delete, &QPushButton::clicked, this, &ContenusSubform::deleteRow);
    m_add->setEnabled(false);
    m_delete->setEnabled(false);

    m_readOnly = m_session.history().readOnly();
    connect(&m_session.history(), &History::readOnlyChanged, this, &ContenusSubform::setReadOnly);
    // A model learnt while the focus waits in an empty lookup: its
    // suggestion shows at once.
    connect(&m_session.suggester(), &Suggester::modelChanged, this, [this](int list) {
        int row = -1;
        int k = 0;
        QWidget *focus = QApplication::focusWidget();
        if (!m_suggestion && focus && placeOf(focus, &row, &k) && k == list)
            offerSuggestion(static_cast<QComboBox *>(focus), row, list);
    });
}

void ContenusSubform::loadLists()
{
    const std::array<QString, kLists> names = m_session.listNames();
    std::array<std::vector<french::OrderedValue>, kLists> lists;
    std::array<std::map<qint64, QString>, kLists> definitions;
    for (int k = 1; k <= kLists; ++k) {
        for (const ListValue &v : m_store.listValues(k))
            lists[size_t(k - 1)].push_back(french::OrderedValue{v.numero, v.value});
        french::sortFrench(lists[size_t(k - 1)]);
        definitions[size_t(k - 1)] = m_session.definitions(k);
    }
    for (int k = 0; k < kLists; ++k) {
        m_titles[size_t(k)]->setText(
            QStringLiteral("%1 (Ctrl+%2)").arg(names[size_t(k)], QString::number(k + 1)));
        QStandardItemModel *model = m_models[size_t(k)];
        model->clear();
        for (const french::OrderedValue &v : lists[size_t(k)]) {
            auto *item = new QStandardItem(v.text);
            item->setData(v.numero, Qt::UserRole);
            const auto definition = definitions[size_t(k)].find(v.numero);
            if (definition != definitions[size_t(k)].end())
                item->setToolTip(definition->second);
            else
                item->setToolTip(v.text.isEmpty() ? QStringLiteral("Valeur vide (n° %1)").arg(v.numero)
                                                  : QStringLiteral("n° %1").arg(v.numero));
            model->appendRow(item);
        }
    }
}

void ContenusSubform::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    for (const RowWidgets &row : m_rows)
        for (QComboBox *box : row.combos)
            box->setEnabled(!readOnly);
    m_add->setEnabled(m_segment > 0 && !readOnly);
    m_delete->setEnabled(!m_rows.empty() && !readOnly);
}

void ContenusSubform::showSegment(qint64 segment)
{
    // Coding from the keyboard: when the focus was on a lookup, it goes to
    // the same list of the new segment's first row, or to "Nouvelle ligne".
    QWidget *focus = focusWidget();
    int focusList = 0;
    for (const RowWidgets &row : m_rows)
        for (int k = 0; k < kLists; ++k)
            if (row.combos[size_t(k)] == focus && focus->hasFocus())
                focusList = k + 1;
    if (focusList > 0 && m_focusListAfterMove > 0)
        focusList = m_focusListAfterMove;
    m_focusListAfterMove = 0;
    endTyping();
    m_segment = segment;
    m_currentRow = -1;
    build(segment > 0 ? m_store.codings(segment) : std::vector<Coding>());
    if (focusList > 0) {
        if (QComboBox *box = combo(0, focusList))
            box->setFocus(Qt::OtherFocusReason);
        else if (m_add->isEnabled())
            m_add->setFocus(Qt::OtherFocusReason);
    }
}

void ContenusSubform::reload()
{
    QWidget *focus = focusWidget();
    int focusRow = -1;
    int focusList = 0;
    for (int r = 0; r < rowCount(); ++r)
        for (int k = 0; k < kLists; ++k)
            if (m_rows[size_t(r)].combos[size_t(k)] == focus) {
                focusRow = r;
                focusList = k + 1;
            }
    const int current = m_currentRow;
    const std::vector<Coding> codings =
        m_segment > 0 ? m_store.codings(m_segment) : std::vector<Coding>();
    build(codings);
    if (!m_rows.empty() && current >= 0)
        m_currentRow = std::min(current, rowCount() - 1);
    if (focusRow >= 0 && !m_rows.empty())
        combo(std::min(focusRow, rowCount() - 1), focusList)->setFocus();
}

void ContenusSubform::build(const std::vector<Coding> &codings)
{
    withdrawSuggestion();
    // A row may go while one of its lookups is still handling its own
    // signal: it is taken out at once and deleted later.
    for (RowWidgets &row : m_rows) {
        row.line->hide();
        row.line->setParent(nullptr);
        row.line->deleteLater();
    }
    m_rows.clear();

    int index = 0;
    for (const Coding &c : codings) {
        RowWidgets row;
        row.coding = c.numero;
        row.stored = c.numvar;
        row.line = new QWidget(m_lines);
        row.line->setObjectName(QStringLiteral("ligne%1").arg(index + 1));
        auto *layout = lineLayout(row.line);
        row.number = new QLabel(QStringLiteral("%1 (n° %2)").arg(index + 1).arg(c.numero),
                                row.line);
        row.number->setObjectName(QStringLiteral("Contenus_numero"));
        row.number->setFixedWidth(kNumberWidth);
        layout->addWidget(row.number);
        for (int k = 0; k < kLists; ++k) {
            auto *box = new QComboBox(row.line);
            box->setObjectName(QStringLiteral("numvar0%1").arg(k + 1));
            box->setEditable(false);
            box->setModel(m_models[size_t(k)]);
            box->setMaxVisibleItems(20);
            box->setMinimumContentsLength(8);
            box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
            // The lookup's tooltip: the definition of the value it shows.
            connect(box, &QComboBox::currentIndexChanged, box, [box](int i) {
                box->setToolTip(i >= 0 ? box->itemData(i, Qt::ToolTipRole).toString() : QString());
            });
            box->setCurrentIndex(box->findData(c.numvar[size_t(k)], Qt::UserRole));
            box->installEventFilter(this);
            box->setEnabled(!m_readOnly);
            const int rowIndex = index;
            connect(box, &QComboBox::activated, this,
                    [this, rowIndex, k](int i) { valueChosen(rowIndex, k + 1, i); });
            layout->addWidget(box, 1);
            row.combos[size_t(k)] = box;
        }
        m_linesLayout->insertWidget(index, row.line);
        row.line->show(); // now, so that it is laid out at once
        m_rows.push_back(row);
        ++index;
    }
    m_empty->setVisible(m_rows.empty() && m_segment > 0);
    if (m_currentRow >= rowCount())
        m_currentRow = rowCount() - 1;
    m_add->setEnabled(m_segment > 0 && !m_readOnly);
    m_delete->setEnabled(!m_rows.empty() && !m_readOnly);
}

QComboBox *ContenusSubform::combo(int row, int list) const
{
    if (row < 0 || row >= rowCount() || list < 1 || list > kLists)
        return nullptr;
    return m_rows[size_t(row)].combos[size_t(list - 1)];
}

qint64 ContenusSubform::codingAt(int row) const
{
    return row >= 0 && row < rowCount() ? m_rows[size_t(row)].coding : 0;
}

bool ContenusSubform::placeOf(const QObject *box, int *row, int *list) const
{
    for (int r = 0; r < rowCount(); ++r)
        for (int k = 0; k < kLists; ++k)
            if (m_rows[size_t(r)].combos[size_t(k)] == box) {
                *row = r;
                *list = k + 1;
                return true;
            }
    return false;
}

bool ContenusSubform::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Wheel) {
        // The wheel scrolls the rows and never changes a stored coding: left
        // to the lookups, it would save the value it rolls over.
        event->ignore();
        return true;
    }
    int row = -1;
    int list = 0;
    if (event->type() == QEvent::FocusIn && placeOf(watched, &row, &list)) {
        m_currentRow = row;
        reveal(m_rows[size_t(row)].line);
        offerSuggestion(static_cast<QComboBox *>(watched), row, list);
    }
    if (event->type() == QEvent::FocusOut && watched == m_suggestionBox) {
        // A popup of the lookup itself keeps it.
        if (static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason)
            withdrawSuggestion();
    }
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        // Typing starts again in each lookup.
        if (watched == m_typedBox)
            endTyping();
    }
    if (event->type() == QEvent::KeyPress && placeOf(watched, &row, &list)) {
        auto *box = static_cast<QComboBox *>(watched);
        if (lookupKey(box, row, list, static_cast<QKeyEvent *>(event)))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool ContenusSubform::lookupKey(QComboBox *box, int row, int list, QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && (event->modifiers() & Qt::ControlModifier) && box == m_suggestionBox) {
        endTyping();
        if (acceptSuggestion(box, row, list))
            moveOn(row, list);
        return true;
    }
    // Shortcuts (Ctrl, Alt) went to the window's menus before coming here.
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const bool typing = box == m_typedBox && !m_typed.isEmpty()
                        && !m_typedClock.hasExpired(QApplication::keyboardInputInterval());
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        endTyping();
        moveOn(row, list);
        return true;
    case Qt::Key_Escape:
        if (m_suggestion && box == m_suggestionBox) {
            withdrawSuggestion();
            return true;
        }
        if (!typing && !m_noValueTold && m_typedLabel->text().isEmpty())
            return false; // nothing to start again: the window's
        endTyping();
        return true;
    case Qt::Key_Backspace:
        if (!typing)
            return false;
        m_typed.chop(1);
        if (m_typed.isEmpty()) {
            endTyping();
        } else {
            m_typedClock.start();
            m_typedPause->start(QApplication::keyboardInputInterval());
            searchTyped(box, row, list);
        }
        return true;
    default:
        break;
    }
    const QString text = event->text();
    const bool printable = !text.isEmpty() && text.at(0).isPrint();
    // A space opens the list, as ever, unless it goes on what is being
    // typed ("elus l").
    if (!printable || (text.at(0).isSpace() && !typing)) {
        if (!printable && !m_typed.isEmpty())
            endTyping(); // an arrow, Home...: the typing is over
        return false;
    }
    if (m_readOnly)
        return true;
    if (box == m_suggestionBox)
        withdrawSuggestion(); // typing ignores the suggestion
    if (!typing) {
        endTyping();
        m_typedBox = box;
    }
    m_typed += text;
    m_typedClock.start();
    m_typedPause->start(QApplication::keyboardInputInterval());
    searchTyped(box, row, list);
    return true;
}

void ContenusSubform::searchTyped(QComboBox *box, int row, int list)
{
    QStringList values;
    values.reserve(box->count());
    for (int i = 0; i < box->count(); ++i)
        values << box->itemText(i);
    const int found = french::typedValue(values, m_typed, box->currentIndex());
    m_noValueTold = found < 0;
    QPalette palette = m_typedLabel->palette();
    palette.setColor(QPalette::WindowText,
                     m_noValueTold ? look::kRed : this->palette().color(QPalette::WindowText));
    m_typedLabel->setPalette(palette);
    if (found < 0) {
        // Nothing chosen: the lookup keeps the value stored.
        m_typedLabel->setText(noValueNotice(m_typed));
        return;
    }
    m_typedLabel->setText(typedNotice(m_typed));
    if (found != box->currentIndex()) {
        box->setCurrentIndex(found);
        valueChosen(row, list, found);
    }
}

void ContenusSubform::endTyping(bool keepNotice)
{
    m_typed.clear();
    m_typedBox = nullptr;
    m_typedPause->stop();
    if (!keepNotice) {
        m_typedLabel->clear();
        m_noValueTold = false;
    }
}

void ContenusSubform::moveOn(int row, int list)
{
    if (QComboBox *next = list < kLists ? combo(row, list + 1) : combo(row + 1, 1)) {
        next->setFocus(Qt::TabFocusReason);
        return;
    }
    m_focusListAfterMove = 1;
    emit nextSegmentWanted();
    m_focusListAfterMove = 0;
}

void ContenusSubform::reveal(QWidget *line)
{
    // A row just added has no place yet: the rows are laid out first.
    m_linesLayout->activate();
    QCoreApplication::sendPostedEvents(m_scroll->viewport(), QEvent::LayoutRequest);
    m_scroll->ensureWidgetVisible(line);
}

void ContenusSubform::valueChosen(int row, int list, int index)
{
    QComboBox *box = combo(row, list);
    if (!box || index < 0 || m_readOnly)
        return;
    const qint64 variable = box->itemData(index, Qt::UserRole).toLongLong();
    qint64 &stored = m_rows[size_t(row)].stored[size_t(list - 1)];
    try {
        m_session.history().setCodingValue(codingAt(row), list, variable);
        stored = variable;
        // A value chosen (or put back to empty) may code the segment.
        announce();
    } catch (const StoreError &e) {
        // The lookup shows what is stored, not the value refused.
        box->setCurrentIndex(box->findData(stored, Qt::UserRole));
        // Told once the lookup has done with its own signal: the rows read
        // again replace it, and the message box runs events meanwhile.
        const QString text = QStringLiteral("La valeur « %1 » n'a pas été enregistrée.\n\n%2")
                                 .arg(box->itemText(index), e.message());
        QTimer::singleShot(0, this, [this, text] {
            messages::error(window(), text);
            try {
                reload();
            } catch (const StoreError &) {
            }
        });
    }
}

void ContenusSubform::addRow()
{
    if (m_segment <= 0 || m_readOnly)
        return;
    try {
        m_session.history().addCoding(m_segment);
    } catch (const StoreError &e) {
        messages::error(window(), e.message());
        return;
    }
    // The new row comes last.
    showAfterChange(QStringLiteral("La ligne de codage a été ajoutée"),
                    std::numeric_limits<int>::max());
}

void ContenusSubform::deleteRow()
{
    if (m_rows.empty() || m_readOnly)
        return;
    const int row = m_currentRow >= 0 ? m_currentRow : rowCount() - 1;
    const qint64 coding = codingAt(row);
    if (!messages::ask(window(), QStringLiteral("Supprimer la ligne de codage %1 (n° %2) du "
                                                "segment n° %3 ?")
                                     .arg(row + 1)
                                     .arg(coding)
                                     .arg(m_segment)))
        return;
    try {
        m_session.history().deleteCoding(coding);
    } catch (const StoreError &e) {
        messages::error(window(), e.message());
        return;
    }
    showAfterChange(QStringLiteral("La ligne de codage a été supprimée"), row);
}

QString ContenusSubform::likePrevious(qint64 previous)
{
    if (m_segment <= 0 || m_readOnly)
        return QString();
    if (previous <= 0)
        return QStringLiteral("C'est le premier segment du texte : il n'a pas de segment "
                              "précédent dont reprendre le codage.");
    size_t lines = 0;
    try {
        const std::vector<Coding> source = m_store.codings(previous);
        if (source.empty() || !m_store.isCoded(previous))
            return QStringLiteral("Le segment précédent (n° %1) n'a aucun codage : rien n'a été "
                                  "changé.")
                .arg(previous);
        lines = source.size();
        if (m_store.isCoded(m_segment)
            && !messages::ask(window(),
                              QStringLiteral("Le segment n° %1 est déjà codé. Remplacer ses "
                                             "lignes de codage par celles du segment précédent "
                                             "(n° %2) ?")
                                  .arg(m_segment)
                                  .arg(previous)))
            return QStringLiteral("Rien n'a été changé.");
        m_session.history().copyCoding(previous, m_segment);
    } catch (const StoreError &e) {
        messages::error(window(), e.message());
        return QString();
    }
    showAfterChange(QStringLiteral("Le codage du segment précédent a été repris"), 0);
    return QStringLiteral("Comme le segment précédent (n° %1) : %2.")
        .arg(QString::number(previous),
             lines == 1 ? QStringLiteral("1 ligne de codage")
                        : QStringLiteral("%1 lignes de codage").arg(lines));
}

void ContenusSubform::showAfterChange(const QString &done, int row)
{
    try {
        build(m_store.codings(m_segment));
        m_currentRow = std::min(row, rowCount() - 1);
        if (QComboBox *box = combo(m_currentRow, 1)) {
            box->setFocus();
            reveal(m_rows[size_t(m_currentRow)].line);
        }
    } catch (const StoreError &e) {
        messages::error(window(), QStringLiteral("%1, mais les lignes du segment n'ont pas pu "
                                                 "être relues.\n\n%2")
                                      .arg(done, e.message()));
    }
    announce();
}

void ContenusSubform::focusList(int list)
{
    if (m_rows.empty() || m_readOnly)
        return;
    const int row = m_currentRow >= 0 ? m_currentRow : 0;
    if (QComboBox *box = combo(row, list))
        box->setFocus(Qt::ShortcutFocusReason);
}

void ContenusSubform::announce()
{
    bool coded = !m_rows.empty();
    try {
        coded = m_store.isCoded(m_segment);
    } catch (const StoreError &) {
    }
    emit codingChanged(m_segment, coded);
}

void ContenusSubform::offerSuggestion(QComboBox *box, int row, int list)
{
    withdrawSuggestion();
    if (m_readOnly || m_segment <= 0 || !box || row < 0 || row >= rowCount())
        return;
    for (const RowWidgets &r : m_rows)
        if (r.stored[size_t(list - 1)] > 1)
            return; // the segment holds a value of the list: nothing to suggest
    if (box->currentIndex() < 0 || box->currentData(Qt::UserRole).toLongLong() > 1)
        return;
    std::optional<suggestions::Suggestion> s;
    try {
        s = m_session.suggester().suggest(m_segment, list);
    } catch (const StoreError &) {
        return; // no suggestion rather than a message while coding
    }
    if (!s)
        return;
    const int index = box->findData(s->value, Qt::UserRole);
    if (index < 0)
        return; // a value since taken out of the list
    const QString value = box->itemText(index);
    std::map<qint64, QString> names;
    for (int i = 0; i < box->count(); ++i)
        names[box->itemData(i, Qt::UserRole).toLongLong()] = box->itemText(i);
    QStringList reasons;
    for (const suggestions::Reason &r : s->reasons)
        reasons << suggestions::reasonText(r, names);
    const QString percent =
        QLocale().toString(qRound(s->confidence * 100)) + QStringLiteral(" %");
    m_suggestion = s;
    m_suggestionBox = box;
    box->setPlaceholderText(QStringLiteral("%1 ? (%2)").arg(value, percent));
    box->setCurrentIndex(-1);
    const QString why = reasons.isEmpty()
                            ? QString()
                            : QStringLiteral(" ; indices : %1").arg(reasons.join(QStringLiteral(", ")));
    const QString text = QStringLiteral("Suggestion, non enregistrée : « %1 » (confiance %2)%3. "
                                        "Ctrl+Entrée l'accepte, Échap l'écarte.")
                             .arg(value, percent, why);
    box->setToolTip(text);
    m_suggestionLabel->setText(text);
    m_suggestionLabel->show();
}

void ContenusSubform::withdrawSuggestion()
{
    if (!m_suggestion)
        return;
    m_suggestion.reset();
    m_suggestionLabel->hide();
    m_suggestionLabel->clear();
    if (QComboBox *box = m_suggestionBox) {
        box->setPlaceholderText(QString());
        if (box->currentIndex() < 0) {
            int row = -1;
            int list = 0;
            if (placeOf(box, &row, &list))
                box->setCurrentIndex(
                    box->findData(m_rows[size_t(row)].stored[size_t(list - 1)], Qt::UserRole));
        }
    }
    m_suggestionBox = nullptr;
}

bool ContenusSubform::acceptSuggestion(QComboBox *box, int row, int list)
{
    if (!m_suggestion || box != m_suggestionBox || m_readOnly)
        return false;
    const suggestions::Suggestion s = *m_suggestion;
    withdrawSuggestion();
    const int index = box->findData(s.value, Qt::UserRole);
    try {
        m_session.history().acceptSuggestion(
            codingAt(row), list, s.value, s.confidence,
            suggestions::acceptingCoder(m_session.store().connection()));
    } catch (const StoreError &e) {
        messages::error(window(), QStringLiteral("La suggestion « %1 » n'a pas été "
                                                 "enregistrée.\n\n%2")
                                      .arg(box->itemText(index), e.message()));
        return false;
    }
    m_rows[size_t(row)].stored[size_t(list - 1)] = s.value;
    box->setCurrentIndex(index);
    announce();
    return true;
}

} // namespace coding
