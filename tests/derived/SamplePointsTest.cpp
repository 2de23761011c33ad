#include "tests/derived/SamplePointsTestSupport.h"
#include "tests/geometry/HostHooks.h"
#include "tests/support/ExpectError.h"
#include "zev/contracts/Undefined.h"
#include "zev/derived/SPGeometryInternal.h"
#include "zev/interpolants/ExternalInterpolant.h"
#include "zev/interpolants/HybridInterpolant.h"
#include "zev/interpolants/HybridInterpolantData.h"
#include "zev/interpolants/VertexInterpolant.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/variables/ScalarVariable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>

using namespace zev;
using namespace zevtest;
using M = SamplePointsGeometry::Method;

namespace {

const Triplet kCentred(ZEV_UNDEF, ZEV_UNDEF, ZEV_UNDEF);

struct Call {
    M method = SamplePointsGeometry::Random;
    int count = 10;
    int seed = 1;
    std::string accuracy = "High";
    float first = 0.0f, second = 1.0f, third = 0.0f;
    Triplet point = kCentred;
    ReductionUtility* reduction = nullptr;
    bool normals = false;
    bool force = false;
    std::string domain;
};

int sample(SamplePointsGeometry& p_s, const std::vector<Geometry*>& p_parents, const Call& p_c,
           std::vector<Triplet> p_points = {})
{
    if (p_points.empty())
        p_points.assign(p_parents.size(), p_c.point);
    return p_s.doSampling(p_c.domain, p_parents, p_c.method, p_c.count, p_c.first, p_c.second, p_c.third,
                          p_points, p_c.accuracy, p_c.seed, p_c.reduction, true, p_c.normals, p_c.force);
}

std::vector<Triplet> points(const Geometry& p_g)
{
    return std::vector<Triplet>(p_g.getVertices().begin(), p_g.getVertices().end());
}

// Marks the geometry so that a resampling (which deletes all variables) shows.
void mark(Geometry& p_g)
{
    if (p_g.hasVariable("marker", eVertex))
        return;
    const float one = 1.0f;
    auto* v = new ScalarVariable(&one, 1, eConservative, eVertex);
    v->setName("marker");
    p_g.addVariable(v, eVertex);
}

} // namespace

TEST(SamplePointsCatalogue, NamesPredicatesAndAccuracy)
{
    const std::vector<std::pair<std::string, int>> names{{"", 0},
                                                         {"Equally Spaced", 0},
                                                         {"Equally Spaced Random", 1},
                                                         {"Random", 2},
                                                         {"Rectangular Grid", 3},
                                                         {"Vertex", 4},
                                                         {"Face Center", 5},
                                                         {"Free Edge", 6},
                                                         {"Random ", 7},
                                                         {"random", 7}};
    for (const auto& n : names)
        EXPECT_EQ(SamplePointsGeometry::getSampleMethodID(n.first), n.second) << n.first;
    // Columns: face set, parent copy, edge map, seed, proportional counts.
    const bool table[7][5] = {{1, 1, 1, 1, 1}, {1, 1, 1, 1, 1}, {1, 1, 0, 1, 1}, {1, 0, 0, 1, 0},
                              {0, 0, 0, 0, 0}, {1, 0, 0, 0, 0}, {1, 0, 0, 0, 0}};
    for (int m = 0; m < 7; ++m) {
        const M method = static_cast<M>(m);
        EXPECT_TRUE(SamplePointsGeometry::isValidMethod(method));
        EXPECT_EQ(SamplePointsGeometry::methodNeedFaceSet(method), table[m][0]) << m;
        EXPECT_EQ(SamplePointsGeometry::methodNeedParentCopy(method), table[m][1]) << m;
        EXPECT_EQ(SamplePointsGeometry::methodNeedEdgeFaceMap(method), table[m][2]) << m;
        EXPECT_EQ(SamplePointsGeometry::methodNeedRandSeed(method), table[m][3]) << m;
        EXPECT_EQ(SamplePointsGeometry::methodNeedProportionalDist(method), table[m][4]) << m;
    }
    EXPECT_FALSE(SamplePointsGeometry::isValidMethod(SamplePointsGeometry::InvalidMethod));
    EXPECT_FALSE(SamplePointsGeometry::isValidMethod(static_cast<M>(-1)));
    EXPECT_TRUE(SamplePointsGeometry::methodNeedProportionalDist(""));
    EXPECT_FALSE(SamplePointsGeometry::methodNeedProportionalDist("Vertex"));
    EXPECT_EQ(SamplePointsGeometry::getValidAccuracyStr("Medium"), "Medium");
    EXPECT_EQ(SamplePointsGeometry::getValidAccuracyStr("Low"), "Low");
    EXPECT_EQ(SamplePointsGeometry::getValidAccuracyStr("low"), "High");
    EXPECT_EQ(SamplePointsGeometry::getValidAccuracyStr(""), "High");
}

