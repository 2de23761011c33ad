#include "zev/contracts/ReductionUtility.h"

#include <algorithm>
#include <cmath>

namespace zev {

void ReductionUtility::setReduction(float p_fraction, int p_maxCount)
{
    m_fraction = std::clamp(p_fraction, 0.0f, 1.0f);
    m_maxCount = p_maxCount;
    m_active = true;
}

void ReductionUtility::initialize(int p_count)
{
    m_total = std::max(p_count, 0);
    m_index = 0;
    m_used = 0;
    m_effective = m_fraction;
    if (m_maxCount > 0 && m_total > 0)
        m_effective = std::min(m_effective, static_cast<double>(m_maxCount) / m_total);
}

bool ReductionUtility::useThisItem()
{
    const int i = m_index++;
    if (!m_active) {
        ++m_used;
        return true;
    }
    const bool keep = std::floor((i + 1) * m_effective) > std::floor(i * m_effective);
    if (keep)
        ++m_used;
    return keep;
}

} // namespace zev
