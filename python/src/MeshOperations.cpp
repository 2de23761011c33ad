// The operations of the module's mesh that make new meshes or read values out of it: derived
// geometries, cuts and selections, carrying variables through their interpolants, integrals, probes and
// sample points.
#include "python/src/Mesh.h"

#include "zev/analysis/BoxGenerator.h"
#include "zev/analysis/Cut.h"
#include "zev/analysis/Figures.h"
#include "zev/analysis/Flux.h"
#include "zev/analysis/Measures.h"
#include "zev/analysis/ParentVariables.h"
#include "zev/analysis/Progress.h"
#include "zev/analysis/Report.h"
#include "zev/analysis/Sample.h"
#include "zev/contracts/Error.h"
#include "zev/contracts/ExpressionEvaluator.h"
#include "zev/contracts/FloatZEVVectorConcrete.h"
#include "zev/contracts/ProgressTracker.h"
#include "zev/contracts/ReductionUtility.h"
#include "zev/contracts/Triplet.h"
#include "zev/contracts/TripletZEVVector.h"
#include "zev/contracts/Undefined.h"
#include "zev/derived/SamplePointsGeometry.h"
#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/interpolants/HybridInterpolantData.h"
#include "zev/interpolants/Interpolant.h"
#include "zev/interpolants/VertexInterpolant.h"
#include "zev/io/MeshFile.h"
#include "zev/search/PointLocator.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/variables/ScalarVariable.h"
#include "zev/variables/Variable.h"
#include "zev/variables/VectorVariable.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <exception>
#include <limits>
#include <mutex>
#include <utility>

