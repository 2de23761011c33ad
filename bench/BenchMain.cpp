// The benchmark program: registers every workload, runs them through Google Benchmark, and
// closes with the result table (per workload and size: our time per item, the peer's, their
// ratio, and the ratio to the hardware reference), printed and optionally written to a file.
//
// Options besides Google Benchmark's own:
//   --sizes=32,64    box sizes (cells per edge) instead of the defaults
//   --quick          every workload at its small size only (a minute or two in all)
//   --table=PATH     also write the table (Markdown) to PATH
//   --readme=PATH    also put the table into PATH between the marker lines
//                    "<!-- bench-table:begin -->" and "<!-- bench-table:end -->"

#include "bench/BenchSupport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <thread>
#include <tuple>

namespace bench {

namespace {

struct Result {
    bool ok = false;
    std::string error;
    double nsPerItem = 0.0;
    double peakMB = 0.0;
    std::map<std::string, double> counters;
};

std::string cpuModel()
{
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    while (std::getline(in, line))
        if (line.compare(0, 10, "model name") == 0) {
            const std::size_t colon = line.find(':');
            return colon == std::string::npos ? line : line.substr(colon + 2);
        }
    return "unknown";
}

std::string today()
{
    const std::time_t now = std::time(nullptr);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M UTC", std::gmtime(&now));
    return text;
}

std::string number(double p_value, int p_digits = 3)
{
    if (!std::isfinite(p_value))
        return "—";
    char text[64];
    if (std::fabs(p_value) >= 1000.0)
        std::snprintf(text, sizeof text, "%.0f", p_value);
    else
        std::snprintf(text, sizeof text, "%.*g", p_digits, p_value);
    return text;
}

std::string ratio(double p_value)
{
    if (!std::isfinite(p_value))
        return "—";
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", p_value);
    return text;
}

// What each workload measures, printed above its rows.
const char* describe(const std::string& p_workload)
{
    static const std::map<std::string, const char*> s_text = {
        {"ElementVolumes", "`clearDataStores()` + `getElementVolumes()` on the jittered box; peer: "
                           "vtkCellSizeFilter, volume only."},
        {"VertexVolumes",
         "`clearDataStores()` + `getVertexVolumes()` (dual regions around the vertices); no peer."},
        {"FaceAreas", "`clearDataStores()` + `getFaceAreas()` on the box's boundary surface; peer: "
                      "vtkCellSizeFilter, area only."},
        {"VertexAreas", "`clearDataStores()` + `getVertexAreas()` (corner sectors of the faces); no peer."},
        {"EdgeInterpolation",
         "a scalar carried by `EdgeInterpolant` over the edges of a lattice in vertex order: `variable` the "
         "generic entry point with a new result variable per call, `variable-kept` the same entry with the "
         "result variable kept by the caller, `array` the typed interpolation into a reused array; bound: "
         "a streaming pass reading the parent and the records once and writing the target once."},
        {"Expression", "`getVariable(\"2*x+y\", false, eVertex)` on 10^6 vertices, the variable deleted each "
                       "time; peer: vtkArrayCalculator; bound: the formula as a plain loop."},
        {"LineQueryOBBTree",
         "`intersectFacesWithLine` (first face in face order on the whole line) for random "
         "lines against a bumpy sphere, index built; peer: vtkOBBTree::IntersectWithLine "
         "on every 20th line."},
        {"LineQueryCellLocator", "the same library run; peer: vtkStaticCellLocator::IntersectWithLine."},
        {"LineIndexBuild", "building the surface search index of the line queries; no peer."},
        {"AreaIntegration",
         "`clearDataStores()` + `AreaVisitor(\"p\")` over the surface, vertex field p (vertex "
         "areas included); peer: vtkIntegrateAttributes."},
        {"VolumeIntegration",
         "`clearDataStores()` + `VolumeVisitor(\"p\")`, vertex field p (dual-region vertex "
         "volumes included); peer: vtkIntegrateAttributes."},
        {"BoundaryFaces", "`calculateFaces()`; peer: vtkGeometryFilter, merging on, fast mode off."},
        {"MergeVertices",
         "`removeDuplicateVertices(1e-4)` on a fresh copy of a mesh with every vertex copied "
         "per cell; peer: vtkStaticCleanPolyData (surfaces only)."},
        {"SelectPlane", "whole elements below the plane x = c (about half the box) into a new output; peer: "
                        "vtkExtractGeometry with that plane."},
        {"SelectRange", "whole elements whose vertex values of x lie in (-1, c); peer: vtkThreshold."},
        {"Projection", "`projectOnGeometry` of 10^6 points onto a wavy sheet of 500 000 triangles, search "
                       "tables built inside; peer: vtkStaticCellLocator build + FindClosestPoint."},
        {"ProjectionSmall", "the same on 10^4 points and 2 048 triangles; bound: every face's "
                            "`projectPointToFace` for every point (brute force)."},
        {"LocateBuild",
         "`deleteAllOctrees()` + `getOctreeForES(0)`; peer: vtkStaticCellLocator::BuildLocator."},
        {"Locate", "`findElement` of points (80 % uniform, 10 % at vertices, 10 % at face centres), octree "
                   "built; peer: vtkStaticCellLocator::FindCell."},
        {"LocateCellLocator", "the same library run; peer: vtkCellLocator::FindCell."},
        {"Probe", "`PointLocator::locate` + `interpolate` of a vertex field at the same points, octree built "
                  "inside; peer: vtkProbeFilter with a vtkStaticCellLocator."},
        {"ElementCut",
         "every element cut by a plane through the cutting kernel with the open-addressing edge "
         "table; no peer."},
        {"ElementCutEdgeMap",
         "the same cuts through the virtual element entry with a `std::map` edge table."},
        {"PolyhedronVolumes",
         "`clearDataStores()` + `getElementVolumes()` on the box written as polyhedra; peer: "
         "vtkCellSizeFilter on VTK_POLYHEDRON cells."},
        {"PolyhedronVertexVolumes", "`clearDataStores()` + `getVertexVolumes()` on the polyhedra; no peer."},
        {"PolyhedronWeights", "`constructWeights` at one interior point per polyhedron; peer: "
                              "vtkPolyhedron::EvaluatePosition."},
        {"SlicePlane",
         "`GeometryIntersector::intersectWithGeometry` with a plane (new output with its face sets "
         "and edge interpolant, octrees built before); peers: vtkCutter, vtkPlaneCutter, "
         "vtk3DLinearGridPlaneCutter."},
        {"SliceTimeStep",
         "a new point field carried onto an existing slice through its edge interpolant; peers: "
         "the plane cutters run again."},
        {"Isosurface", "the same cut at the level 0.35 of the distance from the box centre; peers: "
                       "vtkContourFilter, vtkContourGrid, vtkContour3DLinearGrid."},
        {"SampleRandom",
         "random sample points on a triangulated surface, the parent copy included; no peer."},
        {"SampleEqualArea", "equal-area sample points (High); no peer."},
        {"SampleGrid",
         "grid sample points with face buckets, and with the full scan over every face; no peer."},
        {"FoamRead",
         "`zev::io::readGeometry` of a generated OpenFOAM case (the jittered box, six patches, p and "
         "U at one written time) into a geometry with its variables, ASCII and binary; peer: "
         "vtkOpenFOAMReader, internal mesh and patches, cell arrays, no cell-to-point, latest time."},
        {"Memory", "heap held by the built geometry per element; peer: "
                   "`vtkUnstructuredGrid::GetActualMemorySize()`."},
    };
    const auto it = s_text.find(p_workload);
    return it == s_text.end() ? nullptr : it->second;
}

// A performance target over some rows of the table.
struct Target {
    enum Kind { PeerRatioAtLeast, BoundRatioAtMost, NsAtMost };
    std::string text;
    Kind kind;
    double limit;
    std::vector<std::string> workloads; // empty: every workload with a peer
    std::string mesh;                   // empty: every mesh

