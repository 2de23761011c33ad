// zevgeom sample: points spread over the boundary surface (or a surface mesh's own surface) by one of the
// sampler's methods, with a vertex variable carried onto them through the sampler's interpolation records.
#include "tools/zevgeom/Command.h"
#include "zev/analysis/Report.h"
#include "zev/contracts/Error.h"
#include "zev/contracts/ReductionUtility.h"
#include "zev/contracts/Undefined.h"
#include "zev/derived/SamplePointsGeometry.h"
#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/geometry/GeometryAutoPtr.h"
#include "zev/interpolants/HybridInterpolantData.h"
#include "zev/interpolants/Interpolant.h"
#include "zev/io/FileAccess.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"

#include <CLI/CLI.hpp>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <limits>
#include <ostream>
#include <utility>

namespace zevgeom {

namespace {

using Method = zev::SamplePointsGeometry::Method;

struct MethodName {
    char const* option;
    Method method;
};

MethodName const s_methods[] = {{"random", zev::SamplePointsGeometry::Random},
                                {"grid", zev::SamplePointsGeometry::RectangularGrid},
                                {"vertices", zev::SamplePointsGeometry::Vertex},
                                {"face-centres", zev::SamplePointsGeometry::FaceCenter},
                                {"free-edges", zev::SamplePointsGeometry::FreeEdge},
                                {"equal-area", zev::SamplePointsGeometry::EquallySpaced},
                                {"equal-area-random", zev::SamplePointsGeometry::EquallySpacedRandom}};

// The sampler's type is registered once per process; a host (the Python module) may have done it first.
void registerSampler()
{
    static bool const s_registered = [] {
        try {
            zev::SamplePointsGeometry::registerType();
        } catch (zev::Error const&) {
            // already registered
        }
        return true;
    }();
    (void)s_registered;
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

class SampleCommand : public Command {
public:
    char const* name() const override { return "sample"; }

    std::string help() const override
    {
        return std::string(
                   "usage: zevgeom sample [MESH] --method METHOD --count N [--seed S] [--accuracy "
                   "low|medium|high]\n"
                   "                      [--var NAME | --expr EXPR] [-o OUT.csv|OUT.vtk] [--region NAME] "
                   "[--json]\n"
                   "\n"
                   "Places sample points on the boundary surface of the volume cells (or on the surface of\n"
                   "a surface mesh) and reports them with the value of a vertex variable or expression at\n"
                   "each, the number of points and the area each stands for.\n"
                   "\n"
                   "methods:\n"
                   "  random             N points at random, shared out in proportion to area\n"
                   "  grid               a square grid of about N points over each face's plane\n"
                   "  vertices           the surface's vertices (at most N, evenly thinned)\n"
                   "  face-centres       the faces' centres (at most N, evenly thinned)\n"
                   "  free-edges         the midpoints of edges with one face (at most N, evenly thinned)\n"
                   "  equal-area         about N points, each standing for the same area\n"
                   "  equal-area-random  the same, with a random start\n"
                   "\n"
                   "options:\n"
                   "  --method METHOD   how the points are placed\n"
                   "  --count N         the number of points wanted\n"
                   "  --seed S          the seed of the random methods (default 1; negative takes the "
                   "clock)\n"
                   "  --accuracy A      low, medium or high (default high): the equal-area refinement\n"
                   "  --var NAME        the vertex variable to carry onto the points\n"
                   "  --expr EXPR       the expression to carry onto the points\n"
                   "  -o, --output OUT  write the points: .csv (x,y,z[,value]) or a mesh file (.vtk, "
                   "...)\n") +
               s_commonOptions;
    }

    void declare(CLI::App& p_app, Options& p_options) const override
    {
        m_method.clear();
        m_count.clear();
        m_seed = "1";
        m_accuracy = "high";
        declareMesh(p_app, p_options);
        p_app.add_option("--method", m_method);
        p_app.add_option("--count", m_count);
        p_app.add_option("--seed", m_seed);
        p_app.add_option("--accuracy", m_accuracy);
        p_app.add_option("--var", p_options.var);
        p_app.add_option("--expr", p_options.expr);
        p_app.add_option("-o,--output", p_options.output);
        declareRegion(p_app, p_options);
        declareJson(p_app, p_options);
    }

    void check(Options& p_options) const override
    {
        checkPositionals(p_options, 1);
        if (m_method.empty()) {
            throw UsageError("sample needs --method random|grid|vertices|face-centres|free-edges|equal-area|"
                             "equal-area-random");
        }
        m_methodId = zev::SamplePointsGeometry::InvalidMethod;
        for (MethodName const& m : s_methods) {
            if (m_method == m.option) {
                m_methodId = m.method;
            }
        }
        if (m_methodId == zev::SamplePointsGeometry::InvalidMethod) {
            throw UsageError("--method takes random, grid, vertices, face-centres, free-edges, equal-area or "
                             "equal-area-random, not '" +
                             terminalSafe(m_method) + "'");
        }
        bool const itemMethod = m_methodId == zev::SamplePointsGeometry::Vertex ||
                                m_methodId == zev::SamplePointsGeometry::FaceCenter ||
                                m_methodId == zev::SamplePointsGeometry::FreeEdge;
        if (m_count.empty() && !itemMethod) {
            throw UsageError("sample --method " + m_method + " needs --count N");
        }
        m_countValue = 0;
        if (!m_count.empty()) {
            m_countValue = parseInt("--count", m_count, 1);
        }
        if (!itemMethod) {
            checkMemory(m_countValue);
        }
        m_seedValue = parseInt("--seed", m_seed, std::numeric_limits<int>::min());
        if (m_accuracy != "low" && m_accuracy != "medium" && m_accuracy != "high") {
            throw UsageError("--accuracy takes low, medium or high, not '" + terminalSafe(m_accuracy) + "'");
        }
        if (p_options.hasVar && p_options.hasExpr) {
            throw UsageError("sample takes at most one of --var NAME and --expr EXPR");
        }
        if ((p_options.hasVar && p_options.var.empty()) || (p_options.hasExpr && p_options.expr.empty())) {
            throw UsageError(p_options.hasVar ? "--var needs a variable name" : "--expr needs an expression");
        }
    }

    int run(Options const& p_options, std::ostream& p_out, std::ostream& p_err) const override
    {
        LoadedMesh mesh = load(p_options);
        zev::Geometry& g = mesh.geo();
        bool const hasValue = p_options.hasVar || p_options.hasExpr;
        std::string const quantity = p_options.hasVar ? p_options.var : p_options.expr;
        std::vector<float> const values =
            hasValue ? vertexValues(mesh, quantity, p_options.hasExpr) : std::vector<float>();

        // The parent: the boundary (or the mesh's own) face sets over the vertices they use, renumbered so
        // that the vertex method sees no interior vertex; meshVertex maps the parent's numbers back for the
        // values.
        std::vector<std::string> const sets = buildBoundary(g);
        installLocationProvider();
        registerSampler();
        zev::GeometryAutoPtr surface(zev::GeometryAPI::instance()->newGeometry("", nullptr));
        zev::TripletZEVVector const& meshVertices = std::as_const(g).getVertices();
        std::vector<int> renumbered(meshVertices.size(), -1);
        std::vector<std::size_t> meshVertex;
        for (std::string const& name : sets) {
            zev::ShapeSet* set = g.getFaceSet(name)->clone();
            for (std::size_t f = 0; f < set->size(); ++f) {
                zev::Shape& face = (*set)[f];
                for (int k = 0; k < face.getNumVertices(); ++k) {
                    std::size_t const id = static_cast<std::size_t>(face[k]);
                    if (renumbered[id] < 0) {
                        renumbered[id] = static_cast<int>(meshVertex.size());
                        meshVertex.push_back(id);
                    }
                    face[k] = renumbered[id];
                }
            }
            surface->insertFaceSet(name, set);
        }
        surface->getVertices().resize(meshVertex.size());
        for (std::size_t i = 0; i < meshVertex.size(); ++i) {
            surface->getVertices()[i] = meshVertices[meshVertex[i]];
        }
        double const area = areaMeasures(g, sets).total;

        zev::GeometryAutoPtr holder(
            zev::GeometryAPI::instance()->newGeometry("SamplePointsGeometry", nullptr));
        auto* sampler = dynamic_cast<zev::SamplePointsGeometry*>(holder.get());
        if (sampler == nullptr) {
            throw std::runtime_error("the sampler is not available");
        }
        // The grid is square, its spacing chosen so that about N nodes cover the area; it is centred.
        float const spacing = m_methodId == zev::SamplePointsGeometry::RectangularGrid && area > 0
                                  ? static_cast<float>(std::sqrt(area / m_countValue))
                                  : 0.0f;
        float const undefined = zev::ZEV_UNDEF;
        zev::ReductionUtility reduction;
        bool const itemMethod = m_methodId == zev::SamplePointsGeometry::Vertex ||
                                m_methodId == zev::SamplePointsGeometry::FaceCenter ||
                                m_methodId == zev::SamplePointsGeometry::FreeEdge;
        if (itemMethod && m_countValue > 0) {
            reduction.setReduction(1.0f, m_countValue);
        }
        std::string accuracy = m_accuracy;
        accuracy[0] = static_cast<char>(accuracy[0] - 'a' + 'A');
        int const count = itemMethod ? 0 : m_countValue;
        int const n = sampler->doSampling(surface.get(), m_methodId, count, spacing, 1.0f, 0.0f,
                                          zev::TripletBase<float>(undefined, undefined, undefined), accuracy,
                                          m_seedValue, &reduction, true, false, true);
        zev::TripletZEVVector const& points = std::as_const(*sampler).getVertices();
        std::vector<float> pointValues;
        if (hasValue) {
            zev::Interpolant const* records = sampler->getInterpolant();
            pointValues.assign(static_cast<std::size_t>(n), zev::ZEV_UNDEF);
            for (int i = 0; i < n && records != nullptr; ++i) {
                zev::HybridInterpolantData record;
                std::string domain;
                records->getInternalData(i, record, domain);
                double sum = 0;
                bool defined = record.m_size > 0;
                for (std::size_t k = 0; k < record.m_size; ++k) {
                    std::size_t const node = static_cast<std::size_t>(record.m_nodes[k]);
                    std::size_t const id = node < meshVertex.size() ? meshVertex[node] : values.size();
                    float const v = id < values.size() ? values[id] : zev::ZEV_UNDEF;
                    defined = defined && v != zev::ZEV_UNDEF && std::isfinite(v);
                    sum += double(record.m_weights[k]) * v;
                }
                pointValues[static_cast<std::size_t>(i)] = defined ? static_cast<float>(sum) : zev::ZEV_UNDEF;
            }
        }
        if (n == 0) {
            p_err << "zevgeom: warning: no sample points were placed\n";
        }
        if (!p_options.output.empty()) {
            write(p_options, points, static_cast<std::size_t>(n), quantity, pointValues);
        }
        double const perPoint = n > 0 ? area / n : std::nan("");
        char const* const label = p_options.hasVar ? "variable" : "expression";

        if (p_options.json) {
            Json doc;
            doc["mesh"] = mesh.source;
            doc["method"] = m_method;
            if (hasValue) {
                doc[label] = quantity;
            }
            if (!p_options.output.empty()) {
                doc["output"] = p_options.output;
            }
            doc["count"] = n;
            doc["area"] = jsonNumber(area);
            doc["areaPerPoint"] = jsonNumber(perPoint);
            Json list = Json::array();
            for (int i = 0; i < n; ++i) {
                zev::Triplet const& p = points[static_cast<std::size_t>(i)];
                Json point;
                point["point"] = Json::array({jsonFloat(p[0]), jsonFloat(p[1]), jsonFloat(p[2])});
                if (hasValue) {
                    point["value"] = jsonFloat(pointValues[static_cast<std::size_t>(i)]);
                }
                list.push_back(point);
            }
            doc["points"] = list;
            printJson(p_out, doc);
            return 0;
        }
        Table t;
        t.row("mesh", terminalSafe(mesh.source));
        t.row("method", m_method);
        if (hasValue) {
            t.row(label, terminalSafe(quantity));
        }
        if (!p_options.output.empty()) {
            t.row("output", terminalSafe(p_options.output));
        }
        t.row("count", std::to_string(n));
        t.row("area", number(area));
        t.row("area per point", number(perPoint));
        t.print(p_out);
        if (n > 0) {
            std::vector<std::vector<std::string>> rows;
            rows.push_back({"x", "y", "z"});
            if (hasValue) {
                rows.back().push_back("value");
            }
            for (int i = 0; i < n; ++i) {
                zev::Triplet const& p = points[static_cast<std::size_t>(i)];
                rows.push_back({shortest(p[0]), shortest(p[1]), shortest(p[2])});
                if (hasValue) {
                    float const v = pointValues[static_cast<std::size_t>(i)];
                    rows.back().push_back(v == zev::ZEV_UNDEF ? "undefined" : shortest(v));
                }
            }
            p_out << '\n';
            printColumns(p_out, rows);
        }
        return 0;
    }

private:
    // The memory a run placing p_count points needs (the sampler's points and interpolation records, the
    // values carried onto them and the report's rows) is checked against the machine's memory before
    // anything is allocated: a count far too large is refused at once rather than paging for minutes.
    static void checkMemory(int p_count)
    {
        double const needed = static_cast<double>(p_count) * s_bytesPerPoint;
        double available =
            static_cast<double>(::sysconf(_SC_PHYS_PAGES)) * static_cast<double>(::sysconf(_SC_PAGESIZE));
        struct rlimit limit;
        if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
            available = std::min(available, static_cast<double>(limit.rlim_cur));
        }
        if (available > 0 && needed > available) {
            double const gigabyte = 1024.0 * 1024.0 * 1024.0;
            throw UsageError("--count " + std::to_string(p_count) + " needs about " +
                             number(needed / gigabyte, 3) + " GB of memory, more than the " +
                             number(available / gigabyte, 3) + " GB this machine has; ask for fewer points");
        }
    }

    // Measured: 10 000 000 points peak at 2.9 GB with the table written out.
    static constexpr double s_bytesPerPoint = 300;

    static int parseInt(std::string const& p_option, std::string const& p_text, long p_min)
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

    static void write(Options const& p_options, zev::TripletZEVVector const& p_points, std::size_t p_n,
                      std::string const& p_quantity, std::vector<float> const& p_values)
    {
        bool const hasValue = !p_values.empty();
        if (endsWith(p_options.output, ".csv")) {
            writeFileSafely(p_options.output, [&](std::ostream& p_file) {
                p_file << "x,y,z";
                if (hasValue) {
                    std::string name = p_quantity;
                    bool const quote = name.find_first_of(",\"\n") != std::string::npos;
                    for (std::size_t at = name.find('"'); at != std::string::npos;
                         at = name.find('"', at + 2)) {
                        name.insert(at, 1, '"');
                    }
                    p_file << ',' << (quote ? "\"" + name + "\"" : name);
                }
                p_file << '\n';
                for (std::size_t i = 0; i < p_n; ++i) {
                    p_file << shortest(p_points[i][0]) << ',' << shortest(p_points[i][1]) << ','
                           << shortest(p_points[i][2]);
                    if (hasValue) {
                        p_file << ','
                               << (p_values[i] == zev::ZEV_UNDEF ? std::string() : shortest(p_values[i]));
                    }
                    p_file << '\n';
                }
            });
            return;
        }
        MeshData cloud;
        cloud.title = "sample points";
        cloud.points.reserve(3 * p_n);
        for (std::size_t i = 0; i < p_n; ++i) {
            for (int k = 0; k < 3; ++k) {
                cloud.points.push_back(p_points[i][k]);
            }
        }
        if (hasValue) {
            DataArray values;
            values.name = p_quantity;
            values.values.assign(p_values.begin(), p_values.begin() + static_cast<std::ptrdiff_t>(p_n));
            cloud.pointData.push_back(std::move(values));
        }
        writeMeshFile(cloud, p_options.output, writeOptions(p_options));
    }

    // What the parser fills in; the registry keeps one command object, so declare() resets them.
    mutable std::string m_method;
    mutable std::string m_count;
    mutable std::string m_seed;
    mutable std::string m_accuracy;
    mutable Method m_methodId = zev::SamplePointsGeometry::InvalidMethod;
    mutable int m_countValue = 0;
    mutable int m_seedValue = 1;
};

} // namespace

std::unique_ptr<Command> makeSampleCommand()
{
    return std::make_unique<SampleCommand>();
}

} // namespace zevgeom
