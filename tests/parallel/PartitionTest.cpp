#include "zev/parallel/Partition.h"
#include "zev/contracts/Error.h"

#include "tests/parallel/PieceMeshes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <numeric>
#include <set>

using namespace zev::io;
using zev::parallel::extractPiece;
using zev::parallel::partitionCells;
using zev::test::BoxCells;

namespace {

// The cells' point sets, for a neighbour test independent of the face tables: two cells of the boxes
// share a face exactly when they share at least p_common points.
std::vector<std::set<int>> cellPointSets(MeshData const& p_mesh)
{
    std::vector<std::set<int>> sets(p_mesh.numCells());
    for (std::size_t c = 0; c < p_mesh.numCells(); ++c) {
        sets[c].insert(p_mesh.cellPoints(c), p_mesh.cellPoints(c) + p_mesh.cellSize(c));
    }
    return sets;
}

std::size_t commonPoints(std::set<int> const& a, std::set<int> const& b)
{
    std::vector<int> both;
    std::set_intersection(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(both));
    return both.size();
}

// How many connected pieces the cells of part p_part form, neighbours sharing p_common points.
int componentsOfPart(std::vector<std::set<int>> const& p_sets, std::vector<int> const& p_parts, int p_part,
                     std::size_t p_common)
{
    std::vector<std::size_t> cells;
    for (std::size_t c = 0; c < p_parts.size(); ++c) {
        if (p_parts[c] == p_part) {
            cells.push_back(c);
        }
    }
    std::vector<int> seen(cells.size(), 0);
    int components = 0;
    for (std::size_t start = 0; start < cells.size(); ++start) {
        if (seen[start]) {
            continue;
        }
        ++components;
        std::vector<std::size_t> stack{start};
        seen[start] = 1;
        while (!stack.empty()) {
            std::size_t const a = stack.back();
            stack.pop_back();
            for (std::size_t b = 0; b < cells.size(); ++b) {
                if (!seen[b] && commonPoints(p_sets[cells[a]], p_sets[cells[b]]) >= p_common) {
                    seen[b] = 1;
                    stack.push_back(b);
                }
            }
        }
    }
    return components;
}

} // namespace

TEST(Partition, BoxesSplitIntoBalancedConnectedParts)
{
    struct Case {
        BoxCells cells;
        int n;
        std::size_t common;
    };
    for (Case const& c :
         {Case{BoxCells::Hex, 6, 4}, Case{BoxCells::Tet, 4, 3}, Case{BoxCells::Mixed, 6, 3}}) {
        MeshData const mesh = zev::test::pieceBox(c.cells, c.n);
        std::vector<std::set<int>> const sets = cellPointSets(mesh);
        for (int parts : {2, 3, 4}) {
            SCOPED_TRACE("cells " + std::to_string(int(c.cells)) + ", parts " + std::to_string(parts));
            std::vector<int> const part = partitionCells(mesh, parts);
            ASSERT_EQ(part.size(), mesh.numCells());
            std::vector<std::size_t> count(parts, 0);
            for (int p : part) {
                ASSERT_GE(p, 0);
                ASSERT_LT(p, parts);
                ++count[p];
            }
            double const ideal = double(mesh.numCells()) / parts;
            for (int p = 0; p < parts; ++p) {
                EXPECT_GT(count[p], 0.9 * ideal) << "part " << p;
                EXPECT_LT(count[p], 1.1 * ideal) << "part " << p;
                EXPECT_EQ(componentsOfPart(sets, part, p, c.common), 1) << "part " << p;
            }
            // The same mesh is always cut the same way.
            EXPECT_EQ(partitionCells(mesh, parts), part);
        }
    }
}

TEST(Partition, HexBoxInTwoCutsAboutOnePlane)
{
    // A plane through a 6^3 box cuts 36 faces; METIS should come close to it.
    MeshData const mesh = zev::test::pieceBox(BoxCells::Hex, 6);
    std::vector<int> const part = partitionCells(mesh, 2);
    std::vector<std::set<int>> const sets = cellPointSets(mesh);
    int cut = 0;
    for (std::size_t a = 0; a < sets.size(); ++a) {
        for (std::size_t b = a + 1; b < sets.size(); ++b) {
            cut += part[a] != part[b] && commonPoints(sets[a], sets[b]) == 4;
        }
    }
    EXPECT_LE(cut, 54);
    EXPECT_EQ(zev::parallel::interfaceFaces(mesh, part), std::size_t(cut));
    EXPECT_EQ(zev::parallel::interfaceFaces(mesh, std::vector<int>(mesh.numCells(), 1)), 0u);
}