    bool covers(const std::string& p_workload, const std::string& p_mesh) const
    {
        if (!mesh.empty() && mesh != p_mesh)
            return false;
        if (workloads.empty())
            return true;
        return std::find(workloads.begin(), workloads.end(), p_workload) != workloads.end();
    }
};

const std::vector<Target>& targets()
{
    static const std::vector<Target> s_targets = {
        {"not slower than the peer on any workload", Target::PeerRatioAtLeast, 1.0, {}, ""},
        {"dual-region vertex volumes of hexahedra ≤ 100 ns per element",
         Target::NsAtMost,
         100.0,
         {"VertexVolumes"},
         "hex"},
        {"volume integration ≥ 3× the peer", Target::PeerRatioAtLeast, 3.0, {"VolumeIntegration"}, ""},
        {"area integration ≥ 3× the peer", Target::PeerRatioAtLeast, 3.0, {"AreaIntegration"}, ""},
        {"edge interpolation, generic entry with a new variable, ≤ 1.5× the streaming pass",
         Target::BoundRatioAtMost,
         1.5,
         {"EdgeInterpolation"},
         "variable"},
        {"edge interpolation, generic entry with a kept variable, ≤ 1.5× the streaming pass",
         Target::BoundRatioAtMost,
         1.5,
         {"EdgeInterpolation"},
         "variable-kept"},
        {"edge interpolation into an array ≤ 2× the streaming pass",
         Target::BoundRatioAtMost,
         2.0,
         {"EdgeInterpolation"},
         "array"},
        {"boundary construction ≥ 2× the peer", Target::PeerRatioAtLeast, 2.0, {"BoundaryFaces"}, ""},
        {"vertex merging ≥ 2× the peer", Target::PeerRatioAtLeast, 2.0, {"MergeVertices"}, ""},
        {"volume selection ≥ 3× the peer", Target::PeerRatioAtLeast, 3.0, {"SelectPlane", "SelectRange"}, ""},
        {"projecting 10^6 points onto 500 000 triangles ≥ 2× the peer",
         Target::PeerRatioAtLeast,
         2.0,
         {"Projection"},
         ""},
        {"point location ≥ 2× the peer's locators per query",
         Target::PeerRatioAtLeast,
         2.0,
         {"Locate", "LocateCellLocator"},
         ""},
        {"octree build no slower than the peer's locator build",
         Target::PeerRatioAtLeast,
         1.0,
         {"LocateBuild"},
         ""},
        {"probing ≥ 2× vtkProbeFilter", Target::PeerRatioAtLeast, 2.0, {"Probe"}, ""},
        {"line queries ≥ 2× the peer's locators",
         Target::PeerRatioAtLeast,
         2.0,
         {"LineQueryOBBTree", "LineQueryCellLocator"},
         ""},
        {"polyhedron volumes and weights ≥ 2× the peer",
         Target::PeerRatioAtLeast,
         2.0,
         {"PolyhedronVolumes", "PolyhedronWeights"},
         ""},
        {"plane cuts and isosurfaces ≥ 2× the fastest peer",
         Target::PeerRatioAtLeast,
         2.0,
         {"SlicePlane", "Isosurface"},
         ""},
        {"a new time step on a cut ≥ 10× the fastest peer",
         Target::PeerRatioAtLeast,
         10.0,
         {"SliceTimeStep"},
         ""},
        {"reading an OpenFOAM case ≥ 2× the peer", Target::PeerRatioAtLeast, 2.0, {"FoamRead"}, ""},
    };
    return s_targets;
}

// Replaces the lines between the begin and end markers of p_path by p_text; a file without
// both markers is left as it is.
void replaceMarkedSection(const std::string& p_path, const std::string& p_text)
{
    const std::string begin = "<!-- bench-table:begin -->";
    const std::string end = "<!-- bench-table:end -->";
    std::ifstream in(p_path);
    if (!in) {
        std::cerr << "zev_bench: cannot read " << p_path << "\n";
        return;
    }
    std::stringstream whole;
    whole << in.rdbuf();
    const std::string text = whole.str();
    const std::size_t a = text.find(begin);
    const std::size_t b = a == std::string::npos ? std::string::npos : text.find(end, a);
    if (b == std::string::npos) {
        std::cerr << "zev_bench: no table markers in " << p_path << "\n";
        return;
    }
    std::ofstream out(p_path);
    out << text.substr(0, a + begin.size()) << "\n" << p_text << "\n" << text.substr(b);
}

class TableReporter : public benchmark::ConsoleReporter {
public:
    TableReporter(std::string p_tablePath, std::string p_readmePath)
        : m_tablePath(std::move(p_tablePath)), m_readmePath(std::move(p_readmePath))
    {
    }

