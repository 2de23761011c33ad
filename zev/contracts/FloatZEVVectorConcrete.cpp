#include "zev/contracts/FloatZEVVectorConcrete.h"

namespace zev {

FloatZEVVectorConcrete::FloatZEVVectorConcrete(const float* p_values, std::size_t p_count)
{
    redefine(p_values, p_count);
}

FloatZEVVectorConcrete::~FloatZEVVectorConcrete() = default;

void FloatZEVVectorConcrete::redefine(const float* p_values, std::size_t p_count)
{
    if (p_count == 0 || p_values == nullptr) {
        m_data.clear();
        return;
    }
    m_data.assign(p_values, p_values + p_count);
}

} // namespace zev
