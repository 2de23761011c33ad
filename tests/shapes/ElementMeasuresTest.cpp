#include "tests/support/MeshBuilders.h"
#include "zev/contracts/Undefined.h"
#include "zev/shapes/ShapeSetBase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <random>
#include <thread>
#include <vector>

using namespace zev;

namespace {

constexpr float kTol = 1e-5f;

template <class T> T shapeOn(std::initializer_list<int> p_slots)
{
    T shape;
    int k = 0;
    for (int v : p_slots)
        shape[k++] = v;
    return shape;
}

Hex unitHex()
{
    return shapeOn<Hex>({0, 1, 2, 3, 4, 5, 6, 7});
}

void expectTriplet(const Triplet& p_actual, const Triplet& p_expected, float p_tol = kTol)
{
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(p_actual[c], p_expected[c], p_tol) << "component " << c;
}

// Region faces of one type as rows of four region points.
struct RegionTableView {
    const char* name;
    std::unique_ptr<Shape> shape;
    int numRegionFaces;
    std::function<const int*(int)> regionFace;
    int centroidPoint;
};

std::vector<RegionTableView> regionTables()
{
    std::vector<RegionTableView> r;
    r.push_back({"Tet", std::make_unique<Tet>(), 24, [](int f) { return Tet::m_regionFaces[f]; }, 14});
    r.push_back(
        {"Pyramid", std::make_unique<Pyramid>(), 32, [](int f) { return Pyramid::m_regionFaces[f]; }, 18});
    r.push_back({"Wedge", std::make_unique<Wedge>(), 36, [](int f) { return Wedge::m_regionFaces[f]; }, 20});
    r.push_back({"Hex", std::make_unique<Hex>(), 48, [](int f) { return Hex::m_regionFaces[f]; }, 26});
    return r;
}

// The reference element of each type and the share of its volume expected at each vertex
// by symmetry (every affine image keeps these shares).
struct ReferenceElement {
    const char* name;
    std::unique_ptr<Shape> shape;
    std::vector<Triplet> corners;
    float volume;
};

std::vector<ReferenceElement> referenceElements()
{
    std::vector<ReferenceElement> r;
    r.push_back({"Tet", std::make_unique<Tet>(), {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, 1.0f / 6.0f});
    r.push_back({"Pyramid",
                 std::make_unique<Pyramid>(),
                 {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0.5f, 0.5f, 1}},
                 1.0f / 3.0f});
    r.push_back({"Wedge",
                 std::make_unique<Wedge>(),
                 {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {0, 1, 1}},
                 0.5f});
    const TripletZEVVector corners = test::unitCubeVertices();
    r.push_back({"Hex", std::make_unique<Hex>(), std::vector<Triplet>(corners.begin(), corners.end()), 1.0f});
    return r;
}

} // namespace

TEST(ElementMeasures, UnitCubeVolumesExtentsAndLengthScale)
{
    const TripletZEVVector v = test::unitCubeVertices();
    const Hex hex = unitHex();
    EXPECT_NEAR(hex.getSimpleVolume(v), 1.0f, kTol);
    EXPECT_NEAR(hex.getVolume(v), 1.0f, kTol);

    FloatZEVVectorConcrete regions(3, 42.0f);
    EXPECT_NEAR(hex.getVolume(v, regions), 1.0f, kTol);
    ASSERT_EQ(regions.size(), 8u) << "resized to the vertex count";
    for (std::size_t i = 0; i < 8; ++i)
        EXPECT_NEAR(regions[i], 0.125f, kTol) << "vertex " << i;

    expectTriplet(hex.calcCentroid(v), Triplet(0.5f, 0.5f, 0.5f));

    // Bounds are inclusive and carry no tolerance.
    EXPECT_TRUE(hex.isWithinExtents(Triplet(1, 1, 1), v));
    EXPECT_TRUE(hex.isWithinExtents(Triplet(0, 0.5f, 1), v));
    EXPECT_FALSE(hex.isWithinExtents(Triplet(1.000001f, 0.5f, 0.5f), v));
    EXPECT_FALSE(hex.isWithinExtents(Triplet(0.5f, -0.000001f, 0.5f), v));
    EXPECT_FALSE(hex.isWithinExtents(Triplet(0.5f, 0.5f, 1.000001f), v));

    const double s2 = std::sqrt(2.0);
    EXPECT_NEAR(hex.lengthScale(v), (1 + 1 + s2 + 1 + s2 + s2 + std::sqrt(3.0)) / 7.0, 1e-6);
    TripletZEVVector undefined = v;
    undefined[3] = Triplet(ZEV_UNDEF, 1, 0);
    EXPECT_GE(hex.lengthScale(undefined), static_cast<double>(ZEV_UNDEF) / 7.0 * 0.999);
}