    void ReportRuns(const std::vector<Run>& p_runs) override
    {
        benchmark::ConsoleReporter::ReportRuns(p_runs);
        for (const Run& run : p_runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median")
                continue;
            const std::string& name = run.run_name.function_name;
            Result r;
            r.ok = !run.error_occurred;
            r.error = run.error_message;
            for (const auto& c : run.counters)
                r.counters[c.first] = c.second.value;
            const auto ips = r.counters.find("items_per_second");
            r.nsPerItem = (ips != r.counters.end() && ips->second > 0) ? 1e9 / ips->second : NAN;
            const auto peak = r.counters.find("peak_MB");
            r.peakMB = peak != r.counters.end() ? peak->second : NAN;
            m_results[name] = r;
        }
    }

    void Finalize() override
    {
        benchmark::ConsoleReporter::Finalize();
        const std::string table = makeTable();
        std::cout << "\n" << table << std::flush;
        if (!m_tablePath.empty()) {
            std::ofstream out(m_tablePath);
            out << table;
        }
        if (!m_readmePath.empty())
            replaceMarkedSection(m_readmePath, table);
    }

private:
    static std::string key(const std::string& p_workload, const std::string& p_mesh,
                           const std::string& p_impl, long p_size)
    {
        return p_workload + "/" + p_mesh + "/" + p_impl + "/" + std::to_string(p_size);
    }

