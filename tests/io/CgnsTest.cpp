// CGNS files made here through the CGNS library's own writing functions: every linear element type,
// MIXED and NGON/NFACE polyhedra, boundary conditions by range, list and vertices, vertex and cell-centred
// solutions in two time steps, two zones; the round trip library -> CGNS -> library; volumes equal to
// those of the same mesh read from VTK, and the corners written back in the standard's orientation; and
// malformed files refused with the node named.
#include "zev/contracts/Undefined.h"
#include "zev/geometry/GeomObject.h"
#include "zev/geometry/Geometry.h"
#include "zev/io/CgnsReader.h"
#include "zev/io/CgnsWriter.h"
#include "zev/io/FormatError.h"
#include "zev/io/MeshFile.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/variables/VectorVariable.h"

#include <cgnslib.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>

namespace {

using namespace zev::io;

std::string tempPath(std::string const& p_name)
{
    return "/tmp/zev_cgns_" + std::to_string(::getpid()) + "_" + p_name;
}

// The CGNS library's writing calls, each checked.
class Builder {
public:
    explicit Builder(std::string const& p_path, int p_cellDim = 3) : path(p_path)
    {
        ok(cg_open(p_path.c_str(), CG_MODE_WRITE, &fn));
        ok(cg_base_write(fn, "Base", p_cellDim, 3, &base));
    }
    ~Builder()
    {
        if (fn >= 0) {
            cg_close(fn);
        }
    }
    void close()
    {
        ok(cg_close(fn));
        fn = -1;
    }
    static void ok(int p_status) { ASSERT_EQ(p_status, CG_OK) << cg_get_error(); }

    // A zone of the given points (x, y, z per point) and cell count.
    int zone(char const* p_name, std::vector<double> const& p_xyz, cgsize_t p_cells)
    {
        cgsize_t size[3] = {static_cast<cgsize_t>(p_xyz.size() / 3), p_cells, 0};
        int z = 0;
        ok(cg_zone_write(fn, base, p_name, size, CGNS_ENUMV(Unstructured), &z));
        char const* names[3] = {"CoordinateX", "CoordinateY", "CoordinateZ"};
        for (int a = 0; a < 3; ++a) {
            std::vector<double> c;
            for (std::size_t i = a; i < p_xyz.size(); i += 3) {
                c.push_back(p_xyz[i]);
            }
            int index = 0;
            ok(cg_coord_write(fn, base, z, CGNS_ENUMV(RealDouble), names[a], c.data(), &index));
        }
        return z;
    }
    void section(int p_zone, char const* p_name, CGNS_ENUMT(ElementType_t) p_type, cgsize_t p_start,
                 std::vector<cgsize_t> const& p_conn)
    {
        int npe = 0;
        cg_npe(p_type, &npe);
        int s = 0;
        ok(cg_section_write(fn, base, p_zone, p_name, p_type, p_start,
                            p_start + static_cast<cgsize_t>(p_conn.size()) / npe - 1, 0, p_conn.data(), &s));
    }
    // A MIXED, NGON_n or NFACE_n section: p_rows are the elements (for MIXED each starting with its type).
    void poly(int p_zone, char const* p_name, CGNS_ENUMT(ElementType_t) p_type, cgsize_t p_start,
              std::vector<std::vector<cgsize_t>> const& p_rows)
    {
        std::vector<cgsize_t> conn, offsets{0};
        for (auto const& row : p_rows) {
            conn.insert(conn.end(), row.begin(), row.end());
            offsets.push_back(static_cast<cgsize_t>(conn.size()));
        }
        int s = 0;
        ok(cg_poly_section_write(fn, base, p_zone, p_name, p_type, p_start,
                                 p_start + static_cast<cgsize_t>(p_rows.size()) - 1, 0, conn.data(),
                                 offsets.data(), &s));
    }
    void bc(int p_zone, char const* p_name, CGNS_ENUMT(PointSetType_t) p_type,
            std::vector<cgsize_t> const& p_points, CGNS_ENUMT(GridLocation_t) p_location)
    {
        int b = 0;
        ok(cg_boco_write(fn, base, p_zone, p_name, CGNS_ENUMV(BCWall), p_type,
                         static_cast<cgsize_t>(p_points.size()), p_points.data(), &b));
        ok(cg_boco_gridlocation_write(fn, base, p_zone, b, p_location));
    }
    int solution(int p_zone, char const* p_name, CGNS_ENUMT(GridLocation_t) p_location)
    {
        int s = 0;
        ok(cg_sol_write(fn, base, p_zone, p_name, p_location, &s));
        return s;
    }
    void field(int p_zone, int p_sol, char const* p_name, std::vector<double> const& p_values)
    {
        int f = 0;
        ok(cg_field_write(fn, base, p_zone, p_sol, CGNS_ENUMV(RealDouble), p_name, p_values.data(), &f));
    }

