// Geometry: free edges, vertex neighbours, line arrays and wireframes of the face sets.

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"
#include "zev/geometry/GeometricAlgorithmInterface.h"
#include "zev/geometry/Geometry.h"
#include "zev/interpolants/EdgeInterpolant.h"
#include "zev/interpolants/VertexInterpolant.h"
#include "zev/shapes/ShapeSet.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace zev {

namespace {

const char* const kClass = "Geometry";

// An edge packed so that the integer order is the Edge order (both ends non-negative).
inline std::uint64_t packEdge(int p_a, int p_b)
{
    if (p_b < p_a)
        std::swap(p_a, p_b);
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(p_a)) << 32) |
           static_cast<std::uint32_t>(p_b);
}

inline int firstOf(std::uint64_t p_edge)
{
    return static_cast<int>(p_edge >> 32);
}
inline int secondOf(std::uint64_t p_edge)
{
    return static_cast<int>(p_edge & 0xffffffffu);
}

// Calls p_fn(face, position of the face in the walk) for every face of every face set in
// name order. p_onNull is called for a null set.
template <class Fn, class OnNull>
void forEachFace(const std::map<std::string, ShapeSet*>& p_sets, Fn&& p_fn, OnNull&& p_onNull)
{
    std::size_t position = 0;
    for (const auto& entry : p_sets) {
        const ShapeSet* set = entry.second;
        if (set == nullptr) {
            p_onNull();
            continue;
        }
        const std::size_t n = set->size();
        for (std::size_t i = 0; i < n; ++i)
            p_fn((*set)[i], position++);
    }
}

// Appends the usable edges of p_face (both ends real vertices, not collapsed) to p_out.
inline void appendEdges(const Shape& p_face, std::vector<std::uint64_t>& p_out)
{
    const int n = p_face.getNumVertices();
    for (int k = 0; k < n; ++k) {
        const int a = p_face[k];
        const int b = p_face[(k + 1) % n];
        if (a >= 0 && b >= 0 && a != b)
            p_out.push_back(packEdge(a, b));
    }
}

} // namespace

// ------------------------------------------------------------------ free edges

