#include "tests/derived/SamplePointsTestSupport.h"
#include "zev/contracts/Undefined.h"
#include "zev/derived/SPGeometryInternal.h"
#include "zev/derived/SurfaceGroupGeometry.h"
#include "zev/interpolants/HybridInterpolant.h"
#include "zev/shapes/ShapeSet.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace zev;
using namespace zevtest;
using M = SamplePointsGeometry::Method;

namespace {

const Triplet kCentred(ZEV_UNDEF, ZEV_UNDEF, ZEV_UNDEF);

// Equal-area points of p_parent placed by an internal object the caller can inspect.
int areaSample(SPGeometryInternal& p_internal, Geometry* p_parent, int p_count, const std::string& p_accuracy,
               bool p_random = false, HybridInterpolant* p_records = nullptr,
               TripletZEVVector* p_out = nullptr)
{
    TripletZEVVector out;
    std::vector<int> numbers;
    SampleRandom random(11);
    p_internal.setRandom(&random);
    const int n = p_internal.doSampling(
        p_parent, p_random ? SamplePointsGeometry::EquallySpacedRandom : SamplePointsGeometry::EquallySpaced,
        p_count, 0.0f, 1.0f, 0.0f, kCentred, p_accuracy, p_records, p_out ? *p_out : out, nullptr, numbers,
        nullptr);
    p_internal.setRandom(nullptr);
    return n;
}

// Variance-to-mean ratio of the point counts over the 10 x 10 equal squares of the unit square.
double varianceToMean(const TripletZEVVector& p_points)
{
    std::vector<double> bins(100, 0.0);
    for (const Triplet& p : p_points)
        bins[static_cast<std::size_t>(std::min(9, static_cast<int>(p[1] * 10.0f)) * 10 +
                                      std::min(9, static_cast<int>(p[0] * 10.0f)))] += 1.0;
    double mean = 0.0, variance = 0.0;
    for (double b : bins)
        mean += b / 100.0;
    for (double b : bins)
        variance += (b - mean) * (b - mean) / 99.0;
    return variance / mean;
}

} // namespace

TEST(SamplePointsArea, PointsAreSpreadMoreEvenlyThanRandomOnes)
{
    GeometryAutoPtr square(rectangle(0.0f, 1.0f, 1.0f, 40, 40));
    GeometryAutoPtr s(newSampler());
    auto& sampler = dynamic_cast<SamplePointsGeometry&>(*s.get());
    const int count = 500;
    const int equal = sampler.doSampling(square.get(), SamplePointsGeometry::EquallySpaced, count, 0.0f, 1.0f,
                                         0.0f, kCentred, "High", 1, nullptr, true, false, true);
    // The walk stops at 1.33 times the count, or earlier when the faces run out.
    EXPECT_GE(equal, count * 8 / 10);
    EXPECT_LE(equal, static_cast<int>(count * 1.33) + 1);
    const double equalRatio = varianceToMean(sampler.getVertices());
    sampler.doSampling(square.get(), SamplePointsGeometry::Random, count, 0.0f, 1.0f, 0.0f, kCentred, "High",
                       1, nullptr, true, false, true);
    const double randomRatio = varianceToMean(sampler.getVertices());
    EXPECT_LT(equalRatio, 0.5);
    EXPECT_GT(randomRatio, 0.6);
    EXPECT_LT(randomRatio, 1.5);

    // At high and medium accuracy the random variant is the regular one, point for point.
    for (const char* accuracy : {"High", "Medium"}) {
        sampler.doSampling(square.get(), SamplePointsGeometry::EquallySpaced, 60, 0.0f, 1.0f, 0.0f, kCentred,
                           accuracy, 1, nullptr, true, false, true);
        const std::vector<Triplet> regular(sampler.getVertices().begin(), sampler.getVertices().end());
        sampler.doSampling(square.get(), SamplePointsGeometry::EquallySpacedRandom, 60, 0.0f, 1.0f, 0.0f,
                           kCentred, accuracy, 2, nullptr, true, false, true);
        EXPECT_EQ(std::vector<Triplet>(sampler.getVertices().begin(), sampler.getVertices().end()), regular)
            << accuracy;
    }
}

