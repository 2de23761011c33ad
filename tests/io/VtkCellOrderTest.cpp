// The mapping from the file format's vertex orders to the library's, proved geometrically: a valid cell in
// the file's order, renumbered, must have every face of the library's face table facing outwards and a
// positive volume by the library's tetrahedral split.
#include "zev/io/VtkCellOrder.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

using zev::io::VtkCellType;
using Point = std::array<double, 3>;

Point sub(Point a, Point b)
{
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

double tetVolume(Point a, Point b, Point c, Point d)
{
    Point const u = sub(b, a), v = sub(c, a), w = sub(d, a);
    return ((u[1] * v[2] - u[2] * v[1]) * w[0] + (u[2] * v[0] - u[0] * v[2]) * w[1] +
            (u[0] * v[1] - u[1] * v[0]) * w[2]) /
           6.0;
}

Point mean(std::vector<Point> const& p_points)
{
    Point m{0, 0, 0};
    for (Point const& p : p_points) {
        for (int k = 0; k < 3; ++k) {
            m[k] += p[k] / static_cast<double>(p_points.size());
        }
    }
    return m;
}

// The volume one face encloses with an interior point: the fan of tetrahedra (centre, corner k, corner
// k + 1, face centre). Positive exactly when the face's corners run counter-clockwise seen from outside.
double faceVolume(std::vector<Point> const& p_corners, std::vector<int> const& p_face, Point p_inside)
{
    std::vector<Point> corners;
    for (int v : p_face) {
        corners.push_back(p_corners[v]);
    }
    Point const centre = mean(corners);
    double sum = 0;
    for (std::size_t k = 0; k < corners.size(); ++k) {
        sum += tetVolume(p_inside, corners[k], corners[(k + 1) % corners.size()], centre);
    }
    return sum;
}

// The library's face tables (vertices in the order used for areas and normals).
std::vector<std::vector<int>> libraryFaces(int p_shape)
{
    switch (p_shape) {
    case zev::io::LibraryShape::Tet:
        return {{0, 2, 1}, {0, 1, 3}, {1, 2, 3}, {3, 2, 0}};
    case zev::io::LibraryShape::Pyramid:
        return {{0, 4, 3}, {1, 2, 4}, {0, 1, 4}, {2, 3, 4}, {3, 2, 1, 0}};
    case zev::io::LibraryShape::Wedge:
        return {{0, 3, 5, 2}, {0, 1, 4, 3}, {1, 2, 5, 4}, {0, 2, 1}, {3, 4, 5}};
    case zev::io::LibraryShape::Hex:
        return {{0, 4, 6, 2}, {1, 3, 7, 5}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 2, 3, 1}, {4, 5, 7, 6}};
    default:
        return {};
    }
}

// The library's volume of a fixed element: its split into tetrahedra.
double libraryVolume(int p_shape, std::vector<Point> const& p)
{
    switch (p_shape) {
    case zev::io::LibraryShape::Tet:
        return tetVolume(p[0], p[1], p[2], p[3]);
    case zev::io::LibraryShape::Pyramid:
        return tetVolume(p[0], p[1], p[2], p[4]) + tetVolume(p[0], p[2], p[3], p[4]);
    case zev::io::LibraryShape::Wedge:
        return tetVolume(p[0], p[1], p[2], p[4]) + tetVolume(p[0], p[2], p[5], p[4]) +
               tetVolume(p[0], p[5], p[3], p[4]);
    case zev::io::LibraryShape::Hex:
        return tetVolume(p[0], p[1], p[3], p[7]) + tetVolume(p[0], p[3], p[2], p[7]) +
               tetVolume(p[0], p[2], p[6], p[7]) + tetVolume(p[0], p[6], p[4], p[7]) +
               tetVolume(p[0], p[4], p[5], p[7]) + tetVolume(p[0], p[5], p[1], p[7]);
    default:
        return 0;
    }
}

// A shear and stretch with determinant 2.81, so that no corner sits on a symmetry the mapping could hide
// behind.
constexpr double s_det = 2.81;
Point skew(Point p)
{
    return {2.0 * p[0] + 0.3 * p[1] + 1.0, 0.1 * p[0] + 1.5 * p[1] + 0.2 * p[2] - 2.0,
            0.4 * p[1] + p[2] + 0.5};
}

struct FileCell {
    VtkCellType type;
    std::vector<Point> points; // in the file format's order, a valid cell of the unit shape
    double volume;             // of the unit shape
};

