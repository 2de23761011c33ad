// Cut geometries of whole domains: slices, isosurfaces and implicit-surface cuts, their face
// sets, their interpolants, watertightness and orientation, the refusals, and the cone.

#include "zev/cutting/GeometryIntersector.h"
#include "tests/support/ExpectError.h"
#include "tests/support/MeshBuilders.h"
#include "zev/contracts/BoolFromEnvironment.h"
#include "zev/contracts/FloatZEVVectorConcrete.h"
#include "zev/contracts/ProgressTracker.h"
#include "zev/cutting/Cone.h"
#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/geometry/GeometryAutoPtr.h"
#include "zev/interpolants/EdgeInterpolant.h"
#include "zev/interpolants/ElementToFaceInterpolant.h"
#include "zev/shapes/Polyhedron.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/variables/ScalarVariable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>
#include <set>

using namespace zev;
using zevtest::expectError;

namespace {

const double kPi = 3.14159265358979323846;
using Field = std::function<double(const Triplet&)>;
using Builder = void (*)(Geometry&, int);

GeometryAutoPtr newGeometry(const std::string& p_name = "")
{
    GeometryAutoPtr g(GeometryAPI::instance()->newGeometry("", nullptr));
    g.get()->setName(p_name);
    return g;
}

// A scalar variable with the field's value at every vertex of p_domain.
std::unique_ptr<ScalarVariable> vertexField(const Geometry& p_domain, const Field& p_field)
{
    auto v = std::make_unique<ScalarVariable>(eConservative, eVertex);
    v->setName("f");
    FloatZEVVector& values = v->getVertexValues(eConservative);
    values.resize(p_domain.getVertices().size());
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = float(p_field(p_domain.getVertices()[i]));
    return v;
}

// Every face's vertex ids, walking the face sets in name order: the output's face numbering.
std::vector<std::vector<int>> polygonsOf(const Geometry& p_geometry)
{
    std::vector<std::vector<int>> result;
    for (const std::string& name : p_geometry.getFaceSetNames()) {
        const ShapeSet& set = *p_geometry.getFaceSet(name);
        for (const auto& face : test::shapeVertices(set))
            result.push_back(face);
    }
    return result;
}

const EdgeInterpolant& edgeInterpolantOf(const Geometry& p_geometry)
{
    return dynamic_cast<const EdgeInterpolant&>(*p_geometry.getEdgeInterpolant());
}

// The polygons as cycles of domain edges, each rotated to start at its smallest edge, sorted:
// independent of vertex numbering, face order and starting corner, but not of orientation.
std::vector<std::vector<Edge>> edgeCycles(const Geometry& p_geometry)
{
    const EdgeInterpolant& edges = edgeInterpolantOf(p_geometry);
    std::vector<std::vector<Edge>> cycles;
    for (const auto& polygon : polygonsOf(p_geometry)) {
        std::vector<Edge> cycle;
        for (int id : polygon) {
            const EdgeInterpolantData& d = edges.getInternalData(std::size_t(id));
            cycle.emplace_back(d.m_vertex1, d.m_vertex2);
        }
        std::rotate(cycle.begin(), std::min_element(cycle.begin(), cycle.end()), cycle.end());
        cycles.push_back(cycle);
    }
    std::sort(cycles.begin(), cycles.end());
    return cycles;
}

TripletBase<double> at(const Geometry& p_geometry, int p_vertex)
{
    const Triplet& p = p_geometry.getVertices()[std::size_t(p_vertex)];
    return TripletBase<double>(p[0], p[1], p[2]);
}

double totalArea(const Geometry& p_geometry)
{
    double area = 0.0;
    for (const auto& polygon : polygonsOf(p_geometry)) {
        TripletBase<double> vector;
        for (std::size_t i = 1; i + 1 < polygon.size(); ++i)
            vector += (at(p_geometry, polygon[i]) - at(p_geometry, polygon[0]))
                          .cross(at(p_geometry, polygon[i + 1]) - at(p_geometry, polygon[0]));
        area += vector.length() / 2.0;
    }
    return area;
}

// The volume a closed, outward-oriented surface encloses, by the divergence theorem over a
// fan of triangles per polygon.
double enclosedVolume(const Geometry& p_geometry)
{
    double volume = 0.0;
    for (const auto& polygon : polygonsOf(p_geometry))
        for (std::size_t i = 1; i + 1 < polygon.size(); ++i)
            volume += at(p_geometry, polygon[0])
                          .dot(at(p_geometry, polygon[i]).cross(at(p_geometry, polygon[i + 1]))) /
                      6.0;
    return volume;
}

// Directed polygon edges with no reverse partner, or with more than one use: on a closed or
// consistently oriented surface only the edges of its rim (kept by p_onRim) remain.
std::vector<std::pair<int, int>> unmatchedSides(const Geometry& p_geometry,
                                                const std::function<bool(int, int)>& p_onRim)
{
    std::map<std::pair<int, int>, int> uses;
    for (const auto& polygon : polygonsOf(p_geometry))
        for (std::size_t i = 0; i < polygon.size(); ++i)
            ++uses[{polygon[i], polygon[(i + 1) % polygon.size()]}];
    std::vector<std::pair<int, int>> bad;
    for (const auto& entry : uses) {
        const auto reverse = uses.find({entry.first.second, entry.first.first});
        const int back = reverse == uses.end() ? 0 : reverse->second;
        if (entry.second > 1 || (back != 1 && !p_onRim(entry.first.first, entry.first.second)))
            bad.push_back(entry.first);
    }
    return bad;
}

// A vertex on the surface of the unit box.
bool onBoxSurface(const Geometry& p_geometry, int p_vertex)
{
    const Triplet& p = p_geometry.getVertices()[std::size_t(p_vertex)];
    for (int c = 0; c < 3; ++c)
        if (std::fabs(p[c]) < 1e-6f || std::fabs(p[c] - 1.0f) < 1e-6f)
            return true;
    return false;
}

// The plane n.x = d as an implicit surface, evaluated per vertex by the cut.
class PlaneSurface : public IntersectGeometryIface {
public:
    PlaneSurface(const Triplet& p_normal, float p_d) : m_normal(p_normal), m_d(p_d) {}
    double value(const Triplet& p_point, int) const override { return double(m_normal.dot(p_point)) - m_d; }
    bool useNodeValue() const override { return false; }

private:
    Triplet m_normal;
    float m_d;
};

struct MeshCase {
    const char* name;
    Builder build;
    int n;
};
const MeshCase kBoxes[] = {{"hex", test::buildHexBox, 3}, {"tet", test::buildTetBox, 3}};

} // namespace

