#pragma once
// Thins out a stream of candidate items deterministically.
//
// Rule: when active, of the N candidates announced by initialize(N) the utility keeps
// round-down((i + 1) * f) - round-down(i * f) of candidate i (0 or 1), where f is the kept
// fraction, further limited to maxCount / N when a positive maximum count is set. The kept
// items are thus spread evenly over the candidates, the first kept item is the first at
// which the running share reaches a whole item, and the same settings always keep the same
// items. When inactive every candidate is kept.

#include "zev/ZEVExport.h"

namespace zev {

class ZEV_EXPORT ReductionUtility {
public:
    ReductionUtility() = default;

    // Keeps p_fraction (clamped to 0..1) of the candidates, at most p_maxCount of them
    // when p_maxCount is positive, and activates the reduction.
    void setReduction(float p_fraction, int p_maxCount = 0);
    void setActive(bool p_active) { m_active = p_active; }

    // Announces the number of candidates and restarts the walk over them.
    void initialize(int p_count);
    // Called once per candidate, in order; true when the candidate is kept.
    bool useThisItem();

    bool isActive() const { return m_active; }
    float getFraction() const { return m_fraction; }
    int getMaxCount() const { return m_maxCount; }
    int getNumUsed() const { return m_used; }

private:
    bool m_active = false;
    float m_fraction = 1.0f;
    int m_maxCount = 0;
    int m_total = 0;
    int m_index = 0;
    int m_used = 0;
    double m_effective = 1.0;
};

} // namespace zev
