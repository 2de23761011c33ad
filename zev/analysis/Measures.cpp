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
#include "zev/variables/ScalarVariable.h"
#include "zev/variables/Variable.h"
#include "zev/variables/VectorVariable.h"
#include "zev/visitors/AreaVisitor.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <memory>
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

bool isCoordinate(std::string const& p_name)
{
    for (char const* name : {"x", "y", "z", "X", "Y", "Z", "X Coordinate", "Y Coordinate", "Z Coordinate"})
        if (p_name == name)
            return true;
    return false;
}

// A component name: NAME_x, NAME_y, NAME_z or "NAME X", "NAME Y", "NAME Z". Sets the vector's name and
// the component's index.
bool componentName(std::string const& p_name, std::string& p_vector, int& p_component)
{
    if (p_name.size() < 3)
        return false;
    char const separator = p_name[p_name.size() - 2];
    char const letter = p_name.back();
    char const first = separator == '_' ? 'x' : separator == ' ' ? 'X' : '\0';
    if (first == '\0' || letter < first || letter > first + 2)
        return false;
    p_vector = p_name.substr(0, p_name.size() - 2);
    p_component = letter - first;
    return true;
}

// The names a message offers when a name is unknown: the mesh's variables in the order they came, at
// most ten.
std::string knownNames(LoadedMesh const& p_mesh)
{
    std::vector<std::string> names;
    for (MeshVariable const& mv : p_mesh.variables)
        if (std::find(names.begin(), names.end(), mv.name) == names.end())
            names.push_back(mv.name);
    // A mesh whose variables were handed over to its geometry: the geometry's, in name order, without the
    // expressions and components it evaluated along the way.
    if (p_mesh.variables.empty()) {
        zev::Geometry const& g = p_mesh.geo();
        for (std::string const& name : g.getVariableNames()) {
            std::string vector;
            int component = 0;
            bool const made = name.find_first_of("+-*/^()<>=!?:,{}") != std::string::npos ||
                              (componentName(name, vector, component) &&
                               (vector == "Normal" || g.hasVariable(vector, zev::eVertex) ||
                                g.hasVariable(vector, zev::eElement) || g.hasVariable(vector, zev::eFace)));
            if (!made && name != "Normal" && std::find(names.begin(), names.end(), name) == names.end())
                names.push_back(name);
        }
    }
    return offeredNames(names, "variables");
}

