#include "coding/frmdictionnaires.h"

#include "coding/concordancelines.h"
#include "coding/filedialogs.h"
#include "coding/lineprompt.h"
#include "coding/session.h"
#include "coding/textchecks.h"
#include "common/look.h"
#include "common/messages.h"
#include "common/twips.h"
#include "exchange/dictionarycsv.h"
#include "exchange/dictionaryfile.h"
#include "exchange/quantedayaml.h"
#include "store/attributestore.h"
#include "store/codebookstore.h"
#include "store/codingstore.h"
#include "store/connection.h"
#include "store/dictionarycoding.h"
#include "store/history.h"
#include "store/resultsstore.h"
#include "store/searchstore.h"
#include "store/storeerror.h"
#include "words/stopwords.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QSplitter>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <atomic>
#include <map>
#include <thread>

namespace coding {

namespace {


QString plural(qint64 n, const QString &one, const QString &many)
{
    return QStringLiteral("%L1 %2").arg(n).arg(n > 1 ? many : one);
}

QString written(const words::DictionaryEntry &e)
{
    return exchange::writtenDictionaryEntry(e);
}

// The number of the first entry of category c in the matcher's numbering:
// entries are numbered category after category.
int firstEntryOf(const words::Dictionary &d, int category)
{
    int n = 0;
    for (int c = 0; c < category; ++c)
        n += int(d.categories[size_t(c)].entries.size());
    return n;
}

QString share(qint64 part, qint64 whole)
{
    if (whole == 0)
        return QString();
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(100.0 * double(part) / double(whole), 'f', 2);
}

// A cell holding a number: shown with the digits grouped, sorted as a number.
class NumberItem : public QTableWidgetItem
{
public:
    explicit NumberItem(double value, const QString &shown) : QTableWidgetItem(shown)
    {
        setData(Qt::UserRole, value);
        setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    explicit NumberItem(qint64 value) : NumberItem(double(value), QStringLiteral("%L1").arg(value)) {}
    bool operator<(const QTableWidgetItem &other) const override
    {
        return data(Qt::UserRole).toDouble() < other.data(Qt::UserRole).toDouble();
    }
};

QTableWidgetItem *textItem(const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setToolTip(text);
    return item;
}

// The column "Avant": cut on the left, so that the words next to the place
// found stay in view.
const QString kEntryPrompt = QStringLiteral(
    "Entrée : un mot (chômage), un début de mot (économ*), une expression (\"pouvoir d'achat\", "
    "\"sécurité soc*\"), ou un mot que la catégorie ne compte pas (-économe). Majuscules et "
    "accents ne comptent pas.");

// The sessions' windows, one each.
std::map<Session *, QPointer<frmDictionnaires>> &windows()
{
    static std::map<Session *, QPointer<frmDictionnaires>> all;
    return all;
}

} // namespace

// ----- The lines of an entry -----

class EntryLinesModel : public ConcordanceLines
{
public:
    explicit EntryLinesModel(QObject *parent) : ConcordanceLines(parent) {}

    void clear()
    {
        beginResetModel();
        m_scan = nullptr;
        restart();
        m_segments.clear();
        m_next = 0;
        endResetModel();
    }

    // Where `entry` counts in these segments; reads the first page. Throws
    // StoreError.
    void start(words::DictionaryScan *scan, Connection *db, int entry, std::vector<qint64> segments)
    {
        beginResetModel();
        m_scan = scan;
        m_db = db;
        m_entry = entry;
        m_segments = std::move(segments);
        m_next = 0;
        restart();
        endResetModel();
        readPage();
    }

protected:
    bool morePages() const override { return m_scan && m_next < m_segments.size(); }

    void readPage() override
    {
        if (!morePages())
            return;
        const size_t end = std::min(m_segments.size(), m_next + size_t(kPageSegments));
        const std::vector<qint64> page(m_segments.begin() + qsizetype(m_next),
                                       m_segments.begin() + qsizetype(end));
        m_next = end;
        const std::vector<search::Hit> hits = m_scan->entryHits(m_entry, page);
        search::SearchStore store(*m_db);
        append(store.concordance(hits, kContextChars));
    }

private:
    words::DictionaryScan *m_scan = nullptr;
    Connection *m_db = nullptr;
    int m_entry = 0;
    std::vector<qint64> m_segments;
    size_t m_next = 0;
};

// ----- Work on a thread of its own -----

// A count or a copy, on a thread with its own connection. The thread writes
// its outcome, then `finished`; the window reads it after that.
struct frmDictionnaires::Job
{
    std::thread thread;
    std::atomic<qint64> done{0};
    std::atomic<qint64> total{0};
    std::atomic<bool> stop{false};
    std::atomic<bool> finished{false};
    bool copy = false;
    QString target;
    QString dictionary;
    std::optional<words::DictionaryCount> count;
    std::optional<coding::DictionaryOutcome> outcome;
    QString error;

    words::CountProgress progress()
    {
        return [this](qint64 read, qint64 all) {
            done = read;
            total = all;
            return !stop.load();
        };
    }
    ~Job()
    {
        stop = true;
        if (thread.joinable())
            thread.join();
    }
};

// ----- The window -----

frmDictionnaires::frmDictionnaires(Session &session, QWidget *parent)
    : QMainWindow(parent), m_session(session)
{
    setObjectName(QStringLiteral("Dictionnaires"));
    setWindowTitle(QStringLiteral("Dictionnaires - Analyse de contenu"));
    build();
    resize(twips::size(18000, 11400));
}

frmDictionnaires::~frmDictionnaires()
{
    stopJob();
}

bool frmDictionnaires::busy() const
{
    return m_job != nullptr;
}

void frmDictionnaires::build()
{
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("cadre"));
    look::setBackground(central, look::kLightYellow);
    setCentralWidget(central);
    auto *outer = new QVBoxLayout(central);

    // The dictionary.
    auto *top = new QHBoxLayout;
    auto *label = new QLabel(QStringLiteral("&Dictionnaire :"), central);
    dictionnaire = new QComboBox(central);
    dictionnaire->setObjectName(QStringLiteral("dictionnaire"));
    dictionnaire->setMinimumWidth(twips::toPixels(3600));
    label->setBuddy(dictionnaire);
    importer = new QPushButton(QStringLiteral("&Prendre dans un fichier..."), central);
    importer->setObjectName(QStringLiteral("importer"));
    importer->setToolTip(QStringLiteral("Un dictionnaire LIWC (.dic), quanteda (.yml, .yaml), "
                                        "Lexicoder (.lc3, .lcd) ou un tableau « catégorie ; "
                                        "entrée » (.csv), gardé dans l'analyse"));
    exporter = new QPushButton(QStringLiteral("É&crire dans un fichier..."), central);
    exporter->setObjectName(QStringLiteral("exporter"));
    exporter->setToolTip(QStringLiteral("Écrit le dictionnaire en tableau CSV ou en YAML "
                                        "(quanteda)"));
    renommer = new QPushButton(QStringLiteral("Re&nommer..."), central);
    renommer->setObjectName(QStringLiteral("renommer"));
    supprimer = new QPushButton(QStringLiteral("&Supprimer"), central);
    supprimer->setObjectName(QStringLiteral("supprimer"));
    top->addWidget(label);
    top->addWidget(dictionnaire, 1);
    top->addWidget(importer);
    top->addWidget(exporter);
    top->addWidget(renommer);
    top->addWidget(supprimer);
    outer->addLayout(top);
    note_modifications = new QLabel(
        QStringLiteral("Les changements d'un dictionnaire sont enregistrés aussitôt ; "
                       "« Édition > Annuler » ne les reprend pas (elle reprend le codage)."),
        central);
    note_modifications->setObjectName(QStringLiteral("note_modifications"));
    note_modifications->setWordWrap(true);
    look::setTextColour(note_modifications, look::kDarkBlue);
    outer->addWidget(note_modifications);

    auto *split = new QSplitter(Qt::Horizontal, central);
    split->setObjectName(QStringLiteral("separation"));
    outer->addWidget(split, 1);

    // The texts counted.
    auto *left = new QWidget(split);
    left->setObjectName(QStringLiteral("choix"));
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    auto *textesLabel = new QLabel(QStringLiteral("&Textes comptés :"), left);
    textes = new QListWidget(left);
    textes->setObjectName(QStringLiteral("textes"));
    textesLabel->setBuddy(textes);
    leftLayout->addWidget(textesLabel);
    leftLayout->addWidget(textes, 1);
    auto *textButtons = new QHBoxLayout;
    tous = new QPushButton(QStringLiteral("T&ous"), left);
    tous->setObjectName(QStringLiteral("tous"));
    aucun = new QPushButton(QStringLiteral("A&ucun"), left);
    aucun->setObjectName(QStringLiteral("aucun"));
    textButtons->addWidget(tous);
    textButtons->addWidget(aucun);
    leftLayout->addLayout(textButtons);