    std::string path;
    int fn = -1;
    int base = 0;
};

// The 3 x 3 x 3 lattice of unit spacing; CGNS numbers vertex (i, j, k) as id(i, j, k).
std::vector<double> lattice()
{
    std::vector<double> xyz;
    for (int k = 0; k < 3; ++k) {
        for (int j = 0; j < 3; ++j) {
            for (int i = 0; i < 3; ++i) {
                xyz.insert(xyz.end(), {double(i), double(j), double(k)});
            }
        }
    }
    return xyz;
}
cgsize_t id(int i, int j, int k)
{
    return 1 + i + 3 * j + 9 * k;
}

// Zone "Fluid": one element of every type (a tetrahedron as an NFACE_n polyhedron whose fourth face is
// stored turned round), two quadrilaterals, a triangle and a line; boundary conditions by range, by list,
// by vertices and one repeating a section; two time steps of vertex and cell-centred solutions.
// Zone "Solid": one hexahedron with pressure only and a boundary condition on its bottom vertices.
void writeTwoZones(std::string const& p_path)
{
    Builder b(p_path);
    int const fluid = b.zone("Fluid", lattice(), 7);
    b.section(fluid, "Tets", CGNS_ENUMV(TETRA_4), 1, {id(0, 0, 0), id(1, 0, 0), id(0, 1, 0), id(0, 0, 1)});
    b.section(fluid, "Hexes", CGNS_ENUMV(HEXA_8), 2,
              {id(1, 0, 0), id(2, 0, 0), id(2, 1, 0), id(1, 1, 0), id(1, 0, 1), id(2, 0, 1), id(2, 1, 1),
               id(1, 1, 1)});
    b.section(fluid, "Prisms", CGNS_ENUMV(PENTA_6), 3,
              {id(0, 1, 0), id(1, 1, 0), id(0, 2, 0), id(0, 1, 1), id(1, 1, 1), id(0, 2, 1)});
    b.section(fluid, "Pyramids", CGNS_ENUMV(PYRA_5), 4,
              {id(1, 1, 0), id(2, 1, 0), id(2, 2, 0), id(1, 2, 0), id(1, 1, 1)});
    b.poly(fluid, "Mixed", CGNS_ENUMV(MIXED), 5,
           {{CGNS_ENUMV(TETRA_4), id(1, 1, 1), id(2, 1, 1), id(1, 2, 1), id(1, 1, 2)},
            {CGNS_ENUMV(HEXA_8), id(0, 0, 1), id(1, 0, 1), id(1, 1, 1), id(0, 1, 1), id(0, 0, 2), id(1, 0, 2),
             id(1, 1, 2), id(0, 1, 2)}});
    cgsize_t const a = id(2, 2, 1), c = id(1, 2, 1), d = id(2, 2, 2), e = id(2, 1, 1);
    b.poly(fluid, "Poly", CGNS_ENUMV(NFACE_n), 7, {{8, 9, 10, -11}});
    b.poly(fluid, "PolyFaces", CGNS_ENUMV(NGON_n), 8, {{a, e, c}, {a, d, e}, {e, d, c}, {a, d, c}});
    b.section(fluid, "Inlet", CGNS_ENUMV(QUAD_4), 12,
              {id(0, 0, 0), id(0, 1, 0), id(1, 1, 0), id(1, 0, 0), id(1, 0, 0), id(1, 1, 0), id(2, 1, 0),
               id(2, 0, 0)});
    b.section(fluid, "Wall", CGNS_ENUMV(TRI_3), 14, {id(0, 0, 0), id(0, 0, 1), id(1, 0, 0)});
    b.section(fluid, "Edges", CGNS_ENUMV(BAR_2), 15, {id(0, 0, 0), id(2, 2, 2)});
    b.bc(fluid, "inlet", CGNS_ENUMV(PointRange), {12, 13}, CGNS_ENUMV(FaceCenter));
    b.bc(fluid, "Inlet", CGNS_ENUMV(PointRange), {12, 13}, CGNS_ENUMV(FaceCenter));
    b.bc(fluid, "wall", CGNS_ENUMV(PointList), {14, 12}, CGNS_ENUMV(FaceCenter));
    b.bc(fluid, "floor", CGNS_ENUMV(PointList),
         {id(0, 0, 0), id(1, 0, 0), id(2, 0, 0), id(0, 1, 0), id(1, 1, 0), id(2, 1, 0)}, CGNS_ENUMV(Vertex));
    for (int step = 1; step <= 2; ++step) {
        std::string const name = step == 1 ? "FlowSolution" : "Step2";
        int const v = b.solution(fluid, name.c_str(), CGNS_ENUMV(Vertex));
        std::vector<double> p(27), u(27), w(27), z(27, 0.0);
        for (int i = 0; i < 27; ++i) {
            p[i] = 100.0 * step + i;
            u[i] = 0.5 * i;
            w[i] = -i;
        }
        b.field(fluid, v, "Pressure", p);
        b.field(fluid, v, "VelocityX", u);
        b.field(fluid, v, "VelocityY", w);
        b.field(fluid, v, "VelocityZ", z);
        b.field(fluid, v, "MomentumX", u); // no Y and Z: a scalar
        int const cc = b.solution(fluid, (name + "CC").c_str(), CGNS_ENUMV(CellCenter));
        b.field(fluid, cc, "Density", {1.0 * step, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0});
    }
    int const solid =
        b.zone("Solid", {5, 0, 0, 6, 0, 0, 6, 1, 0, 5, 1, 0, 5, 0, 2, 6, 0, 2, 6, 1, 2, 5, 1, 2}, 1);
    b.section(solid, "Block", CGNS_ENUMV(HEXA_8), 1, {1, 2, 3, 4, 5, 6, 7, 8});
    b.bc(solid, "base", CGNS_ENUMV(PointList), {1, 2, 3, 4}, CGNS_ENUMV(Vertex));
    int const s = b.solution(solid, "FlowSolution", CGNS_ENUMV(Vertex));
    b.field(solid, s, "Pressure", {1, 2, 3, 4, 5, 6, 7, 8});
    b.close();
}

std::vector<int> shapeVertices(zev::Shape const& p_shape)
{
    std::vector<int> out;
    for (int k = 0; k < p_shape.getNumVertices(); ++k) {
        out.push_back(p_shape[k]);
    }
    return out;
}

// The name under which the element set labelled p_label is filed; empty when no set has that label.
std::string filedAs(zev::Geometry const& p_g, std::string const& p_label)
{
    for (std::string const& name : p_g.getElementSetNames()) {
        if (p_g.getElementSet(name)->getLabel() == p_label) {
            return name;
        }
    }
    return "";
}

double totalVolume(zev::Geometry const& p_g)
{
    double sum = 0;
    auto const& v = p_g.getElementVolumes();
    for (std::size_t i = 0; i < v.size(); ++i) {
        sum += v[i];
    }
    return sum;
}

MeshVariable const& variable(LoadedMesh const& p_mesh, std::string const& p_name, zev::VarLocation p_location)
{
    MeshVariable const* mv = p_mesh.findVariable(p_name, p_location);
    EXPECT_NE(mv, nullptr) << p_name;
    static MeshVariable none;
    return mv ? *mv : none;
}

std::vector<float> toVector(zev::FloatZEVVector const& p_data)
{
    std::vector<float> out(p_data.size());
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = p_data[i];
    }
    return out;
}

