#include "zev/search/PointLocator.h"

#include "tests/support/ExpectError.h"
#include "tests/support/MeshBuilders.h"
#include "zev/contracts/FloatZEVVectorConcrete.h"
#include "zev/contracts/Preferences.h"
#include "zev/contracts/Undefined.h"
#include "zev/geometry/Geometry.h"
#include "zev/search/Octree.h"
#include "zev/shapes/ElementFactory.h"
#include "zev/shapes/FaceFactory.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <set>
#include <vector>

using namespace zev;

namespace {

// Opens the flags and the virtual layer of a geometry to the tests. The layer is built by
// hand, as createVirtualLayer builds it: one hexahedron per boundary quadrilateral, from the
// surface vertex to the vertex moved outwards along its normal by the thickness, with the
// quadrilateral as interpolation proxy.
class SearchGeometry : public Geometry {
public:
    void setFlags(bool p_useOctree, bool p_stuCheck)
    {
        m_useOctree = p_useOctree;
        m_considerStuFailure = p_stuCheck;
    }
    int layerBuilds = 0;
    bool buildLayer = true;

    bool createVirtualLayer(float p_tolerance) override
    {
        ++layerBuilds;
        if (!buildLayer || p_tolerance == 0.0f ||
            (hasVirtualLayer() && m_virtualLayerTolerance == p_tolerance))
            return false;
        if (getFaceSet("ELEMQUADS") == nullptr && !calculateFaces())
            return false;
        removeVirtualLayer();
        const ShapeSet& quads = *getFaceSet("ELEMQUADS");
        std::vector<Triplet> normals(m_vertices.size(), Triplet(0.0f, 0.0f, 0.0f));
        for (std::size_t f = 0; f < quads.size(); ++f) {
            Triplet n;
            quads[f].getNormal(m_vertices, n, true);
            // Outwards, whatever the faces' orientation: the box is centred on (0.5, 0.5, 0.5).
            if (n.dot(quads[f].calcCentroid(m_vertices) - Triplet(0.5f, 0.5f, 0.5f)) < 0.0f)
                n = -n;
            for (int k = 0; k < 4; ++k)
                normals[static_cast<std::size_t>(quads[f][k])] += n;
        }
        std::vector<int> layerId(m_vertices.size(), -1);
        std::vector<int> surface;
        for (std::size_t v = 0; v < m_vertices.size(); ++v)
            if (normals[v].length() > 0.0f) {
                layerId[v] = static_cast<int>(surface.size());
                surface.push_back(static_cast<int>(v));
            }
        const float thickness = std::sqrt(3.0f) * p_tolerance / 100.0f;
        const std::size_t m = surface.size();
        m_virtualLayerVertices.resize(2 * m);
        for (std::size_t j = 0; j < m; ++j) {
            Triplet n = normals[static_cast<std::size_t>(surface[j])];
            n /= n.length();
            m_virtualLayerVertices[j] = m_vertices[static_cast<std::size_t>(surface[j])];
            m_virtualLayerVertices[j + m] = m_vertices[static_cast<std::size_t>(surface[j])] + n * thickness;
        }
        const int index = 0x7FFFFFFE - Quadrilaterals;
        ShapeSet* hexes =
            ElementFactory::instance()->getElementSetByType(HEX, static_cast<int>(quads.size()));
        hexes->setSetNumber(index);
        static const int order[4] = {0, 1, 3, 2};
        for (std::size_t f = 0; f < quads.size(); ++f) {
            for (int k = 0; k < 4; ++k) {
                const int id = layerId[static_cast<std::size_t>(quads[f][order[k]])];
                (*hexes)[f][k] = id;
                (*hexes)[f][k + 4] = id + static_cast<int>(m);
            }
            (*hexes)[f].setInterpolationProxy(&quads[f]);
        }
        Triplet lo, hi;
        hexes->calcExtents(m_virtualLayerVertices, lo, hi);
        m_virtualLayerSets[getElementSetName(index)] = hexes;
        m_virtualLayerSetIndices.push_back(index);
        m_virtualLayerTolerance = p_tolerance;
        return true;
    }
};

// A box of p_n^3 cells with jittered interior vertices; cells with i below p_hexColumns are
// hexahedra in ES1, the others six tetrahedra each in ES2 (ES1 alone when all are one kind).
// The plane between the two kinds stays flat so that the meshes meet face to face.
void buildBox(Geometry& p_geometry, int p_n, int p_hexColumns, unsigned p_seed)
{
    std::mt19937 random(p_seed);
    const float h = 1.0f / static_cast<float>(p_n);
    std::uniform_real_distribution<float> jitter(-0.15f * h, 0.15f * h);
    auto vertex = [p_n](int i, int j, int k) { return (k * (p_n + 1) + j) * (p_n + 1) + i; };
    for (int k = 0; k <= p_n; ++k)
        for (int j = 0; j <= p_n; ++j)
            for (int i = 0; i <= p_n; ++i) {
                const int idx[3] = {i, j, k};
                Triplet p;
                for (int c = 0; c < 3; ++c) {
                    p[c] = static_cast<float>(idx[c]) * h;
                    const bool interior = idx[c] > 0 && idx[c] < p_n && !(c == 0 && idx[c] == p_hexColumns);
                    if (interior)
                        p[c] += jitter(random);
                }
                p_geometry.getVertices().push_back(p);
            }
    std::vector<std::vector<int>> hexes;
    std::vector<std::vector<int>> tets;
    static const std::array<std::array<int, 3>, 6> orders = {
        {{0, 1, 2}, {1, 2, 0}, {2, 0, 1}, {0, 2, 1}, {2, 1, 0}, {1, 0, 2}}};
    for (int k = 0; k < p_n; ++k)
        for (int j = 0; j < p_n; ++j)
            for (int i = 0; i < p_n; ++i) {
                if (i < p_hexColumns) {
                    std::vector<int> c(8);
                    for (int v = 0; v < 8; ++v)
                        c[static_cast<std::size_t>(v)] = vertex(i + v % 2, j + (v / 2) % 2, k + v / 4);
                    hexes.push_back(c);
                    continue;
                }
                for (std::size_t o = 0; o < orders.size(); ++o) {
                    int step[3] = {0, 0, 0};
                    std::vector<int> path{vertex(i, j, k)};
                    for (int s = 0; s < 3; ++s) {
                        step[orders[o][static_cast<std::size_t>(s)]] = 1;
                        path.push_back(vertex(i + step[0], j + step[1], k + step[2]));
                    }
                    if (o >= 3)
                        std::swap(path[1], path[2]);
                    tets.push_back(path);
                }
            }
    if (!hexes.empty())
        test::addElements(p_geometry, 0, HEX, hexes);
    if (!tets.empty())
        test::addElements(p_geometry, hexes.empty() ? 0 : 1, TET, tets);
}

// Query points: random points, every 7th vertex, and points on shared faces (centroids of
// the faces of random elements), plus points just outside the box.
std::vector<Triplet> queryPoints(const Geometry& p_geometry, unsigned p_seed)
{
    std::mt19937 random(p_seed);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::vector<Triplet> points;
    for (int i = 0; i < 400; ++i)
        points.emplace_back(unit(random), unit(random), unit(random));
    for (std::size_t v = 0; v < p_geometry.getVertices().size(); v += 7)
        points.push_back(p_geometry.getVertices()[v]);
    for (const std::string& name : p_geometry.getElementSetNames()) {
        const ShapeSet& set = *p_geometry.getElementSet(name);
        std::uniform_int_distribution<std::size_t> pick(0, set.size() - 1);
        for (int i = 0; i < 100; ++i) {
            const Shape& e = set[pick(random)];
            int n = 0;
            const int* slots = nullptr;
            const int* row = e.getVerticesForFace(i % e.getNumFaces(), n, &slots);
            Triplet c(0.0f, 0.0f, 0.0f);
            for (int k = 0; k < n; ++k)
                c += p_geometry.getVertices()[static_cast<std::size_t>(slots[row[k]])];
            c /= static_cast<float>(n);
            points.push_back(c);
        }
    }
    points.emplace_back(1.001f, 0.5f, 0.5f);
    points.emplace_back(-0.2f, 0.5f, 0.5f);
    return points;
}

float linearField(const Triplet& p)
{
    return 2.0f + 3.0f * p[0] - p[1] + 0.5f * p[2];
}

} // namespace

