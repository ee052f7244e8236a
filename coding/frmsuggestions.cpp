#include "coding/frmsuggestions.h"

#include "coding/frmnotes.h"
#include "coding/session.h"
#include "coding/suggester.h"
#include "common/messages.h"
#include "common/twips.h"
#include "store/codingstore.h"
#include "store/connection.h"
#include "store/history.h"
#include "store/storeerror.h"
#include "store/suggestionstore.h"
#include "store/suggestionunits.h"
#include "suggestions/chain.h"
#include "suggestions/evaluation.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QThread>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <sqlite3.h>

#include <atomic>
#include <map>
#include <set>
#include <mutex>

namespace coding {
namespace {

enum Column { TextColumn, SegmentColumn, ValueColumn, ConfidenceColumn, ReasonsColumn,
              StartColumn, kColumns };

// Rows sent to the window at a time.
constexpr size_t kBatch = 500;

QString percent(double share)
{
    return QLocale().toString(share * 100, 'f', 1) + QStringLiteral("\u00a0%");
}

QString decimal(double x, int decimals)
{
    return QLocale().toString(x, 'f', decimals);
}

QString coefficientText(const reliability::Coefficient &c)
{
    return c.defined() ? decimal(c.value, 4) : QStringLiteral("indéfini");
}

// An item sorted by the number it holds (UserRole) when it has one.
class SortedItem : public QTreeWidgetItem
{
public:
    bool operator<(const QTreeWidgetItem &other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        const QVariant a = data(column, Qt::UserRole);
        const QVariant b = other.data(column, Qt::UserRole);
        if (a.isValid() && b.isValid())
            return a.toDouble() < b.toDouble();
        return QTreeWidgetItem::operator<(other);
    }
};

} // namespace

// The computation of a list's suggestions or of their reliability, on a
// connection of its own.
class frmSuggestions::Job : public QThread
{
public:
    Job(frmSuggestions &owner, quint64 generation, QString path, int list, bool evaluate,
        int folds, std::shared_ptr<const suggestions::Model> model,
        std::map<qint64, QString> names)
        : m_owner(&owner), m_generation(generation), m_path(std::move(path)), m_list(list),
          m_evaluate(evaluate),
          m_folds(folds), m_model(std::move(model)), m_names(std::move(names))
    {
    }
    ~Job() override
    {
        stop();
        wait();
    }
    void stop()
    {
        m_stop = true;
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_db)
            sqlite3_interrupt(m_db->handle());
    }

protected:
    void run() override
    {
        QString failure;
        try {
            std::shared_ptr<Connection> db = Connection::open(m_path, Connection::Access::ReadOnly);
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_db = db;
            }
            work(*db);
        } catch (const StoreError &e) {
            failure = e.message();
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_db.reset();
        }
        // Stopped: what failed after the stop (a read interrupted halfway
        // through, a wait for the file given up) is the stop itself.
        const bool stopped = m_stop.load();
        if (stopped)
            failure.clear();
        post([failure, stopped](frmSuggestions &w) { w.ended(failure, stopped); });
    }

