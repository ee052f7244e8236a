#include "coding/frmvocabulaire.h"

#include "coding/filedialogs.h"
#include "coding/restrictionpanel.h"
#include "coding/session.h"
#include "common/filecause.h"
#include "common/frenchorder.h"
#include "common/look.h"
#include "common/messages.h"
#include "exchange/csv.h"
#include "store/codebookstore.h"
#include "store/codingstore.h"
#include "store/connection.h"
#include "store/resultsstore.h"
#include "store/storeerror.h"
#include "words/corpus.h"
#include "words/stopwords.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QSaveFile>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace coding {

// A table of words: a word (sorted in French order), numbers, and a text
// (the forms of a stem, a word's sign) per line; sorted by any column.
class WordTableModel : public QAbstractTableModel
{
public:
    enum class Kind { Word, Count, Decimal, PValue, Text };
    struct Column {
        QString header;
        Kind kind;
        int number; // the index in Line::numbers a number column shows, or a text column sorts by
    };
    struct Line {
        QString word;
        QString key; // the word as French order compares it
        std::array<double, 4> numbers{};
        QString text;
    };

    using QAbstractTableModel::QAbstractTableModel;

    void reset(std::vector<Column> columns, std::vector<Line> lines)
    {
        beginResetModel();
        m_columns = std::move(columns);
        m_lines = std::move(lines);
        endResetModel();
    }

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_lines.size());
    }
    int columnCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_columns.size());
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
            return {};
        const Column &c = m_columns[size_t(index.column())];
        if (role == Qt::TextAlignmentRole)
            return c.kind == Kind::Word || c.kind == Kind::Text
                       ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                       : QVariant(Qt::AlignRight | Qt::AlignVCenter);
        if (role != Qt::DisplayRole)
            return {};
        return text(m_lines[size_t(index.row())], c, QLocale());
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && section >= 0 && section < columnCount()) {
            const Kind kind = m_columns[size_t(section)].kind;
            if (role == Qt::DisplayRole)
                return m_columns[size_t(section)].header;
            // Words from a to z, numbers from the largest, at the first click.
            if (role == Qt::InitialSortOrderRole)
                return int(kind == Kind::Word || kind == Kind::Text ? Qt::AscendingOrder
                                                                    : Qt::DescendingOrder);
        }
        return QAbstractTableModel::headerData(section, orientation, role);
    }

    void sort(int column, Qt::SortOrder order) override
    {
        if (column < 0 || column >= columnCount())
            return;
        const Column c = m_columns[size_t(column)];
        emit layoutAboutToBeChanged();
        auto less = [&c](const Line &a, const Line &b) {
            if (c.kind == Kind::Word)
                return a.key < b.key || (a.key == b.key && a.word < b.word);
            if (c.kind == Kind::Text && c.number < 0)
                return a.text < b.text;
            return a.numbers[size_t(c.number)] < b.numbers[size_t(c.number)];
        };
        // Equal lines keep their order (French order or G², as counted).
        if (order == Qt::AscendingOrder)
            std::stable_sort(m_lines.begin(), m_lines.end(), less);
        else
            std::stable_sort(m_lines.begin(), m_lines.end(),
                             [&less](const Line &a, const Line &b) { return less(b, a); });
        emit layoutChanged();
    }

    // The header and the lines as shown, for copying and export; numbers
    // with a full stop when `point`, else as the locale writes them.
    std::vector<QStringList> records(bool point) const
    {
        std::vector<QStringList> result;
        QStringList header;
        for (const Column &c : m_columns)
            header << c.header;
        result.push_back(header);
        const QLocale locale = point ? QLocale::c() : QLocale();
        for (const Line &line : m_lines) {
            QStringList fields;
            for (const Column &c : m_columns) {
                QString shown = text(line, c, locale);
                if (c.kind == Kind::Count || c.kind == Kind::Decimal || c.kind == Kind::PValue)
                    shown.remove(locale.groupSeparator());
                fields << shown;
            }
            result.push_back(fields);
        }
        return result;
    }

