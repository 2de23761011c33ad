#include "zev/shapes/ShapeSet.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"
#include "zev/contracts/Undefined.h"
#include "zev/shapes/HexRegionVolumes.h"
#include "zev/shapes/ShapeDispatch.h"
#include "zev/shapes/ShapeMeasures.h"

#if defined(__SSE__) || defined(_M_X64)
#include <xmmintrin.h>
#endif

#include <cmath>
#include <type_traits>
#include <vector>

namespace zev {

namespace {

template <class T>
constexpr bool isFixedFace = std::is_same<T, Tri>::value || std::is_same<T, Quad>::value ||
                             std::is_same<T, Pentagon>::value || std::is_same<T, Hexagon>::value;

// Square roots of four values at once where the target has packed ones (each lane is the
// correctly rounded root, as std::sqrt gives); the lanes are built in registers, so no
// stored array is read back in one wide load.
inline void sqrt4(float& p_a, float& p_b, float& p_c, float& p_d)
{
#if defined(__SSE__) || defined(_M_X64)
    alignas(16) float out[4];
    _mm_store_ps(out, _mm_sqrt_ps(_mm_setr_ps(p_a, p_b, p_c, p_d)));
    p_a = out[0];
    p_b = out[1];
    p_c = out[2];
    p_d = out[3];
#else
    p_a = std::sqrt(p_a);
    p_b = std::sqrt(p_b);
    p_c = std::sqrt(p_c);
    p_d = std::sqrt(p_d);
#endif
}

// The sectors of every face of a set of fixed-size faces added into the per-vertex arrays:
// the same sums as Shape::addVertexAreaShares (measures::forEachSector), with the corner count
// known at compile time, the corner numbers read straight from the contiguous faces and the
// sector lengths' square roots taken together.
template <class T>
void addFixedFaceShares(const ShapeSetBase<T>& p_set, const TripletZEVVector& p_vertices,
                        TripletZEVVector& p_vertexAreaVectors, FloatZEVVectorConcrete& p_vertexAreas)
{
    constexpr int kCorners = T::m_numVerts;
    constexpr int kBlocks = (kCorners + 3) / 4;
    Triplet* vectors = &p_vertexAreaVectors[0];
    float* areas = p_vertexAreas.data();
    for (const T& face : p_set) {
        const int* ids = face.vertices();
        const Triplet* corners[kCorners];
        for (int k = 0; k < kCorners; ++k)
            corners[k] = &p_vertices[static_cast<std::size_t>(ids[k])];
        Triplet sectors[kCorners];
        float lengths[4 * kBlocks] = {};
        measures::forEachSectorVector(
            kCorners, [&](int p_k) -> const Triplet& { return *corners[p_k]; },
            [&](int p_k, const Triplet& p_sector) {
                sectors[p_k] = p_sector;
                lengths[p_k] = p_sector.dot(p_sector);
            });
        for (int b = 0; b < kBlocks; ++b)
            sqrt4(lengths[4 * b], lengths[4 * b + 1], lengths[4 * b + 2], lengths[4 * b + 3]);
        for (int k = 0; k < kCorners; ++k) {
            const auto v = static_cast<std::size_t>(ids[k]);
            vectors[v] += sectors[k];
            areas[v] += measures::hasUndefComponent(sectors[k]) ? ZEV_UNDEF : lengths[k];
        }
    }
}

// The per-vertex result arrays are indexed like the vertex array; any other length is the
// caller's error, reported with p_message ("%1" the vertex count, "%2" the array's).
void requireOnePerVertex(std::size_t p_vertices, std::size_t p_values, const char* p_method,
                         const char* p_message)
{
    if (p_vertices != p_values)
        throw internal::error("ShapeSet", p_method, SystemMsg(p_message).arg(p_vertices).arg(p_values));
}

} // namespace

ShapeSet::~ShapeSet() = default;

int ShapeSet::getNumVertices() const
{
    return getNumVerticesPerShape() * static_cast<int>(size());
}

float ShapeSet::calcVertexVolumes(const TripletZEVVector& p_vertices,
                                  FloatZEVVectorConcrete& p_vertexVolumes) const
{
    requireOnePerVertex(p_vertices.size(), p_vertexVolumes.size(), "calcVertexVolumes",
                        "Vertices array/Vertex Volume array size mismatch (%1,%2)");
    float total = 0.0f;
    // A typed set holds shapes of exactly its class: direct calls, open to inlining.
    bool done = false;
    withShapeClass(getType(), [&](auto* p_tag) {
        using T = std::remove_pointer_t<decltype(p_tag)>;
        if (const auto* typed = asTypedSet<T>(*this)) {
            if constexpr (std::is_same<T, Hex>::value) {
                // Hexahedra several at a time; the same sums as one by one.
                if (!typed->empty())
                    total = hexregions::addRegionVolumes(&(*typed)[0], typed->size(), p_vertices,
                                                         p_vertexVolumes.data());
            } else {
                for (const T& shape : *typed)
                    total += shape.T::calcVertexVolumes(p_vertices, p_vertexVolumes);
            }
            done = true;
        }
    });
    if (!done) {
        const std::size_t n = size();
        for (std::size_t i = 0; i < n; ++i)
            total += (*this)[i].calcVertexVolumes(p_vertices, p_vertexVolumes);
    }
    return total;
}

void ShapeSet::setExtents(const Triplet& p_min, const Triplet& p_max)
{
    m_min = p_min;
    m_max = p_max;
    m_extentsSet = true;
}

bool ShapeSet::getExtents(Triplet& p_min, Triplet& p_max) const
{
    p_min = m_min;
    p_max = m_max;
    return m_extentsSet;
}

void ShapeSet::calcExtents(const TripletZEVVector& p_vertices, Triplet& p_min, Triplet& p_max) const
{
    p_min = Triplet(ZEV_UNDEF, ZEV_UNDEF, ZEV_UNDEF);
    p_max = p_min;
    const std::size_t numVertices = p_vertices.size();
    const std::size_t numShapes = size();
    if (numVertices == 0 || numShapes == 0)
        return;

    // One flag per vertex, so a vertex shared by many shapes is looked at once.
    std::vector<unsigned char> seen(numVertices, 0);
    Triplet lo;
    Triplet hi;
    bool any = false;
    for (std::size_t s = 0; s < numShapes; ++s) {
        const Shape& shape = (*this)[s];
        const int n = shape.getNumVertices();
        for (int k = 0; k < n; ++k) {
            const int v = shape[k];
            if (v < 0 || static_cast<std::size_t>(v) >= numVertices)
                throw data::invalid(
                    "ShapeSet", "calcExtents",
                    SystemMsg("Vertex index %1 out of range 0..%2").arg(v).arg(numVertices - 1));
            if (seen[static_cast<std::size_t>(v)])
                continue;
            seen[static_cast<std::size_t>(v)] = 1;
            const Triplet& p = p_vertices[static_cast<std::size_t>(v)];
            if (!any) {
                // The first vertex met starts both running corners.
                lo = p;
                hi = p;
                any = true;
                continue;
            }
            for (int c = 0; c < 3; ++c) {
                if (lo[c] > p[c])
                    lo[c] = p[c];
                else if (p[c] > hi[c])
                    hi[c] = p[c];
            }
        }
    }
    if (!any)
        return;
    p_min = lo;
    p_max = hi;
    m_min = lo;
    m_max = hi;
    m_extentsSet = true;
}

float ShapeSet::calcVertexAreas(const TripletZEVVector& p_vertices, TripletZEVVector& p_vertexAreaVectors,
                                FloatZEVVectorConcrete& p_vertexAreas) const
{
    requireOnePerVertex(p_vertices.size(), p_vertexAreas.size(), "calcVertexAreas",
                        "Vertices array/Vertex Area array size mismatch (%1,%2)");
    float total = 0.0f;
    const std::size_t n = size();
    // The shapes add into the area vectors by vertex number; a shorter array would be
    // written past its end, so it is first grown to cover every vertex (new entries zero).
    if (n > 0 && p_vertexAreaVectors.size() < p_vertices.size())
        p_vertexAreaVectors.resize(p_vertices.size());
    for (std::size_t i = 0; i < n; ++i)
        total += (*this)[i].calcVertexAreas(p_vertices, p_vertexAreaVectors, p_vertexAreas);
    return total;
}

void ShapeSet::addVertexAreas(const TripletZEVVector& p_vertices, TripletZEVVector& p_vertexAreaVectors,
                              FloatZEVVectorConcrete& p_vertexAreas) const
{
    requireOnePerVertex(p_vertices.size(), p_vertexAreas.size(), "calcVertexAreas",
                        "Vertices array/Vertex Area array size mismatch (%1,%2)");
    const std::size_t n = size();
    if (n > 0 && p_vertexAreaVectors.size() < p_vertices.size())
        p_vertexAreaVectors.resize(p_vertices.size());
    if (n == 0)
        return;
    bool done = false;
    withShapeClass(getType(), [&](auto* p_tag) {
        using T = std::remove_pointer_t<decltype(p_tag)>;
        if constexpr (isFixedFace<T>)
            if (const auto* typed = asTypedSet<T>(*this)) {
                addFixedFaceShares(*typed, p_vertices, p_vertexAreaVectors, p_vertexAreas);
                done = true;
            }
    });
    if (!done)
        for (std::size_t i = 0; i < n; ++i)
            (*this)[i].addVertexAreaShares(p_vertices, p_vertexAreaVectors, p_vertexAreas);
}

void ShapeSet::clearDataStores()
{
    // A typed set holds shapes of exactly its class, so the call needs no dispatch per shape.
    bool done = false;
    withShapeClass(getType(), [&](auto* p_tag) {
        using T = std::remove_pointer_t<decltype(p_tag)>;
        if (auto* typed = asTypedSet<T>(*this)) {
            for (T& shape : *typed)
                shape.T::clearDataStores();
            done = true;
        }
    });
    if (!done) {
        const std::size_t n = size();
        for (std::size_t i = 0; i < n; ++i)
            (*this)[i].clearDataStores();
    }
}

} // namespace zev