private:
    template <class F>
    void post(F f)
    {
        // Told only while the window waits for this computation (not one
        // stopped and replaced meanwhile).
        QPointer<frmSuggestions> owner = m_owner;
        const quint64 generation = m_generation;
        QMetaObject::invokeMethod(
            m_owner,
            [owner, generation, f] {
                if (owner && owner->m_generation == generation)
                    f(*owner);
            },
            Qt::QueuedConnection);
    }

    void work(Connection &db)
    {
        const suggestions::Options options;
        suggestions::UnitReader reader(db, m_list, options.contextSegments, options.widerSegments);
        auto stop = [this] { return m_stop.load(); };
        post([](frmSuggestions &w) { w.status(QStringLiteral("Lecture des segments codés...")); });
        // The coded units are read anew at each pass: memory holds the model
        // (and, for a measure, what is compared), never the units.
        const auto source = reader.codedSource();
        const QString little = suggestions::Model::tooLittle(source);
        if (m_stop)
            return;
        if (!little.isEmpty())
            throw StoreError(QStringLiteral("Cette liste ne permet pas encore de suggérer : %1")
                                 .arg(little));
        if (m_evaluate) {
            QString error;
            post([](frmSuggestions &w) { w.progressed(0, 1); });
            const auto e = suggestions::crossValidate(
                source, m_folds, options, stop, &error, [this](int done, int folds) {
                    post([done, folds](frmSuggestions &w) { w.progressed(done, folds); });
                });
            if (m_stop)
                return;
            if (!e)
                throw StoreError(error);
            const suggestions::Evaluation evaluation = *e;
            post([evaluation](frmSuggestions &w) { w.evaluated(evaluation); });
            return;
        }
        std::shared_ptr<const suggestions::Model> model = m_model;
        if (!model) {
            post([](frmSuggestions &w) { w.status(QStringLiteral("Apprentissage...")); });
            suggestions::Model learnt;
            if (!learnt.train(source, options, stop))
                return;
            model = std::make_shared<const suggestions::Model>(std::move(learnt));
        }
        post([](frmSuggestions &w) { w.status(QStringLiteral("Suggestions des segments non codés...")); });
        std::vector<Row> batch;
        qint64 done = 0;
        suggestions::Chain chain(*model);
        reader.read(suggestions::UnitReader::Which::NotCoded, [&](suggestions::Unit &&u) {
            const suggestions::Suggestion s = chain.suggest(u);
            Row r;
            r.text = u.text;
            r.segment = u.segment;
            r.values = s.values;
            r.confidence = s.confidence;
            QStringList reasons;
            for (const suggestions::Reason &reason : s.reasons)
                reasons << suggestions::reasonText(reason, m_names);
            r.reasons = reasons.join(QStringLiteral(", "));
            r.start = u.content.left(200);
            batch.push_back(std::move(r));
            ++done;
            if (batch.size() >= kBatch) {
                post([batch, done](frmSuggestions &w) {
                    w.received(batch);
                    w.progressed(done, 0);
                });
                batch.clear();
            }
            return !m_stop.load();
        });
        if (!batch.empty())
            post([batch](frmSuggestions &w) { w.received(batch); });
    }

    QPointer<frmSuggestions> m_owner;
    quint64 m_generation;
    QString m_path;
    int m_list;
    bool m_evaluate;
    int m_folds;
    std::shared_ptr<const suggestions::Model> m_model;
    std::map<qint64, QString> m_names;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::shared_ptr<Connection> m_db;
};

