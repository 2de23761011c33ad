#include "zev/io/VtkLegacyReader.h"

#include "zev/contracts/ProgressTracker.h"
#include "zev/io/FileAccess.h"
#include "zev/io/FormatError.h"
#include "zev/io/VtkCellOrder.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

namespace zev::io {

namespace {

struct Location {
    std::size_t line;   // 0 when the place is given by the offset
    std::size_t offset; // byte offset from the start of the file
};

// Where an array was declared and the section heading of its messages.
struct ArrayPlace {
    Location where;
    std::string section;
};

// Cells of one section as read, before they are checked against their types and the points.
struct CellBlock {
    bool present = false;
    std::vector<std::size_t> offsets{0};
    std::vector<int> connectivity;
    // The byte offset of each cell's record; its line is counted only when a message needs it.
    std::vector<std::size_t> where;
    bool textLines = true; // whether the records were read where line numbers are valid
    std::size_t count() const { return offsets.size() - 1; }
};

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

std::string upper(std::string_view p_text)
{
    std::string out(p_text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return out;
}

// A token as it may appear in a message: printable and not too long.
std::string printable(std::string_view p_token)
{
    constexpr std::size_t maxLength = 40;
    std::string out;
    for (std::size_t i = 0; i < p_token.size() && i < maxLength; ++i) {
        unsigned char const c = static_cast<unsigned char>(p_token[i]);
        out += (c >= 0x20 && c < 0x7f) ? static_cast<char>(c) : '?';
    }
    if (p_token.size() > maxLength) {
        out += "...";
    }
    return out;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Array names encode spaces and other special characters as %XX.
std::string decodeName(std::string_view p_token)
{
    std::string out;
    out.reserve(p_token.size());
    for (std::size_t i = 0; i < p_token.size(); ++i) {
        if (p_token[i] == '%' && i + 2 < p_token.size()) {
            int const hi = hexDigit(p_token[i + 1]);
            int const lo = hexDigit(p_token[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += p_token[i];
    }
    return out;
}

class Parser {
public:
    Parser(std::string_view p_data, std::string const& p_name) : m_data(p_data), m_name(p_name) {}

    MeshData parse()
    {
        readHeader();
        while (true) {
            skipSpace();
            if (m_pos >= m_data.size()) {
                break;
            }
            // Progress by the share of the file read, reported at each section.
            m_progress.setProgress(static_cast<double>(m_pos) / static_cast<double>(m_data.size()), false);
            std::string_view const tok = token("");
            Location const loc = m_tokenLoc;
            std::string const key = upper(tok);
            bool const ug = m_mesh.kind == DatasetKind::UnstructuredGrid;
            if (key == "POINTS") {
                readPoints(loc);
            } else if (ug && key == "CELLS") {
                readCells(loc);
            } else if (ug && key == "CELL_TYPES") {
                readCellTypes(loc);
            } else if (!ug && (key == "LINES" || key == "POLYGONS")) {
                readPolyCells(loc, key);
            } else if (!ug && (key == "VERTICES" || key == "TRIANGLE_STRIPS")) {
                fail(loc, key + " are not supported; the tool reads LINES and POLYGONS");
            } else if (key == "CELLS" || key == "CELL_TYPES" || key == "LINES" || key == "POLYGONS" ||
                       key == "VERTICES" || key == "TRIANGLE_STRIPS") {
                fail(loc, "'" + key + "' does not belong in a " + (ug ? "UNSTRUCTURED_GRID" : "POLYDATA") +
                              " file");
            } else if (key == "POINT_DATA" || key == "CELL_DATA") {
                startData(loc, key);
            } else if (key == "SCALARS" || key == "VECTORS" || key == "NORMALS" || key == "TENSORS") {
                readAttribute(loc, key);
            } else if (key == "FIELD") {
                readField(loc);
            } else if (key == "LOOKUP_TABLE") {
                skipLookupTable(loc);
            } else if (key == "METADATA") {
                skipMetadata();
            } else {
                fail(loc, "unknown keyword '" + printable(tok) + "'");
            }
        }
        finish();
        m_progress.stop();
        return std::move(m_mesh);
    }

private:
    // ------------------------------------------------------------ low level
    Location here() const { return Location{m_linesValid ? m_line : 0, m_pos}; }

    [[noreturn]] void fail(Location p_loc, std::string const& p_message) const
    {
        throw FormatError(m_name, p_loc.line, p_loc.offset, p_message);
    }

    void skipSpace()
    {
        while (m_pos < m_data.size() && isSpace(m_data[m_pos])) {
            if (m_data[m_pos] == '\n') {
                ++m_line;
            }
            ++m_pos;
        }
    }

    std::string prefix(std::string const& p_section) const
    {
        return p_section.empty() ? "" : p_section + ": ";
    }

    std::string_view token(std::string const& p_section)
    {
        skipSpace();
        m_tokenLoc = here();
        if (m_pos >= m_data.size()) {
            fail(m_tokenLoc, prefix(p_section) + "unexpected end of file");
        }
        std::size_t const start = m_pos;
        while (m_pos < m_data.size() && !isSpace(m_data[m_pos])) {
            ++m_pos;
        }
        return m_data.substr(start, m_pos - start);
    }

    // The next token without consuming it; empty at the end of the file.
    std::string_view peekToken()
    {
        std::size_t const pos = m_pos;
        std::size_t const line = m_line;
        skipSpace();
        std::size_t end = m_pos;
        while (end < m_data.size() && !isSpace(m_data[end])) {
            ++end;
        }
        std::string_view const tok = m_data.substr(m_pos, end - m_pos);
        m_pos = pos;
        m_line = line;
        return tok;
    }

    // The next token if it is on the current line; empty otherwise. Consumes nothing.
    std::string_view peekTokenOnLine() const
    {
        std::size_t pos = m_pos;
        while (pos < m_data.size() && (m_data[pos] == ' ' || m_data[pos] == '\t' || m_data[pos] == '\r')) {
            ++pos;
        }
        std::size_t end = pos;
        while (end < m_data.size() && !isSpace(m_data[end])) {
            ++end;
        }
        return m_data.substr(pos, end - pos);
    }

    // The rest of the current line, without its line end; moves to the start of the next line.
    std::string_view restOfLine()
    {
        std::size_t const start = m_pos;
        while (m_pos < m_data.size() && m_data[m_pos] != '\n') {
            ++m_pos;
        }
        std::size_t end = m_pos;
        if (m_pos < m_data.size()) {
            ++m_pos;
            ++m_line;
        }
        if (end > start && m_data[end - 1] == '\r') {
            --end;
        }
        return m_data.substr(start, end - start);
    }

    std::int64_t readInt(std::string const& p_section)
    {
        std::string_view tok = token(p_section);
        std::string_view digits = tok;
        if (!digits.empty() && digits[0] == '+') {
            digits.remove_prefix(1);
        }
        std::int64_t value = 0;
        auto const res = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (digits.empty() || res.ec != std::errc() || res.ptr != digits.data() + digits.size()) {
            fail(m_tokenLoc, prefix(p_section) + "expected an integer, found '" + printable(tok) + "'");
        }
        return value;
    }

    double readReal(std::string const& p_section)
    {
        std::string_view tok = token(p_section);
        std::string_view digits = tok;
        if (!digits.empty() && digits[0] == '+') {
            digits.remove_prefix(1);
        }
        double value = 0;
        auto const res = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        // A number too large or too small for a double: take the overflowed or underflowed value, which the
        // coordinate checks refuse and data arrays keep.
        if (res.ec == std::errc::result_out_of_range && res.ptr == digits.data() + digits.size()) {
            return std::strtod(std::string(digits).c_str(), nullptr);
        }
        if (digits.empty() || res.ec != std::errc() || res.ptr != digits.data() + digits.size()) {
            fail(m_tokenLoc, prefix(p_section) + "expected a number, found '" + printable(tok) + "'");
        }
        return value;
    }

    // A count as declared in a section header: not negative and within the library's int indices.
    std::int64_t readCount(std::string const& p_section, std::string const& p_label)
    {
        std::int64_t const n = readInt(p_section);
        if (n < 0) {
            fail(m_tokenLoc, prefix(p_section) + p_label + " " + std::to_string(n) + " is negative");
        }
        if (n > INT_MAX) {
            fail(m_tokenLoc, prefix(p_section) + p_label + " " + std::to_string(n) + " is too large");
        }
        return n;
    }

    // Refuses a declaration whose data cannot fit in the rest of the file, before anything is allocated
    // for it: binary data takes its full width, each ASCII value at least one character and a separator.
    void checkRoom(Location p_loc, std::string const& p_section, std::int64_t p_count,
                   std::string const& p_noun, std::uint64_t p_valuesPerItem, int p_valueSize) const
    {
        std::uint64_t const remaining = m_data.size() - m_pos;
        std::uint64_t const count = static_cast<std::uint64_t>(p_count);
        bool fits = true;
        if (p_valuesPerItem != 0 && count > (std::uint64_t(1) << 40) / p_valuesPerItem) {
            fits = false;
        } else {
            std::uint64_t const values = count * p_valuesPerItem;
            std::uint64_t const needed = m_binary ? values * static_cast<std::uint64_t>(p_valueSize)
                                                  : (values == 0 ? 0 : 2 * values - 1);
            fits = needed <= remaining;
        }
        if (!fits) {
            fail(p_loc, prefix(p_section) + std::to_string(p_count) + " " + p_noun +
                            " cannot fit in the rest of the file");
        }
    }

    // Binary data starts on the line after its section header.
    void beginBinary(std::string const& p_section)
    {
        while (m_pos < m_data.size() &&
               (m_data[m_pos] == ' ' || m_data[m_pos] == '\t' || m_data[m_pos] == '\r')) {
            ++m_pos;
        }
        if (m_pos >= m_data.size()) {
            fail(here(), prefix(p_section) + "unexpected end of file");
        }
        if (m_data[m_pos] != '\n') {
            fail(here(), prefix(p_section) + "unexpected text before the binary data");
        }
        ++m_pos;
        ++m_line;
        // Line ends inside binary data are not lines: from here on places are byte offsets.
        m_linesValid = false;
    }

    // The binary width of a type, without the table lookup of valueTypeSize (this runs per value).
    static int widthOf(ValueType p_type)
    {
        switch (p_type) {
        case ValueType::UnsignedChar:
        case ValueType::Char:
            return 1;
        case ValueType::UnsignedShort:
        case ValueType::Short:
            return 2;
        case ValueType::UnsignedInt:
        case ValueType::Int:
        case ValueType::IdType:
        case ValueType::Float:
            return 4;
        default:
            return 8;
        }
    }

    double decode(ValueType p_type, std::size_t p_at) const
    {
        int const size = widthOf(p_type);
        std::uint64_t raw = 0;
        for (int b = 0; b < size; ++b) {
            raw = (raw << 8) | static_cast<unsigned char>(m_data[p_at + b]);
        }
        return valueFromBits(p_type, raw);
    }

    // Reads p_count values of a type, ASCII or binary; with p_coordinates every value must be a finite
    // number within the single-precision range the library stores coordinates in.
    void readValues(std::string const& p_section, ValueType p_type, std::size_t p_count,
                    std::vector<double>& p_out, bool p_coordinates)
    {
        p_out.reserve(p_out.size() + p_count);
        bool const integer = p_type != ValueType::Float && p_type != ValueType::Double;
        auto check = [&](double v, std::size_t i, Location loc) {
            if (!p_coordinates) {
                return;
            }
            if (!std::isfinite(v)) {
                fail(loc, prefix(p_section) + "point " + std::to_string(i / 3) +
                              " has a coordinate that is not a finite number");
            }
            if (std::fabs(v) > FLT_MAX) {
                fail(loc, prefix(p_section) + "point " + std::to_string(i / 3) +
                              " has a coordinate outside the single-precision range");
            }
        };
        if (m_binary) {
            beginBinary(p_section);
            std::size_t const size = static_cast<std::size_t>(valueTypeSize(p_type));
            if (p_count > (m_data.size() - m_pos) / size) {
                fail(here(), prefix(p_section) + "the binary data ends early");
            }
            bool const wide = p_type == ValueType::UInt64 || p_type == ValueType::UnsignedLong;
            for (std::size_t i = 0; i < p_count; ++i) {
                std::size_t const at = m_pos + i * size;
                // Unsigned 64-bit values beyond the signed range are refused, as in text.
                if (wide && static_cast<unsigned char>(m_data[at]) >= 0x80) {
                    fail(Location{0, at}, prefix(p_section) + "value " + std::to_string(i) +
                                              " is beyond the signed 64-bit range");
                }
                double const v = decode(p_type, at);
                check(v, i, Location{0, at});
                p_out.push_back(v);
            }
            m_pos += p_count * size;
            return;
        }
        for (std::size_t i = 0; i < p_count; ++i) {
            double v = integer ? static_cast<double>(readInt(p_section)) : readReal(p_section);
            check(v, i, m_tokenLoc);
            if (integer && !fitsType(p_type, v)) {
                fail(m_tokenLoc, prefix(p_section) + "value " + std::to_string(static_cast<std::int64_t>(v)) +
                                     " is outside the range of " + valueTypeKeyword(p_type));
            }
            // A float array holds floats: the text's nearest float, not its nearest double.
            if (p_type == ValueType::Float) {
                v = std::fabs(v) <= FLT_MAX || std::isnan(v) ? static_cast<double>(static_cast<float>(v))
                                                             : std::copysign(HUGE_VAL, v);
            }
            p_out.push_back(v);
        }
    }

    // Whether a whole number fits an integer type of the format.
    static bool fitsType(ValueType p_type, double p_value)
    {
        switch (p_type) {
        case ValueType::UnsignedChar:
            return p_value >= 0 && p_value <= 255;
        case ValueType::Char:
            return p_value >= -128 && p_value <= 127;
        case ValueType::UnsignedShort:
            return p_value >= 0 && p_value <= 65535;
        case ValueType::Short:
            return p_value >= -32768 && p_value <= 32767;
        case ValueType::UnsignedInt:
            return p_value >= 0 && p_value <= 4294967295.0;
        case ValueType::Int:
        case ValueType::IdType:
            return p_value >= INT_MIN && p_value <= INT_MAX;
        case ValueType::UnsignedLong:
        case ValueType::UInt64:
            return p_value >= 0;
        default:
            return true;
        }
    }

    // Files an array of the current data section; a second array of one name is refused at its line.
    void addArray(DataArray&& p_array, Location p_loc, std::string const& p_section)
    {
        for (DataArray const& a : *m_context) {
            if (a.name == p_array.name) {
                fail(p_loc, p_section + ": a second array named '" + printable(p_array.name) + "' in " +
                                m_contextKey);
            }
        }
        (m_context == &m_mesh.pointData ? m_pointWhere : m_cellWhere).push_back({p_loc, p_section});
        m_context->push_back(std::move(p_array));
    }

    ValueType readType(std::string const& p_section)
    {
        std::string_view const tok = token(p_section);
        ValueType type;
        if (!parseValueType(std::string(tok), type)) {
            fail(m_tokenLoc, prefix(p_section) + "unsupported data type '" + printable(tok) + "'");
        }
        return type;
    }

    // ------------------------------------------------------------ sections
    void readHeader()
    {
        std::string_view const first = restOfLine();
        static constexpr std::string_view magic = "# vtk DataFile Version";
        if (first.substr(0, magic.size()) != magic) {
            fail(Location{1, 0},
                 "not a VTK legacy file: the first line must start with '# vtk DataFile Version'");
        }
        if (m_pos >= m_data.size()) {
            fail(here(), "unexpected end of file in the header");
        }
        m_mesh.title = std::string(restOfLine());
        std::string_view tok = token("");
        std::string key = upper(tok);
        if (key != "ASCII" && key != "BINARY") {
            fail(m_tokenLoc, "expected ASCII or BINARY, found '" + printable(tok) + "'");
        }
        m_binary = key == "BINARY";
        tok = token("");
        if (upper(tok) != "DATASET") {
            fail(m_tokenLoc, "expected DATASET, found '" + printable(tok) + "'");
        }
        tok = token("DATASET");
        key = upper(tok);
        if (key == "UNSTRUCTURED_GRID") {
            m_mesh.kind = DatasetKind::UnstructuredGrid;
        } else if (key == "POLYDATA") {
            m_mesh.kind = DatasetKind::PolyData;
        } else {
            fail(m_tokenLoc, "unsupported data set type '" + printable(tok) +
                                 "'; the tool reads UNSTRUCTURED_GRID and POLYDATA");
        }
    }

    void readPoints(Location p_loc)
    {
        if (m_havePoints) {
            fail(p_loc, "POINTS appears twice");
        }
        m_havePoints = true;
        std::int64_t const n = readCount("POINTS", "point count");
        ValueType const type = readType("POINTS");
        m_mesh.pointType = type == ValueType::Double ? ValueType::Double : ValueType::Float;
        checkRoom(p_loc, "POINTS", n, "points", 3, valueTypeSize(type));
        m_mesh.points.clear();
        readValues("POINTS", type, static_cast<std::size_t>(n) * 3, m_mesh.points, true);
    }

    // Reads p_count records "k id id ..." holding p_size values in all.
    void readCellRecords(std::string const& p_section, Location p_loc, std::int64_t p_count,
                         std::int64_t p_size, int p_minPoints, CellBlock& p_block)
    {
        if (p_count > p_size) {
            fail(p_loc, p_section + ": " + std::to_string(p_count) + " cells cannot fit in size " +
                            std::to_string(p_size));
        }
        checkRoom(p_loc, p_section, p_size, "values", 1, 4);
        std::size_t const count = static_cast<std::size_t>(p_count);
        std::size_t const size = static_cast<std::size_t>(p_size);
        p_block.present = true;
        p_block.textLines = m_linesValid && !m_binary;
        p_block.offsets.assign(1, 0);
        p_block.offsets.reserve(count + 1);
        p_block.where.reserve(count);
        p_block.connectivity.reserve(size - count);
        std::size_t used = 0;
        std::size_t binaryAt = 0;
        if (m_binary) {
            beginBinary(p_section);
            binaryAt = m_pos;
            if (size > (m_data.size() - m_pos) / 4) {
                fail(here(), prefix(p_section) + "the binary data ends early");
            }
            m_pos += size * 4;
        }
        auto next = [&](Location& loc) -> std::int64_t {
            if (m_binary) {
                loc = Location{0, binaryAt + used * 4};
                return static_cast<std::int64_t>(decode(ValueType::Int, binaryAt + used * 4));
            }
            std::int64_t const v = readInt(p_section);
            loc = m_tokenLoc;
            return v;
        };
        for (std::size_t c = 0; c < count; ++c) {
            Location loc{};
            if (used >= size) {
                fail(p_loc, prefix(p_section) + "the cells hold more than the declared size " +
                                std::to_string(size));
            }
            std::int64_t const k = next(loc);
            ++used;
            p_block.where.push_back(loc.offset);
            if (k < p_minPoints) {
                fail(loc, prefix(p_section) + "cell " + std::to_string(c) + " has " + std::to_string(k) +
                              (k == 1 ? " point" : " points") + "; it needs at least " +
                              std::to_string(p_minPoints));
            }
            if (static_cast<std::uint64_t>(k) > size - used) {
                fail(loc, prefix(p_section) + "cell " + std::to_string(c) + " runs past the declared size " +
                              std::to_string(size));
            }
            for (std::int64_t j = 0; j < k; ++j) {
                Location idLoc{};
                std::int64_t const v = next(idLoc);
                ++used;
                if (v < INT_MIN || v > INT_MAX) {
                    fail(idLoc, prefix(p_section) + "cell " + std::to_string(c) + ": value " +
                                    std::to_string(v) + " is out of range");
                }
                p_block.connectivity.push_back(static_cast<int>(v));
            }
            p_block.offsets.push_back(p_block.connectivity.size());
        }
        if (used != size) {
            fail(p_loc, prefix(p_section) + "the cells hold " + std::to_string(used) +
                            " values, not the declared " + std::to_string(size));
        }
    }

    void readCells(Location p_loc)
    {
        if (m_cells.present) {
            fail(p_loc, "CELLS appears twice");
        }
        std::int64_t const n = readCount("CELLS", "cell count");
        std::int64_t const size = readCount("CELLS", "size");
        if (upper(peekToken()) == "OFFSETS") {
            readOffsetCells(p_loc, n, size);
        } else {
            readCellRecords("CELLS", p_loc, n, size, 0, m_cells);
        }
        if (m_haveTypes && m_types.size() != m_cells.count()) {
            fail(p_loc, "CELLS declares " + std::to_string(m_cells.count()) +
                            " cells but CELL_TYPES declares " + std::to_string(m_types.size()));
        }
    }

    // The layout with separate offset and connectivity arrays: "CELLS <offsets> <connectivity>".
    void readOffsetCells(Location p_loc, std::int64_t p_numOffsets, std::int64_t p_size)
    {
        m_offsetLayout = true;
        token("CELLS");
        ValueType type = readType("CELLS");
        requireInteger(type, "OFFSETS");
        checkRoom(p_loc, "CELLS", p_numOffsets, "offsets", 1, valueTypeSize(type));
        std::vector<double> offsets;
        readValues("OFFSETS", type, static_cast<std::size_t>(p_numOffsets), offsets, false);
        std::string_view const tok = token("CELLS");
        if (upper(tok) != "CONNECTIVITY") {
            fail(m_tokenLoc, "CELLS: expected CONNECTIVITY, found '" + printable(tok) + "'");
        }
        type = readType("CONNECTIVITY");
        requireInteger(type, "CONNECTIVITY");
        checkRoom(p_loc, "CELLS", p_size, "values", 1, valueTypeSize(type));
        std::vector<double> ids;
        readValues("CONNECTIVITY", type, static_cast<std::size_t>(p_size), ids, false);
        if (offsets.empty() || offsets.front() != 0.0 || offsets.back() != static_cast<double>(p_size)) {
            fail(p_loc,
                 "CELLS: the offsets must run from 0 to the connectivity size " + std::to_string(p_size));
        }
        m_cells.present = true;
        m_cells.offsets.assign(1, 0);
        m_cells.offsets.reserve(offsets.size());
        m_cells.where.assign(offsets.size() - 1, p_loc.offset);
        m_cells.textLines = p_loc.line != 0;
        for (std::size_t i = 1; i < offsets.size(); ++i) {
            if (offsets[i] < offsets[i - 1]) {
                fail(p_loc, "CELLS: the offsets decrease at cell " + std::to_string(i - 1));
            }
            m_cells.offsets.push_back(static_cast<std::size_t>(offsets[i]));
        }
        m_cells.connectivity.reserve(ids.size());
        for (double v : ids) {
            if (v < INT_MIN || v > INT_MAX) {
                fail(p_loc, "CELLS: connectivity value " + std::to_string(m_cells.connectivity.size()) +
                                " is out of range");
            }
            m_cells.connectivity.push_back(static_cast<int>(v));
        }
    }

    void requireInteger(ValueType p_type, std::string const& p_section) const
    {
        if (p_type == ValueType::Float || p_type == ValueType::Double) {
            fail(m_tokenLoc, p_section + ": the data type must be an integer type");
        }
    }

    void readCellTypes(Location p_loc)
    {
        if (m_haveTypes) {
            fail(p_loc, "CELL_TYPES appears twice");
        }
        m_haveTypes = true;
        std::int64_t const n = readCount("CELL_TYPES", "cell count");
        checkRoom(p_loc, "CELL_TYPES", n, "cell types", 1, 4);
        if (m_cells.present && static_cast<std::size_t>(n) != m_cells.count()) {
            fail(p_loc, "CELL_TYPES declares " + std::to_string(n) + " cells but CELLS declares " +
                            std::to_string(m_cells.count()));
        }
        std::vector<double> types;
        std::size_t const count = static_cast<std::size_t>(n);
        m_types.reserve(count);
        m_typeWhere.reserve(count);
        if (m_binary) {
            readValues("CELL_TYPES", ValueType::Int, count, types, false);
            std::size_t const start = m_pos - count * 4;
            for (std::size_t i = 0; i < count; ++i) {
                addType(types[i], Location{0, start + 4 * i}, i);
            }
        } else {
            for (std::size_t i = 0; i < count; ++i) {
                std::int64_t const t = readInt("CELL_TYPES");
                addType(static_cast<double>(t), m_tokenLoc, i);
            }
        }
    }

    void addType(double p_type, Location p_loc, std::size_t p_cell)
    {
        if (p_type < INT_MIN || p_type > INT_MAX || !isKnownCellType(static_cast<int>(p_type))) {
            fail(p_loc, "CELL_TYPES: cell " + std::to_string(p_cell) + " has the unknown type " +
                            std::to_string(static_cast<std::int64_t>(p_type)));
        }
        m_types.push_back(static_cast<VtkCellType>(static_cast<int>(p_type)));
        m_typeWhere.push_back(p_loc.offset);
        m_typesTextLines = p_loc.line != 0;
    }

    void readPolyCells(Location p_loc, std::string const& p_key)
    {
        bool const lines = p_key == "LINES";
        CellBlock& block = lines ? m_lines : m_polys;
        if (block.present) {
            fail(p_loc, p_key + " appears twice");
        }
        std::int64_t const n = readCount(p_key, "cell count");
        std::int64_t const size = readCount(p_key, "size");
        readCellRecords(p_key, p_loc, n, size, lines ? 2 : 3, block);
    }

    std::size_t numCells() const
    {
        if (m_mesh.kind == DatasetKind::UnstructuredGrid) {
            return m_haveTypes ? m_types.size() : m_cells.count();
        }
        return m_lines.count() + m_polys.count();
    }

    void startData(Location p_loc, std::string const& p_key)
    {
        bool const points = p_key == "POINT_DATA";
        bool& seen = points ? m_seenPointData : m_seenCellData;
        if (seen) {
            fail(p_loc, p_key + " appears twice");
        }
        seen = true;
        std::int64_t const n = readCount(p_key, "tuple count");
        std::size_t const expected = points ? m_mesh.numPoints() : numCells();
        if (static_cast<std::size_t>(n) != expected) {
            fail(p_loc, p_key + " declares " + std::to_string(n) + " tuples but there are " +
                            std::to_string(expected) + (points ? " points" : " cells"));
        }
        m_context = points ? &m_mesh.pointData : &m_mesh.cellData;
        m_contextKey = p_key;
        m_contextTuples = static_cast<std::size_t>(n);
    }

    void readAttribute(Location p_loc, std::string const& p_key)
    {
        if (m_context == nullptr) {
            fail(p_loc, p_key + " outside POINT_DATA or CELL_DATA");
        }
        DataArray array;
        std::string_view const nameTok = token(p_key);
        array.name = decodeName(nameTok);
        std::string const section = p_key + " '" + printable(array.name) + "'";
        array.type = readType(section);
        if (p_key == "SCALARS") {
            array.role = ArrayRole::Scalars;
            if (!peekTokenOnLine().empty()) {
                std::int64_t const c = readInt(section);
                if (c < 1 || c > 4) {
                    fail(m_tokenLoc, section + ": component count " + std::to_string(c) + " is outside 1..4");
                }
                array.numComponents = static_cast<int>(c);
            }
            if (upper(peekToken()) == "LOOKUP_TABLE") {
                token(section);
                token(section);
            }
        } else if (p_key == "TENSORS") {
            array.role = ArrayRole::Tensors;
            array.numComponents = 9;
        } else {
            array.role = p_key == "VECTORS" ? ArrayRole::Vectors : ArrayRole::Normals;
            array.numComponents = 3;
        }
        checkRoom(p_loc, section, static_cast<std::int64_t>(m_contextTuples), "tuples",
                  static_cast<std::uint64_t>(array.numComponents), valueTypeSize(array.type));
        readValues(section, array.type, m_contextTuples * array.numComponents, array.values, false);
        addArray(std::move(array), p_loc, section);
    }

    void readField(Location p_loc)
    {
        token("FIELD");
        std::int64_t const n = readCount("FIELD", "array count");
        // Each array needs at least its four-word header.
        checkRoom(p_loc, "FIELD", n, "arrays", 4, 1);
        for (std::int64_t a = 0; a < n; ++a) {
            if (upper(peekToken()) == "METADATA") {
                token("FIELD");
                skipMetadata();
            }
            std::string_view const nameTok = token("FIELD");
            Location const loc = m_tokenLoc;
            if (upper(nameTok) == "NULL_ARRAY") {
                continue;
            }
            DataArray array;
            array.role = ArrayRole::Field;
            array.name = decodeName(nameTok);
            std::string const section = "FIELD '" + printable(array.name) + "'";
            std::int64_t const comps = readCount(section, "component count");
            if (comps < 1) {
                fail(m_tokenLoc, section + ": component count 0 must be at least 1");
            }
            std::int64_t const tuples = readCount(section, "tuple count");
            array.type = readType(section);
            array.numComponents = static_cast<int>(comps);
            if (m_context != nullptr && static_cast<std::size_t>(tuples) != m_contextTuples) {
                fail(loc, section + " has " + std::to_string(tuples) + " tuples but " + m_contextKey +
                              " declares " + std::to_string(m_contextTuples));
            }
            checkRoom(loc, section, tuples, "tuples", static_cast<std::uint64_t>(comps),
                      valueTypeSize(array.type));
            readValues(section, array.type,
                       static_cast<std::size_t>(tuples) * static_cast<std::size_t>(comps), array.values,
                       false);
            // Field data of the whole data set (outside POINT_DATA and CELL_DATA) is read and dropped.
            if (m_context != nullptr) {
                addArray(std::move(array), loc, section);
            }
        }
    }

    // A colour table of its own: "LOOKUP_TABLE name size", then size RGBA entries.
    void skipLookupTable(Location p_loc)
    {
        token("LOOKUP_TABLE");
        std::int64_t const n = readCount("LOOKUP_TABLE", "size");
        ValueType const type = m_binary ? ValueType::UnsignedChar : ValueType::Float;
        checkRoom(p_loc, "LOOKUP_TABLE", n, "entries", 4, 1);
        std::vector<double> scratch;
        readValues("LOOKUP_TABLE", type, static_cast<std::size_t>(n) * 4, scratch, false);
    }

    // Array metadata ("METADATA", then lines up to an empty line) carries nothing the tool uses.
    void skipMetadata()
    {
        restOfLine();
        while (m_pos < m_data.size()) {
            std::string_view const line = restOfLine();
            if (line.find_first_not_of(" \t\r") == std::string_view::npos) {
                break;
            }
        }
    }

    // ------------------------------------------------------------ checks across sections
    // The place of a stored byte offset: its line counted from the start when lines were valid there.
    Location locate(std::size_t p_offset, bool p_textLines) const
    {
        if (!p_textLines) {
            return Location{0, p_offset};
        }
        std::size_t const line =
            1 + static_cast<std::size_t>(std::count(m_data.begin(), m_data.begin() + p_offset, '\n'));
        return Location{line, p_offset};
    }

    void checkCells(CellBlock const& p_block, std::string const& p_section,
                    std::vector<VtkCellType> const* p_types)
    {
        std::size_t const numPoints = m_mesh.numPoints();
        PolyhedronTopology polyhedron;
        for (std::size_t c = 0; c < p_block.count(); ++c) {
            int const* ids = p_block.connectivity.data() + p_block.offsets[c];
            int const k = static_cast<int>(p_block.offsets[c + 1] - p_block.offsets[c]);
            VtkCellType type;
            if (p_types != nullptr) {
                type = (*p_types)[c];
                // Places are counted only for a message: counting lines for every cell is quadratic.
                auto const typeLoc = [&] { return locate(m_typeWhere[c], m_typesTextLines); };
                auto const cell = [&] {
                    return "CELL_TYPES: cell " + std::to_string(c) + " is a " + cellTypeName(type);
                };
                int const fixed = fixedPointCount(type);
                if (fixed > 0 && k != fixed) {
                    fail(typeLoc(), cell() + ", which has " + std::to_string(fixed) +
                                        " points, but CELLS gives it " + std::to_string(k));
                }
                if (type == VtkCellType::Polygon && k < 3) {
                    fail(typeLoc(), cell() + " with " + std::to_string(k) + " points; it needs at least 3");
                }
                if (type == VtkCellType::PolyLine && k < 2) {
                    fail(typeLoc(), cell() + " with " + std::to_string(k) + " points; it needs at least 2");
                }
                if (type == VtkCellType::Polyhedron) {
                    if (m_offsetLayout) {
                        fail(typeLoc(),
                             cell() + "; polyhedra are read only from CELLS records with face streams");
                    }
                    std::string const problem = decodeFaceStream(ids, k, polyhedron);
                    if (!problem.empty()) {
                        fail(locate(p_block.where[c], p_block.textLines),
                             "CELLS: cell " + std::to_string(c) + ": " + problem);
                    }
                    for (int id : polyhedron.vertices) {
                        checkIndex(id, numPoints, p_section, c, p_block.where[c], p_block.textLines);
                    }
                    continue;
                }
            } else {
                type = p_section == "LINES" ? (k == 2 ? VtkCellType::Line : VtkCellType::PolyLine)
                                            : VtkCellType::Polygon;
            }
            for (int j = 0; j < k; ++j) {
                // In binary data the place is the id's own bytes; in text, the record's line.
                std::size_t const at =
                    p_block.where[c] + (p_block.textLines ? 0 : 4 * static_cast<std::size_t>(j + 1));
                checkIndex(ids[j], numPoints, p_section, c, at, p_block.textLines);
            }
        }
    }

    void checkIndex(int p_id, std::size_t p_numPoints, std::string const& p_section, std::size_t p_cell,
                    std::size_t p_offset, bool p_textLines) const
    {
        if (p_id < 0 || static_cast<std::size_t>(p_id) >= p_numPoints) {
            fail(locate(p_offset, p_textLines),
                 p_section + ": cell " + std::to_string(p_cell) + " uses point " + std::to_string(p_id) +
                     ", but there are " + std::to_string(p_numPoints) + " points");
        }
    }

    void appendBlock(CellBlock& p_block, bool p_lines)
    {
        for (std::size_t c = 0; c < p_block.count(); ++c) {
            std::size_t const k = p_block.offsets[c + 1] - p_block.offsets[c];
            m_mesh.cellTypes.push_back(p_lines ? (k == 2 ? VtkCellType::Line : VtkCellType::PolyLine)
                                               : VtkCellType::Polygon);
        }
        std::size_t const base = m_mesh.connectivity.size();
        m_mesh.connectivity.insert(m_mesh.connectivity.end(), p_block.connectivity.begin(),
                                   p_block.connectivity.end());
        for (std::size_t c = 1; c < p_block.offsets.size(); ++c) {
            m_mesh.offsets.push_back(base + p_block.offsets[c]);
        }
    }

    void finish()
    {
        skipSpace();
        Location const end = here();
        if (!m_havePoints) {
            fail(end, "no POINTS section");
        }
        if (m_mesh.kind == DatasetKind::UnstructuredGrid) {
            if (m_cells.present && !m_haveTypes) {
                fail(end, "CELLS without CELL_TYPES");
            }
            if (m_haveTypes && !m_cells.present) {
                fail(end, "CELL_TYPES without CELLS");
            }
            checkCells(m_cells, "CELLS", &m_types);
            m_mesh.cellTypes = std::move(m_types);
            m_mesh.offsets = std::move(m_cells.offsets);
            m_mesh.connectivity = std::move(m_cells.connectivity);
        } else {
            checkCells(m_lines, "LINES", nullptr);
            checkCells(m_polys, "POLYGONS", nullptr);
            if (m_lines.count() == 0) {
                // Only polygons (the common surface file): their arrays become the mesh's, uncopied.
                m_mesh.cellTypes.assign(m_polys.count(), VtkCellType::Polygon);
                m_mesh.connectivity = std::move(m_polys.connectivity);
                m_mesh.offsets = std::move(m_polys.offsets);
            } else {
                m_mesh.cellTypes.reserve(m_lines.count() + m_polys.count());
                m_mesh.connectivity.reserve(m_lines.connectivity.size() + m_polys.connectivity.size());
                m_mesh.offsets.reserve(m_lines.count() + m_polys.count() + 1);
                appendBlock(m_lines, true);
                // The lines' arrays are copied; free them before the polygons are.
                m_lines = CellBlock();
                appendBlock(m_polys, false);
            }
        }
        // A data section may come before the points or cells it describes, when their counts were still
        // unknown: every array is checked against the final counts.
        checkTuples(m_mesh.pointData, m_pointWhere, m_mesh.numPoints(), "points");
        checkTuples(m_mesh.cellData, m_cellWhere, m_mesh.numCells(), "cells");
    }

    void checkTuples(std::vector<DataArray> const& p_arrays, std::vector<ArrayPlace> const& p_where,
                     std::size_t p_count, char const* p_noun) const
    {
        for (std::size_t i = 0; i < p_arrays.size(); ++i) {
            if (p_arrays[i].numTuples() != p_count) {
                fail(p_where[i].where, p_where[i].section + ": holds " +
                                           std::to_string(p_arrays[i].numTuples()) +
                                           " tuples but there are " + std::to_string(p_count) + " " + p_noun);
            }
        }
    }

    std::string_view m_data;
    std::string m_name;
    ProgressTracker m_progress;
    std::size_t m_pos = 0;
    std::size_t m_line = 1;
    bool m_binary = false;
    bool m_linesValid = true;
    Location m_tokenLoc{1, 0};

    MeshData m_mesh;
    bool m_havePoints = false;
    CellBlock m_cells;
    bool m_haveTypes = false;
    bool m_offsetLayout = false;
    std::vector<VtkCellType> m_types;
    std::vector<std::size_t> m_typeWhere; // byte offsets, as CellBlock::where
    bool m_typesTextLines = true;
    CellBlock m_lines;
    CellBlock m_polys;

    bool m_seenPointData = false;
    bool m_seenCellData = false;
    std::vector<DataArray>* m_context = nullptr; // not owned: an array list of m_mesh
    // Where each point and cell array was declared, for the checks once the whole file is read.
    std::vector<ArrayPlace> m_pointWhere, m_cellWhere;
    std::string m_contextKey;
    std::size_t m_contextTuples = 0;
};

} // namespace

MeshData VtkLegacyReader::readFile(std::string const& p_path)
{
    std::string const data = readRegularFile(p_path, [&](std::string_view p_start) {
        // A file that is not VTK at all is refused on its first line before the rest is loaded.
        static constexpr std::string_view magic = "# vtk DataFile Version";
        if (p_start.substr(0, magic.size()) != magic) {
            readBuffer(p_start.substr(0, p_start.find('\n')), p_path);
        }
    });
    return readBuffer(data, p_path);
}

MeshData VtkLegacyReader::readBuffer(std::string_view p_data, std::string const& p_name)
{
    return Parser(p_data, p_name).parse();
}

} // namespace zev::io
