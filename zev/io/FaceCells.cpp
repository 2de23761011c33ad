#include "zev/io/FaceCells.h"

#include <algorithm>
#include <cstdint>

namespace zev::io {

namespace {

// Builds one cell from its faces: a tetrahedron, pyramid, prism or hexahedron when the faces make one,
// otherwise a polyhedron. Cells go straight onto the end of the mesh's cell arrays.
class CellBuilder {
public:
    explicit CellBuilder(FaceCells const& p_mesh) : m_mesh(p_mesh), m_mark(p_mesh.numPoints, 0) {}

    void build(int p_cell, int const* p_faces, int p_count, MeshData& p_out)
    {
        int triangles = 0, quads = 0;
        for (int k = 0; k < p_count; ++k) {
            int const n = faceSize(static_cast<std::size_t>(p_faces[k]));
            triangles += n == 3;
            quads += n == 4;
        }
        bool built = false;
        if (p_count == 6 && quads == 6) {
            built = extruded(p_cell, p_faces, p_count, 4, true, VtkCellType::Hexahedron, p_out);
        } else if (p_count == 5 && triangles == 2 && quads == 3) {
            built = extruded(p_cell, p_faces, p_count, 3, false, VtkCellType::Wedge, p_out);
        } else if (p_count == 4 && triangles == 4) {
            built = apex(p_cell, p_faces, p_count, 3, VtkCellType::Tetra, p_out);
        } else if (p_count == 5 && triangles == 4 && quads == 1) {
            built = apex(p_cell, p_faces, p_count, 4, VtkCellType::Pyramid, p_out);
        }
        if (!built) {
            polyhedron(p_cell, p_faces, p_count, p_out);
        }
    }

private:
    int faceSize(std::size_t f) const { return m_mesh.faceOffsets[f + 1] - m_mesh.faceOffsets[f]; }
    int const* face(std::size_t f) const { return m_mesh.faceLabels.data() + m_mesh.faceOffsets[f]; }

    // Face f's corners as seen from p_cell into p_out: pointing out of it when p_outward, into it
    // otherwise (a face points out of its owner). Returns the corner count.
    int corners(int p_cell, int p_face, bool p_outward, int* p_out) const
    {
        std::size_t const f = static_cast<std::size_t>(p_face);
        int const n = faceSize(f);
        int const* ids = face(f);
        if ((m_mesh.owner[f] == p_cell) == p_outward) {
            std::copy(ids, ids + n, p_out);
        } else {
            p_out[0] = ids[0];
            std::reverse_copy(ids + 1, ids + n, p_out + 1);
        }
        return n;
    }

    static bool holds(int const* p_ids, int p_count, int p_v)
    {
        for (int k = 0; k < p_count; ++k) {
            if (p_ids[k] == p_v) {
                return true;
            }
        }
        return false;
    }

    static void add(VtkCellType p_type, int const* p_ids, int p_count, MeshData& p_out)
    {
        p_out.cellTypes.push_back(p_type);
        p_out.connectivity.insert(p_out.connectivity.end(), p_ids, p_ids + p_count);
        p_out.offsets.push_back(p_out.connectivity.size());
    }

    int firstOfSize(int const* p_faces, int p_count, int p_size) const
    {
        for (int k = 0; k < p_count; ++k) {
            if (faceSize(static_cast<std::size_t>(p_faces[k])) == p_size) {
                return k;
            }
        }
        return -1;
    }

    // Tetrahedra and pyramids: the base (the one face of p_baseSize corners) facing the apex, then the
    // apex.
    bool apex(int p_cell, int const* p_faces, int p_count, int p_baseSize, VtkCellType p_type,
              MeshData& p_out)
    {
        int ids[5];
        int const base = firstOfSize(p_faces, p_count, p_baseSize);
        corners(p_cell, p_faces[base], false, ids);
        int top = -1;
        for (int k = 0; k < p_count; ++k) {
            std::size_t const f = static_cast<std::size_t>(p_faces[k]);
            for (int i = 0; k != base && i < faceSize(f); ++i) {
                int const v = face(f)[i];
                if (holds(ids, p_baseSize, v)) {
                    continue;
                }
                if (top >= 0 && top != v) {
                    return false;
                }
                top = v;
            }
        }
        if (top < 0) {
            return false;
        }
        ids[p_baseSize] = top;
        add(p_type, ids, p_baseSize + 1, p_out);
        return true;
    }

