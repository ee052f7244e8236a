#include "coding/frmrecherche.h"

#include "coding/filedialogs.h"
#include "coding/concordancelines.h"
#include "coding/restrictionpanel.h"
#include "coding/session.h"
#include "common/frenchorder.h"
#include "common/look.h"
#include "common/messages.h"
#include "results/periods.h"
#include "store/bulkcoding.h"
#include "store/codebookstore.h"
#include "store/codingstore.h"
#include "store/connection.h"
#include "store/history.h"
#include "store/resultsstore.h"
#include "store/searchindex.h"
#include "store/storeerror.h"
#include "words/searchquery.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QProgressDialog>
#include <QPushButton>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>
#include <map>
#include <set>

namespace coding {

namespace {

// Beyond this many segments to index, or lines to read for a sort, the
// progress window shows at once; below, only when the work lasts.
constexpr qint64 kMany = 5000;

QString plural(qint64 n, const QString &one, const QString &many)
{
    return QStringLiteral("%L1 %2").arg(n).arg(n > 1 ? many : one);
}

QString countText(const search::HitCounts &counts)
{
    if (counts.occurrences == 0)
        return QStringLiteral("Aucune occurrence.");
    return QStringLiteral("%1 dans %2")
        .arg(plural(counts.occurrences, QStringLiteral("occurrence"), QStringLiteral("occurrences")),
             plural(counts.segments, QStringLiteral("segment"), QStringLiteral("segments")));
}

// The words of a context, as the concordance sorts them: runs of letters
// and digits.
QStringList wordsOf(const QString &text)
{
    QStringList found;
    QString word;
    for (const QChar c : text) {
        if (c.isLetterOrNumber() || c.isMark()) {
            word += c;
        } else if (!word.isEmpty()) {
            found << word;
            word.clear();
        }
    }
    if (!word.isEmpty())
        found << word;
    return found;
}


} // namespace

// The lines of the concordance: read a page of segments at a time from the
// store, as the view asks for more.
class ConcordanceModel : public ConcordanceLines
{
public:
    explicit ConcordanceModel(QObject *parent) : ConcordanceLines(parent) {}

    void clear()
    {
        beginResetModel();
        m_store = nullptr;
        restart();
        m_atEnd = true;
        endResetModel();
    }

    // A new search; reads its first page. Throws StoreError.
    void start(search::SearchStore *store, const QString &fts, const search::Restriction &r)
    {
        beginResetModel();
        m_store = store;
        m_fts = fts;
        m_restriction = r;
        restart();
        m_atEnd = false;
        m_afterText = 0;
        m_afterSegment = 0;
        endResetModel();
        readPage();
    }

    bool atEnd() const { return m_atEnd; }

    // Reads the next page of lines. Throws StoreError.
    void readPage() override
    {
        if (m_atEnd || !m_store)
            return;
        const std::vector<search::Hit> hits =
            m_store->hits(m_fts, m_restriction, m_afterText, m_afterSegment, kPageSegments);
        int segments = 0;
        for (size_t i = 0; i < hits.size(); ++i)
            if (i == 0 || hits[i].segment != hits[i - 1].segment)
                ++segments;
        if (segments < kPageSegments)
            m_atEnd = true;
        if (hits.empty())
            return;
        m_afterText = hits.back().text;
        m_afterSegment = hits.back().segment;
        append(m_store->concordance(hits, kContextChars));
    }

    // Puts the lines read in that order (all of them must be read for the
    // words' orders).
    void sort(ConcordanceOrder order)
    {
        beginResetModel();
        sortLines(order);
        endResetModel();
    }

protected:
    bool morePages() const override { return m_store && !m_atEnd; }

private:
    void sortLines(ConcordanceOrder order)
    {
        // Text order first, so that lines of equal words keep it.
        std::stable_sort(m_lines.begin(), m_lines.end(),
                         [](const search::ConcordanceLine &a, const search::ConcordanceLine &b) {
                             const search::Hit &x = a.hit;
                             const search::Hit &y = b.hit;
                             if (x.text != y.text)
                                 return x.text < y.text;
                             if (x.segment != y.segment)
                                 return x.segment < y.segment;
                             return x.start < y.start;
                         });
        if (order == ConcordanceOrder::Texts)
            return;
        std::vector<french::OrderedValue> keys;
        keys.reserve(m_lines.size());
        for (size_t i = 0; i < m_lines.size(); ++i) {
            QStringList words;
            if (order == ConcordanceOrder::WordAfter) {
                words = wordsOf(m_lines[i].after);
            } else {
                // The word just before first, then the one before it...
                words = wordsOf(m_lines[i].before);
                std::reverse(words.begin(), words.end());
            }
            keys.push_back({qint64(i), words.join(QLatin1Char(' '))});
        }
        french::sortFrench(keys);
        std::vector<search::ConcordanceLine> sorted;
        sorted.reserve(m_lines.size());
        for (const french::OrderedValue &k : keys)
            sorted.push_back(std::move(m_lines[size_t(k.numero)]));
        m_lines = std::move(sorted);
    }

