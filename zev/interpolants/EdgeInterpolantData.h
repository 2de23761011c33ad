#pragma once
// One vertex of a derived geometry that lies on a parent edge: the value there is
// m_weight * value(m_vertex1) + (1 - m_weight) * value(m_vertex2).

namespace zev {

class EdgeInterpolantData {
public:
    EdgeInterpolantData() = default;
    EdgeInterpolantData(int p_vertex1, int p_vertex2, float p_weight)
        : m_vertex1(p_vertex1), m_vertex2(p_vertex2), m_weight(p_weight)
    {
    }

    int m_vertex1 = 0;
    int m_vertex2 = 0;
    float m_weight = 0.0f;
};

static_assert(sizeof(EdgeInterpolantData) == 12, "edge records are two ints and a float");

} // namespace zev