    // The categories and their entries.
    auto *middle = new QWidget(split);
    middle->setObjectName(QStringLiteral("contenu"));
    auto *middleLayout = new QVBoxLayout(middle);
    middleLayout->setContentsMargins(0, 0, 0, 0);
    auto *categoriesLabel = new QLabel(QStringLiteral("C&atégories :"), middle);
    categories = new QTreeWidget(middle);
    categories->setObjectName(QStringLiteral("categories"));
    categories->setHeaderLabels({QStringLiteral("Catégorie"), QStringLiteral("Occurrences"),
                                 QStringLiteral("Segments")});
    categories->setRootIsDecorated(true);
    categories->setColumnWidth(0, twips::toPixels(2600));
    categoriesLabel->setBuddy(categories);
    middleLayout->addWidget(categoriesLabel);
    middleLayout->addWidget(categories, 1);
    auto *categoryButtons = new QHBoxLayout;
    nouvelle_categorie = new QPushButton(QStringLiteral("Nouvelle..."), middle);
    nouvelle_categorie->setObjectName(QStringLiteral("nouvelle_categorie"));
    nouvelle_sous_categorie = new QPushButton(QStringLiteral("Sous-catégorie..."), middle);
    nouvelle_sous_categorie->setObjectName(QStringLiteral("nouvelle_sous_categorie"));
    renommer_categorie = new QPushButton(QStringLiteral("Renommer..."), middle);
    renommer_categorie->setObjectName(QStringLiteral("renommer_categorie"));
    supprimer_categorie = new QPushButton(QStringLiteral("Supprimer"), middle);
    supprimer_categorie->setObjectName(QStringLiteral("supprimer_categorie"));
    for (QPushButton *b : {nouvelle_categorie, nouvelle_sous_categorie, renommer_categorie,
                           supprimer_categorie})
        categoryButtons->addWidget(b);
    middleLayout->addLayout(categoryButtons);
    auto *entreesLabel = new QLabel(QStringLiteral("&Entrées de la catégorie :"), middle);
    entrees = new QTableWidget(0, 3, middle);
    entrees->setObjectName(QStringLiteral("entrees"));
    entrees->setHorizontalHeaderLabels({QStringLiteral("Entrée"), QStringLiteral("Occurrences"),
                                        QStringLiteral("Segments")});
    entrees->setSelectionBehavior(QAbstractItemView::SelectRows);
    entrees->setSelectionMode(QAbstractItemView::SingleSelection);
    entrees->setEditTriggers(QAbstractItemView::NoEditTriggers);
    entrees->verticalHeader()->hide();
    entrees->horizontalHeader()->setStretchLastSection(true);
    entrees->setColumnWidth(0, twips::toPixels(2600));
    entrees->setToolTip(QStringLiteral("Un clic : où l'entrée compte, dans l'onglet "
                                       "« Occurrences »"));
    entreesLabel->setBuddy(entrees);
    middleLayout->addWidget(entreesLabel);
    middleLayout->addWidget(entrees, 1);
    auto *entryButtons = new QHBoxLayout;
    ajouter_entree = new QPushButton(QStringLiteral("A&jouter..."), middle);
    ajouter_entree->setObjectName(QStringLiteral("ajouter_entree"));
    modifier_entree = new QPushButton(QStringLiteral("&Modifier..."), middle);
    modifier_entree->setObjectName(QStringLiteral("modifier_entree"));
    supprimer_entree = new QPushButton(QStringLiteral("Supprimer l'entrée"), middle);
    supprimer_entree->setObjectName(QStringLiteral("supprimer_entree"));
    for (QPushButton *b : {ajouter_entree, modifier_entree, supprimer_entree})
        entryButtons->addWidget(b);
    middleLayout->addLayout(entryButtons);

    // What the dictionary counts.
    onglets = new QTabWidget(split);
    onglets->setObjectName(QStringLiteral("onglets"));

    auto *linesTab = new QWidget(onglets);
    linesTab->setObjectName(QStringLiteral("onglet_occurrences"));
    auto *linesLayout = new QVBoxLayout(linesTab);
    compte_entree = new QLabel(linesTab);
    compte_entree->setObjectName(QStringLiteral("compte_entree"));
    compte_entree->setWordWrap(true);
    compte_entree->setFont(look::font(look::kTimes, 12, true));
    look::setTextColour(compte_entree, look::kDarkBlue);
    linesLayout->addWidget(compte_entree);
    concordance = new QTableView(linesTab);
    concordance->setObjectName(QStringLiteral("concordance"));
    m_lines = new EntryLinesModel(concordance);
    m_lines->onFailure = [this](const QString &message) {
        messages::error(this, QStringLiteral("La suite des lignes n'a pas pu être lue.\n\n%1")
                                  .arg(message));
    };
    concordance->setModel(m_lines);
    concordance->setItemDelegateForColumn(EntryLinesModel::BeforeColumn, new ElideLeftDelegate(concordance));
    concordance->setSelectionBehavior(QAbstractItemView::SelectRows);
    concordance->setEditTriggers(QAbstractItemView::NoEditTriggers);
    concordance->setWordWrap(false);
    concordance->verticalHeader()->hide();
    concordance->horizontalHeader()->setStretchLastSection(true);
    concordance->setColumnWidth(EntryLinesModel::TextColumn, twips::toPixels(800));
    concordance->setColumnWidth(EntryLinesModel::SegmentColumn, twips::toPixels(1100));
    concordance->setColumnWidth(EntryLinesModel::BeforeColumn, twips::toPixels(3600));
    concordance->setColumnWidth(EntryLinesModel::FoundColumn, twips::toPixels(1600));
    concordance->setToolTip(QStringLiteral("Double-clic ou Entrée : ouvre le segment dans la "
                                           "fenêtre de codage"));
    linesLayout->addWidget(concordance, 1);
    onglets->addTab(linesTab, QStringLiteral("&Occurrences"));

    auto *tableTab = new QWidget(onglets);
    tableTab->setObjectName(QStringLiteral("onglet_tableau"));
    auto *tableLayout = new QVBoxLayout(tableTab);
    auto *choices = new QHBoxLayout;
    par = new QComboBox(tableTab);
    par->setObjectName(QStringLiteral("par"));
    par->addItems({QStringLiteral("dans toute l'analyse"), QStringLiteral("par texte"),
                   QStringLiteral("par valeur de la liste"),
                   QStringLiteral("par valeur de l'attribut")});
    liste_par = new QComboBox(tableTab);
    liste_par->setObjectName(QStringLiteral("liste_par"));
    attribut_par = new QComboBox(tableTab);
    attribut_par->setObjectName(QStringLiteral("attribut_par"));
    afficher = new QComboBox(tableTab);
    afficher->setObjectName(QStringLiteral("afficher"));
    afficher->addItems({QStringLiteral("occurrences"), QStringLiteral("segments"),
                        QStringLiteral("part des mots (%)")});
    auto *parLabel = new QLabel(QStringLiteral("Com&pter :"), tableTab);
    parLabel->setBuddy(par);
    auto *afficherLabel = new QLabel(QStringLiteral("A&fficher :"), tableTab);
    afficherLabel->setBuddy(afficher);
    choices->addWidget(parLabel);
    choices->addWidget(par);
    choices->addWidget(liste_par);
    choices->addWidget(attribut_par);
    choices->addStretch(1);
    choices->addWidget(afficherLabel);
    choices->addWidget(afficher);
    tableLayout->addLayout(choices);
    tableau = new QTableWidget(tableTab);
    tableau->setObjectName(QStringLiteral("tableau"));
    tableau->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tableau->verticalHeader()->hide();
    tableLayout->addWidget(tableau, 1);
    auto *tableButtons = new QHBoxLayout;
    copier = new QPushButton(QStringLiteral("Co&pier"), tableTab);
    copier->setObjectName(QStringLiteral("copier"));
    copier->setToolTip(QStringLiteral("Copie le tableau pour un tableur"));
    exporter_tableau = new QPushButton(QStringLiteral("E&xporter..."), tableTab);
    exporter_tableau->setObjectName(QStringLiteral("exporter_tableau"));
    exporter_tableau->setToolTip(QStringLiteral("Enregistre le tableau dans un fichier CSV"));
    tableButtons->addStretch(1);
    tableButtons->addWidget(copier);
    tableButtons->addWidget(exporter_tableau);
    tableLayout->addLayout(tableButtons);
    onglets->addTab(tableTab, QStringLiteral("&Tableau"));

    auto *chartTab = new QWidget(onglets);
    chartTab->setObjectName(QStringLiteral("onglet_graphique"));
    auto *chartLayout = new QVBoxLayout(chartTab);
    graphique = new ChartView(chartTab);
    graphique->setObjectName(QStringLiteral("graphique"));
    chartLayout->addWidget(graphique, 1);
    auto *chartButtons = new QHBoxLayout;
    enregistrer_graphique = new QPushButton(QStringLiteral("Enregistrer le &graphique..."), chartTab);
    enregistrer_graphique->setObjectName(QStringLiteral("enregistrer_graphique"));
    chartButtons->addStretch(1);
    chartButtons->addWidget(enregistrer_graphique);
    chartLayout->addLayout(chartButtons);
    onglets->addTab(chartTab, QStringLiteral("&Graphique"));

    auto *topTab = new QWidget(onglets);
    topTab->setObjectName(QStringLiteral("onglet_entrees"));
    auto *topLayout = new QVBoxLayout(topTab);
    entrees_frequentes = new QTableWidget(0, 5, topTab);
    entrees_frequentes->setObjectName(QStringLiteral("entrees_frequentes"));
    entrees_frequentes->setHorizontalHeaderLabels(
        {QStringLiteral("Catégorie"), QStringLiteral("Entrée"), QStringLiteral("Occurrences"),
         QStringLiteral("Segments"), QStringLiteral("% de la catégorie")});
    entrees_frequentes->setEditTriggers(QAbstractItemView::NoEditTriggers);
    entrees_frequentes->setSelectionBehavior(QAbstractItemView::SelectRows);
    entrees_frequentes->verticalHeader()->hide();
    entrees_frequentes->horizontalHeader()->setStretchLastSection(true);
    entrees_frequentes->setToolTip(QStringLiteral("Un clic sur un titre de colonne trie"));
    topLayout->addWidget(entrees_frequentes, 1);
    onglets->addTab(topTab, QStringLiteral("&Entrées les plus fréquentes"));

