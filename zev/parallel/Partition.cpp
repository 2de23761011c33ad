#include "zev/parallel/Partition.h"

#include "zev/contracts/Error.h"

#include <metis.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <utility>

namespace zev::parallel {

using zev::io::DataArray;
using zev::io::MeshData;
using zev::io::ValueType;
using zev::io::VtkCellType;

namespace {

char const* const s_className = "Partition";

// The faces of the volume cells by their local corners, as the file format numbers the corners; -1 ends
// a face of three corners. Orientation does not matter: faces are matched by their sorted corners.
struct FaceTable {
    int count;
    int corners[6][4];
};

FaceTable const s_tetraFaces = {4, {{0, 1, 3, -1}, {1, 2, 3, -1}, {2, 0, 3, -1}, {0, 2, 1, -1}}};
FaceTable const s_hexFaces = {
    6, {{0, 4, 7, 3}, {1, 2, 6, 5}, {0, 1, 5, 4}, {3, 7, 6, 2}, {0, 3, 2, 1}, {4, 5, 6, 7}}};
FaceTable const s_voxelFaces = {
    6, {{0, 2, 6, 4}, {1, 3, 7, 5}, {0, 1, 5, 4}, {2, 3, 7, 6}, {0, 1, 3, 2}, {4, 5, 7, 6}}};
FaceTable const s_wedgeFaces = {5, {{0, 1, 2, -1}, {3, 4, 5, -1}, {0, 1, 4, 3}, {1, 2, 5, 4}, {2, 0, 3, 5}}};
FaceTable const s_pyramidFaces = {5,
                                  {{0, 1, 2, 3}, {0, 1, 4, -1}, {1, 2, 4, -1}, {2, 3, 4, -1}, {3, 0, 4, -1}}};

FaceTable const* faceTable(VtkCellType p_type)
{
    switch (p_type) {
    case VtkCellType::Tetra:
        return &s_tetraFaces;
    case VtkCellType::Hexahedron:
        return &s_hexFaces;
    case VtkCellType::Voxel:
        return &s_voxelFaces;
    case VtkCellType::Wedge:
        return &s_wedgeFaces;
    case VtkCellType::Pyramid:
        return &s_pyramidFaces;
    default:
        return nullptr;
    }
}

[[noreturn]] void badCell(char const* p_method, std::size_t p_cell, std::string const& p_what)
{
    throw zev::internal::badParam(s_className, p_method, "cell " + std::to_string(p_cell) + ": " + p_what);
}

// The keys by which cells meet: every face of a volume cell, a surface cell itself and its edges, and
// the segments of a line cell. Two cells that hold an equal key (the same sorted points) are neighbours,
// so volume cells meet across faces, surface cells across edges, and a boundary face joins the volume
// cell it lies on.
class KeySet {
public:
    explicit KeySet(std::size_t p_reserve)
    {
        m_offsets.reserve(p_reserve + 1);
        m_points.reserve(p_reserve * 4);
        m_cells.reserve(p_reserve);
        m_hashes.reserve(p_reserve);
        m_offsets.push_back(0);
    }

    template <class Get> void add(std::size_t p_cell, int p_count, Get p_get)
    {
        std::size_t const start = m_points.size();
        for (int i = 0; i < p_count; ++i) {
            m_points.push_back(p_get(i));
        }
        std::sort(m_points.begin() + static_cast<std::ptrdiff_t>(start), m_points.end());
        std::uint64_t hash = static_cast<std::uint64_t>(p_count);
        for (std::size_t i = start; i < m_points.size(); ++i) {
            hash = (hash ^ static_cast<std::uint32_t>(m_points[i])) * 0x9E3779B97F4A7C15ull;
            hash ^= hash >> 29;
        }
        m_offsets.push_back(m_points.size());
        m_cells.push_back(p_cell);
        m_hashes.push_back(hash);
    }

    // Calls p_visit(cells) once per distinct key with the cells that hold it. Keys are sorted by their hash
    // first, so that the sort compares whole keys only where hashes meet.
    template <class Visit> void forEachKey(Visit p_visit) const
    {
        std::size_t const n = m_cells.size();
        std::vector<std::pair<std::uint64_t, std::size_t>> order(n);
        for (std::size_t i = 0; i < n; ++i) {
            order[i] = {m_hashes[i], i};
        }
        auto const before = [this](std::pair<std::uint64_t, std::size_t> const& a,
                                   std::pair<std::uint64_t, std::size_t> const& b) {
            return a.first != b.first ? a.first < b.first : less(a.second, b.second);
        };
        std::sort(order.begin(), order.end(), before);
        std::vector<std::size_t> holders;
        for (std::size_t first = 0; first < n;) {
            std::size_t last = first + 1;
            while (last < n && !before(order[first], order[last])) {
                ++last;
            }
            holders.clear();
            for (std::size_t i = first; i < last; ++i) {
                holders.push_back(m_cells[order[i].second]);
            }
            p_visit(holders);
            first = last;
        }
    }