std::vector<FileCell> fileCells()
{
    return {
        {VtkCellType::Tetra, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, 1.0 / 6.0},
        {VtkCellType::Pyramid, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0.5, 0.5, 1}}, 1.0 / 3.0},
        // The file's wedge: the bottom triangle's normal points away from the top one.
        {VtkCellType::Wedge, {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, 1}, {0, 1, 1}, {1, 0, 1}}, 0.5},
        {VtkCellType::Hexahedron,
         {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}},
         1.0},
        {VtkCellType::Voxel,
         {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {0, 0, 1}, {1, 0, 1}, {0, 1, 1}, {1, 1, 1}},
         1.0},
    };
}

std::vector<Point> inLibraryOrder(FileCell const& p_cell, bool p_map)
{
    int const n = static_cast<int>(p_cell.points.size());
    std::vector<int> fileIds(n), libIds(n);
    for (int i = 0; i < n; ++i) {
        fileIds[i] = i;
    }
    if (p_map) {
        zev::io::toLibraryOrder(p_cell.type, fileIds.data(), n, libIds.data());
    } else {
        libIds = fileIds;
    }
    std::vector<Point> out;
    for (int id : libIds) {
        out.push_back(skew(p_cell.points[id]));
    }
    return out;
}

TEST(VtkCellOrder, MappedCellsHaveOutwardFacesAndPositiveVolume)
{
    for (FileCell const& cell : fileCells()) {
        SCOPED_TRACE(zev::io::cellTypeName(cell.type));
        int const shape = zev::io::libraryShapeType(cell.type, static_cast<int>(cell.points.size()));
        std::vector<Point> const p = inLibraryOrder(cell, true);
        Point const inside = mean(p);
        double total = 0;
        auto const faces = libraryFaces(shape);
        ASSERT_FALSE(faces.empty());
        for (std::size_t f = 0; f < faces.size(); ++f) {
            double const v = faceVolume(p, faces[f], inside);
            EXPECT_GT(v, 0.0) << "face " << f << " faces inwards";
            total += v;
        }
        EXPECT_NEAR(total, cell.volume * s_det, 1e-12);
        EXPECT_NEAR(libraryVolume(shape, p), cell.volume * s_det, 1e-12);
    }
}

TEST(VtkCellOrder, HexahedronAndWedgeNeedTheirRenumbering)
{
    // Taken as they stand, the file's hexahedron and wedge turn faces of the library's tables inside out
    // (or make them non-planar crossings); tetra, pyramid and voxel already agree.
    for (FileCell const& cell : fileCells()) {
        int const shape = zev::io::libraryShapeType(cell.type, static_cast<int>(cell.points.size()));
        std::vector<Point> const p = inLibraryOrder(cell, false);
        Point const inside = mean(p);
        bool allOutward = true;
        for (auto const& face : libraryFaces(shape)) {
            allOutward = allOutward && faceVolume(p, face, inside) > 0;
        }
        bool const renumbered = cell.type == VtkCellType::Hexahedron || cell.type == VtkCellType::Wedge;
        EXPECT_EQ(allOutward, !renumbered) << zev::io::cellTypeName(cell.type);
    }
}

TEST(VtkCellOrder, FileOrderUndoesLibraryOrder)
{
    std::vector<int> const ids = {17, 3, 42, 8, 99, 5, 61, 23};
    struct Case {
        VtkCellType type;
        int n;
        std::vector<int> library;
    };
    std::vector<Case> const cases = {
        {VtkCellType::Hexahedron, 8, {17, 3, 8, 42, 99, 5, 23, 61}},
        {VtkCellType::Wedge, 6, {17, 42, 3, 8, 5, 99}},
        {VtkCellType::Voxel, 8, {17, 3, 42, 8, 99, 5, 61, 23}},
        {VtkCellType::Tetra, 4, {17, 3, 42, 8}},
        {VtkCellType::Pyramid, 5, {17, 3, 42, 8, 99}},
        {VtkCellType::Polygon, 7, {17, 3, 42, 8, 99, 5, 61}},
    };
    for (Case const& c : cases) {
        std::vector<int> lib(c.n), back(c.n);
        zev::io::toLibraryOrder(c.type, ids.data(), c.n, lib.data());
        EXPECT_EQ(lib, c.library) << zev::io::cellTypeName(c.type);
        zev::io::toFileOrder(c.type, lib.data(), c.n, back.data());
        EXPECT_EQ(back, std::vector<int>(ids.begin(), ids.begin() + c.n)) << zev::io::cellTypeName(c.type);
    }
}

