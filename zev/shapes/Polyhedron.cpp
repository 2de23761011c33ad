#include "zev/shapes/Polyhedron.h"
#include "zev/shapes/GeometryUtilities.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"
#include "zev/contracts/Undefined.h"

#include <algorithm>
#include <cmath>

namespace zev {

namespace {

// One face edge as met while walking the faces: its ends as an ordered pair of vertex-list
// positions and the number of the occurrence (the edge's first corner in the run of all
// faces' corners, face after face).
struct EdgeOccurrence {
    int first;
    int second;
    int occurrence;

    bool operator<(const EdgeOccurrence& p_o) const
    {
        if (first != p_o.first)
            return first < p_o.first;
        if (second != p_o.second)
            return second < p_o.second;
        return occurrence < p_o.occurrence;
    }
};

// Working arrays of the measures, one set per thread: measuring a mesh of polyhedra
// allocates only while the largest cell so far grows.
struct PolyhedronScratch {
    std::vector<Triplet> faceCentres; // per face
    std::vector<Triplet> points;      // corners of one face
    std::vector<Triplet> crosses;     // one per corner of one face
    // Dual regions.
    std::vector<EdgeOccurrence> edges;       // sorted by edge, then occurrence
    std::vector<int> occurrenceFace;         // per occurrence, its face
    std::vector<int> edgeOf;                 // per occurrence, its edge in ascending edge order
    std::vector<unsigned char> firstMeeting; // per occurrence: the first time its edge is met
    std::vector<Triplet> midpoints;          // per edge
    std::vector<int> edgeEnds;               // per edge, its two vertex-list positions
    std::vector<int> edgeFaces;              // per edge, its first two faces (-1 when missing)
    std::vector<Triplet> regionSums;         // per vertex, the sum of its region points
    std::vector<int> regionCounts;           // per vertex, the number of its region points
    std::vector<float> regionVolumes;        // per vertex, before the division by 3
};

PolyhedronScratch& scratch()
{
    thread_local PolyhedronScratch s_scratch;
    return s_scratch;
}

// Signed tetrahedron volume: the triple product in single precision, the division by 6 in
// double.
float tetVolume(const Triplet& p_a, const Triplet& p_b, const Triplet& p_c, const Triplet& p_d)
{
    const float product = (p_b - p_a).cross(p_c - p_a).dot(p_d - p_a);
    return static_cast<float>(static_cast<double>(product) / 6.0);
}

// Six times the same volume with every step in double precision, for the centroid's sums
// (the factor cancels in their quotient).
double sixTetVolumesDouble(const Triplet& p_a, const Triplet& p_b, const Triplet& p_c, const Triplet& p_d)
{
    double b[3];
    double c[3];
    double d[3];
    for (int j = 0; j < 3; ++j) {
        b[j] = static_cast<double>(p_b[j]) - p_a[j];
        c[j] = static_cast<double>(p_c[j]) - p_a[j];
        d[j] = static_cast<double>(p_d[j]) - p_a[j];
    }
    return ((b[1] * c[2] - b[2] * c[1]) * d[0] + (b[2] * c[0] - b[0] * c[2]) * d[1] +
            (b[0] * c[1] - b[1] * c[0]) * d[2]);
}

bool outsideBox(const Triplet& p_point, const Triplet& p_min, const Triplet& p_max)
{
    for (int c = 0; c < 3; ++c)
        if (p_point[c] < p_min[c] || p_point[c] > p_max[c])
            return true;
    return false;
}

void growBox(const Triplet& p_point, Triplet& p_min, Triplet& p_max)
{
    for (int c = 0; c < 3; ++c) {
        p_min[c] = std::min(p_min[c], p_point[c]);
        p_max[c] = std::max(p_max[c], p_point[c]);
    }
}

// Barycentric values of p_point in the tetrahedron (p_t0, p_t1, p_t2, p_t3), snapped onto 0
// and 1 within a thousandth and renormalised to sum 1; true when the point lies inside. A
// point outside the tetrahedron's box, or a tetrahedron of volume exactly 0, is never inside.
bool pointInTetrahedron(const Triplet& p_point, const Triplet& p_t0, const Triplet& p_t1, const Triplet& p_t2,
                        const Triplet& p_t3, float p_bary[4])
{
    Triplet lo = p_t0;
    Triplet hi = p_t0;
    growBox(p_t1, lo, hi);
    growBox(p_t2, lo, hi);
    growBox(p_t3, lo, hi);
    if (outsideBox(p_point, lo, hi))
        return false;
    const float volume = tetVolume(p_t0, p_t1, p_t2, p_t3);
    if (volume == 0.0f)
        return false;
    p_bary[0] = tetVolume(p_point, p_t1, p_t2, p_t3) / volume;
    p_bary[1] = tetVolume(p_t0, p_point, p_t2, p_t3) / volume;
    p_bary[2] = tetVolume(p_t0, p_t1, p_point, p_t3) / volume;
    p_bary[3] = tetVolume(p_t0, p_t1, p_t2, p_point) / volume;
    float sum = 0.0f;
    for (int i = 0; i < 4; ++i) {
        if (std::fabs(p_bary[i]) < 0.001f)
            p_bary[i] = 0.0f;
        else if (std::fabs(p_bary[i] - 1.0f) < 0.001f)
            p_bary[i] = 1.0f;
        sum += p_bary[i];
    }
    if (sum > 0.0f && std::fabs(1.0f - sum) > 1.1920929e-7f)
        for (int i = 0; i < 4; ++i)
            p_bary[i] /= sum;
    for (int i = 0; i < 4; ++i)
        if (!(p_bary[i] >= 0.0f && p_bary[i] <= 1.0f))
            return false;
    return sum > 0.0f;
}

} // namespace

Polyhedron::~Polyhedron() = default;

void Polyhedron::setVertices(const IntZEVVector& p_vertices)
{
    // Checked like the other classes: reading past the end of a short list is never wanted.
    setVerticesChecked(m_vertices.data(), getNumVertices(), p_vertices, "Polyhedron");
}

void Polyhedron::setNumVertices(int p_n)
{
    if (p_n < 0)
        throw data::invalid("Polyhedron", "setNumVertices", UserMsg("Invalid vertex count %1").arg(p_n));
    m_vertices.resize(static_cast<std::size_t>(p_n), 0);
}

void Polyhedron::setNumFaces(int p_n)
{
    if (p_n < 0)
        throw data::invalid("Polyhedron", "setNumFaces", UserMsg("Invalid face count %1").arg(p_n));
    m_faces.resize(static_cast<std::size_t>(p_n));
}

void Polyhedron::setFaceVertSize(int p_face, int p_n)
{
    assert(p_face >= 0 && static_cast<std::size_t>(p_face) < m_faces.size());
    if (p_n < 0)
        throw data::invalid("Polyhedron", "setFaceVertSize", UserMsg("Invalid corner count %1").arg(p_n));
    m_faces[static_cast<std::size_t>(p_face)].resize(static_cast<std::size_t>(p_n), 0);
}

const int* Polyhedron::getVerticesForFace(int p_face, int& p_n, const int** p_vertices) const
{
    assert(p_face >= 0 && static_cast<std::size_t>(p_face) < m_faces.size());
    const std::vector<int>& face = m_faces[static_cast<std::size_t>(p_face)];
    p_n = static_cast<int>(face.size());
    *p_vertices = m_vertices.data();
    return face.data();
}

const int* Polyhedron::getIPsForFace(int p_face, int& p_n, const int** p_vertices) const
{
    getVerticesForFace(p_face, p_n, p_vertices);
    return nullptr;
}

void Polyhedron::checkFaces(const char* p_method) const
{
    const int numVertices = getNumVertices();
    for (std::size_t f = 0; f < m_faces.size(); ++f) {
        const std::vector<int>& face = m_faces[f];
        if (face.empty()) {
            // A face without corners has no mean; it fails as that mean's division does.
            Triplet mean;
            mean /= 0.0f;
        }
        for (std::size_t k = 0; k < face.size(); ++k)
            if (face[k] < 0 || face[k] >= numVertices)
                throw data::invalid("Polyhedron", p_method,
                                    UserMsg("Face %1 corner %2: vertex position %3 out of range 0..%4")
                                        .arg(static_cast<int>(f))
                                        .arg(static_cast<int>(k))
                                        .arg(face[k])
                                        .arg(numVertices - 1));
    }
}

Triplet Polyhedron::faceCentresAndCentroid(const TripletZEVVector& p_vertices,
                                           std::vector<Triplet>& p_centres) const
{
    PolyhedronScratch& s = scratch();
    const Triplet mean = Shape::calcCentroidImp(p_vertices);
    p_centres.resize(m_faces.size());
    double sum[3] = {0.0, 0.0, 0.0};
    double volume = 0.0;
    for (std::size_t f = 0; f < m_faces.size(); ++f) {
        const std::vector<int>& face = m_faces[f];
        const std::size_t n = face.size();
        s.points.resize(n);
        for (std::size_t k = 0; k < n; ++k)
            s.points[k] = corner(p_vertices, face, k);
        const Triplet centre = GeometryUtilities::areaWeighedFaceCentroid(s.points, s.crosses);
        p_centres[f] = centre;
        for (std::size_t k = 0; k < n; ++k) {
            const Triplet& a = s.points[k];
            const Triplet& b = s.points[k + 1 == n ? 0 : k + 1];
            const double v = sixTetVolumesDouble(a, b, centre, mean);
            for (int j = 0; j < 3; ++j)
                sum[j] += v * ((static_cast<double>(a[j]) + b[j] + centre[j] + mean[j]) * 0.25);
            volume += v;
        }
    }
    if (volume == 0.0)
        return mean;
    return Triplet(static_cast<float>(sum[0] / volume), static_cast<float>(sum[1] / volume),
                   static_cast<float>(sum[2] / volume));
}

Triplet Polyhedron::calcCentroidImp(const TripletZEVVector& p_vertices) const
{
    checkFaces("calcCentroidImp");
    return faceCentresAndCentroid(p_vertices, scratch().faceCentres);
}

float Polyhedron::getSimpleVolume(const TripletZEVVector& p_vertices) const
{
    checkFaces("getSimpleVolume");
    // The sum over no faces is 0 whatever the centroid, which needs at least one vertex.
    if (m_faces.empty())
        return 0.0f;
    const Triplet centroid = faceCentresAndCentroid(p_vertices, scratch().faceCentres);
    double volume = 0.0;
    for (const std::vector<int>& face : m_faces) {
        const std::size_t n = face.size();
        Triplet mean;
        Triplet area;
        for (std::size_t k = 0; k < n; ++k) {
            const Triplet& p = corner(p_vertices, face, k);
            const Triplet& q = corner(p_vertices, face, k + 1 == n ? 0 : k + 1);
            mean += p;
            // Newell's formula: exact for plane faces, a best fit for warped ones.
            area += Triplet((q[2] - p[2]) * (q[1] + p[1]), (q[2] + p[2]) * (q[0] - p[0]),
                            (q[1] - p[1]) * (q[0] + p[0]));
        }
        mean /= static_cast<float>(n);
        area *= 0.5f;
        volume += std::fabs((mean - centroid).dot(area));
    }
    return static_cast<float>(volume / 3.0);
}

float Polyhedron::getVolume(const TripletZEVVector& p_vertices, FloatZEVVectorConcrete& p_vertexVolumes) const
{
    checkFaces("getVolume");
    const std::size_t numVertices = m_vertices.size();
    p_vertexVolumes.resize(numVertices);
    for (std::size_t i = 0; i < numVertices; ++i)
        p_vertexVolumes[i] = 0.0f;
    // Without faces there are no region faces, so every region is empty.
    if (m_faces.empty())
        return 0.0f;

    PolyhedronScratch& s = scratch();
    const Triplet centroid = faceCentresAndCentroid(p_vertices, s.faceCentres);
    auto position = [&](int p_local) -> const Triplet& {
        return p_vertices[static_cast<std::size_t>(m_vertices[static_cast<std::size_t>(p_local)])];
    };

    // The face edges sorted by edge, then by occurrence: each run is one edge in ascending
    // edge order, with its faces in the order the walk meets them. A sort of a few dozen
    // entries replaces a map of edges and its per-node allocations.
    s.edges.clear();
    s.occurrenceFace.clear();
    for (std::size_t f = 0; f < m_faces.size(); ++f) {
        const std::vector<int>& face = m_faces[f];
        const std::size_t n = face.size();
        for (std::size_t k = 0; k < n; ++k) {
            const Edge edge(face[k], face[k + 1 == n ? 0 : k + 1]);
            s.edges.push_back(
                {edge.firstVertex(), edge.secondVertex(), static_cast<int>(s.occurrenceFace.size())});
            s.occurrenceFace.push_back(static_cast<int>(f));
        }
    }
    std::sort(s.edges.begin(), s.edges.end());
    const std::size_t occurrences = s.edges.size();
    s.edgeOf.resize(occurrences);
    s.firstMeeting.assign(occurrences, 0);
    s.midpoints.clear();
    s.edgeEnds.clear();
    s.edgeFaces.clear();
    for (std::size_t i = 0; i < occurrences; ++i) {
        const EdgeOccurrence& e = s.edges[i];
        const std::size_t occurrence = static_cast<std::size_t>(e.occurrence);
        const int face = s.occurrenceFace[occurrence];
        if (i == 0 || e.first != s.edges[i - 1].first || e.second != s.edges[i - 1].second) {
            s.midpoints.push_back((position(e.first) + position(e.second)) * 0.5f);
            s.edgeEnds.push_back(e.first);
            s.edgeEnds.push_back(e.second);
            s.edgeFaces.push_back(face);
            s.edgeFaces.push_back(-1);
            s.firstMeeting[occurrence] = 1;
        } else if (s.edgeFaces.back() < 0) {
            s.edgeFaces.back() = face;
        }
        s.edgeOf[occurrence] = static_cast<int>(s.midpoints.size()) - 1;
    }

    // Region centres: the mean of each vertex's region points, summed in the order the walk
    // adds them (the vertex, then edge midpoints and face centres face by face, then the
    // centroid).
    s.regionSums.resize(numVertices);
    s.regionCounts.assign(numVertices, 1);
    s.regionVolumes.assign(numVertices, 0.0f);
    for (std::size_t i = 0; i < numVertices; ++i)
        s.regionSums[i] = position(static_cast<int>(i));
    std::size_t occurrence = 0;
    for (std::size_t f = 0; f < m_faces.size(); ++f) {
        const std::vector<int>& face = m_faces[f];
        for (std::size_t k = 0; k < face.size(); ++k, ++occurrence) {
            if (!s.firstMeeting[occurrence])
                continue;
            const std::size_t edge = static_cast<std::size_t>(s.edgeOf[occurrence]);
            for (int end = 0; end < 2; ++end) {
                const std::size_t v =
                    static_cast<std::size_t>(s.edgeEnds[2 * edge + static_cast<std::size_t>(end)]);
                s.regionSums[v] += s.midpoints[edge];
                ++s.regionCounts[v];
            }
        }
        for (int c : face) {
            s.regionSums[static_cast<std::size_t>(c)] += s.faceCentres[f];
            ++s.regionCounts[static_cast<std::size_t>(c)];
        }
    }
    for (std::size_t i = 0; i < numVertices; ++i) {
        s.regionSums[i] += centroid;
        ++s.regionCounts[i];
        s.regionSums[i] /= static_cast<float>(s.regionCounts[i]);
    }

    // Each region face adds |(its centre - the region centre) . its area vector| to the
    // region (divergence theorem; the absolute value makes the orientation irrelevant). The
    // halving and quartering multiply by exact reciprocals, which gives the quotients' floats.
    auto addRegionFace = [&](std::size_t p_vertex, const Triplet& p_0, const Triplet& p_1, const Triplet& p_2,
                             const Triplet& p_3) {
        const Triplet centre = (p_0 + p_1 + p_2 + p_3) * 0.25f;
        const Triplet areaVector = (p_2 - p_0).cross(p_3 - p_1) * 0.5f;
        s.regionVolumes[p_vertex] += std::fabs((centre - s.regionSums[p_vertex]).dot(areaVector));
    };
    // On the faces: (corner, midpoint of the leaving edge, face centre, midpoint of the
    // arriving edge) for every corner.
    occurrence = 0;
    for (std::size_t f = 0; f < m_faces.size(); ++f) {
        const std::vector<int>& face = m_faces[f];
        const std::size_t n = face.size();
        for (std::size_t k = 0; k < n; ++k) {
            const std::size_t leaving = occurrence + k;
            const std::size_t arriving = occurrence + (k == 0 ? n - 1 : k - 1);
            addRegionFace(static_cast<std::size_t>(face[k]), position(face[k]),
                          s.midpoints[static_cast<std::size_t>(s.edgeOf[leaving])], s.faceCentres[f],
                          s.midpoints[static_cast<std::size_t>(s.edgeOf[arriving])]);
        }
        occurrence += n;
    }
    // Inside: (centroid, centre of the edge's first face, edge midpoint, centre of its second
    // face) for each edge, in both end vertices' regions. An edge with one face belongs to an
    // open surface and has no second face to close the quadrilateral: it adds nothing.
    const std::size_t numEdges = s.midpoints.size();
    for (std::size_t e = 0; e < numEdges; ++e) {
        const int fb = s.edgeFaces[2 * e + 1];
        if (fb < 0)
            continue;
        const Triplet& centreA = s.faceCentres[static_cast<std::size_t>(s.edgeFaces[2 * e])];
        const Triplet& centreB = s.faceCentres[static_cast<std::size_t>(fb)];
        addRegionFace(static_cast<std::size_t>(s.edgeEnds[2 * e]), centroid, centreA, s.midpoints[e],
                      centreB);
        addRegionFace(static_cast<std::size_t>(s.edgeEnds[2 * e + 1]), centroid, centreA, s.midpoints[e],
                      centreB);
    }

    float total = 0.0f;
    for (std::size_t i = 0; i < numVertices; ++i) {
        const float volume = s.regionVolumes[i] / 3.0f;
        p_vertexVolumes[i] = volume;
        total += volume;
    }
    return total;
}

bool Polyhedron::findTetrahedron(const Triplet& p_point, const TripletZEVVector& p_vertices,
                                 const std::vector<Triplet>& p_centres, const Triplet& p_centroid,
                                 std::size_t& p_face, std::size_t& p_k, float p_bary[4]) const
{
    for (std::size_t f = 0; f < m_faces.size(); ++f) {
        const std::vector<int>& face = m_faces[f];
        const std::size_t n = face.size();
        Triplet lo = p_centroid;
        Triplet hi = p_centroid;
        for (std::size_t k = 0; k < n; ++k)
            growBox(corner(p_vertices, face, k), lo, hi);
        if (outsideBox(p_point, lo, hi))
            continue;
        for (std::size_t k = 0; k < n; ++k)
            if (pointInTetrahedron(p_point, corner(p_vertices, face, k),
                                   corner(p_vertices, face, k + 1 == n ? 0 : k + 1), p_centres[f], p_centroid,
                                   p_bary)) {
                p_face = f;
                p_k = k;
                return true;
            }
    }
    return false;
}

bool Polyhedron::isInside(const Triplet& p_point, const TripletZEVVector& p_vertices) const
{
    if (!isWithinExtents(p_point, p_vertices))
        return false;
    checkFaces("isInside");
    PolyhedronScratch& s = scratch();
    const Triplet centroid = faceCentresAndCentroid(p_vertices, s.faceCentres);
    std::size_t face = 0;
    std::size_t k = 0;
    float bary[4];
    return findTetrahedron(p_point, p_vertices, s.faceCentres, centroid, face, k, bary);
}

void Polyhedron::print() const
{
    printVertices("Polyhedron: ", m_vertices.data(), getNumVertices());
}

void Polyhedron::copyFromImp(const Shape& p_other)
{
    const Polyhedron* other = dynamic_cast<const Polyhedron*>(&p_other);
    if (other == nullptr)
        throw internal::badParam("Polyhedron", "copyFromImp", UserMsg("Invalid shapes for copying"));
    *this = *other;
}

bool Polyhedron::constructWeightsImp(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices,
                                     std::vector<float>& p_weights) const
{
    checkFaces("constructWeightsImp");
    const std::size_t numVertices = m_vertices.size();
    if (numVertices == 0)
        return false;
    PolyhedronScratch& s = scratch();
    const Triplet centroid = faceCentresAndCentroid(p_vertices, s.faceCentres);
    std::size_t f = 0;
    std::size_t k = 0;
    float bary[4];
    if (!findTetrahedron(Triplet(p_x, p_y, p_z), p_vertices, s.faceCentres, centroid, f, k, bary))
        return false;
    const std::vector<int>& face = m_faces[f];
    const std::size_t n = face.size();
    p_weights[static_cast<std::size_t>(face[k])] = bary[0];
    p_weights[static_cast<std::size_t>(face[k + 1 == n ? 0 : k + 1])] = bary[1];
    const float faceShare = bary[2] / static_cast<float>(n);
    for (int c : face)
        p_weights[static_cast<std::size_t>(c)] += faceShare;
    const float cellShare = bary[3] / static_cast<float>(numVertices);
    for (std::size_t i = 0; i < numVertices; ++i)
        p_weights[i] += cellShare;
    return true;
}

} // namespace zev