frmSuggestions::frmSuggestions(Session &session, QWidget *parent)
    : QWidget(parent, Qt::Window), m_session(session)
{
    setObjectName(QStringLiteral("frmSuggestions"));
    auto *outer = new QVBoxLayout(this);
    // "Édition": Annuler takes back an acceptance from here too.
    auto *bar = new QMenuBar(this);
    bar->setObjectName(QStringLiteral("menus"));
    bar->addMenu(m_session.makeEditMenu(this));
    outer->setMenuBar(bar);

    auto *top = new QHBoxLayout;
    auto *listeTitre = new QLabel(QStringLiteral("&Liste :"), this);
    listeTitre->setObjectName(QStringLiteral("titre_liste"));
    liste = new QComboBox(this);
    liste->setObjectName(QStringLiteral("liste"));
    listeTitre->setBuddy(liste);
    etat = new QLabel(this);
    etat->setObjectName(QStringLiteral("etat"));
    etat->setTextFormat(Qt::PlainText);
    top->addWidget(listeTitre);
    top->addWidget(liste, 1);
    top->addWidget(etat, 2);
    outer->addLayout(top);

    onglets = new QTabWidget(this);
    onglets->setObjectName(QStringLiteral("onglets"));
    outer->addWidget(onglets, 1);

    // The segments not coded with their suggestion.
    auto *segments = new QWidget(onglets);
    segments->setObjectName(QStringLiteral("onglet_segments"));
    auto *segmentsLayout = new QVBoxLayout(segments);
    auto *filterLine = new QHBoxLayout;
    auto *filtreTitre = new QLabel(QStringLiteral("&Filtrer :"), segments);
    filtreTitre->setObjectName(QStringLiteral("titre_filtre"));
    filtre = new QLineEdit(segments);
    filtre->setObjectName(QStringLiteral("filtre"));
    filtre->setPlaceholderText(QStringLiteral("une valeur, un mot du segment ou des indices"));
    filtre->setClearButtonEnabled(true);
    filtreTitre->setBuddy(filtre);
    calculer = new QPushButton(QStringLiteral("&Calculer"), segments);
    calculer->setObjectName(QStringLiteral("calculer"));
    calculer->setToolTip(QStringLiteral("Suggère de nouveau une valeur pour chaque segment non "
                                        "codé de la liste"));
    filterLine->addWidget(filtreTitre);
    filterLine->addWidget(filtre, 1);
    filterLine->addWidget(calculer);
    segmentsLayout->addLayout(filterLine);
    liste_suggestions = new QTreeWidget(segments);
    liste_suggestions->setObjectName(QStringLiteral("liste_suggestions"));
    liste_suggestions->setColumnCount(kColumns);
    liste_suggestions->setHeaderLabels({QStringLiteral("Texte"), QStringLiteral("Segment"),
                                        QStringLiteral("Valeur suggérée"),
                                        QStringLiteral("Confiance"), QStringLiteral("Indices"),
                                        QStringLiteral("Début du segment")});
    liste_suggestions->setRootIsDecorated(false);
    liste_suggestions->setUniformRowHeights(true);
    liste_suggestions->setSelectionMode(QAbstractItemView::ExtendedSelection);
    liste_suggestions->setSortingEnabled(true);
    liste_suggestions->sortByColumn(ConfidenceColumn, Qt::DescendingOrder);
    liste_suggestions->setColumnWidth(TextColumn, twips::toPixels(700));
    liste_suggestions->setColumnWidth(SegmentColumn, twips::toPixels(900));
    liste_suggestions->setColumnWidth(ValueColumn, twips::toPixels(2000));
    liste_suggestions->setColumnWidth(ConfidenceColumn, twips::toPixels(1100));
    liste_suggestions->setColumnWidth(ReasonsColumn, twips::toPixels(2800));
    segmentsLayout->addWidget(liste_suggestions, 1);
    auto *acceptLine = new QHBoxLayout;
    accepter_selection = new QPushButton(QStringLiteral("Accepter les suggestions &sélectionnées"),
                                         segments);
    accepter_selection->setObjectName(QStringLiteral("accepter_selection"));
    auto *seuilTitre = new QLabel(QStringLiteral("Confiance d'au moins :"), segments);
    seuilTitre->setObjectName(QStringLiteral("titre_seuil"));
    seuil = new QDoubleSpinBox(segments);
    seuil->setObjectName(QStringLiteral("seuil"));
    seuil->setRange(0.0, 1.0);
    seuil->setDecimals(2);
    seuil->setSingleStep(0.05);
    seuil->setValue(0.9);
    seuilTitre->setBuddy(seuil);
    accepter_seuil = new QPushButton(segments);
    accepter_seuil->setObjectName(QStringLiteral("accepter_seuil"));
    acceptLine->addWidget(accepter_selection);
    acceptLine->addStretch(1);
    acceptLine->addWidget(seuilTitre);
    acceptLine->addWidget(seuil);
    acceptLine->addWidget(accepter_seuil);
    segmentsLayout->addLayout(acceptLine);
    onglets->addTab(segments, QStringLiteral("Segments non codés"));

    // The reliability of the suggestions.
    auto *reliability = new QWidget(onglets);
    reliability->setObjectName(QStringLiteral("onglet_fiabilite"));
    auto *reliabilityLayout = new QVBoxLayout(reliability);
    auto *measureLine = new QHBoxLayout;
    auto *plisTitre = new QLabel(QStringLiteral("&Plis (textes répartis) :"), reliability);
    plisTitre->setObjectName(QStringLiteral("titre_plis"));
    plis = new QSpinBox(reliability);
    plis->setObjectName(QStringLiteral("plis"));
    plis->setRange(2, 50);
    plis->setValue(5);
    plisTitre->setBuddy(plis);
    mesurer = new QPushButton(QStringLiteral("&Mesurer"), reliability);
    mesurer->setObjectName(QStringLiteral("mesurer"));
    mesurer->setToolTip(QStringLiteral("Validation croisée par texte : chaque pli de textes est "
                                       "suggéré par un modèle appris des autres, puis comparé au "
                                       "codage"));
    measureLine->addWidget(plisTitre);
    measureLine->addWidget(plis);
    measureLine->addWidget(mesurer);
    measureLine->addStretch(1);
    reliabilityLayout->addLayout(measureLine);
    coefficients = new QTableWidget(4, 2, reliability);
    coefficients->setObjectName(QStringLiteral("coefficients"));
    coefficients->setHorizontalHeaderLabels({QStringLiteral("Mesure"), QStringLiteral("Valeur")});
    coefficients->verticalHeader()->hide();
    coefficients->setEditTriggers(QAbstractItemView::NoEditTriggers);
    const QStringList measures{QStringLiteral("Exactitude"),
                               QStringLiteral("Alpha de Krippendorff (nominal)"),
                               QStringLiteral("Kappa de Cohen"),
                               QStringLiteral("Segments comparés")};
    for (int r = 0; r < measures.size(); ++r) {
        coefficients->setItem(r, 0, new QTableWidgetItem(measures.at(r)));
        coefficients->setItem(r, 1, new QTableWidgetItem(QStringLiteral("-")));
    }
    coefficients->setColumnWidth(0, twips::toPixels(3600));
    coefficients->horizontalHeader()->setStretchLastSection(true);
    reliabilityLayout->addWidget(coefficients);
    auto *seuilsTitre = new QLabel(QStringLiteral("Par seuil de confiance : l'accord des "
                                                  "suggestions qui l'atteignent, et la part des "
                                                  "segments qu'elles couvrent"),
                                   reliability);
    seuilsTitre->setObjectName(QStringLiteral("titre_seuils"));
    reliabilityLayout->addWidget(seuilsTitre);
    seuils = new QTableWidget(0, 5, reliability);
    seuils->setObjectName(QStringLiteral("seuils"));
    seuils->setHorizontalHeaderLabels({QStringLiteral("Seuil"), QStringLiteral("Segments"),
                                       QStringLiteral("Part couverte"), QStringLiteral("Alpha"),
                                       QStringLiteral("Exactitude")});
    seuils->verticalHeader()->hide();
    seuils->setEditTriggers(QAbstractItemView::NoEditTriggers);
    seuils->setRowCount(int(suggestions::thresholds().size()));
    // Both tables as tall as their rows: no scroll bar for so few.
    for (QTableWidget *table : {coefficients, seuils}) {
        table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 8);
        table->horizontalHeader()->setStretchLastSection(true);
        table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        table->setFixedHeight(table->horizontalHeader()->sizeHint().height()
                              + table->rowCount() * table->verticalHeader()->defaultSectionSize()
                              + 2 * table->frameWidth() + 2);
    }
    reliabilityLayout->addWidget(seuils);
    reliabilityLayout->addStretch(1);
    onglets->addTab(reliability, QStringLiteral("Fiabilité des suggestions"));

    auto *bottom = new QHBoxLayout;
    progression = new QProgressBar(this);
    progression->setObjectName(QStringLiteral("progression"));
    progression->hide();
    arreter = new QPushButton(QStringLiteral("&Arrêter"), this);
    arreter->setObjectName(QStringLiteral("arreter"));
    arreter->hide();
    StatusBar1 = new QLabel(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setTextFormat(Qt::PlainText);
    StatusBar1->setWordWrap(true);
    bottom->addWidget(StatusBar1, 1);
    bottom->addWidget(progression);
    bottom->addWidget(arreter);
    outer->addLayout(bottom);

    connect(liste, &QComboBox::activated, this, [this] { cmdCalculer_Click(); });
    connect(calculer, &QPushButton::clicked, this, &frmSuggestions::cmdCalculer_Click);
    connect(mesurer, &QPushButton::clicked, this, &frmSuggestions::cmdMesurer_Click);
    connect(arreter, &QPushButton::clicked, this, &frmSuggestions::cmdArreter_Click);
    connect(accepter_selection, &QPushButton::clicked, this,
            &frmSuggestions::cmdAccepterSelection_Click);
    connect(accepter_seuil, &QPushButton::clicked, this, &frmSuggestions::cmdAccepterSeuil_Click);
    connect(seuil, &QDoubleSpinBox::valueChanged, this, &frmSuggestions::updateThreshold);
    connect(filtre, &QLineEdit::textChanged, this, &frmSuggestions::filter);
    connect(liste_suggestions, &QTreeWidget::itemActivated, this, [this] { openCurrent(); });
    connect(liste_suggestions, &QTreeWidget::itemSelectionChanged, this,
            &frmSuggestions::updateThreshold);
    connect(&m_session.suggester(), &Suggester::modelChanged, this, [this](int k) {
        if (k == list())
            etat->setText(QStringLiteral("Suggestions %1.").arg(m_session.suggester().state(k)));
    });
    // Undone or redone: the segments not coded are others (a measure under
    // way goes on; the list is computed again after it).
    connect(&m_session.history(), &History::replayed, this, [this] {
        if (busy() && m_evaluating)
            m_stale = true;
        else
            cmdCalculer_Click();
    });
    // Coded elsewhere (the coding window, a search, a dictionary): the list
    // may hold segments coded since; accepting leaves those as they are
    // (the store checks each), and "Calculer" brings the list up to date.
    connect(&m_session, &Session::codingChanged, this, [this] {
        if (!m_accepting && !busy() && !m_rows.empty())
            status(QStringLiteral("Le codage a changé depuis le calcul : « Calculer » met la liste "
                                  "à jour (un segment codé depuis garde son codage)."));
    });
    connect(&m_session.history(), &History::readOnlyChanged, this,
            &frmSuggestions::updateThreshold);
    connect(&m_session, &QObject::destroyed, this, &QWidget::close);
    resize(twips::toPixels(14400), twips::toPixels(7200));
}

