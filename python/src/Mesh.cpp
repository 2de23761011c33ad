// The module's mesh on top of the library: files read through ZEV::IO, measures and integrals through
// the tool's analysis (so that the module and the tool give the same figures), cuts and selections
// through the geometry's own operations, and carrying through the interpolants the cuts leave behind.
#include "python/src/Mesh.h"

#include "tools/zevgeom/Analysis.h"
#include "tools/zevgeom/Generator.h"
#include "tools/zevgeom/Report.h"
#include "zev/contracts/Error.h"
#include "zev/contracts/ExpressionEvaluator.h"
#include "zev/contracts/FloatZEVVectorConcrete.h"
#include "zev/contracts/ProgressTracker.h"
#include "zev/contracts/ReductionUtility.h"
#include "zev/contracts/Triplet.h"
#include "zev/contracts/TripletZEVVector.h"
#include "zev/contracts/Undefined.h"
#include "zev/cutting/GeometryIntersector.h"
#include "zev/derived/SamplePointsGeometry.h"
#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/interpolants/HybridInterpolantData.h"
#include "zev/interpolants/Interpolant.h"
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
#include <mutex>

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

zev::io::FileFormat parseFormat(std::string const& p_format)
{
    if (p_format.empty() || p_format == "auto")
        return zev::io::FileFormat::Auto;
    if (p_format == "legacy" || p_format == "vtk")
        return zev::io::FileFormat::Legacy;
    if (p_format == "vtu")
        return zev::io::FileFormat::XmlUnstructured;
    if (p_format == "vtp")
        return zev::io::FileFormat::XmlPolyData;
    throw RequestError("format is auto, vtk, vtu or vtp, not '" + p_format + "'");
}

// The sets at a location in name order with their sizes; element and face data are laid out this way.
std::vector<std::pair<std::string, std::size_t>> setsAt(zev::Geometry const& p_geometry,
                                                        zev::VarLocation p_location)
{
    std::vector<std::pair<std::string, std::size_t>> out;
    bool const elements = p_location == zev::eElement;
    for (std::string const& name :
         elements ? p_geometry.getElementSetNames() : p_geometry.getFaceSetNames()) {
        zev::ShapeSet const* set = elements ? p_geometry.getElementSet(name) : p_geometry.getFaceSet(name);
        out.emplace_back(name, set ? set->size() : 0);
    }
    return out;
}

bool isPlainName(std::string const& p_name)
{
    return !p_name.empty() && std::all_of(p_name.begin(), p_name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
    });
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
    double const length =
        std::sqrt(p_normal[0] * p_normal[0] + p_normal[1] * p_normal[1] + p_normal[2] * p_normal[2]);
    if (!(length > 0) || !std::isfinite(length))
        throw RequestError("the plane's normal must be a finite, non-zero vector");
    std::array<double, 3> const n{p_normal[0] / length, p_normal[1] / length, p_normal[2] / length};
    double const d = n[0] * p_origin[0] + n[1] * p_origin[1] + n[2] * p_origin[2];
    return {toTriplet(n), static_cast<float>(d)};
}

void report(Progress const& p_progress, std::string const& p_stage, double p_fraction)
{
    if (p_progress)
        p_progress(p_stage, p_fraction);
}

// Forwards the library's progress reports to a caller's callback for the length of one call. The
// library's listener is process-wide, so calls that want progress take turns. A failing callback does
// not unwind through the library's loops: its first failure is kept and rethrown once the call is done.
class ForwardedProgress : public zev::ProgressListener {
public:
    explicit ForwardedProgress(Progress const& p_progress) : m_progress(p_progress)
    {
        if (m_progress) {
            m_lock = std::unique_lock<std::mutex>(s_mutex);
            m_previous = zev::ProgressTracker::setListener(this);
        }
    }
    ~ForwardedProgress() override
    {
        if (m_progress)
            zev::ProgressTracker::setListener(m_previous);
    }
    ForwardedProgress(ForwardedProgress const&) = delete;
    ForwardedProgress& operator=(ForwardedProgress const&) = delete;

