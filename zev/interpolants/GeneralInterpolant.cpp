#include "zev/interpolants/GeneralInterpolant.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"
#include "zev/contracts/TripletZEVVector.h"
#include "zev/interpolants/HybridInterpolantData.h"
#include "zev/interpolants/RenormalisedSum.h"
#include "zev/interpolants/TypedInterpolantImpl.h"
#include "zev/shapes/Shape.h"
#include "zev/variables/ScalarVariable.h"
#include "zev/variables/VectorVariable.h"

#include <algorithm>
#include <ostream>

namespace zev {

namespace {

const char* const kClass = "GeneralInterpolant";

} // namespace

GeneralInterpolant::GeneralInterpolant(const std::string& p_domain) : TypedInterpolant(p_domain, GeneralRank)
{
}

GeneralInterpolant::~GeneralInterpolant() = default;

void GeneralInterpolant::reserve(std::size_t p_count)
{
    m_counts.reserve(p_count);
    m_offsets.reserve(p_count + 1);
    m_data.reserve(4 * p_count);
}

int GeneralInterpolant::getMaxNodeNumber() const
{
    return detail::maxNodeOf(m_data);
}

void GeneralInterpolant::appendNode(int p_node, float p_weight)
{
    m_data.emplace_back(p_node, p_weight);
}

void GeneralInterpolant::pushVertex(const GeneralInterpolantNodedef& p_def)
{
    // The nodedef holds eight entries: a larger or negative count would read past them.
    if (p_def.count < 0 || p_def.count > GeneralInterpolantNodedef::s_maxNodes)
        throw internal::badParam(kClass, "pushVertex",
                                 SystemMsg("Node count %1 out of range 0..%2")
                                     .arg(p_def.count)
                                     .arg(GeneralInterpolantNodedef::s_maxNodes));
    m_data.insert(m_data.end(), p_def.data, p_def.data + p_def.count);
    m_counts.push_back(p_def.count);
    m_offsets.push_back(m_data.size());
}

void GeneralInterpolant::pushVertex(const Shape* p_shape, const float* p_weights)
{
    if (p_shape == nullptr)
        throw internal::badParam(kClass, "pushVertex", SystemMsg("Null pointer to %1.").arg("p_shape"));
    const int n = p_shape->getNumVertices();
    if (n > 0 && p_weights == nullptr)
        throw internal::badParam(kClass, "pushVertex", SystemMsg("Null pointer to %1.").arg("p_weights"));
    for (int k = 0; k < n; ++k)
        appendNode((*p_shape)[k], p_weights[k]);
    m_counts.push_back(std::max(n, 0));
    m_offsets.push_back(m_data.size());
}

void GeneralInterpolant::clear()
{
    m_counts.clear();
    m_data.clear();
    m_offsets.assign(1, 0);
}

template <class Parent, class Target>
void GeneralInterpolant::interpolateValues(const std::vector<const Parent*>& p_parents, VarType p_type,
                                           Target& p_target) const
{
    using Kind = detail::ValueKind<Parent>;
    const typename Kind::Reader parent = detail::soleParentVertices(
        p_parents, p_type, kClass, "GeneralInterpolant must have exactly one parent domain to interpolate.");
    const bool strict = detail::strictUndefined();
    const std::size_t n = m_counts.size();
    p_target.resize(n);
    auto&& target = detail::writerOf(p_target);
    const GeneralInterpolantData* nodes = m_data.data();
    for (std::size_t i = 0; i < n; ++i) {
        target[i] = detail::renormalisedSum<Kind>(nodes, m_counts[i], parent, strict);
        nodes += m_counts[i];
    }
}

int GeneralInterpolant::getInternalData(int p_item, HybridInterpolantData& p_data,
                                        std::string& p_domain) const
{
    std::size_t begin = 0;
    std::size_t end = 0;
    if (!detail::nodeRange(p_item, m_counts, m_offsets, begin, end))
        return -1;
    std::vector<int> nodes;
    std::vector<float> weights;
    nodes.reserve(end - begin);
    weights.reserve(end - begin);
    for (std::size_t k = begin; k < end; ++k) {
        nodes.push_back(m_data[k].node);
        weights.push_back(m_data[k].weight);
    }
    p_data = HybridInterpolantData(nodes.data(), weights.data(), static_cast<int>(nodes.size()));
    if (!m_domains.empty())
        p_domain = m_domains.front();
    return 0;
}

void GeneralInterpolant::write(std::ostream& p_os) const
{
    p_os << "PRINTING GeneralInterpolant" << std::endl;
    const GeneralInterpolantData* nodes = m_data.data();
    for (int count : m_counts) {
        p_os << count;
        detail::writeNodes(p_os, nodes, count);
        p_os << std::endl;
        nodes += count;
    }
}

template class TypedInterpolant<GeneralInterpolant>;

} // namespace zev
