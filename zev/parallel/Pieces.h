// This process's share of a distributed mesh: the pieces of a .pvtu/.pvtp index that fall to it, merged, or
// its part of an ordinary file that the first process read, partitioned and sent out. The piece knows the
// global id of each of its vertices and cells and where each cell stands in the whole mesh's cell order, so
// that shared items are counted once and sets are named as a single process names them.
#pragma once

#include "zev/analysis/Report.h"
#include "zev/analysis/Request.h"
#include "zev/parallel/Communicator.h"

#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace zev::parallel {

using namespace zev::analysis;

// Describes the exception being handled as the running operation's failure report does (see
// runDistributed) and returns its exit code.
int describeFailure(std::string const& p_operation, std::ostream& p_message);

// A failure every process has agreed on; each process ends the command with it.
struct AgreedFailure {
    Failure failure;
};

// Runs p_step on this process, then agrees with the others: when any process failed, every process throws
// the AgreedFailure of the lowest failing rank. p_step must not call collectives.
template <typename Step> void phase(Communicator const& p_comm, std::string const& p_command, Step&& p_step)
{
    std::optional<Failure> local;
    try {
        p_step();
    } catch (...) {
        std::ostringstream message;
        int const code = describeFailure(p_command, message);
        local = Failure{code, message.str(), p_comm.rank()};
    }
    if (std::optional<Failure> const agreed = p_comm.agree(local)) {
        throw AgreedFailure{*agreed};
    }
}

// One element set of the piece: its shape and region, which name it in the whole mesh, and its cells.
struct PieceSet {
    int shape = 0;
    long long region = 0;
    std::string localName;               // the set's name in the piece's geometry
    std::vector<std::int64_t> positions; // each shape's cell position in the whole mesh
    std::vector<std::int64_t> cellIds;   // each shape's global cell id
};

struct Piece {
    LoadedMesh mesh;
    bool idle = false;                    // holds nothing (and another process holds something)
    std::vector<std::int64_t> vertexIds;  // global id of each vertex
    std::vector<char> ownedVertices;      // whether this process counts the vertex
    std::vector<PieceSet> elementSets;    // in the order the geometry numbers them
    std::vector<std::string> globalNames; // each element set's name in the whole mesh
};

// Loads this process's piece of the mesh named by the options (a collective).
Piece loadPiece(Communicator const& p_comm, analysis::Request const& p_request);

// The element set rows of the whole mesh from every process's rows of p_geometry's element sets (whose
// names follow p_piece.elementSets), on rank 0, in the order a single process lists them.
std::vector<SetRow> globalElementRows(Communicator const& p_comm, Piece const& p_piece,
                                      std::vector<SetRow> const& p_localRows);
// Rows of sets named alike on every process (face sets, cut surfaces), added up on rank 0, by name.
std::vector<SetRow> globalRowsByName(Communicator const& p_comm, std::vector<SetRow> const& p_localRows);

} // namespace zev::parallel
