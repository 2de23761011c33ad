// Vertex orderings: how a cell's points, listed in the file format's order, become the corner slots of
// the library's shapes, and back. Tetra, pyramid and the surface cells keep their order; hexahedron and
// wedge are renumbered; a voxel already numbers its corners the way the library's hexahedron does.
#pragma once

#include "zev/io/IOExport.h"

#include "zev/io/MeshData.h"

#include <vector>

namespace zev::io {

// The library's shape type numbers.
namespace LibraryShape {
constexpr int Tri = 2;
constexpr int Quad = 3;
constexpr int Tet = 4;
constexpr int Wedge = 5;
constexpr int Hex = 6;
constexpr int Pyramid = 7;
constexpr int Pentagon = 8;
constexpr int Hexagon = 9;
constexpr int Polygon = 10;
constexpr int Polyhedron = 11;
} // namespace LibraryShape

// The library shape type a cell becomes (surface cells by their point count), or -1 for lines and
// poly-lines, which become line segments rather than shapes.
ZEV_IO_EXPORT int libraryShapeType(VtkCellType p_type, int p_numPoints);

// For a fixed-size cell type: the permutation p with library slot i = file position p[i]; p_size receives
// its length. Null (p_size 0) for types whose order is kept as it is (polygon, poly-line, polyhedron).
ZEV_IO_EXPORT int const* libraryPermutation(VtkCellType p_type, int& p_size);

// Writes the p_numPoints ids of a cell in the library's slot order. The permutations are their own
// inverses, so the same call takes a library hexahedron or wedge back to the file order.
ZEV_IO_EXPORT void toLibraryOrder(VtkCellType p_type, int const* p_fileIds, int p_numPoints,
                                  int* p_libraryIds);
ZEV_IO_EXPORT void toFileOrder(VtkCellType p_type, int const* p_libraryIds, int p_numPoints, int* p_fileIds);

// A polyhedron as the library holds it: its distinct points in order of first appearance in the face
// stream, and each face as positions in that list, corners in the stream's order (faces seen from
// outside run counter-clockwise in both).
struct ZEV_IO_EXPORT PolyhedronTopology {
    std::vector<int> vertices;
    std::vector<std::vector<int>> faces;
};

// Decodes a face stream (face count, then per face its corner count and point ids). Returns an empty
// string on success, otherwise what is wrong with the stream (p_out is then unspecified).
ZEV_IO_EXPORT std::string decodeFaceStream(int const* p_stream, int p_length, PolyhedronTopology& p_out);
// The inverse: the face stream of a library polyhedron.
ZEV_IO_EXPORT std::vector<int> encodeFaceStream(PolyhedronTopology const& p_polyhedron);

} // namespace zev::io
