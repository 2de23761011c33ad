// Lines and rotations onto a surface geometry: the first face in set and face order, the
// messages for missing sets and a bad axis, and the search index agreeing with the scan.

#include "tests/support/ExpectError.h"
#include "tests/support/MeshBuilders.h"
#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/geometry/GeometryAutoPtr.h"
#include "zev/search/FaceLineTree.h"
#include "zev/search/LineQueries.h"
#include "zev/shapes/ShapeSet.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace zev;
using namespace zev::test;
using Rows = std::vector<std::vector<int>>;

namespace {

const double kPi = std::acos(-1.0);

GeometryAutoPtr newGeometry(const std::string& p_name = "surface")
{
    GeometryAutoPtr g(GeometryAPI::instance()->newGeometry("", nullptr));
    g->setName(p_name);
    return g;
}

// The box [0,1]^3 of p_n^3 cells as a surface: "TRI" holds the triangles of the tetrahedral
// box's boundary whose centre lies above p_triAbove in z, "QUAD" the whole hexahedral
// boundary, on one shared vertex array.
GeometryAutoPtr boxSurface(int p_n, float p_triAbove)
{
    GeometryAutoPtr tets = newGeometry("tets");
    buildTetBox(*tets.get(), p_n);
    tets->calculateFaces();
    GeometryAutoPtr hexes = newGeometry("hexes");
    buildHexBox(*hexes.get(), p_n);
    hexes->calculateFaces();

    GeometryAutoPtr surface = newGeometry();
    surface->getVertices() = tets->getVertices();
    Rows tris;
    for (const auto& row : shapeVertices(*tets->getFaceSet("ELEMTRIS"))) {
        float z = 0;
        for (int v : row)
            z += surface->getVertices()[static_cast<std::size_t>(v)][2] / 3.0f;
        if (z > p_triAbove)
            tris.push_back(row);
    }
    addFaces(*surface.get(), "TRI", TRI, tris);
    addFaces(*surface.get(), "QUAD", QUAD, shapeVertices(*hexes->getFaceSet("ELEMQUADS")));
    return surface;
}

Triplet randomPoint(std::mt19937& p_random, float p_lo, float p_hi)
{
    std::uniform_real_distribution<float> u(p_lo, p_hi);
    return Triplet(u(p_random), u(p_random), u(p_random));
}

} // namespace

TEST(SurfaceLine, FirstFaceInSetOrderAndMissingSets)
{
    // Two parallel squares: "TRI" at z = 2 (as two triangles), "QUAD" at z = 1. The line
    // from below meets the quadrilateral first along the line, but "TRI" is searched first.
    GeometryAutoPtr g = newGeometry();
    addVertices(*g.get(), {0, 0, 2, 1, 0, 2, 1, 1, 2, 0, 1, 2, 0, 0, 1, 1, 0, 1, 1, 1, 1, 0, 1, 1});
    addFaces(*g.get(), "TRI", TRI, {{0, 1, 2}, {0, 2, 3}});
    addFaces(*g.get(), "QUAD", QUAD, {{4, 5, 6, 7}});
    for (int call = 0; call < 3; ++call) { // the first call scans, later ones use the index
        Triplet displacement;
        ASSERT_TRUE(g->intersectFacesWithLine(Triplet(0.25f, 0.5f, 0), Triplet(0, 0, 10), displacement));
        EXPECT_NEAR(displacement[2], 2.0f, 1e-6) << "call " << call;
        // Behind the point counts too: the whole line is searched.
        ASSERT_TRUE(g->intersectFacesWithLine(Triplet(0.25f, 0.5f, 5), Triplet(0, 0, 1), displacement));
        EXPECT_NEAR(displacement[2], -3.0f, 1e-6);
        EXPECT_FALSE(g->intersectFacesWithLine(Triplet(3, 3, 0), Triplet(0, 0, 1), displacement));
    }

    // "TRI" missing throws at once; "QUAD" missing throws only when "TRI" has no hit.
    GeometryAutoPtr onlyTri = newGeometry("onlyTri");
    addVertices(*onlyTri.get(), {0, 0, 0, 1, 0, 0, 0, 1, 0});
    addFaces(*onlyTri.get(), "TRI", TRI, {{0, 1, 2}});
    GeometryAutoPtr onlyQuad = newGeometry("onlyQuad");
    addVertices(*onlyQuad.get(), {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0});
    addFaces(*onlyQuad.get(), "QUAD", QUAD, {{0, 1, 2, 3}});
    for (int call = 0; call < 2; ++call) {
        Triplet displacement;
        double angle = 0;
        EXPECT_TRUE(onlyTri->intersectFacesWithLine(Triplet(0.2f, 0.2f, 1), Triplet(0, 0, 1), displacement));
        zevtest::expectError<internal::error>(
            [&] { onlyTri->intersectFacesWithLine(Triplet(5, 5, 1), Triplet(0, 0, 1), displacement); },
            "Geometry", "intersectFacesWithLine", "Cannot get face set QUAD from geometry onlyTri.");
        zevtest::expectError<internal::error>(
            [&] { onlyQuad->intersectFacesWithLine(Triplet(0.2f, 0.2f, 1), Triplet(0, 0, 1), displacement); },
            "Geometry", "intersectFacesWithLine", "Cannot get face set TRI from geometry onlyQuad.");
        zevtest::expectError<internal::error>(
            [&] {
                onlyQuad->intersectFacesWithCircle(Triplet(0.5f, 0.5f, 0), Triplet(0, 0, 0), Triplet(0, 0, 1),
                                                   angle);
            },
            "Geometry", "intersectFacesWithCircle", "Cannot get face set TRI from geometry onlyQuad.");
        zevtest::expectError<internal::error>(
            [&] {
                onlyTri->intersectFacesWithCircle(Triplet(5, 0, 0), Triplet(0, 0, 0), Triplet(0, 0, 1),
                                                  angle);
            },
            "Geometry", "intersectFacesWithCircle", "Cannot get face set QUAD from geometry onlyTri.");
    }
}

