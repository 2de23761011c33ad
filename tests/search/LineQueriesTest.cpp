// The line and circle tests of single triangles, faces and elements, and the polyline a line
// draws through a domain.

#include "zev/search/LineQueries.h"
#include "tests/support/MeshBuilders.h"
#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/geometry/GeometryAutoPtr.h"
#include "zev/shapes/Quad.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/shapes/Tri.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace zev;
using namespace zev::test;

namespace {

GeometryAutoPtr newGeometry()
{
    return GeometryAutoPtr(GeometryAPI::instance()->newGeometry("", nullptr));
}

TripletZEVVector points(std::initializer_list<Triplet> p_list)
{
    TripletZEVVector v;
    for (const Triplet& p : p_list)
        v.push_back(p);
    return v;
}

// The chord of the whole line p + t d (unit d) through the box [0,1]^3, by slabs.
double unitBoxChord(const Triplet& p_point, const Triplet& p_direction)
{
    double enter = -1e30;
    double leave = 1e30;
    for (int c = 0; c < 3; ++c) {
        double t1 = (0.0 - p_point[c]) / p_direction[c];
        double t2 = (1.0 - p_point[c]) / p_direction[c];
        enter = std::max(enter, std::min(t1, t2));
        leave = std::min(leave, std::max(t1, t2));
    }
    return std::max(0.0, leave - enter);
}

} // namespace

TEST(LineTriangle, HitsAtChosenBarycentricPoints)
{
    // Two triangles in z = 0: one solved through the a != 0 branch, one with P1 - P0 along y
    // so the elimination takes the a == 0 branch. Points inside, on edges and at corners hit
    // (u, w in [0, 1], u + w <= 1); points just outside miss.
    struct Case {
        float u, w;
        bool hit;
    };
    const Case cases[] = {{0.25f, 0.25f, true},  {0.5f, 0.5f, true},   {0.0f, 0.5f, true},
                          {0.5f, 0.0f, true},    {0.0f, 0.0f, true},   {1.0f, 0.0f, true},
                          {0.0f, 1.0f, true},    {0.75f, 0.5f, false}, {-0.25f, 0.5f, false},
                          {0.5f, -0.25f, false}, {1.25f, 0.0f, false}};
    const Triplet corners[2][3] = {{Triplet(0, 0, 0), Triplet(2, 0, 0), Triplet(0, 2, 0)},
                                   {Triplet(0, 0, 0), Triplet(0, 2, 0), Triplet(2, 0, 0)}};
    for (const auto& tri : corners)
        for (const Case& c : cases) {
            const Triplet target = tri[0] + c.u * (tri[1] - tri[0]) + c.w * (tri[2] - tri[0]);
            const Triplet start = target + Triplet(0, 0, 3);
            float t = -7.0f;
            const bool hit = LineQueries::intersectsTriangle(start, Triplet(0, 0, -1), tri[0], tri[1], tri[2],
                                                             t, false, true);
            EXPECT_EQ(hit, c.hit) << "u " << c.u << " w " << c.w;
            EXPECT_FLOAT_EQ(t, hit ? 3.0f : -7.0f) << "a miss leaves t alone";
        }

    // A tilted triangle, solved in the y-z plane after dropping x.
    const Triplet p0(1, 0, 0), p1(0.8f, 1, 0), p2(0.9f, 0.2f, 1);
    const Triplet target = p0 + 0.3f * (p1 - p0) + 0.4f * (p2 - p0);
    const Triplet d = LineQueries::normalised(Triplet(-1, 0.1f, 0.2f));
    float t = 0;
    ASSERT_TRUE(LineQueries::intersectsTriangle(target - 2.0f * d, d, p0, p1, p2, t, false, true));
    EXPECT_NEAR(t, 2.0f, 1e-5);
}