TEST(SamplePointsDriver, CountsAreSharedByAreaAndZeroAreaGivesNone)
{
    GeometryAutoPtr s(newSampler());
    auto& sampler = dynamic_cast<SamplePointsGeometry&>(*s.get());
    GeometryAutoPtr big(rectangle(0.0f, 3.0f, 1.0f, 3, 1)), small(rectangle(5.0f, 1.0f, 1.0f, 1, 1));
    Call c;
    EXPECT_EQ(sample(sampler, {big.get(), small.get()}, c), 11);
    EXPECT_EQ(sampler.getParentCounts(), (std::vector<int>{8, 3}));
    EXPECT_EQ(sampler.getParentList(), (std::vector<Geometry*>{big.get(), small.get()}));

    // Faces of no area: no share is taken of a zero total.
    GeometryAutoPtr flat1(surface({0, 0, 0, 1, 0, 0, 2, 0, 0}, {{0, 1, 2}}, TRI));
    GeometryAutoPtr flat2(surface({0, 0, 0, 1, 1, 1, 2, 2, 2}, {{0, 1, 2}}, TRI));
    EXPECT_EQ(sample(sampler, {flat1.get(), flat2.get()}, c), 0);
    EXPECT_EQ(sampler.getParentCounts(), (std::vector<int>{0, 0}));
    EXPECT_EQ(sample(sampler, {big.get(), flat2.get()}, c), 10);
}

TEST(SamplePointsGrid, DefaultGridShiftedGridAndRefusedGrid)
{
    GeometryAutoPtr s(newSampler());
    auto& sampler = dynamic_cast<SamplePointsGeometry&>(*s.get());
    GeometryAutoPtr square(rectangle(0.0f, 1.0f, 1.0f, 1, 1));
    Call c;
    c.method = SamplePointsGeometry::RectangularGrid;
    // 11 x 11 nodes spaced 1.49 * sqrt(2) / 9 around the centre; 5 x 5 fall on the square.
    const float spacing = 1.49f * std::sqrt(2.0f) / 9.0f;
    for (bool flat : {true, false}) {
        square->setFlatSurface(flat);
        EXPECT_EQ(sample(sampler, {square.get()}, c), 25);
        for (int j = 0; j < 5; ++j)
            for (int i = 0; i < 5; ++i) {
                const Triplet& p = sampler.getVertices()[static_cast<std::size_t>(j * 5 + i)];
                EXPECT_NEAR(p[0], 0.5f + (i - 2) * spacing, 1e-6);
                EXPECT_NEAR(p[1], 0.5f + (j - 2) * spacing, 1e-6);
                EXPECT_EQ(p[2], 0.0f);
            }
        c.force = true;
    }
    // Spacings 0.5 and 1.0, shifted so that a node falls on (0.25, 0.25).
    c.first = 0.5f;
    c.second = 2.0f;
    c.point = Triplet(0.25f, 0.25f, 0.0f);
    EXPECT_EQ(sample(sampler, {square.get()}, c), 2);
    EXPECT_NEAR(sampler.getVertices()[0][0], 0.25f, 1e-6);
    EXPECT_NEAR(sampler.getVertices()[0][1], 0.25f, 1e-6);
    EXPECT_NEAR(sampler.getVertices()[1][0], 0.75f, 1e-6);
    EXPECT_NEAR(sampler.getVertices()[1][1], 0.25f, 1e-6);

    // Far too fine a spacing: refused with a warning instead of overflowing the node count.
    RecordingReporter reporter;
    c.first = 1e-6f;
    EXPECT_EQ(sample(sampler, {square.get()}, c), 0);
    ASSERT_EQ(reporter.m_messages.size(), 1u);
    EXPECT_EQ(reporter.m_messages[0].m_className, "SPGeometryInternal");
    EXPECT_EQ(reporter.m_messages[0].m_errorType, eWarning);
    // A spacing between -1 and 0 lays no grid.
    c.first = -0.5f;
    EXPECT_EQ(sample(sampler, {square.get()}, c), 0);
}

