#include "tests/support/MeshBuilders.h"
#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/geometry/GeometryAutoPtr.h"
#include "zev/interpolants/HybridInterpolant.h"
#include "zev/search/ProjectionStatistics.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/shapes/ShapeType.h"
#include "zev/shapes/shapeIndex.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>

using namespace zev;
using namespace zev::test;

namespace {

GeometryAutoPtr surface()
{
    GeometryAutoPtr g(GeometryAPI::instance()->newGeometry("", nullptr));
    g->setDomain("target");
    return g;
}

// An n x n grid of cells over the unit square at height p_height(x, y), two triangles per
// cell (vertex j * (n + 1) + i at (i / n, j / n)).
template <class F> void heightField(Geometry& p_g, int p_n, F p_height)
{
    for (int j = 0; j <= p_n; ++j)
        for (int i = 0; i <= p_n; ++i) {
            const float x = static_cast<float>(i) / p_n, y = static_cast<float>(j) / p_n;
            p_g.getVertices().push_back(Triplet(x, y, p_height(x, y)));
        }
    std::vector<std::vector<int>> tris;
    for (int j = 0; j < p_n; ++j)
        for (int i = 0; i < p_n; ++i) {
            const int v = j * (p_n + 1) + i;
            tris.push_back({v, v + 1, v + p_n + 2});
            tris.push_back({v, v + p_n + 2, v + p_n + 1});
        }
    addFaces(p_g, "surf", TRI, tris);
}

struct Outcome {
    HybridInterpolantData data;
    std::string domain;
};

std::vector<Outcome> entries(const HybridInterpolant& p_interpolant)
{
    std::vector<Outcome> out(p_interpolant.size());
    for (std::size_t i = 0; i < out.size(); ++i)
        p_interpolant.getInternalData(static_cast<int>(i), out[i].data, out[i].domain);
    return out;
}

std::vector<int> counts(const ProjectionStatistics& p_s)
{
    return {p_s.getEquivalentCount(), p_s.getFaceCount(), p_s.getEdgeCount(), p_s.getFarEdgeCount(),
            p_s.getNodeCount()};
}

float interpolate(const HybridInterpolantData& p_data, const TripletZEVVector& p_vertices,
                  float (*p_field)(const Triplet&))
{
    float value = 0.0f;
    for (std::size_t k = 0; k < p_data.size(); ++k)
        value += p_data.m_weights[k] * p_field(p_vertices[static_cast<std::size_t>(p_data.m_nodes[k])]);
    return value;
}

float linear(const Triplet& p_v)
{
    return 2.0f + 3.0f * p_v[0] - p_v[1] + 0.5f * p_v[2];
}

} // namespace

TEST(ProjectionStatistics, SuccessPercentageAndReset)
{
    ProjectionStatistics s;
    EXPECT_EQ(s.getSuccessPercentage(), 0); // nothing placed
    for (int i = 0; i < 3; ++i)
        s.incEquivalent();
    s.incFace();
    s.incNode();
    EXPECT_EQ(s.getSuccessPercentage(), 80);
    s.incFarEdge();
    s.incEdge();
    EXPECT_EQ(s.getSuccessPercentage(), 71); // 5 of 7
    s.setOctreeMappingTolerance(3.0f);
    s.setUsingOctreeMappingAlgorithm(true);
    s.reset();
    EXPECT_EQ(counts(s), std::vector<int>(5, 0));
    EXPECT_FALSE(s.getUsingOctreeMappingAlgorithm());
    EXPECT_EQ(s.getOctreeMappingTolerance(), -20.0f);
}

TEST(Projection, ChosenFaceIsTheNearestOfAllFacesOnACurvedSurface)
{
    GeometryAutoPtr g = surface();
    auto height = [](float x, float y) { return 0.1f * std::sin(3.0f * x) * std::cos(2.0f * y); };
    heightField(*g.get(), 24, height);
    std::mt19937 random(5);
    std::uniform_real_distribution<float> u(0.05f, 0.95f), off(-0.01f, 0.01f);
    TripletZEVVector points;
    for (int i = 0; i < 300; ++i) {
        const float x = u(random), y = u(random);
        points.push_back(Triplet(x, y, height(x, y) + off(random)));
    }
    HybridInterpolant interpolant("target");
    ProjectionStatistics stats;
    g->projectOnGeometry(points, &interpolant, stats);
    ASSERT_EQ(interpolant.size(), points.size());
    // A point under a ridge can fall between the faces' prisms and land on an edge (far from it
    // against a twentieth of the edge's length).
    EXPECT_EQ(stats.getNodeCount(), 0);
    EXPECT_GT(stats.getFaceCount(), 250);

    const ShapeSet& faces = *g->getFaceSet("surf");
    const TripletZEVVector& vertices = g->getVertices();
    const std::vector<Outcome> out = entries(interpolant);
    for (std::size_t p = 0; p < points.size(); ++p) {
        // The oracle: every face of the surface.
        float nearest = FLT_MAX;
        for (std::size_t f = 0; f < faces.size(); ++f) {
            Triplet projected;
            float d = FLT_MAX;
            if (faces[f].projectPointToFace(points[p], vertices, projected, d))
                nearest = std::min(nearest, d);
        }
        ASSERT_EQ(out[p].domain, "target");
        if (out[p].data.size() < 3)
            continue; // at a vertex or on an edge
        ASSERT_EQ(out[p].data.size(), 3u);
        float chosen = FLT_MAX;
        for (std::size_t f = 0; f < faces.size(); ++f) {
            const Shape& face = faces[f];
            if (face[0] == out[p].data.m_nodes[0] && face[1] == out[p].data.m_nodes[1] &&
                face[2] == out[p].data.m_nodes[2]) {
                Triplet projected;
                face.projectPointToFace(points[p], vertices, projected, chosen);
            }
        }
        EXPECT_EQ(chosen, nearest) << "point " << p;
        float sum = 0.0f;
        for (float w : out[p].data.m_weights)
            sum += w;
        EXPECT_NEAR(sum, 1.0f, 1e-6f);
    }
}

