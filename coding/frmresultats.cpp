#include "coding/frmresultats.h"

#include "exchange/csv.h"
#include "coding/filedialogs.h"
#include "coding/session.h"
#include "common/filecause.h"
#include "common/look.h"
#include "common/messages.h"
#include "results/chisquare.h"
#include "results/tables.h"
#include "store/codebookstore.h"
#include "store/codingstore.h"
#include "store/connection.h"
#include "store/resultsstore.h"
#include "store/storeerror.h"

#include <QAbstractTableModel>
#include <QApplication>
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
#include <QPushButton>
#include <QSaveFile>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>
#include <map>

namespace coding {

// The segments behind a cell: their numbers are held, their first words read
// a block at a time as they are shown.
class CellSegmentModel : public QAbstractTableModel
{
public:
    static constexpr int kBlock = 100;
    static constexpr size_t kBlocksKept = 64;

    explicit CellSegmentModel(QObject *parent) : QAbstractTableModel(parent) {}

    void setSegments(results::ResultsStore *store, std::vector<results::CellSegment> segments)
    {
        beginResetModel();
        m_store = store;
        m_segments = std::move(segments);
        m_blocks.clear();
        endResetModel();
    }
    const results::CellSegment &segment(int row) const { return m_segments.at(size_t(row)); }

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_segments.size());
    }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : 3; }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return QAbstractTableModel::headerData(section, orientation, role);
        switch (section) {
        case 0:
            return QStringLiteral("Segment n°");
        case 1:
            return QStringLiteral("Texte n°");
        default:
            return QStringLiteral("Début du segment");
        }
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || index.row() >= rowCount())
            return {};
        const results::CellSegment &s = m_segments[size_t(index.row())];
        if (role == Qt::TextAlignmentRole && index.column() < 2)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
            return {};
        switch (index.column()) {
        case 0:
            return s.segment;
        case 1:
            return s.text;
        default:
            return start(index.row());
        }
    }

private:
    QString start(int row) const
    {
        const int block = row / kBlock;
        auto found = m_blocks.find(block);
        if (found == m_blocks.end()) {
            if (m_blocks.size() >= kBlocksKept)
                m_blocks.clear();
            std::vector<qint64> keys;
            for (int r = block * kBlock; r < std::min(rowCount(), (block + 1) * kBlock); ++r)
                keys.push_back(m_segments[size_t(r)].segment);
            std::vector<QString> starts;
            try {
                starts = m_store->starts(keys);
            } catch (const StoreError &) {
                starts.assign(keys.size(), QStringLiteral("(illisible)"));
            }
            for (QString &s : starts)
                s.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
            found = m_blocks.emplace(block, std::move(starts)).first;
        }
        return found->second.at(size_t(row % kBlock));
    }

    results::ResultsStore *m_store = nullptr;
    std::vector<results::CellSegment> m_segments;
    mutable std::map<int, std::vector<QString>> m_blocks;
};

namespace {

std::vector<QString> labelsOf(const std::vector<results::Value> &values)
{
    std::vector<QString> labels;
    for (const results::Value &v : values)
        labels.push_back(v.text);
    return labels;
}

std::vector<qint64> numbersOf(const std::vector<results::Value> &values)
{
    std::vector<qint64> numbers;
    for (const results::Value &v : values)
        numbers.push_back(v.numero);
    return numbers;
}

QString statistic(double value, int decimals = 4)
{
    return QLocale().toString(value, 'f', decimals);
}

} // namespace

frmResultats::frmResultats(Session &session, QWidget *parent)
    : QMainWindow(parent), m_session(session)
{
    setObjectName(QStringLiteral("Resultats"));
    setWindowTitle(QStringLiteral("Résultats - Analyse de contenu"));
    build();
    resize(1100, 760);
}

frmResultats::~frmResultats() = default;

QString frmResultats::listName(int list) const
{
    return m_names.at(size_t(list - 1));
}