TEST(ElementMeasures, TetrahedronSignAndVertexShares)
{
    TripletZEVVector v;
    v.push_back(Triplet(0, 0, 0));
    v.push_back(Triplet(1, 0, 0));
    v.push_back(Triplet(0, 1, 0));
    v.push_back(Triplet(0, 0, 1));
    v.push_back(Triplet(9, 9, 9)); // used by no element

    const Tet tet = shapeOn<Tet>({0, 1, 2, 3});
    const Tet inverted = shapeOn<Tet>({0, 2, 1, 3});
    EXPECT_NEAR(tet.getSimpleVolume(v), 1.0f / 6.0f, 1e-7f);
    EXPECT_NEAR(inverted.getSimpleVolume(v), -1.0f / 6.0f, 1e-7f);
    EXPECT_NEAR(inverted.getVolume(v), -1.0f / 6.0f, 1e-7f);

    // The vertex shares come from the unsigned determinant, so both orientations give
    // each vertex a quarter and report the positive volume.
    for (const Tet* t : {&tet, &inverted}) {
        FloatZEVVectorConcrete shares(5, 1.0f);
        EXPECT_NEAR(t->calcVertexVolumes(v, shares), 1.0f / 6.0f, 1e-7f);
        for (std::size_t i = 0; i < 4; ++i)
            EXPECT_NEAR(shares[i], 1.0f + 1.0f / 24.0f, 1e-6f) << "added to the existing value";
        EXPECT_EQ(shares[4], 1.0f) << "a vertex of no element is untouched";
    }

    // The dual regions of a tetrahedron are equal quarters too.
    FloatZEVVectorConcrete regions;
    EXPECT_NEAR(tet.getVolume(v, regions), 1.0f / 6.0f, 1e-6f);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_NEAR(regions[i], 1.0f / 24.0f, 1e-6f);
}

TEST(ElementMeasures, PyramidAndPrismVolumesBothWays)
{
    TripletZEVVector v;
    for (const Triplet& p :
         {Triplet(0, 0, 0), Triplet(1, 0, 0), Triplet(1, 1, 0), Triplet(0, 1, 0), Triplet(0.5f, 0.5f, 1)})
        v.push_back(p);
    const Pyramid pyramid = shapeOn<Pyramid>({0, 1, 2, 3, 4});
    FloatZEVVectorConcrete regions;
    EXPECT_NEAR(pyramid.getSimpleVolume(v), 1.0f / 3.0f, kTol);
    EXPECT_NEAR(pyramid.getVolume(v, regions), 1.0f / 3.0f, kTol);

    TripletZEVVector w;
    for (const Triplet& p : {Triplet(0, 0, 0), Triplet(1, 0, 0), Triplet(0, 1, 0), Triplet(0, 0, 1),
                             Triplet(1, 0, 1), Triplet(0, 1, 1)})
        w.push_back(p);
    const Wedge wedge = shapeOn<Wedge>({0, 1, 2, 3, 4, 5});
    EXPECT_NEAR(wedge.getSimpleVolume(w), 0.5f, kTol);
    EXPECT_NEAR(wedge.getVolume(w, regions), 0.5f, kTol);
    EXPECT_EQ(regions.size(), 6u);
}

