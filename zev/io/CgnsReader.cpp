#include "zev/io/CgnsReader.h"

#include "zev/contracts/Undefined.h"
#include "zev/geometry/GeomObject.h"
#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/io/CgnsSupport.h"
#include "zev/io/FormatError.h"
#include "zev/io/VtkCellOrder.h"
#include "zev/shapes/GeometryUtilities.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/variables/ScalarVariable.h"
#include "zev/variables/VectorVariable.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <map>
#include <set>
#include <unordered_map>
#include <unordered_set>

namespace zev::io {

namespace {

using cgns::CgnsFile;

constexpr zev::VarType s_fileType = zev::eConservative;

// The number of values of an array of these dimensions, or -1 when they are negative or their product
// would not fit.
long long valueCount(int p_dim, cgsize_t const* p_dims)
{
    if (p_dim < 1 || p_dim > 12) {
        return -1;
    }
    long long n = 1;
    for (int d = 0; d < p_dim; ++d) {
        if (p_dims[d] < 0 || (p_dims[d] > 0 && n > LLONG_MAX / p_dims[d])) {
            return -1;
        }
        n *= p_dims[d];
    }
    return n;
}

float toFloat(double p_value)
{
    if (!std::isfinite(p_value) || std::fabs(p_value) >= double(FLT_MAX)) {
        return zev::ZEV_UNDEF;
    }
    return static_cast<float>(p_value);
}

char const* shapeKind(int p_shape)
{
    switch (p_shape) {
    case zev::TRI:
        return "TRI";
    case zev::QUAD:
        return "QUAD";
    case zev::PENTAGON:
        return "PENTAGON";
    case zev::HEXAGON:
        return "HEXAGON";
    case zev::POLYGON:
        return "POLYGON";
    case zev::TET:
        return "TET";
    case zev::PYRAMID:
        return "PYRAMID";
    case zev::WEDGE:
        return "WEDGE";
    case zev::HEX:
        return "HEX";
    default:
        return "POLYHEDRON";
    }
}

int polygonShape(std::size_t p_corners)
{
    switch (p_corners) {
    case 3:
        return zev::TRI;
    case 4:
        return zev::QUAD;
    case 5:
        return zev::PENTAGON;
    case 6:
        return zev::HEXAGON;
    default:
        return zev::POLYGON;
    }
}

// One set being filled: shapes as vertex lists in the library's corner order (0-based zone vertices), or
// polyhedra; the cell number of each shape (its rank among the zone's cells) for cell-centred fields.
struct SetBuild {
    std::string name;
    int shape = 0;
    bool element = false;
    std::vector<int> vertices;
    std::vector<std::size_t> starts{0};
    std::vector<PolyhedronTopology> polyhedra;
    std::vector<long long> cells;

    std::size_t size() const { return shape == zev::POLYHEDRON ? polyhedra.size() : starts.size() - 1; }
};

struct Field {
    std::string name;
    bool cellCentred = false;
    int components = 1;
    std::vector<double> values; // components values per item
};

struct ZoneData {
    std::string name;
    int cellDimension = 3;
    std::size_t numVertices = 0;
    std::vector<float> xyz;
    std::vector<SetBuild> sets;
    std::vector<int> lines;
    std::vector<Field> fields;
};

// A section as read: its element range and connectivity (offsets per element for every type).
struct Section {
    std::string name;
    std::string node;
    CGNS_ENUMT(ElementType_t) type = CGNS_ENUMV(ElementTypeNull);
    long long start = 0;
    long long end = 0;
    std::vector<cgsize_t> connectivity;
    std::vector<cgsize_t> offsets;
    // Per element: the set and position it went to (-1 when it is a face of the polyhedra only, or a
    // line segment).
    std::vector<int> set;
    std::vector<int> position;
    bool faceTable = false;

    long long count() const { return end - start + 1; }
};

class ZoneReader {
public:
    ZoneReader(CgnsFile& p_file, int p_base, std::string const& p_baseName, int p_cellDim, int p_physDim,
               int p_zone)
        : m_file(p_file), m_base(p_base), m_cellDim(p_cellDim), m_physDim(p_physDim), m_zone(p_zone)
    {
        char name[64] = {0};
        cgsize_t size[9] = {0};
        m_zonePath = "/" + p_baseName;
        m_file.check(cg_zone_read(m_file.fn, m_base, m_zone, name, size), m_zonePath);
        m_out.name = name;
        m_zonePath += "/" + m_out.name;
        CGNS_ENUMT(ZoneType_t) type;
        m_file.check(cg_zone_type(m_file.fn, m_base, m_zone, &type), m_zonePath);
        if (type != CGNS_ENUMV(Unstructured)) {
            throw FormatError::atNode(m_file.path, m_zonePath,
                                      "structured zones are not supported; only unstructured zones are read");
        }
        if (size[0] < 1 || size[0] > INT_MAX) {
            throw FormatError::atNode(m_file.path, m_zonePath,
                                      "the zone has " + std::to_string(size[0]) + " vertices");
        }
        m_numVertices = size[0];
        m_numCells = size[1];
        m_out.cellDimension = m_cellDim;
    }

    ZoneData read(std::string const& p_solution)
    {
        readCoordinates();
        readSections();
        readBoundaryConditions();
        readSolutions(p_solution);
        return std::move(m_out);
    }

private:
    [[noreturn]] void fail(std::string const& p_node, std::string const& p_what) const
    {
        throw FormatError::atNode(m_file.path, p_node, p_what);
    }

    void readCoordinates()
    {
        std::string const node = m_zonePath + "/GridCoordinates";
        int ngrids = 0;
        m_file.check(cg_ngrids(m_file.fn, m_base, m_zone, &ngrids), m_zonePath);
        if (ngrids < 1) {
            fail(m_zonePath, "the zone has no grid coordinates");
        }
        m_file.check(cg_goto(m_file.fn, m_base, "Zone_t", m_zone, "GridCoordinates_t", 1, "end"), node);
        int narrays = 0;
        m_file.check(cg_narrays(&narrays), node);
        std::map<std::string, int> arrays;
        for (int a = 1; a <= narrays; ++a) {
            char name[64] = {0};
            CGNS_ENUMT(DataType_t) type;
            int dim = 0;
            cgsize_t dims[12] = {0};
            m_file.check(cg_array_info(a, name, &type, &dim, dims), node);
            long long const n = valueCount(dim, dims);
            if (n != m_numVertices) {
                fail(node + "/" + name, "holds " + std::to_string(n) + " values for the zone's " +
                                            std::to_string(m_numVertices) + " vertices");
            }
            arrays[name] = a;
        }
        char const* const names[3] = {"CoordinateX", "CoordinateY", "CoordinateZ"};
        m_out.numVertices = static_cast<std::size_t>(m_numVertices);
        m_file.checkCount(m_numVertices * 3, node);
        m_out.xyz.assign(3 * m_out.numVertices, 0.0f);
        std::vector<double> values(m_out.numVertices);
        for (int a = 0; a < 3; ++a) {
            if (arrays.count(names[a]) == 0) {
                if (a < m_physDim || a == 0) {
                    fail(node, std::string("no ") + names[a] + " (only Cartesian coordinates are read)");
                }
                continue;
            }
            cgsize_t lo = 1, hi = static_cast<cgsize_t>(m_numVertices);
            m_file.check(cg_coord_read(m_file.fn, m_base, m_zone, names[a], CGNS_ENUMV(RealDouble), &lo, &hi,
                                       values.data()),
                         node + "/" + names[a]);
            for (std::size_t i = 0; i < values.size(); ++i) {
                m_out.xyz[3 * i + static_cast<std::size_t>(a)] = static_cast<float>(values[i]);
            }
        }
    }

