#include "zev/analysis/BoxGenerator.h"

#include <array>
#include <stdexcept>

namespace zev::analysis {

namespace {

// The library's hexahedron faces, counter-clockwise seen from outside, corner i at
// (i mod 2, (i div 2) mod 2, i div 4).
constexpr int s_hexFaces[6][4] = {{0, 4, 6, 2}, {1, 3, 7, 5}, {0, 1, 5, 4},
                                  {2, 6, 7, 3}, {0, 2, 3, 1}, {4, 5, 7, 6}};

// The six tetrahedra of a cell round its main diagonal (corner 0 to corner 7), in the same corner
// numbering: every path from (0,0,0) to (1,1,1) along the axes. Neighbouring cells split their shared
// face along the same diagonal, so the tetrahedra fit together.
constexpr int s_kuhnTets[6][4] = {{0, 1, 3, 7}, {0, 3, 2, 7}, {0, 2, 6, 7},
                                  {0, 6, 4, 7}, {0, 4, 5, 7}, {0, 5, 1, 7}};

// Whether corners a, b, c, d of the unit cube (library numbering) make a tetrahedron of positive volume.
bool positiveTet(int const (&p_tet)[4])
{
    auto at = [](int c, int axis) { return double((c >> axis) & 1); };
    double u[3], v[3], w[3];
    for (int a = 0; a < 3; ++a) {
        u[a] = at(p_tet[1], a) - at(p_tet[0], a);
        v[a] = at(p_tet[2], a) - at(p_tet[0], a);
        w[a] = at(p_tet[3], a) - at(p_tet[0], a);
    }
    double const det = (u[1] * v[2] - u[2] * v[1]) * w[0] + (u[2] * v[0] - u[0] * v[2]) * w[1] +
                       (u[0] * v[1] - u[1] * v[0]) * w[2];
    return det > 0;
}

void appendPointArrays(MeshData& p_mesh)
{
    std::size_t const np = p_mesh.numPoints();
    DataArray linear, pressure, velocity;
    linear.name = "linear";
    pressure.name = "pressure";
    velocity.name = "velocity";
    velocity.role = ArrayRole::Vectors;
    velocity.numComponents = 3;
    linear.values.reserve(np);
    pressure.values.reserve(np);
    velocity.values.reserve(3 * np);
    for (std::size_t i = 0; i < np; ++i) {
        double const x = p_mesh.points[3 * i], y = p_mesh.points[3 * i + 1], z = p_mesh.points[3 * i + 2];
        double const rx = x - 0.5, ry = y - 0.5;
        double const u = -ry, v = rx, w = 1.0 - 2.0 * (rx * rx + ry * ry);
        linear.values.push_back(double(float(1.0 + 2.0 * x + 3.0 * y + 4.0 * z)));
        pressure.values.push_back(double(float(101325.0 - 0.6 * (u * u + v * v + w * w))));
        for (double c : {u, v, w}) {
            velocity.values.push_back(double(float(c)));
        }
    }
    p_mesh.pointData.push_back(std::move(linear));
    p_mesh.pointData.push_back(std::move(pressure));
    p_mesh.pointData.push_back(std::move(velocity));
}

} // namespace

bool parseBoxKind(std::string const& p_text, BoxKind& p_kind)
{
    if (p_text == "hex") {
        p_kind = BoxKind::Hex;
    } else if (p_text == "tet") {
        p_kind = BoxKind::Tet;
    } else if (p_text == "mixed") {
        p_kind = BoxKind::Mixed;
    } else {
        return false;
    }
    return true;
}

char const* boxKindName(BoxKind p_kind)
{
    switch (p_kind) {
    case BoxKind::Hex:
        return "hex";
    case BoxKind::Tet:
        return "tet";
    case BoxKind::Mixed:
        return "mixed";
    }
    return "hex";
}

MeshData generateBox(BoxKind p_kind, int p_n)
{
    if (p_n < 1 || p_n > s_maxBoxCells) {
        throw std::invalid_argument("the box needs between 1 and " + std::to_string(s_maxBoxCells) +
                                    " cells along each axis");
    }
    MeshData mesh;
    mesh.title = std::string("zevgeom ") + boxKindName(p_kind) + " box " + std::to_string(p_n) + "x" +
                 std::to_string(p_n) + "x" + std::to_string(p_n);
    int const m = p_n + 1;
    std::size_t const lattice = std::size_t(m) * m * m;
    std::size_t const cells = std::size_t(p_n) * p_n * p_n;
    mesh.points.reserve(3 * (lattice + (p_kind == BoxKind::Mixed ? cells / 3 + 1 : 0)));
    for (int k = 0; k < m; ++k) {
        for (int j = 0; j < m; ++j) {
            for (int i = 0; i < m; ++i) {
                for (int c : {i, j, k}) {
                    mesh.points.push_back(double(float(double(c) / p_n)));
                }
            }
        }
    }
    std::size_t const perCell = p_kind == BoxKind::Tet ? 6 : p_kind == BoxKind::Mixed ? 6 : 1;
    mesh.cellTypes.reserve(cells * perCell);
    mesh.offsets.reserve(cells * perCell + 1);
    mesh.connectivity.reserve(cells * perCell * 5);
    DataArray region;
    region.name = "region";
    region.type = ValueType::Int;
    region.values.reserve(cells * perCell);

    std::vector<int> ids;
    for (int k = 0; k < p_n; ++k) {
        double const cellRegion = 2 * k < p_n ? 1.0 : 2.0;
        for (int j = 0; j < p_n; ++j) {
            for (int i = 0; i < p_n; ++i) {
                // Corner c of the cell, numbered as the library's hexahedron numbers it.
                std::array<int, 8> corner;
                for (int c = 0; c < 8; ++c) {
                    corner[c] = (i + (c & 1)) + m * ((j + ((c >> 1) & 1)) + m * (k + (c >> 2)));
                }
                BoxKind kind = p_kind;
                if (p_kind == BoxKind::Mixed) {
                    // Whole columns share a type, so that the wedges' triangles meet only wedges.
                    kind = (i + j) % 3 == 0 ? BoxKind::Hex : (i + j) % 3 == 1 ? BoxKind::Tet : BoxKind::Mixed;
                }
                std::size_t const before = mesh.numCells();
                if (kind == BoxKind::Hex) {
                    mesh.addCell(VtkCellType::Hexahedron, {corner[0], corner[1], corner[3], corner[2],
                                                           corner[4], corner[5], corner[7], corner[6]});
                } else if (kind == BoxKind::Tet && p_kind == BoxKind::Tet) {
                    for (auto const& tet : s_kuhnTets) {
                        // Half of the paths run the other way round: those get two corners swapped.
                        ids = {corner[tet[0]], corner[tet[1]], corner[tet[2]], corner[tet[3]]};
                        if (!positiveTet(tet)) {
                            std::swap(ids[1], ids[2]);
                        }
                        mesh.addCell(VtkCellType::Tetra, ids);
                    }
                } else if (kind == BoxKind::Tet) {
                    // Two wedges: the cell's bottom and top squares split along the diagonal from corner
                    // 0 to corner 3. The file's wedge lists its bottom triangle clockwise seen from the top.
                    mesh.addCell(VtkCellType::Wedge,
                                 {corner[0], corner[3], corner[1], corner[4], corner[7], corner[5]});
                    mesh.addCell(VtkCellType::Wedge,
                                 {corner[0], corner[2], corner[3], corner[4], corner[6], corner[7]});
                } else {
                    // Six pyramids over the cell's faces with their apex at its centre; a pyramid's base
                    // runs counter-clockwise seen from the apex, so each outward face is reversed.
                    int const apex = static_cast<int>(mesh.numPoints());
                    for (double c : {i + 0.5, j + 0.5, k + 0.5}) {
                        mesh.points.push_back(double(float(c / p_n)));
                    }
                    for (auto const& face : s_hexFaces) {
                        mesh.addCell(VtkCellType::Pyramid, {corner[face[3]], corner[face[2]], corner[face[1]],
                                                            corner[face[0]], apex});
                    }
                }
                region.values.resize(region.values.size() + (mesh.numCells() - before), cellRegion);
            }
        }
    }
    appendPointArrays(mesh);
    mesh.cellData.push_back(std::move(region));
    return mesh;
}

} // namespace zev::analysis
