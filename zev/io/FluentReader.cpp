#include "zev/io/FluentReader.h"

#include "zev/io/FaceCells.h"
#include "zev/io/FileAccess.h"
#include "zev/io/FluentFieldNames.h"
#include "zev/io/FoamFile.h"
#include "zev/io/FormatError.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <limits>
#include <map>
#include <memory>
#include <set>
#include <vector>

namespace zev::io {

namespace {

constexpr long long s_maxCount = std::numeric_limits<int>::max();
// The value of a cell that no section of a field covers.
constexpr double s_undefined = 3.4028235e38;

bool isBlank(char c)
{
    return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\v';
}

bool endsWith(std::string const& p_text, std::string const& p_end)
{
    if (p_text.size() < p_end.size()) {
        return false;
    }
    for (std::size_t i = 0; i < p_end.size(); ++i) {
        char c = p_text[p_text.size() - p_end.size() + i];
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        if (c != p_end[i]) {
            return false;
        }
    }
    return true;
}

// One file's text and the reading of its sections: "(index (header) (body))", where headers hold
// hexadecimal numbers in case files and decimal ones in data files, and binary sections hold raw
// little-endian values between the body's parentheses.
class Scanner {
public:
    Scanner(std::string p_name, std::string_view p_text) : m_name(std::move(p_name)), m_text(p_text) {}

    std::string const& name() const { return m_name; }
    std::size_t size() const { return m_text.size(); }

    [[noreturn]] void fail(std::size_t p_offset, std::string const& p_message) const
    {
        std::size_t const end = std::min(p_offset, m_text.size());
        std::size_t const line =
            1 + static_cast<std::size_t>(std::count(m_text.begin(), m_text.begin() + end, '\n'));
        throw FormatError(m_name, line, FormatError::s_noOffset, p_message);
    }
    // A failure of the case as a whole (counts that disagree), with no one place in the file.
    [[noreturn]] void failWhole(std::string const& p_message) const
    {
        throw FormatError(m_name, 0, FormatError::s_noOffset, p_message);
    }
    [[noreturn]] void failAtByte(std::size_t p_offset, std::string const& p_message) const
    {
        throw FormatError(m_name, 0, p_offset, p_message);
    }

    void skipBlanks(std::size_t& p_pos) const
    {
        while (p_pos < m_text.size() && isBlank(m_text[p_pos])) {
            ++p_pos;
        }
    }
    bool atEnd(std::size_t& p_pos) const
    {
        skipBlanks(p_pos);
        return p_pos >= m_text.size();
    }
    char peek(std::size_t& p_pos) const
    {
        skipBlanks(p_pos);
        return p_pos < m_text.size() ? m_text[p_pos] : '\0';
    }
    void expect(std::size_t& p_pos, char p_char, char const* p_what) const
    {
        if (peek(p_pos) != p_char) {
            fail(p_pos, std::string("expected '") + p_char + "' " + p_what);
        }
        ++p_pos;
    }

    long long readInt(std::size_t& p_pos, int p_base, char const* p_what) const
    {
        skipBlanks(p_pos);
        char const* const first = m_text.data() + p_pos;
        char const* const last = m_text.data() + m_text.size();
        long long value = 0;
        auto const result = std::from_chars(first, last, value, p_base);
        if (result.ec != std::errc() ||
            (result.ptr < last && !isBlank(*result.ptr) && *result.ptr != '(' && *result.ptr != ')')) {
            fail(p_pos, std::string("expected ") + p_what);
        }
        p_pos += static_cast<std::size_t>(result.ptr - first);
        return value;
    }

    double readReal(std::size_t& p_pos, char const* p_what) const
    {
        skipBlanks(p_pos);
        char const* const first = m_text.data() + p_pos;
        char const* const last = m_text.data() + m_text.size();
        double value = 0.0;
        auto const result = std::from_chars(first, last, value);
        if (result.ec != std::errc() || (result.ptr < last && !isBlank(*result.ptr) && *result.ptr != ')')) {
            fail(p_pos, std::string("expected ") + p_what);
        }
        p_pos += static_cast<std::size_t>(result.ptr - first);
        return value;
    }

    // A word: the characters up to a blank or a parenthesis.
    std::string readWord(std::size_t& p_pos) const
    {
        skipBlanks(p_pos);
        std::size_t const start = p_pos;
        while (p_pos < m_text.size() && !isBlank(m_text[p_pos]) && m_text[p_pos] != '(' &&
               m_text[p_pos] != ')') {
            ++p_pos;
        }
        return std::string(m_text.substr(start, p_pos - start));
    }

