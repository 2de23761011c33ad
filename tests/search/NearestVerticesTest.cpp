#include "zev/search/NearestVertices.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <random>

using namespace zev;

namespace {

// The answer by definition: sort every (float squared distance, vertex), keep the first
// vertex of each distinct distance, take the first p_count.
NearestVertices::Result fullSort(const TripletZEVVector& p_vertices, const Triplet& p_point, int p_count)
{
    std::vector<std::pair<float, int>> all;
    for (std::size_t i = 0; i < p_vertices.size(); ++i) {
        const Triplet& v = p_vertices[i];
        const float dx = p_point[0] - v[0], dy = p_point[1] - v[1], dz = p_point[2] - v[2];
        const float d = dx * dx + dy * dy + dz * dz;
        if (!std::isnan(d))
            all.emplace_back(d, static_cast<int>(i));
    }
    std::sort(all.begin(), all.end());
    NearestVertices::Result out;
    for (const auto& e : all) {
        if (static_cast<int>(out.size()) == p_count)
            break;
        if (out.empty() || out.back().first != e.first)
            out.push_back(e);
    }
    return out;
}

// A coarse lattice (many vertices at equal distances) with every vertex repeated, plus
// jittered points, in shuffled vertex order.
TripletZEVVector tiedCloud(std::mt19937& p_random)
{
    TripletZEVVector vertices;
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 6; ++j)
            for (int k = 0; k < 6; ++k) {
                vertices.push_back(Triplet(i * 0.25f, j * 0.25f, k * 0.25f));
                vertices.push_back(Triplet(i * 0.25f, j * 0.25f, k * 0.25f));
            }
    std::uniform_real_distribution<float> u(-0.1f, 1.4f);
    for (int i = 0; i < 600; ++i)
        vertices.push_back(Triplet(u(p_random), u(p_random), u(p_random)));
    std::shuffle(vertices.begin(), vertices.end(), p_random);
    return vertices;
}

} // namespace

TEST(NearestVertices, TreeAndScanMatchAFullSortWithTiesAndRepeats)
{
    std::mt19937 random(7);
    const TripletZEVVector vertices = tiedCloud(random);
    const NearestVertices tree(vertices);
    std::uniform_real_distribution<float> u(-0.5f, 1.8f);
    std::vector<Triplet> queries;
    for (int i = 0; i < 150; ++i)
        queries.push_back(Triplet(u(random), u(random), u(random)));
    // Lattice points and cell centres give the largest groups of equal distances.
    queries.push_back(Triplet(0.5f, 0.5f, 0.5f));
    queries.push_back(Triplet(0.625f, 0.625f, 0.625f));
    queries.push_back(vertices[17]);
    for (int count : {1, 2, 25, 100, 5000}) {
        for (const Triplet& q : queries) {
            const NearestVertices::Result expected = fullSort(vertices, q, count);
            NearestVertices::Result found;
            tree.find(q, count, found);
            ASSERT_EQ(found, expected) << "count " << count;
            std::map<double, int> scanned;
            NearestVertices::scan(vertices, q, count, scanned);
            NearestVertices::Result fromScan;
            for (const auto& e : scanned)
                fromScan.emplace_back(static_cast<float>(e.first), e.second);
            ASSERT_EQ(fromScan, expected) << "count " << count;
        }
    }
}

TEST(NearestVertices, EqualDistanceArrivingWhenFullEvictsNothing)
{
    // Distances 1, 4, 9 fill a list of three; then 1 again must neither evict 9 nor replace
    // vertex 0.
    TripletZEVVector vertices;
    for (float x : {1.0f, 2.0f, 3.0f, -1.0f})
        vertices.push_back(Triplet(x, 0.0f, 0.0f));
    std::map<double, int> scanned;
    NearestVertices::scan(vertices, Triplet(0, 0, 0), 3, scanned);
    EXPECT_EQ(scanned, (std::map<double, int>{{1.0, 0}, {4.0, 1}, {9.0, 2}}));
}

TEST(NearestVertices, NaNQueriesAndVerticesAreNeverNear)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    TripletZEVVector vertices;
    vertices.push_back(Triplet(nan, 0, 0));
    vertices.push_back(Triplet(2, 0, 0));
    vertices.push_back(Triplet(1, 0, 0));
    const NearestVertices tree(vertices);
    NearestVertices::Result found;
    tree.find(Triplet(0, 0, 0), 5, found);
    EXPECT_EQ(found, (NearestVertices::Result{{1.0f, 2}, {4.0f, 1}}));
    tree.find(Triplet(0, nan, 0), 5, found);
    EXPECT_TRUE(found.empty());
    const NearestVertices none{TripletZEVVector()};
    none.find(Triplet(0, 0, 0), 5, found);
    EXPECT_TRUE(found.empty());
}
