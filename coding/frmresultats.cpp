#include "coding/frmresultats.h"

#include "exchange/csv.h"
#include "coding/filedialogs.h"
#include "coding/session.h"
#include "common/filecause.h"
#include "common/look.h"
#include "common/messages.h"
#include "results/chisquare.h"
#include "results/periods.h"
#include "results/tables.h"
#include "store/codebookstore.h"
#include "store/codingstore.h"
#include "store/connection.h"
#include "store/resultsstore.h"
#include "store/storeerror.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QClipboard>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
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

// The value an attribute's line or column stands for: its text, empty for
// "(sans valeur)"; none for a margin.
std::optional<QString> attributeValueAt(const std::vector<results::Value> &values, int index)
{
    if (index < 0 || index >= int(values.size()))
        return std::nullopt;
    const results::Value &v = values[size_t(index)];
    return v.numero == results::kWithoutValue ? QString() : v.text;
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
    sans_suggestions = new QCheckBox(QStringLiteral("Sans les suggestions acceptées"), choices);
    sans_suggestions->setObjectName(QStringLiteral("sans_suggestions"));
    sans_suggestions->setToolTip(QStringLiteral("Les valeurs prises d'une suggestion, sans avoir "
                                                "été choisies par le codeur, comptent comme non "
                                                "codées"));
    form->addRow(QString(), sans_suggestions);
    form->addRow(QStringLiteral("&Afficher :"), affichage);
    form->addRow(QStringLiteral("&Barres :"), barres);
    periode = new QComboBox(choices);
    periode->setObjectName(QStringLiteral("periode"));
    periode->addItems({QStringLiteral("Par mois"), QStringLiteral("Par année")});
    periode->setToolTip(QStringLiteral("Le graphique d'un attribut de dates regroupe ses valeurs "
                                       "par mois ou par année"));
    mesure = new QComboBox(choices);
    mesure->setObjectName(QStringLiteral("mesure"));
    mesure->addItems({QStringLiteral("Effectifs"), QStringLiteral("Pourcentages de la période")});
    form->addRow(QStringLiteral("Pé&riodes :"), periode);
    form->addRow(QStringLiteral("&Hauteur :"), mesure);
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

    // The conditions on the attributes: attribute, "=" a value or a range.
    auto *conditionsLabel = new QLabel(QStringLiteral("Con&ditions sur les attributs :"), choices);
    form->addRow(conditionsLabel);
    condition_attribut = new QComboBox(choices);
    condition_attribut->setObjectName(QStringLiteral("condition_attribut"));
    conditionsLabel->setBuddy(condition_attribut);
    condition_operateur = new QComboBox(choices);
    condition_operateur->setObjectName(QStringLiteral("condition_operateur"));
    condition_operateur->addItems({QStringLiteral("="), QStringLiteral("de … à …")});
    auto *conditionLine = new QHBoxLayout;
    conditionLine->addWidget(condition_attribut, 1);
    conditionLine->addWidget(condition_operateur);
    form->addRow(conditionLine);
    condition_valeur = new QComboBox(choices);
    condition_valeur->setObjectName(QStringLiteral("condition_valeur"));
    form->addRow(QStringLiteral("Valeur :"), condition_valeur);
    condition_de = new QLineEdit(choices);
    condition_de->setObjectName(QStringLiteral("condition_de"));
    condition_de->setPlaceholderText(QStringLiteral("de"));
    condition_a = new QLineEdit(choices);
    condition_a->setObjectName(QStringLiteral("condition_a"));
    condition_a->setPlaceholderText(QStringLiteral("à"));
    auto *rangeLine = new QHBoxLayout;
    rangeLine->addWidget(condition_de);
    rangeLine->addWidget(new QLabel(QStringLiteral("à"), choices));
    rangeLine->addWidget(condition_a);
    form->addRow(QStringLiteral("Intervalle :"), rangeLine);
    ajouter_condition = new QPushButton(QStringLiteral("Ajouter la co&ndition"), choices);
    ajouter_condition->setObjectName(QStringLiteral("ajouter_condition"));
    form->addRow(ajouter_condition);
    conditions_liste = new QListWidget(choices);
    conditions_liste->setObjectName(QStringLiteral("conditions"));
    conditions_liste->setMaximumHeight(conditions_liste->fontMetrics().height() * 5);
    form->addRow(conditions_liste);
    retirer_condition = new QPushButton(QStringLiteral("Retirer la condition"), choices);
    retirer_condition->setObjectName(QStringLiteral("retirer_condition"));
    form->addRow(retirer_condition);
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
    conditions_texte = new QLabel(top);
    conditions_texte->setObjectName(QStringLiteral("conditions_texte"));
    conditions_texte->setWordWrap(true);
    conditions_texte->setTextFormat(Qt::PlainText); // the researcher's values, never markup
    conditions_texte->setTextInteractionFlags(Qt::TextSelectableByMouse);
    conditions_texte->hide();
    topLayout->addWidget(conditions_texte);
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
    connect(sans_suggestions, &QCheckBox::toggled, this, recount);
    connect(affichage, &QComboBox::currentIndexChanged, this, recount);
    connect(barres, &QComboBox::currentIndexChanged, this, recount);
    connect(periode, &QComboBox::currentIndexChanged, this, recount);
    connect(mesure, &QComboBox::currentIndexChanged, this, recount);
    connect(condition_attribut, &QComboBox::currentIndexChanged, this,
            [this] { loadConditionValues(); });
    connect(condition_operateur, &QComboBox::currentIndexChanged, this, [this](int index) {
        condition_valeur->setEnabled(index == 0 && condition_valeur->count() > 0);
        condition_de->setEnabled(index == 1);
        condition_a->setEnabled(index == 1);
    });
    connect(ajouter_condition, &QPushButton::clicked, this, &frmResultats::ajouterCondition_Click);
    connect(retirer_condition, &QPushButton::clicked, this, &frmResultats::retirerCondition_Click);
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
    try {
        m_attributes = attributes::list(*m_db);
    } catch (const StoreError &e) {
        m_attributes.clear();
        status(e.message());
    }
    fillChoosers();
    // A condition follows its attribute's new name, and goes with it.
    std::vector<results::Condition> kept;
    for (results::Condition c : m_conditions) {
        for (const attributes::Attribute &a : m_attributes)
            if (a.number == c.attribute) {
                c.name = a.name;
                kept.push_back(c);
            }
    }
    if (kept.size() != m_conditions.size())
        status(QStringLiteral("Les conditions sur un attribut supprimé ont été retirées."));
    m_conditions = std::move(kept);
    showConditions();

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

int frmResultats::choiceOf(const QComboBox *box)
{
    return box->currentIndex() < 0 ? 0 : box->currentData().toInt();
}

QString frmResultats::choiceName(int choice) const
{
    if (choice > 0)
        return listName(choice);
    for (const attributes::Attribute &a : m_attributes)
        if (a.number == -choice)
            return a.name;
    return QString();
}

bool frmResultats::isDateAttribute(int choice) const
{
    if (choice >= 0)
        return false;
    try {
        return attributes::kindOf(*m_db, -choice) == attributes::Kind::Date;
    } catch (const StoreError &) {
        return false;
    }
}

// The lists, then the attributes after a line; the choices kept by what they
// stand for.
void frmResultats::fillChoosers()
{
    const int row = variable->count() > 0 ? choiceOf(variable) : 1;
    const int column = croiser->count() > 0 ? choiceOf(croiser) : 0;
    const int conditionAttribute = choiceOf(condition_attribut);
    variable->clear();
    croiser->clear();
    condition_attribut->clear();
    croiser->addItem(QStringLiteral("(aucune)"), 0);
    for (int k = 1; k <= kLists; ++k) {
        variable->addItem(listName(k), k);
        croiser->addItem(listName(k), k);
    }
    if (!m_attributes.empty()) {
        variable->insertSeparator(variable->count());
        croiser->insertSeparator(croiser->count());
    }
    for (const attributes::Attribute &a : m_attributes) {
        const QString tip = QStringLiteral("Attribut des textes");
        variable->addItem(a.name, int(-a.number));
        variable->setItemData(variable->count() - 1, tip, Qt::ToolTipRole);
        croiser->addItem(a.name, int(-a.number));
        croiser->setItemData(croiser->count() - 1, tip, Qt::ToolTipRole);
        condition_attribut->addItem(a.name, int(-a.number));
    }
    auto pick = [](QComboBox *box, int choice, int otherwise) {
        const int found = box->findData(choice);
        box->setCurrentIndex(found >= 0 ? found : box->findData(otherwise));
    };
    pick(variable, row, 1);
    pick(croiser, column, 0);
    if (!m_attributes.empty())
        pick(condition_attribut, conditionAttribute, int(-m_attributes.front().number));
    const bool any = !m_attributes.empty();
    for (QWidget *w : std::initializer_list<QWidget *>{condition_attribut, condition_operateur,
                                                      condition_valeur, condition_de, condition_a,
                                                      ajouter_condition})
        w->setEnabled(any);
    condition_attribut->setToolTip(any ? QString()
                                       : QStringLiteral("Les textes de l'analyse n'ont pas "
                                                        "d'attributs."));
    loadConditionValues();
}

// The values of the attribute chosen in the editor; a range only for dates
// and numbers.
void frmResultats::loadConditionValues()
{
    condition_valeur->clear();
    const int choice = choiceOf(condition_attribut);
    if (choice >= 0 || !m_store)
        return;
    attributes::Kind kind = attributes::Kind::Text;
    try {
        for (const results::Value &v : m_store->attributeValues(-choice))
            if (v.numero != results::kWithoutValue)
                condition_valeur->addItem(v.text);
        kind = attributes::kindOf(*m_db, -choice);
    } catch (const StoreError &e) {
        status(e.message());
    }
    const bool range = kind != attributes::Kind::Text;
    if (!range)
        condition_operateur->setCurrentIndex(0);
    condition_operateur->setEnabled(range);
    const QString hint = kind == attributes::Kind::Date ? QStringLiteral("AAAA-MM-JJ")
                                                        : QStringLiteral("nombre");
    condition_de->setPlaceholderText(QStringLiteral("de (%1)").arg(hint));
    condition_a->setPlaceholderText(QStringLiteral("à (%1)").arg(hint));
    const bool isRange = condition_operateur->currentIndex() == 1;
    condition_valeur->setEnabled(!isRange && condition_valeur->count() > 0);
    condition_de->setEnabled(isRange);
    condition_a->setEnabled(isRange);
}

void frmResultats::showConditions()
{
    conditions_liste->clear();
    for (const results::Condition &c : m_conditions)
        conditions_liste->addItem(results::describe({c}));
    retirer_condition->setEnabled(!m_conditions.empty());
    const QString text = results::describe(m_conditions);
    conditions_texte->setText(text.isEmpty() ? QString()
                                             : QStringLiteral("Textes où %1").arg(text));
    conditions_texte->setVisible(!text.isEmpty());
}

void frmResultats::ajouterCondition_Click()
{
    const int choice = choiceOf(condition_attribut);
    if (choice >= 0)
        return;
    const QString name = condition_attribut->currentText();
    results::Condition c;
    if (condition_operateur->currentIndex() == 1) {
        c = results::Condition::between(-choice, name, condition_de->text().trimmed(),
                                        condition_a->text().trimmed());
        if (c.from.isEmpty() && c.to.isEmpty()) {
            messages::error(this, QStringLiteral("Donnez au moins une borne à l'intervalle de "
                                                 "l'attribut « %1 ».")
                                      .arg(name));
            return;
        }
        // A bound the attribute cannot take is refused now, not at the next count.
        try {
            m_store->checkCondition(c);
        } catch (const StoreError &e) {
            messages::error(this, e.message());
            return;
        }
    } else {
        if (condition_valeur->currentIndex() < 0)
            return;
        c = results::Condition::equals(-choice, name, condition_valeur->currentText());
    }
    m_conditions.push_back(c);
    showConditions();
    condition_de->clear();
    condition_a->clear();
    compute();
}

void frmResultats::retirerCondition_Click()
{
    int row = conditions_liste->currentRow();
    if (row < 0 && !m_conditions.empty())
        row = int(m_conditions.size()) - 1;
    if (row < 0 || row >= int(m_conditions.size()))
        return;
    m_conditions.erase(m_conditions.begin() + row);
    showConditions();
    compute();
}

results::Scope frmResultats::scope(bool *all, int *chosenCount) const
{
    std::vector<qint64> chosen;
    for (int i = 0; i < textes->count(); ++i)
        if (textes->item(i)->checkState() == Qt::Checked)
            chosen.push_back(textes->item(i)->data(Qt::UserRole).toLongLong());
    *all = int(chosen.size()) == textes->count();
    *chosenCount = int(chosen.size());
    results::Scope result = *all ? results::Scope::whole() : results::Scope::of(chosen);
    result.conditions = m_conditions;
    return result;
}

qint64 frmResultats::periodChart(const results::CrossTable &table, int list, int attribute)
{
    const bool byYear = periode->currentIndex() == 1;
    const bool shares = mesure->currentIndex() == 1;
    std::vector<std::vector<qint64>> byDate(table.columnLabels.size(),
                                            std::vector<qint64>(table.rowLabels.size(), 0));
    for (size_t r = 0; r < table.rowLabels.size(); ++r)
        for (size_t c = 0; c < table.columnLabels.size(); ++c)
            byDate[c][r] = table.counts[r][c];
    const results::PeriodCounts periods = results::byPeriod(
        table.columnLabels, byDate, byYear ? results::Period::Year : results::Period::Month);
    m_chart = ChartData{};
    m_chart.title = QStringLiteral("%1 × %2 (%3)")
                        .arg(listName(list), choiceName(attribute),
                             byYear ? QStringLiteral("par année") : QStringLiteral("par mois"));
    m_chart.stacked = barres->currentIndex() == 1;
    m_chart.legendTitle = listName(list);
    for (const QString &label : table.rowLabels)
        m_chart.series << label;
    for (const QString &p : periods.periods)
        m_chart.categories << p;
    if (shares) {
        m_chart.values = results::periodShares(periods);
    } else {
        for (const std::vector<qint64> &row : periods.counts)
            m_chart.values.emplace_back(row.begin(), row.end());
    }
    return periods.undated;
}

void frmResultats::compute()
{
    if (!m_store)
        return;
    m_stale = false;
    const int rowChoice = choiceOf(variable);
    const int columnChoice = choiceOf(croiser); // 0: none
    const bool bySegment = unite->currentIndex() == 1;
    const results::Unit unit = bySegment ? results::Unit::Segments : results::Unit::Lines;
    affichage->setEnabled(columnChoice != 0);
    barres->setEnabled(columnChoice != 0);
    const bool overDates = (rowChoice > 0 && isDateAttribute(columnChoice))
                           || (columnChoice > 0 && isDateAttribute(rowChoice));
    periode->setEnabled(overDates);
    mesure->setEnabled(overDates);

    bool all = true;
    int chosen = 0;
    const results::Scope counted = scope(&all, &chosen);
    QString scopeText = all ? QStringLiteral("tous les textes")
                        : chosen == 0 ? QStringLiteral("aucun texte")
                        : chosen == 1 ? QStringLiteral("texte n° %1").arg(counted.texts.front())
                                      : QStringLiteral("%1 textes sur %2").arg(chosen).arg(textes->count());
    if (!m_conditions.empty())
        scopeText += QStringLiteral(" où ") + results::describe(m_conditions);
    QString unitText = unitName(bySegment);

    status(QStringLiteral("Calcul des résultats..."));
    statusBar()->repaint();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_rowList = rowChoice;
    m_columnList = columnChoice;
    m_chart = ChartData{};
    QString test;
    QString warning;
    qint64 undated = -1; // the chart over dates: the units without a date
    auto clearResults = [this] {
        m_grid = ResultGrid{};
        m_rowValues.clear();
        m_columnValues.clear();
        tableau->clear();
        tableau->setRowCount(0);
        tableau->setColumnCount(0);
        graphique->setChart(ChartData{});
        khi2->clear();
        khi2->hide();
        notes->hide();
        avertissement->clear();
        avertissement->hide();
        m_segments->setSegments(m_store.get(), {});
        QApplication::restoreOverrideCursor();
        status(QString());
    };
    if (rowChoice < 0 && columnChoice <= 0) {
        // Not a failure: a choice to complete.
        clearResults();
        titre->setText(columnChoice == 0
                           ? QStringLiteral("Un attribut se croise avec une liste : choisissez "
                                            "une liste dans « Croiser avec ».")
                           : QStringLiteral("Deux attributs ne se croisent pas : choisissez une "
                                            "liste d'un côté du tableau."));
        return;
    }
    try {
        m_store->leaveOutAcceptedSuggestions(sans_suggestions->isChecked());
        if (sans_suggestions->isChecked())
            unitText += QStringLiteral(", sans les suggestions acceptées");
        if (columnChoice == 0) {
            results::FrequencyCounts counts = m_store->frequencies(rowChoice, unit, counted);
            m_rowValues = counts.values;
            m_columnValues.clear();
            const results::FrequencyTable table =
                results::frequencyTable(labelsOf(counts.values), std::move(counts.counts),
                                        counts.uncoded, counts.multiple);
            m_grid = frequencyGrid(table, listName(rowChoice), unitText, QLocale());
            titre->setText(QStringLiteral("%1 - effectifs en %2 (%3)")
                               .arg(listName(rowChoice), unitText, scopeText));
            m_chart.title = listName(rowChoice);
            m_chart.series << QStringLiteral("Effectif");
            for (size_t i = 0; i < table.labels.size(); ++i) {
                m_chart.categories << table.labels[i];
                m_chart.values.push_back({double(table.counts[i])});
            }
        } else {
            results::CrossCounts counts =
                rowChoice > 0 && columnChoice > 0
                    ? m_store->crossCounts(rowChoice, columnChoice, unit, counted)
                : columnChoice < 0
                    ? m_store->attributeCounts(rowChoice, -columnChoice, unit, counted)
                    : m_store->attributeCounts(columnChoice, -rowChoice, unit, counted);
            results::CrossTable table =
                results::crossTable(labelsOf(counts.rows), labelsOf(counts.columns),
                                    std::move(counts.counts), counts.uncoded, counts.multiple);
            const int list = rowChoice > 0 ? rowChoice : columnChoice;
            const int attribute = rowChoice < 0 ? rowChoice : columnChoice;
            if (overDates)
                undated = periodChart(table, list, attribute);
            if (rowChoice < 0) {
                table = results::transposed(table);
                m_rowValues = counts.columns;
                m_columnValues = counts.rows;
            } else {
                m_rowValues = counts.rows;
                m_columnValues = counts.columns;
            }
            const QString rowName = choiceName(rowChoice);
            const QString columnName = choiceName(columnChoice);
            m_grid = crossGrid(table, rowName, columnName, unitText,
                               CrossShow(affichage->currentIndex()), QLocale());
            titre->setText(QStringLiteral("%1 × %2 - %3 (%4)")
                               .arg(rowName, columnName, unitText, scopeText));
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
            if (!overDates) {
                m_chart.title = QStringLiteral("%1 × %2").arg(rowName, columnName);
                m_chart.stacked = barres->currentIndex() == 1;
                m_chart.legendTitle = columnName;
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
        }
    } catch (const StoreError &e) {
        clearResults();
        titre->setText(QString());
        messages::error(this, QStringLiteral("Les résultats n'ont pas pu être calculés.\n\n%1")
                                  .arg(e.message()));
        return;
    }
    if (undated >= 0)
        m_chart.subtitle = QStringLiteral("%1 en %2 ; %3%4")
                               .arg(mesure->currentIndex() == 1
                                        ? QStringLiteral("Pourcentages de chaque période")
                                        : QStringLiteral("Effectifs"),
                                    unitText, scopeText,
                                    undated > 0 ? QStringLiteral(" ; %1 sans date, hors du graphique")
                                                      .arg(undated)
                                                : QString());
    else
        m_chart.subtitle = QStringLiteral("Effectifs en %1 ; %2").arg(unitText, scopeText);
    graphique->setChart(m_chart);
    khi2->setText(test);
    khi2->setVisible(!test.isEmpty());
    notes->setText(m_grid.notes.join(QLatin1Char('\n')));
    notes->setVisible(!m_grid.notes.isEmpty());
    avertissement->setText(warning);
    avertissement->setVisible(!warning.isEmpty());
    // A copied or exported table says which texts it counts.
    if (!m_conditions.empty())
        m_grid.notes << QStringLiteral("Textes où %1").arg(results::describe(m_conditions));

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
    const int columnIndex = m_columnList != 0 && column >= 1 && column <= int(m_columnValues.size())
                                ? column - 1
                                : -1;
    QString cell = QStringLiteral("%1 = %2").arg(choiceName(m_rowList),
                                               row < values ? m_grid.rows[row][0]
                                                            : QStringLiteral("(toutes)"));
    if (m_columnList != 0)
        cell += QStringLiteral(", %1 = %2").arg(choiceName(m_columnList),
                                                columnIndex >= 0 ? m_grid.header[column]
                                                                 : QStringLiteral("(toutes)"));

    bool all = true;
    int chosen = 0;
    const results::Scope counted = scope(&all, &chosen);
    try {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        std::vector<results::CellSegment> found;
        if (m_rowList > 0 && m_columnList >= 0) {
            const qint64 rowValue = row < values ? m_rowValues[size_t(row)].numero : 0;
            const qint64 columnValue =
                columnIndex >= 0 ? m_columnValues[size_t(columnIndex)].numero : 0;
            found = m_store->cellSegments(m_rowList, rowValue, m_columnList, columnValue, counted);
        } else if (m_rowList > 0) {
            // The list's values as the lines, the attribute's as the columns.
            const qint64 rowValue = row < values ? m_rowValues[size_t(row)].numero : 0;
            found = m_store->attributeCellSegments(m_rowList, rowValue, -m_columnList,
                                                   attributeValueAt(m_columnValues, columnIndex),
                                                   counted);
        } else {
            const qint64 columnValue =
                columnIndex >= 0 ? m_columnValues[size_t(columnIndex)].numero : 0;
            found = m_store->attributeCellSegments(m_columnList, columnValue, -m_rowList,
                                                   attributeValueAt(m_rowValues, row), counted);
        }
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
    const QString done = exportGrid(this, m_grid, m_session.databasePath(),
                                    m_session.commaSeparator(), QStringLiteral("_resultats.csv"));
    if (!done.isEmpty())
        status(done);
}

void frmResultats::enregistrer_Click()
{
    const QString done = saveChartAs(this, m_chart, m_session.databasePath(),
                                     QStringLiteral("_graphique.png"));
    if (!done.isEmpty())
        status(done);
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
