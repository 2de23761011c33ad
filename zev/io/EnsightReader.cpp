#include "zev/io/EnsightReader.h"

#include "zev/io/EnsightCase.h"
#include "zev/io/EnsightFile.h"
#include "zev/io/FaceCells.h"
#include "zev/io/FileAccess.h"
#include "zev/io/FormatError.h"
#include "zev/io/TextScan.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <cmath>
#include <sstream>

namespace zev::io {

namespace {

// The library's undefined value, and the largest coordinate its single-precision vertices hold.
constexpr double s_undefined = 3.4028235e38;

// An element type of fixed size: its node count, the corners kept and the order VTK wants them in.
struct ElementType {
    char const* name;
    int nodes;
    int corners;
    VtkCellType type;
    bool skipped;     // point elements: the tool has no vertex cells
    bool secondOrder; // read as the linear cell of its corners
    std::array<int, 8> order;
};

constexpr std::array<int, 8> s_identity = {0, 1, 2, 3, 4, 5, 6, 7};
// A prism's first triangle runs the other way round in VTK's order.
constexpr std::array<int, 8> s_prism = {0, 2, 1, 3, 5, 4, 6, 7};

constexpr ElementType s_types[] = {
    {"point", 1, 1, VtkCellType::Line, true, false, s_identity},
    {"bar2", 2, 2, VtkCellType::Line, false, false, s_identity},
    {"bar3", 3, 2, VtkCellType::Line, false, true, s_identity},
    {"tria3", 3, 3, VtkCellType::Triangle, false, false, s_identity},
    {"tria6", 6, 3, VtkCellType::Triangle, false, true, s_identity},
    {"quad4", 4, 4, VtkCellType::Quad, false, false, s_identity},
    {"quad8", 8, 4, VtkCellType::Quad, false, true, s_identity},
    {"tetra4", 4, 4, VtkCellType::Tetra, false, false, s_identity},
    {"tetra10", 10, 4, VtkCellType::Tetra, false, true, s_identity},
    {"pyramid5", 5, 5, VtkCellType::Pyramid, false, false, s_identity},
    {"pyramid13", 13, 5, VtkCellType::Pyramid, false, true, s_identity},
    {"penta6", 6, 6, VtkCellType::Wedge, false, false, s_prism},
    {"penta15", 15, 6, VtkCellType::Wedge, false, true, s_prism},
    {"hexa8", 8, 8, VtkCellType::Hexahedron, false, false, s_identity},
    {"hexa20", 20, 8, VtkCellType::Hexahedron, false, true, s_identity},
};

ElementType const* typeNamed(std::string const& p_name)
{
    for (ElementType const& t : s_types) {
        if (p_name == t.name) {
            return &t;
        }
    }
    return nullptr;
}

// One element type's block of a part: its elements' cells follow one another from firstCell.
struct Block {
    std::string type;
    std::size_t count = 0;
    std::size_t firstCell = 0;
    bool kept = true;
};

struct Part {
    int number = 0;
    std::string name;
    std::size_t firstPoint = 0;
    std::size_t numPoints = 0;
    std::vector<Block> blocks;
    bool volume = false;
    bool surface = false;
};

std::string lastWord(std::string const& p_text)
{
    std::size_t const space = p_text.rfind(' ');
    return space == std::string::npos ? p_text : p_text.substr(space + 1);
}

// The id mode of a header line "node id given" / "element id off".
bool idsPresent(EnsightFile& p_file, std::string const& p_line, char const* p_which)
{
    if (p_line.compare(0, std::string(p_which).size(), p_which) != 0) {
        p_file.fail("'" + printable(p_line) + "' where the " + p_which + " line belongs");
    }
    std::string const mode = lastWord(p_line);
    if (mode == "given" || mode == "ignore") {
        return true;
    }
    if (mode == "off" || mode == "assign") {
        return false;
    }
    p_file.fail(std::string("the ") + p_which + " mode is '" + printable(mode) +
                "', not off, given, assign or ignore");
}

void skipIds(EnsightFile& p_file, long long p_count, char const* p_what)
{
    p_file.checkCount(p_count, 1, p_what);
    for (long long i = 0; i < p_count; ++i) {
        p_file.integer(p_what);
    }
}

class GeometryReader {
public:
    GeometryReader(EnsightFile& p_file, MeshData& p_out, std::vector<Part>& p_parts)
        : m_file(p_file), m_out(p_out), m_parts(p_parts)
    {
    }

