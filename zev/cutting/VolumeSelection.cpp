#include "zev/cutting/VolumeSelection.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"
#include "zev/contracts/Undefined.h"
#include "zev/geometry/Geometry.h"
#include "zev/interpolants/ElementToElementInterpolant.h"
#include "zev/interpolants/FloatArrayAccess.h"
#include "zev/shapes/ElementFactory.h"
#include "zev/shapes/FaceFactory.h"
#include "zev/shapes/ShapeDispatch.h"
#include "zev/variables/Variable.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <utility>

namespace zev {

namespace {

// Both entry points report as the geometry's selection method.
const char* const kClass = "Geometry";
const char* const kMethod = "calcVolume";

// Vertex classes, as bits so that an element's vertices combine into one mask by OR.
enum : std::uint8_t {
    kOn = 1,        // equal to the threshold, or to either bound of a range
    kBelow = 2,     // less than the threshold (or than both bounds)
    kAbove = 4,     // greater than the threshold (or than both bounds)
    kInside = 8,    // strictly between the bounds of a range
    kUncounted = 16 // undefined, not a number, or a vertex id outside the vertex array
};
constexpr std::size_t kMasks = 32;

// Whether an element whose vertex classes OR to a mask is selected, for every mask.
using Rule = std::array<std::uint8_t, kMasks>;

Rule makeRule(VolumeSelection::Side p_side, bool p_inclusive)
{
    Rule rule{};
    for (std::size_t mask = 0; mask < kMasks; ++mask) {
        const bool on = (mask & kOn) != 0;
        const bool below = (mask & kBelow) != 0;
        const bool above = (mask & kAbove) != 0;
        const bool inside = (mask & kInside) != 0;
        bool keep = false;
        switch (p_side) {
        case VolumeSelection::eBelow:
        case VolumeSelection::eAbove: {
            const bool wanted = p_side == VolumeSelection::eBelow ? below : above;
            const bool other = p_side == VolumeSelection::eBelow ? above : below;
            keep = p_inclusive ? (on || wanted) : (!on && wanted && !other);
            break;
        }
        case VolumeSelection::eBetween:
            // Exclusive: every vertex judged inside, so an uncounted vertex rejects the
            // element and an element with no vertex is never selected.
            keep = p_inclusive ? (inside || on) : mask == kInside;
            break;
        default:
            keep = on || (below && above);
            break;
        }
        rule[mask] = keep ? 1 : 0;
    }
    return rule;
}

inline std::uint8_t classOf(float p_value, float p_threshold)
{
    if (p_value == p_threshold)
        return kOn;
    if (p_value < p_threshold)
        return kBelow;
    if (p_value > p_threshold)
        return kAbove;
    return kUncounted;
}

// The class of each domain vertex, computed once; elements look their vertices up here.
class VertexClasses {
public:
    explicit VertexClasses(std::size_t p_count) : m_classes(p_count, kUncounted) {}