TEST(PointLocation, AgreesWithBruteForceScan)
{
    struct Case {
        const char* name;
        int n;
        int hexColumns;
    };
    for (const Case& c : {Case{"hex", 8, 8}, Case{"tet", 6, 0}, Case{"mixed", 8, 5}}) {
        SCOPED_TRACE(c.name);
        SearchGeometry g;
        buildBox(g, c.n, c.hexColumns, 5);
        // Enough elements for a real tree.
        g.buildAllOctrees();
        const TripletZEVVector& vertices = g.getVertices();
        const std::vector<int> noLayer;
        const PointLocator scan(g, vertices, noLayer, false, true);
        int found = 0;
        for (const Triplet& p : queryPoints(g, 9)) {
            std::vector<float> weights;
            const shapeIndex where = g.findElement(p, weights, false, Geometry::SearchDomain);

            // Every element that accepts the point on its own.
            std::set<std::pair<int, int>> accepting;
            for (int s = 0; s < g.getNumElementSets(); ++s) {
                const ShapeSet& set = *g.getElementSet(s);
                for (std::size_t e = 0; e < set.size(); ++e) {
                    std::vector<float> w;
                    const Shape* proxy = nullptr;
                    bool failed = false;
                    if (PointLocator::isInElement(p, w, set[e], vertices, vertices, true, true, proxy,
                                                  failed))
                        accepting.emplace(s, static_cast<int>(e));
                }
            }
            const bool inside =
                p[0] >= 0.0f && p[0] <= 1.0f && p[1] >= 0.0f && p[1] <= 1.0f && p[2] >= 0.0f && p[2] <= 1.0f;
            ASSERT_EQ(where.isValid(), !accepting.empty()) << p[0] << " " << p[1] << " " << p[2];
            if (!where.isValid())
                continue;
            ++found;
            EXPECT_TRUE(inside);
            EXPECT_TRUE(accepting.count({where.m_setIndex, where.m_shapeIndex}));
            // The scan takes the lowest set and shape; the octree may pick another acceptor
            // only when several accept (points on shared faces and vertices).
            shapeIndex first;
            std::vector<float> w;
            EXPECT_EQ(scan.search(p, w, Geometry::SearchDomain, false, first), PointLocator::Outcome::Found);
            EXPECT_EQ(std::make_pair(first.m_setIndex, first.m_shapeIndex), *accepting.begin());
            if (accepting.size() == 1) {
                EXPECT_EQ(first, where);
            }

            // Weights sum to one and reproduce the point.
            const Shape& shape = *where.m_shape;
            ASSERT_EQ(weights.size(), static_cast<std::size_t>(shape.getNumVertices()));
            double sum = 0.0;
            double x[3] = {0.0, 0.0, 0.0};
            double field = 0.0;
            for (int k = 0; k < shape.getNumVertices(); ++k) {
                const Triplet& v = vertices[static_cast<std::size_t>(shape[k])];
                sum += weights[static_cast<std::size_t>(k)];
                field += weights[static_cast<std::size_t>(k)] * linearField(v);
                for (int a = 0; a < 3; ++a)
                    x[a] += weights[static_cast<std::size_t>(k)] * v[a];
            }
            EXPECT_NEAR(sum, 1.0, 1e-5);
            // Exact inside the element; a point accepted within the shapes' snapping band
            // (a hundredth of the parametric range) is reproduced to that band.
            bool interior = true;
            for (float w : weights)
                interior = interior && w > 1e-3f;
            const double tolerance = interior ? 1e-4 : 4e-3;
            for (int a = 0; a < 3; ++a)
                EXPECT_NEAR(x[a], p[a], tolerance);
            if (shape.getType() == TET) {
                EXPECT_NEAR(field, linearField(p), 4 * tolerance);
            }
        }
        EXPECT_GT(found, 500);
    }
}