TEST(GeometryIntersector, ObliquePlaneThroughBoxesHasTheExactAreaAndClosesUp)
{
    const Triplet normal(1, 1, 1);
    for (const MeshCase& box : kBoxes) {
        SCOPED_TRACE(box.name);
        GeometryAutoPtr domain = newGeometry("domain");
        box.build(*domain.get(), box.n);
        GeometryAutoPtr slice = newGeometry("slice");
        GeometryIntersector::intersectWithGeometry(*slice.get(), "domain", domain.get(), normal, 1.5f);
        const Geometry& out = *slice.get();

        EXPECT_NEAR(totalArea(out), 3.0 * std::sqrt(3.0) / 4.0, 1e-5);
        for (int v = 0; v < out.getNumVertices(); ++v)
            EXPECT_NEAR(normal.dot(out.getVertices()[std::size_t(v)]), 1.5f, 1e-5f);
        // Interior sides meet their reverse once; only the rim on the box surface is open.
        EXPECT_TRUE(unmatchedSides(out, [&](int a, int b) {
                        return onBoxSurface(out, a) && onBoxSurface(out, b);
                    }).empty());
        // Every polygon faces along the normal (towards the above side).
        for (const auto& polygon : polygonsOf(out)) {
            const TripletBase<double> a = at(out, polygon[1]) - at(out, polygon[0]);
            const TripletBase<double> b = at(out, polygon[2]) - at(out, polygon[0]);
            EXPECT_GT(a.cross(b).dot(TripletBase<double>(1, 1, 1)), 0.0);
        }
        // Face sets are named after the output and hold only the sizes that occurred.
        for (const std::string& name : out.getFaceSetNames()) {
            EXPECT_TRUE(name == "slice:TRIANGLE" || name == "slice:QUAD" || name == "slice:PENTAGON" ||
                        name == "slice:HEXAGON")
                << name;
            EXPECT_GT(out.getFaceSet(name)->size(), 0u) << name;
        }
        // One edge record per vertex, no edge twice.
        const EdgeInterpolant& edges = edgeInterpolantOf(out);
        ASSERT_EQ(edges.size(), std::size_t(out.getNumVertices()));
        std::set<Edge> distinct;
        for (std::size_t v = 0; v < edges.size(); ++v)
            distinct.insert(Edge(edges.getInternalData(v).m_vertex1, edges.getInternalData(v).m_vertex2));
        EXPECT_EQ(distinct.size(), edges.size());
    }
}