    // Where p_what next occurs from p_pos, or npos.
    std::size_t find(std::size_t p_pos, char const* p_what) const { return m_text.find(p_what, p_pos); }

    // The numbers of a header "(a b c ...)" in base p_base.
    std::vector<long long> readHeader(std::size_t& p_pos, int p_base) const
    {
        expect(p_pos, '(', "to open the section's header");
        std::vector<long long> values;
        while (peek(p_pos) != ')') {
            if (p_pos >= m_text.size() || values.size() == 16) {
                fail(p_pos, "the section's header is not closed");
            }
            values.push_back(readInt(p_pos, p_base, "a number in the section's header"));
        }
        ++p_pos;
        return values;
    }

    // Skips to just past the ')' closing p_depth open parentheses (strings skipped whole); p_open is
    // where the outermost one opened, named when the text ends first.
    void close(std::size_t& p_pos, int p_depth, std::size_t p_open) const
    {
        while (p_depth > 0) {
            if (p_pos >= m_text.size()) {
                fail(p_open, "the section is not closed");
            }
            char const c = m_text[p_pos++];
            if (c == '(') {
                ++p_depth;
            } else if (c == ')') {
                --p_depth;
            } else if (c == '"') {
                // Strings may hold parentheses and escaped quotes (\").
                std::size_t const start = p_pos - 1;
                while (p_pos < m_text.size() && m_text[p_pos] != '"') {
                    p_pos += m_text[p_pos] == '\\' ? 2 : 1;
                }
                if (p_pos >= m_text.size()) {
                    fail(start, "a string is not closed");
                }
                ++p_pos;
            }
        }
    }

    // p_count values of p_width bytes (4: 32-bit, 8: 64-bit) at p_pos, checked to be there.
    char const* binary(std::size_t& p_pos, std::size_t p_count, int p_width, char const* p_what) const
    {
        if (p_count > (m_text.size() - std::min(p_pos, m_text.size())) / static_cast<std::size_t>(p_width)) {
            failAtByte(p_pos, std::string("the ") + p_what + " end before the " + std::to_string(p_count) +
                                  " values the header gives");
        }
        char const* const data = m_text.data() + p_pos;
        p_pos += p_count * static_cast<std::size_t>(p_width);
        return data;
    }

    // Whether p_count ASCII values can fit in what is left (each takes a digit and a blank at least).
    void checkRoom(std::size_t p_pos, long long p_count, char const* p_what) const
    {
        if (p_count > static_cast<long long>((m_text.size() - std::min(p_pos, m_text.size())) / 2 + 1)) {
            fail(p_pos, std::string("the ") + p_what + " end before the " + std::to_string(p_count) +
                            " values the header gives");
        }
    }

private:
    std::string m_name;
    std::string_view m_text;
};

template <typename T> T loadValue(char const* p_data, std::size_t p_index)
{
    T value;
    std::memcpy(&value, p_data + p_index * sizeof(T), sizeof(T));
    return value;
}

struct NodeBlock {
    long long first = 0;
    long long count = 0;
    std::size_t offset = 0; // into the points read so far
};

struct CellZone {
    long long id = 0;
    long long first = 0;
    long long last = 0;
};

struct FaceZone {
    long long id = 0;
    std::size_t first = 0; // the zone's faces are first .. first + count - 1 of the faces read
    std::size_t count = 0;
};

struct DataSection {
    int field = 0;
    long long zone = 0;
    int components = 1;
    std::vector<double> values;
};

struct CaseContents {
    std::vector<double> points;
    std::vector<NodeBlock> nodeBlocks;
    long long declaredNodes = -1;
    long long declaredCells = -1;
    std::vector<CellZone> cellZones;
    std::vector<FaceZone> faceZones;
    std::vector<int> faceOffsets{0};
    std::vector<long long> faceNodes; // 1-based, checked once every node is known
    std::vector<long long> c0, c1;    // 1-based cells, 0 for none
    std::map<long long, std::pair<std::string, std::string>> zoneNames; // id -> (type, name)
    std::set<long long> unknownSections;
};

class CaseParser {
public:
    explicit CaseParser(Scanner const& p_scanner) : m_in(p_scanner) {}