void frmResultats::build()
{
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("cadre"));
    look::setBackground(central, look::kLightYellow);
    setCentralWidget(central);
    auto *outer = new QHBoxLayout(central);

    // The choices, on the left.
    auto *choices = new QWidget(central);
    choices->setObjectName(QStringLiteral("choix"));
    auto *form = new QFormLayout(choices);
    form->setContentsMargins(0, 0, 0, 0);
    variable = new QComboBox(choices);
    variable->setObjectName(QStringLiteral("variable"));
    croiser = new QComboBox(choices);
    croiser->setObjectName(QStringLiteral("croiser"));
    unite = new QComboBox(choices);
    unite->setObjectName(QStringLiteral("unite"));
    unite->addItem(QStringLiteral("Lignes de codage"));
    unite->addItem(QStringLiteral("Segments"));
    unite->setToolTip(QStringLiteral(
        "Lignes de codage : chaque ligne compte une fois.\n"
        "Segments : un segment compte une fois pour chaque valeur distincte qu'il porte ;\n"
        "un segment qui porte deux valeurs est donc dans deux cases (le tableau dit combien)."));
    affichage = new QComboBox(choices);
    affichage->setObjectName(QStringLiteral("affichage"));
    affichage->addItems({QStringLiteral("Effectifs"), QStringLiteral("% en ligne"),
                         QStringLiteral("% en colonne"), QStringLiteral("% du total")});
    barres = new QComboBox(choices);
    barres->setObjectName(QStringLiteral("barres"));
    barres->addItems({QStringLiteral("Groupées"), QStringLiteral("Empilées")});
    form->addRow(QStringLiteral("&Variable :"), variable);
    form->addRow(QStringLiteral("&Croiser avec :"), croiser);
    form->addRow(QStringLiteral("&Unité :"), unite);
    form->addRow(QStringLiteral("&Afficher :"), affichage);
    form->addRow(QStringLiteral("&Barres :"), barres);
    auto *textesLabel = new QLabel(QStringLiteral("&Textes comptés :"), choices);
    form->addRow(textesLabel);
    textes = new QListWidget(choices);
    textes->setObjectName(QStringLiteral("textes"));
    textesLabel->setBuddy(textes);
    form->addRow(textes);
    auto *textButtons = new QHBoxLayout;
    tous = new QPushButton(QStringLiteral("T&ous"), choices);
    tous->setObjectName(QStringLiteral("tous"));
    aucun = new QPushButton(QStringLiteral("A&ucun"), choices);
    aucun->setObjectName(QStringLiteral("aucun"));
    textButtons->addWidget(tous);
    textButtons->addWidget(aucun);
    form->addRow(textButtons);
    choices->setMaximumWidth(320);
    outer->addWidget(choices);

    // The table or the chart, the test, the buttons; the segments below.
    auto *splitter = new QSplitter(Qt::Vertical, central);
    splitter->setObjectName(QStringLiteral("separation"));
    outer->addWidget(splitter, 1);
    auto *top = new QWidget(splitter);
    auto *topLayout = new QVBoxLayout(top);
    topLayout->setContentsMargins(0, 0, 0, 0);
    titre = new QLabel(top);
    titre->setObjectName(QStringLiteral("titre"));
    titre->setFont(look::font(look::kTimes, 13, true));
    look::setTextColour(titre, look::kDarkBlue);
    titre->setWordWrap(true);
    topLayout->addWidget(titre);
    onglets = new QTabWidget(top);
    onglets->setObjectName(QStringLiteral("onglets"));
    tableau = new QTableWidget(onglets);
    tableau->setObjectName(QStringLiteral("tableau"));
    tableau->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tableau->setSelectionMode(QAbstractItemView::SingleSelection);
    tableau->verticalHeader()->hide();
    tableau->verticalHeader()->setDefaultSectionSize(tableau->fontMetrics().height() + 8);
    graphique = new ChartView(onglets);
    graphique->setObjectName(QStringLiteral("graphique"));
    onglets->addTab(tableau, QStringLiteral("Ta&bleau"));
    onglets->addTab(graphique, QStringLiteral("&Graphique"));
    topLayout->addWidget(onglets, 1);
    notes = new QLabel(top);
    notes->setObjectName(QStringLiteral("notes"));
    notes->setWordWrap(true);
    notes->setTextInteractionFlags(Qt::TextSelectableByMouse);
    notes->hide();
    topLayout->addWidget(notes);
    khi2 = new QLabel(top);
    khi2->setObjectName(QStringLiteral("khi2"));
    khi2->setTextInteractionFlags(Qt::TextSelectableByMouse);
    topLayout->addWidget(khi2);
    avertissement = new QLabel(top);
    avertissement->setObjectName(QStringLiteral("avertissement"));
    avertissement->setWordWrap(true);
    look::setTextColour(avertissement, QColor(160, 0, 0));
    topLayout->addWidget(avertissement);
    auto *buttons = new QHBoxLayout;
    copier = new QPushButton(QStringLiteral("Co&pier"), top);
    copier->setObjectName(QStringLiteral("copier"));
    copier->setToolTip(QStringLiteral("Copie le tableau dans le presse-papiers (colonnes séparées "
                                      "par des tabulations)"));
    exporter = new QPushButton(QStringLiteral("E&xporter..."), top);
    exporter->setObjectName(QStringLiteral("exporter"));
    exporter->setToolTip(QStringLiteral("Enregistre le tableau dans un fichier CSV"));
    enregistrer = new QPushButton(QStringLiteral("&Enregistrer le graphique..."), top);
    enregistrer->setObjectName(QStringLiteral("enregistrer"));
    enregistrer->setToolTip(QStringLiteral("Enregistre le graphique en image PNG ou SVG"));
    buttons->addStretch(1);
    buttons->addWidget(copier);
    buttons->addWidget(exporter);
    buttons->addWidget(enregistrer);
    topLayout->addLayout(buttons);

    auto *bottom = new QWidget(splitter);
    auto *bottomLayout = new QVBoxLayout(bottom);
    bottomLayout->setContentsMargins(0, 0, 0, 0);
    segments_titre = new QLabel(QStringLiteral("Cliquez sur une case du tableau pour en lister "
                                               "les segments."),
                                bottom);
    segments_titre->setObjectName(QStringLiteral("segments_titre"));
    segments_titre->setWordWrap(true);
    bottomLayout->addWidget(segments_titre);
    segments = new QTableView(bottom);
    segments->setObjectName(QStringLiteral("segments"));
    m_segments = new CellSegmentModel(segments);
    segments->setModel(m_segments);
    segments->setSelectionBehavior(QAbstractItemView::SelectRows);
    segments->setSelectionMode(QAbstractItemView::SingleSelection);
    segments->setEditTriggers(QAbstractItemView::NoEditTriggers);
    segments->verticalHeader()->hide();
    segments->verticalHeader()->setDefaultSectionSize(segments->fontMetrics().height() + 6);
    segments->horizontalHeader()->setStretchLastSection(true);
    segments->setColumnWidth(0, 90);
    segments->setColumnWidth(1, 70);
    segments->setToolTip(QStringLiteral("Double-clic ou Entrée : ouvre le segment dans la "
                                        "fenêtre de codage"));
    bottomLayout->addWidget(segments, 1);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);

    QMenu *fichier = menuBar()->addMenu(QStringLiteral("&Fichier"));
    fichier->setObjectName(QStringLiteral("fichier"));
    auto *copy = fichier->addAction(QStringLiteral("&Copier le tableau"), this,
                                    &frmResultats::copier_Click);
    copy->setObjectName(QStringLiteral("action_copier"));
    copy->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    auto *exportAction = fichier->addAction(QStringLiteral("&Exporter le tableau en CSV..."), this,
                                            &frmResultats::exporter_Click);
    exportAction->setObjectName(QStringLiteral("action_exporter"));
    auto *save = fichier->addAction(QStringLiteral("Enregistrer le &graphique..."), this,
                                    &frmResultats::enregistrer_Click);
    save->setObjectName(QStringLiteral("action_enregistrer"));
    fichier->addAction(m_session.makeCommaAction(this));
    fichier->addSeparator();
    auto *again = fichier->addAction(QStringLiteral("&Actualiser"), this, [this] {
        loadChoices();
        compute();
    });
    again->setObjectName(QStringLiteral("actualiser"));
    again->setShortcut(QKeySequence(Qt::Key_F5));
    auto *close = fichier->addAction(QStringLiteral("&Fermer"), this, &QWidget::close);
    close->setObjectName(QStringLiteral("fermer"));
    close->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));

    statusBar()->setObjectName(QStringLiteral("StatusBar1"));

    auto recount = [this] {
        if (!m_loading)
            compute();
    };
    connect(variable, &QComboBox::currentIndexChanged, this, recount);
    connect(croiser, &QComboBox::currentIndexChanged, this, recount);
    connect(unite, &QComboBox::currentIndexChanged, this, recount);
    connect(affichage, &QComboBox::currentIndexChanged, this, recount);
    connect(barres, &QComboBox::currentIndexChanged, this, recount);
    connect(textes, &QListWidget::itemChanged, this, recount);
    auto checkAll = [this](bool on) {
        m_loading = true;
        for (int i = 0; i < textes->count(); ++i)
            textes->item(i)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
        m_loading = false;
        compute();
    };
    connect(tous, &QPushButton::clicked, this, [checkAll] { checkAll(true); });
    connect(aucun, &QPushButton::clicked, this, [checkAll] { checkAll(false); });
    connect(tableau, &QTableWidget::cellClicked, this, &frmResultats::tableau_CellClicked);
    // From the keyboard: Entrée on the current cell.
    connect(tableau, &QTableWidget::cellActivated, this, &frmResultats::tableau_CellClicked);
    connect(copier, &QPushButton::clicked, this, &frmResultats::copier_Click);
    connect(exporter, &QPushButton::clicked, this, &frmResultats::exporter_Click);
    connect(enregistrer, &QPushButton::clicked, this, &frmResultats::enregistrer_Click);
    connect(segments, &QTableView::activated, this,
            [this](const QModelIndex &index) { openSegment(index.row()); });

    auto stale = [this] {
        if (isActiveWindow()) {
            loadChoices();
            compute();
        } else {
            m_stale = true;
        }
    };
    connect(&m_session, &Session::codingChanged, this, stale);
    connect(&m_session, &Session::listsChanged, this, stale);
}