    void read();

private:
    void readBlock(Part& p_part, std::string const& p_type);
    // The node numbers of p_count elements' nodes, checked to lie in the part and made global.
    void nodes(Part const& p_part, std::size_t p_count, std::vector<int>& p_out, char const* p_type);

    EnsightFile& m_file;
    MeshData& m_out;
    std::vector<Part>& m_parts;
    bool m_nodeIds = false;
    bool m_elementIds = false;
    std::size_t m_ghosts = 0;
};

void GeometryReader::read()
{
    m_file.line("the first description line");
    m_file.line("the second description line");
    m_nodeIds = idsPresent(m_file, m_file.keyword(), "node id");
    m_elementIds = idsPresent(m_file, m_file.keyword(), "element id");
    std::string keyword = m_file.keyword();
    if (keyword == "extents") {
        double extents[6];
        m_file.floats(6, extents, 1, "the extents");
        keyword = m_file.keyword();
    }
    while (keyword == "part") {
        Part part;
        long long const number = m_file.integer("the part number");
        if (number < 1 || number > INT_MAX) {
            m_file.fail("the part number " + std::to_string(number) + " is not positive");
        }
        part.number = static_cast<int>(number);
        for (Part const& p : m_parts) {
            if (p.number == part.number) {
                m_file.fail("the part " + std::to_string(number) + " comes twice");
            }
        }
        part.name = m_file.line("the part's description");
        keyword = m_file.keyword();
        if (keyword.compare(0, 5, "block") == 0) {
            m_file.fail("part " + std::to_string(number) +
                        " is a structured block; only unstructured parts are read");
        }
        if (keyword != "coordinates") {
            m_file.fail("'" + printable(keyword) + "' where part " + std::to_string(number) +
                        "'s coordinates belong");
        }
        long long const count = m_file.integer("the node count");
        m_file.checkCount(count, m_nodeIds ? 4 : 3, "nodes");
        if (m_nodeIds) {
            skipIds(m_file, count, "a node id");
        }
        part.firstPoint = m_out.points.size() / 3;
        part.numPoints = static_cast<std::size_t>(count);
        if (m_out.points.size() / 3 + part.numPoints > static_cast<std::size_t>(INT_MAX)) {
            m_file.fail("the parts have more than " + std::to_string(INT_MAX) + " nodes");
        }
        m_out.points.resize(m_out.points.size() + 3 * part.numPoints);
        // A part may have no nodes, and the point array then no storage yet.
        double* const xyz = part.numPoints > 0 ? m_out.points.data() + 3 * part.firstPoint : nullptr;
        for (std::size_t c = 0; c < 3 && xyz != nullptr; ++c) {
            m_file.floats(part.numPoints, xyz + c, 3, "a coordinate");
        }
        for (std::size_t i = 0; i < 3 * part.numPoints; ++i) {
            if (!(std::fabs(xyz[i]) < s_undefined)) {
                m_file.fail("node " + std::to_string(i / 3 + 1) + " of part " + std::to_string(number) +
                            " has a coordinate out of range");
            }
        }
        keyword = m_file.keyword();
        while (!keyword.empty() && keyword != "part") {
            readBlock(part, keyword);
            keyword = m_file.keyword();
        }
        m_parts.push_back(std::move(part));
    }
    if (!keyword.empty()) {
        m_file.fail("'" + printable(keyword) + "' where a part belongs");
    }
    if (m_ghosts > 0) {
        m_out.notes.push_back("note: " + std::to_string(m_ghosts) + " ghost element" +
                              (m_ghosts == 1 ? "" : "s") + " skipped");
    }
}

void GeometryReader::nodes(Part const& p_part, std::size_t p_count, std::vector<int>& p_out,
                           char const* p_type)
{
    std::size_t const start = p_out.size();
    m_file.integers(p_count, p_out, "a node number");
    for (std::size_t i = start; i < p_out.size(); ++i) {
        int& n = p_out[i];
        if (n < 1 || static_cast<std::size_t>(n) > p_part.numPoints) {
            m_file.fail(std::string("a ") + p_type + " element of part " + std::to_string(p_part.number) +
                        " names node " + std::to_string(n) + " of " + std::to_string(p_part.numPoints));
        }
        n += static_cast<int>(p_part.firstPoint) - 1;
    }
}

void GeometryReader::readBlock(Part& p_part, std::string const& p_type)
{
    // Ghost elements ("g_" and a type) are another process's cells next to this part: read and dropped.
    bool const ghost = p_type.compare(0, 2, "g_") == 0;
    std::string const base = ghost ? p_type.substr(2) : p_type;
    MeshData::ReadChanges const changes = m_out.readChanges;
    ElementType const* const type = typeNamed(base);
    bool const nsided = base == "nsided";
    bool const nfaced = base == "nfaced";
    if (type == nullptr && !nsided && !nfaced) {
        m_file.fail("part " + std::to_string(p_part.number) + " has elements of the unknown type '" +
                    printable(p_type) + "'");
    }
    for (Block const& b : p_part.blocks) {
        if (b.type == p_type) {
            m_file.fail("part " + std::to_string(p_part.number) + " has two " + p_type + " blocks");
        }
    }
    long long const count = m_file.integer("the element count");
    m_file.checkCount(count, 1, "elements");
    if (static_cast<unsigned long long>(count) + m_out.numCells() >
        static_cast<unsigned long long>(INT_MAX)) {
        m_file.fail("the parts have more than " + std::to_string(INT_MAX) + " elements");
    }
    if (m_elementIds) {
        skipIds(m_file, count, "an element id");
    }
    Block block;
    block.type = p_type;
    block.count = static_cast<std::size_t>(count);
    block.firstCell = m_out.numCells();
    std::size_t const n = block.count;
    char const* const name = p_type.c_str();
    std::vector<int> ids;
    if (type != nullptr) {
        m_file.checkCount(count, static_cast<std::size_t>(type->nodes), "elements");
        nodes(p_part, n * static_cast<std::size_t>(type->nodes), ids, name);
        if (type->skipped) {
            block.kept = false;
            m_out.readChanges.vertices += n;
        } else {
            if (type->secondOrder) {
                m_out.readChanges.secondOrder += n;
            }
            m_out.cellTypes.insert(m_out.cellTypes.end(), n, type->type);
            m_out.connectivity.reserve(m_out.connectivity.size() +
                                       n * static_cast<std::size_t>(type->corners));
            for (std::size_t e = 0; e < n; ++e) {
                int const* element = ids.data() + e * static_cast<std::size_t>(type->nodes);
                for (int c = 0; c < type->corners; ++c) {
                    m_out.connectivity.push_back(element[type->order[static_cast<std::size_t>(c)]]);
                }
                m_out.offsets.push_back(m_out.connectivity.size());
            }
        }
    } else {
        // nsided: a corner count per element, then the corners; nfaced: a face count per element, a
        // corner count per face, then the faces' corners.
        std::vector<int> sizes;
        m_file.integers(n, sizes, nsided ? "a polygon's corner count" : "a polyhedron's face count");
        long long total = 0;
        for (std::size_t e = 0; e < n; ++e) {
            int const minimum = nsided ? 3 : 4;
            if (sizes[e] < minimum) {
                m_file.fail(p_type + " element " + std::to_string(e + 1) + " of part " +
                            std::to_string(p_part.number) + " has " + std::to_string(sizes[e]) +
                            (nsided ? " corners" : " faces"));
            }
            total += sizes[e];
        }
        m_file.checkCount(total, 1, nsided ? "corners" : "faces");
        if (nsided) {
            nodes(p_part, static_cast<std::size_t>(total), ids, name);
            std::size_t at = 0;
            for (std::size_t e = 0; e < n; ++e) {
                m_out.cellTypes.push_back(VtkCellType::Polygon);
                m_out.connectivity.insert(m_out.connectivity.end(),
                                          ids.begin() + static_cast<std::ptrdiff_t>(at),
                                          ids.begin() + static_cast<std::ptrdiff_t>(at) + sizes[e]);
                at += static_cast<std::size_t>(sizes[e]);
                m_out.offsets.push_back(m_out.connectivity.size());
            }
        } else {
            std::vector<int> faceSizes;
            m_file.integers(static_cast<std::size_t>(total), faceSizes, "a face's corner count");
            std::vector<int> faceOffsets{0};
            std::vector<int> owner;
            faceOffsets.reserve(faceSizes.size() + 1);
            owner.reserve(faceSizes.size());
            long long corners = 0;
            std::size_t face = 0;
            for (std::size_t e = 0; e < n; ++e) {
                for (int f = 0; f < sizes[e]; ++f, ++face) {
                    if (faceSizes[face] < 3) {
                        m_file.fail("a face of nfaced element " + std::to_string(e + 1) + " of part " +
                                    std::to_string(p_part.number) + " has " +
                                    std::to_string(faceSizes[face]) + " corners");
                    }
                    corners += faceSizes[face];
                    if (corners > INT_MAX) {
                        m_file.fail("the nfaced elements have more than " + std::to_string(INT_MAX) +
                                    " corners");
                    }
                    faceOffsets.push_back(static_cast<int>(corners));
                    owner.push_back(static_cast<int>(e));
                }
            }
            m_file.checkCount(corners, 1, "face corners");
            nodes(p_part, static_cast<std::size_t>(corners), ids, name);
            std::vector<int> const neighbour;
            FaceCells const cells{faceOffsets,        ids, owner, neighbour, m_out.points.size() / 3,
                                  static_cast<int>(n)};
            cells.appendCells(m_out); // every element has four faces or more
        }
    }
    if (ghost) {
        m_out.cellTypes.resize(block.firstCell);
        m_out.offsets.resize(block.firstCell + 1);
        m_out.connectivity.resize(m_out.offsets.back());
        m_out.readChanges = changes;
        block.kept = false;
        m_ghosts += n;
    }
    for (std::size_t c = block.firstCell; c < m_out.numCells(); ++c) {
        p_part.volume = p_part.volume || isVolumeCell(m_out.cellTypes[c]);
        p_part.surface = p_part.surface || isSurfaceCell(m_out.cellTypes[c]);
    }
    p_part.blocks.push_back(block);
}

// Reads one variable file into p_array, whose values start undefined.
class VariableReader {
public:
    VariableReader(EnsightFile& p_file, std::vector<Part> const& p_parts, bool p_perNode, DataArray& p_array)
        : m_file(p_file), m_parts(p_parts), m_perNode(p_perNode), m_array(p_array)
    {
    }

