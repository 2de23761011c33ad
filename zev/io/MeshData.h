// The tool's own in-memory mesh: what a VTK legacy file holds, kept close to the file's model so that
// reading and writing round-trip, and so that the mapping onto the library's geometry is one pass.
#pragma once

#include "zev/io/IOExport.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace zev::io {

// The cell types the tool exchanges, numbered as the file format numbers them.
enum class VtkCellType : int {
    Line = 3,
    PolyLine = 4,
    Triangle = 5,
    Polygon = 7,
    Quad = 9,
    Tetra = 10,
    Voxel = 11,
    Hexahedron = 12,
    Wedge = 13,
    Pyramid = 14,
    Polyhedron = 42
};

enum class DatasetKind { UnstructuredGrid, PolyData };

// The value types of the format; integer types stay distinguishable so that a region array can be told
// from a result array.
enum class ValueType {
    UnsignedChar,
    Char,
    UnsignedShort,
    Short,
    UnsignedInt,
    Int,
    UnsignedLong,
    Long,
    Int64,
    UInt64,
    IdType,
    Float,
    Double
};

// The value of one binary array element of type p_type whose bytes, in host significance order,
// form p_raw (the low bytes for types narrower than 64 bits).
inline double valueFromBits(ValueType p_type, std::uint64_t p_raw)
{
    switch (p_type) {
    case ValueType::UnsignedChar:
    case ValueType::UnsignedShort:
    case ValueType::UnsignedInt:
    case ValueType::UnsignedLong:
    case ValueType::UInt64:
        return static_cast<double>(p_raw);
    case ValueType::Char:
        return static_cast<double>(static_cast<std::int8_t>(p_raw));
    case ValueType::Short:
        return static_cast<double>(static_cast<std::int16_t>(p_raw));
    case ValueType::Int:
    case ValueType::IdType:
        return static_cast<double>(static_cast<std::int32_t>(p_raw));
    case ValueType::Long:
    case ValueType::Int64:
        return static_cast<double>(static_cast<std::int64_t>(p_raw));
    case ValueType::Float: {
        std::uint32_t const bits = static_cast<std::uint32_t>(p_raw);
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
    case ValueType::Double: {
        double d;
        std::memcpy(&d, &p_raw, sizeof d);
        return d;
    }
    }
    return 0.0;
}

// How an array was declared in its data section; the writer declares it the same way.
enum class ArrayRole { Scalars, Vectors, Normals, Tensors, Field };

struct ZEV_IO_EXPORT DataArray {
    std::string name;
    int numComponents = 1;
    ValueType type = ValueType::Float;
    ArrayRole role = ArrayRole::Scalars;
    std::vector<double> values; // numComponents values per tuple

    std::size_t numTuples() const { return numComponents > 0 ? values.size() / numComponents : 0; }
    bool isInteger() const { return type != ValueType::Float && type != ValueType::Double; }
};

struct ZEV_IO_EXPORT MeshData {
    DatasetKind kind = DatasetKind::UnstructuredGrid;
    std::string title;

    ValueType pointType = ValueType::Float; // Float or Double, as read
    std::vector<double> points;             // x, y, z per point

    // Cells in the file's order (for POLYDATA: lines, then polygons, as the format numbers them).
    // Cell i's connectivity is connectivity[offsets[i] .. offsets[i + 1]); offsets has one entry more
    // than there are cells. A polyhedron's connectivity is its face stream: the number of faces, then
    // for each face its corner count followed by its point indices.
    std::vector<VtkCellType> cellTypes;
    std::vector<std::size_t> offsets{0};
    std::vector<int> connectivity;

    std::vector<DataArray> pointData;
    std::vector<DataArray> cellData;

    // The file cells a reader skipped (vertex and poly-vertex cells) or kept as the linear cells of their
    // corners (second-order cells), counted for readerNotes; the writers ignore them.
    struct ReadChanges {
        std::size_t vertices = 0;
        std::size_t polyVertices = 0;
        std::size_t secondOrder = 0;
    } readChanges;
    // What the reader tells the user besides the mesh, in order: texts starting "note: " or "warning: ".
    std::vector<std::string> notes;
    // The integer cell array that splits the cells into regions when the caller names none ("" for no
    // split), and the file's names of those regions by (2 for surface cells, 3 for volume cells, region).
    std::string regionArray;
    std::map<std::pair<int, long long>, std::string> regionLabels;

    std::size_t numPoints() const { return points.size() / 3; }
    std::size_t numCells() const { return cellTypes.size(); }
    int cellSize(std::size_t cell) const { return static_cast<int>(offsets[cell + 1] - offsets[cell]); }
    int const* cellPoints(std::size_t cell) const { return connectivity.data() + offsets[cell]; }

    // Appends one cell; for a polyhedron p_ids is the face stream.
    void addCell(VtkCellType p_type, std::vector<int> const& p_ids);

    DataArray const* findPointArray(std::string const& p_name) const;
    DataArray const* findCellArray(std::string const& p_name) const;
};

// True for the types the tool reads (the enumerators above).
ZEV_IO_EXPORT bool isKnownCellType(int p_type);
// True for tetra, voxel, hexahedron, wedge, pyramid and polyhedron.
ZEV_IO_EXPORT bool isVolumeCell(VtkCellType p_type);
// True for triangle, quad and polygon.
ZEV_IO_EXPORT bool isSurfaceCell(VtkCellType p_type);
// The fixed point count of a type, or -1 for polygon, poly-line and polyhedron.
ZEV_IO_EXPORT int fixedPointCount(VtkCellType p_type);
// The lower-case name used in messages ("tetra", "hexahedron", ...).
ZEV_IO_EXPORT char const* cellTypeName(VtkCellType p_type);

// What the user is told about how the file was read, a line each beginning "note: " or "warning: ": one
// per kind of cell skipped or simplified, with the count, then the reader's own notes.
ZEV_IO_EXPORT std::vector<std::string> readerNotes(MeshData const& p_mesh);

// Adds, for every floating-point cell array that no point array shares a name with, a point array of that
// name holding at each point the plain mean of the array over the volume cells using the point (over the
// surface cells when the mesh has none; a polyhedron counts each of its points once). A point no such
// cell uses holds the undefined value, 3.4028235e38. Returns the names of the arrays added.
ZEV_IO_EXPORT std::vector<std::string> averageCellDataToPoints(MeshData& p_mesh);

// The format's type keyword ("float", "unsigned_char", "vtkIdType", ...) and its binary width in bytes.
ZEV_IO_EXPORT char const* valueTypeKeyword(ValueType p_type);
ZEV_IO_EXPORT int valueTypeSize(ValueType p_type);
// Parses a type keyword (case-insensitive); false for an unknown or unsupported one.
ZEV_IO_EXPORT bool parseValueType(std::string const& p_keyword, ValueType& p_type);

} // namespace zev::io
