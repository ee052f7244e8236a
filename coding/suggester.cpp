#include "coding/suggester.h"

#include "coding/session.h"
#include "store/codingstore.h"
#include "store/connection.h"
#include "store/history.h"
#include "store/storeerror.h"
#include "store/suggestionstore.h"
#include "store/suggestionunits.h"
#include "suggestions/chain.h"

#include <QLocale>
#include <QMetaObject>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <sqlite3.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace coding {
namespace {

// After a change of the coding, the worker looks again once the coder has
// paused this long.
constexpr int kDebounceMs = 1500;

QString learntState(const suggestions::Model &model)
{
    return QStringLiteral("apprises de %1 segment%2 codé%2")
        .arg(QLocale().toString(model.learntFrom()))
        .arg(model.learntFrom() > 1 ? QStringLiteral("s") : QString());
}

} // namespace

// The thread that keeps the models current, with its own connection.
class Suggester::Worker : public QThread
{
public:
    Worker(Suggester &owner, QString path, bool readOnly)
        : m_owner(&owner), m_path(std::move(path)), m_readOnly(readOnly)
    {
    }
    ~Worker() override { finish(); }

    void ask()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_asked = true;
        m_wake.notify_one();
    }

    void finish()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
            if (m_db)
                sqlite3_interrupt(m_db->handle());
            m_wake.notify_one();
        }
        wait();
    }

protected:
    void run() override
    {
        std::shared_ptr<Connection> db;
        try {
            db = Connection::open(m_path, m_readOnly ? Connection::Access::ReadOnly
                                                     : Connection::accessFor(m_path));
            m_readOnly = db->readOnly();
        } catch (const StoreError &e) {
            for (int k = 1; k <= kLists; ++k)
                tell(k, nullptr, QStringLiteral("pas de suggestions : %1").arg(e.message()));
            return;
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_db = db;
        }
        std::array<QString, kLists> done; // the fingerprint each list's model stands on
        for (;;) {
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_wake.wait(lock, [this] { return m_asked || m_stop; });
                if (m_stop)
                    break;
                m_asked = false;
            }
            for (int k = 1; k <= kLists && !stopped(); ++k) {
                try {
                    look(*db, k, done[size_t(k - 1)]);
                } catch (const StoreError &e) {
                    // The model in use stays; the next change of the coding
                    // tries again.
                    if (!stopped())
                        tell(k, nullptr,
                             QStringLiteral("apprentissage impossible pour l'instant : %1")
                                 .arg(e.message()));
                }
            }
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        m_db.reset();
    }

private:
    bool stopped() const { return m_stop.load(); }

    void tell(int list, std::shared_ptr<const suggestions::Model> model, const QString &state)
    {
        QPointer<Suggester> owner = m_owner;
        QMetaObject::invokeMethod(
            m_owner,
            [owner, list, model, state] {
                if (owner)
                    owner->received(list, model, state);
            },
            Qt::QueuedConnection);
    }

    // Brings list `list`'s model up to date with the coding.
    void look(Connection &db, int list, QString &done)
    {
        const QString print = suggestions::fingerprint(db, list, suggestions::Model::kLearning);
        if (print == done)
            return;
        if (const auto kept = suggestions::keptModel(db, list, print)) {
            if (auto model = suggestions::Model::load(kept->bytes)) {
                auto shared = std::make_shared<const suggestions::Model>(std::move(*model));
                tell(list, shared, learntState(*shared));
                done = print;
                return;
            }
        }
        const suggestions::Options options;
        suggestions::UnitReader reader(db, list, options.contextSegments, options.widerSegments);
        auto stop = [this] { return stopped(); };
        // Read again at each pass, in short reads: neither the windows nor
        // the memory wait on the corpus.
        const auto source = reader.codedSource();
        const QString little = suggestions::Model::tooLittle(source);
        if (stopped())
            return;
        if (!little.isEmpty()) {
            tell(list, nullptr, QStringLiteral("pas encore de suggestions : %1").arg(little));
            done = print;
            return;
        }
        tell(list, nullptr, QStringLiteral("apprentissage en cours"));
        suggestions::Model model;
        if (!model.train(source, options, stop))
            return;
        // Coding changed meanwhile: the model serves until the next one,
        // but is not kept as the model of a coding it was not learnt from.
        const bool current =
            suggestions::fingerprint(db, list, suggestions::Model::kLearning) == print;
        if (current && !m_readOnly && suggestions::available(db)) {
            try {
                db.requireSameFile();
                suggestions::keepModel(db, list, print, model.save());
            } catch (const StoreError &) {
                // Not kept (the file is busy or full): it is learnt again at
                // the next opening; the suggestions go on from memory.
            }
        }
        auto shared = std::make_shared<const suggestions::Model>(std::move(model));
        tell(list, shared, learntState(*shared));
        if (current)
            done = print;
        else
            ask();
    }

    QPointer<Suggester> m_owner;
    QString m_path;
    bool m_readOnly;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_asked = false;
    std::atomic<bool> m_stop{false};
    std::shared_ptr<Connection> m_db;
};