std::vector<float> scalars(MeshVariable const& p_mv, std::string const& p_set = "")
{
    zev::Variable::Description const desc =
        p_set.empty() ? zev::Variable::Description(zev::eConservative, p_mv.location)
                      : zev::Variable::Description(zev::eConservative, p_mv.location, p_set);
    auto const& data = static_cast<zev::Variable const&>(*p_mv.variable).getFloatValues(desc);
    return toVector(data);
}

TEST(Cgns, ReadsEveryElementTypeBoundaryAndSolution)
{
    std::string const path = tempPath("zones.cgns");
    writeTwoZones(path);
    std::vector<LoadedMesh> zones = CgnsReader::readZones(path, CgnsSelection());
    ASSERT_EQ(zones.size(), 2u);
    LoadedMesh const& fluid = zones[0];
    zev::Geometry const& g = fluid.geo();
    EXPECT_EQ(g.getDomain(), "Fluid");
    EXPECT_EQ(zones[1].geo().getDomain(), "Solid");
    EXPECT_EQ(g.getNumVertices(), 27);

    // One element set per (section, type), filed as ES1, ES2, ... in the file's order and labelled with
    // the section's name; surfaces and boundary conditions as face sets under their own names; the "Inlet"
    // condition repeats the section and adds no set.
    std::vector<std::pair<std::string, std::string>> filed;
    for (std::string const& name : g.getElementSetNames()) {
        filed.emplace_back(name, g.getElementSet(name)->getLabel());
    }
    EXPECT_EQ(filed, (std::vector<std::pair<std::string, std::string>>{{"ES1", "Tets"},
                                                                       {"ES2", "Hexes"},
                                                                       {"ES3", "Prisms"},
                                                                       {"ES4", "Pyramids"},
                                                                       {"ES5", "Mixed-TET"},
                                                                       {"ES6", "Mixed-HEX"},
                                                                       {"ES7", "Poly"}}));
    EXPECT_EQ(g.getFaceSetNames(),
              (std::vector<std::string>{"Inlet", "Wall", "floor", "inlet", "wall-QUAD", "wall-TRI"}));
    struct Expect {
        char const* set;
        zev::ShapeType type;
        std::vector<int> vertices; // 0-based, library order
        double volume;
    };
    auto v = [](int i, int j, int k) { return static_cast<int>(id(i, j, k) - 1); };
    std::vector<Expect> const expected{
        {"Tets", zev::TET, {v(0, 0, 0), v(1, 0, 0), v(0, 1, 0), v(0, 0, 1)}, 1.0 / 6},
        // The hexahedron's corners in the library's lattice order.
        {"Hexes",
         zev::HEX,
         {v(1, 0, 0), v(2, 0, 0), v(1, 1, 0), v(2, 1, 0), v(1, 0, 1), v(2, 0, 1), v(1, 1, 1), v(2, 1, 1)},
         1.0},
        {"Prisms", zev::WEDGE, {v(0, 1, 0), v(1, 1, 0), v(0, 2, 0), v(0, 1, 1), v(1, 1, 1), v(0, 2, 1)}, 0.5},
        {"Pyramids", zev::PYRAMID, {v(1, 1, 0), v(2, 1, 0), v(2, 2, 0), v(1, 2, 0), v(1, 1, 1)}, 1.0 / 3},
        {"Mixed-TET", zev::TET, {v(1, 1, 1), v(2, 1, 1), v(1, 2, 1), v(1, 1, 2)}, 1.0 / 6},
        {"Poly", zev::POLYHEDRON, {v(2, 2, 1), v(2, 1, 1), v(1, 2, 1), v(2, 2, 2)}, 1.0 / 6},
    };
    auto const& volumes = g.getElementVolumes();
    std::vector<std::string> const names = g.getElementSetNames();
    for (Expect const& e : expected) {
        zev::ShapeSet const* set = g.getElementSet(filedAs(g, e.set));
        ASSERT_NE(set, nullptr) << e.set;
        ASSERT_EQ(set->size(), 1u) << e.set;
        EXPECT_EQ(set->getType(), e.type) << e.set;
        EXPECT_EQ(shapeVertices((*set)[0]), e.vertices) << e.set;
        std::size_t const at = static_cast<std::size_t>(
            std::find(names.begin(), names.end(), filedAs(g, e.set)) - names.begin());
        if (e.volume > 0) {
            EXPECT_NEAR(volumes[at], e.volume, 1e-6) << e.set;
        }
    }
    EXPECT_NEAR(totalVolume(g), 1.0 / 6 + 1 + 0.5 + 1.0 / 3 + 1.0 / 6 + 1 + 1.0 / 6, 1e-5);
    // The polyhedron's turned-round face comes back facing out.
    zev::Shape const& poly = (*g.getElementSet(filedAs(g, "Poly")))[0];
    int n = 0;
    int const* local = nullptr;
    int const* row = poly.getVerticesForFace(3, n, &local);
    ASSERT_EQ(n, 3);
    EXPECT_EQ((std::vector<int>{poly[row[0]], poly[row[1]], poly[row[2]]}),
              (std::vector<int>{v(1, 2, 1), v(2, 2, 2), v(2, 2, 1)}));

    EXPECT_EQ(g.getFaceSet("inlet")->size(), 2u);
    EXPECT_EQ(g.getFaceSet("wall-TRI")->size(), 1u);
    EXPECT_EQ(g.getFaceSet("wall-QUAD")->size(), 1u);
    // The vertex condition takes the surface faces whose vertices all lie in it: both inlet quads.
    EXPECT_EQ(g.getFaceSet("floor")->size(), 2u);
    EXPECT_EQ(shapeVertices((*g.getFaceSet("floor"))[1]),
              (std::vector<int>{v(1, 0, 0), v(1, 1, 0), v(2, 1, 0), v(2, 0, 0)}));
    EXPECT_EQ(std::vector<int>(g.getLines().begin(), g.getLines().end()), (std::vector<int>{0, 26}));

    // Without surface sections, a condition on vertices takes the elements' outer faces, facing out.
    zev::ShapeSet const* base = zones[1].geo().getFaceSet("base");
    ASSERT_NE(base, nullptr);
    ASSERT_EQ(base->size(), 1u);
    EXPECT_EQ(shapeVertices((*base)[0]), (std::vector<int>{0, 3, 2, 1}));

    // Solutions: the first of each location; X/Y/Z triples are vectors, a lone X is not.
    EXPECT_EQ(scalars(variable(fluid, "Pressure", zev::eVertex))[26], 126.0f);
    EXPECT_EQ(variable(fluid, "MomentumX", zev::eVertex).numComponents, 1);
    MeshVariable const& velocity = variable(fluid, "Velocity", zev::eVertex);
    ASSERT_EQ(velocity.numComponents, 3);
    auto const& u = static_cast<zev::VectorVariable const&>(*velocity.variable)
                        .getTripletValues(zev::Variable::Description(zev::eConservative, zev::eVertex));
    EXPECT_EQ(u[4], zev::Triplet(2.0f, -4.0f, 0.0f));
    // Cell-centred values follow the element numbers: element 6 is the MIXED hexahedron.
    MeshVariable const& density = variable(fluid, "Density", zev::eElement);
    EXPECT_EQ(scalars(density, "ES1"), std::vector<float>{1.0f});
    EXPECT_EQ(scalars(density, filedAs(g, "Mixed-HEX")), std::vector<float>{6.0f});
    EXPECT_EQ(scalars(density, filedAs(g, "Poly")), std::vector<float>{7.0f});

    // Time steps: by index the k-th solution of each location, by name that one node only.
    LoadedMesh const second = CgnsReader::readMesh(path, {"", "Fluid", "2"});
    EXPECT_EQ(scalars(variable(second, "Pressure", zev::eVertex))[0], 200.0f);
    EXPECT_EQ(scalars(variable(second, "Density", zev::eElement), "ES1"), std::vector<float>{2.0f});
    LoadedMesh const named = CgnsReader::readMesh(path, {"1", "1", "Step2"});
    EXPECT_EQ(scalars(variable(named, "Pressure", zev::eVertex))[0], 200.0f);
    EXPECT_EQ(named.findVariable("Density", zev::eElement), nullptr);

    // Both zones in one geometry: vertex arrays one after the other, element sets numbered on, labels and
    // face set names prefixed, a field the second zone lacks undefined there.
    LoadedMesh const both = CgnsReader::readMesh(path, CgnsSelection());
    EXPECT_EQ(both.geo().getNumVertices(), 35);
    EXPECT_EQ(filedAs(both.geo(), "Solid/Block"), "ES8");
    EXPECT_NE(both.geo().getFaceSet("Solid/base"), nullptr);
    EXPECT_EQ(shapeVertices((*both.geo().getElementSet("ES8"))[0])[0], 27);
    EXPECT_NEAR(totalVolume(both.geo()), totalVolume(g) + 2.0, 1e-5);
    std::vector<float> const p = scalars(variable(both, "Pressure", zev::eVertex));
    EXPECT_EQ(p[27], 1.0f);
    auto const& bothVelocity =
        static_cast<zev::VectorVariable const&>(*variable(both, "Velocity", zev::eVertex).variable)
            .getTripletValues(zev::Variable::Description(zev::eConservative, zev::eVertex));
    EXPECT_EQ(bothVelocity[30][0], zev::ZEV_UNDEF);

    std::vector<CgnsBaseInfo> const layout = CgnsReader::listFile(path);
    ASSERT_EQ(layout.size(), 1u);
    ASSERT_EQ(layout[0].zones.size(), 2u);
    EXPECT_EQ(layout[0].zones[0].solutions,
              (std::vector<std::string>{"FlowSolution", "FlowSolutionCC", "Step2", "Step2CC"}));
    EXPECT_EQ(layout[0].zones[1].vertices, 8);

    // Or each zone a domain of one object, its fields filed in its geometry.
    zev::GeomObject object;
    CgnsReader::readDomains(object, path, CgnsSelection());
    EXPECT_EQ(object.getDomainList(), (std::vector<std::string>{"Fluid", "Solid"}));
    EXPECT_NE(object.getVariable("Velocity", "Fluid"), nullptr);
    EXPECT_EQ(object.getVariable("Pressure", "Solid")
                  ->getFloatValues(zev::Variable::Description(zev::eConservative, zev::eVertex))[7],
              8.0f);
    object.deleteAllGeometry();
    std::remove(path.c_str());
}

