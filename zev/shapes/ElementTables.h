#pragma once
// The fixed element classes' common bases, and the declarations of their tables. The tables
// are static members of FixedElement; each class's source defines its own rows as explicit
// specialisations, and every user must see them declared, which this header does once for
// the four classes.

#include "zev/shapes/FixedShape.h"

namespace zev {

class ZEV_EXPORT Tet;
class ZEV_EXPORT Pyramid;
class ZEV_EXPORT Wedge;
class ZEV_EXPORT Hex;

// Vertices, faces, edges, type, largest face corner count, largest vertex valence.
using TetElement = FixedElement<Tet, 4, 4, 6, TET, 3, 3>;
using PyramidElement = FixedElement<Pyramid, 5, 5, 8, PYRAMID, 4, 4>;
using WedgeElement = FixedElement<Wedge, 6, 5, 9, WEDGE, 4, 3>;
using HexElement = FixedElement<Hex, 8, 6, 12, HEX, 4, 3>;

template <> const int TetElement::m_face2vert[4][3];
template <> const int TetElement::m_face2vertSize[4];
template <> const int TetElement::m_face2IPs[4][3];
template <> const int TetElement::m_edgeConnectivity[6][2];
template <> const int TetElement::m_regionVertices[4][8];
template <> const int TetElement::m_regionVerticesSize[4];
template <> const int TetElement::m_regionFaces[24][4];
template <> const int TetElement::m_vert2RegionFaces[4][6];
template <> const int TetElement::m_vert2RegionFaceSize[4];
template <> const int TetElement::s_regionMidpoints[6][2];
template <> const int TetElement::s_regionCentreFaces[4];

template <> const int PyramidElement::m_face2vert[5][4];
template <> const int PyramidElement::m_face2vertSize[5];
template <> const int PyramidElement::m_face2IPs[5][4];
template <> const int PyramidElement::m_edgeConnectivity[8][2];
template <> const int PyramidElement::m_regionVertices[5][10];
template <> const int PyramidElement::m_regionVerticesSize[5];
template <> const int PyramidElement::m_regionFaces[32][4];
template <> const int PyramidElement::m_vert2RegionFaces[5][8];
template <> const int PyramidElement::m_vert2RegionFaceSize[5];
template <> const int PyramidElement::s_regionMidpoints[8][2];
template <> const int PyramidElement::s_regionCentreFaces[5];

template <> const int WedgeElement::m_face2vert[5][4];
template <> const int WedgeElement::m_face2vertSize[5];
template <> const int WedgeElement::m_face2IPs[5][4];
template <> const int WedgeElement::m_edgeConnectivity[9][2];
template <> const int WedgeElement::m_regionVertices[6][8];
template <> const int WedgeElement::m_regionVerticesSize[6];
template <> const int WedgeElement::m_regionFaces[36][4];
template <> const int WedgeElement::m_vert2RegionFaces[6][6];
template <> const int WedgeElement::m_vert2RegionFaceSize[6];
template <> const int WedgeElement::s_regionMidpoints[9][2];
template <> const int WedgeElement::s_regionCentreFaces[5];

template <> const int HexElement::m_face2vert[6][4];
template <> const int HexElement::m_face2vertSize[6];
template <> const int HexElement::m_face2IPs[6][4];
template <> const int HexElement::m_edgeConnectivity[12][2];
template <> const int HexElement::m_regionVertices[8][8];
template <> const int HexElement::m_regionVerticesSize[8];
template <> const int HexElement::m_regionFaces[48][4];
template <> const int HexElement::m_vert2RegionFaces[8][6];
template <> const int HexElement::m_vert2RegionFaceSize[8];
template <> const int HexElement::s_regionMidpoints[12][2];
template <> const int HexElement::s_regionCentreFaces[6];

} // namespace zev
