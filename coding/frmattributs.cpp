#include "coding/frmattributs.h"

#include "coding/filedialogs.h"
#include "coding/lineprompt.h"
#include "coding/session.h"
#include "common/look.h"
#include "common/messages.h"
#include "common/twips.h"
#include "exchange/attributescsv.h"
#include "guide/guide.h"
#include "store/attributestore.h"
#include "store/codingstore.h"
#include "store/connection.h"
#include "store/history.h"
#include "store/storeerror.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace coding {

namespace {

// The table moves as a spreadsheet does: Tab to the cell on the right (the
// next line's first attribute after the last column), Maj+Tab back, Entrée
// to the cell below, whether a cell is being typed in or not. A cell typed
// in is written as the editor closes.
class AttributeTable : public QTableWidget
{
public:
    using QTableWidget::QTableWidget;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (state() != EditingState) {
            switch (event->key()) {
            case Qt::Key_Tab:
                if (event->modifiers() == Qt::NoModifier) {
                    move(0, 1);
                    event->accept();
                    return;
                }
                break;
            case Qt::Key_Backtab:
                move(0, -1);
                event->accept();
                return;
            case Qt::Key_Return:
            case Qt::Key_Enter:
                if ((event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
                    move(1, 0);
                    event->accept();
                    return;
                }
                break;
            default:
                break;
            }
        }
        QTableWidget::keyPressEvent(event);
    }

    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override
    {
        QTableWidget::closeEditor(editor, QAbstractItemDelegate::NoHint);
        switch (hint) {
        case QAbstractItemDelegate::EditNextItem:
            move(0, 1);
            break;
        case QAbstractItemDelegate::EditPreviousItem:
            move(0, -1);
            break;
        case QAbstractItemDelegate::SubmitModelCache:
            move(1, 0);
            break;
        default:
            break;
        }
    }

private:
    void move(int down, int right)
    {
        if (rowCount() == 0 || columnCount() == 0)
            return;
        int row = std::max(currentRow(), 0);
        int column = std::max(currentColumn(), 0);
        const int first = columnCount() > frmAttributs::kFirstAttribute
                              ? frmAttributs::kFirstAttribute
                              : frmAttributs::kNumberColumn;
        if (right > 0) {
            if (column + 1 < columnCount()) {
                ++column;
            } else if (row + 1 < rowCount()) {
                ++row;
                column = first;
            }
        } else if (right < 0) {
            if (column > 0) {
                --column;
            } else if (row > 0) {
                --row;
                column = columnCount() - 1;
            }
        }
        if (down > 0 && row + 1 < rowCount())
            ++row;
        setCurrentCell(row, column);
    }
};

QString valuesText(qint64 count)
{
    return count == 1 ? QStringLiteral("1 valeur") : QStringLiteral("%1 valeurs").arg(count);
}

// Marks the history steps the window makes itself, so that it does not read
// everything again after each one (it shows them already).
class OwnStep
{
public:
    explicit OwnStep(bool &flag) : m_flag(flag) { m_flag = true; }
    ~OwnStep() { m_flag = false; }
    OwnStep(const OwnStep &) = delete;
    OwnStep &operator=(const OwnStep &) = delete;

private:
    bool &m_flag;
};

} // namespace

std::optional<QString> askAttributeName(QWidget *parent, const QString &title,
                                        const QString &current)
{
    return askLine(parent, QStringLiteral("NomAttribut"), title,
                   QStringLiteral("Nom de l'attribut (%1 caractères au plus) :")
                       .arg(attributes::kMaxNameLength),
                   current);
}

QString importAttributes(Session &session, QWidget *parent)
{
    if (session.readOnly() || session.history().readOnly()) {
        messages::error(parent, QStringLiteral("L'analyse est ouverte en lecture seule : aucun "
                                               "attribut ne peut y être importé."));
        return QString();
    }
    const QString file = dialogs::openFile(parent, QStringLiteral("Importer des attributs (CSV)"),
                                           QStringLiteral("Fichiers CSV (*.csv *.txt);;"
                                                          "Tous les fichiers (*)"));
    if (file.isEmpty())
        return QString();
    const QString shown = QDir::toNativeSeparators(file);
    try {
        Connection &db = session.store().connection();
        const AttributesCsv::Read read = AttributesCsv::readFile(file, attributes::texts(db));
        if (!read.error.isEmpty()) {
            messages::error(parent, QStringLiteral("Rien n'a été importé de « %1 » :\n%2")
                                        .arg(shown, read.error));
            return QString();
        }
        const attributes::SheetCount count = session.history().importAttributes(
            read.sheet,
            QStringLiteral("l'import des attributs de « %1 »").arg(QFileInfo(file).fileName()));
        return QStringLiteral("Importé de « %1 » : attributs : %2; textes : %3; valeurs : %4")
            .arg(QFileInfo(file).fileName())
            .arg(count.attributes)
            .arg(count.texts)
            .arg(count.values);
    } catch (const StoreError &e) {
        messages::error(parent, QStringLiteral("Rien n'a été importé de « %1 ».\n\n%2")
                                    .arg(shown, e.message()));
    }
    return QString();
}

