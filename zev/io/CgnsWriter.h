// Writing a geometry as a CGNS file through the CGNS library: one base and one unstructured zone holding
// the vertices, one element section per element set (ES1, ES2, ... in index order first), one surface
// section per face set (with a boundary condition of the same name over its faces when the zone is a
// volume), the line segments, and the vertex and cell variables as flow solutions. A section takes its
// set's label as its name when the set has one that can name a node and no other section takes it; else
// the set's name. Corners follow the standard's numbering (see CgnsReader.h).
#pragma once

#include "zev/io/IOExport.h"
#include "zev/io/MeshConversion.h"

#include <string>
#include <vector>

namespace zev {
class Geometry;
}

namespace zev::io {

class ZEV_IO_EXPORT CgnsWriter {
public:
    // Writes the selected sets and lines of p_geometry (all vertices, whatever the selection's
    // compactVertices says) and p_variables: vertex variables as the Vertex solution "FlowSolution", and
    // the cells' variables (element variables of a volume zone, face variables of a surface zone, whose
    // faces are its cells) as the CellCenter solution "FlowSolutionCC"; vectors as the fields NAMEX,
    // NAMEY, NAMEZ. Face variables of a volume zone are not written. A set name that cannot name a CGNS
    // node (longer than 32 characters, holding '/', or taken) is a FormatError; so is any failure to
    // write, which leaves no file behind.
    static void writeFile(zev::Geometry const& p_geometry, std::vector<MeshVariable> const& p_variables,
                          ExportSelection const& p_selection, std::string const& p_path);

    // Whether the zone written for this geometry and selection is a volume (cell dimension 3).
    static bool isVolume(zev::Geometry const& p_geometry, ExportSelection const& p_selection);
};

} // namespace zev::io
