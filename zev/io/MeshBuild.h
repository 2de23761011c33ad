// Internal to the mesh readers: the steps every reader takes when it turns file data into a LoadedMesh.
#pragma once

#include "zev/io/MeshConversion.h"
#include "zev/io/VtkCellOrder.h"

#include <string>

namespace zev {
class Shape;
}

namespace zev::io {

// File data is result data as the solver wrote it.
constexpr zev::VarType s_fileType = zev::eConservative;

// The name of a shape type in capitals, as set names carry it ("TRI", "HEX", "POLYHEDRON").
std::string upperShapeName(int p_shapeType);

// Values outside the float range, and NaN, have no float to stand for them: they become undefined.
float toFloat(double p_value);

// A LoadedMesh from p_source holding a new, empty geometry of that name, with the location provider the
// readers' variables rely on installed.
LoadedMesh startLoadedMesh(std::string const& p_source);

// Writes a polyhedron into p_shape: its vertices shifted by p_offset, then its faces as corner positions.
void fillPolyhedron(zev::Shape& p_shape, PolyhedronTopology const& p_topology, int p_offset);

} // namespace zev::io
