#include "zev/io/ParallelVtkFile.h"

#include "zev/contracts/Error.h"
#include "zev/io/FileAccess.h"
#include "zev/io/FormatError.h"
#include "zev/io/VtkXmlReader.h"

#include <pugixml.hpp>

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ostream>
#include <unordered_map>

namespace zev::io {

namespace {

char const* const s_className = "ParallelVtkFile";
char const* const s_nodeIds = "GlobalNodeIds";
char const* const s_cellIds = "GlobalCellIds";

struct XmlType {
    char const* name;
    ValueType type;
};
XmlType const s_types[] = {{"Int8", ValueType::Char},     {"UInt8", ValueType::UnsignedChar},
                           {"Int16", ValueType::Short},   {"UInt16", ValueType::UnsignedShort},
                           {"Int32", ValueType::Int},     {"UInt32", ValueType::UnsignedInt},
                           {"Int64", ValueType::Int64},   {"UInt64", ValueType::UInt64},
                           {"Float32", ValueType::Float}, {"Float64", ValueType::Double}};

char const* xmlTypeName(ValueType p_type)
{
    switch (p_type) {
    case ValueType::IdType:
        return "Int32";
    case ValueType::Long:
        return "Int64";
    case ValueType::UnsignedLong:
        return "UInt64";
    default:
        break;
    }
    for (XmlType const& t : s_types) {
        if (t.type == p_type) {
            return t.name;
        }
    }
    return "Float64";
}

// Attribute text fit for a message: control bytes shown as '?', long texts cut.
std::string printable(std::string const& p_text)
{
    std::string out;
    for (char c : p_text.substr(0, 64)) {
        out += static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? '?' : c;
    }
    return p_text.size() > 64 ? out + "..." : out;
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

std::string folderOf(std::string const& p_path)
{
    std::size_t const slash = p_path.rfind('/');
    return slash == std::string::npos ? std::string() : p_path.substr(0, slash + 1);
}

// What a parallel file's name says it holds; Auto when it names neither kind.
FileFormat parallelFormat(std::string const& p_path, FileFormat p_format)
{
    FileFormat const format = p_format == FileFormat::Auto ? formatOfPath(p_path) : p_format;
    return format == FileFormat::ParallelUnstructured || format == FileFormat::ParallelPolyData
               ? format
               : FileFormat::Auto;
}

class IndexParser {
public:
    explicit IndexParser(std::string const& p_path) : m_path(p_path) {}

    ParallelFileIndex parse()
    {
        std::string const data = readRegularFile(m_path, [this](std::string_view p_start) {
            std::size_t i = p_start.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
            while (i < p_start.size() && isSpace(p_start[i])) {
                ++i;
            }
            if (i >= p_start.size() || p_start[i] != '<') {
                throw FormatError(m_path, 0, i, "not a VTK XML file: it does not start with an XML tag");
            }
        });
        pugi::xml_document doc;
        pugi::xml_parse_result const result =
            doc.load_buffer(data.data(), data.size(), pugi::parse_default, pugi::encoding_utf8);
        if (!result) {
            throw FormatError(m_path, 0, static_cast<std::size_t>(result.offset),
                              std::string("malformed XML: ") + result.description());
        }
        pugi::xml_node const root = doc.child("VTKFile");
        if (!root) {
            throw FormatError(m_path, 0, FormatError::s_noOffset,
                              "not a VTK XML file: there is no VTKFile element");
        }
        ParallelFileIndex index;
        std::string const type = root.attribute("type").value();
        if (type == "PUnstructuredGrid") {
            index.kind = DatasetKind::UnstructuredGrid;
        } else if (type == "PPolyData") {
            index.kind = DatasetKind::PolyData;
        } else {
            fail("VTKFile", "unsupported parallel data set type '" + printable(type) +
                                "'; PUnstructuredGrid and PPolyData are read");
        }
        pugi::xml_node const dataset = root.child(type.c_str());
        std::string const datasetPath = "VTKFile/" + type;
        if (!dataset) {
            fail("VTKFile", "there is no " + type + " element");
        }
        readArrays(dataset.child("PPointData"), datasetPath + "/PPointData", index.pointArrays);
        readArrays(dataset.child("PCellData"), datasetPath + "/PCellData", index.cellArrays);
        if (pugi::xml_node const points = dataset.child("PPoints")) {
            std::vector<DataArray> coordinates;
            readArrays(points, datasetPath + "/PPoints", coordinates, false);
            if (coordinates.size() != 1 || coordinates[0].numComponents != 3 || coordinates[0].isInteger()) {
                fail(datasetPath + "/PPoints",
                     "the points must be one Float32 or Float64 array of 3 components");
            }
            index.pointType = coordinates[0].type;
        }
        std::string const folder = folderOf(m_path);
        int n = 0;
        for (pugi::xml_node piece = dataset.child("Piece"); piece; piece = piece.next_sibling("Piece"), ++n) {
            std::string const path = datasetPath + "/Piece[" + std::to_string(n) + "]";
            pugi::xml_attribute const source = piece.attribute("Source");
            if (!source) {
                fail(path, "the attribute Source is missing");
            }
            std::string const name = source.value();
            if (name.empty()) {
                fail(path, "Source is empty");
            }
            index.pieces.push_back(name.front() == '/' ? name : folder + name);
        }
        if (index.pieces.empty()) {
            fail(datasetPath, "the index names no piece");
        }
        return index;
    }

private:
    [[noreturn]] void fail(std::string const& p_path, std::string const& p_message) const
    {
        throw FormatError(m_path, p_path, FormatError::s_noOffset, p_message);
    }

    void readArrays(pugi::xml_node p_section, std::string const& p_path, std::vector<DataArray>& p_arrays,
                    bool p_named = true) const
    {
        int n = 0;
        for (pugi::xml_node a = p_section.child("PDataArray"); a; a = a.next_sibling("PDataArray"), ++n) {
            std::string const path = p_path + "/PDataArray[" + std::to_string(n) + "]";
            DataArray array;
            pugi::xml_attribute const name = a.attribute("Name");
            if (p_named && !name) {
                fail(path, "the attribute Name is missing");
            }
            array.name = name.value();
            std::string const type = a.attribute("type").value();
            bool known = false;
            for (XmlType const& t : s_types) {
                if (type == t.name) {
                    array.type = t.type;
                    known = true;
                }
            }
            if (!known) {
                fail(path, "unknown type '" + printable(type) + "'");
            }
            std::string const components = a.attribute("NumberOfComponents").as_string("1");
            int value = 0;
            auto const res = std::from_chars(components.data(), components.data() + components.size(), value);
            if (res.ec != std::errc() || res.ptr != components.data() + components.size() || value < 1) {
                fail(path,
                     "NumberOfComponents must be a whole number from 1, not '" + printable(components) + "'");
            }
            array.numComponents = value;
            p_arrays.push_back(std::move(array));
        }
    }

    std::string m_path;
};

void addArrays(pugi::xml_node p_section, std::vector<DataArray> const& p_arrays)
{
    for (DataArray const& a : p_arrays) {
        pugi::xml_node node = p_section.append_child("PDataArray");
        node.append_attribute("type") = xmlTypeName(a.type);
        node.append_attribute("Name") = a.name.c_str();
        node.append_attribute("NumberOfComponents") = a.numComponents;
    }
}

// The array of p_arrays named p_name, or null.
DataArray const* findArray(std::vector<DataArray> const& p_arrays, std::string const& p_name)
{
    for (DataArray const& a : p_arrays) {
        if (a.name == p_name) {
            return &a;
        }
    }
    return nullptr;
}

[[noreturn]] void mergeFailure(std::size_t p_piece, std::string const& p_message)
{
    throw zev::data::invalid(s_className, "mergePieces",
                             "piece " + std::to_string(p_piece) + ": " + p_message);
}

// Every piece holds the first piece's arrays, of as many components, with one tuple per point or cell.
void checkLayout(std::vector<MeshData> const& p_pieces, bool p_points)
{
    std::vector<DataArray> const& first = p_points ? p_pieces[0].pointData : p_pieces[0].cellData;
    char const* const kind = p_points ? "point" : "cell";
    for (std::size_t p = 0; p < p_pieces.size(); ++p) {
        MeshData const& piece = p_pieces[p];
        std::vector<DataArray> const& arrays = p_points ? piece.pointData : piece.cellData;
        std::size_t const tuples = p_points ? piece.numPoints() : piece.numCells();
        if (arrays.size() != first.size()) {
            mergeFailure(p, "it has " + std::to_string(arrays.size()) + " " + kind + " arrays, piece 0 has " +
                                std::to_string(first.size()));
        }
        for (DataArray const& a : first) {
            DataArray const* mine = findArray(arrays, a.name);
            if (mine == nullptr || mine->numComponents != a.numComponents) {
                mergeFailure(p, std::string("it has no ") + kind + " array '" + a.name + "' of " +
                                    std::to_string(a.numComponents) + " components");
            }
            if (mine->values.size() != tuples * static_cast<std::size_t>(a.numComponents)) {
                mergeFailure(p, std::string("its ") + kind + " array '" + a.name +
                                    "' does not hold one tuple per " + kind);
            }
        }
    }
}

// Calls p_visit(k) for every position k of cell p_cell's connectivity that names a point: all of them, or
// for a polyhedron the corners in its face stream. False when that stream is malformed.
template <class Visit> bool forEachPointRef(MeshData const& p_mesh, std::size_t p_cell, Visit p_visit)
{
    int const* pts = p_mesh.cellPoints(p_cell);
    int const size = p_mesh.cellSize(p_cell);
    if (p_mesh.cellTypes[p_cell] != VtkCellType::Polyhedron) {
        for (int k = 0; k < size; ++k) {
            p_visit(k);
        }
        return true;
    }
    // A face stream: the face count, then each face's corner count and corners.
    int const faces = size > 0 ? pts[0] : -1;
    int at = 1;
    for (int f = 0; f < faces; ++f) {
        if (at >= size || pts[at] < 1 || pts[at] > size - at - 1) {
            return false;
        }
        for (int k = 0; k < pts[at]; ++k) {
            p_visit(at + 1 + k);
        }
        at += pts[at] + 1;
    }
    return faces >= 0 && at == size;
}

// The position of every tuple in the order its global ids give, when they number the tuples 0 .. n-1
// each once; empty otherwise.
std::vector<std::size_t> globalOrder(DataArray const* p_ids, std::size_t p_count)
{
    if (p_ids == nullptr || p_ids->numComponents != 1 || p_ids->values.size() != p_count) {
        return {};
    }
    std::vector<std::size_t> order(p_count, p_count);
    for (std::size_t i = 0; i < p_count; ++i) {
        double const id = p_ids->values[i];
        if (!(id >= 0.0 && id < static_cast<double>(p_count)) || id != std::floor(id)) {
            return {};
        }
        std::size_t& slot = order[static_cast<std::size_t>(id)];
        if (slot != p_count) {
            return {};
        }
        slot = i;
    }
    return order;
}

void reorderArrays(std::vector<DataArray>& p_arrays, std::vector<std::size_t> const& p_order)
{
    for (DataArray& a : p_arrays) {
        std::size_t const nc = static_cast<std::size_t>(a.numComponents);
        std::vector<double> values;
        values.reserve(a.values.size());
        for (std::size_t i : p_order) {
            values.insert(values.end(), a.values.begin() + static_cast<std::ptrdiff_t>(i * nc),
                          a.values.begin() + static_cast<std::ptrdiff_t>((i + 1) * nc));
        }
        a.values = std::move(values);
    }
}

void eraseArray(std::vector<DataArray>& p_arrays, std::string const& p_name)
{
    for (auto a = p_arrays.begin(); a != p_arrays.end(); ++a) {
        if (a->name == p_name) {
            p_arrays.erase(a);
            return;
        }
    }
}

// Pieces that hold every point and cell of a whole mesh once, by global ids 0 .. n-1, give that mesh back
// as it was: points and cells in their global order, without the id arrays (they would only number them
// again). Otherwise the merged mesh stays as it is.
void restoreWholeMesh(MeshData& p_mesh)
{
    std::vector<std::size_t> const points = globalOrder(p_mesh.findPointArray(s_nodeIds), p_mesh.numPoints());
    std::vector<std::size_t> const cells = globalOrder(p_mesh.findCellArray(s_cellIds), p_mesh.numCells());
    if (points.size() != p_mesh.numPoints() || cells.size() != p_mesh.numCells() || points.empty()) {
        return;
    }
    std::vector<int> renumbered(points.size());
    std::vector<double> coordinates(p_mesh.points.size());
    for (std::size_t g = 0; g < points.size(); ++g) {
        renumbered[points[g]] = static_cast<int>(g);
        for (std::size_t d = 0; d < 3; ++d) {
            coordinates[g * 3 + d] = p_mesh.points[points[g] * 3 + d];
        }
    }
    MeshData out;
    out.kind = p_mesh.kind;
    out.title = p_mesh.title;
    out.pointType = p_mesh.pointType;
    out.points = std::move(coordinates);
    out.cellTypes.reserve(cells.size());
    out.offsets.reserve(cells.size() + 1);
    out.connectivity.reserve(p_mesh.connectivity.size());
    for (std::size_t c : cells) {
        int const* pts = p_mesh.cellPoints(c);
        std::size_t const start = out.connectivity.size();
        out.connectivity.insert(out.connectivity.end(), pts, pts + p_mesh.cellSize(c));
        // The merge checked every stream and point already.
        forEachPointRef(p_mesh, c, [&](int k) {
            out.connectivity[start + static_cast<std::size_t>(k)] =
                renumbered[static_cast<std::size_t>(pts[k])];
        });
        out.cellTypes.push_back(p_mesh.cellTypes[c]);
        out.offsets.push_back(out.connectivity.size());
    }
    out.pointData = std::move(p_mesh.pointData);
    out.cellData = std::move(p_mesh.cellData);
    reorderArrays(out.pointData, points);
    reorderArrays(out.cellData, cells);
    eraseArray(out.pointData, s_nodeIds);
    eraseArray(out.cellData, s_cellIds);
    p_mesh = std::move(out);
}

} // namespace

ParallelFileIndex readParallelFileIndex(std::string const& p_path)
{
    return IndexParser(p_path).parse();
}

MeshData readParallelFile(std::string const& p_path)
{
    ParallelFileIndex const index = readParallelFileIndex(p_path);
    std::vector<MeshData> pieces;
    pieces.reserve(index.pieces.size());
    for (std::string const& path : index.pieces) {
        MeshData piece = VtkXmlReader::readFile(path);
        if (piece.kind != index.kind) {
            throw FormatError(
                path, "VTKFile", FormatError::s_noOffset,
                std::string("the piece holds ") +
                    (piece.kind == DatasetKind::PolyData ? "PolyData" : "an UnstructuredGrid") +
                    ", but its index '" + p_path + "' is " +
                    (index.kind == DatasetKind::PolyData ? "PPolyData" : "a PUnstructuredGrid"));
        }
        for (bool points : {true, false}) {
            std::vector<DataArray> const& declared = points ? index.pointArrays : index.cellArrays;
            std::vector<DataArray> const& held = points ? piece.pointData : piece.cellData;
            for (DataArray const& a : declared) {
                DataArray const* mine = findArray(held, a.name);
                if (mine == nullptr || mine->numComponents != a.numComponents) {
                    throw FormatError(path, 0, FormatError::s_noOffset,
                                      std::string("the index declares the ") + (points ? "point" : "cell") +
                                          " array '" + a.name + "' of " + std::to_string(a.numComponents) +
                                          " components, which the piece does not hold");
                }
            }
        }
        pieces.push_back(std::move(piece));
    }
    MeshData mesh = mergePieces(pieces);
    mesh.kind = index.kind;
    restoreWholeMesh(mesh);
    return mesh;
}

MeshData mergePieces(std::vector<MeshData> const& p_pieces)
{
    MeshData out;
    if (p_pieces.empty()) {
        return out;
    }
    checkLayout(p_pieces, true);
    checkLayout(p_pieces, false);
    bool byIds = true;
    for (MeshData const& piece : p_pieces) {
        DataArray const* ids = piece.findPointArray(s_nodeIds);
        byIds = byIds && ids != nullptr && ids->numComponents == 1;
    }
    out.kind = p_pieces[0].kind;
    out.title = p_pieces[0].title;
    out.pointType = ValueType::Float;
    std::size_t points = 0;
    std::size_t cells = 0;
    std::size_t links = 0;
    for (MeshData const& piece : p_pieces) {
        points += piece.numPoints();
        cells += piece.numCells();
        links += piece.connectivity.size();
        if (piece.pointType == ValueType::Double) {
            out.pointType = ValueType::Double;
        }
    }
    out.points.reserve(points * 3);
    out.cellTypes.reserve(cells);
    out.offsets.reserve(cells + 1);
    out.connectivity.reserve(links);
    for (DataArray const& a : p_pieces[0].pointData) {
        out.pointData.push_back(DataArray{a.name, a.numComponents, a.type, a.role, {}});
    }
    for (DataArray const& a : p_pieces[0].cellData) {
        out.cellData.push_back(DataArray{a.name, a.numComponents, a.type, a.role, {}});
    }

    std::unordered_map<std::int64_t, int> merged;
    if (byIds) {
        merged.reserve(points);
    }
    std::vector<int> local;
    for (std::size_t p = 0; p < p_pieces.size(); ++p) {
        MeshData const& piece = p_pieces[p];
        if (piece.offsets.size() != piece.numCells() + 1 ||
            piece.offsets.back() > piece.connectivity.size()) {
            mergeFailure(p, "its cell offsets do not match its cells and connectivity");
        }
        // Where each of the piece's points goes in the merged mesh; new points are appended with their data.
        DataArray const* ids = byIds ? piece.findPointArray(s_nodeIds) : nullptr;
        local.assign(piece.numPoints(), -1);
        for (std::size_t i = 0; i < piece.numPoints(); ++i) {
            if (out.numPoints() >= static_cast<std::size_t>(INT_MAX)) {
                mergeFailure(p, "the merged mesh has more points than its cells can number");
            }
            int const next = static_cast<int>(out.numPoints());
            if (ids != nullptr) {
                double const id = ids->values[i];
                if (!(id >= 0.0 && id <= 9007199254740992.0 && id == std::floor(id))) {
                    mergeFailure(p, "its GlobalNodeIds value " + std::to_string(id) + " at point " +
                                        std::to_string(i) + " is not a whole number from 0 to 2^53");
                }
                auto const found = merged.emplace(static_cast<std::int64_t>(id), next);
                if (!found.second) {
                    local[i] = found.first->second;
                    continue;
                }
            }
            local[i] = next;
            out.points.insert(out.points.end(), piece.points.begin() + static_cast<std::ptrdiff_t>(i * 3),
                              piece.points.begin() + static_cast<std::ptrdiff_t>(i * 3 + 3));
            for (std::size_t a = 0; a < out.pointData.size(); ++a) {
                DataArray const& from = *findArray(piece.pointData, out.pointData[a].name);
                std::size_t const nc = static_cast<std::size_t>(from.numComponents);
                out.pointData[a].values.insert(
                    out.pointData[a].values.end(), from.values.begin() + static_cast<std::ptrdiff_t>(i * nc),
                    from.values.begin() + static_cast<std::ptrdiff_t>((i + 1) * nc));
            }
        }
        for (std::size_t c = 0; c < piece.numCells(); ++c) {
            int const* pts = piece.cellPoints(c);
            int const size = piece.cellSize(c);
            std::size_t const start = out.connectivity.size();
            out.connectivity.insert(out.connectivity.end(), pts, pts + size);
            auto remap = [&](int k) {
                if (pts[k] < 0 || static_cast<std::size_t>(pts[k]) >= local.size()) {
                    mergeFailure(p, "cell " + std::to_string(c) + " uses point " + std::to_string(pts[k]) +
                                        ", which the piece does not have");
                }
                out.connectivity[start + static_cast<std::size_t>(k)] =
                    local[static_cast<std::size_t>(pts[k])];
            };
            if (!forEachPointRef(piece, c, remap)) {
                mergeFailure(p, "cell " + std::to_string(c) + ": the polyhedron's face stream is malformed");
            }
            out.cellTypes.push_back(piece.cellTypes[c]);
            out.offsets.push_back(out.connectivity.size());
        }
        for (std::size_t a = 0; a < out.cellData.size(); ++a) {
            DataArray const& from = *findArray(piece.cellData, out.cellData[a].name);
            out.cellData[a].values.insert(out.cellData[a].values.end(), from.values.begin(),
                                          from.values.end());
        }
    }
    return out;
}

std::string pieceFilePath(std::string const& p_path, std::size_t p_piece, FileFormat p_format)
{
    std::size_t const dot = p_path.rfind('.');
    std::size_t const slash = p_path.rfind('/');
    bool const hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    std::string const stem = hasExtension ? p_path.substr(0, dot) : p_path;
    bool const poly = parallelFormat(p_path, p_format) == FileFormat::ParallelPolyData;
    return stem + "_" + std::to_string(p_piece) + (poly ? ".vtp" : ".vtu");
}

std::vector<std::string> writeParallelFile(std::vector<MeshData> const& p_pieces, std::string const& p_path,
                                           WriteOptions const& p_options)
{
    FileFormat const format = parallelFormat(p_path, p_options.format);
    if (format == FileFormat::Auto) {
        throw FormatError(p_path, 0, FormatError::s_noOffset,
                          "a file of pieces is named .pvtu (any cells) or .pvtp (lines and surfaces)");
    }
    if (p_pieces.empty()) {
        throw zev::data::invalid(s_className, "writeParallelFile", "there is no piece to write");
    }
    WriteOptions pieceOptions = p_options;
    pieceOptions.format =
        format == FileFormat::ParallelPolyData ? FileFormat::XmlPolyData : FileFormat::XmlUnstructured;
    std::vector<std::string> paths;
    std::vector<std::string> names;
    std::string const folder = folderOf(p_path);
    MeshData layout;
    layout.pointType = p_pieces[0].pointType;
    for (MeshData const& piece : p_pieces) {
        if (piece.pointType == ValueType::Double) {
            layout.pointType = ValueType::Double;
        }
    }
    layout.pointData = p_pieces[0].pointData;
    layout.cellData = p_pieces[0].cellData;
    WriteOptions indexOptions = p_options;
    indexOptions.format = format;
    // A failed write leaves none of the pieces written so far behind, as a failed mesh file leaves nothing.
    try {
        for (std::size_t p = 0; p < p_pieces.size(); ++p) {
            std::string const path = pieceFilePath(p_path, p, format);
            writeMeshFile(p_pieces[p], path, pieceOptions);
            paths.push_back(path);
            names.push_back(path.substr(folder.size()));
        }
        writeParallelFileIndex(p_path, names, layout, indexOptions);
    } catch (...) {
        for (std::string const& path : paths) {
            std::remove(path.c_str());
        }
        throw;
    }
    return paths;
}

void writeParallelFileIndex(std::string const& p_path, std::vector<std::string> const& p_pieceNames,
                            MeshData const& p_layout, WriteOptions const& p_options)
{
    FileFormat format = parallelFormat(p_path, p_options.format);
    if (format == FileFormat::Auto) {
        format = p_layout.kind == DatasetKind::PolyData ? FileFormat::ParallelPolyData
                                                        : FileFormat::ParallelUnstructured;
    }
    char const* const type = format == FileFormat::ParallelPolyData ? "PPolyData" : "PUnstructuredGrid";
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("VTKFile");
    root.append_attribute("type") = type;
    root.append_attribute("version") = "1.0";
    root.append_attribute("byte_order") = "LittleEndian";
    root.append_attribute("header_type") = "UInt64";
    pugi::xml_node dataset = root.append_child(type);
    dataset.append_attribute("GhostLevel") = 0;
    addArrays(dataset.append_child("PPointData"), p_layout.pointData);
    addArrays(dataset.append_child("PCellData"), p_layout.cellData);
    pugi::xml_node coordinates = dataset.append_child("PPoints").append_child("PDataArray");
    coordinates.append_attribute("type") = p_layout.pointType == ValueType::Float ? "Float32" : "Float64";
    coordinates.append_attribute("NumberOfComponents") = 3;
    for (std::string const& name : p_pieceNames) {
        dataset.append_child("Piece").append_attribute("Source") = name.c_str();
    }
    writeFileSafely(p_path, [&doc](std::ostream& p_out) { doc.save(p_out, "  "); });
}

} // namespace zev::io