namespace zevpy {

namespace {

using zev::io::GeometryPtr;

GeometryPtr newGeometry(std::string const& p_name)
{
    zev::io::installLocationProvider();
    GeometryPtr g(zev::GeometryAPI::instance()->newGeometry("", nullptr));
    g->setName(p_name);
    return g;
}

zev::Triplet toTriplet(std::array<double, 3> const& p_value)
{
    return zev::Triplet(static_cast<float>(p_value[0]), static_cast<float>(p_value[1]),
                        static_cast<float>(p_value[2]));
}

// A unit normal and the plane's offset n . origin; a zero normal is refused.
std::pair<zev::Triplet, float> plane(std::array<double, 3> const& p_origin,
                                     std::array<double, 3> const& p_normal)
{
    // Scaled by its largest component first, so that the squares neither overflow nor vanish.
    double const scale = std::max({std::abs(p_normal[0]), std::abs(p_normal[1]), std::abs(p_normal[2])});
    if (!(scale > 0) || !std::isfinite(scale))
        throw RequestError("the plane's normal must be a finite, non-zero vector");
    std::array<double, 3> n{p_normal[0] / scale, p_normal[1] / scale, p_normal[2] / scale};
    double const length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    for (double& c : n)
        c /= length;
    double const d = n[0] * p_origin[0] + n[1] * p_origin[1] + n[2] * p_origin[2];
    return {toTriplet(n), static_cast<float>(d)};
}

} // namespace

std::shared_ptr<Mesh> Mesh::derived(std::string const& p_kind, std::string const& p_name)
{
    std::shared_ptr<Mesh> out(new Mesh());
    out->m_loaded.geometry = newGeometry(p_name);
    out->m_loaded.source = p_kind + " of " + source();
    out->m_loaded.variablesFiled = true;
    out->m_kind = p_kind;
    out->m_parent = shared_from_this();
    return out;
}

std::shared_ptr<Mesh> Mesh::boundary()
{
    Lock const lock(libraryMutex());
    zev::Geometry const& g = geo();
    std::shared_ptr<Mesh> out = derived("boundary", "boundary");
    zev::Geometry& surface = out->geo();
    surface.getVertices() = std::as_const(g).getVertices();
    out->m_sharesParentVertices = true;
    if (g.getNumElements() == 0) {
        // A surface mesh is its own boundary.
        for (std::string const& name : g.getFaceSetNames())
            surface.insertFaceSet(name, g.getFaceSet(name)->clone());
    } else {
        // The faces are built on a scratch copy of the element sets, so the mesh itself gains no sets.
        GeometryPtr scratch = newGeometry("");
        scratch->getVertices() = std::as_const(g).getVertices();
        for (std::string const& name : g.getElementSetNames())
            scratch->insertElementSet(name, g.getElementSet(name)->clone());
        for (std::string const& name : zev::analysis::buildBoundary(*scratch))
            surface.insertFaceSet(name, scratch->getFaceSet(name)->clone());
    }
    // The boundary numbers its vertices as the mesh does: its vertex data comes along unchanged.
    for (auto const& entry : m_variables)
        if (entry.second == zev::eVertex)
            out->carry(entry.first);
    return out;
}

std::shared_ptr<Mesh> Mesh::slice(std::array<double, 3> const& p_origin,
                                  std::array<double, 3> const& p_normal, Progress const& p_progress)
{
    Lock const lock(libraryMutex());
    auto const [normal, d] = plane(p_origin, p_normal);
    std::shared_ptr<Mesh> out = derived("slice", "slice");
    {
        zev::analysis::OperationProgress watch("slice", p_progress);
        out->m_loaded.geometry = zev::analysis::slicePlane(geo(), m_domain, {normal, d});
        watch.done();
    }
    out->m_hasPlane = true;
    out->m_planeNormal = normal;
    return out;
}

zev::Variable const* Mesh::vertexScalar(std::string const& p_name)
{
    zev::VarLocation location = zev::eVertex;
    zev::Variable const* variable = resolve(p_name, location);
    if (location != zev::eVertex || variable->isVector())
        throw RequestError("'" + p_name + "' must be a scalar at the vertices");
    return variable;
}

std::shared_ptr<Mesh> Mesh::iso(std::string const& p_field, double p_value, Progress const& p_progress)
{
    Lock const lock(libraryMutex());
    zev::Variable const* field = vertexScalar(p_field);
    std::shared_ptr<Mesh> out = derived("isosurface", "iso");
    {
        zev::analysis::OperationProgress watch("isosurface", p_progress);
        out->m_loaded.geometry =
            zev::analysis::isoSurface(geo(), m_domain, static_cast<zev::ScalarVariable const&>(*field),
                                      field->getGlobalType(), static_cast<float>(p_value));
        watch.done();
    }
    out->m_isoField = field->getName();
    return out;
}

std::shared_ptr<Mesh> Mesh::selectRange(std::string const& p_field, std::string const& p_range,
                                        double p_first, double p_second, bool p_inclusive)
{
    Lock const lock(libraryMutex());
    if (numElements() == 0)
        throw RequestError(source() + " has no volume cells to select");
    zev::Variable const* field = vertexScalar(p_field);
    std::shared_ptr<Mesh> out = derived("selection", "selection");
    out->geo().getVertices() = std::as_const(geo()).getVertices();
    out->m_sharesParentVertices = true;
    out->geo().calcIsovolume(m_domain, &geo(), p_range, p_inclusive, field, field->getGlobalType(),
                             static_cast<float>(p_first), static_cast<float>(p_second), {});
    out->addSharedVertices();
    return out;
}

std::shared_ptr<Mesh> Mesh::selectPlane(std::array<double, 3> const& p_origin,
                                        std::array<double, 3> const& p_normal, std::string const& p_side,
                                        bool p_inclusive)
{
    Lock const lock(libraryMutex());
    if (numElements() == 0)
        throw RequestError(source() + " has no volume cells to select");
    auto const [normal, d] = plane(p_origin, p_normal);
    std::shared_ptr<Mesh> out = derived("selection", "selection");
    out->geo().getVertices() = std::as_const(geo()).getVertices();
    out->m_sharesParentVertices = true;
    out->geo().calcVolume(m_domain, &geo(), "", p_side, p_inclusive, d, normal, {});
    out->addSharedVertices();
    return out;
}

void Mesh::carry(std::string const& p_name)
{
    Lock const lock(libraryMutex());
    if (!m_parent)
        throw RequestError(source() + " has no parent to carry '" + p_name + "' from");
    zev::Geometry& parent = m_parent->geo();
    zev::Variable* source = nullptr;
    zev::VarLocation location = zev::eVertex;
    for (auto const& entry : m_parent->m_variables) {
        if (entry.first == p_name) {
            location = entry.second;
            source = parent.findVariable(p_name, location);
            break;
        }
    }
    if (source == nullptr)
        throw UnknownName("no variable '" + p_name + "' in " + m_parent->source() + m_parent->knownNames());

    if (m_sharesParentVertices && location == zev::eVertex) {
        file(source->clone(p_name), p_name, zev::eVertex);
        return;
    }
    // A cut carries vertex data through its edge records and element data onto its faces; a selection
    // carries element data element to element.
    if (location == zev::eFace || (m_kind == "boundary" && location != zev::eVertex))
        throw RequestError("'" + p_name + "' lives on " + zev::analysis::locationName(location) + "s; a " +
                           m_kind + " carries vertex" + (m_kind == "boundary" ? "" : " and element") +
                           " data only");
    std::unique_ptr<zev::Variable> carried = zev::analysis::carryVariable(geo(), *source, location, p_name);
    if (!carried)
        throw RequestError("'" + p_name + "' cannot be carried: the " + m_kind + " keeps no " +
                           zev::analysis::locationName(location) + " interpolant");
    zev::VarLocation const destination = location == zev::eVertex ? zev::eVertex : carried->getLocation();
    file(carried.release(), p_name, destination);
}

void Mesh::addSharedVertices()
{
    // Every vertex is the parent's vertex of the same number: vertex requests reach the parent too.
    auto vertices = std::make_unique<zev::VertexInterpolant>(m_parent->m_domain);
    std::size_t const count = numVertices();
    vertices->reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        vertices->pushVertex(static_cast<int>(i));
    geo().addInterpolant(vertices.release());
}

IntegralResult Mesh::integrate(std::string const& p_expression, std::string const& p_over)
{
    Lock const lock(libraryMutex());
    if (p_over == "boundary" && numElements() > 0) {
        for (auto const& entry : m_variables)
            if (entry.first == p_expression && entry.second != zev::eVertex)
                throw RequestError("'" + p_expression + "' lives on " +
                                   zev::analysis::locationName(entry.second) +
                                   "s; integrate it over the volume");
        return boundary()->integrate(p_expression, "");
    }
    geo().clearDataStores();
    std::unique_ptr<zev::analysis::ParentVariables> const parents = parentVariables();
    zev::analysis::Integral r;
    if (p_over.empty() || p_over == "volume" || p_over == "boundary") {
        zev::analysis::Domain const domain =
            numElements() > 0 ? zev::analysis::Domain::Volume : zev::analysis::Domain::Boundary;
        r = zev::analysis::integrate(m_loaded, p_expression, true, domain);
    } else {
        r = zev::analysis::integrateOver(m_loaded, p_expression, true, p_over);
    }
    return {r.integral, r.measure, r.average, r.valid};
}

double Mesh::flux(std::string const& p_vector, std::string const& p_over)
{
    Lock const lock(libraryMutex());
    geo().clearDataStores();
    double const none = std::numeric_limits<double>::quiet_NaN();
    if (numElements() > 0) {
        zev::analysis::Flux const f =
            zev::analysis::meshFlux(m_loaded, p_vector, p_over.empty() ? "boundary" : p_over);
        return f.valid ? f.flux : none;
    }
    zev::Geometry& g = geo();
    std::vector<std::string> sets = g.getFaceSetNames();
    if (!p_over.empty() && p_over != "boundary") {
        zev::analysis::NamedSets const named = zev::analysis::namedSets(g, p_over);
        if (!named.faces)
            throw RequestError("'" + p_over + "' names element sets; the flux goes through faces");
        sets = named.names;
    }
    auto held = [&]() -> std::pair<zev::Variable const*, zev::VarLocation> {
        for (zev::VarLocation location : {zev::eVertex, zev::eFace})
            if (zev::Variable const* v = g.findVariable(p_vector, location))
                return {v, location};
        return {nullptr, zev::eVertex};
    };
    auto found = held();
    if (found.first == nullptr && m_parent) {
        carry(p_vector);
        found = held();
    }
    if (found.first == nullptr)
        throw UnknownName("no variable '" + p_vector + "' in " + source() + knownNames());
    if (!found.first->isVector())
        throw RequestError("'" + p_vector + "' is not a vector; the flux is of a vector variable");
    zev::analysis::FaceOrientation orientation;
    if (m_hasPlane) {
        orientation = zev::analysis::along(m_planeNormal);
    } else if (!m_isoField.empty() && m_parent) {
        zev::Variable const* field = m_parent->geo().findVariable(m_isoField, zev::eVertex);
        if (field == nullptr)
            throw RequestError("the parent no longer holds the isosurface's field '" + m_isoField + "'");
        orientation = zev::analysis::towardsIncreasing(g, m_parent->geo(), *field);
    } else if (m_kind == "boundary" && m_parent && m_parent->numElements() > 0) {
        orientation = zev::analysis::outwardOf(m_parent->geo());
    }
    zev::analysis::Flux const f =
        zev::analysis::fluxThrough(g, *found.first, found.second, sets, orientation);
    return f.valid ? f.flux : none;
}

std::vector<float> Mesh::probe(double const* p_points, std::size_t p_count, std::string const& p_name,
                               int& p_components)
{
    Lock const lock(libraryMutex());
    Values const v = values(p_name);
    if (v.location != zev::eVertex)
        throw RequestError("probe interpolates vertex data; '" + p_name + "' lives on " +
                           zev::analysis::locationName(v.location) + "s");
    p_components = v.components;
    float const* data = v.view != nullptr ? v.view : v.copy.data();
    // The tool's probe and this one interpolate alike.
    return zev::analysis::probeVertexValues(geo(), p_points, p_count, data, v.count, v.components);
}

std::vector<float> Mesh::sample(std::string const& p_method, int p_count, int p_seed)
{
    zev::analysis::SampleOptions options;
    options.methodName = p_method;
    options.method = zev::analysis::sampleMethod(p_method);
    if (options.method == zev::SamplePointsGeometry::InvalidMethod)
        throw RequestError("method is random, grid, vertices, face-centres, free-edges, equal-area or "
                           "equal-area-random, not '" +
                           p_method + "'");
    if (p_count < 0)
        throw RequestError("count must not be negative");
    options.count = p_count;
    options.seed = p_seed;
    Lock const lock(libraryMutex());
    zev::analysis::SampleResult const result = zev::analysis::sample(m_loaded, options);
    zev::TripletZEVVector const& points = std::as_const(*result.points).getVertices();
    std::vector<float> out;
    out.reserve(3 * result.count);
    for (std::size_t i = 0; i < result.count; ++i)
        for (int k = 0; k < 3; ++k)
            out.push_back(points[i][k]);
    return out;
}

} // namespace zevpy
