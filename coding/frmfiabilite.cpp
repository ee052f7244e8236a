#include "coding/frmfiabilite.h"

#include "exchange/csv.h"
#include "coding/filedialogs.h"
#include "exchange/reliabilityreport.h"
#include "common/filecause.h"
#include "common/look.h"
#include "common/messages.h"
#include "reliability/scale.h"
#include "store/codebookstore.h"
#include "store/codercopy.h"
#include "store/connection.h"
#include "store/liststore.h"
#include "store/properties.h"
#include "store/reliabilitystore.h"
#include "store/storeerror.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMap>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSaveFile>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace coding {

using namespace reliability;

namespace {

constexpr int kStartLength = 80;

QString shownCoefficient(const Coefficient &c)
{
    switch (c.status) {
    case Coefficient::Defined:
        return QLocale().toString(c.value, 'f', 3);
    case Coefficient::SingleValue:
        return QStringLiteral("indéfini (une seule valeur)");
    case Coefficient::NoPair:
        return QStringLiteral("aucune paire");
    }
    return QString();
}

QTableWidgetItem *cell(const QString &text, bool number = false)
{
    auto *item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    if (number)
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

QTableWidget *makeTable(const QString &name, QWidget *parent)
{
    auto *t = new QTableWidget(parent);
    t->setObjectName(name);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setAlternatingRowColors(true);
    t->verticalHeader()->setVisible(false);
    t->verticalHeader()->setDefaultSectionSize(22);
    t->horizontalHeader()->setHighlightSections(false);
    return t;
}

// "aucun désaccord", "1 désaccord", "2 désaccords".
QString disagreementsOf(qsizetype count)
{
    if (count == 0)
        return QStringLiteral("aucun désaccord");
    return count == 1 ? QStringLiteral("1 désaccord") : QStringLiteral("%1 désaccords").arg(count);
}

// What the window shows of a copy before anything is computed: its coder
// (the "codeur" property; the file's name when it has none or cannot be
// read) and the names of its lists.
struct CopyShown
{
    QString coder;
    std::array<QString, kLists> listNames;
};

CopyShown shownCopy(const QString &path)
{
    CopyShown shown;
    for (int k = 1; k <= kLists; ++k)
        shown.listNames[size_t(k - 1)] = codebook::defaultListName(k);
    try {
        const std::shared_ptr<Connection> db = Connection::open(path, Connection::Access::ReadOnly);
        shown.coder = properties::value(*db, properties::kCoder).value_or(QString()).trimmed();
        shown.listNames = codebook::listNames(*db);
    } catch (const StoreError &) {
        // Told by "Calculer", which reads the file again.
    }
    if (shown.coder.isEmpty())
        shown.coder = QFileInfo(path).completeBaseName();
    return shown;
}

QString oneLine(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

} // namespace

frmFiabilite::frmFiabilite(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("fiabilite"));
    setWindowTitle(QStringLiteral("Analyse de contenu - Fiabilité inter-codeurs"));
    build();
    updateButtons();
    resize(1120, 780);
}

void frmFiabilite::build()
{
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("cadre"));
    look::setBackground(central, look::kLightYellow);
    setCentralWidget(central);
    auto *layout = new QVBoxLayout(central);

    // The coders' copies and the options.
    auto *top = new QHBoxLayout;
    auto *filesBox = new QGroupBox(QStringLiteral("Bases des codeurs (copies d'une même analyse)"),
                                   central);
    filesBox->setObjectName(QStringLiteral("cadre_fichiers"));
    auto *filesLayout = new QVBoxLayout(filesBox);
    fichiers = new QTreeWidget(filesBox);
    fichiers->setObjectName(QStringLiteral("fichiers"));
    fichiers->setRootIsDecorated(false);
    fichiers->setHeaderLabels({QStringLiteral("Codeur"), QStringLiteral("Base d'analyse")});
    fichiers->setColumnWidth(0, 140);
    fichiers->setMinimumHeight(60);
    fichiers->setMaximumHeight(110);
    filesLayout->addWidget(fichiers);
    auto *fileButtons = new QHBoxLayout;
    ajouter = new QPushButton(QStringLiteral("&Ajouter..."), filesBox);
    ajouter->setObjectName(QStringLiteral("ajouter"));
    retirer = new QPushButton(QStringLiteral("&Retirer"), filesBox);
    retirer->setObjectName(QStringLiteral("retirer"));
    fileButtons->addWidget(ajouter);
    fileButtons->addWidget(retirer);
    fileButtons->addStretch(1);
    filesLayout->addLayout(fileButtons);
    top->addWidget(filesBox, 3);

