#include "zev/contracts/FloatZEVVectorComponent.h"
#include "zev/contracts/FloatZEVVectorConcrete.h"
#include "zev/contracts/IntZEVVector.h"
#include "zev/contracts/TripletZEVVector.h"
#include "zev/contracts/Undefined.h"
#include "zev/contracts/ZEVMatrix4.h"

#include <gtest/gtest.h>

#include <sstream>

using zev::Triplet;
using zev::ZEV_UNDEF;

TEST(FloatZEVVector, StatisticsSkipUndefined)
{
    const float values[] = {3.0f, ZEV_UNDEF, -1.5f, 10.0f, ZEV_UNDEF};
    zev::FloatZEVVectorConcrete v(values, 5);
    const zev::FloatZEVVector& base = v;
    EXPECT_EQ(base.getMin(), -1.5f);
    EXPECT_EQ(base.getMax(), 10.0f);
    EXPECT_EQ(base.getSum(), 11.5f);
    EXPECT_EQ(base.getNvalid(), 3);

    std::ostringstream os;
    v.write(os, 0, 99);
    EXPECT_EQ(os.str(), "3 UNDEF -1.5 10 UNDEF");

    const float undef[] = {ZEV_UNDEF, ZEV_UNDEF};
    zev::FloatZEVVectorConcrete none(undef, 2);
    EXPECT_EQ(none.getMin(), ZEV_UNDEF);
    EXPECT_EQ(none.getMax(), ZEV_UNDEF);
    EXPECT_EQ(none.getSum(), 0.0f);
    EXPECT_EQ(none.getNvalid(), 0);
    zev::FloatZEVVectorConcrete empty;
    EXPECT_EQ(empty.getMin(), ZEV_UNDEF);
    EXPECT_EQ(empty.getNvalid(), 0);

    v.redefine(values + 2, 2);
    EXPECT_EQ(v.size(), 2u);
    EXPECT_EQ(v[1], 10.0f);
    v.erase();
    EXPECT_TRUE(v.empty());
}

TEST(FloatZEVVector, ComponentViewReadsAndWritesThrough)
{
    zev::TripletZEVVector t;
    t.push_back(Triplet(1, 2, 3));
    t.push_back(Triplet(4, ZEV_UNDEF, 6));
    t.push_back(Triplet(7, 8, 9));
    zev::FloatZEVVectorComponent y(t, 1);
    ASSERT_EQ(y.size(), 3u);
    EXPECT_EQ(y[0], 2.0f);
    EXPECT_EQ(y[2], 8.0f);
    EXPECT_EQ(y.getNvalid(), 2);
    EXPECT_EQ(y.getSum(), 10.0f);
    EXPECT_EQ(y.getMax(), 8.0f);

    y[0] = -5.0f;
    EXPECT_EQ(t[0], Triplet(1, -5, 3));
    int n = 0;
    for (auto it = y.Begin(); it != y.End(); ++it, ++n)
        *it += 1.0f;
    EXPECT_EQ(n, 3);
    EXPECT_EQ(t[2], Triplet(7, 9, 9));
    EXPECT_EQ(t[0][0], 1.0f);
    EXPECT_EQ(t[0][2], 3.0f);

    y.resize(4);
    EXPECT_EQ(t.size(), 4u);

    zev::TripletZEVVector emptyT;
    zev::FloatZEVVectorComponent emptyView(emptyT, 2);
    EXPECT_TRUE(emptyView.Begin() == emptyView.End());
    EXPECT_EQ(emptyView.getMin(), ZEV_UNDEF);
    EXPECT_THROW(zev::FloatZEVVectorComponent(t, 3), zev::data::invalid);
}

TEST(TripletZEVVector, ExtentsAndStatistics)
{
    zev::TripletZEVVector t;
    t.push_back(Triplet(1, -2, 3));
    t.push_back(Triplet(-4, 5, ZEV_UNDEF));
    EXPECT_EQ(t.getMinExtents(), Triplet(-4, -2, 3));
    EXPECT_EQ(t.getMaxExtents(), Triplet(1, 5, ZEV_UNDEF));
    EXPECT_EQ(t.getMin(), -4.0f);
    EXPECT_EQ(t.getMax(), 5.0f);
    EXPECT_EQ(t.getSum(), 3.0f);
    EXPECT_EQ(t.getNvalid(), 5);
    zev::TripletZEVVector u(t);
    u.clear();
    u.swap(t);
    EXPECT_TRUE(t.empty());
    EXPECT_EQ(u.size(), 2u);
}

TEST(IntZEVVector, VirtualOperations)
{
    zev::IntZEVVector v(2);
    zev::ZEVVector<int>& base = v;
    v.push_back(5);
    base.push_back(6); // the inherited slot still appends
    EXPECT_EQ(std::vector<int>(v.begin(), v.end()), (std::vector<int>{0, 0, 5, 6}));
    v.pop_back();
    v.resize(1);
    EXPECT_EQ(v.size(), 1u);
    v.clear();
    EXPECT_TRUE(v.empty());
}

TEST(ZEVMatrix4, Determinant)
{
    zev::ZEVMatrix4 id;
    for (int i = 0; i < 4; ++i)
        id[i][i] = 1.0f;
    EXPECT_EQ(id.determinant(), 1.0f);

    // The volume matrix of the unit tetrahedron: rows (1, x, y, z); determinant 6 * volume.
    zev::ZEVMatrix4 m;
    const float rows[4][4] = {{1, 0, 0, 0}, {1, 1, 0, 0}, {1, 0, 1, 0}, {1, 0, 0, 1}};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            m[r][c] = rows[r][c];
    EXPECT_EQ(m.determinant(), 1.0f);

    // A general matrix with a known determinant.
    const float g[4][4] = {{2, -1, 0, 3}, {1, 3, 2, -2}, {0, 1, 4, 1}, {5, 0, -1, 2}};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            m[r][c] = g[r][c];
    EXPECT_FLOAT_EQ(m.determinant(), -38.0f);
    // Swapping two rows flips the sign.
    for (int c = 0; c < 4; ++c)
        std::swap(m[0][c], m[3][c]);
    EXPECT_FLOAT_EQ(m.determinant(), 38.0f);
}