    auto *nearTab = new QWidget(onglets);
    nearTab->setObjectName(QStringLiteral("onglet_voisins"));
    auto *nearLayout = new QVBoxLayout(nearTab);
    auto *nearNote = new QLabel(
        QStringLiteral("Les mots qu'aucune entrée ne prend mais qui se trouvent à %1 mots au plus "
                       "d'une occurrence de la catégorie choisie, plus souvent qu'ailleurs "
                       "(G² de Dunning) : des entrées à ajouter, peut-être.")
            .arg(words::kNeighbourWindow),
        nearTab);
    nearNote->setWordWrap(true);
    nearLayout->addWidget(nearNote);
    sans_mots_vides = new QCheckBox(QStringLiteral("sans mots &vides"), nearTab);
    sans_mots_vides->setObjectName(QStringLiteral("sans_mots_vides"));
    sans_mots_vides->setChecked(true);
    sans_mots_vides->setToolTip(words::stopWordsSource());
    nearLayout->addWidget(sans_mots_vides);
    voisins = new QTableWidget(0, 4, nearTab);
    voisins->setObjectName(QStringLiteral("voisins"));
    voisins->setHorizontalHeaderLabels({QStringLiteral("Mot"), QStringLiteral("À côté"),
                                        QStringLiteral("Effectif"), QStringLiteral("G²")});
    voisins->setEditTriggers(QAbstractItemView::NoEditTriggers);
    voisins->setSelectionBehavior(QAbstractItemView::SelectRows);
    voisins->verticalHeader()->hide();
    voisins->horizontalHeader()->setStretchLastSection(true);
    nearLayout->addWidget(voisins, 1);
    onglets->addTab(nearTab, QStringLiteral("Mots &voisins"));

    for (QTableView *table : std::initializer_list<QTableView *>{entrees, concordance, tableau,
                                                                 entrees_frequentes, voisins})
        table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    // Entries stay in the dictionary's order until a column's title is clicked.
    entrees->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    entrees->horizontalHeader()->setSortIndicatorShown(true);

    split->addWidget(left);
    split->addWidget(middle);
    split->addWidget(onglets);
    split->setStretchFactor(0, 0);
    split->setStretchFactor(1, 1);
    split->setStretchFactor(2, 2);
    split->setSizes({twips::toPixels(2600), twips::toPixels(5400), twips::toPixels(9400)});

    // The count and what to do with the dictionary.
    auto *bottom = new QHBoxLayout;
    etat_compte = new QLabel(central);
    etat_compte->setObjectName(QStringLiteral("etat_compte"));
    etat_compte->setWordWrap(true);
    compter = new QPushButton(QStringLiteral("C&ompter"), central);
    compter->setObjectName(QStringLiteral("compter"));
    compter->setToolTip(QStringLiteral("Compte de nouveau le dictionnaire dans les textes cochés"));
    progression = new QProgressBar(central);
    progression->setObjectName(QStringLiteral("progression"));
    progression->setRange(0, 1000);
    progression->hide();
    arreter = new QPushButton(QStringLiteral("Arrêter"), central);
    arreter->setObjectName(QStringLiteral("arreter"));
    arreter->hide();
    coder = new QPushButton(QStringLiteral("Co&der avec le dictionnaire..."), central);
    coder->setObjectName(QStringLiteral("coder"));
    coder->setToolTip(QStringLiteral("Les catégories deviennent des valeurs d'une liste, et les "
                                     "segments qui en contiennent sont codés avec elles, en une "
                                     "étape que « Édition > Annuler » reprend"));
    copie_codee = new QPushButton(QStringLiteral("Copie codée par le dictionnaire..."), central);
    copie_codee->setObjectName(QStringLiteral("copie_codee"));
    copie_codee->setToolTip(QStringLiteral("Une copie de l'analyse codée par le seul dictionnaire, "
                                           "à comparer avec votre codage dans « Fiabilité "
                                           "inter-codeurs »"));
    bottom->addWidget(etat_compte, 1);
    bottom->addWidget(progression);
    bottom->addWidget(arreter);
    bottom->addWidget(compter);
    bottom->addWidget(coder);
    bottom->addWidget(copie_codee);
    outer->addLayout(bottom);

    QMenu *fichier = menuBar()->addMenu(QStringLiteral("&Fichier"));
    fichier->setObjectName(QStringLiteral("fichier"));
    fichier->addAction(QStringLiteral("&Prendre un dictionnaire dans un fichier..."), this,
                       &frmDictionnaires::importer_Click)
        ->setObjectName(QStringLiteral("action_importer"));
    fichier->addAction(QStringLiteral("É&crire le dictionnaire dans un fichier..."), this,
                       &frmDictionnaires::exporter_Click)
        ->setObjectName(QStringLiteral("action_exporter"));
    fichier->addSeparator();
    auto *close = fichier->addAction(QStringLiteral("&Fermer"), this, &QWidget::close);
    close->setObjectName(QStringLiteral("fermer"));
    close->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    menuBar()->addMenu(m_session.makeEditMenu(this));
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));

    m_poll = new QTimer(this);
    m_poll->setInterval(100);
    connect(m_poll, &QTimer::timeout, this, &frmDictionnaires::poll);
    // Ticks of several texts in a row make one count.
    auto *recount = new QTimer(this);
    recount->setSingleShot(true);
    recount->setInterval(300);
    connect(recount, &QTimer::timeout, this, &frmDictionnaires::startCount);

    connect(importer, &QPushButton::clicked, this, &frmDictionnaires::importer_Click);
    connect(exporter, &QPushButton::clicked, this, &frmDictionnaires::exporter_Click);
    connect(renommer, &QPushButton::clicked, this, &frmDictionnaires::renommer_Click);
    connect(supprimer, &QPushButton::clicked, this, &frmDictionnaires::supprimer_Click);
    connect(nouvelle_categorie, &QPushButton::clicked, this, &frmDictionnaires::nouvelleCategorie_Click);
    connect(nouvelle_sous_categorie, &QPushButton::clicked, this,
            &frmDictionnaires::sousCategorie_Click);
    connect(renommer_categorie, &QPushButton::clicked, this,
            &frmDictionnaires::renommerCategorie_Click);
    connect(supprimer_categorie, &QPushButton::clicked, this,
            &frmDictionnaires::supprimerCategorie_Click);
    connect(ajouter_entree, &QPushButton::clicked, this, &frmDictionnaires::ajouterEntree_Click);
    connect(modifier_entree, &QPushButton::clicked, this, &frmDictionnaires::modifierEntree_Click);
    connect(supprimer_entree, &QPushButton::clicked, this, &frmDictionnaires::supprimerEntree_Click);
    connect(compter, &QPushButton::clicked, this, &frmDictionnaires::compter_Click);
    connect(arreter, &QPushButton::clicked, this, &frmDictionnaires::arreter_Click);
    connect(coder, &QPushButton::clicked, this, &frmDictionnaires::coder_Click);
    connect(copie_codee, &QPushButton::clicked, this, &frmDictionnaires::copieCodee_Click);
    connect(copier, &QPushButton::clicked, this, &frmDictionnaires::copier_Click);
    connect(exporter_tableau, &QPushButton::clicked, this, &frmDictionnaires::exporterTableau_Click);
    connect(enregistrer_graphique, &QPushButton::clicked, this,
            &frmDictionnaires::enregistrerGraphique_Click);
    connect(dictionnaire, &QComboBox::currentIndexChanged, this, [this] {
        if (m_loading)
            return;
        reloadDictionary();
    });
    connect(categories, &QTreeWidget::currentItemChanged, this, [this] {
        if (m_loading)
            return;
        showEntries();
        showNeighbours();
        followState();
    });
    connect(entrees, &QTableWidget::itemSelectionChanged, this, [this] {
        if (m_loading)
            return;
        showLines();
        followState();
    });
    connect(entrees, &QTableWidget::cellDoubleClicked, this, &frmDictionnaires::modifierEntree_Click);
    connect(concordance, &QTableView::activated, this, [this](const QModelIndex &index) {
        if (index.row() < 0 || index.row() >= m_lines->rowCount())
            return;
        const search::ConcordanceLine &l = m_lines->line(index.row());
        emit m_session.segmentWanted(l.hit.text, l.hit.segment);
    });
    connect(tous, &QPushButton::clicked, this, [this] { checkAllTexts(textes, true); });
    connect(aucun, &QPushButton::clicked, this, [this] { checkAllTexts(textes, false); });
    connect(textes, &QListWidget::itemChanged, this, [this, recount] {
        if (!m_loading)
            recount->start();
    });
    connect(par, &QComboBox::currentIndexChanged, this, [this] {
        liste_par->setVisible(par->currentIndex() == 2);
        attribut_par->setVisible(par->currentIndex() == 3);
        if (!m_loading)
            startCount();
    });
    for (QComboBox *box : {liste_par, attribut_par})
        connect(box, &QComboBox::currentIndexChanged, this, [this] {
            if (!m_loading)
                startCount();
        });
    connect(afficher, &QComboBox::currentIndexChanged, this, &frmDictionnaires::showTable);
    connect(sans_mots_vides, &QCheckBox::toggled, this, &frmDictionnaires::showNeighbours);
    liste_par->hide();
    attribut_par->hide();

    connect(&m_session, &Session::readOnlyChanged, this, &frmDictionnaires::followState);
    connect(&m_session.history(), &History::readOnlyChanged, this, &frmDictionnaires::followState);
    // Counted by value of a list, the coding matters: counted again.
    auto codingMoved = [this, recount] {
        if (grouping().kind == search::Grouping::Kind::ListValue && !m_loading)
            recount->start();
    };
    connect(&m_session, &Session::codingChanged, this, codingMoved);
    connect(&m_session.history(), &History::replayed, this, codingMoved);
    connect(&m_session, &Session::listsChanged, this, [this] {
        m_loading = true;
        loadGroupings();
        m_loading = false;
    });
}