    search::SearchStore *m_store = nullptr;
    QString m_fts;
    search::Restriction m_restriction;
    bool m_atEnd = true;
    qint64 m_afterText = 0;
    qint64 m_afterSegment = 0;
};

frmRecherche::frmRecherche(Session &session, QWidget *parent)
    : QMainWindow(parent), m_session(session)
{
    setObjectName(QStringLiteral("Recherche"));
    setWindowTitle(QStringLiteral("Rechercher - Analyse de contenu"));
    build();
    resize(1150, 720);
}

frmRecherche::~frmRecherche() = default;

QString frmRecherche::listName(int list) const
{
    return choix->listNames().at(size_t(list - 1));
}

void frmRecherche::build()
{
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("cadre"));
    look::setBackground(central, look::kLightYellow);
    setCentralWidget(central);
    auto *outer = new QHBoxLayout(central);

    // Where to search, on the left.
    choix = new RestrictionPanel(QStringLiteral("&Textes :"),
                                 RestrictionPanel::Coding::CodedOrNot, central);
    choix->setMaximumWidth(300);
    outer->addWidget(choix);

    // The query, the count, the concordance and what to do with it.
    auto *right = new QVBoxLayout;
    outer->addLayout(right, 1);
    auto *queryLine = new QHBoxLayout;
    auto *requeteLabel = new QLabel(QStringLiteral("&Rechercher :"), central);
    requete = new QLineEdit(central);
    requete->setObjectName(QStringLiteral("requete"));
    requete->setPlaceholderText(QStringLiteral("mots, \"une expression\", début*, mot OU autre, "
                                               "-mot"));
    requete->setToolTip(QStringLiteral(
        "chômage emploi : les deux mots dans le segment\n"
        "\"une phrase exacte\" : ces mots dans cet ordre\n"
        "écolog* : un mot qui commence ainsi\n"
        "crise OU récession : l'un ou l'autre (OU en majuscules)\n"
        "-mot : les segments qui le contiennent sont écartés\n"
        "( … ) : regroupe\n"
        "Majuscules et accents ne comptent pas : etat trouve « État »."));
    requeteLabel->setBuddy(requete);
    chercher = new QPushButton(QStringLiteral("&Chercher"), central);
    chercher->setObjectName(QStringLiteral("chercher"));
    chercher->setDefault(true);
    queryLine->addWidget(requeteLabel);
    queryLine->addWidget(requete, 1);
    queryLine->addWidget(chercher);
    right->addLayout(queryLine);
    erreur = new QLabel(central);
    erreur->setObjectName(QStringLiteral("erreur"));
    erreur->setWordWrap(true);
    erreur->setTextFormat(Qt::PlainText);
    look::setTextColour(erreur, QColor(160, 0, 0));
    erreur->hide();
    right->addWidget(erreur);

    auto *countLine = new QHBoxLayout;
    compte = new QLabel(central);
    compte->setObjectName(QStringLiteral("compte"));
    compte->setFont(look::font(look::kTimes, 12, true));
    look::setTextColour(compte, look::kDarkBlue);
    compte->setTextInteractionFlags(Qt::TextSelectableByMouse);
    tri = new QComboBox(central);
    tri->setObjectName(QStringLiteral("tri"));
    tri->addItems({QStringLiteral("dans l'ordre des textes"), QStringLiteral("par le mot avant"),
                   QStringLiteral("par le mot après")});
    auto *triLabel = new QLabel(QStringLiteral("Tr&ier :"), central);
    triLabel->setBuddy(tri);
    countLine->addWidget(compte, 1);
    countLine->addWidget(triLabel);
    countLine->addWidget(tri);
    right->addLayout(countLine);

