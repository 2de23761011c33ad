// Every cache a geometry derives from its vertices and sets must answer, after any kind of
// change, as the same mesh built afresh; copies must not depend on the source's caches; a
// handle must not hand out a geometry destroyed through another handle.

#include "tests/support/MeshBuilders.h"
#include "zev/contracts/Preferences.h"
#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/geometry/GeometryAutoPtr.h"
#include "zev/interpolants/VertexInterpolant.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/shapes/shapeIndex.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

using namespace zev;

namespace {

// Opens the neighbour table and the copy constructor.
class OpenGeometry : public Geometry {
public:
    OpenGeometry() = default;
    explicit OpenGeometry(const Geometry& p_other) : Geometry(p_other) {}
    std::set<int> neighbours(int p_node)
    {
        std::set<int> out;
        getNodesAroundNode(p_node, out);
        return out;
    }
    static void destroy(Geometry* p_geometry) { delete static_cast<OpenGeometry*>(p_geometry); }
    ~OpenGeometry() override = default;
};

std::string hex(float p_value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%a ", static_cast<double>(p_value));
    return buffer;
}

template <class Array> std::string floats(const Array& p_array)
{
    std::string out;
    for (std::size_t i = 0; i < p_array.size(); ++i)
        out += hex(p_array[i]);
    return out;
}

std::string triplet(const Triplet& p_value)
{
    return hex(p_value[0]) + hex(p_value[1]) + hex(p_value[2]);
}

std::string triplets(const TripletZEVVector& p_array)
{
    std::string out;
    for (std::size_t i = 0; i < p_array.size(); ++i)
        out += triplet(p_array[i]);
    return out;
}

// Every cached answer of p_geometry, exactly: measures, point location (with and without the
// virtual layer), plane candidates, line and circle queries repeated until the face index is
// built, and the node neighbours.
std::string answers(OpenGeometry& p_geometry)
{
    std::ostringstream out;
    out << "vertex areas " << floats(p_geometry.getVertexAreas()) << '\n';
    out << "vertex normals " << triplets(p_geometry.getVertexNormals()) << '\n';
    out << "face areas " << floats(p_geometry.getFaceAreas()) << '\n';
    out << "face normals " << triplets(p_geometry.getFaceNormals()) << '\n';
    out << "element volumes " << floats(p_geometry.getElementVolumes()) << '\n';
    out << "vertex volumes " << floats(p_geometry.getVertexVolumes()) << '\n';
    out << "element centres " << triplets(p_geometry.getElementCenters()) << '\n';
    const Geometry::SearchMode modes[2] = {Geometry::SearchDomain, Geometry::SearchDomainAndVirtualLayer};
    for (Geometry::SearchMode mode : modes)
        for (float z : {0.1f, 0.5f, 0.9f, 1.04f, 3.5f, 4.9f, 5.02f}) {
            std::vector<float> weights;
            const shapeIndex at = p_geometry.findElement(Triplet(0.4f, 0.6f, z), weights, false, mode);
            out << "locate " << z << ' ' << at.getSetIndex() << ' ' << at.getShapeIndex() << ' '
                << floats(weights) << '\n';
        }
    for (int set = 0; set < p_geometry.getNumElementSets(); ++set) {
        std::vector<int> ids;
        p_geometry.findElementsOnPlane(Triplet(0, 0, 1), 4.2f, set, ids);
        out << "plane " << set;
        for (int id : ids)
            out << ' ' << id;
        out << '\n';
    }
    for (int repeat = 0; repeat < 3; ++repeat)
        for (float x : {0.3f, 0.7f, 2.5f}) {
            Triplet hit;
            const bool found = p_geometry.intersectFacesWithLine(Triplet(x, 0.5f, -7), Triplet(0, 0, 1), hit);
            out << "line " << found << ' ' << (found ? triplet(hit) : "") << '\n';
            // Circles about an axis in the plane of the top face, reaching it at about x.
            double angle = 0.0;
            const bool turned = p_geometry.intersectFacesWithCircle(
                Triplet(x, 0.5f, 1.3f), Triplet(-5, -5, 1), Triplet(-5, 5, 1), angle);
            out << "circle " << turned << ' ' << (turned ? angle : 0.0) << '\n';
        }
    for (int node : {0, 5, 21, 63})
        if (node < p_geometry.getNumVertices()) {
            out << "around " << node;
            for (int n : p_geometry.neighbours(node))
                out << ' ' << n;
            out << '\n';
        }
    return out.str();
}

// A box of 3^3 hexahedra on [0,1]^3 with the surface sets the line queries search: "TRI"
// (the top face, split in two triangles) and "QUAD" (the bottom face).
void buildBox(Geometry& p_geometry)
{
    test::buildHexBox(p_geometry, 3);
    test::addFaces(p_geometry, "TRI", 2, {{60, 63, 51}, {48, 60, 51}});
    test::addFaces(p_geometry, "QUAD", 3, {{0, 12, 15, 3}});
    ASSERT_TRUE(p_geometry.calculateFaces()); // the boundary the virtual layer grows from
}

// The mesh of p_geometry built again from scratch: its vertices, lines and sets, none of
// its caches.
OpenGeometry* rebuilt(const Geometry& p_geometry)
{
    auto* fresh = new OpenGeometry();
    fresh->getVertices() = p_geometry.getVertices();
    fresh->getLines() = p_geometry.getLines();
    for (const std::string& name : p_geometry.getElementSetNames()) {
        ShapeSet* set = p_geometry.getElementSet(name)->clone();
        set->clearExtents();
        fresh->insertElementSet(name, set);
    }
    for (const std::string& name : p_geometry.getFaceSetNames())
        fresh->insertFaceSet(name, p_geometry.getFaceSet(name)->clone());
    return fresh;
}

struct CacheStateFixture : ::testing::Test {
    void SetUp() override { Preferences::instance().setFloatValue("Interpolation Tolerance", 0.05f); }
    void TearDown() override { Preferences::instance().resetToDefaults(); }
};

} // namespace