// Each table row is checked through the measure it feeds: on a sheared, stretched element
// (flat faces, so both decompositions are exact) the dual regions must add up to the
// volume by tetrahedra and keep the shares symmetry gives them. A wrong row breaks one.
TEST(ElementMeasures, DualRegionsSumToTheSimpleVolumeForEveryType)
{
    // Shear, stretch and offset, with determinant 1.0275.
    auto map = [](const Triplet& p) {
        return Triplet(1.0f * p[0] + 0.2f * p[1] + 0.1f * p[2] + 3.0f,
                       0.1f * p[0] + 1.1f * p[1] - 0.2f * p[2] - 1.0f,
                       0.05f * p[0] + 0.3f * p[1] + 0.9f * p[2] + 0.5f);
    };
    const double det =
        1.0 * (1.1 * 0.9 - (-0.2) * 0.3) - 0.2 * (0.1 * 0.9 - (-0.2) * 0.05) + 0.1 * (0.1 * 0.3 - 1.1 * 0.05);

    for (ReferenceElement& e : referenceElements()) {
        SCOPED_TRACE(e.name);
        const int n = e.shape->getNumVertices();
        // Scatter the element's vertices over a larger array in reverse order, so local and
        // global numbers differ.
        TripletZEVVector v(static_cast<std::size_t>(n + 3));
        for (int i = 0; i < n; ++i) {
            (*e.shape)[i] = n + 2 - i;
            v[static_cast<std::size_t>(n + 2 - i)] = map(e.corners[static_cast<std::size_t>(i)]);
        }
        const float expected = static_cast<float>(e.volume * det);
        EXPECT_NEAR(e.shape->getSimpleVolume(v), expected, 1e-5f);

        FloatZEVVectorConcrete regions;
        const float total = e.shape->getVolume(v, regions);
        EXPECT_NEAR(total, expected, 1e-5f);
        float sum = 0.0f;
        for (int i = 0; i < n; ++i)
            sum += regions[static_cast<std::size_t>(i)];
        EXPECT_NEAR(sum, total, 1e-6f);

        if (e.shape->getType() == PYRAMID) {
            // The four base corners are alike; the apex keeps the rest.
            for (std::size_t i = 1; i < 4; ++i)
                EXPECT_NEAR(regions[i], regions[0], 1e-6f);
            EXPECT_GT(regions[4], regions[0]);
        } else {
            for (int i = 0; i < n; ++i)
                EXPECT_NEAR(regions[static_cast<std::size_t>(i)], expected / static_cast<float>(n), 1e-6f)
                    << "vertex " << i;
        }

        FloatZEVVectorConcrete shares(v.size(), 0.0f);
        EXPECT_NEAR(e.shape->calcVertexVolumes(v, shares), total, 1e-6f);
        for (int i = 0; i < n; ++i)
            EXPECT_GT(shares[static_cast<std::size_t>(n + 2 - i)], 0.0f);
        EXPECT_EQ(shares[0], 0.0f);
    }
}

// Every interior region face separates two vertex regions and so appears twice with its
// points in opposite order; every region face belongs to exactly one vertex's region.
TEST(ElementMeasures, RegionTablesPairInteriorFacesAndCoverEveryFace)
{
    for (const RegionTableView& t : regionTables()) {
        SCOPED_TRACE(t.name);
        std::vector<int> owners(static_cast<std::size_t>(t.numRegionFaces), 0);
        for (int v = 0; v < t.shape->getNumVertices(); ++v) {
            int n = -1;
            const int* faces = t.shape->getRegionFacesForVert(v, n);
            ASSERT_NE(faces, nullptr);
            EXPECT_EQ(n, v == 4 && t.shape->getType() == PYRAMID ? 8 : 6);
            for (int k = 0; k < n; ++k)
                ++owners[static_cast<std::size_t>(faces[k])];
        }
        for (int f = 0; f < t.numRegionFaces; ++f)
            EXPECT_EQ(owners[static_cast<std::size_t>(f)], 1) << "region face " << f;

        for (int f = 0; f < t.numRegionFaces; ++f) {
            const int* q = t.regionFace(f);
            if (q[0] != t.centroidPoint)
                continue;
            int partners = 0;
            for (int g = 0; g < t.numRegionFaces; ++g) {
                const int* r = t.regionFace(g);
                // Reversed about the shared first point: (c, a, b, d) against (c, d, b, a).
                if (r[0] == q[0] && r[1] == q[3] && r[2] == q[2] && r[3] == q[1])
                    ++partners;
            }
            EXPECT_EQ(partners, 1) << "interior region face " << f;
        }
    }
}