bool frmResultats::Form_Load()
{
    try {
        m_db = Connection::open(m_session.databasePath());
        m_store = std::make_unique<results::ResultsStore>(*m_db);
    } catch (const StoreError &e) {
        messages::error(this, QStringLiteral("Les résultats ne peuvent pas être lus.\n\n%1")
                                  .arg(e.message()));
        return false;
    }
    loadChoices();
    compute();
    return true;
}

void frmResultats::loadChoices()
{
    m_loading = true;
    try {
        m_names = codebook::listNames(*m_db);
    } catch (const StoreError &e) {
        for (int k = 1; k <= kLists; ++k)
            m_names[size_t(k - 1)] = codebook::defaultListName(k);
        status(e.message());
    }
    const int list = std::max(0, variable->currentIndex());
    const int cross = std::max(0, croiser->currentIndex());
    variable->clear();
    croiser->clear();
    croiser->addItem(QStringLiteral("(aucune)"));
    for (int k = 1; k <= kLists; ++k) {
        variable->addItem(listName(k));
        croiser->addItem(listName(k));
    }
    variable->setCurrentIndex(list);
    croiser->setCurrentIndex(cross);

    // The texts keep their marks across a reading again; a new text is
    // counted.
    std::map<qint64, bool> marks;
    for (int i = 0; i < textes->count(); ++i)
        marks[textes->item(i)->data(Qt::UserRole).toLongLong()] =
            textes->item(i)->checkState() == Qt::Checked;
    textes->clear();
    try {
        for (const TextInfo &t : m_session.store().texts()) {
            auto *item = new QListWidgetItem(
                QStringLiteral("%1 - %2").arg(t.numero).arg(QFileInfo(t.chemin).fileName()),
                textes);
            item->setData(Qt::UserRole, t.numero);
            item->setToolTip(t.chemin);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
            const auto found = marks.find(t.numero);
            item->setCheckState(found == marks.end() || found->second ? Qt::Checked
                                                                      : Qt::Unchecked);
        }
    } catch (const StoreError &e) {
        status(e.message());
    }
    m_loading = false;
}

