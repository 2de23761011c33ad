#include "zev/shapes/Hex.h"

namespace zev {

const int Hex::m_face2vert[m_numFaces][4] = {{0, 4, 6, 2}, {1, 3, 7, 5}, {0, 1, 5, 4},
                                             {2, 6, 7, 3}, {0, 2, 3, 1}, {4, 5, 7, 6}};
const int Hex::m_face2vertSize[m_numFaces] = {4, 4, 4, 4, 4, 4};
const int Hex::m_face2IPs[m_numFaces][4] = {{0, 2, 4, 6}, {1, 3, 5, 7}, {0, 1, 4, 5},
                                            {2, 3, 6, 7}, {0, 1, 2, 3}, {4, 5, 6, 7}};
const int Hex::m_edgeConnectivity[m_numEdges][2] = {{0, 1}, {2, 3}, {4, 5}, {6, 7}, {0, 2}, {1, 3},
                                                    {4, 6}, {5, 7}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};

// The case rows come with element cutting; until then every case is empty.
const int Hex::m_marchingTable[m_tableIndex + 1][46] = {};
const int Hex::m_marchingListSize[m_tableIndex + 1] = {};

// The region rows come with the dual-region measures; until then every region is empty.
const int Hex::m_regionVertices[m_numVerts][8] = {};
const int Hex::m_regionVerticesSize[m_numVerts] = {};
const int Hex::m_regionFaces[48][4] = {};
const int Hex::m_vert2RegionFaces[m_numVerts][6] = {};
const int Hex::m_vert2RegionFaceSize[m_numVerts] = {};

Hex::~Hex() = default;

void Hex::setVertices(const IntZEVVector& p_vertices)
{
    setVerticesChecked(m_vertices, m_numVerts, p_vertices, "Hex");
}

void Hex::print() const
{
    printVertices("Hex: ", m_vertices, m_numVerts);
}

bool Hex::constructWeightsImp(float, float, float, const TripletZEVVector&, std::vector<float>&) const
{
    return false;
}

} // namespace zev
