// Polyhedron measures against closed forms and against the fixed element classes: cubes,
// prisms and pyramids written as polyhedra under random affine maps, a non-convex L-shaped
// prism, faces of either orientation, and the malformed cells the measures must refuse or
// survive.

#include "zev/shapes/Polyhedron.h"
#include "tests/support/ExpectError.h"
#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/geometry/GeometryAutoPtr.h"
#include "zev/shapes/Hex.h"
#include "zev/shapes/Pyramid.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/shapes/Wedge.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <vector>

using namespace zev;
using zevtest::expectError;

namespace {

using Faces = std::vector<std::vector<int>>;

// Faces counter-clockwise seen from outside, on the local numbering of Hex, Wedge and Pyramid.
const Faces kCubeFaces = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
const Faces kWedgeFaces = {{0, 2, 1}, {3, 4, 5}, {0, 1, 4, 3}, {1, 2, 5, 4}, {2, 0, 3, 5}};
const Faces kPyramidFaces = {{0, 3, 2, 1}, {0, 1, 4}, {1, 2, 4}, {2, 3, 4}, {3, 0, 4}};

const std::vector<Triplet> kCubePoints = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0},
                                          {0, 0, 1}, {1, 0, 1}, {0, 1, 1}, {1, 1, 1}};
const std::vector<Triplet> kWedgePoints = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {0, 1, 1}};
const std::vector<Triplet> kPyramidPoints = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0.3f, 0.6f, 1}};

// Local vertex i sits at global index 3 + 2i; the gaps hold decoys far away, so a measure
// that confuses local and global numbers reads them.
int globalOf(int p_local)
{
    return 3 + 2 * p_local;
}

TripletZEVVector vertexArray(const std::vector<Triplet>& p_points)
{
    TripletZEVVector v;
    for (int i = 0; i < globalOf(static_cast<int>(p_points.size())); ++i)
        v.push_back(Triplet(1000.0f + i, -500.0f, 77.0f));
    for (std::size_t i = 0; i < p_points.size(); ++i)
        v[static_cast<std::size_t>(globalOf(static_cast<int>(i)))] = p_points[i];
    return v;
}

Polyhedron polyhedron(int p_numVertices, const Faces& p_faces)
{
    Polyhedron p;
    p.setNumVertices(p_numVertices);
    for (int i = 0; i < p_numVertices; ++i)
        p[i] = globalOf(i);
    p.setNumFaces(static_cast<int>(p_faces.size()));
    for (std::size_t f = 0; f < p_faces.size(); ++f) {
        p.setFaceVertSize(static_cast<int>(f), static_cast<int>(p_faces[f].size()));
        for (std::size_t k = 0; k < p_faces[f].size(); ++k)
            p.setFaceVertex(static_cast<int>(f), static_cast<int>(k), p_faces[f][k]);
    }
    return p;
}

template <class T> T fixedShape(int p_numVertices)
{
    T shape;
    for (int i = 0; i < p_numVertices; ++i)
        shape[i] = globalOf(i);
    return shape;
}

Faces reversed(Faces p_faces, const std::function<bool(std::size_t)>& p_which)
{
    for (std::size_t f = 0; f < p_faces.size(); ++f)
        if (p_which(f))
            std::reverse(p_faces[f].begin(), p_faces[f].end());
    return p_faces;
}

// p -> A p + t with A well away from singular; its determinant is kept for the volume.
struct AffineMap {
    float a[3][3];
    Triplet t;
    double det;

    Triplet operator()(const Triplet& p_p) const
    {
        Triplet r = t;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                r[i] += a[i][j] * p_p[j];
        return r;
    }
};

AffineMap randomMap(std::mt19937& p_random)
{
    std::uniform_real_distribution<float> entry(-0.6f, 0.6f);
    for (;;) {
        AffineMap m;
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j)
                m.a[i][j] = entry(p_random) + (i == j ? 1.0f : 0.0f);
            m.t[i] = 4.0f * entry(p_random);
        }
        m.det = double(m.a[0][0]) * (double(m.a[1][1]) * m.a[2][2] - double(m.a[1][2]) * m.a[2][1]) -
                double(m.a[0][1]) * (double(m.a[1][0]) * m.a[2][2] - double(m.a[1][2]) * m.a[2][0]) +
                double(m.a[0][2]) * (double(m.a[1][0]) * m.a[2][1] - double(m.a[1][1]) * m.a[2][0]);
        if (std::fabs(m.det) > 0.25)
            return m;
    }
}

