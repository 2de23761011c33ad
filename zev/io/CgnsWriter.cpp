#include "zev/io/CgnsWriter.h"

#include "zev/contracts/Undefined.h"
#include "zev/geometry/Geometry.h"
#include "zev/io/CgnsSupport.h"
#include "zev/io/FileAccess.h"
#include "zev/io/FormatError.h"
#include "zev/io/VtkCellOrder.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/variables/VectorVariable.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <set>

namespace zev::io {

namespace {

using cgns::CgnsFile;

// Node names the zone itself uses.
char const* const s_reserved[] = {"GridCoordinates", "ZoneBC",         "ZoneType",
                                  "FlowSolution",    "FlowSolutionCC", "Lines"};

struct Block {
    std::string name; // the section's node name
    std::string key;  // the set's name in the geometry, which its variables' data are filed under
    zev::ShapeSet const* set;
    bool element;
};

bool validName(std::string const& p_name)
{
    return !p_name.empty() && p_name.size() <= 32 && p_name.find('/') == std::string::npos && p_name != "." &&
           p_name != "..";
}

// The position of an element set filed as ES1, ES2, ...; -1 for other names.
long long elementSetIndex(std::string const& p_name)
{
    if (p_name.size() < 3 || p_name.size() > 12 || p_name.compare(0, 2, "ES") != 0 || p_name[2] == '0') {
        return -1;
    }
    long long index = 0;
    for (std::size_t k = 2; k < p_name.size(); ++k) {
        if (p_name[k] < '0' || p_name[k] > '9') {
            return -1;
        }
        index = 10 * index + (p_name[k] - '0');
    }
    return index - 1;
}

std::vector<Block> blocksOf(zev::Geometry const& p_geometry, ExportSelection const& p_selection)
{
    std::vector<Block> blocks;
    if (p_selection.elements) {
        // ES1, ES2, ... in index order (not name order, where ES10 comes before ES2), so that a reader
        // numbering the sections in the file's order files them under the same names; other names after.
        std::vector<std::string> names = p_geometry.getElementSetNames();
        std::stable_sort(names.begin(), names.end(), [](std::string const& p_a, std::string const& p_b) {
            long long const a = elementSetIndex(p_a), b = elementSetIndex(p_b);
            return (a < 0 ? LLONG_MAX : a) < (b < 0 ? LLONG_MAX : b);
        });
        for (std::string const& name : names) {
            zev::ShapeSet const* set = p_geometry.getElementSet(name);
            if (set != nullptr && !set->empty()) {
                blocks.push_back({name, name, set, true});
            }
        }
    }
    for (std::string const& name : p_geometry.getFaceSetNames()) {
        bool wanted = p_selection.allFaceSets;
        for (std::string const& n : p_selection.faceSets) {
            wanted = wanted || n == name;
        }
        zev::ShapeSet const* set = p_geometry.getFaceSet(name);
        if (wanted && set != nullptr && !set->empty()) {
            blocks.push_back({name, name, set, false});
        }
    }
    // A set's label names its section when it can name a node that no set without a label, no earlier
    // label and no node of the zone takes; otherwise the set's own name does.
    std::set<std::string> taken(std::begin(s_reserved), std::end(s_reserved));
    for (Block const& b : blocks) {
        if (b.set->getLabel().empty()) {
            taken.insert(b.name);
        }
    }
    for (Block& b : blocks) {
        std::string const& label = b.set->getLabel();
        if (label.empty()) {
            continue;
        }
        bool const faces = b.set->getType() == zev::POLYHEDRON;
        auto free = [&](std::string const& p_name) {
            return taken.count(p_name) == 0 && (!faces || taken.count(p_name + "_Faces") == 0);
        };
        std::string const own = b.name;
        if (validName(label) && free(label)) {
            b.name = label;
        }
        for (int k = 2; !free(b.name); ++k) {
            b.name = own + "-" + std::to_string(k);
        }
        taken.insert(b.name);
        if (faces) {
            taken.insert(b.name + "_Faces");
        }
    }
    return blocks;
}

class Writer {
public:
    Writer(zev::Geometry const& p_geometry, std::vector<MeshVariable> const& p_variables,
           ExportSelection const& p_selection, std::string const& p_target, std::string const& p_temporary)
        : m_g(p_geometry), m_variables(p_variables), m_selection(p_selection), m_target(p_target),
          m_file(p_temporary, CG_MODE_WRITE)
    {
        m_file.path = p_target; // failures name the file the caller asked for
        m_blocks = blocksOf(m_g, m_selection);
        m_volume = CgnsWriter::isVolume(m_g, m_selection);
    }