    std::uint8_t* data() { return m_classes.data(); }
    std::size_t size() const { return m_classes.size(); }
    // A vertex id outside the array (a broken mesh) counts as no vertex rather than being read.
    std::uint8_t of(int p_vertex) const
    {
        const auto v = static_cast<std::size_t>(static_cast<unsigned>(p_vertex));
        return v < m_classes.size() ? m_classes[v] : static_cast<std::uint8_t>(kUncounted);
    }

private:
    std::vector<std::uint8_t> m_classes;
};

VertexClasses classifySurface(const Geometry& p_domain, const VolumeSelection::Surface& p_surface,
                              const detail::FloatReader* p_values)
{
    const TripletZEVVector& vertices = p_domain.getVertices();
    const std::size_t n = vertices.size();
    VertexClasses classes(n);
    std::uint8_t* out = classes.data();
    switch (p_surface.kind) {
    case VolumeSelection::ePlane: {
        const Triplet& normal = p_surface.normal;
        for (std::size_t v = 0; v < n; ++v)
            out[v] = classOf(normal.dot(vertices[v]), p_surface.d);
        break;
    }
    case VolumeSelection::eIsosurface:
        for (std::size_t v = 0; v < n; ++v) {
            const float value = (*p_values)[v];
            out[v] = value == ZEV_UNDEF ? static_cast<std::uint8_t>(kUncounted)
                                        : classOf(value, p_surface.isoValue);
        }
        break;
    default: {
        const Triplet& centre = p_surface.centre;
        for (std::size_t v = 0; v < n; ++v)
            out[v] = classOf((vertices[v] - centre).length(), p_surface.radius);
        break;
    }
    }
    return classes;
}

VertexClasses classifyRange(std::size_t p_count, const detail::FloatReader& p_values,
                            VolumeSelection::Side p_range, float p_first, float p_second)
{
    VertexClasses classes(p_count);
    std::uint8_t* out = classes.data();
    if (p_range != VolumeSelection::eBetween) {
        for (std::size_t v = 0; v < p_count; ++v) {
            const float value = p_values[v];
            out[v] = value == ZEV_UNDEF ? static_cast<std::uint8_t>(kUncounted) : classOf(value, p_first);
        }
        return classes;
    }
    const float low = std::min(p_first, p_second);
    const float high = std::max(p_first, p_second);
    for (std::size_t v = 0; v < p_count; ++v) {
        const float value = p_values[v];
        std::uint8_t c = kUncounted;
        if (value == ZEV_UNDEF)
            c = kUncounted;
        else if (value == p_first || value == p_second)
            c = kOn;
        else if (value > low && value < high)
            c = kInside;
        else if (value < low)
            c = kBelow;
        else if (value > high)
            c = kAbove;
        out[v] = c;
    }
    return classes;
}

// ------------------------------------------------------------------ marking and copying

// Marks the selected elements of p_set in p_flags (one byte per element) and returns their
// count. The fixed element classes are read through their concrete set, without a virtual
// call per vertex.
template <class T>
std::size_t markTyped(const ShapeSetBase<T>& p_set, const VertexClasses& p_classes, const Rule& p_rule,
                      std::uint8_t* p_flags)
{
    const std::size_t n = p_set.size();
    const T* shapes = p_set.data();
    const int corners = T::staticGetNumVertices();
    std::size_t count = 0;
    for (std::size_t i = 0; i < n; ++i) {
        unsigned mask = 0;
        for (int k = 0; k < corners; ++k)
            mask |= p_classes.of(shapes[i][k]);
        p_flags[i] = p_rule[mask];
        count += p_flags[i];
    }
    return count;
}

std::size_t markAny(const ShapeSet& p_set, const VertexClasses& p_classes, const Rule& p_rule,
                    std::uint8_t* p_flags)
{
    const std::size_t n = p_set.size();
    std::size_t count = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const Shape& shape = p_set[i];
        const int corners = shape.getNumVertices();
        unsigned mask = 0;
        for (int k = 0; k < corners; ++k)
            mask |= p_classes.of(shape[k]);
        p_flags[i] = p_rule[mask];
        count += p_flags[i];
    }
    return count;
}

// Copies the flagged elements of p_from into p_to, in order. For the fixed classes this is
// what Shape::copyFrom does (the vertex ids; the interpolation proxy stays), without its
// two virtual calls per element.
template <class T>
void copyTyped(const ShapeSetBase<T>& p_from, ShapeSetBase<T>& p_to, const std::uint8_t* p_flags)
{
    const std::size_t n = p_from.size();
    const T* in = p_from.data();
    T* out = p_to.data();
    const int corners = T::staticGetNumVertices();
    for (std::size_t i = 0; i < n; ++i) {
        if (!p_flags[i])
            continue;
        for (int k = 0; k < corners; ++k)
            (*out)[k] = in[i][k];
        ++out;
    }
}

void copyAny(const ShapeSet& p_from, ShapeSet& p_to, const std::uint8_t* p_flags)
{
    const std::size_t n = p_from.size();
    std::size_t j = 0;
    for (std::size_t i = 0; i < n; ++i)
        if (p_flags[i])
            p_to[j++].copyFrom(p_from[i]);
}

template <class T>
bool markAndCopy(const ShapeSet& p_from, const VertexClasses& p_classes, const Rule& p_rule,
                 std::uint8_t* p_flags, std::size_t& p_count, std::unique_ptr<ShapeSet>& p_copy)
{
    const auto* typed = asTypedSet<T>(p_from);
    if (typed == nullptr)
        return false;
    p_count = markTyped(*typed, p_classes, p_rule, p_flags);
    if (p_count == 0)
        return true;
    p_copy.reset(
        ElementFactory::instance()->getElementSetByType(T::staticGetType(), static_cast<int>(p_count)));
    copyTyped(*typed, static_cast<ShapeSetBase<T>&>(*p_copy), p_flags);
    return true;
}

// A new set of p_count default shapes of p_type; element sets may also hold faces.
ShapeSet* newSetOfType(ShapeType p_type, std::size_t p_count)
{
    const int n = static_cast<int>(p_count);
    if (ElementFactory::instance()->getNumVertex(p_type) != 0)
        return ElementFactory::instance()->getElementSetByType(p_type, n);
    return FaceFactory::instance()->getFaceSetByType(p_type, n);
}

// The selected elements of p_from as a new set of exact size (null when none is selected),
// with their positions flagged in p_flags.
std::unique_ptr<ShapeSet> selectFromSet(const ShapeSet& p_from, const VertexClasses& p_classes,
                                        const Rule& p_rule, std::vector<std::uint8_t>& p_flags,
                                        std::size_t& p_count)
{
    p_flags.resize(p_from.size());
    std::uint8_t* flags = p_flags.data();
    std::unique_ptr<ShapeSet> copy;
    p_count = 0;
    bool done = false;
    // The fixed-shape element sets go through their concrete class; the rest (faces,
    // polyhedra, sets of another class) through the virtual interface below.
    withShapeClass(p_from.getType(), [&](auto* p_tag) {
        using T = std::remove_pointer_t<decltype(p_tag)>;
        if constexpr (std::is_same_v<T, Tet> || std::is_same_v<T, Pyramid> || std::is_same_v<T, Wedge> ||
                      std::is_same_v<T, Hex>)
            done = markAndCopy<T>(p_from, p_classes, p_rule, flags, p_count, copy);
    });
    if (!done) {
        p_count = markAny(p_from, p_classes, p_rule, flags);
        if (p_count != 0) {
            copy.reset(newSetOfType(p_from.getType(), p_count));
            copyAny(p_from, *copy, flags);
        }
    }
    return copy;
}

// ------------------------------------------------------------------ the selection

void checkDomain(const Geometry* p_domain)
{
    if (p_domain == nullptr)
        throw internal::badParam(kClass, kMethod, SystemMsg("Null pointer to %1.").arg("Geometry"));
}

// The vertex values of p_variable, refused when missing or shorter than the vertex array
// (every vertex is classified, so a short array would be read past its end).
const FloatZEVVector& vertexValues(const Geometry& p_domain, const Variable* p_variable, VarType p_type)
{
    if (p_variable == nullptr)
        throw internal::badParam(kClass, kMethod, SystemMsg("Invalid Variable - NULL pointer."));
    const FloatZEVVector& values =
        p_variable->getFloatValues(Variable::Description(p_type, eVertex, Variable::s_allSetName));
    const std::size_t vertices = p_domain.getVertices().size();
    if (values.size() < vertices)
        throw internal::badParam(kClass, kMethod,
                                 SystemMsg("Variable '%1' has %2 vertex values for %3 vertices.")
                                     .arg(p_variable->getName())
                                     .arg(values.size())
                                     .arg(vertices));
    return values;
}

void select(Geometry& p_output, const std::string& p_domainName, const Geometry& p_domain,
            const VertexClasses& p_classes, const Rule& p_rule, const std::vector<ShapeType>& p_types)
{
    // Every set is looked up before the output changes, so a refusal leaves it as it was.
    const std::vector<std::string> names = p_domain.getElementSetNames();
    std::vector<const ShapeSet*> sets(names.size(), nullptr);
    for (std::size_t position = 0; position < names.size(); ++position) {
        sets[position] = p_domain.getElementSet(names[position]);
        if (sets[position] == nullptr)
            throw internal::badParam(
                kClass, kMethod,
                SystemMsg("Cannot find element set ES%1 in domain geometry.").arg(position + 1));
    }

    ElementToElementInterpolant* interpolant = nullptr;
    if (p_domain.hasElementData()) {
        auto owned =
            std::make_unique<ElementToElementInterpolant>(p_domainName, p_domain.getNumElementSets());
        interpolant = owned.get();
        p_output.addInterpolant(owned.release());
    }

    std::vector<std::uint8_t> flags;
    for (std::size_t position = 0; position < names.size(); ++position) {
        const ShapeSet& from = *sets[position];
        if (!p_types.empty() && std::find(p_types.begin(), p_types.end(), from.getType()) == p_types.end())
            continue;
        std::size_t count = 0;
        std::unique_ptr<ShapeSet> copy = selectFromSet(from, p_classes, p_rule, flags, count);
        if (!copy)
            continue;
        copy->setCorrectionFactor(from.getCorrectionFactor());
        copy->setSetNumber(from.getSetNumber());
        // Held until filed: a refused name (the output already has such a set) frees it.
        p_output.insertElementSet(names[position], copy.get());
        copy.release();
        if (interpolant) {
            p_output.hasElementData(true);
            const int setNumber = from.getSetNumber();
            interpolant->reserve(setNumber, count);
            for (std::size_t i = 0; i < flags.size(); ++i)
                if (flags[i])
                    interpolant->pushElement(setNumber, i);
        }
    }
}

// The value p_table pairs with p_name, or p_otherwise when it names none.
template <class E, std::size_t N>
E fromName(const std::string& p_name, const std::pair<const char*, E> (&p_table)[N], E p_otherwise)
{
    for (const auto& entry : p_table)
        if (p_name == entry.first)
            return entry.second;
    return p_otherwise;
}

} // namespace

