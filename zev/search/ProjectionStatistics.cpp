#include "zev/search/ProjectionStatistics.h"

namespace zev {

int ProjectionStatistics::getSuccessPercentage() const
{
    // Summed in double: five int counters cannot overflow there, and the ratio is then taken
    // in float as the percentage has always been.
    const double hits = static_cast<double>(m_equivalent) + m_face + m_edge;
    const double all = hits + m_farEdge + m_node;
    if (all <= 0.0)
        return 0;
    const float share = static_cast<float>(hits) / static_cast<float>(all);
    return static_cast<int>(share * 100.0f + 0.5f);
}

} // namespace zev