TEST(SamplePointsGrid, FaceBucketsGiveTheFullScansPoints)
{
    // A closed cube (faces perpendicular to the grid), a warped height field and a flat plane,
    // rotated grids.
    GeometryAutoPtr cube(cubeSurface(3));
    std::vector<float> xyz;
    for (int j = 0; j <= 12; ++j)
        for (int i = 0; i <= 12; ++i)
            xyz.insert(xyz.end(), {i / 12.0f, j / 12.0f,
                                   0.2f * std::sin(3.0f * i / 12.0f) * std::cos(2.0f * j / 12.0f)});
    std::vector<std::vector<int>> tris;
    for (int j = 0; j < 12; ++j)
        for (int i = 0; i < 12; ++i) {
            const int a = j * 13 + i;
            tris.push_back({a, a + 1, a + 14});
            tris.push_back({a, a + 14, a + 13});
        }
    GeometryAutoPtr field(surface(xyz, tris, TRI));
    GeometryAutoPtr plane(rectangle(0.0f, 1.0f, 0.7f, 9, 7));
    plane->setFlatSurface(true);
    for (Geometry* parent : {cube.get(), field.get(), plane.get()})
        for (float third : {0.0f, 0.4f}) {
            std::vector<std::vector<Triplet>> results;
            for (bool fullScan : {false, true}) {
                SPGeometryInternal internal;
                internal.setGridFullScan(fullScan);
                TripletZEVVector out;
                std::vector<int> numbers;
                HybridInterpolant records("d");
                internal.doSampling(parent, SamplePointsGeometry::RectangularGrid, 0, 0.1f, 1.0f, third,
                                    kCentred, "High", &records, out, nullptr, numbers, nullptr);
                results.emplace_back(out.begin(), out.end());
                EXPECT_EQ(records.size(), out.size());
            }
            EXPECT_GT(results[0].size(), 50u);
            EXPECT_EQ(results[0], results[1]);
        }
}

TEST(SamplePointsItems, VertexFaceCentreAndFreeEdgeCounts)
{
    GeometryAutoPtr s(newSampler());
    auto& sampler = dynamic_cast<SamplePointsGeometry&>(*s.get());
    GeometryAutoPtr patch(GeometryAPI::instance()->newGeometry("", nullptr));
    test::buildQuadPatch(*patch.get());
    patch->setDomain("P");
    Call c;
    c.force = true;
    const std::vector<std::pair<M, int>> expected{{SamplePointsGeometry::Vertex, 16},
                                                  {SamplePointsGeometry::FaceCenter, 9},
                                                  {SamplePointsGeometry::FreeEdge, 12}};
    for (const auto& e : expected) {
        c.method = e.first;
        EXPECT_EQ(sample(sampler, {patch.get()}, c), e.second);
        ASSERT_EQ(sampler.getNumVertices(), e.second);
        ASSERT_NE(sampler.getInterpolant(), nullptr);
        EXPECT_EQ(sampler.getInterpolant()->size(), static_cast<std::size_t>(e.second));
        EXPECT_EQ(sampler.getDirections().size(), static_cast<std::size_t>(e.second));
        EXPECT_EQ(sampler.getOrientations()[0], Triplet(0.0f, 0.0f, 1.0f));
        EXPECT_EQ(sampler.getDirections()[0], Triplet(0.0f, 1.0f, 0.0f));
    }
    // The last free edge in edge order is (14, 15): its midpoint, weighted half and half.
    EXPECT_EQ(sampler.getVertices()[11], Triplet(2.5f, 3.0f, 0.0f));
    HybridInterpolantData record;
    std::string domain;
    sampler.getInterpolant()->getInternalData(11, record, domain);
    EXPECT_EQ(domain, "P");
    EXPECT_EQ(record.m_nodes, (std::vector<int>{14, 15}));
    EXPECT_FLOAT_EQ(record.m_weights[0], 0.5f);

    // Vertex sampling of a parent without interpolant records each vertex itself; a parent's
    // vertex interpolant is followed to its domain; a reduction keeps every other vertex.
    c.method = SamplePointsGeometry::Vertex;
    sample(sampler, {patch.get()}, c);
    sampler.getInterpolant()->getInternalData(5, record, domain);
    EXPECT_EQ(record.m_nodes, std::vector<int>{5});
    EXPECT_EQ(record.m_weights, std::vector<float>{1.0f});
    auto* vi = new VertexInterpolant("Volume");
    for (int v = 0; v < 16; ++v)
        vi->pushVertex(100 + v);
    patch->setInterpolant(vi);
    ReductionUtility half;
    half.setReduction(0.5f);
    c.reduction = &half;
    EXPECT_EQ(sample(sampler, {patch.get()}, c), 8);
    sampler.getInterpolant()->getInternalData(0, record, domain);
    EXPECT_EQ(domain, "Volume");
    EXPECT_EQ(record.m_nodes, std::vector<int>{101});
    EXPECT_EQ(sampler.getVertices()[0], patch->getVertices()[1]);
}