    auto *optionsBox = new QGroupBox(QStringLiteral("Segments et niveaux de mesure"), central);
    optionsBox->setObjectName(QStringLiteral("cadre_options"));
    auto *options = new QGridLayout(optionsBox);
    textes = new QListWidget(optionsBox);
    textes->setObjectName(QStringLiteral("textes"));
    textes->setToolTip(QStringLiteral("Textes pris en compte (tous par défaut ; la liste se remplit "
                                      "au premier calcul)"));
    textes->setMaximumHeight(70);
    options->addWidget(new QLabel(QStringLiteral("Textes :"), optionsBox), 0, 0, Qt::AlignTop);
    options->addWidget(textes, 0, 1, 1, 3);
    codes_par_tous = new QCheckBox(QStringLiteral("Seulement les segments codés par tous les "
                                                  "codeurs"),
                                   optionsBox);
    codes_par_tous->setObjectName(QStringLiteral("codes_par_tous"));
    options->addWidget(codes_par_tous, 1, 0, 1, 2);
    sans_suggestions = new QCheckBox(QStringLiteral("Sans les suggestions acceptées"), optionsBox);
    sans_suggestions->setObjectName(QStringLiteral("sans_suggestions"));
    sans_suggestions->setToolTip(QStringLiteral("Les valeurs prises d'une suggestion, sans avoir "
                                                "été choisies par le codeur, comptent comme "
                                                "manquantes"));
    options->addWidget(sans_suggestions, 1, 2, 1, 2);
    intervalle = new QCheckBox(QStringLiteral("Intervalle de confiance à 95 % de alpha "
                                              "(bootstrap, 1 000 tirages)"),
                               optionsBox);
    intervalle->setObjectName(QStringLiteral("intervalle"));
    options->addWidget(intervalle, 2, 0, 1, 4);
    auto *levels = new QHBoxLayout;
    levels->addWidget(new QLabel(QStringLiteral("Niveau :"), optionsBox));
    for (int k = 1; k <= kLists; ++k) {
        auto *combo = new QComboBox(optionsBox);
        combo->setObjectName(QStringLiteral("niveau_%1").arg(k));
        for (Level level : {Level::Nominal, Level::Ordinal, Level::Interval, Level::Ratio})
            combo->addItem(levelName(level), int(level));
        connect(combo, &QComboBox::currentIndexChanged, this, [this] { showOrder(); });
        auto *name = new QLabel(optionsBox);
        name->setObjectName(QStringLiteral("nom_liste_%1").arg(k));
        name->setBuddy(combo);
        levels->addWidget(name);
        levels->addWidget(combo);
        niveau[size_t(k - 1)] = combo;
        niveau_nom[size_t(k - 1)] = name;
    }
    levels->addStretch(1);
    options->addLayout(levels, 3, 0, 1, 4);
    std::array<QString, kLists> defaults;
    for (int k = 1; k <= kLists; ++k)
        defaults[size_t(k - 1)] = codebook::defaultListName(k);
    showListNames(defaults);
    top->addWidget(optionsBox, 2);
    layout->addLayout(top);

    auto *actions = new QHBoxLayout;
    calculer = new QPushButton(QStringLiteral("&Calculer"), central);
    calculer->setObjectName(QStringLiteral("calculer"));
    calculer->setDefault(true);
    exporter = new QPushButton(QStringLiteral("&Exporter le rapport..."), central);
    exporter->setObjectName(QStringLiteral("exporter"));
    actions->addWidget(calculer);
    actions->addStretch(1);
    actions->addWidget(exporter);
    layout->addLayout(actions);

    onglets = new QTabWidget(central);
    onglets->setObjectName(QStringLiteral("onglets"));
    layout->addWidget(onglets, 1);

    coefficients = makeTable(QStringLiteral("coefficients"), onglets);
    coefficients->setColumnCount(9);
    coefficients->setHorizontalHeaderLabels(
        {QStringLiteral("Liste"), QStringLiteral("Nom"), QStringLiteral("Niveau"),
         QStringLiteral("Alpha"), QStringLiteral("IC 95 %"), QStringLiteral("Kappa"),
         QStringLiteral("Accord"), QStringLiteral("Segments appariés"),
         QStringLiteral("Valeurs multiples")});
    coefficients->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    coefficients->resizeColumnsToContents();
    auto *coefficientsPage = new QWidget(onglets);
    auto *coefficientsLayout = new QVBoxLayout(coefficientsPage);
    coefficientsLayout->addWidget(coefficients, 1);
    coefficients->setParent(coefficientsPage);
    notes = new QLabel(coefficientsPage);
    notes->setObjectName(QStringLiteral("notes"));
    notes->setWordWrap(true);
    notes->setTextInteractionFlags(Qt::TextSelectableByMouse);
    coefficientsLayout->addWidget(notes);
    onglets->addTab(coefficientsPage, QStringLiteral("Coefficients"));

    auto *valuesPage = new QWidget(onglets);
    auto *valuesLayout = new QVBoxLayout(valuesPage);
    valeurs_liste = new QComboBox(valuesPage);
    valeurs_liste->setObjectName(QStringLiteral("valeurs_liste"));
    valuesLayout->addWidget(valeurs_liste);
    valeurs = makeTable(QStringLiteral("valeurs"), valuesPage);
    valeurs->setColumnCount(4);
    valeurs->setHorizontalHeaderLabels({QStringLiteral("N°"), QStringLiteral("Valeur"),
                                        QStringLiteral("Occurrences"),
                                        QStringLiteral("Alpha (présente / absente)")});
    valeurs->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    valuesLayout->addWidget(valeurs, 1);
    onglets->addTab(valuesPage, QStringLiteral("Par valeur"));

