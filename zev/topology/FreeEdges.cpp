// Free edges of a geometry's face sets, and their removal where they lie on boundaries.

#include "zev/topology/FreeEdges.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"
#include "zev/interpolants/EdgeInterpolant.h"
#include "zev/interpolants/VertexInterpolant.h"
#include "zev/topology/FaceWalk.h"

#include <algorithm>

namespace zev {

namespace {

const char* const kClass = "Geometry";

} // namespace

using namespace facewalk;

void findFreeEdges(const Geometry& p_geometry, ZEVVector<Edge>& p_edges)
{
    p_edges.clear();
    std::vector<std::uint64_t> all;
    all.reserve(p_geometry.getNumFaceEntries());
    forEachFace(
        p_geometry, [&](const Shape& p_face) { appendEdges(p_face, all); },
        [] {
            throw internal::nullPointer(kClass, "getFreeEdges",
                                        SystemMsg("Null pointer found in Face Set Map."));
        });
    std::sort(all.begin(), all.end());
    for (std::size_t i = 0; i < all.size();) {
        std::size_t j = i + 1;
        while (j < all.size() && all[j] == all[i])
            ++j;
        if (j - i == 1)
            p_edges.push_back(Edge(firstOf(all[i]), secondOf(all[i])));
        i = j;
    }
}

void removeEdgesOnBoundaries(Geometry& p_locator, std::vector<Geometry*>& p_boundaries,
                             ZEVVector<Edge>& p_edges, std::set<int>& p_vertices,
                             std::vector<std::set<int>>* p_perBoundary)
{
    // The parent-domain vertices of each boundary, sorted.
    std::vector<std::vector<int>> onBoundary;
    onBoundary.reserve(p_boundaries.size());
    for (std::size_t k = 0; k < p_boundaries.size(); ++k) {
        Geometry* boundary = p_boundaries[k];
        if (boundary == nullptr)
            throw internal::nullPointer(kClass, "findFreeEdgesOnBoundaries",
                                        SystemMsg("Boundary geometry %1 is a null pointer.").arg(k));
        if (boundary->getInterpolant() == nullptr)
            throw internal::nullPointer(kClass, "findFreeEdgesOnBoundaries",
                                        SystemMsg("%1 %2 does not have an interpolant.")
                                            .arg("Boundary")
                                            .arg(boundary->getBaseName()));
        const auto* vertexInterpolant =
            dynamic_cast<const VertexInterpolant*>(boundary->getVertexInterpolant());
        if (vertexInterpolant == nullptr)
            throw internal::error(kClass, "findFreeEdgesOnBoundaries",
                                  SystemMsg("Cannot calculate free edges on a non-vertex Interpolant."));
        std::vector<int> parents(vertexInterpolant->size());
        for (std::size_t i = 0; i < parents.size(); ++i)
            parents[i] = vertexInterpolant->getInternalData(static_cast<int>(i));
        std::sort(parents.begin(), parents.end());
        parents.erase(std::unique(parents.begin(), parents.end()), parents.end());
        onBoundary.push_back(std::move(parents));
    }

    if (p_locator.getInterpolant() == nullptr)
        throw internal::nullPointer(
            kClass, "findFreeEdgesOnBoundaries",
            SystemMsg("%1 %2 does not have an interpolant.").arg("Locator").arg(p_locator.getBaseName()));
    const auto* edgeInterpolant = dynamic_cast<const EdgeInterpolant*>(p_locator.getEdgeInterpolant());
    const auto* vertexInterpolant =
        edgeInterpolant ? nullptr : dynamic_cast<const VertexInterpolant*>(p_locator.getVertexInterpolant());
    if (edgeInterpolant == nullptr && vertexInterpolant == nullptr)
        throw internal::error(kClass, "findFreeEdgesOnBoundaries",
                              SystemMsg("%1 %2 does not have a vertex or an edge interpolant.")
                                  .arg("Locator")
                                  .arg(p_locator.getName()));

    if (p_perBoundary) {
        p_perBoundary->clear();
        p_perBoundary->resize(p_boundaries.size());
    }

    auto contains = [&](std::size_t p_boundary, int p_vertex) {
        const std::vector<int>& s = onBoundary[p_boundary];
        return std::binary_search(s.begin(), s.end(), p_vertex);
    };
    // Whether locator vertex p_vertex lies on boundary p_boundary. A vertex the interpolant
    // has no record for lies on none.
    auto liesOn = [&](int p_vertex, std::size_t p_boundary) {
        if (p_vertex < 0)
            return false;
        const std::size_t v = static_cast<std::size_t>(p_vertex);
        if (vertexInterpolant) {
            if (v >= vertexInterpolant->size())
                return false;
            return contains(p_boundary, vertexInterpolant->getInternalData(p_vertex));
        }
        if (v >= edgeInterpolant->size())
            return false;
        const EdgeInterpolantData& record = edgeInterpolant->getInternalData(v);
        const bool a = contains(p_boundary, record.m_vertex1);
        const bool b = contains(p_boundary, record.m_vertex2);
        // The thresholds are compared in double precision: the float literal 1e-6f lies below
        // 1e-6, so a weight of exactly 1e-6f is on the boundary.
        const double weight = record.m_weight;
        return (a && b) || (a && !b && weight > 0.999999) || (b && !a && weight < 1e-6);
    };

    for (auto it = p_vertices.begin(); it != p_vertices.end();) {
        bool removed = false;
        for (std::size_t k = 0; k < p_boundaries.size(); ++k) {
            if (!liesOn(*it, k))
                continue;
            removed = true;
            if (!p_perBoundary)
                break;
            (*p_perBoundary)[k].insert(*it);
        }
        it = removed ? p_vertices.erase(it) : std::next(it);
    }

    auto kept = std::remove_if(p_edges.begin(), p_edges.end(), [&](const Edge& p_edge) {
        return !p_vertices.count(p_edge.firstVertex()) || !p_vertices.count(p_edge.secondVertex());
    });
    p_edges.erase(kept, p_edges.end());
}

} // namespace zev