TEST(GeometryIntersector, AxisPlaneThroughHexesGivesOneQuadSet)
{
    GeometryAutoPtr domain = newGeometry();
    test::buildHexBox(*domain.get(), 2);
    GeometryAutoPtr slice = newGeometry("s");
    GeometryIntersector::intersectWithGeometry(*slice.get(), "d", domain.get(), Triplet(0, 0, 1), 0.3f);
    ASSERT_EQ(slice.get()->getFaceSetNames(), std::vector<std::string>{"s:QUAD"});
    EXPECT_EQ(slice.get()->getFaceSet("s:QUAD")->getType(), QUAD);
    EXPECT_EQ(slice.get()->getFaceSet("s:QUAD")->size(), 4u);
    EXPECT_EQ(slice.get()->getNumVertices(), 9);

    // A plane that misses the domain leaves no vertices and no face sets, but the interpolant.
    GeometryAutoPtr miss = newGeometry("m");
    GeometryIntersector::intersectWithGeometry(*miss.get(), "d", domain.get(), Triplet(0, 0, 1), 5.0f);
    EXPECT_EQ(miss.get()->getNumVertices(), 0);
    EXPECT_TRUE(miss.get()->getFaceSetNames().empty());
    ASSERT_NE(miss.get()->getEdgeInterpolant(), nullptr);
    EXPECT_EQ(miss.get()->getEdgeInterpolant()->getDomains(), std::vector<std::string>{"d"});
}

// Fields of the domain carried onto one slice through its interpolant, as time steps would be,
// match the fields themselves at the slice's vertices; cutting afresh gives the same slice.
TEST(GeometryIntersector, SliceCarriesLinearFieldsExactly)
{
    const Field fields[] = {[](const Triplet& p) { return 2.0 * p[0] - p[1] + 3.0 * p[2] + 1.0; },
                            [](const Triplet& p) { return -5.0 * p[2] + 0.25; },
                            [](const Triplet& p) { return p[0] + p[1] + 7.0; }};
    for (const MeshCase& box : kBoxes) {
        SCOPED_TRACE(box.name);
        GeometryAutoPtr domain = newGeometry();
        box.build(*domain.get(), box.n);
        GeometryAutoPtr slice = newGeometry("s");
        const Triplet normal(0.3f, -0.5f, 0.8f);
        GeometryIntersector::intersectWithGeometry(*slice.get(), "d", domain.get(), normal, 0.2f);
        const Geometry& out = *slice.get();
        ASSERT_GT(out.getNumVertices(), 0);
        for (const Field& field : fields) {
            const auto parent = vertexField(*domain.get(), field);
            FloatZEVVectorConcrete carried;
            edgeInterpolantOf(out).interpolate({parent.get()}, eConservative, carried);
            ASSERT_EQ(carried.size(), std::size_t(out.getNumVertices()));
            for (std::size_t v = 0; v < carried.size(); ++v)
                EXPECT_NEAR(carried[v], field(out.getVertices()[v]), 2e-5);
        }
        GeometryAutoPtr again = newGeometry("s");
        GeometryIntersector::intersectWithGeometry(*again.get(), "d", domain.get(), normal, 0.2f);
        EXPECT_EQ(polygonsOf(*again.get()), polygonsOf(out));
        for (int v = 0; v < out.getNumVertices(); ++v)
            EXPECT_TRUE(again.get()->getVertices()[std::size_t(v)] == out.getVertices()[std::size_t(v)]);
    }
}