    auto *disagreementsPage = new QWidget(onglets);
    auto *dLayout = new QVBoxLayout(disagreementsPage);
    desaccords_liste = new QComboBox(disagreementsPage);
    desaccords_liste->setObjectName(QStringLiteral("desaccords_liste"));
    dLayout->addWidget(desaccords_liste);
    auto *split = new QSplitter(Qt::Vertical, disagreementsPage);
    desaccords = makeTable(QStringLiteral("desaccords"), split);
    segment_detail = new QPlainTextEdit(split);
    segment_detail->setObjectName(QStringLiteral("segment_detail"));
    segment_detail->setReadOnly(true);
    segment_detail->setPlaceholderText(
        QStringLiteral("Choisissez un désaccord : son segment et le codage de chaque codeur "
                       "s'affichent ici."));
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    dLayout->addWidget(split, 1);
    auto *retainRow = new QHBoxLayout;
    retainRow->addWidget(new QLabel(QStringLiteral("Analyse consolidée :"), disagreementsPage));
    consolidee = new QLineEdit(disagreementsPage);
    consolidee->setObjectName(QStringLiteral("consolidee"));
    consolidee->setReadOnly(true);
    consolidee->setPlaceholderText(QStringLiteral("aucune : choisissez-en une ou créez-la"));
    retainRow->addWidget(consolidee, 1);
    choisir_consolidee = new QPushButton(QStringLiteral("C&hoisir..."), disagreementsPage);
    choisir_consolidee->setObjectName(QStringLiteral("choisir_consolidee"));
    creer_consolidee = new QPushButton(QStringLiteral("Cré&er une copie..."), disagreementsPage);
    creer_consolidee->setObjectName(QStringLiteral("creer_consolidee"));
    creer_consolidee->setToolTip(QStringLiteral("Copie de la base du codeur choisi, avec son "
                                                "codage : les désaccords y sont ensuite tranchés "
                                                "un à un"));
    retainRow->addWidget(choisir_consolidee);
    retainRow->addWidget(creer_consolidee);
    retainRow->addSpacing(12);
    retainRow->addWidget(new QLabel(QStringLiteral("Codeur :"), disagreementsPage));
    codeur_retenu = new QComboBox(disagreementsPage);
    codeur_retenu->setObjectName(QStringLiteral("codeur_retenu"));
    codeur_retenu->setMinimumWidth(120);
    retainRow->addWidget(codeur_retenu);
    retenir = new QPushButton(QStringLiteral("Re&tenir"), disagreementsPage);
    retenir->setObjectName(QStringLiteral("retenir"));
    retenir->setToolTip(QStringLiteral("Écrit le codage de ce segment par le codeur choisi dans "
                                       "l'analyse consolidée"));
    retainRow->addWidget(retenir);
    dLayout->addLayout(retainRow);
    onglets->addTab(disagreementsPage, QStringLiteral("Désaccords"));

    // The ordinal order of a list's values, which the user may change.
    auto *orderPage = new QWidget(onglets);
    auto *orderLayout = new QVBoxLayout(orderPage);
    ordre_liste = new QComboBox(orderPage);
    ordre_liste->setObjectName(QStringLiteral("ordre_liste"));
    orderLayout->addWidget(ordre_liste);
    ordre_origine = new QLabel(orderPage);
    ordre_origine->setObjectName(QStringLiteral("ordre_origine"));
    ordre_origine->setWordWrap(true);
    orderLayout->addWidget(ordre_origine);
    auto *orderRow = new QHBoxLayout;
    ordre_valeurs = new QListWidget(orderPage);
    ordre_valeurs->setObjectName(QStringLiteral("ordre_valeurs"));
    ordre_valeurs->setToolTip(QStringLiteral("Les valeurs de la liste, de la plus basse à la plus "
                                             "haute, comme le niveau ordinal les range"));
    orderRow->addWidget(ordre_valeurs, 1);
    auto *orderButtons = new QVBoxLayout;
    monter = new QPushButton(QStringLiteral("&Monter"), orderPage);
    monter->setObjectName(QStringLiteral("monter"));
    descendre = new QPushButton(QStringLiteral("&Descendre"), orderPage);
    descendre->setObjectName(QStringLiteral("descendre"));
    ordre_defaut = new QPushButton(QStringLiteral("Ordre de la &liste"), orderPage);
    ordre_defaut->setObjectName(QStringLiteral("ordre_defaut"));
    ordre_defaut->setToolTip(QStringLiteral("Revient à l'ordre des nombres en tête des valeurs, "
                                            "ou sinon à leur ordre de saisie"));
    orderButtons->addWidget(monter);
    orderButtons->addWidget(descendre);
    orderButtons->addWidget(ordre_defaut);
    orderButtons->addStretch(1);
    orderRow->addLayout(orderButtons);
    orderLayout->addLayout(orderRow, 1);
    onglets->addTab(orderPage, QStringLiteral("Ordre ordinal"));

    statusBar()->setObjectName(QStringLiteral("StatusBar1"));

    connect(ajouter, &QPushButton::clicked, this, &frmFiabilite::ajouter_Click);
    connect(retirer, &QPushButton::clicked, this, &frmFiabilite::retirer_Click);
    connect(fichiers, &QTreeWidget::itemSelectionChanged, this, &frmFiabilite::updateButtons);
    connect(calculer, &QPushButton::clicked, this, [this] { calculer_Click(); });
    connect(exporter, &QPushButton::clicked, this, &frmFiabilite::exporter_Click);
    connect(ordre_liste, &QComboBox::currentIndexChanged, this, [this] { showOrder(); });
    connect(monter, &QPushButton::clicked, this,
            [this] { moveValue(ordre_valeurs->currentRow(), -1); });
    connect(descendre, &QPushButton::clicked, this,
            [this] { moveValue(ordre_valeurs->currentRow(), +1); });
    connect(ordre_defaut, &QPushButton::clicked, this, [this] {
        const int list = ordre_liste->currentData().toInt();
        if (list < 1)
            return;
        m_orders[size_t(list - 1)].clear();
        reevaluate(list);
    });
    connect(valeurs_liste, &QComboBox::currentIndexChanged, this, &frmFiabilite::showValues);
    connect(desaccords_liste, &QComboBox::currentIndexChanged, this,
            &frmFiabilite::showDisagreements);
    // Chosen by the user (not by a calculation): kept at the next one.
    connect(desaccords_liste, &QComboBox::activated, this,
            [this] { m_disagreementsListChosen = true; });
    connect(desaccords, &QTableWidget::currentCellChanged, this,
            [this](int row) { openDisagreement(row); });
    connect(choisir_consolidee, &QPushButton::clicked, this,
            &frmFiabilite::choisirConsolidee_Click);
    connect(creer_consolidee, &QPushButton::clicked, this, &frmFiabilite::creerConsolidee_Click);
    connect(retenir, &QPushButton::clicked, this, [this] { retenir_Click(); });
}