    // The pairs of distinct cells that hold an equal key, each pair once with the smaller cell first.
    std::vector<std::pair<std::size_t, std::size_t>> neighbourPairs() const
    {
        std::vector<std::pair<std::size_t, std::size_t>> pairs;
        pairs.reserve(m_cells.size());
        forEachKey([&pairs](std::vector<std::size_t> const& p_cells) {
            for (std::size_t i = 0; i < p_cells.size(); ++i) {
                for (std::size_t j = i + 1; j < p_cells.size(); ++j) {
                    if (p_cells[i] != p_cells[j]) {
                        pairs.emplace_back(std::min(p_cells[i], p_cells[j]),
                                           std::max(p_cells[i], p_cells[j]));
                    }
                }
            }
        });
        std::sort(pairs.begin(), pairs.end());
        pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());
        return pairs;
    }

private:
    bool less(std::size_t a, std::size_t b) const
    {
        std::size_t const na = m_offsets[a + 1] - m_offsets[a];
        std::size_t const nb = m_offsets[b + 1] - m_offsets[b];
        if (na != nb) {
            return na < nb;
        }
        return std::lexicographical_compare(m_points.begin() + static_cast<std::ptrdiff_t>(m_offsets[a]),
                                            m_points.begin() + static_cast<std::ptrdiff_t>(m_offsets[a + 1]),
                                            m_points.begin() + static_cast<std::ptrdiff_t>(m_offsets[b]),
                                            m_points.begin() + static_cast<std::ptrdiff_t>(m_offsets[b + 1]));
    }