    concordance = new QTableView(central);
    concordance->setObjectName(QStringLiteral("concordance"));
    m_model = new ConcordanceModel(concordance);
    m_model->onFailure = [this](const QString &message) {
        messages::error(this, QStringLiteral("La suite de la concordance n'a pas pu être lue.\n\n%1")
                                  .arg(message));
    };
    concordance->setModel(m_model);
    concordance->setItemDelegateForColumn(ConcordanceModel::BeforeColumn,
                                          new ElideLeftDelegate(concordance));
    concordance->setSelectionBehavior(QAbstractItemView::SelectRows);
    concordance->setSelectionMode(QAbstractItemView::ExtendedSelection);
    concordance->setEditTriggers(QAbstractItemView::NoEditTriggers);
    concordance->setWordWrap(false);
    concordance->verticalHeader()->hide();
    concordance->verticalHeader()->setDefaultSectionSize(concordance->fontMetrics().height() + 6);
    concordance->horizontalHeader()->setStretchLastSection(true);
    concordance->horizontalHeader()->setSectionsClickable(true);
    concordance->setColumnWidth(ConcordanceModel::TextColumn, 60);
    concordance->setColumnWidth(ConcordanceModel::SegmentColumn, 80);
    concordance->setColumnWidth(ConcordanceModel::BeforeColumn, 340);
    concordance->setColumnWidth(ConcordanceModel::FoundColumn, 140);
    concordance->setToolTip(QStringLiteral("Double-clic ou Entrée : ouvre le segment dans la "
                                           "fenêtre de codage"));
    right->addWidget(concordance, 1);

    auto *buttons = new QHBoxLayout;
    coder = new QPushButton(QStringLiteral("Co&der les segments trouvés..."), central);
    coder->setObjectName(QStringLiteral("coder"));
    coder->setToolTip(QStringLiteral("Donne une valeur d'une liste aux segments trouvés (ou à "
                                     "ceux des lignes choisies), en une étape que « Édition > "
                                     "Annuler » reprend"));
    par = new QComboBox(central);
    par->setObjectName(QStringLiteral("par"));
    graphique = new QPushButton(QStringLiteral("&Graphique..."), central);
    graphique->setObjectName(QStringLiteral("graphique"));
    graphique->setToolTip(QStringLiteral("Le nombre d'occurrences par texte ou par valeur d'un "
                                         "attribut"));
    buttons->addWidget(coder);
    buttons->addStretch(1);
    buttons->addWidget(new QLabel(QStringLiteral("Occurrences"), central));
    buttons->addWidget(par);
    buttons->addWidget(graphique);
    right->addLayout(buttons);

    QMenu *fichier = menuBar()->addMenu(QStringLiteral("&Fichier"));
    fichier->setObjectName(QStringLiteral("fichier"));
    auto *close = fichier->addAction(QStringLiteral("&Fermer"), this, &QWidget::close);
    close->setObjectName(QStringLiteral("fermer"));
    close->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    menuBar()->addMenu(m_session.makeEditMenu(this));

    statusBar()->setObjectName(QStringLiteral("StatusBar1"));

