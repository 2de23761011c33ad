#include "zev/io/GmshReader.h"

#include "zev/contracts/Undefined.h"
#include "zev/io/FileAccess.h"
#include "zev/io/FormatError.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace zev::io {

namespace {

// An element type: its node count, and the cell its first corners nodes make (gmsh lists the corners of
// a higher-order element first). Line elements become lines; point elements have no cell.
struct ElementKind {
    int type;
    int nodes;
    int corners;
    bool point;
    VtkCellType cell;
    char const* name;
};

constexpr ElementKind s_kinds[] = {
    {1, 2, 2, false, VtkCellType::Line, "line"},
    {2, 3, 3, false, VtkCellType::Triangle, "triangle"},
    {3, 4, 4, false, VtkCellType::Quad, "quadrangle"},
    {4, 4, 4, false, VtkCellType::Tetra, "tetrahedron"},
    {5, 8, 8, false, VtkCellType::Hexahedron, "hexahedron"},
    {6, 6, 6, false, VtkCellType::Wedge, "prism"},
    {7, 5, 5, false, VtkCellType::Pyramid, "pyramid"},
    {8, 3, 2, false, VtkCellType::Line, "line"},
    {9, 6, 3, false, VtkCellType::Triangle, "triangle"},
    {10, 9, 4, false, VtkCellType::Quad, "quadrangle"},
    {11, 10, 4, false, VtkCellType::Tetra, "tetrahedron"},
    {12, 27, 8, false, VtkCellType::Hexahedron, "hexahedron"},
    {13, 18, 6, false, VtkCellType::Wedge, "prism"},
    {14, 14, 5, false, VtkCellType::Pyramid, "pyramid"},
    {15, 1, 1, true, VtkCellType::Line, "point"},
    {16, 8, 4, false, VtkCellType::Quad, "quadrangle"},
    {17, 20, 8, false, VtkCellType::Hexahedron, "hexahedron"},
    {18, 15, 6, false, VtkCellType::Wedge, "prism"},
    {19, 13, 5, false, VtkCellType::Pyramid, "pyramid"},
    {20, 9, 3, false, VtkCellType::Triangle, "triangle"},
    {21, 10, 3, false, VtkCellType::Triangle, "triangle"},
    {22, 12, 3, false, VtkCellType::Triangle, "triangle"},
    {23, 15, 3, false, VtkCellType::Triangle, "triangle"},
    {24, 15, 3, false, VtkCellType::Triangle, "triangle"},
    {25, 21, 3, false, VtkCellType::Triangle, "triangle"},
    {26, 4, 2, false, VtkCellType::Line, "line"},
    {27, 5, 2, false, VtkCellType::Line, "line"},
    {28, 6, 2, false, VtkCellType::Line, "line"},
    {29, 20, 4, false, VtkCellType::Tetra, "tetrahedron"},
    {30, 35, 4, false, VtkCellType::Tetra, "tetrahedron"},
    {31, 56, 4, false, VtkCellType::Tetra, "tetrahedron"},
    {36, 16, 4, false, VtkCellType::Quad, "quadrangle"},
    {37, 25, 4, false, VtkCellType::Quad, "quadrangle"},
    {38, 36, 4, false, VtkCellType::Quad, "quadrangle"},
    {92, 64, 8, false, VtkCellType::Hexahedron, "hexahedron"},
    {93, 125, 8, false, VtkCellType::Hexahedron, "hexahedron"},
};

ElementKind const* findKind(long long p_type)
{
    for (ElementKind const& k : s_kinds) {
        if (k.type == p_type) {
            return &k;
        }
    }
    return nullptr;
}

// Sections the reader skips with a note: they describe partitions, periodicity or parametrizations,
// which the geometry has no place for.
constexpr char const* s_skippedWithNote[] = {"Periodic",      "PartitionedEntities", "Parametrizations",
                                             "GhostElements", "ElementNodeData",     "NodeDataParametric"};

struct Field {
    long long step = 0;
    DataArray array;
};

class Reader {
public:
    Reader(std::string_view p_data, std::string const& p_name) : m_data(p_data), m_name(p_name) {}