    static int dimensionOf(CGNS_ENUMT(ElementType_t) p_type)
    {
        switch (p_type) {
        case CGNS_ENUMV(BAR_2):
            return 1;
        case CGNS_ENUMV(TRI_3):
        case CGNS_ENUMV(QUAD_4):
        case CGNS_ENUMV(NGON_n):
            return 2;
        case CGNS_ENUMV(TETRA_4):
        case CGNS_ENUMV(PYRA_5):
        case CGNS_ENUMV(PENTA_6):
        case CGNS_ENUMV(HEXA_8):
        case CGNS_ENUMV(NFACE_n):
            return 3;
        default:
            return 0;
        }
    }

    void readSections()
    {
        int nsections = 0;
        m_file.check(cg_nsections(m_file.fn, m_base, m_zone, &nsections), m_zonePath);
        m_sections.resize(static_cast<std::size_t>(std::max(nsections, 0)));
        for (int s = 1; s <= nsections; ++s) {
            Section& sec = m_sections[static_cast<std::size_t>(s - 1)];
            char name[64] = {0};
            cgsize_t start = 0, end = 0;
            int nbndry = 0, parentFlag = 0;
            m_file.check(cg_section_read(m_file.fn, m_base, m_zone, s, name, &sec.type, &start, &end, &nbndry,
                                         &parentFlag),
                         m_zonePath);
            sec.name = name;
            sec.node = m_zonePath + "/" + sec.name;
            sec.start = start;
            sec.end = end;
            if (start < 1 || end < start) {
                fail(sec.node, "the element range " + std::to_string(start) + ".." + std::to_string(end) +
                                   " is empty or starts below 1");
            }
            bool const poly = sec.type == CGNS_ENUMV(MIXED) || sec.type == CGNS_ENUMV(NGON_n) ||
                              sec.type == CGNS_ENUMV(NFACE_n);
            if (!poly && dimensionOf(sec.type) == 0) {
                fail(sec.node, std::string("unsupported element type ") + cgns::elementTypeName(sec.type));
            }
            long long const count = sec.count();
            cgsize_t size = 0;
            m_file.check(cg_ElementDataSize(m_file.fn, m_base, m_zone, s, &size), sec.node);
            int npe = 0;
            if (!poly) {
                m_file.check(cg_npe(sec.type, &npe), sec.node);
                if (static_cast<long long>(size) != count * npe) {
                    fail(sec.node + "/ElementConnectivity",
                         "holds " + std::to_string(size) + " values for " + std::to_string(count) + " " +
                             cgns::elementTypeName(sec.type) + " elements");
                }
            } else if (size < count) {
                fail(sec.node + "/ElementConnectivity",
                     "holds " + std::to_string(size) + " values for " + std::to_string(count) + " elements");
            }
            m_file.checkCount(size, sec.node + "/ElementConnectivity");
            m_file.checkCount(count, sec.node + "/ElementRange");
            m_numElements += count;
            sec.connectivity.resize(static_cast<std::size_t>(size));
            sec.offsets.resize(static_cast<std::size_t>(count) + 1);
            if (poly) {
                m_file.check(cg_poly_elements_read(m_file.fn, m_base, m_zone, s, sec.connectivity.data(),
                                                   sec.offsets.data(), nullptr),
                             sec.node);
                if (sec.offsets[0] != 0 || sec.offsets.back() != size) {
                    fail(sec.node + "/ElementStartOffset",
                         "does not run from 0 to the connectivity's " + std::to_string(size) + " values");
                }
                for (std::size_t e = 0; e + 1 < sec.offsets.size(); ++e) {
                    if (sec.offsets[e + 1] <= sec.offsets[e]) {
                        fail(sec.node + "/ElementStartOffset",
                             "element " + std::to_string(sec.start + static_cast<long long>(e)) +
                                 " has no connectivity");
                    }
                }
            } else {
                m_file.check(cg_elements_read(m_file.fn, m_base, m_zone, s, sec.connectivity.data(), nullptr),
                             sec.node);
                for (std::size_t e = 0; e < sec.offsets.size(); ++e) {
                    sec.offsets[e] = static_cast<cgsize_t>(e) * npe;
                }
            }
        }
        // Element numbers identify elements across sections: their ranges may not overlap.
        m_order.resize(m_sections.size());
        for (std::size_t s = 0; s < m_sections.size(); ++s) {
            m_order[s] = s;
        }
        std::sort(m_order.begin(), m_order.end(),
                  [&](std::size_t a, std::size_t b) { return m_sections[a].start < m_sections[b].start; });
        for (std::size_t k = 1; k < m_order.size(); ++k) {
            Section const& a = m_sections[m_order[k - 1]];
            Section const& b = m_sections[m_order[k]];
            if (b.start <= a.end) {
                fail(b.node, "the element range overlaps that of " + a.node);
            }
        }
        markFaceTables();
        buildSets();
    }

    // The section and index of an element number, or null.
    Section* locate(long long p_element, std::size_t& p_index)
    {
        auto it = std::upper_bound(m_order.begin(), m_order.end(), p_element,
                                   [&](long long e, std::size_t s) { return e < m_sections[s].start; });
        if (it == m_order.begin()) {
            return nullptr;
        }
        Section& sec = m_sections[*(it - 1)];
        if (p_element > sec.end) {
            return nullptr;
        }
        p_index = static_cast<std::size_t>(p_element - sec.start);
        return &sec;
    }

