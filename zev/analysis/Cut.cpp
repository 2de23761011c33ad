#include "zev/analysis/Cut.h"

#include "zev/analysis/Figures.h"
#include "zev/analysis/Flux.h"
#include "zev/analysis/Measures.h"

#include "zev/contracts/Undefined.h"
#include "zev/cutting/GeometryIntersector.h"
#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/interpolants/EdgeInterpolant.h"
#include "zev/interpolants/ElementToFaceInterpolant.h"
#include "zev/interpolants/Interpolant.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/shapes/ShapeType.h"
#include "zev/variables/ScalarVariable.h"
#include "zev/variables/Variable.h"
#include "zev/variables/VectorVariable.h"
#include "zev/visitors/AreaVisitor.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <type_traits>
#include <utility>

namespace zev::analysis {

zev::GeometryAutoPtr newSurface(std::string const& p_name)
{
    installLocationProvider();
    zev::GeometryAutoPtr surface(zev::GeometryAPI::instance()->newGeometry("", nullptr));
    surface.get()->setName(p_name);
    return surface;
}

bool parseNumbers(std::string const& p_text, std::size_t p_count, std::vector<double>& p_numbers)
{
    p_numbers.clear();
    std::size_t start = 0;
    while (true) {
        std::size_t const comma = p_text.find(',', start);
        std::string const field = p_text.substr(start, comma == std::string::npos ? comma : comma - start);
        char* end = nullptr;
        double const value = std::strtod(field.c_str(), &end);
        if (field.empty() || *end != '\0' || !std::isfinite(value)) {
            return false;
        }
        p_numbers.push_back(value);
        if (comma == std::string::npos) {
            return p_numbers.size() == p_count;
        }
        start = comma + 1;
    }
}

bool unitPlane(std::vector<double> const& p_numbers, zev::Triplet& p_normal, double& p_offset)
{
    double const scale = std::max({std::abs(p_numbers[3]), std::abs(p_numbers[4]), std::abs(p_numbers[5])});
    if (!(scale > 0) || !std::isfinite(scale)) {
        return false;
    }
    // Scaled first, so that the squares neither overflow nor vanish.
    double n[3] = {p_numbers[3] / scale, p_numbers[4] / scale, p_numbers[5] / scale};
    double const length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    for (double& c : n) {
        c /= length;
    }
    p_normal = zev::Triplet(n[0], n[1], n[2]);
    p_offset = n[0] * p_numbers[0] + n[1] * p_numbers[1] + n[2] * p_numbers[2];
    return std::isfinite(p_offset);
}

void checkCarriedQuantity(Request const& p_request, char const* p_command)
{
    if (p_request.hasVar && p_request.hasExpr) {
        throw UsageError(std::string(p_command) + " takes at most one of --var NAME and --expr EXPR");
    }
    if ((p_request.hasVar && p_request.var.empty()) || (p_request.hasExpr && p_request.expr.empty())) {
        throw UsageError(p_request.hasVar ? "--var needs a variable name" : "--expr needs an expression");
    }
    auto const flux = p_request.values.find("--flux");
    if (flux != p_request.values.end() &&
        (flux->second.size() > 1 || (flux->second.size() == 1 && flux->second.front().empty()))) {
        throw UsageError("--flux takes one vector variable");
    }
}

zev::VarLocation fileCarriedQuantity(LoadedMesh& p_mesh, Request const& p_request)
{
    markElementData(p_mesh);
    if (!p_request.hasVar && !p_request.hasExpr) {
        return zev::eVertex;
    }
    std::string const& quantity = p_request.hasVar ? p_request.var : p_request.expr;
    // A normal is the cut's own: such a quantity is evaluated on the cut once it is made. A selection of
    // elements has no faces to have normals.
    if (p_request.command != "select" && readsNormal(quantity, p_request.hasExpr)) {
        return zev::eVertex;
    }
    zev::VarLocation const location = fileQuantity(p_mesh, quantity, p_request.hasExpr);
    if (location == zev::eFace) {
        throw UsageError("'" + quantity + "' lives on faces; a cut carries vertex and element values");
    }
    if (location == zev::eElement) {
        // An expression of element variables is element data as well.
        p_mesh.geo().hasElementData(true);
    }
    return location;
}

namespace {

char const* cutFaceTypeName(int p_k)
{
    switch (p_k) {
    case 3:
        return "TRIANGLE";
    case 4:
        return "QUAD";
    case 5:
        return "PENTAGON";
    case 6:
        return "HEXAGON";
    default:
        return "POLYGON";
    }
}

zev::ShapeType cutFaceType(int p_k)
{
    switch (p_k) {
    case 3:
        return zev::TRI;
    case 4:
        return zev::QUAD;
    case 5:
        return zev::PENTAGON;
    case 6:
        return zev::HEXAGON;
    default:
        return zev::POLYGON;
    }
}

// The area vector of the polygon of p_count ids (in double, about its first corner) and its longest side.
void polygonSize(zev::TripletZEVVector const& p_vertices, int const* p_ids, int p_count, double p_area[3],
                 double& p_longest)
{
    p_area[0] = p_area[1] = p_area[2] = 0;
    p_longest = 0;
    zev::Triplet const& o = p_vertices[static_cast<std::size_t>(p_ids[0])];
    auto at = [&](int p_i, int p_c) {
        return double(p_vertices[static_cast<std::size_t>(p_ids[p_i % p_count])][p_c]) - o[p_c];
    };
    for (int i = 0; i < p_count; ++i) {
        double const a[3] = {at(i, 0), at(i, 1), at(i, 2)};
        double const b[3] = {at(i + 1, 0), at(i + 1, 1), at(i + 1, 2)};
        p_area[0] += 0.5 * (a[1] * b[2] - a[2] * b[1]);
        p_area[1] += 0.5 * (a[2] * b[0] - a[0] * b[2]);
        p_area[2] += 0.5 * (a[0] * b[1] - a[1] * b[0]);
        p_longest =
            std::max(p_longest, std::sqrt((b[0] - a[0]) * (b[0] - a[0]) + (b[1] - a[1]) * (b[1] - a[1]) +
                                          (b[2] - a[2]) * (b[2] - a[2])));
    }
}

// Below single precision's resolution of its own size: no area to show.
bool degenerate(zev::TripletZEVVector const& p_vertices, int const* p_ids, int p_count)
{
    double area[3], longest = 0;
    polygonSize(p_vertices, p_ids, p_count, area, longest);
    double const a = std::sqrt(area[0] * area[0] + area[1] * area[1] + area[2] * area[2]);
    return !(a > std::numeric_limits<float>::epsilon() * longest * longest);
}

// The face sets in which a domain's boundary is built.
constexpr char const* s_boundarySets[] = {"ELEMTRIS", "ELEMQUADS", "ELEMPOLYGONS"};

// A boundary face of p_domain in the plane, as domain vertex ids, with the element it belongs to (its set
// number and index in the set).
struct InPlaneFace {
    std::vector<int> ids;
    int set = -1;
    int element = -1;
};

// The boundary faces of p_domain in the plane whose element has no vertex above it: the cut made nothing
// of them. A face in the plane lies between an element below and one above it, from which the cut makes
// it, unless it is on the boundary: the faces in the plane of the elements below, less those an element
// above shares. The domain is only read.
std::vector<InPlaneFace> boundaryFacesBelowPlane(zev::Geometry const& p_domain, CutPlane const& p_plane)
{
    zev::TripletZEVVector const& vertices = p_domain.getVertices();
    auto value = [&](int p_id) { return p_plane.normal.dot(vertices[static_cast<std::size_t>(p_id)]); };
    std::vector<InPlaneFace> below;
    // Most planes hold no face: they are passed without visiting the elements.
    std::size_t onPlane = 0;
    for (std::size_t v = 0; v < vertices.size() && onPlane < 3; ++v) {
        onPlane += p_plane.normal.dot(vertices[v]) == p_plane.d ? 1 : 0;
    }
    if (onPlane < 3) {
        return below;
    }
    std::set<std::vector<int>> aboveFaces;
    std::vector<int> ids, key;
    for (int s = 0; s < p_domain.getNumElementSets(); ++s) {
        zev::ShapeSet const& set = *p_domain.getElementSet(s);
        for (std::size_t e = 0; e < set.size(); ++e) {
            zev::Shape const& element = set[e];
            int on = 0;
            bool above = false;
            for (int k = 0; k < element.getNumVertices(); ++k) {
                float const v = value(element[k]);
                above = above || v > p_plane.d;
                on += v == p_plane.d ? 1 : 0;
            }
            if (on < 3) {
                continue;
            }
            for (int f = 0; f < element.getNumFaces(); ++f) {
                int n = 0;
                int const* local = nullptr;
                int const* row = element.getVerticesForFace(f, n, &local);
                ids.assign(static_cast<std::size_t>(n), 0);
                bool inPlane = n >= 3;
                for (int k = 0; k < n && inPlane; ++k) {
                    ids[static_cast<std::size_t>(k)] = local[row[k]];
                    inPlane = value(ids[static_cast<std::size_t>(k)]) == p_plane.d;
                }
                if (!inPlane) {
                    continue;
                }
                if (above) {
                    key = ids;
                    std::sort(key.begin(), key.end());
                    aboveFaces.insert(key);
                } else {
                    below.push_back({ids, set.getSetNumber(), static_cast<int>(e)});
                }
            }
        }
    }
    // Boundary sets the domain holds already are its boundary: a piece of a distributed mesh keeps there
    // the faces of the whole mesh's boundary, not those it shares with other pieces.
    std::set<std::vector<int>> boundary;
    bool const hasBoundary = !below.empty() && std::any_of(std::begin(s_boundarySets),
                                                           std::end(s_boundarySets), [&](char const* p_name) {
                                                               return p_domain.getFaceSet(p_name) != nullptr;
                                                           });
    for (char const* name : s_boundarySets) {
        zev::ShapeSet const* set = hasBoundary ? p_domain.getFaceSet(name) : nullptr;
        for (std::size_t f = 0; set != nullptr && f < set->size(); ++f) {
            zev::Shape const& face = (*set)[f];
            key.assign(static_cast<std::size_t>(face.getNumVertices()), 0);
            for (int k = 0; k < face.getNumVertices(); ++k) {
                key[static_cast<std::size_t>(k)] = face[k];
            }
            std::sort(key.begin(), key.end());
            boundary.insert(key);
        }
    }
    std::vector<InPlaneFace> out;
    for (InPlaneFace& face : below) {
        key = face.ids;
        std::sort(key.begin(), key.end());
        // Marked as met, so that a face two elements below name (a folded mesh) comes once.
        if (aboveFaces.insert(key).second && (!hasBoundary || boundary.count(key) != 0)) {
            out.push_back(std::move(face));
        }
    }
    return out;
}

zev::ElementToFaceInterpolant* elementRecords(zev::Geometry const& p_surface)
{
    for (zev::Interpolant* i : p_surface.getInterpolantList()) {
        if (auto* records = dynamic_cast<zev::ElementToFaceInterpolant*>(i)) {
            return records;
        }
    }
    return nullptr;
}

} // namespace

void tidyCut(zev::Geometry& p_surface, zev::Geometry& p_domain, CutPlane const* p_plane)
{
    zev::TripletZEVVector& vertices = p_surface.getVertices();
    // By vertex count: the ids of each face, face after face, and the element each face came from (set
    // number and element; -1 where the cut recorded none).
    std::map<int, std::vector<int>> faces;
    std::map<int, std::vector<std::pair<int, int>>> sources;
    zev::ElementToFaceInterpolant const* const oldRecords = elementRecords(p_surface);
    double correction = 1.0;
    bool changed = false;
    std::vector<std::string> const names = p_surface.getFaceSetNames();
    std::vector<int> ids;
    std::vector<std::pair<int, int>> setSources;
    for (std::string const& name : names) {
        zev::ShapeSet const& set = *std::as_const(p_surface).getFaceSet(name);
        correction = set.getCorrectionFactor();
        setSources.clear();
        if (oldRecords != nullptr) {
            try {
                setSources = oldRecords->getFaceSetData(name);
            } catch (zev::Error const&) {
                setSources.clear(); // a set the cut did not describe: its faces carry no element values
            }
        }
        for (std::size_t f = 0; f < set.size(); ++f) {
            zev::Shape const& face = set[f];
            ids.assign(static_cast<std::size_t>(face.getNumVertices()), 0);
            for (int k = 0; k < face.getNumVertices(); ++k) {
                ids[static_cast<std::size_t>(k)] = face[k];
            }
            if (ids.size() < 3 || degenerate(vertices, ids.data(), static_cast<int>(ids.size()))) {
                changed = true;
                continue;
            }
            std::vector<int>& list = faces[static_cast<int>(ids.size())];
            list.insert(list.end(), ids.begin(), ids.end());
            sources[static_cast<int>(ids.size())].push_back(f < setSources.size() ? setSources[f]
                                                                                  : std::make_pair(-1, -1));
        }
    }
    auto* const edges = dynamic_cast<zev::EdgeInterpolant*>(p_surface.getEdgeInterpolant());
    if (p_plane != nullptr && edges != nullptr) {
        // The added faces lie on domain vertices; each gets one surface vertex, whose edge record is the
        // domain vertex with weight 1, and faces towards the normal as the cut's own do.
        std::map<int, int> surfaceVertex;
        zev::TripletZEVVector const& domainVertices = std::as_const(p_domain).getVertices();
        for (InPlaneFace added : boundaryFacesBelowPlane(p_domain, *p_plane)) {
            std::vector<int>& face = added.ids;
            for (int& id : face) {
                auto const [it, isNew] = surfaceVertex.emplace(id, p_surface.getNumVertices());
                if (isNew) {
                    vertices.push_back(domainVertices[static_cast<std::size_t>(id)]);
                    edges->pushVertex(id, id, 1.0f);
                }
                id = it->second;
            }
            double area[3], longest = 0;
            polygonSize(vertices, face.data(), static_cast<int>(face.size()), area, longest);
            if (area[0] * p_plane->normal[0] + area[1] * p_plane->normal[1] + area[2] * p_plane->normal[2] <
                0) {
                std::reverse(face.begin() + 1, face.end());
            }
            std::vector<int>& list = faces[static_cast<int>(face.size())];
            list.insert(list.end(), face.begin(), face.end());
            sources[static_cast<int>(face.size())].emplace_back(added.set, added.element);
            changed = true;
        }
    }
    if (!changed) {
        return;
    }
    for (std::string const& name : names) {
        p_surface.removeFaceSet(name);
    }
    // The sets again as the cut names them; polygons of seven corners or more share one set.
    struct NewFace {
        int count;
        int const* ids;
        std::pair<int, int> source;
    };
    std::map<std::string, std::pair<int, std::vector<NewFace>>> sets;
    for (auto const& [k, list] : faces) {
        auto& entry = sets[cutFaceTypeName(k)];
        entry.first = static_cast<int>(cutFaceType(k));
        std::vector<std::pair<int, int>> const& from = sources[k];
        for (std::size_t at = 0, f = 0; at < list.size(); at += static_cast<std::size_t>(k), ++f) {
            entry.second.push_back({k, list.data() + at, from[f]});
        }
    }
    // The element records again, numbering the faces over the sets in name order as the cut does.
    std::unique_ptr<zev::ElementToFaceInterpolant> records;
    if (oldRecords != nullptr) {
        std::vector<std::string> const domains = oldRecords->getDomains();
        records = std::make_unique<zev::ElementToFaceInterpolant>(
            domains.empty() ? std::string() : domains[0], p_domain.getNumElementSets());
        std::size_t total = 0;
        for (auto const& entry : sets) {
            total += entry.second.second.size();
        }
        records->reserve(total);
    }
    int first = 0;
    for (auto const& [typeName, entry] : sets) {
        std::string const name = p_surface.getName() + ":" + typeName;
        int const count = static_cast<int>(entry.second.size());
        zev::ShapeSet* set =
            p_surface.addFaceSet(name, static_cast<zev::ShapeType>(entry.first), count, correction);
        if (records) {
            records->setFaceSetData(name, first, count);
        }
        for (std::size_t f = 0; f < entry.second.size(); ++f) {
            NewFace const& from = entry.second[f];
            zev::Shape& face = (*set)[f];
            if (entry.first == zev::POLYGON) {
                face.setNumVertices(from.count);
            }
            for (int c = 0; c < from.count; ++c) {
                face[c] = from.ids[c];
            }
            if (records && from.source.first >= 0) {
                records->pushFace(from.source.first, from.source.second, first + static_cast<int>(f));
            }
        }
        first += count;
    }
    if (records) {
        records->pack();
        // Replaces the cut's records (same rank) and deletes them.
        p_surface.updateInterpolant(records.release());
    }
}

GeometryPtr slicePlane(zev::Geometry& p_domain, std::string const& p_domainName, CutPlane const& p_plane)
{
    GeometryPtr surface(newSurface("slice").release());
    zev::GeometryIntersector::intersectWithGeometry(*surface, p_domainName, &p_domain, p_plane.normal,
                                                    p_plane.d);
    tidyCut(*surface, p_domain, &p_plane);
    return surface;
}

GeometryPtr isoSurface(zev::Geometry& p_domain, std::string const& p_domainName,
                       zev::ScalarVariable const& p_field, zev::VarType p_type, float p_value)
{
    GeometryPtr surface(newSurface("iso").release());
    zev::GeometryIntersector::intersectWithGeometry(*surface, p_domainName, &p_domain, &p_field, p_type,
                                                    p_value);
    tidyCut(*surface, p_domain, nullptr);
    return surface;
}

void markElementData(LoadedMesh& p_mesh)
{
    for (MeshVariable const& mv : p_mesh.variables) {
        if (mv.location == zev::eElement && mv.variable) {
            p_mesh.geo().hasElementData(true);
        }
    }
}

namespace {

// The sets of face or element values in the order in which p_byNumber is false: the order of their names
// (the order of a geometry's own face and element arrays); true: elements by set number (the order in which
// element records number their items). Face sets always go by name.
std::vector<std::pair<std::string, std::size_t>> setsInOrder(zev::Geometry const& p_geometry,
                                                             zev::VarLocation p_location, bool p_byNumber)
{
    std::vector<std::pair<std::string, std::size_t>> out;
    if (p_location == zev::eFace) {
        for (std::string const& name : p_geometry.getFaceSetNames()) {
            out.emplace_back(name, p_geometry.getFaceSet(name)->size());
        }
        return out;
    }
    std::vector<std::pair<int, std::string>> sets;
    for (std::string const& name : p_geometry.getElementSetNames()) {
        sets.emplace_back(p_byNumber ? p_geometry.getElementSet(name)->getSetNumber() : 0, name);
    }
    std::stable_sort(sets.begin(), sets.end(),
                     [](auto const& p_a, auto const& p_b) { return p_a.first < p_b.first; });
    for (auto const& entry : sets) {
        out.emplace_back(entry.second, p_geometry.getElementSet(entry.second)->size());
    }
    return out;
}

// Each type's "All" values of p_flat at p_location cut into arrays per set of p_out, filed under the same
// type or, with p_as, under that type (one type's values then).
template <class V, class Array>
void splitIntoSets(V const& p_flat, V& p_out, zev::VarLocation p_location,
                   std::vector<std::pair<std::string, std::size_t>> const& p_sets, Array const& p_undefined,
                   zev::VarType p_as)
{
    std::set<zev::VarType> types = p_flat.getAllTypes(p_location);
    if (p_as != zev::eUnknown && !types.empty()) {
        types = {p_flat.getGlobalType() != zev::eUnknown && types.count(p_flat.getGlobalType()) != 0
                     ? p_flat.getGlobalType()
                     : *types.begin()};
    }
    for (zev::VarType const type : types) {
        auto const& all = [&]() -> auto const&
        {
            if constexpr (std::is_same_v<V, zev::VectorVariable>) {
                return p_flat.getTripletValues(zev::Variable::Description(type, p_location, "All"));
            } else {
                return p_flat.getFloatValues(zev::Variable::Description(type, p_location, "All"));
            }
        }
        ();
        std::size_t at = 0;
        for (auto const& [name, size] : p_sets) {
            zev::Variable::Description const desc(p_as != zev::eUnknown ? p_as : type, p_location, name);
            auto& to = [&]() -> auto&
            {
                if constexpr (std::is_same_v<V, zev::VectorVariable>) {
                    return p_out.getTripletValues(desc);
                } else {
                    return p_out.getFloatValues(desc);
                }
            }
            ();
            to.resize(size);
            for (std::size_t i = 0; i < size; ++i, ++at) {
                to[i] = at < all.size() ? all[at] : p_undefined;
            }
        }
    }
}

// A variable of p_variable's kind holding its "All" values at p_location cut into arrays per set.
std::unique_ptr<zev::Variable> splitVariable(zev::Variable const& p_variable, zev::VarLocation p_location,
                                             std::vector<std::pair<std::string, std::size_t>> const& p_sets,
                                             zev::VarType p_as = zev::eUnknown)
{
    std::unique_ptr<zev::Variable> out;
    if (auto const* vector = dynamic_cast<zev::VectorVariable const*>(&p_variable)) {
        auto split = std::make_unique<zev::VectorVariable>(zev::eUnknown, p_location);
        splitIntoSets(*vector, *split, p_location, p_sets,
                      zev::Triplet(zev::ZEV_UNDEF, zev::ZEV_UNDEF, zev::ZEV_UNDEF), p_as);
        out = std::move(split);
    } else {
        auto split = std::make_unique<zev::ScalarVariable>(zev::eUnknown, p_location);
        splitIntoSets(static_cast<zev::ScalarVariable const&>(p_variable), *split, p_location, p_sets,
                      zev::ZEV_UNDEF, p_as);
        out = std::move(split);
    }
    out->setLocation(p_location);
    return out;
}

} // namespace

std::unique_ptr<zev::Variable> carryVariable(zev::Geometry const& p_target, zev::Variable const& p_parent,
                                             zev::VarLocation p_from, std::string const& p_name)
{
    if (p_from == zev::eFace) {
        return nullptr;
    }
    zev::Interpolant const* through = nullptr;
    for (zev::Interpolant const* i : p_target.getInterpolantList()) {
        if (i == nullptr || through != nullptr) {
            continue;
        }
        zev::VarLocation const to = i->getDestinationVarLocation();
        if (p_from == zev::eVertex ? to == zev::eVertex : (to == zev::eFace || to == zev::eElement)) {
            through = i;
        }
    }
    if (through == nullptr) {
        return nullptr;
    }
    zev::VarLocation const to = through->getDestinationVarLocation();
    std::unique_ptr<zev::Variable> flat(through->interpolate({const_cast<zev::Variable*>(&p_parent)}));
    if (to == zev::eVertex) {
        std::unique_ptr<zev::Variable> named(flat->clone(p_name));
        return named;
    }
    std::unique_ptr<zev::Variable> out = splitVariable(*flat, to, setsInOrder(p_target, to, true));
    out->setName(p_name);
    out->setGlobalType(p_parent.getGlobalType());
    return out;
}

void fileSetArrays(zev::Variable& p_variable, zev::Geometry const& p_geometry, zev::VarLocation p_location)
{
    if (p_location == zev::eVertex || !p_variable.getDataKeysOnLocation(p_location).empty()) {
        return;
    }
    std::vector<std::pair<std::string, std::size_t>> const sets = setsInOrder(p_geometry, p_location, false);
    std::unique_ptr<zev::Variable> const split = splitVariable(p_variable, p_location, sets);
    auto* const vector = dynamic_cast<zev::VectorVariable*>(&p_variable);
    for (zev::VarType const type : split->getAllTypes(p_location)) {
        for (auto const& set : sets) {
            zev::Variable::Description const desc(type, p_location, set.first);
            if (vector != nullptr) {
                vector->getTripletValues(desc) =
                    static_cast<zev::VectorVariable const&>(*split).getTripletValues(desc);
                continue;
            }
            zev::FloatZEVVector const& from = std::as_const(*split).getFloatValues(desc);
            zev::FloatZEVVector& to = p_variable.getFloatValues(desc);
            to.resize(from.size());
            for (std::size_t i = 0; i < from.size(); ++i) {
                to[i] = from[i];
            }
        }
    }
}

std::unique_ptr<zev::Variable> perSetValues(zev::Variable const& p_variable, zev::Geometry const& p_geometry,
                                            zev::VarLocation p_location)
{
    // Filed as the data a file brings, which the element records read whatever type is asked.
    std::unique_ptr<zev::Variable> out =
        splitVariable(p_variable, p_location, setsInOrder(p_geometry, p_location, false), zev::eConservative);
    out->setName(p_variable.getName());
    out->setGlobalType(zev::eConservative);
    return out;
}

namespace {

// Where the quantity of --var or --expr lives in the mesh's geometry (filed there by fileCarriedQuantity).
zev::Variable const* filedQuantity(zev::Geometry& p_domain, std::string const& p_quantity,
                                   zev::VarLocation& p_location)
{
    for (zev::VarLocation const location : {zev::eVertex, zev::eElement}) {
        if (zev::Variable const* values = p_domain.findVariable(p_quantity, location)) {
            p_location = location;
            return values;
        }
    }
    throw UsageError("no vertex or element values of '" + p_quantity + "'");
}

// Files a copy of p_variable in p_geometry at the variable's own location.
void fileCopy(zev::Geometry& p_geometry, zev::Variable const& p_variable, std::string const& p_name)
{
    std::unique_ptr<zev::Variable> copy(p_variable.clone(p_name));
    copy->setLocation(p_variable.getLocation());
    p_geometry.addVariable(copy.get(), p_variable.getLocation());
    copy.release();
}

} // namespace

std::vector<MeshVariable> carryOntoCut(Request const& p_request, LoadedMesh& p_mesh, zev::Geometry& p_surface)
{
    zev::Geometry& domain = p_mesh.geo();
    // Every vertex and element variable of the mesh, and the expression, carried through the cut's
    // interpolants.
    auto carry = [&](zev::Variable const& p_variable, zev::VarLocation p_from, std::string const& p_name) {
        std::unique_ptr<zev::Variable> carried = carryVariable(p_surface, p_variable, p_from, p_name);
        if (!carried) {
            throw UsageError("the cut keeps no " + std::string(p_from == zev::eVertex ? "edge" : "element") +
                             " records to carry '" + p_name + "'");
        }
        return carried;
    };
    std::vector<MeshVariable> carried;
    for (MeshVariable const& mv : p_mesh.variables) {
        if ((mv.location == zev::eVertex || mv.location == zev::eElement) && mv.variable) {
            MeshVariable& out = carried.emplace_back();
            out.name = mv.name;
            out.numComponents = mv.numComponents;
            out.variable = carry(*mv.variable, mv.location, mv.name);
            out.location = out.variable->getLocation();
            if (mv.location == zev::eVertex) {
                out.location = zev::eVertex;
            }
        }
    }
    if ((p_request.hasVar || p_request.hasExpr) &&
        readsNormal(p_request.hasVar ? p_request.var : p_request.expr, p_request.hasExpr)) {
        evaluateOnSurface(p_surface, p_request.hasVar ? p_request.var : p_request.expr, p_request.hasExpr,
                          [&carried](std::string const& p_name) -> zev::Variable const* {
                              for (MeshVariable const& mv : carried) {
                                  if (mv.name == p_name) {
                                      return mv.variable.get();
                                  }
                              }
                              return nullptr;
                          });
    } else if (p_request.hasVar || p_request.hasExpr) {
        std::string const& quantity = p_request.hasVar ? p_request.var : p_request.expr;
        zev::VarLocation from = zev::eVertex;
        zev::Variable const* values = filedQuantity(domain, quantity, from);
        // An expression's element values are one array over the sets; the element records read per set.
        std::unique_ptr<zev::Variable> bySet;
        if (from == zev::eElement && values->getDataKeysOnLocation(zev::eElement).empty()) {
            bySet = perSetValues(*values, domain, zev::eElement);
            values = bySet.get();
        }
        std::unique_ptr<zev::Variable> onCut = carry(*values, from, quantity);
        zev::VarLocation const to = from == zev::eVertex ? zev::eVertex : onCut->getLocation();
        onCut->setLocation(to);
        fileCopy(p_surface, *onCut, quantity);
        listQuantity(carried, quantity, std::move(onCut), to);
    }
    return carried;
}

void listQuantity(std::vector<MeshVariable>& p_list, std::string const& p_name,
                  std::unique_ptr<zev::Variable> p_values, zev::VarLocation p_location)
{
    // A --var is among the mesh's variables already; an expression's result is written as well.
    bool const listed = std::any_of(p_list.begin(), p_list.end(),
                                    [&](MeshVariable const& p_mv) { return p_mv.name == p_name; });
    if (!listed) {
        MeshVariable& out = p_list.emplace_back();
        out.name = p_name;
        out.numComponents = p_values->isVector() ? 3 : 1;
        out.location = p_location;
        out.variable = std::move(p_values);
    }
}

MeshData cutMeshData(zev::Geometry const& p_surface, std::vector<MeshVariable> const& p_variables)
{
    ExportSelection selection;
    selection.elements = false;
    selection.lines = false;
    return fromLibrary(p_surface, p_variables, selection);
}

CutFigures cutFigures(Request const& p_request, zev::Geometry& p_surface)
{
    CutFigures f;
    std::vector<std::string> const sets = p_surface.getFaceSetNames();
    f.sets = setRows(p_surface, false);
    for (SetRow const& r : f.sets) {
        f.count += r.count;
    }
    f.vertices = p_surface.getNumVertices();
    f.measure = areaMeasures(p_surface, sets).total;
    bool const hasQuantity = p_request.hasVar || p_request.hasExpr;
    std::string const& quantity = p_request.hasVar ? p_request.var : p_request.expr;
    // Element values lie on the cut's faces.
    f.location = hasQuantity && p_surface.hasVariable(quantity, zev::eFace) ? "element" : "vertex";
    zev::AreaVisitor visitor(quantity);
    if (hasQuantity && f.count > 0) {
        p_surface.acceptVisitor(visitor);
    }
    f.valid = hasQuantity && f.count > 0 && visitor.isValid();
    f.integral = f.valid ? visitor.getNumerator() : 0.0;
    f.denominator = f.valid ? visitor.getDenominator() : 0.0;
    return f;
}

Json setList(std::vector<SetRow> const& p_sets)
{
    Json list = Json::array();
    for (SetRow const& r : p_sets) {
        list.push_back({{"name", r.name}, {"type", shapeName(r.type)}, {"count", r.count}});
    }
    return list;
}

void addSetRows(Table& p_table, std::vector<SetRow> const& p_sets)
{
    for (SetRow const& r : p_sets) {
        p_table.row("  " + terminalSafe(r.name), std::to_string(r.count) + " " + shapeName(r.type));
    }
}

namespace {

// The quantity of --var or --expr as the reports show it; null when neither was given.
struct QuantityReport {
    char const* kind;
    std::string const* name;
    double average;
    bool averageDefined;
};

bool quantityReport(Request const& p_request, CutFigures const& p_figures, QuantityReport& p_report)
{
    if (!p_request.hasVar && !p_request.hasExpr) {
        return false;
    }
    CutFigures const& f = p_figures;
    p_report.kind = p_request.hasVar ? "variable" : "expression";
    p_report.name = p_request.hasVar ? &p_request.var : &p_request.expr;
    p_report.average = averageOf(f.valid, f.integral, f.denominator);
    p_report.averageDefined = f.valid && f.denominator != 0 && p_report.average != double(zev::ZEV_UNDEF) &&
                              std::isfinite(p_report.average);
    return true;
}

} // namespace

void addQuantity(Request const& p_request, CutFigures const& p_figures, Json& p_doc)
{
    QuantityReport q;
    if (quantityReport(p_request, p_figures, q)) {
        p_doc[q.kind] = *q.name;
        p_doc["integral"] = p_figures.valid ? jsonNumber(p_figures.integral) : Json(nullptr);
        p_doc["average"] = q.averageDefined ? jsonNumber(q.average) : Json(nullptr);
    }
    auto const flux = p_request.values.find("--flux");
    if (p_figures.hasFlux && flux != p_request.values.end()) {
        p_doc["vector"] = flux->second.front();
        p_doc["flux"] = p_figures.fluxValid ? jsonNumber(p_figures.flux) : Json(nullptr);
    }
}

void addQuantity(Request const& p_request, CutFigures const& p_figures, Table& p_table)
{
    QuantityReport q;
    if (quantityReport(p_request, p_figures, q)) {
        p_table.row(q.kind, terminalSafe(*q.name) + " (" + p_figures.location + ")");
        p_table.row("integral", p_figures.valid ? number(p_figures.integral, 9) : "undefined");
        p_table.row("average", q.averageDefined ? number(q.average, 9) : "undefined");
    }
    auto const flux = p_request.values.find("--flux");
    if (p_figures.hasFlux && flux != p_request.values.end()) {
        p_table.row("vector", terminalSafe(flux->second.front()) + " (vertex)");
        p_table.row("flux", p_figures.fluxValid ? number(p_figures.flux, 9) : "undefined");
    }
}

Document cutReportHead(Request const& p_request, std::string const& p_source, std::string const& p_label,
                       Json const& p_what, std::string const& p_text)
{
    Document doc;
    doc.text("mesh", "mesh", p_source).add(p_label, p_label, p_what, p_text);
    if (!p_request.output.empty()) {
        doc.text("output", "output", p_request.output);
    }
    return doc;
}

void addCutFigures(Request const& p_request, CutFigures const& p_figures, Document& p_doc,
                   char const* p_measure, std::string const& p_measureText)
{
    p_doc.add("sets", "", setList(p_figures.sets), "");
    addSetRows(p_doc.table(), p_figures.sets);
    p_doc.add(p_measure, p_measure, jsonNumber(p_figures.measure), p_measureText);
    addQuantity(p_request, p_figures, p_doc.json());
    addQuantity(p_request, p_figures, p_doc.table());
}

void printCut(Request const& p_request, std::string const& p_source,
              std::pair<std::string, std::string> const& p_what, Json const& p_whatJson,
              CutFigures const& p_figures, std::ostream& p_out)
{
    Document doc = cutReportHead(p_request, p_source, p_what.first, p_whatJson, terminalSafe(p_what.second));
    doc.count("vertices", "vertices", p_figures.vertices).count("faces", "faces", p_figures.count);
    addCutFigures(p_request, p_figures, doc, "area", number(p_figures.measure));
    doc.print(p_out, p_request.json);
}

int reportCut(Request const& p_request, LoadedMesh& p_mesh, zev::Geometry& p_surface,
              std::pair<std::string, std::string> const& p_what, Json const& p_whatJson, std::ostream& p_out)
{
    std::vector<MeshVariable> const variables = carryOntoCut(p_request, p_mesh, p_surface);
    if (!p_request.output.empty()) {
        writeOutput(cutMeshData(p_surface, variables), p_request);
    }
    CutFigures figures = cutFigures(p_request, p_surface);
    auto const flux = p_request.values.find("--flux");
    if (flux != p_request.values.end() && !flux->second.empty()) {
        Flux const through = cutFlux(p_request, p_mesh, p_surface, variables);
        figures.hasFlux = true;
        figures.fluxValid = through.valid;
        figures.flux = through.flux;
    }
    printCut(p_request, p_mesh.source, p_what, p_whatJson, figures, p_out);
    return 0;
}

} // namespace zev::analysis
