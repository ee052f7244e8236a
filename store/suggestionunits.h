#pragma once
// The segments of an analysis as the suggestions see them
// (suggestions/unit.h) for one list: each segment's text, the texts of the
// segments around it in its text, the values of the previous segment in
// the list, the attributes of its text, and the values the coder gave it.
//
// The segments are read once, in text then segment order (the reading
// order), through the index on the text's number, in blocks each read
// apart (the coding window may write between two); only the segments around
// the one handed out are kept, so memory is bounded by the context (and, for
// the values, by the coding rows of the list, read first). One segment can
// also be read alone, with its neighbours, for the coding window.
//
// The values are the coder's own: a value accepted from a suggestion is
// neither learnt from nor given as the previous segment's (the model would
// learn its own guesses back), and its segment is not suggested for either;
// it is given apart (Unit::previousAccepted), for suggesting only.
//
// Failures throw StoreError (French).
#include "suggestions/unit.h"

#include <QByteArray>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <optional>
#include <vector>

class Connection;

namespace suggestions {

class UnitReader
{
public:
    // `context`: the segments next to a unit taken on each side (0 to 10);
    // `wider`: how far on each side the wider context reaches (from the
    // context to 50).
    UnitReader(Connection &db, int list, int context = 2, int wider = 10);
    ~UnitReader();

    enum class Which { Coded, NotCoded, All };
    // Hands the units out in reading order; `sink` returns false to stop.
    // Returns false when stopped.
    using Sink = std::function<bool(Unit &&unit)>;
    bool read(Which which, const Sink &sink);
    // The coded units, for learning.
    std::vector<Unit> coded(const std::function<bool()> &stop = {});
    // The coded units read anew each time it is called, in reading order
    // (suggestions::Model::UnitSource): learning holds none of them.
    std::function<bool(const std::function<bool(const Unit &)> &)> codedSource();

    // Segment `segment` with its neighbours; nullopt when it is gone.
    std::optional<Unit> unit(qint64 segment);


private:
    void loadValues();
    void loadAttributes();
    // Files older than the texts' attributes have none.
    bool attributesExist();

    Connection &m_db;
    int m_list;
    int m_context;
    int m_wider;
    bool m_loaded = false;
    // The coder's own values of the list: what is learnt from.
    QString valuesSql() const;
    std::map<qint64, std::vector<qint64>> m_values; // segment -> distinct values, ascending
    std::set<qint64> m_coded; // segments holding a value, accepted suggestions included
    std::map<qint64, std::vector<qint64>> m_accepted; // segments holding accepted values only
    // Each segment's values in the list, whoever gave them, then `rest`
    // (where %1 is the list's column).
    QByteArray anyValuesSql(const QString &rest) const;
    std::map<qint64, QStringList> m_attributes;     // text -> "nom=valeur"
    struct Lookup;
    std::unique_ptr<Lookup> m_lookup; // unit()'s statements
};

} // namespace suggestions