    // NGON_n sections that the polyhedra of NFACE_n sections refer to hold the polyhedra's faces; they are
    // not surfaces of their own.
    void markFaceTables()
    {
        for (Section const& sec : m_sections) {
            if (sec.type != CGNS_ENUMV(NFACE_n)) {
                continue;
            }
            for (cgsize_t ref : sec.connectivity) {
                std::size_t index = 0;
                Section* face = locate(ref < 0 ? -static_cast<long long>(ref) : ref, index);
                if (face != nullptr && face->type == CGNS_ENUMV(NGON_n)) {
                    face->faceTable = true;
                }
            }
        }
    }

    int vertexOf(cgsize_t p_id, Section const& p_sec, long long p_element) const
    {
        if (p_id < 1 || p_id > m_numVertices) {
            fail(p_sec.node, "element " + std::to_string(p_element) + " refers to vertex " +
                                 std::to_string(p_id) + " past the " + std::to_string(m_numVertices) +
                                 " coordinates");
        }
        return static_cast<int>(p_id - 1);
    }

    SetBuild& setFor(Section& p_sec, std::size_t p_sectionIndex, int p_shape, bool p_element, int& p_slot)
    {
        auto key = std::make_pair(p_sectionIndex, p_shape);
        auto found = m_setSlot.find(key);
        if (found == m_setSlot.end()) {
            SetBuild build;
            build.name = p_sec.name;
            build.shape = p_shape;
            build.element = p_element;
            m_out.sets.push_back(std::move(build));
            m_setSections.push_back(p_sectionIndex);
            found = m_setSlot.emplace(key, static_cast<int>(m_out.sets.size() - 1)).first;
        }
        p_slot = found->second;
        return m_out.sets[static_cast<std::size_t>(p_slot)];
    }

    void buildSets()
    {
        std::vector<int> ids;
        std::vector<int> library;
        for (std::size_t si : m_order) {
            Section& sec = m_sections[si];
            long long const count = sec.count();
            sec.set.assign(static_cast<std::size_t>(count), -1);
            sec.position.assign(static_cast<std::size_t>(count), -1);
            if (sec.faceTable) {
                continue;
            }
            for (long long e = 0; e < count; ++e) {
                long long const element = sec.start + e;
                cgsize_t const* row = sec.connectivity.data() + sec.offsets[static_cast<std::size_t>(e)];
                long long n =
                    sec.offsets[static_cast<std::size_t>(e) + 1] - sec.offsets[static_cast<std::size_t>(e)];
                CGNS_ENUMT(ElementType_t) type = sec.type;
                if (type == CGNS_ENUMV(MIXED)) {
                    // The tag is file data: checked before it is taken as an element type.
                    if (row[0] < 0 || row[0] >= NofValidElementTypes) {
                        fail(sec.node, "element " + std::to_string(element) + ": unsupported element type " +
                                           cgns::elementTypeName(static_cast<int>(row[0])));
                    }
                    type = static_cast<CGNS_ENUMT(ElementType_t)>(row[0]);
                    int npe = 0;
                    if (dimensionOf(type) == 0 || type == CGNS_ENUMV(NGON_n) || type == CGNS_ENUMV(NFACE_n)) {
                        fail(sec.node, "element " + std::to_string(element) + ": unsupported element type " +
                                           cgns::elementTypeName(type));
                    }
                    cg_npe(type, &npe);
                    if (n != npe + 1) {
                        fail(sec.node, "element " + std::to_string(element) + " has " +
                                           std::to_string(n - 1) + " vertices for its type " +
                                           cgns::elementTypeName(type));
                    }
                    ++row;
                    --n;
                }
                int const dim = dimensionOf(type);
                if (type == CGNS_ENUMV(NFACE_n)) {
                    addPolyhedron(sec, si, element, row, n);
                    continue;
                }
                ids.resize(static_cast<std::size_t>(n));
                for (long long k = 0; k < n; ++k) {
                    ids[static_cast<std::size_t>(k)] = vertexOf(row[k], sec, element);
                }
                if (dim == 1) {
                    lineFrom(ids);
                    continue;
                }
                if (type == CGNS_ENUMV(NGON_n) && n < 3) {
                    fail(sec.node, "element " + std::to_string(element) + " is a polygon of " +
                                       std::to_string(n) + " vertices");
                }
                int shape = 0;
                switch (type) {
                case CGNS_ENUMV(TETRA_4):
                    shape = zev::TET;
                    break;
                case CGNS_ENUMV(PYRA_5):
                    shape = zev::PYRAMID;
                    break;
                case CGNS_ENUMV(PENTA_6):
                    shape = zev::WEDGE;
                    break;
                case CGNS_ENUMV(HEXA_8):
                    shape = zev::HEX;
                    break;
                default:
                    shape = polygonShape(ids.size());
                }
                int slot = 0;
                SetBuild& set = setFor(sec, si, shape, dim == 3, slot);
                library.resize(ids.size());
                if (shape == zev::HEX) {
                    // The file's hexahedron runs round its bottom and top faces as the VTK one does.
                    toLibraryOrder(VtkCellType::Hexahedron, ids.data(), 8, library.data());
                } else {
                    library = ids;
                }
                sec.set[static_cast<std::size_t>(e)] = slot;
                sec.position[static_cast<std::size_t>(e)] = static_cast<int>(set.size());
                set.vertices.insert(set.vertices.end(), library.begin(), library.end());
                set.starts.push_back(set.vertices.size());
                set.cells.push_back(dim == m_cellDim ? m_cellCount++ : -1);
            }
        }
    }

    void lineFrom(std::vector<int> const& p_ids)
    {
        m_out.lines.push_back(p_ids[0]);
        m_out.lines.push_back(p_ids[1]);
    }

    void addPolyhedron(Section& p_sec, std::size_t p_si, long long p_element, cgsize_t const* p_faces,
                       long long p_n)
    {
        if (p_n < 4) {
            fail(p_sec.node, "element " + std::to_string(p_element) + " is a polyhedron of " +
                                 std::to_string(p_n) + " faces");
        }
        PolyhedronTopology topology;
        std::unordered_map<int, int> position;
        for (long long f = 0; f < p_n; ++f) {
            long long const ref = p_faces[f] < 0 ? -static_cast<long long>(p_faces[f]) : p_faces[f];
            std::size_t index = 0;
            Section* face = locate(ref, index);
            if (face == nullptr || face->type != CGNS_ENUMV(NGON_n)) {
                fail(p_sec.node, "element " + std::to_string(p_element) + " refers to face " +
                                     std::to_string(p_faces[f]) + ", which is no NGON_n element");
            }
            cgsize_t const* row = face->connectivity.data() + face->offsets[index];
            long long const n = face->offsets[index + 1] - face->offsets[index];
            if (n < 3) {
                fail(face->node, "element " + std::to_string(ref) + " is a polygon of " + std::to_string(n) +
                                     " vertices");
            }
            std::vector<int> corners;
            corners.reserve(static_cast<std::size_t>(n));
            for (long long k = 0; k < n; ++k) {
                // A negative reference turns the face round: its normal points into this cell.
                cgsize_t const id = p_faces[f] < 0 ? row[n - 1 - k] : row[k];
                int const v = vertexOf(id, *face, ref);
                auto inserted = position.emplace(v, static_cast<int>(topology.vertices.size()));
                if (inserted.second) {
                    topology.vertices.push_back(v);
                }
                corners.push_back(inserted.first->second);
            }
            topology.faces.push_back(std::move(corners));
        }
        int slot = 0;
        SetBuild& set = setFor(p_sec, p_si, zev::POLYHEDRON, true, slot);
        std::size_t const e = static_cast<std::size_t>(p_element - p_sec.start);
        p_sec.set[e] = slot;
        p_sec.position[e] = static_cast<int>(set.size());
        set.polyhedra.push_back(std::move(topology));
        set.cells.push_back(m_cellDim == 3 ? m_cellCount++ : -1);
    }