frmAttributs::frmAttributs(Session &session, QWidget *parent)
    : QMainWindow(parent), m_session(session)
{
    setObjectName(QStringLiteral("frmAttributs"));
    resize(twips::size(10800, 6600));
    updateTitle();

    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("cadre"));
    look::setBackground(central, look::kLightYellow);
    setCentralWidget(central);
    auto *layout = new QVBoxLayout(central);

    auto *title = new QLabel(QStringLiteral("Attributs des textes"), central);
    title->setObjectName(QStringLiteral("titre"));
    title->setFont(look::font(look::kTimes, 14, true));
    look::setTextColour(title, look::kDarkBlue);
    layout->addWidget(title);

    m_table = new AttributeTable(central);
    m_table->setObjectName(QStringLiteral("attributs"));
    m_table->setAlternatingRowColors(true);
    m_table->setSelectionMode(QAbstractItemView::ContiguousSelection);
    m_table->verticalHeader()->setVisible(false);
    m_table->horizontalHeader()->setToolTip(
        QStringLiteral("Double-clic sur le titre d'un attribut : le renommer"));
    layout->addWidget(m_table, 1);
    connect(m_table, &QTableWidget::itemChanged, this, &frmAttributs::cellEdited);
    connect(m_table->horizontalHeader(), &QHeaderView::sectionDoubleClicked, this,
            [this](int column) {
                if (attributeOf(column) != 0)
                    renameAttribute(column);
            });

    auto *buttons = new QHBoxLayout;
    m_add = new QPushButton(QStringLiteral("&Ajouter un attribut..."), central);
    m_add->setObjectName(QStringLiteral("ajouter_attribut"));
    m_rename = new QPushButton(QStringLiteral("&Renommer..."), central);
    m_rename->setObjectName(QStringLiteral("renommer_attribut"));
    m_remove = new QPushButton(QStringLiteral("&Supprimer l'attribut..."), central);
    m_remove->setObjectName(QStringLiteral("supprimer_attribut"));
    m_import = new QPushButton(QStringLiteral("&Importer (CSV)..."), central);
    m_import->setObjectName(QStringLiteral("importer_attributs"));
    auto *fermerBouton = new QPushButton(QStringLiteral("&Fermer"), central);
    fermerBouton->setObjectName(QStringLiteral("fermer"));
    for (QPushButton *b : {m_add, m_rename, m_remove, m_import, fermerBouton}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    buttons->insertStretch(4, 1);
    layout->addLayout(buttons);
    connect(m_add, &QPushButton::clicked, this, &frmAttributs::addAttribute);
    connect(m_rename, &QPushButton::clicked, this,
            [this] { renameAttribute(m_table->currentColumn()); });
    connect(m_remove, &QPushButton::clicked, this,
            [this] { removeAttribute(m_table->currentColumn()); });
    connect(m_import, &QPushButton::clicked, this, &frmAttributs::importCsv);
    connect(fermerBouton, &QPushButton::clicked, this, &QWidget::close);

    QMenu *fichier = menuBar()->addMenu(QStringLiteral("&Fichier"));
    fichier->setObjectName(QStringLiteral("fichier"));
    QAction *import = fichier->addAction(QStringLiteral("&Importer des attributs (CSV)..."), this,
                                         &frmAttributs::importCsv);
    import->setObjectName(QStringLiteral("importer_attributs_csv"));
    fichier->addSeparator();
    QAction *fermer = fichier->addAction(QStringLiteral("&Fermer"), this, &QWidget::close);
    fermer->setObjectName(QStringLiteral("fermer_fenetre"));
    fermer->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));

    QMenu *edition = m_session.makeEditMenu(this);
    menuBar()->addMenu(edition);
    // Ctrl+Y as in spreadsheets, beside the program's Ctrl+Maj+Z.
    if (auto *retablir = findChild<QAction *>(QStringLiteral("retablir")))
        retablir->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                                QKeySequence(Qt::CTRL | Qt::Key_Y)});
    edition->addSeparator();
    QAction *coller = edition->addAction(QStringLiteral("&Coller"), this, [this] {
        pasteText(QApplication::clipboard()->text());
    });
    coller->setObjectName(QStringLiteral("coller"));
    coller->setShortcut(QKeySequence::Paste);
    QAction *effacer = edition->addAction(QStringLiteral("&Effacer les valeurs"), this,
                                          &frmAttributs::clearSelection);
    effacer->setObjectName(QStringLiteral("effacer"));
    effacer->setShortcut(QKeySequence::Delete);
    for (QAction *a : {coller, effacer}) {
        // The table's cells only: a field being typed in keeps its own keys.
        a->setShortcutContext(Qt::WidgetShortcut);
        m_table->addAction(a);
    }
    menuBar()->addMenu(guide::makeMenu(this));

    statusBar()->setObjectName(QStringLiteral("StatusBar1"));

    connect(&m_session.history(), &History::stepsChanged, this, [this] {
        if (!m_ownStep)
            scheduleLoad();
    });
    connect(&m_session.history(), &History::replayed, this, &frmAttributs::scheduleLoad);
    connect(&m_session, &Session::restored, this, &frmAttributs::scheduleLoad);
    // The session turns read-only when its file is lost, the history when
    // the analysis may not be written: either stops every edit.
    auto followReadOnly = [this] {
        setReadOnly(m_session.readOnly() || m_session.history().readOnly());
    };
    connect(&m_session, &Session::readOnlyChanged, this, followReadOnly);
    connect(&m_session.history(), &History::readOnlyChanged, this, followReadOnly);
    connect(&m_session, &Session::coderChanged, this, &frmAttributs::updateTitle);
    followReadOnly();
}

