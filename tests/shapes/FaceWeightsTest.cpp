#include "zev/shapes/Hex.h"
#include "zev/shapes/Hexagon.h"
#include "zev/shapes/Pentagon.h"
#include "zev/shapes/Polygon.h"
#include "zev/shapes/Quad.h"
#include "zev/shapes/Tri.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <numeric>
#include <random>
#include <vector>

using namespace zev;

namespace {

TripletZEVVector points(std::initializer_list<Triplet> p_points)
{
    TripletZEVVector v;
    for (const Triplet& p : p_points)
        v.push_back(p);
    return v;
}

template <class T> T identityShape(int p_n)
{
    T shape;
    shape.setNumVertices(p_n);
    for (int i = 0; i < p_n; ++i)
        shape[i] = i;
    return shape;
}

TripletZEVVector unitSquare()
{
    return points({Triplet(0, 0, 0), Triplet(1, 0, 0), Triplet(1, 1, 0), Triplet(0, 1, 0)});
}

// The corners of a regular n-gon of radius 1 about (1, 2, 3) in the plane z = 3.
TripletZEVVector regularPolygon(int p_n)
{
    TripletZEVVector v;
    for (int k = 0; k < p_n; ++k) {
        const double a = 2.0 * M_PI * k / p_n;
        v.push_back(Triplet(static_cast<float>(1 + std::cos(a)), static_cast<float>(2 + std::sin(a)), 3.0f));
    }
    return v;
}

void expectWeights(const std::vector<float>& p_actual, const std::vector<float>& p_expected, float p_tol)
{
    ASSERT_EQ(p_actual.size(), p_expected.size());
    for (std::size_t i = 0; i < p_actual.size(); ++i)
        EXPECT_NEAR(p_actual[i], p_expected[i], p_tol) << "weight " << i;
}

// Sets ZEV_USE_IMPROVED_WEIGHTS for one scope and makes the process-wide switch read it;
// the switch is read again, unset, on the way out.
class ImprovedWeights {
public:
    ImprovedWeights()
    {
        ::setenv("ZEV_USE_IMPROVED_WEIGHTS", "1", 1);
        Tri::useImprovedWeights().checkEnv();
    }
    ~ImprovedWeights()
    {
        ::unsetenv("ZEV_USE_IMPROVED_WEIGHTS");
        Tri::useImprovedWeights().checkEnv();
    }
    ImprovedWeights(const ImprovedWeights&) = delete;
    ImprovedWeights& operator=(const ImprovedWeights&) = delete;
};

} // namespace

TEST(FaceWeights, InverseDistanceOverEveryFaceClass)
{
    const TripletZEVVector square = unitSquare();
    Quad quad = identityShape<Quad>(4);
    std::vector<float> w(10, 5.0f);
    EXPECT_TRUE(quad.constructWeights(Triplet(0.25f, 0, 0), square, w));
    expectWeights(w, {0.82649092f, 0.09183232f, 0.03305964f, 0.04861711f}, 1e-6f);

    // On a corner the raw weight is capped at 1e10, so the corner takes practically all.
    EXPECT_TRUE(quad.constructWeights(Triplet(1, 1, 0), square, w));
    expectWeights(w, {0, 0, 1, 0}, 1e-9f);
    EXPECT_GT(w[0], 0.0f);

    const TripletZEVVector tri = points({Triplet(0, 0, 0), Triplet(2, 0, 0), Triplet(0, 2, 0)});
    EXPECT_TRUE(identityShape<Tri>(3).constructWeights(Triplet(0, 2, 0), tri, w));
    expectWeights(w, {0, 0, 1}, 1e-9f);

    // The centre of a regular polygon is equally far from every corner.
    for (int n : {5, 6, 7}) {
        SCOPED_TRACE(n);
        const TripletZEVVector v = regularPolygon(n);
        const Triplet centre(1, 2, 3);
        std::vector<float> expected(static_cast<std::size_t>(n), 1.0f / static_cast<float>(n));
        if (n == 5) {
            EXPECT_TRUE(identityShape<Pentagon>(5).constructWeights(centre, v, w));
            expectWeights(w, expected, 1e-6f);
        }
        if (n == 6) {
            EXPECT_TRUE(identityShape<Hexagon>(6).constructWeights(centre, v, w));
            expectWeights(w, expected, 1e-6f);
        }
        EXPECT_TRUE(identityShape<Polygon>(n).constructWeights(centre, v, w));
        expectWeights(w, expected, 1e-6f);
    }

    // A polygon without corners has nothing to weight.
    const Polygon empty;
    EXPECT_FALSE(empty.constructWeights(Triplet(0, 0, 0), square, w));
    EXPECT_TRUE(w.empty());
}

