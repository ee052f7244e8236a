#pragma once
// Suggestions for a run of segments the coder has not coded, in reading
// order: the previous segment's values are what a coder reads a segment
// with, and when the coder has not coded the previous segment, its
// suggestion stands for them (marked as suggested in the reasons). The
// model weighs the previous segment's values as it learnt them from the
// coder's coding: a list whose values follow each other from segment to
// segment gets whole passages suggested alike, one whose values change from
// one segment to the next hardly at all.
//
// The same rule serves the coding window's lookup, the window
// "Suggestions...", the command line and the cross-validation, so that the
// measure is that of the suggestions shown.
#include "suggestions/model.h"

namespace suggestions {

class Chain
{
public:
    explicit Chain(const Model &model) : m_model(model) {}

    // The suggestion for `unit`, the next in reading order. When the coder
    // has not coded the segment before it (no previous values), the values
    // accepted there from suggestions, else, when that segment is the last
    // one suggested for, the values suggested for it, become the unit's
    // previous values.
    Suggestion suggest(Unit &unit);
    // Starts a chain at a segment suggested earlier (its values), so that
    // the unit after it is suggested as if the chain had run through it.
    void resume(qint64 segment, std::vector<qint64> values);
    // The values a suggestion stands for as the next segment's previous ones.
    static std::vector<qint64> valuesOf(const Suggestion &s);

private:
    const Model &m_model;
    Model::Reading m_reading; // the words of the run, read once
    qint64 m_segment = 0;
    std::vector<qint64> m_values;
};

} // namespace suggestions
