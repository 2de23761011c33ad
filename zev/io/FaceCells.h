// Internal to the readers of face-based meshes (OpenFOAM, Fluent): cells given by their faces, each face
// by its corners and the cells on its two sides, turned into the tool's cells. A cell whose faces make a
// tetrahedron, pyramid, prism or hexahedron becomes that cell in VTK's corner order, any other cell a
// polyhedron whose faces point out of it.
#pragma once

#include "zev/io/MeshData.h"

#include <cstddef>
#include <vector>

namespace zev::io {

struct FaceCells {
    std::vector<int> const& faceOffsets; // one more than there are faces: face f is labels [f], [f + 1])
    std::vector<int> const& faceLabels;  // the corners, point numbers below numPoints
    // Per face: the cell its corners' right-hand normal points out of (every face has one), and the cell
    // on the other side or -1 (faces past the end of neighbour have none).
    std::vector<int> const& owner;
    std::vector<int> const& neighbour;
    std::size_t numPoints;
    int numCells; // every owner and neighbour lies below it

    struct Failure {
        long long cell = -1; // a cell of fewer than four faces, or -1
        int faces = 0;
    };

    // Appends cells 0 to numCells - 1, in order, to p_out's cells; stops at the first cell of fewer
    // than four faces and names it.
    Failure appendCells(MeshData& p_out) const;
};

} // namespace zev::io
