#include "zev/shapes/Pyramid.h"

#include "zev/shapes/ParametricSolver.h"

namespace zev {

namespace {

// The pyramid's map, bilinear over the base and collapsing to the apex at u = 1: shape
// functions and their derivatives, in the precision of the arguments.
struct PyramidMap {
    template <class T> void operator()(T s, T t, T u, parametric::Basis<Pyramid::m_numVerts, T>& b) const
    {
        const T ms = T(1) - s;
        const T mt = T(1) - t;
        const T mu = T(1) - u;
        b.w[0] = ms * mt * mu;
        b.ds[0] = -mt * mu;
        b.dt[0] = -ms * mu;
        b.du[0] = -ms * mt;
        b.w[1] = s * mt * mu;
        b.ds[1] = mt * mu;
        b.dt[1] = -s * mu;
        b.du[1] = -s * mt;
        b.w[2] = s * t * mu;
        b.ds[2] = t * mu;
        b.dt[2] = s * mu;
        b.du[2] = -s * t;
        b.w[3] = ms * t * mu;
        b.ds[3] = -t * mu;
        b.dt[3] = ms * mu;
        b.du[3] = -ms * t;
        b.w[4] = u;
        b.ds[4] = T(0);
        b.dt[4] = T(0);
        b.du[4] = T(1);
    }
};

} // namespace

template <>
const int PyramidElement::m_face2vert[m_numFaces][4] = {
    {0, 4, 3, 0}, {1, 2, 4, 0}, {0, 1, 4, 0}, {2, 3, 4, 0}, {3, 2, 1, 0}};
template <> const int PyramidElement::m_face2vertSize[m_numFaces] = {3, 3, 3, 3, 4};
template <>
const int PyramidElement::m_face2IPs[m_numFaces][4] = {
    {0, 3, 4, 0}, {1, 2, 4, 0}, {0, 1, 4, 0}, {3, 2, 4, 0}, {0, 1, 3, 2}};
template <>
const int PyramidElement::m_edgeConnectivity[m_numEdges][2] = {{0, 1}, {3, 2}, {0, 3}, {1, 2},
                                                               {0, 4}, {1, 4}, {3, 4}, {2, 4}};
template <>
const int PyramidElement::s_regionMidpoints[m_numEdges][2] = {{0, 1}, {0, 3}, {0, 4}, {1, 2},
                                                              {1, 4}, {2, 3}, {2, 4}, {3, 4}};
template <> const int PyramidElement::s_regionCentreFaces[m_numFaces] = {4, 2, 0, 1, 3};

// Dual regions: each region face is a quadrilateral of region points; the boundary faces
// come first, then the interior faces through the centroid, each listed once per side.
template <>
const int PyramidElement::m_regionVertices[m_numVerts][10] = {{0, 5, 6, 7, 13, 14, 15, 18, 0, 0},
                                                              {1, 5, 8, 9, 13, 14, 16, 18, 0, 0},
                                                              {2, 8, 10, 11, 13, 16, 17, 18, 0, 0},
                                                              {3, 6, 10, 12, 13, 15, 17, 18, 0, 0},
                                                              {4, 7, 9, 11, 12, 14, 15, 16, 17, 18}};
template <> const int PyramidElement::m_regionVerticesSize[m_numVerts] = {8, 8, 8, 8, 10};
template <>
const int PyramidElement::m_regionFaces[32][4] = {
    {0, 6, 13, 5},    {0, 5, 14, 7},   {0, 7, 15, 6},   {1, 5, 13, 8},    {1, 9, 14, 5},    {1, 8, 16, 9},
    {2, 8, 13, 10},   {2, 11, 16, 8},  {2, 10, 17, 11}, {3, 10, 13, 6},   {3, 6, 15, 12},   {3, 12, 17, 10},
    {4, 7, 14, 9},    {4, 12, 15, 7},  {4, 11, 17, 12}, {4, 9, 16, 11},   {18, 14, 5, 13},  {18, 13, 6, 15},
    {18, 15, 7, 14},  {18, 16, 8, 13}, {18, 14, 9, 16}, {18, 17, 10, 13}, {18, 16, 11, 17}, {18, 17, 12, 15},
    {18, 13, 5, 14},  {18, 15, 6, 13}, {18, 14, 7, 15}, {18, 13, 8, 16},  {18, 16, 9, 14},  {18, 13, 10, 17},
    {18, 17, 11, 16}, {18, 15, 12, 17}};
template <>
const int PyramidElement::m_vert2RegionFaces[m_numVerts][8] = {{0, 1, 2, 16, 17, 18, 0, 0},
                                                               {3, 4, 5, 19, 20, 24, 0, 0},
                                                               {6, 7, 8, 21, 22, 27, 0, 0},
                                                               {9, 10, 11, 23, 25, 29, 0, 0},
                                                               {12, 13, 14, 15, 26, 28, 30, 31}};
template <> const int PyramidElement::m_vert2RegionFaceSize[m_numVerts] = {6, 6, 6, 6, 8};

Pyramid::~Pyramid() = default;

float Pyramid::getSimpleVolume(const TripletZEVVector& p_vertices) const
{
    // The base split along its diagonal 0-2.
    return tetVolume(p_vertices, 0, 1, 2, 4) + tetVolume(p_vertices, 0, 2, 3, 4);
}

bool Pyramid::constructSTU(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices, float& p_s,
                           float& p_t, float& p_u) const
{
    return parametric::solveNewton(m_vertices, p_vertices, p_x, p_y, p_z, p_s, p_t, p_u, PyramidMap{});
}

bool Pyramid::constructWeightsImp(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices,
                                  std::vector<float>& p_weights) const
{
    // A failed solve leaves the centre, s = t = u = 0.5, and answers false.
    float s = 0.5f;
    float t = 0.5f;
    float u = 0.5f;
    const bool ok = constructSTU(p_x, p_y, p_z, p_vertices, s, t, u) && checkSTURanges(s, t, u);
    parametric::shapeWeights<m_numVerts>(s, t, u, PyramidMap{}, p_weights);
    return ok;
}

} // namespace zev
