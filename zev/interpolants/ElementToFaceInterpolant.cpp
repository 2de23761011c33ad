#include "zev/interpolants/ElementToFaceInterpolant.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"
#include "zev/interpolants/CellValueAccess.h"
#include "zev/interpolants/TypedInterpolantImpl.h"

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <set>

namespace zev {

namespace {
const char* const kClass = "ElementToFaceInterpolant";
} // namespace

ElementToFaceInterpolant::ElementToFaceInterpolant(const std::string& p_domain, int p_maxSets)
    : TypedInterpolant(p_domain, ElementToFaceRank), m_maxArrays(std::max(p_maxSets, 0))
{
    m_elementArrays.resize(static_cast<std::size_t>(m_maxArrays));
    m_arraySets.resize(static_cast<std::size_t>(m_maxArrays));
}

ElementToFaceInterpolant::~ElementToFaceInterpolant() = default;

void ElementToFaceInterpolant::reserve(std::size_t p_count)
{
    m_faceSources.resize(p_count, std::make_pair(0, 0));
}

int ElementToFaceInterpolant::findElementArrayID(int p_setIndex) const
{
    const auto it = m_arrayIds.find(p_setIndex);
    if (it != m_arrayIds.end())
        return it->second;
    if (m_numArrays == m_maxArrays)
        throw internal::error(kClass, "getElementArrayID",
                              SystemMsg("Failed to find element set  '%1'").arg(p_setIndex));
    return m_numArrays;
}

int ElementToFaceInterpolant::getElementArrayID(int p_setIndex)
{
    const int id = findElementArrayID(p_setIndex);
    if (id == m_numArrays) {
        m_arrayIds[p_setIndex] = id;
        m_arraySets[static_cast<std::size_t>(id)] = p_setIndex;
        ++m_numArrays;
    }
    return id;
}

void ElementToFaceInterpolant::reserve(int p_setIndex, int p_count)
{
    const int id = getElementArrayID(p_setIndex);
    if (p_count > 0)
        m_elementArrays[static_cast<std::size_t>(id)].reserve(static_cast<std::size_t>(p_count));
}

void ElementToFaceInterpolant::pushFace(int p_setIndex, int p_element, int p_face)
{
    // Both checks come before anything is recorded, so a refused face changes nothing.
    findElementArrayID(p_setIndex);
    if (p_face < 0 || static_cast<std::size_t>(p_face) >= m_faceSources.size())
        throw data::invalid(
            kClass, "pushFace",
            SystemMsg("Face %1 is outside the %2 reserved faces.").arg(p_face).arg(m_faceSources.size()));
    const int id = getElementArrayID(p_setIndex);
    m_elementArrays[static_cast<std::size_t>(id)].emplace_back(p_element, p_face);
    m_faceSources[static_cast<std::size_t>(p_face)] = std::make_pair(p_setIndex, p_element);
    ++m_faceCount;
}

void ElementToFaceInterpolant::pack()
{
    for (auto& pairs : m_elementArrays)
        pairs.shrink_to_fit();
}

void ElementToFaceInterpolant::setFaceSetData(const std::string& p_name, int p_first, int p_count)
{
    const char* const method = "setFaceSetIndex";
    if (p_name.empty())
        throw internal::error(kClass, method, SystemMsg("Empty face set name"));
    if (m_faceSets.count(p_name) != 0)
        throw internal::error(kClass, method,
                              SystemMsg("Storing index for already existing face set '%1'").arg(p_name));
    if (p_first < 0 || p_count < 0)
        throw internal::error(kClass, method, SystemMsg("Invalid data for face set '%1'").arg(p_name));
    m_faceSets.emplace(p_name, std::make_pair(p_first, p_count));
}

std::vector<std::pair<int, int>> ElementToFaceInterpolant::getFaceSetData(const std::string& p_name) const
{
    const auto it = p_name.empty() ? m_faceSets.end() : m_faceSets.find(p_name);
    if (it == m_faceSets.end())
        throw internal::error(kClass, "getFaceSetData", SystemMsg("Invalid face set name '%1'").arg(p_name));
    // A face set may claim faces beyond the table; only the faces the table holds are returned.
    const std::size_t tableSize = m_faceSources.size();
    const std::size_t first = std::min(static_cast<std::size_t>(it->second.first), tableSize);
    const std::size_t last =
        std::min(static_cast<std::uint64_t>(it->second.first) + static_cast<std::uint64_t>(it->second.second),
                 static_cast<std::uint64_t>(tableSize));
    return std::vector<std::pair<int, int>>(m_faceSources.begin() + static_cast<std::ptrdiff_t>(first),
                                            m_faceSources.begin() + static_cast<std::ptrdiff_t>(last));
}

namespace {

template <class Parent, class Target>
void interpolateFaces(const std::vector<std::vector<std::pair<int, int>>>& p_arrays,
                      const std::vector<int>& p_arraySets, int p_numArrays, std::size_t p_faceCount,
                      const std::vector<const Parent*>& p_parents, Target& p_target)
{
    using Kind = detail::ValueKind<Parent>;
    detail::checkParentCount(p_parents.size(), 1, kClass,
                             "ElementToFaceInterpolant must have exactly one parent domain to interpolate.");
    const Parent& parent = *p_parents[0];
    // Faces no pair reaches keep the undefined value rather than whatever the target held.
    detail::resetTarget(p_target, p_faceCount);
    auto&& out = detail::writerOf(p_target);
    const auto undefined = Kind::undefined();
    const std::set<std::string> parentSets = parent.getElementSetNames();
    for (int id = 0; id < p_numArrays; ++id) {
        const std::string name = detail::elementSetName(p_arraySets[static_cast<std::size_t>(id)]);
        if (parentSets.count(name) == 0)
            continue;
        const typename Kind::Reader source =
            Kind::read(parent, Variable::Description(eConservative, eElement, name));
        const std::size_t count = source.size();
        for (const std::pair<int, int>& pair : p_arrays[static_cast<std::size_t>(id)]) {
            const auto face = static_cast<std::size_t>(pair.second);
            if (pair.second < 0 || face >= p_faceCount)
                continue;
            const auto element = static_cast<std::size_t>(pair.first);
            out[face] = pair.first >= 0 && element < count ? source[element] : undefined;
        }
    }
}

} // namespace

template <class Parent, class Target>
void ElementToFaceInterpolant::interpolateValues(const std::vector<const Parent*>& p_parents, VarType,
                                                 Target& p_target) const
{
    interpolateFaces(m_elementArrays, m_arraySets, m_numArrays, m_faceCount, p_parents, p_target);
}

void ElementToFaceInterpolant::write(std::ostream& p_os) const
{
    p_os << "Printing ElementToFaceInterpolant"
         << "Number of faces: " << m_faceCount << std::endl;
    for (const auto& set : m_faceSets)
        p_os << "Face Set Indices:(" << set.first << "," << set.second.first << "," << set.second.second
             << ")" << std::endl;
    p_os << std::endl;
}

template class TypedInterpolant<ElementToFaceInterpolant>;

} // namespace zev