TEST(SamplePointsRecords, PointsLieOnTheSurfaceAndRecordsAreConvex)
{
    GeometryAutoPtr cube(cubeSurface(3));
    cube->setDomain("Cube");
    GeometryAutoPtr s(newSampler());
    auto& sampler = dynamic_cast<SamplePointsGeometry&>(*s.get());
    const float tolerance = 1e-5f * std::sqrt(3.0f);
    Call c;
    c.count = 200;
    c.force = true;
    c.first = 0.1f;
    for (M m : {SamplePointsGeometry::EquallySpaced, SamplePointsGeometry::EquallySpacedRandom,
                SamplePointsGeometry::Random, SamplePointsGeometry::RectangularGrid,
                SamplePointsGeometry::FaceCenter}) {
        c.method = m;
        c.accuracy = m == SamplePointsGeometry::EquallySpacedRandom ? "Low" : "High";
        const int n = sample(sampler, {cube.get()}, c);
        ASSERT_GT(n, 0) << m;
        ASSERT_EQ(n, sampler.getNumVertices()) << m;
        const Interpolant* interpolant = sampler.getInterpolant();
        ASSERT_NE(interpolant, nullptr) << m;
        // A constant field carried over stays constant.
        std::vector<float> ones(static_cast<std::size_t>(cube->getNumVertices()), 1.0f);
        ScalarVariable parent(ones.data(), static_cast<int>(ones.size()), eConservative, eVertex);
        FloatZEVVectorConcrete carried;
        interpolant->interpolate(
            std::vector<const ScalarVariable*>(interpolant->getDomains().size(), &parent), eConservative,
            carried);
        for (int i = 0; i < n; ++i) {
            const Triplet& p = sampler.getVertices()[static_cast<std::size_t>(i)];
            float depth = 1.0f;
            for (int k = 0; k < 3; ++k) {
                EXPECT_GE(p[k], -tolerance);
                EXPECT_LE(p[k], 1.0f + tolerance);
                depth = std::min({depth, std::fabs(p[k]), std::fabs(1.0f - p[k])});
            }
            EXPECT_LE(depth, tolerance) << m << " point " << i;
            HybridInterpolantData record;
            std::string domain;
            interpolant->getInternalData(i, record, domain);
            float sum = 0.0f;
            for (float w : record.m_weights) {
                EXPECT_GE(w, 0.0f);
                sum += w;
            }
            EXPECT_NEAR(sum, 1.0f, 1e-5f);
            EXPECT_NEAR(carried[static_cast<std::size_t>(i)], 1.0f, 1e-5f);
        }
    }
}

