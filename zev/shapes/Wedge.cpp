#include "zev/shapes/Wedge.h"

#include "zev/shapes/ParametricSolver.h"

namespace zev {

namespace {

// The wedge's map, linear over the triangle (s, t) and in u between the two triangles: shape
// functions and their derivatives, in the precision of the arguments.
struct WedgeMap {
    template <class T> void operator()(T s, T t, T u, parametric::Basis<Wedge::m_numVerts, T>& b) const
    {
        const T r = T(1) - s - t;
        const T mu = T(1) - u;
        b.w[0] = r * mu;
        b.ds[0] = -mu;
        b.dt[0] = -mu;
        b.du[0] = -r;
        b.w[1] = s * mu;
        b.ds[1] = mu;
        b.dt[1] = T(0);
        b.du[1] = -s;
        b.w[2] = t * mu;
        b.ds[2] = T(0);
        b.dt[2] = mu;
        b.du[2] = -t;
        b.w[3] = r * u;
        b.ds[3] = -u;
        b.dt[3] = -u;
        b.du[3] = r;
        b.w[4] = s * u;
        b.ds[4] = u;
        b.dt[4] = T(0);
        b.du[4] = s;
        b.w[5] = t * u;
        b.ds[5] = T(0);
        b.dt[5] = u;
        b.du[5] = t;
    }
};

} // namespace

template <>
const int WedgeElement::m_face2vert[m_numFaces][4] = {
    {0, 3, 5, 2}, {0, 1, 4, 3}, {1, 2, 5, 4}, {0, 2, 1, 0}, {3, 4, 5, 0}};
template <> const int WedgeElement::m_face2vertSize[m_numFaces] = {4, 4, 4, 3, 3};
template <>
const int WedgeElement::m_face2IPs[m_numFaces][4] = {
    {0, 2, 3, 5}, {0, 1, 3, 4}, {1, 2, 4, 5}, {0, 1, 2, 0}, {3, 4, 5, 0}};
template <>
const int WedgeElement::m_edgeConnectivity[m_numEdges][2] = {{0, 2}, {0, 1}, {1, 2}, {3, 5}, {3, 4},
                                                             {4, 5}, {0, 3}, {1, 4}, {2, 5}};
template <>
const int WedgeElement::s_regionMidpoints[m_numEdges][2] = {{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 4},
                                                            {2, 5}, {3, 4}, {3, 5}, {4, 5}};
template <> const int WedgeElement::s_regionCentreFaces[m_numFaces] = {3, 1, 0, 2, 4};

// Dual regions: each region face is a quadrilateral of region points; the boundary faces
// come first, then the interior faces through the centroid, each listed once per side.
template <>
const int WedgeElement::m_regionVertices[m_numVerts][8] = {
    {0, 6, 7, 8, 15, 16, 17, 20},   {1, 6, 9, 10, 15, 16, 18, 20},   {2, 7, 9, 11, 15, 17, 18, 20},
    {3, 8, 12, 13, 16, 17, 19, 20}, {4, 10, 12, 14, 16, 18, 19, 20}, {5, 11, 13, 14, 17, 18, 19, 20}};
template <> const int WedgeElement::m_regionVerticesSize[m_numVerts] = {8, 8, 8, 8, 8, 8};
template <>
const int WedgeElement::m_regionFaces[36][4] = {
    {0, 7, 15, 6},    {0, 6, 16, 8},    {0, 8, 17, 7},    {1, 6, 15, 9},    {1, 10, 16, 6},
    {1, 9, 18, 10},   {2, 9, 15, 7},    {2, 7, 17, 11},   {2, 11, 18, 9},   {3, 8, 16, 12},
    {3, 13, 17, 8},   {3, 12, 19, 13},  {4, 12, 16, 10},  {4, 10, 18, 14},  {4, 14, 19, 12},
    {5, 11, 17, 13},  {5, 14, 18, 11},  {5, 13, 19, 14},  {20, 16, 6, 15},  {20, 15, 7, 17},
    {20, 17, 8, 16},  {20, 18, 9, 15},  {20, 16, 10, 18}, {20, 18, 11, 17}, {20, 19, 12, 16},
    {20, 17, 13, 19}, {20, 19, 14, 18}, {20, 15, 6, 16},  {20, 17, 7, 15},  {20, 16, 8, 17},
    {20, 15, 9, 18},  {20, 18, 10, 16}, {20, 17, 11, 18}, {20, 16, 12, 19}, {20, 19, 13, 17},
    {20, 18, 14, 19}};
template <>
const int WedgeElement::m_vert2RegionFaces[m_numVerts][6] = {
    {0, 1, 2, 18, 19, 20},   {3, 4, 5, 21, 22, 27},    {6, 7, 8, 23, 28, 30},
    {9, 10, 11, 24, 25, 29}, {12, 13, 14, 26, 31, 33}, {15, 16, 17, 32, 34, 35}};
template <> const int WedgeElement::m_vert2RegionFaceSize[m_numVerts] = {6, 6, 6, 6, 6, 6};

Wedge::~Wedge() = default;

float Wedge::getSimpleVolume(const TripletZEVVector& p_vertices) const
{
    return tetVolume(p_vertices, 0, 1, 2, 4) + tetVolume(p_vertices, 0, 2, 5, 4) +
           tetVolume(p_vertices, 0, 5, 3, 4);
}

bool Wedge::constructSTU(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices, float& p_s,
                         float& p_t, float& p_u) const
{
    return parametric::solveNewton(m_vertices, p_vertices, p_x, p_y, p_z, p_s, p_t, p_u, WedgeMap{});
}

bool Wedge::constructWeightsImp(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices,
                                std::vector<float>& p_weights) const
{
    // A failed solve leaves the centre, s = t = u = 0.5, and answers false.
    float s = 0.5f;
    float t = 0.5f;
    float u = 0.5f;
    const bool ok = constructSTU(p_x, p_y, p_z, p_vertices, s, t, u) && checkSTURanges(s, t, u);
    parametric::shapeWeights<m_numVerts>(s, t, u, WedgeMap{}, p_weights);
    return ok;
}

} // namespace zev