std::vector<Triplet> mapped(const std::vector<Triplet>& p_points, const AffineMap& p_map)
{
    std::vector<Triplet> out;
    for (const Triplet& p : p_points)
        out.push_back(p_map(p));
    return out;
}

// Inside test of a convex cell by its face planes; p_clear is false when the point lies
// within p_margin of a plane, where the inside tests may rightly disagree.
bool convexInside(const std::vector<Triplet>& p_points, const Faces& p_faces, const Triplet& p_p,
                  float p_margin, bool& p_clear)
{
    Triplet mean;
    for (const Triplet& q : p_points)
        mean += q;
    mean /= static_cast<float>(p_points.size());
    bool inside = true;
    p_clear = true;
    for (const auto& face : p_faces) {
        const Triplet& a = p_points[static_cast<std::size_t>(face[0])];
        Triplet n = (p_points[static_cast<std::size_t>(face[1])] - a)
                        .cross(p_points[static_cast<std::size_t>(face[2])] - a);
        n /= n.length();
        const float inward = (mean - a).dot(n) > 0 ? 1.0f : -1.0f;
        const float d = inward * (p_p - a).dot(n);
        if (std::fabs(d) < p_margin)
            p_clear = false;
        if (d < 0)
            inside = false;
    }
    return inside;
}

Triplet weighted(const std::vector<float>& p_weights, const std::vector<Triplet>& p_points)
{
    Triplet r;
    for (std::size_t i = 0; i < p_points.size(); ++i)
        r += p_points[i] * p_weights[i];
    return r;
}

void expectNear(const Triplet& p_a, const Triplet& p_b, float p_tol)
{
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(p_a[c], p_b[c], p_tol) << "component " << c;
}

// One cell type written as a polyhedron next to its fixed class.
struct Case {
    const char* name;
    const std::vector<Triplet>* points;
    const Faces* faces;
    std::function<const Element*()> fixed;
    bool centroidIsVertexMean; // then the weights reproduce the point and the regions match
};

} // namespace