    // Sets of one section take the section's name; a section split into several shape types names each
    // set "SECTION-KIND".
    void nameSets()
    {
        std::map<std::size_t, int> perSection;
        for (std::size_t s = 0; s < m_setSections.size(); ++s) {
            ++perSection[m_setSections[s]];
        }
        for (std::size_t s = 0; s < m_setSections.size(); ++s) {
            if (perSection[m_setSections[s]] > 1) {
                m_out.sets[s].name = zev::GeometryUtilities::getFaceSetName(m_out.sets[s].name,
                                                                            shapeKind(m_out.sets[s].shape));
            }
        }
    }

    void readBoundaryConditions()
    {
        nameSets();
        int nbocos = 0;
        m_file.check(cg_nbocos(m_file.fn, m_base, m_zone, &nbocos), m_zonePath);
        std::size_t const sectionSets = m_out.sets.size();
        for (int bc = 1; bc <= nbocos; ++bc) {
            char name[64] = {0};
            CGNS_ENUMT(BCType_t) bcType;
            CGNS_ENUMT(PointSetType_t) ptsetType;
            cgsize_t npnts = 0, normalListSize = 0;
            int normalIndex[3] = {0, 0, 0};
            CGNS_ENUMT(DataType_t) normalType;
            int ndataset = 0;
            std::string node = m_zonePath + "/ZoneBC";
            m_file.check(cg_boco_info(m_file.fn, m_base, m_zone, bc, name, &bcType, &ptsetType, &npnts,
                                      normalIndex, &normalListSize, &normalType, &ndataset),
                         node);
            node += "/" + std::string(name);
            CGNS_ENUMT(GridLocation_t) location = CGNS_ENUMV(Vertex);
            m_file.check(cg_boco_gridlocation_read(m_file.fn, m_base, m_zone, bc, &location), node);
            bool const range = ptsetType == CGNS_ENUMV(PointRange) || ptsetType == CGNS_ENUMV(ElementRange);
            bool const list = ptsetType == CGNS_ENUMV(PointList) || ptsetType == CGNS_ENUMV(ElementList);
            if (!range && !list) {
                fail(node, "the boundary condition has neither a point range nor a point list");
            }
            bool const elements = ptsetType == CGNS_ENUMV(ElementRange) ||
                                  ptsetType == CGNS_ENUMV(ElementList) || location == CGNS_ENUMV(FaceCenter);
            if (m_cellDim != 3 || (!elements && location != CGNS_ENUMV(Vertex))) {
                continue; // edges of a surface zone, or cells: no face set to make
            }
            if ((range && npnts != 2) || npnts < 0) {
                fail(node, "a point range needs 2 values, not " + std::to_string(npnts));
            }
            m_file.checkCount(npnts, node + "/PointList");
            std::vector<cgsize_t> points(static_cast<std::size_t>(npnts));
            if (npnts > 0) {
                m_file.check(cg_boco_read(m_file.fn, m_base, m_zone, bc, points.data(), nullptr), node);
            }
            std::vector<long long> items;
            if (range) {
                long long const lo = points[0], hi = points[1];
                long long const limit = elements ? maxElement() : m_numVertices;
                if (lo < 1 || hi < lo || hi > limit) {
                    fail(node, "the point range " + std::to_string(lo) + ".." + std::to_string(hi) +
                                   " lies outside 1.." + std::to_string(limit));
                }
                // Every element of the range must exist: it cannot be longer than the zone has elements.
                if (elements && hi - lo + 1 > m_numElements) {
                    fail(node, "the point range " + std::to_string(lo) + ".." + std::to_string(hi) +
                                   " is longer than the zone's " + std::to_string(m_numElements) +
                                   " elements");
                }
                items.reserve(static_cast<std::size_t>(hi - lo + 1));
                for (long long i = lo; i <= hi; ++i) {
                    items.push_back(i);
                }
            } else {
                items.assign(points.begin(), points.end());
            }
            if (elements) {
                addFaceBoundary(name, node, items);
            } else {
                addVertexBoundary(name, node, items, sectionSets);
            }
        }
    }

    long long maxElement() const { return m_order.empty() ? 0 : m_sections[m_order.back()].end; }

    // A face's vertices, from a set.
    std::vector<int> faceOf(int p_slot, int p_position) const
    {
        SetBuild const& from = m_out.sets[static_cast<std::size_t>(p_slot)];
        std::size_t const p = static_cast<std::size_t>(p_position);
        return std::vector<int>(from.vertices.begin() + static_cast<std::ptrdiff_t>(from.starts[p]),
                                from.vertices.begin() + static_cast<std::ptrdiff_t>(from.starts[p + 1]));
    }

    void addBoundarySet(std::string const& p_name, std::vector<std::vector<int>> const& p_faces)
    {
        // The faces by shape type, in the boundary condition's order.
        std::map<int, SetBuild> byShape;
        for (std::vector<int> const& face : p_faces) {
            int const shape = polygonShape(face.size());
            SetBuild& to = byShape[shape];
            to.shape = shape;
            to.vertices.insert(to.vertices.end(), face.begin(), face.end());
            to.starts.push_back(to.vertices.size());
            to.cells.push_back(-1);
        }
        for (auto& [shape, set] : byShape) {
            set.name = byShape.size() > 1 ? zev::GeometryUtilities::getFaceSetName(p_name, shapeKind(shape))
                                          : p_name;
            // A boundary condition naming a section's own faces is that section's face set.
            bool same = false;
            for (SetBuild const& existing : m_out.sets) {
                if (existing.name == set.name) {
                    same = !existing.element && existing.shape == set.shape &&
                           existing.vertices == set.vertices && existing.starts == set.starts;
                    if (!same) {
                        set.name = "ZoneBC/" + set.name;
                    }
                    break;
                }
            }
            if (!same) {
                m_out.sets.push_back(std::move(set));
            }
        }
    }