    std::vector<std::size_t> m_offsets;
    std::vector<int> m_points;
    std::vector<std::size_t> m_cells;
    std::vector<std::uint64_t> m_hashes;
};

void addPolyhedronFaces(MeshData const& p_mesh, std::size_t p_cell, KeySet& p_keys, char const* p_method)
{
    int const size = p_mesh.cellSize(p_cell);
    int const* stream = p_mesh.cellPoints(p_cell);
    if (size < 1 || stream[0] < 0) {
        badCell(p_method, p_cell, "the polyhedron's face stream is malformed");
    }
    int at = 1;
    for (int f = 0; f < stream[0]; ++f) {
        if (at >= size || stream[at] < 1 || stream[at] > size - at - 1) {
            badCell(p_method, p_cell, "the polyhedron's face stream is malformed");
        }
        int const corners = stream[at];
        int const* face = stream + at + 1;
        p_keys.add(p_cell, corners, [face](int i) { return face[i]; });
        at += corners + 1;
    }
}

void addCellKeys(MeshData const& p_mesh, std::size_t p_cell, KeySet& p_keys, char const* p_method)
{
    VtkCellType const type = p_mesh.cellTypes[p_cell];
    int const* pts = p_mesh.cellPoints(p_cell);
    int const size = p_mesh.cellSize(p_cell);
    if (type == VtkCellType::Polyhedron) {
        addPolyhedronFaces(p_mesh, p_cell, p_keys, p_method);
        return;
    }
    int const fixed = zev::io::fixedPointCount(type);
    if (fixed >= 0 && size != fixed) {
        badCell(p_method, p_cell,
                std::string("a ") + zev::io::cellTypeName(type) + " needs " + std::to_string(fixed) +
                    " points, not " + std::to_string(size));
    }
    if (FaceTable const* table = faceTable(type)) {
        for (int f = 0; f < table->count; ++f) {
            int const* local = table->corners[f];
            p_keys.add(p_cell, local[3] < 0 ? 3 : 4, [pts, local](int i) { return pts[local[i]]; });
        }
        return;
    }
    if (zev::io::isSurfaceCell(type)) {
        p_keys.add(p_cell, size, [pts](int i) { return pts[i]; });
        for (int i = 0; i < size; ++i) {
            int const j = (i + 1) % size;
            p_keys.add(p_cell, 2, [pts, i, j](int k) { return pts[k == 0 ? i : j]; });
        }
        return;
    }
    // Lines and poly-lines meet at their segments.
    for (int i = 0; i + 1 < size; ++i) {
        p_keys.add(p_cell, 2, [pts, i](int k) { return pts[i + k]; });
    }
}

std::string metisFailure(int p_status)
{
    switch (p_status) {
    case METIS_ERROR_INPUT:
        return "METIS refused the cell graph (erroneous input)";
    case METIS_ERROR_MEMORY:
        return "METIS ran out of memory partitioning the cell graph";
    default:
        return "METIS failed to partition the cell graph (status " + std::to_string(p_status) + ")";
    }
}

// METIS may leave a part empty on small or awkward graphs; each empty part then takes the last cell of
// the largest part, so that with at least as many cells as parts every part has one.
void fillEmptyParts(std::vector<int>& p_parts, int p_count)
{
    std::vector<std::size_t> sizes(static_cast<std::size_t>(p_count), 0);
    for (int p : p_parts) {
        ++sizes[static_cast<std::size_t>(p)];
    }
    for (std::size_t empty = 0; empty < sizes.size(); ++empty) {
        if (sizes[empty] != 0) {
            continue;
        }
        std::size_t const largest =
            static_cast<std::size_t>(std::max_element(sizes.begin(), sizes.end()) - sizes.begin());
        for (std::size_t c = p_parts.size(); c-- > 0;) {
            if (p_parts[c] == static_cast<int>(largest)) {
                p_parts[c] = static_cast<int>(empty);
                break;
            }
        }
        --sizes[largest];
        ++sizes[empty];
    }
}

// The checks every entry point makes: the offsets fit the cells and the connectivity, and, when given,
// there is one part per cell.
void checkMesh(MeshData const& p_mesh, std::vector<int> const* p_cellParts, char const* p_method)
{
    std::size_t const cells = p_mesh.numCells();
    if (p_cellParts != nullptr && p_cellParts->size() != cells) {
        throw zev::internal::badParam(s_className, p_method,
                                      "there are " + std::to_string(p_cellParts->size()) +
                                          " cell parts for " + std::to_string(cells) + " cells");
    }
    if (p_mesh.offsets.size() != cells + 1 || p_mesh.offsets.back() > p_mesh.connectivity.size()) {
        throw zev::internal::badParam(s_className, p_method,
                                      "the mesh's cell offsets do not match its cells and connectivity");
    }
}

// The seed of METIS's random choices: fixed, so that a mesh is always cut the same way.
constexpr idx_t s_metisSeed = 20260;

} // namespace