TEST(LineTriangle, ParallelLinesAndFlags)
{
    const TripletZEVVector v = points({Triplet(0, 0, 0), Triplet(1, 0, 0), Triplet(0, 1, 0)});
    Tri tri;
    tri[0] = 0;
    tri[1] = 1;
    tri[2] = 2;
    float t = 0;
    // Lying in the plane, and at an angle below single-precision epsilon to it: no hit.
    EXPECT_FALSE(tri.intersectsTriangle(Triplet(-1, 0.2f, 0), Triplet(1, 0, 0), 0, 1, 2, v, t, false, false));
    EXPECT_FALSE(tri.intersectsTriangle(Triplet(-1, 0.2f, 0), LineQueries::normalised(Triplet(1, 0, 1e-8f)),
                                        0, 1, 2, v, t, false, false));

    // Behind the point: refused only with both flags.
    const Triplet up(0.2f, 0.2f, 1);
    const Triplet away(0, 0, 1);
    t = 100;
    EXPECT_TRUE(tri.intersectsTriangle(up, away, 0, 1, 2, v, t, false, true));
    EXPECT_FLOAT_EQ(t, -1.0f);
    t = 100;
    EXPECT_TRUE(tri.intersectsTriangle(up, away, 0, 1, 2, v, t, true, false));
    t = 100;
    EXPECT_FALSE(tri.intersectsTriangle(up, away, 0, 1, 2, v, t, true, true));
    EXPECT_FLOAT_EQ(t, 100.0f);

    // Nearer-only: refused unless t is below the incoming value.
    const Triplet down(0, 0, -1);
    t = 1.0f;
    EXPECT_FALSE(tri.intersectsTriangle(up, down, 0, 1, 2, v, t, true, true));
    t = 1.5f;
    EXPECT_TRUE(tri.intersectsTriangle(up, down, 0, 1, 2, v, t, true, true));
    EXPECT_FLOAT_EQ(t, 1.0f);

    // A face's own test takes the whole line unless nearer-only is asked.
    t = 100;
    EXPECT_TRUE(tri.intersectsWithLine(up, away, v, t, false));
    t = 100;
    EXPECT_FALSE(tri.intersectsWithLine(up, away, v, t, true));
}

TEST(LineTriangle, QuadSplitsAlongTheDiagonalFromCornerZero)
{
    // A warped quadrilateral: triangle (0, 1, 2) lies in z = y, triangle (0, 2, 3) in z = x.
    // The other diagonal would put (0.6, 0.3) in the flat triangle (0, 1, 3) at z = 0.
    const TripletZEVVector v =
        points({Triplet(0, 0, 0), Triplet(1, 0, 0), Triplet(1, 1, 1), Triplet(0, 1, 0)});
    Quad quad;
    for (int k = 0; k < 4; ++k)
        quad[k] = k;
    float t = 0;
    ASSERT_TRUE(quad.intersectsWithLine(Triplet(0.6f, 0.3f, 5), Triplet(0, 0, -1), v, t, false));
    EXPECT_NEAR(t, 4.7f, 1e-6);
    ASSERT_TRUE(quad.intersectsWithLine(Triplet(0.3f, 0.6f, 5), Triplet(0, 0, -1), v, t, false));
    EXPECT_NEAR(t, 4.7f, 1e-6);
    EXPECT_FALSE(quad.intersectsWithLine(Triplet(1.1f, 0.5f, 5), Triplet(0, 0, -1), v, t, false));
}