TEST(SamplePointsRecords, LinearFieldsAreCarriedExactlyOntoFlatTiltedFaces)
{
    // Flat faces in a tilted plane (a general quadrilateral and a triangle) and the six faces of a
    // tilted frustum hexahedron (planar trapezoids); the field 1 + 2x + 3y + 4z must come out at every
    // sample point as at the point itself, whatever the method.
    const double origin[3] = {0.3, -0.2, 0.5};
    const double e1[3] = {1.0 / 3, 2.0 / 3, 2.0 / 3};
    const double e2[3] = {2.0 / 3, 1.0 / 3, -2.0 / 3};
    auto inPlane = [&](const std::vector<std::pair<double, double>>& p_uv) {
        std::vector<float> xyz;
        for (const auto& uv : p_uv)
            for (int c = 0; c < 3; ++c)
                xyz.push_back(static_cast<float>(origin[c] + uv.first * e1[c] + uv.second * e2[c]));
        return xyz;
    };
    GeometryAutoPtr quad(
        surface(inPlane({{0, 0}, {2, 0.3}, {1.7, 1.6}, {0.2, 1.1}}), {{0, 1, 2, 3}}, QUAD, "faces", "D"));
    GeometryAutoPtr tri(surface(inPlane({{0, 0}, {1.5, 0.2}, {0.4, 1.3}}), {{0, 1, 2}}, TRI, "faces", "D"));
    std::vector<float> corners;
    for (int i = 0; i < 8; ++i) {
        // Unit square below, a smaller one above, then sheared: the side faces stay flat.
        const double shrink = i >= 4 ? 0.6 : 1.0;
        const double x = 0.5 + shrink * ((i & 1) - 0.5);
        const double y = 0.5 + shrink * (((i >> 1) & 1) - 0.5);
        const double z = i >= 4 ? 0.8 : 0.0;
        corners.insert(corners.end(), {static_cast<float>(x + 0.3 * y + 0.2 * z),
                                       static_cast<float>(0.2 * x + 1.1 * y - 0.3 * z),
                                       static_cast<float>(0.1 * x - 0.2 * y + 0.9 * z)});
    }
    GeometryAutoPtr hexVolume(GeometryAPI::instance()->newGeometry("", nullptr));
    zev::test::addVertices(*hexVolume.get(), corners);
    zev::test::addElements(*hexVolume.get(), 0, HEX, {{0, 1, 2, 3, 4, 5, 6, 7}});
    hexVolume->calculateFaces();
    GeometryAutoPtr hexFaces(hexVolume->clone(true, false));
    hexFaces->setDomain("D");

    const struct {
        const char* name;
        Geometry* surface;
    } surfaces[] = {
        {"tilted quad", quad.get()}, {"tilted triangle", tri.get()}, {"hexahedron", hexFaces.get()}};
    const struct {
        M method;
        const char* accuracy;
    } methods[] = {
        {SamplePointsGeometry::EquallySpaced, "High"}, {SamplePointsGeometry::EquallySpacedRandom, "Low"},
        {SamplePointsGeometry::Random, "High"},        {SamplePointsGeometry::RectangularGrid, "High"},
        {SamplePointsGeometry::Vertex, "High"},        {SamplePointsGeometry::FaceCenter, "High"},
        {SamplePointsGeometry::FreeEdge, "High"}};
    auto field = [](const Triplet& p_p) { return 1.0 + 2.0 * p_p[0] + 3.0 * p_p[1] + 4.0 * p_p[2]; };
    for (const auto& s : surfaces) {
        const TripletZEVVector& vertices = std::as_const(*s.surface).getVertices();
        std::vector<float> values;
        double largest = 0.0;
        for (const Triplet& v : vertices) {
            values.push_back(static_cast<float>(field(v)));
            largest = std::max(largest, std::fabs(field(v)));
        }
        ScalarVariable parent(values.data(), static_cast<int>(values.size()), eConservative, eVertex);
        for (const auto& m : methods) {
            SCOPED_TRACE(std::string(s.name) + ", method " + std::to_string(m.method));
            GeometryAutoPtr holder(newSampler());
            auto& sampler = dynamic_cast<SamplePointsGeometry&>(*holder.get());
            Call c;
            c.method = m.method;
            c.accuracy = m.accuracy;
            c.count = 60;
            c.first = 0.1f;
            c.force = true;
            c.domain = "D";
            const int n = sample(sampler, {s.surface}, c);
            if (m.method == SamplePointsGeometry::FreeEdge && s.surface == hexFaces.get()) {
                EXPECT_EQ(n, 0) << "a closed surface has no free edge";
                continue;
            }
            ASSERT_GT(n, 0);
            ASSERT_EQ(n, sampler.getNumVertices());
            const Interpolant* interpolant = sampler.getInterpolant();
            ASSERT_NE(interpolant, nullptr);
            FloatZEVVectorConcrete carried;
            interpolant->interpolate(
                std::vector<const ScalarVariable*>(interpolant->getDomains().size(), &parent), eConservative,
                carried);
            for (int i = 0; i < n; ++i) {
                const Triplet& p = sampler.getVertices()[static_cast<std::size_t>(i)];
                EXPECT_NEAR(carried[static_cast<std::size_t>(i)], field(p), 1e-5 * largest) << "point " << i;
            }
        }
    }
}

