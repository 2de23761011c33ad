#include "zev/cutting/EdgeHashTable.h"
#include "zev/cutting/ElementCutter.h"
#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/geometry/GeometryAutoPtr.h"
#include "zev/interpolants/EdgeInterpolant.h"
#include "zev/shapes/ShapeSet.h"

#include "tests/support/MeshBuilders.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

using namespace zev;

TEST(EdgeHashTable, FindsEveryInsertedEdgeAcrossGrowth)
{
    EdgeHashTable table;
    std::map<std::pair<int, int>, int> reference;
    int next = 0;
    // Edges of a long strip, with ids handed out at first insertion; many repeats, and
    // keys that differ only in the high or the low half.
    for (int i = 0; i < 5000; ++i) {
        for (const std::pair<int, int>& e : {std::make_pair(i, i + 1), std::make_pair(i, i + 7),
                                             std::make_pair(i / 2, i / 2 + 1), std::make_pair(0, i + 1)}) {
            const int found = table.find(e.first, e.second);
            const auto expected = reference.find(e);
            if (expected == reference.end()) {
                ASSERT_EQ(found, -1) << e.first << "," << e.second;
                table.insert(e.first, e.second, next);
                reference[e] = next++;
            } else {
                ASSERT_EQ(found, expected->second) << e.first << "," << e.second;
            }
        }
    }
    EXPECT_EQ(table.size(), reference.size());
    for (const auto& entry : reference)
        EXPECT_EQ(table.find(entry.first.first, entry.first.second), entry.second);
    table.clear();
    EXPECT_EQ(table.size(), 0u);
    EXPECT_EQ(table.find(0, 1), -1);
}

namespace {

struct Output {
    GeometryAutoPtr holder{GeometryAPI::instance()->newGeometry("", nullptr)};
    EdgeInterpolant interpolant{"domain"};
    std::map<int, std::vector<int>> polygons;
    int next = 0;
};

void expectSameOutput(const Output& p_a, const Output& p_b)
{
    ASSERT_EQ(p_a.next, p_b.next);
    ASSERT_EQ(p_a.holder.get()->getNumVertices(), p_b.holder.get()->getNumVertices());
    for (int i = 0; i < p_a.next; ++i) {
        EXPECT_EQ(p_a.holder.get()->getVertices()[std::size_t(i)],
                  p_b.holder.get()->getVertices()[std::size_t(i)]);
        const EdgeInterpolantData& x = p_a.interpolant.getInternalData(std::size_t(i));
        const EdgeInterpolantData& y = p_b.interpolant.getInternalData(std::size_t(i));
        EXPECT_EQ(x.m_vertex1, y.m_vertex1);
        EXPECT_EQ(x.m_vertex2, y.m_vertex2);
        EXPECT_EQ(x.m_weight, y.m_weight);
    }
    EXPECT_EQ(p_a.polygons, p_b.polygons);
}

} // namespace

// The whole-geometry cutter's open-addressing lookup and per-set vertex values give the same
// vertices, entries and polygons, in the same order, as the virtual entry over std::map.
TEST(EdgeHashTable, CutsMatchTheEdgeMapOutput)
{
    for (const bool tets : {true, false}) {
        GeometryAutoPtr domain{GeometryAPI::instance()->newGeometry("", nullptr)};
        if (tets)
            test::buildTetBox(*domain.get(), 6);
        else
            test::buildHexBox(*domain.get(), 6);
        const TripletZEVVector& vertices = domain.get()->getVertices();
        const ShapeSet& set = *domain.get()->getElementSet(0);
        const Triplet normal(0.48f, 0.6f, 0.64f);
        const float d = 0.83f;

        Output viaMap;
        std::map<Edge, int> edgeMap;
        for (std::size_t e = 0; e < set.size(); ++e)
            set[e].intersectWithElement(set[e].getNumVertices(), PlaneIntersection, vertices, normal, nullptr,
                                        nullptr, 0, int(e), d, edgeMap, *viaMap.holder.get(),
                                        &viaMap.interpolant, viaMap.next, viaMap.polygons);
        ASSERT_GT(viaMap.next, 20);

        Output viaHash;
        EdgeHashTable table(4);
        ElementCutter<EdgeHashTable> cutter(PlaneIntersection, vertices, normal, nullptr, nullptr, d, table,
                                            *viaHash.holder.get(), &viaHash.interpolant, viaHash.next,
                                            viaHash.polygons);
        // Vertex values computed once for the set, as a whole-domain cut does.
        std::vector<float> values;
        cutter.computeVertexValues(0, values);
        cutter.useVertexValues(values.data());
        for (std::size_t e = 0; e < set.size(); ++e)
            cutter.cut(set[e], 0, int(e));
        EXPECT_EQ(table.size(), edgeMap.size());
        expectSameOutput(viaMap, viaHash);
    }
}
