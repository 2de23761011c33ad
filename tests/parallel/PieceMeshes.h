#pragma once
// Small file meshes for the piece tests: the unit box cut into N^3 hexahedra, into 6 N^3 conforming
// tetrahedra, or into a mix of hexahedra, wedges and pyramids whose faces meet whole; and an N x N quad
// patch as a surface mesh.

#include "zev/io/MeshData.h"

#include <array>
#include <cstddef>
#include <vector>

namespace zev::test {

enum class BoxCells { Hex, Tet, Mixed };

// Point (i, j, k) of the (p_n+1)^3 lattice is number (k * (p_n+1) + j) * (p_n+1) + i, at (i, j, k) / p_n.
inline zev::io::MeshData pieceBox(BoxCells p_cells, int p_n)
{
    using zev::io::VtkCellType;
    zev::io::MeshData mesh;
    mesh.pointType = zev::io::ValueType::Double;
    int const m = p_n + 1;
    for (int k = 0; k < m; ++k) {
        for (int j = 0; j < m; ++j) {
            for (int i = 0; i < m; ++i) {
                mesh.points.insert(mesh.points.end(), {double(i) / p_n, double(j) / p_n, double(k) / p_n});
            }
        }
    }
    auto id = [m](int i, int j, int k) { return (k * m + j) * m + i; };
    for (int k = 0; k < p_n; ++k) {
        for (int j = 0; j < p_n; ++j) {
            for (int i = 0; i < p_n; ++i) {
                // Corners in the hexahedron's order: the bottom square counter-clockwise, then the top.
                std::array<int, 8> const c = {
                    id(i, j, k),     id(i + 1, j, k),     id(i + 1, j + 1, k),     id(i, j + 1, k),
                    id(i, j, k + 1), id(i + 1, j, k + 1), id(i + 1, j + 1, k + 1), id(i, j + 1, k + 1)};
                int const kind = p_cells == BoxCells::Mixed ? i % 3 : (p_cells == BoxCells::Hex ? 0 : 3);
                if (kind == 0) {
                    mesh.addCell(VtkCellType::Hexahedron, {c.begin(), c.end()});
                } else if (kind == 1) {
                    // Two wedges split along the bottom diagonal 0-2.
                    mesh.addCell(VtkCellType::Wedge, {c[0], c[1], c[2], c[4], c[5], c[6]});
                    mesh.addCell(VtkCellType::Wedge, {c[0], c[2], c[3], c[4], c[6], c[7]});
                } else if (kind == 2) {
                    // Six pyramids on the faces, their apex a new point at the centre.
                    int const apex = static_cast<int>(mesh.numPoints());
                    mesh.points.insert(mesh.points.end(),
                                       {(i + 0.5) / p_n, (j + 0.5) / p_n, (k + 0.5) / p_n});
                    int const faces[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4},
                                             {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};
                    for (auto const& f : faces) {
                        mesh.addCell(VtkCellType::Pyramid, {c[f[0]], c[f[1]], c[f[2]], c[f[3]], apex});
                    }
                } else {
                    // Six tetrahedra round the diagonal 0-6, one per path along the axes: they meet their
                    // neighbours in whole triangles.
                    int const paths[6][2] = {{1, 2}, {1, 5}, {3, 2}, {3, 7}, {4, 5}, {4, 7}};
                    for (auto const& p : paths) {
                        mesh.addCell(VtkCellType::Tetra, {c[0], c[p[0]], c[p[1]], c[6]});
                    }
                }
            }
        }
    }
    return mesh;
}

// An p_n x p_n patch of quads in the plane z = 0, as PolyData.
inline zev::io::MeshData quadPatch(int p_n)
{
    zev::io::MeshData mesh;
    mesh.kind = zev::io::DatasetKind::PolyData;
    int const m = p_n + 1;
    for (int j = 0; j < m; ++j) {
        for (int i = 0; i < m; ++i) {
            mesh.points.insert(mesh.points.end(), {double(i), double(j), 0.0});
        }
    }
    for (int j = 0; j < p_n; ++j) {
        for (int i = 0; i < p_n; ++i) {
            int const a = j * m + i;
            mesh.addCell(zev::io::VtkCellType::Quad, {a, a + 1, a + m + 1, a + m});
        }
    }
    return mesh;
}

// A point array "x" (the x coordinate) and a cell array "cell" (the cell's index), to follow through cuts.
inline void addTracers(zev::io::MeshData& p_mesh)
{
    zev::io::DataArray x;
    x.name = "x";
    x.type = zev::io::ValueType::Double;
    for (std::size_t p = 0; p < p_mesh.numPoints(); ++p) {
        x.values.push_back(p_mesh.points[p * 3]);
    }
    p_mesh.pointData.push_back(x);
    zev::io::DataArray cell;
    cell.name = "cell";
    cell.type = zev::io::ValueType::Int;
    for (std::size_t c = 0; c < p_mesh.numCells(); ++c) {
        cell.values.push_back(double(c));
    }
    p_mesh.cellData.push_back(cell);
}

} // namespace zev::test