Suggester::Suggester(Session &session, QObject *parent) : QObject(parent), m_session(session)
{
    m_debounce = new QTimer(this);
    m_debounce->setSingleShot(true);
    m_debounce->setInterval(kDebounceMs);
    connect(m_debounce, &QTimer::timeout, this, [this] {
        if (m_worker)
            m_worker->ask();
    });
    connect(&session.history(), &History::stepsChanged, this, [this] {
        forgetChains();
        if (m_worker)
            m_debounce->start();
    });
    connect(&session, &Session::restored, this, [this] {
        forgetChains();
        if (m_worker)
            m_worker->ask();
    });
}

Suggester::~Suggester()
{
    if (m_worker)
        m_worker->finish();
}

void Suggester::start()
{
    if (!m_worker) {
        m_worker = std::make_unique<Worker>(*this, m_session.databasePath(), m_session.readOnly());
        m_worker->start(QThread::LowPriority);
    }
    m_worker->ask();
}

std::shared_ptr<const suggestions::Model> Suggester::model(int list) const
{
    return list >= 1 && list <= kLists ? m_models[size_t(list - 1)] : nullptr;
}

QString Suggester::state(int list) const
{
    if (list < 1 || list > kLists)
        return QString();
    const QString &s = m_states[size_t(list - 1)];
    return s.isEmpty() ? QStringLiteral("apprentissage en cours") : s;
}

std::optional<suggestions::Suggestion> Suggester::suggest(qint64 segment, int list)
{
    const std::shared_ptr<const suggestions::Model> m = model(list);
    if (!m)
        return std::nullopt;
    const suggestions::Options options;
    suggestions::UnitReader reader(m_session.store().connection(), list, options.contextSegments,
                                   options.widerSegments);
    std::optional<suggestions::Unit> unit = reader.unit(segment);
    if (!unit)
        return std::nullopt;
    // The segments before it that the coder has not coded, back to a coded
    // one, the start of the text or one suggested for already: the chain
    // runs through them as the window "Suggestions..." does.
    std::map<qint64, std::vector<qint64>> &chained = m_chained[size_t(list - 1)];
    suggestions::Chain chain(*m);
    std::vector<suggestions::Unit> run;
    run.push_back(std::move(*unit));
    while (run.size() <= kChainReach) {
        const suggestions::Unit &last = run.back();
        if (!last.previous.empty() || !last.previousAccepted.empty() || last.before == 0)
            break;
        const auto known = chained.find(last.before);
        if (known != chained.end()) {
            chain.resume(last.before, known->second);
            break;
        }
        std::optional<suggestions::Unit> earlier = reader.unit(last.before);
        if (!earlier)
            break;
        run.push_back(std::move(*earlier));
    }
    suggestions::Suggestion s;
    for (auto it = run.rbegin(); it != run.rend(); ++it) {
        s = chain.suggest(*it);
        chained[it->segment] = suggestions::Chain::valuesOf(s);
    }
    if (s.value == 0)
        return std::nullopt;
    return s;
}

void Suggester::forgetChains()
{
    for (auto &chained : m_chained)
        chained.clear();
}

void Suggester::received(int list, std::shared_ptr<const suggestions::Model> model,
                         const QString &state)
{
    if (list < 1 || list > kLists)
        return;
    // A list that has become too little to learn from has no model; one
    // whose learning is under way keeps the one it had.
    if (model || !state.startsWith(QStringLiteral("apprentissage"))) {
        m_models[size_t(list - 1)] = std::move(model);
        m_chained[size_t(list - 1)].clear();
    }
    m_states[size_t(list - 1)] = state;
    emit modelChanged(list);
}

} // namespace coding