TEST(ElementMeasures, SetSumsShareVolumesBetweenNeighbours)
{
    // Two unit cubes side by side along x: the four vertices of the shared face belong to
    // both and receive two eighths.
    TripletZEVVector v;
    for (int i = 0; i < 12; ++i)
        v.push_back(
            Triplet(static_cast<float>(i % 3), static_cast<float>((i / 3) % 2), static_cast<float>(i / 6)));
    ShapeSetBase<Hex> hexes(2);
    hexes[0] = shapeOn<Hex>({0, 1, 3, 4, 6, 7, 9, 10});
    hexes[1] = shapeOn<Hex>({1, 2, 4, 5, 7, 8, 10, 11});
    FloatZEVVectorConcrete volumes(12, 0.0f);
    EXPECT_NEAR(hexes.calcVertexVolumes(v, volumes), 2.0f, kTol);
    for (std::size_t i = 0; i < 12; ++i)
        EXPECT_NEAR(volumes[i], i % 3 == 1 ? 0.25f : 0.125f, kTol) << "vertex " << i;

    // Repeated whole-set measures give the same answer (the scratch arrays carry nothing over).
    FloatZEVVectorConcrete again(12, 0.0f);
    hexes.calcVertexVolumes(v, again);
    EXPECT_EQ(again.vector(), volumes.vector());
}

// A hexahedron's dual regions are the images of its parametric octants. On the warped cell
// x = (s, t, u (1 + a s t)) the octant integrals of the Jacobian 1 + a s t are known exactly;
// on jittered cells the regions must match what their bounding faces enclose (the generic
// region-face construction), and an inverted cell gives every region the opposite sign.
TEST(ElementMeasures, HexRegionVolumesOnWarpedAndJitteredCells)
{
    const Hex hex = unitHex();
    const float a = 0.5f;
    TripletZEVVector warped;
    for (int i = 0; i < 8; ++i) {
        const float s = static_cast<float>(i & 1);
        const float t = static_cast<float>((i >> 1) & 1);
        const float u = static_cast<float>(i >> 2);
        warped.push_back(Triplet(s, t, u * (1.0f + a * s * t)));
    }
    FloatZEVVectorConcrete regions;
    EXPECT_NEAR(hex.getVolume(warped, regions), 1.0f + a / 4.0f, 1e-6f);
    const float weight[4] = {1.0f, 3.0f, 3.0f, 9.0f}; // the s t moment of each quarter
    for (std::size_t i = 0; i < 8; ++i)
        EXPECT_NEAR(regions[i], 0.125f + weight[i % 4] * a / 128.0f, 1e-7f) << "vertex " << i;

    std::mt19937 random(7);
    std::uniform_real_distribution<float> jitter(-0.15f, 0.15f);
    for (int trial = 0; trial < 50; ++trial) {
        TripletZEVVector v;
        for (int i = 0; i < 8; ++i)
            v.push_back(Triplet(10.0f + static_cast<float>(i & 1) + jitter(random),
                                -4.0f + static_cast<float>((i >> 1) & 1) + jitter(random),
                                static_cast<float>(i >> 2) + jitter(random)));
        FloatZEVVectorConcrete closed;
        FloatZEVVectorConcrete byFaces;
        const float total = hex.getVolume(v, closed);
        EXPECT_NEAR(total, hex.Shape::getVolume(v, byFaces), 2e-5f);
        for (std::size_t i = 0; i < 8; ++i)
            EXPECT_NEAR(closed[i], byFaces[i], 2e-5f * std::fabs(byFaces[i])) << "trial " << trial;

        // Mirrored in x with the same numbering: inside out.
        TripletZEVVector mirrored = v;
        for (Triplet& p : mirrored)
            p[0] = -p[0];
        FloatZEVVectorConcrete inverted;
        EXPECT_NEAR(hex.getVolume(mirrored, inverted), -total, 1e-5f);
        for (std::size_t i = 0; i < 8; ++i)
            EXPECT_NEAR(inverted[i], -closed[i], 1e-6f);
    }
}