// The element-to-face interpolant over two element sets: each face, numbered as the output
// numbers faces, carries its parent element's value, and its centroid lies in that element.
TEST(GeometryIntersector, ElementDataReachesEachFaceFromTheElementItCutsThrough)
{
    GeometryAutoPtr box = newGeometry();
    test::buildTetBox(*box.get(), 3);
    const auto tets = test::shapeVertices(*box.get()->getElementSet(0));
    GeometryAutoPtr domain = newGeometry();
    domain.get()->getVertices() = box.get()->getVertices();
    const std::size_t half = tets.size() / 2;
    test::addElements(*domain.get(), 0, TET, {tets.begin(), tets.begin() + long(half)});
    test::addElements(*domain.get(), 1, TET, {tets.begin() + long(half), tets.end()});
    domain.get()->hasElementData(true);

    // Element value: 1000 * set + index.
    ScalarVariable parent(eConservative, eVertex);
    parent.getVertexValues(eConservative).resize(domain.get()->getVertices().size());
    for (int s = 0; s < 2; ++s) {
        FloatZEVVector& values = parent.getElementValues(Geometry::getElementSetName(s), eConservative);
        values.resize(domain.get()->getElementSet(s)->size());
        for (std::size_t e = 0; e < values.size(); ++e)
            values[e] = float(1000 * s + int(e));
    }

    const auto field = vertexField(*domain.get(), [](const Triplet& p) { return p[0] + 0.4 * p[1] - p[2]; });
    GeometryAutoPtr iso = newGeometry("iso");
    GeometryIntersector::intersectWithGeometry(*iso.get(), "d", domain.get(), field.get(), eConservative,
                                               0.1f);
    const Geometry& out = *iso.get();
    EXPECT_TRUE(out.hasFaceData());
    const auto& interpolants = out.getInterpolantList();
    ASSERT_EQ(interpolants.size(), 2u);
    const auto* faces = dynamic_cast<const ElementToFaceInterpolant*>(interpolants.back());
    ASSERT_NE(faces, nullptr);

    FloatZEVVectorConcrete carried;
    faces->interpolate({&parent}, eConservative, carried);
    const auto polygons = polygonsOf(out);
    ASSERT_EQ(carried.size(), polygons.size());
    std::set<int> setsSeen;
    for (std::size_t f = 0; f < polygons.size(); ++f) {
        const int s = int(carried[f]) / 1000;
        const std::size_t e = std::size_t(int(carried[f]) % 1000);
        setsSeen.insert(s);
        Triplet centroid;
        for (int v : polygons[f])
            centroid += out.getVertices()[std::size_t(v)];
        centroid /= float(polygons[f].size());
        EXPECT_TRUE((*domain.get()->getElementSet(s))[e].isInside(centroid, domain.get()->getVertices()))
            << "face " << f;
    }
    EXPECT_EQ(setsSeen, (std::set<int>{0, 1}));

    // A surface that differs per element set: each set is cut by its own plane x = c.
    struct PerSet : IntersectGeometryIface {
        double value(const Triplet& p, int set) const override { return p[0] - (set == 0 ? 0.3 : 0.6); }
    } perSet;
    GeometryAutoPtr cut = newGeometry("c");
    GeometryIntersector::intersectWithGeometry(*cut.get(), "d", domain.get(), &perSet, nullptr);
    const auto cutPolygons = polygonsOf(*cut.get());
    const auto* cutFaces =
        dynamic_cast<const ElementToFaceInterpolant*>(cut.get()->getInterpolantList().back());
    ASSERT_NE(cutFaces, nullptr);
    cutFaces->interpolate({&parent}, eConservative, carried);
    ASSERT_EQ(carried.size(), cutPolygons.size());
    for (std::size_t f = 0; f < cutPolygons.size(); ++f)
        for (int v : cutPolygons[f])
            EXPECT_NEAR(cut.get()->getVertices()[std::size_t(v)][0], carried[f] < 1000 ? 0.3f : 0.6f, 1e-6f);
    // Both sets together still make one closed-up surface.
    EXPECT_TRUE(unmatchedSides(out, [&](int a, int b) {
                    return onBoxSurface(out, a) && onBoxSurface(out, b);
                }).empty());
}

