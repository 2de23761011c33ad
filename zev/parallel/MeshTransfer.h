// Moving meshes between processes: a mesh packed into bytes and back, and which pieces of a partitioned
// mesh each process takes.
#pragma once

#include "zev/io/MeshData.h"
#include "zev/parallel/Communicator.h"

#include <utility>

namespace zev::parallel {

// Every field of p_mesh (points, cells, point and cell arrays), in a form unpackMesh reads back exactly.
ZEV_PARALLEL_EXPORT Bytes packMesh(zev::io::MeshData const& p_mesh);
// The mesh packMesh packed; a truncated or inconsistent buffer is a std::runtime_error.
ZEV_PARALLEL_EXPORT zev::io::MeshData unpackMesh(Bytes const& p_bytes);

// The pieces [first, last) of p_numPieces that process p_rank of p_size takes: contiguous blocks whose
// sizes differ by at most one, earlier ranks taking earlier pieces. A process may take none.
ZEV_PARALLEL_EXPORT std::pair<int, int> piecesOfRank(int p_numPieces, int p_size, int p_rank);

} // namespace zev::parallel
