#include "zev/interpolants/FaceToFaceInterpolant.h"

#include "zev/contracts/BoolFromEnvironment.h"
#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"
#include "zev/contracts/StringUtilities.h"
#include "zev/interpolants/CellValueAccess.h"
#include "zev/interpolants/TypedInterpolantImpl.h"
#include "zev/shapes/GeometryUtilities.h"

#include <algorithm>
#include <optional>
#include <ostream>
#include <set>

namespace zev {

namespace {

const char* const kClass = "FaceToFaceInterpolant";

using FaceTypeData = std::map<std::string, std::vector<int>>;

// Copies each face type's face array into the type's own stretch of the target. A type whose
// array is missing, or shorter than its face list, leaves the rest of its stretch undefined;
// a longer array is cut at the type's face count.
template <class Parent, class Target>
void fromFaces(const FaceTypeData& p_types, const Parent& p_parent, const std::set<std::string>& p_faceSets,
               std::size_t p_faceCount, Target& p_target)
{
    using Kind = detail::ValueKind<Parent>;
    auto&& out = detail::writerOf(p_target);
    std::size_t start = 0;
    for (const auto& type : p_types) {
        const std::size_t faces = type.second.size() / 3;
        if (start < p_faceCount && p_faceSets.count(type.first) != 0) {
            const typename Kind::Reader source =
                Kind::read(p_parent, Variable::Description(eConservative, eFace, type.first));
            const std::size_t n = std::min({source.size(), faces, p_faceCount - start});
            for (std::size_t i = 0; i < n; ++i)
                out[start + i] = source[i];
        }
        start += faces;
    }
}

// Gives each face the value of its parent element. Faces of an element set the parent holds
// no data for, or naming an element outside the parent's array, are undefined.
template <class Parent, class Target>
void fromElements(const FaceTypeData& p_types, const Parent& p_parent, std::size_t p_faceCount,
                  Target& p_target)
{
    using Kind = detail::ValueKind<Parent>;
    using Reader = typename Kind::Reader;
    auto&& out = detail::writerOf(p_target);
    const auto undefined = Kind::undefined();
    const std::set<std::string> elementSets = p_parent.getElementSetNames();
    // Each set's array is fetched once; faces of one set usually come in runs.
    std::map<int, std::optional<Reader>> readers;
    const std::optional<Reader>* current = nullptr;
    int currentSet = 0;
    std::size_t position = 0;
    for (const auto& type : p_types) {
        const std::vector<int>& triples = type.second;
        for (std::size_t k = 0; k + 2 < triples.size() && position < p_faceCount; k += 3) {
            const int set = triples[k];
            if (current == nullptr || set != currentSet) {
                auto it = readers.find(set);
                if (it == readers.end()) {
                    const std::string name = detail::elementSetName(set);
                    std::optional<Reader> reader;
                    if (elementSets.count(name) != 0)
                        reader.emplace(
                            Kind::read(p_parent, Variable::Description(eConservative, eElement, name)));
                    it = readers.emplace(set, reader).first;
                }
                current = &it->second;
                currentSet = set;
            }
            const int element = triples[k + 1];
            out[position++] =
                current->has_value() && element >= 0 && static_cast<std::size_t>(element) < (*current)->size()
                    ? (**current)[static_cast<std::size_t>(element)]
                    : undefined;
        }
    }
}

template <class Parent, class Target>
void interpolateBoundary(const FaceTypeData& p_types, const std::string& p_region,
                         const std::string& p_boundaryType, int p_faceCount,
                         const std::vector<const Parent*>& p_parents, Target& p_target)
{
    detail::checkParentCount(p_parents.size(), 1, kClass,
                             "FaceToFaceInterpolant must have exactly one parent domain to interpolate.");
    const Parent& parent = *p_parents[0];
    const std::set<std::string> faceSets = parent.getFaceSetNames();
    bool useFaces = std::any_of(faceSets.begin(), faceSets.end(), [&](const std::string& p_name) {
        return StringUtilities::startsWith(p_name, p_region);
    });
    // Vector data on a symmetry boundary keeps its face values whatever the flag says: the
    // adjacent element values do not satisfy the boundary's condition on the normal component.
    const bool symmetryVector = parent.isVector() && p_boundaryType == "SYMMETRY";
    if (useFaces && !symmetryVector && FaceToFaceInterpolant::boundaryDataFromElements() &&
        parent.isElementVariable())
        useFaces = false;

    const std::size_t faceCount = static_cast<std::size_t>(std::max(p_faceCount, 0));
    detail::resetTarget(p_target, faceCount);
    if (useFaces)
        fromFaces(p_types, parent, faceSets, faceCount, p_target);
    else if (parent.isElementVariable())
        fromElements(p_types, parent, faceCount, p_target);
}

} // namespace

FaceToFaceInterpolant::FaceToFaceInterpolant(const std::string& p_domain, const std::string& p_region)
    : TypedInterpolant(p_domain, FaceToFaceRank), m_region(p_region)
{
    for (const char* kind : {"POLYGON", "QUAD", "TRI"})
        m_faceTypeData[GeometryUtilities::getFaceSetName(p_region, kind)];
}

FaceToFaceInterpolant::~FaceToFaceInterpolant() = default;

const BoolFromEnvironment& FaceToFaceInterpolant::boundaryDataFromElements()
{
    static const BoolFromEnvironment s_fromElements("MOLVERA_BOUNDARY_DATA_FROM_ELEMENTS");
    return s_fromElements;
}

std::size_t FaceToFaceInterpolant::size() const
{
    std::size_t ints = 0;
    for (const auto& type : m_faceTypeData)
        ints += type.second.size();
    return ints / 3;
}

std::vector<int>& FaceToFaceInterpolant::listOf(const std::string& p_faceType, const char* p_method)
{
    const auto it = m_faceTypeData.find(p_faceType);
    if (it == m_faceTypeData.end())
        throw internal::error(kClass, p_method, SystemMsg("Invalid Face Type '%1'").arg(p_faceType));
    return it->second;
}

void FaceToFaceInterpolant::reserve(const std::string& p_faceType, int p_count)
{
    std::vector<int>& list = listOf(p_faceType, "reserve");
    if (p_count > 0)
        list.reserve(static_cast<std::size_t>(p_count));
}

void FaceToFaceInterpolant::pushFace(const std::string& p_faceType, int p_setIndex, int p_element,
                                     int p_localFace)
{
    std::vector<int>& list = listOf(p_faceType, "pushFace");
    list.insert(list.end(), {p_setIndex, p_element, p_localFace});
    ++m_faceCount;
}

const std::vector<int>& FaceToFaceInterpolant::getFaceSetData(const std::string& p_faceType) const
{
    const auto it = m_faceTypeData.find(p_faceType);
    if (it == m_faceTypeData.end())
        throw internal::error(kClass, "getFaceSetData",
                              SystemMsg("Failed to retrieve data for '%1' face type.").arg(p_faceType));
    return it->second;
}

template <class Parent, class Target>
void FaceToFaceInterpolant::interpolateValues(const std::vector<const Parent*>& p_parents, VarType,
                                              Target& p_target) const
{
    interpolateBoundary(m_faceTypeData, m_region, m_boundaryType, m_faceCount, p_parents, p_target);
}

void FaceToFaceInterpolant::write(std::ostream& p_os) const
{
    p_os << "Printing FaceToFaceInterpolant" << std::endl << std::endl;
}

template class TypedInterpolant<FaceToFaceInterpolant>;

} // namespace zev