bool frmDictionnaires::Form_Load()
{
    try {
        Connection &db = m_session.store().connection();
        m_available = dictionaries::available(db);
        loadTexts();
        m_loading = true;
        loadGroupings();
        m_loading = false;
        loadDictionaries(0);
    } catch (const StoreError &e) {
        messages::error(this, QStringLiteral("Les dictionnaires de l'analyse ne peuvent pas être "
                                             "lus.\n\n%1")
                                  .arg(e.message()));
        return false;
    }
    if (!m_available)
        note_modifications->setText(QStringLiteral("Cette analyse, d'une version ancienne ouverte "
                                                   "en lecture seule, ne peut pas garder de "
                                                   "dictionnaires."));
    reloadDictionary();
    return true;
}

void frmDictionnaires::loadTexts()
{
    m_loading = true;
    refillTextChecks(textes, m_session.store().texts());
    m_loading = false;
}

void frmDictionnaires::loadGroupings()
{
    Connection &db = m_session.store().connection();
    try {
        m_names = codebook::listNames(db);
    } catch (const StoreError &) {
        for (int k = 1; k <= codebook::kLists; ++k)
            m_names[size_t(k - 1)] = codebook::defaultListName(k);
    }
    const int list = std::max(0, liste_par->currentIndex());
    liste_par->clear();
    for (int k = 1; k <= codebook::kLists; ++k)
        liste_par->addItem(QStringLiteral("%1 - %2").arg(k).arg(m_names[size_t(k - 1)]), k);
    liste_par->setCurrentIndex(list);
    const qint64 attribute = attribut_par->currentData().toLongLong();
    attribut_par->clear();
    std::vector<attributes::Attribute> known;
    try {
        known = attributes::list(db);
    } catch (const StoreError &) {
    }
    for (const attributes::Attribute &a : known)
        attribut_par->addItem(a.name, a.number);
    attribut_par->setCurrentIndex(std::max(0, attribut_par->findData(attribute)));
    attribut_par->setToolTip(known.empty() ? QStringLiteral("Les textes de l'analyse n'ont pas "
                                                            "d'attributs.")
                                           : QString());
}

void frmDictionnaires::loadDictionaries(qint64 select)
{
    m_loading = true;
    const qint64 kept = select != 0 ? select : dictionnaire->currentData().toLongLong();
    dictionnaire->clear();
    for (const dictionaries::Summary &s : dictionaries::list(m_session.store().connection()))
        dictionnaire->addItem(QStringLiteral("%1 (%2, %3)")
                                  .arg(s.name,
                                       plural(s.categories, QStringLiteral("catégorie"),
                                              QStringLiteral("catégories")),
                                       plural(s.entries, QStringLiteral("entrée"),
                                              QStringLiteral("entrées"))),
                              s.number);
    dictionnaire->setCurrentIndex(std::max(0, dictionnaire->findData(kept)));
    m_loading = false;
}

void frmDictionnaires::reloadDictionary()
{
    const qint64 number = dictionnaire->currentData().toLongLong();
    m_stored = dictionaries::Stored{};
    m_scan.reset();
    m_count.reset(); // a count of the dictionary as it was
    if (number != 0) {
        try {
            Connection &db = m_session.store().connection();
            m_stored = dictionaries::read(db, number);
            m_scan = std::make_unique<words::DictionaryScan>(db, m_stored.dictionary);
        } catch (const StoreError &e) {
            m_stored = dictionaries::Stored{};
            messages::error(this, QStringLiteral("Le dictionnaire n'a pas pu être lu.\n\n%1")
                                      .arg(e.message()));
        }
    }
    showDictionary();
    startCount();
}

void frmDictionnaires::showDictionary()
{
    // Only a count of this dictionary is shown beside it.
    if (m_count
        && (m_count->categoryOccurrences.size() != m_stored.dictionary.categories.size()
            || qsizetype(m_count->entryOccurrences.size()) != m_stored.dictionary.entryCount()))
        m_count.reset();
    showCategories();
    showEntries();
    showLines();
    showTable();
    showTopEntries();
    showNeighbours();
    followState();
}

int frmDictionnaires::selectedCategory() const
{
    const QTreeWidgetItem *item = categories->currentItem();
    return item ? item->data(0, Qt::UserRole).toInt() : -1;
}

int frmDictionnaires::selectedEntry() const
{
    const int category = selectedCategory();
    const QList<QTableWidgetItem *> chosen = entrees->selectedItems();
    if (category < 0 || chosen.isEmpty())
        return -1;
    const QTableWidgetItem *first = entrees->item(chosen.front()->row(), 0);
    return first ? firstEntryOf(m_stored.dictionary, category) + first->data(Qt::UserRole).toInt()
                 : -1;
}

void frmDictionnaires::showCategories()
{
    m_loading = true;
    const int kept = selectedCategory();
    categories->clear();
    const words::Dictionary &d = m_stored.dictionary;
    QTreeWidgetItem *parent = nullptr;
    QTreeWidgetItem *chosen = nullptr;
    for (size_t c = 0; c < d.categories.size(); ++c) {
        const words::DictionaryCategory &category = d.categories[c];
        QTreeWidgetItem *item = category.parent.isEmpty() || !parent
                                    ? new QTreeWidgetItem(categories)
                                    : new QTreeWidgetItem(parent);
        if (category.parent.isEmpty())
            parent = item;
        item->setText(0, category.name);
        item->setToolTip(0, category.path());
        item->setData(0, Qt::UserRole, int(c));
        if (m_count) {
            item->setText(1, QStringLiteral("%L1").arg(m_count->categoryOccurrences[c]));
            item->setText(2, QStringLiteral("%L1").arg(m_count->categorySegments[c]));
            item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
            item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        }
        if (int(c) == kept || (!chosen && kept < 0))
            chosen = item;
    }
    categories->expandAll();
    if (!chosen && categories->topLevelItemCount() > 0)
        chosen = categories->topLevelItem(0);
    categories->setCurrentItem(chosen);
    m_loading = false;
}

void frmDictionnaires::showEntries()
{
    m_loading = true;
    const int category = selectedCategory();
    const int keptRow = entrees->currentRow();
    entrees->setSortingEnabled(false);
    entrees->clearContents();
    entrees->setRowCount(0);
    if (category >= 0) {
        const std::vector<words::DictionaryEntry> &list =
            m_stored.dictionary.categories[size_t(category)].entries;
        const int first = firstEntryOf(m_stored.dictionary, category);
        entrees->setRowCount(int(list.size()));
        for (size_t i = 0; i < list.size(); ++i) {
            auto *name = textItem(written(list[i]));
            name->setData(Qt::UserRole, int(i));
            if (list[i].exclusion)
                name->setToolTip(QStringLiteral("Exclu : la catégorie ne compte pas ce qu'il "
                                                "prend"));
            entrees->setItem(int(i), 0, name);
            if (m_count) {
                entrees->setItem(int(i), 1,
                                 new NumberItem(m_count->entryOccurrences[size_t(first) + i]));
                entrees->setItem(int(i), 2, new NumberItem(m_count->entrySegments[size_t(first) + i]));
            }
        }
    }
    entrees->setSortingEnabled(true);
    if (keptRow >= 0 && keptRow < entrees->rowCount())
        entrees->selectRow(keptRow);
    m_loading = false;
    showLines();
}

void frmDictionnaires::showLines()
{
    const int entry = selectedEntry();
    m_lines->clear();
    if (entry < 0 || !m_scan) {
        compte_entree->setText(QStringLiteral("Choisissez une entrée pour voir où elle compte."));
        return;
    }
    const QList<QTableWidgetItem *> chosen = entrees->selectedItems();
    const QTableWidgetItem *name = chosen.isEmpty() ? nullptr : entrees->item(chosen.front()->row(), 0);
    const QString shown = name ? name->text() : QString();
    if (!m_count) {
        compte_entree->setText(QStringLiteral("« %1 » : ses lignes viendront avec le compte.")
                                   .arg(shown));
        return;
    }
    const qint64 occurrences = m_count->entryOccurrences[size_t(entry)];
    const qint64 segments = m_count->entrySegments[size_t(entry)];
    QString text = occurrences == 0
                       ? QStringLiteral("« %1 » ne compte nulle part dans les textes cochés.").arg(shown)
                       : QStringLiteral("« %1 » : %2 dans %3")
                             .arg(shown,
                                  plural(occurrences, QStringLiteral("occurrence"),
                                         QStringLiteral("occurrences")),
                                  plural(segments, QStringLiteral("segment"),
                                         QStringLiteral("segments")));
    if (occurrences == 0) {
        compte_entree->setText(text);
        return;
    }
    if (segments > kKeptSegments)
        text += QStringLiteral(" ; les lignes de ses %L1 premiers segments").arg(kKeptSegments);
    compte_entree->setText(text + QLatin1Char('.'));
    try {
        m_lines->start(m_scan.get(), &m_session.store().connection(), entry,
                       m_count->entryPlaces[size_t(entry)]);
        concordance->resizeColumnToContents(EntryLinesModel::FoundColumn);
    } catch (const StoreError &e) {
        m_lines->clear();
        messages::error(this, QStringLiteral("Les lignes de l'entrée n'ont pas pu être lues.\n\n%1")
                                  .arg(e.message()));
    }
}

