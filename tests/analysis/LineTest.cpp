// The line operation on meshes whose lines are hard: a tilted, graded hexahedral channel and tilted pipes
// of wedges round the axis and hexahedra outside it, straight and bent. Lines along cell edges, along the
// boundary, through vertices and along the pipe's axis must report every crossing and one maximal chord
// per stretch inside.
#include "zev/analysis/Line.h"
#include "tests/support/MeshBuilders.h"
#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/shapes/ShapeType.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace zev::analysis;
using Vec = std::array<double, 3>;

// The meshes are built in a frame of their own and placed by this rotation and shift, so that no
// coordinate is round and no face is axis-aligned.
Vec place(Vec const& p_local)
{
    Vec const e1{1.0 / 3, 2.0 / 3, 2.0 / 3}, e2{2.0 / 3, 1.0 / 3, -2.0 / 3}, e3{-2.0 / 3, 2.0 / 3, -1.0 / 3};
    Vec const shift{0.3, -0.2, 0.5};
    Vec out;
    for (int c = 0; c < 3; ++c)
        out[c] = shift[c] + p_local[0] * e1[c] + p_local[1] * e2[c] + p_local[2] * e3[c];
    return out;
}

LoadedMesh newMesh(std::string const& p_name)
{
    LoadedMesh mesh;
    mesh.source = p_name;
    mesh.geometry.reset(zev::GeometryAPI::instance()->newGeometry("", nullptr));
    return mesh;
}

void addVertex(zev::Geometry& p_g, Vec const& p_local)
{
    Vec const p = place(p_local);
    p_g.getVertices().push_back(
        zev::Triplet(static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2])));
}

double channelX(int p_i)
{
    return 6.0 * std::pow(p_i / 12.0, 1.3);
}

// [0, 6] x [0, 1] x [0, 1] in 12 x 3 x 3 hexahedra, graded along x.
LoadedMesh channel()
{
    LoadedMesh mesh = newMesh("channel");
    int const n[3] = {12, 3, 3};
    for (int k = 0; k <= n[2]; ++k)
        for (int j = 0; j <= n[1]; ++j)
            for (int i = 0; i <= n[0]; ++i)
                addVertex(mesh.geo(), {channelX(i), j / 3.0, k / 3.0});
    auto id = [&](int i, int j, int k) { return (k * (n[1] + 1) + j) * (n[0] + 1) + i; };
    std::vector<std::vector<int>> hexes;
    for (int k = 0; k < n[2]; ++k)
        for (int j = 0; j < n[1]; ++j)
            for (int i = 0; i < n[0]; ++i) {
                std::vector<int> corners;
                for (int c = 0; c < 8; ++c)
                    corners.push_back(id(i + (c & 1), j + ((c >> 1) & 1), k + (c >> 2)));
                hexes.push_back(corners);
            }
    zev::test::addElements(mesh.geo(), 0, zev::HEX, hexes);
    return mesh;
}

// A pipe of radius 0.5 round the curve p_centre(k) with the cross-section axes p_frame(k), k = 0 to
// p_layers: 3 rings of 12 sectors, wedges round the axis and hexahedra outside them.
LoadedMesh pipe(std::string const& p_name, int p_layers, std::function<Vec(int)> const& p_centre,
                std::function<std::array<Vec, 2>(int)> const& p_frame)
{
    LoadedMesh mesh = newMesh(p_name);
    int const rings = 3, sectors = 12, perLayer = 1 + rings * sectors;
    double const pi = std::acos(-1.0);
    for (int k = 0; k <= p_layers; ++k) {
        Vec const c = p_centre(k);
        std::array<Vec, 2> const f = p_frame(k);
        addVertex(mesh.geo(), c);
        for (int r = 1; r <= rings; ++r)
            for (int s = 0; s < sectors; ++s) {
                double const radius = 0.5 * r / rings, angle = 2 * pi * s / sectors;
                Vec p;
                for (int m = 0; m < 3; ++m)
                    p[m] = c[m] + radius * (std::cos(angle) * f[0][m] + std::sin(angle) * f[1][m]);
                addVertex(mesh.geo(), p);
            }
    }
    auto ring = [&](int k, int r, int s) { return k * perLayer + 1 + (r - 1) * sectors + s % sectors; };
    std::vector<std::vector<int>> wedges, hexes;
    for (int k = 0; k < p_layers; ++k)
        for (int s = 0; s < sectors; ++s) {
            int const a = k * perLayer, b = ring(k, 1, s), c = ring(k, 1, s + 1);
            wedges.push_back({a, b, c, a + perLayer, b + perLayer, c + perLayer});
            for (int r = 1; r < rings; ++r) {
                std::vector<int> const base{ring(k, r, s), ring(k, r + 1, s), ring(k, r, s + 1),
                                            ring(k, r + 1, s + 1)};
                std::vector<int> corners = base;
                for (int v : base)
                    corners.push_back(v + perLayer);
                hexes.push_back(corners);
            }
        }
    zev::test::addElements(mesh.geo(), 0, zev::WEDGE, wedges);
    zev::test::addElements(mesh.geo(), 1, zev::HEX, hexes);
    return mesh;
}

