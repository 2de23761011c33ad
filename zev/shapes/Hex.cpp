#include "zev/shapes/Hex.h"

#include "zev/shapes/HexRegionVolumes.h"
#include "zev/shapes/ParametricSolver.h"

namespace zev {

namespace {

// Edges whose midpoints follow the vertices among the region points, and the element faces
// whose centres follow the midpoints.
const int s_regionMidpoints[12][2] = {{0, 1}, {0, 2}, {0, 4}, {1, 3}, {1, 5}, {2, 3},
                                      {2, 6}, {3, 7}, {4, 5}, {4, 6}, {5, 7}, {6, 7}};
const int s_regionCentreFaces[6] = {4, 2, 0, 1, 3, 5};

} // namespace

const int Hex::m_face2vert[m_numFaces][4] = {{0, 4, 6, 2}, {1, 3, 7, 5}, {0, 1, 5, 4},
                                             {2, 6, 7, 3}, {0, 2, 3, 1}, {4, 5, 7, 6}};
const int Hex::m_face2vertSize[m_numFaces] = {4, 4, 4, 4, 4, 4};
const int Hex::m_face2IPs[m_numFaces][4] = {{0, 2, 4, 6}, {1, 3, 5, 7}, {0, 1, 4, 5},
                                            {2, 3, 6, 7}, {0, 1, 2, 3}, {4, 5, 6, 7}};
const int Hex::m_edgeConnectivity[m_numEdges][2] = {{0, 1}, {2, 3}, {4, 5}, {6, 7}, {0, 2}, {1, 3},
                                                    {4, 6}, {5, 7}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};

// Dual regions: each region face is a quadrilateral of region points; the boundary faces
// come first, then the interior faces through the centroid, each listed once per side.
const int Hex::m_regionVertices[m_numVerts][8] = {
    {0, 8, 9, 10, 20, 21, 22, 26},   {1, 8, 11, 12, 20, 21, 23, 26},  {2, 9, 13, 14, 20, 22, 24, 26},
    {3, 11, 13, 15, 20, 23, 24, 26}, {4, 10, 16, 17, 21, 22, 25, 26}, {5, 12, 16, 18, 21, 23, 25, 26},
    {6, 14, 17, 19, 22, 24, 25, 26}, {7, 15, 18, 19, 23, 24, 25, 26}};
const int Hex::m_regionVerticesSize[m_numVerts] = {8, 8, 8, 8, 8, 8, 8, 8};
const int Hex::m_regionFaces[48][4] = {
    {0, 9, 20, 8},    {0, 8, 21, 10},   {0, 10, 22, 9},   {1, 8, 20, 11},   {1, 12, 21, 8},
    {1, 11, 23, 12},  {2, 13, 20, 9},   {2, 9, 22, 14},   {2, 14, 24, 13},  {3, 11, 20, 13},
    {3, 15, 23, 11},  {3, 13, 24, 15},  {4, 10, 21, 16},  {4, 17, 22, 10},  {4, 16, 25, 17},
    {5, 16, 21, 12},  {5, 12, 23, 18},  {5, 18, 25, 16},  {6, 14, 22, 17},  {6, 19, 24, 14},
    {6, 17, 25, 19},  {7, 18, 23, 15},  {7, 15, 24, 19},  {7, 19, 25, 18},  {26, 21, 8, 20},
    {26, 20, 9, 22},  {26, 22, 10, 21}, {26, 23, 11, 20}, {26, 21, 12, 23}, {26, 20, 13, 24},
    {26, 24, 14, 22}, {26, 23, 15, 24}, {26, 25, 16, 21}, {26, 22, 17, 25}, {26, 25, 18, 23},
    {26, 24, 19, 25}, {26, 20, 8, 21},  {26, 22, 9, 20},  {26, 21, 10, 22}, {26, 20, 11, 23},
    {26, 23, 12, 21}, {26, 24, 13, 20}, {26, 22, 14, 24}, {26, 24, 15, 23}, {26, 21, 16, 25},
    {26, 25, 17, 22}, {26, 23, 18, 25}, {26, 25, 19, 24}};
const int Hex::m_vert2RegionFaces[m_numVerts][6] = {
    {0, 1, 2, 24, 25, 26},    {3, 4, 5, 27, 28, 36},    {6, 7, 8, 29, 30, 37},    {9, 10, 11, 31, 39, 41},
    {12, 13, 14, 32, 33, 38}, {15, 16, 17, 34, 40, 44}, {18, 19, 20, 35, 42, 45}, {21, 22, 23, 43, 46, 47}};
const int Hex::m_vert2RegionFaceSize[m_numVerts] = {6, 6, 6, 6, 6, 6, 6, 6};

Hex::~Hex() = default;

float Hex::getSimpleVolume(const TripletZEVVector& p_vertices) const
{
    // Six tetrahedra around the diagonal 0-7.
    return tetVolume(p_vertices, 0, 1, 3, 7) + tetVolume(p_vertices, 0, 3, 2, 7) +
           tetVolume(p_vertices, 0, 2, 6, 7) + tetVolume(p_vertices, 0, 6, 4, 7) +
           tetVolume(p_vertices, 0, 4, 5, 7) + tetVolume(p_vertices, 0, 5, 1, 7);
}

void Hex::calculateRegions(const TripletZEVVector& p_vertices, TripletZEVVector& p_regionPoints,
                           TripletZEVVector& p_faceCentres, TripletZEVVector& p_faceAreaVectors,
                           TripletZEVVector& p_regionCentres) const
{
    const RegionTables tables = {s_regionMidpoints,       12, s_regionCentreFaces, 6, m_regionFaces, 48,
                                 &m_regionVertices[0][0], 8,  m_regionVerticesSize};
    fillRegions(tables, p_vertices, p_regionPoints, p_faceCentres, p_faceAreaVectors, p_regionCentres);
}

float Hex::getVolume(const TripletZEVVector& p_vertices, FloatZEVVectorConcrete& p_vertexVolumes) const
{
    const Triplet* corners[m_numVerts];
    for (int i = 0; i < m_numVerts; ++i)
        corners[i] = &p_vertices[static_cast<std::size_t>(m_vertices[i])];
    double volumes[m_numVerts];
    hexregions::regionVolumes(corners, volumes);
    p_vertexVolumes.resize(static_cast<std::size_t>(m_numVerts));
    float total = 0.0f;
    for (int i = 0; i < m_numVerts; ++i) {
        const auto volume = static_cast<float>(volumes[i]);
        p_vertexVolumes[static_cast<std::size_t>(i)] = volume;
        total += volume;
    }
    return total;
}

float Hex::calcVertexVolumes(const TripletZEVVector& p_vertices,
                             FloatZEVVectorConcrete& p_vertexVolumes) const
{
    return hexregions::addRegionVolumes(this, 1, p_vertices, p_vertexVolumes.data());
}

bool Hex::constructSTU(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices, float& p_s,
                       float& p_t, float& p_u) const
{
    Triplet corners[m_numVerts];
    parametric::gatherCorners(m_vertices, p_vertices, corners);
    return parametric::solveNewton(corners, p_x, p_y, p_z, p_s, p_t, p_u,
                                   [](double s, double t, double u, parametric::Basis<m_numVerts>& b) {
                                       // Corner i sits at (i & 1, (i >> 1) & 1, i >> 2).
                                       for (int i = 0; i < m_numVerts; ++i) {
                                           const bool hs = (i & 1) != 0;
                                           const bool ht = (i & 2) != 0;
                                           const bool hu = (i & 4) != 0;
                                           const double fs = hs ? s : 1.0 - s;
                                           const double ft = ht ? t : 1.0 - t;
                                           const double fu = hu ? u : 1.0 - u;
                                           b.w[i] = fs * ft * fu;
                                           b.ds[i] = (hs ? 1.0 : -1.0) * ft * fu;
                                           b.dt[i] = fs * (ht ? 1.0 : -1.0) * fu;
                                           b.du[i] = fs * ft * (hu ? 1.0 : -1.0);
                                       }
                                   });
}

bool Hex::constructWeightsImp(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices,
                              std::vector<float>& p_weights) const
{
    float s = 0.5f;
    float t = 0.5f;
    float u = 0.5f;
    const bool ok = constructSTU(p_x, p_y, p_z, p_vertices, s, t, u) && checkSTURanges(s, t, u);
    const float ms = 1.0f - s;
    const float mt = 1.0f - t;
    const float mu = 1.0f - u;
    p_weights[0] = ms * mt * mu;
    p_weights[1] = s * mt * mu;
    p_weights[2] = ms * t * mu;
    p_weights[3] = s * t * mu;
    p_weights[4] = ms * mt * u;
    p_weights[5] = s * mt * u;
    p_weights[6] = ms * t * u;
    p_weights[7] = s * t * u;
    return ok;
}

} // namespace zev