    void read();

private:
    // The values of p_count nodes or elements from p_first (nowhere when !p_kept), after a keyword whose
    // last word may be "partial" or "undef".
    void values(std::string const& p_keyword, std::size_t p_count, std::size_t p_first, bool p_kept);

    EnsightFile& m_file;
    std::vector<Part> const& m_parts;
    bool m_perNode;
    DataArray& m_array;
};

void VariableReader::read()
{
    m_file.line("the description");
    std::string keyword = m_file.keyword();
    while (keyword == "part") {
        long long const number = m_file.integer("the part number");
        Part const* part = nullptr;
        for (Part const& p : m_parts) {
            part = p.number == number ? &p : part;
        }
        if (part == nullptr) {
            m_file.fail("the geometry has no part " + std::to_string(number));
        }
        keyword = m_file.keyword();
        if (m_perNode) {
            if (keyword.compare(0, 11, "coordinates") != 0) {
                m_file.fail("'" + printable(keyword) + "' where part " + std::to_string(number) +
                            "'s node values belong");
            }
            values(keyword, part->numPoints, part->firstPoint, true);
            keyword = m_file.keyword();
            continue;
        }
        while (!keyword.empty() && keyword != "part") {
            std::string const type = keyword.substr(0, keyword.find(' '));
            Block const* block = nullptr;
            for (Block const& b : part->blocks) {
                block = b.type == type ? &b : block;
            }
            if (block == nullptr) {
                m_file.fail("part " + std::to_string(number) + " has no " + printable(type) + " elements");
            }
            values(keyword, block->count, block->firstCell, block->kept);
            keyword = m_file.keyword();
        }
    }
    if (!keyword.empty()) {
        m_file.fail("'" + printable(keyword) + "' where a part belongs");
    }
}

void VariableReader::values(std::string const& p_keyword, std::size_t p_count, std::size_t p_first,
                            bool p_kept)
{
    std::size_t const space = p_keyword.find(' ');
    std::string const modifier = space == std::string::npos ? "" : lastWord(p_keyword);
    bool const undef = modifier == "undef";
    bool const partial = modifier == "partial";
    if (!modifier.empty() && !undef && !partial) {
        m_file.fail("'" + printable(p_keyword) + "' has '" + printable(modifier) + "', not partial or undef");
    }
    double const undefined = undef ? m_file.real("the undefined value") : 0.0;
    std::vector<int> indices;
    std::size_t n = p_count;
    if (partial) {
        long long const given = m_file.integer("the count of partial values");
        if (given < 0 || static_cast<std::size_t>(given) > p_count) {
            m_file.fail("the partial values are " + std::to_string(given) + " of " + std::to_string(p_count));
        }
        n = static_cast<std::size_t>(given);
        m_file.integers(n, indices, "a partial value's index");
        for (int& i : indices) {
            if (i < 1 || static_cast<std::size_t>(i) > p_count) {
                m_file.fail("a partial value's index is " + std::to_string(i) + ", not 1 to " +
                            std::to_string(p_count));
            }
            --i;
        }
    }
    std::size_t const components = static_cast<std::size_t>(m_array.numComponents);
    m_file.checkCount(static_cast<long long>(n), components, "values");
    for (std::size_t c = 0; c < components; ++c) {
        for (std::size_t i = 0; i < n; ++i) {
            double const v = m_file.real("a value");
            if (!p_kept || (undef && v == undefined)) {
                continue;
            }
            std::size_t const at = p_first + (partial ? static_cast<std::size_t>(indices[i]) : i);
            m_array.values[at * components + c] = std::fabs(v) < s_undefined ? v : s_undefined;
        }
    }
}

std::string timeText(double p_time)
{
    std::ostringstream out;
    out << p_time;
    return out.str();
}

bool parseTime(std::string const& p_text, double& p_value)
{
    auto const result = std::from_chars(p_text.data(), p_text.data() + p_text.size(), p_value);
    return !p_text.empty() && result.ec == std::errc() && result.ptr == p_text.data() + p_text.size();
}

class CaseReader {
public:
    CaseReader(EnsightReader::Source const& p_source) : m_source(p_source) {}

