// Internal to the mesh-file library: the cell types VTK files may hold beyond the ones the library stores,
// and what both VTK readers make of them. Vertex and poly-vertex cells are skipped; a second-order cell is
// kept as the linear cell of its corners, which its node list gives first; every other type is refused by
// its name.
#pragma once

#include "zev/io/MeshData.h"

#include <cstdint>
#include <string>

namespace zev::io {

// Why a reader cannot take a cell of the type numbered p_type: "is a VTK_TRIANGLE_STRIP, which is not
// read" for a type VTK defines, "has the unknown type 99" for any other number; empty for a type read.
std::string unreadCellType(std::int64_t p_type);

// For a type read: the number of points a cell of it has (-1 for any number) and its name in messages.
int filePointCount(VtkCellType p_type);
char const* fileCellTypeName(VtkCellType p_type);

// A reader stores cells under their file types; this turns them into the types the library holds: vertex
// and poly-vertex cells leave the mesh with their tuples of every cell array, second-order cells keep their
// corners. The mesh's readChanges count them.
void reduceFileCells(MeshData& p_mesh);

} // namespace zev::io
