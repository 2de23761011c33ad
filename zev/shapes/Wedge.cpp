#include "zev/shapes/Wedge.h"

namespace zev {

const int Wedge::m_face2vert[m_numFaces][4] = {
    {0, 3, 5, 2}, {0, 1, 4, 3}, {1, 2, 5, 4}, {0, 2, 1, 0}, {3, 4, 5, 0}};
const int Wedge::m_face2vertSize[m_numFaces] = {4, 4, 4, 3, 3};
const int Wedge::m_face2IPs[m_numFaces][4] = {
    {0, 2, 3, 5}, {0, 1, 3, 4}, {1, 2, 4, 5}, {0, 1, 2, 0}, {3, 4, 5, 0}};
const int Wedge::m_edgeConnectivity[m_numEdges][2] = {{0, 2}, {0, 1}, {1, 2}, {3, 5}, {3, 4},
                                                      {4, 5}, {0, 3}, {1, 4}, {2, 5}};

// The case rows come with element cutting; until then every case is empty.
const int Wedge::m_marchingTable[m_tableIndex + 1][9] = {};
const int Wedge::m_marchingListSize[m_tableIndex + 1] = {};

// The region rows come with the dual-region measures; until then every region is empty.
const int Wedge::m_regionVertices[m_numVerts][8] = {};
const int Wedge::m_regionVerticesSize[m_numVerts] = {};
const int Wedge::m_regionFaces[36][4] = {};
const int Wedge::m_vert2RegionFaces[m_numVerts][6] = {};
const int Wedge::m_vert2RegionFaceSize[m_numVerts] = {};

Wedge::~Wedge() = default;

void Wedge::setVertices(const IntZEVVector& p_vertices)
{
    setVerticesChecked(m_vertices, m_numVerts, p_vertices, "Wedge");
}

void Wedge::print() const
{
    printVertices("Wedge: ", m_vertices, m_numVerts);
}

bool Wedge::constructWeightsImp(float, float, float, const TripletZEVVector&, std::vector<float>&) const
{
    return false;
}

} // namespace zev
