#include "zev/io/VtkLegacyParser.h"

#include "zev/io/FormatError.h"
#include "zev/io/VtkFileCells.h"

#include <climits>

namespace zev::io::legacy {

void Parser::readPoints(Location p_loc)
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

void Parser::readCellRecords(std::string const& p_section, Location p_loc, std::int64_t p_count,
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
            fail(p_loc,
                 prefix(p_section) + "the cells hold more than the declared size " + std::to_string(size));
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
                fail(idLoc, prefix(p_section) + "cell " + std::to_string(c) + ": value " + std::to_string(v) +
                                " is out of range");
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

void Parser::readCells(Location p_loc)
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
        fail(p_loc, "CELLS declares " + std::to_string(m_cells.count()) + " cells but CELL_TYPES declares " +
                        std::to_string(m_types.size()));
    }
}

void Parser::readOffsetCells(Location p_loc, std::int64_t p_numOffsets, std::int64_t p_size)
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
        fail(p_loc, "CELLS: the offsets must run from 0 to the connectivity size " + std::to_string(p_size));
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

void Parser::requireInteger(ValueType p_type, std::string const& p_section) const
{
    if (p_type == ValueType::Float || p_type == ValueType::Double) {
        fail(m_tokenLoc, p_section + ": the data type must be an integer type");
    }
}

void Parser::readCellTypes(Location p_loc)
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

void Parser::addType(double p_type, Location p_loc, std::size_t p_cell)
{
    std::string const unread = unreadCellType(static_cast<std::int64_t>(p_type));
    if (!unread.empty()) {
        fail(p_loc, "CELL_TYPES: cell " + std::to_string(p_cell) + " " + unread);
    }
    m_types.push_back(static_cast<VtkCellType>(static_cast<int>(p_type)));
    m_typeWhere.push_back(p_loc.offset);
    m_typesTextLines = p_loc.line != 0;
}

void Parser::readPolyCells(Location p_loc, std::string const& p_key)
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

std::size_t Parser::numCells() const
{
    if (m_mesh.kind == DatasetKind::UnstructuredGrid) {
        return m_haveTypes ? m_types.size() : m_cells.count();
    }
    return m_lines.count() + m_polys.count();
}

void Parser::checkCells(CellBlock const& p_block, std::string const& p_section,
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
                return "CELL_TYPES: cell " + std::to_string(c) + " is a " + fileCellTypeName(type);
            };
            int const fixed = filePointCount(type);
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

void Parser::checkIndex(int p_id, std::size_t p_numPoints, std::string const& p_section, std::size_t p_cell,
                        std::size_t p_offset, bool p_textLines) const
{
    if (p_id < 0 || static_cast<std::size_t>(p_id) >= p_numPoints) {
        fail(locate(p_offset, p_textLines), p_section + ": cell " + std::to_string(p_cell) + " uses point " +
                                                std::to_string(p_id) + ", but there are " +
                                                std::to_string(p_numPoints) + " points");
    }
}

void Parser::appendBlock(CellBlock& p_block, bool p_lines)
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

} // namespace zev::io::legacy