// The enclosed volume of a sphere's isosurface converges at second order: a polygon facing
// inwards would subtract its share and stall the convergence.
TEST(GeometryIntersector, SphereIsosurfaceIsClosedOutwardAndConverges)
{
    const double radius = 0.35;
    const double exact = 4.0 / 3.0 * kPi * radius * radius * radius;
    const Field distance = [](const Triplet& p) {
        return std::sqrt(std::pow(p[0] - 0.5, 2) + std::pow(p[1] - 0.5, 2) + std::pow(p[2] - 0.5, 2));
    };
    for (const MeshCase& box : kBoxes) {
        SCOPED_TRACE(box.name);
        double previous = 0.0;
        for (int n : {8, 16}) {
            GeometryAutoPtr domain = newGeometry();
            box.build(*domain.get(), n);
            const auto field = vertexField(*domain.get(), distance);
            GeometryAutoPtr sphere = newGeometry("sphere");
            GeometryIntersector::intersectWithGeometry(*sphere.get(), "d", domain.get(), field.get(),
                                                       eConservative, float(radius));
            EXPECT_TRUE(unmatchedSides(*sphere.get(), [](int, int) { return false; }).empty());
            const double error = std::fabs(enclosedVolume(*sphere.get()) - exact);
            EXPECT_LT(error, 0.15 * exact);
            if (previous > 0.0) {
                EXPECT_GT(previous / error, 3.0) << previous << " -> " << error;
            }
            previous = error;
        }
    }
}

// The plane cut through the octree's candidates, the cut with ZEV_NO_OCTREE testing every
// element, and an implicit plane evaluated by the surface give the same polygons.
TEST(GeometryIntersector, OctreeSwitchAndImplicitPlaneGiveTheSamePolygons)
{
    GeometryAutoPtr domain = newGeometry();
    test::buildTetBox(*domain.get(), 4);
    const Triplet normal(0.2f, 0.9f, -0.4f);
    const float d = 0.31f;
    auto cut = [&](const char* p_noOctree) {
        if (p_noOctree)
            setenv("ZEV_NO_OCTREE", p_noOctree, 1);
        else
            unsetenv("ZEV_NO_OCTREE");
        GeometryIntersector::noOctreeSwitch().checkEnv();
        GeometryAutoPtr slice = newGeometry("s");
        GeometryIntersector::intersectWithGeometry(*slice.get(), "d", domain.get(), normal, d);
        return edgeCycles(*slice.get());
    };
    const auto withOctree = cut(nullptr);
    const auto without = cut("1");
    cut(nullptr);
    ASSERT_FALSE(withOctree.empty());
    EXPECT_EQ(withOctree, without);

    const PlaneSurface plane(normal, d);
    GeometryAutoPtr implicit = newGeometry("s");
    GeometryIntersector::intersectWithGeometry(*implicit.get(), "d", domain.get(), &plane, nullptr);
    EXPECT_EQ(edgeCycles(*implicit.get()), withOctree);
}