TEST(SurfaceCircle, RotationAngles)
{
    // Faces in half planes through the z axis, where the radial distance is linear and the
    // circle's hit exact: a triangle on the +x side ("TRI", z from -1 to 1) and a
    // quadrilateral on the -y side ("QUAD", z from 0 to 2.5). Where a circle meets both,
    // the triangle wins because "TRI" is searched first.
    GeometryAutoPtr g = newGeometry();
    addVertices(*g.get(),
                {0.5f, 0, -1, 3, 0, -1, 1, 0, 1, 0, -0.5f, 0, 0, -3, 0, 0, -3, 2.5f, 0, -0.5f, 2.5f});
    addFaces(*g.get(), "TRI", TRI, {{0, 1, 2}});
    addFaces(*g.get(), "QUAD", QUAD, {{3, 4, 5, 6}});
    const Triplet a0(0, 0, -3), a1(0, 0, 4);
    struct Case {
        Triplet point;
        bool hit;
        double angle;
    };
    const Case cases[] = {{Triplet(1, 0, 0.2f), true, 0.0},      // already on the triangle
                          {Triplet(0, 1, 0.2f), true, -kPi / 2}, // +y onto +x: clockwise about +z
                          {Triplet(0, -1, 0.2f), true, kPi / 2}, // on the quadrilateral, yet onto "TRI"
                          {Triplet(-1, 0, 0.2f), true, kPi},     // half a turn
                          {Triplet(0.6f, 0.8f, 2), true, -std::acos(-0.8)}, // onto the quadrilateral
                          {Triplet(0, 0.2f, 0.2f), false, 0.0},             // circle too small to reach
                          {Triplet(1, 0, 5), false, 0.0}};                  // above both faces
    for (int call = 0; call < 2; ++call)
        for (const Case& c : cases) {
            double angle = 99;
            EXPECT_EQ(g->intersectFacesWithCircle(c.point, a0, a1, angle), c.hit);
            if (c.hit) {
                EXPECT_NEAR(angle, c.angle, 1e-6) << c.point[0] << " " << c.point[1] << " " << c.point[2];
            }
        }

    double angle = 0;
    zevtest::expectError<internal::error>(
        [&] { g->intersectFacesWithCircle(Triplet(1, 0, 0), a0, a0, angle); }, "Geometry",
        "intersectFacesWithCircle", "Rotation Axis is not properly defined");
}