// Files component p_component of the vector p_vector at p_location as the scalar p_name (a copy of the
// values: element and face data of a vector are kept per set, the component as one array over them all).
void fileComponent(zev::Geometry& p_geometry, zev::Variable const& p_vector, std::string const& p_name,
                   int p_component, zev::VarLocation p_location)
{
    auto const& triplets = static_cast<zev::VectorVariable const&>(p_vector).getTripletValues(
        zev::Variable::Description(zev::eUnknown, p_location, zev::Variable::s_allSetName));
    std::vector<float> values(triplets.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = triplets[i][p_component];
    auto component = std::make_unique<zev::ScalarVariable>(values.data(), static_cast<int>(values.size()),
                                                           p_vector.getGlobalType(), p_location);
    component->setName(p_name);
    p_geometry.addVariable(component.get(), p_location);
    component.release();
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

// The locations a quantity is looked for at, in turn: on a surface the faces come before the elements (a
// cell array of a file with volume and surface cells lives at both).
std::vector<zev::VarLocation> searchOrder(bool p_surface)
{
    return p_surface ? std::vector<zev::VarLocation>{zev::eVertex, zev::eFace, zev::eElement}
                     : std::vector<zev::VarLocation>{zev::eVertex, zev::eElement, zev::eFace};
}

zev::VarLocation evaluateExpression(LoadedMesh& p_mesh, std::string const& p_expression,
                                    bool p_surface = false)
{
    checkSyntax(p_expression);
    zev::Geometry& g = p_mesh.geo();
    std::vector<std::string> const names = expressionNames(p_expression);
    for (zev::VarLocation location : searchOrder(p_surface)) {
        if (location != zev::eVertex && g.getSize(location) == 0)
            continue;
        fileNamedParts(g, names, location);
        if (g.getVariable(p_expression, false, location) != nullptr)
            return location;
    }
    std::string unknown;
    for (std::string const& name : names) {
        bool const held = isCoordinate(name) || g.hasVariable(name, zev::eVertex) ||
                          g.hasVariable(name, zev::eElement) || g.hasVariable(name, zev::eFace);
        if (!held)
            unknown += (unknown.empty() ? "'" : "', '") + name;
    }
    bool const several = unknown.find("', '") != std::string::npos;
    throw UsageError("cannot evaluate " + quoted(p_expression) +
                     ": it must combine numbers, x, y, z and variables of one location" +
                     (unknown.empty() ? ""
                                      : (several ? "; no variables " : "; no variable ") + unknown + "' in " +
                                            p_mesh.source + knownNames(p_mesh)));
}

// Where the variable p_name of a loaded mesh lives: one read with the mesh, or a part of one (a component,
// a normal) filed in its geometry. Unknown is a UsageError naming the variables there are.
zev::VarLocation variableLocation(LoadedMesh& p_mesh, std::string const& p_name, bool p_surface = false)
{
    for (zev::VarLocation location : searchOrder(p_surface))
        if (p_mesh.findVariable(p_name, location) != nullptr)
            return location;
    zev::Geometry& g = p_mesh.geo();
    for (zev::VarLocation location : searchOrder(p_surface)) {
        if (location != zev::eVertex && g.getSize(location) == 0)
            continue;
        fileNamedParts(g, {p_name}, location);
        if (g.hasVariable(p_name, location))
            return location;
    }
    throw UsageError("no variable '" + p_name + "' in " + p_mesh.source + knownNames(p_mesh));
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

CellVolumes cellVolumes(zev::Geometry const& p_geometry, std::vector<std::string> const* p_sets)
{
    CellVolumes out;
    zev::TripletZEVVector const& vertices = p_geometry.getVertices();
    out.vertices.assign(vertices.size(), 0.0);
    out.elements.reserve(static_cast<std::size_t>(p_geometry.getNumElements()));
    zev::FloatZEVVectorConcrete regions;
    for (std::string const& name : p_geometry.getElementSetNames()) {
        zev::ShapeSet const* set = p_geometry.getElementSet(name);
        if (p_sets != nullptr && std::find(p_sets->begin(), p_sets->end(), name) == p_sets->end()) {
            out.elements.resize(out.elements.size() + (set != nullptr ? set->size() : 0), 0.0);
            continue;
        }
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

Integral volumeIntegral(zev::Geometry& p_geometry, std::string const& p_quantity, Integral p_out,
                        std::vector<std::string> const* p_sets)
{
    zev::VarLocation const location = p_geometry.getLocationForExpression(p_quantity);
    zev::Variable const* variable = p_geometry.getVariable(p_quantity, false, location);
    if (variable == nullptr || (location != zev::eVertex && location != zev::eElement))
        throw UsageError("no vertex or element values of '" + p_quantity + "'");
    zev::FloatZEVVector const& values =
        variable->getFloatValues(zev::Variable::Description(zev::eUnknown, location, "All"));
    CellVolumes const volumes = cellVolumes(p_geometry, p_sets);
    std::vector<double> const& weights = location == zev::eVertex ? volumes.vertices : volumes.elements;
    p_out.valid = false;
    p_out.integral = p_out.measure = 0;
    for (std::size_t i = 0; i < weights.size() && i < values.size(); ++i) {
        float const v = values[i];
        // Outside the asked sets an item has no weight, and its value does not count as defined there.
        if (v == zev::ZEV_UNDEF || (p_sets != nullptr && weights[i] == 0))
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

namespace {

// The surface of the face sets p_sets of p_geometry over the same vertices.
zev::GeometryAutoPtr surfaceOf(zev::Geometry const& p_geometry, std::vector<std::string> const& p_sets)
{
    installLocationProvider();
    zev::GeometryAutoPtr surface(zev::GeometryAPI::instance()->newGeometry("", nullptr));
    surface->getVertices() = p_geometry.getVertices();
    for (std::string const& name : p_sets)
        surface->insertFaceSet(name, p_geometry.getFaceSet(name)->clone());
    return surface;
}

// Vertex data over the face sets p_sets: the quantity evaluated on a surface made of those faces over the
// same vertices, so that a normal it reads is that surface's.
Integral vertexSurfaceIntegral(LoadedMesh& p_mesh, std::string const& p_quantity, bool p_isExpression,
                               std::vector<std::string> const& p_sets, Integral p_out)
{
    zev::Geometry& g = p_mesh.geo();
    zev::GeometryAutoPtr surface = surfaceOf(g, p_sets);
    evaluateOnSurface(*surface.get(), p_quantity, p_isExpression,
                      [&g](std::string const& p_name) { return g.findVariable(p_name, zev::eVertex); });
    zev::AreaVisitor visitor(p_quantity);
    surface->acceptVisitor(visitor);
    return fromVisitor(visitor, p_out);
}

// Face data over the face sets p_sets of p_geometry: each face's value times its area (and its set's
// correction factor). Face data runs over all face sets in name order.
Integral faceSetIntegral(zev::Geometry& p_geometry, std::string const& p_quantity,
                         std::vector<std::string> const& p_sets, Integral p_out)
{
    zev::Variable const* variable = p_geometry.findVariable(p_quantity, zev::eFace);
    if (variable == nullptr)
        throw UsageError("no face values of '" + p_quantity + "'");
    zev::FloatZEVVector const& values = variable->getFloatValues(
        zev::Variable::Description(zev::eUnknown, zev::eFace, zev::Variable::s_allSetName));
    std::vector<std::string> const all = p_geometry.getFaceSetNames();
    AreaMeasures const areas = areaMeasures(p_geometry, all);
    std::size_t offset = 0;
    p_out.valid = false;
    p_out.integral = p_out.measure = 0;
    for (std::string const& name : all) {
        std::size_t const size = p_geometry.getFaceSet(name)->size();
        if (std::find(p_sets.begin(), p_sets.end(), name) != p_sets.end()) {
            for (std::size_t i = offset; i < offset + size && i < values.size(); ++i) {
                if (!isDefined(values[i]))
                    continue;
                p_out.integral += double(values[i]) * areas.faceAreas[i];
                p_out.measure += areas.faceAreas[i];
                p_out.valid = true;
            }
        }
        offset += size;
    }
    p_out.average = !p_out.valid          ? double(zev::ZEV_UNDEF)
                    : p_out.integral == 0 ? 0.0
                    : p_out.measure == 0  ? double(zev::ZEV_UNDEF)
                                          : p_out.integral / p_out.measure;
    return p_out;
}

zev::VarLocation quantityLocation(LoadedMesh& p_mesh, std::string const& p_quantity, bool p_isExpression,
                                  bool p_surface = false)
{
    fileVariables(p_mesh);
    return p_isExpression ? evaluateExpression(p_mesh, p_quantity, p_surface)
                          : variableLocation(p_mesh, p_quantity, p_surface);
}

} // namespace

Integral integrate(LoadedMesh& p_mesh, std::string const& p_quantity, bool p_isExpression, Domain p_domain)
{
    Integral out;
    out.quantity = p_quantity;
    out.domain = p_domain;
    out.over = p_domain == Domain::Volume ? "volume" : "boundary";
    zev::Geometry& g = p_mesh.geo();
    // A normal is of the boundary's faces: they must be there before the quantity is looked at.
    if (p_domain == Domain::Boundary && g.getNumElements() > 0 && readsNormal(p_quantity, p_isExpression))
        buildBoundary(g);
    zev::VarLocation const location = quantityLocation(p_mesh, p_quantity, p_isExpression);
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
    return vertexSurfaceIntegral(p_mesh, p_quantity, p_isExpression, buildBoundary(g), out);
}

Integral integrateOver(LoadedMesh& p_mesh, std::string const& p_quantity, bool p_isExpression,
                       std::string const& p_over)
{
    if (p_over == "volume" || p_over == "boundary")
        return integrate(p_mesh, p_quantity, p_isExpression,
                         p_over == "volume" ? Domain::Volume : Domain::Boundary);
    zev::Geometry& g = p_mesh.geo();
    NamedSets const sets = namedSets(g, p_over);
    Integral out;
    out.quantity = p_quantity;
    out.over = p_over;
    out.domain = sets.faces ? Domain::Boundary : Domain::Volume;
    zev::VarLocation const location = quantityLocation(p_mesh, p_quantity, p_isExpression, sets.faces);
    out.location = locationName(location);
    if (!sets.faces) {
        if (location == zev::eFace)
            throw UsageError("'" + p_quantity + "' lives on faces; integrate it over a face set");
        return volumeIntegral(g, p_quantity, out, &sets.names);
    }
    if (location == zev::eElement)
        throw UsageError("'" + p_quantity +
                         "' lives on elements; integrate it over the volume or an element set");
    if (location == zev::eFace)
        return faceSetIntegral(g, p_quantity, sets.names, out);
    return vertexSurfaceIntegral(p_mesh, p_quantity, p_isExpression, sets.names, out);
}

NamedSets namedSets(zev::Geometry const& p_geometry, std::string const& p_name)
{
    NamedSets elements, faces;
    faces.faces = true;
    for (bool byLabel : {false, true}) {
        for (NamedSets* sets : {&elements, &faces}) {
            std::vector<std::string> const names =
                sets->faces ? p_geometry.getFaceSetNames() : p_geometry.getElementSetNames();
            for (std::string const& name : names) {
                zev::ShapeSet const* set =
                    sets->faces ? p_geometry.getFaceSet(name) : p_geometry.getElementSet(name);
                if ((byLabel ? set->getLabel() : name) == p_name)
                    sets->names.push_back(name);
            }
        }
        if (!elements.names.empty() && !faces.names.empty())
            throw UsageError("'" + p_name + "' names both element sets and face sets");
        if (!elements.names.empty())
            return elements;
        if (!faces.names.empty())
            return faces;
    }
    std::vector<std::string> all = p_geometry.getElementSetNames();
    for (std::string const& name : p_geometry.getFaceSetNames())
        all.push_back(name);
    throw UsageError("no face or element set '" + p_name + "'" + offeredNames(all, "sets"));
}

std::string offeredNames(std::vector<std::string> const& p_names, std::string const& p_kind)
{
    constexpr std::size_t shown = 10;
    if (p_names.empty())
        return " (the mesh has no " + p_kind + ")";
    std::string out = " (" + p_kind + ": ";
    for (std::size_t i = 0; i < p_names.size() && i < shown; ++i)
        out += (i > 0 ? ", " : "") + p_names[i];
    return out + (p_names.size() > shown ? ", ...)" : ")");
}

std::vector<std::string> expressionNames(std::string const& p_expression)
{
    std::vector<std::string> names;
    auto add = [&names](std::string const& p_name) {
        if (!p_name.empty() && std::find(names.begin(), names.end(), p_name) == names.end())
            names.push_back(p_name);
    };
    std::string const& e = p_expression;
    auto letter = [](char p_c) { return std::isalpha(static_cast<unsigned char>(p_c)) || p_c == '_'; };
    auto word = [](char p_c) { return std::isalnum(static_cast<unsigned char>(p_c)) || p_c == '_'; };
    for (std::size_t i = 0; i < e.size();) {
        if (e[i] == '{') {
            std::size_t const close = e.find('}', i + 1);
            if (close == std::string::npos)
                break;
            add(e.substr(i + 1, close - i - 1));
            i = close + 1;
        } else if (letter(e[i]) && (i == 0 || !word(e[i - 1]))) {
            std::size_t j = i;
            while (j < e.size() && word(e[j]))
                ++j;
            std::size_t k = j;
            while (k < e.size() && e[k] == ' ')
                ++k;
            std::string const name = e.substr(i, j - i);
            // A function's name is followed by its arguments; _pi and _e are constants.
            if ((k == e.size() || e[k] != '(') && name != "_pi" && name != "_e")
                add(name);
            i = j;
        } else {
            ++i;
        }
    }
    return names;
}

bool readsNormal(std::string const& p_quantity, bool p_isExpression)
{
    std::vector<std::string> const names =
        p_isExpression ? expressionNames(p_quantity) : std::vector<std::string>{p_quantity};
    for (std::string const& name : names)
        if (name == "Normal" || name == "Normal X" || name == "Normal Y" || name == "Normal Z")
            return true;
    return false;
}

void fileNamedParts(zev::Geometry& p_geometry, std::vector<std::string> const& p_names,
                    zev::VarLocation p_location)
{
    for (std::string const& name : p_names) {
        if (p_geometry.hasVariable(name, p_location))
            continue;
        std::string vector;
        int component = 0;
        bool const isComponent = componentName(name, vector, component);
        if (name == "Normal" || (isComponent && vector == "Normal")) {
            // Normals are of faces; a geometry without any has none.
            if (p_geometry.getNumFaces() == 0 || (p_location != zev::eVertex && p_location != zev::eFace))
                continue;
            if (!p_geometry.hasVariable("Normal", p_location))
                p_geometry.makeSystemVariable("Normal",
                                              p_location == zev::eFace ? p_geometry.getFaceNormals()
                                                                       : p_geometry.getVertexNormals(),
                                              p_location);
        }
        if (!isComponent)
            continue;
        zev::Variable const* whole = p_geometry.findVariable(vector, p_location);
        if (whole != nullptr && whole->isVector())
            fileComponent(p_geometry, *whole, name, component, p_location);
    }
}

void evaluateOnSurface(zev::Geometry& p_surface, std::string const& p_quantity, bool p_isExpression,
                       std::function<zev::Variable const*(std::string const&)> const& p_source)
{
    std::vector<std::string> const names =
        p_isExpression ? expressionNames(p_quantity) : std::vector<std::string>{p_quantity};
    auto copy = [&](std::string const& p_name) {
        if (p_surface.hasVariable(p_name, zev::eVertex) || !p_source)
            return;
        zev::Variable const* source = p_source(p_name);
        if (source == nullptr)
            return;
        std::unique_ptr<zev::Variable> copied(source->clone(p_name));
        copied->setLocation(zev::eVertex);
        p_surface.addVariable(copied.get(), zev::eVertex);
        copied.release();
    };
    for (std::string const& name : names) {
        std::string vector;
        int component = 0;
        // The surface makes its own normals, and components from a copy of their vector.
        if (name == "Normal" || (componentName(name, vector, component) && vector == "Normal"))
            continue;
        if (p_source && p_source(name) == nullptr && componentName(name, vector, component))
            copy(vector);
        else
            copy(name);
    }
    fileNamedParts(p_surface, names, zev::eVertex);
    bool const found = p_isExpression ? p_surface.getVariable(p_quantity, false, zev::eVertex) != nullptr
                                      : p_surface.hasVariable(p_quantity, zev::eVertex);
    if (!found)
        throw UsageError("cannot evaluate " + quoted(p_quantity) + " at the vertices of the surface");
}

zev::VarLocation fileSurfaceQuantity(LoadedMesh& p_mesh, std::string const& p_quantity, bool p_isExpression)
{
    return quantityLocation(p_mesh, p_quantity, p_isExpression, true);
}

zev::VarLocation fileQuantity(LoadedMesh& p_mesh, std::string const& p_quantity, bool p_isExpression)
{
    fileVariables(p_mesh);
    if (p_isExpression)
        return evaluateExpression(p_mesh, p_quantity);
    return variableLocation(p_mesh, p_quantity);
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
        zev::VarLocation const found = variableLocation(p_mesh, p_quantity);
        if (found != zev::eVertex)
            throw UsageError(
                "'" + p_quantity + "' lives on " + locationName(found) +
                "s; only vertex variables have values at points (--point-data averages cell values to the "
                "vertices)");
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
