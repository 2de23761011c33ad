#include "zev/parallel/Pieces.h"

#include "zev/analysis/BoxGenerator.h"
#include "zev/geometry/Geometry.h"
#include "zev/io/ParallelVtkFile.h"
#include "zev/io/VtkCellOrder.h"
#include "zev/parallel/GlobalKeys.h"
#include "zev/parallel/MeshTransfer.h"
#include "zev/parallel/Partition.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>
#include <map>

namespace zev::parallel {

namespace {

bool isParallelIndex(std::string const& p_path)
{
    std::string lower = p_path;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    auto endsWith = [&](char const* p_end) {
        std::string const end = p_end;
        return lower.size() >= end.size() && lower.compare(lower.size() - end.size(), end.size(), end) == 0;
    };
    return endsWith(".pvtu") || endsWith(".pvtp");
}

// Takes the array of that name out of p_arrays; empty when there is none.
std::vector<double> takeArray(std::vector<DataArray>& p_arrays, char const* p_name, bool p_keep)
{
    for (auto it = p_arrays.begin(); it != p_arrays.end(); ++it) {
        if (it->name == p_name) {
            std::vector<double> values = it->values;
            if (!p_keep) {
                p_arrays.erase(it);
            }
            return values;
        }
    }
    return {};
}

// The mesh as the options name it, read whole (on the first process only).
MeshData readWhole(analysis::Request const& p_request, std::string& p_source)
{
    if (p_request.positional.empty()) {
        p_source = defaultMeshDescription();
        return generateBox(BoxKind::Mixed, s_defaultMeshCells);
    }
    p_source = p_request.positional.front();
    return analysis::readRequested(p_request);
}

// Points that pieces read by different processes hold under one global id must lie in one place (the merge
// of one process's pieces checks its own). Counted over all processes, each id and each id with its
// coordinates occur equally often exactly where every holder puts the id at the same point.
void checkSharedPoints(Communicator const& p_comm, std::string const& p_command, std::string const& p_index,
                       std::size_t p_piece, std::string const& p_piecePath,
                       std::vector<std::int64_t> const& p_ids, std::vector<double> const& p_points)
{
    KeyList ids, placed;
    for (std::size_t i = 0; i < p_ids.size(); ++i) {
        std::int64_t key[4] = {p_ids[i], 0, 0, 0};
        for (std::size_t c = 0; c < 3; ++c) {
            double const x = p_points[3 * i + c] + 0.0; // -0 and 0 are one place
            std::memcpy(&key[1 + c], &x, sizeof x);
        }
        ids.add(key, 1);
        placed.add(key, 4);
    }
    std::vector<KeyCensus> const byId = census(p_comm, ids);
    std::vector<KeyCensus> const byPlace = census(p_comm, placed);
    phase(p_comm, p_command, [&] {
        for (std::size_t i = 0; i < byId.size(); ++i) {
            if (byId[i].count != byPlace[i].count) {
                throw FormatError(p_piecePath, 0, FormatError::s_noOffset,
                                  "piece " + std::to_string(p_piece) + " of '" + p_index + "': its point " +
                                      std::to_string(i) + " has the GlobalNodeIds value " +
                                      std::to_string(p_ids[i]) +
                                      " of a point of a piece another process reads, but other coordinates");
            }
        }
    });
}

} // namespace

Piece loadPiece(Communicator const& p_comm, analysis::Request const& p_request)
{
    std::string const& command = p_request.command;
    int const size = p_comm.size();
    bool const fromPieces = !p_request.positional.empty() && isParallelIndex(p_request.positional.front());
    std::string source =
        p_request.positional.empty() ? defaultMeshDescription() : p_request.positional.front();
    MeshData data;
    std::vector<Bytes> parts;
    // The first piece of the index this process reads, named where its points disagree with another's.
    std::size_t firstPiece = 0;
    std::string firstPiecePath;

    // Reading: the pieces of an index are read where they are used; an ordinary file is read, partitioned
    // and cut into pieces by the first process.
    phase(p_comm, command, [&] {
        bool const cgns = !p_request.positional.empty() && isCgnsPath(p_request.positional.front());
        bool const chooses =
            !p_request.base.empty() || !p_request.zone.empty() || !p_request.solution.empty();
        if (chooses && !cgns) {
            throw UsageError("--base, --zone and --solution choose within a CGNS file");
        }
        if (cgns && !p_request.region.empty()) {
            throw UsageError("--region splits the cells of a VTK file; a CGNS file's sets are its sections");
        }
        if (cgns && chooses) {
            throw UsageError("a distributed run reads a CGNS file whole; --base, --zone and --solution are "
                             "for a single process");
        }
        if (fromPieces) {
            ParallelFileIndex const index = readParallelFileIndex(source);
            auto const [first, last] =
                piecesOfRank(static_cast<int>(index.pieces.size()), size, p_comm.rank());
            if (first < last) {
                firstPiece = static_cast<std::size_t>(first);
                firstPiecePath = index.pieces[static_cast<std::size_t>(first)];
            }
            data = first < last ? readParallelPieces(source, index, static_cast<std::size_t>(first),
                                                     static_cast<std::size_t>(last))
                                : MeshData();
            data.kind = index.kind;
        } else if (p_comm.isRoot()) {
            MeshData const whole = readWhole(p_request, source);
            std::vector<int> const cellParts = partitionCells(whole, size);
            for (int part = 0; part < size; ++part) {
                parts.push_back(packMesh(extractPiece(whole, cellParts, part)));
            }
        }
    });
    if (!fromPieces) {
        Bytes const mine = p_comm.scatter(parts);
        parts.clear();
        phase(p_comm, command, [&] { data = unpackMesh(mine); });
    }

    // Where every cell stands in the whole mesh: a single process reading the index merges the pieces in
    // order; an ordinary file keeps its own order, which the global cell ids are.
    std::int64_t const before = p_comm.exclusivePrefixSum(static_cast<std::int64_t>(data.numCells()));
    std::int64_t const pointsBefore = p_comm.exclusivePrefixSum(static_cast<std::int64_t>(data.numPoints()));
    bool const anyData = p_comm.any(data.numCells() > 0 || data.numPoints() > 0);

    Piece piece;
    std::vector<std::int64_t> positions, globalCells;
    std::vector<double> nodeIds, cellIds;
    phase(p_comm, command, [&] {
        piece.idle = data.numCells() == 0 && data.numPoints() == 0 && (anyData || !p_comm.isRoot());
        nodeIds = takeArray(data.pointData, s_globalNodeIds, true);
        cellIds = takeArray(data.cellData, s_globalCellIds, true);
        if (nodeIds.size() != data.numPoints()) {
            nodeIds.clear();
        }
        if (cellIds.size() != data.numCells()) {
            cellIds.clear();
        }
        piece.vertexIds.resize(data.numPoints());
        for (std::size_t i = 0; i < piece.vertexIds.size(); ++i) {
            piece.vertexIds[i] = nodeIds.empty() ? pointsBefore + static_cast<std::int64_t>(i)
                                                 : static_cast<std::int64_t>(nodeIds[i]);
        }
        globalCells.resize(data.numCells());
        for (std::size_t c = 0; c < data.numCells(); ++c) {
            globalCells[c] = cellIds.empty() ? before + static_cast<std::int64_t>(c)
                                             : static_cast<std::int64_t>(cellIds[c]);
        }
    });
    piece.ownedVertices = ownedItems(p_comm, piece.vertexIds);
    if (fromPieces) {
        checkSharedPoints(p_comm, command, source, firstPiece, firstPiecePath, piece.vertexIds, data.points);
    }

    // Pieces whose global ids number every point and cell of a whole mesh once, 0 .. n-1, are that mesh
    // (as a single process reads them back): its cells stand in the order of their ids, and the id arrays
    // are not data of its own. Other pieces are merged as they come, the arrays kept. An ordinary file
    // partitioned here is always whole.
    bool whole = true;
    if (fromPieces) {
        bool const hasIds = piece.idle || (!nodeIds.empty() && !cellIds.empty() && data.numPoints() > 0);
        std::int64_t const owned = std::count(piece.ownedVertices.begin(), piece.ownedVertices.end(), 1);
        // Cells are not shared: ids within 0 .. n-1 whose sum is that of 0 .. n-1 number each cell once,
        // unless a file repeats some ids and leaves out others of the same sum.
        std::int64_t idSum = 0;
        for (std::int64_t id : globalCells) {
            idSum += id;
        }
        double const inf = std::numeric_limits<double>::infinity();
        std::vector<double> low{inf, inf}, high{-inf, -inf};
        for (std::int64_t id : piece.vertexIds) {
            low[0] = std::min(low[0], static_cast<double>(id));
            high[0] = std::max(high[0], static_cast<double>(id));
        }
        for (std::int64_t id : globalCells) {
            low[1] = std::min(low[1], static_cast<double>(id));
            high[1] = std::max(high[1], static_cast<double>(id));
        }
        std::vector<std::int64_t> const totals = p_comm.sum(std::vector<std::int64_t>{
            owned, idSum, static_cast<std::int64_t>(data.numCells()), hasIds ? 0 : 1});
        low = p_comm.min(low);
        high = p_comm.max(high);
        whole = totals[3] == 0 && totals[0] > 0 && low[0] == 0 &&
                high[0] == static_cast<double>(totals[0] - 1) &&
                (totals[2] == 0 || (low[1] == 0 && high[1] == static_cast<double>(totals[2] - 1))) &&
                totals[1] == (totals[2] > 0 ? totals[2] * (totals[2] - 1) / 2 : 0);
    }

    phase(p_comm, command, [&] {
        positions.resize(data.numCells());
        for (std::size_t c = 0; c < data.numCells(); ++c) {
            positions[c] = whole ? globalCells[c] : before + static_cast<std::int64_t>(c);
        }
        if (whole) {
            takeArray(data.pointData, s_globalNodeIds, false);
            takeArray(data.cellData, s_globalCellIds, false);
        }
        // The element sets as the conversion makes them: one per shape and region, in order of first use.
        DataArray const* regions = p_request.region.empty() ? nullptr : data.findCellArray(p_request.region);
        std::map<std::pair<int, long long>, std::size_t> slot;
        for (std::size_t c = 0; c < data.numCells(); ++c) {
            VtkCellType const type = data.cellTypes[c];
            if (!isVolumeCell(type)) {
                continue;
            }
            int const shape = libraryShapeType(type, data.cellSize(c));
            long long const region = regions != nullptr && c < regions->values.size()
                                         ? static_cast<long long>(regions->values[c])
                                         : 0;
            auto found = slot.emplace(std::make_pair(shape, region), piece.elementSets.size());
            if (found.second) {
                PieceSet& set = piece.elementSets.emplace_back();
                set.shape = shape;
                set.region = region;
                set.localName = zev::Geometry::getElementSetName(static_cast<int>(found.first->second));
            }
            PieceSet& set = piece.elementSets[found.first->second];
            set.positions.push_back(positions[c]);
            set.cellIds.push_back(globalCells[c]);
        }
        piece.mesh = toLibrary(data, source, p_request.region);
        renameCoordinateArrays(piece.mesh);
        data = MeshData();
    });

    // The whole mesh names its element sets in the order their first cells come.
    ByteWriter mine;
    for (PieceSet const& set : piece.elementSets) {
        mine.put<std::int32_t>(set.shape);
        mine.put<std::int64_t>(set.region);
        mine.put<std::int64_t>(*std::min_element(set.positions.begin(), set.positions.end()));
    }
    std::vector<Bytes> const all = p_comm.allGather(mine.bytes());
    phase(p_comm, command, [&] {
        std::map<std::pair<int, long long>, std::int64_t> firstOf;
        for (Bytes const& bytes : all) {
            ByteReader in(bytes);
            while (!in.atEnd()) {
                int const shape = in.get<std::int32_t>();
                long long const region = in.get<std::int64_t>();
                std::int64_t const first = in.get<std::int64_t>();
                auto found = firstOf.emplace(std::make_pair(shape, region), first);
                found.first->second = std::min(found.first->second, first);
            }
        }
        std::vector<std::pair<std::int64_t, std::pair<int, long long>>> order;
        for (auto const& entry : firstOf) {
            order.emplace_back(entry.second, entry.first);
        }
        std::sort(order.begin(), order.end());
        for (PieceSet const& set : piece.elementSets) {
            std::size_t const index = static_cast<std::size_t>(
                std::find_if(order.begin(), order.end(),
                             [&](auto const& p_entry) {
                                 return p_entry.second == std::make_pair(set.shape, set.region);
                             }) -
                order.begin());
            piece.globalNames.push_back(zev::Geometry::getElementSetName(static_cast<int>(index)));
        }
    });
    return piece;
}

namespace {

Bytes packRows(std::vector<SetRow> const& p_rows)
{
    ByteWriter out;
    for (SetRow const& r : p_rows) {
        out.putString(r.name);
        out.put<std::int32_t>(r.type);
        out.put<std::uint64_t>(r.count);
        out.put(r.measure);
    }
    return std::move(out.bytes());
}

std::vector<SetRow> mergeRows(std::vector<Bytes> const& p_all)
{
    std::map<std::string, SetRow> merged;
    for (Bytes const& bytes : p_all) {
        ByteReader in(bytes);
        while (!in.atEnd()) {
            SetRow row;
            row.name = in.getString();
            row.type = in.get<std::int32_t>();
            row.count = in.get<std::uint64_t>();
            row.measure = in.get<double>();
            auto found = merged.emplace(row.name, row);
            if (!found.second) {
                found.first->second.count += row.count;
                found.first->second.measure += row.measure;
            }
        }
    }
    // Sets are listed by name, as the geometry keeps them.
    std::vector<SetRow> rows;
    for (auto const& entry : merged) {
        rows.push_back(entry.second);
    }
    return rows;
}

} // namespace

std::vector<SetRow> globalElementRows(Communicator const& p_comm, Piece const& p_piece,
                                      std::vector<SetRow> const& p_localRows)
{
    std::vector<SetRow> renamed = p_localRows;
    for (SetRow& row : renamed) {
        for (std::size_t s = 0; s < p_piece.elementSets.size(); ++s) {
            if (p_piece.elementSets[s].localName == row.name) {
                row.name = p_piece.globalNames[s];
                break;
            }
        }
    }
    return mergeRows(p_comm.gather(packRows(renamed)));
}

std::vector<SetRow> globalRowsByName(Communicator const& p_comm, std::vector<SetRow> const& p_localRows)
{
    return mergeRows(p_comm.gather(packRows(p_localRows)));
}

} // namespace zev::parallel