    void write()
    {
        checkNames();
        std::string const zoneName = validName(m_g.getDomain()) ? m_g.getDomain() : std::string("Zone");
        m_file.check(cg_base_write(m_file.fn, "Base", m_volume ? 3 : 2, 3, &m_base), "/Base");
        m_file.check(cg_goto(m_file.fn, m_base, "end"), "/Base");
        m_file.check(cg_dataclass_write(CGNS_ENUMV(NormalizedByUnknownDimensional)), "/Base");

        auto const& vertices = m_g.getVertices();
        long long numCells = 0;
        for (Block const& b : m_blocks) {
            if (b.element == m_volume) {
                numCells += static_cast<long long>(b.set->size());
            }
        }
        cgsize_t size[3] = {static_cast<cgsize_t>(vertices.size()), static_cast<cgsize_t>(numCells), 0};
        m_zonePath = "/Base/" + zoneName;
        m_file.check(
            cg_zone_write(m_file.fn, m_base, zoneName.c_str(), size, CGNS_ENUMV(Unstructured), &m_zone),
            m_zonePath);
        writeCoordinates();
        writeSections();
        writeSolutions();
        m_file.close();
    }

private:
    void refuse(std::string const& p_what) const
    {
        throw FormatError(m_target, 0, FormatError::s_noOffset, p_what);
    }

    void checkNames() const
    {
        std::set<std::string> taken(std::begin(s_reserved), std::end(s_reserved));
        for (Block const& b : m_blocks) {
            if (!validName(b.name)) {
                refuse("the set name '" + b.name +
                       "' cannot name a CGNS node (at most 32 characters, no '/')");
            }
            if (!taken.insert(b.name).second) {
                refuse("the set name '" + b.name + "' is taken by another set or a node of the zone");
            }
            if (b.set->getType() == zev::POLYHEDRON && !taken.insert(b.name + "_Faces").second) {
                refuse("the name '" + b.name + "_Faces' of the faces of the set '" + b.name + "' is taken");
            }
        }
        for (MeshVariable const& mv : m_variables) {
            if (!validName(mv.name + (mv.numComponents == 3 ? "X" : ""))) {
                refuse("the variable name '" + mv.name +
                       "' cannot name a CGNS field (at most 32 characters, no '/')");
            }
        }
    }

    void writeCoordinates()
    {
        auto const& vertices = m_g.getVertices();
        std::vector<float> values(vertices.size());
        char const* const names[3] = {"CoordinateX", "CoordinateY", "CoordinateZ"};
        for (int a = 0; a < 3; ++a) {
            for (std::size_t i = 0; i < vertices.size(); ++i) {
                values[i] = vertices[i][a];
            }
            int c = 0;
            m_file.check(cg_coord_write(m_file.fn, m_base, m_zone, CGNS_ENUMV(RealSingle), names[a],
                                        values.data(), &c),
                         m_zonePath + "/GridCoordinates");
        }
    }