    void progress(std::string const& p_stage, double p_fraction) override
    {
        if (m_failure)
            return;
        try {
            m_progress(p_stage, p_fraction);
        } catch (...) {
            m_failure = std::current_exception();
        }
    }
    void rethrow()
    {
        if (m_failure)
            std::rethrow_exception(std::exchange(m_failure, nullptr));
    }

private:
    static std::mutex s_mutex;
    Progress const& m_progress;
    std::unique_lock<std::mutex> m_lock;
    zev::ProgressListener* m_previous = nullptr;
    std::exception_ptr m_failure;
};
std::mutex ForwardedProgress::s_mutex;

} // namespace

std::shared_ptr<Mesh> Mesh::fromLoaded(zev::io::LoadedMesh p_loaded, std::string p_kind)
{
    std::shared_ptr<Mesh> mesh(new Mesh());
    mesh->m_loaded = std::move(p_loaded);
    mesh->m_kind = std::move(p_kind);
    // The geometry becomes the one home of the variables: the arrays the module hands out as views
    // are the arrays the library's expressions and integrals read.
    zev::Geometry& g = mesh->geo();
    for (zev::io::MeshVariable& mv : mesh->m_loaded.variables) {
        if (!mv.variable || g.hasVariable(mv.name, mv.location))
            continue;
        mv.variable->setLocation(mv.location);
        zev::Variable* variable = mv.variable.release();
        try {
            g.addVariable(variable, mv.location);
        } catch (...) {
            delete variable;
            throw;
        }
        mesh->m_variables.emplace_back(mv.name, mv.location);
        // Cuts and selections keep an element interpolant only for a domain that says it has element data.
        if (mv.location == zev::eElement)
            g.hasElementData(true);
        if (mv.location == zev::eFace)
            g.hasFaceData(true);
    }
    mesh->m_loaded.variables.clear();
    mesh->m_loaded.variablesFiled = true;
    return mesh;
}

std::shared_ptr<Mesh> Mesh::read(std::string const& p_path, std::string const& p_region,
                                 std::string const& p_format)
{
    Lock const lock(libraryMutex());
    zev::io::MeshData data = zev::io::readMeshFile(p_path, parseFormat(p_format));
    return fromLoaded(zev::io::toLibrary(data, p_path, p_region), "file");
}

std::shared_ptr<Mesh> Mesh::box(std::string const& p_kind, int p_n)
{
    Lock const lock(libraryMutex());
    zevgeom::BoxKind kind{};
    if (!zevgeom::parseBoxKind(p_kind, kind))
        throw RequestError("the box kind is hex, tet or mixed, not '" + p_kind + "'");
    if (p_n < 1 || p_n > zevgeom::s_maxBoxCells)
        throw RequestError("the box needs 1 to " + std::to_string(zevgeom::s_maxBoxCells) +
                           " cells per axis, not " + std::to_string(p_n));
    zev::io::MeshData data = zevgeom::generateBox(kind, p_n);
    std::string const source = std::string("built-in ") + zevgeom::boxKindName(kind) + " box " +
                               std::to_string(p_n) + "x" + std::to_string(p_n) + "x" + std::to_string(p_n);
    return fromLoaded(zev::io::toLibrary(data, source, ""), "box");
}

std::recursive_mutex& Mesh::libraryMutex()
{
    static std::recursive_mutex mutex;
    return mutex;
}

std::vector<std::pair<std::string, zev::VarLocation>> Mesh::variables() const
{
    Lock const lock(libraryMutex());
    return m_variables;
}

zev::Geometry& Mesh::geo() const
{
    return *m_loaded.geometry;
}

std::size_t Mesh::numVertices() const
{
    return static_cast<std::size_t>(geo().getNumVertices());
}

std::size_t Mesh::numElements() const
{
    return static_cast<std::size_t>(geo().getNumElements());
}

std::size_t Mesh::numFaces() const
{
    return static_cast<std::size_t>(geo().getNumFaces());
}