TEST(SamplePointsRandom, SeedsArePrivateAndRepeatable)
{
    GeometryAutoPtr patch(rectangle(0.0f, 2.0f, 1.0f, 8, 4));
    GeometryAutoPtr a(newSampler()), b(newSampler());
    auto& first = dynamic_cast<SamplePointsGeometry&>(*a.get());
    auto& second = dynamic_cast<SamplePointsGeometry&>(*b.get());
    Call c;
    c.count = 50;
    c.seed = 7;
    std::srand(99);
    const int expectedDraw = std::rand();
    std::srand(99);
    for (M m : {SamplePointsGeometry::Random, SamplePointsGeometry::EquallySpacedRandom}) {
        c.method = m;
        c.accuracy = "Low";
        c.force = true;
        sample(first, {patch.get()}, c);
        sample(second, {patch.get()}, c);
        EXPECT_EQ(points(first), points(second));
        c.seed = 8;
        sample(second, {patch.get()}, c);
        EXPECT_NE(points(first), points(second));
        c.seed = 7;
    }
    // The host's own random stream is neither reseeded nor advanced.
    EXPECT_EQ(std::rand(), expectedDraw);
}

TEST(SamplePointsRandom, FacesReceivePointsInProportionToTheirArea)
{
    // Strips of widths 1, 2, 3 and 4: a chi-square test over whole faces, 3 degrees of freedom.
    GeometryAutoPtr strips(
        surface({0, 0, 0, 1, 0, 0, 3, 0, 0, 6, 0, 0, 10, 0, 0, 0, 1, 0, 1, 1, 0, 3, 1, 0, 6, 1, 0, 10, 1, 0},
                {{0, 1, 6, 5}, {1, 2, 7, 6}, {2, 3, 8, 7}, {3, 4, 9, 8}}));
    GeometryAutoPtr s(newSampler());
    auto& sampler = dynamic_cast<SamplePointsGeometry&>(*s.get());
    Call c;
    c.count = 20000;
    c.seed = 3;
    // Every draw places a point: the intervals cover all of [0, 1].
    ASSERT_EQ(sample(sampler, {strips.get()}, c), 20000);
    double counts[4] = {0, 0, 0, 0};
    for (const Triplet& p : sampler.getVertices())
        counts[p[0] < 1.0f ? 0 : p[0] < 3.0f ? 1 : p[0] < 6.0f ? 2 : 3] += 1.0;
    double chi2 = 0.0;
    for (int k = 0; k < 4; ++k) {
        const double expected = 20000.0 * (k + 1) / 10.0;
        chi2 += (counts[k] - expected) * (counts[k] - expected) / expected;
    }
    EXPECT_LT(chi2, 16.27); // p = 0.001
}