search::Restriction frmDictionnaires::restriction() const
{
    search::Restriction r;
    r.scope = checkedTexts(textes);
    return r;
}

search::Grouping frmDictionnaires::grouping() const
{
    search::Grouping g;
    switch (par->currentIndex()) {
    case 1:
        g.kind = search::Grouping::Kind::Text;
        break;
    case 2:
        g.kind = search::Grouping::Kind::ListValue;
        g.list = liste_par->currentData().toInt();
        break;
    case 3:
        if (attribut_par->count() > 0) {
            g.kind = search::Grouping::Kind::Attribute;
            g.attribute = attribut_par->currentData().toLongLong();
        }
        break;
    default:
        break;
    }
    return g;
}

void frmDictionnaires::showTable()
{
    m_grid = ResultGrid{};
    m_chart = ChartData{};
    tableau->clear();
    tableau->setRowCount(0);
    tableau->setColumnCount(0);
    graphique->setChart(m_chart);
    if (!m_count || m_stored.dictionary.categories.empty())
        return;
    const words::DictionaryCount &n = *m_count;
    const words::Dictionary &d = m_stored.dictionary;
    const QString name = d.name;
    const int shown = afficher->currentIndex();
    const QString what = afficher->currentText();
    const bool whole = grouping().kind == search::Grouping::Kind::Whole;
    auto value = [&](qint64 occurrences, qint64 segments, qint64 words) {
        if (shown == 0)
            return QString::number(occurrences);
        if (shown == 1)
            return QString::number(segments);
        return share(occurrences, words);
    };
    auto number = [&](qint64 occurrences, qint64 segments, qint64 words) {
        if (shown == 0)
            return double(occurrences);
        if (shown == 1)
            return double(segments);
        return words == 0 ? 0.0 : 100.0 * double(occurrences) / double(words);
    };
    if (whole) {
        m_grid.header << QStringLiteral("Catégorie (toute l'analyse)") << QStringLiteral("Occurrences")
                      << QStringLiteral("Segments") << QStringLiteral("Part des mots (%)");
        m_chart.title = QStringLiteral("« %1 » : %2").arg(name, what);
        m_chart.series << what;
        for (size_t c = 0; c < d.categories.size(); ++c) {
            m_grid.rows << QStringList{d.categories[c].path(),
                                       QString::number(n.categoryOccurrences[c]),
                                       QString::number(n.categorySegments[c]),
                                       share(n.categoryOccurrences[c], n.words)};
            m_chart.categories << d.categories[c].path();
            m_chart.values.push_back(
                {number(n.categoryOccurrences[c], n.categorySegments[c], n.words)});
        }
    } else {
        QString by;
        switch (par->currentIndex()) {
        case 1:
            by = QStringLiteral("Texte");
            break;
        case 2:
            by = QStringLiteral("Valeur de « %1 »").arg(m_names[size_t(liste_par->currentIndex())]);
            break;
        default:
            by = QStringLiteral("Valeur de « %1 »").arg(attribut_par->currentText());
            break;
        }
        m_grid.header << QStringLiteral("%1 (%2)").arg(by, what);
        for (const words::DictionaryCategory &c : d.categories) {
            m_grid.header << c.path();
            m_chart.series << c.path();
        }
        m_chart.title = QStringLiteral("« %1 » : %2 par %3").arg(name, what, by.toLower());
        m_chart.legendTitle = QStringLiteral("Catégorie");
        for (size_t g = 0; g < n.groups.size(); ++g) {
            const search::Group &group = n.groups[g];
            const QString label = par->currentIndex() == 1
                                      ? QStringLiteral("%1 - %2").arg(group.key).arg(group.label)
                                      : group.label;
            QStringList row{label};
            std::vector<double> bars;
            for (size_t c = 0; c < d.categories.size(); ++c) {
                row << value(n.occurrences[g][c], n.holding[g][c], n.groupWords[g]);
                bars.push_back(number(n.occurrences[g][c], n.holding[g][c], n.groupWords[g]));
            }
            m_grid.rows << row;
            m_chart.categories << label;
            m_chart.values.push_back(bars);
        }
        QStringList total{QStringLiteral("Total")};
        for (size_t c = 0; c < d.categories.size(); ++c)
            total << value(n.categoryOccurrences[c], n.categorySegments[c], n.words);
        m_grid.rows << total;
        if (par->currentIndex() == 2)
            m_grid.notes << QStringLiteral("Un segment qui porte plusieurs valeurs de la liste "
                                           "compte dans chacune ; le total le compte une fois.");
    }
    m_grid.notes << QStringLiteral("%1 dans %2 ; part des mots : les occurrences pour 100 mots.")
                        .arg(plural(n.words, QStringLiteral("mot"), QStringLiteral("mots")),
                             plural(n.segments, QStringLiteral("segment"),
                                    QStringLiteral("segments")));
    m_chart.subtitle = m_grid.notes.back();

    tableau->setColumnCount(int(m_grid.header.size()));
    tableau->setHorizontalHeaderLabels(m_grid.header);
    tableau->setRowCount(int(m_grid.rows.size()));
    for (int r = 0; r < m_grid.rows.size(); ++r)
        for (int c = 0; c < m_grid.rows[r].size(); ++c) {
            auto *item = textItem(m_grid.rows[r][c]);
            if (c > 0)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            tableau->setItem(r, c, item);
        }
    tableau->resizeColumnsToContents();
    graphique->setChart(m_chart);
}

void frmDictionnaires::showTopEntries()
{
    entrees_frequentes->setSortingEnabled(false);
    entrees_frequentes->clearContents();
    entrees_frequentes->setRowCount(0);
    if (!m_count)
        return;
    const words::Dictionary &d = m_stored.dictionary;
    int entry = 0;
    for (size_t c = 0; c < d.categories.size(); ++c) {
        for (const words::DictionaryEntry &e : d.categories[c].entries) {
            const qint64 occurrences = m_count->entryOccurrences[size_t(entry)];
            const qint64 segments = m_count->entrySegments[size_t(entry)];
            ++entry;
            if (occurrences == 0 || e.exclusion)
                continue;
            const int row = entrees_frequentes->rowCount();
            entrees_frequentes->insertRow(row);
            entrees_frequentes->setItem(row, 0, textItem(d.categories[c].path()));
            entrees_frequentes->setItem(row, 1, textItem(written(e)));
            entrees_frequentes->setItem(row, 2, new NumberItem(occurrences));
            entrees_frequentes->setItem(row, 3, new NumberItem(segments));
            const qint64 all = m_count->categoryOccurrences[c];
            const double percent = all == 0 ? 0.0 : 100.0 * double(occurrences) / double(all);
            entrees_frequentes->setItem(row, 4, new NumberItem(percent, share(occurrences, all)));
        }
    }
    entrees_frequentes->setSortingEnabled(true);
    entrees_frequentes->sortByColumn(2, Qt::DescendingOrder);
    entrees_frequentes->resizeColumnsToContents();
}

void frmDictionnaires::showNeighbours()
{
    voisins->setSortingEnabled(false);
    voisins->clearContents();
    voisins->setRowCount(0);
    const int category = selectedCategory();
    if (!m_count || category < 0 || size_t(category) >= m_count->neighbours.size())
        return;
    const bool withoutStopWords = sans_mots_vides->isChecked();
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    for (const words::NeighbourWord &w : m_count->neighbours[size_t(category)]) {
        if (withoutStopWords
            && (words::isStopWord(w.word) || words::isStopWord(w.word + QLatin1Char('\''))))
            continue;
        const int row = voisins->rowCount();
        voisins->insertRow(row);
        voisins->setItem(row, 0, textItem(w.word));
        voisins->setItem(row, 1, new NumberItem(w.beside));
        voisins->setItem(row, 2, new NumberItem(w.count));
        voisins->setItem(row, 3, new NumberItem(w.g2, locale.toString(w.g2, 'f', 2)));
    }
    voisins->setSortingEnabled(true);
    voisins->sortByColumn(3, Qt::DescendingOrder);
}

void frmDictionnaires::followState()
{
    const bool readOnly = m_session.readOnly() || m_session.history().readOnly();
    const bool editable = !readOnly && m_available;
    const bool any = m_stored.number != 0;
    const bool working = busy();
    importer->setEnabled(editable);
    exporter->setEnabled(any);
    renommer->setEnabled(editable && any);
    supprimer->setEnabled(editable && any);
    nouvelle_categorie->setEnabled(editable && any);
    nouvelle_sous_categorie->setEnabled(editable && selectedCategory() >= 0);
    renommer_categorie->setEnabled(editable && selectedCategory() >= 0);
    supprimer_categorie->setEnabled(editable && selectedCategory() >= 0);
    ajouter_entree->setEnabled(editable && selectedCategory() >= 0);
    modifier_entree->setEnabled(editable && selectedEntry() >= 0);
    supprimer_entree->setEnabled(editable && selectedEntry() >= 0);
    compter->setEnabled(any && !working);
    coder->setEnabled(!readOnly && any && !working);
    copie_codee->setEnabled(!readOnly && any && !working);
    copier->setEnabled(!m_grid.rows.isEmpty());
    exporter_tableau->setEnabled(!m_grid.rows.isEmpty());
    enregistrer_graphique->setEnabled(!m_chart.categories.isEmpty());
    if (readOnly)
        coder->setToolTip(QStringLiteral("L'analyse est en lecture seule : rien ne peut y être "
                                         "codé."));
}

