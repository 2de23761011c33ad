#include "zev/analysis/Flux.h"

#include "zev/analysis/Cut.h"
#include "zev/analysis/Report.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/TripletZEVVector.h"
#include "zev/contracts/Undefined.h"
#include "zev/geometry/Geometry.h"
#include "zev/interpolants/EdgeInterpolant.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/variables/Variable.h"
#include "zev/variables/VectorVariable.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>

namespace zev::analysis {

namespace {

bool defined(zev::Triplet const& p_value)
{
    for (int c = 0; c < 3; ++c)
        if (p_value[c] == zev::ZEV_UNDEF || !std::isfinite(p_value[c]))
            return false;
    return true;
}

double dot(zev::Triplet const& p_a, zev::Triplet const& p_b)
{
    return double(p_a[0]) * p_b[0] + double(p_a[1]) * p_b[1] + double(p_a[2]) * p_b[2];
}

} // namespace

Flux fluxThrough(zev::Geometry const& p_surface, zev::Variable const& p_vector, zev::VarLocation p_location,
                 std::vector<std::string> const& p_faceSets, FaceOrientation const& p_orientation)
{
    Flux out;
    out.vector = p_vector.getName();
    out.location = locationName(p_location);
    auto const* vector = dynamic_cast<zev::VectorVariable const*>(&p_vector);
    if (vector == nullptr || (p_location != zev::eVertex && p_location != zev::eFace))
        throw UsageError("'" + p_vector.getName() + "' is not a vector at the vertices or on the faces");
    zev::TripletZEVVector const& vertices = p_surface.getVertices();
    zev::TripletZEVVector const empty;
    zev::TripletZEVVector sectors;
    std::vector<int> ids;
    for (std::string const& name : p_faceSets) {
        zev::ShapeSet const* set = p_surface.getFaceSet(name);
        if (set == nullptr)
            continue;
        // Vertex data is one array; face data is kept per set (a set without it has no defined values).
        zev::TripletZEVVector const* values = &empty;
        try {
            values = &vector->getTripletValues(zev::Variable::Description(
                zev::eUnknown, p_location, p_location == zev::eVertex ? "All" : name));
        } catch (zev::Error const&) {
            values = &empty;
        }
        double const factor = set->getCorrectionFactor();
        for (std::size_t f = 0; f < set->size(); ++f) {
            zev::Shape const& face = (*set)[f];
            ids.resize(static_cast<std::size_t>(face.getNumVertices()));
            for (int k = 0; k < face.getNumVertices(); ++k)
                ids[std::size_t(k)] = face[k];
            zev::Triplet const area = face.getAreaVector(vertices, sectors);
            double const sign = p_orientation ? p_orientation(ids.data(), int(ids.size()), area) : 1.0;
            double through = 0;
            bool faceDefined = true;
            if (p_location == zev::eFace) {
                faceDefined = f < values->size() && defined((*values)[f]);
                through = faceDefined ? dot((*values)[f], area) : 0.0;
            } else {
                for (std::size_t k = 0; k < ids.size() && k < sectors.size() && faceDefined; ++k) {
                    std::size_t const at = static_cast<std::size_t>(ids[k]);
                    faceDefined = at < values->size() && defined((*values)[at]);
                    through += faceDefined ? dot((*values)[at], sectors[k]) : 0.0;
                }
            }
            if (!faceDefined)
                continue;
            out.flux += sign * factor * through;
            out.area += factor * std::sqrt(dot(area, area));
            out.valid = true;
        }
    }
    return out;
}

FaceOrientation outwardOf(zev::Geometry const& p_volume)
{
    // Each face is found among the elements of its lowest-numbered vertex; the element's centre then
    // says which side is inside. The elements of each vertex are listed once, up front.
    zev::TripletZEVVector const& vertices = p_volume.getVertices();
    std::size_t const n = vertices.size();
    struct Element {
        zev::Shape const* shape;
    };
    std::vector<Element> elements;
    std::vector<std::size_t> start(n + 1, 0);
    for (std::string const& name : p_volume.getElementSetNames()) {
        zev::ShapeSet const* set = p_volume.getElementSet(name);
        for (std::size_t e = 0; e < set->size(); ++e) {
            zev::Shape const& element = (*set)[e];
            elements.push_back({&element});
            for (int k = 0; k < element.getNumVertices(); ++k)
                if (std::size_t(element[k]) < n)
                    ++start[std::size_t(element[k]) + 1];
        }
    }
    for (std::size_t v = 0; v < n; ++v)
        start[v + 1] += start[v];
    auto byVertex = std::make_shared<std::vector<std::size_t>>(start.back());
    std::vector<std::size_t> fill(start.begin(), start.end() - 1);
    for (std::size_t e = 0; e < elements.size(); ++e) {
        zev::Shape const& element = *elements[e].shape;
        for (int k = 0; k < element.getNumVertices(); ++k) {
            std::size_t const v = std::size_t(element[k]);
            // An element naming a vertex twice is listed once.
            if (v < n && (fill[v] == start[v] || (*byVertex)[fill[v] - 1] != e))
                (*byVertex)[fill[v]++] = e;
        }
    }
    auto ends = std::make_shared<std::vector<std::size_t>>(std::move(fill));
    auto starts = std::make_shared<std::vector<std::size_t>>(std::move(start));
    auto shapes = std::make_shared<std::vector<Element>>(std::move(elements));
    return [&vertices, n, byVertex, ends, starts, shapes](int const* p_ids, int p_count,
                                                          zev::Triplet const& p_area) {
        if (p_count < 1)
            return 1.0;
        int const lowest = *std::min_element(p_ids, p_ids + p_count);
        if (lowest < 0 || std::size_t(lowest) >= n)
            return 1.0;
        zev::Shape const* owner = nullptr;
        int owners = 0;
        for (std::size_t i = (*starts)[std::size_t(lowest)]; i < (*ends)[std::size_t(lowest)]; ++i) {
            zev::Shape const& element = *(*shapes)[(*byVertex)[i]].shape;
            bool all = true;
            for (int k = 0; k < p_count && all; ++k) {
                bool found = false;
                for (int j = 0; j < element.getNumVertices() && !found; ++j)
                    found = element[j] == p_ids[k];
                all = found;
            }
            if (all) {
                owner = &element;
                ++owners;
            }
        }
        if (owners != 1)
            return 1.0;
        double centre[3] = {0, 0, 0}, face[3] = {0, 0, 0};
        for (int j = 0; j < owner->getNumVertices(); ++j)
            for (int c = 0; c < 3; ++c)
                centre[c] += vertices[std::size_t((*owner)[j])][c] / double(owner->getNumVertices());
        for (int k = 0; k < p_count; ++k)
            for (int c = 0; c < 3; ++c)
                face[c] += vertices[std::size_t(p_ids[k])][c] / double(p_count);
        double const out = (face[0] - centre[0]) * p_area[0] + (face[1] - centre[1]) * p_area[1] +
                           (face[2] - centre[2]) * p_area[2];
        return out < 0 ? -1.0 : 1.0;
    };
}

FaceOrientation along(zev::Triplet const& p_normal)
{
    return [p_normal](int const*, int, zev::Triplet const& p_area) {
        return dot(p_area, p_normal) < 0 ? -1.0 : 1.0;
    };
}

FaceOrientation towardsIncreasing(zev::Geometry const& p_surface, zev::Geometry const& p_domain,
                                  zev::Variable const& p_field)
{
    auto const* edges = dynamic_cast<zev::EdgeInterpolant const*>(p_surface.getEdgeInterpolant());
    if (edges == nullptr)
        throw UsageError("the isosurface keeps no edge records to tell its sides apart");
    zev::FloatZEVVector const& field =
        p_field.getFloatValues(zev::Variable::Description(zev::eUnknown, zev::eVertex, "All"));
    zev::TripletZEVVector const& points = p_domain.getVertices();
    return [edges, &field, &points](int const* p_ids, int p_count, zev::Triplet const& p_area) {
        // Each corner lies on a domain edge whose ends hold values on either side of the surface's; the
        // edge from the lower to the higher end crosses the surface the increasing way.
        double rising = 0;
        for (int k = 0; k < p_count; ++k) {
            if (p_ids[k] < 0 || std::size_t(p_ids[k]) >= edges->size())
                continue;
            zev::EdgeInterpolantData const& edge = edges->getInternalData(std::size_t(p_ids[k]));
            std::size_t const a = std::size_t(edge.m_vertex1), b = std::size_t(edge.m_vertex2);
            if (a == b || a >= points.size() || b >= points.size() || a >= field.size() || b >= field.size())
                continue;
            float const fa = field[a], fb = field[b];
            if (fa == zev::ZEV_UNDEF || fb == zev::ZEV_UNDEF || fa == fb)
                continue;
            double const step = fb > fa ? 1.0 : -1.0;
            for (int c = 0; c < 3; ++c)
                rising += step * (double(points[b][c]) - points[a][c]) * p_area[c];
        }
        return rising < 0 ? -1.0 : 1.0;
    };
}

Flux meshFlux(LoadedMesh& p_mesh, std::string const& p_vector, std::string const& p_over)
{
    zev::Geometry& g = p_mesh.geo();
    zev::VarLocation const location = fileSurfaceQuantity(p_mesh, p_vector, false);
    zev::Variable const* variable = g.findVariable(p_vector, location);
    if (variable == nullptr || !variable->isVector())
        throw UsageError("'" + p_vector + "' is not a vector; the flux is of a vector variable");
    if (location == zev::eElement)
        throw UsageError("'" + p_vector + "' lives on elements; the flux needs vertex or face values");
    std::vector<std::string> sets;
    if (p_over == "boundary") {
        if (location == zev::eFace && g.getNumElements() > 0)
            throw UsageError("'" + p_vector + "' lives on the mesh's own faces; name a face set with --over");
        sets = buildBoundary(g);
    } else {
        NamedSets const named = namedSets(g, p_over);
        if (!named.faces)
            throw UsageError("'" + p_over +
                             "' names element sets; the flux goes through a face set or the boundary");
        sets = named.names;
    }
    Flux out =
        fluxThrough(g, *variable, location, sets, g.getNumElements() > 0 ? outwardOf(g) : FaceOrientation());
    out.over = p_over;
    return out;
}

Flux cutFlux(Request const& p_request, LoadedMesh& p_mesh, zev::Geometry const& p_surface,
             std::vector<MeshVariable> const& p_carried)
{
    std::string const& name = p_request.values.at("--flux").front();
    auto const carried =
        std::find_if(p_carried.begin(), p_carried.end(),
                     [&name](MeshVariable const& p_variable) { return p_variable.name == name; });
    if (carried == p_carried.end() || !carried->variable) {
        zev::VarLocation const location = fileQuantity(p_mesh, name, false);
        throw UsageError("'" + name + "' lives on " + locationName(location) +
                         "s; a cut carries vertex values only");
    }
    if (!carried->variable->isVector())
        throw UsageError("'" + name + "' is not a vector; the flux is of a vector variable");
    FaceOrientation orientation;
    if (p_request.command == "slice") {
        std::vector<double> plane;
        zev::Triplet normal;
        double offset = 0;
        parseNumbers(p_request.values.at("--plane").front(), 6, plane);
        unitPlane(plane, normal, offset);
        orientation = along(normal);
    } else {
        bool const isExpression = p_request.values.at("--iso-var").empty();
        std::string const& field =
            (isExpression ? p_request.values.at("--iso-expr") : p_request.values.at("--iso-var")).front();
        zev::Variable const* values = p_mesh.geo().findVariable(field, zev::eVertex);
        if (values == nullptr)
            throw UsageError("no vertex values of '" + field + "'");
        orientation = towardsIncreasing(p_surface, p_mesh.geo(), *values);
    }
    Flux out =
        fluxThrough(p_surface, *carried->variable, zev::eVertex, p_surface.getFaceSetNames(), orientation);
    out.vector = name;
    out.over = p_request.command;
    return out;
}

} // namespace zev::analysis