TEST(GeometryIntersector, PolyhedraGiveOnePolygonSetForSevenAndMoreCorners)
{
    // Prisms over a heptagon and an octagon, cut half way up.
    GeometryAutoPtr domain = newGeometry();
    Geometry& g = *domain.get();
    ShapeSet* cells = g.addElementSet(0, POLYHEDRON, 2, 1.0);
    int base = 0;
    for (int cell = 0; cell < 2; ++cell) {
        const int m = 7 + cell;
        for (int level = 0; level < 2; ++level)
            for (int i = 0; i < m; ++i)
                g.getVertices().push_back(Triplet(float(3 * cell + std::cos(2 * kPi * i / m)),
                                                  float(std::sin(2 * kPi * i / m)), float(level)));
        Shape& p = (*cells)[std::size_t(cell)];
        p.setNumVertices(2 * m);
        for (int i = 0; i < 2 * m; ++i)
            p[i] = base + i;
        p.setNumFaces(m + 2);
        p.setFaceVertSize(0, m);
        p.setFaceVertSize(1, m);
        for (int i = 0; i < m; ++i) {
            p.setFaceVertex(0, i, m - 1 - i);
            p.setFaceVertex(1, i, m + i);
            p.setFaceVertSize(2 + i, 4);
            const int next = (i + 1) % m;
            p.setFaceVertex(2 + i, 0, i);
            p.setFaceVertex(2 + i, 1, next);
            p.setFaceVertex(2 + i, 2, m + next);
            p.setFaceVertex(2 + i, 3, m + i);
        }
        base += 2 * m;
    }
    GeometryAutoPtr slice = newGeometry("p");
    GeometryIntersector::intersectWithGeometry(*slice.get(), "d", domain.get(), Triplet(0, 0, 1), 0.5f);
    ASSERT_EQ(slice.get()->getFaceSetNames(), std::vector<std::string>{"p:POLYGON"});
    const auto polygons = polygonsOf(*slice.get());
    ASSERT_EQ(polygons.size(), 2u);
    EXPECT_EQ(polygons[0].size(), 7u);
    EXPECT_EQ(polygons[1].size(), 8u);
    EXPECT_EQ(slice.get()->getFaceSet("p:POLYGON")->getType(), POLYGON);
}

