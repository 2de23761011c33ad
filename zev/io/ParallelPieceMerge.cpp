// Merging the pieces of a partitioned mesh into one mesh: points of equal global ids become one, and pieces
// that number a whole mesh once give that mesh back in its own order.
#include "zev/io/ParallelPieces.h"
#include "zev/io/ParallelVtkFile.h"

#include "zev/contracts/Error.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <utility>

namespace zev::io {

DataArray const* pieces::findArray(std::vector<DataArray> const& p_arrays, std::string const& p_name)
{
    for (DataArray const& a : p_arrays) {
        if (a.name == p_name) {
            return &a;
        }
    }
    return nullptr;
}

namespace {

using pieces::findArray;

char const* const s_className = "ParallelVtkFile";
char const* const s_nodeIds = "GlobalNodeIds";
char const* const s_cellIds = "GlobalCellIds";

[[noreturn]] void mergeFailure(std::size_t p_piece, std::string const& p_message)
{
    throw pieces::PieceFault(p_piece, p_message);
}

// Every piece holds the first piece's arrays, of as many components, with one tuple per point or cell.
void checkLayout(std::vector<MeshData> const& p_pieces, bool p_points)
{
    std::vector<DataArray> const& first = p_points ? p_pieces[0].pointData : p_pieces[0].cellData;
    char const* const kind = p_points ? "point" : "cell";
    for (std::size_t p = 0; p < p_pieces.size(); ++p) {
        MeshData const& piece = p_pieces[p];
        std::vector<DataArray> const& arrays = p_points ? piece.pointData : piece.cellData;
        std::size_t const tuples = p_points ? piece.numPoints() : piece.numCells();
        if (arrays.size() != first.size()) {
            mergeFailure(p, "it has " + std::to_string(arrays.size()) + " " + kind + " arrays, piece 0 has " +
                                std::to_string(first.size()));
        }
        for (DataArray const& a : first) {
            DataArray const* mine = findArray(arrays, a.name);
            if (mine == nullptr || mine->numComponents != a.numComponents) {
                mergeFailure(p, std::string("it has no ") + kind + " array '" + a.name + "' of " +
                                    std::to_string(a.numComponents) + " components");
            }
            if (mine->values.size() != tuples * static_cast<std::size_t>(a.numComponents)) {
                mergeFailure(p, std::string("its ") + kind + " array '" + a.name +
                                    "' does not hold one tuple per " + kind);
            }
        }
    }
}

// Calls p_visit(k) for every position k of cell p_cell's connectivity that names a point: all of them, or
// for a polyhedron the corners in its face stream. False when that stream is malformed.
template <class Visit> bool forEachPointRef(MeshData const& p_mesh, std::size_t p_cell, Visit p_visit)
{
    int const* pts = p_mesh.cellPoints(p_cell);
    int const size = p_mesh.cellSize(p_cell);
    if (p_mesh.cellTypes[p_cell] != VtkCellType::Polyhedron) {
        for (int k = 0; k < size; ++k) {
            p_visit(k);
        }
        return true;
    }
    // A face stream: the face count, then each face's corner count and corners.
    int const faces = size > 0 ? pts[0] : -1;
    int at = 1;
    for (int f = 0; f < faces; ++f) {
        if (at >= size || pts[at] < 1 || pts[at] > size - at - 1) {
            return false;
        }
        for (int k = 0; k < pts[at]; ++k) {
            p_visit(at + 1 + k);
        }
        at += pts[at] + 1;
    }
    return faces >= 0 && at == size;
}

// The position of every tuple in the order its global ids give, when they number the tuples 0 .. n-1
// each once; empty otherwise.
std::vector<std::size_t> globalOrder(DataArray const* p_ids, std::size_t p_count)
{
    if (p_ids == nullptr || p_ids->numComponents != 1 || p_ids->values.size() != p_count) {
        return {};
    }
    std::vector<std::size_t> order(p_count, p_count);
    for (std::size_t i = 0; i < p_count; ++i) {
        double const id = p_ids->values[i];
        if (!(id >= 0.0 && id < static_cast<double>(p_count)) || id != std::floor(id)) {
            return {};
        }
        std::size_t& slot = order[static_cast<std::size_t>(id)];
        if (slot != p_count) {
            return {};
        }
        slot = i;
    }
    return order;
}

void reorderArrays(std::vector<DataArray>& p_arrays, std::vector<std::size_t> const& p_order)
{
    for (DataArray& a : p_arrays) {
        std::size_t const nc = static_cast<std::size_t>(a.numComponents);
        std::vector<double> values;
        values.reserve(a.values.size());
        for (std::size_t i : p_order) {
            values.insert(values.end(), a.values.begin() + static_cast<std::ptrdiff_t>(i * nc),
                          a.values.begin() + static_cast<std::ptrdiff_t>((i + 1) * nc));
        }
        a.values = std::move(values);
    }
}

void eraseArray(std::vector<DataArray>& p_arrays, std::string const& p_name)
{
    for (auto a = p_arrays.begin(); a != p_arrays.end(); ++a) {
        if (a->name == p_name) {
            p_arrays.erase(a);
            return;
        }
    }
}

} // namespace

// Pieces that hold every point and cell of a whole mesh once, by global ids 0 .. n-1, give that mesh back
// as it was: points and cells in their global order, without the id arrays (they would only number them
// again). Otherwise the merged mesh stays as it is.
void pieces::restoreWholeMesh(MeshData& p_mesh)
{
    std::vector<std::size_t> const points = globalOrder(p_mesh.findPointArray(s_nodeIds), p_mesh.numPoints());
    std::vector<std::size_t> const cells = globalOrder(p_mesh.findCellArray(s_cellIds), p_mesh.numCells());
    if (points.size() != p_mesh.numPoints() || cells.size() != p_mesh.numCells() || points.empty()) {
        return;
    }
    std::vector<int> renumbered(points.size());
    std::vector<double> coordinates(p_mesh.points.size());
    for (std::size_t g = 0; g < points.size(); ++g) {
        renumbered[points[g]] = static_cast<int>(g);
        for (std::size_t d = 0; d < 3; ++d) {
            coordinates[g * 3 + d] = p_mesh.points[points[g] * 3 + d];
        }
    }
    MeshData out;
    out.kind = p_mesh.kind;
    out.title = p_mesh.title;
    out.pointType = p_mesh.pointType;
    out.readChanges = p_mesh.readChanges;
    out.points = std::move(coordinates);
    out.cellTypes.reserve(cells.size());
    out.offsets.reserve(cells.size() + 1);
    out.connectivity.reserve(p_mesh.connectivity.size());
    for (std::size_t c : cells) {
        int const* pts = p_mesh.cellPoints(c);
        std::size_t const start = out.connectivity.size();
        out.connectivity.insert(out.connectivity.end(), pts, pts + p_mesh.cellSize(c));
        // The merge checked every stream and point already.
        forEachPointRef(p_mesh, c, [&](int k) {
            out.connectivity[start + static_cast<std::size_t>(k)] =
                renumbered[static_cast<std::size_t>(pts[k])];
        });
        out.cellTypes.push_back(p_mesh.cellTypes[c]);
        out.offsets.push_back(out.connectivity.size());
    }
    out.pointData = std::move(p_mesh.pointData);
    out.cellData = std::move(p_mesh.cellData);
    reorderArrays(out.pointData, points);
    reorderArrays(out.cellData, cells);
    eraseArray(out.pointData, s_nodeIds);
    eraseArray(out.cellData, s_cellIds);
    p_mesh = std::move(out);
}

MeshData mergePieces(std::vector<MeshData> const& p_pieces)
{
    try {
        return pieces::merge(p_pieces);
    } catch (pieces::PieceFault const& e) {
        throw zev::data::invalid(s_className, "mergePieces",
                                 "piece " + std::to_string(e.piece) + ": " + e.what());
    }
}

MeshData pieces::merge(std::vector<MeshData> const& p_pieces)
{
    MeshData out;
    if (p_pieces.empty()) {
        return out;
    }
    checkLayout(p_pieces, true);
    checkLayout(p_pieces, false);
    bool byIds = true;
    for (MeshData const& piece : p_pieces) {
        DataArray const* ids = piece.findPointArray(s_nodeIds);
        byIds = byIds && ids != nullptr && ids->numComponents == 1;
    }
    out.kind = p_pieces[0].kind;
    out.title = p_pieces[0].title;
    for (MeshData const& piece : p_pieces) {
        out.readChanges.vertices += piece.readChanges.vertices;
        out.readChanges.polyVertices += piece.readChanges.polyVertices;
        out.readChanges.secondOrder += piece.readChanges.secondOrder;
    }
    out.pointType = ValueType::Float;
    std::size_t points = 0;
    std::size_t cells = 0;
    std::size_t links = 0;
    for (MeshData const& piece : p_pieces) {
        points += piece.numPoints();
        cells += piece.numCells();
        links += piece.connectivity.size();
        if (piece.pointType == ValueType::Double) {
            out.pointType = ValueType::Double;
        }
    }
    out.points.reserve(points * 3);
    out.cellTypes.reserve(cells);
    out.offsets.reserve(cells + 1);
    out.connectivity.reserve(links);
    for (DataArray const& a : p_pieces[0].pointData) {
        out.pointData.push_back(DataArray{a.name, a.numComponents, a.type, a.role, {}});
    }
    for (DataArray const& a : p_pieces[0].cellData) {
        out.cellData.push_back(DataArray{a.name, a.numComponents, a.type, a.role, {}});
    }

    std::unordered_map<std::int64_t, int> merged;
    // The piece and the point in it that each merged point came from, to compare the points merged with it.
    std::vector<std::pair<std::size_t, std::size_t>> origin;
    if (byIds) {
        merged.reserve(points);
        origin.reserve(points);
    }
    std::vector<int> local;
    for (std::size_t p = 0; p < p_pieces.size(); ++p) {
        MeshData const& piece = p_pieces[p];
        if (piece.offsets.size() != piece.numCells() + 1 ||
            piece.offsets.back() > piece.connectivity.size()) {
            mergeFailure(p, "its cell offsets do not match its cells and connectivity");
        }
        // Where each of the piece's points goes in the merged mesh; new points are appended with their data.
        DataArray const* ids = byIds ? piece.findPointArray(s_nodeIds) : nullptr;
        local.assign(piece.numPoints(), -1);
        for (std::size_t i = 0; i < piece.numPoints(); ++i) {
            if (out.numPoints() >= static_cast<std::size_t>(INT_MAX)) {
                mergeFailure(p, "the merged mesh has more points than its cells can number");
            }
            int const next = static_cast<int>(out.numPoints());
            if (ids != nullptr) {
                double const id = ids->values[i];
                if (!(id >= 0.0 && id <= 9007199254740992.0 && id == std::floor(id))) {
                    mergeFailure(p, "its GlobalNodeIds value " + std::to_string(id) + " at point " +
                                        std::to_string(i) + " is not a whole number from 0 to 2^53");
                }
                auto const found = merged.emplace(static_cast<std::int64_t>(id), next);
                if (!found.second) {
                    std::size_t const to = static_cast<std::size_t>(found.first->second);
                    auto const [piece0, point0] = origin[to];
                    if (piece0 == p) {
                        mergeFailure(p, "its points " + std::to_string(point0) + " and " + std::to_string(i) +
                                            " have the same GlobalNodeIds value " +
                                            std::to_string(static_cast<std::int64_t>(id)));
                    }
                    // Points of one id are one point only where they stand at the same place.
                    for (std::size_t d = 0; d < 3; ++d) {
                        if (!(out.points[to * 3 + d] == piece.points[i * 3 + d])) {
                            mergeFailure(p, "its point " + std::to_string(i) +
                                                " has the GlobalNodeIds value " +
                                                std::to_string(static_cast<std::int64_t>(id)) + " of point " +
                                                std::to_string(point0) + " of piece " +
                                                std::to_string(piece0) + ", but other coordinates");
                        }
                    }
                    origin[to] = {p, i};
                    local[i] = found.first->second;
                    continue;
                }
                origin.emplace_back(p, i);
            }
            local[i] = next;
            out.points.insert(out.points.end(), piece.points.begin() + static_cast<std::ptrdiff_t>(i * 3),
                              piece.points.begin() + static_cast<std::ptrdiff_t>(i * 3 + 3));
            for (std::size_t a = 0; a < out.pointData.size(); ++a) {
                DataArray const& from = *findArray(piece.pointData, out.pointData[a].name);
                std::size_t const nc = static_cast<std::size_t>(from.numComponents);
                out.pointData[a].values.insert(
                    out.pointData[a].values.end(), from.values.begin() + static_cast<std::ptrdiff_t>(i * nc),
                    from.values.begin() + static_cast<std::ptrdiff_t>((i + 1) * nc));
            }
        }
        for (std::size_t c = 0; c < piece.numCells(); ++c) {
            int const* pts = piece.cellPoints(c);
            int const size = piece.cellSize(c);
            std::size_t const start = out.connectivity.size();
            out.connectivity.insert(out.connectivity.end(), pts, pts + size);
            auto remap = [&](int k) {
                if (pts[k] < 0 || static_cast<std::size_t>(pts[k]) >= local.size()) {
                    mergeFailure(p, "cell " + std::to_string(c) + " uses point " + std::to_string(pts[k]) +
                                        ", which the piece does not have");
                }
                out.connectivity[start + static_cast<std::size_t>(k)] =
                    local[static_cast<std::size_t>(pts[k])];
            };
            if (!forEachPointRef(piece, c, remap)) {
                mergeFailure(p, "cell " + std::to_string(c) + ": the polyhedron's face stream is malformed");
            }
            out.cellTypes.push_back(piece.cellTypes[c]);
            out.offsets.push_back(out.connectivity.size());
        }
        for (std::size_t a = 0; a < out.cellData.size(); ++a) {
            DataArray const& from = *findArray(piece.cellData, out.cellData[a].name);
            out.cellData[a].values.insert(out.cellData[a].values.end(), from.values.begin(),
                                          from.values.end());
        }
    }
    return out;
}

} // namespace zev::io