private:
    static QString text(const Line &line, const Column &c, const QLocale &locale)
    {
        switch (c.kind) {
        case Kind::Word:
            return line.word;
        case Kind::Text:
            return line.text;
        case Kind::Count:
            return locale.toString(qint64(line.numbers[size_t(c.number)]));
        case Kind::Decimal:
            return locale.toString(line.numbers[size_t(c.number)], 'f', 2);
        case Kind::PValue: {
            const double p = line.numbers[size_t(c.number)];
            return locale.toString(p, p < 0.001 ? 'e' : 'f', p < 0.001 ? 2 : 4);
        }
        }
        return QString();
    }

    std::vector<Column> m_columns;
    std::vector<Line> m_lines;
};

namespace {

QString plural(qint64 n, const QString &one, const QString &many)
{
    return QStringLiteral("%1 %2").arg(QLocale().toString(n), n > 1 ? many : one);
}

QTableView *makeTable(QWidget *parent, const QString &name, WordTableModel *model)
{
    auto *table = new QTableView(parent);
    table->setObjectName(name);
    table->setModel(model);
    table->setSortingEnabled(true);
    table->horizontalHeader()->setSortIndicatorClearable(true);
    table->horizontalHeader()->setSortIndicator(-1, Qt::DescendingOrder);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

int choiceOf(const QComboBox *box)
{
    return box->currentIndex() < 0 ? 0 : box->currentData().toInt();
}

} // namespace

frmVocabulaire::frmVocabulaire(Session &session, QWidget *parent)
    : QMainWindow(parent), m_session(session)
{
    setObjectName(QStringLiteral("frmVocabulaire"));
    setWindowTitle(QStringLiteral("Vocabulaire - Analyse de contenu"));
    build();
    resize(1000, 700);
}

frmVocabulaire::~frmVocabulaire() = default;

void frmVocabulaire::build()
{
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("cadre"));
    look::setBackground(central, look::kLightYellow);
    setCentralWidget(central);
    auto *outer = new QVBoxLayout(central);
    onglets = new QTabWidget(central);
    onglets->setObjectName(QStringLiteral("onglets"));
    outer->addWidget(onglets, 1);

    // The vocabulary: the segments counted on the left, the table on the right.
    auto *page = new QWidget(onglets);
    page->setObjectName(QStringLiteral("page_vocabulaire"));
    auto *pageLayout = new QHBoxLayout(page);
    // The segments counted, then how, in the same column.
    choix = new RestrictionPanel(QStringLiteral("&Textes comptés :"),
                                 RestrictionPanel::Coding::CodedOnly, page);
    QFormLayout *form = choix->form();
    sans_mots_vides = new QCheckBox(QStringLiteral("&Sans mots vides"), choix);
    sans_mots_vides->setObjectName(QStringLiteral("sans_mots_vides"));
    sans_mots_vides->setToolTip(
        QStringLiteral("Laisse de côté les mots vides du français (le, de, et, que...).\n"
                       "Liste : %1")
            .arg(words::stopWordsSource()));
    par_racine = new QCheckBox(QStringLiteral("Par &racine"), choix);
    par_racine->setObjectName(QStringLiteral("par_racine"));
    par_racine->setToolTip(QStringLiteral("Compte ensemble les formes d'un même mot "
                                          "(« économie », « économique »... sous « économ »)"));
    form->addRow(sans_mots_vides);
    form->addRow(par_racine);
    compter = new QPushButton(QStringLiteral("&Compter"), choix);
    compter->setObjectName(QStringLiteral("compter"));
    compter->setDefault(true);
    form->addRow(compter);
    choix->setMaximumWidth(320);
    pageLayout->addWidget(choix);
    auto *right = new QVBoxLayout;
    m_vocabulary = new WordTableModel(this);
    vocabulaire = makeTable(page, QStringLiteral("vocabulaire"), m_vocabulary);
    right->addWidget(vocabulaire, 1);
    total = new QLabel(QStringLiteral("Choisissez les segments, puis « Compter »."), page);
    total->setObjectName(QStringLiteral("total"));
    total->setTextInteractionFlags(Qt::TextSelectableByMouse);
    right->addWidget(total);
    pageLayout->addLayout(right, 1);
    onglets->addTab(page, QStringLiteral("&Vocabulaire"));

