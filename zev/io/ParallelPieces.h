// What reading a parallel file and merging its pieces share (internal to the mesh-file library).
#pragma once

#include "zev/io/MeshData.h"

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

namespace zev::io::pieces {

// The array of p_arrays named p_name, or null.
DataArray const* findArray(std::vector<DataArray> const& p_arrays, std::string const& p_name);

// A fault of one of the pieces being merged: mergePieces reports it as invalid input, reading a parallel
// file as a FormatError of the piece's file.
struct PieceFault : std::runtime_error {
    PieceFault(std::size_t p_piece, std::string const& p_message)
        : std::runtime_error(p_message), piece(p_piece)
    {
    }
    std::size_t piece;
};

// mergePieces, failing with PieceFault.
MeshData merge(std::vector<MeshData> const& p_pieces);

// Pieces that hold every point and cell of a whole mesh once, by global ids 0 .. n-1, give that mesh back
// as it was: points and cells in their global order, without the id arrays. Otherwise p_mesh is left as
// it is.
void restoreWholeMesh(MeshData& p_mesh);

} // namespace zev::io::pieces