TEST_F(CacheStateFixture, EveryCacheAnswersAsAFreshMeshAfterEveryKindOfChange)
{
    struct Change {
        const char* name;
        std::function<void(OpenGeometry&)> prepare; // before the caches are built
        std::function<void(OpenGeometry&)> apply;
    };
    const std::vector<Change> changes = {
        {"edit in place", nullptr,
         [](OpenGeometry& g) {
             TripletZEVVector& v = g.getVertices();
             for (std::size_t i = 0; i < v.size(); ++i)
                 v[i] = Triplet(v[i][0] * 2, v[i][1] * 2, v[i][2] * 2 + 3);
         }},
        {"move through an interpolant",
         [](OpenGeometry& g) {
             auto* interpolant = new VertexInterpolant("parent");
             for (int i = 0; i < g.getNumVertices(); ++i)
                 interpolant->pushVertex(i);
             g.addInterpolant(interpolant);
         },
         [](OpenGeometry& g) {
             TripletZEVVector parent = std::as_const(g).getVertices();
             for (std::size_t i = 0; i < parent.size(); ++i)
                 parent[i] = Triplet(parent[i][0], parent[i][1], parent[i][2] + 4);
             ASSERT_TRUE(g.recalculateVertices(parent));
         }},
        {"merge",
         [](OpenGeometry& g) {
             // The upper half of the hexahedra moves onto copies of their vertices.
             const int n = g.getNumVertices();
             TripletZEVVector& v = g.getVertices();
             for (int i = 0; i < n; ++i)
                 v.push_back(v[static_cast<std::size_t>(i)]);
             ShapeSet& hexes = *g.getElementSet(0);
             for (std::size_t e = hexes.size() / 2; e < hexes.size(); ++e)
                 for (int k = 0; k < 8; ++k)
                     hexes[e][k] = hexes[e][k] + n;
             g.markChanged();
         },
         [](OpenGeometry& g) { g.removeDuplicateVertices(1e-4); }},
        {"add a set",
         [](OpenGeometry& g) {
             test::addVertices(g, {0, 0, 4, 1, 0, 4, 0, 1, 4, 1, 1, 4, 0, 0, 5, 1, 0, 5, 0, 1, 5, 1, 1, 5});
         },
         [](OpenGeometry& g) {
             const int b = g.getNumVertices() - 8;
             test::addElements(g, 1, 6, {{b, b + 1, b + 3, b + 2, b + 4, b + 5, b + 7, b + 6}});
         }},
        {"remove a set",
         [](OpenGeometry& g) {
             test::addVertices(g, {0, 0, 4, 1, 0, 4, 0, 1, 4, 1, 1, 4, 0, 0, 5, 1, 0, 5, 0, 1, 5, 1, 1, 5});
             const int b = g.getNumVertices() - 8;
             test::addElements(g, 1, 6, {{b, b + 1, b + 3, b + 2, b + 4, b + 5, b + 7, b + 6}});
         },
         [](OpenGeometry& g) { ASSERT_TRUE(g.removeElementSet("ES2")); }},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.name);
        auto* g = new OpenGeometry();
        buildBox(*g);
        if (change.prepare)
            change.prepare(*g);
        const std::string before = answers(*g);
        change.apply(*g);
        OpenGeometry* fresh = rebuilt(*g);
        const std::string expected = answers(*fresh);
        EXPECT_NE(expected, before); // the change is one the answers can see
        EXPECT_EQ(answers(*g), expected);
        OpenGeometry::destroy(fresh);
        OpenGeometry::destroy(g);
    }
}