    MeshData read();

private:
    // -- where we are, and failing there
    [[noreturn]] void fail(std::string const& p_message) const
    {
        if (m_binaryFile) {
            throw FormatError(m_name, 0, m_pos, p_message);
        }
        throw FormatError(m_name, m_line, FormatError::s_noOffset, p_message);
    }
    bool atEnd()
    {
        skipSpace();
        return m_pos >= m_data.size();
    }
    void skipSpace()
    {
        while (m_pos < m_data.size() && std::strchr(" \t\r\n", m_data[m_pos]) != nullptr) {
            m_line += m_data[m_pos] == '\n' ? 1 : 0;
            ++m_pos;
        }
    }
    std::string_view token(char const* p_what)
    {
        skipSpace();
        if (m_pos >= m_data.size()) {
            fail("the file ends inside $" + m_section + " where " + p_what + " should follow");
        }
        std::size_t const start = m_pos;
        while (m_pos < m_data.size() && std::strchr(" \t\r\n", m_data[m_pos]) == nullptr) {
            ++m_pos;
        }
        return m_data.substr(start, m_pos - start);
    }
    long long integer(char const* p_what)
    {
        std::size_t const start = (skipSpace(), m_pos);
        std::string const text(token(p_what));
        char* end = nullptr;
        errno = 0;
        long long const v = std::strtoll(text.c_str(), &end, 10);
        if (end != text.c_str() + text.size() || text.empty() || errno != 0) {
            m_pos = start;
            fail(std::string(p_what) + " is not an integer: '" + text + "'");
        }
        return v;
    }
    long long count(char const* p_what)
    {
        long long const n = integer(p_what);
        if (n < 0) {
            fail(std::string(p_what) + " is negative: " + std::to_string(n));
        }
        return n;
    }
    double real(char const* p_what)
    {
        std::size_t const start = (skipSpace(), m_pos);
        std::string const text(token(p_what));
        char* end = nullptr;
        double const v = std::strtod(text.c_str(), &end);
        if (end != text.c_str() + text.size() || text.empty() || !std::isfinite(v)) {
            m_pos = start;
            fail(std::string(p_what) + " is not a finite number: '" + text + "'");
        }
        return v;
    }
    // A binary value of p_size bytes in the file's byte order.
    std::uint64_t raw(std::size_t p_size, char const* p_what)
    {
        if (m_data.size() - m_pos < p_size) {
            fail("the file ends inside $" + m_section + " where " + p_what + " should follow");
        }
        std::uint64_t v = 0;
        unsigned char const* b = reinterpret_cast<unsigned char const*>(m_data.data() + m_pos);
        for (std::size_t k = 0; k < p_size; ++k) {
            v |= static_cast<std::uint64_t>(b[m_swap ? p_size - 1 - k : k]) << (8 * k);
        }
        m_pos += p_size;
        return v;
    }
    long long binaryInt(char const* p_what)
    {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(raw(4, p_what)));
    }
    long long binarySize(char const* p_what)
    {
        std::size_t const start = m_pos;
        std::uint64_t const v = raw(m_sizeBytes, p_what);
        if (v > static_cast<std::uint64_t>(std::numeric_limits<long long>::max())) {
            m_pos = start;
            fail(std::string(p_what) + " is out of range: " + std::to_string(v));
        }
        return static_cast<long long>(v);
    }
    double binaryReal(char const* p_what)
    {
        std::size_t const start = m_pos;
        std::uint64_t const bits = raw(8, p_what);
        double v;
        std::memcpy(&v, &bits, sizeof v);
        if (!std::isfinite(v)) {
            m_pos = start;
            fail(std::string(p_what) + " is not a finite number");
        }
        return v;
    }
    // The integer kinds of the binary formats: "int" and, in version 4.1, "size_t" for counts and tags.
    long long intValue(char const* p_what) { return m_binary ? binaryInt(p_what) : integer(p_what); }
    long long sizeValue(char const* p_what)
    {
        if (!m_binary) {
            return count(p_what);
        }
        return binarySize(p_what);
    }
    double realValue(char const* p_what) { return m_binary ? binaryReal(p_what) : real(p_what); }
    // Refuses a declared count that the rest of the file cannot hold, before anything is allocated for it.
    void fits(long long p_count, std::size_t p_bytesEach, char const* p_what)
    {
        std::size_t const left = m_data.size() - m_pos;
        if (p_count > 0 &&
            static_cast<unsigned long long>(p_count) > left / std::max<std::size_t>(p_bytesEach, 1)) {
            fail("$" + m_section + " declares " + std::to_string(p_count) + " " + p_what +
                 ", more than the file holds");
        }
    }
    // Binary data starts right after the newline that ends the text before it.
    void skipLineEnd()
    {
        if (m_pos < m_data.size() && m_data[m_pos] == '\r') {
            ++m_pos;
        }
        if (m_pos < m_data.size() && m_data[m_pos] == '\n') {
            ++m_line;
            ++m_pos;
        }
    }
    // In binary sections the data ends with a newline before the closing keyword.
    void expectEnd()
    {
        std::string const end = "$End" + m_section;
        skipSpace();
        std::size_t const start = m_pos;
        std::string_view const t = m_pos < m_data.size() ? token(end.c_str()) : std::string_view();
        if (t != end) {
            m_pos = start;
            fail("expected " + end + ", not '" + std::string(t.substr(0, 40)) + "'");
        }
    }
    void skipSection()
    {
        std::string const end = "$End" + m_section;
        std::size_t at = m_pos;
        while ((at = m_data.find(end, at)) != std::string_view::npos) {
            if (at == 0 || m_data[at - 1] == '\n') {
                break;
            }
            ++at;
        }
        if (at == std::string_view::npos) {
            m_pos = m_data.size();
            fail("the file ends without " + end);
        }
        for (std::size_t k = m_pos; k < at; ++k) {
            m_line += m_data[k] == '\n' ? 1 : 0;
        }
        m_pos = at + end.size();
    }

