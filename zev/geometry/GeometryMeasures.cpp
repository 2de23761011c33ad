// Geometry: per-vertex, per-face and per-element measures, computed on first request and
// cached until clearDataStores.
#include "zev/geometry/Geometry.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/FloatUtilities.h"
#include "zev/contracts/Message.h"
#include "zev/contracts/Undefined.h"
#include "zev/contracts/ZEVAssertImpl.h"
#include "zev/geometry/FaceCenterCalculator.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"

#include <cmath>
#include <utility>

namespace zev {

namespace {

const char* const kClass = "Geometry";

// A new, empty array in p_cache. Never filled in place: a copy of the geometry may share the
// array held before.
template <class T> T& fresh(std::shared_ptr<T>& p_cache)
{
    p_cache = std::make_shared<T>();
    return *p_cache;
}

} // namespace

std::vector<const ShapeSet*> Geometry::elementSetsInNameOrder(std::size_t& p_total) const
{
    std::vector<const ShapeSet*> sets;
    p_total = 0;
    for (const std::string& name : getElementSetNames())
        if (const ShapeSet* set = getElementSet(name)) {
            sets.push_back(set);
            p_total += set->size();
        }
    return sets;
}

// The measure p_cache, computed first by p_calculate when it, or a companion cache the same
// computation fills, is missing. The check runs under the cache lock, so that concurrent first
// requests compute it once and none reads a half-filled array.
template <class T, class... Companion>
const T& Geometry::cachedMeasure(void (Geometry::*p_calculate)() const, const std::shared_ptr<T>& p_cache,
                                 const Companion&... p_companions) const
{
    ensureCachesCurrent();
    std::lock_guard<std::recursive_mutex> lock(m_cacheMutex);
    if (!p_cache || (... || !p_companions))
        (this->*p_calculate)();
    return *p_cache;
}

// ------------------------------------------------------------------ getters

const FloatZEVVectorConcrete& Geometry::getVertexAreas() const
{
    return cachedMeasure(&Geometry::calculateVertexAreas, m_vertexAreas, m_vertexAreaVectors);
}

const TripletZEVVector& Geometry::getVertexAreaVectors() const
{
    return cachedMeasure(&Geometry::calculateVertexAreas, m_vertexAreaVectors, m_vertexAreas);
}

const FloatZEVVectorConcrete& Geometry::getVertexVolumes() const
{
    return cachedMeasure(&Geometry::calculateVertexVolumes, m_vertexVolumes);
}

const FloatZEVVectorConcrete& Geometry::getVertexLengths() const
{
    return cachedMeasure(&Geometry::calculateVertexLengths, m_vertexLengths);
}

const TripletZEVVector& Geometry::getVertexNormals() const
{
    return cachedMeasure(&Geometry::calculateVertexNormals, m_vertexNormals);
}

const FloatZEVVectorConcrete& Geometry::getFaceAreas() const
{
    return cachedMeasure(&Geometry::calculateFaceAreas, m_faceAreas, m_faceAreaVectors);
}

const TripletZEVVector& Geometry::getFaceAreaVectors() const
{
    return cachedMeasure(&Geometry::calculateFaceAreas, m_faceAreaVectors, m_faceAreas);
}

const TripletZEVVector& Geometry::getFaceNormals() const
{
    return cachedMeasure(&Geometry::calculateFaceNormals, m_faceNormals);
}

const FloatZEVVectorConcrete& Geometry::getElementVolumes() const
{
    return cachedMeasure(&Geometry::calculateElementVolumes, m_elementVolumes);
}

// The centres are held by value: an empty array means not yet computed.
const TripletZEVVector& Geometry::getFaceCenters() const
{
    ensureCachesCurrent();
    std::lock_guard<std::recursive_mutex> lock(m_cacheMutex);
    if (m_faceCenters.empty())
        calculateFaceCenters();
    return m_faceCenters;
}

TripletZEVVector& Geometry::getFaceCenters()
{
    std::as_const(*this).getFaceCenters();
    return m_faceCenters;
}

const TripletZEVVector& Geometry::getElementCenters() const
{
    ensureCachesCurrent();
    std::lock_guard<std::recursive_mutex> lock(m_cacheMutex);
    if (m_elementCenters.empty())
        calculateElementCenters();
    return m_elementCenters;
}

TripletZEVVector& Geometry::getElementCenters()
{
    std::as_const(*this).getElementCenters();
    return m_elementCenters;
}

// ------------------------------------------------------------------ computations

void Geometry::calculateVertexAreas() const
{
    FloatZEVVectorConcrete& areas = fresh(m_vertexAreas);
    TripletZEVVector& vectors = fresh(m_vertexAreaVectors);
    areas.erase();
    vectors.clear();
    areas.resize(m_vertices.size(), 0.0f);
    vectors.resize(m_vertices.size(), Triplet(0.0f, 0.0f, 0.0f));
    for (const auto& entry : m_faceSets) {
        if (entry.second == nullptr)
            throw internal::nullPointer(kClass, "calculateVertexAreas",
                                        SystemMsg("Null pointer to %1.").arg(entry.first));
        entry.second->addVertexAreas(m_vertices, vectors, areas);
    }
}

void Geometry::calculateVertexVolumes() const
{
    FloatZEVVectorConcrete& volumes = fresh(m_vertexVolumes);
    volumes.erase();
    volumes.resize(m_vertices.size(), 0.0f);
    for (const std::string& name : getElementSetNames()) {
        const ShapeSet* set = getElementSet(name);
        if (set == nullptr)
            throw internal::nullPointer(kClass, "calculateVertexVolumes",
                                        SystemMsg("Null pointer to %1.").arg(name));
        set->calcVertexVolumes(m_vertices, volumes);
    }
}

void Geometry::calculateVertexLengths() const
{
    FloatZEVVectorConcrete& lengths = fresh(m_vertexLengths);
    lengths.erase();
    const std::size_t n = m_vertices.size();
    lengths.resize(n, 0.0f);
    float* out = lengths.data();
    for (std::size_t k = 0; k + 1 < m_lines.size(); k += 2) {
        const auto a = static_cast<std::size_t>(m_lines[k]);
        const auto b = static_cast<std::size_t>(m_lines[k + 1]);
        // A segment naming a vertex outside the array contributes nothing.
        if (a >= n || b >= n)
            continue;
        const float half = (m_vertices[a] - m_vertices[b]).length() / 2.0f;
        out[a] += half;
        out[b] += half;
    }
}

void Geometry::calculateVertexNormals() const
{
    if (m_vertexAreaVectors == nullptr || m_vertexAreas == nullptr)
        calculateVertexAreas();
    TripletZEVVector& normals = fresh(m_vertexNormals);
    normals.clear();
    normals.resize(m_vertexAreaVectors->size());
    for (std::size_t i = 0; i < normals.size(); ++i) {
        Triplet v = (*m_vertexAreaVectors)[i];
        if (FloatUtilities::isUndef(v[0]) || FloatUtilities::isUndef(v[1]) || FloatUtilities::isUndef(v[2])) {
            v /= ZEV_UNDEF;
        } else {
            const float length = v.length();
            if (length != 0.0f)
                v /= length;
        }
        normals[i] = v;
    }
}

void Geometry::calculateFaceAreas() const
{
    FloatZEVVectorConcrete& areas = fresh(m_faceAreas);
    TripletZEVVector& vectors = fresh(m_faceAreaVectors);
    areas.erase();
    vectors.clear();
    const auto total = static_cast<std::size_t>(getNumFaces());
    areas.resize(total, 0.0f);
    vectors.resize(total);
    std::size_t offset = 0;
    for (const auto& entry : m_faceSets) {
        const ShapeSet* set = entry.second;
        if (set == nullptr)
            continue;
        // The factor is taken as a float for the areas and the area vectors alike, so an
        // area and the length of its area vector agree; the vector is scaled in double.
        const auto c = static_cast<float>(set->getCorrectionFactor());
        const double cd = c;
        const std::size_t m = set->size();
        for (std::size_t k = 0; k < m; ++k) {
            Triplet areaVector(0.0f, 0.0f, 0.0f);
            const float area = (*set)[k].getArea(m_vertices, areaVector);
            areas[offset + k] = area * c;
            vectors[offset + k] =
                Triplet(static_cast<float>(areaVector[0] * cd), static_cast<float>(areaVector[1] * cd),
                        static_cast<float>(areaVector[2] * cd));
        }
        offset += m;
    }
}

void Geometry::calculateFaceNormals() const
{
    const TripletZEVVector& vectors = getFaceAreaVectors();
    TripletZEVVector& normals = fresh(m_faceNormals);
    normals.clear();
    normals.resize(vectors.size());
    for (std::size_t i = 0; i < vectors.size(); ++i) {
        Triplet v = vectors[i];
        const float length = v.length();
        if (length != 0.0f)
            v /= length;
        normals[i] = v;
    }
}

void Geometry::calculateElementVolumes() const
{
    FloatZEVVectorConcrete& volumes = fresh(m_elementVolumes);
    std::size_t total = 0;
    const std::vector<const ShapeSet*> sets = elementSetsInNameOrder(total);
    volumes.erase();
    volumes.resize(total, 0.0f);
    float* out = volumes.data();
    std::size_t index = 0;
    for (const ShapeSet* set : sets) {
        // The factor is a double: the product is formed in double and stored as float.
        const double c = set->getCorrectionFactor();
        const std::size_t m = set->size();
        for (std::size_t k = 0; k < m; ++k)
            out[index++] = static_cast<float>((*set)[k].getVolume(m_vertices) * c);
    }
}

void Geometry::calculateElementCenters() const
{
    std::size_t total = 0;
    const std::vector<const ShapeSet*> sets = elementSetsInNameOrder(total);
    m_elementCenters.reserve(total);
    for (const ShapeSet* set : sets)
        for (std::size_t k = 0; k < set->size(); ++k)
            m_elementCenters.push_back((*set)[k].calcCentroid(m_vertices));
}

void Geometry::calculateFaceCenters() const
{
    if (m_faceCenterCalculator)
        m_faceCenterCalculator->calculate(this, m_faceCenters);
}

// ------------------------------------------------------------------ invalidation

void Geometry::clearDataStores()
{
    std::lock_guard<std::recursive_mutex> lock(m_cacheMutex);
    releaseDataStores();
}

void Geometry::releaseDataStores() const
{
    m_vertexAreaVectors.reset();
    m_vertexAreas.reset();
    m_faceAreaVectors.reset();
    m_faceAreas.reset();
    m_vertexVolumes.reset();
    m_elementVolumes.reset();
    m_vertexLengths.reset();
    m_vertexNormals.reset();
    m_faceNormals.reset();
    m_faceCenters.clear();
    m_elementCenters.clear();
    for (const auto& entry : m_faceSets)
        if (entry.second)
            entry.second->clearDataStores();
    for (const auto& entry : m_elementSets)
        if (entry.second)
            entry.second->clearDataStores();
}

// ------------------------------------------------------------------ theta propagation

bool Geometry::calculateThetaVariable(int p_baseVertex, float p_seed,
                                      float (*p_theta)(void*, const TripletBase<float>&, float),
                                      void* p_context, FloatZEVVectorConcrete& p_out) const
{
    const int vertexCount = getNumVertices();
    if (vertexCount == 0)
        return true;
    if (!(p_baseVertex >= 0 && p_baseVertex < vertexCount))
        ZEVAssertImpl::assertFail("p_baseVertex >= 0 && p_baseVertex < vertexCount", "Geometry/src/Geometry",
                                  __LINE__);
    const auto n = static_cast<std::size_t>(vertexCount);
    std::vector<float> values(n, 0.0f);
    std::vector<char> done(n, 0);
    values[static_cast<std::size_t>(p_baseVertex)] =
        p_theta(p_context, m_vertices[static_cast<std::size_t>(p_baseVertex)], p_seed);
    done[static_cast<std::size_t>(p_baseVertex)] = 1;

    std::vector<const ShapeSet*> sets;
    const auto& source = m_elementSets.empty() ? m_faceSets : m_elementSets;
    for (const auto& entry : source)
        if (entry.second)
            sets.push_back(entry.second);

    // Counts the done vertices of a shape and remembers the last one met.
    auto countDone = [&](const Shape& p_shape, int& p_last) {
        int count = 0;
        const int nv = p_shape.getNumVertices();
        for (int k = 0; k < nv; ++k) {
            const int v = p_shape[k];
            if (v >= 0 && v < vertexCount && done[static_cast<std::size_t>(v)]) {
                ++count;
                p_last = v;
            }
        }
        return count;
    };
    auto fill = [&](const Shape& p_shape, int p_reference) {
        const int nv = p_shape.getNumVertices();
        for (int k = 0; k < nv; ++k) {
            const int v = p_shape[k];
            if (v < 0 || v >= vertexCount || done[static_cast<std::size_t>(v)])
                continue;
            values[static_cast<std::size_t>(v)] = p_theta(p_context, m_vertices[static_cast<std::size_t>(v)],
                                                          values[static_cast<std::size_t>(p_reference)]);
            done[static_cast<std::size_t>(v)] = 1;
        }
    };

    bool complete = false;
    bool changed = true;
    while (!complete && changed) {
        complete = true;
        changed = false;
        for (const ShapeSet* set : sets) {
            const std::size_t m = set->size();
            bool incomplete = false;
            long seed = -1;
            int seedReference = -1;
            long first = -1;
            long last = -1;
            for (std::size_t k = 0; k < m; ++k) {
                const Shape& shape = (*set)[k];
                int lastDone = -1;
                const int count = countDone(shape, lastDone);
                if (count < shape.getNumVertices())
                    incomplete = true;
                if (count > 0 && count < shape.getNumVertices()) {
                    seed = static_cast<long>(k);
                    seedReference = lastDone;
                    break;
                }
                if (count == 0) {
                    if (first < 0)
                        first = static_cast<long>(k);
                    last = static_cast<long>(k);
                }
            }
            if (seed < 0) {
                if (incomplete)
                    complete = false;
                continue;
            }
            fill((*set)[static_cast<std::size_t>(seed)], seedReference);
            changed = true;
            auto visit = [&](std::size_t k) {
                const Shape& shape = (*set)[k];
                int lastDone = -1;
                const int count = countDone(shape, lastDone);
                if (count > 0 && count < shape.getNumVertices())
                    fill(shape, lastDone);
                if (count == 0)
                    complete = false;
            };
            if (first >= 0)
                for (long k = last; k >= first; --k)
                    visit(static_cast<std::size_t>(k));
            for (std::size_t k = static_cast<std::size_t>(seed) + 1; k < m; ++k)
                visit(k);
        }
    }
    p_out.redefine(values.data(), n);
    return complete;
}

} // namespace zev
