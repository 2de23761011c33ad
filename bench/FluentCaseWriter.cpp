#include "bench/FluentCaseWriter.h"

#include "bench/BenchSupport.h"
#include "bench/FoamCaseWriter.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <vector>

namespace bench {

namespace {

namespace fs = std::filesystem;

// Section headers hold their numbers in hexadecimal.
std::string hex(std::size_t p_value)
{
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "%zx", p_value);
    return buffer;
}

class SectionWriter {
public:
    void text(const std::string& p_text) { m_out += p_text; }
    // "(ID (HEADER)\n(" then the raw values and ")End of Binary Section ID)".
    template <typename T> void binary(int p_id, const std::string& p_header, const std::vector<T>& p_values)
    {
        m_out += "(" + std::to_string(p_id) + " (" + p_header + ")\n(";
        m_out.append(reinterpret_cast<const char*>(p_values.data()), p_values.size() * sizeof(T));
        m_out += ")End of Binary Section   " + std::to_string(p_id) + ")\n";
    }
    void save(const fs::path& p_path)
    {
        std::ofstream out(p_path, std::ios::binary);
        out.write(m_out.data(), static_cast<std::streamsize>(m_out.size()));
        if (!out)
            throw std::runtime_error("cannot write " + p_path.string());
        m_out.clear();
    }

private:
    std::string m_out;
};

FluentCase writeFluentBox(const fs::path& p_folder, int p_n)
{
    fs::create_directories(p_folder);
    const Mesh lattice = makeMesh(MeshKind::Hex, p_n);
    const FoamFaces faces = boxFaces(p_n);
    const std::size_t nodes = lattice.numVertices();
    const std::size_t cells = static_cast<std::size_t>(p_n) * p_n * p_n;
    const std::size_t internal = faces.neighbour.size();
    const std::size_t total = faces.owner.size();

    SectionWriter cas;
    cas.text("(0 \"jittered box for the reading benchmark\")\n(2 3)\n");
    cas.text("(10 (0 1 " + hex(nodes) + " 0 3))\n");
    std::vector<double> xyz(lattice.xyz.begin(), lattice.xyz.end());
    cas.binary(3010, "1 1 " + hex(nodes) + " 1 3", xyz);
    cas.text("(12 (0 1 " + hex(cells) + " 0))\n(12 (2 1 " + hex(cells) + " 1 4))\n");
    cas.text("(13 (0 1 " + hex(total) + " 0))\n");
    // A face's right-hand normal points towards its first cell (c0); the second (c1) is 0 on the
    // boundary. Numbers count from 1.
    auto block = [&](std::size_t p_first, std::size_t p_last, bool p_boundary) {
        std::vector<std::int32_t> values;
        values.reserve(6 * (p_last - p_first));
        for (std::size_t f = p_first; f < p_last; ++f) {
            const std::int32_t* q = &faces.points[4 * f];
            if (p_boundary) {
                // The box's faces point out of it: reversed, they point into their cell.
                values.insert(values.end(), {q[0] + 1, q[3] + 1, q[2] + 1, q[1] + 1, faces.owner[f] + 1, 0});
            } else {
                values.insert(values.end(), {q[0] + 1, q[1] + 1, q[2] + 1, q[3] + 1, faces.neighbour[f] + 1,
                                             faces.owner[f] + 1});
            }
        }
        return values;
    };
    cas.binary(2013, "3 1 " + hex(internal) + " 2 4", block(0, internal, false));
    const char* const sides[6] = {"xmin", "xmax", "ymin", "ymax", "zmin", "zmax"};
    for (int patch = 0; patch < 6; ++patch) {
        const std::size_t first = faces.patchStart[patch], last = first + faces.patchSize[patch];
        cas.binary(2013,
                   hex(static_cast<std::size_t>(4 + patch)) + " " + hex(first + 1) + " " + hex(last) + " 3 4",
                   block(first, last, true));
    }
    cas.text("(45 (2 fluid fluid)())\n(45 (3 interior interior-fluid)())\n");
    for (int patch = 0; patch < 6; ++patch)
        cas.text("(45 (" + std::to_string(4 + patch) + " wall " + sides[patch] + ")())\n");
    cas.save(p_folder / "box.cas");

    // The data (its headers in decimal, unlike the case's): pressure (field 1) and the velocity components
    // (2, 3, 4) at the cells, as in the OpenFOAM case.
    SectionWriter dat;
    dat.text("(0 \"data of the jittered box\")\n");
    std::vector<double> fields[4];
    for (auto& f : fields)
        f.resize(cells);
    const double h = 1.0 / static_cast<double>(p_n);
    std::size_t c = 0;
    for (int k = 0; k < p_n; ++k)
        for (int j = 0; j < p_n; ++j)
            for (int i = 0; i < p_n; ++i, ++c) {
                const double x = (i + 0.5) * h, y = (j + 0.5) * h, z = (k + 0.5) * h;
                fields[0][c] =
                    fieldValue(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
                fields[1][c] = 0.5 - y;
                fields[2][c] = x - 0.5;
                fields[3][c] = 0.1 * z;
            }
    for (int field = 0; field < 4; ++field)
        dat.binary(3300, std::to_string(field + 1) + " 2 1 0 0 1 " + std::to_string(cells), fields[field]);
    dat.save(p_folder / "box.dat");

    FluentCase result;
    result.caseFile = (p_folder / "box.cas").string();
    result.cells = cells;
    return result;
}

// The cases written in this run, removed when the program ends.
class FluentCaseStore {
public:
    ~FluentCaseStore()
    {
        std::error_code ignored;
        if (!m_root.empty())
            fs::remove_all(m_root, ignored);
    }

    const FluentCase& get(int p_n)
    {
        const auto it = m_cases.find(p_n);
        if (it != m_cases.end())
            return it->second;
        if (m_root.empty()) {
            std::string pattern = (fs::temp_directory_path() / "zev_bench_fluent_XXXXXX").string();
            if (mkdtemp(pattern.data()) == nullptr)
                throw std::runtime_error("cannot create a temporary folder for the Fluent cases");
            m_root = pattern;
        }
        return m_cases.emplace(p_n, writeFluentBox(fs::path(m_root) / ("box" + std::to_string(p_n)), p_n))
            .first->second;
    }

private:
    std::string m_root;
    std::map<int, FluentCase> m_cases;
};

} // namespace

const FluentCase& cachedFluentBox(int p_n)
{
    static FluentCaseStore s_store;
    return s_store.get(p_n);
}

} // namespace bench
