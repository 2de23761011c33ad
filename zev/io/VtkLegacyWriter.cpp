#include "zev/io/VtkLegacyWriter.h"

#include "zev/io/FileAccess.h"
#include "zev/io/FormatError.h"
#include "zev/io/PolyDataCells.h"
#include "zev/io/ValueRange.h"

#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <numeric>
#include <set>

namespace zev::io {

namespace {

// Encodes the characters a name token cannot hold as %XX.
std::string encodeName(std::string const& p_name)
{
    static char const hex[] = "0123456789ABCDEF";
    std::string out;
    for (char ch : p_name) {
        unsigned char const c = static_cast<unsigned char>(ch);
        if (c <= 0x20 || c >= 0x7f || c == '%') {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += ch;
        }
    }
    return out.empty() ? std::string("unnamed") : out;
}

// Integer arrays hold whole numbers; anything else (a NaN, a value beyond the type) is clamped rather
// than converted with undefined behaviour.
std::int64_t toSigned(double p_value)
{
    if (!(p_value > -9.2e18)) {
        return p_value < 0 ? INT64_MIN : 0;
    }
    return p_value < 9.2e18 ? static_cast<std::int64_t>(p_value) : INT64_MAX;
}

std::uint64_t toUnsigned(double p_value)
{
    if (!(p_value > 0)) {
        return 0;
    }
    return p_value < 1.8e19 ? static_cast<std::uint64_t>(p_value) : UINT64_MAX;
}

bool isUnsigned(ValueType p_type)
{
    return p_type == ValueType::UnsignedChar || p_type == ValueType::UnsignedShort ||
           p_type == ValueType::UnsignedInt || p_type == ValueType::UnsignedLong ||
           p_type == ValueType::UInt64;
}

class Emitter {
public:
    Emitter(std::ostream& p_out, bool p_binary) : m_out(p_out), m_binary(p_binary) {}

    std::ostream& text() { return m_out; }

    // Writes values of one type: ASCII as the shortest text that reads back to the same value of that
    // type, nine to a line; binary big-endian, followed by a line end.
    template <typename Source> void values(ValueType p_type, std::size_t p_count, Source p_value)
    {
        if (m_binary) {
            int const size = valueTypeSize(p_type);
            m_buffer.clear();
            m_buffer.reserve(p_count * size);
            for (std::size_t i = 0; i < p_count; ++i) {
                std::uint64_t const raw = bits(p_type, p_value(i));
                for (int b = size - 1; b >= 0; --b) {
                    m_buffer.push_back(static_cast<char>((raw >> (8 * b)) & 0xff));
                }
            }
            m_out.write(m_buffer.data(), static_cast<std::streamsize>(m_buffer.size()));
            m_out << '\n';
            return;
        }
        char buf[40];
        for (std::size_t i = 0; i < p_count; ++i) {
            double const v = p_value(i);
            std::to_chars_result res{};
            if (p_type == ValueType::Float) {
                res = std::to_chars(buf, buf + sizeof buf, static_cast<float>(v));
            } else if (p_type == ValueType::Double) {
                res = std::to_chars(buf, buf + sizeof buf, v);
            } else if (isUnsigned(p_type)) {
                res = std::to_chars(buf, buf + sizeof buf, toUnsigned(v));
            } else {
                res = std::to_chars(buf, buf + sizeof buf, toSigned(v));
            }
            m_out.write(buf, res.ptr - buf);
            m_out << ((i % 9 == 8 || i + 1 == p_count) ? '\n' : ' ');
        }
    }

    // Integers of a cell section: ASCII one cell to a line, binary 32-bit big-endian.
    void cellRecord(int const* p_ids, int p_count)
    {
        if (m_binary) {
            put32(p_count);
            for (int i = 0; i < p_count; ++i) {
                put32(p_ids[i]);
            }
            return;
        }
        m_out << p_count;
        for (int i = 0; i < p_count; ++i) {
            m_out << ' ' << p_ids[i];
        }
        m_out << '\n';
    }

    void endBinaryBlock()
    {
        if (m_binary) {
            m_out << '\n';
        }
    }