    // -- sections
    void readFormat();
    void readPhysicalNames();
    void readEntities();
    void readNodes();
    void addNode(long long p_tag, double p_x, double p_y, double p_z);
    void readElements();
    void addElement(ElementKind const& p_kind, long long p_tag, long long const* p_nodes,
                    long long p_physical, long long p_elementary);
    void readData(bool p_nodes);
    int nodeIndex(long long p_tag, char const* p_what);
    void finish();

    std::string_view m_data;
    std::string m_name;
    std::size_t m_pos = 0;
    std::size_t m_line = 1;
    std::string m_section;
    bool m_binary = false;     // the values at hand are binary
    bool m_binaryFile = false; // a binary file's failures are placed by byte, its text sections too
    bool m_swap = false;
    bool m_version4 = false;
    std::size_t m_sizeBytes = 8;

    MeshData m_mesh;
    std::map<std::pair<int, long long>, std::string> m_physicalNames;
    std::map<std::pair<int, long long>, long long>
        m_entityPhysical; // (dimension, entity) -> first physical tag
    std::unordered_map<long long, int> m_nodeIndex;
    std::unordered_map<long long, int> m_cellIndex; // element tag -> cell, for the cells kept
    std::vector<int> m_physical, m_elementary;
    bool m_nodesRead = false;
    bool m_elementsRead = false;
    std::size_t m_points = 0, m_lines = 0, m_higherOrder = 0, m_repeated = 0;
    // Version 2.2 lists an element once per physical group it belongs to: the elements seen, by type,
    // elementary tag and nodes, so that a repetition is read once.
    std::unordered_set<std::string> m_seen;
    std::vector<Field> m_nodeFields, m_cellFields;
};

void Reader::readFormat()
{
    std::string const version(token("the version"));
    long long const fileType = integer("the file type");
    long long const dataSize = integer("the data size");
    if (version == "4.1") {
        m_version4 = true;
    } else if (version.size() < 2 || version.compare(0, 2, "2.") != 0) {
        fail("version " + version + " is not read; the versions read are 2.2 and 4.1");
    }
    if (fileType != 0 && fileType != 1) {
        fail("the file type must be 0 (ASCII) or 1 (binary), not " + std::to_string(fileType));
    }
    if (dataSize != 4 && dataSize != 8) {
        fail("the data size must be 4 or 8, not " + std::to_string(dataSize));
    }
    m_sizeBytes = static_cast<std::size_t>(dataSize);
    if (fileType == 1) {
        // The integer 1, written in the writer's byte order, right after the header line.
        skipLineEnd();
        m_binary = true;
        m_binaryFile = true;
        std::uint64_t const one = raw(4, "the byte order mark");
        if (one == 0x01000000u) {
            m_swap = true;
        } else if (one != 1) {
            m_pos -= 4;
            fail("the byte order mark is " + std::to_string(one) + ", not 1");
        }
    }
}

