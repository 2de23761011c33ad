// The sample operation.
#include "zev/analysis/Sample.h"

#include "zev/analysis/Measures.h"
#include "zev/analysis/Progress.h"
#include "zev/contracts/Error.h"
#include "zev/contracts/ReductionUtility.h"
#include "zev/contracts/Undefined.h"
#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/interpolants/HybridInterpolantData.h"
#include "zev/interpolants/Interpolant.h"
#include "zev/io/FileAccess.h"
#include "zev/io/MeshFile.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <ostream>
#include <stdexcept>
#include <utility>

namespace zev::analysis {

namespace {

using Sampler = zev::SamplePointsGeometry;

struct MethodName {
    char const* name;
    Sampler::Method method;
};

MethodName const s_methods[] = {{"random", Sampler::Random},
                                {"grid", Sampler::RectangularGrid},
                                {"vertices", Sampler::Vertex},
                                {"face-centres", Sampler::FaceCenter},
                                {"free-edges", Sampler::FreeEdge},
                                {"equal-area", Sampler::EquallySpaced},
                                {"equal-area-random", Sampler::EquallySpacedRandom}};

// The sampler's type is registered once per process; a host may have done it first.
void registerSampler()
{
    static bool const s_registered = [] {
        try {
            Sampler::registerType();
        } catch (zev::Error const&) {
            // already registered
        }
        return true;
    }();
    (void)s_registered;
}

// The single value of a request's option, or p_default when it is not given.
std::string optionValue(Request const& p_request, std::string const& p_option, std::string const& p_default)
{
    auto const found = p_request.values.find(p_option);
    return found == p_request.values.end() || found->second.empty() ? p_default : found->second.back();
}

int parseInt(std::string const& p_option, std::string const& p_text, long p_min)
{
    char* stop = nullptr;
    errno = 0;
    long const value = std::strtol(p_text.c_str(), &stop, 10);
    if (p_text.empty() || *stop != '\0' || errno != 0 || value < p_min ||
        value > std::numeric_limits<int>::max()) {
        throw UsageError(
            p_option +
            (p_min > 0 ? " takes a positive whole number, not '" : " takes a whole number, not '") +
            terminalSafe(p_text) + "'");
    }
    return static_cast<int>(value);
}

bool endsWith(std::string const& p_text, std::string const& p_end)
{
    return p_text.size() >= p_end.size() &&
           p_text.compare(p_text.size() - p_end.size(), p_end.size(), p_end) == 0;
}

// A single-precision value as the shortest decimal that reads back as the same float.
std::string shortest(float p_value)
{
    for (int digits = 6; digits < 9; ++digits) {
        std::string const text = number(p_value, digits);
        if (static_cast<float>(std::strtod(text.c_str(), nullptr)) == p_value) {
            return text;
        }
    }
    return number(p_value, 9);
}

Json jsonFloat(float p_value)
{
    if (!std::isfinite(p_value) || p_value == zev::ZEV_UNDEF) {
        return nullptr;
    }
    return std::strtod(shortest(p_value).c_str(), nullptr);
}

// The surface the points go on: the boundary faces of the mesh's elements (a surface mesh: its own
// faces), over only the vertices they use so that the vertex method sees no interior vertex. The faces
// are found on a scratch copy of the element sets: the mesh itself gains no sets. p_meshVertex maps the
// surface's vertex numbers back to the mesh's.
GeometryPtr samplingSurface(zev::Geometry const& p_mesh, std::vector<std::size_t>& p_meshVertex,
                            double& p_area)
{
    GeometryPtr scratch(zev::GeometryAPI::instance()->newGeometry("", nullptr));
    scratch->getVertices() = p_mesh.getVertices();
    zev::Geometry const* faces = &p_mesh;
    std::vector<std::string> sets;
    if (p_mesh.getNumElements() > 0) {
        for (std::string const& name : p_mesh.getElementSetNames()) {
            scratch->insertElementSet(name, p_mesh.getElementSet(name)->clone());
        }
        sets = buildBoundary(*scratch);
        faces = scratch.get();
    } else {
        sets = p_mesh.getFaceSetNames();
    }
    GeometryPtr surface(zev::GeometryAPI::instance()->newGeometry("", nullptr));
    zev::TripletZEVVector const& meshVertices = p_mesh.getVertices();
    std::vector<int> renumbered(meshVertices.size(), -1);
    p_meshVertex.clear();
    for (std::string const& name : sets) {
        zev::ShapeSet* set = faces->getFaceSet(name)->clone();
        for (std::size_t f = 0; f < set->size(); ++f) {
            zev::Shape& face = (*set)[f];
            for (int k = 0; k < face.getNumVertices(); ++k) {
                std::size_t const id = static_cast<std::size_t>(face[k]);
                if (renumbered[id] < 0) {
                    renumbered[id] = static_cast<int>(p_meshVertex.size());
                    p_meshVertex.push_back(id);
                }
                face[k] = renumbered[id];
            }
        }
        surface->insertFaceSet(name, set);
    }
    surface->getVertices().resize(p_meshVertex.size());
    for (std::size_t i = 0; i < p_meshVertex.size(); ++i) {
        surface->getVertices()[i] = meshVertices[p_meshVertex[i]];
    }
    p_area = areaMeasures(*faces, sets).total;
    return surface;
}

} // namespace

Sampler::Method sampleMethod(std::string const& p_name)
{
    for (MethodName const& m : s_methods) {
        if (p_name == m.name) {
            return m.method;
        }
    }
    return Sampler::InvalidMethod;
}

bool isItemMethod(Sampler::Method p_method)
{
    return p_method == Sampler::Vertex || p_method == Sampler::FaceCenter || p_method == Sampler::FreeEdge;
}

SampleOptions sampleOptions(Request const& p_request)
{
    SampleOptions options;
    options.methodName = optionValue(p_request, "--method", "");
    if (options.methodName.empty()) {
        throw UsageError("sample needs --method random|grid|vertices|face-centres|free-edges|equal-area|"
                         "equal-area-random");
    }
    options.method = sampleMethod(options.methodName);
    if (options.method == Sampler::InvalidMethod) {
        throw UsageError("--method takes random, grid, vertices, face-centres, free-edges, equal-area or "
                         "equal-area-random, not '" +
                         terminalSafe(options.methodName) + "'");
    }
    std::string const count = optionValue(p_request, "--count", "");
    if (count.empty() && !isItemMethod(options.method)) {
        throw UsageError("sample --method " + options.methodName + " needs --count N");
    }
    options.count = count.empty() ? 0 : parseInt("--count", count, 1);
    options.seed = parseInt("--seed", optionValue(p_request, "--seed", "1"), std::numeric_limits<int>::min());
    std::string const accuracy = optionValue(p_request, "--accuracy", "high");
    if (accuracy != "low" && accuracy != "medium" && accuracy != "high") {
        throw UsageError("--accuracy takes low, medium or high, not '" + terminalSafe(accuracy) + "'");
    }
    options.accuracy = accuracy;
    options.accuracy[0] = static_cast<char>(accuracy[0] - 'a' + 'A');
    return options;
}

SampleResult sample(LoadedMesh& p_mesh, SampleOptions const& p_options, std::string const& p_quantity,
                    bool p_isExpression)
{
    SampleResult result;
    result.source = p_mesh.source;
    result.options = p_options;
    result.quantity = p_quantity;
    result.isExpression = p_isExpression;
    bool const hasValue = !p_quantity.empty();
    std::vector<float> const values =
        hasValue ? vertexValues(p_mesh, p_quantity, p_isExpression) : std::vector<float>();

    installLocationProvider();
    registerSampler();
    std::vector<std::size_t> meshVertex;
    GeometryPtr const surface = samplingSurface(p_mesh.geo(), meshVertex, result.area);

    result.points.reset(zev::GeometryAPI::instance()->newGeometry("SamplePointsGeometry", nullptr));
    auto* sampler = dynamic_cast<Sampler*>(result.points.get());
    if (sampler == nullptr) {
        throw std::runtime_error("the sampler is not available");
    }
    bool const items = isItemMethod(p_options.method);
    // The grid is square, its spacing chosen so that about N nodes cover the area; it is centred. A surface
    // of no area has no grid.
    bool const grid = p_options.method == Sampler::RectangularGrid;
    float const spacing = grid && result.area > 0 && p_options.count > 0
                              ? static_cast<float>(std::sqrt(result.area / p_options.count))
                              : 0.0f;
    int n = 0;
    if (!grid || spacing > 0.0f) {
        zev::ReductionUtility reduction;
        if (items && p_options.count > 0) {
            reduction.setReduction(1.0f, p_options.count);
        }
        float const undefined = zev::ZEV_UNDEF;
        n = sampler->doSampling(surface.get(), p_options.method, items ? 0 : p_options.count, spacing, 1.0f,
                                0.0f, zev::TripletBase<float>(undefined, undefined, undefined),
                                p_options.accuracy, p_options.seed, &reduction, true, false, true);
    }
    result.count = static_cast<std::size_t>(std::max(n, 0));

    if (hasValue) {
        // Each point's record weighs surface vertices, whose values are the mesh's.
        zev::Interpolant const* records = sampler->getInterpolant();
        result.values.assign(result.count, zev::ZEV_UNDEF);
        for (std::size_t i = 0; i < result.count && records != nullptr; ++i) {
            zev::HybridInterpolantData record;
            std::string domain;
            records->getInternalData(static_cast<int>(i), record, domain);
            double sum = 0;
            bool defined = record.m_size > 0;
            for (std::size_t k = 0; k < record.m_size; ++k) {
                std::size_t const node = static_cast<std::size_t>(record.m_nodes[k]);
                std::size_t const id = node < meshVertex.size() ? meshVertex[node] : values.size();
                float const v = id < values.size() ? values[id] : zev::ZEV_UNDEF;
                defined = defined && v != zev::ZEV_UNDEF && std::isfinite(v);
                sum += double(record.m_weights[k]) * v;
            }
            result.values[i] = defined ? static_cast<float>(sum) : zev::ZEV_UNDEF;
        }
    }
    return result;
}

SampleResult sample(LoadedMesh& p_mesh, Request const& p_request)
{
    bool const hasValue = p_request.hasVar || p_request.hasExpr;
    std::string const quantity = !hasValue          ? std::string()
                                 : p_request.hasVar ? p_request.var
                                                    : p_request.expr;
    return sample(p_mesh, sampleOptions(p_request), quantity, p_request.hasExpr);
}

void writeSample(Request const& p_request, SampleResult const& p_result)
{
    zev::TripletZEVVector const& points = std::as_const(*p_result.points).getVertices();
    std::size_t const n = p_result.count;
    bool const hasValue = !p_result.quantity.empty();
    if (endsWith(p_request.output, ".csv")) {
        Phase const phase("writing");
        writeFileSafely(p_request.output, [&](std::ostream& p_file) {
            p_file << "x,y,z";
            if (hasValue) {
                std::string name = p_result.quantity;
                bool const quote = name.find_first_of(",\"\n") != std::string::npos;
                for (std::size_t at = name.find('"'); at != std::string::npos; at = name.find('"', at + 2)) {
                    name.insert(at, 1, '"');
                }
                p_file << ',' << (quote ? "\"" + name + "\"" : name);
            }
            p_file << '\n';
            for (std::size_t i = 0; i < n; ++i) {
                p_file << shortest(points[i][0]) << ',' << shortest(points[i][1]) << ','
                       << shortest(points[i][2]);
                if (hasValue) {
                    p_file << ','
                           << (p_result.values[i] == zev::ZEV_UNDEF ? std::string()
                                                                    : shortest(p_result.values[i]));
                }
                p_file << '\n';
            }
        });
        return;
    }
    MeshData cloud;
    cloud.title = "sample points";
    cloud.points.reserve(3 * n);
    for (std::size_t i = 0; i < n; ++i) {
        for (int k = 0; k < 3; ++k) {
            cloud.points.push_back(points[i][k]);
        }
    }
    if (hasValue) {
        DataArray values;
        values.name = p_result.quantity;
        values.values.assign(p_result.values.begin(),
                             p_result.values.begin() + static_cast<std::ptrdiff_t>(n));
        cloud.pointData.push_back(std::move(values));
    }
    writeOutput(cloud, p_request);
}

void printSample(Request const& p_request, SampleResult const& p_result, std::ostream& p_out)
{
    zev::TripletZEVVector const& points = std::as_const(*p_result.points).getVertices();
    std::size_t const n = p_result.count;
    bool const hasValue = !p_result.quantity.empty();
    double const perPoint = n > 0 ? p_result.area / static_cast<double>(n) : std::nan("");
    char const* const label = p_result.isExpression ? "expression" : "variable";

    if (p_request.json) {
        Json doc;
        doc["mesh"] = p_result.source;
        doc["method"] = p_result.options.methodName;
        if (hasValue) {
            doc[label] = p_result.quantity;
        }
        if (!p_request.output.empty()) {
            doc["output"] = p_request.output;
        }
        doc["count"] = n;
        doc["area"] = jsonNumber(p_result.area);
        doc["areaPerPoint"] = jsonNumber(perPoint);
        Json list = Json::array();
        for (std::size_t i = 0; i < n; ++i) {
            zev::Triplet const& p = points[i];
            Json point;
            point["point"] = Json::array({jsonFloat(p[0]), jsonFloat(p[1]), jsonFloat(p[2])});
            if (hasValue) {
                point["value"] = jsonFloat(p_result.values[i]);
            }
            list.push_back(point);
        }
        doc["points"] = list;
        printJson(p_out, doc);
        return;
    }
    Table t;
    t.row("mesh", terminalSafe(p_result.source));
    t.row("method", p_result.options.methodName);
    if (hasValue) {
        t.row(label, terminalSafe(p_result.quantity));
    }
    if (!p_request.output.empty()) {
        t.row("output", terminalSafe(p_request.output));
    }
    t.row("count", std::to_string(n));
    t.row("area", number(p_result.area));
    t.row("area per point", number(perPoint));
    t.print(p_out);
    if (n > 0) {
        std::vector<std::vector<std::string>> rows;
        rows.push_back({"x", "y", "z"});
        if (hasValue) {
            rows.back().push_back("value");
        }
        for (std::size_t i = 0; i < n; ++i) {
            zev::Triplet const& p = points[i];
            rows.push_back({shortest(p[0]), shortest(p[1]), shortest(p[2])});
            if (hasValue) {
                float const v = p_result.values[i];
                rows.back().push_back(v == zev::ZEV_UNDEF ? "undefined" : shortest(v));
            }
        }
        p_out << '\n';
        printColumns(p_out, rows);
    }
}

} // namespace zev::analysis
