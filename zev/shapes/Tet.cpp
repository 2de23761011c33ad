#include "zev/shapes/Tet.h"

#include "zev/contracts/ZEVMatrix4.h"
#include "zev/shapes/ParametricSolver.h"

#include <cmath>

namespace zev {

template <> const int TetElement::m_face2vert[m_numFaces][3] = {{0, 2, 1}, {0, 1, 3}, {1, 2, 3}, {3, 2, 0}};
template <> const int TetElement::m_face2vertSize[m_numFaces] = {3, 3, 3, 3};
template <> const int TetElement::m_face2IPs[m_numFaces][3] = {{0, 1, 2}, {0, 1, 3}, {1, 2, 3}, {0, 2, 3}};
template <>
const int TetElement::m_edgeConnectivity[m_numEdges][2] = {{0, 1}, {0, 2}, {2, 1}, {0, 3}, {3, 1}, {3, 2}};
template <>
const int TetElement::s_regionMidpoints[m_numEdges][2] = {{0, 1}, {0, 2}, {0, 3}, {1, 2}, {2, 3}, {1, 3}};
template <> const int TetElement::s_regionCentreFaces[m_numFaces] = {0, 3, 1, 2};

// Dual regions: each region face is a quadrilateral of region points; the boundary faces
// come first, then the interior faces through the centroid, each listed once per side.
template <>
const int TetElement::m_regionVertices[m_numVerts][8] = {{0, 4, 5, 6, 10, 11, 12, 14},
                                                         {1, 4, 7, 9, 10, 12, 13, 14},
                                                         {2, 5, 7, 8, 10, 11, 13, 14},
                                                         {3, 6, 8, 9, 11, 12, 13, 14}};
template <> const int TetElement::m_regionVerticesSize[m_numVerts] = {8, 8, 8, 8};
template <>
const int TetElement::m_regionFaces[24][4] = {
    {0, 5, 10, 4},   {0, 6, 11, 5},   {0, 4, 12, 6},   {1, 4, 10, 7},   {1, 7, 13, 9},   {1, 9, 12, 4},
    {2, 7, 10, 5},   {2, 5, 11, 8},   {2, 8, 13, 7},   {3, 6, 12, 9},   {3, 9, 13, 8},   {3, 8, 11, 6},
    {14, 12, 4, 10}, {14, 10, 5, 11}, {14, 11, 6, 12}, {14, 13, 7, 10}, {14, 12, 9, 13}, {14, 13, 8, 11},
    {14, 10, 4, 12}, {14, 11, 5, 10}, {14, 12, 6, 11}, {14, 10, 7, 13}, {14, 13, 9, 12}, {14, 11, 8, 13}};
template <>
const int TetElement::m_vert2RegionFaces[m_numVerts][6] = {
    {0, 1, 2, 12, 13, 14}, {3, 4, 5, 15, 16, 18}, {6, 7, 8, 17, 19, 21}, {9, 10, 11, 20, 22, 23}};
template <> const int TetElement::m_vert2RegionFaceSize[m_numVerts] = {6, 6, 6, 6};

Tet::~Tet() = default;

float Tet::getSimpleVolume(const TripletZEVVector& p_vertices) const
{
    return tetVolume(p_vertices, 0, 1, 2, 3);
}

float Tet::calcVertexVolumes(const TripletZEVVector& p_vertices,
                             FloatZEVVectorConcrete& p_vertexVolumes) const
{
    ZEVMatrix4 m;
    for (int i = 0; i < m_numVerts; ++i) {
        const Triplet& p = p_vertices[static_cast<std::size_t>(m_vertices[i])];
        m[i][0] = p[0];
        m[i][1] = p[1];
        m[i][2] = p[2];
        m[i][3] = 1.0f;
    }
    // Unsigned, so an inverted tetrahedron still gives each vertex a positive share.
    const float volume = std::fabs(m.determinant()) / 6.0f;
    const float share = volume / 4.0f;
    for (int i = 0; i < m_numVerts; ++i)
        p_vertexVolumes[static_cast<std::size_t>(m_vertices[i])] += share;
    return volume;
}

void Tet::constructSTU(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices, float& p_s,
                       float& p_t, float& p_u) const
{
    double p0[3];
    double d1[3];
    double d2[3];
    double d3[3];
    double r[3];
    const Triplet& a = p_vertices[static_cast<std::size_t>(m_vertices[0])];
    const Triplet& b = p_vertices[static_cast<std::size_t>(m_vertices[1])];
    const Triplet& c = p_vertices[static_cast<std::size_t>(m_vertices[2])];
    const Triplet& d = p_vertices[static_cast<std::size_t>(m_vertices[3])];
    const double point[3] = {p_x, p_y, p_z};
    for (int k = 0; k < 3; ++k) {
        p0[k] = a[k];
        d1[k] = static_cast<double>(b[k]) - p0[k];
        d2[k] = static_cast<double>(c[k]) - p0[k];
        d3[k] = static_cast<double>(d[k]) - p0[k];
        r[k] = point[k] - p0[k];
    }
    // Cramer's rule on r = s d1 + t d2 + u d3.
    const double det = parametric::det3(d1, d2, d3);
    p_s = static_cast<float>(parametric::det3(r, d2, d3) / det);
    p_t = static_cast<float>(parametric::det3(d1, r, d3) / det);
    p_u = static_cast<float>(parametric::det3(d1, d2, r) / det);
}

bool Tet::constructWeightsImp(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices,
                              std::vector<float>& p_weights) const
{
    float s = 0.0f;
    float t = 0.0f;
    float u = 0.0f;
    constructSTU(p_x, p_y, p_z, p_vertices, s, t, u);
    // Only each coordinate's range is checked, not s + t + u <= 1, so the first weight may
    // be negative for a point accepted here.
    const bool ok = checkSTURanges(s, t, u);
    p_weights[0] = 1.0f - s - t - u;
    p_weights[1] = s;
    p_weights[2] = t;
    p_weights[3] = u;
    return ok;
}

} // namespace zev
