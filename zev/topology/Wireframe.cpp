// Wireframes of a geometry's face sets: every edge, or the free and feature edges.

#include "zev/topology/Wireframe.h"

#include "zev/topology/FaceWalk.h"

#include <algorithm>

namespace zev {

using namespace facewalk;

void fullWireframe(const Geometry& p_geometry, IntZEVVector& p_lines)
{
    std::vector<std::uint64_t> all;
    all.reserve(4 * p_geometry.getVertices().size());
    forEachFace(
        p_geometry, [&](const Shape& p_face) { appendEdges(p_face, all); }, [] {});
    std::sort(all.begin(), all.end());
    all.erase(std::unique(all.begin(), all.end()), all.end());
    p_lines.reserve(p_lines.size() + 2 * all.size());
    for (std::uint64_t edge : all) {
        p_lines.push_back(firstOf(edge));
        p_lines.push_back(secondOf(edge));
    }
}

void visibleWireframe(const Geometry& p_geometry, IntZEVVector& p_lines, float p_cosine)
{
    // Every edge of a face with a normal, tagged with the face's place in the walk; sorted
    // by edge and then by face, the first record of an edge is the first face seen with it.
    struct EdgeRecord {
        std::uint64_t edge;
        std::uint32_t face;
    };
    std::vector<EdgeRecord> records;
    std::vector<Triplet> normals;
    records.reserve(p_geometry.getNumFaceEntries());
    normals.reserve(static_cast<std::size_t>(p_geometry.getNumFaces()));
    const TripletZEVVector& vertices = p_geometry.getVertices();
    const std::size_t vertexCount = vertices.size();
    std::vector<std::uint64_t> edges;
    forEachFace(
        p_geometry,
        [&](const Shape& p_face) {
            if (p_face.getNumVertices() < 3)
                return;
            const int i0 = p_face[0], i1 = p_face[1], i2 = p_face[2];
            for (int i : {i0, i1, i2})
                if (i < 0 || static_cast<std::size_t>(i) >= vertexCount)
                    return;
            const Triplet& p0 = vertices[static_cast<std::size_t>(i0)];
            Triplet normal = (vertices[static_cast<std::size_t>(i1)] - p0)
                                 .cross(vertices[static_cast<std::size_t>(i2)] - p0);
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

} // namespace zev