TEST(GeometryIntersector, RefusesWhatItCannotCutAndSkipsWithoutASurface)
{
    GeometryAutoPtr domain = newGeometry();
    test::buildHexBox(*domain.get(), 2);
    Geometry* d = domain.get();
    GeometryAutoPtr out = newGeometry("o");
    Geometry& o = *out.get();
    const char* cls = "GeometryIntersector";
    const char* method = "intersectWithGeometry";

    expectError<internal::badParam>(
        [&] { GeometryIntersector::intersectWithGeometry(o, "dom", d, nullptr, eConservative, 0.5f); }, cls,
        method, "No variable given for the isosurface of domain 'dom'.");
    ScalarVariable shortField(eConservative, eVertex);
    shortField.setName("p");
    shortField.getVertexValues(eConservative).resize(5);
    expectError<internal::badParam>(
        [&] { GeometryIntersector::intersectWithGeometry(o, "dom", d, &shortField, eConservative, 0.5f); },
        cls, method, "Variable 'p' has 5 vertex values for the 27 vertices of domain 'dom'.");
    expectError<internal::nullPointer>(
        [&] { GeometryIntersector::intersectWithGeometry(o, "dom", nullptr, Triplet(0, 0, 1), 0.5f); }, cls,
        method, "Domain geometry 'dom' is null.");
    EXPECT_EQ(o.getNumVertices(), 0);
    EXPECT_FALSE(o.hasInterpolant());

    GeometryIntersector::intersectWithGeometry(o, "dom", d, Triplet(0, 0, 1), 0.5f);
    ASSERT_GT(o.getNumVertices(), 0);
    expectError<internal::badParam>(
        [&] { GeometryIntersector::intersectWithGeometry(o, "dom", d, Triplet(0, 0, 1), 0.25f); }, cls,
        method, "Output geometry 'o' already holds 9 vertices.");

    // A domain whose element set is not filed under its index's name.
    GeometryAutoPtr renamed = newGeometry();
    renamed.get()->getVertices() = d->getVertices();
    renamed.get()->addElementSet("cells", 0, HEX, 0, 1.0);
    GeometryAutoPtr fresh = newGeometry("f");
    expectError<internal::badParam>(
        [&] {
            GeometryIntersector::intersectWithGeometry(*fresh.get(), "dom", renamed.get(), Triplet(0, 0, 1),
                                                       0.5f);
        },
        "Geometry", method, "Cannot find element set ES1 in domain geometry.");

    // Without a surface there is nothing to cut: the output stays untouched.
    GeometryAutoPtr untouched = newGeometry("u");
    GeometryIntersector::intersectWithGeometry(*untouched.get(), "dom", d, nullptr, nullptr);
    EXPECT_FALSE(untouched.get()->hasInterpolant());

    // A domain without element sets gives an empty cut with its interpolant.
    GeometryAutoPtr empty = newGeometry();
    GeometryAutoPtr none = newGeometry("n");
    GeometryIntersector::intersectWithGeometry(*none.get(), "e", empty.get(), Triplet(1, 0, 0), 0.0f);
    EXPECT_EQ(none.get()->getNumVertices(), 0);
    EXPECT_TRUE(none.get()->hasInterpolant());
}

TEST(GeometryIntersector, CorrectionFactorFollowsTheSurfaceDirection)
{
    struct Case {
        Triplet normal;
        bool iso;
        double expected;
    };
    // Factor 2 on the domain's sets scales the x and y parts of the surface's normal.
    const Case cases[] = {{Triplet(1, 0, 0), false, 2.0},
                          {Triplet(0, 0, 1), false, 1.0},
                          {Triplet(3, 0, 4), false, std::sqrt(36.0 + 16.0) / 5.0},
                          {Triplet(0, 1, 0), true, 2.0},
                          {Triplet(0, 0, 1), true, 1.0}};
    for (const Case& c : cases) {
        GeometryAutoPtr domain = newGeometry();
        test::buildHexBox(*domain.get(), 2);
        domain.get()->getElementSet(0)->setCorrectionFactor(2.0);
        GeometryAutoPtr out = newGeometry("c");
        if (c.iso) {
            const Triplet n = c.normal;
            const auto field = vertexField(*domain.get(), [n](const Triplet& p) { return n.dot(p); });
            GeometryIntersector::intersectWithGeometry(*out.get(), "d", domain.get(), field.get(),
                                                       eConservative, 0.3f);
        } else {
            GeometryIntersector::intersectWithGeometry(*out.get(), "d", domain.get(), c.normal,
                                                       0.3f * c.normal.length());
        }
        ASSERT_FALSE(out.get()->getFaceSetNames().empty());
        for (const std::string& name : out.get()->getFaceSetNames())
            EXPECT_NEAR(out.get()->getFaceSet(name)->getCorrectionFactor(), c.expected, 1e-6) << name;
    }
}