// A set of hexahedra is measured several cells at a time. Whatever the count (whole groups
// and any remainder), every per-vertex sum and the total must be exactly what adding the
// cells one by one, in set order, gives.
TEST(ElementMeasures, HexSetVertexVolumesMatchTheCellsOneByOne)
{
    std::mt19937 random(3);
    std::uniform_real_distribution<float> jitter(-0.2f, 0.2f);
    for (int count : {1, 7, 8, 9, 16, 21}) {
        SCOPED_TRACE(count);
        // A row of warped cells along x sharing faces; the vertex numbers run backwards, so
        // that neighbouring cells' corners are not neighbours in the array.
        const int numVertices = 4 * (count + 1);
        TripletZEVVector v(static_cast<std::size_t>(numVertices));
        for (int k = 0; k <= count; ++k)
            for (int c = 0; c < 4; ++c)
                v[static_cast<std::size_t>(numVertices - 1 - (4 * k + c))] = Triplet(
                    static_cast<float>(k) + jitter(random), static_cast<float>(c & 1) + jitter(random),
                    static_cast<float>(c >> 1) * (1.0f + 0.1f * static_cast<float>(k)) + jitter(random));
        ShapeSetBase<Hex> hexes(static_cast<std::size_t>(count));
        for (int k = 0; k < count; ++k)
            for (int i = 0; i < 8; ++i)
                hexes[static_cast<std::size_t>(k)][i] = numVertices - 1 - (4 * (k + (i & 1)) + (i >> 1));

        FloatZEVVectorConcrete volumes(static_cast<std::size_t>(numVertices), 0.0f);
        const float total = hexes.calcVertexVolumes(v, volumes);

        FloatZEVVectorConcrete expected(static_cast<std::size_t>(numVertices), 0.0f);
        float expectedTotal = 0.0f;
        for (const Hex& hex : hexes) {
            FloatZEVVectorConcrete regions;
            expectedTotal += hex.getVolume(v, regions);
            for (int i = 0; i < 8; ++i)
                expected[static_cast<std::size_t>(hex[i])] += regions[static_cast<std::size_t>(i)];
        }
        EXPECT_EQ(total, expectedTotal);
        EXPECT_EQ(volumes.vector(), expected.vector());
        EXPECT_GT(*std::min_element(volumes.vector().begin(), volumes.vector().end()), 0.0f);
    }
}

TEST(ElementMeasures, GradientAccumulatesAgainstTheFaceSectors)
{
    // The same two cubes holding the values 1 and 3: at the shared vertices the x gradient
    // is the jump across the shared face, 2 per unit length.
    TripletZEVVector v;
    for (int i = 0; i < 12; ++i)
        v.push_back(
            Triplet(static_cast<float>(i % 3), static_cast<float>((i / 3) % 2), static_cast<float>(i / 6)));
    const Hex left = shapeOn<Hex>({0, 1, 3, 4, 6, 7, 9, 10});
    const Hex right = shapeOn<Hex>({1, 2, 4, 5, 7, 8, 10, 11});
    FloatZEVVectorConcrete volumes(12, 0.0f);
    TripletZEVVector gradients(12);
    left.calcGradientAtVertices(v, 1.0f, volumes, gradients);
    right.calcGradientAtVertices(v, 3.0f, volumes, gradients);

    EXPECT_NEAR(volumes[1], 0.25f, kTol);
    EXPECT_NEAR(volumes[0], 0.125f, kTol);
    for (std::size_t i : {1u, 4u, 7u, 10u})
        EXPECT_NEAR(gradients[i][0] / volumes[i], 2.0f, 1e-4f) << "vertex " << i;
    // A lone corner sees only its own cube's three face sectors, pointing out of the cube.
    expectTriplet(gradients[0], Triplet(0.25f, 0.25f, 0.25f));
    expectTriplet(gradients[11], Triplet(-0.75f, -0.75f, -0.75f));
}

TEST(ElementMeasures, AreaVectorOfAnElementFace)
{
    const TripletZEVVector v = test::unitCubeVertices();
    const Hex hex = unitHex();
    // Face 0 is the x = 0 side; its area vector points out of the cube.
    expectTriplet(hex.getAreaVectorForFace(0, v), Triplet(-1, 0, 0));
    expectTriplet(hex.getAreaVectorForFace(5, v), Triplet(0, 0, 1));
    EXPECT_EQ(hex.getAreaVectorForFace(6, v), Triplet()) << "no such face";
    EXPECT_EQ(hex.getAreaVectorForFace(9, v), Triplet());
    EXPECT_EQ(hex.getAreaVectorForFace(-1, v), Triplet());
    const Quad quad = shapeOn<Quad>({0, 1, 3, 2});
    EXPECT_THROW(quad.getAreaVectorForFace(0, v), data::invalid) << "faces have no element faces";
    EXPECT_THROW(quad.getAreaVectorForFace(2, v), data::invalid);
    EXPECT_THROW(quad.getAreaVectorForFace(4, v), data::invalid);
    EXPECT_EQ(quad.getAreaVectorForFace(5, v), Triplet()) << "above the vertex count";
}