void Geometry::getFreeEdges(ZEVVector<Edge>& p_edges) const
{
    p_edges.clear();
    std::vector<std::uint64_t> all;
    all.reserve(getNumFaceEntries());
    forEachFace(
        m_faceSets, [&](const Shape& p_face, std::size_t) { appendEdges(p_face, all); },
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

void Geometry::getFreeEdges(ZEVVector<Edge>& p_edges, std::set<int>& p_vertices) const
{
    p_vertices.clear();
    getFreeEdges(p_edges);
    for (const Edge& edge : p_edges) {
        p_vertices.insert(edge.firstVertex());
        p_vertices.insert(edge.secondVertex());
    }
}

void Geometry::findFreeEdgesOnBoundaries(std::vector<Geometry*>& p_boundaries, ZEVVector<Edge>& p_edges,
                                         std::set<int>& p_vertices, std::vector<std::set<int>>* p_perBoundary)
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

    if (getInterpolant() == nullptr)
        throw internal::nullPointer(
            kClass, "findFreeEdgesOnBoundaries",
            SystemMsg("%1 %2 does not have an interpolant.").arg("Locator").arg(getBaseName()));
    const auto* edgeInterpolant = dynamic_cast<const EdgeInterpolant*>(getEdgeInterpolant());
    const auto* vertexInterpolant =
        edgeInterpolant ? nullptr : dynamic_cast<const VertexInterpolant*>(getVertexInterpolant());
    if (edgeInterpolant == nullptr && vertexInterpolant == nullptr)
        throw internal::error(
            kClass, "findFreeEdgesOnBoundaries",
            SystemMsg("%1 %2 does not have a vertex or an edge interpolant.").arg("Locator").arg(getName()));

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

// ------------------------------------------------------------------ neighbours

void Geometry::getNodesAroundNode(int p_node, std::set<int>& p_neighbours)
{
    if (m_nodeNeighbours.empty()) {
        const std::size_t vertexCount = m_vertices.size();
        m_nodeNeighbours.resize(vertexCount);
        forEachFace(
            m_faceSets,
            [&](const Shape& p_face, std::size_t) {
                const int n = p_face.getNumVertices();
                for (int k = 0; k < n; ++k) {
                    const int v = p_face[k];
                    if (v < 0 || static_cast<std::size_t>(v) >= vertexCount)
                        continue;
                    std::set<int>& around = m_nodeNeighbours[static_cast<std::size_t>(v)];
                    around.insert(p_face[(k + 1) % n]);
                    around.insert(p_face[(k - 1 + n) % n]);
                }
            },
            [] {});
    }
    if (p_node < 0 || static_cast<std::size_t>(p_node) >= m_nodeNeighbours.size())
        throw internal::error(kClass, "getNodesAroundNode",
                              SystemMsg("Could not find node %1 in surrounding node set.").arg(p_node));
    p_neighbours = m_nodeNeighbours[static_cast<std::size_t>(p_node)];
}

// ------------------------------------------------------------------ lines and wireframes

void Geometry::calculateLines(float p_featureAngle)
{
    m_lines.clear();
    if (m_geomAlgIntf) {
        m_geomAlgIntf->calculateFeatureLines(getName(), m_vertices, m_lines,
                                             static_cast<double>(p_featureAngle));
        return;
    }
    builtInWireframe(m_lines, p_featureAngle);
}

void Geometry::calculateWireframe(TripletZEVVector& p_vertices, IntZEVVector& p_lines, float p_featureAngle)
{
    p_lines.clear();
    if (m_geomAlgIntf) {
        m_geomAlgIntf->calculateFeatureLines(getName(), p_vertices, p_lines,
                                             static_cast<double>(p_featureAngle));
        return;
    }
    builtInWireframe(p_lines, p_featureAngle);
}

void Geometry::builtInWireframe(IntZEVVector& p_lines, float p_featureAngle)
{
    if (m_faceSets.empty())
        return;
    const double cosine = std::cos(static_cast<double>(p_featureAngle) / 180.0 * 3.141592653589793);
    if (std::fabs(cosine) >= 0.99)
        calculateFullWireframe(p_lines);
    else
        calculateVisibleWireframe(p_lines, static_cast<float>(cosine));
}

void Geometry::calculateFullWireframe(IntZEVVector& p_lines)
{
    std::vector<std::uint64_t> all;
    all.reserve(4 * m_vertices.size());
    forEachFace(
        m_faceSets, [&](const Shape& p_face, std::size_t) { appendEdges(p_face, all); }, [] {});
    std::sort(all.begin(), all.end());
    all.erase(std::unique(all.begin(), all.end()), all.end());
    p_lines.reserve(p_lines.size() + 2 * all.size());
    for (std::uint64_t edge : all) {
        p_lines.push_back(firstOf(edge));
        p_lines.push_back(secondOf(edge));
    }
}

void Geometry::calculateVisibleWireframe(IntZEVVector& p_lines, float p_cosine)
{
    // Every edge of a face with a normal, tagged with the face's place in the walk; sorted
    // by edge and then by face, the first record of an edge is the first face seen with it.
    struct EdgeRecord {
        std::uint64_t edge;
        std::uint32_t face;
    };
    std::vector<EdgeRecord> records;
    std::vector<Triplet> normals;
    records.reserve(getNumFaceEntries());
    normals.reserve(static_cast<std::size_t>(getNumFaces()));
    const std::size_t vertexCount = m_vertices.size();
    std::vector<std::uint64_t> edges;
    forEachFace(
        m_faceSets,
        [&](const Shape& p_face, std::size_t) {
            if (p_face.getNumVertices() < 3)
                return;
            const int i0 = p_face[0], i1 = p_face[1], i2 = p_face[2];
            for (int i : {i0, i1, i2})
                if (i < 0 || static_cast<std::size_t>(i) >= vertexCount)
                    return;
            const Triplet& p0 = m_vertices[static_cast<std::size_t>(i0)];
            Triplet normal = (m_vertices[static_cast<std::size_t>(i1)] - p0)
                                 .cross(m_vertices[static_cast<std::size_t>(i2)] - p0);
            const float length = normal.length();
            if (length == 0.0f)
                return;
            normal /= length;
            const std::uint32_t face = static_cast<std::uint32_t>(normals.size());
            normals.push_back(normal);
            edges.clear();
            appendEdges(p_face, edges);
            for (std::uint64_t edge : edges)
                records.push_back(EdgeRecord{edge, face});
        },
        [] {});
    std::sort(records.begin(), records.end(), [](const EdgeRecord& a, const EdgeRecord& b) {
        return a.edge < b.edge || (a.edge == b.edge && a.face < b.face);
    });
    for (std::size_t i = 0; i < records.size();) {
        const Triplet& first = normals[records[i].face];
        bool visible = true;
        std::size_t j = i + 1;
        for (; j < records.size() && records[j].edge == records[i].edge; ++j)
            if (static_cast<double>(first.dot(normals[records[j].face])) - 0.0001 >
                static_cast<double>(p_cosine))
                visible = false;
        if (visible) {
            p_lines.push_back(firstOf(records[i].edge));
            p_lines.push_back(secondOf(records[i].edge));
        }
        i = j;
    }
}

// ------------------------------------------------------------------ virtual slots

Geometry* Geometry::makeWireFrame(float)
{
    return nullptr;
}

void Geometry::getSurfaceFaceNames(std::map<FaceType, std::string>& p_names)
{
    p_names.clear();
    p_names[Triangles] = "ELEMTRIS";
    p_names[Quadrilaterals] = "ELEMQUADS";
    p_names[Polygons] = "ELEMPOLYGONS";
}

} // namespace zev