void frmFiabilite::addFile(const QString &path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    for (const QString &f : std::as_const(m_files))
        if (QFileInfo(f).canonicalFilePath() == canonical && !canonical.isEmpty())
            return;
    m_files << path;
    const CopyShown shown = shownCopy(path);
    auto *item = new QTreeWidgetItem({shown.coder, path});
    item->setToolTip(1, path);
    fichiers->addTopLevelItem(item);
    if (m_files.size() == 1)
        showListNames(shown.listNames);
    forget();
}

// The results belong to the files they were computed from.
void frmFiabilite::forget()
{
    if (m_comparison) {
        m_comparison.reset();
        showCoefficients();
        showValues();
        showDisagreements();
        showOrder();
        status(QStringLiteral("Les bases ont changé : cliquez sur « Calculer »."));
    }
    updateButtons();
}

QStringList frmFiabilite::files() const
{
    return m_files;
}

void frmFiabilite::ajouter_Click()
{
    const QString folder = m_files.isEmpty() ? QString() : QFileInfo(m_files.first()).absolutePath();
    for (const QString &path : dialogs::openDatabases(this, folder))
        addFile(path);
}

void frmFiabilite::retirer_Click()
{
    const int line = fichiers->indexOfTopLevelItem(fichiers->currentItem());
    if (line < 0)
        return;
    delete fichiers->takeTopLevelItem(line);
    m_files.removeAt(line);
    if (line == 0 && !m_files.isEmpty())
        showListNames(shownCopy(m_files.first()).listNames);
    forget();
}

Level frmFiabilite::levelOf(int list) const
{
    return Level(niveau[size_t(list - 1)]->currentData().toInt());
}

bool frmFiabilite::calculer_Click()
{
    if (m_files.size() < 2) {
        messages::error(this, QStringLiteral("Ajoutez au moins deux bases d'analyse, copies d'une "
                                             "même analyse codées par des codeurs différents."));
        return false;
    }
    Filter filter;
    filter.codedByAll = codes_par_tous->isChecked();
    filter.withoutAcceptedSuggestions = sans_suggestions->isChecked();
    bool allTexts = true;
    for (int i = 0; i < textes->count(); ++i) {
        if (textes->item(i)->checkState() == Qt::Checked)
            filter.texts.insert(textes->item(i)->data(Qt::UserRole).toLongLong());
        else
            allTexts = false;
    }
    if (allTexts)
        filter.texts.clear();
    else if (filter.texts.empty()) {
        messages::error(this, QStringLiteral("Cochez au moins un texte à prendre en compte."));
        return false;
    }

    QProgressDialog progress(QStringLiteral("Lecture des bases des codeurs..."),
                             QStringLiteral("Arrêter"), 0, 1000, this);
    progress.setObjectName(QStringLiteral("progression"));
    progress.setWindowTitle(windowTitle());
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::optional<Comparison> read;
    QString failure;
    try {
        std::optional<CodedCopies> copies =
            readCopies(m_files, filter, [&](qint64 done, qint64 total) {
                progress.setValue(total > 0 ? int(done * 900 / total) : 0);
                return !progress.wasCanceled();
            });
        if (copies)
            read = comparisonOf(std::move(*copies));
        std::array<VariableResult, kLists> results;
        QStringList levelProblems;
        // With the interval, each list takes a moment: one step each.
        for (int k = 1; read && k <= kLists; ++k) {
            progress.setLabelText(intervalle->isChecked()
                                      ? QStringLiteral("Calcul des coefficients et de l'intervalle "
                                                       "de confiance de la liste %1...")
                                            .arg(k)
                                      : QStringLiteral("Calcul des coefficients..."));
            progress.setValue(900 + 20 * (k - 1));
            if (progress.wasCanceled()) {
                read.reset();
                break;
            }
            // An order chosen for values the copies no longer hold is dropped.
            std::vector<qint64> &order = m_orders[size_t(k - 1)];
            if (std::any_of(order.begin(), order.end(),
                            [&](qint64 v) { return !read->lists[size_t(k - 1)].count(v); }))
                order.clear();
            results[size_t(k - 1)] = evaluate(*read, k, levelOf(k), intervalle->isChecked(),
                                              kDefaultResamples, order);
            if (!results[size_t(k - 1)].levelError.isEmpty())
                levelProblems << QStringLiteral("%1 : %2 ; alpha nominal calculé.")
                                     .arg(results[size_t(k - 1)].name,
                                          results[size_t(k - 1)].levelError);
        }
        if (read) {
            std::vector<qint64> segments;
            for (const VariableResult &r : results)
                for (qint64 unit : r.disagreements)
                    segments.push_back(read->segments[size_t(unit)]);
            std::sort(segments.begin(), segments.end());
            segments.erase(std::unique(segments.begin(), segments.end()), segments.end());
            m_starts = segmentTexts(read->sources.front().path, segments);
            for (auto &entry : m_starts)
                entry.second = oneLine(entry.second.left(kStartLength));
            m_results = std::move(results);
            m_comparison = std::move(read);
            if (!levelProblems.isEmpty())
                failure = levelProblems.join(QLatin1Char('\n'));
        }
    } catch (const StoreError &e) {
        QApplication::restoreOverrideCursor();
        progress.close();
        messages::error(this, e.message());
        return false;
    }
    QApplication::restoreOverrideCursor();
    progress.close();
    if (!read && !m_comparison) {
        status(QStringLiteral("Calcul arrêté."));
        return false;
    }
    if (!read) {
        status(QStringLiteral("Calcul arrêté : les résultats affichés sont ceux du calcul "
                              "précédent."));
        return false;
    }

    // The coders' names, now read.
    for (int i = 0; i < fichiers->topLevelItemCount(); ++i)
        fichiers->topLevelItem(i)->setText(0, m_comparison->sources[size_t(i)].coder);
    const int coderIndex = codeur_retenu->currentIndex();
    codeur_retenu->clear();
    for (const Source &s : m_comparison->sources)
        codeur_retenu->addItem(s.coder);
    codeur_retenu->setCurrentIndex(std::max(0, std::min(coderIndex, codeur_retenu->count() - 1)));
    updateTexts();

    showListNames(m_comparison->listNames);
    const int valuesList = std::max(0, valeurs_liste->currentIndex());
    // The disagreements open on the first list that has some, unless the
    // user chose a list since.
    int disagreementsList = std::max(0, desaccords_liste->currentIndex());
    if (!m_disagreementsListChosen) {
        disagreementsList = 0;
        for (int k = 1; k <= kLists; ++k)
            if (!m_results[size_t(k - 1)].disagreements.empty()) {
                disagreementsList = k - 1;
                break;
            }
    }
    const int orderList = std::max(0, ordre_liste->currentIndex());
    for (QComboBox *combo : {valeurs_liste, desaccords_liste, ordre_liste}) {
        const QSignalBlocker block(combo);
        combo->clear();
        for (int k = 1; k <= kLists; ++k) {
            QString label = QStringLiteral("Liste %1 : %2").arg(k).arg(m_results[size_t(k - 1)].name);
            if (combo == desaccords_liste)
                label += QStringLiteral(" (%1)").arg(
                    disagreementsOf(qsizetype(m_results[size_t(k - 1)].disagreements.size())));
            combo->addItem(label, k);
        }
    }
    valeurs_liste->setCurrentIndex(valuesList);
    desaccords_liste->setCurrentIndex(disagreementsList);
    {
        const QSignalBlocker block(ordre_liste);
        ordre_liste->setCurrentIndex(orderList);
    }
    showOrder();
    showCoefficients();
    showValues();
    showDisagreements();
    updateButtons();
    const size_t segments = m_comparison->segments.size();
    status(QStringLiteral("%1 codeurs, %2.")
               .arg(m_comparison->sources.size())
               .arg(segments == 0   ? QStringLiteral("aucun segment comparé")
                    : segments == 1 ? QStringLiteral("1 segment comparé")
                                    : QStringLiteral("%1 segments comparés").arg(segments)));
    if (!failure.isEmpty())
        messages::error(this, failure);
    return true;
}