void expectSameGeometry(zev::Geometry const& p_a, zev::Geometry const& p_b)
{
    ASSERT_EQ(p_a.getNumVertices(), p_b.getNumVertices());
    for (int i = 0; i < p_a.getNumVertices(); ++i) {
        EXPECT_EQ(p_a.getVertices()[i], p_b.getVertices()[i]) << i;
    }
    ASSERT_EQ(p_a.getElementSetNames(), p_b.getElementSetNames());
    ASSERT_EQ(p_a.getFaceSetNames(), p_b.getFaceSetNames());
    auto compareSets = [](zev::ShapeSet const* a, zev::ShapeSet const* b, std::string const& name) {
        ASSERT_EQ(a->getType(), b->getType()) << name;
        EXPECT_EQ(a->getLabel(), b->getLabel()) << name;
        ASSERT_EQ(a->size(), b->size()) << name;
        for (std::size_t i = 0; i < a->size(); ++i) {
            EXPECT_EQ(shapeVertices((*a)[i]), shapeVertices((*b)[i])) << name << " " << i;
            ASSERT_EQ((*a)[i].getNumFaces(), (*b)[i].getNumFaces());
        }
    };
    for (std::string const& name : p_a.getElementSetNames()) {
        compareSets(p_a.getElementSet(name), p_b.getElementSet(name), name);
    }
    for (std::string const& name : p_a.getFaceSetNames()) {
        compareSets(p_a.getFaceSet(name), p_b.getFaceSet(name), name);
    }
    EXPECT_EQ(std::vector<int>(p_a.getLines().begin(), p_a.getLines().end()),
              std::vector<int>(p_b.getLines().begin(), p_b.getLines().end()));
}