void Reader::readPhysicalNames()
{
    // Written as text in binary files too.
    bool const binary = m_binary;
    m_binary = false;
    long long const n = count("the number of names");
    for (long long i = 0; i < n; ++i) {
        long long const dim = integer("a physical group's dimension");
        long long const tag = integer("a physical group's tag");
        skipSpace();
        std::size_t const eol = m_data.find('\n', m_pos);
        std::string_view line = m_data.substr(m_pos, eol == std::string_view::npos ? eol : eol - m_pos);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.remove_suffix(1);
        }
        if (line.size() < 2 || line.front() != '"' || line.back() != '"') {
            fail("a physical group's name must be in double quotes");
        }
        m_physicalNames[{static_cast<int>(dim), tag}] = std::string(line.substr(1, line.size() - 2));
        m_pos += line.size();
    }
    m_binary = binary;
}

void Reader::readEntities()
{
    long long counts[4];
    for (long long& c : counts) {
        c = sizeValue("an entity count");
        fits(c, m_binary ? 4 : 2, "entities");
    }
    for (int dim = 0; dim < 4; ++dim) {
        for (long long e = 0; e < counts[dim]; ++e) {
            long long const tag = intValue("an entity tag");
            for (int k = 0; k < (dim == 0 ? 3 : 6); ++k) {
                realValue("an entity's bounding box");
            }
            long long const physicals = sizeValue("a number of physical tags");
            fits(physicals, m_binary ? 4 : 2, "physical tags");
            for (long long p = 0; p < physicals; ++p) {
                long long const physical = intValue("a physical tag");
                // gmsh gives an element one physical group; the first stands for an entity in several.
                m_entityPhysical.emplace(std::make_pair(dim, tag), std::llabs(physical));
            }
            if (dim > 0) {
                long long const bounding = sizeValue("a number of bounding entities");
                fits(bounding, m_binary ? 4 : 2, "bounding entities");
                for (long long b = 0; b < bounding; ++b) {
                    intValue("a bounding entity");
                }
            }
        }
    }
}

void Reader::addNode(long long p_tag, double p_x, double p_y, double p_z)
{
    if (!m_nodeIndex.emplace(p_tag, static_cast<int>(m_mesh.numPoints())).second) {
        fail("node " + std::to_string(p_tag) + " is given twice");
    }
    m_mesh.points.insert(m_mesh.points.end(), {p_x, p_y, p_z});
}

void Reader::readNodes()
{
    if (m_nodesRead) {
        fail("a second $Nodes section");
    }
    m_nodesRead = true;
    m_mesh.pointType = ValueType::Double;
    if (!m_version4) {
        long long const n = count("the number of nodes");
        fits(n, m_binary ? 28 : 8, "nodes");
        if (m_binary) {
            skipLineEnd();
        }
        m_mesh.points.reserve(3 * static_cast<std::size_t>(n));
        for (long long i = 0; i < n; ++i) {
            long long const tag = intValue("a node tag");
            double const x = realValue("a coordinate");
            double const y = realValue("a coordinate");
            double const z = realValue("a coordinate");
            addNode(tag, x, y, z);
        }
        return;
    }
    long long const blocks = sizeValue("the number of node blocks");
    long long const n = sizeValue("the number of nodes");
    fits(n, m_binary ? 32 : 8, "nodes");
    sizeValue("the smallest node tag");
    sizeValue("the largest node tag");
    m_mesh.points.reserve(3 * static_cast<std::size_t>(n));
    std::vector<long long> tags;
    long long total = 0;
    for (long long b = 0; b < blocks; ++b) {
        long long const dim = intValue("an entity dimension");
        intValue("an entity tag");
        long long const parametric = intValue("the parametric flag");
        long long const inBlock = sizeValue("the number of nodes in a block");
        fits(inBlock, m_binary ? 32 : 8, "nodes");
        if (dim < 0 || dim > 3 || (parametric != 0 && parametric != 1)) {
            fail("a node block of dimension " + std::to_string(dim) + " with the parametric flag " +
                 std::to_string(parametric));
        }
        total += inBlock;
        if (total > n) {
            fail("the node blocks hold more than the " + std::to_string(n) + " nodes declared");
        }
        tags.resize(static_cast<std::size_t>(inBlock));
        for (long long& t : tags) {
            t = sizeValue("a node tag");
        }
        for (long long const t : tags) {
            double const x = realValue("a coordinate");
            double const y = realValue("a coordinate");
            double const z = realValue("a coordinate");
            for (long long k = 0; k < (parametric != 0 ? dim : 0); ++k) {
                realValue("a parametric coordinate");
            }
            addNode(t, x, y, z);
        }
    }
    if (total != n) {
        fail("the node blocks hold " + std::to_string(total) + " nodes, not the " + std::to_string(n) +
             " declared");
    }
}

