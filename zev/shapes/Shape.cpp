#include "zev/shapes/Shape.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"
#include "zev/contracts/Undefined.h"
#include "zev/cutting/ElementCutter.h"
#include "zev/shapes/ShapeMeasures.h"
// The line and circle tests live with the other search code; shapes forward to them.
#include "zev/search/LineQueries.h"

#include <cassert>
#include <cmath>
#include <iostream>

namespace zev {

namespace {

// Scratch arrays of the dual-region measures. One set per thread: measuring a whole mesh
// allocates only for the first element of each type, and two threads measuring different
// meshes do not share them.
struct RegionScratch {
    TripletZEVVector regionPoints;
    TripletZEVVector faceCentres;
    TripletZEVVector faceAreaVectors;
    TripletZEVVector regionCentres;
    FloatZEVVectorConcrete vertexVolumes;
};

RegionScratch& regionScratch()
{
    thread_local RegionScratch scratch;
    return scratch;
}

bool isFaceType(ShapeType p_type)
{
    return p_type == TRI || p_type == QUAD || p_type == PENTAGON || p_type == HEXAGON || p_type == POLYGON;
}

} // namespace

Shape::~Shape() = default;

void Shape::setNumVertices(int) {}
void Shape::setNumFaces(int) {}
void Shape::setNumEdges(int) {}
void Shape::setFaceVertSize(int, int) {}
void Shape::setFaceVertex(int, int, int) {}

int Shape::getTableIndex() const
{
    return 0;
}
const int* Shape::getMarchingTable(int) const
{
    return nullptr;
}
int Shape::getMarchingListSize(int) const
{
    return 0;
}
int Shape::getEdgeConnectivity(int, int) const
{
    return 0;
}

bool Shape::isWithinExtents(const Triplet& p_point, const TripletZEVVector& p_vertices) const
{
    const int n = getNumVertices();
    if (n <= 0)
        return false;
    for (int c = 0; c < 3; ++c) {
        float lo = p_vertices[(*this)[0]][c];
        float hi = lo;
        for (int i = 1; i < n; ++i) {
            const float v = p_vertices[(*this)[i]][c];
            if (v > hi)
                hi = v;
            else if (v < lo)
                lo = v;
        }
        if (p_point[c] > hi || p_point[c] < lo)
            return false;
    }
    return true;
}

bool Shape::projectPointToFace(const Triplet&, const TripletZEVVector&, Triplet&, float&) const
{
    return false;
}

bool Shape::projectVectorToFace(const Triplet&, const TripletZEVVector&, Triplet&) const
{
    return false;
}

bool Shape::intersectEdge(const Triplet&, const Triplet&, const TripletZEVVector&, Edge&, Triplet&, float&,
                          float&, bool, bool, const Edge*) const
{
    return false;
}

void Shape::calcExtents(const TripletZEVVector& p_vertices, Triplet& p_min, Triplet& p_max) const
{
    // Same results as gathering the positions and taking the array's own extents, without
    // the temporary array: an empty shape gives (+UNDEF..., -UNDEF...).
    p_min = Triplet(ZEV_UNDEF, ZEV_UNDEF, ZEV_UNDEF);
    p_max = Triplet(-ZEV_UNDEF, -ZEV_UNDEF, -ZEV_UNDEF);
    const int n = getNumVertices();
    for (int i = 0; i < n; ++i) {
        const Triplet& p = p_vertices[(*this)[i]];
        for (int c = 0; c < 3; ++c) {
            if (p[c] < p_min[c])
                p_min[c] = p[c];
            if (p_max[c] < p[c])
                p_max[c] = p[c];
        }
    }
}

float Shape::getVolume(const TripletZEVVector& p_vertices, FloatZEVVectorConcrete& p_vertexVolumes) const
{
    const int n = getNumVertices();
    p_vertexVolumes.resize(static_cast<std::size_t>(n));
    RegionScratch& scratch = regionScratch();
    calculateRegions(p_vertices, scratch.regionPoints, scratch.faceCentres, scratch.faceAreaVectors,
                     scratch.regionCentres);
    float total = 0.0f;
    for (int i = 0; i < n; ++i) {
        int numFaces = 0;
        const int* faces = getRegionFacesForVert(i, numFaces);
        float volume = 0.0f;
        if (faces != nullptr) {
            // Divergence theorem about the region centre: each bounding face contributes
            // its area vector dotted with the offset of its centre.
            const Triplet& centre = scratch.regionCentres[static_cast<std::size_t>(i)];
            for (int k = 0; k < numFaces; ++k) {
                const std::size_t f = static_cast<std::size_t>(faces[k]);
                volume += (scratch.faceCentres[f] - centre).dot(scratch.faceAreaVectors[f]);
            }
            volume /= 3.0f;
        }
        p_vertexVolumes[static_cast<std::size_t>(i)] = volume;
        total += volume;
    }
    return total;
}

float Shape::getVolume(const TripletZEVVector& p_vertices) const
{
    return getSimpleVolume(p_vertices);
}

float Shape::getArea(const TripletZEVVector&, Triplet&) const
{
    return 0.0f;
}

float Shape::getSimpleVolume(const TripletZEVVector&) const
{
    return 0.0f;
}

namespace {

// The area shares of p_shape's corners added into the per-vertex arrays, each passed on to
// p_after as well; returns what p_shares returns. The vertex numbers of a small shape are read
// once into a local table, so the sector loop makes no further calls to the shape; larger
// polygons read them in place.
template <class Sectors>
Triplet addCornerShares(const Shape& p_shape, const TripletZEVVector& p_vertices,
                        TripletZEVVector& p_vertexAreaVectors, FloatZEVVectorConcrete& p_vertexAreas,
                        Sectors p_sectors)
{
    const int n = p_shape.getNumVertices();
    constexpr int kLocalCorners = 8;
    std::size_t local[kLocalCorners];
    const bool useLocal = n <= kLocalCorners;
    if (useLocal)
        for (int k = 0; k < n; ++k)
            local[k] = static_cast<std::size_t>(p_shape[k]);
    const auto vertexOf = [&](int p_k) {
        return useLocal ? local[p_k] : static_cast<std::size_t>(p_shape[p_k]);
    };
    return p_sectors(
        n, [&](int p_k) -> const Triplet& { return p_vertices[vertexOf(p_k)]; },
        [&](int p_k, const Triplet& p_sector, float p_sectorLength) {
            const std::size_t v = vertexOf(p_k);
            p_vertexAreaVectors[v] += p_sector;
            p_vertexAreas[v] += p_sectorLength;
        });
}

} // namespace

float Shape::calcVertexAreas(const TripletZEVVector& p_vertices, TripletZEVVector& p_vertexAreaVectors,
                             FloatZEVVectorConcrete& p_vertexAreas) const
{
    const Triplet total = addCornerShares(
        *this, p_vertices, p_vertexAreaVectors, p_vertexAreas,
        [](int p_n, auto p_corner, auto p_sink) { return measures::sectorAreas(p_n, p_corner, p_sink); });
    return measures::magnitude(total);
}

void Shape::addVertexAreaShares(const TripletZEVVector& p_vertices, TripletZEVVector& p_vertexAreaVectors,
                                FloatZEVVectorConcrete& p_vertexAreas) const
{
    addCornerShares(*this, p_vertices, p_vertexAreaVectors, p_vertexAreas,
                    [](int p_n, auto p_corner, auto p_sink) {
                        measures::forEachSector(p_n, p_corner, p_sink);
                        return Triplet();
                    });
}

float Shape::calcVertexVolumes(const TripletZEVVector& p_vertices,
                               FloatZEVVectorConcrete& p_vertexVolumes) const
{
    FloatZEVVectorConcrete& local = regionScratch().vertexVolumes;
    const float total = getVolume(p_vertices, local);
    const int n = getNumVertices();
    for (int i = 0; i < n; ++i)
        p_vertexVolumes[static_cast<std::size_t>((*this)[i])] += local[static_cast<std::size_t>(i)];
    return total;
}

const int* Shape::getRegionFacesForVert(int, int&) const
{
    return nullptr;
}

void Shape::calculateRegions(const TripletZEVVector&, TripletZEVVector&, TripletZEVVector&, TripletZEVVector&,
                             TripletZEVVector&) const
{
}

bool Shape::constructBilinearWeights(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices,
                                     std::vector<float>& p_weights) const
{
    std::cout << "Shape::constructBilinearWeights() - Bilinear Weight calculation is not" << std::endl;
    std::cout << "      available for all Shape types.  Using regular weight calculation." << std::endl;
    return constructWeights(p_x, p_y, p_z, p_vertices, p_weights);
}

bool Shape::intersectsWithLine(const Triplet&, const Triplet&, const TripletZEVVector&, float&, bool) const
{
    return false;
}

bool Shape::intersectsWithCircle(const Triplet&, const Triplet&, double, const TripletZEVVector&,
                                 Triplet&) const
{
    return false;
}

void Shape::remapVertices(const std::vector<int>& p_map)
{
    const int n = getNumVertices();
    for (int i = 0; i < n; ++i) {
        int& v = (*this)[i];
        assert(v >= 0 && static_cast<std::size_t>(v) < p_map.size());
        v = p_map[static_cast<std::size_t>(v)];
    }
}

bool Shape::getNormal(const TripletZEVVector&, Triplet&, bool) const
{
    return false;
}

Triplet Shape::normalVector(const TripletZEVVector&) const
{
    return Triplet();
}

// The shape's count is used rather than p_numVertices, which a polyhedron set gives as -1.
void Shape::intersectWithElement(int, IntersectionType p_type, const TripletZEVVector& p_vertices,
                                 const Triplet& p_normal, const FloatZEVVector* p_field,
                                 const IntersectGeometryIface* p_surface, int p_setNumber, int p_index,
                                 float p_threshold, std::map<Edge, int>& p_edgeVertexMap, Geometry& p_output,
                                 EdgeInterpolant* p_interpolant, int& p_nextVertex,
                                 std::map<int, std::vector<int>>& p_polygonMap) const
{
    // Shapes come before the cutting subsystem; the cut itself lives there.
    EdgeMapLookup edges(p_edgeVertexMap);
    ElementCutter<EdgeMapLookup> cutter(p_type, p_vertices, p_normal, p_field, p_surface, p_threshold, edges,
                                        p_output, p_interpolant, p_nextVertex, p_polygonMap);
    cutter.cut(*this, p_setNumber, p_index);
}

void Shape::clearDataStores() {}

void Shape::copyFromImp(const Shape& p_other)
{
    const int n = p_other.getNumVertices();
    setNumVertices(n);
    for (int i = 0; i < n; ++i)
        (*this)[i] = p_other[i];
}

Triplet Shape::calcCentroidImp(const TripletZEVVector& p_vertices) const
{
    const int n = getNumVertices();
    Triplet sum;
    for (int i = 0; i < n; ++i)
        sum += p_vertices[(*this)[i]];
    return sum / static_cast<float>(n);
}

bool Shape::isDegenerate() const
{
    const int n = getNumVertices();
    for (int i = 0; i < n; ++i)
        for (int j = i + 1; j < n; ++j)
            if ((*this)[i] == (*this)[j])
                return true;
    return false;
}

double Shape::lengthScale(const TripletZEVVector& p_vertices) const
{
    const int n = getNumVertices();
    if (n < 2)
        return 0.0;
    const Triplet& p0 = p_vertices[(*this)[0]];
    double sum = 0.0;
    for (int i = 1; i < n; ++i) {
        const Triplet d = p_vertices[(*this)[i]] - p0;
        bool undefined = false;
        for (int c = 0; c < 3; ++c)
            undefined = undefined || std::fabs(d[c]) == ZEV_UNDEF;
        sum += undefined ? static_cast<double>(ZEV_UNDEF)
                         : std::sqrt(static_cast<double>(d[0]) * d[0] + static_cast<double>(d[1]) * d[1] +
                                     static_cast<double>(d[2]) * d[2]);
    }
    return std::fabs(sum / (n - 1));
}

void Shape::calcGradientAtVertices(const TripletZEVVector& p_vertices, const float& p_value,
                                   FloatZEVVectorConcrete& p_vertexVolumes,
                                   TripletZEVVector& p_vertexGradients) const
{
    FloatZEVVectorConcrete& local = regionScratch().vertexVolumes;
    getVolume(p_vertices, local);
    const int n = getNumVertices();
    for (int i = 0; i < n; ++i)
        p_vertexVolumes[static_cast<std::size_t>((*this)[i])] += local[static_cast<std::size_t>(i)];

    const double value = static_cast<double>(p_value);
    const int numFaces = getNumFaces();
    for (int f = 0; f < numFaces; ++f) {
        int numCorners = 0;
        const int* slots = nullptr;
        const int* row = getVerticesForFace(f, numCorners, &slots);
        if (numCorners == 0)
            continue; // a face without corners bounds nothing
        measures::sectorAreas(
            numCorners,
            [&](int p_k) -> const Triplet& { return p_vertices[static_cast<std::size_t>(slots[row[p_k]])]; },
            [&](int p_k, const Triplet& p_sector, float) {
                Triplet& g = p_vertexGradients[static_cast<std::size_t>(slots[row[p_k]])];
                for (int c = 0; c < 3; ++c)
                    g[c] -= static_cast<float>(value * p_sector[c]);
            });
    }
}

Triplet Shape::getSectorAreasForFace(TripletZEVVector& p_sectors, const TripletZEVVector& p_corners)
{
    const int n = static_cast<int>(p_corners.size());
    p_sectors.resize(p_corners.size());
    return measures::sectorAreas(
        n, [&](int p_k) -> const Triplet& { return p_corners[static_cast<std::size_t>(p_k)]; },
        [&](int p_k, const Triplet& p_sector, float) {
            p_sectors[static_cast<std::size_t>(p_k)] = p_sector;
        });
}

Triplet Shape::getAreaVector(const TripletZEVVector& p_vertices, TripletZEVVector& p_sectors) const
{
    const int n = getNumVertices();
    p_sectors.resize(static_cast<std::size_t>(n));
    return measures::sectorAreas(
        n, [&](int p_k) -> const Triplet& { return p_vertices[static_cast<std::size_t>((*this)[p_k])]; },
        [&](int p_k, const Triplet& p_sector, float) {
            p_sectors[static_cast<std::size_t>(p_k)] = p_sector;
        });
}

Triplet Shape::getAreaVectorForFace(int p_face, const TripletZEVVector& p_vertices) const
{
    if (p_face > getNumVertices())
        return Triplet();
    // Guards the table lookup: a face number the element does not have has no area. A face
    // shape has no element faces at all, which getVerticesForFace reports.
    if ((p_face < 0 || p_face >= getNumFaces()) && !isFaceType(getType()))
        return Triplet();
    int numCorners = 0;
    const int* slots = nullptr;
    const int* row = getVerticesForFace(p_face, numCorners, &slots);
    return measures::sectorAreas(
        numCorners,
        [&](int p_k) -> const Triplet& { return p_vertices[static_cast<std::size_t>(slots[row[p_k]])]; },
        [](int, const Triplet&, float) {});
}

void Shape::copyFrom(const Shape& p_other)
{
    if (p_other.getType() != getType())
        throw internal::badParam("Shape", "copyFromImp", UserMsg("Invalid shapes for copying"));
    copyFromImp(p_other);
}

bool Shape::checkSTURanges(float& p_s, float& p_t, float& p_u) const
{
    // The bounds are compared in double: the float nearest -0.01 lies just inside the
    // snapping band and is snapped.
    float* values[3] = {&p_s, &p_t, &p_u};
    for (float* v : values)
        if (*v > -0.01 && *v < 0.0f)
            *v = 0.0f;
    for (float* v : values)
        if (*v > 1.0f && *v - 1.0f < 0.01)
            *v = 1.0f;
    for (float* v : values)
        if (!(*v >= 0.0f && *v <= 1.0f))
            return false;
    return true;
}

void Shape::setVerticesChecked(int* p_slots, int p_count, const IntZEVVector& p_vertices,
                               const char* p_className)
{
    if (p_vertices.size() < static_cast<std::size_t>(p_count))
        throw data::invalid(p_className, "setVertices",
                            UserMsg("Require at least %1 vertices for %2").arg(p_count).arg(p_className));
    for (int i = 0; i < p_count; ++i)
        p_slots[i] = p_vertices[static_cast<std::size_t>(i)];
}

void Shape::printVertices(const char* p_label, const int* p_slots, int p_count)
{
    std::cout << p_label;
    for (int i = 0; i < p_count; ++i)
        std::cout << p_slots[i] << " ";
    std::cout << std::endl;
}

bool Shape::intersectsTriangle(const Triplet& p_point, const Triplet& p_direction, int p_v0, int p_v1,
                               int p_v2, const TripletZEVVector& p_vertices, float& p_t, bool p_nearerOnly,
                               bool p_forwardOnly) const
{
    return LineQueries::intersectsTriangle(p_point, p_direction, p_vertices[static_cast<std::size_t>(p_v0)],
                                           p_vertices[static_cast<std::size_t>(p_v1)],
                                           p_vertices[static_cast<std::size_t>(p_v2)], p_t, p_nearerOnly,
                                           p_forwardOnly);
}

bool Shape::intersectsTriangleWithCircle(const Triplet& p_centre, const Triplet& p_axis, double p_radius,
                                         int p_v0, int p_v1, int p_v2, const TripletZEVVector& p_vertices,
                                         Triplet& p_hit) const
{
    return LineQueries::intersectsTriangleWithCircle(
        p_centre, p_axis, p_radius, p_vertices[static_cast<std::size_t>(p_v0)],
        p_vertices[static_cast<std::size_t>(p_v1)], p_vertices[static_cast<std::size_t>(p_v2)], p_hit);
}

int Shape::intersectsBoundaryFaces(const std::vector<int>& p_faces, const Triplet& p_point,
                                   const Triplet& p_direction, const TripletZEVVector& p_vertices,
                                   float& p_t) const
{
    return LineQueries::intersectsBoundaryFaces(*this, p_faces, p_point, p_direction, p_vertices, p_t);
}

int Shape::intersectFacesWithLine(const Triplet& p_point, const Triplet& p_direction,
                                  const TripletZEVVector& p_vertices, TripletZEVVector& p_outVertices,
                                  IntZEVVector& p_outLines, std::map<int, double>& p_lengthScales) const
{
    return LineQueries::intersectFacesWithLine(*this, p_point, p_direction, p_vertices, p_outVertices,
                                               p_outLines, p_lengthScales);
}

} // namespace zev
