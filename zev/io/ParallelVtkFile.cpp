#include "zev/io/ParallelVtkFile.h"
#include "zev/io/ParallelPieces.h"

#include "zev/contracts/Error.h"
#include "zev/io/FileAccess.h"
#include "zev/io/FormatError.h"
#include "zev/io/VtkTypeTables.h"
#include "zev/io/VtkXmlParser.h"
#include "zev/io/VtkXmlReader.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <unordered_map>

namespace zev::io {

namespace {

char const* const s_className = "ParallelVtkFile";

// Attribute text fit for a message: control bytes shown as '?', long texts cut.
std::string printable(std::string const& p_text)
{
    std::string out;
    for (char c : p_text.substr(0, 64)) {
        out += static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? '?' : c;
    }
    return p_text.size() > 64 ? out + "..." : out;
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
        std::string const data = xml::readXmlFile(m_path);
        pugi::xml_document doc;
        pugi::xml_node const root = xml::loadVtkFile(doc, data, m_path);
        ParallelFileIndex index;
        std::string const type = root.attribute("type").value();
        if (!xml::datasetKindOf(type, "P", index.kind)) {
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
        std::unordered_map<std::string, int> named;
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
            std::string const resolved = name.front() == '/' ? name : folder + name;
            // One piece named twice would be read, and counted, twice.
            std::error_code ignored;
            std::filesystem::path file = std::filesystem::weakly_canonical(resolved, ignored);
            if (file.empty()) {
                file = std::filesystem::path(resolved).lexically_normal();
            }
            auto const seen = named.emplace(file.string(), n);
            if (!seen.second) {
                fail(path, "the piece '" + printable(name) + "' is named already by Piece[" +
                               std::to_string(seen.first->second) + "]");
            }
            index.pieces.push_back(resolved);
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
            if (!parseXmlType(type, array.type)) {
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

} // namespace

ParallelFileIndex readParallelFileIndex(std::string const& p_path)
{
    return IndexParser(p_path).parse();
}

MeshData readParallelPieces(std::string const& p_path, ParallelFileIndex const& p_index, std::size_t p_first,
                            std::size_t p_last)
{
    std::vector<MeshData> pieces;
    pieces.reserve(p_last > p_first ? p_last - p_first : 0);
    for (std::size_t i = p_first; i < p_last && i < p_index.pieces.size(); ++i) {
        std::string const& path = p_index.pieces[i];
        MeshData piece = VtkXmlReader::readFile(path);
        if (piece.kind != p_index.kind) {
            throw FormatError(
                path, "VTKFile", FormatError::s_noOffset,
                std::string("the piece holds ") +
                    (piece.kind == DatasetKind::PolyData ? "PolyData" : "an UnstructuredGrid") +
                    ", but its index '" + p_path + "' is " +
                    (p_index.kind == DatasetKind::PolyData ? "PPolyData" : "a PUnstructuredGrid"));
        }
        for (bool points : {true, false}) {
            std::vector<DataArray> const& declared = points ? p_index.pointArrays : p_index.cellArrays;
            std::vector<DataArray> const& held = points ? piece.pointData : piece.cellData;
            for (DataArray const& a : declared) {
                DataArray const* mine = pieces::findArray(held, a.name);
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
    try {
        MeshData mesh = pieces::merge(pieces);
        mesh.kind = p_index.kind;
        return mesh;
    } catch (pieces::PieceFault const& e) {
        std::size_t const n = p_first + e.piece;
        throw FormatError(p_index.pieces[n], 0, FormatError::s_noOffset,
                          "piece " + std::to_string(n) + " of '" + p_path + "': " + e.what());
    }
}

MeshData readParallelFile(std::string const& p_path)
{
    ParallelFileIndex const index = readParallelFileIndex(p_path);
    MeshData mesh = readParallelPieces(p_path, index, 0, index.pieces.size());
    pieces::restoreWholeMesh(mesh);
    return mesh;
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
    // The pieces and the index are written as one: every file goes to a temporary file first, and only
    // when all are written are they renamed over the old ones, the index last. A failure part-way
    // leaves the old pieces and index as they were.
    FileBatch batch;
    for (std::size_t p = 0; p < p_pieces.size(); ++p) {
        std::string const path = pieceFilePath(p_path, p, format);
        writeMeshFile(p_pieces[p], path, pieceOptions);
        paths.push_back(path);
        names.push_back(path.substr(folder.size()));
    }
    writeParallelFileIndex(p_path, names, layout, indexOptions);
    batch.commit();
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