TEST(PointLocation, VerticesAndSharedFacesAreNeverMissed)
{
    SearchGeometry g;
    buildBox(g, 5, 2, 21);
    for (const Triplet& v : g.getVertices()) {
        std::vector<float> weights;
        EXPECT_TRUE(g.findElement(v, weights, false, Geometry::SearchDomain).isValid())
            << v[0] << " " << v[1] << " " << v[2];
    }
    // A point on the face shared by two tetrahedra goes to the first in leaf order: a
    // single leaf lists its ids descending, the scan ascending.
    SearchGeometry two;
    test::buildTwoTets(two);
    const Triplet& a = two.getVertices()[1];
    const Triplet& b = two.getVertices()[2];
    const Triplet& c = two.getVertices()[3];
    const Triplet onFace = (a + b + c) / 3.0f;
    std::vector<float> weights;
    EXPECT_EQ(two.findElement(onFace, weights, false, Geometry::SearchDomain).m_shapeIndex, 1);
    two.setFlags(false, true);
    EXPECT_EQ(two.findElement(onFace, weights, false, Geometry::SearchDomain).m_shapeIndex, 0);
}

TEST(PointLocation, VirtualLayerModes)
{
    SearchGeometry g;
    buildBox(g, 4, 4, 2);
    const Triplet justOutside(1.004f, 0.43f, 0.61f); // within the layer's 0.0173
    const Triplet inside(0.5f, 0.5f, 0.5f);
    const Triplet farOutside(1.05f, 0.5f, 0.5f);
    std::vector<float> weights;

    EXPECT_FALSE(g.findElement(justOutside, weights, true, Geometry::SearchDomain).hasGeomData());
    EXPECT_EQ(g.layerBuilds, 0);

    for (int mode : {2, 3, 6}) {
        SCOPED_TRACE(mode);
        const shapeIndex hit =
            g.findElement(justOutside, weights, false, static_cast<Geometry::SearchMode>(mode));
        // Answered through the proxy quadrilateral, with weights over the regular vertices.
        ASSERT_TRUE(hit.hasGeomData());
        EXPECT_FALSE(hit.isValid());
        EXPECT_EQ(hit.m_shape->getType(), QUAD);
        ASSERT_EQ(weights.size(), 4u);
        EXPECT_NEAR(weights[0] + weights[1] + weights[2] + weights[3], 1.0f, 1e-5f);
        for (int k = 0; k < 4; ++k)
            EXPECT_NEAR(g.getVertices()[static_cast<std::size_t>((*hit.m_shape)[k])][0], 1.0f, 1e-6f);

        HybridInterpolantData data;
        ASSERT_TRUE(
            g.getElementNodeWeights(justOutside, data, false, static_cast<Geometry::SearchMode>(mode)));
        EXPECT_EQ(data.m_size, 4u);
        EXPECT_FALSE(
            g.findElement(farOutside, weights, true, static_cast<Geometry::SearchMode>(mode)).hasGeomData());
    }
    EXPECT_FALSE(g.findElement(inside, weights, false, Geometry::SearchVirtualLayer).hasGeomData());
    EXPECT_TRUE(g.findElement(inside, weights, false, Geometry::SearchDomainAndVirtualLayer).isValid());

    // A wider layer replaces the old one; its octree must not be the old layer's.
    const int layerIndex = 0x7FFFFFFE - Geometry::Quadrilaterals;
    const Octree* before = g.getOctreeForES(layerIndex);
    ASSERT_NE(before, nullptr);
    Preferences::instance().setFloatValue("Interpolation Tolerance", 5.0f);
    const shapeIndex wide = g.findElement(farOutside, weights, false, Geometry::SearchVirtualLayer);
    Preferences::instance().resetToDefaults();
    EXPECT_TRUE(wide.hasGeomData());

    // Without a layer, mode 2 finds nothing.
    SearchGeometry bare;
    buildBox(bare, 4, 4, 2);
    bare.buildLayer = false;
    EXPECT_FALSE(bare.findElement(inside, weights, true, Geometry::SearchVirtualLayer).hasGeomData());
    EXPECT_TRUE(bare.findElement(inside, weights, true, Geometry::SearchDomainAndVirtualLayer).isValid());
}

