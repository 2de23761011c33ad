#include "zev/shapes/Hex.h"

#include "zev/shapes/HexRegionVolumes.h"
#include "zev/shapes/ParametricSolver.h"

namespace zev {

namespace {

// The trilinear map, corner i at (i & 1, (i >> 1) & 1, i >> 2): shape functions and their
// derivatives, in the precision of the arguments.
struct HexMap {
    template <class T> void operator()(T s, T t, T u, parametric::Basis<Hex::m_numVerts, T>& b) const
    {
        for (int i = 0; i < Hex::m_numVerts; ++i) {
            const bool hs = (i & 1) != 0;
            const bool ht = (i & 2) != 0;
            const bool hu = (i & 4) != 0;
            const T fs = hs ? s : T(1) - s;
            const T ft = ht ? t : T(1) - t;
            const T fu = hu ? u : T(1) - u;
            b.w[i] = fs * ft * fu;
            b.ds[i] = (hs ? T(1) : T(-1)) * ft * fu;
            b.dt[i] = fs * (ht ? T(1) : T(-1)) * fu;
            b.du[i] = fs * ft * (hu ? T(1) : T(-1));
        }
    }
};

} // namespace

template <>
const int HexElement::m_face2vert[m_numFaces][4] = {{0, 4, 6, 2}, {1, 3, 7, 5}, {0, 1, 5, 4},
                                                    {2, 6, 7, 3}, {0, 2, 3, 1}, {4, 5, 7, 6}};
template <> const int HexElement::m_face2vertSize[m_numFaces] = {4, 4, 4, 4, 4, 4};
template <>
const int HexElement::m_face2IPs[m_numFaces][4] = {{0, 2, 4, 6}, {1, 3, 5, 7}, {0, 1, 4, 5},
                                                   {2, 3, 6, 7}, {0, 1, 2, 3}, {4, 5, 6, 7}};
template <>
const int HexElement::m_edgeConnectivity[m_numEdges][2] = {{0, 1}, {2, 3}, {4, 5}, {6, 7}, {0, 2}, {1, 3},
                                                           {4, 6}, {5, 7}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};
template <>
const int HexElement::s_regionMidpoints[m_numEdges][2] = {{0, 1}, {0, 2}, {0, 4}, {1, 3}, {1, 5}, {2, 3},
                                                          {2, 6}, {3, 7}, {4, 5}, {4, 6}, {5, 7}, {6, 7}};
template <> const int HexElement::s_regionCentreFaces[m_numFaces] = {4, 2, 0, 1, 3, 5};

// Dual regions: each region face is a quadrilateral of region points; the boundary faces
// come first, then the interior faces through the centroid, each listed once per side.
template <>
const int HexElement::m_regionVertices[m_numVerts][8] = {
    {0, 8, 9, 10, 20, 21, 22, 26},   {1, 8, 11, 12, 20, 21, 23, 26},  {2, 9, 13, 14, 20, 22, 24, 26},
    {3, 11, 13, 15, 20, 23, 24, 26}, {4, 10, 16, 17, 21, 22, 25, 26}, {5, 12, 16, 18, 21, 23, 25, 26},
    {6, 14, 17, 19, 22, 24, 25, 26}, {7, 15, 18, 19, 23, 24, 25, 26}};
template <> const int HexElement::m_regionVerticesSize[m_numVerts] = {8, 8, 8, 8, 8, 8, 8, 8};
template <>
const int HexElement::m_regionFaces[48][4] = {
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
template <>
const int HexElement::m_vert2RegionFaces[m_numVerts][6] = {
    {0, 1, 2, 24, 25, 26},    {3, 4, 5, 27, 28, 36},    {6, 7, 8, 29, 30, 37},    {9, 10, 11, 31, 39, 41},
    {12, 13, 14, 32, 33, 38}, {15, 16, 17, 34, 40, 44}, {18, 19, 20, 35, 42, 45}, {21, 22, 23, 43, 46, 47}};
template <> const int HexElement::m_vert2RegionFaceSize[m_numVerts] = {6, 6, 6, 6, 6, 6, 6, 6};

Hex::~Hex() = default;

float Hex::getSimpleVolume(const TripletZEVVector& p_vertices) const
{
    // Six tetrahedra around the diagonal 0-7.
    return tetVolume(p_vertices, 0, 1, 3, 7) + tetVolume(p_vertices, 0, 3, 2, 7) +
           tetVolume(p_vertices, 0, 2, 6, 7) + tetVolume(p_vertices, 0, 6, 4, 7) +
           tetVolume(p_vertices, 0, 4, 5, 7) + tetVolume(p_vertices, 0, 5, 1, 7);
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
    return parametric::solveNewton(m_vertices, p_vertices, p_x, p_y, p_z, p_s, p_t, p_u, HexMap{});
}

bool Hex::constructWeightsImp(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices,
                              std::vector<float>& p_weights) const
{
    // A failed solve leaves the centre, s = t = u = 0.5, and answers false.
    float s = 0.5f;
    float t = 0.5f;
    float u = 0.5f;
    const bool ok = constructSTU(p_x, p_y, p_z, p_vertices, s, t, u) && checkSTURanges(s, t, u);
    parametric::shapeWeights<m_numVerts>(s, t, u, HexMap{}, p_weights);
    return ok;
}

} // namespace zev