int Reader::nodeIndex(long long p_tag, char const* p_what)
{
    auto const found = m_nodeIndex.find(p_tag);
    if (found == m_nodeIndex.end()) {
        fail(std::string(p_what) + " names the node " + std::to_string(p_tag) +
             ", which $Nodes does not give");
    }
    return found->second;
}

void Reader::addElement(ElementKind const& p_kind, long long p_tag, long long const* p_nodes,
                        long long p_physical, long long p_elementary)
{
    std::string const what = "element " + std::to_string(p_tag);
    std::vector<int> ids(static_cast<std::size_t>(p_kind.corners));
    for (int k = 0; k < p_kind.corners; ++k) {
        ids[static_cast<std::size_t>(k)] = nodeIndex(p_nodes[k], what.c_str());
    }
    for (int k = p_kind.corners; k < p_kind.nodes; ++k) {
        nodeIndex(p_nodes[k], what.c_str());
    }
    if (!m_version4) {
        std::string key(reinterpret_cast<char const*>(p_nodes),
                        sizeof(long long) * static_cast<std::size_t>(p_kind.nodes));
        key.append(reinterpret_cast<char const*>(&p_kind.type), sizeof p_kind.type);
        key.append(reinterpret_cast<char const*>(&p_elementary), sizeof p_elementary);
        if (!m_seen.insert(std::move(key)).second) {
            ++m_repeated;
            return;
        }
    }
    if (p_kind.point) {
        ++m_points;
        return;
    }
    if (p_kind.cell == VtkCellType::Wedge) {
        // gmsh numbers a prism's triangles the other way round from a wedge cell: its first triangle's
        // normal points towards the second triangle.
        std::swap(ids[1], ids[2]);
        std::swap(ids[4], ids[5]);
    }
    if (p_kind.nodes != p_kind.corners) {
        ++m_higherOrder;
    }
    if (p_kind.cell == VtkCellType::Line) {
        ++m_lines;
    }
    if (!m_cellIndex.emplace(p_tag, static_cast<int>(m_mesh.numCells())).second) {
        fail("element " + std::to_string(p_tag) + " is given twice");
    }
    if (p_physical < INT32_MIN || p_physical > INT32_MAX || p_elementary < INT32_MIN ||
        p_elementary > INT32_MAX) {
        fail(what + " has a tag outside the int range");
    }
    m_mesh.addCell(p_kind.cell, ids);
    m_physical.push_back(static_cast<int>(p_physical));
    m_elementary.push_back(static_cast<int>(p_elementary));
}