TEST(PointLocation, FailedInversion)
{
    // Layer hexahedra whose proxies (polygons without corners) can never give weights.
    SearchGeometry g;
    buildBox(g, 3, 3, 4);
    const Triplet justOutside(1.004f, 0.5f, 0.5f);
    std::vector<float> weights;
    ASSERT_TRUE(g.findElement(justOutside, weights, false, Geometry::SearchVirtualLayer).hasGeomData());
    ShapeSet* polygons = FaceFactory::instance()->getFaceSetByType(POLYGON, 1);
    ShapeSet* layer = g.getElementSet(0x7FFFFFFE - Geometry::Quadrilaterals);
    std::vector<const Shape*> proxies;
    for (std::size_t i = 0; i < layer->size(); ++i) {
        proxies.push_back((*layer)[i].getInterpolationProxy());
        (*layer)[i].setInterpolationProxy(&(*polygons)[0]);
    }
    // With the check on, no element is accepted in either pass.
    EXPECT_FALSE(g.findElement(justOutside, weights, true, Geometry::SearchVirtualLayer).hasGeomData());
    // With it off, the element is accepted, and still answered through its proxy.
    g.setFlags(true, false);
    const shapeIndex hit = g.findElement(justOutside, weights, false, Geometry::SearchVirtualLayer);
    EXPECT_EQ(hit, shapeIndex(-1, -1, &(*polygons)[0]));
    for (std::size_t i = 0; i < layer->size(); ++i)
        (*layer)[i].setInterpolationProxy(proxies[i]);
    delete polygons;
}