void frmResultats::compute()
{
    if (!m_store)
        return;
    m_stale = false;
    const int list = variable->currentIndex() + 1;
    const int cross = croiser->currentIndex(); // 0: none
    const bool bySegment = unite->currentIndex() == 1;
    const results::Unit unit = bySegment ? results::Unit::Segments : results::Unit::Lines;
    affichage->setEnabled(cross != 0);
    barres->setEnabled(cross != 0);

    results::Scope scope = results::Scope::whole();
    std::vector<qint64> chosen;
    for (int i = 0; i < textes->count(); ++i)
        if (textes->item(i)->checkState() == Qt::Checked)
            chosen.push_back(textes->item(i)->data(Qt::UserRole).toLongLong());
    const bool all = int(chosen.size()) == textes->count();
    if (!all)
        scope = results::Scope::of(chosen);
    const QString scopeText =
        all ? QStringLiteral("tous les textes")
            : chosen.empty() ? QStringLiteral("aucun texte")
            : chosen.size() == 1 ? QStringLiteral("texte n° %1").arg(chosen.front())
                                 : QStringLiteral("%1 textes sur %2").arg(chosen.size()).arg(textes->count());
    const QString unitText = unitName(bySegment);

    status(QStringLiteral("Calcul des résultats..."));
    statusBar()->repaint();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_rowList = list;
    m_columnList = cross;
    m_chart = ChartData{};
    QString test;
    QString warning;
    try {
        if (cross == 0) {
            results::FrequencyCounts counts = m_store->frequencies(list, unit, scope);
            m_rowValues = numbersOf(counts.values);
            m_columnValues.clear();
            const results::FrequencyTable table =
                results::frequencyTable(labelsOf(counts.values), std::move(counts.counts),
                                        counts.uncoded, counts.multiple);
            m_grid = frequencyGrid(table, listName(list), unitText, QLocale());
            titre->setText(QStringLiteral("%1 - effectifs en %2 (%3)")
                               .arg(listName(list), unitText, scopeText));
            m_chart.title = listName(list);
            m_chart.series << QStringLiteral("Effectif");
            for (size_t i = 0; i < table.labels.size(); ++i) {
                m_chart.categories << table.labels[i];
                m_chart.values.push_back({double(table.counts[i])});
            }
        } else {
            results::CrossCounts counts = m_store->crossCounts(list, cross, unit, scope);
            m_rowValues = numbersOf(counts.rows);
            m_columnValues = numbersOf(counts.columns);
            const results::CrossTable table =
                results::crossTable(labelsOf(counts.rows), labelsOf(counts.columns),
                                    std::move(counts.counts), counts.uncoded, counts.multiple);
            m_grid = crossGrid(table, listName(list), listName(cross), unitText,
                               CrossShow(affichage->currentIndex()), QLocale());
            titre->setText(QStringLiteral("%1 × %2 - %3 (%4)")
                               .arg(listName(list), listName(cross), unitText, scopeText));
            const results::ChiSquare chi = results::chiSquare(table.counts);
            if (chi.computed) {
                const QString p = chi.pValue < 0.0001 ? QStringLiteral("p < %1").arg(statistic(0.0001))
                                                      : QStringLiteral("p = %1").arg(statistic(chi.pValue));
                test = QStringLiteral("χ² de Pearson (sans correction de Yates) = %1 ; ddl = %2 ; "
                                      "%3 ; V de Cramér = %4 ; N = %5 "
                                      "(%6 lignes et %7 colonnes non vides)")
                           .arg(statistic(chi.statistic))
                           .arg(chi.degreesOfFreedom)
                           .arg(p, statistic(chi.cramersV))
                           .arg(chi.n)
                           .arg(chi.rows)
                           .arg(chi.columns);
            }
            QStringList warnings;
            for (const QString &w : {results::chiSquareWarning(chi),
                                     results::independenceWarning(table.multiple)})
                if (!w.isEmpty())
                    warnings << w;
            warning = warnings.join(QLatin1Char('\n'));
            m_chart.title = QStringLiteral("%1 × %2").arg(listName(list), listName(cross));
            m_chart.stacked = barres->currentIndex() == 1;
            m_chart.legendTitle = listName(cross);
            for (const QString &c : table.columnLabels)
                m_chart.series << c;
            for (size_t r = 0; r < table.rowLabels.size(); ++r) {
                m_chart.categories << table.rowLabels[r];
                std::vector<double> bars;
                for (qint64 n : table.counts[r])
                    bars.push_back(double(n));
                m_chart.values.push_back(std::move(bars));
            }
        }
    } catch (const StoreError &e) {
        QApplication::restoreOverrideCursor();
        status(QString());
        m_grid = ResultGrid{};
        tableau->clear();
        tableau->setRowCount(0);
        tableau->setColumnCount(0);
        graphique->setChart(ChartData{});
        messages::error(this, QStringLiteral("Les résultats n'ont pas pu être calculés.\n\n%1")
                                  .arg(e.message()));
        return;
    }
    m_chart.subtitle = QStringLiteral("Effectifs en %1 ; %2").arg(unitText, scopeText);
    graphique->setChart(m_chart);
    khi2->setText(test);
    khi2->setVisible(!test.isEmpty());
    notes->setText(m_grid.notes.join(QLatin1Char('\n')));
    notes->setVisible(!m_grid.notes.isEmpty());
    avertissement->setText(warning);
    avertissement->setVisible(!warning.isEmpty());

    tableau->clear();
    tableau->setColumnCount(int(m_grid.header.size()));
    tableau->setRowCount(int(m_grid.rows.size()));
    tableau->setHorizontalHeaderLabels(m_grid.header);
    QFont bold = tableau->font();
    bold.setBold(true);
    for (int r = 0; r < m_grid.rows.size(); ++r) {
        const bool last = r == m_grid.rows.size() - 1;
        const bool total = r == m_grid.rows.size() - 2;
        for (int c = 0; c < m_grid.rows[r].size(); ++c) {
            auto *item = new QTableWidgetItem(m_grid.rows[r][c]);
            if (c > 0)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (total || (c == m_grid.header.size() - 1 && m_columnList != 0))
                item->setFont(bold);
            if (last)
                item->setForeground(QColor(110, 110, 110));
            tableau->setItem(r, c, item);
        }
    }
    tableau->resizeColumnsToContents();
    m_segments->setSegments(m_store.get(), {});
    segments_titre->setText(QStringLiteral("Cliquez sur une case du tableau pour en lister les "
                                           "segments."));
    QApplication::restoreOverrideCursor();
    status(QString());
}

