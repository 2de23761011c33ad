#include "zev/io/MeshData.h"

#include "zev/io/VtkTypeTables.h"

#include <algorithm>
#include <cctype>

namespace zev::io {

void MeshData::addCell(VtkCellType p_type, std::vector<int> const& p_ids)
{
    cellTypes.push_back(p_type);
    connectivity.insert(connectivity.end(), p_ids.begin(), p_ids.end());
    offsets.push_back(connectivity.size());
}

namespace {
DataArray const* findArray(std::vector<DataArray> const& p_arrays, std::string const& p_name)
{
    auto it =
        std::find_if(p_arrays.begin(), p_arrays.end(), [&](DataArray const& a) { return a.name == p_name; });
    return it == p_arrays.end() ? nullptr : &*it;
}
} // namespace

DataArray const* MeshData::findPointArray(std::string const& p_name) const
{
    return findArray(pointData, p_name);
}

DataArray const* MeshData::findCellArray(std::string const& p_name) const
{
    return findArray(cellData, p_name);
}

namespace {
std::string counted(std::size_t p_count, char const* p_kind, char const* p_what)
{
    return std::to_string(p_count) + " " + p_kind + (p_count == 1 ? " cell was " : " cells were ") + p_what;
}
} // namespace

std::vector<std::string> averageCellDataToPoints(MeshData& p_mesh)
{
    std::size_t const numCells = p_mesh.numCells();
    bool anyVolume = false;
    for (VtkCellType t : p_mesh.cellTypes) {
        anyVolume = anyVolume || isVolumeCell(t);
    }
    // Which points each counted cell uses, once each: (cell, point) pairs in cell order.
    std::vector<std::pair<std::size_t, int>> uses;
    std::vector<int> points;
    for (std::size_t c = 0; c < numCells; ++c) {
        VtkCellType const type = p_mesh.cellTypes[c];
        if (anyVolume ? !isVolumeCell(type) : !isSurfaceCell(type)) {
            continue;
        }
        int const* ids = p_mesh.cellPoints(c);
        int const n = p_mesh.cellSize(c);
        points.clear();
        if (type == VtkCellType::Polyhedron) {
            for (int k = 1, f = 0; f < (n > 0 ? ids[0] : 0) && k < n; ++f) {
                int const corners = ids[k];
                points.insert(points.end(), ids + k + 1, ids + std::min(n, k + 1 + corners));
                k += 1 + corners;
            }
            std::sort(points.begin(), points.end());
            points.erase(std::unique(points.begin(), points.end()), points.end());
        } else {
            points.assign(ids, ids + n);
        }
        for (int p : points) {
            if (p >= 0 && static_cast<std::size_t>(p) < p_mesh.numPoints()) {
                uses.emplace_back(c, p);
            }
        }
    }
    std::vector<double> count(p_mesh.numPoints(), 0.0);
    for (auto const& use : uses) {
        count[static_cast<std::size_t>(use.second)] += 1.0;
    }
    std::vector<std::string> added;
    for (DataArray const& cells : std::vector<DataArray>(p_mesh.cellData)) {
        if (cells.isInteger() || p_mesh.findPointArray(cells.name) != nullptr ||
            cells.numTuples() != numCells) {
            continue;
        }
        std::size_t const comps = static_cast<std::size_t>(cells.numComponents);
        DataArray out;
        out.name = cells.name;
        out.numComponents = cells.numComponents;
        out.type = cells.type;
        out.role = cells.role;
        out.values.assign(p_mesh.numPoints() * comps, 0.0);
        for (auto const& use : uses) {
            for (std::size_t k = 0; k < comps; ++k) {
                out.values[static_cast<std::size_t>(use.second) * comps + k] +=
                    cells.values[use.first * comps + k];
            }
        }
        for (std::size_t p = 0; p < p_mesh.numPoints(); ++p) {
            for (std::size_t k = 0; k < comps; ++k) {
                double& v = out.values[p * comps + k];
                v = count[p] > 0 ? v / count[p] : 3.4028234663852886e38;
            }
        }
        added.push_back(out.name);
        p_mesh.pointData.push_back(std::move(out));
    }
    return added;
}

std::vector<std::string> readerNotes(MeshData const& p_mesh)
{
    MeshData::ReadChanges const& changes = p_mesh.readChanges;
    std::vector<std::string> notes;
    if (changes.vertices > 0) {
        notes.push_back("note: " + counted(changes.vertices, "vertex", "skipped"));
    }
    if (changes.polyVertices > 0) {
        notes.push_back("note: " + counted(changes.polyVertices, "poly-vertex", "skipped"));
    }
    std::size_t const reduced = changes.secondOrder;
    if (reduced > 0) {
        notes.push_back("warning: " +
                        (reduced == 1 ? std::string("1 second-order cell was read as the linear cell of its "
                                                    "corners; its mid-side nodes were dropped")
                                      : std::to_string(reduced) +
                                            " second-order cells were read as the linear cells of their "
                                            "corners; their mid-side nodes were dropped"));
    }
    notes.insert(notes.end(), p_mesh.notes.begin(), p_mesh.notes.end());
    return notes;
}

bool isKnownCellType(int p_type)
{
    return cellTypeInfo(p_type) != nullptr;
}

bool isVolumeCell(VtkCellType p_type)
{
    CellTypeInfo const* info = cellTypeInfo(p_type);
    return info != nullptr && info->dimension == 3;
}

bool isSurfaceCell(VtkCellType p_type)
{
    CellTypeInfo const* info = cellTypeInfo(p_type);
    return info != nullptr && info->dimension == 2;
}

int fixedPointCount(VtkCellType p_type)
{
    CellTypeInfo const* info = cellTypeInfo(p_type);
    return info != nullptr ? info->points : -1;
}

char const* cellTypeName(VtkCellType p_type)
{
    CellTypeInfo const* info = cellTypeInfo(p_type);
    return info != nullptr ? info->name : "unknown";
}

namespace {
struct TypeInfo {
    ValueType type;
    char const* keyword;
    int size;
};

// "long" is taken as 64 bits, the width of the platforms the tool is built for.
constexpr TypeInfo s_types[] = {{ValueType::UnsignedChar, "unsigned_char", 1},
                                {ValueType::Char, "char", 1},
                                {ValueType::UnsignedShort, "unsigned_short", 2},
                                {ValueType::Short, "short", 2},
                                {ValueType::UnsignedInt, "unsigned_int", 4},
                                {ValueType::Int, "int", 4},
                                {ValueType::UnsignedLong, "unsigned_long", 8},
                                {ValueType::Long, "long", 8},
                                {ValueType::Int64, "vtktypeint64", 8},
                                {ValueType::UInt64, "vtktypeuint64", 8},
                                {ValueType::IdType, "vtkIdType", 4},
                                {ValueType::Float, "float", 4},
                                {ValueType::Double, "double", 8}};
} // namespace

char const* valueTypeKeyword(ValueType p_type)
{
    for (TypeInfo const& t : s_types) {
        if (t.type == p_type) {
            return t.keyword;
        }
    }
    return "float";
}

int valueTypeSize(ValueType p_type)
{
    for (TypeInfo const& t : s_types) {
        if (t.type == p_type) {
            return t.size;
        }
    }
    return 4;
}

bool parseValueType(std::string const& p_keyword, ValueType& p_type)
{
    for (TypeInfo const& t : s_types) {
        std::string k = t.keyword;
        if (k.size() == p_keyword.size() &&
            std::equal(k.begin(), k.end(), p_keyword.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) ==
                       std::tolower(static_cast<unsigned char>(b));
            })) {
            p_type = t.type;
            return true;
        }
    }
    return false;
}

} // namespace zev::io
