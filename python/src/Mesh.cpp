// The module's mesh on top of the library: files read through ZEV::IO, measures and integrals through
// the tool's analysis (so that the module and the tool give the same figures), cuts and selections
// through the geometry's own operations, and carrying through the interpolants the cuts leave behind.
// This source holds reading, the mesh's data and variables and its measures; the operations that make
// new meshes or read values out of it are in MeshOperations.cpp.
#include "python/src/Mesh.h"

#include "zev/analysis/BoxGenerator.h"
#include "zev/analysis/Measures.h"
#include "zev/analysis/ParentVariables.h"
#include "zev/analysis/Report.h"
#include "zev/analysis/Request.h"
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
#include "zev/io/OpenFoamReader.h"
#include "zev/search/PointLocator.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/variables/ScalarVariable.h"
#include "zev/variables/Variable.h"
#include "zev/variables/VectorVariable.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <exception>
#include <mutex>
#include <stdexcept>
#include <utility>

namespace zevpy {

namespace {

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
    if (p_format == "pvtu")
        return zev::io::FileFormat::ParallelUnstructured;
    if (p_format == "pvtp")
        return zev::io::FileFormat::ParallelPolyData;
    if (p_format == "cgns")
        return zev::io::FileFormat::Cgns;
    if (p_format == "msh")
        return zev::io::FileFormat::Gmsh;
    if (p_format == "foam")
        return zev::io::FileFormat::OpenFoam;
    if (p_format == "case")
        return zev::io::FileFormat::EnsightGold;
    if (p_format == "cas")
        return zev::io::FileFormat::Fluent;
    throw RequestError("format is auto, vtk, vtu, vtp, cgns, pvtu, pvtp, msh, foam, case or cas, not '" +
                       p_format + "'");
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

// A name no other mesh of this process has.
std::string newDomainName()
{
    static std::atomic<unsigned long long> s_count{0};
    return "mesh " + std::to_string(++s_count);
}

bool isPlainName(std::string const& p_name)
{
    return !p_name.empty() && std::all_of(p_name.begin(), p_name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
    });
}

} // namespace

Mesh::Mesh() : m_domain(newDomainName()) {}

std::shared_ptr<Mesh> Mesh::fromLoaded(zev::io::LoadedMesh p_loaded, std::string p_kind)
{
    std::shared_ptr<Mesh> mesh(new Mesh());
    mesh->m_loaded = std::move(p_loaded);
    mesh->m_kind = std::move(p_kind);
    // The geometry becomes the one home of the variables: the arrays the module hands out as views
    // are the arrays the library's expressions and integrals read.
    zev::Geometry& g = mesh->geo();
    for (zev::io::MeshVariable& mv : mesh->m_loaded.variables) {
        std::string const filed = zev::analysis::coordinateFreeName(mv.name, [&](std::string const& p_name) {
            return mesh->m_loaded.findVariable(p_name) != nullptr;
        });
        if (filed != mv.name) {
            mesh->m_notes.push_back(zev::analysis::coordinateNote(mv.name, filed));
            mv.name = filed;
            if (mv.variable)
                mv.variable->setName(filed);
        }
    }
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
                                 std::string const& p_format, std::string const& p_time, bool p_pointData)
{
    // The file system ends a path at a NUL: "a.vtk\0.x" would open a.vtk.
    if (p_path.find('\0') != std::string::npos)
        throw RequestError("a path cannot hold a NUL character");
    Lock const lock(libraryMutex());
    zev::io::FileFormat format = parseFormat(p_format);
    if (format == zev::io::FileFormat::Auto)
        format = zev::io::formatOfPath(p_path);
    if (format == zev::io::FileFormat::Auto && zev::io::OpenFoamReader::isCase(p_path))
        format = zev::io::FileFormat::OpenFoam;
    if (!p_time.empty() && format != zev::io::FileFormat::OpenFoam &&
        format != zev::io::FileFormat::EnsightGold)
        throw RequestError("time chooses a written time of an OpenFOAM or EnSight case; '" + p_path +
                           "' is not one");
    if (format == zev::io::FileFormat::Cgns && p_pointData)
        throw RequestError("point_data averages the cell arrays of VTK, gmsh and OpenFOAM files, not CGNS");
    if (format == zev::io::FileFormat::Cgns) {
        // Straight into the geometry, so that the element sets keep the sections' names as labels.
        if (!p_region.empty())
            throw RequestError("region splits the cells of a VTK file; a CGNS file's sets are its sections");
        return fromLoaded(zev::io::CgnsReader::readMesh(p_path, zev::io::CgnsSelection()), "file");
    }
    zev::io::MeshData data = zev::io::readMeshFile(p_path, format, p_time);
    if (p_pointData)
        zev::io::averageCellDataToPoints(data);
    std::shared_ptr<Mesh> mesh = fromLoaded(zev::io::toLibrary(data, p_path, p_region), "file");
    // The reader's notes come first, without their "note: " or "warning: ": each becomes a UserWarning.
    std::vector<std::string> notes;
    for (std::string const& note : zev::io::readerNotes(data))
        notes.push_back(note.substr(note.find(": ") + 2));
    mesh->m_notes.insert(mesh->m_notes.begin(), notes.begin(), notes.end());
    return mesh;
}

