// The tool's questions, answered by the library: element and face measures (the geometry's cached
// measures and the shapes' own), the boundary (calculateFaces), expressions (a variable request that
// the library evaluates) and integrals (the area and volume visitors).
#include "zev/analysis/Measures.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/ExpressionEvaluator.h"
#include "zev/contracts/TripletZEVVector.h"
#include "zev/contracts/Undefined.h"
#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/geometry/GeometryAutoPtr.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/variables/Variable.h"
#include "zev/visitors/AreaVisitor.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <ostream>
#include <sstream>
#include <utility>

namespace zev::analysis {

namespace {

bool isDefined(float p_value)
{
    return p_value != zev::ZEV_UNDEF && std::isfinite(p_value);
}

char const* locationName(zev::VarLocation p_location)
{
    return p_location == zev::eVertex ? "vertex" : p_location == zev::eElement ? "element" : "face";
}

// Files a copy of every variable read with the mesh in its geometry, once.
void fileVariables(LoadedMesh& p_mesh)
{
    if (p_mesh.variablesFiled)
        return;
    zev::Geometry& g = p_mesh.geo();
    for (MeshVariable const& mv : p_mesh.variables) {
        if (!mv.variable || g.hasVariable(mv.name, mv.location))
            continue;
        zev::Variable* copy = mv.variable->clone(mv.name);
        copy->setLocation(mv.location);
        try {
            g.addVariable(copy, mv.location);
        } catch (zev::Error const&) {
            delete copy;
            throw;
        }
    }
    p_mesh.variablesFiled = true;
}

// Evaluates an expression where its inputs live: at the vertices, else at the elements, else at the
// faces. The result is filed in the geometry under the expression's text.
// An expression as it may be quoted in a message: printable, and not echoed whole when long.
std::string quoted(std::string const& p_expression)
{
    constexpr std::size_t maxLength = 40;
    std::string out;
    for (std::size_t i = 0; i < p_expression.size() && i < maxLength; ++i) {
        unsigned char const c = static_cast<unsigned char>(p_expression[i]);
        out += (c >= 0x20 && c < 0x7f) ? static_cast<char>(c) : '?';
    }
    return "'" + out + (p_expression.size() > maxLength ? "...'" : "'");
}

// Refuses what the expression language would take but the tool cannot integrate (an assignment, a list
// of several results) and reports the parser's own diagnosis, position and token, of a malformed one.
void checkSyntax(std::string const& p_expression)
{
    int depth = 0;
    bool braced = false;
    for (std::size_t i = 0; i < p_expression.size(); ++i) {
        char const c = p_expression[i];
        if (braced) {
            braced = c != '}';
            continue;
        }
        char const before = i > 0 ? p_expression[i - 1] : ' ';
        char const after = i + 1 < p_expression.size() ? p_expression[i + 1] : ' ';
        if (c == '{') {
            braced = true;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')') {
            --depth;
        } else if (c == ',' && depth == 0) {
            throw UsageError("cannot evaluate " + quoted(p_expression) + " at position " +
                             std::to_string(i + 1) +
                             ": a list of expressions gives several results; integrate one");
        } else if (c == '=' && after != '=' && before != '=' && before != '<' && before != '>' &&
                   before != '!') {
            throw UsageError("cannot evaluate " + quoted(p_expression) + " at position " +
                             std::to_string(i + 1) + ": '=' assigns; compare with '=='");
        }
    }
    zev::ExpressionEvaluator evaluator;
    float value = 0;
    std::string needed;
    try {
        evaluator.evaluateVariable(p_expression, &value, 1, needed, "Vertex");
    } catch (zev::Error const& e) {
        // The evaluator names the whole expression; keep its place and diagnosis only.
        std::string what = e.what();
        std::string const prefix = "Error in expression '" + p_expression + "'";
        what = what.compare(0, prefix.size(), prefix) == 0 ? what.substr(prefix.size()) : ": " + what;
        throw UsageError("cannot evaluate " + quoted(p_expression) + what);
    }
}

zev::VarLocation evaluateExpression(LoadedMesh& p_mesh, std::string const& p_expression)
{
    checkSyntax(p_expression);
    zev::Geometry& g = p_mesh.geo();
    for (zev::VarLocation location : {zev::eVertex, zev::eElement, zev::eFace}) {
        if (location != zev::eVertex && g.getSize(location) == 0)
            continue;
        if (g.getVariable(p_expression, false, location) != nullptr)
            return location;
    }
    throw UsageError("cannot evaluate " + quoted(p_expression) +
                     ": it must combine numbers, x, y, z and variables of one location");
}

Integral fromVisitor(zev::IntegrationVisitor const& p_visitor, Integral p_out)
{
    p_out.valid = p_visitor.isValid();
    p_out.integral = p_out.valid ? p_visitor.getNumerator() : 0.0;
    p_out.measure = p_visitor.getDenominator();
    p_out.average = p_visitor.getAverage();
    return p_out;
}

} // namespace

CellVolumes cellVolumes(zev::Geometry const& p_geometry)
{
    CellVolumes out;
    zev::TripletZEVVector const& vertices = p_geometry.getVertices();
    out.vertices.assign(vertices.size(), 0.0);
    out.elements.reserve(static_cast<std::size_t>(p_geometry.getNumElements()));
    zev::FloatZEVVectorConcrete regions;
    for (std::string const& name : p_geometry.getElementSetNames()) {
        zev::ShapeSet const* set = p_geometry.getElementSet(name);
        for (std::size_t e = 0; set != nullptr && e < set->size(); ++e) {
            zev::Shape const& cell = (*set)[e];
            double const volume = cell.getVolume(vertices, regions);
            out.elements.push_back(volume);
            for (int k = 0; k < cell.getNumVertices() && std::size_t(k) < regions.size(); ++k) {
                std::size_t const id = static_cast<std::size_t>(cell[k]);
                if (id < out.vertices.size())
                    out.vertices[id] += regions[std::size_t(k)];
            }
        }
    }
    return out;
}

void warnFarCoordinates(zev::Geometry const& p_geometry, std::ostream& p_err)
{
    zev::TripletZEVVector const& vertices = p_geometry.getVertices();
    float reach = 0;
    double lo[3], hi[3];
    for (int c = 0; c < 3; ++c) {
        lo[c] = std::numeric_limits<double>::infinity();
        hi[c] = -lo[c];
    }
    for (std::size_t i = 0; i < vertices.size(); ++i) {
        for (int c = 0; c < 3; ++c) {
            float const v = vertices[i][c];
            if (v == zev::ZEV_UNDEF || !std::isfinite(v))
                continue;
            reach = std::max(reach, std::fabs(v));
            lo[c] = std::min(lo[c], double(v));
            hi[c] = std::max(hi[c], double(v));
        }
    }
    double const extent = std::max({hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]});
    double const step = double(std::nextafter(reach, std::numeric_limits<float>::infinity())) - reach;
    // A mesh whose points all round to one is the far case too.
    if (!(reach > 0) || !std::isfinite(extent) || !(step > 1e-5 * extent))
        return;
    std::ostringstream text; // six significant digits, as the reports print
    text << "zevgeom: warning: coordinates reach " << double(reach) << ", where single precision steps by "
         << step << " against a mesh " << extent
         << " across; its figures may be off (move the mesh nearer the origin)\n";
    p_err << text.str();
}

