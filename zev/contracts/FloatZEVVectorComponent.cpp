#include "zev/contracts/FloatZEVVectorComponent.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"

namespace zev {

FloatZEVVectorComponent::FloatZEVVectorComponent(TripletZEVVector& p_triplets, int p_component)
    : m_triplets(&p_triplets), m_component(p_component)
{
    if (p_component < 0 || p_component > 2)
        throw data::invalid("FloatZEVVectorComponent", "FloatZEVVectorComponent",
                            SystemMsg("Component (%1) out of range 0..2").arg(p_component));
}

FloatZEVVectorComponent::~FloatZEVVectorComponent() = default;

const float* FloatZEVVectorComponent::basePointer() const
{
    const float* base = m_triplets->floatData();
    return base ? base + m_component : nullptr;
}

FloatZEVVector::Iterator FloatZEVVectorComponent::Begin()
{
    float* base = m_triplets->floatData();
    return Iterator(base ? base + m_component : nullptr, 3);
}

FloatZEVVector::Iterator FloatZEVVectorComponent::End()
{
    float* base = m_triplets->floatData();
    return Iterator(base ? base + m_component + 3 * m_triplets->size() : nullptr, 3);
}

} // namespace zev