std::vector<int> partitionCells(MeshData const& p_mesh, int p_parts)
{
    if (p_parts < 1) {
        throw zev::internal::badParam(s_className, "partitionCells",
                                      "the number of parts must be at least 1, not " +
                                          std::to_string(p_parts));
    }
    checkMesh(p_mesh, nullptr, "partitionCells");
    std::size_t const cells = p_mesh.numCells();
    if (p_parts == 1 || cells == 0) {
        return std::vector<int>(cells, 0);
    }
    if (static_cast<std::size_t>(p_parts) >= cells) {
        // One cell per part; the remaining parts stay empty.
        std::vector<int> parts(cells);
        for (std::size_t c = 0; c < cells; ++c) {
            parts[c] = static_cast<int>(c);
        }
        return parts;
    }
    if (cells > static_cast<std::size_t>(INT32_MAX)) {
        throw zev::internal::badParam(s_className, "partitionCells",
                                      "the mesh has " + std::to_string(cells) +
                                          " cells, more than METIS's 32-bit indices can number");
    }

    KeySet keys(cells * 6);
    for (std::size_t c = 0; c < cells; ++c) {
        addCellKeys(p_mesh, c, keys, "partitionCells");
    }
    std::vector<std::pair<std::size_t, std::size_t>> const pairs = keys.neighbourPairs();
    if (pairs.size() > static_cast<std::size_t>(INT32_MAX / 2)) {
        throw zev::internal::badParam(s_className, "partitionCells",
                                      "the cell graph has more neighbour pairs than METIS can number");
    }

    // The cell graph in compressed rows, both directions of every pair.
    std::vector<idx_t> xadj(cells + 1, 0);
    for (auto const& p : pairs) {
        ++xadj[p.first + 1];
        ++xadj[p.second + 1];
    }
    for (std::size_t c = 0; c < cells; ++c) {
        xadj[c + 1] += xadj[c];
    }
    std::vector<idx_t> adjncy(static_cast<std::size_t>(xadj[cells]) + 1, 0);
    std::vector<idx_t> fill(xadj.begin(), xadj.end() - 1);
    for (auto const& p : pairs) {
        adjncy[static_cast<std::size_t>(fill[p.first]++)] = static_cast<idx_t>(p.second);
        adjncy[static_cast<std::size_t>(fill[p.second]++)] = static_cast<idx_t>(p.first);
    }

    idx_t options[METIS_NOPTIONS];
    METIS_SetDefaultOptions(options);
    options[METIS_OPTION_SEED] = s_metisSeed;
    options[METIS_OPTION_NUMBERING] = 0;
    idx_t nvtxs = static_cast<idx_t>(cells);
    idx_t ncon = 1;
    idx_t nparts = p_parts;
    idx_t objval = 0;
    std::vector<idx_t> part(cells, 0);
    int const status = METIS_PartGraphKway(&nvtxs, &ncon, xadj.data(), adjncy.data(), nullptr, nullptr,
                                           nullptr, &nparts, nullptr, nullptr, options, &objval, part.data());
    if (status != METIS_OK) {
        throw zev::internal::error(s_className, "partitionCells", metisFailure(status));
    }
    std::vector<int> result(cells);
    for (std::size_t c = 0; c < cells; ++c) {
        if (part[c] < 0 || part[c] >= nparts) {
            throw zev::internal::error(s_className, "partitionCells",
                                       "METIS gave cell " + std::to_string(c) + " the part " +
                                           std::to_string(part[c]) + ", outside 0.." +
                                           std::to_string(nparts - 1));
        }
        result[c] = static_cast<int>(part[c]);
    }
    fillEmptyParts(result, p_parts);
    return result;
}

std::size_t interfaceFaces(MeshData const& p_mesh, std::vector<int> const& p_cellParts)
{
    std::size_t const cells = p_mesh.numCells();
    checkMesh(p_mesh, &p_cellParts, "interfaceFaces");
    KeySet keys(cells * 6);
    for (std::size_t c = 0; c < cells; ++c) {
        addCellKeys(p_mesh, c, keys, "interfaceFaces");
    }
    std::size_t cut = 0;
    keys.forEachKey([&](std::vector<std::size_t> const& p_cells) {
        for (std::size_t c : p_cells) {
            if (p_cellParts[c] != p_cellParts[p_cells.front()]) {
                ++cut;
                return;
            }
        }
    });
    return cut;
}

namespace {

// The values of p_array at the chosen tuples, in their order.
DataArray cutArray(DataArray const& p_array, std::vector<std::size_t> const& p_tuples)
{
    DataArray out;
    out.name = p_array.name;
    out.numComponents = p_array.numComponents;
    out.type = p_array.type;
    out.role = p_array.role;
    std::size_t const nc = static_cast<std::size_t>(std::max(p_array.numComponents, 0));
    out.values.reserve(p_tuples.size() * nc);
    for (std::size_t t : p_tuples) {
        out.values.insert(out.values.end(), p_array.values.begin() + static_cast<std::ptrdiff_t>(t * nc),
                          p_array.values.begin() + static_cast<std::ptrdiff_t>((t + 1) * nc));
    }
    return out;
}

// The global ids of the chosen tuples: the first component of an existing ids array, else the indices.
DataArray idArray(char const* p_name, DataArray const* p_existing, std::vector<std::size_t> const& p_tuples)
{
    DataArray out;
    out.name = p_name;
    out.numComponents = 1;
    out.type = ValueType::Int64;
    out.role = zev::io::ArrayRole::Scalars;
    out.values.reserve(p_tuples.size());
    for (std::size_t t : p_tuples) {
        out.values.push_back(p_existing != nullptr
                                 ? p_existing->values[t * static_cast<std::size_t>(p_existing->numComponents)]
                                 : static_cast<double>(t));
    }
    return out;
}

// The arrays of p_arrays cut to p_tuples, with the ids array p_idName in place of an existing one of that
// name, or appended.
std::vector<DataArray> cutArrays(std::vector<DataArray> const& p_arrays,
                                 std::vector<std::size_t> const& p_tuples, std::size_t p_count,
                                 char const* p_idName, char const* p_kind)
{
    std::vector<DataArray> out;
    out.reserve(p_arrays.size() + 1);
    bool placed = false;
    for (DataArray const& a : p_arrays) {
        if (a.numComponents < 1 || a.values.size() != p_count * static_cast<std::size_t>(a.numComponents)) {
            throw zev::internal::badParam(s_className, "extractPiece",
                                          std::string("the ") + p_kind + " array '" + a.name +
                                              "' does not hold one tuple per " + p_kind);
        }
        if (a.name == p_idName) {
            out.push_back(idArray(p_idName, &a, p_tuples));
            placed = true;
        } else {
            out.push_back(cutArray(a, p_tuples));
        }
    }
    if (!placed) {
        out.push_back(idArray(p_idName, nullptr, p_tuples));
    }
    return out;
}

} // namespace

