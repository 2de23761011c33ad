// Marching tables of the fixed element types other than the hexahedron, whose table is
// generated (HexMarchingTable.cpp). Each row lists the polygons of one case, each as a vertex
// count followed by that many local edges, wound so that the right-hand normal points to the
// vertices above the surface. Cases past the last row are the complements of the rows: the
// cut uses row (2 * last + 1) - case with every polygon reversed.

#include "zev/shapes/Pyramid.h"
#include "zev/shapes/Tet.h"
#include "zev/shapes/Wedge.h"

namespace zev {

// clang-format off
const int Tet::m_marchingTable[m_tableIndex + 1][5] = {
    /* 0 */ {},
    /* 1 */ {3, 1, 0, 3},
    /* 2 */ {3, 0, 2, 4},
    /* 3 */ {4, 1, 2, 4, 3},
    /* 4 */ {3, 1, 5, 2},
    /* 5 */ {4, 0, 3, 5, 2},
    /* 6 */ {4, 1, 5, 4, 0},
    /* 7 */ {3, 3, 5, 4},
};
const int Tet::m_marchingListSize[m_tableIndex + 1] = {0, 4, 4, 5, 4, 5, 5, 4};

// Case 10: the first triangle is wound as case 8's, towards the above vertex 3.
const int Pyramid::m_marchingTable[m_tableIndex + 1][8] = {
    /* 0 */ {},
    /* 1 */ {3, 4, 2, 0},
    /* 2 */ {3, 0, 3, 5},
    /* 3 */ {4, 5, 4, 2, 3},
    /* 4 */ {3, 3, 1, 7},
    /* 5 */ {3, 4, 2, 0, 3, 3, 1, 7},
    /* 6 */ {4, 0, 1, 7, 5},
    /* 7 */ {5, 7, 5, 4, 2, 1},
    /* 8 */ {3, 1, 2, 6},
    /* 9 */ {4, 4, 6, 1, 0},
    /* 10 */ {3, 1, 2, 6, 3, 0, 3, 5},
    /* 11 */ {5, 5, 4, 6, 1, 3},
    /* 12 */ {4, 3, 2, 6, 7},
    /* 13 */ {5, 4, 6, 7, 3, 0},
    /* 14 */ {5, 2, 6, 7, 5, 0},
    /* 15 */ {4, 6, 7, 5, 4},
};
const int Pyramid::m_marchingListSize[m_tableIndex + 1] = {0, 4, 4, 5, 4, 8, 5, 6, 4, 5, 8, 6, 5, 6, 6, 5};

// Case 30: the first triangle is wound as case 1's, towards the above side.
const int Wedge::m_marchingTable[m_tableIndex + 1][9] = {
    /* 0 */ {},
    /* 1 */ {3, 1, 6, 0},
    /* 2 */ {3, 1, 2, 7},
    /* 3 */ {4, 6, 0, 2, 7},
    /* 4 */ {3, 0, 8, 2},
    /* 5 */ {4, 1, 6, 8, 2},
    /* 6 */ {4, 0, 8, 7, 1},
    /* 7 */ {3, 6, 8, 7},
    /* 8 */ {3, 4, 3, 6},
    /* 9 */ {4, 1, 4, 3, 0},
    /* 10 */ {3, 4, 3, 6, 3, 1, 2, 7},
    /* 11 */ {5, 2, 7, 4, 3, 0},
    /* 12 */ {3, 4, 3, 6, 3, 0, 8, 2},
    /* 13 */ {5, 4, 3, 8, 2, 1},
    /* 14 */ {4, 0, 8, 7, 1, 3, 4, 3, 6},
    /* 15 */ {4, 4, 3, 8, 7},
    /* 16 */ {3, 7, 5, 4},
    /* 17 */ {3, 7, 5, 4, 3, 6, 0, 1},
    /* 18 */ {4, 2, 5, 4, 1},
    /* 19 */ {5, 0, 2, 5, 4, 6},
    /* 20 */ {3, 7, 5, 4, 3, 0, 8, 2},
    /* 21 */ {3, 7, 5, 4, 4, 6, 8, 2, 1},
    /* 22 */ {5, 0, 8, 5, 4, 1},
    /* 23 */ {4, 6, 8, 5, 4},
    /* 24 */ {4, 7, 5, 3, 6},
    /* 25 */ {5, 7, 5, 3, 0, 1},
    /* 26 */ {5, 1, 2, 5, 3, 6},
    /* 27 */ {4, 2, 5, 3, 0},
    /* 28 */ {3, 0, 8, 2, 4, 7, 5, 3, 6},
    /* 29 */ {3, 7, 2, 1, 3, 3, 8, 5},
    /* 30 */ {3, 0, 6, 1, 3, 3, 8, 5},
    /* 31 */ {3, 3, 8, 5},
};
const int Wedge::m_marchingListSize[m_tableIndex + 1] = {0, 4, 4, 5, 4, 5, 5, 4, 4, 5, 8, 6, 8, 6, 9, 5, 4, 8, 5, 6, 8, 9, 6, 5, 5, 6, 6, 5, 9, 8, 8, 4};
// clang-format on

} // namespace zev