TEST(Cgns, RoundTripKeepsEverythingAndPassesTheChecker)
{
    std::string const path = tempPath("source.cgns"), out = tempPath("copy.cgns");
    writeTwoZones(path);
    LoadedMesh first = CgnsReader::readMesh(path, {"", "Fluid", ""});
    // An undefined value and a polygon face set travel too.
    auto& pressure = const_cast<zev::Variable&>(*variable(first, "Pressure", zev::eVertex).variable)
                         .getFloatValues(zev::Variable::Description(zev::eConservative, zev::eVertex));
    pressure[3] = zev::ZEV_UNDEF;
    zev::ShapeSet* hexagons = first.geo().addFaceSet("Hexagons", zev::POLYGON, 1, 1.0);
    (*hexagons)[0].setNumVertices(7);
    for (int k = 0; k < 7; ++k) {
        (*hexagons)[0][k] = k;
    }
    CgnsWriter::writeFile(first.geo(), first.variables, ExportSelection(), out);

    if (std::system("command -v cgnscheck >/dev/null 2>&1") == 0) {
        std::string const log = tempPath("check.log");
        EXPECT_EQ(std::system(("cgnscheck " + out + " > " + log + " 2>&1").c_str()), 0);
        std::ifstream in(log);
        std::stringstream text;
        text << in.rdbuf();
        EXPECT_EQ(text.str().find("ERROR"), std::string::npos) << text.str();
        std::remove(log.c_str());
    }

    LoadedMesh second = CgnsReader::readMesh(out, CgnsSelection());
    expectSameGeometry(first.geo(), second.geo());
    ASSERT_EQ(second.variables.size(), first.variables.size());
    for (MeshVariable const& mv : first.variables) {
        MeshVariable const& back = variable(second, mv.name, mv.location);
        ASSERT_EQ(back.numComponents, mv.numComponents) << mv.name;
        auto const keys = mv.variable->getDataKeysOnLocation(mv.location);
        for (std::string const& key : keys) {
            zev::Variable::Description const desc(zev::eConservative, mv.location, key);
            if (mv.numComponents == 3) {
                auto const& a = static_cast<zev::VectorVariable const&>(*mv.variable).getTripletValues(desc);
                auto const& b =
                    static_cast<zev::VectorVariable const&>(*back.variable).getTripletValues(desc);
                ASSERT_EQ(a.size(), b.size());
                for (std::size_t i = 0; i < a.size(); ++i) {
                    EXPECT_EQ(a[i], b[i]) << mv.name << " " << i;
                }
            } else {
                auto const& a = static_cast<zev::Variable const&>(*mv.variable).getFloatValues(desc);
                auto const& b = static_cast<zev::Variable const&>(*back.variable).getFloatValues(desc);
                EXPECT_EQ(toVector(a), toVector(b)) << mv.name << " " << key;
            }
        }
    }
    std::remove(path.c_str());
    std::remove(out.c_str());
}