    CaseContents parse()
    {
        std::size_t pos = 0;
        while (!m_in.atEnd(pos)) {
            std::size_t const open = pos;
            m_in.expect(pos, '(', "to open a section");
            long long const index = m_in.readInt(pos, 10, "a section number");
            section(index, open, pos);
        }
        return std::move(m_case);
    }

private:
    void section(long long p_index, std::size_t p_open, std::size_t& p_pos)
    {
        switch (p_index) {
        case 2: {
            long long const dimension = m_in.readInt(p_pos, 10, "the dimension");
            if (dimension != 3) {
                m_in.fail(p_open, "the case is " + std::to_string(dimension) +
                                      "-dimensional; only three-dimensional cases are read");
            }
            m_in.close(p_pos, 1, p_open);
            return;
        }
        case 10:
        case 2010:
        case 3010:
            nodes(p_index == 10 ? 0 : p_index == 2010 ? 4 : 8, p_open, p_pos);
            return;
        case 12:
        case 2012:
        case 3012:
            cells(p_index != 12, p_open, p_pos);
            return;
        case 13:
        case 2013:
        case 3013:
            faces(p_index != 13, p_open, p_pos);
            return;
        case 39:
        case 45:
            zoneName(p_open, p_pos);
            return;
        case 0:
        case 1:
        case 4:
        case 33:
        case 37:
        case 38:
        case 40:
        case 41:
        case 64:
            break;
        default:
            m_case.unknownSections.insert(p_index);
            // A binary section's bytes may look like parentheses: it ends with a marker instead.
            if (p_index >= 2000) {
                std::size_t const end = m_in.find(p_pos, "End of Binary Section");
                if (end != std::string_view::npos) {
                    p_pos = end;
                }
            }
        }
        m_in.close(p_pos, 1, p_open);
    }

    // Opens a section's body when it has one; false when the section ends after its header.
    bool openBody(std::size_t& p_pos)
    {
        char const c = m_in.peek(p_pos);
        if (c == ')') {
            ++p_pos;
            return false;
        }
        if (c != '(') {
            m_in.fail(p_pos, "expected '(' to open the section's data");
        }
        ++p_pos;
        return true;
    }

    // Counts first .. last of a header, checked.
    long long countOf(long long p_first, long long p_last, std::size_t p_open, char const* p_what) const
    {
        long long const count = p_last - p_first + 1;
        if (p_first < 1 || count < 0 || count > s_maxCount) {
            m_in.fail(p_open, std::string("the ") + p_what + " " + std::to_string(p_first) + " to " +
                                  std::to_string(p_last) + " are not a range of numbers from 1");
        }
        return count;
    }

    void nodes(int p_width, std::size_t p_open, std::size_t& p_pos)
    {
        std::vector<long long> const h = m_in.readHeader(p_pos, 16);
        if (h.size() < 4) {
            m_in.fail(p_open, "a node section's header has zone, first, last and type");
        }
        if (h[0] == 0) {
            m_case.declaredNodes = countOf(h[1], h[2], p_open, "nodes");
            m_in.close(p_pos, 1, p_open);
            return;
        }
        long long const count = countOf(h[1], h[2], p_open, "nodes");
        int const dimension = h.size() > 4 ? static_cast<int>(h[4]) : 3;
        if (dimension != 3) {
            m_in.fail(p_open, "the nodes have " + std::to_string(dimension) +
                                  " coordinates; only three-dimensional cases are read");
        }
        if (!openBody(p_pos)) {
            m_in.fail(p_open, "the node section has no coordinates");
        }
        std::size_t const n = static_cast<std::size_t>(count) * 3;
        std::size_t const offset = m_case.points.size();
        if (p_width == 0) {
            m_in.checkRoom(p_pos, static_cast<long long>(n), "coordinates");
            m_case.points.reserve(offset + n);
            for (std::size_t i = 0; i < n; ++i) {
                m_case.points.push_back(m_in.readReal(p_pos, "a coordinate"));
            }
            m_in.expect(p_pos, ')', "after the coordinates the header counts");
        } else {
            char const* const data = m_in.binary(p_pos, n, p_width, "coordinates");
            m_case.points.resize(offset + n);
            for (std::size_t i = 0; i < n; ++i) {
                m_case.points[offset + i] = p_width == 4 ? static_cast<double>(loadValue<float>(data, i))
                                                         : loadValue<double>(data, i);
            }
        }
        m_case.nodeBlocks.push_back({h[1], count, offset});
        m_in.close(p_pos, p_width == 0 ? 1 : 2, p_open);
    }