MeshData extractPiece(MeshData const& p_mesh, std::vector<int> const& p_cellParts, int p_part)
{
    std::size_t const cells = p_mesh.numCells();
    std::size_t const points = p_mesh.numPoints();
    checkMesh(p_mesh, &p_cellParts, "extractPiece");

    // The piece's cells, and which points they use (a polyhedron's face stream holds counts too).
    std::vector<std::size_t> pieceCells;
    std::vector<char> used(points, 0);
    auto forEachPoint = [&p_mesh](std::size_t c, auto p_visit) {
        int const* pts = p_mesh.cellPoints(c);
        int const size = p_mesh.cellSize(c);
        if (p_mesh.cellTypes[c] != VtkCellType::Polyhedron) {
            for (int i = 0; i < size; ++i) {
                p_visit(i);
            }
            return;
        }
        int at = 1;
        int const faces = size > 0 ? pts[0] : -1;
        if (faces < 0) {
            badCell("extractPiece", c, "the polyhedron's face stream is malformed");
        }
        for (int f = 0; f < faces; ++f) {
            if (at >= size || pts[at] < 1 || pts[at] > size - at - 1) {
                badCell("extractPiece", c, "the polyhedron's face stream is malformed");
            }
            for (int i = 0; i < pts[at]; ++i) {
                p_visit(at + 1 + i);
            }
            at += pts[at] + 1;
        }
    };
    for (std::size_t c = 0; c < cells; ++c) {
        if (p_cellParts[c] != p_part) {
            continue;
        }
        pieceCells.push_back(c);
        int const* pts = p_mesh.cellPoints(c);
        forEachPoint(c, [&](int i) {
            if (pts[i] < 0 || static_cast<std::size_t>(pts[i]) >= points) {
                badCell("extractPiece", c, "point " + std::to_string(pts[i]) + " is not in the mesh");
            }
            used[static_cast<std::size_t>(pts[i])] = 1;
        });
    }
    std::vector<std::size_t> piecePoints;
    std::vector<int> local(points, -1);
    for (std::size_t p = 0; p < points; ++p) {
        if (used[p]) {
            local[p] = static_cast<int>(piecePoints.size());
            piecePoints.push_back(p);
        }
    }

    MeshData piece;
    piece.kind = p_mesh.kind;
    piece.title = p_mesh.title;
    piece.pointType = p_mesh.pointType;
    piece.points.reserve(piecePoints.size() * 3);
    for (std::size_t p : piecePoints) {
        piece.points.insert(piece.points.end(), p_mesh.points.begin() + static_cast<std::ptrdiff_t>(p * 3),
                            p_mesh.points.begin() + static_cast<std::ptrdiff_t>(p * 3 + 3));
    }
    piece.cellTypes.reserve(pieceCells.size());
    piece.offsets.reserve(pieceCells.size() + 1);
    for (std::size_t c : pieceCells) {
        int const* pts = p_mesh.cellPoints(c);
        std::size_t const start = piece.connectivity.size();
        piece.connectivity.insert(piece.connectivity.end(), pts, pts + p_mesh.cellSize(c));
        forEachPoint(c, [&](int i) {
            piece.connectivity[start + static_cast<std::size_t>(i)] = local[static_cast<std::size_t>(pts[i])];
        });
        piece.cellTypes.push_back(p_mesh.cellTypes[c]);
        piece.offsets.push_back(piece.connectivity.size());
    }
    piece.pointData = cutArrays(p_mesh.pointData, piecePoints, points, s_globalNodeIds, "point");
    piece.cellData = cutArrays(p_mesh.cellData, pieceCells, cells, s_globalCellIds, "cell");
    return piece;
}

} // namespace zev::parallel