    // The characteristic words of a value.
    auto *keyPage = new QWidget(onglets);
    keyPage->setObjectName(QStringLiteral("page_mots_caracteristiques"));
    auto *keyLayout = new QVBoxLayout(keyPage);
    auto *line = new QHBoxLayout;
    liste = new QComboBox(keyPage);
    liste->setObjectName(QStringLiteral("liste"));
    valeur = new QComboBox(keyPage);
    valeur->setObjectName(QStringLiteral("valeur"));
    valeur->setMinimumContentsLength(20);
    calculer = new QPushButton(QStringLiteral("C&alculer"), keyPage);
    calculer->setObjectName(QStringLiteral("calculer"));
    auto *listeLabel = new QLabel(QStringLiteral("&Liste ou attribut :"), keyPage);
    listeLabel->setBuddy(liste);
    auto *valeurLabel = new QLabel(QStringLiteral("Va&leur :"), keyPage);
    valeurLabel->setBuddy(valeur);
    line->addWidget(listeLabel);
    line->addWidget(liste);
    line->addWidget(valeurLabel);
    line->addWidget(valeur, 1);
    line->addWidget(calculer);
    keyLayout->addLayout(line);
    m_keyWords = new WordTableModel(this);
    mots_caracteristiques = makeTable(keyPage, QStringLiteral("mots_caracteristiques"), m_keyWords);
    mots_caracteristiques->setToolTip(
        QStringLiteral("G² de Dunning : le mot est-il plus (+) ou moins (−) fréquent dans les "
                       "segments de la valeur que dans tous les autres ?\n"
                       "Ailleurs : ses occurrences dans les autres segments de l'analyse."));
    keyLayout->addWidget(mots_caracteristiques, 1);
    cible = new QLabel(QStringLiteral("Choisissez une valeur, puis « Calculer »."), keyPage);
    cible->setObjectName(QStringLiteral("cible"));
    cible->setWordWrap(true);
    cible->setTextFormat(Qt::PlainText); // the researcher's values, never markup
    keyLayout->addWidget(cible);
    onglets->addTab(keyPage, QStringLiteral("&Mots caractéristiques"));

    auto *buttons = new QHBoxLayout;
    copier = new QPushButton(QStringLiteral("Co&pier"), central);
    copier->setObjectName(QStringLiteral("copier"));
    copier->setToolTip(QStringLiteral("Copie le tableau dans le presse-papiers (colonnes séparées "
                                      "par des tabulations)"));
    exporter = new QPushButton(QStringLiteral("E&xporter..."), central);
    exporter->setObjectName(QStringLiteral("exporter"));
    exporter->setToolTip(QStringLiteral("Enregistre le tableau dans un fichier CSV"));
    buttons->addStretch(1);
    buttons->addWidget(copier);
    buttons->addWidget(exporter);
    outer->addLayout(buttons);

    QMenu *fichier = menuBar()->addMenu(QStringLiteral("&Fichier"));
    fichier->setObjectName(QStringLiteral("fichier"));
    auto *copy = fichier->addAction(QStringLiteral("&Copier le tableau"), this,
                                    &frmVocabulaire::copier_Click);
    copy->setObjectName(QStringLiteral("action_copier"));
    copy->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    auto *exportAction = fichier->addAction(QStringLiteral("&Exporter le tableau en CSV..."), this,
                                            &frmVocabulaire::exporter_Click);
    exportAction->setObjectName(QStringLiteral("action_exporter"));
    fichier->addAction(m_session.makeCommaAction(this));
    fichier->addSeparator();
    auto *close = fichier->addAction(QStringLiteral("&Fermer"), this, &QWidget::close);
    close->setObjectName(QStringLiteral("fermer"));
    close->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));

    statusBar()->setObjectName(QStringLiteral("StatusBar1"));

    connect(choix, &RestrictionPanel::problem, this, &frmVocabulaire::status);
    connect(liste, &QComboBox::currentIndexChanged, this, [this] { loadTargetValues(); });
    connect(compter, &QPushButton::clicked, this, &frmVocabulaire::compter_Click);
    connect(calculer, &QPushButton::clicked, this, &frmVocabulaire::calculer_Click);
    connect(copier, &QPushButton::clicked, this, &frmVocabulaire::copier_Click);
    connect(exporter, &QPushButton::clicked, this, &frmVocabulaire::exporter_Click);

    auto stale = [this] {
        if (isActiveWindow())
            loadChoices();
        else
            m_stale = true;
    };
    connect(&m_session, &Session::listsChanged, this, stale);
    connect(&m_session, &Session::restored, this, stale);
}