void frmFiabilite::showListNames(const std::array<QString, kLists> &names)
{
    for (int k = 1; k <= kLists; ++k) {
        const QString &name = names[size_t(k - 1)];
        niveau_nom[size_t(k - 1)]->setText(name);
        niveau_nom[size_t(k - 1)]->setToolTip(QStringLiteral("Liste %1").arg(k));
        niveau[size_t(k - 1)]->setToolTip(QStringLiteral("Niveau de mesure de la liste %1 : "
                                                         "ordinal pour des valeurs ordonnées, "
                                                         "intervalle ou ratio pour des valeurs "
                                                         "numériques")
                                              .arg(lists::quoted(name)));
    }
}

void frmFiabilite::updateTexts()
{
    std::map<qint64, Qt::CheckState> states;
    for (int i = 0; i < textes->count(); ++i)
        states[textes->item(i)->data(Qt::UserRole).toLongLong()] = textes->item(i)->checkState();
    textes->clear();
    for (const TextEntry &t : m_comparison->texts) {
        auto *item = new QListWidgetItem(QStringLiteral("n° %1 - %2 (%3 segments)")
                                             .arg(t.numero)
                                             .arg(QFileInfo(t.chemin).fileName())
                                             .arg(t.segments),
                                         textes);
        item->setData(Qt::UserRole, t.numero);
        item->setToolTip(t.chemin);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        const auto it = states.find(t.numero);
        item->setCheckState(it != states.end() ? it->second : Qt::Checked);
    }
}

