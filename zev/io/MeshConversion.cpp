#include "zev/io/MeshConversion.h"

#include "zev/contracts/Undefined.h"
#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/geometry/VariableLocationProviderIF.h"
#include "zev/io/FormatError.h"
#include "zev/io/MeshBuild.h"
#include "zev/io/VtkCellOrder.h"
#include "zev/shapes/GeometryUtilities.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/shapes/ShapeType.h"
#include "zev/variables/ScalarVariable.h"
#include "zev/variables/VectorVariable.h"

#include <algorithm>
#include <cctype>
#include <cfloat>
#include <climits>
#include <cmath>
#include <map>
#include <mutex>

namespace zev::io {

namespace {

class WhereVariablesLive : public zev::VariableLocationProviderIF {
public:
    zev::VarLocation getLocationForExpressions(zev::Geometry* p_geometry,
                                               std::vector<std::string> const& p_expressions) override
    {
        if (p_geometry == nullptr || p_expressions.empty())
            return zev::eVertex;
        for (zev::VarLocation location : {zev::eVertex, zev::eElement, zev::eFace})
            if (p_geometry->hasVariable(p_expressions.front(), location))
                return location;
        return zev::eVertex;
    }
};

// The kind a surface set is named after: the shape's name in capitals ("TRI", "QUAD", "PENTAGON",
// "HEXAGON"); every other face shape is a "POLYGON".
std::string shapeKind(int p_shapeType)
{
    if (p_shapeType != zev::TRI && p_shapeType != zev::QUAD && p_shapeType != zev::PENTAGON &&
        p_shapeType != zev::HEXAGON) {
        return "POLYGON";
    }
    return upperShapeName(p_shapeType);
}

enum class Destination { Element, Face, Line };

// Where one file cell went: the kind of destination, the slot of its set (in creation order) and its
// position in that set.
struct CellPlace {
    Destination destination = Destination::Line;
    int set = -1;
    int index = 0;
};

struct SetPlan {
    int shapeType;
    long long region;
    std::string name;
    int count = 0;
    zev::ShapeSet* set = nullptr;
};

long long regionOf(DataArray const* p_regions, std::size_t p_cell)
{
    return p_regions ? static_cast<long long>(p_regions->values[p_cell]) : 0;
}

void fillShape(zev::Shape& p_shape, VtkCellType p_type, int const* p_ids, int p_count,
               std::vector<int>& p_scratch, std::string const& p_source, std::size_t p_cell)
{
    if (p_type == VtkCellType::Polyhedron) {
        PolyhedronTopology topology;
        std::string const problem = decodeFaceStream(p_ids, p_count, topology);
        if (!problem.empty()) {
            throw FormatError(p_source, 0, FormatError::s_noOffset,
                              "cell " + std::to_string(p_cell) + ": " + problem);
        }
        fillPolyhedron(p_shape, topology, 0);
        return;
    }
    if (p_type == VtkCellType::Polygon) {
        p_shape.setNumVertices(p_count);
    }
    p_scratch.resize(static_cast<std::size_t>(p_count));
    toLibraryOrder(p_type, p_ids, p_count, p_scratch.data());
    for (int k = 0; k < p_count; ++k) {
        p_shape[k] = p_scratch[static_cast<std::size_t>(k)];
    }
}

// Makes the variables of one array at one location: values come per tuple through p_tupleOf, which maps
// an item of set s (position i) to the array's tuple.
void addVariables(LoadedMesh& p_out, DataArray const& p_array, zev::VarLocation p_location,
                  std::vector<SetPlan> const& p_sets, std::vector<std::vector<std::size_t>> const& p_tuples)
{
    int const comps = p_array.numComponents;
    auto makeScalar = [&](std::string const& name, int component) {
        MeshVariable mv;
        mv.name = name;
        mv.location = p_location;
        mv.numComponents = 1;
        if (p_location == zev::eVertex) {
            std::size_t const n = p_array.numTuples();
            std::vector<float> values(n);
            for (std::size_t i = 0; i < n; ++i) {
                values[i] = toFloat(p_array.values[i * comps + component]);
            }
            mv.variable.reset(
                new zev::ScalarVariable(values.data(), static_cast<int>(n), s_fileType, p_location));
        } else {
            auto* v = new zev::ScalarVariable(s_fileType, p_location);
            mv.variable.reset(v);
            for (std::size_t s = 0; s < p_sets.size(); ++s) {
                auto& data =
                    v->getFloatValues(zev::Variable::Description(s_fileType, p_location, p_sets[s].name));
                data.resize(p_tuples[s].size());
                for (std::size_t i = 0; i < p_tuples[s].size(); ++i) {
                    data[i] = toFloat(p_array.values[p_tuples[s][i] * comps + component]);
                }
            }
        }
        mv.variable->setName(name);
        p_out.variables.push_back(std::move(mv));
    };
    if (comps == 3) {
        MeshVariable mv;
        mv.name = p_array.name;
        mv.location = p_location;
        mv.numComponents = 3;
        auto* v = new zev::VectorVariable(s_fileType, p_location);
        mv.variable.reset(v);
        auto fill = [&](zev::TripletZEVVector& data, std::vector<std::size_t> const* tuples, std::size_t n) {
            data.resize(n);
            for (std::size_t i = 0; i < n; ++i) {
                std::size_t const t = tuples ? (*tuples)[i] : i;
                data[i] = zev::Triplet(toFloat(p_array.values[3 * t]), toFloat(p_array.values[3 * t + 1]),
                                       toFloat(p_array.values[3 * t + 2]));
            }
        };
        if (p_location == zev::eVertex) {
            fill(v->getTripletValues(zev::Variable::Description(s_fileType, p_location)), nullptr,
                 p_array.numTuples());
        } else {
            for (std::size_t s = 0; s < p_sets.size(); ++s) {
                fill(v->getTripletValues(zev::Variable::Description(s_fileType, p_location, p_sets[s].name)),
                     &p_tuples[s], p_tuples[s].size());
            }
        }
        mv.variable->setName(p_array.name);
        p_out.variables.push_back(std::move(mv));
    } else if (comps == 1) {
        makeScalar(p_array.name, 0);
    } else {
        for (int c = 0; c < comps; ++c) {
            makeScalar(p_array.name + "[" + std::to_string(c) + "]", c);
        }
    }
}

} // namespace

void installLocationProvider()
{
    // Readers may load meshes on several threads at once: the hook goes in exactly once, and
    // every caller returns after it is in.
    static std::once_flag s_installed;
    std::call_once(s_installed, [] {
        zev::GeometryAPI::instance()->registerVariableLocationProvider(new WhereVariablesLive());
    });
}

std::string upperShapeName(int p_shapeType)
{
    std::string name = zev::toString(static_cast<zev::ShapeType>(p_shapeType));
    for (char& c : name) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return name;
}

float toFloat(double p_value)
{
    if (!std::isfinite(p_value) || std::fabs(p_value) >= double(FLT_MAX)) {
        return zev::ZEV_UNDEF;
    }
    return static_cast<float>(p_value);
}

LoadedMesh startLoadedMesh(std::string const& p_source)
{
    LoadedMesh out;
    out.source = p_source;
    installLocationProvider();
    out.geometry.reset(zev::GeometryAPI::instance()->newGeometry("", nullptr));
    out.geo().setName(p_source);
    return out;
}

void fillPolyhedron(zev::Shape& p_shape, PolyhedronTopology const& p_topology, int p_offset)
{
    p_shape.setNumVertices(static_cast<int>(p_topology.vertices.size()));
    for (std::size_t k = 0; k < p_topology.vertices.size(); ++k) {
        p_shape[static_cast<int>(k)] = p_topology.vertices[k] + p_offset;
    }
    p_shape.setNumFaces(static_cast<int>(p_topology.faces.size()));
    for (std::size_t f = 0; f < p_topology.faces.size(); ++f) {
        auto const& face = p_topology.faces[f];
        p_shape.setFaceVertSize(static_cast<int>(f), static_cast<int>(face.size()));
        for (std::size_t k = 0; k < face.size(); ++k) {
            p_shape.setFaceVertex(static_cast<int>(f), static_cast<int>(k), face[k]);
        }
    }
}

void GeometryDeleter::operator()(zev::Geometry* p_geometry) const
{
    zev::GeometryAPI::instance()->deleteGeometry(p_geometry);
}

MeshVariable const* LoadedMesh::findVariable(std::string const& p_name, zev::VarLocation p_location) const
{
    for (auto const& v : variables) {
        if (v.name == p_name && v.location == p_location) {
            return &v;
        }
    }
    return nullptr;
}

MeshVariable const* LoadedMesh::findVariable(std::string const& p_name) const
{
    for (zev::VarLocation location : {zev::eVertex, zev::eElement, zev::eFace}) {
        if (MeshVariable const* v = findVariable(p_name, location)) {
            return v;
        }
    }
    return nullptr;
}

std::string surfaceSetName(bool p_hasRegions, long long p_region, int p_shapeType)
{
    std::string const region = p_hasRegions ? "region" + std::to_string(p_region) : std::string("surface");
    return zev::GeometryUtilities::getFaceSetName(region, shapeKind(p_shapeType));
}

LoadedMesh toLibrary(MeshData const& p_mesh, std::string const& p_source, std::string const& p_regionArray)
{
    // A file that names its own regions (gmsh's physical groups) is split by them unless told otherwise,
    // and its sets carry the regions' names.
    std::string const& regionArray = p_regionArray.empty() ? p_mesh.regionArray : p_regionArray;
    bool const labelled = !regionArray.empty() && regionArray == p_mesh.regionArray;
    DataArray const* regions = nullptr;
    if (!regionArray.empty()) {
        regions = p_mesh.findCellArray(regionArray);
        if (regions == nullptr) {
            throw SelectionError("no cell array '" + regionArray + "' in " + p_source +
                                 " to take regions from");
        }
        // A floating-point array of whole numbers (as a region array comes back once the library has
        // written it) serves as well as an integer one.
        bool const whole = std::all_of(regions->values.begin(), regions->values.end(), [](double p_v) {
            return std::isfinite(p_v) && p_v == std::floor(p_v);
        });
        if ((!regions->isInteger() && !whole) || regions->numComponents != 1) {
            throw SelectionError("the region array '" + regionArray + "' must hold one integer per cell");
        }
        // Region numbers become set names and map keys: a value outside int is a malformed file.
        for (std::size_t c = 0; c < regions->values.size(); ++c) {
            double const v = regions->values[c];
            if (!(v >= INT_MIN && v <= INT_MAX)) {
                throw FormatError(p_source, 0, FormatError::s_noOffset,
                                  "the region array '" + regionArray + "' holds " + std::to_string(v) +
                                      " at cell " + std::to_string(c) + ", outside the int range");
            }
        }
    }

    LoadedMesh out = startLoadedMesh(p_source);
    zev::Geometry& geometry = out.geo();

    std::size_t const np = p_mesh.numPoints();
    auto& vertices = geometry.getVertices();
    vertices.resize(np);
    for (std::size_t i = 0; i < np; ++i) {
        vertices[i] = zev::Triplet(static_cast<float>(p_mesh.points[3 * i]),
                                   static_cast<float>(p_mesh.points[3 * i + 1]),
                                   static_cast<float>(p_mesh.points[3 * i + 2]));
    }

    // First pass: which set every cell joins, and the size of every set, sets in order of first use.
    std::vector<SetPlan> elementPlans, facePlans;
    std::map<std::pair<int, long long>, int> elementSlot, faceSlot;
    std::vector<CellPlace> places(p_mesh.numCells());
    std::size_t lineEntries = 0;
    struct Recent {
        int shape = 0;
        long long region = 0;
        int slot = -1;
    } recentElement, recentFace;
    for (std::size_t c = 0; c < p_mesh.numCells(); ++c) {
        VtkCellType const type = p_mesh.cellTypes[c];
        int const n = p_mesh.cellSize(c);
        CellPlace& place = places[c];
        if (type == VtkCellType::Line || type == VtkCellType::PolyLine) {
            place.destination = Destination::Line;
            lineEntries += n > 1 ? 2 * static_cast<std::size_t>(n - 1) : 0;
            continue;
        }
        int const shape = libraryShapeType(type, n);
        long long const region = regionOf(regions, c);
        bool const volume = isVolumeCell(type);
        auto& plans = volume ? elementPlans : facePlans;
        auto& slots = volume ? elementSlot : faceSlot;
        // Cells of one set mostly come together: the set of the cell before is tried first.
        Recent& recent = volume ? recentElement : recentFace;
        if (recent.slot < 0 || recent.shape != shape || recent.region != region) {
            auto found = slots.find(std::make_pair(shape, region));
            if (found == slots.end()) {
                found = slots.emplace(std::make_pair(shape, region), static_cast<int>(plans.size())).first;
                SetPlan plan{shape, region, std::string(), 0, nullptr};
                plan.name = volume ? zev::Geometry::getElementSetName(static_cast<int>(plans.size()))
                                   : surfaceSetName(regions != nullptr, region, shape);
                plans.push_back(plan);
            }
            recent = Recent{shape, region, found->second};
        }
        place.destination = volume ? Destination::Element : Destination::Face;
        place.set = recent.slot;
        place.index = plans[static_cast<std::size_t>(place.set)].count++;
    }

    for (std::size_t s = 0; s < elementPlans.size(); ++s) {
        SetPlan& plan = elementPlans[s];
        plan.set = geometry.addElementSet(static_cast<int>(s), static_cast<zev::ShapeType>(plan.shapeType),
                                          plan.count, 1.0);
    }
    for (SetPlan& plan : facePlans) {
        plan.set =
            geometry.addFaceSet(plan.name, static_cast<zev::ShapeType>(plan.shapeType), plan.count, 1.0);
    }
    if (labelled) {
        for (auto [plans, dimension] : {std::pair{&elementPlans, 3}, std::pair{&facePlans, 2}}) {
            for (SetPlan& plan : *plans) {
                auto const label = p_mesh.regionLabels.find({dimension, plan.region});
                if (label != p_mesh.regionLabels.end()) {
                    plan.set->setLabel(label->second);
                }
            }
        }
    }
    auto& lines = geometry.getLines();
    lines.reserve(lineEntries);

    // Second pass: the shapes' vertices.
    std::vector<int> scratch;
    for (std::size_t c = 0; c < p_mesh.numCells(); ++c) {
        CellPlace const& place = places[c];
        int const* ids = p_mesh.cellPoints(c);
        int const n = p_mesh.cellSize(c);
        if (place.destination == Destination::Line) {
            for (int k = 0; k + 1 < n; ++k) {
                lines.push_back(ids[k]);
                lines.push_back(ids[k + 1]);
            }
            continue;
        }
        auto& plans = place.destination == Destination::Element ? elementPlans : facePlans;
        zev::ShapeSet& set = *plans[static_cast<std::size_t>(place.set)].set;
        fillShape(set[static_cast<std::size_t>(place.index)], p_mesh.cellTypes[c], ids, n, scratch, p_source,
                  c);
    }

    // Variables: point arrays at the vertices, cell arrays on the element and face sets.
    for (DataArray const& array : p_mesh.pointData) {
        addVariables(out, array, zev::eVertex, {}, {});
    }
    if (!p_mesh.cellData.empty()) {
        std::vector<std::vector<std::size_t>> elementTuples(elementPlans.size()),
            faceTuples(facePlans.size());
        for (std::size_t s = 0; s < elementPlans.size(); ++s) {
            elementTuples[s].resize(static_cast<std::size_t>(elementPlans[s].count));
        }
        for (std::size_t s = 0; s < facePlans.size(); ++s) {
            faceTuples[s].resize(static_cast<std::size_t>(facePlans[s].count));
        }
        for (std::size_t c = 0; c < places.size(); ++c) {
            CellPlace const& place = places[c];
            if (place.destination == Destination::Element) {
                elementTuples[static_cast<std::size_t>(place.set)][static_cast<std::size_t>(place.index)] = c;
            } else if (place.destination == Destination::Face) {
                faceTuples[static_cast<std::size_t>(place.set)][static_cast<std::size_t>(place.index)] = c;
            }
        }
        for (DataArray const& array : p_mesh.cellData) {
            if (!elementPlans.empty()) {
                addVariables(out, array, zev::eElement, elementPlans, elementTuples);
            }
            if (!facePlans.empty()) {
                addVariables(out, array, zev::eFace, facePlans, faceTuples);
            }
        }
    }
    return out;
}

} // namespace zev::io