    void writeSections()
    {
        // Cells first, so that the cell-centred values number them 1..N; then the surfaces, the lines, and
        // last the faces of the polyhedra.
        std::vector<Block const*> order;
        for (Block const& b : m_blocks) {
            if (b.element == m_volume) {
                order.push_back(&b);
            }
        }
        for (Block const& b : m_blocks) {
            if (b.element != m_volume) {
                order.push_back(&b);
            }
        }
        long long next = 1;
        for (Block const* b : order) {
            next += static_cast<long long>(b->set->size());
        }
        auto const& lines = m_selection.lines ? m_g.getLines() : zev::IntZEVVector();
        long long const numLines = static_cast<long long>(lines.size() / 2);
        long long nextFace = next + numLines;
        next = 1;
        int s = 0;
        // Polygons and polyhedra are written as sections of variable-length rows.
        auto polySection = [&](std::string const& p_name, CGNS_ENUMT(ElementType_t) p_type, long long p_first,
                               long long p_last, std::vector<cgsize_t> const& p_rows,
                               std::vector<cgsize_t> const& p_offsets) {
            m_file.check(cg_poly_section_write(m_file.fn, m_base, m_zone, p_name.c_str(), p_type,
                                               static_cast<cgsize_t>(p_first), static_cast<cgsize_t>(p_last),
                                               0, p_rows.data(), p_offsets.data(), &s),
                         m_zonePath + "/" + p_name);
        };
        for (Block const* b : order) {
            zev::ShapeSet const& set = *b->set;
            long long const start = next, end = next + static_cast<long long>(set.size()) - 1;
            std::string const node = m_zonePath + "/" + b->name;
            std::vector<cgsize_t> conn;
            std::vector<cgsize_t> offsets{0};
            int const type = set.getType();
            if (type == zev::POLYHEDRON) {
                std::vector<cgsize_t> faces;
                std::vector<cgsize_t> faceOffsets{0};
                long long const firstFace = nextFace;
                for (std::size_t i = 0; i < set.size(); ++i) {
                    zev::Shape const& shape = set[i];
                    for (int f = 0; f < shape.getNumFaces(); ++f) {
                        int n = 0;
                        int const* local = nullptr;
                        int const* row = shape.getVerticesForFace(f, n, &local);
                        for (int k = 0; k < n; ++k) {
                            faces.push_back(static_cast<cgsize_t>(shape[row[k]] + 1));
                        }
                        faceOffsets.push_back(static_cast<cgsize_t>(faces.size()));
                        conn.push_back(static_cast<cgsize_t>(nextFace++));
                    }
                    offsets.push_back(static_cast<cgsize_t>(conn.size()));
                }
                polySection(b->name, CGNS_ENUMV(NFACE_n), start, end, conn, offsets);
                polySection(b->name + "_Faces", CGNS_ENUMV(NGON_n), firstFace, nextFace - 1, faces,
                            faceOffsets);
            } else if (cgns::ElementTypeInfo const* fixed = cgns::fixedElementTypeOf(type)) {
                CGNS_ENUMT(ElementType_t) const cgnsType = fixed->type;
                int const npe = fixed->corners;
                conn.reserve(set.size() * static_cast<std::size_t>(npe));
                int library[8];
                int file[8];
                for (std::size_t i = 0; i < set.size(); ++i) {
                    for (int k = 0; k < npe; ++k) {
                        library[k] = set[i][k];
                    }
                    if (type == zev::HEX) {
                        toFileOrder(VtkCellType::Hexahedron, library, 8, file);
                    } else {
                        std::copy(library, library + npe, file);
                    }
                    for (int k = 0; k < npe; ++k) {
                        conn.push_back(static_cast<cgsize_t>(file[k] + 1));
                    }
                }
                m_file.check(cg_section_write(m_file.fn, m_base, m_zone, b->name.c_str(), cgnsType,
                                              static_cast<cgsize_t>(start), static_cast<cgsize_t>(end), 0,
                                              conn.data(), &s),
                             node);
            } else {
                for (std::size_t i = 0; i < set.size(); ++i) {
                    zev::Shape const& shape = set[i];
                    for (int k = 0; k < shape.getNumVertices(); ++k) {
                        conn.push_back(static_cast<cgsize_t>(shape[k] + 1));
                    }
                    offsets.push_back(static_cast<cgsize_t>(conn.size()));
                }
                polySection(b->name, CGNS_ENUMV(NGON_n), start, end, conn, offsets);
            }
            if (m_volume && !b->element) {
                // The face set is also a boundary condition over its faces, as solvers expect boundaries.
                cgsize_t range[2] = {static_cast<cgsize_t>(start), static_cast<cgsize_t>(end)};
                int bc = 0;
                std::string const bcNode = m_zonePath + "/ZoneBC/" + b->name;
                m_file.check(cg_boco_write(m_file.fn, m_base, m_zone, b->name.c_str(),
                                           CGNS_ENUMV(BCTypeUserDefined), CGNS_ENUMV(PointRange), 2, range,
                                           &bc),
                             bcNode);
                m_file.check(
                    cg_boco_gridlocation_write(m_file.fn, m_base, m_zone, bc, CGNS_ENUMV(FaceCenter)),
                    bcNode);
            }
            next = end + 1;
        }
        if (numLines > 0) {
            std::vector<cgsize_t> conn(lines.size());
            for (std::size_t i = 0; i < lines.size(); ++i) {
                conn[i] = static_cast<cgsize_t>(lines[i] + 1);
            }
            m_file.check(cg_section_write(m_file.fn, m_base, m_zone, "Lines", CGNS_ENUMV(BAR_2),
                                          static_cast<cgsize_t>(next),
                                          static_cast<cgsize_t>(next + numLines - 1), 0, conn.data(), &s),
                         m_zonePath + "/Lines");
        }
    }

    void writeField(int p_sol, std::string const& p_node, std::string const& p_name,
                    std::vector<float> const& p_values)
    {
        int f = 0;
        m_file.check(cg_field_write(m_file.fn, m_base, m_zone, p_sol, CGNS_ENUMV(RealSingle), p_name.c_str(),
                                    p_values.data(), &f),
                     p_node + "/" + p_name);
    }

