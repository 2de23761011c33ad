#include "tests/support/MeshBuilders.h"
#include "zev/shapes/Hex.h"
#include "zev/shapes/Pyramid.h"
#include "zev/shapes/Tet.h"
#include "zev/shapes/Wedge.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <numeric>
#include <random>
#include <string>
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

template <class T> T identityShape()
{
    T shape;
    for (int i = 0; i < T::m_numVerts; ++i)
        shape[i] = i;
    return shape;
}

float sum(const std::vector<float>& p_w)
{
    return std::accumulate(p_w.begin(), p_w.end(), 0.0f);
}

// Trilinear weights of the unit cube at (s, t, u), written out corner by corner.
std::vector<float> cubeWeights(float s, float t, float u)
{
    return {(1 - s) * (1 - t) * (1 - u), s * (1 - t) * (1 - u), (1 - s) * t * (1 - u), s * t * (1 - u),
            (1 - s) * (1 - t) * u,       s * (1 - t) * u,       (1 - s) * t * u,       s * t * u};
}

void expectWeights(const std::vector<float>& p_actual, const std::vector<float>& p_expected, float p_tol)
{
    ASSERT_EQ(p_actual.size(), p_expected.size());
    for (std::size_t i = 0; i < p_actual.size(); ++i)
        EXPECT_NEAR(p_actual[i], p_expected[i], p_tol) << "weight " << i;
}

// Opens the protected range snapping to the test.
struct SnappingTet : Tet {
    using Shape::checkSTURanges;
};

} // namespace

TEST(ElementWeights, RangeSnappingIsTolerantAndInPlace)
{
    struct Row {
        float s, t, u;
        float es, et, eu;
        bool ok;
    };
    const Row rows[] = {
        {-0.005f, 1.009f, 0.5f, 0.0f, 1.0f, 0.5f, true},
        {0.0f, 1.0f, 0.25f, 0.0f, 1.0f, 0.25f, true},
        {-0.02f, 0.5f, 0.5f, -0.02f, 0.5f, 0.5f, false},
        // The float nearest -0.01 lies just inside the band (-0.01, 0).
        {-0.01f, 0.5f, 0.5f, 0.0f, 0.5f, 0.5f, true},
        {0.5f, 1.02f, 0.5f, 0.5f, 1.02f, 0.5f, false},
        // Snapping still happens when another coordinate is out of range.
        {-0.005f, 0.5f, 1.3f, 0.0f, 0.5f, 1.3f, false},
        {0.5f, 1.005f, -0.5f, 0.5f, 1.0f, -0.5f, false},
        // No sum condition: a corner of the cube is fine for the tetrahedron too.
        {1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, true},
    };
    const SnappingTet tet;
    for (const Row& r : rows) {
        float s = r.s, t = r.t, u = r.u;
        EXPECT_EQ(tet.checkSTURanges(s, t, u), r.ok) << r.s << " " << r.t << " " << r.u;
        EXPECT_EQ(s, r.es);
        EXPECT_EQ(t, r.et);
        EXPECT_EQ(u, r.eu);
    }
}

TEST(ElementWeights, UnitCubeHexSolvesSnapsAndRejects)
{
    const TripletZEVVector v = test::unitCubeVertices();
    const Hex hex = identityShape<Hex>();
    std::vector<float> w{9.0f};

    EXPECT_TRUE(hex.constructWeights(Triplet(0.25f, 0.5f, 0.75f), v, w));
    expectWeights(w, cubeWeights(0.25f, 0.5f, 0.75f), 1e-4f);
    EXPECT_NEAR(sum(w), 1.0f, 1e-6f);

    // Just outside a face: s snaps onto it.
    EXPECT_TRUE(hex.constructWeights(Triplet(1.005f, 0.5f, 0.5f), v, w));
    expectWeights(w, cubeWeights(1.0f, 0.5f, 0.5f), 1e-5f);

    // Further out: refused, with the weights of the unsnapped coordinate.
    EXPECT_FALSE(hex.constructWeights(Triplet(1.02f, 0.5f, 0.5f), v, w));
    expectWeights(w, cubeWeights(1.02f, 0.5f, 0.5f), 1e-5f);
    EXPECT_NEAR(w[0], -0.005f, 1e-6f);

    // Corners get all the weight.
    EXPECT_TRUE(hex.constructWeights(Triplet(1, 1, 0), v, w));
    expectWeights(w, cubeWeights(1, 1, 0), 1e-5f);
}

