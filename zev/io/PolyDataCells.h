// Internal to the VTK writers: the cells of a PolyData mesh in the order both file formats number them.
#pragma once

#include "zev/io/FormatError.h"
#include "zev/io/MeshData.h"

#include <cstddef>
#include <string>
#include <vector>

namespace zev::io {

// Splits the cells of a PolyData mesh into lines and polygons, each in cell order (files number the
// lines first, whatever order the mesh holds them in). Any other cell is a FormatError of p_name saying
// that a p_kindName file ("POLYDATA", "PolyData") cannot hold it.
inline void splitPolyDataCells(MeshData const& p_mesh, std::string const& p_name, char const* p_kindName,
                               std::vector<std::size_t>& p_lines, std::vector<std::size_t>& p_polygons)
{
    for (std::size_t c = 0; c < p_mesh.numCells(); ++c) {
        VtkCellType const t = p_mesh.cellTypes[c];
        if (t == VtkCellType::Line || t == VtkCellType::PolyLine) {
            p_lines.push_back(c);
        } else if (isSurfaceCell(t)) {
            p_polygons.push_back(c);
        } else {
            throw FormatError(p_name, 0, FormatError::s_noOffset,
                              std::string("a ") + p_kindName + " file cannot hold cell " + std::to_string(c) +
                                  ", a " + cellTypeName(t));
        }
    }
}

} // namespace zev::io