    void writeSolutions()
    {
        zev::VarLocation const cellLocation = m_volume ? zev::eElement : zev::eFace;
        for (bool cell : {false, true}) {
            std::vector<MeshVariable const*> chosen;
            for (MeshVariable const& mv : m_variables) {
                if (mv.variable && (cell ? mv.location == cellLocation : mv.location == zev::eVertex)) {
                    chosen.push_back(&mv);
                }
            }
            if (chosen.empty()) {
                continue;
            }
            char const* const solName = cell ? "FlowSolutionCC" : "FlowSolution";
            std::string const node = m_zonePath + "/" + solName;
            int sol = 0;
            m_file.check(cg_sol_write(m_file.fn, m_base, m_zone, solName,
                                      cell ? CGNS_ENUMV(CellCenter) : CGNS_ENUMV(Vertex), &sol),
                         node);
            for (MeshVariable const* mv : chosen) {
                int const comps = mv->numComponents == 3 ? 3 : 1;
                std::vector<std::vector<float>> values(static_cast<std::size_t>(comps));
                if (!cell) {
                    zev::Variable::Description const desc(mv->variable->getGlobalType(), zev::eVertex);
                    std::size_t const n = m_g.getVertices().size();
                    for (int c = 0; c < comps; ++c) {
                        values[static_cast<std::size_t>(c)].assign(n, zev::ZEV_UNDEF);
                    }
                    append(*mv, desc, n, values);
                } else {
                    auto const keys = mv->variable->getDataKeysOnLocation(cellLocation);
                    for (Block const& b : m_blocks) {
                        if (b.element != m_volume) {
                            continue;
                        }
                        std::size_t const n = b.set->size();
                        std::size_t const at = values[0].size();
                        for (int c = 0; c < comps; ++c) {
                            values[static_cast<std::size_t>(c)].resize(at + n, zev::ZEV_UNDEF);
                        }
                        if (keys.count(b.key) != 0) {
                            zev::Variable::Description const desc(mv->variable->getGlobalType(), cellLocation,
                                                                  b.key);
                            append(*mv, desc, n, values, at);
                        }
                    }
                }
                if (comps == 3) {
                    writeField(sol, node, mv->name + "X", values[0]);
                    writeField(sol, node, mv->name + "Y", values[1]);
                    writeField(sol, node, mv->name + "Z", values[2]);
                } else {
                    writeField(sol, node, mv->name, values[0]);
                }
            }
        }
    }

    // Copies up to p_n values of one data store into p_values from position p_at.
    static void append(MeshVariable const& p_mv, zev::Variable::Description const& p_desc, std::size_t p_n,
                       std::vector<std::vector<float>>& p_values, std::size_t p_at = 0)
    {
        if (p_mv.numComponents == 3) {
            auto const& data =
                static_cast<zev::VectorVariable const&>(*p_mv.variable).getTripletValues(p_desc);
            for (std::size_t i = 0; i < p_n && i < data.size(); ++i) {
                for (int c = 0; c < 3; ++c) {
                    p_values[static_cast<std::size_t>(c)][p_at + i] = data[i][c];
                }
            }
        } else {
            auto const& data = static_cast<zev::Variable const&>(*p_mv.variable).getFloatValues(p_desc);
            for (std::size_t i = 0; i < p_n && i < data.size(); ++i) {
                p_values[0][p_at + i] = data[i];
            }
        }
    }

    zev::Geometry const& m_g;
    std::vector<MeshVariable> const& m_variables;
    ExportSelection const& m_selection;
    std::string m_target;
    CgnsFile m_file;
    std::vector<Block> m_blocks;
    bool m_volume = true;
    int m_base = 0;
    int m_zone = 0;
    std::string m_zonePath;
};

} // namespace

bool CgnsWriter::isVolume(zev::Geometry const& p_geometry, ExportSelection const& p_selection)
{
    for (Block const& b : blocksOf(p_geometry, p_selection)) {
        if (b.element) {
            return true;
        }
    }
    return false;
}

void CgnsWriter::writeFile(zev::Geometry const& p_geometry, std::vector<MeshVariable> const& p_variables,
                           ExportSelection const& p_selection, std::string const& p_path)
{
    // The library writes the file itself: it writes a temporary file beside the target, renamed over it
    // once complete, so that a failed write leaves no file behind. A symbolic link is written through.
    std::string const target = replaceableTarget(p_path);
    std::string temporary = target + ".XXXXXX";
    int const fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        throw FormatError(p_path, 0, FormatError::s_noOffset, "cannot create a file beside it");
    }
    ::close(fd);
    mode_t const mask = ::umask(0);
    ::umask(mask);
    ::chmod(temporary.c_str(), 0666 & ~mask);
    try {
        Writer writer(p_geometry, p_variables, p_selection, p_path, temporary);
        writer.write();
    } catch (FormatError const& e) {
        std::remove(temporary.c_str());
        if (e.file() == temporary) {
            throw FormatError(p_path, 0, FormatError::s_noOffset, e.message());
        }
        throw;
    } catch (...) {
        std::remove(temporary.c_str());
        throw;
    }
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        std::remove(temporary.c_str());
        throw FormatError(p_path, 0, FormatError::s_noOffset, "cannot replace the file");
    }
}

} // namespace zev::io
