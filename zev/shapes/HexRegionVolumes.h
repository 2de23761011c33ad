#pragma once
// The volumes of a hexahedron's eight dual regions (region i around corner i) from its
// corners alone, for one cell or for a run of cells added into per-vertex sums. Internal to
// the library: Hex and the typed shape sets share it.

#include "zev/contracts/Triplet.h"
#include "zev/contracts/TripletZEVVector.h"

#include <cstddef>

namespace zev {

class Hex;

namespace hexregions {

// The eight region volumes of the cell with these corners, in double precision.
void regionVolumes(const Triplet* const p_corners[8], double p_volumes[8]);

// Adds each region volume, converted to float, into p_vertexVolumes at its vertex number,
// cell after cell and corner 0 to 7 within a cell, and returns the sum over the cells of each
// cell's float total (its eight volumes added from corner 0). Cells are evaluated several at
// a time; every value, and the order of every float addition, is that of evaluating and
// adding the cells one by one.
float addRegionVolumes(const Hex* p_hexes, std::size_t p_count, const TripletZEVVector& p_vertices,
                       float* p_vertexVolumes);

} // namespace hexregions

} // namespace zev