bool frmVocabulaire::Form_Load()
{
    try {
        m_db = Connection::open(m_session.databasePath());
    } catch (const StoreError &e) {
        messages::error(this, QStringLiteral("Le vocabulaire ne peut pas être lu.\n\n%1")
                                  .arg(e.message()));
        return false;
    }
    loadChoices();
    return true;
}

void frmVocabulaire::loadChoices()
{
    m_stale = false;
    choix->load(*m_db);

    // The chooser of the characteristic words keeps what it stands for.
    const int targetChoice = liste->count() > 0 ? choiceOf(liste) : 1;
    const QSignalBlocker blocker(liste);
    liste->clear();
    const std::array<QString, 5> &names = choix->listNames();
    for (int k = 1; k <= kLists; ++k)
        liste->addItem(names[size_t(k - 1)], k);
    if (!choix->attributeList().empty())
        liste->insertSeparator(liste->count());
    for (const attributes::Attribute &a : choix->attributeList()) {
        liste->addItem(a.name, int(-a.number));
        liste->setItemData(liste->count() - 1, QStringLiteral("Attribut des textes"),
                           Qt::ToolTipRole);
    }
    const int found = liste->findData(targetChoice);
    liste->setCurrentIndex(found >= 0 ? found : liste->findData(1));
    loadTargetValues();
}

void frmVocabulaire::loadTargetValues()
{
    const QString kept = valeur->currentText();
    valeur->clear();
    const int choice = choiceOf(liste);
    try {
        results::ResultsStore store(*m_db);
        if (choice > 0) {
            for (const results::Value &v : store.values(choice))
                valeur->addItem(v.text, v.numero);
        } else if (choice < 0) {
            for (const results::Value &v : store.attributeValues(-choice))
                if (v.numero != results::kWithoutValue)
                    valeur->addItem(v.text, v.numero);
        }
    } catch (const StoreError &e) {
        status(e.message());
    }
    const int found = valeur->findText(kept);
    if (found >= 0)
        valeur->setCurrentIndex(found);
    valeur->setEnabled(valeur->count() > 0);
    calculer->setEnabled(valeur->count() > 0);
}

bool frmVocabulaire::withProgress(
    const QString &label,
    const std::function<void(const std::function<bool(qint64, qint64)> &)> &work)
{
    QProgressDialog progress(label, QStringLiteral("Arrêter"), 0, 1000, this);
    progress.setObjectName(QStringLiteral("progression_vocabulaire"));
    progress.setWindowTitle(QStringLiteral("Vocabulaire"));
    // Every window waits: closing the analysis's windows meanwhile would
    // take this one away while it counts.
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(400);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    bool stopped = false;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    try {
        work([&](qint64 done, qint64 all) {
            progress.setValue(all > 0 ? int(std::min<qint64>(1000, done * 1000 / all)) : 0);
            QApplication::processEvents();
            stopped = progress.wasCanceled();
            return !stopped;
        });
    } catch (...) {
        QApplication::restoreOverrideCursor();
        throw;
    }
    QApplication::restoreOverrideCursor();
    return !stopped;
}