std::vector<SetInfo> Mesh::sets() const
{
    Lock const lock(libraryMutex());
    std::vector<SetInfo> out;
    for (zev::VarLocation location : {zev::eElement, zev::eFace}) {
        bool const elements = location == zev::eElement;
        for (auto const& entry : setsAt(geo(), location)) {
            zev::ShapeSet const* set =
                elements ? geo().getElementSet(entry.first) : geo().getFaceSet(entry.first);
            out.push_back({entry.first, elements ? "element" : "face", zevgeom::shapeName(set->getType()),
                           entry.second});
        }
    }
    return out;
}

void Mesh::faces(std::vector<int>& p_offsets, std::vector<int>& p_corners) const
{
    Lock const lock(libraryMutex());
    p_offsets.assign(1, 0);
    p_corners.clear();
    for (auto const& entry : setsAt(geo(), zev::eFace)) {
        zev::ShapeSet const& set = *geo().getFaceSet(entry.first);
        for (std::size_t f = 0; f < set.size(); ++f) {
            zev::Shape const& face = set[f];
            for (int k = 0; k < face.getNumVertices(); ++k)
                p_corners.push_back(face[k]);
            p_offsets.push_back(static_cast<int>(p_corners.size()));
        }
    }
}

float* Mesh::vertexData() const
{
    return geo().getVertices().floatData();
}

zev::Variable* Mesh::resolve(std::string const& p_name, zev::VarLocation& p_location, bool* p_isVariable)
{
    if (p_isVariable)
        *p_isVariable = true;
    zev::Geometry& g = geo();
    for (auto const& entry : m_variables) {
        if (entry.first == p_name) {
            p_location = entry.second;
            if (zev::Variable* variable = g.findVariable(p_name, p_location))
                return variable;
        }
    }
    bool const coordinate = p_name == "x" || p_name == "y" || p_name == "z";
    if (isPlainName(p_name) && !coordinate)
        throw UnknownName("no variable '" + p_name + "' in " + source());
    if (p_isVariable)
        *p_isVariable = false;
    // A malformed expression is reported by the library's evaluator with its place and diagnosis.
    zev::ExpressionEvaluator evaluator;
    float probe = 0;
    std::string needed;
    evaluator.evaluateVariable(p_name, &probe, 1, needed, "Vertex");
    for (zev::VarLocation at : {zev::eVertex, zev::eElement, zev::eFace}) {
        if (at != zev::eVertex && g.getSize(at) == 0)
            continue;
        if (zev::Variable* variable = g.getVariable(p_name, false, at)) {
            p_location = at;
            return variable;
        }
    }
    throw RequestError("cannot evaluate '" + p_name +
                       "': it must combine numbers, x, y, z and variables of one location");
}

Mesh::Values Mesh::values(std::string const& p_name)
{
    Lock const lock(libraryMutex());
    zev::Geometry& g = geo();
    zev::VarLocation location = zev::eVertex;
    bool isVariable = true;
    zev::Variable* variable = resolve(p_name, location, &isVariable);

    Values out;
    out.location = location;
    out.components = variable->isVector() ? 3 : 1;
    zev::VarType const type = variable->getGlobalType();
    if (location == zev::eVertex) {
        if (variable->isVector()) {
            auto& triplets = static_cast<zev::VectorVariable*>(variable)->getTripletValues(
                zev::Variable::Description(type, zev::eVertex));
            out.view = triplets.floatData();
            out.count = triplets.size();
        } else {
            zev::FloatZEVVector& data =
                variable->getFloatValues(zev::Variable::Description(type, zev::eVertex));
            out.count = data.size();
            if (auto* concrete = dynamic_cast<zev::FloatZEVVectorConcrete*>(&data)) {
                out.view = concrete->data();
            } else {
                // A component view of a vector strides through its triplets: hand out a copy.
                out.copy.resize(out.count);
                for (std::size_t i = 0; i < out.count; ++i)
                    out.copy[i] = data[i];
            }
        }
        if (!isVariable && out.view) {
            out.copy.assign(out.view, out.view + out.count * static_cast<std::size_t>(out.components));
            out.view = nullptr;
        }
        return out;
    }
    for (auto const& set : setsAt(g, location)) {
        zev::Variable::Description const desc(type, location, set.first);
        if (!variable->hasType(desc))
            continue;
        if (variable->isVector()) {
            auto const& triplets = static_cast<zev::VectorVariable*>(variable)->getTripletValues(desc);
            for (std::size_t i = 0; i < triplets.size(); ++i)
                out.copy.insert(out.copy.end(), {triplets[i][0], triplets[i][1], triplets[i][2]});
        } else {
            zev::FloatZEVVector const& data = variable->getFloatValues(desc);
            for (std::size_t i = 0; i < data.size(); ++i)
                out.copy.push_back(data[i]);
        }
    }
    out.count = out.copy.size() / static_cast<std::size_t>(out.components);
    return out;
}