TEST(SamplePointsArea, RefinementSharesMidpointsAndStaysInTheCopy)
{
    // Two unit squares side by side; 8 points give a threshold of 2 / 8.25 / 2: each square is
    // cut twice, into a 4 x 4 grid of quads, whose vertices are shared across the middle edge.
    GeometryAutoPtr pair(surface({0, 0, 0, 1, 0, 0, 2, 0, 0, 0, 1, 0, 1, 1, 0, 2, 1, 0},
                                 {{0, 1, 4, 3}, {1, 2, 5, 4}}, QUAD, "faces", "D"));
    {
        SPGeometryInternal internal;
        HybridInterpolant records("D");
        EXPECT_GT(areaSample(internal, pair.get(), 8, "High", false, &records), 0);
        EXPECT_EQ(internal.getNumVertices(), 45);
        EXPECT_EQ(internal.getNumExcludedFaces(), 2);
        EXPECT_EQ(internal.getFaceSet("faces")->size(), 2u + 32u);
        // The copy's records tie each added vertex back to the parent's vertices.
        ASSERT_NE(internal.getInterpolant(), nullptr);
        EXPECT_EQ(internal.getInterpolant()->size(), 45u);
    }
    EXPECT_EQ(pair->getNumVertices(), 6);
    EXPECT_EQ(pair->getFaceSet("faces")->size(), 2u);

    // Low accuracy never refines; medium uses the larger threshold: with 4 points one cut.
    SPGeometryInternal low, medium;
    areaSample(low, pair.get(), 8, "Low");
    EXPECT_EQ(low.getNumExcludedFaces(), 0);
    areaSample(medium, pair.get(), 4, "Medium");
    EXPECT_EQ(medium.getNumVertices(), 15);

    // A "QUAD" set of triangles keeps its name; the quads go to a set of their own.
    GeometryAutoPtr tri(surface({0, 0, 0, 1, 0, 0, 0, 1, 0}, {{0, 1, 2}}, TRI, "QUAD"));
    SPGeometryInternal internal;
    EXPECT_GT(areaSample(internal, tri.get(), 10, "High"), 0);
    ASSERT_NE(internal.getFaceSet("QUAD1"), nullptr);
    EXPECT_EQ(internal.getFaceSet("QUAD1")->getType(), QUAD);
    EXPECT_EQ(internal.getFaceSet("QUAD")->getType(), TRI);
}

TEST(SamplePointsArea, EdgeMapLinksTheFirstTwoFacesAndJoinsGroupMembers)
{
    // Three triangles on the edge (0, 1): the first two in face order are recorded.
    GeometryAutoPtr fan(
        surface({0, 0, 0, 1, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 1}, {{0, 1, 2}, {1, 0, 3}, {0, 1, 4}}, TRI));
    SPGeometryInternal internal;
    areaSample(internal, fan.get(), 3, "Low");
    EXPECT_EQ(internal.getEdgeFaces(0, 1), (std::array<int, 2>{0, 1}));
    EXPECT_EQ(internal.getEdgeFaces(1, 2), (std::array<int, 2>{0, -1}));

    // Two members whose touching edges coincide exactly are joined; a gap of 1e-6 is not.
    registerSamplePoints();
    try {
        SurfaceGroupGeometry::registerType();
    } catch (const internal::error&) {
        // registered by an earlier test
    }
    for (float gap : {0.0f, 1e-6f}) {
        GeometryAutoPtr left(rectangle(0.0f, 1.0f, 1.0f, 1, 1)),
            right(rectangle(1.0f + gap, 1.0f, 1.0f, 1, 1));
        GeometryAutoPtr g(GeometryAPI::instance()->newGeometry("SurfaceGroupGeometry", nullptr));
        auto* group = dynamic_cast<SurfaceGroupGeometry*>(g.get());
        group->getGeometryVec() = {left.get(), right.get()};
        group->unify(false);
        SPGeometryInternal joined;
        areaSample(joined, group, 2, "Low");
        // Member vertices (1, 0) and (1, 1) are group vertices 1 and 3, and 4 and 6.
        EXPECT_EQ(joined.getEdgeFaces(1, 3), (std::array<int, 2>{0, gap == 0.0f ? 1 : -1})) << gap;
        EXPECT_EQ(joined.getEdgeFaces(4, 6), (std::array<int, 2>{1, gap == 0.0f ? 0 : -1})) << gap;
    }
}

TEST(SamplePointsArea, DegenerateInputsEndTheWalk)
{
    // A large face beside a tiny one at low accuracy: the area carried past the large face is
    // more than one spacing, which must not stall the walk on the tiny face.
    GeometryAutoPtr uneven(surface({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 1.01f, 0, 0, 1.01f, 1, 0},
                                   {{0, 1, 2, 3}, {1, 4, 5, 2}}));
    SPGeometryInternal internal;
    EXPECT_EQ(areaSample(internal, uneven.get(), 10, "Low"), 1);
    SPGeometryInternal random;
    EXPECT_GE(areaSample(random, uneven.get(), 10, "Low", true), 9);

    // No area at all: no spacing, no points.
    GeometryAutoPtr flat(surface({0, 0, 0, 1, 0, 0, 2, 0, 0}, {{0, 1, 2}}, TRI));
    SPGeometryInternal none;
    EXPECT_EQ(areaSample(none, flat.get(), 5, "High"), 0);
}