void frmVocabulaire::compter_Click()
{
    const search::Restriction restriction = choix->restriction();
    const QStringList described = choix->described();
    words::VocabularyOptions options;
    options.withoutStopWords = sans_mots_vides->isChecked();
    options.byStem = par_racine->isChecked();

    compter->setEnabled(false);
    words::VocabularyCounter counter;
    bool done = false;
    try {
        done = withProgress(QStringLiteral("Comptage des mots…"), [&](const auto &progress) {
            counter = words::countVocabulary(*m_db, restriction, progress);
        });
    } catch (const StoreError &e) {
        compter->setEnabled(true);
        messages::error(this, QStringLiteral("Le vocabulaire n'a pas pu être compté.\n\n%1")
                                  .arg(e.message()));
        return;
    }
    compter->setEnabled(true);
    if (!done) {
        status(QStringLiteral("Comptage arrêté : le tableau n'a pas changé."));
        return;
    }

    const std::vector<words::VocabularyEntry> entries = counter.entries(options);
    using Kind = WordTableModel::Kind;
    std::vector<WordTableModel::Column> columns{
        {options.byStem ? QStringLiteral("Racine") : QStringLiteral("Mot"), Kind::Word, 0},
        {QStringLiteral("Effectif"), Kind::Count, 0},
        {QStringLiteral("Segments"), Kind::Count, 1}};
    if (options.byStem)
        columns.push_back({QStringLiteral("Formes"), Kind::Text, -1});
    std::vector<WordTableModel::Line> lines;
    lines.reserve(entries.size());
    qint64 occurrences = 0;
    for (const words::VocabularyEntry &e : entries) {
        WordTableModel::Line line;
        line.word = e.word;
        line.key = french::frenchBase(e.word);
        line.numbers = {double(e.count), double(e.segments), 0, 0};
        line.text = e.forms.join(QStringLiteral(", "));
        occurrences += e.count;
        lines.push_back(std::move(line));
    }
    // As counted: the largest count first, no column's order.
    vocabulaire->horizontalHeader()->setSortIndicator(-1, Qt::DescendingOrder);
    m_vocabulary->reset(std::move(columns), std::move(lines));
    vocabulaire->resizeColumnToContents(0);
    const qint64 distinct = qint64(entries.size());
    QString text = QStringLiteral("%1, %2 dans %3")
                       .arg(options.byStem
                                ? plural(distinct, QStringLiteral("racine différente"),
                                         QStringLiteral("racines différentes"))
                                : plural(distinct, QStringLiteral("mot différent"),
                                         QStringLiteral("mots différents")),
                            plural(occurrences, QStringLiteral("occurrence"),
                                   QStringLiteral("occurrences")),
                            plural(counter.segmentCount(), QStringLiteral("segment"),
                                   QStringLiteral("segments")));
    if (!described.isEmpty())
        text += QStringLiteral(" (%1)").arg(described.join(QStringLiteral(" ; ")));
    total->setText(text);
}