void frmResultats::tableau_CellClicked(int row, int column)
{
    if (!m_store || row < 0 || row >= m_grid.rows.size())
        return;
    const int values = int(m_rowValues.size());
    if (row > values) {
        segments_titre->setText(QStringLiteral("Les unités non codées ne sont pas listées : "
                                               "cliquez sur une case de valeur ou de total."));
        m_segments->setSegments(m_store.get(), {});
        return;
    }
    // A value's line or the total line (any value); likewise the columns.
    const qint64 rowValue = row < values ? m_rowValues[size_t(row)] : 0;
    qint64 columnValue = 0;
    if (m_columnList != 0 && column >= 1 && column <= int(m_columnValues.size()))
        columnValue = m_columnValues[size_t(column - 1)];
    QString cell = QStringLiteral("%1 = %2").arg(listName(m_rowList),
                                               row < values ? m_grid.rows[row][0]
                                                            : QStringLiteral("(toutes)"));
    if (m_columnList != 0)
        cell += QStringLiteral(", %1 = %2").arg(listName(m_columnList),
                                                columnValue != 0 ? m_grid.header[column]
                                                                 : QStringLiteral("(toutes)"));

    results::Scope scope = results::Scope::whole();
    std::vector<qint64> chosen;
    for (int i = 0; i < textes->count(); ++i)
        if (textes->item(i)->checkState() == Qt::Checked)
            chosen.push_back(textes->item(i)->data(Qt::UserRole).toLongLong());
    if (int(chosen.size()) != textes->count())
        scope = results::Scope::of(chosen);
    try {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        std::vector<results::CellSegment> found =
            m_store->cellSegments(m_rowList, rowValue, m_columnList, columnValue, scope);
        QApplication::restoreOverrideCursor();
        segments_titre->setText(QStringLiteral("Segments où %1 : %2 (double-clic ou Entrée pour "
                                               "l'ouvrir dans la fenêtre de codage)")
                                    .arg(cell)
                                    .arg(found.size()));
        m_segments->setSegments(m_store.get(), std::move(found));
    } catch (const StoreError &e) {
        QApplication::restoreOverrideCursor();
        messages::error(this, QStringLiteral("Les segments de cette case n'ont pas pu être "
                                             "lus.\n\n%1")
                                  .arg(e.message()));
    }
}

