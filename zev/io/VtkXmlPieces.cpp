#include "zev/io/VtkXmlParser.h"

#include "zev/contracts/ProgressTracker.h"
#include "zev/io/TextScan.h"
#include "zev/io/ValueRange.h"
#include "zev/io/VtkFileCells.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>

namespace zev::io::xml {

void Parser::readCells(pugi::xml_node p_section, std::string const& p_path, std::size_t p_cells,
                       std::size_t p_points, std::vector<std::int64_t>& p_offsets,
                       std::vector<std::int64_t>& p_ids)
{
    p_offsets = indexArray(p_section, "offsets", p_path, static_cast<long long>(p_cells));
    p_ids = indexArray(p_section, "connectivity", p_path, -1);
    std::int64_t previous = 0;
    for (std::size_t c = 0; c < p_cells; ++c) {
        if (p_offsets[c] < previous || p_offsets[c] > static_cast<std::int64_t>(p_ids.size())) {
            fail(p_path + "/DataArray[@Name='offsets']",
                 "cell " + std::to_string(c) + " ends at " + std::to_string(p_offsets[c]) + ", outside " +
                     std::to_string(previous) + ".." + std::to_string(p_ids.size()));
        }
        previous = p_offsets[c];
    }
    if (static_cast<std::size_t>(previous) != p_ids.size()) {
        fail(p_path + "/DataArray[@Name='offsets']", "the offsets end at " + std::to_string(previous) +
                                                         " but connectivity holds " +
                                                         std::to_string(p_ids.size()) + " values");
    }
    for (std::size_t i = 0; i < p_ids.size(); ++i) {
        if (p_ids[i] < 0 || static_cast<std::size_t>(p_ids[i]) >= p_points) {
            fail(p_path + "/DataArray[@Name='connectivity']",
                 "value " + std::to_string(i) + " uses point " + std::to_string(p_ids[i]) +
                     ", but the piece has " + std::to_string(p_points) + " points");
        }
    }
}

void Parser::addCell(VtkCellType p_type, std::int64_t const* p_ids, std::size_t p_count, std::size_t p_base)
{
    for (std::size_t k = 0; k < p_count; ++k) {
        m_mesh.connectivity.push_back(static_cast<int>(p_ids[k] + static_cast<std::int64_t>(p_base)));
    }
    m_mesh.cellTypes.push_back(p_type);
    m_mesh.offsets.push_back(m_mesh.connectivity.size());
}

void Parser::readPiece(pugi::xml_node p_piece, std::string const& p_path)
{
    bool const ug = m_mesh.kind == DatasetKind::UnstructuredGrid;
    std::size_t const points = countAttribute(p_piece, "NumberOfPoints", p_path, -1);
    std::size_t const base = m_mesh.numPoints();
    if (base + points > static_cast<std::size_t>(INT_MAX)) {
        fail(p_path, "the pieces hold more than " + std::to_string(INT_MAX) + " points");
    }
    std::size_t cells = 0;
    std::size_t lines = 0, polys = 0;
    if (ug) {
        cells = countAttribute(p_piece, "NumberOfCells", p_path, -1);
    } else {
        for (char const* unsupported : {"NumberOfVerts", "NumberOfStrips"}) {
            if (countAttribute(p_piece, unsupported, p_path, 0) != 0) {
                fail(p_path, std::string(unsupported + 8) + " are not supported; Lines and Polys are read");
            }
        }
        lines = countAttribute(p_piece, "NumberOfLines", p_path, 0);
        polys = countAttribute(p_piece, "NumberOfPolys", p_path, 0);
        cells = lines + polys;
    }
    ProgressTracker progress;
    progress.setProgress(0.0, true);

    // Points.
    if (points > 0 || p_piece.child("Points")) {
        pugi::xml_node const pts = p_piece.child("Points");
        pugi::xml_node const node = pts.child("DataArray");
        std::string const path = p_path + "/Points";
        if (!node) {
            fail(path, "there is no Points DataArray");
        }
        RawArray raw = readArray(node, arrayPath(path, node), static_cast<long long>(points), 3);
        if (!isFloat(raw.type)) {
            fail(arrayPath(path, node), "point coordinates must be Float32 or Float64");
        }
        if (raw.type == ValueType::Double) {
            m_mesh.pointType = ValueType::Double;
        }
        std::vector<double> xyz = values(raw);
        for (std::size_t i = 0; i < xyz.size(); ++i) {
            if (char const* fault = coordinateFault(xyz[i])) {
                fail(arrayPath(path, node), "point " + std::to_string(i / 3) + " " + fault,
                     raw.isAscii ? FormatError::s_noOffset
                                 : i * static_cast<std::size_t>(valueTypeSize(raw.type)));
            }
        }
        if (m_mesh.points.empty()) {
            m_mesh.points = std::move(xyz);
        } else {
            m_mesh.points.insert(m_mesh.points.end(), xyz.begin(), xyz.end());
        }
    }
    progress.setProgress(0.3, false);

    // Cells.
    std::size_t const firstCell = m_mesh.numCells();
    if (m_mesh.connectivity.size() > static_cast<std::size_t>(INT_MAX)) {
        fail(p_path, "the pieces hold too many cells");
    }
    std::vector<std::int64_t> offsets, ids;
    if (ug && cells > 0) {
        pugi::xml_node const section = p_piece.child("Cells");
        std::string const path = p_path + "/Cells";
        if (!section) {
            fail(p_path, "there is no Cells element");
        }
        readCells(section, path, cells, points, offsets, ids);
        std::vector<std::int64_t> const types =
            indexArray(section, "types", path, static_cast<long long>(cells));
        std::vector<std::int64_t> faces, faceOffsets;
        bool const hasFaces = static_cast<bool>(findArray(section, "faces"));
        if (hasFaces) {
            faces = indexArray(section, "faces", path, -1);
            faceOffsets = indexArray(section, "faceoffsets", path, static_cast<long long>(cells));
        }
        std::string const typesPath = path + "/DataArray[@Name='types']";
        std::int64_t start = 0;
        std::int64_t faceStart = 0;
        std::vector<int> stream;
        PolyhedronTopology topology;
        for (std::size_t c = 0; c < cells; ++c) {
            std::int64_t const t = types[c];
            std::string const unread = unreadCellType(t);
            if (!unread.empty()) {
                fail(typesPath, "cell " + std::to_string(c) + " " + unread);
            }
            VtkCellType const type = static_cast<VtkCellType>(static_cast<int>(t));
            std::size_t const k = static_cast<std::size_t>(offsets[c] - start);
            std::string const cell = "cell " + std::to_string(c) + " is a " + fileCellTypeName(type);
            int const fixed = filePointCount(type);
            if (fixed > 0 && k != static_cast<std::size_t>(fixed)) {
                fail(typesPath, cell + ", which has " + std::to_string(fixed) +
                                    " points, but connectivity gives it " + std::to_string(k));
            }
            if (type == VtkCellType::Polygon && k < 3) {
                fail(typesPath, cell + " with " + std::to_string(k) + " points; it needs at least 3");
            }
            if (type == VtkCellType::PolyLine && k < 2) {
                fail(typesPath, cell + " with " + std::to_string(k) + " points; it needs at least 2");
            }
            if (type == VtkCellType::Polyhedron) {
                std::string const facesPath = path + "/DataArray[@Name='faces']";
                if (!hasFaces) {
                    fail(typesPath, cell + " but the cells have no faces array");
                }
                std::int64_t const end = faceOffsets[c];
                if (end < faceStart || end > static_cast<std::int64_t>(faces.size()) ||
                    end - faceStart > INT_MAX) {
                    fail(path + "/DataArray[@Name='faceoffsets']",
                         "cell " + std::to_string(c) + " ends at " + std::to_string(end) + ", outside " +
                             std::to_string(faceStart) + ".." + std::to_string(faces.size()));
                }
                stream.clear();
                for (std::int64_t i = faceStart; i < end; ++i) {
                    std::int64_t const v = faces[static_cast<std::size_t>(i)];
                    if (v < 0 || v > INT_MAX) {
                        fail(facesPath, "value " + std::to_string(i) + " is out of range");
                    }
                    stream.push_back(static_cast<int>(v));
                }
                std::string const problem =
                    decodeFaceStream(stream.data(), static_cast<int>(stream.size()), topology);
                if (!problem.empty()) {
                    fail(facesPath, "cell " + std::to_string(c) + ": " + problem);
                }
                for (int id : topology.vertices) {
                    if (static_cast<std::size_t>(id) >= points) {
                        fail(facesPath, "cell " + std::to_string(c) + " uses point " + std::to_string(id) +
                                            ", but the piece has " + std::to_string(points) + " points");
                    }
                }
                std::vector<std::int64_t> const wide(stream.begin(), stream.end());
                // The face stream holds point ids at every position but the counts; offset them by
                // walking it again.
                std::vector<std::int64_t> shifted = wide;
                std::size_t pos = 1;
                for (std::int64_t f = 0; f < wide[0]; ++f) {
                    std::size_t const n = static_cast<std::size_t>(wide[pos]);
                    for (std::size_t j = 1; j <= n; ++j) {
                        shifted[pos + j] += static_cast<std::int64_t>(base);
                    }
                    pos += n + 1;
                }
                for (std::int64_t v : shifted) {
                    m_mesh.connectivity.push_back(static_cast<int>(v));
                }
                m_mesh.cellTypes.push_back(type);
                m_mesh.offsets.push_back(m_mesh.connectivity.size());
                faceStart = end;
            } else {
                if (hasFaces && faceOffsets[c] >= 0) {
                    faceStart = std::max(faceStart, faceOffsets[c]);
                }
                addCell(type, ids.data() + start, k, base);
            }
            start = offsets[c];
        }
    } else if (!ug) {
        struct Section {
            char const* name;
            std::size_t count;
            bool lines;
        };
        for (Section const& s : {Section{"Lines", lines, true}, Section{"Polys", polys, false}}) {
            if (s.count == 0) {
                continue;
            }
            pugi::xml_node const section = p_piece.child(s.name);
            std::string const path = p_path + "/" + s.name;
            if (!section) {
                fail(p_path, std::string("there is no ") + s.name + " element");
            }
            readCells(section, path, s.count, points, offsets, ids);
            std::int64_t start = 0;
            for (std::size_t c = 0; c < s.count; ++c) {
                std::size_t const k = static_cast<std::size_t>(offsets[c] - start);
                if (k < (s.lines ? 2u : 3u)) {
                    fail(path, std::string(s.lines ? "line " : "polygon ") + std::to_string(c) + " has " +
                                   std::to_string(k) + " points; it needs at least " + (s.lines ? "2" : "3"));
                }
                VtkCellType const type =
                    s.lines ? (k == 2 ? VtkCellType::Line : VtkCellType::PolyLine) : VtkCellType::Polygon;
                addCell(type, ids.data() + start, k, base);
                start = offsets[c];
            }
        }
    }
    if (m_mesh.connectivity.size() > static_cast<std::size_t>(INT_MAX)) {
        fail(p_path, "the pieces hold too many cells");
    }
    progress.setProgress(0.8, false);
    readData(p_piece.child("PointData"), p_path + "/PointData", points, base, m_mesh.pointData, m_pointNames);
    readData(p_piece.child("CellData"), p_path + "/CellData", cells, firstCell, m_mesh.cellData, m_cellNames);
    ++m_pieces;
    progress.stop();
}

void Parser::readData(pugi::xml_node p_node, std::string const& p_path, std::size_t p_tuples,
                      std::size_t p_first, std::vector<DataArray>& p_arrays,
                      std::map<std::string, std::size_t>& p_names)
{
    std::map<std::string, ArrayRole> roles;
    for (auto [attr, role] :
         {std::pair{"Scalars", ArrayRole::Scalars}, std::pair{"Vectors", ArrayRole::Vectors},
          std::pair{"Normals", ArrayRole::Normals}, std::pair{"Tensors", ArrayRole::Tensors}}) {
        if (pugi::xml_attribute const a = p_node.attribute(attr)) {
            roles.emplace(a.value(), role);
        }
    }
    std::size_t seen = 0;
    for (pugi::xml_node a = p_node.child("DataArray"); a; a = a.next_sibling("DataArray")) {
        std::string const name = a.attribute("Name").value();
        std::string const path = arrayPath(p_path, a);
        if (name.empty()) {
            fail(path, "a data array needs a Name");
        }
        RawArray raw = readArray(a, path, static_cast<long long>(p_tuples), 0);
        auto const found = p_names.find(name);
        if (m_pieces == 0) {
            if (found != p_names.end()) {
                fail(path, "a second array named '" + printable(name) + "'");
            }
            DataArray array;
            array.name = name;
            array.type = raw.type;
            array.numComponents = raw.components;
            auto const r = roles.find(name);
            // Without a role attribute, one component reads as scalars and three as vectors, as most
            // files mean them.
            array.role = r != roles.end()      ? r->second
                         : raw.components == 1 ? ArrayRole::Scalars
                         : raw.components == 3 ? ArrayRole::Vectors
                                               : ArrayRole::Field;
            if (array.role == ArrayRole::Tensors && array.numComponents != 9) {
                array.role = ArrayRole::Field;
            }
            if ((array.role == ArrayRole::Vectors || array.role == ArrayRole::Normals) &&
                array.numComponents != 3) {
                array.role = ArrayRole::Field;
            }
            if (array.role == ArrayRole::Scalars && array.numComponents > 4) {
                array.role = ArrayRole::Field;
            }
            array.values = values(raw);
            p_names.emplace(name, p_arrays.size());
            p_arrays.push_back(std::move(array));
        } else {
            if (found == p_names.end()) {
                fail(path, "the array '" + printable(name) + "' is not in the first piece");
            }
            DataArray& array = p_arrays[found->second];
            if (array.numComponents != raw.components) {
                fail(path, "the array '" + printable(name) + "' has " + std::to_string(raw.components) +
                               " components here and " + std::to_string(array.numComponents) +
                               " in the first piece");
            }
            if (array.values.size() / static_cast<std::size_t>(array.numComponents) != p_first) {
                fail(path, "a second array named '" + printable(name) + "'");
            }
            std::vector<double> const more = values(raw);
            array.values.insert(array.values.end(), more.begin(), more.end());
        }
        ++seen;
    }
    if (m_pieces > 0 && seen != p_arrays.size()) {
        fail(p_path, "the piece carries " + std::to_string(seen) + " arrays but the first piece " +
                         std::to_string(p_arrays.size()));
    }
}

} // namespace zev::io::xml
