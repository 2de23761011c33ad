// The spatial-search members of Geometry: the per-set octree cache and point location,
// forwarding the work to Octree and PointLocator.

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"
#include "zev/contracts/Preferences.h"
#include "zev/geometry/Geometry.h"
#include "zev/interpolants/HybridInterpolantData.h"
#include "zev/search/Octree.h"
#include "zev/search/PointLocator.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/shapes/shapeIndex.h"

#include <memory>

namespace zev {

const Octree* Geometry::getOctreeForES(int p_index) const
{
    ensureCachesCurrent();
    // A built tree of one of the first sets is read without the lock: point location asks for
    // it once per set and point, from many threads at once.
    const bool fast = p_index >= 0 && p_index < s_fastOctrees;
    if (fast)
        if (const Octree* built = m_fastOctrees[p_index].load(std::memory_order_acquire))
            return built;
    const std::string name = getElementSetName(p_index);
    const ShapeSet* set = getElementSet(name);
    if (set == nullptr)
        return nullptr;
    // Built once under the lock: concurrent first requests wait for the one build.
    std::lock_guard<std::recursive_mutex> lock(m_cacheMutex);
    auto it = m_octrees.find(name);
    const Octree* built = nullptr;
    if (it != m_octrees.end()) {
        built = it->second.get();
    } else {
        auto tree = std::make_shared<Octree>();
        tree->Construct(p_index < getNumElementSets() ? m_vertices : m_virtualLayerVertices, *set);
        built = tree.get();
        m_octrees.emplace(name, std::move(tree));
    }
    if (fast)
        m_fastOctrees[p_index].store(built, std::memory_order_release);
    return built;
}

void Geometry::buildAllOctrees()
{
    const int count = getNumElementSets();
    for (int i = 0; i < count; ++i)
        getOctreeForES(i);
}

shapeIndex Geometry::findElement(const Triplet& p_point, std::vector<float>& p_weights, bool p_fallback,
                                 SearchMode p_mode)
{
    // Every search that asks for the virtual layer (re)builds it first; the layer then takes
    // part when it has sets.
    auto prepareLayer = [this, p_mode]() {
        if ((static_cast<int>(p_mode) & 2) == 0)
            return false;
        // Built once under the cache lock, so that concurrent searches wait for the one build.
        std::lock_guard<std::recursive_mutex> lock(cacheMutex());
        // A layer built from an earlier state of the mesh is built again.
        if (m_virtualLayerRevision != getRevision())
            removeVirtualLayer();
        createVirtualLayer(Preferences::instance().getFloatValue("Interpolation Tolerance", false));
        m_virtualLayerRevision = getRevision();
        return !m_virtualLayerSets.empty();
    };
    shapeIndex result;
    const bool layer = prepareLayer();
    const PointLocator locator(*this, m_virtualLayerVertices, m_virtualLayerSetIndices, layer,
                               m_considerStuFailure);
    if (!m_useOctree) {
        locator.search(p_point, p_weights, p_mode, false, result);
        return result;
    }
    if (locator.search(p_point, p_weights, p_mode, true, result) != PointLocator::Outcome::NotFound ||
        !p_fallback)
        return result;
    const bool layerAgain = prepareLayer();
    const PointLocator scan(*this, m_virtualLayerVertices, m_virtualLayerSetIndices, layerAgain,
                            m_considerStuFailure);
    scan.search(p_point, p_weights, p_mode, false, result);
    return result;
}

bool Geometry::getElementNodeWeights(const Triplet& p_point, HybridInterpolantData& p_data, bool p_fallback,
                                     SearchMode p_mode)
{
    PointLocation location = PointLocator::locate(*this, p_point, p_mode, p_fallback);
    if (!location.found())
        return false;
    p_data = std::move(location.m_weights);
    return true;
}

void Geometry::findAllElementsNear(const Triplet& p_point, std::vector<shapeIndex>& p_out) const
{
    if (!m_useOctree)
        throw internal::error("Geometry", "findAllElementsNear",
                              SystemMsg("Cannot use findALlElementsNear without OCTREE"));
    const int count = getNumElementSets();
    for (int i = 0; i < count; ++i) {
        const ShapeSet* set = getElementSet(i);
        if (set == nullptr)
            return;
        const Octree* tree = getOctreeForES(i);
        if (tree == nullptr)
            return;
        const int size = static_cast<int>(set->size());
        int n = 0;
        const int* ids = tree->GetLeafAtPoint(p_point, n);
        for (int k = 0; k < n; ++k)
            if (ids[k] < size)
                p_out.emplace_back(i, ids[k], &(*set)[static_cast<std::size_t>(ids[k])]);
    }
}

void Geometry::findElementsOnPlane(const Triplet& p_normal, float p_d, int p_index,
                                   std::vector<int>& p_out) const
{
    const Octree* tree = getOctreeForES(p_index);
    if (tree == nullptr)
        return;
    const std::size_t size = getElementSet(p_index)->size();
    p_out.resize(size);
    std::vector<unsigned char> seen(size, 0);
    std::size_t stored = 0;
    OctreeQuery query;
    tree->IntersectWithPlane(p_normal, p_d, query);
    int n = 0;
    while (const int* ids = tree->GetNextIntersection(n, query))
        for (int k = 0; k < n; ++k) {
            const std::size_t id = static_cast<std::size_t>(ids[k]);
            // Ids beyond the set (edited after the build) have no flag and no shape.
            if (id >= size || seen[id])
                continue;
            seen[id] = 1;
            p_out[stored++] = ids[k];
        }
    p_out.resize(stored);
}

} // namespace zev
