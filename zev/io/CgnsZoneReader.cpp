#include "zev/io/CgnsZoneReader.h"

#include "zev/io/FormatError.h"
#include "zev/io/ValueRange.h"

#include <climits>

namespace zev::io::cgns {

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

namespace {

// One array of the node cg_goto last went to: its name, data type and value count (-1 when its
// dimensions are negative or too large).
struct ArrayInfo {
    std::string name;
    CGNS_ENUMT(DataType_t) type;
    long long count;
};

ArrayInfo arrayInfo(CgnsFile const& p_file, int p_array, std::string const& p_node)
{
    char name[64] = {0};
    CGNS_ENUMT(DataType_t) type;
    int dim = 0;
    cgsize_t dims[12] = {0};
    p_file.check(cg_array_info(p_array, name, &type, &dim, dims), p_node);
    return ArrayInfo{name, type, valueCount(dim, dims)};
}

} // namespace

ZoneReader::ZoneReader(CgnsFile& p_file, int p_base, std::string const& p_baseName, int p_cellDim,
                       int p_physDim, int p_zone)
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

ZoneData ZoneReader::read(std::string const& p_solution)
{
    readCoordinates();
    readSections();
    readBoundaryConditions();
    readSolutions(p_solution);
    return std::move(m_out);
}

void ZoneReader::fail(std::string const& p_node, std::string const& p_what) const
{
    throw FormatError::atNode(m_file.path, p_node, p_what);
}

void ZoneReader::readCoordinates()
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
        ArrayInfo const info = arrayInfo(m_file, a, node);
        if (info.count != m_numVertices) {
            fail(node + "/" + info.name, "holds " + std::to_string(info.count) + " values for the zone's " +
                                             std::to_string(m_numVertices) + " vertices");
        }
        arrays[info.name] = a;
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
            if (char const* fault = coordinateFault(values[i])) {
                fail(node + "/" + names[a], "point " + std::to_string(i) + " " + fault);
            }
            m_out.xyz[3 * i + static_cast<std::size_t>(a)] = static_cast<float>(values[i]);
        }
    }
}

void ZoneReader::readSolutions(std::string const& p_solution)
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
                fail(m_zonePath, "no solution '" + p_solution + "' (the zone has " + std::to_string(nsols) +
                                     (nsols == 1 ? " solution)" : " solutions)"));
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

void ZoneReader::readSolution(int p_sol, std::string const& p_name, bool p_cell)
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
        ArrayInfo const info = arrayInfo(m_file, a, node);
        if (info.count != expected) {
            fail(node + "/" + info.name, "holds " + std::to_string(info.count) + " values for " +
                                             std::to_string(expected) + (p_cell ? " cells" : " vertices"));
        }
        if (info.type != CGNS_ENUMV(RealSingle) && info.type != CGNS_ENUMV(RealDouble) &&
            info.type != CGNS_ENUMV(Integer) && info.type != CGNS_ENUMV(LongInteger)) {
            continue; // character data has no value to hold
        }
        m_file.checkCount(info.count, node + "/" + info.name);
        Field field;
        field.name = info.name;
        field.cellCentred = p_cell;
        field.values.resize(static_cast<std::size_t>(info.count));
        m_file.check(cg_array_read_as(a, CGNS_ENUMV(RealDouble), field.values.data()),
                     node + "/" + info.name);
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

} // namespace zev::io::cgns