    connect(chercher, &QPushButton::clicked, this, &frmRecherche::chercher_Click);
    connect(requete, &QLineEdit::returnPressed, this, &frmRecherche::chercher_Click);
    connect(coder, &QPushButton::clicked, this, &frmRecherche::coder_Click);
    connect(graphique, &QPushButton::clicked, this, &frmRecherche::graphique_Click);
    connect(choix, &RestrictionPanel::problem, this, &frmRecherche::status);
    // The order asked for; back to what it was when the reading is stopped.
    connect(tri, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_loading || index == m_order)
            return;
        if (!m_searched || sortLines(ConcordanceOrder(index))) {
            m_order = index;
            return;
        }
        m_loading = true;
        tri->setCurrentIndex(m_order);
        m_loading = false;
    });
    connect(concordance->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int section) {
        if (section == ConcordanceModel::BeforeColumn)
            tri->setCurrentIndex(int(ConcordanceOrder::WordBefore));
        else if (section == ConcordanceModel::AfterColumn)
            tri->setCurrentIndex(int(ConcordanceOrder::WordAfter));
        else if (section == ConcordanceModel::TextColumn || section == ConcordanceModel::SegmentColumn)
            tri->setCurrentIndex(int(ConcordanceOrder::Texts));
    });
    connect(concordance, &QTableView::activated, this,
            [this](const QModelIndex &index) { openLine(index.row()); });

    followReadOnly(m_session.history().readOnly());
    connect(&m_session.history(), &History::readOnlyChanged, this, &frmRecherche::followReadOnly);
    auto stale = [this] {
        if (isActiveWindow())
            loadChoices();
        else
            m_stale = true;
    };
    connect(&m_session, &Session::listsChanged, this, stale);
    connect(&m_session, &Session::restored, this, stale);
    connect(&m_session, &Session::codingChanged, this, &frmRecherche::followCoding);
    connect(&m_session.history(), &History::replayed, this, &frmRecherche::followCoding);
}

void frmRecherche::followReadOnly(bool readOnly)
{
    coder->setEnabled(!readOnly && m_searched && m_counts.segments > 0);
    coder->setToolTip(readOnly ? QStringLiteral("L'analyse est en lecture seule : rien ne peut "
                                                "y être codé.")
                               : QStringLiteral("Donne une valeur d'une liste aux segments "
                                                "trouvés (ou à ceux des lignes choisies), en une "
                                                "étape que « Édition > Annuler » reprend"));
}

bool frmRecherche::Form_Load()
{
    try {
        const QString path = m_session.databasePath();
        m_db = Connection::open(path, m_session.readOnly() ? Connection::Access::ReadOnly
                                                           : Connection::accessFor(path));
        m_store = std::make_unique<search::SearchStore>(*m_db);
        m_results = std::make_unique<results::ResultsStore>(*m_db);
    } catch (const StoreError &e) {
        messages::error(this, QStringLiteral("La recherche ne peut pas lire l'analyse.\n\n%1")
                                  .arg(e.message()));
        return false;
    }
    loadChoices();
    compte->setText(QStringLiteral("Tapez des mots, puis « Chercher »."));
    graphique->setEnabled(false);
    requete->setFocus();
    return true;
}

void frmRecherche::loadChoices()
{
    m_stale = false;
    m_loading = true;
    choix->load(*m_db);
    const qint64 chartBy = par->currentData().toLongLong();
    par->clear();
    par->addItem(QStringLiteral("par texte"), 0);
    for (const attributes::Attribute &a : choix->attributeList())
        par->addItem(QStringLiteral("par %1").arg(a.name), a.number);
    par->setCurrentIndex(std::max(0, par->findData(chartBy)));
    m_loading = false;
}

void frmRecherche::showError(const QString &text)
{
    erreur->setText(text);
    erreur->setVisible(!text.isEmpty());
}

bool frmRecherche::indexReady()
{
    try {
        search::SearchIndex index(*m_db);
        if (index.current())
            return true;
        const qint64 pending = index.pending();
        QProgressDialog progress(QStringLiteral("Mise à jour de l'index de recherche…"),
                                 QStringLiteral("Arrêter"), 0, 1000, this);
        progress.setObjectName(QStringLiteral("progression_index"));
        progress.setWindowTitle(QStringLiteral("Rechercher"));
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(pending > kMany ? 0 : 800);
        progress.setAutoClose(false);
        progress.setAutoReset(false);
        progress.setMinimumWidth(460);
        progress.setValue(0);
        QApplication::setOverrideCursor(Qt::BusyCursor);
        bool done = false;
        try {
            done = index.update([&progress](qint64 read, qint64 total) {
                progress.setLabelText(QStringLiteral("Mise à jour de l'index de recherche… "
                                                     "%L1 segments sur %L2")
                                          .arg(read)
                                          .arg(total));
                progress.setValue(total > 0 ? int(std::min<qint64>(read, total) * 1000 / total)
                                            : 0);
                QCoreApplication::processEvents();
                return !progress.wasCanceled();
            });
        } catch (...) {
            QApplication::restoreOverrideCursor();
            throw;
        }
        QApplication::restoreOverrideCursor();
        progress.close();
        if (!done) {
            showError(QStringLiteral("Mise à jour de l'index de recherche arrêtée : rien n'a été "
                                     "cherché. « Chercher » la reprend où elle s'est arrêtée."));
            return false;
        }
        return true;
    } catch (const StoreError &e) {
        messages::error(this, QStringLiteral("L'index de recherche n'a pas pu être mis à jour : "
                                             "rien n'a été cherché.\n\n%1")
                                  .arg(e.message()));
        return false;
    }
}