    const Result* find(const std::string& p_key) const
    {
        const auto it = m_results.find(p_key);
        return it == m_results.end() ? nullptr : &it->second;
    }

    static double ns(const Result* p_result) { return p_result && p_result->ok ? p_result->nsPerItem : NAN; }
    static double mb(const Result* p_result) { return p_result && p_result->ok ? p_result->peakMB : NAN; }
    static double counter(const Result* p_result, const char* p_name)
    {
        if (p_result == nullptr || !p_result->ok)
            return NAN;
        const auto it = p_result->counters.find(p_name);
        return it == p_result->counters.end() ? NAN : it->second;
    }

    // The fastest of the peer's implementations of a row ("peer", or several "peer-NAME"),
    // with the name of the one that was fastest ("" for a single peer).
    const Result* fastestPeer(const std::string& p_workload, const std::string& p_mesh, long p_size,
                              std::string& p_which) const
    {
        const Result* best = nullptr;
        for (const Entry& e : entries()) {
            if (e.workload != p_workload || e.mesh != p_mesh || e.size != p_size ||
                e.impl.compare(0, 4, "peer") != 0)
                continue;
            const Result* r = find(key(p_workload, p_mesh, e.impl, p_size));
            if (r == nullptr || !r->ok)
                continue;
            if (best == nullptr || r->nsPerItem < best->nsPerItem) {
                best = r;
                p_which = e.impl.size() > 5 ? e.impl.substr(5) : "";
            }
        }
        return best;
    }

    struct RowFigures {
        double zev = NAN;
        double peer = NAN;
        double bound = NAN;
    };

    RowFigures figures(const std::string& p_workload, const std::string& p_mesh, long p_size) const
    {
        RowFigures f;
        f.zev = ns(find(key(p_workload, p_mesh, "zev", p_size)));
        std::string which;
        f.peer = ns(fastestPeer(p_workload, p_mesh, p_size, which));
        const Result* bound = find(key(p_workload, p_mesh, "bound", p_size));
        if (bound == nullptr)
            bound = find(key(p_workload, "any", "bound", p_size));
        f.bound = ns(bound);
        return f;
    }

