#include "zev/search/PointGrid.h"
#include "zev/contracts/RadixSort.h"
#include "zev/contracts/Undefined.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <set>
#include <vector>

using namespace zev;

namespace {

// Clustered random points with a few exact copies, an undefined and an infinite vertex.
TripletZEVVector samplePoints(unsigned p_seed, int p_count)
{
    std::mt19937 random(p_seed);
    std::uniform_real_distribution<float> coordinate(-2.0f, 3.0f);
    TripletZEVVector points;
    for (int i = 0; i < p_count; ++i) {
        if (i % 17 == 5)
            points.push_back(points[static_cast<std::size_t>(i / 2)]);
        else
            points.push_back(Triplet(coordinate(random), coordinate(random), coordinate(random) * 0.01f));
    }
    points.push_back(Triplet(ZEV_UNDEF, 0.0f, 0.0f));
    points.push_back(Triplet(0.0f, std::numeric_limits<float>::infinity(), 0.0f));
    return points;
}

std::set<int> bruteForce(const TripletZEVVector& p_points, const Triplet& p_centre, double p_radius)
{
    std::set<int> near;
    for (std::size_t i = 0; i < p_points.size(); ++i) {
        if (!PointGrid::usable(p_points[i]))
            continue;
        double d2 = 0.0;
        for (int c = 0; c < 3; ++c) {
            const double d = static_cast<double>(p_points[i][c]) - p_centre[c];
            d2 += d * d;
        }
        if (d2 <= p_radius * p_radius)
            near.insert(static_cast<int>(i));
    }
    return near;
}

} // namespace

TEST(PointGrid, FindsExactlyThePointsWithinARadius)
{
    const TripletZEVVector points = samplePoints(7, 600);
    const Triplet centres[] = {Triplet(0.5f, 0.5f, 0.0f), Triplet(-2.0f, -2.0f, 0.0f),
                               Triplet(10.0f, 0.0f, 0.0f), points[3], Triplet(0.0f, 0.0f, -5.0f)};
    // Cell widths: several per box, one cell, and an infinite width (everything in one cell).
    for (double width : {0.1, 0.73, 100.0, std::numeric_limits<double>::infinity()}) {
        PointGrid grid;
        grid.build(points, width);
        ASSERT_EQ(grid.size(), points.size() - 2) << "unusable vertices are left out";
        for (const Triplet& centre : centres)
            for (double radius : {0.0, 0.05, 0.3, 1.7, 50.0}) {
                std::set<int> found;
                grid.forEachWithin(centre, radius, [&](const PointGrid::Point& p) {
                    EXPECT_TRUE(found.insert(p.index).second) << "visited twice";
                });
                EXPECT_EQ(found, bruteForce(points, centre, radius))
                    << "width " << width << " radius " << radius << " centre " << centre[0];
            }
    }
}

TEST(PointGrid, CellsAreRunsInIndexOrderAndNearCellsHoldEveryNeighbour)
{
    const TripletZEVVector points = samplePoints(11, 2000);
    const double width = 0.2;
    PointGrid grid;
    grid.build(points, width);
    const PointGrid::Point* all = grid.points();
    for (std::uint32_t q = 1; q < grid.size(); ++q) {
        if (all[q].key == all[q - 1].key) {
            EXPECT_LT(all[q - 1].index, all[q].index);
        }
    }

    const double radius = width / 2;
    for (std::uint32_t q = 0; q < grid.size(); q += 7) {
        const PointGrid::Point& p = all[q];
        std::int64_t base[3];
        PointGrid::cellOfKey(p.key, base);
        PointGrid::Run neighbour[27];
        bool known[27] = {};
        std::set<int> seen;
        int own = 0;
        grid.visitNearCells(p, radius, base, neighbour, known, [&](PointGrid::Run p_run, bool p_own) {
            own += p_own ? 1 : 0;
            for (std::uint32_t k = p_run.begin; k < p_run.end; ++k)
                seen.insert(all[k].index);
        });
        EXPECT_EQ(own, 1);
        for (int index : bruteForce(points, Triplet(p.xyz[0], p.xyz[1], p.xyz[2]), radius * 0.999))
            EXPECT_TRUE(seen.count(index)) << "point " << p.index << " misses " << index;
    }
}

TEST(RadixSort, SortsStablyAcrossEveryDigit)
{
    std::mt19937_64 random(3);
    std::vector<SortKey> keys;
    for (std::uint32_t i = 0; i < 5000; ++i) {
        // Few distinct keys spread over all 64 bits, so that ties and every pass occur.
        const std::uint64_t key = (random() % 40) * 0x0123456789abcdefULL;
        keys.push_back(SortKey{key, i});
    }
    std::vector<SortKey> expected = keys;
    std::stable_sort(expected.begin(), expected.end(),
                     [](const SortKey& a, const SortKey& b) { return a.key < b.key; });
    radixSort(keys);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        ASSERT_EQ(keys[i].key, expected[i].key);
        ASSERT_EQ(keys[i].index, expected[i].index);
    }
    std::vector<SortKey> same(3, SortKey{42, 0});
    same[1].index = 1;
    same[2].index = 2;
    radixSort(same);
    EXPECT_EQ(same[2].index, 2u);
}