void frmRecherche::chercher_Click()
{
    if (!m_store)
        return;
    if (m_stale)
        loadChoices();
    const words::SearchQuery query = words::parseQuery(requete->text());
    if (!query.ok) {
        showError(query.error);
        return;
    }
    showError(QString());
    if (!indexReady())
        return;
    showSearch(query.fts, choix->restriction());
}

void frmRecherche::showSearch(const QString &fts, const search::Restriction &r)
{
    m_recount = false;
    status(QStringLiteral("Recherche..."));
    statusBar()->repaint();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        const search::HitCounts counts = m_store->count(fts, r);
        m_fts = fts;
        m_restriction = r;
        m_counts = counts;
        m_searched = true;
        m_model->start(m_store.get(), m_fts, m_restriction);
        QApplication::restoreOverrideCursor();
    } catch (const StoreError &e) {
        QApplication::restoreOverrideCursor();
        m_searched = false;
        m_counts = {};
        m_model->clear();
        compte->clear();
        status(QString());
        followReadOnly(m_session.history().readOnly());
        graphique->setEnabled(false);
        messages::error(this, QStringLiteral("La recherche n'a pas pu être faite.\n\n%1")
                                  .arg(e.message()));
        return;
    }
    compte->setText(countText(m_counts));
    status(QString());
    followReadOnly(m_session.history().readOnly());
    graphique->setEnabled(m_counts.occurrences > 0);
    if (m_order != int(ConcordanceOrder::Texts) && !sortLines(ConcordanceOrder(m_order))) {
        // Stopped: the lines stay in text order, and the chooser says so.
        m_order = int(ConcordanceOrder::Texts);
        m_loading = true;
        tri->setCurrentIndex(m_order);
        m_loading = false;
    }
}

void frmRecherche::followCoding()
{
    if (!m_searched || m_restriction.list == 0)
        return;
    m_recount = true;
    if (isActiveWindow())
        searchAgain();
}

void frmRecherche::searchAgain()
{
    m_recount = false;
    if (!m_store || !m_searched || !indexReady())
        return;
    showSearch(m_fts, m_restriction);
}

