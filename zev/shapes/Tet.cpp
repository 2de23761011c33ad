#include "zev/shapes/Tet.h"

namespace zev {

const int Tet::m_face2vert[m_numFaces][3] = {{0, 2, 1}, {0, 1, 3}, {1, 2, 3}, {3, 2, 0}};
const int Tet::m_face2vertSize[m_numFaces] = {3, 3, 3, 3};
const int Tet::m_face2IPs[m_numFaces][3] = {{0, 1, 2}, {0, 1, 3}, {1, 2, 3}, {0, 2, 3}};
const int Tet::m_edgeConnectivity[m_numEdges][2] = {{0, 1}, {0, 2}, {2, 1}, {0, 3}, {3, 1}, {3, 2}};

// The case rows come with element cutting; until then every case is empty.
const int Tet::m_marchingTable[m_tableIndex + 1][5] = {};
const int Tet::m_marchingListSize[m_tableIndex + 1] = {};

// The region rows come with the dual-region measures; until then every region is empty.
const int Tet::m_regionVertices[m_numVerts][8] = {};
const int Tet::m_regionVerticesSize[m_numVerts] = {};
const int Tet::m_regionFaces[24][4] = {};
const int Tet::m_vert2RegionFaces[m_numVerts][6] = {};
const int Tet::m_vert2RegionFaceSize[m_numVerts] = {};

Tet::~Tet() = default;

void Tet::setVertices(const IntZEVVector& p_vertices)
{
    setVerticesChecked(m_vertices, m_numVerts, p_vertices, "Tet");
}

void Tet::print() const
{
    printVertices("Tet: ", m_vertices, m_numVerts);
}

bool Tet::constructWeightsImp(float, float, float, const TripletZEVVector&, std::vector<float>&) const
{
    return false;
}

} // namespace zev