TEST(PointLocation, NearAndPlaneQueries)
{
    SearchGeometry g;
    test::buildTetBox(g, 3); // one leaf of 162
    std::vector<shapeIndex> near;
    g.findAllElementsNear(Triplet(0.5f, 0.5f, 0.5f), near);
    g.findAllElementsNear(Triplet(0.5f, 0.5f, 0.5f), near);
    ASSERT_EQ(near.size(), 324u);
    EXPECT_EQ(near[0], shapeIndex(0, 161, &(*g.getElementSet(0))[161]));
    EXPECT_EQ(near[162], near[0]);

    std::vector<int> ids;
    g.findElementsOnPlane(Triplet(0.0f, 0.0f, 1.0f), 0.4f, 0, ids);
    ASSERT_EQ(ids.size(), 162u);
    EXPECT_EQ(ids.front(), 161);
    EXPECT_EQ(ids.back(), 0);
    g.findElementsOnPlane(Triplet(0.0f, 0.0f, 1.0f), 1.5f, 0, ids);
    EXPECT_TRUE(ids.empty());
    std::vector<int> untouched{7};
    g.findElementsOnPlane(Triplet(0.0f, 0.0f, 1.0f), 0.4f, 3, untouched);
    EXPECT_EQ(untouched, std::vector<int>{7});

    // A set shrunk after its octree was built: ids past its end are skipped.
    g.getElementSet(0)->resize(100);
    g.findElementsOnPlane(Triplet(0.0f, 0.0f, 1.0f), 0.4f, 0, ids);
    EXPECT_EQ(ids.size(), 100u);
    EXPECT_EQ(ids.front(), 99);
    std::vector<float> weights;
    g.findElement(Triplet(0.9f, 0.9f, 0.9f), weights, false, Geometry::SearchDomain);

    g.setFlags(false, true);
    zevtest::expectError<internal::error>([&] { g.findAllElementsNear(Triplet(0.5f, 0.5f, 0.5f), near); },
                                          "Geometry", "findAllElementsNear",
                                          "Cannot use findALlElementsNear without OCTREE");
}

TEST(PointLocation, LocateAndInterpolate)
{
    SearchGeometry g;
    buildBox(g, 4, 0, 8);
    FloatZEVVectorConcrete field;
    field.resize(g.getVertices().size());
    for (std::size_t v = 0; v < g.getVertices().size(); ++v)
        field[v] = linearField(g.getVertices()[v]);
    const Triplet p(0.31f, 0.72f, 0.45f);
    const PointLocation at = PointLocator::locate(g, p, Geometry::SearchDomain, false);
    ASSERT_TRUE(at.found());
    EXPECT_EQ(at.m_element.m_setIndex, 0);
    EXPECT_NEAR(PointLocator::interpolate(at.m_weights, field), linearField(p), 1e-4f);
    field[static_cast<std::size_t>(at.m_weights.m_nodes[2])] = ZEV_UNDEF;
    EXPECT_EQ(PointLocator::interpolate(at.m_weights, field), ZEV_UNDEF);

    const PointLocation outside =
        PointLocator::locate(g, Triplet(2.0f, 0.0f, 0.0f), Geometry::SearchDomain, true);
    EXPECT_FALSE(outside.found());
    EXPECT_EQ(PointLocator::interpolate(outside.m_weights, field), ZEV_UNDEF);
}