VolumeSelection::Kind VolumeSelection::kindFromString(const std::string& p_kind)
{
    static const std::pair<const char*, Kind> kinds[] = {{s_plane, ePlane}, {s_isosurface, eIsosurface}};
    return fromName(p_kind, kinds, eSphere);
}

VolumeSelection::Side VolumeSelection::sideFromString(const std::string& p_side)
{
    static const std::pair<const char*, Side> sides[] = {{s_belowIntersection, eBelow},
                                                         {s_aboveIntersection, eAbove}};
    return fromName(p_side, sides, eThrough);
}

VolumeSelection::Side VolumeSelection::rangeFromString(const std::string& p_range)
{
    static const std::pair<const char*, Side> ranges[] = {
        {s_belowValue, eBelow}, {s_aboveValue, eAbove}, {s_betweenValues, eBetween}};
    return fromName(p_range, ranges, eThrough);
}

void VolumeSelection::selectBySurface(Geometry& p_output, const std::string& p_domainName,
                                      const Geometry* p_domain, const Surface& p_surface, Side p_side,
                                      bool p_inclusive, const std::vector<ShapeType>& p_types)
{
    checkDomain(p_domain);
    std::unique_ptr<detail::FloatReader> values;
    if (p_surface.kind == eIsosurface)
        values = std::make_unique<detail::FloatReader>(
            vertexValues(*p_domain, p_surface.variable, p_surface.type));
    const Side side = p_side == eBetween ? eThrough : p_side;
    const VertexClasses classes = classifySurface(*p_domain, p_surface, values.get());
    select(p_output, p_domainName, *p_domain, classes, makeRule(side, p_inclusive), p_types);
}

void VolumeSelection::selectByRange(Geometry& p_output, const std::string& p_domainName,
                                    const Geometry* p_domain, Side p_range, bool p_inclusive,
                                    const Variable* p_variable, VarType p_type, float p_first, float p_second,
                                    const std::vector<ShapeType>& p_types)
{
    checkDomain(p_domain);
    const detail::FloatReader values(vertexValues(*p_domain, p_variable, p_type));
    const VertexClasses classes =
        classifyRange(p_domain->getVertices().size(), values, p_range, p_first, p_second);
    select(p_output, p_domainName, *p_domain, classes, makeRule(p_range, p_inclusive), p_types);
}

} // namespace zev
