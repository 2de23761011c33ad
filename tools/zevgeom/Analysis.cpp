// Until the library's element and face measures, calculateFaces, expression variables and integration
// visitors are in place, this file computes the same quantities here, on the library's shapes and face
// tables: each element is split into tetrahedra (its centre, a face's centre and an edge of the face) and
// each face into triangles (its centre and an edge), and every piece's volume or area is shared among the
// corners so that integrals of fields linear in x, y and z come out exact.
#include "tools/zevgeom/Analysis.h"

#include "zev/contracts/ProgressTracker.h"
#include "zev/contracts/Undefined.h"
#include "zev/geometry/Geometry.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/variables/Variable.h"

#include <muParser.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <numeric>

namespace zevgeom {

namespace {

using Point = std::array<double, 3>;

Point at(zev::TripletZEVVector const& p_vertices, int p_index)
{
    zev::Triplet const& t = p_vertices[static_cast<std::size_t>(p_index)];
    return {double(t[0]), double(t[1]), double(t[2])};
}

Point sub(Point const& a, Point const& b)
{
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

Point cross(Point const& a, Point const& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

double dot(Point const& a, Point const& b)
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

double tetVolume(Point const& a, Point const& b, Point const& c, Point const& d)
{
    return dot(cross(sub(b, a), sub(c, a)), sub(d, a)) / 6.0;
}

// The variable through its const interface, which resolves the Unknown type and concatenates the sets.
zev::Variable const& readOnly(MeshVariable const& p_variable)
{
    return *p_variable.variable;
}

bool isDefined(float p_value)
{
    return p_value != zev::ZEV_UNDEF && std::isfinite(p_value);
}

// Volume of one element; each corner's share is added to p_vertexVolumes.
double elementVolume(zev::Shape const& p_shape, zev::TripletZEVVector const& p_vertices,
                     std::vector<double>& p_vertexVolumes)
{
    int const nv = p_shape.getNumVertices();
    if (nv <= 0) {
        return 0.0;
    }
    Point centre{0, 0, 0};
    for (int k = 0; k < nv; ++k) {
        Point const p = at(p_vertices, p_shape[k]);
        for (int a = 0; a < 3; ++a) {
            centre[a] += p[a] / nv;
        }
    }
    double volume = 0.0;
    for (int f = 0; f < p_shape.getNumFaces(); ++f) {
        int n = 0;
        int const* ids = nullptr;
        int const* row = p_shape.getVerticesForFace(f, n, &ids);
        if (row == nullptr || n < 3) {
            continue;
        }
        Point faceCentre{0, 0, 0};
        for (int k = 0; k < n; ++k) {
            Point const p = at(p_vertices, ids[row[k]]);
            for (int a = 0; a < 3; ++a) {
                faceCentre[a] += p[a] / n;
            }
        }
        double faceShare = 0.0;
        for (int k = 0; k < n; ++k) {
            int const a = ids[row[k]], b = ids[row[(k + 1) % n]];
            double const t = tetVolume(centre, at(p_vertices, a), at(p_vertices, b), faceCentre);
            p_vertexVolumes[static_cast<std::size_t>(a)] += t / 4;
            p_vertexVolumes[static_cast<std::size_t>(b)] += t / 4;
            faceShare += t;
        }
        for (int k = 0; k < n; ++k) {
            p_vertexVolumes[static_cast<std::size_t>(ids[row[k]])] += faceShare / (4.0 * n);
        }
        volume += faceShare;
    }
    for (int k = 0; k < nv; ++k) {
        p_vertexVolumes[static_cast<std::size_t>(p_shape[k])] += volume / (4.0 * nv);
    }
    return volume;
}

// Area of one face; each corner's share is added to p_vertexAreas.
double faceArea(zev::Shape const& p_shape, zev::TripletZEVVector const& p_vertices,
                std::vector<double>& p_vertexAreas)
{
    int const n = p_shape.getNumVertices();
    if (n < 3) {
        return 0.0;
    }
    Point centre{0, 0, 0};
    for (int k = 0; k < n; ++k) {
        Point const p = at(p_vertices, p_shape[k]);
        for (int a = 0; a < 3; ++a) {
            centre[a] += p[a] / n;
        }
    }
    Point vector{0, 0, 0};
    double fan = 0.0;
    // The triangle areas are kept on the stack for the common sizes.
    std::array<double, 8> small{};
    std::vector<double> large;
    double* pieces = small.data();
    if (n > 8) {
        large.resize(static_cast<std::size_t>(n));
        pieces = large.data();
    }
    for (int k = 0; k < n; ++k) {
        Point const c =
            cross(sub(at(p_vertices, p_shape[k]), centre), sub(at(p_vertices, p_shape[(k + 1) % n]), centre));
        for (int a = 0; a < 3; ++a) {
            vector[a] += c[a] / 2;
        }
        pieces[k] = std::sqrt(dot(c, c)) / 2;
        fan += pieces[k];
    }
    double const area = std::sqrt(dot(vector, vector));
    double const scale = fan > 0 ? area / fan : 0.0;
    for (int k = 0; k < n; ++k) {
        double const share = pieces[k] * scale / 3;
        p_vertexAreas[static_cast<std::size_t>(p_shape[k])] += share;
        p_vertexAreas[static_cast<std::size_t>(p_shape[(k + 1) % n])] += share;
        for (int j = 0; j < n; ++j) {
            p_vertexAreas[static_cast<std::size_t>(p_shape[j])] += share / n;
        }
    }
    return area;
}

// The element volumes of the named sets, concatenated in the order given.
std::vector<double> setVolumes(zev::Geometry const& p_geometry, std::vector<std::string> const& p_sets)
{
    std::vector<double> out;
    std::vector<double> scratch(p_geometry.getVertices().size(), 0.0);
    for (std::string const& name : p_sets) {
        if (zev::ShapeSet const* set = p_geometry.getElementSet(name)) {
            for (std::size_t i = 0; i < set->size(); ++i) {
                out.push_back(elementVolume((*set)[i], p_geometry.getVertices(), scratch));
            }
        }
    }
    return out;
}

std::vector<std::string> keysOf(zev::Variable const& p_variable, zev::VarLocation p_location)
{
    auto const keys = p_variable.getDataKeysOnLocation(p_location);
    return std::vector<std::string>(keys.begin(), keys.end());
}

char const* locationName(zev::VarLocation p_location)
{
    return p_location == zev::eVertex ? "vertex" : p_location == zev::eElement ? "element" : "face";
}

// The values of an expression at the vertices or at the elements (in the concatenated order of the
// element sets), undefined where a variable it uses is undefined or the result is not finite.
std::vector<float> evaluateExpression(LoadedMesh const& p_mesh, std::string const& p_expression,
                                      zev::VarLocation& p_location)
{
    mu::Parser parser;
    // Slot 0..2 are the coordinates; the rest follow the candidate variables.
    std::vector<MeshVariable const*> candidates;
    std::vector<std::string> names;
    for (MeshVariable const& mv : p_mesh.variables) {
        if (mv.location == zev::eFace) {
            continue;
        }
        bool const identifier = !mv.name.empty() && !std::isdigit(static_cast<unsigned char>(mv.name[0])) &&
                                std::all_of(mv.name.begin(), mv.name.end(), [](char c) {
                                    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
                                });
        bool const taken = std::find(names.begin(), names.end(), mv.name) != names.end();
        if (identifier && !taken) {
            candidates.push_back(&mv);
            names.push_back(mv.name);
        }
    }
    std::vector<double> slots(3 + candidates.size(), 0.0);
    char const* coordinates[3][2] = {{"x", "X"}, {"y", "Y"}, {"z", "Z"}};
    try {
        for (int a = 0; a < 3; ++a) {
            for (char const* spelling : coordinates[a]) {
                if (std::find(names.begin(), names.end(), spelling) == names.end()) {
                    parser.DefineVar(spelling, &slots[static_cast<std::size_t>(a)]);
                }
            }
        }
        for (std::size_t v = 0; v < candidates.size(); ++v) {
            parser.DefineVar(names[v], &slots[3 + v]);
        }
        parser.SetExpr(p_expression);
        mu::varmap_type const used = parser.GetUsedVar();
        // The location is that of the variables used: vertex unless an element variable appears.
        bool element = false, vertex = false;
        std::vector<std::size_t> usedVariables;
        for (std::size_t v = 0; v < candidates.size(); ++v) {
            if (used.count(names[v]) != 0) {
                usedVariables.push_back(v);
                (candidates[v]->location == zev::eElement ? element : vertex) = true;
            }
        }
        if (element && vertex) {
            throw UsageError("the expression '" + p_expression + "' mixes vertex and element variables");
        }
        p_location = element ? zev::eElement : zev::eVertex;

        zev::Geometry const& geometry = p_mesh.geo();
        auto const& vertices = geometry.getVertices();
        std::vector<Point> positions;
        if (p_location == zev::eVertex) {
            positions.reserve(vertices.size());
            for (std::size_t i = 0; i < vertices.size(); ++i) {
                positions.push_back(at(vertices, static_cast<int>(i)));
            }
        } else {
            for (std::string const& name : geometry.getElementSetNames()) {
                zev::ShapeSet const* set = geometry.getElementSet(name);
                for (std::size_t i = 0; set && i < set->size(); ++i) {
                    zev::Shape const& shape = (*set)[i];
                    Point c{0, 0, 0};
                    int const nv = shape.getNumVertices();
                    for (int k = 0; k < nv; ++k) {
                        Point const p = at(vertices, shape[k]);
                        for (int a = 0; a < 3; ++a) {
                            c[a] += p[a] / nv;
                        }
                    }
                    positions.push_back(c);
                }
            }
        }
        std::vector<zev::FloatZEVVector const*> arrays;
        for (std::size_t v : usedVariables) {
            auto const& data = readOnly(*candidates[v])
                                   .getFloatValues(zev::Variable::Description(zev::eUnknown, p_location,
                                                                              zev::Variable::s_allSetName));
            if (data.size() != positions.size()) {
                throw UsageError("the variable '" + names[v] + "' does not cover every " +
                                 locationName(p_location));
            }
            arrays.push_back(&data);
        }
        std::vector<float> out(positions.size(), zev::ZEV_UNDEF);
        for (std::size_t i = 0; i < positions.size(); ++i) {
            bool defined = true;
            for (std::size_t u = 0; u < usedVariables.size(); ++u) {
                float const value = (*arrays[u])[i];
                defined = defined && isDefined(value);
                slots[3 + usedVariables[u]] = value;
            }
            if (!defined) {
                continue;
            }
            std::copy(positions[i].begin(), positions[i].end(), slots.begin());
            double const r = parser.Eval();
            if (std::isfinite(r) && std::fabs(r) < double(zev::ZEV_UNDEF)) {
                out[i] = static_cast<float>(r);
            }
        }
        return out;
    } catch (mu::Parser::exception_type const& e) {
        throw UsageError("cannot evaluate '" + p_expression + "': " + e.GetMsg());
    }
}

} // namespace

VolumeMeasures volumeMeasures(zev::Geometry const& p_geometry)
{
    VolumeMeasures out;
    out.vertexVolumes.assign(p_geometry.getVertices().size(), 0.0);
    for (std::string const& name : p_geometry.getElementSetNames()) {
        if (zev::ShapeSet const* set = p_geometry.getElementSet(name)) {
            for (std::size_t i = 0; i < set->size(); ++i) {
                out.elementVolumes.push_back(
                    elementVolume((*set)[i], p_geometry.getVertices(), out.vertexVolumes));
            }
        }
    }
    out.total = std::accumulate(out.elementVolumes.begin(), out.elementVolumes.end(), 0.0);
    return out;
}

AreaMeasures areaMeasures(zev::Geometry const& p_geometry, std::vector<std::string> const& p_faceSets)
{
    AreaMeasures out;
    out.vertexAreas.assign(p_geometry.getVertices().size(), 0.0);
    for (std::string const& name : p_faceSets) {
        if (zev::ShapeSet const* set = p_geometry.getFaceSet(name)) {
            for (std::size_t i = 0; i < set->size(); ++i) {
                out.faceAreas.push_back(faceArea((*set)[i], p_geometry.getVertices(), out.vertexAreas));
            }
        }
    }
    out.total = std::accumulate(out.faceAreas.begin(), out.faceAreas.end(), 0.0);
    return out;
}

std::vector<std::string> buildBoundary(zev::Geometry& p_geometry)
{
    std::vector<std::string> const elementSets = p_geometry.getElementSetNames();
    if (p_geometry.getNumElements() == 0) {
        return p_geometry.getFaceSetNames();
    }
    zev::ProgressTracker progress;
    progress.add("Face Construction", 0.2);
    progress.add("Duplicates Pass 1", 0.5);
    progress.add("Duplicates Pass 2", 0.3);
    progress.start("Face Construction", p_geometry.getNumElements());

    // Every element face, in element order: its library face type and its corners (flat).
    std::vector<int> types, corners, keys;
    std::vector<std::size_t> start{0};
    for (std::string const& name : elementSets) {
        zev::ShapeSet const* set = p_geometry.getElementSet(name);
        for (std::size_t i = 0; set && i < set->size(); ++i) {
            zev::Shape const& shape = (*set)[i];
            for (int f = 0; f < shape.getNumFaces(); ++f) {
                int n = 0;
                int const* ids = nullptr;
                int const* row = shape.getVerticesForFace(f, n, &ids);
                if (row == nullptr || n < 3) {
                    continue;
                }
                int const type = shape.getType() == zev::POLYHEDRON ? zev::POLYGON
                                 : n == 3                           ? zev::TRI
                                 : n == 4                           ? zev::QUAD
                                                                    : zev::POLYGON;
                types.push_back(type);
                for (int k = 0; k < n; ++k) {
                    corners.push_back(ids[row[k]]);
                }
                start.push_back(corners.size());
            }
            progress.increment();
        }
    }
    std::size_t const numFaces = types.size();

    // A face's key is its sorted set of distinct corners; faces whose key occurs once are the boundary.
    progress.start("Duplicates Pass 1", static_cast<int>(numFaces));
    keys = corners;
    std::vector<std::size_t> keyEnd(numFaces);
    for (std::size_t f = 0; f < numFaces; ++f) {
        auto const first = keys.begin() + static_cast<std::ptrdiff_t>(start[f]);
        auto const last = keys.begin() + static_cast<std::ptrdiff_t>(start[f + 1]);
        std::sort(first, last);
        keyEnd[f] = static_cast<std::size_t>(std::unique(first, last) - keys.begin());
    }
    auto keyLess = [&](std::size_t a, std::size_t b) {
        std::size_t const la = keyEnd[a] - start[a], lb = keyEnd[b] - start[b];
        if (la != lb) {
            return la < lb;
        }
        return std::lexicographical_compare(keys.begin() + static_cast<std::ptrdiff_t>(start[a]),
                                            keys.begin() + static_cast<std::ptrdiff_t>(keyEnd[a]),
                                            keys.begin() + static_cast<std::ptrdiff_t>(start[b]),
                                            keys.begin() + static_cast<std::ptrdiff_t>(keyEnd[b]));
    };
    std::vector<std::size_t> order(numFaces);
    std::iota(order.begin(), order.end(), std::size_t(0));
    std::sort(order.begin(), order.end(), keyLess);
    std::vector<char> keep(numFaces, 0);
    for (std::size_t r = 0; r < numFaces;) {
        std::size_t e = r + 1;
        while (e < numFaces && !keyLess(order[r], order[e])) {
            ++e;
        }
        keep[order[r]] = e - r == 1;
        for (std::size_t k = r; k < e; ++k) {
            progress.increment();
        }
        r = e;
    }

    progress.start("Duplicates Pass 2", static_cast<int>(numFaces));
    struct Target {
        int type;
        char const* name;
    };
    std::vector<std::string> made;
    for (Target const target : {Target{zev::TRI, "ELEMTRIS"}, Target{zev::QUAD, "ELEMQUADS"},
                                Target{zev::POLYGON, "ELEMPOLYGONS"}}) {
        std::size_t count = 0;
        for (std::size_t f = 0; f < numFaces; ++f) {
            count += keep[f] && types[f] == target.type;
        }
        if (count == 0) {
            continue;
        }
        made.push_back(target.name);
        if (p_geometry.getFaceSet(target.name) != nullptr) {
            continue;
        }
        zev::ShapeSet* set = p_geometry.addFaceSet(target.name, static_cast<zev::ShapeType>(target.type),
                                                   static_cast<int>(count), 1.0);
        std::size_t i = 0;
        for (std::size_t f = 0; f < numFaces; ++f) {
            if (!keep[f] || types[f] != target.type) {
                continue;
            }
            zev::Shape& face = (*set)[i++];
            int const n = static_cast<int>(start[f + 1] - start[f]);
            if (target.type == zev::POLYGON) {
                face.setNumVertices(n);
            }
            for (int k = 0; k < n; ++k) {
                face[k] = corners[start[f] + static_cast<std::size_t>(k)];
            }
            progress.increment();
        }
    }
    progress.stop();
    return made;
}

Integral integrate(LoadedMesh& p_mesh, std::string const& p_quantity, bool p_isExpression, Domain p_domain)
{
    Integral out;
    out.quantity = p_quantity;
    out.domain = p_domain;
    zev::Geometry& geometry = p_mesh.geo();

    zev::VarLocation location = zev::eVertex;
    std::vector<float> values;
    MeshVariable const* variable = nullptr;
    if (p_isExpression) {
        values = evaluateExpression(p_mesh, p_quantity, location);
    } else {
        variable = p_mesh.findVariable(p_quantity);
        if (variable == nullptr) {
            throw UsageError("no variable '" + p_quantity + "' in " + p_mesh.source);
        }
        location = variable->location;
        auto const& data = readOnly(*variable).getFloatValues(
            zev::Variable::Description(zev::eUnknown, location, zev::Variable::s_allSetName));
        values.resize(data.size());
        for (std::size_t i = 0; i < data.size(); ++i) {
            values[i] = data[i];
        }
    }
    out.location = locationName(location);

    std::vector<double> weights;
    if (p_domain == Domain::Volume) {
        if (geometry.getNumElements() == 0) {
            throw UsageError(p_mesh.source + " has no volume cells; integrate with --over boundary");
        }
        if (location == zev::eFace) {
            throw UsageError("'" + p_quantity + "' lives on faces; integrate it with --over boundary");
        }
        if (location == zev::eVertex) {
            weights = volumeMeasures(geometry).vertexVolumes;
        } else {
            weights = variable ? setVolumes(geometry, keysOf(*variable->variable, zev::eElement))
                               : volumeMeasures(geometry).elementVolumes;
        }
    } else {
        if (location == zev::eElement) {
            throw UsageError("'" + p_quantity + "' lives on elements; integrate it with --over volume");
        }
        if (location == zev::eVertex) {
            weights = areaMeasures(geometry, buildBoundary(geometry)).vertexAreas;
        } else {
            weights = areaMeasures(geometry, keysOf(*variable->variable, zev::eFace)).faceAreas;
        }
    }
    if (values.size() < weights.size()) {
        throw UsageError("'" + p_quantity + "' has " + std::to_string(values.size()) + " values for " +
                         std::to_string(weights.size()) + " " + out.location + "s");
    }
    double numerator = 0.0, denominator = 0.0;
    for (std::size_t i = 0; i < weights.size(); ++i) {
        if (isDefined(values[i])) {
            numerator += double(values[i]) * weights[i];
            denominator += weights[i];
            out.valid = true;
        }
    }
    out.integral = numerator;
    out.measure = denominator;
    out.average = !out.valid || numerator == 0.0 ? 0.0
                  : denominator == 0.0           ? double(zev::ZEV_UNDEF)
                                                 : numerator / denominator;
    if (!out.valid) {
        out.average = double(zev::ZEV_UNDEF);
    }
    return out;
}

ValueRange valueRange(MeshVariable const& p_variable)
{
    ValueRange out;
    auto const& data = readOnly(p_variable)
                           .getFloatValues(zev::Variable::Description(zev::eUnknown, p_variable.location,
                                                                      zev::Variable::s_allSetName));
    out.size = data.size();
    for (std::size_t i = 0; i < data.size(); ++i) {
        float const v = data[i];
        if (!isDefined(v)) {
            continue;
        }
        if (out.count == 0 || v < out.min) {
            out.min = v;
        }
        if (out.count == 0 || v > out.max) {
            out.max = v;
        }
        ++out.count;
    }
    return out;
}

} // namespace zevgeom
