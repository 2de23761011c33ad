#pragma once
// The recipe of one target item: a weighted list of parent vertices of one parent domain.
// It is the record of the hybrid interpolant and the common form in which every interpolant
// reports how it builds an item.

#include "zev/ZEVExport.h"
#include "zev/interpolants/EdgeInterpolantData.h"
#include "zev/interpolants/ExternalInterpolantData.h"

#include <cstddef>
#include <vector>

namespace zev {

class ZEV_EXPORT HybridInterpolantData {
public:
    HybridInterpolantData() = default;
    // One node of weight 1.
    explicit HybridInterpolantData(int p_node);
    // Two nodes with weights w and 1 - w.
    HybridInterpolantData(int p_first, int p_second, float p_weight);
    explicit HybridInterpolantData(const EdgeInterpolantData& p_edge);
    HybridInterpolantData(const int* p_nodes, const float* p_weights, int p_count);
    explicit HybridInterpolantData(const std::vector<ExternalInterpolantData>& p_data);

    std::size_t size() const { return m_size; }

    // Multiplies every weight by p_factor.
    void scale(float p_factor);
    // Scales in place and returns this record itself (not a copy).
    HybridInterpolantData& operator*(float p_factor);
    // Divides the weights by their sum; a sum not above the single-precision epsilon empties
    // the record.
    void normalize();
    // Appends the other record's nodes and weights; the domain index stays.
    HybridInterpolantData& operator+=(const HybridInterpolantData& p_other);
    HybridInterpolantData operator+(const HybridInterpolantData& p_other) const;

    // Invariant: m_nodes and m_weights each hold m_size entries.
    std::size_t m_size = 0;
    int m_domainIndex = -1;
    std::vector<int> m_nodes;
    std::vector<float> m_weights;
};

} // namespace zev
