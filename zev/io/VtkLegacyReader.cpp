#include "zev/io/VtkLegacyReader.h"

#include "zev/io/FileAccess.h"
#include "zev/io/FormatError.h"
#include "zev/io/VtkFileCells.h"
#include "zev/io/VtkLegacyParser.h"

#include <algorithm>

namespace zev::io {

namespace legacy {

MeshData Parser::parse()
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
            fail(loc,
                 "'" + key + "' does not belong in a " + (ug ? "UNSTRUCTURED_GRID" : "POLYDATA") + " file");
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

void Parser::readHeader()
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

Location Parser::locate(std::size_t p_offset, bool p_textLines) const
{
    if (!p_textLines) {
        return Location{0, p_offset};
    }
    std::size_t const line =
        1 + static_cast<std::size_t>(std::count(m_data.begin(), m_data.begin() + p_offset, '\n'));
    return Location{line, p_offset};
}

void Parser::finish()
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
    reduceFileCells(m_mesh);
}

} // namespace legacy

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
    return legacy::Parser(p_data, p_name).parse();
}

} // namespace zev::io