frmSuggestions::~frmSuggestions() = default;

bool frmSuggestions::Form_Load()
{
    setWindowTitle(m_session.titled(QStringLiteral("Suggestions")) + m_session.titleMark());
    std::array<QString, 5> names;
    try {
        names = m_session.listNames();
    } catch (const StoreError &e) {
        messages::error(this, QStringLiteral("Les suggestions ne peuvent pas lire l'analyse."
                                             "\n\n%1")
                                  .arg(e.message()));
        return false;
    }
    for (int k = 1; k <= 5; ++k)
        liste->addItem(names[size_t(k - 1)], k);
    m_session.suggester().start();
    cmdCalculer_Click();
    return true;
}

int frmSuggestions::list() const
{
    return liste->currentData().toInt();
}

bool frmSuggestions::busy() const
{
    return m_running;
}

void frmSuggestions::status(const QString &text)
{
    StatusBar1->setText(text);
}

QString frmSuggestions::valueName(qint64 value) const
{
    for (const auto &[number, text] : m_values)
        if (number == value)
            return text;
    return QStringLiteral("n° %1").arg(value);
}

void frmSuggestions::startJob(bool evaluate)
{
    if (m_job) {
        m_job->stop();
        m_job->wait();
        m_job.reset();
    }
    ++m_generation; // what the stopped one still has to tell is not heard
    m_running = false;
    m_evaluating = evaluate;
    const int k = list();
    if (!evaluate) {
        m_rows.clear();
        liste_suggestions->clear();
        m_values.clear();
        try {
            for (const ListValue &v : m_session.store().listValues(k))
                m_values.emplace_back(v.numero, v.value);
        } catch (const StoreError &e) {
            status(e.message());
            return;
        }
    }
    etat->setText(QStringLiteral("Suggestions %1.").arg(m_session.suggester().state(k)));
    progression->setRange(0, 0);
    progression->show();
    arreter->show();
    calculer->setEnabled(false);
    mesurer->setEnabled(false);
    liste->setEnabled(false);
    updateThreshold();
    std::map<qint64, QString> names(m_values.begin(), m_values.end());
    m_running = true;
    m_job = std::make_unique<Job>(*this, ++m_generation, m_session.databasePath(), k, evaluate,
                                  plis->value(),
                                  evaluate ? nullptr : m_session.suggester().model(k),
                                  std::move(names));
    m_job->start();
}

