#include "zev/derived/SurfaceGroupGeometry.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"
#include "zev/contracts/TripletZEVVector.h"
#include "zev/contracts/Undefined.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/interpolants/FloatArrayAccess.h"
#include "zev/variables/ScalarVariable.h"
#include "zev/variables/VectorVariable.h"

#include <algorithm>
#include <memory>
#include <set>

namespace zev {

namespace {

const char* const kClass = "SurfaceGroupGeometry";

// Where one member's values go in the group's array: through its vertex map, or into its
// run [offset, offset + slot) of the group's items.
struct Placement {
    const std::vector<int>* map = nullptr;
    std::size_t offset = 0;
    std::size_t slot = 0;
};

// Copies a member's values into the group's array. Neither a member array shorter than its
// map nor a map entry outside the group's array is followed; a member's values never spill
// into the run of the next member.
template <class Source, class Target>
void place(const Source& p_source, std::size_t p_sourceSize, Target& p_target, std::size_t p_targetSize,
           const Placement& p_where)
{
    if (p_where.map) {
        const std::size_t n = std::min(p_where.map->size(), p_sourceSize);
        for (std::size_t k = 0; k < n; ++k) {
            const int at = (*p_where.map)[k];
            if (at >= 0 && static_cast<std::size_t>(at) < p_targetSize)
                p_target[static_cast<std::size_t>(at)] = p_source[k];
        }
    } else {
        const std::size_t n = std::min(p_sourceSize, p_where.slot);
        for (std::size_t i = 0; i < n; ++i)
            p_target[p_where.offset + i] = p_source[i];
    }
}

} // namespace

Geometry* SurfaceGroupGeometry::newGeometry()
{
    return new SurfaceGroupGeometry();
}

void SurfaceGroupGeometry::registerType()
{
    GeometryAPI::instance()->registerPrototype("SurfaceGroupGeometry", new SurfaceGroupGeometry());
}

void SurfaceGroupGeometry::unify(bool p_makeInterpolant)
{
    if (m_geometries.empty())
        throw internal::error(kClass, "unify", SystemMsg("No geometry to unify."));
    Geometry::unify(m_geometries, m_vertexMaps, true, p_makeInterpolant);
    hasFaceData(std::all_of(m_geometries.begin(), m_geometries.end(),
                            [](const Geometry* p_member) { return p_member->hasFaceData(); }));
}

Geometry* SurfaceGroupGeometry::clone(bool p_allowContents, bool p_copyInterpolants)
{
    GeometryAPI* registry = GeometryAPI::instance();
    Geometry* copy = registry->newGeometry("SurfaceGroupGeometry", nullptr);
    if (auto* group = dynamic_cast<SurfaceGroupGeometry*>(copy)) {
        group->m_geometries = m_geometries;
        group->m_vertexMaps = m_vertexMaps;
    }
    try {
        return cloneBase(p_allowContents, p_copyInterpolants, copy);
    } catch (...) {
        registry->deleteGeometry(copy); // the caller never receives it
        throw;
    }
}

VarLocation SurfaceGroupGeometry::getVariableSearchLocation()
{
    if (m_geometries.empty())
        throw internal::error(kClass, "getVariableSearchLocation", SystemMsg("No surface geometries."));
    std::set<VarLocation> locations;
    for (Geometry* member : m_geometries)
        if (member)
            locations.insert(member->getVariableSearchLocation());
    return locations.size() == 1 ? *locations.begin() : eVertex;
}

Variable* SurfaceGroupGeometry::getVariable(const std::string& p_name, bool p_flag,
                                            const VarLocation& p_location)
{
    if (Variable* held = findVariable(p_name, p_location))
        return held;
    if (m_geometries.empty() || m_vertexMaps.size() != m_geometries.size())
        return nullptr;

    Variable* first = nullptr;
    for (Geometry* member : m_geometries)
        if (member && (first = member->getVariable(p_name, p_flag, p_location)) != nullptr)
            break;
    if (first == nullptr)
        return nullptr;
    const bool isVector = dynamic_cast<const VectorVariable*>(first) != nullptr;
    std::unique_ptr<Variable> result;
    if (isVector)
        result = std::make_unique<VectorVariable>(eUnknown, eVertex);
    else
        result = std::make_unique<ScalarVariable>(eUnknown, eVertex);

    // Every member owns a run of the group's items at the location, whether or not it has
    // the variable, so that a member without it shifts nobody else's values.
    const std::size_t count = m_geometries.size();
    std::vector<std::size_t> offsets(count, 0);
    std::size_t total = 0;
    for (std::size_t k = 0; k < count; ++k) {
        offsets[k] = total;
        if (m_geometries[k])
            total += m_geometries[k]->getSize(p_location);
    }
    total = std::max(total, getSize(p_location));

    // The types whose group array has been sized and filled with the undefined value.
    std::set<VarType> started;
    for (std::size_t k = 0; k < count; ++k) {
        Geometry* member = m_geometries[k];
        if (member == nullptr)
            continue;
        const Variable* values = member->getVariable(p_name, p_flag, p_location);
        if (values == nullptr)
            continue;
        Placement where;
        if (!member->hasFaceData()) {
            if (m_vertexMaps[k].size() != static_cast<std::size_t>(member->getNumVertices()))
                continue;
            where.map = &m_vertexMaps[k];
        }
        where.offset = offsets[k];
        where.slot = member->getSize(p_location);

        for (VarType type : values->getAllTypes(p_location)) {
            const Variable::Description description(type, p_location, "All");
            const bool fresh = started.insert(type).second;
            if (isVector) {
                const auto* source = dynamic_cast<const VectorVariable*>(values);
                if (source == nullptr)
                    throw internal::bad_cast(kClass, "getVariable",
                                             SystemMsg("Bad cast of %1 '%2' to %3.")
                                                 .arg("variable")
                                                 .arg(values->getName())
                                                 .arg("VectorVariable"));
                const TripletZEVVector& from = source->getTripletValues(description);
                TripletZEVVector& to = static_cast<VectorVariable&>(*result).getTripletValues(description);
                if (fresh) {
                    to.clear();
                    to.resize(total, Triplet(ZEV_UNDEF, ZEV_UNDEF, ZEV_UNDEF));
                }
                place(from, from.size(), to, to.size(), where);
            } else {
                const auto* source = dynamic_cast<const ScalarVariable*>(values);
                if (source == nullptr)
                    throw internal::error(kClass, "getVariable",
                                          SystemMsg("Bad cast of %1 '%2' to %3.")
                                              .arg("Variable")
                                              .arg(values->getName())
                                              .arg("ScalarVariable"));
                const detail::FloatReader from(source->getFloatValues(description));
                FloatZEVVector& array = static_cast<ScalarVariable&>(*result).getFloatValues(description);
                if (fresh)
                    array.resize(total);
                detail::FloatWriter to(array);
                if (fresh)
                    for (std::size_t i = 0; i < total; ++i)
                        to[i] = ZEV_UNDEF;
                place(from, from.size(), to, array.size(), where);
            }
        }
    }

    result->setName(p_name);
    addVariable(result.get(), p_location);
    return result.release();
}

} // namespace zev