void frmFiabilite::showCoefficients()
{
    coefficients->setRowCount(0);
    if (!m_comparison)
        return;
    const bool two = m_comparison->sources.size() == 2;
    coefficients->setRowCount(kLists);
    for (int k = 1; k <= kLists; ++k) {
        const VariableResult &r = m_results[size_t(k - 1)];
        const int row = k - 1;
        coefficients->setItem(row, 0, cell(QString::number(k), true));
        coefficients->setItem(row, 1, cell(r.name));
        QTableWidgetItem *level = cell(
            r.order.isEmpty() ? levelName(r.level)
                              : QStringLiteral("%1 (%2)").arg(levelName(r.level), r.order));
        if (!r.levelError.isEmpty())
            level->setToolTip(r.levelError);
        coefficients->setItem(row, 2, level);
        coefficients->setItem(row, 3, cell(shownCoefficient(r.alpha), true));
        QString interval;
        if (r.interval && r.interval->low.defined())
            interval = QStringLiteral("[%1 ; %2] (%3 tirages utilisables sur %4)")
                           .arg(QLocale().toString(r.interval->low.value, 'f', 3),
                                QLocale().toString(r.interval->high.value, 'f', 3))
                           .arg(r.interval->samples)
                           .arg(r.resamples);
        else if (r.interval)
            interval = shownCoefficient(r.interval->low);
        QTableWidgetItem *intervalItem = cell(interval, true);
        if (r.interval)
            intervalItem->setToolTip(QStringLiteral("Bootstrap : %1 tirages avec remise des "
                                                    "segments appariés ; %2 ont donné un alpha "
                                                    "défini et forment l'intervalle.")
                                         .arg(r.resamples)
                                         .arg(r.interval->samples));
        coefficients->setItem(row, 4, intervalItem);
        QTableWidgetItem *kappa =
            cell(two ? shownCoefficient(r.kappa) : QStringLiteral("-"), true);
        if (!two)
            kappa->setToolTip(QStringLiteral("Le kappa de Cohen se calcule pour deux codeurs "
                                             "exactement."));
        coefficients->setItem(row, 5, kappa);
        coefficients->setItem(row, 6,
                              cell(r.agreement.defined()
                                       ? QLocale().toString(r.agreement.value * 100, 'f', 1)
                                             + QStringLiteral(" %")
                                       : shownCoefficient(r.agreement),
                                   true));
        coefficients->setItem(row, 7, cell(QString::number(r.units), true));
        coefficients->setItem(row, 8, cell(QString::number(r.multiples), true));
    }
    coefficients->resizeColumnToContents(0);
    for (int c = 2; c < coefficients->columnCount(); ++c)
        coefficients->resizeColumnToContents(c);
    showNotes();
}

void frmFiabilite::showNotes()
{
    if (!m_comparison) {
        notes->clear();
        return;
    }
    // The subjects as the table's columns name them (the report's are field
    // names).
    const QMap<QString, QString> shown{{QStringLiteral("accord"), QStringLiteral("Accord")},
                                       {QStringLiteral("multiples"),
                                        QStringLiteral("Valeurs multiples")},
                                       {QStringLiteral("non codé"), QStringLiteral("Non codé")},
                                       {QStringLiteral("unites"),
                                        QStringLiteral("Segments appariés")}};
    QStringList lines;
    for (const QStringList &note : reliabilityreport::notes(m_results)) {
        const QString subject = note.value(1);
        QString text = note.value(2);
        // "Segments appariés : segments appariés : ..." would say it twice.
        const QString twice = QStringLiteral("segments appariés : ");
        if (subject == QLatin1String("unites") && text.startsWith(twice))
            text = text.mid(twice.size());
        lines << QStringLiteral("%1 : %2").arg(shown.value(subject, subject), text);
    }
    notes->setText(lines.join(QLatin1Char('\n')));
}

void frmFiabilite::showOrder()
{
    ordre_valeurs->clear();
    ordre_origine->clear();
    const int list = ordre_liste->currentData().toInt();
    if (!m_comparison || list < 1) {
        updateButtons();
        return;
    }
    const auto &values = m_comparison->lists[size_t(list - 1)];
    const std::vector<qint64> &chosen = m_orders[size_t(list - 1)];
    const OrdinalOrder own = ordinalOrder(values);
    std::vector<qint64> shown;
    QString origin;
    if (!chosen.empty()) {
        for (qint64 v : chosen)
            if (values.count(v))
                shown.push_back(v);
        for (const auto &entry : values)
            if (std::find(shown.begin(), shown.end(), entry.first) == shown.end())
                shown.push_back(entry.first);
        origin = QStringLiteral("Ordre choisi ici. « Ordre de la liste » revient à celui des "
                                "valeurs.");
    } else {
        shown = own.values;
        origin = own.byLeadingNumber
                     ? QStringLiteral("Ordre des nombres qui commencent les valeurs.")
                     : QStringLiteral("Ordre de saisie des valeurs (elles ne commencent pas "
                                      "toutes par un nombre).");
        if (!own.refusal.isEmpty())
            origin += QStringLiteral(" Refusé au niveau ordinal : %1. Rangez les valeurs avec "
                                     "« Monter » et « Descendre ».")
                          .arg(own.refusal);
    }
    if (levelOf(list) != Level::Ordinal)
        origin += QStringLiteral(" (Cet ordre ne sert qu'au niveau ordinal.)");
    ordre_origine->setText(origin);
    for (qint64 v : shown) {
        auto *item = new QListWidgetItem(valueName(list, v), ordre_valeurs);
        item->setData(Qt::UserRole, v);
    }
    updateButtons();
}

void frmFiabilite::moveValue(int line, int step)
{
    const int list = ordre_liste->currentData().toInt();
    const int to = line + step;
    if (!m_comparison || list < 1 || line < 0 || to < 0 || to >= ordre_valeurs->count())
        return;
    std::vector<qint64> order;
    for (int i = 0; i < ordre_valeurs->count(); ++i)
        order.push_back(ordre_valeurs->item(i)->data(Qt::UserRole).toLongLong());
    std::swap(order[size_t(line)], order[size_t(to)]);
    m_orders[size_t(list - 1)] = order;
    reevaluate(list);
    ordre_valeurs->setCurrentRow(to);
}

void frmFiabilite::reevaluate(int list)
{
    if (!m_comparison)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_results[size_t(list - 1)] = evaluate(*m_comparison, list, levelOf(list),
                                           intervalle->isChecked(), kDefaultResamples,
                                           m_orders[size_t(list - 1)]);
    QApplication::restoreOverrideCursor();
    showOrder();
    showCoefficients();
    showValues();
    const VariableResult &r = m_results[size_t(list - 1)];
    status(r.levelError.isEmpty()
               ? QStringLiteral("%1 calculée à nouveau au niveau %2.")
                     .arg(lists::quoted(r.name), levelName(r.level))
               : QStringLiteral("%1 : %2 ; alpha nominal calculé.").arg(r.name, r.levelError));
}

