#include "zev/io/VtkFileCells.h"

#include <cstddef>

namespace zev::io {

namespace {

constexpr int s_vertex = 1;
constexpr int s_polyVertex = 2;

// Every cell type number VTK defines, by its own name.
struct DefinedType {
    int number;
    char const* name;
};
constexpr DefinedType s_definedTypes[] = {{0, "VTK_EMPTY_CELL"},
                                          {1, "VTK_VERTEX"},
                                          {2, "VTK_POLY_VERTEX"},
                                          {3, "VTK_LINE"},
                                          {4, "VTK_POLY_LINE"},
                                          {5, "VTK_TRIANGLE"},
                                          {6, "VTK_TRIANGLE_STRIP"},
                                          {7, "VTK_POLYGON"},
                                          {8, "VTK_PIXEL"},
                                          {9, "VTK_QUAD"},
                                          {10, "VTK_TETRA"},
                                          {11, "VTK_VOXEL"},
                                          {12, "VTK_HEXAHEDRON"},
                                          {13, "VTK_WEDGE"},
                                          {14, "VTK_PYRAMID"},
                                          {15, "VTK_PENTAGONAL_PRISM"},
                                          {16, "VTK_HEXAGONAL_PRISM"},
                                          {21, "VTK_QUADRATIC_EDGE"},
                                          {22, "VTK_QUADRATIC_TRIANGLE"},
                                          {23, "VTK_QUADRATIC_QUAD"},
                                          {24, "VTK_QUADRATIC_TETRA"},
                                          {25, "VTK_QUADRATIC_HEXAHEDRON"},
                                          {26, "VTK_QUADRATIC_WEDGE"},
                                          {27, "VTK_QUADRATIC_PYRAMID"},
                                          {28, "VTK_BIQUADRATIC_QUAD"},
                                          {29, "VTK_TRIQUADRATIC_HEXAHEDRON"},
                                          {30, "VTK_QUADRATIC_LINEAR_QUAD"},
                                          {31, "VTK_QUADRATIC_LINEAR_WEDGE"},
                                          {32, "VTK_BIQUADRATIC_QUADRATIC_WEDGE"},
                                          {33, "VTK_BIQUADRATIC_QUADRATIC_HEXAHEDRON"},
                                          {34, "VTK_BIQUADRATIC_TRIANGLE"},
                                          {35, "VTK_CUBIC_LINE"},
                                          {36, "VTK_QUADRATIC_POLYGON"},
                                          {37, "VTK_TRIQUADRATIC_PYRAMID"},
                                          {41, "VTK_CONVEX_POINT_SET"},
                                          {42, "VTK_POLYHEDRON"},
                                          {51, "VTK_PARAMETRIC_CURVE"},
                                          {52, "VTK_PARAMETRIC_SURFACE"},
                                          {53, "VTK_PARAMETRIC_TRI_SURFACE"},
                                          {54, "VTK_PARAMETRIC_QUAD_SURFACE"},
                                          {55, "VTK_PARAMETRIC_TETRA_REGION"},
                                          {56, "VTK_PARAMETRIC_HEX_REGION"},
                                          {60, "VTK_HIGHER_ORDER_EDGE"},
                                          {61, "VTK_HIGHER_ORDER_TRIANGLE"},
                                          {62, "VTK_HIGHER_ORDER_QUAD"},
                                          {63, "VTK_HIGHER_ORDER_POLYGON"},
                                          {64, "VTK_HIGHER_ORDER_TETRAHEDRON"},
                                          {65, "VTK_HIGHER_ORDER_WEDGE"},
                                          {66, "VTK_HIGHER_ORDER_PYRAMID"},
                                          {67, "VTK_HIGHER_ORDER_HEXAHEDRON"},
                                          {68, "VTK_LAGRANGE_CURVE"},
                                          {69, "VTK_LAGRANGE_TRIANGLE"},
                                          {70, "VTK_LAGRANGE_QUADRILATERAL"},
                                          {71, "VTK_LAGRANGE_TETRAHEDRON"},
                                          {72, "VTK_LAGRANGE_HEXAHEDRON"},
                                          {73, "VTK_LAGRANGE_WEDGE"},
                                          {74, "VTK_LAGRANGE_PYRAMID"},
                                          {75, "VTK_BEZIER_CURVE"},
                                          {76, "VTK_BEZIER_TRIANGLE"},
                                          {77, "VTK_BEZIER_QUADRILATERAL"},
                                          {78, "VTK_BEZIER_TETRAHEDRON"},
                                          {79, "VTK_BEZIER_HEXAHEDRON"},
                                          {80, "VTK_BEZIER_WEDGE"},
                                          {81, "VTK_BEZIER_PYRAMID"}};

// The second-order cells read as their corner cells: every one lists its corners first, in the order of
// the linear cell it becomes.
struct SecondOrder {
    int number;
    char const* name;
    int points;
    VtkCellType linear;
};
constexpr SecondOrder s_secondOrder[] = {
    {21, "quadratic edge", 3, VtkCellType::Line},
    {22, "quadratic triangle", 6, VtkCellType::Triangle},
    {23, "quadratic quad", 8, VtkCellType::Quad},
    {24, "quadratic tetra", 10, VtkCellType::Tetra},
    {25, "quadratic hexahedron", 20, VtkCellType::Hexahedron},
    {26, "quadratic wedge", 15, VtkCellType::Wedge},
    {27, "quadratic pyramid", 13, VtkCellType::Pyramid},
    {28, "bi-quadratic quad", 9, VtkCellType::Quad},
    {29, "tri-quadratic hexahedron", 27, VtkCellType::Hexahedron},
    {30, "quadratic linear quad", 6, VtkCellType::Quad},
    {31, "quadratic linear wedge", 12, VtkCellType::Wedge},
    {32, "bi-quadratic quadratic wedge", 18, VtkCellType::Wedge},
    {33, "bi-quadratic quadratic hexahedron", 24, VtkCellType::Hexahedron},
    {34, "bi-quadratic triangle", 7, VtkCellType::Triangle}};

SecondOrder const* secondOrder(int p_type)
{
    for (SecondOrder const& s : s_secondOrder) {
        if (s.number == p_type) {
            return &s;
        }
    }
    return nullptr;
}

bool isRead(std::int64_t p_type)
{
    if (p_type < 0 || p_type > 255) {
        return false;
    }
    int const t = static_cast<int>(p_type);
    return t == s_vertex || t == s_polyVertex || isKnownCellType(t) || secondOrder(t) != nullptr;
}

} // namespace

std::string unreadCellType(std::int64_t p_type)
{
    if (isRead(p_type)) {
        return std::string();
    }
    for (DefinedType const& d : s_definedTypes) {
        if (d.number == p_type) {
            return std::string("is a ") + d.name + ", which is not read";
        }
    }
    return "has the unknown type " + std::to_string(p_type);
}

int filePointCount(VtkCellType p_type)
{
    int const t = static_cast<int>(p_type);
    if (t == s_vertex) {
        return 1;
    }
    SecondOrder const* s = secondOrder(t);
    return s != nullptr ? s->points : fixedPointCount(p_type);
}

char const* fileCellTypeName(VtkCellType p_type)
{
    int const t = static_cast<int>(p_type);
    if (t == s_vertex || t == s_polyVertex) {
        return t == s_vertex ? "vertex" : "poly-vertex";
    }
    SecondOrder const* s = secondOrder(t);
    return s != nullptr ? s->name : cellTypeName(p_type);
}

void reduceFileCells(MeshData& p_mesh)
{
    std::size_t const numCells = p_mesh.numCells();
    bool changes = false;
    for (VtkCellType type : p_mesh.cellTypes) {
        changes = changes || !isKnownCellType(static_cast<int>(type));
    }
    if (!changes) {
        return;
    }
    std::vector<VtkCellType> types;
    std::vector<std::size_t> offsets{0};
    std::vector<int> connectivity;
    std::vector<std::size_t> kept;
    std::size_t vertices = 0;
    std::size_t polyVertices = 0;
    std::size_t reduced = 0;
    types.reserve(numCells);
    offsets.reserve(numCells + 1);
    kept.reserve(numCells);
    connectivity.reserve(p_mesh.connectivity.size());
    for (std::size_t c = 0; c < numCells; ++c) {
        int const t = static_cast<int>(p_mesh.cellTypes[c]);
        if (t == s_vertex || t == s_polyVertex) {
            ++(t == s_vertex ? vertices : polyVertices);
            continue;
        }
        int const* ids = p_mesh.cellPoints(c);
        int count = p_mesh.cellSize(c);
        VtkCellType type = p_mesh.cellTypes[c];
        if (SecondOrder const* s = secondOrder(t)) {
            type = s->linear;
            count = fixedPointCount(type);
            ++reduced;
        }
        types.push_back(type);
        connectivity.insert(connectivity.end(), ids, ids + count);
        offsets.push_back(connectivity.size());
        kept.push_back(c);
    }
    if (kept.size() < numCells) {
        // A cell array has a tuple per file cell; the skipped cells' tuples go with them.
        for (DataArray& a : p_mesh.cellData) {
            std::size_t const width = static_cast<std::size_t>(a.numComponents);
            if (a.values.size() != numCells * width) {
                continue;
            }
            std::vector<double> values;
            values.reserve(kept.size() * width);
            for (std::size_t c : kept) {
                values.insert(values.end(), a.values.begin() + static_cast<std::ptrdiff_t>(c * width),
                              a.values.begin() + static_cast<std::ptrdiff_t>((c + 1) * width));
            }
            a.values = std::move(values);
        }
    }
    p_mesh.cellTypes = std::move(types);
    p_mesh.offsets = std::move(offsets);
    p_mesh.connectivity = std::move(connectivity);
    p_mesh.readChanges.vertices += vertices;
    p_mesh.readChanges.polyVertices += polyVertices;
    p_mesh.readChanges.secondOrder += reduced;
}

} // namespace zev::io