TEST(ElementWeights, FailedSolvesGiveCentreWeights)
{
    // A hex squashed flat into z = 0 has no Jacobian; a pyramid and a wedge likewise.
    TripletZEVVector flat = test::unitCubeVertices();
    for (Triplet& p : flat)
        p[2] = 0.0f;
    std::vector<float> w;
    EXPECT_FALSE(identityShape<Hex>().constructWeights(Triplet(0.5f, 0.5f, 0.3f), flat, w));
    expectWeights(w, std::vector<float>(8, 0.125f), 0.0f);

    EXPECT_FALSE(identityShape<Wedge>().constructWeights(Triplet(0.2f, 0.2f, 0.3f), flat, w));
    expectWeights(w, {0.0f, 0.25f, 0.25f, 0.0f, 0.25f, 0.25f}, 0.0f);

    const TripletZEVVector coincident =
        points({Triplet(2, 2, 2), Triplet(2, 2, 2), Triplet(2, 2, 2), Triplet(2, 2, 2), Triplet(2, 2, 2)});
    EXPECT_FALSE(identityShape<Pyramid>().constructWeights(Triplet(2, 2, 2.5f), coincident, w));
    expectWeights(w, {0.125f, 0.125f, 0.125f, 0.125f, 0.5f}, 0.0f);
}

TEST(ElementWeights, TetrahedronChecksRangesButNotTheirSum)
{
    TripletZEVVector v;
    v.push_back(Triplet(0, 0, 0));
    v.push_back(Triplet(1, 0, 0));
    v.push_back(Triplet(0, 1, 0));
    v.push_back(Triplet(0, 0, 1));
    const Tet tet = identityShape<Tet>();
    std::vector<float> w;

    EXPECT_TRUE(tet.constructWeights(Triplet(0.6f, 0.6f, 0.1f), v, w));
    expectWeights(w, {-0.3f, 0.6f, 0.6f, 0.1f}, 1e-6f);

    EXPECT_TRUE(tet.constructWeights(Triplet(0.1f, 0.2f, 0.3f), v, w));
    expectWeights(w, {0.4f, 0.1f, 0.2f, 0.3f}, 1e-6f);

    EXPECT_FALSE(tet.constructWeights(Triplet(0.5f, -0.2f, 0.1f), v, w));
    expectWeights(w, {0.6f, 0.5f, -0.2f, 0.1f}, 1e-6f);

    // A flat tetrahedron cannot place any point and says so.
    TripletZEVVector flat = v;
    flat[3] = Triplet(1, 1, 0);
    EXPECT_FALSE(tet.constructWeights(Triplet(0.2f, 0.2f, 0.0f), flat, w));
    EXPECT_EQ(w.size(), 4u);
}

TEST(ElementWeights, InsideTestAgainstFacePlanes)
{
    const TripletZEVVector cube = test::unitCubeVertices();
    const Hex hex = identityShape<Hex>();
    EXPECT_TRUE(hex.isInside(Triplet(0.5f, 0.5f, 0.5f), cube));
    EXPECT_TRUE(hex.isInside(Triplet(1.0f, 0.3f, 0.6f), cube)) << "on a face plane";
    EXPECT_TRUE(hex.isInside(Triplet(0, 0, 0), cube)) << "a corner";
    EXPECT_FALSE(hex.isInside(Triplet(1.000001f, 0.5f, 0.5f), cube)) << "outside the extents";

    TripletZEVVector v;
    v.push_back(Triplet(0, 0, 0));
    v.push_back(Triplet(1, 0, 0));
    v.push_back(Triplet(0, 1, 0));
    v.push_back(Triplet(0, 0, 1));
    const Tet tet = identityShape<Tet>();
    EXPECT_TRUE(tet.isInside(Triplet(0.2f, 0.2f, 0.2f), v));
    // Within the box but beyond the slanted face.
    EXPECT_FALSE(tet.isInside(Triplet(0.4f, 0.4f, 0.4f), v));

    // A pyramid of unit base and height 1: within the box, beyond a side face near the apex.
    TripletZEVVector p;
    p.push_back(Triplet(0, 0, 0));
    p.push_back(Triplet(1, 0, 0));
    p.push_back(Triplet(1, 1, 0));
    p.push_back(Triplet(0, 1, 0));
    p.push_back(Triplet(0.5f, 0.5f, 1));
    const Pyramid pyramid = identityShape<Pyramid>();
    EXPECT_TRUE(pyramid.isInside(Triplet(0.5f, 0.5f, 0.5f), p));
    EXPECT_FALSE(pyramid.isInside(Triplet(0.9f, 0.5f, 0.8f), p));

    // A quadrilateral face passes when two of its four corner planes agree: warp the top face
    // of the cube by lifting one corner, and a point just above the flat part of the face near
    // the lifted corner still counts as inside.
    TripletZEVVector warped = cube;
    warped[7] = Triplet(1, 1, 1.2f);
    EXPECT_TRUE(hex.isInside(Triplet(0.9f, 0.9f, 1.05f), warped));
    EXPECT_FALSE(hex.isInside(Triplet(0.1f, 0.1f, 1.05f), warped));
}

