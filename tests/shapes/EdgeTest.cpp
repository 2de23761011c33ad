#include "zev/shapes/Edge.h"
#include "zev/contracts/Undefined.h"
#include "zev/shapes/Hex.h"
#include "zev/shapes/Tet.h"
#include "zev/shapes/shapeIndex.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

using zev::Edge;

TEST(Edge, StoresTheSmallerIndexFirstAndOrdersLexicographically)
{
    const Edge e(5, 2);
    EXPECT_EQ(e.firstVertex(), 2);
    EXPECT_EQ(e.secondVertex(), 5);
    EXPECT_EQ(Edge(std::make_pair(9, 4)), Edge(4, 9));
    Edge s;
    s.set(8, 1);
    EXPECT_EQ(s, Edge(1, 8));
    EXPECT_NE(s, Edge(1, 9));

    // Lexicographic on the stored (ordered) pair: (2, 0) is stored as (0, 2).
    EXPECT_TRUE(Edge(1, 7) < Edge(2, 3));
    EXPECT_TRUE(Edge(2, 3) < Edge(2, 4));
    EXPECT_TRUE(Edge(2, 0) < Edge(1, 7));
    EXPECT_FALSE(Edge(2, 1) < Edge(1, 2));

    // Both directions of one edge key the same map entry.
    std::map<Edge, int> cut;
    cut[Edge(3, 6)] = 1;
    cut[Edge(6, 3)] = 2;
    EXPECT_EQ(cut.size(), 1u);
    EXPECT_EQ(cut[Edge(3, 6)], 2);
}

TEST(Edge, ValidityAndSharedVertices)
{
    const Edge none;
    EXPECT_EQ(none.firstVertex(), -1);
    EXPECT_EQ(none.secondVertex(), -1);
    EXPECT_FALSE(none.isValid());
    EXPECT_FALSE(Edge(3, 3).isValid());
    EXPECT_FALSE(Edge(-1, 4).isValid());
    EXPECT_TRUE(Edge(0, 4).isValid());

    EXPECT_TRUE(Edge(1, 2).sharesVertexWithEdge(Edge(2, 3)));
    EXPECT_TRUE(Edge(1, 2).sharesVertexWithEdge(Edge(0, 1)));
    EXPECT_FALSE(Edge(1, 2).sharesVertexWithEdge(Edge(3, 4)));
}

TEST(Edge, PrintsAsParenthesisedPair)
{
    std::ostringstream os;
    os << Edge(7, 3) << Edge();
    EXPECT_EQ(os.str(), "(3,7)(-1,-1)");
}

TEST(Edge, LengthAndWeights)
{
    zev::TripletZEVVector v;
    v.push_back(zev::Triplet(0, 0, 0));
    v.push_back(zev::Triplet(3, 4, 0));
    v.push_back(zev::Triplet(zev::ZEV_UNDEF, 0, 0));
    v.push_back(zev::Triplet(3, 4, 0));
    EXPECT_FLOAT_EQ(Edge(0, 1).length(v), 5.0f);
    // An undefined coordinate at either end gives the undefined length.
    EXPECT_EQ(Edge(0, 2).length(v), 3.4028235e38f);
    EXPECT_EQ(Edge(2, 1).length(v), 3.4028235e38f);

    std::vector<float> w;
    EXPECT_TRUE(Edge(0, 1).constructWeights(zev::Triplet(0.6f, 0.8f, 0), v, w));
    ASSERT_EQ(w.size(), 2u);
    EXPECT_FLOAT_EQ(w[0], 0.8f);
    EXPECT_FLOAT_EQ(w[1], 0.2f);
    // Zero length: the two ends share the weight.
    EXPECT_TRUE(Edge(1, 3).constructWeights(zev::Triplet(9, 9, 9), v, w));
    EXPECT_EQ(w, (std::vector<float>{0.5f, 0.5f}));
}

TEST(shapeIndex, NotFoundValidityAndEquality)
{
    zev::Tet a;
    zev::Hex b;
    zev::shapeIndex none;
    EXPECT_EQ(none.getSetIndex(), -1);
    EXPECT_EQ(none.getShapeIndex(), -1);
    EXPECT_EQ(none.getShape(), nullptr);
    EXPECT_FALSE(none.isValid());
    EXPECT_FALSE(none.hasGeomData());

    zev::shapeIndex found(0, 4, &a);
    EXPECT_TRUE(found.isValid());
    found.initialise();
    EXPECT_EQ(found, none);
    EXPECT_EQ(found.getShape(), nullptr);

    // A proxy shape has a pointer but no set.
    const zev::shapeIndex proxy(-1, -1, &a);
    EXPECT_FALSE(proxy.isValid());
    EXPECT_TRUE(proxy.hasGeomData());

    // Equal pointers make equal locators whatever the numbers; so do equal numbers.
    EXPECT_EQ(zev::shapeIndex(1, 2, &a), zev::shapeIndex(3, 4, &a));
    EXPECT_EQ(zev::shapeIndex(1, 2, &a), zev::shapeIndex(1, 2, &b));
    EXPECT_NE(zev::shapeIndex(1, 2, &a), zev::shapeIndex(1, 3, &b));

    zev::shapeIndex copy;
    copy = zev::shapeIndex(5, 6, &b);
    EXPECT_EQ(copy.getSetIndex(), 5);
    EXPECT_EQ(copy.getShapeIndex(), 6);
    EXPECT_EQ(copy.getShape(), &b);
}