QString frmFiabilite::valueName(int list, qint64 value) const
{
    const auto &values = m_comparison->lists[size_t(list - 1)];
    const auto it = values.find(value);
    return it != values.end() ? it->second : QStringLiteral("n° %1").arg(value);
}

void frmFiabilite::showValues()
{
    valeurs->setRowCount(0);
    if (!m_comparison)
        return;
    const int list = valeurs_liste->currentData().toInt();
    if (list < 1)
        return;
    const VariableResult &r = m_results[size_t(list - 1)];
    valeurs->setRowCount(int(r.values.size()));
    for (int i = 0; i < int(r.values.size()); ++i) {
        const ValueAlpha &a = r.values[size_t(i)];
        valeurs->setItem(i, 0, cell(QString::number(qint64(a.value)), true));
        valeurs->setItem(i, 1, cell(valueName(list, qint64(a.value))));
        valeurs->setItem(i, 2, cell(QLocale().toString(a.count, 'f', 0), true));
        valeurs->setItem(i, 3, cell(shownCoefficient(a.alpha), true));
    }
    valeurs->resizeColumnToContents(0);
    valeurs->resizeColumnToContents(2);
    valeurs->resizeColumnToContents(3);
}

void frmFiabilite::showDisagreements()
{
    // The segment shown stays shown when the list is built again.
    qint64 shownSegment = -1;
    if (m_comparison && desaccords->currentRow() >= 0 && desaccords->item(desaccords->currentRow(), 0))
        shownSegment = desaccords->item(desaccords->currentRow(), 0)->text().toLongLong();
    desaccords->clear();
    desaccords->setRowCount(0);
    segment_detail->clear();
    if (!m_comparison)
        return;
    const int list = desaccords_liste->currentData().toInt();
    if (list < 1)
        return;
    QStringList headers{QStringLiteral("Segment"), QStringLiteral("Texte"),
                        QStringLiteral("Début du segment")};
    for (const Source &s : m_comparison->sources)
        headers << s.coder;
    headers << QStringLiteral("Retenu");
    desaccords->setColumnCount(int(headers.size()));
    desaccords->setHorizontalHeaderLabels(headers);
    const VariableResult &r = m_results[size_t(list - 1)];
    const int coders = int(m_comparison->sources.size());
    {
        const QSignalBlocker block(desaccords);
        desaccords->setRowCount(int(r.disagreements.size()));
        for (int i = 0; i < int(r.disagreements.size()); ++i) {
            const qint64 unit = r.disagreements[size_t(i)];
            const qint64 segment = m_comparison->segments[size_t(unit)];
            QTableWidgetItem *number = cell(QString::number(segment), true);
            number->setData(Qt::UserRole, unit);
            desaccords->setItem(i, 0, number);
            desaccords->setItem(
                i, 1, cell(QString::number(m_comparison->segmentTexts[size_t(unit)]), true));
            const auto start = m_starts.find(segment);
            desaccords->setItem(i, 2, cell(start != m_starts.end() ? start->second : QString()));
            for (int c = 0; c < coders; ++c)
                desaccords->setItem(i, 3 + c,
                                    cell(reliabilityreport::shownValue(*m_comparison, list, unit, c)));
            const auto kept = m_retained.find(segment);
            desaccords->setItem(i, 3 + coders,
                                cell(kept != m_retained.end() ? kept->second : QString()));
        }
    }
    desaccords->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    for (int c = 0; c < desaccords->columnCount(); ++c)
        if (c != 2)
            desaccords->resizeColumnToContents(c);
    if (r.disagreements.empty())
        segment_detail->setPlainText(QStringLiteral("Aucun désaccord sur cette liste."));
    for (int i = 0; shownSegment >= 0 && i < desaccords->rowCount(); ++i)
        if (desaccords->item(i, 0)->text().toLongLong() == shownSegment) {
            desaccords->setCurrentCell(i, 0);
            break;
        }
    updateButtons();
}

void frmFiabilite::openDisagreement(int line)
{
    segment_detail->clear();
    updateButtons();
    if (!m_comparison || line < 0 || line >= desaccords->rowCount())
        return;
    if (desaccords->currentRow() != line)
        desaccords->setCurrentCell(line, 0);
    const qint64 unit = desaccords->item(line, 0)->data(Qt::UserRole).toLongLong();
    const qint64 segment = m_comparison->segments[size_t(unit)];
    QString text;
    QTextStream s(&text);
    try {
        const auto full = segmentTexts(m_comparison->sources.front().path, {segment});
        s << QStringLiteral("Segment n° %1 (texte n° %2)\n")
                 .arg(segment)
                 .arg(m_comparison->segmentTexts[size_t(unit)]);
        s << (full.count(segment) ? full.at(segment) : QString()) << "\n";
        for (const Source &source : m_comparison->sources) {
            s << "\n" << source.coder << " :\n";
            const auto rows = codingRows(source.path, segment);
            if (rows.empty())
                s << QStringLiteral("   (aucune ligne de codage)\n");
            for (size_t i = 0; i < rows.size(); ++i) {
                QStringList values;
                for (int k = 1; k <= kLists; ++k)
                    if (rows[i][size_t(k - 1)] != 1)
                        values << QStringLiteral("%1 = %2")
                                      .arg(m_comparison->listNames[size_t(k - 1)],
                                           valueName(k, rows[i][size_t(k - 1)]));
                s << QStringLiteral("   ligne %1 : ").arg(i + 1)
                  << (values.isEmpty() ? QStringLiteral("(valeurs vides)")
                                       : values.join(QStringLiteral(" ; ")))
                  << "\n";
            }
        }
    } catch (const StoreError &e) {
        s << "\n" << e.message();
    }
    s.flush();
    segment_detail->setPlainText(text);
}

