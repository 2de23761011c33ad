// The tool's built-in mesh generator: a unit box of N x N x N cells carrying analytic fields, so that the
// tool can be tried, demonstrated and tested without any input file.
#pragma once

#include "zev/io/MeshData.h"

#include <string>

namespace zev::analysis {

// The tool works in the mesh-file library's terms.
using namespace zev::io;

enum class BoxKind {
    Hex,  // N^3 hexahedra
    Tet,  // every hexahedron split into 6 tetrahedra round its main diagonal
    Mixed // columns of hexahedra, of wedges (2 per cell) and of pyramids (6 per cell, apex at the centre)
};

// Parses "hex", "tet" or "mixed"; false for anything else.
bool parseBoxKind(std::string const& p_text, BoxKind& p_kind);
char const* boxKindName(BoxKind p_kind);

// The unit box [0, 1]^3 cut into p_n cells along each axis (p_n >= 1), with the point arrays
//   "linear"   1 + 2x + 3y + 4z (5.5 at the centre of the box),
//   "pressure" 101325 - 0.6 |velocity|^2,
//   "velocity" a swirl about the box's vertical axis with an axial component,
// and the cell array "region" (1 in the lower half of the box, 2 in the upper half).
MeshData generateBox(BoxKind p_kind, int p_n);

// The largest p_n generateBox accepts; beyond it the point count no longer fits the file format's ints.
constexpr int s_maxBoxCells = 1000;

} // namespace zev::analysis
