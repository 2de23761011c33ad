#include "zev/shapes/HexRegionVolumes.h"

#include "zev/shapes/Hex.h"

// The batched evaluation is also compiled for AVX2 where the compiler can target it per
// function and the build's baseline lacks it; the CPU is asked once which one to run.
#if (defined(__GNUC__) || defined(__clang__)) && defined(__x86_64__) && !defined(__AVX2__)
#define ZEV_HEX_REGIONS_AVX2 1
#endif

#if defined(__GNUC__) || defined(__clang__)
// Forced, so that the instruction set of the caller (the AVX2 entry) applies to the body.
#define ZEV_HEX_REGIONS_INLINE inline __attribute__((always_inline))
#else
#define ZEV_HEX_REGIONS_INLINE inline
#endif

namespace zev {

namespace hexregions {

namespace {

// Cells evaluated together: eight lanes fill two AVX2 registers per value, which keeps
// both floating-point pipes busy, and four SSE2 registers.
constexpr int kLanes = 8;

struct Vec {
    double x, y, z;
};

ZEV_HEX_REGIONS_INLINE Vec operator+(const Vec& p_a, const Vec& p_b)
{
    return {p_a.x + p_b.x, p_a.y + p_b.y, p_a.z + p_b.z};
}
ZEV_HEX_REGIONS_INLINE Vec operator-(const Vec& p_a, const Vec& p_b)
{
    return {p_a.x - p_b.x, p_a.y - p_b.y, p_a.z - p_b.z};
}
ZEV_HEX_REGIONS_INLINE Vec cross(const Vec& p_a, const Vec& p_b)
{
    return {p_a.y * p_b.z - p_a.z * p_b.y, p_a.z * p_b.x - p_a.x * p_b.z, p_a.x * p_b.y - p_a.y * p_b.x};
}
ZEV_HEX_REGIONS_INLINE double dot(const Vec& p_a, const Vec& p_b)
{
    return p_a.x * p_b.x + p_a.y * p_b.y + p_a.z * p_b.z;
}
// (low, high) -> (high + low, high - low).
ZEV_HEX_REGIONS_INLINE void butterfly(Vec& p_low, Vec& p_high)
{
    const Vec low = p_low;
    p_low = p_high + low;
    p_high = p_high - low;
}

// The region volumes of L cells at once: p_corners[i][c][l] is component c of corner i of
// cell l, p_volumes[i][l] the volume of cell l's region around corner i. The body of the lane
// loop is straight-line code, so the compiler evaluates the lanes side by side in vector
// registers; each lane sees exactly the operations of a single cell, in the same order.
//
// The regions are the images of the parametric octants under the trilinear map x(r, s, t) =
// sum of b_k times the monomials 1, r, s, t, rs, st, rt, rst over [-1, 1]^3 (times 1/8), and
// their faces are the bilinear patches through the corners, edge midpoints, face centres and
// centroid. A region's volume is the integral of det(dx/dr, dx/ds, dx/dt) over its octant: a
// sum of triple products of the b_k weighted by the octant's signs, evaluated once per cell
// and shared by the eight regions. In double precision, so the float results carry little
// more than the rounding of the final conversion.
template <int L>
ZEV_HEX_REGIONS_INLINE void regionVolumesLanes(const double (&p_corners)[8][3][L], double (&p_volumes)[8][L])
{
    for (int l = 0; l < L; ++l) {
        // Butterflies over the three parametric directions: afterwards b[m] is the sum of the
        // corners signed by the directions in m (bit 0 r, bit 1 s, bit 2 t).
        Vec b[8];
        for (int i = 0; i < 8; ++i)
            b[i] = {p_corners[i][0][l], p_corners[i][1][l], p_corners[i][2][l]};
        butterfly(b[0], b[1]);
        butterfly(b[2], b[3]);
        butterfly(b[4], b[5]);
        butterfly(b[6], b[7]);
        butterfly(b[0], b[2]);
        butterfly(b[1], b[3]);
        butterfly(b[4], b[6]);
        butterfly(b[5], b[7]);
        butterfly(b[0], b[4]);
        butterfly(b[1], b[5]);
        butterfly(b[2], b[6]);
        butterfly(b[3], b[7]);
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
        // (pr, ps, pt) = (+-1, +-1, +-1): the even part, the parts odd in one sign, in two, in
        // all. Each part is kept times 12, so the weights are whole numbers and no division
        // waits in the chain.
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
            p_volumes[4 * k + 0][l] = kScale * (e0 - f0);
            p_volumes[4 * k + 1][l] = kScale * (e0 + f0);
            p_volumes[4 * k + 2][l] = kScale * (e1 - f1);
            p_volumes[4 * k + 3][l] = kScale * (e1 + f1);
        }
    }
}

// Cells p_first .. p_first + L - 1, evaluated together and added in cell order; each cell's
// total is added to p_total in turn.
template <int L>
ZEV_HEX_REGIONS_INLINE void addCells(const Hex* p_first, const Triplet* p_vertices, float* p_vertexVolumes,
                                     float& p_total)
{
    double corners[8][3][L];
    for (int l = 0; l < L; ++l) {
        const int* ids = p_first[l].vertices();
        for (int i = 0; i < 8; ++i) {
            const Triplet& p = p_vertices[ids[i]];
            corners[i][0][l] = p[0];
            corners[i][1][l] = p[1];
            corners[i][2][l] = p[2];
        }
    }
    double volumes[8][L];
    regionVolumesLanes<L>(corners, volumes);
    for (int l = 0; l < L; ++l) {
        const int* ids = p_first[l].vertices();
        float cell = 0.0f;
        for (int i = 0; i < 8; ++i) {
            const auto volume = static_cast<float>(volumes[i][l]);
            p_vertexVolumes[ids[i]] += volume;
            cell += volume;
        }
        p_total += cell;
    }
}

ZEV_HEX_REGIONS_INLINE float addAll(const Hex* p_hexes, std::size_t p_count, const Triplet* p_vertices,
                                    float* p_vertexVolumes)
{
    float total = 0.0f;
    std::size_t e = 0;
    for (; e + kLanes <= p_count; e += kLanes)
        addCells<kLanes>(p_hexes + e, p_vertices, p_vertexVolumes, total);
    // The tail one by one: a lane of one cell is the same arithmetic.
    for (; e < p_count; ++e)
        addCells<1>(p_hexes + e, p_vertices, p_vertexVolumes, total);
    return total;
}

float addAllBaseline(const Hex* p_hexes, std::size_t p_count, const Triplet* p_vertices,
                     float* p_vertexVolumes)
{
    return addAll(p_hexes, p_count, p_vertices, p_vertexVolumes);
}

#ifdef ZEV_HEX_REGIONS_AVX2
// AVX2 without FMA: fused multiply-adds would round differently from the baseline path.
__attribute__((target("avx2"))) float addAllAvx2(const Hex* p_hexes, std::size_t p_count,
                                                 const Triplet* p_vertices, float* p_vertexVolumes)
{
    return addAll(p_hexes, p_count, p_vertices, p_vertexVolumes);
}
#endif

using AddAll = float (*)(const Hex*, std::size_t, const Triplet*, float*);

AddAll chooseAddAll()
{
#ifdef ZEV_HEX_REGIONS_AVX2
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2"))
        return &addAllAvx2;
#endif
    return &addAllBaseline;
}

} // namespace

void regionVolumes(const Triplet* const p_corners[8], double p_volumes[8])
{
    double corners[8][3][1];
    for (int i = 0; i < 8; ++i)
        for (int c = 0; c < 3; ++c)
            corners[i][c][0] = (*p_corners[i])[c];
    double volumes[8][1];
    regionVolumesLanes<1>(corners, volumes);
    for (int i = 0; i < 8; ++i)
        p_volumes[i] = volumes[i][0];
}

float addRegionVolumes(const Hex* p_hexes, std::size_t p_count, const TripletZEVVector& p_vertices,
                       float* p_vertexVolumes)
{
    if (p_count == 0 || p_vertices.empty())
        return 0.0f;
    static const AddAll add = chooseAddAll();
    return add(p_hexes, p_count, &p_vertices[0], p_vertexVolumes);
}

} // namespace hexregions

} // namespace zev
