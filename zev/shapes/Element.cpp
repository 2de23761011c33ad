#include "zev/shapes/Element.h"

#include "zev/shapes/GeometryUtilities.h"

namespace zev {

Element::~Element() = default;

bool Element::isInside(const Triplet& p_point, const TripletZEVVector& p_vertices) const
{
    if (!isWithinExtents(p_point, p_vertices))
        return false;
    const Triplet centroid = calcCentroid(p_vertices);
    const int numFaces = getNumFaces();
    for (int f = 0; f < numFaces; ++f) {
        int n = 0;
        const int* slots = nullptr;
        const int* row = getVerticesForFace(f, n, &slots);
        auto corner = [&](int p_k) -> const Triplet& {
            return p_vertices[static_cast<std::size_t>(slots[row[p_k]])];
        };
        // The point must lie on the centroid's side of every face plane. A warped
        // quadrilateral face is judged by the planes of its four corner triangles, and the
        // point passes when at least two of them agree.
        if (n == 3) {
            if (!GeometryUtilities::areSameSide(corner(0), corner(1), corner(2), centroid, p_point))
                return false;
        } else if (n == 4) {
            int agreeing = 0;
            for (int k = 0; k < 4; ++k)
                if (GeometryUtilities::areSameSide(corner(k), corner((k + 1) % 4), corner((k + 2) % 4),
                                                   centroid, p_point))
                    ++agreeing;
            if (agreeing < 2)
                return false;
        }
    }
    return true;
}

bool Element::constructWeights(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices,
                               std::vector<float>& p_weights) const
{
    p_weights.assign(static_cast<std::size_t>(getNumVertices()), 0.0f);
    return constructWeightsImp(p_x, p_y, p_z, p_vertices, p_weights);
}

void Element::fillRegions(const RegionTables& p_tables, const TripletZEVVector& p_vertices,
                          TripletZEVVector& p_regionPoints, TripletZEVVector& p_faceCentres,
                          TripletZEVVector& p_faceAreaVectors, TripletZEVVector& p_regionCentres) const
{
    const int numVerts = getNumVertices();
    const std::size_t numPoints =
        static_cast<std::size_t>(numVerts + p_tables.numMidpoints + p_tables.numCentreFaces + 1);
    const std::size_t numRegionFaces = static_cast<std::size_t>(p_tables.numRegionFaces);
    // Resizing only on a change lets one set of arrays serve a whole mesh of one type
    // without touching the allocator.
    if (p_regionPoints.size() != numPoints)
        p_regionPoints.resize(numPoints);
    if (p_faceCentres.size() != numRegionFaces)
        p_faceCentres.resize(numRegionFaces);
    if (p_faceAreaVectors.size() != numRegionFaces)
        p_faceAreaVectors.resize(numRegionFaces);
    if (p_regionCentres.size() != static_cast<std::size_t>(numVerts))
        p_regionCentres.resize(static_cast<std::size_t>(numVerts));

    std::size_t k = 0;
    for (int i = 0; i < numVerts; ++i)
        p_regionPoints[k++] = p_vertices[static_cast<std::size_t>((*this)[i])];
    for (int e = 0; e < p_tables.numMidpoints; ++e) {
        const int* ends = p_tables.midpoints[e];
        p_regionPoints[k++] = (p_regionPoints[static_cast<std::size_t>(ends[0])] +
                               p_regionPoints[static_cast<std::size_t>(ends[1])]) /
                              2.0f;
    }
    for (int f = 0; f < p_tables.numCentreFaces; ++f) {
        int n = 0;
        const int* slots = nullptr;
        const int* row = getVerticesForFace(p_tables.centreFaces[f], n, &slots);
        Triplet sum;
        for (int c = 0; c < n; ++c)
            sum += p_regionPoints[static_cast<std::size_t>(row[c])];
        p_regionPoints[k++] = sum / static_cast<float>(n);
    }
    p_regionPoints[k] = calcCentroid(p_vertices);

    for (std::size_t r = 0; r < numRegionFaces; ++r) {
        const int* q = p_tables.regionFaces[r];
        const Triplet& p0 = p_regionPoints[static_cast<std::size_t>(q[0])];
        const Triplet& p1 = p_regionPoints[static_cast<std::size_t>(q[1])];
        const Triplet& p2 = p_regionPoints[static_cast<std::size_t>(q[2])];
        const Triplet& p3 = p_regionPoints[static_cast<std::size_t>(q[3])];
        p_faceCentres[r] = (p0 + p1 + p2 + p3) * 0.25f;
        p_faceAreaVectors[r] = (p2 - p0).cross(p3 - p1) * 0.5f;
    }

    for (int v = 0; v < numVerts; ++v) {
        const int* row = p_tables.regionVertices + v * p_tables.regionVerticesStride;
        const int n = p_tables.regionVerticesSize[v];
        Triplet sum;
        for (int c = 0; c < n; ++c)
            sum += p_regionPoints[static_cast<std::size_t>(row[c])];
        p_regionCentres[static_cast<std::size_t>(v)] = sum / static_cast<float>(n);
    }
}

float Element::tetVolume(const TripletZEVVector& p_vertices, int p_a, int p_b, int p_c, int p_d) const
{
    const Triplet& a = p_vertices[static_cast<std::size_t>((*this)[p_a])];
    const Triplet& b = p_vertices[static_cast<std::size_t>((*this)[p_b])];
    const Triplet& c = p_vertices[static_cast<std::size_t>((*this)[p_c])];
    const Triplet& d = p_vertices[static_cast<std::size_t>((*this)[p_d])];
    const float product = (b - a).cross(c - a).dot(d - a);
    return static_cast<float>(static_cast<double>(product) / 6.0);
}

} // namespace zev
