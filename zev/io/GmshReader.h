// Reads gmsh's own mesh files (.msh, versions 2.2 and 4.1, ASCII and binary) into the tool's MeshData:
// the nodes become the points, every linear element a cell (higher-order elements their corner cell,
// point elements skipped, line elements lines), the physical and elementary tags the integer cell arrays
// "CellEntityIds" and "gmsh:geometrical", and the last time step of each node and element data field a
// point or cell array. The cells are split into regions by the physical tag, labelled with the physical
// groups' names. Malformed input ends in a FormatError naming the line (ASCII) or the byte (binary).
#pragma once

#include "zev/io/IOExport.h"

#include "zev/io/MeshData.h"

#include <string>
#include <string_view>

namespace zev::io {

class ZEV_IO_EXPORT GmshReader {
public:
    // The cell arrays of the physical and the elementary tags.
    static constexpr char const* s_physicalArray = "CellEntityIds";
    static constexpr char const* s_elementaryArray = "gmsh:geometrical";

    // Reads the whole file; a file that cannot be opened is a FormatError without a line.
    static MeshData readFile(std::string const& p_path);
    // Reads a file already in memory; p_name is the file name used in messages.
    static MeshData readBuffer(std::string_view p_data, std::string const& p_name);
};

} // namespace zev::io