Integral volumeIntegral(zev::Geometry& p_geometry, std::string const& p_quantity, Integral p_out)
{
    zev::VarLocation const location = p_geometry.getLocationForExpression(p_quantity);
    zev::Variable const* variable = p_geometry.getVariable(p_quantity, false, location);
    if (variable == nullptr || (location != zev::eVertex && location != zev::eElement))
        throw UsageError("no vertex or element values of '" + p_quantity + "'");
    zev::FloatZEVVector const& values =
        variable->getFloatValues(zev::Variable::Description(zev::eUnknown, location, "All"));
    CellVolumes const volumes = cellVolumes(p_geometry);
    std::vector<double> const& weights = location == zev::eVertex ? volumes.vertices : volumes.elements;
    p_out.valid = false;
    p_out.integral = p_out.measure = 0;
    for (std::size_t i = 0; i < weights.size() && i < values.size(); ++i) {
        float const v = values[i];
        if (v == zev::ZEV_UNDEF)
            continue;
        p_out.integral += double(v) * weights[i];
        p_out.measure += weights[i];
        p_out.valid = true;
    }
    p_out.average = !p_out.valid          ? double(zev::ZEV_UNDEF)
                    : p_out.integral == 0 ? 0.0
                    : p_out.measure == 0  ? double(zev::ZEV_UNDEF)
                                          : p_out.integral / p_out.measure;
    if (!p_out.valid)
        p_out.integral = 0;
    return p_out;
}