// ----- Counting on a thread of its own -----

void frmDictionnaires::stopJob()
{
    if (!m_job)
        return;
    m_job.reset(); // stops and waits for the thread
    m_poll->stop();
    progression->hide();
    arreter->hide();
}

void frmDictionnaires::compter_Click()
{
    startCount();
}

void frmDictionnaires::startCount()
{
    if (m_job && m_job->copy)
        return; // a copy runs: the count waits for it
    stopJob();
    m_count.reset();
    if (m_stored.number == 0) {
        etat_compte->setText(m_available ? QStringLiteral("Prenez un dictionnaire dans un fichier "
                                                          "pour commencer.")
                                         : QString());
        showDictionary();
        return;
    }
    auto job = std::make_unique<Job>();
    Job *j = job.get();
    const QString path = m_session.databasePath();
    const words::Dictionary dictionary = m_stored.dictionary;
    words::DictionaryCountOptions options;
    options.restriction = restriction();
    options.grouping = grouping();
    options.neighbours = true;
    options.keepSegments = kKeptSegments;
    m_job = std::move(job);
    j->thread = std::thread([j, path, dictionary, options] {
        try {
            const auto db = Connection::open(path, Connection::Access::ReadOnly);
            words::DictionaryScan scan(*db, dictionary);
            j->count = scan.count(options, j->progress());
        } catch (const StoreError &e) {
            j->error = e.message();
        } catch (const std::bad_alloc &) {
            j->error = QStringLiteral("La mémoire a manqué pour compter.");
        }
        j->finished = true;
    });
    etat_compte->setText(QStringLiteral("Comptage de « %1 »…").arg(dictionary.name));
    progression->setValue(0);
    progression->show();
    arreter->show();
    arreter->setEnabled(true);
    m_poll->start();
    showDictionary();
}

void frmDictionnaires::arreter_Click()
{
    if (!m_job)
        return;
    m_job->stop = true;
    arreter->setEnabled(false);
    etat_compte->setText(QStringLiteral("Arrêt…"));
}

void frmDictionnaires::poll()
{
    if (!m_job) {
        m_poll->stop();
        return;
    }
    const qint64 total = m_job->total;
    const qint64 done = m_job->done;
    if (total > 0)
        progression->setValue(int(std::min(done, total) * 1000 / total));
    if (!m_job->finished)
        return;
    m_job->thread.join();
    const std::unique_ptr<Job> job = std::move(m_job);
    m_poll->stop();
    progression->hide();
    arreter->hide();
    if (job->copy) {
        if (!job->error.isEmpty()) {
            etat_compte->setText(QString());
            messages::error(this, QStringLiteral("La copie codée par le dictionnaire n'a pas été "
                                                 "faite.\n\n%1")
                                      .arg(job->error));
        } else if (!job->outcome) {
            status(QStringLiteral("Copie arrêtée : rien n'a été écrit."));
        } else {
            status(QStringLiteral("Copie codée par « %1 » écrite dans « %2 » (%3) : ouvrez "
                                  "« Fiabilité inter-codeurs… » pour la comparer avec le codage.")
                       .arg(job->dictionary, QDir::toNativeSeparators(job->target),
                            plural(job->outcome->segments, QStringLiteral("segment codé"),
                                   QStringLiteral("segments codés"))));
        }
        etat_compte->setText(QString());
        followState();
        emit copyEnded();
        startCount();
        return;
    }
    if (!job->error.isEmpty()) {
        etat_compte->setText(QStringLiteral("Le compte n'a pas pu être fait."));
        messages::error(this, QStringLiteral("Le dictionnaire n'a pas pu être compté.\n\n%1")
                                  .arg(job->error));
    } else if (!job->count) {
        etat_compte->setText(QStringLiteral("Comptage arrêté : « Compter » le refait."));
    } else {
        m_count = std::move(job->count);
        etat_compte->setText(QStringLiteral("Compté dans %1 (%2).")
                                 .arg(plural(m_count->segments, QStringLiteral("segment"),
                                             QStringLiteral("segments")),
                                      plural(m_count->words, QStringLiteral("mot"),
                                             QStringLiteral("mots"))));
    }
    showDictionary();
    emit countEnded();
}

// ----- The dictionaries -----

void frmDictionnaires::importer_Click()
{
    if (!importer->isEnabled())
        return;
    const QString file = dialogs::openFile(
        this, QStringLiteral("Prendre un dictionnaire"),
        QStringLiteral("Dictionnaires (*.dic *.yml *.yaml *.lc3 *.lcd *.csv *.txt)"));
    if (file.isEmpty())
        return;
    const exchange::DictionaryReading reading = exchange::readDictionaryFile(file);
    if (!reading.ok()) {
        messages::error(this, QStringLiteral("Le dictionnaire « %1 » n'a pas pu être lu : rien "
                                             "n'a été pris.\n\n%2")
                                  .arg(QDir::toNativeSeparators(file), reading.error));
        return;
    }
    words::Dictionary dictionary = *reading.dictionary;
    Connection &db = m_session.store().connection();
    qint64 number = 0;
    try {
        bool replace = false;
        if (dictionaries::find(db, dictionary.name)) {
            replace = messages::ask(
                this, QStringLiteral("L'analyse a déjà un dictionnaire « %1 ». Le remplacer par "
                                     "celui du fichier ?\n\n(Non : les deux sont gardés, celui du "
                                     "fichier sous le nom « %2 ».)")
                          .arg(dictionary.name, dictionaries::freeName(db, dictionary.name)));
            if (!replace)
                dictionary.name = dictionaries::freeName(db, dictionary.name);
        }
        number = dictionaries::save(db, dictionary, replace);
    } catch (const StoreError &e) {
        messages::error(this, QStringLiteral("Le dictionnaire « %1 » n'a pas été gardé dans "
                                             "l'analyse.\n\n%2")
                                  .arg(QDir::toNativeSeparators(file), e.message()));
        return;
    }
    loadDictionaries(number);
    reloadDictionary();
    status(QStringLiteral("Dictionnaire « %1 » pris : %2, %3.")
               .arg(dictionary.name,
                    plural(qint64(dictionary.categories.size()), QStringLiteral("catégorie"),
                           QStringLiteral("catégories")),
                    plural(dictionary.entryCount(), QStringLiteral("entrée"),
                           QStringLiteral("entrées"))));
    if (!reading.notes.isEmpty())
        messages::plain(this, QStringLiteral("Le dictionnaire « %1 » a été pris, avec ces "
                                             "réserves :\n\n%2")
                                  .arg(dictionary.name, reading.notes.join(QLatin1Char('\n'))));
}

void frmDictionnaires::exporter_Click()
{
    if (m_stored.number == 0)
        return;
    const QFileInfo db(m_session.databasePath());
    const QString suggested = db.dir().filePath(m_stored.dictionary.name + QStringLiteral(".csv"));
    const QString file = dialogs::saveFile(
        this, QStringLiteral("Écrire le dictionnaire"), suggested,
        QStringLiteral("Tableau « catégorie ; entrée » (*.csv);;Dictionnaire quanteda (*.yml *.yaml)"),
        QStringLiteral("csv"));
    if (file.isEmpty())
        return;
    const QString suffix = QFileInfo(file).suffix().toLower();
    const bool yaml = suffix == QLatin1String("yml") || suffix == QLatin1String("yaml");
    const QString error = yaml ? exchange::QuantedaYaml::writeFile(m_stored.dictionary, file)
                               : exchange::DictionaryCsv::writeFile(m_stored.dictionary, file);
    if (!error.isEmpty()) {
        messages::error(this, QStringLiteral("Le dictionnaire n'a pas été écrit.\n\n%1").arg(error));
        return;
    }
    status(QStringLiteral("Dictionnaire « %1 » écrit dans « %2 ».")
               .arg(m_stored.dictionary.name, QDir::toNativeSeparators(file)));
}

void frmDictionnaires::renommer_Click()
{
    if (m_stored.number == 0 || !renommer->isEnabled())
        return;
    const std::optional<QString> name =
        askLine(this, QStringLiteral("NomDictionnaire"), QStringLiteral("Renommer le dictionnaire"),
                QStringLiteral("Nom du dictionnaire :"), m_stored.dictionary.name);
    if (!name)
        return;
    try {
        dictionaries::rename(m_session.store().connection(), m_stored.number, *name);
    } catch (const StoreError &e) {
        messages::error(this, QStringLiteral("Le dictionnaire n'a pas été renommé.\n\n%1")
                                  .arg(e.message()));
        return;
    }
    loadDictionaries(m_stored.number);
    reloadDictionary();
}

