#pragma once
// Coding with a dictionary, as one step: the dictionary's categories
// become values of one list (their paths, "Économie > Emploi", as a value's
// text; a value of the list whose text, without the spaces around it, is the
// path is used, the first one by number; the others are added), then every
// segment holding a category is given its value by the rule of coding many
// segments at once (store/bulkcoding.h). The values added and the coding
// rows written are one undo::ChangeSet: undone, the coding goes first, then
// the values.
//
// Everything happens in one write transaction, from the constructor to
// commit(): the segments are given batch by batch (the caller reads and
// matches them in between, on the same connection), so that memory holds
// one batch, and the step's images when kept. Destroyed without commit(),
// nothing is left of it (stopped, or failed). Failures throw StoreError
// (French, naming the cause); nothing is written then.
#include "store/bulkcoding.h"

#include <QString>
#include <map>
#include <vector>

class Connection;

namespace coding {

struct DictionaryOutcome
{
    undo::ChangeSet set;              // the step (images only when kept)
    std::vector<qint64> values;       // [category]: the value's number in the list
    std::vector<QString> added;       // the values added to the list, in order
    std::vector<qint64> coded;        // [category]: segments given its value
    qint64 segments = 0;              // segments given at least one value
    qint64 unchanged = 0;             // (segment, category) already coded so
};

class DictionaryCoding
{
public:
    // Begins the transaction and finds or adds the values named `paths`
    // (one per category) in list `list` (1 to 5). keepImages: the step is
    // kept for undo (the windows); the command line and the copies need no
    // images.
    DictionaryCoding(Connection &db, int list, const std::vector<QString> &paths,
                     bool keepImages = true);
    ~DictionaryCoding();
    DictionaryCoding(const DictionaryCoding &) = delete;
    DictionaryCoding &operator=(const DictionaryCoding &) = delete;

    // The categories' values (numbers), and those added so far.
    const std::vector<qint64> &values() const { return m_outcome.values; }

    // Codes a batch: (segment, category) pairs, no segment in two batches.
    // Segment by segment, each one's categories in category order, so that
    // for a segment holding several the first category takes the empty field
    // of a row, the next ones new rows.
    struct Holding
    {
        qint64 segment = 0;
        int category = 0;
    };
    void code(const std::vector<Holding> &batch);

    // Ends the transaction; the step is described as `what` with the count
    // of segments: "le codage par dictionnaire (12 408 segments)", or as
    // `what` alone when not `counted` (values added without coding).
    DictionaryOutcome commit(const QString &what, bool counted = true);

private:
    Connection &m_db;
    int m_list;
    bool m_done = false;
    DictionaryOutcome m_outcome;
    BulkCoder *m_coder = nullptr;
    std::map<qint64, int> m_category; // a value's category
    std::vector<SegmentValue> m_assignments;
    std::vector<SegmentValue> m_changed;
};

// The paths that are not yet values of list `list` (1 to 5), compared as
// the coding compares them (the text without the spaces around it), in the
// order given. Throws StoreError.
std::vector<QString> missingValues(Connection &db, int list, const std::vector<QString> &paths);

} // namespace coding