TEST(FaceWeights, DefaultBilinearWarnsAndFallsBack)
{
    const std::string warning = "Shape::constructBilinearWeights() - Bilinear Weight calculation is not\n"
                                "      available for all Shape types.  Using regular weight calculation.\n";
    const TripletZEVVector pentagon = regularPolygon(5);
    const Pentagon face = identityShape<Pentagon>(5);
    std::vector<float> plain;
    face.constructWeights(Triplet(1.2f, 2.1f, 3), pentagon, plain);
    std::vector<float> w;
    testing::internal::CaptureStdout();
    EXPECT_TRUE(face.constructBilinearWeights(Triplet(1.2f, 2.1f, 3), pentagon, w));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), warning);
    EXPECT_EQ(w, plain);

    // Elements fall back the same way, including the answer of their inside test.
    TripletZEVVector cube;
    for (int i = 0; i < 8; ++i)
        cube.push_back(
            Triplet(static_cast<float>(i % 2), static_cast<float>((i / 2) % 2), static_cast<float>(i / 4)));
    Hex hex;
    for (int i = 0; i < 8; ++i)
        hex[i] = i;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(hex.constructBilinearWeights(Triplet(2, 0.5f, 0.5f), cube, w));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), warning);
    EXPECT_EQ(w.size(), 8u);

    // The pointer form of a polygon refuses without touching the buffer.
    float buffer[3] = {7, 7, 7};
    EXPECT_FALSE(identityShape<Polygon>(3).constructBilinearWeights(0.1f, 0.1f, 0, pentagon, buffer));
    EXPECT_EQ(buffer[0], 7.0f);
    EXPECT_EQ(buffer[2], 7.0f);
}

TEST(FaceWeights, TriangleAreaRatios)
{
    const TripletZEVVector v = points({Triplet(0, 0, 0), Triplet(1, 0, 0), Triplet(0, 1, 0)});
    const Tri tri = identityShape<Tri>(3);
    std::vector<float> w(3, 9.0f);
    EXPECT_TRUE(tri.constructBilinearWeights(Triplet(0.25f, 0.25f, 0), v, w));
    expectWeights(w, {0.5f, 0.25f, 0.25f}, 1e-6f);

    EXPECT_FALSE(tri.constructBilinearWeights(Triplet(2, 2, 0), v, w));
    EXPECT_FLOAT_EQ(w[0], 3.0f);
    // The sub-areas are unsigned: a point just past the long edge is not noticed.
    EXPECT_TRUE(tri.constructBilinearWeights(Triplet(0.6f, 0.6f, 0), v, w));
    expectWeights(w, {0.2f, 0.6f, 0.6f}, 1e-6f);

    // The vector is written, not resized: extra entries stay, a short one is grown.
    std::vector<float> longer(5, 9.0f);
    EXPECT_TRUE(tri.constructBilinearWeights(Triplet(0, 0, 0), v, longer));
    expectWeights(longer, {1, 0, 0, 9, 9}, 1e-6f);
    std::vector<float> shorter;
    EXPECT_TRUE(tri.constructBilinearWeights(Triplet(0, 0, 0), v, shorter));
    expectWeights(shorter, {1, 0, 0}, 1e-6f);

    // A tiny triangle (area 1e-8) is refused by default and weighted with the improved switch.
    const TripletZEVVector tiny = points({Triplet(0, 0, 0), Triplet(1e-4f, 0, 0), Triplet(0, 2e-4f, 0)});
    const Triplet inside(2.5e-5f, 5e-5f, 0);
    std::vector<float> kept(3, 9.0f);
    EXPECT_FALSE(tri.constructBilinearWeights(inside, tiny, kept));
    expectWeights(kept, {9, 9, 9}, 0.0f);
    // Twice the area is exactly the float nearest 1e-6, which lies below 1e-6.
    const TripletZEVVector edge = points({Triplet(0, 0, 0), Triplet(1, 0, 0), Triplet(0, 1e-6f, 0)});
    EXPECT_FALSE(tri.constructBilinearWeights(Triplet(0.25f, 2.5e-7f, 0), edge, kept));
    expectWeights(kept, {9, 9, 9}, 0.0f);

    const TripletZEVVector collinear = points({Triplet(0, 0, 0), Triplet(1, 0, 0), Triplet(2, 0, 0)});
    {
        ImprovedWeights improved;
        EXPECT_TRUE(tri.constructBilinearWeights(inside, tiny, kept));
        expectWeights(kept, {0.5f, 0.25f, 0.25f}, 1e-5f);
        kept.assign(3, 9.0f);
        EXPECT_FALSE(tri.constructBilinearWeights(Triplet(1, 0, 0), collinear, kept));
        expectWeights(kept, {9, 9, 9}, 0.0f);
    }
    EXPECT_FALSE(tri.constructBilinearWeights(inside, tiny, kept));
}

