#include "zev/io/VtkXmlWriter.h"

#include "zev/io/Base64.h"
#include "zev/io/FileAccess.h"
#include "zev/io/FormatError.h"
#include "zev/io/PolyDataCells.h"
#include "zev/io/ValueRange.h"
#include "zev/io/VtkCellOrder.h"
#include "zev/io/VtkTypeTables.h"

#include <zlib.h>

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <ostream>
#include <set>

namespace zev::io {

namespace {

std::string escape(std::string const& p_text)
{
    std::string out;
    for (char c : p_text) {
        unsigned char const u = static_cast<unsigned char>(c);
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            if (u < 0x20) {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "&#%u;", u);
                out += buffer;
            } else {
                out += c;
            }
        }
    }
    return out;
}

// Little-endian bytes of one value of a type; integers out of range are clamped.
void putValue(std::string& p_out, ValueType p_type, double p_value)
{
    std::uint64_t raw = 0;
    int size = valueTypeSize(p_type);
    switch (p_type) {
    case ValueType::Float: {
        float const f = static_cast<float>(p_value);
        std::uint32_t bits;
        std::memcpy(&bits, &f, 4);
        raw = bits;
        break;
    }
    case ValueType::Double:
        std::memcpy(&raw, &p_value, 8);
        break;
    case ValueType::UnsignedChar:
    case ValueType::UnsignedShort:
    case ValueType::UnsignedInt:
    case ValueType::UInt64:
    case ValueType::UnsignedLong:
        raw = !(p_value > 0) ? 0 : p_value < 1.8e19 ? static_cast<std::uint64_t>(p_value) : UINT64_MAX;
        break;
    default: {
        std::int64_t const v = !(p_value > -9.2e18) ? (p_value < 0 ? INT64_MIN : 0)
                               : p_value < 9.2e18   ? static_cast<std::int64_t>(p_value)
                                                    : INT64_MAX;
        raw = static_cast<std::uint64_t>(v);
    }
    }
    for (int b = 0; b < size; ++b) {
        p_out += static_cast<char>((raw >> (8 * b)) & 255);
    }
}

void putText(std::string& p_out, ValueType p_type, double p_value)
{
    char buffer[64];
    std::to_chars_result r;
    if (p_type == ValueType::Float) {
        r = std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(p_value));
    } else if (p_type == ValueType::Double) {
        r = std::to_chars(buffer, buffer + sizeof buffer, p_value);
    } else if (p_value < 0) {
        r = std::to_chars(buffer, buffer + sizeof buffer,
                          !(p_value > -9.2e18) ? INT64_MIN : static_cast<std::int64_t>(p_value));
    } else {
        r = std::to_chars(buffer, buffer + sizeof buffer,
                          p_value < 1.8e19 ? static_cast<std::uint64_t>(p_value) : UINT64_MAX);
    }
    p_out.append(buffer, r.ptr);
}

// One array to write: its attributes and a producer of its values.
struct Array {
    std::string name; // empty for none
    ValueType type;
    int components;
    std::size_t count; // values
    std::function<double(std::size_t)> value;
};

class Writer {
public:
    Writer(std::ostream& p_out, VtkXmlWriter::Options const& p_options) : m_out(p_out), m_options(p_options)
    {
    }

    void header(char const* p_type)
    {
        m_out << "<?xml version=\"1.0\"?>\n<VTKFile type=\"" << p_type
              << "\" version=\"1.0\" byte_order=\"LittleEndian\" header_type=\""
              << (m_options.header64 ? "UInt64" : "UInt32") << "\"";
        if (m_options.compress && m_options.encoding != VtkXmlWriter::Encoding::Ascii) {
            m_out << " compressor=\"vtkZLibDataCompressor\"";
        }
        m_out << ">\n";
    }

    void array(Array const& p_array, int p_indent)
    {
        std::string const pad(static_cast<std::size_t>(p_indent), ' ');
        m_out << pad << "<DataArray type=\"" << xmlTypeName(p_array.type) << "\"";
        if (!p_array.name.empty()) {
            m_out << " Name=\"" << escape(p_array.name) << "\"";
        }
        if (p_array.components != 1) {
            m_out << " NumberOfComponents=\"" << p_array.components << "\"";
        }
        auto const encoding = m_options.encoding;
        if (encoding == VtkXmlWriter::Encoding::Ascii) {
            m_out << " format=\"ascii\">\n";
            std::string line;
            for (std::size_t i = 0; i < p_array.count; ++i) {
                putText(line, p_array.type, p_array.value(i));
                line += (i + 1) % 12 == 0 || i + 1 == p_array.count ? '\n' : ' ';
                if (line.size() > 1 << 16) {
                    m_out << line;
                    line.clear();
                }
            }
            m_out << line << pad << "</DataArray>\n";
            return;
        }
        std::string bytes;
        bytes.reserve(p_array.count * static_cast<std::size_t>(valueTypeSize(p_array.type)));
        for (std::size_t i = 0; i < p_array.count; ++i) {
            putValue(bytes, p_array.type, p_array.value(i));
        }
        std::string head, body;
        encode(bytes, head, body);
        if (encoding == VtkXmlWriter::Encoding::Binary) {
            std::string text;
            base64Encode(reinterpret_cast<unsigned char const*>(head.data()), head.size(), text);
            base64Encode(reinterpret_cast<unsigned char const*>(body.data()), body.size(), text);
            m_out << " format=\"binary\">\n" << pad << "  " << text << '\n' << pad << "</DataArray>\n";
            return;
        }
        m_out << " format=\"appended\" offset=\"" << m_appended.size() << "\"/>\n";
        if (encoding == VtkXmlWriter::Encoding::AppendedBase64) {
            base64Encode(reinterpret_cast<unsigned char const*>(head.data()), head.size(), m_appended);
            base64Encode(reinterpret_cast<unsigned char const*>(body.data()), body.size(), m_appended);
        } else {
            m_appended += head;
            m_appended += body;
        }
    }