TEST(VtkCellOrder, ShapeTypes)
{
    using zev::io::libraryShapeType;
    namespace S = zev::io::LibraryShape;
    EXPECT_EQ(libraryShapeType(VtkCellType::Tetra, 4), S::Tet);
    EXPECT_EQ(libraryShapeType(VtkCellType::Voxel, 8), S::Hex);
    EXPECT_EQ(libraryShapeType(VtkCellType::Hexahedron, 8), S::Hex);
    EXPECT_EQ(libraryShapeType(VtkCellType::Wedge, 6), S::Wedge);
    EXPECT_EQ(libraryShapeType(VtkCellType::Pyramid, 5), S::Pyramid);
    EXPECT_EQ(libraryShapeType(VtkCellType::Polyhedron, 12), S::Polyhedron);
    EXPECT_EQ(libraryShapeType(VtkCellType::Triangle, 3), S::Tri);
    EXPECT_EQ(libraryShapeType(VtkCellType::Quad, 4), S::Quad);
    EXPECT_EQ(libraryShapeType(VtkCellType::Polygon, 3), S::Tri);
    EXPECT_EQ(libraryShapeType(VtkCellType::Polygon, 4), S::Quad);
    EXPECT_EQ(libraryShapeType(VtkCellType::Polygon, 5), S::Pentagon);
    EXPECT_EQ(libraryShapeType(VtkCellType::Polygon, 6), S::Hexagon);
    EXPECT_EQ(libraryShapeType(VtkCellType::Polygon, 7), S::Polygon);
    EXPECT_EQ(libraryShapeType(VtkCellType::Line, 2), -1);
}

// A cube as a face stream, faces counter-clockwise seen from outside, points numbered like a voxel.
std::vector<int> const s_cubeStream = {6, 4, 0, 2, 3, 1, 4, 4, 5, 7, 6, 4, 0, 1, 5, 4,
                                       4, 2, 6, 7, 3, 4, 0, 4, 6, 2, 4, 1, 3, 7, 5};

TEST(VtkCellOrder, PolyhedronFaceStream)
{
    zev::io::PolyhedronTopology poly;
    ASSERT_EQ(zev::io::decodeFaceStream(s_cubeStream.data(), static_cast<int>(s_cubeStream.size()), poly),
              "");
    EXPECT_EQ(poly.vertices, (std::vector<int>{0, 2, 3, 1, 4, 5, 7, 6}));
    ASSERT_EQ(poly.faces.size(), 6u);
    EXPECT_EQ(poly.faces[1], (std::vector<int>{4, 5, 6, 7}));

    std::vector<Point> corners;
    for (int id : poly.vertices) {
        corners.push_back(skew({double(id & 1), double((id >> 1) & 1), double(id >> 2)}));
    }
    Point const inside = mean(corners);
    double total = 0;
    for (auto const& face : poly.faces) {
        double const v = faceVolume(corners, face, inside);
        EXPECT_GT(v, 0.0);
        total += v;
    }
    EXPECT_NEAR(total, s_det, 1e-12);
    EXPECT_EQ(zev::io::encodeFaceStream(poly), s_cubeStream);
}

TEST(VtkCellOrder, MalformedFaceStreams)
{
    struct Case {
        std::vector<int> stream;
        std::string message;
    };
    std::vector<Case> const cases = {
        {{}, "empty face stream"},
        {{3, 3, 0, 1, 2, 3, 0, 1, 3, 3, 1, 2, 3}, "a polyhedron needs at least 4 faces, not 3"},
        {{-4, 3, 0, 1, 2}, "a polyhedron needs at least 4 faces, not -4"},
        {{4, 3, 0, 1, 2, 3, 0, 1, 3}, "the face stream is too short for 4 faces"},
        {{4, 3, 0, 1, 2, 2, 0, 1, 4, 1, 2, 3, 0, 3, 0, 2, 3}, "face 1 has 2 points; a face needs at least 3"},
        {{4, 3, 0, 1, 2, 3, 0, 1, 3, 3, 1, 2, 3, 9, 0, 2, 3}, "the face stream is too short for 4 faces"},
        {{4, 3, 0, 1, 2, 3, 0, 1, 3, 3, 1, 2, 3, 3, 0, 2, 3, 7},
         "the face stream holds 18 values but its faces use 17"},
        {{1000000, 3, 0, 1, 2}, "the face stream is too short for 1000000 faces"},
    };
    for (Case const& c : cases) {
        zev::io::PolyhedronTopology poly;
        EXPECT_EQ(zev::io::decodeFaceStream(c.stream.data(), static_cast<int>(c.stream.size()), poly),
                  c.message);
    }
}

} // namespace