void frmDictionnaires::supprimer_Click()
{
    if (m_stored.number == 0 || !supprimer->isEnabled())
        return;
    const words::Dictionary &d = m_stored.dictionary;
    if (!messages::ask(this, QStringLiteral("Supprimer le dictionnaire « %1 » (%2, %3) de "
                                            "l'analyse ?\n\nCela ne s'annule pas : pour le garder, "
                                            "écrivez-le d'abord dans un fichier. Le codage qu'il a "
                                            "fait reste.")
                                 .arg(d.name,
                                      plural(qint64(d.categories.size()), QStringLiteral("catégorie"),
                                             QStringLiteral("catégories")),
                                      plural(d.entryCount(), QStringLiteral("entrée"),
                                             QStringLiteral("entrées")))))
        return;
    try {
        dictionaries::remove(m_session.store().connection(), m_stored.number);
    } catch (const StoreError &e) {
        messages::error(this, QStringLiteral("Le dictionnaire n'a pas été supprimé.\n\n%1")
                                  .arg(e.message()));
        return;
    }
    status(QStringLiteral("Dictionnaire « %1 » supprimé.").arg(d.name));
    loadDictionaries(0);
    reloadDictionary();
}

// ----- Categories and entries -----

void frmDictionnaires::nouvelleCategorie_Click()
{
    if (m_stored.number == 0 || !nouvelle_categorie->isEnabled())
        return;
    const std::optional<QString> name =
        askLine(this, QStringLiteral("NomCategorie"), QStringLiteral("Nouvelle catégorie"),
                QStringLiteral("Nom de la catégorie :"), QString());
    if (!name)
        return;
    try {
        dictionaries::addCategory(m_session.store().connection(), m_stored.number, 0, *name);
    } catch (const StoreError &e) {
        messages::error(this, QStringLiteral("La catégorie n'a pas été ajoutée.\n\n%1")
                                  .arg(e.message()));
        return;
    }
    reloadDictionary();
}

void frmDictionnaires::sousCategorie_Click()
{
    int category = selectedCategory();
    if (category < 0 || !nouvelle_sous_categorie->isEnabled())
        return;
    // Under the top category of the one chosen.
    const QString parentName = m_stored.dictionary.categories[size_t(category)].parent;
    if (!parentName.isEmpty())
        for (size_t c = 0; c < m_stored.dictionary.categories.size(); ++c)
            if (m_stored.dictionary.categories[c].parent.isEmpty()
                && m_stored.dictionary.categories[c].name == parentName)
                category = int(c);
    const std::optional<QString> name = askLine(
        this, QStringLiteral("NomCategorie"), QStringLiteral("Nouvelle sous-catégorie"),
        QStringLiteral("Nom de la sous-catégorie de « %1 » :")
            .arg(m_stored.dictionary.categories[size_t(category)].name),
        QString());
    if (!name)
        return;
    try {
        dictionaries::addCategory(m_session.store().connection(), m_stored.number,
                                  m_stored.categories[size_t(category)], *name);
    } catch (const StoreError &e) {
        messages::error(this, QStringLiteral("La sous-catégorie n'a pas été ajoutée.\n\n%1")
                                  .arg(e.message()));
        return;
    }
    reloadDictionary();
}

void frmDictionnaires::renommerCategorie_Click()
{
    const int category = selectedCategory();
    if (category < 0 || !renommer_categorie->isEnabled())
        return;
    const std::optional<QString> name =
        askLine(this, QStringLiteral("NomCategorie"), QStringLiteral("Renommer la catégorie"),
                QStringLiteral("Nom de la catégorie :"),
                m_stored.dictionary.categories[size_t(category)].name);
    if (!name)
        return;
    try {
        dictionaries::renameCategory(m_session.store().connection(),
                                     m_stored.categories[size_t(category)], *name);
    } catch (const StoreError &e) {
        messages::error(this, QStringLiteral("La catégorie n'a pas été renommée.\n\n%1")
                                  .arg(e.message()));
        return;
    }
    reloadDictionary();
}

void frmDictionnaires::supprimerCategorie_Click()
{
    const int category = selectedCategory();
    if (category < 0 || !supprimer_categorie->isEnabled())
        return;
    const words::DictionaryCategory &c = m_stored.dictionary.categories[size_t(category)];
    qint64 entries = qint64(c.entries.size());
    int children = 0;
    if (c.parent.isEmpty())
        for (const words::DictionaryCategory &other : m_stored.dictionary.categories)
            if (other.parent == c.name) {
                ++children;
                entries += qint64(other.entries.size());
            }
    QString what = plural(entries, QStringLiteral("entrée"), QStringLiteral("entrées"));
    if (children > 0)
        what = QStringLiteral("%1 et %2")
                   .arg(plural(children, QStringLiteral("sous-catégorie"),
                               QStringLiteral("sous-catégories")),
                        what);
    if (!messages::ask(this, QStringLiteral("Supprimer la catégorie « %1 » (%2) ?\n\nCela ne "
                                            "s'annule pas.")
                                 .arg(c.path(), what)))
        return;
    try {
        dictionaries::removeCategory(m_session.store().connection(),
                                     m_stored.categories[size_t(category)]);
    } catch (const StoreError &e) {
        messages::error(this, QStringLiteral("La catégorie n'a pas été supprimée.\n\n%1")
                                  .arg(e.message()));
        return;
    }
    reloadDictionary();
}

void frmDictionnaires::ajouterEntree_Click()
{
    const int category = selectedCategory();
    if (category < 0 || !ajouter_entree->isEnabled())
        return;
    const std::optional<QString> typed =
        askLine(this, QStringLiteral("Entree"),
                QStringLiteral("Nouvelle entrée de « %1 »")
                    .arg(m_stored.dictionary.categories[size_t(category)].path()),
                kEntryPrompt, QString());
    if (!typed)
        return;
    words::DictionaryEntry entry;
    const QString fault = exchange::parseDictionaryEntry(*typed, true, &entry);
    try {
        if (!fault.isEmpty())
            throw StoreError(fault.left(1).toUpper() + fault.mid(1));
        dictionaries::addEntry(m_session.store().connection(), m_stored.categories[size_t(category)],
                               entry);
    } catch (const StoreError &e) {
        messages::error(this, QStringLiteral("L'entrée n'a pas été ajoutée.\n\n%1").arg(e.message()));
        return;
    }
    reloadDictionary();
}

void frmDictionnaires::modifierEntree_Click()
{
    const int category = selectedCategory();
    const int entry = selectedEntry();
    if (category < 0 || entry < 0 || !modifier_entree->isEnabled())
        return;
    const int index = entry - firstEntryOf(m_stored.dictionary, category);
    const words::DictionaryEntry &old =
        m_stored.dictionary.categories[size_t(category)].entries[size_t(index)];
    const std::optional<QString> typed =
        askLine(this, QStringLiteral("Entree"), QStringLiteral("Modifier l'entrée"), kEntryPrompt,
                written(old));
    if (!typed)
        return;
    words::DictionaryEntry changed;
    const QString fault = exchange::parseDictionaryEntry(*typed, true, &changed);
    try {
        if (!fault.isEmpty())
            throw StoreError(fault.left(1).toUpper() + fault.mid(1));
        dictionaries::changeEntry(m_session.store().connection(),
                                  m_stored.entries[size_t(category)][size_t(index)], changed);
    } catch (const StoreError &e) {
        messages::error(this, QStringLiteral("L'entrée n'a pas été changée.\n\n%1").arg(e.message()));
        return;
    }
    reloadDictionary();
}

void frmDictionnaires::supprimerEntree_Click()
{
    const int category = selectedCategory();
    const int entry = selectedEntry();
    if (category < 0 || entry < 0 || !supprimer_entree->isEnabled())
        return;
    const int index = entry - firstEntryOf(m_stored.dictionary, category);
    const words::DictionaryEntry &old =
        m_stored.dictionary.categories[size_t(category)].entries[size_t(index)];
    if (!messages::ask(this, QStringLiteral("Supprimer l'entrée « %1 » de « %2 » ?\n\nCela ne "
                                            "s'annule pas.")
                                 .arg(written(old),
                                      m_stored.dictionary.categories[size_t(category)].path())))
        return;
    try {
        dictionaries::removeEntry(m_session.store().connection(),
                                  m_stored.entries[size_t(category)][size_t(index)]);
    } catch (const StoreError &e) {
        messages::error(this, QStringLiteral("L'entrée n'a pas été supprimée.\n\n%1")
                                  .arg(e.message()));
        return;
    }
    reloadDictionary();
}

// ----- Coding -----