TEST(Polyhedron, AgreesWithFixedElementsUnderAffineMaps)
{
    static const Hex hex = fixedShape<Hex>(8);
    static const Wedge wedge = fixedShape<Wedge>(6);
    static const Pyramid pyramid = fixedShape<Pyramid>(5);
    const Case cases[] = {{"cube", &kCubePoints, &kCubeFaces, [] { return &hex; }, true},
                          {"prism", &kWedgePoints, &kWedgeFaces, [] { return &wedge; }, true},
                          {"pyramid", &kPyramidPoints, &kPyramidFaces, [] { return &pyramid; }, false}};
    std::mt19937 random(19);
    for (const Case& c : cases) {
        const int nv = static_cast<int>(c.points->size());
        // Faces all outward, then all inward: the measures must not depend on which.
        const Faces orientations[] = {*c.faces, reversed(*c.faces, [](std::size_t) { return true; })};
        for (int trial = 0; trial < 12; ++trial) {
            const AffineMap map = randomMap(random);
            const std::vector<Triplet> points = mapped(*c.points, map);
            const TripletZEVVector v = vertexArray(points);
            const Element& fixed = *c.fixed();
            FloatZEVVectorConcrete fixedRegions;
            const float fixedVolume = std::fabs(fixed.getSimpleVolume(v));
            fixed.getVolume(v, fixedRegions);
            for (int o = 0; o < 2; ++o) {
                SCOPED_TRACE(testing::Message() << c.name << " trial " << trial << " orientation " << o);
                const Polyhedron p = polyhedron(nv, orientations[o]);
                const float tol = 2e-5f * fixedVolume + 1e-6f;
                EXPECT_NEAR(p.getSimpleVolume(v), fixedVolume, tol);
                EXPECT_NEAR(p.getVolume(v), fixedVolume, tol);
                FloatZEVVectorConcrete regions;
                EXPECT_NEAR(p.getVolume(v, regions), fixedVolume, tol);
                ASSERT_EQ(regions.size(), static_cast<std::size_t>(nv));
                for (int i = 0; i < nv; ++i) {
                    const float region = regions[static_cast<std::size_t>(i)];
                    if (c.centroidIsVertexMean) {
                        EXPECT_NEAR(region, std::fabs(fixedRegions[static_cast<std::size_t>(i)]), tol)
                            << "vertex " << i;
                    }
                    if (c.points == &kCubePoints) {
                        EXPECT_NEAR(region, std::fabs(map.det) / 8, tol) << "vertex " << i;
                    }
                }

                // The centroid maps with the cell: the cube's and prism's is the vertex mean,
                // the pyramid's lies a quarter of the way up from its base's centre.
                const Triplet centroid = c.points == &kPyramidPoints
                                             ? map(Triplet(0.5f, 0.5f, 0) * 0.75f + (*c.points)[4] * 0.25f)
                                             : fixed.calcCentroid(v);
                expectNear(p.calcCentroid(v), centroid, 1e-5f);

                std::uniform_real_distribution<float> coordinate(-0.3f, 1.3f);
                for (int q = 0; q < 40; ++q) {
                    const Triplet x =
                        map(Triplet(coordinate(random), coordinate(random), coordinate(random)));
                    bool clear = false;
                    const bool inside = convexInside(points, *c.faces, x, 0.02f, clear);
                    if (!clear)
                        continue;
                    EXPECT_EQ(p.isInside(x, v), inside) << "point " << q;
                    EXPECT_EQ(fixed.isInside(x, v), inside) << "point " << q;
                    std::vector<float> w;
                    ASSERT_EQ(p.constructWeights(x, v, w), inside) << "point " << q;
                    ASSERT_EQ(w.size(), static_cast<std::size_t>(nv));
                    if (!inside) {
                        EXPECT_EQ(w, std::vector<float>(static_cast<std::size_t>(nv), 0.0f));
                        continue;
                    }
                    float sum = 0;
                    for (float wi : w) {
                        EXPECT_GE(wi, 0.0f);
                        sum += wi;
                    }
                    EXPECT_NEAR(sum, 1.0f, 1e-5f);
                    if (c.centroidIsVertexMean)
                        expectNear(weighted(w, points), x, 5e-3f);
                }
            }
        }
    }
}

TEST(Polyhedron, UnitCubeCentreCornersAndOutside)
{
    const TripletZEVVector v = vertexArray(kCubePoints);
    const Polyhedron p = polyhedron(8, kCubeFaces);
    expectNear(p.calcCentroid(v), Triplet(0.5f, 0.5f, 0.5f), 1e-6f);
    EXPECT_TRUE(p.isInside(Triplet(0.5f, 0.5f, 0.5f), v));
    for (const Triplet& corner : kCubePoints)
        EXPECT_TRUE(p.isInside(corner, v));
    EXPECT_FALSE(p.isInside(Triplet(1.5f, 0.5f, 0.5f), v));

    std::vector<float> w;
    EXPECT_TRUE(p.constructWeights(Triplet(0.5f, 0.5f, 0.5f), v, w));
    for (float wi : w)
        EXPECT_NEAR(wi, 0.125f, 1e-6f);
    // At a corner all the weight goes to that corner.
    EXPECT_TRUE(p.constructWeights(kCubePoints[6], v, w));
    EXPECT_NEAR(w[6], 1.0f, 1e-6f);
    EXPECT_NEAR(weighted(w, kCubePoints)[0], 0.0f, 1e-6f);
    w.assign(3, 9.0f);
    EXPECT_FALSE(p.constructWeights(Triplet(1.5f, 0.5f, 0.5f), v, w));
    EXPECT_EQ(w, std::vector<float>(8, 0.0f));

    // Three faces listed inward, three outward: their signed tetrahedra cancel exactly, the
    // centroid falls back to the vertex mean, and the volumes, taken in absolute value, are
    // those of the cube.
    const Polyhedron mixed =
        polyhedron(8, {{0, 1, 3, 2}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 3, 7, 5}});
    expectNear(mixed.calcCentroid(v), Triplet(0.5f, 0.5f, 0.5f), 0.0f);
    EXPECT_NEAR(mixed.getSimpleVolume(v), 1.0f, 1e-6f);
    FloatZEVVectorConcrete regions;
    EXPECT_NEAR(mixed.getVolume(v, regions), 1.0f, 1e-6f);
    for (std::size_t i = 0; i < 8; ++i)
        EXPECT_NEAR(regions[i], 0.125f, 1e-6f) << "vertex " << i;
}