void Mesh::file(zev::Variable* p_variable, std::string const& p_name, zev::VarLocation p_location)
{
    std::unique_ptr<zev::Variable> owned(p_variable);
    owned->setName(p_name);
    owned->setLocation(p_location);
    for (auto const& entry : m_variables) {
        if (entry.first != p_name)
            continue;
        // Arrays handed out as views may still be in use: new values of a known variable go into its
        // existing storage, and a variable is never replaced by one of another layout.
        zev::Variable* existing = geo().findVariable(p_name, entry.second);
        if (entry.second != p_location || existing == nullptr || existing->isVector() != owned->isVector())
            throw RequestError("'" + p_name + "' is already " +
                               (entry.second == zev::eElement ? "an " : "a ") +
                               zevgeom::locationName(entry.second) + " " +
                               (existing && existing->isVector() ? "vector" : "scalar") +
                               "; file the new values under another name");
        overwrite(*existing, *owned, p_location);
        return;
    }
    geo().addVariable(owned.get(), p_location);
    owned.release();
    if (p_location == zev::eElement)
        geo().hasElementData(true);
    if (p_location == zev::eFace)
        geo().hasFaceData(true);
    m_variables.emplace_back(p_name, p_location);
}

void Mesh::overwrite(zev::Variable& p_to, zev::Variable const& p_from, zev::VarLocation p_location)
{
    std::vector<std::string> keys{zev::Variable::s_allSetName};
    if (p_location != zev::eVertex) {
        keys.clear();
        for (auto const& set : setsAt(geo(), p_location))
            keys.push_back(set.first);
    }
    for (std::string const& key : keys) {
        zev::Variable::Description const to(p_to.getGlobalType(), p_location, key);
        zev::Variable::Description const from(p_from.getGlobalType(), p_location, key);
        if (p_to.isVector()) {
            auto& target = static_cast<zev::VectorVariable&>(p_to).getTripletValues(to);
            auto const& source = static_cast<zev::VectorVariable const&>(p_from).getTripletValues(from);
            if (target.size() != source.size())
                throw RequestError("'" + p_to.getName() + "' cannot change its number of values");
            for (std::size_t i = 0; i < source.size(); ++i)
                target[i] = source[i];
        } else {
            zev::FloatZEVVector& target = p_to.getFloatValues(to);
            zev::FloatZEVVector const& source = p_from.getFloatValues(from);
            if (target.size() != source.size())
                throw RequestError("'" + p_to.getName() + "' cannot change its number of values");
            for (std::size_t i = 0; i < source.size(); ++i)
                target[i] = source[i];
        }
    }
}