    void addFaceBoundary(std::string const& p_name, std::string const& p_node,
                         std::vector<long long> const& p_items)
    {
        std::vector<std::vector<int>> faces;
        faces.reserve(p_items.size());
        for (long long element : p_items) {
            std::size_t index = 0;
            Section* sec = locate(element, index);
            int const slot = sec != nullptr ? sec->set[index] : -1;
            if (slot < 0 || m_out.sets[static_cast<std::size_t>(slot)].element) {
                fail(p_node, "element " + std::to_string(element) + " is not a face of the zone");
            }
            faces.push_back(faceOf(slot, sec->position[index]));
        }
        addBoundarySet(p_name, faces);
    }

    // The faces of the volume elements, outward, as corner positions in the library's order.
    static std::vector<std::vector<int>> const& faceTable(int p_shape)
    {
        static std::vector<std::vector<int>> const tet{{0, 2, 1}, {0, 1, 3}, {1, 2, 3}, {2, 0, 3}};
        static std::vector<std::vector<int>> const pyramid{
            {0, 3, 2, 1}, {0, 1, 4}, {1, 2, 4}, {2, 3, 4}, {3, 0, 4}};
        static std::vector<std::vector<int>> const wedge{
            {0, 2, 1}, {3, 4, 5}, {0, 1, 4, 3}, {1, 2, 5, 4}, {2, 0, 3, 5}};
        static std::vector<std::vector<int>> const hex{{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                                       {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
        switch (p_shape) {
        case zev::TET:
            return tet;
        case zev::PYRAMID:
            return pyramid;
        case zev::WEDGE:
            return wedge;
        default:
            return hex;
        }
    }

    // Without surface sections, a boundary given by its vertices takes the faces of the volume elements
    // that no other element shares and whose vertices all belong to it.
    void boundaryFacesWithin(std::vector<char> const& p_in, std::vector<std::vector<int>>& p_faces)
    {
        if (!m_outerKnown) {
            findOuterFaces();
            m_outerKnown = true;
        }
        for (auto const& face : m_outerFaces) {
            bool all = true;
            for (std::size_t k = 0; k < face.size() && all; ++k) {
                all = p_in[static_cast<std::size_t>(face[k])] != 0;
            }
            if (all) {
                p_faces.push_back(face);
            }
        }
    }

    // The faces of the volume elements that no other element shares, in element order.
    void findOuterFaces()
    {
        std::vector<std::vector<int>> candidates;
        for (SetBuild const& set : m_out.sets) {
            if (!set.element) {
                continue;
            }
            for (std::size_t i = 0; i < set.size(); ++i) {
                if (set.shape == zev::POLYHEDRON) {
                    PolyhedronTopology const& t = set.polyhedra[i];
                    for (auto const& face : t.faces) {
                        candidates.emplace_back();
                        for (int local : face) {
                            candidates.back().push_back(t.vertices[static_cast<std::size_t>(local)]);
                        }
                    }
                    continue;
                }
                int const* corners = set.vertices.data() + set.starts[i];
                for (auto const& row : faceTable(set.shape)) {
                    candidates.emplace_back();
                    for (int k : row) {
                        candidates.back().push_back(corners[k]);
                    }
                }
            }
        }
        std::map<std::vector<int>, int> uses;
        std::vector<std::vector<int>> keys(candidates.size());
        for (std::size_t f = 0; f < candidates.size(); ++f) {
            keys[f] = candidates[f];
            std::sort(keys[f].begin(), keys[f].end());
            ++uses[keys[f]];
        }
        for (std::size_t f = 0; f < candidates.size(); ++f) {
            if (uses[keys[f]] == 1) {
                m_outerFaces.push_back(std::move(candidates[f]));
            }
        }
    }

    // A boundary given by its vertices: the faces of the zone's surface sections whose vertices all belong
    // to it.
    void addVertexBoundary(std::string const& p_name, std::string const& p_node,
                           std::vector<long long> const& p_items, std::size_t p_sectionSets)
    {
        std::vector<char> in(static_cast<std::size_t>(m_numVertices), 0);
        for (long long v : p_items) {
            if (v < 1 || v > m_numVertices) {
                fail(p_node,
                     "vertex " + std::to_string(v) + " lies outside 1.." + std::to_string(m_numVertices));
            }
            in[static_cast<std::size_t>(v - 1)] = 1;
        }
        std::vector<std::vector<int>> faces;
        bool surfaces = false;
        for (std::size_t s = 0; s < p_sectionSets; ++s) {
            SetBuild const& set = m_out.sets[s];
            if (set.element) {
                continue;
            }
            surfaces = true;
            for (std::size_t i = 0; i + 1 < set.starts.size(); ++i) {
                bool all = true;
                for (std::size_t k = set.starts[i]; k < set.starts[i + 1] && all; ++k) {
                    all = in[static_cast<std::size_t>(set.vertices[k])] != 0;
                }
                if (all) {
                    faces.push_back(faceOf(static_cast<int>(s), static_cast<int>(i)));
                }
            }
        }
        if (!surfaces) {
            boundaryFacesWithin(in, faces);
        }
        addBoundarySet(p_name, faces);
    }

    void readSolutions(std::string const& p_solution)
    {
        int nsols = 0;
        m_file.check(cg_nsols(m_file.fn, m_base, m_zone, &nsols), m_zonePath);
        struct Sol {
            int index;
            std::string name;
            bool cell;
        };
        std::vector<Sol> vertexSols, cellSols, all;
        for (int s = 1; s <= nsols; ++s) {
            char name[64] = {0};
            CGNS_ENUMT(GridLocation_t) location;
            m_file.check(cg_sol_info(m_file.fn, m_base, m_zone, s, name, &location), m_zonePath);
            CGNS_ENUMT(PointSetType_t) ptset;
            cgsize_t npnts = 0;
            m_file.check(cg_sol_ptset_info(m_file.fn, m_base, m_zone, s, &ptset, &npnts),
                         m_zonePath + "/" + name);
            if (ptset != CGNS_ENUMV(PointSetTypeNull) ||
                (location != CGNS_ENUMV(Vertex) && location != CGNS_ENUMV(CellCenter))) {
                all.push_back({-s, name, false}); // not read: a partial solution or another location
                continue;
            }
            Sol sol{s, name, location == CGNS_ENUMV(CellCenter)};
            (sol.cell ? cellSols : vertexSols).push_back(sol);
            all.push_back(sol);
        }
        std::vector<Sol> chosen;
        if (!p_solution.empty()) {
            for (Sol const& sol : all) {
                if (sol.name == p_solution) {
                    if (sol.index < 0) {
                        fail(m_zonePath + "/" + sol.name,
                             "only solutions at the vertices or cell centres without a point set are read");
                    }
                    chosen.push_back(sol);
                }
            }
            if (chosen.empty()) {
                long long const k = cgns::parseIndex(p_solution);
                if (k > 0 && static_cast<std::size_t>(k) <= vertexSols.size()) {
                    chosen.push_back(vertexSols[static_cast<std::size_t>(k - 1)]);
                }
                if (k > 0 && static_cast<std::size_t>(k) <= cellSols.size()) {
                    chosen.push_back(cellSols[static_cast<std::size_t>(k - 1)]);
                }
                if (chosen.empty()) {
                    fail(m_zonePath, "no solution '" + p_solution + "' (the zone has " +
                                         std::to_string(nsols) + (nsols == 1 ? " solution)" : " solutions)"));
                }
            }
        } else {
            if (!vertexSols.empty()) {
                chosen.push_back(vertexSols.front());
            }
            if (!cellSols.empty()) {
                chosen.push_back(cellSols.front());
            }
        }
        for (Sol const& sol : chosen) {
            readSolution(sol.index, sol.name, sol.cell);
        }
    }

    void readSolution(int p_sol, std::string const& p_name, bool p_cell)
    {
        std::string const node = m_zonePath + "/" + p_name;
        long long const expected = p_cell ? m_cellCount : m_numVertices;
        if (p_cell && m_numCells != m_cellCount) {
            fail(node, "the zone declares " + std::to_string(m_numCells) + " cells but its sections hold " +
                           std::to_string(m_cellCount));
        }
        m_file.check(cg_goto(m_file.fn, m_base, "Zone_t", m_zone, "FlowSolution_t", p_sol, "end"), node);
        int narrays = 0;
        m_file.check(cg_narrays(&narrays), node);
        std::vector<Field> fields;
        for (int a = 1; a <= narrays; ++a) {
            char name[64] = {0};
            CGNS_ENUMT(DataType_t) type;
            int dim = 0;
            cgsize_t dims[12] = {0};
            m_file.check(cg_array_info(a, name, &type, &dim, dims), node);
            long long const n = valueCount(dim, dims);
            if (n != expected) {
                fail(node + "/" + name, "holds " + std::to_string(n) + " values for " +
                                            std::to_string(expected) + (p_cell ? " cells" : " vertices"));
            }
            if (type != CGNS_ENUMV(RealSingle) && type != CGNS_ENUMV(RealDouble) &&
                type != CGNS_ENUMV(Integer) && type != CGNS_ENUMV(LongInteger)) {
                continue; // character data has no value to hold
            }
            m_file.checkCount(n, node + "/" + name);
            Field field;
            field.name = name;
            field.cellCentred = p_cell;
            field.values.resize(static_cast<std::size_t>(n));
            m_file.check(cg_array_read_as(a, CGNS_ENUMV(RealDouble), field.values.data()), node + "/" + name);
            fields.push_back(std::move(field));
        }
        // X/Y/Z triples of one stem are vectors.
        std::vector<bool> used(fields.size(), false);
        for (std::size_t f = 0; f < fields.size(); ++f) {
            if (used[f]) {
                continue;
            }
            std::string const& name = fields[f].name;
            if (name.size() > 1 && name.back() == 'X') {
                std::string const stem = name.substr(0, name.size() - 1);
                std::size_t y = fields.size(), z = fields.size();
                for (std::size_t g = 0; g < fields.size(); ++g) {
                    if (!used[g] && fields[g].name == stem + "Y") {
                        y = g;
                    }
                    if (!used[g] && fields[g].name == stem + "Z") {
                        z = g;
                    }
                }
                if (y < fields.size() && z < fields.size()) {
                    Field vector;
                    vector.name = stem;
                    vector.cellCentred = p_cell;
                    vector.components = 3;
                    vector.values.resize(3 * fields[f].values.size());
                    for (std::size_t i = 0; i < fields[f].values.size(); ++i) {
                        vector.values[3 * i] = fields[f].values[i];
                        vector.values[3 * i + 1] = fields[y].values[i];
                        vector.values[3 * i + 2] = fields[z].values[i];
                    }
                    used[f] = used[y] = used[z] = true;
                    m_out.fields.push_back(std::move(vector));
                    continue;
                }
            }
            used[f] = true;
            m_out.fields.push_back(std::move(fields[f]));
        }
    }

    CgnsFile& m_file;
    int m_base;
    int m_cellDim;
    int m_physDim;
    int m_zone;
    std::string m_zonePath;
    long long m_numVertices = 0;
    long long m_numCells = 0;
    long long m_cellCount = 0;
    long long m_numElements = 0;
    bool m_outerKnown = false;
    std::vector<std::vector<int>> m_outerFaces;
    std::vector<Section> m_sections;
    std::vector<std::size_t> m_order;
    std::map<std::pair<std::size_t, int>, int> m_setSlot;
    std::vector<std::size_t> m_setSections;
    ZoneData m_out;
};

struct BaseChoice {
    int index = 0;
    std::string name;
    int cellDim = 0;
    int physDim = 0;
};

BaseChoice chooseBase(CgnsFile& p_file, std::string const& p_base)
{
    int nbases = 0;
    p_file.check(cg_nbases(p_file.fn, &nbases), "/");
    if (nbases < 1) {
        throw FormatError::atNode(p_file.path, "/", "the file has no base");
    }
    std::vector<BaseChoice> bases(static_cast<std::size_t>(nbases));
    for (int b = 1; b <= nbases; ++b) {
        char name[64] = {0};
        BaseChoice& c = bases[static_cast<std::size_t>(b - 1)];
        p_file.check(cg_base_read(p_file.fn, b, name, &c.cellDim, &c.physDim), "/");
        c.index = b;
        c.name = name;
    }
    BaseChoice const* chosen = &bases.front();
    if (!p_base.empty()) {
        chosen = nullptr;
        for (BaseChoice const& c : bases) {
            if (c.name == p_base) {
                chosen = &c;
            }
        }
        long long const k = cgns::parseIndex(p_base);
        if (chosen == nullptr && k > 0 && k <= nbases) {
            chosen = &bases[static_cast<std::size_t>(k - 1)];
        }
        if (chosen == nullptr) {
            throw FormatError::atNode(p_file.path, "/",
                                      "no base '" + p_base + "' (the file has " + std::to_string(nbases) +
                                          (nbases == 1 ? " base)" : " bases)"));
        }
    }
    if (chosen->cellDim < 1 || chosen->cellDim > 3 || chosen->physDim < 1 || chosen->physDim > 3) {
        throw FormatError::atNode(p_file.path, "/" + chosen->name,
                                  "cell dimension " + std::to_string(chosen->cellDim) +
                                      " and physical dimension " + std::to_string(chosen->physDim) +
                                      " are not a mesh in space");
    }
    return *chosen;
}

std::vector<ZoneData> readSelected(std::string const& p_path, CgnsSelection const& p_selection)
{
    CgnsFile file(p_path);
    BaseChoice const base = chooseBase(file, p_selection.base);
    int nzones = 0;
    std::string const basePath = "/" + base.name;
    file.check(cg_nzones(file.fn, base.index, &nzones), basePath);
    std::vector<int> zones;
    if (p_selection.zone.empty()) {
        for (int z = 1; z <= nzones; ++z) {
            zones.push_back(z);
        }
        if (zones.empty()) {
            throw FormatError::atNode(p_path, basePath, "the base has no zone");
        }
    } else {
        for (int z = 1; z <= nzones && zones.empty(); ++z) {
            char name[64] = {0};
            cgsize_t size[9] = {0};
            file.check(cg_zone_read(file.fn, base.index, z, name, size), basePath);
            if (p_selection.zone == name) {
                zones.push_back(z);
            }
        }
        long long const k = cgns::parseIndex(p_selection.zone);
        if (zones.empty() && k > 0 && k <= nzones) {
            zones.push_back(static_cast<int>(k));
        }
        if (zones.empty()) {
            throw FormatError::atNode(p_path, basePath,
                                      "no zone '" + p_selection.zone + "' (the base has " +
                                          std::to_string(nzones) + (nzones == 1 ? " zone)" : " zones)"));
        }
    }
    std::vector<ZoneData> out;
    for (int z : zones) {
        ZoneReader reader(file, base.index, base.name, base.cellDim, base.physDim, z);
        out.push_back(reader.read(p_selection.solution));
    }
    return out;
}

void fillShape(zev::Shape& p_shape, SetBuild const& p_set, std::size_t p_i, int p_offset)
{
    if (p_set.shape == zev::POLYHEDRON) {
        PolyhedronTopology const& t = p_set.polyhedra[p_i];
        p_shape.setNumVertices(static_cast<int>(t.vertices.size()));
        for (std::size_t k = 0; k < t.vertices.size(); ++k) {
            p_shape[static_cast<int>(k)] = t.vertices[k] + p_offset;
        }
        p_shape.setNumFaces(static_cast<int>(t.faces.size()));
        for (std::size_t f = 0; f < t.faces.size(); ++f) {
            p_shape.setFaceVertSize(static_cast<int>(f), static_cast<int>(t.faces[f].size()));
            for (std::size_t k = 0; k < t.faces[f].size(); ++k) {
                p_shape.setFaceVertex(static_cast<int>(f), static_cast<int>(k), t.faces[f][k]);
            }
        }
        return;
    }
    int const n = static_cast<int>(p_set.starts[p_i + 1] - p_set.starts[p_i]);
    if (p_set.shape == zev::POLYGON) {
        p_shape.setNumVertices(n);
    }
    for (int k = 0; k < n; ++k) {
        p_shape[k] = p_set.vertices[p_set.starts[p_i] + static_cast<std::size_t>(k)] + p_offset;
    }
}

// Builds one geometry from zones; p_prefix puts "ZONE/" before every set name.
LoadedMesh assemble(std::vector<ZoneData> const& p_zones, std::string const& p_source, bool p_prefix,
                    std::string const& p_name)
{
    LoadedMesh out;
    out.source = p_source;
    installLocationProvider();
    out.geometry.reset(zev::GeometryAPI::instance()->newGeometry("", nullptr));
    zev::Geometry& g = out.geo();
    g.setName(p_source);
    g.setDomain(p_name);

    std::size_t total = 0;
    for (ZoneData const& z : p_zones) {
        total += z.numVertices;
    }
    if (total > static_cast<std::size_t>(INT_MAX)) {
        throw FormatError(p_source, 0, FormatError::s_noOffset,
                          "the zones hold more vertices than a mesh can");
    }
    auto& vertices = g.getVertices();
    vertices.resize(total);
    std::size_t base = 0;
    for (ZoneData const& z : p_zones) {
        for (std::size_t i = 0; i < z.numVertices; ++i) {
            vertices[base + i] = zev::Triplet(z.xyz[3 * i], z.xyz[3 * i + 1], z.xyz[3 * i + 2]);
        }
        base += z.numVertices;
    }

    // Sets, and for each zone the name under which each of its sets is filed.
    std::vector<std::vector<std::string>> setNames(p_zones.size());
    base = 0;
    int elementSetNumber = 0;
    auto& lines = g.getLines();
    for (std::size_t zi = 0; zi < p_zones.size(); ++zi) {
        ZoneData const& z = p_zones[zi];
        int const offset = static_cast<int>(base);
        for (SetBuild const& set : z.sets) {
            std::string const name = p_prefix ? z.name + "/" + set.name : set.name;
            setNames[zi].push_back(name);
            int const count = static_cast<int>(set.size());
            bool const exists =
                set.element ? g.getElementSet(name) != nullptr : g.getFaceSet(name) != nullptr;
            if (exists) {
                throw FormatError(p_source, 0, FormatError::s_noOffset, "two sets are named '" + name + "'");
            }
            zev::ShapeSet* shapes =
                set.element ? g.addElementSet(name, elementSetNumber++,
                                              static_cast<zev::ShapeType>(set.shape), count, 1.0)
                            : g.addFaceSet(name, static_cast<zev::ShapeType>(set.shape), count, 1.0);
            for (std::size_t i = 0; i < set.size(); ++i) {
                fillShape((*shapes)[i], set, i, offset);
            }
        }
        for (int v : z.lines) {
            lines.push_back(v + offset);
        }
        base += z.numVertices;
    }

    // Fields, in order of first appearance over the zones.
    std::vector<std::pair<std::string, bool>> keys;
    std::map<std::pair<std::string, bool>, int> components;
    for (ZoneData const& z : p_zones) {
        for (Field const& f : z.fields) {
            auto key = std::make_pair(f.name, f.cellCentred);
            auto found = components.find(key);
            if (found == components.end()) {
                keys.push_back(key);
                components[key] = f.components;
            } else if (found->second != f.components) {
                throw FormatError(p_source, 0, FormatError::s_noOffset,
                                  "the field '" + f.name +
                                      "' is a vector in one zone and a scalar in another");
            }
        }
    }
    for (auto const& key : keys) {
        int const comps = components[key];
        bool const cell = key.second;
        MeshVariable mv;
        mv.name = key.first;
        mv.numComponents = comps;
        if (!cell) {
            mv.location = zev::eVertex;
            std::vector<float> values(total * static_cast<std::size_t>(comps), zev::ZEV_UNDEF);
            base = 0;
            for (ZoneData const& z : p_zones) {
                for (Field const& f : z.fields) {
                    if (f.name == key.first && !f.cellCentred) {
                        for (std::size_t i = 0; i < f.values.size(); ++i) {
                            values[base * static_cast<std::size_t>(comps) + i] = toFloat(f.values[i]);
                        }
                    }
                }
                base += z.numVertices;
            }
            if (comps == 3) {
                auto* v = new zev::VectorVariable(s_fileType, zev::eVertex);
                mv.variable.reset(v);
                auto& data = v->getTripletValues(zev::Variable::Description(s_fileType, zev::eVertex));
                data.resize(total);
                for (std::size_t i = 0; i < total; ++i) {
                    data[i] = zev::Triplet(values[3 * i], values[3 * i + 1], values[3 * i + 2]);
                }
            } else {
                mv.variable.reset(new zev::ScalarVariable(values.data(), static_cast<int>(total), s_fileType,
                                                          zev::eVertex));
            }
        } else {
            // Cell-centred values belong to the cells: elements of a volume zone, faces of a surface one.
            bool const volume = p_zones.front().cellDimension == 3;
            zev::VarLocation const location = volume ? zev::eElement : zev::eFace;
            mv.location = location;
            zev::Variable* variable =
                comps == 3 ? static_cast<zev::Variable*>(new zev::VectorVariable(s_fileType, location))
                           : new zev::ScalarVariable(s_fileType, location);
            mv.variable.reset(variable);
            for (std::size_t zi = 0; zi < p_zones.size(); ++zi) {
                ZoneData const& z = p_zones[zi];
                Field const* field = nullptr;
                for (Field const& f : z.fields) {
                    if (f.name == key.first && f.cellCentred) {
                        field = &f;
                    }
                }
                for (std::size_t s = 0; s < z.sets.size(); ++s) {
                    SetBuild const& set = z.sets[s];
                    if (set.element != volume || set.cells.empty() || set.cells.front() < 0) {
                        continue;
                    }
                    zev::Variable::Description const desc(s_fileType, location, setNames[zi][s]);
                    std::size_t const n = set.size();
                    auto value = [&](std::size_t i, int c) {
                        return field ? toFloat(
                                           field->values[static_cast<std::size_t>(set.cells[i]) * comps + c])
                                     : zev::ZEV_UNDEF;
                    };
                    if (comps == 3) {
                        auto& data = static_cast<zev::VectorVariable*>(variable)->getTripletValues(desc);
                        data.resize(n);
                        for (std::size_t i = 0; i < n; ++i) {
                            data[i] = zev::Triplet(value(i, 0), value(i, 1), value(i, 2));
                        }
                    } else {
                        auto& data = variable->getFloatValues(desc);
                        data.resize(n);
                        for (std::size_t i = 0; i < n; ++i) {
                            data[i] = value(i, 0);
                        }
                    }
                }
            }
        }
        mv.variable->setName(mv.name);
        out.variables.push_back(std::move(mv));
    }
    return out;
}

} // namespace

bool CgnsReader::isCgnsFile(std::string const& p_path)
{
    int type = 0;
    return cg_is_cgns(p_path.c_str(), &type) == CG_OK;
}

std::vector<CgnsBaseInfo> CgnsReader::listFile(std::string const& p_path)
{
    CgnsFile file(p_path);
    std::vector<CgnsBaseInfo> out;
    int nbases = 0;
    file.check(cg_nbases(file.fn, &nbases), "/");
    for (int b = 1; b <= nbases; ++b) {
        char name[64] = {0};
        CgnsBaseInfo info;
        file.check(cg_base_read(file.fn, b, name, &info.cellDimension, &info.physicalDimension), "/");
        info.name = name;
        int nzones = 0;
        file.check(cg_nzones(file.fn, b, &nzones), "/" + info.name);
        for (int z = 1; z <= nzones; ++z) {
            CgnsZoneInfo zone;
            cgsize_t size[9] = {0};
            char zname[64] = {0};
            file.check(cg_zone_read(file.fn, b, z, zname, size), "/" + info.name);
            zone.name = zname;
            CGNS_ENUMT(ZoneType_t) type;
            file.check(cg_zone_type(file.fn, b, z, &type), "/" + info.name + "/" + zone.name);
            zone.structured = type == CGNS_ENUMV(Structured);
            zone.vertices = zone.structured ? 0 : size[0];
            zone.cells = zone.structured ? 0 : size[1];
            int nsols = 0;
            file.check(cg_nsols(file.fn, b, z, &nsols), "/" + info.name + "/" + zone.name);
            for (int s = 1; s <= nsols; ++s) {
                char sname[64] = {0};
                CGNS_ENUMT(GridLocation_t) location;
                file.check(cg_sol_info(file.fn, b, z, s, sname, &location),
                           "/" + info.name + "/" + zone.name);
                zone.solutions.push_back(sname);
            }
            info.zones.push_back(std::move(zone));
        }
        out.push_back(std::move(info));
    }
    return out;
}

std::vector<LoadedMesh> CgnsReader::readZones(std::string const& p_path, CgnsSelection const& p_selection)
{
    std::vector<ZoneData> zones = readSelected(p_path, p_selection);
    std::vector<LoadedMesh> out;
    for (ZoneData& z : zones) {
        std::vector<ZoneData> one;
        one.push_back(std::move(z));
        out.push_back(assemble(one, p_path, false, one.front().name));
    }
    return out;
}

void CgnsReader::readDomains(zev::GeomObject& p_object, std::string const& p_path,
                             CgnsSelection const& p_selection)
{
    std::vector<LoadedMesh> zones = readZones(p_path, p_selection);
    for (LoadedMesh& mesh : zones) {
        zev::Geometry& g = mesh.geo();
        for (MeshVariable& mv : mesh.variables) {
            if (!mv.variable || g.hasVariable(mv.name, mv.location)) {
                continue;
            }
            mv.variable->setLocation(mv.location);
            g.addVariable(mv.variable.get(), mv.location);
            mv.variable.release(); // the geometry owns it now
        }
        mesh.variablesFiled = true;
        std::string const domain = g.getDomain();
        p_object.setGeometry(domain, mesh.geometry.get());
        mesh.geometry.release(); // the object owns it now
    }
}

LoadedMesh CgnsReader::readMesh(std::string const& p_path, CgnsSelection const& p_selection)
{
    std::vector<ZoneData> zones = readSelected(p_path, p_selection);
    bool const several = zones.size() > 1;
    return assemble(zones, p_path, several, several ? p_path : zones.front().name);
}

} // namespace zev::io