TEST(Polyhedron, NonConvexLShapedPrism)
{
    // The L of three unit squares, counter-clockwise, extruded one unit; the notch at
    // [1,2] x [1,2] lies inside the box but outside the cell.
    const std::vector<Triplet> outline = {{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}, {1, 2, 0}, {0, 2, 0}};
    std::vector<Triplet> points = outline;
    for (const Triplet& q : outline)
        points.push_back(q + Triplet(0, 0, 1));
    Faces faces = {{5, 4, 3, 2, 1, 0}, {6, 7, 8, 9, 10, 11}};
    for (int k = 0; k < 6; ++k)
        faces.push_back({k, (k + 1) % 6, 6 + (k + 1) % 6, 6 + k});
    const TripletZEVVector v = vertexArray(points);
    for (const Faces& f : {faces, reversed(faces, [](std::size_t) { return true; })}) {
        const Polyhedron p = polyhedron(12, f);
        EXPECT_NEAR(p.getSimpleVolume(v), 3.0f, 1e-5f);
        expectNear(p.calcCentroid(v), Triplet(5.0f / 6, 5.0f / 6, 0.5f), 1e-5f);
        EXPECT_TRUE(p.isInside(Triplet(1.5f, 0.5f, 0.5f), v));
        EXPECT_TRUE(p.isInside(Triplet(0.5f, 1.5f, 0.5f), v));
        EXPECT_FALSE(p.isInside(Triplet(1.5f, 1.5f, 0.5f), v));
        std::vector<float> w;
        EXPECT_FALSE(p.constructWeights(Triplet(1.5f, 1.5f, 0.5f), v, w));
        EXPECT_EQ(w, std::vector<float>(12, 0.0f));
        EXPECT_TRUE(p.constructWeights(Triplet(1.9f, 0.2f, 0.7f), v, w));
        float sum = 0;
        for (float wi : w)
            sum += wi;
        EXPECT_NEAR(sum, 1.0f, 1e-6f);
    }
}

TEST(Polyhedron, GeometryMeasuresCellsOfPolyhedraLikeHexahedra)
{
    // Two unit cubes side by side sharing the face x = 1, once as polyhedra and once as
    // hexahedra: the element and vertex volumes of the geometry must agree.
    auto build = [](ShapeType p_type) {
        Geometry* g = GeometryAPI::instance()->newGeometry("", nullptr);
        for (int i = 0; i < 12; ++i)
            g->getVertices().push_back(Triplet(float(i % 3), float((i / 3) % 2), float(i / 6)));
        ShapeSet* set = g->addElementSet(0, p_type, 2, 1.0);
        for (int e = 0; e < 2; ++e) {
            Shape& s = (*set)[static_cast<std::size_t>(e)];
            s.setNumVertices(8);
            for (int i = 0; i < 8; ++i)
                s[i] = e + i % 2 + 3 * ((i / 2) % 2) + 6 * (i / 4);
            s.setNumFaces(6);
            for (int f = 0; f < 6; ++f) {
                s.setFaceVertSize(f, 4);
                for (int k = 0; k < 4; ++k)
                    s.setFaceVertex(f, k,
                                    kCubeFaces[static_cast<std::size_t>(f)][static_cast<std::size_t>(k)]);
            }
        }
        return GeometryAutoPtr(g);
    };
    GeometryAutoPtr polyhedra = build(POLYHEDRON);
    GeometryAutoPtr hexahedra = build(HEX);
    const FloatZEVVectorConcrete& elements = polyhedra->getElementVolumes();
    ASSERT_EQ(elements.size(), 2u);
    EXPECT_NEAR(elements[0], 1.0f, 1e-6f);
    EXPECT_NEAR(elements[1], 1.0f, 1e-6f);
    const FloatZEVVectorConcrete& vertices = polyhedra->getVertexVolumes();
    const FloatZEVVectorConcrete& expected = hexahedra->getVertexVolumes();
    ASSERT_EQ(vertices.size(), 12u);
    for (std::size_t i = 0; i < 12; ++i)
        EXPECT_NEAR(vertices[i], expected[i], 1e-6f) << "vertex " << i;
    EXPECT_NEAR(vertices[1], 0.25f, 1e-6f);
}