void frmSuggestions::cmdCalculer_Click()
{
    startJob(false);
}

void frmSuggestions::cmdMesurer_Click()
{
    onglets->setCurrentIndex(1);
    startJob(true);
}

void frmSuggestions::cmdArreter_Click()
{
    if (m_job)
        m_job->stop();
}

void frmSuggestions::received(const std::vector<Row> &rows)
{
    liste_suggestions->setSortingEnabled(false);
    const QString needle = frmNotes::folded(filtre->text().trimmed());
    for (const Row &r : rows) {
        m_rows.push_back(r);
        auto *item = new SortedItem;
        QStringList values;
        for (const auto &[value, p] : r.values)
            values << valueName(value);
        item->setText(TextColumn, QString::number(r.text));
        item->setData(TextColumn, Qt::UserRole, double(r.text));
        item->setText(SegmentColumn, QString::number(r.segment));
        item->setData(SegmentColumn, Qt::UserRole, double(r.segment));
        item->setText(ValueColumn, values.join(QStringLiteral(" + ")));
        item->setText(ConfidenceColumn, decimal(r.confidence, 3));
        item->setData(ConfidenceColumn, Qt::UserRole, r.confidence);
        item->setTextAlignment(ConfidenceColumn, Qt::AlignRight | Qt::AlignVCenter);
        item->setText(ReasonsColumn, r.reasons);
        item->setText(StartColumn, r.start.simplified().left(120));
        item->setToolTip(StartColumn, r.start);
        item->setData(StartColumn, Qt::UserRole + 1, qint64(m_rows.size() - 1));
        item->setData(ValueColumn, Qt::UserRole + 2,
                      frmNotes::folded(item->text(ValueColumn) + QLatin1Char('\n') + r.reasons
                                       + QLatin1Char('\n') + r.start));
        liste_suggestions->addTopLevelItem(item);
        if (!needle.isEmpty())
            item->setHidden(!item->data(ValueColumn, Qt::UserRole + 2).toString().contains(needle));
    }
    liste_suggestions->setSortingEnabled(true);
}