TEST(Cgns, SurfaceZoneCellsAreFacesAndBadNamesWriteNothing)
{
    std::string const path = tempPath("surface.cgns"), out = tempPath("surface_copy.cgns");
    {
        Builder b(path, 2);
        int const z = b.zone("Skin", {0, 0, 0, 1, 0, 0, 2, 0, 0, 0, 1, 0, 1, 1, 0, 2, 1, 0}, 2);
        b.section(z, "Quads", CGNS_ENUMV(QUAD_4), 1, {1, 2, 5, 4, 2, 3, 6, 5});
        b.section(z, "Rim", CGNS_ENUMV(BAR_2), 3, {1, 2, 2, 3});
        b.field(z, b.solution(z, "FlowSolution", CGNS_ENUMV(CellCenter)), "Heat", {1.5, 2.5});
        b.close();
    }
    // The cells of a surface zone are its faces: cell-centred values are face values.
    LoadedMesh const mesh = CgnsReader::readMesh(path, CgnsSelection());
    EXPECT_EQ(mesh.geo().getFaceSet("Quads")->size(), 2u);
    EXPECT_EQ(mesh.geo().getLines().size(), 4u);
    EXPECT_EQ(scalars(variable(mesh, "Heat", zev::eFace), "Quads"), (std::vector<float>{1.5f, 2.5f}));

    CgnsWriter::writeFile(mesh.geo(), mesh.variables, ExportSelection(), out);
    LoadedMesh const back = CgnsReader::readMesh(out, CgnsSelection());
    expectSameGeometry(mesh.geo(), back.geo());
    EXPECT_EQ(scalars(variable(back, "Heat", zev::eFace), "Quads"), (std::vector<float>{1.5f, 2.5f}));

    // A set name no CGNS node can have fails the write and leaves the old file as it was.
    zev::ShapeSet* set = mesh.geo().addFaceSet("a/b", zev::TRI, 1, 1.0);
    for (int k = 0; k < 3; ++k) {
        (*set)[0][k] = k;
    }
    try {
        CgnsWriter::writeFile(mesh.geo(), mesh.variables, ExportSelection(), out);
        ADD_FAILURE() << "no error";
    } catch (FormatError const& e) {
        EXPECT_EQ(std::string(e.what()),
                  out + ": the set name 'a/b' cannot name a CGNS node (at most 32 characters, no '/')");
    }
    EXPECT_NO_THROW(CgnsReader::readMesh(out, CgnsSelection()));
    std::remove(path.c_str());
    std::remove(out.c_str());
}

