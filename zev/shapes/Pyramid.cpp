#include "zev/shapes/Pyramid.h"

namespace zev {

const int Pyramid::m_face2vert[m_numFaces][4] = {
    {0, 4, 3, 0}, {1, 2, 4, 0}, {0, 1, 4, 0}, {2, 3, 4, 0}, {3, 2, 1, 0}};
const int Pyramid::m_face2vertSize[m_numFaces] = {3, 3, 3, 3, 4};
const int Pyramid::m_face2IPs[m_numFaces][4] = {
    {0, 3, 4, 0}, {1, 2, 4, 0}, {0, 1, 4, 0}, {3, 2, 4, 0}, {0, 1, 3, 2}};
const int Pyramid::m_edgeConnectivity[m_numEdges][2] = {{0, 1}, {3, 2}, {0, 3}, {1, 2},
                                                        {0, 4}, {1, 4}, {3, 4}, {2, 4}};

// The case rows come with element cutting; until then every case is empty.
const int Pyramid::m_marchingTable[m_tableIndex + 1][8] = {};
const int Pyramid::m_marchingListSize[m_tableIndex + 1] = {};

// The region rows come with the dual-region measures; until then every region is empty.
const int Pyramid::m_regionVertices[m_numVerts][10] = {};
const int Pyramid::m_regionVerticesSize[m_numVerts] = {};
const int Pyramid::m_regionFaces[32][4] = {};
const int Pyramid::m_vert2RegionFaces[m_numVerts][8] = {};
const int Pyramid::m_vert2RegionFaceSize[m_numVerts] = {};

Pyramid::~Pyramid() = default;

void Pyramid::setVertices(const IntZEVVector& p_vertices)
{
    setVerticesChecked(m_vertices, m_numVerts, p_vertices, "Pyramid");
}

void Pyramid::print() const
{
    printVertices("Pyramid: ", m_vertices, m_numVerts);
}

bool Pyramid::constructWeightsImp(float, float, float, const TripletZEVVector&, std::vector<float>&) const
{
    return false;
}

} // namespace zev