TEST(ElementMeasures, ThreadsMeasuringDifferentMeshesStayCorrect)
{
    // Each thread measures its own cube, of edge 1 or 2, many times over.
    auto measure = [](float p_edge, int* p_wrong) {
        TripletZEVVector v = test::unitCubeVertices();
        for (std::size_t i = 0; i < v.size(); ++i)
            v[i] *= p_edge;
        const Hex hex = unitHex();
        const float expected = p_edge * p_edge * p_edge;
        FloatZEVVectorConcrete regions;
        for (int k = 0; k < 2000; ++k)
            if (std::fabs(hex.getVolume(v, regions) - expected) > 1e-4f ||
                std::fabs(regions[7] - expected / 8) > 1e-5f)
                ++*p_wrong;
    };
    int wrongA = 0;
    int wrongB = 0;
    std::thread a(measure, 1.0f, &wrongA);
    std::thread b(measure, 2.0f, &wrongB);
    a.join();
    b.join();
    EXPECT_EQ(wrongA, 0);
    EXPECT_EQ(wrongB, 0);
}

// The region of a vertex is bounded by a closed surface (its region face area vectors add up to
// zero) and its centre is the mean of the vertex, the midpoints of its edges, the centres of
// its faces and the centroid, found here from the edge and face tables instead.
TEST(ElementMeasures, RegionsAreClosedAndCentredAroundTheirVertex)
{
    for (ReferenceElement& e : referenceElements()) {
        SCOPED_TRACE(e.name);
        const int n = e.shape->getNumVertices();
        TripletZEVVector v;
        for (int i = 0; i < n; ++i) {
            (*e.shape)[i] = i;
            const Triplet& p = e.corners[static_cast<std::size_t>(i)];
            v.push_back(Triplet(p[0] + 0.3f * p[2], 2.0f * p[1] - 0.1f * p[0], p[2] + 0.2f * p[1]));
        }
        TripletZEVVector points, faceCentres, faceAreas, regionCentres;
        e.shape->calculateRegions(v, points, faceCentres, faceAreas, regionCentres);
        ASSERT_EQ(regionCentres.size(), static_cast<std::size_t>(n));
        const Triplet centroid = e.shape->calcCentroid(v);
        expectTriplet(points[points.size() - 1], centroid);

        for (int i = 0; i < n; ++i) {
            SCOPED_TRACE(i);
            int numFaces = 0;
            const int* faces = e.shape->getRegionFacesForVert(i, numFaces);
            Triplet closure;
            for (int k = 0; k < numFaces; ++k)
                closure += faceAreas[static_cast<std::size_t>(faces[k])];
            expectTriplet(closure, Triplet());

            Triplet sum = v[static_cast<std::size_t>(i)] + centroid;
            int count = 2;
            for (int edge = 0; edge < e.shape->getNumEdges(); ++edge) {
                const int a = e.shape->getEdgeConnectivity(edge, 0);
                const int b = e.shape->getEdgeConnectivity(edge, 1);
                if (a == i || b == i) {
                    sum += (v[static_cast<std::size_t>(a)] + v[static_cast<std::size_t>(b)]) * 0.5f;
                    ++count;
                }
            }
            for (int f = 0; f < e.shape->getNumFaces(); ++f) {
                int size = 0;
                const int* slots = nullptr;
                const int* row = e.shape->getVerticesForFace(f, size, &slots);
                if (std::find(row, row + size, i) == row + size)
                    continue;
                Triplet centre;
                for (int k = 0; k < size; ++k)
                    centre += v[static_cast<std::size_t>(slots[row[k]])];
                sum += centre / static_cast<float>(size);
                ++count;
            }
            expectTriplet(regionCentres[static_cast<std::size_t>(i)], sum / static_cast<float>(count));
        }
    }
}