bool frmRecherche::sortLines(ConcordanceOrder order)
{
    if (!m_model->atEnd()) {
        QProgressDialog progress(QStringLiteral("Lecture de toutes les lignes pour les trier…"),
                                 QStringLiteral("Arrêter"), 0, 1000, this);
        progress.setObjectName(QStringLiteral("progression_tri"));
        progress.setWindowTitle(QStringLiteral("Rechercher"));
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(m_counts.occurrences > kMany ? 0 : 800);
        progress.setAutoClose(false);
        progress.setAutoReset(false);
        progress.setMinimumWidth(460);
        progress.setValue(0);
        QApplication::setOverrideCursor(Qt::BusyCursor);
        bool stopped = false;
        try {
            while (!m_model->atEnd()) {
                m_model->readPage();
                const qint64 read = m_model->rowCount();
                const qint64 total = std::max<qint64>(m_counts.occurrences, read);
                progress.setLabelText(QStringLiteral("Lecture de toutes les lignes pour les "
                                                     "trier… %L1 sur %L2")
                                          .arg(read)
                                          .arg(total));
                progress.setValue(int(read * 1000 / std::max<qint64>(total, 1)));
                QCoreApplication::processEvents();
                if (progress.wasCanceled()) {
                    stopped = true;
                    break;
                }
            }
        } catch (const StoreError &e) {
            QApplication::restoreOverrideCursor();
            progress.close();
            messages::error(this, QStringLiteral("Les lignes de la concordance n'ont pas pu être "
                                                 "lues : elles restent dans leur ordre.\n\n%1")
                                      .arg(e.message()));
            return false;
        }
        QApplication::restoreOverrideCursor();
        progress.close();
        if (stopped) {
            status(QStringLiteral("Tri arrêté : les lignes restent dans leur ordre."));
            return false;
        }
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_model->sort(order);
    QApplication::restoreOverrideCursor();
    concordance->scrollToTop();
    return true;
}

void frmRecherche::openLine(int row)
{
    if (row < 0 || row >= m_model->rowCount())
        return;
    const search::ConcordanceLine &l = m_model->line(row);
    emit m_session.segmentWanted(l.hit.text, l.hit.segment);
}

void frmRecherche::coder_Click()
{
    if (!m_searched || m_counts.segments == 0 || m_session.history().readOnly())
        return;
    std::set<qint64> selected;
    for (const QModelIndex &index : concordance->selectionModel()->selectedRows())
        selected.insert(m_model->line(index.row()).hit.segment);
    frmCoderTrouves dialog(choix->listNames(), *m_results, m_counts.segments,
                           qint64(selected.size()), this);
    if (dialog.exec() != QDialog::Accepted || dialog.value() == 0)
        return;
    const int list = dialog.list();
    const qint64 value = dialog.value();
    std::vector<SegmentValue> assignments;
    BulkOutcome outcome;
    try {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        try {
            if (dialog.onlySelection()) {
                for (qint64 segment : selected)
                    assignments.push_back({segment, value});
            } else {
                for (qint64 segment : m_store->segments(m_fts, m_restriction))
                    assignments.push_back({segment, value});
            }
            outcome = m_session.history().codeSegments(
                list, assignments, QStringLiteral("le codage des segments trouvés"));
        } catch (...) {
            QApplication::restoreOverrideCursor();
            throw;
        }
        QApplication::restoreOverrideCursor();
    } catch (const StoreError &e) {
        messages::error(this, QStringLiteral("Les segments trouvés n'ont pas été codés, "
                                             "l'analyse n'a pas été changée.\n\n%1")
                                  .arg(e.message()));
        return;
    }
    const qint64 already = std::max<qint64>(0, outcome.unchanged - outcome.missing);
    QString text = outcome.segments == 0
                       ? QStringLiteral("Aucun segment codé « %1 »").arg(dialog.valueText())
                       : QStringLiteral("%1 « %2 »")
                             .arg(plural(outcome.segments, QStringLiteral("segment codé"),
                                         QStringLiteral("segments codés")),
                                  dialog.valueText());
    if (already > 0)
        text += already == 1 ? QStringLiteral(", 1 l'avait déjà")
                             : QStringLiteral(", %L1 l'avaient déjà").arg(already);
    if (outcome.missing > 0)
        text += outcome.missing == 1
                    ? QStringLiteral(", 1 n'est plus dans l'analyse")
                    : QStringLiteral(", %L1 ne sont plus dans l'analyse").arg(outcome.missing);
    text += QLatin1Char('.');
    if (outcome.segments > 0) {
        emit m_session.codingChanged();
        emit m_session.listsChanged(); // the texts' windows read their coding again
        if (m_recount) // the lines shown no longer meet the restriction
            searchAgain();
    }
    status(text);
}

void frmRecherche::graphique_Click()
{
    if (!m_searched || m_counts.occurrences == 0)
        return;
    const qint64 attribute = par->currentData().toLongLong();
    ChartData chart;
    const QString query = requete->text().trimmed();
    try {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        std::vector<std::pair<qint64, qint64>> perText;
        try {
            perText = m_store->occurrencesPerText(m_fts, m_restriction);
        } catch (...) {
            QApplication::restoreOverrideCursor();
            throw;
        }
        chart.series << QStringLiteral("Occurrences");
        if (attribute == 0) {
            std::map<qint64, QString> names;
            for (const attributes::Text &t : attributes::texts(*m_db))
                names[t.number] = attributes::fileName(t.path);
            chart.title = QStringLiteral("« %1 » : occurrences par texte").arg(query);
            for (const auto &[text, count] : perText) {
                chart.categories << QStringLiteral("%1 - %2").arg(text).arg(names[text]);
                chart.values.push_back({double(count)});
            }
            chart.subtitle = countText(m_counts);
        } else {
            QString name;
            for (const attributes::Attribute &a : choix->attributeList())
                if (a.number == attribute)
                    name = a.name;
            const std::map<qint64, QString> values = attributes::values(*m_db, attribute);
            std::map<QString, qint64> byValue;
            qint64 without = 0;
            for (const auto &[text, count] : perText) {
                const auto found = values.find(text);
                if (found == values.end() || found->second.isEmpty())
                    without += count;
                else
                    byValue[found->second] += count;
            }
            const bool dates = attributes::kindOf(*m_db, attribute) == attributes::Kind::Date;
            if (dates) {
                std::vector<QString> labels;
                std::vector<std::vector<qint64>> counts;
                for (const auto &[value, count] : byValue) {
                    labels.push_back(value);
                    counts.push_back({count});
                }
                const results::PeriodCounts periods =
                    results::byPeriod(labels, counts, results::Period::Month);
                chart.title = QStringLiteral("« %1 » : occurrences par mois (%2)").arg(query, name);
                for (size_t i = 0; i < periods.periods.size(); ++i) {
                    chart.categories << periods.periods[i];
                    chart.values.push_back({double(periods.counts[i].at(0))});
                }
                without += periods.undated;
            } else {
                std::vector<french::OrderedValue> ordered;
                qint64 n = 0;
                for (const auto &entry : byValue)
                    ordered.push_back({n++, entry.first});
                french::sortFrench(ordered);
                chart.title = QStringLiteral("« %1 » : occurrences par %2").arg(query, name);
                for (const french::OrderedValue &v : ordered) {
                    chart.categories << v.text;
                    chart.values.push_back({double(byValue[v.text])});
                }
                if (without > 0) {
                    chart.categories << results::withoutValueLabel();
                    chart.values.push_back({double(without)});
                    without = 0;
                }
            }
            chart.subtitle = countText(m_counts);
            if (without > 0)
                chart.subtitle += QStringLiteral(" ; %1 sans date, hors du graphique")
                                      .arg(plural(without, QStringLiteral("occurrence"),
                                                  QStringLiteral("occurrences")));
        }
        QApplication::restoreOverrideCursor();
    } catch (const StoreError &e) {
        messages::error(this, QStringLiteral("Le graphique n'a pas pu être fait.\n\n%1")
                                  .arg(e.message()));
        return;
    }
    m_chart = chart;

    if (!m_chartWindow) {
        auto *dialog = new QDialog(this);
        dialog->setObjectName(QStringLiteral("graphique_recherche"));
        dialog->setWindowTitle(QStringLiteral("Graphique de la recherche"));
        auto *layout = new QVBoxLayout(dialog);
        auto *view = new ChartView(dialog);
        view->setObjectName(QStringLiteral("vue_graphique"));
        view->setMinimumSize(720, 460);
        layout->addWidget(view, 1);
        auto *box = new QDialogButtonBox(dialog);
        QPushButton *copy = box->addButton(QStringLiteral("Co&pier"), QDialogButtonBox::ActionRole);
        copy->setObjectName(QStringLiteral("copier_graphique"));
        copy->setToolTip(QStringLiteral("Copie le graphique (image) dans le presse-papiers"));
        QPushButton *save = box->addButton(QStringLiteral("&Enregistrer le graphique..."),
                                           QDialogButtonBox::ActionRole);
        save->setObjectName(QStringLiteral("enregistrer_graphique"));
        save->setToolTip(QStringLiteral("Enregistre le graphique en image PNG ou SVG"));
        QPushButton *closeButton = box->addButton(QStringLiteral("Fermer"),
                                                  QDialogButtonBox::RejectRole);
        closeButton->setObjectName(QStringLiteral("fermer_graphique"));
        layout->addWidget(box);
        connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::close);
        connect(copy, &QPushButton::clicked, dialog, [this, view] {
            QImage image(1200, 800, QImage::Format_ARGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            paintChart(painter, QRectF(0, 0, 1200, 800), view->chart());
            painter.end();
            QApplication::clipboard()->setImage(image);
            status(QStringLiteral("Graphique copié : collez-le dans un document."));
        });
        connect(save, &QPushButton::clicked, dialog, [this, dialog, view] {
            const QFileInfo db(m_session.databasePath());
            const QString file = dialogs::saveChart(
                dialog, db.dir().filePath(db.completeBaseName()
                                          + QStringLiteral("_recherche.png")));
            if (file.isEmpty())
                return;
            QString message;
            if (!saveChart(view->chart(), file, &message)) {
                messages::error(dialog, message);
                return;
            }
            status(QStringLiteral("Graphique enregistré dans « %1 ».").arg(file));
        });
        m_chartWindow = dialog;
    }
    m_chartWindow->findChild<ChartView *>(QStringLiteral("vue_graphique"))->setChart(m_chart);
    m_chartWindow->show();
    m_chartWindow->raise();
    m_chartWindow->activateWindow();
}

void frmRecherche::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        if (m_stale)
            loadChoices();
        if (m_recount)
            searchAgain();
    }
}

