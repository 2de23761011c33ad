// What reading a parallel file and merging its pieces share (internal to the mesh-file library).
#pragma once

#include "zev/io/MeshData.h"

#include <string>
#include <vector>

namespace zev::io::pieces {

// The array of p_arrays named p_name, or null.
DataArray const* findArray(std::vector<DataArray> const& p_arrays, std::string const& p_name);

// Pieces that hold every point and cell of a whole mesh once, by global ids 0 .. n-1, give that mesh back
// as it was: points and cells in their global order, without the id arrays. Otherwise p_mesh is left as
// it is.
void restoreWholeMesh(MeshData& p_mesh);

} // namespace zev::io::pieces