void Mesh::addVariable(std::string const& p_name, float const* p_values, std::size_t p_count,
                       int p_components, zev::VarLocation p_location)
{
    Lock const lock(libraryMutex());
    if (p_name.empty())
        throw RequestError("a variable needs a name");
    std::size_t const expected = geo().getSize(p_location);
    char const* const where = p_location == zev::eVertex    ? (expected == 1 ? "vertex" : "vertices")
                              : p_location == zev::eElement ? (expected == 1 ? "element" : "elements")
                                                            : (expected == 1 ? "face" : "faces");
    if (p_count != expected)
        throw RequestError("'" + p_name + "' has " + std::to_string(p_count) + " values; the mesh has " +
                           std::to_string(expected) + " " + where);
    zev::VarType const type = zev::eConservative;
    std::unique_ptr<zev::Variable> variable;
    auto fill = [&](zev::Variable::Description const& desc, std::size_t from, std::size_t n) {
        if (p_components == 3) {
            auto& triplets = static_cast<zev::VectorVariable&>(*variable).getTripletValues(desc);
            triplets.resize(n);
            for (std::size_t i = 0; i < n; ++i) {
                float const* v = p_values + 3 * (from + i);
                triplets[i] = zev::Triplet(v[0], v[1], v[2]);
            }
        } else {
            zev::FloatZEVVector& data = variable->getFloatValues(desc);
            data.resize(n);
            for (std::size_t i = 0; i < n; ++i)
                data[i] = p_values[from + i];
        }
    };
    if (p_components == 3)
        variable = std::make_unique<zev::VectorVariable>(type, p_location);
    else
        variable = std::make_unique<zev::ScalarVariable>(type, p_location);
    if (p_location == zev::eVertex) {
        fill(zev::Variable::Description(type, zev::eVertex), 0, p_count);
    } else {
        std::size_t from = 0;
        for (auto const& set : setsAt(geo(), p_location)) {
            fill(zev::Variable::Description(type, p_location, set.first), from, set.second);
            from += set.second;
        }
    }
    file(variable.release(), p_name, p_location);
}

double Mesh::volume() const
{
    Lock const lock(libraryMutex());
    // The vertices may have been moved through the module's view since the last measure.
    geo().clearDataStores();
    return zevgeom::volumeMeasures(geo()).total;
}

double Mesh::area() const
{
    Lock const lock(libraryMutex());
    geo().clearDataStores();
    return zevgeom::areaMeasures(geo(), geo().getFaceSetNames()).total;
}

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
    surface.getVertices() = g.getVertices();
    out->m_sharesParentVertices = true;
    if (g.getNumElements() == 0) {
        // A surface mesh is its own boundary.
        for (std::string const& name : g.getFaceSetNames())
            surface.insertFaceSet(name, g.getFaceSet(name)->clone());
    } else {
        // The faces are built on a scratch copy of the element sets, so the mesh itself gains no sets.
        GeometryPtr scratch = newGeometry("");
        scratch->getVertices() = g.getVertices();
        for (std::string const& name : g.getElementSetNames())
            scratch->insertElementSet(name, g.getElementSet(name)->clone());
        for (std::string const& name : zevgeom::buildBoundary(*scratch))
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
    report(p_progress, "slice", 0.0);
    {
        ForwardedProgress forwarded(p_progress);
        zev::GeometryIntersector::intersectWithGeometry(out->geo(), geo().getName(), &geo(), normal, d);
        forwarded.rethrow();
    }
    report(p_progress, "slice", 1.0);
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
    report(p_progress, "isosurface", 0.0);
    {
        ForwardedProgress forwarded(p_progress);
        zev::GeometryIntersector::intersectWithGeometry(out->geo(), geo().getName(), &geo(), field,
                                                        field->getGlobalType(), static_cast<float>(p_value));
        forwarded.rethrow();
    }
    report(p_progress, "isosurface", 1.0);
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
    out->geo().getVertices() = geo().getVertices();
    out->m_sharesParentVertices = true;
    out->geo().calcIsovolume(geo().getName(), &geo(), p_range, p_inclusive, field, field->getGlobalType(),
                             static_cast<float>(p_first), static_cast<float>(p_second), {});
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
    out->geo().getVertices() = geo().getVertices();
    out->m_sharesParentVertices = true;
    out->geo().calcVolume(geo().getName(), &geo(), "", p_side, p_inclusive, d, normal, {});
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
        throw UnknownName("no variable '" + p_name + "' in " + m_parent->source());

    if (m_sharesParentVertices && location == zev::eVertex) {
        file(source->clone(p_name), p_name, zev::eVertex);
        return;
    }
    // A cut carries vertex data through its edge interpolant and element data onto its faces; a
    // selection carries element data element to element.
    zev::VarLocation const destination =
        location == zev::eVertex ? zev::eVertex : (m_kind == "selection" ? zev::eElement : zev::eFace);
    if (location == zev::eFace || (m_kind == "boundary" && location != zev::eVertex))
        throw RequestError("'" + p_name + "' lives on " + zevgeom::locationName(location) + "s; a " + m_kind +
                           " carries vertex" + (m_kind == "boundary" ? "" : " and element") + " data only");
    zev::Interpolant const* interpolant = nullptr;
    for (zev::Interpolant const* candidate : geo().getInterpolantList())
        if (candidate->getDestinationVarLocation() == destination)
            interpolant = candidate;
    if (interpolant == nullptr)
        throw RequestError("'" + p_name + "' cannot be carried: the " + m_kind + " keeps no " +
                           zevgeom::locationName(location) + " interpolant");
    zev::VarType const type = source->getGlobalType();
    if (source->isVector()) {
        zev::TripletZEVVector carried;
        interpolant->interpolate({static_cast<zev::VectorVariable const*>(source)}, type, carried);
        addVariable(p_name, carried.floatData(), carried.size(), 3, destination);
    } else {
        zev::FloatZEVVectorConcrete carried;
        interpolant->interpolate({static_cast<zev::ScalarVariable const*>(source)}, type, carried);
        addVariable(p_name, carried.data(), carried.size(), 1, destination);
    }
}