TEST(SamplePointsDriver, UnchangedCallsKeepThePointsAndAnyChangeResamples)
{
    GeometryAutoPtr s(newSampler());
    auto& sampler = dynamic_cast<SamplePointsGeometry&>(*s.get());
    GeometryAutoPtr p1(rectangle(0.0f, 1.0f, 1.0f, 4, 4, "D")), p2(rectangle(2.0f, 1.0f, 1.0f, 4, 4, "D"));
    auto kept = [&](const std::vector<Geometry*>& p_parents, const Call& p_c) {
        mark(sampler);
        sample(sampler, p_parents, p_c);
        return sampler.hasVariable("marker", eVertex);
    };
    Call c;
    c.seed = 5;
    c.count = 20;
    c.domain = "D";
    const int n = sample(sampler, {p1.get(), p2.get()}, c);
    EXPECT_TRUE(kept({p1.get(), p2.get()}, c));
    EXPECT_EQ(sample(sampler, {p1.get(), p2.get()}, c), n);
    Call changed = c;
    changed.force = true;
    EXPECT_FALSE(kept({p1.get(), p2.get()}, changed));
    changed = c;
    changed.seed = 6;
    EXPECT_FALSE(kept({p1.get(), p2.get()}, changed));
    changed.seed = -1;
    EXPECT_FALSE(kept({p1.get(), p2.get()}, changed));
    EXPECT_FALSE(kept({p1.get(), p2.get()}, changed));
    // The normals request, a removed reduction, a removed parent and another domain all count.
    changed = c;
    sample(sampler, {p1.get(), p2.get()}, changed);
    changed.normals = true;
    EXPECT_FALSE(kept({p1.get(), p2.get()}, changed));
    ReductionUtility reduction;
    reduction.setReduction(0.5f);
    changed.reduction = &reduction;
    sample(sampler, {p1.get(), p2.get()}, changed);
    changed.reduction = nullptr;
    EXPECT_FALSE(kept({p1.get(), p2.get()}, changed));
    EXPECT_FALSE(kept({p1.get()}, changed));
    EXPECT_EQ(sampler.getParentList().size(), 1u);
    p2->setDomain("E");
    changed.domain = "E";
    EXPECT_FALSE(kept({p1.get(), p2.get()}, changed));
    EXPECT_EQ(sampler.getParentList(), std::vector<Geometry*>{p2.get()});
    // For the random equal-area method the seed alone changes nothing.
    changed = c;
    changed.domain = "";
    changed.method = SamplePointsGeometry::EquallySpacedRandom;
    sample(sampler, {p1.get()}, changed);
    changed.seed = 9;
    EXPECT_TRUE(kept({p1.get()}, changed));
    // All parents skipped: nothing changes.
    changed.domain = "nowhere";
    EXPECT_EQ(sample(sampler, {p1.get()}, changed), 0);
    EXPECT_TRUE(sampler.hasVariable("marker", eVertex));
    EXPECT_GT(sampler.getNumVertices(), 0);
}

TEST(SamplePointsDriver, FailuresAndTheirMessages)
{
    GeometryAutoPtr s(newSampler());
    auto& sampler = dynamic_cast<SamplePointsGeometry&>(*s.get());
    GeometryAutoPtr good(rectangle(0.0f, 1.0f, 1.0f, 2, 2));
    GeometryAutoPtr bare(GeometryAPI::instance()->newGeometry("", nullptr));
    test::addVertices(*bare.get(), {0, 0, 0, 1, 0, 0, 0, 1, 0});
    Call c;
    c.method = SamplePointsGeometry::InvalidMethod;
    expectError<internal::badParam>([&] { sample(sampler, {good.get()}, c); }, "SamplePointsGeometry",
                                    "doSampling", "Invalid/unsupported sample method.");
    c.method = SamplePointsGeometry::RectangularGrid;
    expectError<internal::error>(
        [&] {
            sample(sampler, {good.get(), bare.get()}, c);
        },
        "SPGeometryInternal", "doSampling", "Parent geometry does not contain face sets.");
    // The failed call is not taken for a finished one: the same call fails again.
    EXPECT_THROW(sample(sampler, {good.get(), bare.get()}, c), internal::error);
    c.method = SamplePointsGeometry::Vertex;
    EXPECT_EQ(sample(sampler, {bare.get()}, c), 3);
    EXPECT_EQ(sample(sampler, std::vector<Geometry*>{}, c), 0);

    GeometryAutoPtr line(surface({0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3}, {{0, 1, 2}}, TRI));
    line->setName("line");
    c.method = SamplePointsGeometry::RectangularGrid;
    expectError<internal::error>([&] { sample(sampler, {line.get()}, c); }, "SPGeometryInternal",
                                 "doRectGridSampling", "Cannot find normal for geometry 'line'.");

    SPGeometryInternal internal;
    expectError<internal::nullPointer>([&] { internal.cloneParentGeometry(false); }, "SPGeometryInternal",
                                       "cloneParentGeometry", "Invalid pointer for parent geometry.");
    expectError<internal::error>([&] { internal.createEdgeFaceListMap(false); }, "SPGeometryInternal",
                                 "createEdgeFaceListMap", "Geometry '' does not contain faces.");
}