    // Hexahedra and prisms: a base face, then for each base corner the corner across the side face that
    // joins it to the opposite face. VTK orders a hexahedron's base facing the top, a prism's facing away.
    bool extruded(int p_cell, int const* p_faces, int p_count, int p_baseSize, bool p_baseInward,
                  VtkCellType p_type, MeshData& p_out)
    {
        int ids[8];
        int const base = firstOfSize(p_faces, p_count, p_baseSize);
        corners(p_cell, p_faces[base], !p_baseInward, ids);
        // The cell's corners found so far carry this cell's mark: membership tests cost one load.
        std::uint32_t const mark = ++m_serial;
        for (int b = 0; b < p_baseSize; ++b) {
            m_mark[static_cast<std::size_t>(ids[b])] = mark;
        }
        auto marked = [&](int p_v) { return m_mark[static_cast<std::size_t>(p_v)] == mark; };
        for (int b = 0; b < p_baseSize; ++b) {
            int const v = ids[b];
            int partner = -1;
            for (int k = 0; k < p_count && partner < 0; ++k) {
                std::size_t const f = static_cast<std::size_t>(p_faces[k]);
                if (k == base || faceSize(f) != 4) {
                    continue;
                }
                int const* ring = face(f);
                for (int i = 0; i < 4; ++i) {
                    if (ring[i] != v) {
                        continue;
                    }
                    int const before = ring[(i + 3) % 4];
                    int const after = ring[(i + 1) % 4];
                    partner = !holds(ids, p_baseSize, before)  ? before
                              : !holds(ids, p_baseSize, after) ? after
                                                               : -1;
                    break;
                }
            }
            // A partner must be new: not a base corner and not another corner's partner.
            if (partner < 0 || marked(partner)) {
                return false;
            }
            m_mark[static_cast<std::size_t>(partner)] = mark;
            ids[p_baseSize + b] = partner;
        }
        // Every corner of every face must be one of the cell's corners.
        for (int k = 0; k < p_count; ++k) {
            std::size_t const f = static_cast<std::size_t>(p_faces[k]);
            int const* ring = face(f);
            for (int i = 0, n = faceSize(f); i < n; ++i) {
                if (!marked(ring[i])) {
                    return false;
                }
            }
        }
        add(p_type, ids, 2 * p_baseSize, p_out);
        return true;
    }

    // The face stream of a polyhedron, each face pointing out of the cell.
    void polyhedron(int p_cell, int const* p_faces, int p_count, MeshData& p_out)
    {
        p_out.cellTypes.push_back(VtkCellType::Polyhedron);
        p_out.connectivity.push_back(p_count);
        for (int k = 0; k < p_count; ++k) {
            m_ids.resize(static_cast<std::size_t>(faceSize(static_cast<std::size_t>(p_faces[k]))));
            int const n = corners(p_cell, p_faces[k], true, m_ids.data());
            p_out.connectivity.push_back(n);
            p_out.connectivity.insert(p_out.connectivity.end(), m_ids.begin(), m_ids.end());
        }
        p_out.offsets.push_back(p_out.connectivity.size());
    }

    FaceCells const& m_mesh;
    std::vector<int> m_ids;
    std::vector<std::uint32_t> m_mark; // per point: the serial of the last cell that marked it
    std::uint32_t m_serial = 0;
};

} // namespace

FaceCells::Failure FaceCells::appendCells(MeshData& p_out) const
{
    std::size_t const cells = static_cast<std::size_t>(numCells);
    std::size_t const faces = owner.size();
    std::size_t const sided = std::min(neighbour.size(), faces);
    // Every cell's faces, in increasing face order.
    std::vector<std::size_t> start(cells + 1, 0);
    for (std::size_t f = 0; f < faces; ++f) {
        ++start[static_cast<std::size_t>(owner[f]) + 1];
        if (f < sided && neighbour[f] >= 0) {
            ++start[static_cast<std::size_t>(neighbour[f]) + 1];
        }
    }
    for (std::size_t c = 0; c < cells; ++c) {
        start[c + 1] += start[c];
    }
    std::vector<int> cellFaces(start.back());
    // start[c] serves as cell c's fill cursor, which ends at cell c + 1's start; shifted back after.
    for (std::size_t f = 0; f < faces; ++f) {
        cellFaces[start[static_cast<std::size_t>(owner[f])]++] = static_cast<int>(f);
        if (f < sided && neighbour[f] >= 0) {
            cellFaces[start[static_cast<std::size_t>(neighbour[f])]++] = static_cast<int>(f);
        }
    }
    for (std::size_t c = cells; c > 0; --c) {
        start[c] = start[c - 1];
    }
    start[0] = 0;

    CellBuilder builder(*this);
    for (std::size_t c = 0; c < cells; ++c) {
        int const count = static_cast<int>(start[c + 1] - start[c]);
        if (count < 4) {
            return {static_cast<long long>(c), count};
        }
        builder.build(static_cast<int>(c), cellFaces.data() + start[c], count, p_out);
    }
    return {};
}

} // namespace zev::io