    void cells(bool p_binary, std::size_t p_open, std::size_t& p_pos)
    {
        std::vector<long long> const h = m_in.readHeader(p_pos, 16);
        if (h.size() < 4) {
            m_in.fail(p_open, "a cell section's header has zone, first, last and type");
        }
        long long const count = countOf(h[1], h[2], p_open, "cells");
        if (h[0] == 0) {
            m_case.declaredCells = count;
        } else {
            m_case.cellZones.push_back({h[0], h[1], h[2]});
        }
        // The cell types of a mixed zone are not needed: the faces tell each cell's shape. Binary ones are
        // stepped over whole, since their bytes may look like parentheses.
        if (p_binary && h[0] != 0 && h.size() > 4 && h[4] == 0 && openBody(p_pos)) {
            m_in.binary(p_pos, static_cast<std::size_t>(count), 4, "cell types");
            m_in.close(p_pos, 2, p_open);
            return;
        }
        m_in.close(p_pos, 1, p_open);
    }

    void faces(bool p_binary, std::size_t p_open, std::size_t& p_pos)
    {
        std::vector<long long> const h = m_in.readHeader(p_pos, 16);
        if (h.size() < 4) {
            m_in.fail(p_open, "a face section's header has zone, first, last and type");
        }
        long long const count = countOf(h[1], h[2], p_open, "faces");
        if (h[0] == 0) {
            m_in.close(p_pos, 1, p_open);
            return;
        }
        int const type = h.size() > 4 ? static_cast<int>(h[4]) : 0;
        int fixed = 0;
        if (type == 3 || type == 4) {
            fixed = type;
        } else if (type != 0 && type != 5) {
            m_in.fail(p_open, "faces of type " + std::to_string(type) +
                                  " are not read (0 mixed, 3 triangles, 4 quadrilaterals, 5 polygons)");
        }
        if (!openBody(p_pos)) {
            m_in.fail(p_open, "the face section has no faces");
        }
        FaceZone zone{h[0], m_case.c0.size(), static_cast<std::size_t>(count)};
        if (static_cast<long long>(m_case.c0.size()) + count > s_maxCount) {
            m_in.fail(p_open, "more faces than the reader counts");
        }
        m_in.checkRoom(p_pos, count * 3, "faces");
        m_case.c0.reserve(m_case.c0.size() + static_cast<std::size_t>(count));
        m_case.c1.reserve(m_case.c1.size() + static_cast<std::size_t>(count));
        m_case.faceOffsets.reserve(m_case.faceOffsets.size() + static_cast<std::size_t>(count));
        // Binary and ASCII faces hold the same integers: 32-bit values or hexadecimal text.
        auto next = [&](char const* p_what) -> long long {
            if (p_binary) {
                return loadValue<std::int32_t>(m_in.binary(p_pos, 1, 4, "faces"), 0);
            }
            return m_in.readInt(p_pos, 16, p_what);
        };
        for (long long f = 0; f < count; ++f) {
            if (!p_binary) {
                m_in.skipBlanks(p_pos);
            }
            std::size_t const at = p_pos;
            long long const n = fixed != 0 ? fixed : next("a face's node count");
            if (n < 3 || n > 4096) {
                fail(p_binary, at,
                     "face " + std::to_string(h[1] + f) + " has " + std::to_string(n) +
                         " nodes (a face has 3 to 4096)");
            }
            for (long long k = 0; k < n; ++k) {
                m_case.faceNodes.push_back(next("a face's node"));
            }
            if (m_case.faceNodes.size() > static_cast<std::size_t>(s_maxCount)) {
                fail(p_binary, at, "more face nodes than the reader counts");
            }
            m_case.faceOffsets.push_back(static_cast<int>(m_case.faceNodes.size()));
            long long const a = next("a face's cell");
            long long const b = next("a face's cell");
            if (a < 0 || b < 0 || a > s_maxCount || b > s_maxCount || (a == 0 && b == 0)) {
                fail(p_binary, at,
                     "face " + std::to_string(h[1] + f) + " has the cells " + std::to_string(a) + " and " +
                         std::to_string(b) + " (cell numbers from 1, 0 for none on one side)");
            }
            m_case.c0.push_back(a);
            m_case.c1.push_back(b);
        }
        if (!p_binary) {
            m_in.expect(p_pos, ')', "after the faces the header counts");
        }
        m_case.faceZones.push_back(zone);
        m_in.close(p_pos, p_binary ? 2 : 1, p_open);
    }

    [[noreturn]] void fail(bool p_binary, std::size_t p_at, std::string const& p_message) const
    {
        if (p_binary) {
            m_in.failAtByte(p_at, p_message);
        }
        m_in.fail(p_at, p_message);
    }