LoadedMesh straightPipe()
{
    return pipe(
        "pipe", 10,
        [](int k) {
            return Vec{0, 0, 0.4 * k};
        },
        [](int) {
            return std::array<Vec, 2>{Vec{1, 0, 0}, Vec{0, 1, 0}};
        });
}

// A quarter bend of radius 3 in the local x-z plane.
LoadedMesh bentPipe()
{
    double const quarter = std::acos(-1.0) / 2 / 24;
    return pipe(
        "bent pipe", 24,
        [=](int k) {
            return Vec{3 - 3 * std::cos(quarter * k), 0, 3 * std::sin(quarter * k)};
        },
        [=](int k) {
            return std::array<Vec, 2>{Vec{std::cos(quarter * k), 0, std::sin(quarter * k)}, Vec{0, 1, 0}};
        });
}

LineOptions lineThrough(Vec const& p_from, Vec const& p_to)
{
    LineOptions line;
    line.from = place(p_from);
    line.to = place(p_to);
    for (int c = 0; c < 3; ++c) {
        line.fromPoint[c] = static_cast<float>(line.from[c]);
        line.toPoint[c] = static_cast<float>(line.to[c]);
    }
    return line;
}

TEST(AnalysisLine, EveryCrossingAndMaximalChords)
{
    double const x6 = channelX(6);
    double const diagonal = std::sqrt(x6 * x6 + 2);
    struct Case {
        char const* what;
        LoadedMesh (*mesh)();
        Vec from, to;
        std::vector<double> hits; // t of the crossings; empty: only their number is checked
        std::size_t hitCount;
        double chord; // the length inside, when known
    };
    Case const cases[] = {
        {"channel, oblique", channel, {-1, 0.2, 0.3}, {7, 0.7, 0.6}, {}, 2, 0.75 * std::sqrt(64.34)},
        {"channel, along an inner cell edge",
         channel,
         {-1, 1.0 / 3, 2.0 / 3},
         {7, 1.0 / 3, 2.0 / 3},
         {1, 7},
         2,
         6},
        {"channel, along a boundary edge", channel, {-1, 0, 0}, {7, 0, 0}, {1, 7}, 2, 6},
        {"channel, in a boundary face", channel, {7, 0.5, 1}, {-1, 0.5, 1}, {1, 7}, 2, 6},
        {"channel, through vertices",
         channel,
         {-0.5 * x6, -0.5, -0.5},
         {1.5 * x6, 1.5, 1.5},
         {0.5 * diagonal, 1.5 * diagonal},
         2,
         diagonal},
        {"channel, beside it", channel, {-1, 1.5, 0.5}, {7, 1.5, 0.5}, {}, 0, 0},
        {"pipe, along the axis", straightPipe, {0, 0, -1}, {0, 0, 5}, {1, 5}, 2, 4},
        {"pipe, along the axis backwards", straightPipe, {0, 0, 6}, {0, 0, -2}, {2, 6}, 2, 4},
        {"pipe, across through the axis", straightPipe, {-1, 0, 1.3}, {1, 0, 1.3}, {0.5, 1.5}, 2, 1},
        {"pipe, along the wall", straightPipe, {0.5, 0, -1}, {0.5, 0, 5}, {1, 5}, 2, 4},
        {"bent pipe, along the first axis", bentPipe, {0, 0, -1}, {0, 0, 1}, {1}, 2, -1},
        {"bent pipe, twice through the bend", bentPipe, {-1, 0.05, 2.2}, {4, 0.05, 2.6}, {}, 4, -1},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.what);
        LoadedMesh mesh = c.mesh();
        LineResult const r = line(mesh, lineThrough(c.from, c.to));
        ASSERT_EQ(r.hits.size(), c.hitCount);
        for (std::size_t i = 0; i < c.hits.size(); ++i)
            EXPECT_NEAR(r.hitT[i], c.hits[i], 1e-5 * (1 + c.hits[i])) << "crossing " << i;
        // Every chord runs from an entry to the next exit, and the two alternate.
        ASSERT_EQ(r.chords.size(), c.hitCount / 2);
        for (std::size_t i = 0; i < r.chords.size(); ++i) {
            EXPECT_DOUBLE_EQ(r.chords[i].first, r.hitT[2 * i]);
            EXPECT_DOUBLE_EQ(r.chords[i].second, r.hitT[2 * i + 1]);
        }
        if (c.chord >= 0) {
            EXPECT_NEAR(r.length, c.chord, 1e-5 * (1 + c.chord));
        }
    }
}

} // namespace