frmAttributs *frmAttributs::open(Session &session, QWidget *owner)
{
    frmAttributs *window = owner->findChild<frmAttributs *>(QString(), Qt::FindDirectChildrenOnly);
    if (!window) {
        window = new frmAttributs(session, owner);
        window->setAttribute(Qt::WA_DeleteOnClose);
        if (!window->Form_Load()) {
            delete window;
            return nullptr;
        }
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void frmAttributs::updateTitle()
{
    setWindowTitle(m_session.titled(QStringLiteral("Attributs des textes"))
                   + m_session.titleMark());
}

void frmAttributs::status(const QString &text)
{
    statusBar()->showMessage(text, 8000);
}

void frmAttributs::tellLater(const QString &text)
{
    QTimer::singleShot(0, this, [this, text] { messages::error(this, text); });
}

void frmAttributs::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    for (QPushButton *b : {m_add, m_rename, m_remove, m_import})
        b->setEnabled(!readOnly);
    for (const char *name : {"importer_attributs_csv", "coller", "effacer"})
        if (auto *a = findChild<QAction *>(QLatin1String(name)))
            a->setEnabled(!readOnly);
    m_table->setEditTriggers(readOnly ? QAbstractItemView::EditTriggers()
                                      : QAbstractItemView::DoubleClicked
                                            | QAbstractItemView::EditKeyPressed
                                            | QAbstractItemView::AnyKeyPressed);
    updateTitle();
}

void frmAttributs::scheduleLoad()
{
    if (m_loadPending)
        return;
    m_loadPending = true;
    QTimer::singleShot(0, this, [this] {
        m_loadPending = false;
        Form_Load();
    });
}

qint64 frmAttributs::attributeOf(int column) const
{
    if (column < kFirstAttribute || column >= m_table->columnCount())
        return 0;
    const QTableWidgetItem *header = m_table->horizontalHeaderItem(column);
    return header ? header->data(Qt::UserRole).toLongLong() : 0;
}

qint64 frmAttributs::textOf(int row) const
{
    const QTableWidgetItem *item = m_table->item(row, kNumberColumn);
    return item ? item->data(Qt::UserRole).toLongLong() : 0;
}

QString frmAttributs::attributeName(int column) const
{
    const QTableWidgetItem *header = m_table->horizontalHeaderItem(column);
    return header ? header->text() : QString();
}

bool frmAttributs::Form_Load()
{
    const int row = m_table->currentRow();
    const int column = m_table->currentColumn();
    std::vector<attributes::Text> texts;
    std::vector<attributes::Attribute> names;
    std::vector<std::map<qint64, QString>> values;
    try {
        Connection &db = m_session.store().connection();
        texts = attributes::texts(db);
        names = attributes::list(db);
        for (const attributes::Attribute &a : names)
            values.push_back(attributes::values(db, a.number));
    } catch (const StoreError &e) {
        messages::error(this, QStringLiteral("Les attributs des textes n'ont pas pu être lus.\n\n%1")
                                  .arg(e.message()));
        return false;
    }

    m_loading = true;
    m_table->clear();
    m_table->setRowCount(int(texts.size()));
    m_table->setColumnCount(kFirstAttribute + int(names.size()));
    m_table->setHorizontalHeaderItem(kNumberColumn, new QTableWidgetItem(QStringLiteral("N°")));
    m_table->setHorizontalHeaderItem(kFileColumn, new QTableWidgetItem(QStringLiteral("Fichier")));
    for (size_t a = 0; a < names.size(); ++a) {
        auto *header = new QTableWidgetItem(names[a].name);
        header->setData(Qt::UserRole, names[a].number);
        m_table->setHorizontalHeaderItem(kFirstAttribute + int(a), header);
    }
    const Qt::ItemFlags fixed = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    for (size_t r = 0; r < texts.size(); ++r) {
        const attributes::Text &t = texts[r];
        auto *number = new QTableWidgetItem(QString::number(t.number));
        number->setData(Qt::UserRole, t.number);
        number->setFlags(fixed);
        number->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_table->setItem(int(r), kNumberColumn, number);
        auto *file = new QTableWidgetItem(attributes::fileName(t.path));
        file->setToolTip(QDir::toNativeSeparators(t.path));
        file->setFlags(fixed);
        m_table->setItem(int(r), kFileColumn, file);
        for (size_t a = 0; a < names.size(); ++a) {
            const auto found = values[a].find(t.number);
            auto *cell = new QTableWidgetItem(found == values[a].end() ? QString() : found->second);
            cell->setFlags(fixed | Qt::ItemIsEditable);
            m_table->setItem(int(r), kFirstAttribute + int(a), cell);
        }
    }
    m_table->resizeColumnToContents(kNumberColumn);
    m_table->setColumnWidth(kFileColumn, twips::toPixels(2400));
    if (m_table->rowCount() > 0 && m_table->columnCount() > 0)
        m_table->setCurrentCell(std::clamp(row, 0, m_table->rowCount() - 1),
                                std::clamp(column < 0 ? kFirstAttribute : column, 0,
                                           m_table->columnCount() - 1));
    m_loading = false;
    return true;
}

void frmAttributs::cellEdited(QTableWidgetItem *item)
{
    if (m_loading)
        return;
    const qint64 attribute = attributeOf(item->column());
    const qint64 text = textOf(item->row());
    if (attribute == 0 || text == 0)
        return;
    const QString value = item->text();
    const QString name = attributeName(item->column());
    Connection &db = m_session.store().connection();
    try {
        const QString trimmed = value.trimmed();
        const QString description =
            trimmed.isEmpty()
                ? QStringLiteral("l'effacement de « %1 » du texte n° %2").arg(name).arg(text)
                : QStringLiteral("la saisie de « %1 » en « %2 » du texte n° %3")
                      .arg(trimmed, name)
                      .arg(text);
        {
            OwnStep own(m_ownStep);
            m_session.history().setAttributeValues({{attribute, text, value}}, description);
        }
        if (trimmed != value) {
            m_loading = true;
            item->setText(trimmed);
            m_loading = false;
        }
    } catch (const StoreError &e) {
        // The cell shows again what the file holds at once, and the whole
        // table is read again (another program may have changed it).
        QString stored;
        try {
            stored = attributes::value(db, attribute, text).value_or(QString());
        } catch (const StoreError &) {
        }
        m_loading = true;
        item->setText(stored);
        m_loading = false;
        scheduleLoad();
        tellLater(e.message());
    }
}

void frmAttributs::addAttribute()
{
    if (m_readOnly)
        return;
    const std::optional<QString> name =
        askAttributeName(this, QStringLiteral("Ajouter un attribut"), QString());
    if (!name)
        return;
    try {
        qint64 number = 0;
        {
            OwnStep own(m_ownStep);
            number = m_session.history().addAttribute(*name);
        }
        Form_Load();
        for (int c = kFirstAttribute; c < m_table->columnCount(); ++c)
            if (attributeOf(c) == number && m_table->rowCount() > 0)
                m_table->setCurrentCell(std::max(m_table->currentRow(), 0), c);
        status(QStringLiteral("Attribut « %1 » ajouté.").arg(name->trimmed()));
    } catch (const StoreError &e) {
        messages::error(this, e.message());
    }
}

void frmAttributs::renameAttribute(int column)
{
    if (m_readOnly)
        return;
    const qint64 number = attributeOf(column);
    if (number == 0) {
        messages::plain(this, QStringLiteral("Choisissez d'abord une case de l'attribut à "
                                             "renommer."));
        return;
    }
    const QString old = attributeName(column);
    const std::optional<QString> name =
        askAttributeName(this, QStringLiteral("Renommer l'attribut « %1 »").arg(old), old);
    if (!name)
        return;
    try {
        {
            OwnStep own(m_ownStep);
            m_session.history().renameAttribute(number, *name);
        }
        Form_Load();
        status(QStringLiteral("Attribut « %1 » renommé en « %2 ».").arg(old, name->trimmed()));
    } catch (const StoreError &e) {
        messages::error(this, e.message());
    }
}

void frmAttributs::removeAttribute(int column)
{
    if (m_readOnly)
        return;
    const qint64 number = attributeOf(column);
    if (number == 0) {
        messages::plain(this, QStringLiteral("Choisissez d'abord une case de l'attribut à "
                                             "supprimer."));
        return;
    }
    const QString name = attributeName(column);
    try {
        const qint64 count = attributes::valueCount(m_session.store().connection(), number);
        if (count > 0
            && !messages::ask(this, count == 1 ? QStringLiteral("Supprimer l'attribut « %1 » et sa "
                                                                "valeur ?")
                                                     .arg(name)
                                               : QStringLiteral("Supprimer l'attribut « %1 » et "
                                                                "ses %2 valeurs ?")
                                                     .arg(name)
                                                     .arg(count)))
            return;
        {
            OwnStep own(m_ownStep);
            m_session.history().removeAttribute(number);
        }
        Form_Load();
        status(QStringLiteral("Attribut « %1 » supprimé.").arg(name));
    } catch (const StoreError &e) {
        messages::error(this, e.message());
    }
}

void frmAttributs::importCsv()
{
    if (m_readOnly)
        return;
    QString done;
    {
        OwnStep own(m_ownStep);
        done = importAttributes(m_session, this);
    }
    if (done.isEmpty())
        return;
    Form_Load();
    status(done);
}

void frmAttributs::pasteText(const QString &text)
{
    if (m_readOnly)
        return;
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    // A spreadsheet ends the block by a line break.
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    if (lines.isEmpty())
        return;
    const int row = m_table->currentRow();
    const int column = m_table->currentColumn();
    if (row < 0 || attributeOf(column) == 0) {
        messages::plain(this, QStringLiteral("Choisissez d'abord la case où coller, dans la "
                                             "colonne d'un attribut."));
        return;
    }
    int width = 0;
    for (const QString &line : std::as_const(lines))
        width = std::max(width, int(line.count(QLatin1Char('\t'))) + 1);
    if (row + int(lines.size()) > m_table->rowCount() || column + width > m_table->columnCount()) {
        messages::error(this, QStringLiteral("Le bloc à coller (%1 sur %2) dépasse le tableau à "
                                             "partir de cette case : rien n'a été collé.")
                                  .arg(lines.size() == 1 ? QStringLiteral("1 ligne")
                                                         : QStringLiteral("%1 lignes")
                                                               .arg(lines.size()),
                                       width == 1 ? QStringLiteral("1 colonne")
                                                  : QStringLiteral("%1 colonnes").arg(width)));
        return;
    }
    std::vector<attributes::Assignment> cells;
    for (int r = 0; r < lines.size(); ++r) {
        const QStringList fields = lines.at(r).split(QLatin1Char('\t'));
        for (int c = 0; c < fields.size(); ++c)
            cells.push_back({attributeOf(column + c), textOf(row + r), fields.at(c)});
    }
    try {
        {
            OwnStep own(m_ownStep);
            m_session.history().setAttributeValues(
                cells, cells.size() == 1 ? QStringLiteral("le collage d'une valeur")
                                         : QStringLiteral("le collage de %1 valeurs")
                                               .arg(cells.size()));
        }
        Form_Load();
        status(QStringLiteral("Collé : %1.").arg(valuesText(qint64(cells.size()))));
    } catch (const StoreError &e) {
        messages::error(this, QStringLiteral("Rien n'a été collé.\n\n%1").arg(e.message()));
    }
}

void frmAttributs::clearSelection()
{
    if (m_readOnly)
        return;
    std::vector<attributes::Assignment> cells;
    for (QTableWidgetItem *item : m_table->selectedItems()) {
        const qint64 attribute = attributeOf(item->column());
        if (attribute != 0 && !item->text().isEmpty())
            cells.push_back({attribute, textOf(item->row()), QString()});
    }
    if (cells.empty())
        return;
    try {
        {
            OwnStep own(m_ownStep);
            m_session.history().setAttributeValues(
                cells, QStringLiteral("l'effacement de %1").arg(valuesText(qint64(cells.size()))));
        }
        Form_Load();
    } catch (const StoreError &e) {
        messages::error(this, e.message());
    }
}

} // namespace coding