TEST(GeometryIntersector, PlaneCutsReportOctreeAndCutStagesPerSet)
{
    struct Recorder : ProgressListener {
        std::vector<std::string> stages;
        void progress(const std::string& p_stage, double) override
        {
            if (stages.empty() || stages.back() != p_stage)
                stages.push_back(p_stage);
        }
    } recorder;
    ProgressListener* previous = ProgressTracker::setListener(&recorder);
    GeometryAutoPtr domain = newGeometry();
    test::buildTetBox(*domain.get(), 6);
    GeometryAutoPtr slice = newGeometry("s");
    GeometryIntersector::intersectWithGeometry(*slice.get(), "d", domain.get(), Triplet(0, 0, 1), 0.5f);
    const std::vector<std::string> planeStages = recorder.stages;
    recorder.stages.clear();
    const auto field = vertexField(*domain.get(), [](const Triplet& p) { return p[2]; });
    GeometryAutoPtr iso = newGeometry("i");
    GeometryIntersector::intersectWithGeometry(*iso.get(), "d", domain.get(), field.get(), eConservative,
                                               0.5f);
    ProgressTracker::setListener(previous);

    EXPECT_NE(std::find(planeStages.begin(), planeStages.end(), "ES1-octree"), planeStages.end());
    EXPECT_NE(std::find(planeStages.begin(), planeStages.end(), "ES1"), planeStages.end());
    // The octree's own build reports its levels inside the octree stage.
    for (const std::string& s : planeStages)
        EXPECT_TRUE(s == "ES1-octree" || s == "Recursive Run" || s == "ES1" || s.empty()) << s;
    EXPECT_NE(std::find(recorder.stages.begin(), recorder.stages.end(), "ES1"), recorder.stages.end());
    for (const std::string& s : recorder.stages)
        EXPECT_TRUE(s == "ES1" || s.empty()) << s;
}

TEST(Cone, ValuesAndSides)
{
    const Cone cone(Triplet(0, 0, 2), Triplet(1, 1, 1), Triplet(2, 1, 2)); // 45 degrees about +z
    const double cosine = std::sqrt(0.5);
    EXPECT_NEAR(cone.getCosine(), cosine, 1e-7);
    EXPECT_TRUE(cone.getAxis() == Triplet(0, 0, 1));
    EXPECT_NEAR(cone.value(Triplet(1, 1, 5), 0), 1.0 - cosine, 1e-7);
    EXPECT_NEAR(cone.value(Triplet(1, 1, 1), 0), -cosine, 1e-7);
    EXPECT_NEAR(cone.value(Triplet(1, 4, 4), 0), 0.0, 1e-6);
    EXPECT_TRUE(cone.isInside(Triplet(1.1f, 1, 3)));
    EXPECT_TRUE(cone.isOutside(Triplet(3, 1, 1.5f)));
    EXPECT_FALSE(cone.useNodeValue());
    EXPECT_FALSE(cone.isCylinder());
    EXPECT_TRUE(Cone(Triplet(0, 0, 1), Triplet(), 1.0f).isCylinder());

    expectError<internal::error>([] { Cone(Triplet(0, 0, 1), Triplet(1, 2, 3), Triplet(1, 2, 3)); },
                                 "Geometry::Cone", "Cone",
                                 "Cone tip and the surface point are same. Can't construct cone.");
}

TEST(Cone, CutOfABoxFollowsTheCone)
{
    GeometryAutoPtr domain = newGeometry();
    test::buildHexBox(*domain.get(), 10);
    const Triplet axis(0, 0, 1), tip(0.5f, 0.5f, -1.0f), point(0.9f, 0.5f, 1.0f);
    GeometryAutoPtr cut = newGeometry("cone");
    GeometryIntersector::intersectWithCone(*cut.get(), "d", domain.get(), axis, tip, point, nullptr);
    ASSERT_GT(cut.get()->getNumVertices(), 0);
    const Cone cone(axis, tip, point);
    for (const Triplet& v : cut.get()->getVertices())
        EXPECT_NEAR(cone.value(v, -1), 0.0, 1e-2);
    // The variable is ignored: a cone takes its values from its own function.
    const auto field = vertexField(*domain.get(), [](const Triplet& p) { return p[0]; });
    GeometryAutoPtr again = newGeometry("cone");
    GeometryIntersector::intersectWithCone(*again.get(), "d", domain.get(), axis, tip, point, field.get());
    EXPECT_EQ(edgeCycles(*again.get()), edgeCycles(*cut.get()));
}