void frmResultats::openSegment(int row)
{
    if (row < 0 || row >= m_segments->rowCount())
        return;
    const results::CellSegment &s = m_segments->segment(row);
    emit m_session.segmentWanted(s.text, s.segment);
}

void frmResultats::copier_Click()
{
    QApplication::clipboard()->setText(tabSeparated(m_grid));
    status(QStringLiteral("Tableau copié : collez-le dans un tableur."));
}

void frmResultats::exporter_Click()
{
    const QFileInfo db(m_session.databasePath());
    const QString suggested =
        db.dir().filePath(db.completeBaseName() + QStringLiteral("_resultats.csv"));
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
    ResultGrid grid = m_grid;
    if (comma) {
        for (QStringList &row : grid.rows)
            for (int c = 1; c < row.size(); ++c)
                row[c].replace(QLatin1Char(','), QLatin1Char('.'));
    }
    QSaveFile out(file);
    bool written = out.open(QIODevice::WriteOnly);
    if (written) {
        csv::Writer writer(&out, comma ? QLatin1Char(',') : QLatin1Char(';'));
        written = writer.writeBom() && writer.write(grid.header);
        for (const QStringList &row : grid.rows)
            written = written && writer.write(row);
        if (!grid.notes.isEmpty())
            written = written && writer.write(QStringList{QString()});
        for (const QString &note : grid.notes)
            written = written && writer.write(QStringList{note});
        written = written && out.commit();
    }
    if (!written) {
        messages::error(this, QStringLiteral("Le fichier « %1 » ne peut pas être écrit : %2.")
                                  .arg(file, filecause::fromFileError(out.error())));
        return;
    }
    status(QStringLiteral("Tableau exporté dans « %1 ».").arg(file));
}

void frmResultats::enregistrer_Click()
{
    const QFileInfo db(m_session.databasePath());
    const QString suggested =
        db.dir().filePath(db.completeBaseName() + QStringLiteral("_graphique.png"));
    const QString file = dialogs::saveChart(this, suggested);
    if (file.isEmpty())
        return;
    QString message;
    if (!saveChart(m_chart, file, &message)) {
        messages::error(this, message);
        return;
    }
    status(QStringLiteral("Graphique enregistré dans « %1 ».").arg(file));
}

void frmResultats::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && m_stale) {
        loadChoices();
        compute();
    }
}

void frmResultats::status(const QString &text)
{
    if (text.isEmpty())
        statusBar()->clearMessage();
    else
        statusBar()->showMessage(text, 8000);
}

} // namespace coding