    void zoneName(std::size_t p_open, std::size_t& p_pos)
    {
        m_in.expect(p_pos, '(', "to open the zone's name");
        long long const id = m_in.readInt(p_pos, 10, "a zone number");
        std::string const type = m_in.readWord(p_pos);
        std::string const name = m_in.readWord(p_pos);
        if (type.empty() || name.empty()) {
            m_in.fail(p_open, "a zone's name section gives its number, type and name");
        }
        m_case.zoneNames[id] = {type, name};
        m_in.close(p_pos, 2, p_open);
    }

    Scanner const& m_in;
    CaseContents m_case;
};

std::vector<DataSection> parseData(Scanner const& p_in)
{
    std::vector<DataSection> sections;
    std::size_t pos = 0;
    while (!p_in.atEnd(pos)) {
        std::size_t const open = pos;
        p_in.expect(pos, '(', "to open a section");
        long long const index = p_in.readInt(pos, 10, "a section number");
        if (index != 300 && index != 2300 && index != 3300) {
            p_in.close(pos, 1, open);
            continue;
        }
        std::vector<long long> const h = p_in.readHeader(pos, 10);
        if (h.size() < 7) {
            p_in.fail(open,
                      "a data section's header has field, zone, size, time levels, phases, first and last");
        }
        long long const count = h[6] - h[5] + 1;
        if (h[1] < 0 || h[2] < 1 || h[2] > 64 || h[5] < 0 || count < 0 || count > s_maxCount) {
            p_in.fail(open, "the data section's header (field " + std::to_string(h[0]) + ", zone " +
                                std::to_string(h[1]) + ", size " + std::to_string(h[2]) + ", items " +
                                std::to_string(h[5]) + " to " + std::to_string(h[6]) + ") is not valid");
        }
        DataSection section;
        section.field = static_cast<int>(std::clamp<long long>(h[0], 0, s_maxCount));
        section.zone = h[1];
        section.components = static_cast<int>(h[2]);
        std::size_t const n = static_cast<std::size_t>(count) * static_cast<std::size_t>(section.components);
        p_in.expect(pos, '(', "to open the section's data");
        if (index == 300) {
            p_in.checkRoom(pos, static_cast<long long>(n), "values");
            section.values.reserve(n);
            for (std::size_t i = 0; i < n; ++i) {
                section.values.push_back(p_in.readReal(pos, "a value"));
            }
            p_in.expect(pos, ')', "after the values the header counts");
        } else {
            int const width = index == 2300 ? 4 : 8;
            char const* const data = p_in.binary(pos, n, width, "values");
            section.values.resize(n);
            for (std::size_t i = 0; i < n; ++i) {
                section.values[i] =
                    width == 4 ? static_cast<double>(loadValue<float>(data, i)) : loadValue<double>(data, i);
            }
        }
        p_in.close(pos, index == 300 ? 1 : 2, open);
        sections.push_back(std::move(section));
    }
    return sections;
}

VtkCellType surfaceType(int p_corners)
{
    return p_corners == 3 ? VtkCellType::Triangle : p_corners == 4 ? VtkCellType::Quad : VtkCellType::Polygon;
}

class Assembler {
public:
    Assembler(Scanner const& p_in, CaseContents& p_case) : m_in(p_in), m_case(p_case) {}

    MeshData build()
    {
        MeshData out;
        out.pointType = ValueType::Double;
        points(out);
        cells(out);
        return out;
    }

    void fields(std::vector<DataSection> const& p_sections, MeshData& p_out) const;

private:
    void points(MeshData& p_out)
    {
        std::vector<NodeBlock> blocks = m_case.nodeBlocks;
        std::sort(blocks.begin(), blocks.end(),
                  [](NodeBlock const& p_a, NodeBlock const& p_b) { return p_a.first < p_b.first; });
        long long next = 1;
        bool inOrder = true;
        for (std::size_t b = 0; b < blocks.size(); ++b) {
            if (blocks[b].first != next) {
                m_in.failWhole(blocks[b].first < next
                                   ? "node " + std::to_string(blocks[b].first) + " is given twice"
                                   : "nodes " + std::to_string(next) + " to " +
                                         std::to_string(blocks[b].first - 1) + " are not given");
            }
            inOrder = inOrder && blocks[b].offset == static_cast<std::size_t>(3 * (next - 1));
            next += blocks[b].count;
        }
        long long const total = next - 1;
        if (m_case.declaredNodes >= 0 && m_case.declaredNodes != total) {
            m_in.failWhole("the case declares " + std::to_string(m_case.declaredNodes) + " nodes and gives " +
                           std::to_string(total));
        }
        if (inOrder) {
            p_out.points = std::move(m_case.points);
        } else {
            p_out.points.resize(m_case.points.size());
            for (NodeBlock const& b : blocks) {
                std::copy_n(m_case.points.begin() + static_cast<std::ptrdiff_t>(b.offset), 3 * b.count,
                            p_out.points.begin() + 3 * (b.first - 1));
            }
        }
    }

