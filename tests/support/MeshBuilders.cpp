#include "tests/support/MeshBuilders.h"

#include "zev/contracts/IntZEVVector.h"
#include "zev/geometry/Geometry.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"

#include <algorithm>
#include <array>

namespace zev {
namespace test {

void addVertices(Geometry& p_geometry, const std::vector<float>& p_xyz)
{
    for (std::size_t i = 0; i + 2 < p_xyz.size(); i += 3)
        p_geometry.getVertices().push_back(Triplet(p_xyz[i], p_xyz[i + 1], p_xyz[i + 2]));
}

namespace {

void fill(ShapeSet& p_set, const std::vector<std::vector<int>>& p_vertices)
{
    for (std::size_t i = 0; i < p_vertices.size(); ++i) {
        Shape& shape = p_set[i];
        const int n = static_cast<int>(p_vertices[i].size());
        if (shape.getType() == POLYGON)
            shape.setNumVertices(n);
        for (int k = 0; k < n; ++k)
            shape[k] = p_vertices[i][static_cast<std::size_t>(k)];
    }
}

} // namespace

ShapeSet* addElements(Geometry& p_geometry, int p_index, int p_type,
                      const std::vector<std::vector<int>>& p_vertices)
{
    ShapeSet* set = p_geometry.addElementSet(p_index, static_cast<ShapeType>(p_type),
                                             static_cast<int>(p_vertices.size()), 1.0);
    fill(*set, p_vertices);
    return set;
}

ShapeSet* addFaces(Geometry& p_geometry, const std::string& p_name, int p_type,
                   const std::vector<std::vector<int>>& p_vertices)
{
    ShapeSet* set = p_geometry.addFaceSet(p_name, static_cast<ShapeType>(p_type),
                                          static_cast<int>(p_vertices.size()), 1.0);
    fill(*set, p_vertices);
    return set;
}

std::vector<std::vector<int>> shapeVertices(const ShapeSet& p_set)
{
    std::vector<std::vector<int>> out(p_set.size());
    for (std::size_t i = 0; i < p_set.size(); ++i)
        for (int k = 0; k < p_set[i].getNumVertices(); ++k)
            out[i].push_back(p_set[i][k]);
    return out;
}

TripletZEVVector unitCubeVertices()
{
    TripletZEVVector v;
    for (int i = 0; i < 8; ++i)
        v.push_back(
            Triplet(static_cast<float>(i % 2), static_cast<float>((i / 2) % 2), static_cast<float>(i / 4)));
    return v;
}

void buildUnitCubeHex(Geometry& p_geometry)
{
    for (const Triplet& corner : unitCubeVertices())
        p_geometry.getVertices().push_back(corner);
    addElements(p_geometry, 0, HEX, {{0, 1, 2, 3, 4, 5, 6, 7}});
}

void buildTwoTets(Geometry& p_geometry)
{
    addVertices(p_geometry, {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 1, 1});
    addElements(p_geometry, 0, TET, {{0, 1, 2, 3}, {1, 2, 4, 3}});
}

void buildQuadPatch(Geometry& p_geometry)
{
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i)
            p_geometry.getVertices().push_back(Triplet(static_cast<float>(i), static_cast<float>(j), 0.0f));
    std::vector<std::vector<int>> quads;
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) {
            const int v = j * 4 + i;
            quads.push_back({v, v + 1, v + 5, v + 4});
        }
    addFaces(p_geometry, "patch", QUAD, quads);
}

namespace {

void boxVertices(Geometry& p_geometry, int p_n)
{
    const float h = 1.0f / static_cast<float>(p_n);
    p_geometry.getVertices().reserve(static_cast<std::size_t>((p_n + 1) * (p_n + 1) * (p_n + 1)));
    for (int k = 0; k <= p_n; ++k)
        for (int j = 0; j <= p_n; ++j)
            for (int i = 0; i <= p_n; ++i)
                p_geometry.getVertices().push_back(
                    Triplet(static_cast<float>(i) * h, static_cast<float>(j) * h, static_cast<float>(k) * h));
}

// The corner of cell (i, j, k) at offset (a, b, c).
int corner(int p_n, int i, int j, int k, int a, int b, int c)
{
    return ((k + c) * (p_n + 1) + (j + b)) * (p_n + 1) + (i + a);
}

} // namespace

void buildHexBox(Geometry& p_geometry, int p_n)
{
    boxVertices(p_geometry, p_n);
    ShapeSet* set = p_geometry.addElementSet(0, HEX, p_n * p_n * p_n, 1.0);
    std::size_t e = 0;
    for (int k = 0; k < p_n; ++k)
        for (int j = 0; j < p_n; ++j)
            for (int i = 0; i < p_n; ++i) {
                Shape& hex = (*set)[e++];
                for (int v = 0; v < 8; ++v)
                    hex[v] = corner(p_n, i, j, k, v % 2, (v / 2) % 2, v / 4);
            }
}

void buildTetBox(Geometry& p_geometry, int p_n)
{
    boxVertices(p_geometry, p_n);
    ShapeSet* set = p_geometry.addElementSet(0, TET, 6 * p_n * p_n * p_n, 1.0);
    // Each tetrahedron walks from corner 000 to corner 111 along the axes in one order; an
    // odd order has its middle vertices swapped to keep a positive volume.
    static const std::array<std::array<int, 3>, 6> orders = {
        {{0, 1, 2}, {1, 2, 0}, {2, 0, 1}, {0, 2, 1}, {2, 1, 0}, {1, 0, 2}}};
    std::size_t e = 0;
    for (int k = 0; k < p_n; ++k)
        for (int j = 0; j < p_n; ++j)
            for (int i = 0; i < p_n; ++i)
                for (std::size_t o = 0; o < orders.size(); ++o) {
                    int step[3] = {0, 0, 0};
                    int path[4];
                    path[0] = corner(p_n, i, j, k, 0, 0, 0);
                    for (int s = 0; s < 3; ++s) {
                        step[orders[o][static_cast<std::size_t>(s)]] = 1;
                        path[s + 1] = corner(p_n, i, j, k, step[0], step[1], step[2]);
                    }
                    if (o >= 3)
                        std::swap(path[1], path[2]);
                    Shape& tet = (*set)[e++];
                    for (int v = 0; v < 4; ++v)
                        tet[v] = path[v];
                }
}

} // namespace test
} // namespace zev