IntegralResult Mesh::integrate(std::string const& p_expression, bool p_overBoundary)
{
    Lock const lock(libraryMutex());
    if (p_overBoundary && numElements() > 0) {
        for (auto const& entry : m_variables)
            if (entry.first == p_expression && entry.second != zev::eVertex)
                throw RequestError("'" + p_expression + "' lives on " + zevgeom::locationName(entry.second) +
                                   "s; integrate it over the volume");
        return boundary()->integrate(p_expression, false);
    }
    geo().clearDataStores();
    zevgeom::Domain const domain = numElements() > 0 ? zevgeom::Domain::Volume : zevgeom::Domain::Boundary;
    zevgeom::Integral const r = zevgeom::integrate(m_loaded, p_expression, true, domain);
    return {r.integral, r.measure, r.average, r.valid};
}

std::vector<float> Mesh::probe(double const* p_points, std::size_t p_count, std::string const& p_name,
                               int& p_components)
{
    Lock const lock(libraryMutex());
    Values const v = values(p_name);
    if (v.location != zev::eVertex)
        throw RequestError("probe interpolates vertex data; '" + p_name + "' lives on " +
                           zevgeom::locationName(v.location) + "s");
    p_components = v.components;
    float const* data = v.view != nullptr ? v.view : v.copy.data();
    std::size_t const width = static_cast<std::size_t>(v.components);
    std::vector<float> out(p_count * width, zev::ZEV_UNDEF);
    zev::Geometry& g = geo();
    for (std::size_t i = 0; i < p_count; ++i) {
        double const* p = p_points + 3 * i;
        if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2]))
            continue;
        zev::Triplet const point(static_cast<float>(p[0]), static_cast<float>(p[1]),
                                 static_cast<float>(p[2]));
        zev::PointLocation const at = zev::PointLocator::locate(g, point, zev::Geometry::SearchDomain, true);
        if (!at.found() || at.m_weights.size() == 0)
            continue;
        for (std::size_t c = 0; c < width; ++c) {
            double sum = 0;
            bool defined = true;
            for (std::size_t k = 0; k < at.m_weights.size() && defined; ++k) {
                std::size_t const node = static_cast<std::size_t>(at.m_weights.m_nodes[k]);
                float const value = node < v.count ? data[node * width + c] : zev::ZEV_UNDEF;
                defined = value != zev::ZEV_UNDEF && std::isfinite(value);
                sum += double(at.m_weights.m_weights[k]) * value;
            }
            if (defined)
                out[i * width + c] = static_cast<float>(sum);
        }
    }
    return out;
}

