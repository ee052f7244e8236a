#pragma once
// The index of the words of the segments, for search: an FTS5 table over
// textes.texte (its content is read from `textes`, never copied), with the
// tokenizer unicode61 and remove_diacritics 2: a word is a maximal run of
// letters and digits, every other character (apostrophes and hyphens
// included) separates, case and accents are ignored.
//
// The index is a cache of the segments, never the data. A small table beside
// it keeps what it was built from (the number of segments, the highest
// segment number, the counter of `textes`); before each search that check is
// made (cheap: it reads the table's counter and counts the segments through
// the smallest index) and the index is brought up to date when it differs:
// segments added since are indexed; when segments were removed, the index is
// built again from nothing (segments are never changed in place).
//
// In a file that may not be written (read-only), or one too old to hold the
// index's tables, the index is built in the connection's temporary database
// ("temp"), for the time the analysis stays open.
//
// Failures throw StoreError (French).
#include <QString>
#include <functional>

class Connection;

namespace search {

class SearchIndex
{
public:
    explicit SearchIndex(Connection &db);

    // Whether the index answers for the segments as they are now.
    bool current();
    // The segments that bringing the index up to date would read (all of
    // them when it must be built again); 0 when current.
    qint64 pending();
    // Brings the index up to date, in batches, each in a transaction of its
    // own; `progress` (may be empty) hears of the segments done out of the
    // total after each batch and stops the work by returning false ("Arrêter"):
    // what is done is kept and the index says it is not current. Returns
    // whether the index is current.
    using Progress = std::function<bool(qint64 done, qint64 total)>;
    bool update(const Progress &progress = {});

    // The table to query: "main"."Recherche" or "temp"."Recherche".
    QString table() const;

    // The table a connection's searches read: the index built for the
    // connection in "temp" once there is one; otherwise the file's own, when
    // the file holds it and may be written (or, read-only, when it is
    // current); otherwise the one "temp" is to hold.
    static QString tableFor(Connection &db);

    // Whether, when the index was last brought up to date, the segments
    // were numbered in the order of their texts (each text's segments after
    // those of the texts numbered before it, as the take-in writes them):
    // hits in the order of the index are then in text order.
    static bool inTextOrder(Connection &db);

    // The segments read in one transaction (10,000 by default).
    void setBatchSize(int segments);

private:
    static QString schemaFor(Connection &db);
    bool updateOnce(const Progress &progress);

    Connection &m_db;
    int m_batch = 10000;
};

} // namespace search
