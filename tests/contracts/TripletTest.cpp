#include "zev/contracts/Triplet.h"

#include <gtest/gtest.h>

using zev::Triplet;

TEST(Triplet, Arithmetic)
{
    const Triplet a(1.0f, 2.0f, 3.0f);
    const Triplet b(-2.0f, 0.5f, 4.0f);
    EXPECT_EQ(a + b, Triplet(-1.0f, 2.5f, 7.0f));
    EXPECT_EQ(a - b, Triplet(3.0f, 1.5f, -1.0f));
    EXPECT_EQ(a * 2.0f, Triplet(2.0f, 4.0f, 6.0f));
    EXPECT_EQ(2.0f * a, Triplet(2.0f, 4.0f, 6.0f));
    EXPECT_FLOAT_EQ(a.dot(b), -2.0f + 1.0f + 12.0f);
    // Right-handed: x cross y is z.
    EXPECT_EQ(Triplet(1, 0, 0).cross(Triplet(0, 1, 0)), Triplet(0, 0, 1));
    EXPECT_EQ(a.cross(b), Triplet(2 * 4 - 3 * 0.5f, 3 * -2 - 1 * 4, 1 * 0.5f - 2 * -2));
    EXPECT_FLOAT_EQ(Triplet(3, 4, 12).length(), 13.0f);
    EXPECT_EQ(Triplet(2, 4, 8) / 2.0f, Triplet(1, 2, 4));
    Triplet c(2, 4, 8);
    c /= 4.0f;
    EXPECT_EQ(c, Triplet(0.5f, 1, 2));
    EXPECT_EQ(c.getRef(0), 0.5f);
    c.getRef(2) = 7.0f;
    EXPECT_EQ(c.z(), 7.0f);
}

TEST(Triplet, DivisionByZeroThrowsAndLeavesValueUnchanged)
{
    Triplet zero;
    Triplet a(1, 2, 3);
    try {
        a /= zero.length(); // normalising a zero-length vector
        FAIL() << "expected an exception";
    } catch (const zev::data::invalid& e) {
        EXPECT_EQ(e.getClassName(), "Triplet");
        EXPECT_EQ(e.getMethodName(), "operator/=");
        EXPECT_STREQ(e.what(), "Attempt to divide by zero.");
        EXPECT_EQ(e.getErrorType(), zev::eError);
        EXPECT_EQ(int(e.getErrorType()), 4);
    }
    EXPECT_EQ(a, Triplet(1, 2, 3));
    try {
        (void)(a / -0.0f);
        FAIL() << "expected an exception";
    } catch (const zev::data::invalid& e) {
        EXPECT_EQ(e.getMethodName(), "operator/");
        EXPECT_EQ(e.getMessage(), "Attempt to divide by zero.");
    }
}

TEST(Triplet, GetRefRange)
{
    Triplet a(1, 2, 3);
    const Triplet& ca = a;
    for (int bad : {3, -1}) {
        try {
            (void)ca.getRef(bad);
            FAIL() << "expected an exception for " << bad;
        } catch (const zev::data::invalid& e) {
            EXPECT_EQ(e.getClassName(), "Triplet");
            EXPECT_EQ(e.getMethodName(), "getRef");
            EXPECT_EQ(e.getMessage(), "Index (" + std::to_string(bad) + ") out of range 0..2");
        }
    }
}

TEST(Triplet, ScalarsOfOtherArithmeticTypesConvert)
{
    const Triplet a(2, 4, 8);
    EXPECT_EQ(a / 2, Triplet(1, 2, 4));
    EXPECT_EQ(a / 4.0, Triplet(0.5f, 1, 2));
    EXPECT_EQ(a * 2, Triplet(4, 8, 16));
    EXPECT_EQ(0.5 * a, Triplet(1, 2, 4));
    EXPECT_THROW((void)(a / 0), zev::data::invalid);
}
