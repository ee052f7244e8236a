#include "suggestions/chain.h"

#include <algorithm>

namespace suggestions {

std::vector<qint64> Chain::valuesOf(const Suggestion &s)
{
    std::vector<qint64> values;
    for (const auto &[value, confidence] : s.values)
        values.push_back(value);
    std::sort(values.begin(), values.end());
    return values;
}

void Chain::resume(qint64 segment, std::vector<qint64> values)
{
    m_segment = segment;
    m_values = std::move(values);
}

Suggestion Chain::suggest(Unit &unit)
{
    if (unit.previous.empty() && !unit.previousAccepted.empty()) {
        unit.previous = unit.previousAccepted;
        unit.previousSuggested = true;
    } else if (unit.previous.empty() && unit.before != 0 && unit.before == m_segment &&
               !m_values.empty()) {
        unit.previous = m_values;
        unit.previousSuggested = true;
    }
    Suggestion s = m_model.suggest(unit, m_reading);
    m_segment = unit.segment;
    m_values = valuesOf(s);
    return s;
}

} // namespace suggestions
