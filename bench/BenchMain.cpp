// The benchmark program: registers every workload, runs them through Google Benchmark, and
// closes with the result table (per workload and size: our time per item, the peer's, their
// ratio, and the ratio to the hardware reference), printed and optionally written to a file.
//
// Options besides Google Benchmark's own:
//   --sizes=32,64    box sizes (cells per edge) instead of the defaults
//   --table=PATH     also write the table (Markdown) to PATH

#include "bench/BenchSupport.h"

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

class TableReporter : public benchmark::ConsoleReporter {
public:
    explicit TableReporter(std::string p_tablePath) : m_tablePath(std::move(p_tablePath)) {}

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
        os << ".\n\nTimes are CPU time per item in nanoseconds. peer/zev above 1 means the library is "
              "faster; "
              "zev/bound is the library's time over the hardware reference's (1 is the bound). Peak is the "
              "process's peak resident memory during the run, in MB.\n";

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
            os << "\n### " << w << "\n\n"
               << "| mesh | size | zev ns/item | peer ns/item | peer/zev | bound ns/item | zev/bound | zev "
                  "peak MB | "
                  "peer peak MB |\n"
               << "|---|---:|---:|---:|---:|---:|---:|---:|---:|\n";
            for (const auto& row : rows[w]) {
                const std::string& mesh = std::get<0>(row);
                const long size = std::get<1>(row);
                const Result* ours = find(key(w, mesh, "zev", size));
                const Result* peer = find(key(w, mesh, "peer", size));
                const Result* bound = find(key(w, mesh, "bound", size));
                if (bound == nullptr)
                    bound = find(key(w, "any", "bound", size));
                const double z = ns(ours), p = ns(peer), b = ns(bound);
                std::string zText = number(z);
                if (ours == nullptr)
                    zText = findEntry(key(w, mesh, "zev", size)) ? "not run" : "not built";
                else if (!ours->ok)
                    zText = "error: " + ours->error;
                os << "| " << mesh << " (per " << std::get<2>(row) << ") | " << size << " | " << zText
                   << " | " << number(p) << " | " << ratio(p / z) << " | " << number(b) << " | "
                   << ratio(z / b) << " | " << number(mb(ours)) << " | " << number(mb(peer)) << " |\n";
            }
        }

        os << "\n### Memory held per element\n\n"
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
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--sizes=", 8) == 0)
            bench::setSizes(bench::parseSizes(argv[i] + 8));
        else if (std::strncmp(argv[i], "--table=", 8) == 0)
            tablePath = argv[i] + 8;
        else
            args.push_back(argv[i]);
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 1;

    // The library's workloads first, then the peer's, so each side builds its meshes once.
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

    bench::TableReporter reporter(tablePath);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    bench::dropAllCaches();
    benchmark::Shutdown();
    return 0;
}