TEST(Projection, LinearFieldsAreReproducedOnPlanarTrianglesAndQuadrilaterals)
{
    // A flat but irregular quadrilateral patch (interior vertices moved in the plane) and the
    // same plane as triangles: the weights of a projected point reproduce a linear field at the
    // projected point, which lies straight below the point.
    for (int type : {QUAD, TRI}) {
        GeometryAutoPtr g = surface();
        if (type == QUAD) {
            buildQuadPatch(*g.get());
            g->getVertices()[5] = Triplet(1.2f, 0.9f, 0.0f);
            g->getVertices()[10] = Triplet(1.8f, 2.3f, 0.0f);
        } else {
            heightField(*g.get(), 7, [](float, float) { return 0.0f; });
        }
        const float scale = type == QUAD ? 3.0f : 1.0f;
        std::mt19937 random(9);
        std::uniform_real_distribution<float> u(0.02f * scale, 0.98f * scale), off(-0.3f, 0.3f);
        TripletZEVVector points;
        for (int i = 0; i < 200; ++i)
            points.push_back(Triplet(u(random), u(random), off(random)));
        HybridInterpolant interpolant("target");
        ProjectionStatistics stats;
        g->projectOnGeometry(points, &interpolant, stats);
        const std::vector<Outcome> out = entries(interpolant);
        ASSERT_EQ(out.size(), points.size());
        for (std::size_t p = 0; p < points.size(); ++p) {
            // Points close to a vertex (within a twentieth of the squared spacing) take it alone.
            if (out[p].data.size() == 1)
                continue;
            const Triplet below(points[p][0], points[p][1], 0.0f);
            EXPECT_NEAR(interpolate(out[p].data, g->getVertices(), linear), linear(below), 2e-5f)
                << "type " << type << " point " << p;
        }
        EXPECT_GT(stats.getFaceCount(), 150);
        EXPECT_EQ(stats.getFaceCount() + stats.getEquivalentCount(), 200);
    }
}

TEST(Projection, VertexEdgeFarEdgeAndNodeOutcomes)
{
    // One triangle, and far from it a row of 30 vertices that no face uses.
    GeometryAutoPtr g = surface();
    addVertices(*g.get(), {0, 0, 0, 1, 0, 0, 0, 1, 0});
    for (int i = 0; i < 30; ++i)
        addVertices(*g.get(), {10.0f + 0.1f * static_cast<float>(i), 0, 0});
    addFaces(*g.get(), "tri", TRI, {{0, 1, 2}});
    const float nan = std::numeric_limits<float>::quiet_NaN();
    TripletZEVVector points;
    points.push_back(Triplet(0, 1, 0));          // on vertex 2
    points.push_back(Triplet(0.5f, -0.01f, 0));  // just off edge 0-1
    points.push_back(Triplet(0.5f, -0.2f, 0));   // off edge 0-1 by a fifth of its length
    points.push_back(Triplet(10.05f, 0.5f, 0));  // beside the loose vertices 3 and 4
    points.push_back(Triplet(0.2f, 0.2f, 0.5f)); // above the face
    points.push_back(Triplet(nan, 0.2f, 0.5f));  // nowhere
    HybridInterpolant interpolant("target");
    ProjectionStatistics stats;
    g->projectOnGeometry(points, &interpolant, stats);
    EXPECT_EQ(counts(stats), (std::vector<int>{1, 1, 1, 1, 2}));
    const std::vector<Outcome> out = entries(interpolant);
    ASSERT_EQ(out.size(), 6u);
    EXPECT_EQ(out[0].data.m_nodes, std::vector<int>{2});
    EXPECT_EQ(out[0].data.m_weights, std::vector<float>{1.0f});
    for (int k : {1, 2}) {
        // The walk along 0-1 stops at the step nearest to the point's foot, x = 0.5.
        EXPECT_EQ(out[k].data.m_nodes, (std::vector<int>{0, 1}));
        EXPECT_NEAR(out[k].data.m_weights[0], 0.5f, 1.0f / 21.0f);
        EXPECT_NEAR(out[k].data.m_weights[0] + out[k].data.m_weights[1], 1.0f, 1e-6f);
    }
    EXPECT_EQ(out[3].data.m_nodes, std::vector<int>{3}); // vertices 3 and 4 tie: the lower
    EXPECT_EQ(out[4].data.m_nodes, (std::vector<int>{0, 1, 2}));
    EXPECT_NEAR(interpolate(out[4].data, g->getVertices(), linear), linear(Triplet(0.2f, 0.2f, 0)), 1e-5f);
    EXPECT_EQ(out[5].data.size(), 0u); // interpolates to the undefined value
    EXPECT_EQ(out[5].domain, "target");
}

