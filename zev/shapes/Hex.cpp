#include "zev/shapes/Hex.h"

#include "zev/shapes/ParametricSolver.h"

namespace zev {

namespace {

struct Vec {
    double x, y, z;
};

inline Vec operator+(const Vec& p_a, const Vec& p_b)
{
    return {p_a.x + p_b.x, p_a.y + p_b.y, p_a.z + p_b.z};
}
inline Vec operator-(const Vec& p_a, const Vec& p_b)
{
    return {p_a.x - p_b.x, p_a.y - p_b.y, p_a.z - p_b.z};
}
inline Vec cross(const Vec& p_a, const Vec& p_b)
{
    return {p_a.y * p_b.z - p_a.z * p_b.y, p_a.z * p_b.x - p_a.x * p_b.z, p_a.x * p_b.y - p_a.y * p_b.x};
}
inline double dot(const Vec& p_a, const Vec& p_b)
{
    return p_a.x * p_b.x + p_a.y * p_b.y + p_a.z * p_b.z;
}

// The volumes of the eight dual regions, region i around corner i. The regions are the
// images of the parametric octants under the trilinear map x(r, s, t) = sum of b_k times the
// monomials 1, r, s, t, rs, st, rt, rst over [-1, 1]^3 (times 1/8), and their faces are the
// bilinear patches through the corners, edge midpoints, face centres and centroid. A region's
// volume is the integral of det(dx/dr, dx/ds, dx/dt) over its octant: a sum of triple
// products of the b_k weighted by the octant's signs, evaluated once per cell and shared by
// the eight regions. In double precision, so the float results carry little more than the
// rounding of the final conversion.
void regionVolumes(const Triplet* const p_corners[8], double p_volumes[8])
{
    // Butterflies over the three parametric directions: afterwards b[m] is the sum of the
    // corners signed by the directions in m (bit 0 r, bit 1 s, bit 2 t).
    Vec b[8];
    for (int i = 0; i < 8; ++i)
        b[i] = {(*p_corners[i])[0], (*p_corners[i])[1], (*p_corners[i])[2]};
    for (int bit = 1; bit < 8; bit <<= 1)
        for (int i = 0; i < 8; ++i)
            if ((i & bit) == 0) {
                const Vec low = b[i];
                b[i] = b[i | bit] + low;
                b[i | bit] = b[i | bit] - low;
            }
    const Vec& r = b[1];
    const Vec& s = b[2];
    const Vec& t = b[4];
    const Vec& rs = b[3];
    const Vec& st = b[6];
    const Vec& rt = b[5];
    const Vec& rst = b[7];

    const Vec cST = cross(s, t);
    const Vec cRT = cross(r, t);
    const Vec cRS = cross(r, s);
    const Vec cRsSt = cross(rs, st);
    const Vec cRsRt = cross(rs, rt);
    const Vec cStRt = cross(st, rt);
    const Vec cRsRst = cross(rs, rst);
    const Vec cStRst = cross(st, rst);
    const Vec cRtRst = cross(rt, rst);

    // The octant integral split by the parity of its dependence on the octant's signs
    // (pr, ps, pt) = (+-1, +-1, +-1): the even part, the parts odd in one sign, in two, in all.
    // Each part is kept times 12, so the weights are whole numbers and no division waits in
    // the chain.
    const double d0 = 12.0 * dot(r, cST) + 4.0 * (dot(r, cRsRt) - dot(s, cRsSt) - dot(t, cStRt));
    const double dR = 6.0 * (dot(rt, cRS) - dot(rs, cRT)) + 2.0 * (dot(t, cRtRst) - dot(s, cRsRst));
    const double dS = 6.0 * (dot(st, cRS) + dot(rs, cST)) + 2.0 * (dot(r, cRsRst) - dot(t, cStRst));
    const double dT = 6.0 * (dot(rt, cST) - dot(st, cRT)) + 2.0 * (dot(s, cStRst) - dot(r, cRtRst));
    const double dRS = 3.0 * (dot(rst, cRS) + dot(r, cRsSt) - dot(s, cRsRt)) + dot(rst, cStRt);
    const double dRT = 3.0 * (dot(r, cStRt) - dot(rst, cRT) - dot(t, cRsRt)) + dot(rst, cRsSt);
    const double dST = 3.0 * (dot(rst, cST) + dot(s, cStRt) + dot(t, cRsSt)) - dot(rst, cRsRt);
    const double dRST = 3.0 * dot(rt, cRsSt);

    // Region i's octant has the signs of corner i's bits (pr bit 0, ps bit 1, pt bit 2), and
    //   V_i = d0 + pr dR + ps dS + pt dT + pr ps dRS + pr pt dRT + ps pt dST + pr ps pt dRST,
    // summed over pt, then ps, then pr. The corners' b vectors are eight times the map's
    // coefficients, so every triple product carries 8^3, and the parts carry the factor 12.
    constexpr double kScale = 1.0 / (512.0 * 12.0);
    for (int k = 0; k < 2; ++k) {
        const double pt = k == 0 ? -1.0 : 1.0;
        const double even = d0 + pt * dT;
        const double oddR = dR + pt * dRT;
        const double oddS = dS + pt * dST;
        const double oddRS = dRS + pt * dRST;
        const double e0 = even - oddS; // ps = -1
        const double e1 = even + oddS; // ps = +1
        const double f0 = oddR - oddRS;
        const double f1 = oddR + oddRS;
        p_volumes[4 * k + 0] = kScale * (e0 - f0);
        p_volumes[4 * k + 1] = kScale * (e0 + f0);
        p_volumes[4 * k + 2] = kScale * (e1 - f1);
        p_volumes[4 * k + 3] = kScale * (e1 + f1);
    }
}

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
    regionVolumes(corners, volumes);
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
    const Triplet* corners[m_numVerts];
    for (int i = 0; i < m_numVerts; ++i)
        corners[i] = &p_vertices[static_cast<std::size_t>(m_vertices[i])];
    double volumes[m_numVerts];
    regionVolumes(corners, volumes);
    float total = 0.0f;
    for (int i = 0; i < m_numVerts; ++i) {
        const auto volume = static_cast<float>(volumes[i]);
        p_vertexVolumes[static_cast<std::size_t>(m_vertices[i])] += volume;
        total += volume;
    }
    return total;
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