namespace {

// One element type with its own reference map, for the property test.
struct ElementCase {
    std::string name;
    std::unique_ptr<Element> element;
    TripletZEVVector corners;
    // Shape-function values at (s, t, u), per the reference numbering of the type.
    std::function<std::vector<double>(double, double, double)> basis;
    // Draws a parametric point strictly inside the reference shape.
    std::function<void(std::mt19937&, double&, double&, double&)> draw;
};

// A rotation and shear followed by a shift, so no element is axis aligned.
Triplet skew(double x, double y, double z)
{
    return Triplet(static_cast<float>(1.2 * x + 0.3 * y - 0.2 * z + 4.0),
                   static_cast<float>(-0.4 * x + 0.9 * y + 0.25 * z - 2.0),
                   static_cast<float>(0.1 * x - 0.2 * y + 1.1 * z + 0.5));
}

std::vector<ElementCase> elementCases()
{
    std::vector<ElementCase> cases;
    auto uniform = [](std::mt19937& g, double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(g);
    };

    {
        ElementCase c;
        c.name = "Tet";
        c.element = std::make_unique<Tet>(identityShape<Tet>());
        c.corners = points({skew(0, 0, 0), skew(1.1, 0.1, 0), skew(0.2, 0.9, 0.1), skew(0.1, 0.2, 1.3)});
        c.basis = [](double s, double t, double u) { return std::vector<double>{1 - s - t - u, s, t, u}; };
        c.draw = [uniform](std::mt19937& g, double& s, double& t, double& u) {
            do {
                s = uniform(g, 0.02, 0.9);
                t = uniform(g, 0.02, 0.9);
                u = uniform(g, 0.02, 0.9);
            } while (s + t + u > 0.95);
        };
        cases.push_back(std::move(c));
    }
    {
        ElementCase c;
        c.name = "Pyramid";
        c.element = std::make_unique<Pyramid>(identityShape<Pyramid>());
        c.corners = points({skew(0, 0, 0), skew(1.2, 0.1, 0.05), skew(1.0, 0.9, -0.1), skew(-0.1, 1.1, 0.0),
                            skew(0.6, 0.4, 1.2)});
        c.basis = [](double s, double t, double u) {
            return std::vector<double>{(1 - s) * (1 - t) * (1 - u), s * (1 - t) * (1 - u), s * t * (1 - u),
                                       (1 - s) * t * (1 - u), u};
        };
        c.draw = [uniform](std::mt19937& g, double& s, double& t, double& u) {
            s = uniform(g, 0.02, 0.98);
            t = uniform(g, 0.02, 0.98);
            u = uniform(g, 0.02, 0.8);
        };
        cases.push_back(std::move(c));
    }
    {
        ElementCase c;
        c.name = "Wedge";
        c.element = std::make_unique<Wedge>(identityShape<Wedge>());
        c.corners = points({skew(0, 0, 0), skew(1.1, 0.0, 0.1), skew(0.1, 0.9, -0.1), skew(0.1, 0, 1),
                            skew(1.3, 0.2, 1.2), skew(0.0, 1.1, 0.9)});
        c.basis = [](double s, double t, double u) {
            return std::vector<double>{(1 - s - t) * (1 - u), s * (1 - u), t * (1 - u),
                                       (1 - s - t) * u,       s * u,       t * u};
        };
        c.draw = [uniform](std::mt19937& g, double& s, double& t, double& u) {
            do {
                s = uniform(g, 0.02, 0.95);
                t = uniform(g, 0.02, 0.95);
            } while (s + t > 0.97);
            u = uniform(g, 0.02, 0.98);
        };
        cases.push_back(std::move(c));
    }
    {
        ElementCase c;
        c.name = "Hex";
        c.element = std::make_unique<Hex>(identityShape<Hex>());
        c.corners =
            points({skew(0, 0, 0), skew(1.1, 0.1, 0), skew(-0.1, 1.0, 0.1), skew(1.2, 1.2, -0.1),
                    skew(0.1, -0.1, 1.0), skew(0.9, 0.0, 1.2), skew(0.0, 1.1, 0.9), skew(1.3, 0.9, 1.1)});
        c.basis = [](double s, double t, double u) {
            std::vector<double> w(8);
            for (int i = 0; i < 8; ++i)
                w[static_cast<std::size_t>(i)] =
                    ((i & 1) ? s : 1 - s) * ((i & 2) ? t : 1 - t) * ((i & 4) ? u : 1 - u);
            return w;
        };
        c.draw = [uniform](std::mt19937& g, double& s, double& t, double& u) {
            s = uniform(g, 0.02, 0.98);
            t = uniform(g, 0.02, 0.98);
            u = uniform(g, 0.02, 0.98);
        };
        cases.push_back(std::move(c));
    }
    return cases;
}

} // namespace