TEST(Cgns, VolumesAndIntegralsEqualTheVtkPath)
{
    // The same cells written through VTK (whose wedge runs its bottom triangle the other way round) and
    // through CGNS.
    std::string const cgns = tempPath("same.cgns"), vtk = tempPath("same.vtk");
    {
        Builder b(cgns);
        int const z = b.zone("Zone", lattice(), 4);
        b.section(z, "Hexes", CGNS_ENUMV(HEXA_8), 1,
                  {id(1, 0, 0), id(2, 0, 0), id(2, 1, 0), id(1, 1, 0), id(1, 0, 1), id(2, 0, 1), id(2, 1, 1),
                   id(1, 1, 1)});
        b.section(z, "Prisms", CGNS_ENUMV(PENTA_6), 2,
                  {id(0, 1, 0), id(1, 1, 0), id(0, 2, 0), id(0, 1, 1), id(1, 1, 1), id(0, 2, 1)});
        b.section(z, "Pyramids", CGNS_ENUMV(PYRA_5), 3,
                  {id(1, 1, 0), id(2, 1, 0), id(2, 2, 0), id(1, 2, 0), id(1, 1, 1)});
        b.section(z, "Tets", CGNS_ENUMV(TETRA_4), 4, {id(0, 0, 0), id(1, 0, 0), id(0, 1, 0), id(0, 0, 1)});
        b.close();
    }
    MeshData m;
    m.points = lattice();
    auto o = [](int i, int j, int k) { return static_cast<int>(id(i, j, k) - 1); };
    m.addCell(VtkCellType::Hexahedron, {o(1, 0, 0), o(2, 0, 0), o(2, 1, 0), o(1, 1, 0), o(1, 0, 1),
                                        o(2, 0, 1), o(2, 1, 1), o(1, 1, 1)});
    m.addCell(VtkCellType::Wedge, {o(0, 1, 0), o(0, 2, 0), o(1, 1, 0), o(0, 1, 1), o(0, 2, 1), o(1, 1, 1)});
    m.addCell(VtkCellType::Pyramid, {o(1, 1, 0), o(2, 1, 0), o(2, 2, 0), o(1, 2, 0), o(1, 1, 1)});
    m.addCell(VtkCellType::Tetra, {o(0, 0, 0), o(1, 0, 0), o(0, 1, 0), o(0, 0, 1)});
    writeMeshFile(m, vtk);

    zev::GeometryAutoPtr const a = readGeometry(cgns);
    zev::GeometryAutoPtr const b = readGeometry(vtk);
    EXPECT_NEAR(totalVolume(*a.get()), 1 + 0.5 + 1.0 / 3 + 1.0 / 6, 1e-6);
    EXPECT_NEAR(totalVolume(*a.get()), totalVolume(*b.get()), 1e-6);
    // Equal vertex volumes make every integral of a vertex field equal.
    auto const& va = a->getVertexVolumes();
    auto const& vb = b->getVertexVolumes();
    ASSERT_EQ(va.size(), vb.size());
    for (std::size_t i = 0; i < va.size(); ++i) {
        EXPECT_NEAR(va[i], vb[i], 1e-6) << i;
    }

    // Written back, the sections take the labels as names, and every element's corners span the
    // standard's local frame (r, s, t from corner 1 towards the corners below) right-handed, as the CGNS
    // library reads them.
    std::string const out = tempPath("same_copy.cgns");
    CgnsWriter::writeFile(*a.get(), {}, ExportSelection(), out);
    struct Frame {
        CGNS_ENUMT(ElementType_t) type;
        int r, s, t; // 0-based corners
    };
    std::vector<Frame> const frames{{CGNS_ENUMV(TETRA_4), 1, 2, 3},
                                    {CGNS_ENUMV(PYRA_5), 1, 3, 4},
                                    {CGNS_ENUMV(PENTA_6), 1, 2, 3},
                                    {CGNS_ENUMV(HEXA_8), 1, 3, 4}};
    int fn = -1;
    ASSERT_EQ(cg_open(out.c_str(), CG_MODE_READ, &fn), CG_OK);
    std::vector<double> xyz[3];
    char const* axes[3] = {"CoordinateX", "CoordinateY", "CoordinateZ"};
    for (int c = 0; c < 3; ++c) {
        xyz[c].resize(27);
        cgsize_t lo = 1, hi = 27;
        ASSERT_EQ(cg_coord_read(fn, 1, 1, axes[c], CGNS_ENUMV(RealDouble), &lo, &hi, xyz[c].data()), CG_OK);
    }
    int nsections = 0;
    ASSERT_EQ(cg_nsections(fn, 1, 1, &nsections), CG_OK);
    std::vector<std::string> sections;
    for (int s = 1; s <= nsections; ++s) {
        char name[33] = {0};
        CGNS_ENUMT(ElementType_t) type;
        cgsize_t start = 0, end = 0;
        int nbndry = 0, parent = 0;
        ASSERT_EQ(cg_section_read(fn, 1, 1, s, name, &type, &start, &end, &nbndry, &parent), CG_OK);
        sections.push_back(name);
        auto const frame =
            std::find_if(frames.begin(), frames.end(), [&](Frame const& f) { return f.type == type; });
        ASSERT_NE(frame, frames.end()) << name;
        int npe = 0;
        cg_npe(type, &npe);
        std::vector<cgsize_t> conn(static_cast<std::size_t>((end - start + 1) * npe));
        ASSERT_EQ(cg_elements_read(fn, 1, 1, s, conn.data(), nullptr), CG_OK);
        for (std::size_t e = 0; e < conn.size(); e += static_cast<std::size_t>(npe)) {
            auto axis = [&](int p_corner) {
                std::array<double, 3> a{};
                for (int c = 0; c < 3; ++c) {
                    a[c] = xyz[c][conn[e + p_corner] - 1] - xyz[c][conn[e] - 1];
                }
                return a;
            };
            auto const r = axis(frame->r), u = axis(frame->s), t = axis(frame->t);
            double const det = r[0] * (u[1] * t[2] - u[2] * t[1]) + r[1] * (u[2] * t[0] - u[0] * t[2]) +
                               r[2] * (u[0] * t[1] - u[1] * t[0]);
            EXPECT_GT(det, 0) << name;
        }
    }
    cg_close(fn);
    EXPECT_EQ(sections, (std::vector<std::string>{"Hexes", "Prisms", "Pyramids", "Tets"}));
    std::remove(cgns.c_str());
    std::remove(vtk.c_str());
    std::remove(out.c_str());
}