    // The status of one target over the rows it covers: the range of its figure and whether
    // every row meets it.
    std::string targetStatus(const Target& p_target) const
    {
        double lo = INFINITY;
        double hi = -INFINITY;
        int rowsSeen = 0;
        bool met = true;
        std::string worst;
        double worstValue = NAN;
        std::set<std::string> seen;
        for (const Entry& e : entries()) {
            if (e.impl != "zev" || !p_target.covers(e.workload, e.mesh))
                continue;
            if (!seen.insert(e.workload + "/" + e.mesh + "/" + std::to_string(e.size)).second)
                continue;
            const RowFigures f = figures(e.workload, e.mesh, e.size);
            double value = NAN;
            switch (p_target.kind) {
            case Target::PeerRatioAtLeast:
                value = f.peer / f.zev;
                break;
            case Target::BoundRatioAtMost:
                value = f.zev / f.bound;
                break;
            case Target::NsAtMost:
                value = f.zev;
                break;
            }
            if (!std::isfinite(value))
                continue;
            ++rowsSeen;
            lo = std::min(lo, value);
            hi = std::max(hi, value);
            const bool rowMet =
                p_target.kind == Target::PeerRatioAtLeast ? value >= p_target.limit : value <= p_target.limit;
            if (!rowMet &&
                (worst.empty() ||
                 (p_target.kind == Target::PeerRatioAtLeast ? value < worstValue : value > worstValue))) {
                worst = e.workload + " " + e.mesh + " " + std::to_string(e.size);
                worstValue = value;
            }
            met = met && rowMet;
        }
        if (rowsSeen == 0)
            return "not run";
        const char* unit = p_target.kind == Target::NsAtMost ? " ns" : "×";
        std::string range = p_target.kind == Target::NsAtMost ? number(lo) : ratio(lo);
        if (hi > lo)
            range += "–" + (p_target.kind == Target::NsAtMost ? number(hi) : ratio(hi));
        std::string status = std::string(met ? "met" : "**not met**") + ": " + range + unit + " (" +
                             std::to_string(rowsSeen) + (rowsSeen == 1 ? " row)" : " rows)");
        if (!met)
            status += "; furthest off: " + worst;
        return status;
    }

    std::string makeTable() const
    {
        std::ostringstream os;
        os << "Run of " << today() << " on " << std::thread::hardware_concurrency()
           << " logical CPUs (nproc), " << cpuModel() << "; "
           << "compiler " << __VERSION__;
#ifdef ZEV_BENCH_PEER_VERSION
        os << "; peer VTK " << ZEV_BENCH_PEER_VERSION << " on one thread";
#else
        os << "; peer not built";
#endif
        os << (quickRun() ? "; quick run (small sizes only)" : "") << ".\n\n"
           << "Times are CPU time per item in nanoseconds. peer/zev above 1 means the library is faster "
              "(where the peer has several implementations, the fastest one, named in brackets); "
              "zev/bound is the library's time over the hardware reference's (1 is the bound). Peak is the "
              "process's peak resident memory during the run, in MB.\n";

        os << "\n### Targets\n\n| target | status |\n|---|---|\n";
        for (const Target& t : targets())
            os << "| " << t.text << " | " << targetStatus(t) << " |\n";

        // Rows: each (workload, mesh, size) that the library or the peer measured, in
        // registration order, grouped by workload.
        std::vector<std::string> workloads;
        std::map<std::string, std::vector<std::tuple<std::string, long, std::string>>> rows;
        std::set<std::string> seen;
        for (const Entry& e : entries()) {
            if (e.impl == "bound" || e.workload == "Memory")
                continue;
            if (rows.find(e.workload) == rows.end())
                workloads.push_back(e.workload);
            const std::string rowKey = e.workload + "/" + e.mesh + "/" + std::to_string(e.size);
            if (seen.insert(rowKey).second)
                rows[e.workload].emplace_back(e.mesh, e.size, e.itemName);
        }
        for (const std::string& w : workloads) {
            os << "\n### " << w << "\n\n";
            const char* what = describe(w);
            if (what != nullptr)
                os << what << "\n\n";
            os << "| mesh | size | zev ns/item | peer ns/item | peer/zev | bound ns/item | zev/bound | zev "
                  "peak MB | peer peak MB |\n"
               << "|---|---:|---:|---:|---:|---:|---:|---:|---:|\n";
            for (const auto& row : rows[w]) {
                const std::string& mesh = std::get<0>(row);
                const long size = std::get<1>(row);
                const Result* ours = find(key(w, mesh, "zev", size));
                std::string which;
                const Result* peer = fastestPeer(w, mesh, size, which);
                const RowFigures f = figures(w, mesh, size);
                std::string zText = number(f.zev);
                if (ours == nullptr)
                    zText = findEntry(key(w, mesh, "zev", size)) ? "not run" : "not built";
                else if (!ours->ok)
                    zText = "error: " + ours->error;
                std::string pText = number(f.peer);
                if (!which.empty() && std::isfinite(f.peer))
                    pText += " (" + which + ")";
                os << "| " << mesh << " (per " << std::get<2>(row) << ") | " << size << " | " << zText
                   << " | " << pText << " | " << ratio(f.peer / f.zev) << " | " << number(f.bound) << " | "
                   << ratio(f.zev / f.bound) << " | " << number(mb(ours)) << " | " << number(mb(peer))
                   << " |\n";
            }
        }

        os << "\n### Memory held per element\n\n"
           << describe("Memory") << "\n\n"
           << "| mesh | size | zev bytes/element | of which vertices | one shape (sizeof) | lean shape bound "
              "| "
              "peer bytes/element |\n"
           << "|---|---:|---:|---:|---:|---:|---:|\n";
        for (const Entry& e : entries()) {
            if (e.workload != "Memory" || e.impl != "zev")
                continue;
            const Result* ours = find(key("Memory", e.mesh, "zev", e.size));
            const Result* peer = find(key("Memory", e.mesh, "peer", e.size));
            os << "| " << e.mesh << " | " << e.size << " | " << number(counter(ours, "bytes_per_element"), 4)
               << " | " << number(counter(ours, "vertex_bytes_per_element"), 3) << " | "
               << number(counter(ours, "shape_bytes")) << " | " << number(counter(ours, "lean_shape_bytes"))
               << " | " << number(counter(peer, "bytes_per_element"), 4) << " |\n";
        }
        return os.str();
    }