    void raw(std::string const& p_text) { m_out << p_text; }

    void finish()
    {
        if (m_options.encoding == VtkXmlWriter::Encoding::Appended ||
            m_options.encoding == VtkXmlWriter::Encoding::AppendedBase64) {
            m_out << "  <AppendedData encoding=\""
                  << (m_options.encoding == VtkXmlWriter::Encoding::Appended ? "raw" : "base64")
                  << "\">\n   _";
            m_out.write(m_appended.data(), static_cast<std::streamsize>(m_appended.size()));
            m_out << "\n  </AppendedData>\n";
        }
        m_out << "</VTKFile>\n";
    }

private:
    void putHeader(std::string& p_out, std::uint64_t p_value) const
    {
        int const size = m_options.header64 ? 8 : 4;
        for (int b = 0; b < size; ++b) {
            p_out += static_cast<char>((p_value >> (8 * b)) & 255);
        }
    }

    // The size header and the data, or the compression header and the compressed blocks.
    void encode(std::string const& p_bytes, std::string& p_head, std::string& p_body) const
    {
        if (!m_options.compress) {
            putHeader(p_head, p_bytes.size());
            p_body = p_bytes;
            return;
        }
        std::size_t const block = m_options.blockSize > 0 ? m_options.blockSize : 1 << 15;
        std::size_t const blocks = (p_bytes.size() + block - 1) / block;
        putHeader(p_head, blocks);
        putHeader(p_head, block);
        putHeader(p_head, p_bytes.size() % block);
        std::string packed;
        for (std::size_t b = 0; b < blocks; ++b) {
            std::size_t const size = std::min(block, p_bytes.size() - b * block);
            uLongf length = compressBound(static_cast<uLong>(size));
            packed.resize(static_cast<std::size_t>(length));
            compress2(reinterpret_cast<Bytef*>(packed.data()), &length,
                      reinterpret_cast<Bytef const*>(p_bytes.data() + b * block), static_cast<uLong>(size),
                      Z_DEFAULT_COMPRESSION);
            putHeader(p_head, length);
            p_body.append(packed.data(), static_cast<std::size_t>(length));
        }
    }

    std::ostream& m_out;
    VtkXmlWriter::Options m_options;
    std::string m_appended;
};

// Readers refuse a section naming two arrays alike (and some crash on it): such a mesh is not written.
void checkArrays(std::vector<DataArray> const& p_arrays, std::size_t p_tuples, char const* p_kind,
                 std::string const& p_name)
{
    std::set<std::string> names;
    for (DataArray const& a : p_arrays) {
        if (a.numComponents < 1 || a.values.size() != p_tuples * static_cast<std::size_t>(a.numComponents)) {
            throw FormatError(p_name, 0, FormatError::s_noOffset,
                              std::string(p_kind) + " array '" + a.name +
                                  "' does not hold one tuple per item");
        }
        if (!names.insert(a.name).second) {
            throw FormatError(p_name, 0, FormatError::s_noOffset,
                              std::string("a second ") + p_kind + " array named '" + a.name + "'");
        }
    }
}

void dataArrays(Writer& p_writer, std::vector<DataArray> const& p_arrays,
                std::vector<std::size_t> const* p_order, char const* p_element)
{
    if (p_arrays.empty()) {
        return;
    }
    p_writer.raw(std::string("      <") + p_element + ">\n");
    for (DataArray const& a : p_arrays) {
        std::size_t const comps = static_cast<std::size_t>(a.numComponents);
        Array out{a.name, xmlStoredType(a.type), a.numComponents, a.values.size(), nullptr};
        if (p_order != nullptr) {
            out.value = [&a, p_order, comps](std::size_t i) {
                return a.values[(*p_order)[i / comps] * comps + i % comps];
            };
        } else {
            out.value = [&a](std::size_t i) { return a.values[i]; };
        }
        p_writer.array(out, 8);
    }
    p_writer.raw(std::string("      </") + p_element + ">\n");
}

} // namespace

