#include "zev/interpolants/HybridInterpolantData.h"

#include <limits>

namespace zev {

HybridInterpolantData::HybridInterpolantData(int p_node) : m_size(1), m_nodes{p_node}, m_weights{1.0f} {}

HybridInterpolantData::HybridInterpolantData(int p_first, int p_second, float p_weight)
    : m_size(2), m_nodes{p_first, p_second}, m_weights{p_weight, 1.0f - p_weight}
{
}

HybridInterpolantData::HybridInterpolantData(const EdgeInterpolantData& p_edge)
    : HybridInterpolantData(p_edge.m_vertex1, p_edge.m_vertex2, p_edge.m_weight)
{
}

HybridInterpolantData::HybridInterpolantData(const int* p_nodes, const float* p_weights, int p_count)
{
    if (p_count <= 0 || p_nodes == nullptr || p_weights == nullptr)
        return;
    m_size = static_cast<std::size_t>(p_count);
    m_nodes.assign(p_nodes, p_nodes + p_count);
    m_weights.assign(p_weights, p_weights + p_count);
}

HybridInterpolantData::HybridInterpolantData(const std::vector<ExternalInterpolantData>& p_data)
    : m_size(p_data.size())
{
    m_nodes.reserve(p_data.size());
    m_weights.reserve(p_data.size());
    for (const ExternalInterpolantData& d : p_data) {
        m_nodes.push_back(d.node);
        m_weights.push_back(d.weight);
    }
}

void HybridInterpolantData::scale(float p_factor)
{
    for (float& w : m_weights)
        w *= p_factor;
}

HybridInterpolantData& HybridInterpolantData::operator*(float p_factor)
{
    scale(p_factor);
    return *this;
}

void HybridInterpolantData::normalize()
{
    float sum = 0.0f;
    for (float w : m_weights)
        sum += w;
    if (sum > std::numeric_limits<float>::epsilon()) {
        for (float& w : m_weights)
            w /= sum;
    } else {
        m_nodes.clear();
        m_weights.clear();
        m_size = 0;
    }
}

HybridInterpolantData& HybridInterpolantData::operator+=(const HybridInterpolantData& p_other)
{
    m_nodes.insert(m_nodes.end(), p_other.m_nodes.begin(), p_other.m_nodes.end());
    m_weights.insert(m_weights.end(), p_other.m_weights.begin(), p_other.m_weights.end());
    m_size += p_other.m_size;
    return *this;
}

HybridInterpolantData HybridInterpolantData::operator+(const HybridInterpolantData& p_other) const
{
    HybridInterpolantData sum(*this);
    sum += p_other;
    return sum;
}

} // namespace zev