VolumeMeasures volumeMeasures(zev::Geometry const& p_geometry)
{
    VolumeMeasures out;
    CellVolumes volumes = cellVolumes(p_geometry);
    out.elementVolumes = std::move(volumes.elements);
    out.vertexVolumes = std::move(volumes.vertices);
    out.total = std::accumulate(out.elementVolumes.begin(), out.elementVolumes.end(), 0.0);
    out.inverted = static_cast<std::size_t>(
        std::count_if(out.elementVolumes.begin(), out.elementVolumes.end(), [](double v) { return v < 0; }));
    // The element volumes run over the sets in name order, as the names come.
    std::size_t at = 0;
    for (std::string const& name : p_geometry.getElementSetNames()) {
        zev::ShapeSet const* set = p_geometry.getElementSet(name);
        std::size_t const n = set != nullptr ? set->size() : 0;
        if (n == 0 || at + n > out.elementVolumes.size()) {
            at += n;
            continue;
        }
        auto const first = out.elementVolumes.begin() + static_cast<std::ptrdiff_t>(at);
        if (std::all_of(first, first + static_cast<std::ptrdiff_t>(n), [](double v) { return v < 0; })) {
            std::string const& label = set->getLabel();
            out.invertedSets.emplace_back(label.empty() ? name : name + " (" + label + ")", n);
        }
        at += n;
    }
    return out;
}

AreaMeasures areaMeasures(zev::Geometry const& p_geometry, std::vector<std::string> const& p_faceSets)
{
    AreaMeasures out;
    zev::TripletZEVVector const& vertices = p_geometry.getVertices();
    zev::TripletZEVVector vertexAreaVectors(vertices.size());
    zev::FloatZEVVectorConcrete vertexAreas(vertices.size(), 0.0f);
    for (std::string const& name : p_faceSets) {
        zev::ShapeSet const* set = p_geometry.getFaceSet(name);
        if (set == nullptr)
            continue;
        double const factor = set->getCorrectionFactor();
        for (std::size_t i = 0; i < set->size(); ++i) {
            zev::Triplet areaVector;
            out.faceAreas.push_back((*set)[i].getArea(vertices, areaVector) * factor);
        }
        set->calcVertexAreas(vertices, vertexAreaVectors, vertexAreas);
    }
    out.vertexAreas.assign(vertexAreas.data(), vertexAreas.data() + vertexAreas.size());
    out.total = std::accumulate(out.faceAreas.begin(), out.faceAreas.end(), 0.0);
    return out;
}

std::vector<std::string> buildBoundary(zev::Geometry& p_geometry)
{
    if (p_geometry.getNumElements() == 0)
        return p_geometry.getFaceSetNames();
    p_geometry.calculateFaces();
    std::vector<std::string> made;
    for (char const* name : {"ELEMTRIS", "ELEMQUADS", "ELEMPOLYGONS"})
        if (zev::ShapeSet const* set = p_geometry.getFaceSet(name); set && set->size() > 0)
            made.push_back(name);
    return made;
}

Integral integrate(LoadedMesh& p_mesh, std::string const& p_quantity, bool p_isExpression, Domain p_domain)
{
    Integral out;
    out.quantity = p_quantity;
    out.domain = p_domain;
    zev::Geometry& g = p_mesh.geo();
    fileVariables(p_mesh);

    zev::VarLocation location = zev::eVertex;
    if (p_isExpression) {
        location = evaluateExpression(p_mesh, p_quantity);
    } else {
        MeshVariable const* variable = p_mesh.findVariable(p_quantity);
        if (variable == nullptr)
            throw UsageError("no variable '" + p_quantity + "' in " + p_mesh.source);
        location = variable->location;
    }
    out.location = locationName(location);

    if (p_domain == Domain::Volume) {
        if (g.getNumElements() == 0)
            throw UsageError(p_mesh.source + " has no volume cells; integrate with --over boundary");
        if (location == zev::eFace)
            throw UsageError("'" + p_quantity + "' lives on faces; integrate it with --over boundary");
        return volumeIntegral(g, p_quantity, out);
    }

    if (location == zev::eElement)
        throw UsageError("'" + p_quantity + "' lives on elements; integrate it with --over volume");
    if (location == zev::eFace || g.getNumElements() == 0) {
        // A surface mesh is its own boundary.
        zev::AreaVisitor visitor(p_quantity);
        g.acceptVisitor(visitor);
        return fromVisitor(visitor, out);
    }
    // Vertex data over the boundary: a surface made of the boundary faces over the same vertices,
    // carrying a copy of the values.
    std::vector<std::string> const sets = buildBoundary(g);
    installLocationProvider();
    zev::GeometryAutoPtr surface(zev::GeometryAPI::instance()->newGeometry("", nullptr));
    surface->getVertices() = std::as_const(g).getVertices();
    for (std::string const& name : sets)
        surface->insertFaceSet(name, g.getFaceSet(name)->clone());
    zev::Variable const* values = g.findVariable(p_quantity, zev::eVertex);
    if (values == nullptr)
        throw UsageError("no vertex values of '" + p_quantity + "'");
    zev::Variable* copy = values->clone(p_quantity);
    try {
        surface->addVariable(copy, zev::eVertex);
    } catch (zev::Error const&) {
        delete copy;
        throw;
    }
    zev::AreaVisitor visitor(p_quantity);
    surface->acceptVisitor(visitor);
    return fromVisitor(visitor, out);
}