void frmSuggestions::progressed(qint64 done, qint64 total)
{
    if (total > 0) {
        progression->setRange(0, int(total));
        progression->setValue(int(done));
        status(QStringLiteral("Validation croisée : pli %1 sur %2...").arg(done + (done < total ? 1 : 0)).arg(total));
    } else {
        status(QStringLiteral("%1 segments non codés suggérés...").arg(QLocale().toString(done)));
    }
}

void frmSuggestions::ended(const QString &failure, bool stopped)
{
    m_running = false;
    progression->hide();
    arreter->hide();
    calculer->setEnabled(true);
    mesurer->setEnabled(true);
    liste->setEnabled(true);
    if (!failure.isEmpty())
        status(failure);
    else if (stopped)
        status(m_evaluating ? QStringLiteral("La mesure a été arrêtée.")
                            : QStringLiteral("Arrêté : %1 segments suggérés.")
                                  .arg(QLocale().toString(qint64(m_rows.size()))));
    else if (!m_evaluating)
        status(m_rows.empty()
                   ? QStringLiteral("Tous les segments sont codés dans cette liste.")
                   : QStringLiteral("%1 segments non codés, chacun avec sa suggestion.")
                         .arg(QLocale().toString(qint64(m_rows.size()))));
    updateThreshold();
    emit finished();
    if (m_stale && !busy()) {
        m_stale = false;
        cmdCalculer_Click();
    }
}

void frmSuggestions::evaluated(const suggestions::Evaluation &e)
{
    coefficients->item(0, 1)->setText(decimal(e.accuracy, 4));
    coefficients->item(1, 1)->setText(coefficientText(e.alpha));
    coefficients->item(2, 1)->setText(coefficientText(e.kappa));
    coefficients->item(3, 1)->setText(QLocale().toString(e.segments));
    seuils->setRowCount(int(e.thresholds.size()));
    for (int r = 0; r < int(e.thresholds.size()); ++r) {
        const suggestions::ThresholdRow &t = e.thresholds[size_t(r)];
        const QStringList cells{decimal(t.threshold, 2), QLocale().toString(t.segments),
                                percent(t.coverage), coefficientText(t.alpha),
                                t.segments > 0 ? decimal(t.accuracy, 4) : QStringLiteral("-")};
        for (int c = 0; c < cells.size(); ++c) {
            auto *item = new QTableWidgetItem(cells.at(c));
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            seuils->setItem(r, c, item);
        }
    }
    status(QStringLiteral("Fiabilité des suggestions de « %1 » : alpha %2 sur %3 segments codés, "
                          "%4 plis de textes.")
               .arg(liste->currentText(), coefficientText(e.alpha), QLocale().toString(e.segments))
               .arg(e.folds));
}