void VtkXmlWriter::write(MeshData const& p_mesh, std::ostream& p_out, Options const& p_options,
                         std::string const& p_name)
{
    std::size_t const numCells = p_mesh.numCells();
    bool const poly = p_mesh.kind == DatasetKind::PolyData;
    std::vector<std::size_t> lines, polygons;
    if (poly) {
        splitPolyDataCells(p_mesh, p_name, "PolyData", lines, polygons);
    }
    checkCoordinates(p_mesh, p_name);
    checkArrays(p_mesh.pointData, p_mesh.numPoints(), "point", p_name);
    checkArrays(p_mesh.cellData, numCells, "cell", p_name);

    Writer w(p_out, p_options);
    w.header(poly ? "PolyData" : "UnstructuredGrid");
    p_out << (poly ? "  <PolyData>\n" : "  <UnstructuredGrid>\n");
    p_out << "    <Piece NumberOfPoints=\"" << p_mesh.numPoints() << "\"";
    if (poly) {
        p_out << " NumberOfVerts=\"0\" NumberOfLines=\"" << lines.size()
              << "\" NumberOfStrips=\"0\" NumberOfPolys=\"" << polygons.size() << "\">\n";
    } else {
        p_out << " NumberOfCells=\"" << numCells << "\">\n";
    }
    std::vector<std::size_t> order;
    if (poly) {
        order = lines;
        order.insert(order.end(), polygons.begin(), polygons.end());
    }
    dataArrays(w, p_mesh.pointData, nullptr, "PointData");
    dataArrays(w, p_mesh.cellData, poly ? &order : nullptr, "CellData");

    ValueType const pointType = p_mesh.pointType == ValueType::Double ? ValueType::Double : ValueType::Float;
    p_out << "      <Points>\n";
    w.array(
        Array{"Points", pointType, 3, p_mesh.points.size(), [&](std::size_t i) { return p_mesh.points[i]; }},
        8);
    p_out << "      </Points>\n";

    // The cell sections' index arrays are written as Int64.
    auto indexArray = [&w](char const* p_name, std::vector<std::int64_t> const& p_values) {
        w.array(Array{p_name, ValueType::Int64, 1, p_values.size(),
                      [&p_values](std::size_t i) { return static_cast<double>(p_values[i]); }},
                8);
    };
    auto section = [&](char const* p_element, std::vector<std::size_t> const& p_cells) {
        std::vector<std::int64_t> ids, ends;
        for (std::size_t c : p_cells) {
            int const* pts = p_mesh.cellPoints(c);
            int const n = p_mesh.cellSize(c);
            if (p_mesh.cellTypes[c] == VtkCellType::Polyhedron) {
                PolyhedronTopology topology;
                if (decodeFaceStream(pts, n, topology).empty()) {
                    ids.insert(ids.end(), topology.vertices.begin(), topology.vertices.end());
                }
            } else {
                ids.insert(ids.end(), pts, pts + n);
            }
            ends.push_back(static_cast<std::int64_t>(ids.size()));
        }
        p_out << "      <" << p_element << ">\n";
        indexArray("connectivity", ids);
        indexArray("offsets", ends);
        if (!poly) {
            w.array(Array{"types", ValueType::UnsignedChar, 1, numCells,
                          [&](std::size_t i) { return static_cast<double>(p_mesh.cellTypes[i]); }},
                    8);
            bool anyPolyhedron = false;
            for (VtkCellType t : p_mesh.cellTypes) {
                anyPolyhedron = anyPolyhedron || t == VtkCellType::Polyhedron;
            }
            if (anyPolyhedron) {
                std::vector<std::int64_t> faces, faceEnds;
                for (std::size_t c = 0; c < numCells; ++c) {
                    if (p_mesh.cellTypes[c] == VtkCellType::Polyhedron) {
                        int const* pts = p_mesh.cellPoints(c);
                        faces.insert(faces.end(), pts, pts + p_mesh.cellSize(c));
                        faceEnds.push_back(static_cast<std::int64_t>(faces.size()));
                    } else {
                        faceEnds.push_back(-1);
                    }
                }
                indexArray("faces", faces);
                indexArray("faceoffsets", faceEnds);
            }
        }
        p_out << "      </" << p_element << ">\n";
    };
    if (poly) {
        if (!lines.empty()) {
            section("Lines", lines);
        }
        if (!polygons.empty()) {
            section("Polys", polygons);
        }
    } else {
        std::vector<std::size_t> all(numCells);
        for (std::size_t c = 0; c < numCells; ++c) {
            all[c] = c;
        }
        section("Cells", all);
    }
    p_out << "    </Piece>\n" << (poly ? "  </PolyData>\n" : "  </UnstructuredGrid>\n");
    w.finish();
}

void VtkXmlWriter::writeFile(MeshData const& p_mesh, std::string const& p_path, Options const& p_options)
{
    writeFileSafely(p_path, [&](std::ostream& p_out) { write(p_mesh, p_out, p_options, p_path); });
}

} // namespace zev::io
