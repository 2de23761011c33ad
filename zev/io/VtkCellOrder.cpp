#include "zev/io/VtkCellOrder.h"

#include <algorithm>
#include <unordered_map>

namespace zev::io {

namespace {
// The library's hexahedron numbers corner i at (i mod 2, (i div 2) mod 2, i div 4); the file's
// hexahedron runs round the bottom quadrilateral and then round the top one.
constexpr int s_hexPermutation[8] = {0, 1, 3, 2, 4, 5, 7, 6};
// The file's wedge orders its bottom triangle so that its normal points away from the top one; the
// library's points towards it. Swapping the second and third corner of both triangles turns one into
// the other.
constexpr int s_wedgePermutation[6] = {0, 2, 1, 3, 5, 4};
constexpr int s_identity[8] = {0, 1, 2, 3, 4, 5, 6, 7};
} // namespace

int libraryShapeType(VtkCellType p_type, int p_numPoints)
{
    switch (p_type) {
    case VtkCellType::Tetra:
        return LibraryShape::Tet;
    case VtkCellType::Voxel:
    case VtkCellType::Hexahedron:
        return LibraryShape::Hex;
    case VtkCellType::Wedge:
        return LibraryShape::Wedge;
    case VtkCellType::Pyramid:
        return LibraryShape::Pyramid;
    case VtkCellType::Polyhedron:
        return LibraryShape::Polyhedron;
    case VtkCellType::Triangle:
        return LibraryShape::Tri;
    case VtkCellType::Quad:
        return LibraryShape::Quad;
    case VtkCellType::Polygon:
        switch (p_numPoints) {
        case 3:
            return LibraryShape::Tri;
        case 4:
            return LibraryShape::Quad;
        case 5:
            return LibraryShape::Pentagon;
        case 6:
            return LibraryShape::Hexagon;
        default:
            return LibraryShape::Polygon;
        }
    case VtkCellType::Line:
    case VtkCellType::PolyLine:
        return -1;
    }
    return -1;
}

int const* libraryPermutation(VtkCellType p_type, int& p_size)
{
    switch (p_type) {
    case VtkCellType::Hexahedron:
        p_size = 8;
        return s_hexPermutation;
    case VtkCellType::Wedge:
        p_size = 6;
        return s_wedgePermutation;
    case VtkCellType::Voxel:
        p_size = 8;
        return s_identity;
    case VtkCellType::Tetra:
    case VtkCellType::Quad:
        p_size = 4;
        return s_identity;
    case VtkCellType::Pyramid:
        p_size = 5;
        return s_identity;
    case VtkCellType::Triangle:
        p_size = 3;
        return s_identity;
    case VtkCellType::Line:
        p_size = 2;
        return s_identity;
    default:
        p_size = 0;
        return nullptr;
    }
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
    int size = 0;
    int const* perm = libraryPermutation(p_type, size);
    if (perm == nullptr || size != p_numPoints) {
        std::copy(p_libraryIds, p_libraryIds + p_numPoints, p_fileIds);
        return;
    }
    for (int i = 0; i < size; ++i) {
        p_fileIds[perm[i]] = p_libraryIds[i];
    }
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