void frmSuggestions::filter()
{
    const QString needle = frmNotes::folded(filtre->text().trimmed());
    for (int i = 0; i < liste_suggestions->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = liste_suggestions->topLevelItem(i);
        item->setHidden(!needle.isEmpty()
                        && !item->data(ValueColumn, Qt::UserRole + 2).toString().contains(needle));
    }
    updateThreshold();
}

std::vector<const frmSuggestions::Row *> frmSuggestions::aboveThreshold() const
{
    // The rows shown (the filter applies), whose confidence reaches it.
    std::vector<const Row *> chosen;
    for (int i = 0; i < liste_suggestions->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = liste_suggestions->topLevelItem(i);
        const Row &r = m_rows[size_t(item->data(StartColumn, Qt::UserRole + 1).toLongLong())];
        if (!item->isHidden() && r.confidence >= seuil->value() - 1e-9)
            chosen.push_back(&r);
    }
    return chosen;
}

void frmSuggestions::updateThreshold()
{
    const qint64 above = qint64(aboveThreshold().size());
    const bool editable = !m_session.history().readOnly() && !busy();
    accepter_seuil->setText(QStringLiteral("Accepter au-dessus de %1 (%2 segments)")
                                .arg(decimal(seuil->value(), 2), QLocale().toString(above)));
    accepter_seuil->setEnabled(editable && above > 0);
    accepter_selection->setEnabled(editable && !liste_suggestions->selectedItems().isEmpty());
}

void frmSuggestions::cmdAccepterSelection_Click()
{
    std::vector<const Row *> chosen;
    for (QTreeWidgetItem *item : liste_suggestions->selectedItems())
        if (!item->isHidden())
            chosen.push_back(&m_rows[size_t(item->data(StartColumn, Qt::UserRole + 1).toLongLong())]);
    accept(chosen);
}

void frmSuggestions::cmdAccepterSeuil_Click()
{
    const std::vector<const Row *> chosen = aboveThreshold();
    if (chosen.empty())
        return;
    if (!messages::ask(this, QStringLiteral("Coder %1 segments de « %2 » avec la valeur "
                                            "suggérée, dont la confiance atteint %3 ? "
                                            "« Édition > Annuler » reprend l'ensemble.")
                                 .arg(QLocale().toString(qint64(chosen.size())),
                                      liste->currentText(), decimal(seuil->value(), 2))))
        return;
    accept(chosen);
}

void frmSuggestions::accept(const std::vector<const Row *> &rows)
{
    if (rows.empty() || busy())
        return;
    std::vector<suggestions::Accepted> accepted;
    for (const Row *r : rows)
        for (const auto &[value, p] : r->values)
            accepted.push_back(suggestions::Accepted{r->segment, value, p});
    coding::BulkOutcome outcome;
    try {
        outcome = m_session.history().acceptSuggestions(
            list(), accepted, suggestions::acceptingCoder(m_session.store().connection()));
    } catch (const StoreError &e) {
        messages::error(this, QStringLiteral("Les suggestions n'ont pas été acceptées.\n\n%1")
                                  .arg(e.message()));
        return;
    }
    m_accepting = true;
    emit m_session.codingChanged();
    m_accepting = false;
    // The segments accepted are coded now: out of the list.
    std::set<qint64> gone;
    for (const Row *r : rows)
        gone.insert(r->segment);
    std::vector<Row> kept;
    for (Row &r : m_rows)
        if (!gone.count(r.segment))
            kept.push_back(std::move(r));
    m_rows.clear();
    liste_suggestions->clear();
    received(kept);
    updateThreshold();
    status(QStringLiteral("%1 segment(s) codé(s) avec la valeur suggérée (%2 déjà codé(s) ainsi) ; "
                          "« Édition > Annuler » reprend l'ensemble.")
               .arg(QLocale().toString(outcome.segments), QLocale().toString(outcome.unchanged)));
}

void frmSuggestions::openCurrent()
{
    const QTreeWidgetItem *item = liste_suggestions->currentItem();
    if (!item)
        return;
    const Row &r = m_rows[size_t(item->data(StartColumn, Qt::UserRole + 1).toLongLong())];
    emit m_session.segmentWanted(r.text, r.segment);
}

} // namespace coding