void Reader::readElements()
{
    if (!m_nodesRead) {
        fail("$Elements comes before $Nodes");
    }
    if (m_elementsRead) {
        fail("a second $Elements section");
    }
    m_elementsRead = true;
    std::vector<long long> nodes;
    auto kindOf = [&](long long p_type) {
        ElementKind const* kind = findKind(p_type);
        if (kind == nullptr) {
            fail("the element type " + std::to_string(p_type) + " is not read");
        }
        return kind;
    };
    if (!m_version4) {
        long long const n = count("the number of elements");
        fits(n, m_binary ? 12 : 8, "elements");
        if (!m_binary) {
            for (long long i = 0; i < n; ++i) {
                long long const tag = integer("an element tag");
                ElementKind const* kind = kindOf(integer("an element type"));
                long long const numTags = count("the number of tags");
                fits(numTags, 2, "tags");
                long long physical = 0, elementary = 0;
                for (long long t = 0; t < numTags; ++t) {
                    long long const v = integer("a tag");
                    physical = t == 0 ? v : physical;
                    elementary = t == 1 ? v : elementary;
                }
                nodes.resize(static_cast<std::size_t>(kind->nodes));
                for (long long& v : nodes) {
                    v = integer("a node tag");
                }
                addElement(*kind, tag, nodes.data(), physical, elementary);
            }
            return;
        }
        skipLineEnd();
        long long done = 0;
        while (done < n) {
            ElementKind const* kind = kindOf(binaryInt("an element type"));
            long long const inBlock = binaryInt("the number of elements in a block");
            long long const numTags = binaryInt("the number of tags");
            if (inBlock <= 0 || inBlock > n - done || numTags < 0) {
                m_pos -= 8;
                fail("a block of " + std::to_string(inBlock) + " elements with " + std::to_string(numTags) +
                     " tags, where " + std::to_string(n - done) + " elements are left");
            }
            fits(inBlock, 4 * static_cast<std::size_t>(1 + numTags + kind->nodes), "elements");
            nodes.resize(static_cast<std::size_t>(kind->nodes));
            for (long long i = 0; i < inBlock; ++i) {
                long long const tag = binaryInt("an element tag");
                long long physical = 0, elementary = 0;
                for (long long t = 0; t < numTags; ++t) {
                    long long const v = binaryInt("a tag");
                    physical = t == 0 ? v : physical;
                    elementary = t == 1 ? v : elementary;
                }
                for (long long& v : nodes) {
                    v = binaryInt("a node tag");
                }
                addElement(*kind, tag, nodes.data(), physical, elementary);
            }
            done += inBlock;
        }
        return;
    }
    long long const blocks = sizeValue("the number of element blocks");
    long long const n = sizeValue("the number of elements");
    fits(n, m_binary ? 16 : 4, "elements");
    sizeValue("the smallest element tag");
    sizeValue("the largest element tag");
    long long total = 0;
    for (long long b = 0; b < blocks; ++b) {
        long long const dim = intValue("an entity dimension");
        long long const entity = intValue("an entity tag");
        ElementKind const* kind = kindOf(intValue("an element type"));
        long long const inBlock = sizeValue("the number of elements in a block");
        fits(inBlock, (m_binary ? m_sizeBytes : 2) * static_cast<std::size_t>(1 + kind->nodes), "elements");
        total += inBlock;
        if (total > n) {
            fail("the element blocks hold more than the " + std::to_string(n) + " elements declared");
        }
        auto const physical = m_entityPhysical.find({static_cast<int>(dim), entity});
        long long const group = physical == m_entityPhysical.end() ? 0 : physical->second;
        nodes.resize(static_cast<std::size_t>(kind->nodes));
        for (long long i = 0; i < inBlock; ++i) {
            long long const tag = sizeValue("an element tag");
            for (long long& v : nodes) {
                v = sizeValue("a node tag");
            }
            addElement(*kind, tag, nodes.data(), group, entity);
        }
    }
    if (total != n) {
        fail("the element blocks hold " + std::to_string(total) + " elements, not the " + std::to_string(n) +
             " declared");
    }
}