TEST_F(CacheStateFixture, ExplicitDropsKeepTheirMeaning)
{
    auto* g = new OpenGeometry();
    buildBox(*g);
    const std::uint64_t revision = g->getRevision();
    const FloatZEVVectorConcrete* areas = &g->getVertexAreas();
    EXPECT_EQ(&g->getVertexAreas(), areas); // cached while nothing changes
    const Octree* tree = g->getOctreeForES(0);
    EXPECT_EQ(g->getOctreeForES(0), tree);
    g->clearDataStores(); // drops the measures, leaves the mesh state and the octrees
    EXPECT_EQ(g->getRevision(), revision);
    EXPECT_EQ(g->getOctreeForES(0), tree);
    g->clearCache(); // drops the search structures
    EXPECT_EQ(g->getRevision(), revision);
    const std::string answered = answers(*g); // queries are no change, nor is reading
    std::as_const(*g).getVertices();
    EXPECT_EQ(g->getRevision(), revision);
    g->getVertices(); // handing out the writable array is
    EXPECT_NE(g->getRevision(), revision);
    OpenGeometry* fresh = rebuilt(*g);
    EXPECT_EQ(answered, answers(*fresh));
    OpenGeometry::destroy(fresh);
    OpenGeometry::destroy(g);
}

TEST_F(CacheStateFixture, ACopyOutlivesTheSourcesDroppedCaches)
{
    auto* source = new OpenGeometry();
    buildBox(*source);
    const std::string expected = answers(*source);
    auto* copy = new OpenGeometry(*source);
    source->clearDataStores();
    source->clearCache();
    source->getVertices()[0] = Triplet(-1, -1, -1); // and rebuilds from another state
    answers(*source);
    EXPECT_EQ(answers(*copy), expected);
    OpenGeometry::destroy(copy); // forgets the shared sets, frees nothing of the source's
    EXPECT_NE(answers(*source), expected);
    OpenGeometry::destroy(source);
}

TEST(GeometryAutoPtr, AssignmentReleasesAndDeadGeometriesAreNotHandedOut)
{
    GeometryAPI* api = GeometryAPI::instance();
    Geometry* first = api->newGeometry("", nullptr);
    Geometry* second = api->newGeometry("", nullptr);
    {
        GeometryAutoPtr handle(first);
        GeometryAutoPtr other(second);
        handle = other; // releases the first geometry
        EXPECT_FALSE(api->exists(first));
        EXPECT_EQ(handle.get(), second);
        handle = other; // the same geometry: kept
        EXPECT_TRUE(api->exists(second));

        GeometryAutoPtr copy(handle);
        api->deleteGeometry(second); // destroyed behind the handles' backs
        EXPECT_EQ(handle.get(), nullptr);
        EXPECT_EQ(copy.operator->(), nullptr);
        Geometry* third = api->newGeometry("", nullptr); // may reuse the address
        EXPECT_EQ(copy.get(), nullptr);
        api->deleteGeometry(third);
    }
    // A geometry the registry never recorded is handed out as given, and left alone.
    auto* foreign = new OpenGeometry();
    {
        GeometryAutoPtr handle(foreign);
        EXPECT_EQ(handle.get(), foreign);
    }
    OpenGeometry::destroy(foreign);
}