TEST(Projection, NothingToProjectOnto)
{
    TripletZEVVector points;
    points.push_back(Triplet(0, 0, 0));
    HybridInterpolant interpolant("target");
    ProjectionStatistics stats;
    // Faces naming vertices that do not exist, and no vertex at all.
    GeometryAutoPtr empty = surface();
    addFaces(*empty.get(), "tri", TRI, {{0, 1, 2}});
    empty->projectOnGeometry(points, &interpolant, stats);
    // No face set at all.
    GeometryAutoPtr bare = surface();
    addVertices(*bare.get(), {0, 0, 0});
    bare->projectOnGeometry(points, &interpolant, stats);
    EXPECT_EQ(interpolant.size(), 0u);
    EXPECT_EQ(counts(stats), std::vector<int>(5, 0));
    EXPECT_EQ(stats.getSuccessPercentage(), 0);
    std::vector<shapeIndex> faces;
    TripletZEVVector projected;
    bare->projectVerticesOnGeometry(points, faces, projected);
    EXPECT_TRUE(faces.empty());
    EXPECT_TRUE(projected.empty());
}

TEST(Projection, ProjectVerticesGivesTheFaceAndTheFootOrNothing)
{
    GeometryAutoPtr g = surface();
    addVertices(*g.get(), {5, 5, 5}); // a vertex of no face, so that "patch" is the second set
    buildQuadPatch(*g.get());
    addFaces(*g.get(), "another", TRI, {{0, 0, 0}});
    // buildQuadPatch numbered from 0; shift its faces past the loose vertex.
    ShapeSet& patch = *g->getFaceSet("patch");
    for (std::size_t i = 0; i < patch.size(); ++i)
        for (int k = 0; k < 4; ++k)
            patch[i][k] += 1;
    TripletZEVVector points;
    points.push_back(Triplet(1.5f, 2.5f, 0.7f));
    points.push_back(Triplet(-3.0f, -3.0f, 1.0f));
    std::vector<shapeIndex> faces;
    TripletZEVVector projected;
    g->projectVerticesOnGeometry(points, faces, projected);
    ASSERT_EQ(faces.size(), 2u);
    EXPECT_EQ(faces[0].getSetIndex(), 1);
    EXPECT_EQ(faces[0].getShapeIndex(), 7);
    EXPECT_EQ(faces[0].getShape(), &patch[7]);
    EXPECT_EQ(projected[0], Triplet(1.5f, 2.5f, 0.0f));
    EXPECT_EQ(faces[1].getSetIndex(), -1);
    EXPECT_EQ(faces[1].getShapeIndex(), -1);
    EXPECT_EQ(faces[1].getShape(), nullptr);
    EXPECT_EQ(projected[1], points[1]);
}

TEST(ProjectionDeathTest, NodeCountFromTheEnvironmentIsAnnouncedOnce)
{
    // A fresh process, so that the count is read under this environment.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("KPL_NODES_TO_CHECK_FOR_PROJECTION", "1", 1);
            GeometryAutoPtr g = surface();
            heightField(*g.get(), 4, [](float, float) { return 0.0f; });
            TripletZEVVector points;
            points.push_back(Triplet(0.3f, 0.6f, 0.2f));
            points.push_back(Triplet(0.1f, 0.1f, 0.1f));
            HybridInterpolant interpolant("target");
            ProjectionStatistics stats;
            testing::internal::CaptureStdout();
            g->projectOnGeometry(points, &interpolant, stats);
            g->projectOnGeometry(points, &interpolant, stats);
            const bool announced = testing::internal::GetCapturedStdout() ==
                                   "Setting the number of nearby nodes to check when projecting points to a "
                                   "surface to: '1'\n";
            std::exit(announced && interpolant.size() == 4 && stats.getFaceCount() == 4 ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}