std::shared_ptr<Mesh> Mesh::box(std::string const& p_kind, int p_n)
{
    Lock const lock(libraryMutex());
    zev::analysis::BoxKind kind{};
    if (!zev::analysis::parseBoxKind(p_kind, kind))
        throw RequestError("the box kind is hex, tet or mixed, not '" + p_kind + "'");
    if (p_n < 1 || p_n > zev::analysis::s_maxBoxCells)
        throw RequestError("the box needs 1 to " + std::to_string(zev::analysis::s_maxBoxCells) +
                           " cells per axis, not " + std::to_string(p_n));
    zev::io::MeshData data = zev::analysis::generateBox(kind, p_n);
    std::string const source = std::string("built-in ") + zev::analysis::boxKindName(kind) + " box " +
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
            out.push_back({entry.first, elements ? "element" : "face",
                           zev::analysis::shapeName(set->getType()), entry.second, set->getLabel()});
        }
    }
    return out;
}

std::string Mesh::knownNames() const
{
    std::vector<std::string> names;
    for (auto const& entry : m_variables)
        if (std::find(names.begin(), names.end(), entry.first) == names.end())
            names.push_back(entry.first);
    return zev::analysis::offeredNames(names, "variables");
}

std::vector<std::pair<std::string, double>> Mesh::setMeasures() const
{
    Lock const lock(libraryMutex());
    // The vertices may have been moved through the module's view since the last measure.
    geo().clearDataStores();
    std::vector<std::pair<std::string, double>> out;
    zev::analysis::VolumeMeasures const volumes = zev::analysis::volumeMeasures(geo());
    std::size_t at = 0;
    for (auto const& entry : setsAt(geo(), zev::eElement)) {
        double sum = 0;
        for (std::size_t e = 0; e < entry.second && at < volumes.elementVolumes.size(); ++e, ++at)
            sum += volumes.elementVolumes[at];
        out.emplace_back(entry.first, sum);
    }
    std::vector<std::pair<std::string, std::size_t>> const faceSets = setsAt(geo(), zev::eFace);
    std::vector<std::string> names;
    for (auto const& entry : faceSets)
        names.push_back(entry.first);
    zev::analysis::AreaMeasures const areas = zev::analysis::areaMeasures(geo(), names);
    at = 0;
    for (auto const& entry : faceSets) {
        double sum = 0;
        for (std::size_t f = 0; f < entry.second && at < areas.faceAreas.size(); ++f, ++at)
            sum += areas.faceAreas[at];
        out.emplace_back(entry.first, sum);
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

float const* Mesh::vertexData() const
{
    return std::as_const(geo()).getVertices().floatData();
}

void Mesh::setVertices(float const* p_xyz, std::size_t p_count)
{
    Lock const lock(libraryMutex());
    if (p_count != numVertices())
        throw std::invalid_argument("set_vertices takes " + std::to_string(numVertices()) +
                                    " vertices, not " + std::to_string(p_count));
    zev::TripletZEVVector& vertices = geo().getVertices(); // marks the mesh changed
    for (std::size_t i = 0; i < p_count; ++i)
        vertices[i] = zev::Triplet(p_xyz[3 * i], p_xyz[3 * i + 1], p_xyz[3 * i + 2]);
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
    // A vector's component (velocity_x) or a surface's normal.
    for (zev::VarLocation at : {zev::eVertex, zev::eElement, zev::eFace}) {
        if (at != zev::eVertex && g.getSize(at) == 0)
            continue;
        std::vector<std::string> names = zev::analysis::expressionNames(p_name);
        names.insert(names.begin(), p_name);
        zev::analysis::fileNamedParts(g, names, at);
        if (zev::Variable* variable = g.findVariable(p_name, at)) {
            p_location = at;
            return variable;
        }
    }
    if (p_isVariable)
        *p_isVariable = false;
    if (isPlainName(p_name) && !coordinate) {
        if (zev::Variable* carried = fromParents(p_name, p_location))
            return carried;
        throw UnknownName("no variable '" + p_name + "' in " + source() + knownNames());
    }
    // A malformed expression is reported by the library's evaluator with its place and diagnosis.
    zev::ExpressionEvaluator evaluator;
    float probe = 0;
    std::string needed;
    evaluator.evaluateVariable(p_name, &probe, 1, needed, "Vertex");
    std::unique_ptr<zev::analysis::ParentVariables> const parents = parentVariables();
    for (zev::VarLocation at : {zev::eVertex, zev::eElement, zev::eFace}) {
        if (at != zev::eVertex && g.getSize(at) == 0)
            continue;
        zev::Variable* variable = nullptr;
        try {
            variable = g.getVariable(p_name, false, at);
        } catch (zev::Error const&) {
            // A parent's variable that does not reach this location: try the next.
        }
        if (variable != nullptr) {
            p_location = at;
            return variable;
        }
    }
    throw RequestError("cannot evaluate '" + p_name +
                       "': it must combine numbers, x, y, z and variables of one location");
}

std::unique_ptr<zev::analysis::ParentVariables> Mesh::parentVariables() const
{
    if (!m_parent || geo().getInterpolantList().empty())
        return nullptr;
    std::vector<std::pair<std::string, zev::Geometry*>> ancestors;
    for (Mesh const* at = m_parent.get(); at != nullptr; at = at->m_parent.get())
        ancestors.emplace_back(at->m_domain, &at->geo());
    return std::make_unique<zev::analysis::ParentVariables>(std::move(ancestors));
}

zev::Variable* Mesh::fromParents(std::string const& p_name, zev::VarLocation& p_location)
{
    std::unique_ptr<zev::analysis::ParentVariables> const parents = parentVariables();
    if (!parents)
        return nullptr;
    zev::Geometry& g = geo();
    for (zev::VarLocation at : {zev::eVertex, zev::eElement, zev::eFace}) {
        if (at != zev::eVertex && g.getSize(at) == 0)
            continue;
        try {
            if (zev::Variable* variable = g.getVariable(p_name, false, at)) {
                p_location = at;
                return variable;
            }
        } catch (zev::Error const&) {
            // Not carried to that location: try the next.
        }
    }
    return nullptr;
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
    // Values carried on request are one array over the sets, in the sets' order.
    std::vector<std::pair<std::string, std::size_t>> sets = setsAt(g, location);
    if (variable->getDataKeysOnLocation(location).empty())
        sets = {{zev::Variable::s_allSetName, g.getSize(location)}};
    for (auto const& set : sets) {
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
                               zev::analysis::locationName(entry.second) + " " +
                               (existing && existing->isVector() ? "vector" : "scalar") +
                               "; file the new values under another name");
        overwrite(*existing, *owned, p_location);
        return;
    }
    // A variable made here on request under that name (an expression, a parent's variable) gives way.
    geo().deleteVariable(p_name);
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

std::string Mesh::addVariable(std::string const& p_name, float const* p_values, std::size_t p_count,
                              int p_components, zev::VarLocation p_location)
{
    Lock const lock(libraryMutex());
    if (p_name.empty())
        throw RequestError("a variable needs a name");
    std::string const name = zev::analysis::coordinateFreeName(p_name, [&](std::string const& p_taken) {
        return std::any_of(m_variables.begin(), m_variables.end(),
                           [&](auto const& p_entry) { return p_entry.first == p_taken; });
    });
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
    file(variable.release(), name, p_location);
    return name;
}

std::vector<std::string> Mesh::takeNotes()
{
    Lock const lock(libraryMutex());
    return std::exchange(m_notes, {});
}

double Mesh::volume() const
{
    Lock const lock(libraryMutex());
    // The vertices may have been moved through the module's view since the last measure.
    geo().clearDataStores();
    return zev::analysis::volumeMeasures(geo()).total;
}

double Mesh::area() const
{
    Lock const lock(libraryMutex());
    geo().clearDataStores();
    return zev::analysis::areaMeasures(geo(), geo().getFaceSetNames()).total;
}

void Mesh::write(std::string const& p_path, bool p_binary, bool p_compress) const
{
    if (p_path.find('\0') != std::string::npos)
        throw RequestError("a path cannot hold a NUL character");
    // The tool's rules: a format by extension, compression where the format has it.
    zev::analysis::checkOutputPath(p_path, p_binary, p_compress, false);
    Lock const lock(libraryMutex());
    std::vector<std::string> names;
    for (auto const& entry : m_variables)
        if (std::find(names.begin(), names.end(), entry.first) == names.end())
            names.push_back(entry.first);
    zev::io::WriteOptions options;
    options.binary = p_binary;
    options.compress = p_compress;
    zev::io::writeGeometry(geo(), p_path, zev::io::ExportSelection(), names, options);
}

} // namespace zevpy