    std::string m_tablePath;
    std::string m_readmePath;
    std::map<std::string, Result> m_results;
};

std::vector<int> parseSizes(const char* p_text)
{
    std::vector<int> sizes;
    std::istringstream in(p_text);
    std::string item;
    while (std::getline(in, item, ','))
        if (!item.empty())
            sizes.push_back(std::stoi(item));
    return sizes;
}

} // namespace

} // namespace bench

int main(int argc, char** argv)
{
    std::string tablePath;
    std::string readmePath;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0)
            bench::setQuickRun();
        else if (std::strncmp(argv[i], "--sizes=", 8) == 0)
            bench::setSizes(bench::parseSizes(argv[i] + 8));
        else if (std::strncmp(argv[i], "--table=", 8) == 0)
            tablePath = argv[i] + 8;
        else if (std::strncmp(argv[i], "--readme=", 9) == 0)
            readmePath = argv[i] + 9;
        else
            args.push_back(argv[i]);
    }
    // --sizes wins over the quick run's box sizes wherever it stands.
    for (int i = 0; i < argc; ++i)
        if (std::strncmp(argv[i], "--sizes=", 8) == 0)
            bench::setSizes(bench::parseSizes(argv[i] + 8));
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 1;

    // The library's workloads first, then the peer's, so each side builds its meshes once.
    bench::registerPolyhedronBenchmarks();
    bench::registerMemoryBenchmarks();
    bench::registerMeasureBenchmarks();
    bench::registerInterpolationBenchmarks();
    bench::registerExpressionBenchmarks();
    bench::registerLineBenchmarks();
    // Workloads of operations this tree may not hold yet are built only when it does (the
    // build defines the macros below); the table then shows them as "not built".
#ifdef ZEV_BENCH_VISITORS
    bench::registerVisitorBenchmarks();
#endif
#ifdef ZEV_BENCH_FACES
    bench::registerFaceBenchmarks();
#endif
#ifdef ZEV_BENCH_MERGE
    bench::registerMergeBenchmarks();
#endif
#ifdef ZEV_BENCH_SELECT
    bench::registerSelectBenchmarks();
#endif
#ifdef ZEV_BENCH_PROJECTION
    bench::registerProjectionBenchmarks();
#endif
#ifdef ZEV_BENCH_PEER
    bench::registerPeerBenchmarks();
#endif
    bench::registerLocateBenchmarks();
    bench::registerCutBenchmarks();
    bench::registerSliceBenchmarks();
    bench::registerSampleBenchmarks();
    bench::registerFoamBenchmarks();

    bench::TableReporter reporter(tablePath, readmePath);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    bench::dropAllCaches();
    benchmark::Shutdown();
    return 0;
}