std::vector<float> Mesh::sample(std::string const& p_method, int p_count, int p_seed)
{
    using Sampler = zev::SamplePointsGeometry;
    static std::pair<char const*, Sampler::Method> const methods[] = {
        {"random", Sampler::Random},
        {"grid", Sampler::RectangularGrid},
        {"vertices", Sampler::Vertex},
        {"face-centres", Sampler::FaceCenter},
        {"free-edges", Sampler::FreeEdge},
        {"equal-area", Sampler::EquallySpaced},
        {"equal-area-random", Sampler::EquallySpacedRandom}};
    Sampler::Method method = Sampler::InvalidMethod;
    for (auto const& m : methods)
        if (p_method == m.first)
            method = m.second;
    if (method == Sampler::InvalidMethod)
        throw RequestError("method is random, grid, vertices, face-centres, free-edges, equal-area or "
                           "equal-area-random, not '" +
                           p_method + "'");
    if (p_count < 0)
        throw RequestError("count must not be negative");
    Lock const lock(libraryMutex());
    static bool const registered = [] {
        try {
            Sampler::registerType();
        } catch (zev::Error const&) {
            // already registered by the tool's code in this process
        }
        return true;
    }();
    (void)registered;
    // The parent holds the boundary faces over the vertices they use, so that the vertex method sees
    // no interior vertex.
    std::shared_ptr<Mesh> const surface = boundary();
    zev::Geometry const& b = surface->geo();
    GeometryPtr parent = newGeometry("sample parent");
    std::vector<int> renumbered(b.getVertices().size(), -1);
    for (std::string const& name : b.getFaceSetNames()) {
        zev::ShapeSet* set = b.getFaceSet(name)->clone();
        for (std::size_t f = 0; f < set->size(); ++f) {
            zev::Shape& face = (*set)[f];
            for (int k = 0; k < face.getNumVertices(); ++k) {
                std::size_t const id = static_cast<std::size_t>(face[k]);
                if (renumbered[id] < 0) {
                    renumbered[id] = static_cast<int>(parent->getVertices().size());
                    parent->getVertices().push_back(b.getVertices()[id]);
                }
                face[k] = renumbered[id];
            }
        }
        parent->insertFaceSet(name, set);
    }
    double area = 0;
    for (std::string const& name : parent->getFaceSetNames()) {
        zev::ShapeSet const* set = parent->getFaceSet(name);
        zev::Triplet areaVector;
        for (std::size_t f = 0; f < set->size(); ++f)
            area += (*set)[f].getArea(parent->getVertices(), areaVector);
    }
    bool const items =
        method == Sampler::Vertex || method == Sampler::FaceCenter || method == Sampler::FreeEdge;
    zev::ReductionUtility reduction;
    if (items && p_count > 0)
        reduction.setReduction(1.0f, p_count);
    // The grid is square and centred, its spacing chosen so that about p_count nodes cover the area.
    float const spacing = method == Sampler::RectangularGrid && area > 0 && p_count > 0
                              ? static_cast<float>(std::sqrt(area / p_count))
                              : 0.0f;
    if (method == Sampler::RectangularGrid && spacing == 0.0f)
        return {};
    zev::GeometryAutoPtr holder(zev::GeometryAPI::instance()->newGeometry("SamplePointsGeometry", nullptr));
    auto* sampler = dynamic_cast<Sampler*>(holder.get());
    if (sampler == nullptr)
        throw zev::Error("Mesh", "sample", "the sampler is not registered");
    float const undefined = zev::ZEV_UNDEF;
    int const n = sampler->doSampling(parent.get(), method, items ? 0 : p_count, spacing, 1.0f, 0.0f,
                                      zev::TripletBase<float>(undefined, undefined, undefined), "High",
                                      p_seed, &reduction, false, false, true);
    std::vector<float> out;
    out.reserve(3 * static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        for (int k = 0; k < 3; ++k)
            out.push_back(sampler->getVertices()[static_cast<std::size_t>(i)][k]);
    return out;
}

void Mesh::write(std::string const& p_path, bool p_binary) const
{
    Lock const lock(libraryMutex());
    std::vector<std::string> names;
    for (auto const& entry : m_variables)
        if (std::find(names.begin(), names.end(), entry.first) == names.end())
            names.push_back(entry.first);
    zev::io::WriteOptions options;
    options.binary = p_binary;
    zev::io::writeGeometry(geo(), p_path, zev::io::ExportSelection(), names, options);
}

} // namespace zevpy
