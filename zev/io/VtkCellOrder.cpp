#include "zev/io/VtkCellOrder.h"

#include "zev/io/VtkTypeTables.h"
#include "zev/shapes/ShapeType.h"

#include <algorithm>
#include <unordered_map>

namespace zev::io {

namespace {
constexpr int s_identity[8] = {0, 1, 2, 3, 4, 5, 6, 7};

constexpr bool isOwnInverse(int const* p_permutation, int p_size)
{
    for (int i = 0; i < p_size; ++i) {
        if (p_permutation[p_permutation[i]] != i) {
            return false;
        }
    }
    return true;
}
static_assert(isOwnInverse(s_hexPermutation, 8) && isOwnInverse(s_wedgePermutation, 6),
              "toFileOrder applies the file-to-library renumbering");

// The library's shape type numbers are those of its ShapeType enumeration.
static_assert(LibraryShape::Tri == zev::TRI && LibraryShape::Quad == zev::QUAD &&
              LibraryShape::Tet == zev::TET && LibraryShape::Wedge == zev::WEDGE &&
              LibraryShape::Hex == zev::HEX && LibraryShape::Pyramid == zev::PYRAMID &&
              LibraryShape::Pentagon == zev::PENTAGON && LibraryShape::Hexagon == zev::HEXAGON &&
              LibraryShape::Polygon == zev::POLYGON && LibraryShape::Polyhedron == zev::POLYHEDRON);
} // namespace

int libraryShapeType(VtkCellType p_type, int p_numPoints)
{
    CellTypeInfo const* info = cellTypeInfo(p_type);
    if (info == nullptr) {
        return -1;
    }
    if (p_type == VtkCellType::Polygon) {
        // Polygons of three to six corners are the library's fixed surface shapes.
        constexpr int s_byCorners[] = {LibraryShape::Tri, LibraryShape::Quad, LibraryShape::Pentagon,
                                       LibraryShape::Hexagon};
        return p_numPoints >= 3 && p_numPoints <= 6 ? s_byCorners[p_numPoints - 3] : LibraryShape::Polygon;
    }
    return info->libraryShape;
}

int const* libraryPermutation(VtkCellType p_type, int& p_size)
{
    CellTypeInfo const* info = cellTypeInfo(p_type);
    if (info == nullptr || info->points < 0) {
        p_size = 0;
        return nullptr;
    }
    p_size = info->points;
    return info->permutation != nullptr ? info->permutation : s_identity;
}

void toLibraryOrder(VtkCellType p_type, int const* p_fileIds, int p_numPoints, int* p_libraryIds)
{
    int size = 0;
    int const* perm = libraryPermutation(p_type, size);
    if (perm == nullptr || size != p_numPoints) {
        std::copy(p_fileIds, p_fileIds + p_numPoints, p_libraryIds);
        return;
    }
    for (int i = 0; i < size; ++i) {
        p_libraryIds[i] = p_fileIds[perm[i]];
    }
}

void toFileOrder(VtkCellType p_type, int const* p_libraryIds, int p_numPoints, int* p_fileIds)
{
    // Every renumbering swaps pairs of corners: it is its own inverse.
    toLibraryOrder(p_type, p_libraryIds, p_numPoints, p_fileIds);
}

std::string decodeFaceStream(int const* p_stream, int p_length, PolyhedronTopology& p_out)
{
    p_out.vertices.clear();
    p_out.faces.clear();
    if (p_length < 1) {
        return "empty face stream";
    }
    int const numFaces = p_stream[0];
    if (numFaces < 4) {
        return "a polyhedron needs at least 4 faces, not " + std::to_string(numFaces);
    }
    // Each face takes at least 4 entries (its count and 3 corners): bound the face count by the stream
    // before reserving.
    if (numFaces > (p_length - 1) / 4) {
        return "the face stream is too short for " + std::to_string(numFaces) + " faces";
    }
    p_out.faces.resize(numFaces);
    std::unordered_map<int, int> position;
    int at = 1;
    for (int f = 0; f < numFaces; ++f) {
        if (at >= p_length) {
            return "the face stream is too short for " + std::to_string(numFaces) + " faces";
        }
        int const n = p_stream[at++];
        if (n < 3) {
            return "face " + std::to_string(f) + " has " + std::to_string(n) +
                   " points; a face needs at least 3";
        }
        if (n > p_length - at) {
            return "the face stream is too short for " + std::to_string(numFaces) + " faces";
        }
        std::vector<int>& face = p_out.faces[f];
        face.reserve(n);
        for (int k = 0; k < n; ++k) {
            int const id = p_stream[at++];
            auto inserted = position.emplace(id, static_cast<int>(p_out.vertices.size()));
            if (inserted.second) {
                p_out.vertices.push_back(id);
            }
            face.push_back(inserted.first->second);
        }
    }
    if (at != p_length) {
        return "the face stream holds " + std::to_string(p_length) + " values but its faces use " +
               std::to_string(at);
    }
    return std::string();
}

std::vector<int> encodeFaceStream(PolyhedronTopology const& p_polyhedron)
{
    std::vector<int> stream;
    std::size_t size = 1;
    for (auto const& face : p_polyhedron.faces) {
        size += 1 + face.size();
    }
    stream.reserve(size);
    stream.push_back(static_cast<int>(p_polyhedron.faces.size()));
    for (auto const& face : p_polyhedron.faces) {
        stream.push_back(static_cast<int>(face.size()));
        for (int local : face) {
            stream.push_back(p_polyhedron.vertices[local]);
        }
    }
    return stream;
}

} // namespace zev::io