bool frmFiabilite::retenir_Click()
{
    const int line = desaccords->currentRow();
    if (!m_comparison || line < 0)
        return false;
    if (consolidee->text().isEmpty()) {
        messages::error(this, QStringLiteral("Choisissez d'abord l'analyse consolidée, ou créez-la "
                                             "(« Créer une copie... »)."));
        return false;
    }
    const int coder = codeur_retenu->currentIndex();
    if (coder < 0 || coder >= int(m_comparison->sources.size()))
        return false;
    const qint64 unit = desaccords->item(line, 0)->data(Qt::UserRole).toLongLong();
    const qint64 segment = m_comparison->segments[size_t(unit)];
    try {
        retain(m_comparison->sources[size_t(coder)].path, consolidee->text(), segment);
    } catch (const StoreError &e) {
        messages::error(this, e.message());
        return false;
    }
    const QString name = m_comparison->sources[size_t(coder)].coder;
    m_retained[segment] = name;
    desaccords->item(line, desaccords->columnCount() - 1)->setText(name);
    status(QStringLiteral("Segment n° %1 : le codage de %2 est retenu dans « %3 ».")
               .arg(segment)
               .arg(name, QFileInfo(consolidee->text()).fileName()));
    if (line + 1 < desaccords->rowCount())
        desaccords->setCurrentCell(line + 1, 0);
    return true;
}

void frmFiabilite::choisirConsolidee_Click()
{
    const QString path = dialogs::openDatabase(this);
    if (path.isEmpty())
        return;
    const QString canonical = QFileInfo(path).canonicalFilePath();
    for (const QString &f : std::as_const(m_files))
        if (QFileInfo(f).canonicalFilePath() == canonical) {
            messages::error(this, QStringLiteral("« %1 » est la base d'un codeur : l'analyse "
                                                 "consolidée doit être une autre base.")
                                      .arg(path));
            return;
        }
    consolidee->setText(path);
    m_retained.clear();
    showDisagreements();
}

void frmFiabilite::creerConsolidee_Click()
{
    const int coder = std::max(0, codeur_retenu->currentIndex());
    if (!m_comparison || coder >= int(m_comparison->sources.size()))
        return;
    const QString source = m_comparison->sources[size_t(coder)].path;
    const QFileInfo from(source);
    const QString path = dialogs::saveDatabase(
        this, QStringLiteral("Créer l'analyse consolidée"),
        from.dir().filePath(QStringLiteral("consolidation.mdb")));
    if (path.isEmpty())
        return;
    const QString canonical = QFileInfo(path).canonicalFilePath();
    for (const QString &f : std::as_const(m_files))
        if (!canonical.isEmpty() && QFileInfo(f).canonicalFilePath() == canonical) {
            messages::error(this, QStringLiteral("« %1 » est la base d'un codeur : l'analyse "
                                                 "consolidée doit être une autre base.")
                                      .arg(path));
            return;
        }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        codercopy::copyAnalysis(source, path, QStringLiteral("consolidation"), true);
    } catch (const StoreError &e) {
        QApplication::restoreOverrideCursor();
        messages::error(this, e.message());
        return;
    }
    QApplication::restoreOverrideCursor();
    consolidee->setText(path);
    m_retained.clear();
    showDisagreements();
    status(QStringLiteral("Analyse consolidée créée : « %1 », copie de la base de %2 avec son "
                          "codage.")
               .arg(path, codeur_retenu->currentText()));
}

void frmFiabilite::exporter_Click()
{
    if (!m_comparison)
        return;
    const QFileInfo first(m_files.first());
    const QString path =
        dialogs::saveCsv(this, first.dir().filePath(QStringLiteral("fiabilite.csv")));
    if (path.isEmpty())
        return;
    QSaveFile file(path);
    bool ok = file.open(QIODevice::WriteOnly);
    if (ok) {
        csv::Writer writer(&file, QLatin1Char(';'));
        ok = writer.writeBom();
        for (const QStringList &record :
             reliabilityreport::fullReport(*m_comparison, m_results, m_starts)) {
            if (!ok)
                break;
            ok = writer.write(record);
        }
    }
    if (!ok || !file.commit()) {
        messages::error(this, QStringLiteral("Le rapport n'a pas pu être écrit dans « %1 » : %2.")
                                  .arg(path, filecause::fromFileError(file.error())));
        return;
    }
    status(QStringLiteral("Rapport exporté dans « %1 ».").arg(path));
}

void frmFiabilite::updateButtons()
{
    retirer->setEnabled(fichiers->currentItem() != nullptr);
    calculer->setEnabled(m_files.size() >= 2);
    exporter->setEnabled(m_comparison.has_value());
    const bool haveComparison = m_comparison.has_value();
    creer_consolidee->setEnabled(haveComparison);
    choisir_consolidee->setEnabled(haveComparison);
    retenir->setEnabled(haveComparison && desaccords->currentRow() >= 0);
    monter->setEnabled(haveComparison && ordre_valeurs->count() > 1);
    descendre->setEnabled(haveComparison && ordre_valeurs->count() > 1);
    ordre_defaut->setEnabled(haveComparison);
}

void frmFiabilite::status(const QString &text)
{
    statusBar()->showMessage(text, 10000);
}

} // namespace coding
