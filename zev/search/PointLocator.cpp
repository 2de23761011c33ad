#include "zev/search/PointLocator.h"

#include "zev/contracts/FloatUtilities.h"
#include "zev/contracts/FloatZEVVector.h"
#include "zev/search/Octree.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"

namespace zev {

namespace {

// The element classes whose inside test starts with the bounding-box test, so that a
// candidate outside its box can be rejected without calling it.
bool insideStartsWithBox(ShapeType p_type)
{
    return p_type == TET || p_type == PYRAMID || p_type == WEDGE || p_type == HEX || p_type == POLYHEDRON;
}

} // namespace

PointLocator::PointLocator(const Geometry& p_geometry, const TripletZEVVector& p_layerVertices,
                           const std::vector<int>& p_layerIndices, bool p_layerActive, bool p_stuCheck)
    : m_geometry(p_geometry), m_layerVertices(p_layerVertices), m_layerIndices(p_layerIndices),
      m_layerActive(p_layerActive), m_stuCheck(p_stuCheck)
{
}

bool PointLocator::isInElement(const Triplet& p_point, std::vector<float>& p_weights, const Shape& p_shape,
                               const TripletZEVVector& p_vertices, const TripletZEVVector& p_regularVertices,
                               bool p_strict, bool p_stuCheck, const Shape*& p_proxy, bool& p_stuFailure)
{
    p_proxy = nullptr;
    if (p_strict ? !p_shape.isInside(p_point, p_vertices) : !p_shape.isWithinExtents(p_point, p_vertices))
        return false;
    p_weights.assign(static_cast<std::size_t>(p_shape.getNumVertices()), 0.0f);
    const bool own = p_shape.constructWeights(p_point[0], p_point[1], p_point[2], p_vertices, p_weights);
    const Shape* proxy = p_shape.getInterpolationProxy();
    if (own && proxy == nullptr)
        return true;
    if (own && proxy->constructWeights(p_point, p_regularVertices, p_weights)) {
        p_proxy = proxy;
        return true;
    }
    if (p_stuCheck) {
        p_stuFailure = true;
        return false;
    }
    // Accepted although a weight computation failed. A shape with a proxy still answers
    // through it: its own ids belong to another vertex array and mean nothing to the caller.
    if (proxy != nullptr) {
        if (!own) {
            p_weights.assign(static_cast<std::size_t>(proxy->getNumVertices()), 0.0f);
            proxy->constructWeights(p_point, p_regularVertices, p_weights);
        }
        p_proxy = proxy;
    }
    return true;
}

bool PointLocator::testCandidates(const Triplet& p_point, std::vector<float>& p_weights, int p_index,
                                  const ShapeSet& p_set, const TripletZEVVector& p_vertices, const int* p_ids,
                                  int p_count, bool p_strict, bool& p_stuFailure, shapeIndex& p_result) const
{
    const int size = static_cast<int>(p_set.size());
    const TripletZEVVector& regular = m_geometry.getVertices();
    for (int k = 0; k < p_count; ++k) {
        const int id = p_ids ? p_ids[k] : k;
        // A leaf can name a shape the set no longer has when the set was edited after the
        // octree was built.
        if (id >= size)
            continue;
        const Shape& shape = p_set[static_cast<std::size_t>(id)];
        const Shape* proxy = nullptr;
        if (!isInElement(p_point, p_weights, shape, p_vertices, regular, p_strict, m_stuCheck, proxy,
                         p_stuFailure))
            continue;
        if (proxy != nullptr && proxy != &shape)
            p_result = shapeIndex(-1, -1, proxy);
        else
            p_result = shapeIndex(p_index, id, &shape);
        return true;
    }
    return false;
}

PointLocator::Outcome PointLocator::search(const Triplet& p_point, std::vector<float>& p_weights,
                                           Geometry::SearchMode p_mode, bool p_useOctree,
                                           shapeIndex& p_result) const
{
    p_result.initialise();
    // The candidate buffer of the octree queries, one per thread: searches on several
    // threads share the trees, and a thread's successive searches allocate nothing.
    thread_local OctreeQuery s_query;
    OctreeQuery& query = s_query;
    const int regularCount = m_geometry.getNumElementSets();
    const int passes = m_stuCheck ? 2 : 1;
    bool stuFailure = false;
    bool strict = true;
    // Searches one set of the search list.
    auto searchSet = [&](int p_index) {
        const ShapeSet* set = m_geometry.getElementSet(p_index);
        if (set == nullptr)
            return Outcome::Aborted;
        const TripletZEVVector& vertices =
            p_index < regularCount ? m_geometry.getVertices() : m_layerVertices;
        int count = 0;
        if (!p_useOctree)
            return testCandidates(p_point, p_weights, p_index, *set, vertices, nullptr,
                                  static_cast<int>(set->size()), strict, stuFailure, p_result)
                       ? Outcome::Found
                       : Outcome::NotFound;
        const Octree* tree = m_geometry.getOctreeForES(p_index);
        if (tree == nullptr)
            return Outcome::Aborted;
        if (!strict || insideStartsWithBox(set->getType())) {
            // The element test starts with the box test: leave out the candidates whose boxes
            // miss the point.
            const int* ids = tree->GetCandidatesAtPoint(p_point, count, query);
            return ids != nullptr && testCandidates(p_point, p_weights, p_index, *set, vertices, ids, count,
                                                    strict, stuFailure, p_result)
                       ? Outcome::Found
                       : Outcome::NotFound;
        }
        const int* ids = tree->GetLeafAtPoint(p_point, count);
        return ids != nullptr && testCandidates(p_point, p_weights, p_index, *set, vertices, ids, count,
                                                strict, stuFailure, p_result)
                   ? Outcome::Found
                   : Outcome::NotFound;
    };
    for (int pass = 0; pass < passes; ++pass) {
        if (pass > 0 && !stuFailure)
            break;
        strict = pass == 0;
        if (static_cast<int>(p_mode) != Geometry::SearchVirtualLayer)
            for (int index = 0; index < regularCount; ++index) {
                const Outcome outcome = searchSet(index);
                if (outcome != Outcome::NotFound)
                    return outcome;
            }
        if (m_layerActive)
            for (const int index : m_layerIndices) {
                const Outcome outcome = searchSet(index);
                if (outcome != Outcome::NotFound)
                    return outcome;
            }
    }
    return Outcome::NotFound;
}

PointLocation PointLocator::locate(Geometry& p_geometry, const Triplet& p_point, Geometry::SearchMode p_mode,
                                   bool p_fallback)
{
    PointLocation out;
    std::vector<float> weights;
    out.m_element = p_geometry.findElement(p_point, weights, p_fallback, p_mode);
    if (const Shape* shape = out.m_element.getShape()) {
        const int n = shape->getNumVertices();
        std::vector<int> ids(static_cast<std::size_t>(n));
        for (int k = 0; k < n; ++k)
            ids[static_cast<std::size_t>(k)] = (*shape)[k];
        weights.resize(static_cast<std::size_t>(n), 0.0f);
        out.m_weights = HybridInterpolantData(ids.data(), weights.data(), n);
    }
    return out;
}

namespace {

// The weighted sum of the located vertices' values, p_value(node) giving each; undefined as soon as one
// is missing or undefined.
template <typename Value>
float weightedSum(const HybridInterpolantData& p_weights, std::size_t p_count, Value&& p_value)
{
    if (p_weights.m_size == 0)
        return ZEV_UNDEF;
    double sum = 0.0;
    for (std::size_t k = 0; k < p_weights.m_size; ++k) {
        const int node = p_weights.m_nodes[k];
        if (node < 0 || static_cast<std::size_t>(node) >= p_count)
            return ZEV_UNDEF;
        const float value = p_value(static_cast<std::size_t>(node));
        if (FloatUtilities::isUndef(value))
            return ZEV_UNDEF;
        sum += static_cast<double>(p_weights.m_weights[k]) * value;
    }
    return static_cast<float>(sum);
}

} // namespace

float PointLocator::interpolate(const HybridInterpolantData& p_weights, const FloatZEVVector& p_values)
{
    return weightedSum(p_weights, p_values.size(), [&](std::size_t p_node) { return p_values[p_node]; });
}

float PointLocator::interpolate(const HybridInterpolantData& p_weights, const float* p_values,
                                std::size_t p_count, std::size_t p_stride, std::size_t p_offset)
{
    return weightedSum(p_weights, p_count,
                       [&](std::size_t p_node) { return p_values[p_node * p_stride + p_offset]; });
}

} // namespace zev
