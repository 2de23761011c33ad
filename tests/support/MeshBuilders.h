#pragma once
// Small meshes for tests and benchmarks: a unit-cube hexahedron, two tetrahedra sharing a
// face, a 3 x 3 quadrilateral patch and generated boxes of N^3 hexahedra or 6 N^3
// tetrahedra. Every builder fills an empty geometry.

#include <string>
#include <vector>

#include "zev/contracts/TripletZEVVector.h"

namespace zev {
class Geometry;
class ShapeSet;
} // namespace zev

namespace zev {
namespace test {

// Appends one vertex per coordinate triple.
void addVertices(Geometry& p_geometry, const std::vector<float>& p_xyz);

// Adds element set p_index of p_type with one element per row of p_vertices.
ShapeSet* addElements(Geometry& p_geometry, int p_index, int p_type,
                      const std::vector<std::vector<int>>& p_vertices);

// Adds a face set named p_name of p_type with one face per row of p_vertices (a Polygon
// face takes the row's length).
ShapeSet* addFaces(Geometry& p_geometry, const std::string& p_name, int p_type,
                   const std::vector<std::vector<int>>& p_vertices);

// The vertex indices of every shape of a set, in order.
std::vector<std::vector<int>> shapeVertices(const ShapeSet& p_set);

// The corners of the unit cube [0,1]^3: vertex i at (i mod 2, (i/2) mod 2, i/4).
TripletZEVVector unitCubeVertices();

// The unit cube as one hexahedron in ES1, on the vertices of unitCubeVertices().
void buildUnitCubeHex(Geometry& p_geometry);

// Tetrahedra (0, 1, 2, 3) and (1, 2, 4, 3) in ES1, sharing the face of vertices 1, 2, 3.
void buildTwoTets(Geometry& p_geometry);

// A 4 x 4 grid of vertices in the plane z = 0 (vertex j * 4 + i at (i, j, 0)) with 9
// counter-clockwise quadrilaterals in the face set "patch".
void buildQuadPatch(Geometry& p_geometry);

// [0,1]^3 cut into N^3 hexahedra in ES1; vertex (i, j, k) is number (k * (N+1) + j) * (N+1) + i.
void buildHexBox(Geometry& p_geometry, int p_n);

// The same box with every cell cut into six positively oriented tetrahedra along its main
// diagonal, so that neighbouring cells share whole triangles.
void buildTetBox(Geometry& p_geometry, int p_n);

} // namespace test
} // namespace zev