void frmVocabulaire::calculer_Click()
{
    const int choice = choiceOf(liste);
    if (choice == 0 || valeur->currentIndex() < 0)
        return;
    search::Target target;
    if (choice > 0) {
        target.list = choice;
        target.value = valeur->currentData().toLongLong();
    } else {
        target.attribute = -choice;
        target.attributeValue = valeur->currentText();
    }
    calculer->setEnabled(false);
    words::TargetVocabularies counted;
    bool done = false;
    try {
        done = withProgress(QStringLiteral("Comptage des mots…"), [&](const auto &progress) {
            counted = words::countTarget(*m_db, target, progress);
        });
    } catch (const StoreError &e) {
        calculer->setEnabled(true);
        messages::error(this, QStringLiteral("Les mots caractéristiques n'ont pas pu être "
                                             "calculés.\n\n%1")
                                  .arg(e.message()));
        return;
    }
    calculer->setEnabled(true);
    if (!done) {
        status(QStringLiteral("Calcul arrêté : le tableau n'a pas changé."));
        return;
    }
    const std::vector<words::KeyWord> found = words::keyWords(counted.target, counted.reference, 0);
    using Kind = WordTableModel::Kind;
    std::vector<WordTableModel::Column> columns{
        {QStringLiteral("Mot"), Kind::Word, 0},        {QStringLiteral("G²"), Kind::Decimal, 0},
        {QStringLiteral("Signe"), Kind::Text, 0},      {QStringLiteral("Effectif"), Kind::Count, 1},
        {QStringLiteral("Ailleurs"), Kind::Count, 2}, {QStringLiteral("p"), Kind::PValue, 3}};
    std::vector<WordTableModel::Line> lines;
    lines.reserve(found.size());
    for (const words::KeyWord &w : found) {
        WordTableModel::Line line;
        line.word = w.word;
        line.key = french::frenchBase(w.word);
        line.numbers = {w.g2, double(w.count), double(w.elsewhere), w.p};
        line.text = w.g2 > 0 ? QStringLiteral("+") : w.g2 < 0 ? QStringLiteral("−") : QString();
        lines.push_back(std::move(line));
    }
    mots_caracteristiques->horizontalHeader()->setSortIndicator(-1, Qt::DescendingOrder);
    m_keyWords->reset(std::move(columns), std::move(lines));
    mots_caracteristiques->resizeColumnToContents(0);
    cible->setText(QStringLiteral("%1 = %2 : %3 parmi %4, comparés à %5 parmi %6.")
                       .arg(liste->currentText(), valeur->currentText(),
                            plural(counted.target.wordCount(), QStringLiteral("occurrence"),
                                   QStringLiteral("occurrences")),
                            plural(counted.target.segmentCount(), QStringLiteral("segment"),
                                   QStringLiteral("segments")),
                            plural(counted.reference.wordCount(), QStringLiteral("occurrence"),
                                   QStringLiteral("occurrences")),
                            plural(counted.reference.segmentCount(),
                                   QStringLiteral("autre segment"),
                                   QStringLiteral("autres segments"))));
}

QTableView *frmVocabulaire::shownTable() const
{
    return onglets->currentIndex() == 1 ? mots_caracteristiques : vocabulaire;
}

void frmVocabulaire::copier_Click()
{
    const auto *model = static_cast<const WordTableModel *>(shownTable()->model());
    QString text;
    for (const QStringList &record : model->records(false))
        text += record.join(QLatin1Char('\t')) + QLatin1Char('\n');
    QApplication::clipboard()->setText(text);
    status(QStringLiteral("Tableau copié : collez-le dans un tableur."));
}

void frmVocabulaire::exporter_Click()
{
    const QFileInfo db(m_session.databasePath());
    const bool keyWords = onglets->currentIndex() == 1;
    const QString suggested = db.dir().filePath(
        db.completeBaseName()
        + (keyWords ? QStringLiteral("_mots_caracteristiques.csv")
                    : QStringLiteral("_vocabulaire.csv")));
    const QString file = dialogs::saveCsv(this, suggested, QStringLiteral("Exporter le tableau"));
    if (file.isEmpty())
        return;
    const QString canonical = db.canonicalFilePath();
    if (!canonical.isEmpty() && QFileInfo(file).canonicalFilePath() == canonical) {
        messages::error(this, QStringLiteral("Le tableau ne peut pas être exporté dans la base "
                                             "d'analyse « %1 » elle-même.")
                                  .arg(file));
        return;
    }
    // With ";" a French spreadsheet reads decimal commas; with "," the
    // decimal mark is a full stop.
    const bool comma = m_session.commaSeparator();
    const auto *model = static_cast<const WordTableModel *>(shownTable()->model());
    QSaveFile out(file);
    bool written = out.open(QIODevice::WriteOnly);
    if (written) {
        csv::Writer writer(&out, comma ? QLatin1Char(',') : QLatin1Char(';'));
        written = writer.writeBom();
        for (const QStringList &record : model->records(comma))
            written = written && writer.write(record);
        written = written && out.commit();
    }
    if (!written) {
        messages::error(this, QStringLiteral("Le fichier « %1 » ne peut pas être écrit : %2.")
                                  .arg(file, filecause::fromFileError(out.error())));
        return;
    }
    status(QStringLiteral("Tableau exporté dans « %1 ».").arg(file));
}

void frmVocabulaire::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && m_stale)
        loadChoices();
}

void frmVocabulaire::status(const QString &text)
{
    if (text.isEmpty())
        statusBar()->clearMessage();
    else
        statusBar()->showMessage(text, 8000);
}

} // namespace coding