TEST(SamplePointsDriver, NormalsAndGridPointsFollowTheirParents)
{
    GeometryAutoPtr s(newSampler());
    auto& sampler = dynamic_cast<SamplePointsGeometry&>(*s.get());
    GeometryAutoPtr square(rectangle(0.0f, 1.0f, 1.0f, 1, 1, "X"));
    GeometryAutoPtr other(rectangle(5.0f, 1.0f, 1.0f, 1, 1, "Y"));
    Call c;
    c.method = SamplePointsGeometry::RectangularGrid;
    c.normals = true;
    EXPECT_EQ(sample(sampler, {square.get()}, c), 25);
    ASSERT_EQ(sampler.getVertexNormals().size(), 25u);
    EXPECT_EQ(sampler.getVertexNormals()[7], Triplet(0.0f, 0.0f, 1.0f));
    // A new sampling drops the old normals, whatever their length.
    c.method = SamplePointsGeometry::Vertex;
    EXPECT_EQ(sample(sampler, {square.get()}, c), 4);
    EXPECT_EQ(sampler.getVertexNormals().size(), 4u);

    // The parent skipped by its domain does not pass its grid point on to the next parent.
    c.method = SamplePointsGeometry::RectangularGrid;
    c.normals = false;
    c.domain = "X";
    c.first = 0.5f;
    c.second = 2.0f;
    GeometryAutoPtr again(rectangle(0.0f, 1.0f, 1.0f, 1, 1, "X"));
    EXPECT_EQ(sample(sampler, {other.get(), again.get()}, c,
                     {Triplet(5.1f, 0.1f, 0.0f), Triplet(0.25f, 0.25f, 0.0f)}),
              2);
    EXPECT_NEAR(sampler.getVertices()[0][0], 0.25f, 1e-6);
}

namespace {

// A host that builds the interpolant of sample points over externally interpolated parents.
class ExternalHost : public test::TestHost {
public:
    Interpolant* createExternalInterpolant(const TripletZEVVector& p_points,
                                           const std::vector<std::string>& p_domains, bool p_flag) override
    {
        points = p_points.size();
        domains = p_domains;
        flag = p_flag;
        return new HybridInterpolant("made by the host");
    }
    std::size_t points = 0;
    std::vector<std::string> domains;
    bool flag = true;
};

} // namespace

TEST(SamplePointsDriver, ExternallyInterpolatedParentsGetTheHostsInterpolant)
{
    ExternalHost host;
    test::HostScope scope(&host);
    GeometryAutoPtr s(newSampler());
    auto& sampler = dynamic_cast<SamplePointsGeometry&>(*s.get());
    GeometryAutoPtr parent(rectangle(0.0f, 1.0f, 1.0f, 2, 2));
    auto* external = new ExternalInterpolant();
    external->setDomains({"Wing", "Body"});
    parent->setInterpolant(external);
    Call c;
    c.method = SamplePointsGeometry::FaceCenter;
    EXPECT_EQ(sample(sampler, {parent.get()}, c), 4);
    EXPECT_EQ(host.points, 4u);
    EXPECT_EQ(host.domains, (std::vector<std::string>{"Body", "Wing"}));
    EXPECT_FALSE(host.flag);
    ASSERT_NE(sampler.getInterpolant(), nullptr);
    EXPECT_EQ(sampler.getInterpolant()->getDomains(), std::vector<std::string>{"made by the host"});
}