TEST(CircleTriangle, HitsLieOnTheCircle)
{
    // Triangles in the plane y = 0 on the x > 0 side of the z axis, where the radial distance
    // is x itself, so the hit is exact: height 0 and radius R.
    const Triplet centre(0, 0, 0.25f);
    Triplet hit;
    ASSERT_TRUE(LineQueries::intersectsTriangleWithCircle(centre, Triplet(0, 0, 5), 1.0,
                                                          Triplet(0.5f, 0, -0.5f), Triplet(1.5f, 0, -0.5f),
                                                          Triplet(1, 0, 0.75f), hit));
    EXPECT_NEAR(hit[0], 1.0f, 1e-6);
    EXPECT_NEAR(hit[1], 0.0f, 1e-6);
    EXPECT_NEAR(hit[2], 0.25f, 1e-6);

    // A small tilted triangle across the circle of radius 2 about an oblique axis.
    const Triplet axis = LineQueries::normalised(Triplet(1, 2, 2));
    const Triplet across = LineQueries::normalised(Triplet(2, -1, 0));
    const Triplet onCircle = centre + 2.0f * across;
    const Triplet third = across.cross(axis);
    const Triplet a = onCircle + 0.01f * axis - 0.02f * across + 0.01f * third;
    const Triplet b = onCircle - 0.01f * axis - 0.02f * across - 0.01f * third;
    const Triplet c = onCircle + 0.02f * across;
    ASSERT_TRUE(LineQueries::intersectsTriangleWithCircle(centre, axis, 2.0, a, b, c, hit));
    const Triplet r = hit - centre;
    const float height = r.dot(axis);
    EXPECT_NEAR(height, 0.0f, 1e-6);
    EXPECT_NEAR((r - height * axis).length(), 2.0f, 1e-4);

    // Misses: radius 0, every corner above the circle's plane, every corner inside the circle.
    EXPECT_FALSE(LineQueries::intersectsTriangleWithCircle(centre, axis, 0.0, a, b, c, hit));
    EXPECT_FALSE(LineQueries::intersectsTriangleWithCircle(centre, axis, 2.0, a + 0.1f * axis,
                                                           b + 0.1f * axis, c + 0.1f * axis, hit));
    EXPECT_FALSE(LineQueries::intersectsTriangleWithCircle(centre, axis, 3.0, a, b, c, hit));
}

TEST(ElementLine, SegmentsMergesAndBoundaryFaces)
{
    GeometryAutoPtr domain = newGeometry();
    buildUnitCubeHex(*domain.get());
    const Shape& hex = (*domain->getElementSet(0))[0];
    const TripletZEVVector& v = domain->getVertices();
    const double scale = hex.lengthScale(v);

    struct Case {
        const char* what;
        Triplet point;
        Triplet direction;
        int points;
    };
    const Case cases[] = {
        // Through two opposite faces, from a point outside and behind the element.
        {"opposite faces", Triplet(0.3f, 0.4f, 3), Triplet(0, 0, 1), 2},
        // Through an edge only: two faces meet it at one point, which is kept once.
        {"edge only", Triplet(1, 1, 0.5f), LineQueries::normalised(Triplet(1, -1, 0)), 1},
        // Through a corner (three faces) and out through the far corner: two points.
        {"corner to corner", Triplet(0, 0, 0), LineQueries::normalised(Triplet(1, 1, 1)), 2},
        {"miss", Triplet(2, 2, 2), Triplet(0, 0, 1), 0}};
    for (const Case& c : cases) {
        TripletZEVVector out;
        out.push_back(Triplet(9, 9, 9));
        IntZEVVector lines;
        std::map<int, double> scales{{1, 42.0}};
        EXPECT_EQ(hex.intersectFacesWithLine(c.point, c.direction, v, out, lines, scales), c.points)
            << c.what;
        if (c.points == 2) {
            ASSERT_EQ(out.size(), 3u) << c.what;
            ASSERT_EQ(lines.size(), 2u);
            EXPECT_EQ(lines[0], 1);
            EXPECT_EQ(lines[1], 2);
            EXPECT_DOUBLE_EQ(scales[1], 42.0) << "a stored length scale is kept";
            EXPECT_DOUBLE_EQ(scales[2], scale);
            EXPECT_NEAR((out[2] - out[1]).length(), unitBoxChord(c.point, c.direction), 1e-5) << c.what;
        } else {
            EXPECT_EQ(out.size(), 1u) << c.what;
            EXPECT_EQ(lines.size(), 0u) << c.what;
        }
    }

    // Boundary faces: the first listed face hit ahead of the point and nearer than t.
    // Hex faces 0 and 1 are x = 0 and x = 1 in the element's face table; find them by
    // testing a line along x from inside.
    std::vector<int> all;
    for (int f = 0; f < hex.getNumFaces(); ++f)
        all.push_back(f);
    float t = 10.0f;
    const int first = hex.intersectsBoundaryFaces(all, Triplet(0.5f, 0.5f, 0.5f), Triplet(1, 0, 0), v, t);
    ASSERT_GE(first, 0);
    EXPECT_FLOAT_EQ(t, 0.5f);
    t = 0.25f;
    EXPECT_EQ(hex.intersectsBoundaryFaces(all, Triplet(0.5f, 0.5f, 0.5f), Triplet(1, 0, 0), v, t), -1);
    t = 10.0f;
    std::vector<int> others;
    for (int f : all)
        if (f != first)
            others.push_back(f);
    EXPECT_EQ(hex.intersectsBoundaryFaces(others, Triplet(0.5f, 0.5f, 0.5f), Triplet(1, 0, 0), v, t), -1)
        << "the face behind the point does not count";
}