TEST(Polyhedron, MalformedCellsAreRefusedOrSurvived)
{
    const TripletZEVVector v = vertexArray(kCubePoints);

    // A corner naming a position past the vertex list is refused by every measure before
    // anything is read.
    Faces badFaces = kCubeFaces;
    badFaces[2][1] = 8;
    const Polyhedron bad = polyhedron(8, badFaces);
    const std::string message = "Face 2 corner 1: vertex position 8 out of range 0..7";
    FloatZEVVectorConcrete regions;
    std::vector<float> w;
    expectError<data::invalid>([&] { bad.getVolume(v, regions); }, "Polyhedron", "getVolume", message);
    expectError<data::invalid>([&] { bad.getSimpleVolume(v); }, "Polyhedron", "getSimpleVolume", message);
    expectError<data::invalid>([&] { bad.calcCentroid(v); }, "Polyhedron", "calcCentroidImp", message);
    expectError<data::invalid>([&] { bad.isInside(Triplet(0.5f, 0.5f, 0.5f), v); }, "Polyhedron", "isInside",
                               message);
    expectError<data::invalid>([&] { bad.constructWeights(Triplet(0.5f, 0.5f, 0.5f), v, w); }, "Polyhedron",
                               "constructWeightsImp", message);
    badFaces[2][1] = -1;
    expectError<data::invalid>([&] { polyhedron(8, badFaces).getVolume(v, regions); }, "Polyhedron",
                               "getVolume", "Face 2 corner 1: vertex position -1 out of range 0..7");

    // A face without corners has no mean.
    Faces emptyFace = kCubeFaces;
    emptyFace[3].clear();
    expectError<data::invalid>([&] { polyhedron(8, emptyFace).getSimpleVolume(v); }, "Triplet",
                               "operator/=", "Attempt to divide by zero.");

    // An open cube (top missing): the edges of the hole have one face each. The walk must not
    // read a second face for them (the sanitizers see it) and every region stays finite.
    Faces open = kCubeFaces;
    open.erase(open.begin() + 1);
    EXPECT_TRUE(std::isfinite(polyhedron(8, open).getVolume(v, regions)));
    for (std::size_t i = 0; i < regions.size(); ++i)
        EXPECT_TRUE(std::isfinite(regions[i]) && regions[i] >= 0.0f) << "vertex " << i;

    // No faces: the vertex mean, no volume, never inside, no weights.
    const Polyhedron none = polyhedron(8, {});
    expectNear(none.calcCentroid(v), Triplet(0.5f, 0.5f, 0.5f), 0.0f);
    EXPECT_EQ(none.getSimpleVolume(v), 0.0f);
    EXPECT_EQ(none.getVolume(v, regions), 0.0f);
    EXPECT_EQ(std::vector<float>(regions.data(), regions.data() + regions.size()),
              std::vector<float>(8, 0.0f));
    EXPECT_FALSE(none.isInside(Triplet(0.5f, 0.5f, 0.5f), v));
    EXPECT_FALSE(none.constructWeights(Triplet(0.5f, 0.5f, 0.5f), v, w));
    EXPECT_EQ(w, std::vector<float>(8, 0.0f));
    EXPECT_EQ(Polyhedron().getSimpleVolume(v), 0.0f);
}