    void cells(MeshData& p_out)
    {
        std::size_t const numPoints = p_out.numPoints();
        std::size_t const numFaces = m_case.c0.size();
        long long numCells = m_case.declaredCells;
        if (numCells < 0) {
            numCells = 0;
            for (CellZone const& z : m_case.cellZones) {
                numCells = std::max(numCells, z.last);
            }
        }
        // Every cell has four faces at least and a face two sides: more cells than that is no mesh.
        if (numCells > 2 * static_cast<long long>(numFaces)) {
            m_in.failWhole("the case declares " + std::to_string(numCells) + " cells and has " +
                           std::to_string(numFaces) + " faces");
        }
        for (CellZone const& z : m_case.cellZones) {
            if (z.last > numCells) {
                m_in.failWhole("cell zone " + std::to_string(z.id) + " holds the cells " +
                               std::to_string(z.first) + " to " + std::to_string(z.last) + " of " +
                               std::to_string(numCells));
            }
        }
        std::vector<int> labels(m_case.faceNodes.size());
        for (std::size_t i = 0; i < labels.size(); ++i) {
            long long const v = m_case.faceNodes[i];
            if (v < 1 || v > static_cast<long long>(numPoints)) {
                m_in.failWhole("a face names the node " + std::to_string(v) + " of " +
                               std::to_string(numPoints));
            }
            labels[i] = static_cast<int>(v - 1);
        }
        m_case.faceNodes = {};
        // The right-hand normal of a face's nodes points towards c0: a face points out of c1, or out of
        // c0 reversed when c1 is missing, so that every face points out of the cell that owns it.
        std::vector<int> owner(numFaces), neighbour(numFaces);
        m_boundary.assign(numFaces, 0);
        for (std::size_t f = 0; f < numFaces; ++f) {
            long long const a = m_case.c0[f], b = m_case.c1[f];
            if (a > numCells || b > numCells) {
                m_in.failWhole("face " + std::to_string(f + 1) + " names the cell " +
                               std::to_string(std::max(a, b)) + " of " + std::to_string(numCells));
            }
            if (b != 0) {
                owner[f] = static_cast<int>(b - 1);
                neighbour[f] = static_cast<int>(a - 1);
            } else {
                owner[f] = static_cast<int>(a - 1);
                neighbour[f] = -1;
                std::reverse(labels.begin() + m_case.faceOffsets[f] + 1,
                             labels.begin() + m_case.faceOffsets[f + 1]);
            }
            m_boundary[f] = a == 0 || b == 0;
        }
        FaceCells const faces{m_case.faceOffsets, labels,    owner,
                              neighbour,          numPoints, static_cast<int>(numCells)};
        FaceCells::Failure const failure = faces.appendCells(p_out);
        if (failure.cell >= 0) {
            m_in.failWhole("cell " + std::to_string(failure.cell + 1) + " has " +
                           std::to_string(failure.faces) + (failure.faces == 1 ? " face" : " faces") +
                           " (a cell has at least 4)");
        }
        m_numCells = static_cast<std::size_t>(numCells);

        DataArray regions;
        regions.name = FluentReader::s_regionArray;
        regions.type = ValueType::Int;
        regions.values.assign(m_numCells, -1.0);
        for (CellZone const& z : m_case.cellZones) {
            std::fill(regions.values.begin() + z.first - 1, regions.values.begin() + z.last,
                      static_cast<double>(z.id));
            p_out.regionLabels[{3, z.id}] = zoneName(z.id);
        }
        // The boundary faces of every face zone, in the file's order, as surface cells.
        m_surfaceCell.assign(numFaces, -1);
        for (FaceZone const& z : m_case.faceZones) {
            for (std::size_t f = z.first; f < z.first + z.count; ++f) {
                if (!m_boundary[f]) {
                    continue;
                }
                m_surfaceCell[f] = static_cast<long long>(p_out.numCells());
                int const n = m_case.faceOffsets[f + 1] - m_case.faceOffsets[f];
                p_out.cellTypes.push_back(surfaceType(n));
                p_out.connectivity.insert(p_out.connectivity.end(), labels.begin() + m_case.faceOffsets[f],
                                          labels.begin() + m_case.faceOffsets[f + 1]);
                p_out.offsets.push_back(p_out.connectivity.size());
                regions.values.push_back(static_cast<double>(z.id));
                p_out.regionLabels[{2, z.id}] = zoneName(z.id);
            }
        }
        m_owner = std::move(owner);
        p_out.cellData.push_back(std::move(regions));
        p_out.regionArray = FluentReader::s_regionArray;
        if (!m_case.unknownSections.empty()) {
            std::string list;
            for (long long s : m_case.unknownSections) {
                list += (list.empty() ? "" : ", ") + std::to_string(s);
            }
            p_out.notes.push_back("note: sections the reader does not use were skipped (" + list + ")");
        }
    }

