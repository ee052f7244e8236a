#pragma once
// The suggestions of an open analysis: one model per list, learnt from the
// coder's coding on this machine, in the background.
//
// A worker thread with its own connection to the analysis keeps the models
// current: when started, and whenever the coding changes (the history's
// steps, debounced), it takes each list's fingerprint
// (store/suggestionstore.h); a list whose model was learnt from that coding
// is left alone; otherwise the model kept in the file is taken when it was
// learnt from that coding, else the list's coded segments are read (in
// short reads between which the windows may write) and learnt from, and the
// model is kept in the file (not in a read-only analysis). A list with too
// little coding (suggestions::Model::tooLittle) has no model. The windows
// never wait for it: until a list's new model is ready, its previous one
// (learnt from the coding of a moment before) is used; the file's kept
// model is never used stale.
//
// suggest() reads one segment with its neighbours on the session's
// connection and asks the list's model: a few milliseconds. When the coder
// has not coded the segment before it, the suggestion for that one stands
// for its values (suggestions/chain.h), as in the window "Suggestions...":
// the segments of the run are suggested for once, then remembered until
// the coding or the model changes.
#include "suggestions/model.h"

#include <QObject>
#include <QString>
#include <array>
#include <map>
#include <memory>
#include <optional>

class QTimer;

namespace coding {

class Session;

class Suggester : public QObject
{
    Q_OBJECT
public:
    explicit Suggester(Session &session, QObject *parent = nullptr);
    ~Suggester() override;

    // Starts the worker (once); later calls ask it to look at the coding
    // again. Nothing runs before the first call.
    void start();
    bool started() const { return m_worker != nullptr; }

    // The model of list K (1 to 5) in use; null when none yet.
    std::shared_ptr<const suggestions::Model> model(int list) const;
    // What the list's suggestions stand on, for the windows: "apprises de
    // 312 segments codés", the reason there are none, or that learning is
    // under way.
    QString state(int list) const;
    // The suggestion for a segment in list K; nullopt without a model or
    // when the segment is gone. Throws StoreError.
    std::optional<suggestions::Suggestion> suggest(qint64 segment, int list);

signals:
    // A list's model (or its state) changed.
    void modelChanged(int list);

private:
    class Worker;
    void received(int list, std::shared_ptr<const suggestions::Model> model, const QString &state);
    void forgetChains();

    // How far back a lookup follows segments not coded (suggestions/chain.h).
    static constexpr size_t kChainReach = 50;

    Session &m_session;
    std::unique_ptr<Worker> m_worker;
    std::array<std::shared_ptr<const suggestions::Model>, 5> m_models;
    std::array<QString, 5> m_states;
    // Per list, the values suggested for the segments looked up and those
    // the chain ran through, for the current model and coding.
    std::array<std::map<qint64, std::vector<qint64>>, 5> m_chained;
    QTimer *m_debounce = nullptr;
};

} // namespace coding