TEST(SurfaceLine, SearchIndexAgreesWithTheScan)
{
    // Random lines and circles, plus lines along the axes and diagonals through grid
    // vertices (edges and corners of faces), on a surface whose "TRI" set covers only the
    // upper part of the box, so some answers come from "QUAD".
    GeometryAutoPtr surface = boxSurface(4, 0.5f);
    std::vector<const ShapeSet*> sets{surface->getFaceSet("TRI"), surface->getFaceSet("QUAD")};
    FaceLineTree tree;
    ASSERT_TRUE(tree.build(sets, surface->getVertices()));
    ASSERT_EQ(tree.numFaces(), sets[0]->size() + sets[1]->size());

    std::mt19937 random(7);
    std::vector<std::pair<Triplet, Triplet>> lines;
    for (int i = 0; i < 300; ++i)
        lines.push_back(
            {randomPoint(random, -0.5f, 1.5f), LineQueries::normalised(randomPoint(random, -1, 1))});
    const Triplet directions[] = {Triplet(1, 0, 0), Triplet(0, 1, 0), Triplet(0, 0, 1),
                                  LineQueries::normalised(Triplet(1, 1, 0)),
                                  LineQueries::normalised(Triplet(1, -1, 1))};
    for (int i = 0; i <= 4; ++i)
        for (const Triplet& d : directions)
            lines.push_back({Triplet(i / 4.0f, 0.25f * (i % 3), 0.5f), d});

    int hits = 0;
    int quadHits = 0;
    for (const auto& line : lines) {
        int expectSet = -1;
        int expectFace = -1;
        float expectT = 0;
        for (int s = 0; s < 2 && expectFace < 0; ++s) {
            expectFace =
                LineQueries::intersectLineWithFaceSet(*sets[static_cast<std::size_t>(s)], line.first,
                                                      line.second, surface->getVertices(), expectT, false);
            expectSet = expectFace >= 0 ? s : -1;
        }
        int set = -1;
        int face = -1;
        float t = 0;
        const bool hit = tree.firstLineHit(line.first, line.second, set, face, t);
        ASSERT_EQ(hit, expectFace >= 0);
        if (hit) {
            EXPECT_EQ(set, expectSet);
            EXPECT_EQ(face, expectFace);
            EXPECT_EQ(t, expectT);
            ++hits;
            quadHits += set;
        }

        // The geometry's own query (index after the first call) against a pure scan.
        Triplet scanned, indexed;
        const bool scanHit =
            LineQueries::intersectFacesWithLine(*surface.get(), line.first, line.second, scanned, nullptr);
        ASSERT_EQ(surface->intersectFacesWithLine(line.first, line.second, indexed), scanHit);
        if (scanHit) {
            EXPECT_EQ(indexed, scanned);
        }
    }
    EXPECT_GT(hits, 100);
    EXPECT_GT(quadHits, 10);

    for (int i = 0; i < 200; ++i) {
        const Triplet a0 = randomPoint(random, -0.5f, 1.5f);
        const Triplet a1 = a0 + randomPoint(random, -1, 1);
        const Triplet point = randomPoint(random, -0.5f, 1.5f);
        double scanAngle = 0, indexAngle = 0;
        const bool scanHit =
            LineQueries::intersectFacesWithCircle(*surface.get(), point, a0, a1, scanAngle, nullptr);
        ASSERT_EQ(surface->intersectFacesWithCircle(point, a0, a1, indexAngle), scanHit);
        if (scanHit) {
            EXPECT_EQ(indexAngle, scanAngle);
        }
    }

    // A new vertex array rebuilds the index: corner vertex 0 pulled down to z = -5 warps
    // the faces around it, which the line below then crosses.
    surface->getVertices() = TripletZEVVector(surface->getVertices());
    surface->getVertices()[0] = Triplet(0, 0, -5);
    Triplet scanned, indexed;
    ASSERT_TRUE(LineQueries::intersectFacesWithLine(*surface.get(), Triplet(0.01f, -1, -2), Triplet(0, 1, 0),
                                                    scanned, nullptr));
    ASSERT_TRUE(surface->intersectFacesWithLine(Triplet(0.01f, -1, -2), Triplet(0, 1, 0), indexed));
    EXPECT_EQ(indexed, scanned);
}

TEST(SurfaceLine, CrossingsAlongTheLine)
{
    // From the box centre straight down: the line leaves through grid vertices of the top
    // and bottom faces, which several faces share; each crossing is listed once, in order.
    GeometryAutoPtr surface = boxSurface(2, -1.0f);
    const auto hits =
        LineQueries::faceHitsAlongLine(*surface.get(), Triplet(0.5f, 0.5f, 0.5f), Triplet(0, 0, -2));
    // "QUAD" and "TRI" describe the same box: every crossing is met by both sets and kept
    // once, for the set first in name order ("QUAD").
    ASSERT_EQ(hits.size(), 2u);
    EXPECT_FLOAT_EQ(hits[0].t, -0.5f);
    EXPECT_FLOAT_EQ(hits[1].t, 0.5f);
    EXPECT_EQ(hits[0].setName, "QUAD");
    EXPECT_FLOAT_EQ(hits[0].point[2], 1.0f);
    EXPECT_FLOAT_EQ(hits[1].point[2], 0.0f);
}