    void put32(int p_value)
    {
        std::uint32_t const u = static_cast<std::uint32_t>(p_value);
        char const bytes[4] = {static_cast<char>(u >> 24), static_cast<char>(u >> 16),
                               static_cast<char>(u >> 8), static_cast<char>(u)};
        m_out.write(bytes, 4);
    }

private:
    static std::uint64_t bits(ValueType p_type, double p_value)
    {
        switch (p_type) {
        case ValueType::Float: {
            float const f = static_cast<float>(p_value);
            std::uint32_t u;
            std::memcpy(&u, &f, sizeof u);
            return u;
        }
        case ValueType::Double: {
            std::uint64_t u;
            std::memcpy(&u, &p_value, sizeof u);
            return u;
        }
        default:
            return isUnsigned(p_type) ? toUnsigned(p_value) : static_cast<std::uint64_t>(toSigned(p_value));
        }
    }

    std::ostream& m_out;
    bool m_binary;
    std::vector<char> m_buffer;
};

// Readers refuse a section naming two arrays alike, as written (an empty name is written "unnamed"):
// such a mesh is not written.
void checkArrays(std::vector<DataArray> const& p_arrays, std::size_t p_tuples, char const* p_where,
                 std::string const& p_name)
{
    std::set<std::string> names;
    for (DataArray const& a : p_arrays) {
        if (!names.insert(encodeName(a.name)).second) {
            throw FormatError(p_name, 0, FormatError::s_noOffset,
                              std::string("a second ") + p_where + " array named '" + encodeName(a.name) +
                                  "'");
        }
        if (a.numComponents < 1 || a.values.size() != p_tuples * static_cast<std::size_t>(a.numComponents)) {
            throw FormatError(p_name, 0, FormatError::s_noOffset,
                              std::string(p_where) + " array '" + a.name + "' holds " +
                                  std::to_string(a.values.size()) + " values, not " +
                                  std::to_string(a.numComponents) + " for each of " +
                                  std::to_string(p_tuples) + " tuples");
        }
    }
}

// True for an array that has to go into a FIELD section: declared as one, or with a component count its
// attribute keyword cannot hold.
bool isFieldArray(DataArray const& p_array)
{
    int const n = p_array.numComponents;
    switch (p_array.role) {
    case ArrayRole::Scalars:
        return n > 4;
    case ArrayRole::Vectors:
    case ArrayRole::Normals:
        return n != 3;
    case ArrayRole::Tensors:
        return n != 9;
    case ArrayRole::Field:
        return true;
    }
    return true;
}

void writeTuples(Emitter& p_emit, DataArray const& p_array, std::size_t p_tuples,
                 std::vector<std::size_t> const* p_order)
{
    std::size_t const n = static_cast<std::size_t>(p_array.numComponents);
    p_emit.values(p_array.type, p_tuples * n, [&](std::size_t i) {
        std::size_t const tuple = p_order ? (*p_order)[i / n] : i / n;
        return p_array.values[tuple * n + i % n];
    });
}

// Writes one data section; p_order maps written tuple i to the model's tuple (null: the same order).
void writeData(Emitter& p_emit, char const* p_keyword, std::vector<DataArray> const& p_arrays,
               std::size_t p_tuples, std::vector<std::size_t> const* p_order)
{
    if (p_arrays.empty()) {
        return;
    }
    p_emit.text() << p_keyword << ' ' << p_tuples << '\n';
    // Field arrays are written in FIELD sections, one for each run of them, so that the arrays keep their
    // order.
    std::size_t i = 0;
    while (i < p_arrays.size()) {
        DataArray const& a = p_arrays[i];
        std::size_t const n = static_cast<std::size_t>(a.numComponents);
        std::string const name = encodeName(a.name);
        char const* type = valueTypeKeyword(a.type);
        if (a.role == ArrayRole::Scalars && n <= 4) {
            p_emit.text() << "SCALARS " << name << ' ' << type << ' ' << n << "\nLOOKUP_TABLE default\n";
        } else if ((a.role == ArrayRole::Vectors || a.role == ArrayRole::Normals) && n == 3) {
            p_emit.text() << (a.role == ArrayRole::Vectors ? "VECTORS " : "NORMALS ") << name << ' ' << type
                          << '\n';
        } else if (a.role == ArrayRole::Tensors && n == 9) {
            p_emit.text() << "TENSORS " << name << ' ' << type << '\n';
        } else {
            std::size_t end = i;
            while (end < p_arrays.size() && isFieldArray(p_arrays[end])) {
                ++end;
            }
            p_emit.text() << "FIELD FieldData " << end - i << '\n';
            for (; i < end; ++i) {
                DataArray const& f = p_arrays[i];
                p_emit.text() << encodeName(f.name) << ' ' << f.numComponents << ' ' << p_tuples << ' '
                              << valueTypeKeyword(f.type) << '\n';
                writeTuples(p_emit, f, p_tuples, p_order);
            }
            continue;
        }
        writeTuples(p_emit, a, p_tuples, p_order);
        ++i;
    }
}

void writeCellSection(Emitter& p_emit, MeshData const& p_mesh, char const* p_keyword,
                      std::vector<std::size_t> const& p_cells)
{
    if (p_cells.empty()) {
        return;
    }
    std::size_t size = 0;
    for (std::size_t c : p_cells) {
        size += 1 + static_cast<std::size_t>(p_mesh.cellSize(c));
    }
    p_emit.text() << p_keyword << ' ' << p_cells.size() << ' ' << size << '\n';
    for (std::size_t c : p_cells) {
        p_emit.cellRecord(p_mesh.cellPoints(c), p_mesh.cellSize(c));
    }
    p_emit.endBinaryBlock();
}

} // namespace

void VtkLegacyWriter::write(MeshData const& p_mesh, std::ostream& p_out, Encoding p_encoding,
                            std::string const& p_name)
{
    std::size_t const numCells = p_mesh.numCells();
    if (p_mesh.points.size() % 3 != 0 || p_mesh.offsets.size() != numCells + 1 ||
        p_mesh.offsets.back() != p_mesh.connectivity.size()) {
        throw FormatError(p_name, 0, FormatError::s_noOffset, "the mesh's points or cells are inconsistent");
    }
    checkCoordinates(p_mesh, p_name);
    checkArrays(p_mesh.pointData, p_mesh.numPoints(), "point", p_name);
    checkArrays(p_mesh.cellData, numCells, "cell", p_name);

    // POLYDATA numbers its cells lines first, then polygons, whatever order the model holds them in.
    std::vector<std::size_t> lines;
    std::vector<std::size_t> polygons;
    if (p_mesh.kind == DatasetKind::PolyData) {
        splitPolyDataCells(p_mesh, p_name, "POLYDATA", lines, polygons);
    }

    bool const binary = p_encoding == Encoding::Binary;
    Emitter emit(p_out, binary);
    std::string title = p_mesh.title.empty() ? std::string("zevgeom") : p_mesh.title.substr(0, 255);
    for (char& c : title) {
        if (c == '\n' || c == '\r' || c == '\0') {
            c = ' ';
        }
    }
    p_out << "# vtk DataFile Version 3.0\n" << title << '\n' << (binary ? "BINARY" : "ASCII") << '\n';
    p_out << "DATASET " << (p_mesh.kind == DatasetKind::PolyData ? "POLYDATA" : "UNSTRUCTURED_GRID") << '\n';
    ValueType const pointType = p_mesh.pointType == ValueType::Double ? ValueType::Double : ValueType::Float;
    p_out << "POINTS " << p_mesh.numPoints() << ' ' << valueTypeKeyword(pointType) << '\n';
    emit.values(pointType, p_mesh.points.size(), [&](std::size_t i) { return p_mesh.points[i]; });

    std::vector<std::size_t> order;
    if (p_mesh.kind == DatasetKind::PolyData) {
        writeCellSection(emit, p_mesh, "LINES", lines);
        writeCellSection(emit, p_mesh, "POLYGONS", polygons);
        order = lines;
        order.insert(order.end(), polygons.begin(), polygons.end());
    } else {
        std::vector<std::size_t> all(numCells);
        std::iota(all.begin(), all.end(), std::size_t(0));
        if (numCells > 0) {
            writeCellSection(emit, p_mesh, "CELLS", all);
            p_out << "CELL_TYPES " << numCells << '\n';
            if (binary) {
                for (VtkCellType t : p_mesh.cellTypes) {
                    emit.put32(static_cast<int>(t));
                }
                p_out << '\n';
            } else {
                for (VtkCellType t : p_mesh.cellTypes) {
                    p_out << static_cast<int>(t) << '\n';
                }
            }
        }
    }
    writeData(emit, "POINT_DATA", p_mesh.pointData, p_mesh.numPoints(), nullptr);
    writeData(emit, "CELL_DATA", p_mesh.cellData, numCells,
              p_mesh.kind == DatasetKind::PolyData ? &order : nullptr);
}

void VtkLegacyWriter::writeFile(MeshData const& p_mesh, std::string const& p_path, Encoding p_encoding)
{
    writeFileSafely(p_path, [&](std::ostream& p_out) { write(p_mesh, p_out, p_encoding, p_path); });
}

} // namespace zev::io
