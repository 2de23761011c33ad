#include "zev/shapes/GeometryUtilities.h"

#include <gtest/gtest.h>

using zev::GeometryUtilities;
using zev::Triplet;

TEST(GeometryUtilities, FaceSetName)
{
    EXPECT_EQ(GeometryUtilities::getFaceSetName("inlet", "QUAD"), "inlet-QUAD");
    EXPECT_EQ(GeometryUtilities::getFaceSetName("", ""), "-");
}

TEST(GeometryUtilities, AreSameSide)
{
    const Triplet a(0, 0, 0), b(1, 0, 0), c(0, 1, 0);
    EXPECT_TRUE(GeometryUtilities::areSameSide(a, b, c, Triplet(0.2f, 0.3f, 1), Triplet(5, -3, 0.5f)));
    EXPECT_FALSE(GeometryUtilities::areSameSide(a, b, c, Triplet(0.2f, 0.3f, 1), Triplet(0.2f, 0.3f, -1)));
    // The plane's orientation does not matter.
    EXPECT_FALSE(GeometryUtilities::areSameSide(a, c, b, Triplet(0.2f, 0.3f, 1), Triplet(0.2f, 0.3f, -1)));
    // A point on the plane is on the same side as anything.
    EXPECT_TRUE(GeometryUtilities::areSameSide(a, b, c, Triplet(0, 0, 1), Triplet(4, 4, 0)));
    EXPECT_TRUE(GeometryUtilities::areSameSide(a, b, c, Triplet(4, 4, 0), Triplet(0, 0, -1)));
    // q within 1% of p's distance counts as on the plane, just beyond it does not.
    EXPECT_TRUE(GeometryUtilities::areSameSide(a, b, c, Triplet(0, 0, 10), Triplet(0, 0, -0.09f)));
    EXPECT_FALSE(GeometryUtilities::areSameSide(a, b, c, Triplet(0, 0, 10), Triplet(0, 0, -0.11f)));
    // Collinear points span no plane.
    EXPECT_TRUE(GeometryUtilities::areSameSide(a, b, Triplet(2, 0, 0), Triplet(0, 0, 1), Triplet(0, 0, -1)));
    // A plane not through the origin (z = 2).
    const Triplet a2(0, 0, 2), b2(1, 0, 2), c2(0, 1, 2);
    EXPECT_FALSE(GeometryUtilities::areSameSide(a2, b2, c2, Triplet(0, 0, 1), Triplet(0, 0, 3)));
    EXPECT_TRUE(GeometryUtilities::areSameSide(a2, b2, c2, Triplet(0, 0, 1), Triplet(9, 9, 1.5f)));
}

TEST(GeometryUtilities, AreaWeighedFaceCentroid)
{
    auto centroid = [](std::vector<Triplet> p) { return GeometryUtilities::areaWeighedFaceCentroid(p); };
    EXPECT_EQ(centroid({}), Triplet(0, 0, 0));
    EXPECT_EQ(centroid({Triplet(0, 0, 0), Triplet(3, 0, 0), Triplet(0, 3, 3)}), Triplet(1, 1, 1));

    const Triplet sq = centroid({Triplet(0, 0, 0), Triplet(1, 0, 0), Triplet(1, 1, 0), Triplet(0, 1, 0)});
    EXPECT_FLOAT_EQ(sq[0], 0.5f);
    EXPECT_FLOAT_EQ(sq[1], 0.5f);
    EXPECT_FLOAT_EQ(sq[2], 0.0f);

    // An L-shaped hexagon: the area centroid differs from the vertex mean. Two unit squares
    // side by side plus one on top of the left one: area 3, centroid (5/6, 5/6).
    const Triplet l = centroid({Triplet(0, 0, 0), Triplet(2, 0, 0), Triplet(2, 1, 0), Triplet(1, 1, 0),
                                Triplet(1, 2, 0), Triplet(0, 2, 0)});
    EXPECT_NEAR(l[0], 5.0f / 6.0f, 1e-6);
    EXPECT_NEAR(l[1], 5.0f / 6.0f, 1e-6);

    // Four collinear points have no area: their mean.
    EXPECT_EQ(centroid({Triplet(0, 0, 0), Triplet(1, 0, 0), Triplet(2, 0, 0), Triplet(3, 0, 0)}),
              Triplet(1.5f, 0, 0));
}
