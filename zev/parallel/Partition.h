// Splitting a mesh into pieces: the part of every cell from METIS's partition of the cell graph, and the
// piece of one part as a mesh of its own that remembers where its points and cells came from.
#pragma once

#include "zev/io/MeshData.h"
#include "zev/parallel/ParallelExport.h"

#include <vector>

namespace zev::parallel {

// The point array that holds each piece point's index in the whole mesh, and the cell array likewise.
inline constexpr char const* s_globalNodeIds = "GlobalNodeIds";
inline constexpr char const* s_globalCellIds = "GlobalCellIds";

// The part, 0 .. p_parts - 1, of every cell of p_mesh. Cells are neighbours when they share a face (an
// edge for surface cells); METIS balances the cell counts and cuts few neighbour pairs. The result
// depends only on the mesh and p_parts. p_parts must be at least 1; with 1, or more parts than cells,
// every part is still a valid number (some parts may then be empty).
ZEV_PARALLEL_EXPORT std::vector<int> partitionCells(zev::io::MeshData const& p_mesh, int p_parts);

// How many faces (edges between surface cells) the parts cut: the faces whose cells lie in more than one
// part, each counted once. p_cellParts holds a part per cell.
ZEV_PARALLEL_EXPORT std::size_t interfaceFaces(zev::io::MeshData const& p_mesh,
                                               std::vector<int> const& p_cellParts);

// The piece of p_mesh made of the cells whose part is p_part, in their order, with the points they use
// in ascending order of their index in p_mesh, and every point and cell array cut to them. The piece
// carries the point array "GlobalNodeIds" and the cell array "GlobalCellIds" (Int64): the indices in
// p_mesh, or, when p_mesh already has arrays of those names, their values.
ZEV_PARALLEL_EXPORT zev::io::MeshData extractPiece(zev::io::MeshData const& p_mesh,
                                                   std::vector<int> const& p_cellParts, int p_part);

} // namespace zev::parallel