    std::string zoneName(long long p_id) const
    {
        auto const it = m_case.zoneNames.find(p_id);
        return it != m_case.zoneNames.end() ? it->second.second : "zone" + std::to_string(p_id);
    }

    Scanner const& m_in;
    CaseContents& m_case;
    std::size_t m_numCells = 0;
    std::vector<char> m_boundary;
    std::vector<long long> m_surfaceCell; // per face: its surface cell, or -1
    std::vector<int> m_owner;
};

void Assembler::fields(std::vector<DataSection> const& p_sections, MeshData& p_out) const
{
    std::size_t const total = p_out.numCells();
    std::vector<int> order; // field numbers in the order of their first section
    for (DataSection const& s : p_sections) {
        if (std::find(order.begin(), order.end(), s.field) == order.end()) {
            order.push_back(s.field);
        }
    }
    for (int field : order) {
        std::string const name = fluentFieldName(field);
        DataArray array;
        array.name = name;
        array.type = ValueType::Double;
        array.role = ArrayRole::Field;
        std::set<long long> filledFaceZones;
        bool onCells = false;
        for (DataSection const& s : p_sections) {
            if (s.field != field) {
                continue;
            }
            if (array.values.empty()) {
                array.numComponents = s.components;
                array.role = s.components == 3 ? ArrayRole::Vectors : ArrayRole::Scalars;
                array.values.assign(total * static_cast<std::size_t>(s.components), s_undefined);
            } else if (s.components != array.numComponents) {
                p_out.notes.push_back("note: " + name + " has " + std::to_string(s.components) +
                                      " components on zone " + std::to_string(s.zone) + " and " +
                                      std::to_string(array.numComponents) +
                                      " before; those values were skipped");
                continue;
            }
            std::size_t const nc = static_cast<std::size_t>(s.components);
            std::size_t const items = s.values.size() / nc;
            if (items == 0) {
                continue;
            }
            auto cellZone = std::find_if(m_case.cellZones.begin(), m_case.cellZones.end(),
                                         [&](CellZone const& z) { return z.id == s.zone; });
            auto faceZone = std::find_if(m_case.faceZones.begin(), m_case.faceZones.end(),
                                         [&](FaceZone const& z) { return z.id == s.zone; });
            if (cellZone != m_case.cellZones.end() &&
                items == static_cast<std::size_t>(cellZone->last - cellZone->first + 1)) {
                std::copy(s.values.begin(), s.values.end(),
                          array.values.begin() +
                              static_cast<std::ptrdiff_t>((cellZone->first - 1) * s.components));
                onCells = true;
            } else if (faceZone != m_case.faceZones.end() && items == faceZone->count) {
                for (std::size_t k = 0; k < items; ++k) {
                    long long const cell = m_surfaceCell[faceZone->first + k];
                    if (cell >= 0) {
                        std::copy_n(s.values.begin() + static_cast<std::ptrdiff_t>(k * nc), nc,
                                    array.values.begin() + static_cast<std::ptrdiff_t>(cell * s.components));
                    }
                }
                filledFaceZones.insert(s.zone);
            } else if (cellZone != m_case.cellZones.end() || faceZone != m_case.faceZones.end()) {
                p_out.notes.push_back("note: " + name + " has " + std::to_string(items) + " values on zone " +
                                      std::to_string(s.zone) + " of " +
                                      std::to_string(cellZone != m_case.cellZones.end()
                                                         ? cellZone->last - cellZone->first + 1
                                                         : static_cast<long long>(faceZone->count)) +
                                      (cellZone != m_case.cellZones.end() ? " cells" : " faces") +
                                      "; they were skipped");
            }
        }
        // Face data alone (fluxes on faces) has no cells to live on.
        if (!onCells) {
            continue;
        }
        std::string borrowed;
        for (FaceZone const& z : m_case.faceZones) {
            if (filledFaceZones.count(z.id) != 0) {
                continue;
            }
            bool any = false;
            for (std::size_t f = z.first; f < z.first + z.count; ++f) {
                long long const cell = m_surfaceCell[f];
                if (cell < 0) {
                    continue;
                }
                any = true;
                std::size_t const nc = static_cast<std::size_t>(array.numComponents);
                std::copy_n(array.values.begin() +
                                static_cast<std::ptrdiff_t>(static_cast<std::size_t>(m_owner[f]) * nc),
                            nc,
                            array.values.begin() +
                                static_cast<std::ptrdiff_t>(static_cast<std::size_t>(cell) * nc));
            }
            if (any) {
                borrowed += (borrowed.empty() ? "" : ", ") + zoneName(z.id);
            }
        }
        if (!borrowed.empty()) {
            p_out.notes.push_back("note: " + name + " is not given on " + borrowed +
                                  "; each face there takes the value of the cell beside it");
        }
        p_out.cellData.push_back(std::move(array));
    }
}

FoamBytes readWhole(std::string const& p_path)
{
    auto text = std::make_shared<std::string const>(readRegularFile(
        p_path, [](std::string_view) {}, "a Fluent file"));
    FoamBytes bytes;
    bytes.text = *text;
    bytes.owner = std::move(text);
    return foam::decompressIfNeeded(std::move(bytes), p_path);
}

bool exists(std::string const& p_path)
{
    return std::ifstream(p_path, std::ios::binary).good();
}

} // namespace

MeshData FluentReader::readText(std::string const& p_caseName, std::string_view p_case,
                                std::string const& p_dataName, std::string_view p_data)
{
    Scanner const caseFile(p_caseName, p_case);
    CaseContents contents = CaseParser(caseFile).parse();
    Assembler assembler(caseFile, contents);
    MeshData out = assembler.build();
    if (!p_dataName.empty() || !p_data.empty()) {
        Scanner const dataFile(p_dataName, p_data);
        assembler.fields(parseData(dataFile), out);
    }
    return out;
}

MeshData FluentReader::readFile(std::string const& p_case, std::string const& p_data)
{
    if (endsWith(p_case, ".h5")) {
        throw FormatError(p_case, 0, FormatError::s_noOffset,
                          "HDF5-based Fluent files (.cas.h5, .dat.h5) are not read; write the case and data "
                          "in the legacy format (.cas, .dat, optionally .gz)");
    }
    FoamBytes const caseBytes = readWhole(p_case);
    std::string const data = p_data.empty() ? defaultDataFile(p_case) : p_data;
    if (data.empty()) {
        return readText(p_case, caseBytes.text);
    }
    if (endsWith(data, ".h5")) {
        throw FormatError(data, 0, FormatError::s_noOffset,
                          "HDF5-based Fluent files (.cas.h5, .dat.h5) are not read; write the case and data "
                          "in the legacy format (.cas, .dat, optionally .gz)");
    }
    FoamBytes const dataBytes = readWhole(data);
    MeshData out = readText(p_case, caseBytes.text, data, dataBytes.text);
    if (p_data.empty()) {
        out.notes.insert(out.notes.begin(), "note: read the data file " + data);
    }
    return out;
}

std::string FluentReader::defaultDataFile(std::string const& p_case)
{
    std::string stem = p_case;
    bool const gz = endsWith(stem, ".gz");
    if (gz) {
        stem.resize(stem.size() - 3);
    }
    std::size_t const dot = stem.rfind('.');
    std::size_t const slash = stem.rfind('/');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
        stem.resize(dot);
    }
    for (std::string const& candidate : gz ? std::vector<std::string>{stem + ".dat.gz", stem + ".dat"}
                                           : std::vector<std::string>{stem + ".dat", stem + ".dat.gz"}) {
        if (candidate != p_case && exists(candidate)) {
            return candidate;
        }
    }
    return "";
}

bool FluentReader::looksLikeCase(std::string_view p_start)
{
    if (p_start.size() >= 2 && static_cast<unsigned char>(p_start[0]) == 0x1f &&
        static_cast<unsigned char>(p_start[1]) == 0x8b) {
        return true;
    }
    std::size_t pos = 0;
    while (pos < p_start.size() && isBlank(p_start[pos])) {
        ++pos;
    }
    return pos < p_start.size() && p_start[pos] == '(';
}

} // namespace zev::io