TEST(Partition, SurfaceCellsMeetAcrossEdges)
{
    MeshData const patch = zev::test::quadPatch(8);
    std::vector<int> const part = partitionCells(patch, 2);
    std::vector<std::set<int>> const sets = cellPointSets(patch);
    EXPECT_EQ(std::count(part.begin(), part.end(), 0), 32);
    EXPECT_EQ(componentsOfPart(sets, part, 0, 2), 1);
    EXPECT_EQ(componentsOfPart(sets, part, 1, 2), 1);
}

TEST(Partition, FewCellsOrOnePartNeedNoGraph)
{
    MeshData const mesh = zev::test::pieceBox(BoxCells::Hex, 2);
    EXPECT_EQ(partitionCells(mesh, 1), std::vector<int>(8, 0));
    // More parts than cells: a cell per part, the last parts empty.
    EXPECT_EQ(partitionCells(mesh, 10), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_TRUE(partitionCells(MeshData(), 3).empty());
    for (int bad : {0, -2}) {
        try {
            partitionCells(mesh, bad);
            ADD_FAILURE() << "no error for " << bad << " parts";
        } catch (zev::internal::badParam const& e) {
            EXPECT_EQ(e.getMessage(), "the number of parts must be at least 1, not " + std::to_string(bad));
        }
    }
}

TEST(Partition, EveryPartGetsACellWhenThereAreEnough)
{
    for (BoxCells cells : {BoxCells::Hex, BoxCells::Mixed}) {
        MeshData const mesh = zev::test::pieceBox(cells, 2);
        for (int parts = 2; parts <= int(mesh.numCells()); ++parts) {
            std::vector<int> const part = partitionCells(mesh, parts);
            for (int p = 0; p < parts; ++p) {
                EXPECT_NE(std::count(part.begin(), part.end(), p), 0) << parts << " parts, part " << p;
            }
        }
    }
}

TEST(Partition, MalformedCellsAreRefused)
{
    MeshData mesh = zev::test::pieceBox(BoxCells::Hex, 2);
    mesh.addCell(VtkCellType::Polyhedron, {2, 9, 0, 1}); // two faces announced, a stream too short
    EXPECT_THROW(partitionCells(mesh, 2), zev::internal::badParam);
    MeshData short_ = zev::test::pieceBox(BoxCells::Hex, 2);
    short_.addCell(VtkCellType::Tetra, {0, 1, 2});
    EXPECT_THROW(partitionCells(short_, 2), zev::internal::badParam);
}

TEST(Partition, PieceKeepsItsCellsPointsAndArrays)
{
    MeshData mesh = zev::test::pieceBox(BoxCells::Mixed, 3);
    zev::test::addTracers(mesh);
    std::vector<int> const part = partitionCells(mesh, 3);
    std::vector<int> seenCells(mesh.numCells(), 0);
    std::size_t pointsInPieces = 0;
    for (int p = 0; p < 3; ++p) {
        MeshData const piece = extractPiece(mesh, part, p);
        DataArray const* nodeIds = piece.findPointArray("GlobalNodeIds");
        DataArray const* cellIds = piece.findCellArray("GlobalCellIds");
        ASSERT_NE(nodeIds, nullptr);
        ASSERT_NE(cellIds, nullptr);
        EXPECT_EQ(nodeIds->type, ValueType::Int64);
        EXPECT_EQ(cellIds->type, ValueType::Int64);
        ASSERT_EQ(nodeIds->values.size(), piece.numPoints());
        ASSERT_EQ(cellIds->values.size(), piece.numCells());
        pointsInPieces += piece.numPoints();
        // Points in ascending global order, coordinates and the tracer array following them.
        EXPECT_TRUE(std::is_sorted(nodeIds->values.begin(), nodeIds->values.end()));
        DataArray const* x = piece.findPointArray("x");
        ASSERT_NE(x, nullptr);
        for (std::size_t i = 0; i < piece.numPoints(); ++i) {
            std::size_t const g = std::size_t(nodeIds->values[i]);
            for (int d = 0; d < 3; ++d) {
                EXPECT_EQ(piece.points[i * 3 + d], mesh.points[g * 3 + d]);
            }
            EXPECT_EQ(x->values[i], mesh.points[g * 3]);
        }
        // Cells in their order, their points mapped back to the original ones.
        DataArray const* tracer = piece.findCellArray("cell");
        ASSERT_NE(tracer, nullptr);
        double previous = -1;
        for (std::size_t c = 0; c < piece.numCells(); ++c) {
            std::size_t const g = std::size_t(cellIds->values[c]);
            EXPECT_GT(double(g), previous);
            previous = double(g);
            EXPECT_EQ(part[g], p);
            EXPECT_EQ(tracer->values[c], double(g));
            ++seenCells[g];
            ASSERT_EQ(piece.cellTypes[c], mesh.cellTypes[g]);
            ASSERT_EQ(piece.cellSize(c), mesh.cellSize(g));
            for (int k = 0; k < piece.cellSize(c); ++k) {
                EXPECT_EQ(nodeIds->values[std::size_t(piece.cellPoints(c)[k])], mesh.cellPoints(g)[k]);
            }
        }
    }
    EXPECT_EQ(std::count(seenCells.begin(), seenCells.end(), 1), long(mesh.numCells()));
    // Points on the interfaces belong to more than one piece.
    EXPECT_GT(pointsInPieces, mesh.numPoints());
}

TEST(Partition, PieceOfAPieceKeepsTheFirstIdsAndPolyhedronStreams)
{
    // A hexahedron and the cube beside it as a polyhedron.
    MeshData mesh = zev::test::pieceBox(BoxCells::Hex, 1);
    for (double x : {2.0}) {
        for (int k = 0; k < 2; ++k) {
            for (int j = 0; j < 2; ++j) {
                mesh.points.insert(mesh.points.end(), {x, double(j), double(k)});
            }
        }
    }
    // Points 1, 3, 5, 7 are x = 1; 8..11 are x = 2 at (j, k) = (0,0), (1,0), (0,1), (1,1).
    mesh.addCell(VtkCellType::Polyhedron, {6, 4, 1, 3,  7,  5, 4, 8, 10, 11, 9, 4, 1, 8,  9, 3,
                                           4, 5, 7, 11, 10, 4, 1, 5, 10, 8,  4, 3, 9, 11, 7});
    std::vector<int> const part = partitionCells(mesh, 2);
    ASSERT_NE(part[0], part[1]);
    MeshData const piece = extractPiece(mesh, part, part[1]);
    ASSERT_EQ(piece.numCells(), 1u);
    ASSERT_EQ(piece.numPoints(), 8u);
    EXPECT_EQ(piece.findPointArray("GlobalNodeIds")->values, (std::vector<double>{1, 3, 5, 7, 8, 9, 10, 11}));
    // The counts of the face stream stay, the points are renumbered.
    EXPECT_EQ(std::vector<int>(piece.cellPoints(0), piece.cellPoints(0) + piece.cellSize(0)),
              (std::vector<int>{6, 4, 0, 1, 3, 2, 4, 4, 6, 7, 5, 4, 0, 4, 5, 1,
                                4, 2, 3, 7, 6, 4, 0, 2, 6, 4, 4, 1, 5, 7, 3}));
    // A piece of the piece keeps the ids of the whole mesh.
    MeshData const again = extractPiece(piece, {0}, 0);
    EXPECT_EQ(again.findPointArray("GlobalNodeIds")->values, piece.findPointArray("GlobalNodeIds")->values);
    EXPECT_EQ(again.findCellArray("GlobalCellIds")->values, std::vector<double>{1});
    EXPECT_EQ(again.pointData.size(), 1u);

    EXPECT_THROW(extractPiece(mesh, {0}, 0), zev::internal::badParam);
}