zev::VarLocation fileQuantity(LoadedMesh& p_mesh, std::string const& p_quantity, bool p_isExpression)
{
    fileVariables(p_mesh);
    if (p_isExpression)
        return evaluateExpression(p_mesh, p_quantity);
    MeshVariable const* variable = p_mesh.findVariable(p_quantity);
    if (variable == nullptr)
        throw UsageError("no variable '" + p_quantity + "' in " + p_mesh.source);
    return variable->location;
}

ValueRange valueRange(MeshVariable const& p_variable)
{
    ValueRange out;
    zev::Variable const& variable = *p_variable.variable;
    auto const& data = variable.getFloatValues(
        zev::Variable::Description(zev::eUnknown, p_variable.location, zev::Variable::s_allSetName));
    out.size = data.size();
    for (std::size_t i = 0; i < data.size(); ++i) {
        float const v = data[i];
        if (!isDefined(v))
            continue;
        if (out.count == 0 || v < out.min)
            out.min = v;
        if (out.count == 0 || v > out.max)
            out.max = v;
        ++out.count;
    }
    return out;
}

std::vector<float> vertexValues(LoadedMesh& p_mesh, std::string const& p_quantity, bool p_isExpression)
{
    zev::Geometry& g = p_mesh.geo();
    fileVariables(p_mesh);
    zev::Variable const* variable = nullptr;
    if (p_isExpression) {
        if (evaluateExpression(p_mesh, p_quantity) != zev::eVertex)
            throw UsageError("cannot evaluate " + quoted(p_quantity) + " at the vertices");
        variable = g.findVariable(p_quantity, zev::eVertex);
    } else {
        MeshVariable const* found = p_mesh.findVariable(p_quantity);
        if (found == nullptr)
            throw UsageError("no variable '" + p_quantity + "' in " + p_mesh.source);
        if (found->location != zev::eVertex)
            throw UsageError("'" + p_quantity + "' lives on " + locationName(found->location) +
                             "s; only vertex variables have values at points");
        variable = g.findVariable(p_quantity, zev::eVertex);
    }
    if (variable == nullptr)
        throw UsageError("no vertex values of '" + p_quantity + "'");
    auto const& data = variable->getFloatValues(
        zev::Variable::Description(zev::eUnknown, zev::eVertex, zev::Variable::s_allSetName));
    std::vector<float> out(std::as_const(g).getVertices().size(), zev::ZEV_UNDEF);
    for (std::size_t i = 0; i < out.size() && i < data.size(); ++i)
        out[i] = isDefined(data[i]) ? data[i] : zev::ZEV_UNDEF;
    return out;
}

std::string coordinateFreeName(std::string const& p_name,
                               std::function<bool(std::string const&)> const& p_taken)
{
    if (p_name != "x" && p_name != "y" && p_name != "z") {
        return p_name;
    }
    std::string filed = p_name + "_array";
    for (int k = 2; p_taken(filed); ++k) {
        filed = p_name + "_array" + std::to_string(k);
    }
    return filed;
}

std::string coordinateNote(std::string const& p_name, std::string const& p_filed)
{
    return "the array '" + p_name + "' is filed as '" + p_filed + "'; x, y and z name the coordinates";
}

} // namespace zev::analysis