TEST(FaceWeights, QuadInvertsItsBilinearMap)
{
    const TripletZEVVector square = unitSquare();
    const Quad quad = identityShape<Quad>(4);
    std::vector<float> w(4);
    EXPECT_TRUE(quad.constructBilinearWeights(Triplet(0.5f, 0.5f, 0), square, w));
    expectWeights(w, {0.25f, 0.25f, 0.25f, 0.25f}, 1e-6f);
    EXPECT_FALSE(quad.constructBilinearWeights(Triplet(2, 0.5f, 0), square, w));
    // Reference corner 1 sits at eta = 1, along the face's first edge.
    EXPECT_TRUE(quad.constructBilinearWeights(Triplet(0.75f, 0.0f, 0), square, w));
    expectWeights(w, {0.25f, 0.75f, 0, 0}, 1e-6f);

    // A flat, skewed trapezoid turned out of the coordinate planes: points placed by the
    // bilinear map from known reference coordinates are recovered, and points off the
    // face's reference square are refused.
    auto place = [](double x, double y) {
        return Triplet(static_cast<float>(0.8 * x - 0.3 * y + 1.0),
                       static_cast<float>(0.2 * x + 0.7 * y - 2.0),
                       static_cast<float>(0.5 * x + 0.6 * y + 0.25));
    };
    const TripletZEVVector v = points({place(0, 0), place(2.0, 0.1), place(1.6, 1.3), place(0.2, 0.9)});
    auto bilinear = [](double xi, double eta) {
        return std::vector<double>{(1 - xi) * (1 - eta) / 4, (1 - xi) * (1 + eta) / 4,
                                   (1 + xi) * (1 + eta) / 4, (1 + xi) * (1 - eta) / 4};
    };
    auto pointAt = [&](const std::vector<double>& n) {
        double x[3] = {0, 0, 0};
        for (std::size_t k = 0; k < 4; ++k)
            for (int c = 0; c < 3; ++c)
                x[c] += n[k] * v[k][c];
        return Triplet(static_cast<float>(x[0]), static_cast<float>(x[1]), static_cast<float>(x[2]));
    };
    std::mt19937 generator(7u);
    std::uniform_real_distribution<double> inner(-0.98, 0.98);
    for (int trial = 0; trial < 100; ++trial) {
        const double xi = inner(generator);
        const double eta = inner(generator);
        SCOPED_TRACE(testing::Message() << "xi, eta = " << xi << ", " << eta);
        const std::vector<double> expected = bilinear(xi, eta);
        ASSERT_TRUE(quad.constructBilinearWeights(pointAt(expected), v, w));
        for (std::size_t k = 0; k < 4; ++k)
            EXPECT_NEAR(w[k], expected[k], 1e-5) << "weight " << k;
    }
    EXPECT_FALSE(quad.constructBilinearWeights(pointAt(bilinear(1.3, 0.2)), v, w));
    EXPECT_FALSE(quad.constructBilinearWeights(pointAt(bilinear(0.1, -1.2)), v, w));

    // A quadrilateral collapsed onto a point gives no usable weights and says so.
    const TripletZEVVector collapsed =
        points({Triplet(1, 1, 1), Triplet(1, 1, 1), Triplet(1, 1, 1), Triplet(1, 1, 1)});
    EXPECT_FALSE(quad.constructBilinearWeights(Triplet(1, 1, 1), collapsed, w));
}