void frmRecherche::status(const QString &text)
{
    if (text.isEmpty())
        statusBar()->clearMessage();
    else
        statusBar()->showMessage(text, 10000);
}

// ----- Coder les segments trouvés -----

frmCoderTrouves::frmCoderTrouves(const std::array<QString, 5> &names,
                                 results::ResultsStore &store, qint64 found, qint64 selected,
                                 QWidget *parent)
    : QDialog(parent), m_store(store)
{
    setObjectName(QStringLiteral("frmCoderTrouves"));
    setWindowTitle(QStringLiteral("Coder les segments trouvés"));
    auto *layout = new QVBoxLayout(this);
    auto *what = new QLabel(QStringLiteral("Donner aux %1 trouvés la valeur :")
                                .arg(plural(found, QStringLiteral("segment"),
                                            QStringLiteral("segments"))),
                            this);
    what->setWordWrap(true);
    layout->addWidget(what);
    auto *form = new QFormLayout;
    liste = new QComboBox(this);
    liste->setObjectName(QStringLiteral("liste"));
    for (int k = 1; k <= kLists; ++k)
        liste->addItem(QStringLiteral("%1 - %2").arg(k).arg(names[size_t(k - 1)]), k);
    valeur = new QComboBox(this);
    valeur->setObjectName(QStringLiteral("valeur"));
    form->addRow(QStringLiteral("&Liste :"), liste);
    form->addRow(QStringLiteral("&Valeur :"), valeur);
    layout->addLayout(form);
    seulement_selection = new QCheckBox(
        QStringLiteral("&Seulement les %1 des lignes choisies")
            .arg(plural(selected, QStringLiteral("segment"), QStringLiteral("segments"))),
        this);
    seulement_selection->setObjectName(QStringLiteral("seulement_selection"));
    seulement_selection->setVisible(selected > 0);
    seulement_selection->setChecked(false);
    layout->addWidget(seulement_selection);
    auto *note = new QLabel(QStringLiteral("Un segment qui a déjà cette valeur reste tel quel. "
                                           "« Édition > Annuler » reprend tout le codage d'un "
                                           "coup."),
                            this);
    note->setWordWrap(true);
    layout->addWidget(note);
    auto *buttons = new QDialogButtonBox(this);
    ok = buttons->addButton(QStringLiteral("&Coder"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("coder_ok"));
    buttons->addButton(QStringLiteral("Annuler"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("annuler"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(liste, &QComboBox::currentIndexChanged, this, &frmCoderTrouves::loadValues);
    connect(valeur, &QComboBox::currentIndexChanged, this,
            [this](int index) { ok->setEnabled(index >= 0); });
    loadValues();
}

void frmCoderTrouves::loadValues()
{
    valeur->clear();
    try {
        for (const results::Value &v : m_store.values(list()))
            valeur->addItem(v.text, v.numero);
    } catch (const StoreError &e) {
        messages::error(this, e.message());
    }
    ok->setEnabled(valeur->count() > 0);
    valeur->setToolTip(valeur->count() > 0 ? QString()
                                           : QStringLiteral("Cette liste n'a pas encore de "
                                                            "valeur."));
}

int frmCoderTrouves::list() const
{
    return liste->currentData().toInt();
}

qint64 frmCoderTrouves::value() const
{
    return valeur->currentIndex() < 0 ? 0 : valeur->currentData().toLongLong();
}

QString frmCoderTrouves::valueText() const
{
    return valeur->currentText();
}

bool frmCoderTrouves::onlySelection() const
{
    return !seulement_selection->isHidden() && seulement_selection->isChecked();
}

} // namespace coding
