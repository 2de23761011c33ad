#pragma once
// The fixed element classes' common bases, and the declarations of their tables. The tables
// are static members of FixedElement; each class's source defines its own rows as explicit
// specialisations, which every user must see declared before a table is used.

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

// Declares the tables of one of them, given its base; its own source defines them.
#define ZEV_DECLARE_ELEMENT_TABLES(Base)                                                                     \
    template <> const int Base::m_face2vert[m_numFaces][m_maxFaceCorners];                                   \
    template <> const int Base::m_face2vertSize[m_numFaces];                                                 \
    template <> const int Base::m_face2IPs[m_numFaces][m_maxFaceCorners];                                    \
    template <> const int Base::m_edgeConnectivity[m_numEdges][2];                                           \
    template <> const int Base::m_regionVertices[m_numVerts][m_maxRegionPoints];                             \
    template <> const int Base::m_regionVerticesSize[m_numVerts];                                            \
    template <> const int Base::m_regionFaces[m_numRegionFaces][4];                                          \
    template <> const int Base::m_vert2RegionFaces[m_numVerts][m_maxVertexRegionFaces];                      \
    template <> const int Base::m_vert2RegionFaceSize[m_numVerts];                                           \
    template <> const int Base::s_regionMidpoints[m_numEdges][2];                                            \
    template <> const int Base::s_regionCentreFaces[m_numFaces]

ZEV_DECLARE_ELEMENT_TABLES(TetElement);
ZEV_DECLARE_ELEMENT_TABLES(PyramidElement);
ZEV_DECLARE_ELEMENT_TABLES(WedgeElement);
ZEV_DECLARE_ELEMENT_TABLES(HexElement);

#undef ZEV_DECLARE_ELEMENT_TABLES

} // namespace zev