    MeshData read(EnsightReader::TimeChoice const& p_time);

private:
    std::string load(std::string const& p_relative) const
    {
        std::string bytes;
        if (!m_source.read(p_relative, bytes)) {
            throw FormatError(m_source.nameOf(p_relative), 0, FormatError::s_noOffset,
                              "the case's file is missing");
        }
        return bytes;
    }
    void chooseTime(EnsightReader::TimeChoice const& p_time);
    // The step of p_timeSet at the chosen time: its last step not after it.
    std::size_t stepOf(int p_timeSet) const;

    EnsightReader::Source const& m_source;
    EnsightCase m_case;
    bool m_timed = false;
    double m_time = 0;
};

void CaseReader::chooseTime(EnsightReader::TimeChoice const& p_time)
{
    using Kind = EnsightReader::TimeChoice::Kind;
    std::vector<double> times;
    for (auto const& [id, set] : m_case.timeSets) {
        times.insert(times.end(), set.values.begin(), set.values.end());
    }
    std::sort(times.begin(), times.end());
    times.erase(std::unique(times.begin(), times.end()), times.end());
    if (p_time.kind == Kind::Value) {
        double wanted = 0;
        bool const numeric = parseTime(p_time.value, wanted);
        for (double t : times) {
            if (numeric && std::fabs(t - wanted) <= 1e-9 * std::max(std::fabs(t), std::fabs(wanted))) {
                m_timed = true;
                m_time = t;
            }
        }
        if (!m_timed) {
            std::string offered;
            for (std::size_t i = 0; i < times.size() && i < 10; ++i) {
                offered += (i > 0 ? ", " : "") + timeText(times[i]);
            }
            throw SelectionError("no time '" + printable(p_time.value) + "' in " +
                                 m_source.nameOf(m_source.caseFile) + " (times: " + offered +
                                 (times.size() > 10 ? ", ..." : "") + ")");
        }
    } else if (!times.empty()) {
        m_timed = true;
        m_time = p_time.kind == Kind::First ? times.front() : times.back();
    }
    if (times.size() > 1) {
        m_case.notes.push_back("note: read the time " + timeText(m_time) + " of the " +
                               std::to_string(times.size()) + " time values " + timeText(times.front()) +
                               " to " + timeText(times.back()));
    }
}

std::size_t CaseReader::stepOf(int p_timeSet) const
{
    auto const set = m_case.timeSets.find(p_timeSet);
    if (!m_timed || set == m_case.timeSets.end()) {
        return 0;
    }
    std::size_t step = 0;
    for (std::size_t i = 0; i < set->second.values.size(); ++i) {
        if (set->second.values[i] <= m_time + 1e-9 * std::fabs(m_time)) {
            step = i;
        }
    }
    return step;
}

MeshData CaseReader::read(EnsightReader::TimeChoice const& p_time)
{
    m_case = EnsightCase::parse(m_source.nameOf(m_source.caseFile), load(m_source.caseFile));
    chooseTime(p_time);

    MeshData out;
    out.title = m_source.nameOf(m_source.caseFile);
    out.pointType = ValueType::Float;
    std::vector<Part> parts;
    std::size_t const step = stepOf(m_case.geometry.timeSet);
    std::size_t const connectivityStep =
        m_case.changeCoordsOnly ? static_cast<std::size_t>(std::max(0, m_case.connectivityStep)) : step;
    std::string const geometryName = m_case.fileAt(m_case.geometry, connectivityStep);
    EnsightFile geometry(m_source.nameOf(geometryName), load(geometryName), EnsightFile::Encoding::Detect);
    GeometryReader(geometry, out, parts).read();
    if (connectivityStep != step) {
        // Only the coordinates change: the step's own file gives each part's nodes anew.
        std::string const coordinatesName = m_case.fileAt(m_case.geometry, step);
        EnsightFile file(m_source.nameOf(coordinatesName), load(coordinatesName),
                         EnsightFile::Encoding::Detect);
        MeshData moved;
        std::vector<Part> movedParts;
        GeometryReader(file, moved, movedParts).read();
        for (Part const& p : parts) {
            Part const* q = nullptr;
            for (Part const& m : movedParts) {
                q = m.number == p.number ? &m : q;
            }
            if (q == nullptr || q->numPoints != p.numPoints) {
                file.fail("part " + std::to_string(p.number) + " does not have its " +
                          std::to_string(p.numPoints) + " nodes");
            }
            std::copy_n(moved.points.begin() + static_cast<std::ptrdiff_t>(3 * q->firstPoint),
                        3 * p.numPoints, out.points.begin() + static_cast<std::ptrdiff_t>(3 * p.firstPoint));
        }
    }

    for (EnsightCase::Variable const& v : m_case.variables) {
        std::string const name = m_case.fileAt(v.file, stepOf(v.file.timeSet));
        EnsightFile file(m_source.nameOf(name), load(name),
                         geometry.binary() ? EnsightFile::Encoding::Binary : EnsightFile::Encoding::Ascii,
                         geometry.swapped());
        DataArray array;
        array.name = v.name;
        array.numComponents = v.vector ? 3 : 1;
        array.role = v.vector ? ArrayRole::Vectors : ArrayRole::Scalars;
        array.values.assign((v.perNode ? out.numPoints() : out.numCells()) *
                                static_cast<std::size_t>(array.numComponents),
                            s_undefined);
        VariableReader(file, parts, v.perNode, array).read();
        (v.perNode ? out.pointData : out.cellData).push_back(std::move(array));
    }

    DataArray partIds;
    partIds.name = EnsightReader::s_regionArray;
    partIds.type = ValueType::Int;
    partIds.values.resize(out.numCells());
    for (Part const& p : parts) {
        for (Block const& b : p.blocks) {
            if (b.kept) {
                std::fill_n(partIds.values.begin() + static_cast<std::ptrdiff_t>(b.firstCell), b.count,
                            p.number);
            }
        }
        std::string const label = p.name.empty() ? "part" + std::to_string(p.number) : p.name;
        if (p.volume) {
            out.regionLabels[{3, p.number}] = label;
        }
        if (p.surface) {
            out.regionLabels[{2, p.number}] = label;
        }
    }
    out.cellData.push_back(std::move(partIds));
    out.regionArray = EnsightReader::s_regionArray;
    out.notes.insert(out.notes.begin(), m_case.notes.begin(), m_case.notes.end());
    return out;
}

std::string folderOf(std::string const& p_path)
{
    std::size_t const slash = p_path.rfind('/');
    return slash == std::string::npos ? std::string() : p_path.substr(0, slash + 1);
}

} // namespace

MeshData EnsightReader::readSource(Source const& p_source, TimeChoice const& p_time)
{
    return CaseReader(p_source).read(p_time);
}

MeshData EnsightReader::readCase(std::string const& p_path, TimeChoice const& p_time)
{
    std::string const folder = folderOf(p_path);
    auto pathOf = [folder](std::string const& p_relative) {
        return !p_relative.empty() && p_relative[0] == '/' ? p_relative : folder + p_relative;
    };
    Source source;
    source.caseFile = p_path.substr(folder.size());
    source.nameOf = pathOf;
    source.read = [pathOf](std::string const& p_relative, std::string& p_bytes) {
        p_bytes = readRegularFile(
            pathOf(p_relative), [](std::string_view) {}, "a case file");
        return true;
    };
    return readSource(source, p_time);
}

EnsightReader::Source EnsightReader::memorySource(std::string const& p_caseFile,
                                                  std::map<std::string, std::string> p_files)
{
    auto files = std::make_shared<std::map<std::string, std::string> const>(std::move(p_files));
    Source source;
    source.caseFile = p_caseFile;
    source.nameOf = [](std::string const& p_relative) { return p_relative; };
    source.read = [files](std::string const& p_relative, std::string& p_bytes) {
        auto const found = files->find(p_relative);
        if (found == files->end()) {
            return false;
        }
        p_bytes = found->second;
        return true;
    };
    return source;
}

} // namespace zev::io