void Reader::readData(bool p_nodes)
{
    if (!(p_nodes ? m_nodesRead : m_elementsRead)) {
        fail("$" + m_section + " comes before $" + (p_nodes ? "Nodes" : "Elements"));
    }
    // The tags are text in binary files too; the values follow in binary.
    bool const binary = m_binary;
    m_binary = false;
    long long const numStrings = count("the number of string tags");
    std::string name;
    for (long long i = 0; i < numStrings; ++i) {
        skipSpace();
        std::size_t const eol = m_data.find('\n', m_pos);
        std::string_view line = m_data.substr(m_pos, eol == std::string_view::npos ? eol : eol - m_pos);
        m_pos += line.size();
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.remove_suffix(1);
        }
        if (line.size() >= 2 && line.front() == '"' && line.back() == '"') {
            line = line.substr(1, line.size() - 2);
        }
        name = i == 0 ? std::string(line) : name;
    }
    if (name.empty()) {
        fail("$" + m_section + " gives no field name");
    }
    long long const numReals = count("the number of real tags");
    fits(numReals, 2, "real tags");
    for (long long i = 0; i < numReals; ++i) {
        real("a real tag");
    }
    long long const numInts = count("the number of integer tags");
    fits(numInts, 2, "integer tags");
    long long ints[3] = {0, 1, 0};
    for (long long i = 0; i < numInts; ++i) {
        long long const v = integer("an integer tag");
        if (i < 3) {
            ints[i] = v;
        }
    }
    if (numInts < 3) {
        fail("$" + m_section + " needs the time step, the number of components and the number of values");
    }
    long long const step = ints[0], components = ints[1], n = ints[2];
    if (components < 1 || components > 9) {
        fail("a field of " + std::to_string(components) + " components");
    }
    if (n < 0) {
        fail("a field of " + std::to_string(n) + " values");
    }
    m_binary = binary;
    if (m_binary) {
        skipLineEnd();
    }
    fits(n, m_binary ? 4 + 8 * static_cast<std::size_t>(components) : 2, "values");

    std::size_t const size = p_nodes ? m_mesh.numPoints() : m_mesh.numCells();
    std::vector<Field>& fields = p_nodes ? m_nodeFields : m_cellFields;
    auto found =
        std::find_if(fields.begin(), fields.end(), [&](Field const& f) { return f.array.name == name; });
    Field* field = nullptr;
    if (found == fields.end() || step > found->step) {
        if (found == fields.end()) {
            fields.emplace_back();
            found = fields.end() - 1;
        }
        field = &*found;
        field->step = step;
        field->array = DataArray();
        field->array.name = name;
        field->array.numComponents = static_cast<int>(components);
        field->array.type = ValueType::Double;
        field->array.role = ArrayRole::Field;
        field->array.values.assign(size * static_cast<std::size_t>(components), double(zev::ZEV_UNDEF));
    } else if (step == found->step) {
        // One step written in pieces (one per partition) fills one array.
        field = &*found;
        if (field->array.numComponents != components) {
            fail("the field '" + name + "' has " + std::to_string(field->array.numComponents) +
                 " components at this time step elsewhere, not " + std::to_string(components));
        }
    }
    for (long long i = 0; i < n; ++i) {
        long long const tag = intValue("an entity tag");
        std::size_t index = 0;
        bool keep = field != nullptr;
        if (p_nodes) {
            index = static_cast<std::size_t>(nodeIndex(tag, ("the field '" + name + "'").c_str()));
        } else {
            auto const cell = m_cellIndex.find(tag);
            if (cell == m_cellIndex.end()) {
                // Values of point elements have no cell; any other tag is no element of the file.
                keep = false;
            } else {
                index = static_cast<std::size_t>(cell->second);
            }
        }
        for (long long c = 0; c < components; ++c) {
            double const v = realValue("a value");
            if (keep) {
                field->array
                    .values[index * static_cast<std::size_t>(components) + static_cast<std::size_t>(c)] = v;
            }
        }
    }
}