TEST(GeometryLine, PolylineThroughABoxSumsToItsChord)
{
    GeometryAutoPtr hexes = newGeometry();
    buildHexBox(*hexes.get(), 3);
    GeometryAutoPtr tets = newGeometry();
    buildTetBox(*tets.get(), 2);
    const Triplet point(0.31f, 0.47f, 0.52f);
    const Triplet direction(0.3f, -0.5f, 0.8f);
    const Triplet unit = LineQueries::normalised(direction);
    const double chord = unitBoxChord(point, unit);
    ASSERT_GT(chord, 0.5);

    for (Geometry* domain : {hexes.get(), tets.get()}) {
        for (float stretch : {1.0f, 100.0f}) {
            GeometryAutoPtr line = newGeometry();
            std::map<int, double> scales;
            line->intersectLineWithGeometry(domain, point, stretch * direction, scales);
            const IntZEVVector& lines = line->getLines();
            ASSERT_GT(lines.size(), 2u);
            EXPECT_EQ(static_cast<std::size_t>(line->getNumVertices()), lines.size());
            EXPECT_EQ(scales.size(), lines.size());
            double sum = 0;
            for (std::size_t i = 0; i + 1 < lines.size(); i += 2) {
                const Triplet& a = line->getVertices()[static_cast<std::size_t>(lines[i])];
                const Triplet& b = line->getVertices()[static_cast<std::size_t>(lines[i + 1])];
                EXPECT_GT((b - a).length(), 1e-4f) << "no segment of length zero";
                sum += (b - a).length();
            }
            EXPECT_NEAR(sum, chord, 1e-4) << "direction scaled by " << stretch;
        }
        const auto stretches = LineQueries::insideStretches(*domain, point, direction);
        ASSERT_EQ(stretches.size(), 1u);
        EXPECT_NEAR(stretches[0].second - stretches[0].first, chord, 1e-4);
    }

    // A geometry may draw the line through its own elements.
    std::map<int, double> scales;
    const int before = hexes->getNumVertices();
    hexes->intersectLineWithGeometry(hexes.get(), point, direction, scales);
    EXPECT_GT(hexes->getNumVertices(), before);
    EXPECT_EQ(scales.begin()->first, before);
}

TEST(GeometryLine, InsideStretchesThroughCellCornersKeepTheWholeChord)
{
    // The main diagonal of a lattice box runs exactly through cell corners and along cell
    // edges, where neighbouring face triangles each reject the hit on their boundary.
    GeometryAutoPtr hexes = newGeometry();
    buildHexBox(*hexes.get(), 3);
    GeometryAutoPtr tets = newGeometry();
    buildTetBox(*tets.get(), 2);
    const Triplet from(-1.0f, -1.0f, -1.0f);
    const Triplet direction(1.0f, 1.0f, 1.0f);
    for (Geometry* domain : {hexes.get(), tets.get()}) {
        const auto stretches = LineQueries::insideStretches(*domain, from, direction);
        ASSERT_EQ(stretches.size(), 1u);
        EXPECT_NEAR(stretches[0].first, std::sqrt(3.0), 1e-4);
        EXPECT_NEAR(stretches[0].second - stretches[0].first, std::sqrt(3.0), 1e-4);
    }
}