// Places points by each element's own map from known parametric coordinates, then asks the
// element for weights. A wrong shape function or Jacobian shows as weights that do not match
// the coordinates, that fail to reproduce a linear field, or as a solver that does not
// converge. The closed-form tetrahedron is exact to rounding; the Newton solvers stop once
// the position is within 0.0001 of the element's size, which bounds how closely the weights
// can reproduce the field.
TEST(ElementWeights, SkewedElementsRecoverPlacedPoints)
{
    const double gradient[3] = {3.0, -2.0, 0.5};
    auto field = [&](const Triplet& p) {
        return gradient[0] * p[0] + gradient[1] * p[1] + gradient[2] * p[2] + 7.0;
    };
    std::mt19937 generator(20240611u);
    for (ElementCase& c : elementCases()) {
        SCOPED_TRACE(c.name);
        const Element& element = *c.element;
        ASSERT_GT(element.getSimpleVolume(c.corners), 0.0f) << "the fixture must be a valid element";
        Triplet lo, hi;
        element.calcExtents(c.corners, lo, hi);
        const Triplet side = hi - lo;
        const double size = std::max({side[0], side[1], side[2]});
        const bool closedForm = c.name == "Tet";
        // The solver's position tolerance carried through the field's gradient.
        const double fieldTol =
            closedForm
                ? 1e-5
                : 1e-4 * size * (std::fabs(gradient[0]) + std::fabs(gradient[1]) + std::fabs(gradient[2]));
        const double weightTol = closedForm ? 1e-5 : 1e-3;

        for (int trial = 0; trial < 200; ++trial) {
            double s, t, u;
            c.draw(generator, s, t, u);
            const std::vector<double> expected = c.basis(s, t, u);
            double x[3] = {0, 0, 0};
            for (std::size_t i = 0; i < expected.size(); ++i)
                for (int k = 0; k < 3; ++k)
                    x[k] += expected[i] * c.corners[i][k];
            const Triplet point(static_cast<float>(x[0]), static_cast<float>(x[1]), static_cast<float>(x[2]));
            SCOPED_TRACE(testing::Message() << "s, t, u = " << s << ", " << t << ", " << u);

            std::vector<float> w;
            ASSERT_TRUE(element.constructWeights(point, c.corners, w));
            ASSERT_EQ(w.size(), expected.size());
            EXPECT_NEAR(sum(w), 1.0f, 1e-5f);
            double interpolated = 0.0;
            for (std::size_t i = 0; i < w.size(); ++i) {
                interpolated += w[i] * field(c.corners[i]);
                EXPECT_NEAR(w[i], expected[i], weightTol) << "weight " << i;
            }
            EXPECT_NEAR(interpolated, field(point), fieldTol);
            EXPECT_TRUE(element.isInside(point, c.corners));
        }

        // A point well beyond the element is refused by both tests.
        const Triplet centre = element.calcCentroid(c.corners);
        const Triplet far = centre + (c.corners[1] - centre) * 1.5f;
        std::vector<float> w;
        EXPECT_FALSE(element.constructWeights(far, c.corners, w));
        EXPECT_FALSE(element.isInside(far, c.corners));
    }
}
