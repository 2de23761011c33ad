#include "zev/search/VirtualLayer.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"
#include "zev/shapes/ShapeSetBase.h"

#include <cmath>
#include <memory>
#include <utility>

namespace zev {

namespace {

// Whether every vertex of a face lies in the vertex array; other faces take no part.
bool usable(const Shape& p_face, std::size_t p_vertexCount)
{
    const int n = p_face.getNumVertices();
    for (int k = 0; k < n; ++k)
        if (p_face[k] < 0 || static_cast<std::size_t>(p_face[k]) >= p_vertexCount)
            return false;
    return n > 0;
}

double length(const Triplet& p_a)
{
    const double x = p_a[0], y = p_a[1], z = p_a[2];
    return std::sqrt(x * x + y * y + z * z);
}

// One layer element set over the faces of p_faces (with the proxy of each element) as
// wedges, or as hexahedra when p_hexahedra.
template <class T>
ShapeSet* buildElements(const std::vector<const Shape*>& p_faces, const std::vector<const Shape*>& p_proxies,
                        const std::vector<int>& p_layerId, int p_surfaceCount, const int* p_order,
                        int p_corners)
{
    auto set = std::make_unique<ShapeSetBase<T>>(p_faces.size());
    for (std::size_t i = 0; i < p_faces.size(); ++i) {
        const Shape& face = *p_faces[i];
        const int n = face.getNumVertices();
        T& element = (*set)[i];
        for (int k = 0; k < p_corners; ++k) {
            const int slot = p_order[k] < n ? p_order[k] : n - 1;
            const int id = p_layerId[static_cast<std::size_t>(face[slot])];
            element[k] = id;
            element[k + p_corners] = id + p_surfaceCount;
        }
        element.setInterpolationProxy(p_proxies[i]);
    }
    return set.release();
}

} // namespace

bool VirtualLayer::create(Geometry& p_geometry, const std::map<Geometry::FaceType, std::string>& p_names,
                          float p_tolerance, std::map<std::string, ShapeSet*>& p_sets,
                          TripletZEVVector& p_vertices, std::vector<int>& p_setIndices,
                          float& p_builtTolerance, const std::function<void()>& p_remove)
{
    if (p_tolerance == 0.0f)
        return !p_sets.empty();
    if (p_names.size() != 3)
        throw internal::error("Geometry", "createVirtualLayer",
                              SystemMsg("Insufficient number of face set names provided!"));
    if (!p_sets.empty() && p_builtTolerance == p_tolerance)
        return true;

    auto lookUp = [&](std::vector<const ShapeSet*>& p_out) {
        bool any = false;
        p_out.clear();
        for (const auto& entry : p_names) {
            p_out.push_back(p_geometry.getFaceSet(entry.second));
            any = any || p_out.back() != nullptr;
        }
        return any;
    };
    std::vector<const ShapeSet*> faceSets;
    if (!lookUp(faceSets)) {
        if (!p_geometry.calculateFaces())
            return !p_sets.empty();
        lookUp(faceSets);
    }

    p_remove();

    const TripletZEVVector& vertices = std::as_const(p_geometry).getVertices();
    const std::size_t vertexCount = vertices.size();
    std::vector<Triplet> normals(vertexCount, Triplet(0.0f, 0.0f, 0.0f));
    std::vector<char> onSurface(vertexCount, 0);
    double diagonalSum = 0.0;
    long long triangles = 0;
    long long faceCount = 0;
    bool polygonsToSplit = false;
    std::size_t position = 0;
    for (const auto& entry : p_names) {
        const ShapeSet* set = faceSets[position++];
        if (set == nullptr)
            continue;
        for (std::size_t i = 0; i < set->size(); ++i) {
            const Shape& face = (*set)[i];
            if (!usable(face, vertexCount))
                continue;
            const int n = face.getNumVertices();
            if (p_tolerance < 0.0f) {
                Triplet lo, hi;
                face.calcExtents(vertices, lo, hi);
                diagonalSum += length(hi - lo);
            }
            Triplet normal;
            const bool hasNormal = face.getNormal(vertices, normal, true);
            for (int k = 0; k < n; ++k) {
                const std::size_t v = static_cast<std::size_t>(face[k]);
                onSurface[v] = 1;
                if (hasNormal)
                    normals[v] += normal;
            }
            if (n > 4)
                triangles += n - 2;
            // A polygon of four corners would otherwise stand as a wedge on three of them.
            if (entry.first == Geometry::Polygons && n != 3)
                polygonsToSplit = true;
            ++faceCount;
        }
    }
    if (faceCount == 0)
        return false;

    // The faces each layer set stands on, with the face each element interpolates from.
    std::vector<const Shape*> faces[3];
    std::vector<const Shape*> proxies[3];
    auto polygonTriangles = std::make_unique<ShapeSetBase<Tri>>(0);
    position = 0;
    for (const auto& entry : p_names) {
        const ShapeSet* set = faceSets[position++];
        if (set == nullptr)
            continue;
        const int type = static_cast<int>(entry.first);
        if (type < 0 || type > 2)
            continue;
        const bool split = entry.first == Geometry::Polygons && (triangles > 0 || polygonsToSplit);
        for (std::size_t i = 0; i < set->size(); ++i) {
            const Shape& face = (*set)[i];
            if (!usable(face, vertexCount))
                continue;
            if (!split) {
                faces[type].push_back(&face);
                proxies[type].push_back(&face);
                continue;
            }
            const int n = face.getNumVertices();
            for (int k = 1; k + 1 < n; ++k) {
                polygonTriangles->resize(polygonTriangles->size() + 1);
                Tri& tri = (*polygonTriangles)[polygonTriangles->size() - 1];
                tri[0] = face[0];
                tri[1] = face[k];
                tri[2] = face[k + 1];
                proxies[type].push_back(&face);
            }
        }
        if (split)
            for (std::size_t i = 0; i < polygonTriangles->size(); ++i)
                faces[type].push_back(&(*polygonTriangles)[i]);
    }

    float thickness;
    if (p_tolerance >= 0.0f) {
        Triplet lo = vertices.empty() ? Triplet(0, 0, 0) : vertices[0];
        Triplet hi = lo;
        for (const Triplet& v : vertices)
            for (int a = 0; a < 3; ++a) {
                lo[a] = std::min(lo[a], v[a]);
                hi[a] = std::max(hi[a], v[a]);
            }
        thickness = static_cast<float>(length(hi - lo) * p_tolerance / 100.0);
    } else {
        thickness = static_cast<float>(diagonalSum / static_cast<double>(faceCount) * -p_tolerance / 100.0);
    }

    std::vector<int> layerId(vertexCount, -1);
    int surfaceCount = 0;
    for (std::size_t v = 0; v < vertexCount; ++v)
        if (onSurface[v])
            layerId[v] = surfaceCount++;
    p_vertices.resize(2 * static_cast<std::size_t>(surfaceCount));
    for (std::size_t v = 0; v < vertexCount; ++v) {
        if (!onSurface[v])
            continue;
        const std::size_t j = static_cast<std::size_t>(layerId[v]);
        Triplet normal = normals[v];
        const double size = length(normal);
        // Normals that cancel (or a vertex of degenerate faces only) give no direction: the
        // vertex stays where it is rather than moving by a division by zero.
        if (size > 0.0 && std::isfinite(size))
            normal = Triplet(static_cast<float>(normal[0] / size), static_cast<float>(normal[1] / size),
                             static_cast<float>(normal[2] / size));
        else
            normal = Triplet(0.0f, 0.0f, 0.0f);
        p_vertices[j] = vertices[v];
        p_vertices[j + static_cast<std::size_t>(surfaceCount)] = vertices[v] + normal * thickness;
    }

    static const int kWedgeOrder[3] = {0, 1, 2};
    static const int kHexOrder[4] = {0, 1, 3, 2};
    for (int type = 0; type < 3; ++type) {
        if (faces[type].empty())
            continue;
        const int index = kFirstSetIndex - type;
        ShapeSet* set =
            type == Geometry::Quadrilaterals
                ? buildElements<Hex>(faces[type], proxies[type], layerId, surfaceCount, kHexOrder, 4)
                : buildElements<Wedge>(faces[type], proxies[type], layerId, surfaceCount, kWedgeOrder, 3);
        set->setSetNumber(index);
        Triplet lo, hi;
        set->calcExtents(p_vertices, lo, hi);
        p_setIndices.push_back(index);
        p_sets[Geometry::getElementSetName(index)] = set;
    }
    p_builtTolerance = p_tolerance;
    return !p_sets.empty();
}

} // namespace zev