int frmDictionnaires::askList(const QString &title, const QString &what, const QString &objectName,
                              const QString &go)
{
    QDialog dialog(this);
    dialog.setObjectName(objectName);
    dialog.setWindowTitle(title);
    dialog.setMinimumWidth(twips::toPixels(6600));
    auto *layout = new QVBoxLayout(&dialog);
    auto *text = new QLabel(what, &dialog);
    text->setObjectName(QStringLiteral("explication"));
    text->setWordWrap(true);
    layout->addWidget(text);
    auto *form = new QFormLayout;
    auto *liste = new QComboBox(&dialog);
    liste->setObjectName(QStringLiteral("liste"));
    for (int k = 1; k <= codebook::kLists; ++k)
        liste->addItem(QStringLiteral("%1 - %2").arg(k).arg(m_names[size_t(k - 1)]), k);
    form->addRow(QStringLiteral("&Liste :"), liste);
    layout->addLayout(form);
    auto *buttons = new QDialogButtonBox(&dialog);
    QPushButton *ok = buttons->addButton(go, QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    buttons->addButton(QStringLiteral("Annuler"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("annuler"));
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    return dialog.exec() == QDialog::Accepted ? liste->currentData().toInt() : 0;
}

void frmDictionnaires::coder_Click()
{
    if (m_stored.number == 0 || !coder->isEnabled())
        return;
    const words::Dictionary &d = m_stored.dictionary;
    const int list = askList(
        QStringLiteral("Coder avec le dictionnaire"),
        QStringLiteral("Les %1 de « %2 » deviennent des valeurs de la liste choisie (une valeur "
                       "du même nom déjà dans la liste sert telle quelle), et chaque segment des "
                       "textes cochés qui en contient une est codé avec elle : sur un champ vide "
                       "d'une de ses lignes de codage, sinon sur une ligne nouvelle ; un segment "
                       "qui a déjà la valeur reste tel quel.\n\n« Édition > Annuler » reprend "
                       "tout le codage d'un coup, valeurs ajoutées comprises.")
            .arg(plural(qint64(d.categories.size()), QStringLiteral("catégorie"),
                        QStringLiteral("catégories")),
                 d.name),
        QStringLiteral("frmCoderDictionnaire"), QStringLiteral("&Coder"));
    if (list == 0)
        return;
    stopJob();
    const search::Restriction r = restriction();
    QProgressDialog progress(QStringLiteral("Codage par le dictionnaire « %1 »…").arg(d.name),
                             QStringLiteral("Arrêter"), 0, 1000, this);
    progress.setObjectName(QStringLiteral("progression_codage"));
    progress.setWindowTitle(QStringLiteral("Coder avec le dictionnaire"));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(500);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setValue(0);
    std::optional<DictionaryOutcome> outcome;
    try {
        Connection &db = m_session.store().connection();
        words::DictionaryScan scan(db, d);
        outcome = m_session.history().codeByDictionary(
            list, words::valueNames(d), [&](DictionaryCoding &coding) {
                return scan.code(coding, r, [&progress](qint64 done, qint64 total) {
                    progress.setLabelText(QStringLiteral("Codage par le dictionnaire… %L1 "
                                                         "segments sur %L2")
                                              .arg(done)
                                              .arg(total));
                    progress.setValue(total > 0 ? int(std::min(done, total) * 1000 / total) : 0);
                    QCoreApplication::processEvents();
                    return !progress.wasCanceled();
                });
            });
    } catch (const StoreError &e) {
        progress.close();
        messages::error(this, QStringLiteral("Le codage par le dictionnaire n'a pas été fait, "
                                             "l'analyse n'a pas été changée.\n\n%1")
                                  .arg(e.message()));
        startCount();
        return;
    }
    progress.close();
    if (!outcome) {
        status(QStringLiteral("Codage arrêté : rien n'a été codé."));
        startCount();
        return;
    }
    QString text = outcome->segments == 0
                       ? QStringLiteral("Aucun segment à coder : ils avaient déjà leurs valeurs")
                       : QStringLiteral("%1 avec « %2 » sur la liste « %3 »")
                             .arg(plural(outcome->segments, QStringLiteral("segment codé"),
                                         QStringLiteral("segments codés")),
                                  d.name, m_names[size_t(list - 1)]);
    if (!outcome->added.empty())
        text += QStringLiteral(" ; %1 à la liste")
                    .arg(plural(qint64(outcome->added.size()), QStringLiteral("valeur ajoutée"),
                                QStringLiteral("valeurs ajoutées")));
    status(text + QLatin1Char('.'));
    if (outcome->segments > 0 || !outcome->added.empty()) {
        emit m_session.codingChanged();
        emit m_session.listsChanged();
    }
    startCount();
}

void frmDictionnaires::copieCodee_Click()
{
    if (m_stored.number == 0 || !copie_codee->isEnabled())
        return;
    const words::Dictionary d = m_stored.dictionary;
    const int list = askList(
        QStringLiteral("Copie codée par le dictionnaire"),
        QStringLiteral("Une copie de l'analyse (ses textes, ses segments et ses listes, sans "
                       "codage) est codée par le seul dictionnaire « %1 » sur la liste choisie. "
                       "« Fiabilité inter-codeurs… » la compare ensuite avec votre codage, le "
                       "dictionnaire comme un codeur de plus.")
            .arg(d.name),
        QStringLiteral("frmCopieDictionnaire"), QStringLiteral("&Choisir le fichier..."));
    if (list == 0)
        return;
    const std::vector<QString> names = words::valueNames(d);
    try {
        Connection &db = m_session.store().connection();
        const std::vector<QString> missing = missingValues(db, list, names);
        if (!missing.empty()) {
            QStringList quoted;
            for (const QString &m : missing)
                quoted << QStringLiteral("« %1 »").arg(m);
            const bool one = missing.size() == 1;
            if (!messages::ask(this, QStringLiteral("%1 %2 pas %3 de la liste « %4 ». %5y "
                                                    "ajouter, pour que la copie et l'analyse "
                                                    "aient les mêmes listes ?\n\n(Une étape que "
                                                    "« Édition > Annuler » reprend.)")
                                         .arg(quoted.join(QStringLiteral(", ")),
                                              one ? QStringLiteral("n'est")
                                                  : QStringLiteral("ne sont"),
                                              one ? QStringLiteral("une valeur")
                                                  : QStringLiteral("des valeurs"),
                                              m_names[size_t(list - 1)],
                                              one ? QStringLiteral("L'") : QStringLiteral("Les "))))
                return;
            m_session.history().codeByDictionary(
                list, names, [](DictionaryCoding &) { return true; },
                QStringLiteral("l'ajout des catégories de « %1 » à la liste %2").arg(d.name).arg(list),
                false);
            emit m_session.listsChanged();
        }
    } catch (const StoreError &e) {
        messages::error(this, QStringLiteral("Les valeurs du dictionnaire n'ont pas été ajoutées : "
                                             "la copie n'a pas été faite.\n\n%1")
                                  .arg(e.message()));
        return;
    }
    const QFileInfo db(m_session.databasePath());
    QString safeName = d.name;
    safeName.replace(QRegularExpression(QStringLiteral("[\\\\/:*?\"<>|\\s]+")), QStringLiteral("_"));
    const QString target = dialogs::saveDatabase(
        this, QStringLiteral("Copie codée par le dictionnaire"),
        db.dir().filePath(QStringLiteral("%1_%2.mdb").arg(db.completeBaseName(), safeName)));
    if (target.isEmpty())
        return;
    stopJob();
    auto job = std::make_unique<Job>();
    Job *j = job.get();
    j->copy = true;
    j->target = target;
    j->dictionary = d.name;
    const QString source = m_session.databasePath();
    const search::Restriction r = restriction();
    m_job = std::move(job);
    j->thread = std::thread([j, source, target, d, list, r] {
        try {
            j->outcome = words::makeCodedCopy(source, target, d, list,
                                              QStringLiteral("dictionnaire « %1 »").arg(d.name), r,
                                              j->progress());
        } catch (const StoreError &e) {
            j->error = e.message();
        } catch (const std::bad_alloc &) {
            j->error = QStringLiteral("La mémoire a manqué pour faire la copie.");
        }
        j->finished = true;
    });
    etat_compte->setText(QStringLiteral("Copie codée par « %1 »…").arg(d.name));
    progression->setValue(0);
    progression->show();
    arreter->show();
    arreter->setEnabled(true);
    m_poll->start();
    followState();
}

// ----- The table -----

void frmDictionnaires::copier_Click()
{
    if (m_grid.rows.isEmpty())
        return;
    QApplication::clipboard()->setText(tabSeparated(m_grid));
    status(QStringLiteral("Tableau copié : collez-le dans un tableur."));
}

void frmDictionnaires::exporterTableau_Click()
{
    if (m_grid.rows.isEmpty())
        return;
    const QString done = exportGrid(this, m_grid, m_session.databasePath(),
                                    m_session.commaSeparator(), QStringLiteral("_dictionnaire.csv"));
    if (!done.isEmpty())
        status(done);
}

void frmDictionnaires::enregistrerGraphique_Click()
{
    if (m_chart.categories.isEmpty())
        return;
    const QString done = saveChartAs(this, m_chart, m_session.databasePath(),
                                     QStringLiteral("_dictionnaire.png"));
    if (!done.isEmpty())
        status(done);
}

void frmDictionnaires::closeEvent(QCloseEvent *event)
{
    stopJob();
    QMainWindow::closeEvent(event);
}

void frmDictionnaires::status(const QString &text)
{
    statusBar()->showMessage(text, 10000);
}

// ----- One window per session -----

frmDictionnaires *openDictionaries(Session &session)
{
    QPointer<frmDictionnaires> &window = windows()[&session];
    if (!window) {
        auto *made = new frmDictionnaires(session);
        made->setAttribute(Qt::WA_DeleteOnClose);
        if (!made->Form_Load()) {
            delete made;
            return nullptr;
        }
        window = made;
        QObject::connect(&session, &QObject::destroyed, made, [&session] {
            const auto found = windows().find(&session);
            if (found != windows().end()) {
                delete found->second.data();
                windows().erase(found);
            }
        });
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

QAction *makeDictionariesAction(Session &session, QWidget *window)
{
    auto *action = new QAction(QStringLiteral("&Dictionnaires..."), window);
    action->setObjectName(QStringLiteral("dictionnaires"));
    action->setToolTip(QStringLiteral("Des catégories de mots qui comptent et codent les segments"));
    QObject::connect(action, &QAction::triggered, &session, [&session] { openDictionaries(session); });
    return action;
}

} // namespace coding