TEST(Cgns, MalformedFilesNameTheNode)
{
    struct Case {
        char const* name;
        std::function<void(std::string const&)> write;
        CgnsSelection selection;
        std::string message; // what() after "FILE: "
    };
    auto tet = [](Builder& b, int z) { b.section(z, "Tets", CGNS_ENUMV(TETRA_4), 1, {1, 2, 3, 4}); };
    std::vector<double> const four{0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1};
    std::vector<Case> const cases{
        {"not CGNS",
         [](std::string const& p) { std::ofstream(p) << "# vtk DataFile Version 3.0\n"; },
         {},
         "not a CGNS file"},
        {"missing zone",
         [&](std::string const& p) {
             Builder b(p);
             tet(b, b.zone("Zone", four, 1));
             b.close();
         },
         {"", "Nozzle", ""},
         "/Base: no zone 'Nozzle' (the base has 1 zone)"},
        {"missing base",
         [&](std::string const& p) {
             Builder b(p);
             tet(b, b.zone("Zone", four, 1));
             b.close();
         },
         {"3", "", ""},
         "/: no base '3' (the file has 1 base)"},
        {"vertex past the coordinates",
         [&](std::string const& p) {
             Builder b(p);
             b.section(b.zone("Zone", four, 1), "Tets", CGNS_ENUMV(TETRA_4), 1, {1, 2, 3, 9});
             b.close();
         },
         {},
         "/Base/Zone/Tets: element 1 refers to vertex 9 past the 4 coordinates"},
        {"unsupported type",
         [&](std::string const& p) {
             Builder b(p);
             b.section(b.zone("Zone", four, 1), "Curved", CGNS_ENUMV(TRI_6), 1, {1, 2, 3, 4, 1, 2});
             b.close();
         },
         {},
         "/Base/Zone/Curved: unsupported element type TRI_6"},
        {"unsupported type in MIXED",
         [&](std::string const& p) {
             Builder b(p);
             b.poly(b.zone("Zone", four, 1), "Mixed", CGNS_ENUMV(MIXED), 1, {{CGNS_ENUMV(NODE), 1}});
             b.close();
         },
         {},
         "/Base/Zone/Mixed: element 1: unsupported element type NODE"},
        {"polyhedron face that is no polygon",
         [&](std::string const& p) {
             Builder b(p);
             int const z = b.zone("Zone", four, 1);
             b.poly(z, "Cells", CGNS_ENUMV(NFACE_n), 1, {{2, 3, 4, 5}});
             b.section(z, "Tets", CGNS_ENUMV(TETRA_4), 2, {1, 2, 3, 4});
             b.close();
         },
         {},
         "/Base/Zone/Cells: element 1 refers to face 2, which is no NGON_n element"},
        {"condition on a cell",
         [&](std::string const& p) {
             Builder b(p);
             int const z = b.zone("Zone", four, 1);
             tet(b, z);
             b.bc(z, "wall", CGNS_ENUMV(PointList), {1}, CGNS_ENUMV(FaceCenter));
             b.close();
         },
         {},
         "/Base/Zone/ZoneBC/wall: element 1 is not a face of the zone"},
        {"cells the sections do not hold",
         [&](std::string const& p) {
             Builder b(p);
             int const z = b.zone("Zone", four, 2);
             tet(b, z);
             b.field(z, b.solution(z, "FlowSolutionCC", CGNS_ENUMV(CellCenter)), "Density", {1, 2});
             b.close();
         },
         {},
         "/Base/Zone/FlowSolutionCC: the zone declares 2 cells but its sections hold 1"},
        {"boundary range longer than the zone",
         [&](std::string const& p) {
             Builder b(p);
             int const z = b.zone("Zone", four, 1);
             b.section(z, "Tets", CGNS_ENUMV(TETRA_4), 1000000000, {1, 2, 3, 4});
             b.bc(z, "wall", CGNS_ENUMV(PointRange), {1, 1000000000}, CGNS_ENUMV(FaceCenter));
             b.close();
         },
         {},
         "/Base/Zone/ZoneBC/wall: the point range 1..1000000000 is longer than the zone's 1 elements"},
        {"coordinate beyond single precision",
         [&](std::string const& p) {
             Builder b(p);
             tet(b, b.zone("Zone", {0, 0, 0, 1e300, 0, 0, 0, 1, 0, 0, 0, 1}, 1));
             b.close();
         },
         {},
         "/Base/Zone/GridCoordinates/CoordinateX: point 1 has a coordinate outside the single-precision "
         "range"},
        {"coordinate that is no number",
         [&](std::string const& p) {
             Builder b(p);
             tet(b, b.zone("Zone", {0, 0, 0, 1, 0, 0, 0, std::nan(""), 0, 0, 0, 1}, 1));
             b.close();
         },
         {},
         "/Base/Zone/GridCoordinates/CoordinateY: point 2 has a coordinate that is not a finite number"},
        {"structured zone",
         [](std::string const& p) {
             Builder b(p);
             cgsize_t size[9] = {2, 2, 2, 1, 1, 1, 0, 0, 0};
             int z = 0;
             Builder::ok(cg_zone_write(b.fn, b.base, "Block", size, CGNS_ENUMV(Structured), &z));
             b.close();
         },
         {},
         "/Base/Block: structured zones are not supported; only unstructured zones are read"},
    };
    for (Case const& c : cases) {
        std::string const path = tempPath("bad.cgns");
        c.write(path);
        try {
            CgnsReader::readMesh(path, c.selection);
            ADD_FAILURE() << c.name << ": no error";
        } catch (FormatError const& e) {
            EXPECT_EQ(std::string(e.what()), path + ": " + c.message) << c.name;
        }
        std::remove(path.c_str());
    }
}

} // namespace