void Reader::finish()
{
    // A higher-order mesh keeps only its corners: the mid-side nodes no cell uses are dropped.
    if (m_higherOrder > 0) {
        std::vector<int> newIndex(m_mesh.numPoints(), -1);
        for (int id : m_mesh.connectivity) {
            newIndex[static_cast<std::size_t>(id)] = 0;
        }
        int next = 0;
        std::vector<double> points;
        for (std::size_t i = 0; i < newIndex.size(); ++i) {
            if (newIndex[i] == 0) {
                newIndex[i] = next++;
                points.insert(points.end(), m_mesh.points.begin() + 3 * i, m_mesh.points.begin() + 3 * i + 3);
            }
        }
        for (int& id : m_mesh.connectivity) {
            id = newIndex[static_cast<std::size_t>(id)];
        }
        for (Field& f : m_nodeFields) {
            std::size_t const k = static_cast<std::size_t>(f.array.numComponents);
            std::vector<double> values;
            values.reserve(static_cast<std::size_t>(next) * k);
            for (std::size_t i = 0; i < newIndex.size(); ++i) {
                if (newIndex[i] >= 0) {
                    values.insert(values.end(), f.array.values.begin() + i * k,
                                  f.array.values.begin() + (i + 1) * k);
                }
            }
            f.array.values = std::move(values);
        }
        m_mesh.points = std::move(points);
        m_mesh.notes.push_back("warning: " + m_name + ": " + std::to_string(m_higherOrder) +
                               " higher-order elements are read as their corner cells; their mid-side nodes "
                               "were dropped");
    }
    if (m_repeated > 0) {
        m_mesh.notes.push_back(
            "note: " + m_name + ": " + std::to_string(m_repeated) +
            " elements listed again for another physical group are read once, in the first");
    }
    if (m_points > 0) {
        m_mesh.notes.push_back("note: " + m_name + ": " + std::to_string(m_points) +
                               " point elements are skipped");
    }
    if (m_lines > 0) {
        m_mesh.notes.push_back("note: " + m_name + ": " + std::to_string(m_lines) +
                               " line elements are read as the geometry's lines");
    }

    DataArray physical, elementary;
    physical.name = GmshReader::s_physicalArray;
    elementary.name = GmshReader::s_elementaryArray;
    for (DataArray* a : {&physical, &elementary}) {
        a->type = ValueType::Int;
        a->role = ArrayRole::Scalars;
    }
    physical.values.assign(m_physical.begin(), m_physical.end());
    elementary.values.assign(m_elementary.begin(), m_elementary.end());
    m_mesh.cellData.push_back(std::move(physical));
    m_mesh.cellData.push_back(std::move(elementary));
    for (Field& f : m_cellFields) {
        if (f.array.name != GmshReader::s_physicalArray && f.array.name != GmshReader::s_elementaryArray) {
            m_mesh.cellData.push_back(std::move(f.array));
        }
    }
    for (Field& f : m_nodeFields) {
        m_mesh.pointData.push_back(std::move(f.array));
    }

    m_mesh.regionArray = GmshReader::s_physicalArray;
    for (auto const& [key, name] : m_physicalNames) {
        m_mesh.regionLabels[key] = name;
    }
}

MeshData Reader::read()
{
    m_mesh.title = m_name;
    bool first = true;
    while (!atEnd()) {
        std::size_t const start = m_pos;
        std::string_view const t = token("a section");
        if (t.size() < 2 || t[0] != '$') {
            m_pos = start;
            fail("expected a section such as $Nodes, not '" + std::string(t.substr(0, 40)) + "'");
        }
        m_section = std::string(t.substr(1));
        if (first && m_section != "MeshFormat") {
            m_pos = start;
            fail("not a gmsh mesh file: it does not start with $MeshFormat");
        }
        first = false;
        if (m_binary && m_version4 &&
            (m_section == "Entities" || m_section == "Nodes" || m_section == "Elements")) {
            skipLineEnd();
        }
        if (m_section == "MeshFormat") {
            readFormat();
        } else if (m_section == "PhysicalNames") {
            readPhysicalNames();
        } else if (m_section == "Entities" && m_version4) {
            readEntities();
        } else if (m_section == "Nodes") {
            readNodes();
        } else if (m_section == "Elements") {
            readElements();
        } else if (m_section == "NodeData" || m_section == "ElementData") {
            readData(m_section == "NodeData");
        } else {
            bool const noted = std::any_of(std::begin(s_skippedWithNote), std::end(s_skippedWithNote),
                                           [&](char const* p_name) { return m_section == p_name; });
            if (noted) {
                m_mesh.notes.push_back("note: " + m_name + ": the $" + m_section + " section is skipped");
            }
            skipSection();
            continue;
        }
        expectEnd();
    }
    if (first) {
        fail("not a gmsh mesh file: it does not start with $MeshFormat");
    }
    if (!m_nodesRead || !m_elementsRead) {
        fail(std::string("the file has no $") + (m_nodesRead ? "Elements" : "Nodes") + " section");
    }
    finish();
    return std::move(m_mesh);
}

} // namespace

MeshData GmshReader::readFile(std::string const& p_path)
{
    std::string const data = readRegularFile(p_path, [](std::string_view) {});
    return readBuffer(data, p_path);
}

MeshData GmshReader::readBuffer(std::string_view p_data, std::string const& p_name)
{
    return Reader(p_data, p_name).read();
}

} // namespace zev::io
