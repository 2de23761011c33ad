// Internal to the mesh-file library: the two vocabularies of the VTK formats as tables, read by every
// place that needs them: the cell types (name, dimension, point count, the library shape each becomes and
// its vertex renumbering) and the XML files' value type names.
#pragma once

#include "zev/io/MeshData.h"
#include "zev/io/VtkCellOrder.h"

#include <array>
#include <cstddef>
#include <string_view>

namespace zev::io {

// The library's hexahedron numbers corner i at (i mod 2, (i div 2) mod 2, i div 4); the file's
// hexahedron runs round the bottom quadrilateral and then round the top one.
inline constexpr int s_hexPermutation[8] = {0, 1, 3, 2, 4, 5, 7, 6};
// The file's wedge orders its bottom triangle so that its normal points away from the top one; the
// library's points towards it. Swapping the second and third corner of both triangles turns one into
// the other.
inline constexpr int s_wedgePermutation[6] = {0, 2, 1, 3, 5, 4};

struct CellTypeInfo {
    VtkCellType type;
    char const* name;       // as messages name it
    int dimension;          // 1 lines, 2 surfaces, 3 volumes
    int points;             // the fixed point count, or -1
    int libraryShape;       // the library shape it becomes (a polygon by its point count), or -1
    int const* permutation; // library slot i = file position permutation[i]; null keeps the order
};

// A library shape is written as the first type that becomes it: the hexahedron stands before the voxel.
inline constexpr CellTypeInfo s_cellTypes[] = {
    {VtkCellType::Line, "line", 1, 2, -1, nullptr},
    {VtkCellType::PolyLine, "poly-line", 1, -1, -1, nullptr},
    {VtkCellType::Triangle, "triangle", 2, 3, LibraryShape::Tri, nullptr},
    {VtkCellType::Quad, "quad", 2, 4, LibraryShape::Quad, nullptr},
    {VtkCellType::Polygon, "polygon", 2, -1, LibraryShape::Polygon, nullptr},
    {VtkCellType::Tetra, "tetra", 3, 4, LibraryShape::Tet, nullptr},
    {VtkCellType::Hexahedron, "hexahedron", 3, 8, LibraryShape::Hex, s_hexPermutation},
    {VtkCellType::Voxel, "voxel", 3, 8, LibraryShape::Hex, nullptr},
    {VtkCellType::Wedge, "wedge", 3, 6, LibraryShape::Wedge, s_wedgePermutation},
    {VtkCellType::Pyramid, "pyramid", 3, 5, LibraryShape::Pyramid, nullptr},
    {VtkCellType::Polyhedron, "polyhedron", 3, -1, LibraryShape::Polyhedron, nullptr}};

namespace detail {
constexpr int s_largestCellType = static_cast<int>(VtkCellType::Polyhedron);

// Position in s_cellTypes by type number, -1 for numbers that are no type: a lookup per cell stays O(1).
constexpr std::array<signed char, s_largestCellType + 1> cellTypeIndex()
{
    std::array<signed char, s_largestCellType + 1> index{};
    for (auto& i : index) {
        i = -1;
    }
    for (std::size_t k = 0; k < std::size(s_cellTypes); ++k) {
        index[static_cast<std::size_t>(s_cellTypes[k].type)] = static_cast<signed char>(k);
    }
    return index;
}
inline constexpr auto s_cellTypeIndex = cellTypeIndex();
} // namespace detail

// The entry of the type numbered p_type, or null when no type has that number.
constexpr CellTypeInfo const* cellTypeInfo(int p_type)
{
    if (p_type < 0 || p_type > detail::s_largestCellType) {
        return nullptr;
    }
    int const k = detail::s_cellTypeIndex[static_cast<std::size_t>(p_type)];
    return k < 0 ? nullptr : &s_cellTypes[k];
}

constexpr CellTypeInfo const* cellTypeInfo(VtkCellType p_type)
{
    return cellTypeInfo(static_cast<int>(p_type));
}

// The type a library shape is written as; the shapes without a type of their own (pentagon, hexagon)
// are polygons.
constexpr VtkCellType cellTypeOfLibraryShape(int p_shapeType)
{
    for (CellTypeInfo const& info : s_cellTypes) {
        if (info.libraryShape == p_shapeType) {
            return info.type;
        }
    }
    return VtkCellType::Polygon;
}

// The XML files' names of the value types. A legacy alias (IdType, Long, UnsignedLong) has no name of its
// own: it is written under the fixed-width type of its width, the row after the ten named types.
struct XmlTypeName {
    char const* name;
    ValueType type;
};
inline constexpr XmlTypeName s_xmlTypes[] = {
    {"Int8", ValueType::Char},          {"UInt8", ValueType::UnsignedChar},
    {"Int16", ValueType::Short},        {"UInt16", ValueType::UnsignedShort},
    {"Int32", ValueType::Int},          {"UInt32", ValueType::UnsignedInt},
    {"Int64", ValueType::Int64},        {"UInt64", ValueType::UInt64},
    {"Float32", ValueType::Float},      {"Float64", ValueType::Double},
    {"Int32", ValueType::IdType},       {"Int64", ValueType::Long},
    {"UInt64", ValueType::UnsignedLong}};

// The type an XML name stands for (the first row that has it); false for a name the files do not use.
inline bool parseXmlType(std::string_view p_name, ValueType& p_type)
{
    for (XmlTypeName const& t : s_xmlTypes) {
        if (p_name == t.name) {
            p_type = t.type;
            return true;
        }
    }
    return false;
}

// The name an array of p_type is written under.
inline char const* xmlTypeName(ValueType p_type)
{
    for (XmlTypeName const& t : s_xmlTypes) {
        if (t.type == p_type) {
            return t.name;
        }
    }
    return "Float64";
}

// The type an array of p_type is written as: the legacy aliases become their fixed-width types.
inline ValueType xmlStoredType(ValueType p_type)
{
    ValueType stored = p_type;
    parseXmlType(xmlTypeName(p_type), stored);
    return stored;
}

} // namespace zev::io
