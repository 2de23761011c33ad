#include "bench/EnsightCaseWriter.h"

#include "bench/BenchSupport.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <vector>

namespace bench {

namespace {

namespace fs = std::filesystem;

// One C binary file: 80-byte strings, 32-bit integers and floats, written in one go.
class BinaryFile {
public:
    void text(const std::string& p_text)
    {
        std::string padded = p_text;
        padded.resize(80, '\0');
        m_out += padded;
    }
    void integer(std::int32_t p_value) { raw(&p_value, sizeof p_value); }
    void floats(const std::vector<float>& p_values) { raw(p_values.data(), p_values.size() * sizeof(float)); }
    void integers(const std::vector<std::int32_t>& p_values)
    {
        raw(p_values.data(), p_values.size() * sizeof(std::int32_t));
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
    void raw(const void* p_data, std::size_t p_bytes)
    {
        m_out.append(static_cast<const char*>(p_data), p_bytes);
    }
    std::string m_out;
};

// A part's coordinates: the x block, then y, then z.
void coordinates(BinaryFile& p_file, const Mesh& p_mesh)
{
    const std::size_t n = p_mesh.numVertices();
    p_file.text("coordinates");
    p_file.integer(static_cast<std::int32_t>(n));
    for (int axis = 0; axis < 3; ++axis) {
        std::vector<float> block(n);
        for (std::size_t i = 0; i < n; ++i)
            block[i] = p_mesh.xyz[3 * i + static_cast<std::size_t>(axis)];
        p_file.floats(block);
    }
}

// The value of p (a component of U for p_component >= 0) at a point: the same fields as the
// OpenFOAM case's, taken at each cell's or face's centre.
float value(const Mesh& p_mesh, std::size_t p_item, int p_component)
{
    const int corners = cornersPerCell(p_mesh.kind);
    float c[3] = {0, 0, 0};
    for (int k = 0; k < corners; ++k)
        for (int a = 0; a < 3; ++a)
            c[a] += p_mesh.xyz[3 * static_cast<std::size_t>(p_mesh.corners[p_item * corners + k]) + a] /
                    static_cast<float>(corners);
    if (p_component < 0)
        return fieldValue(c[0], c[1], c[2]);
    const float u[3] = {0.5f - c[1], c[0] - 0.5f, 0.1f * c[2]};
    return u[p_component];
}

// One variable file: per part its element type and the values (a vector as three blocks).
void variable(const fs::path& p_path, const Mesh& p_box, const Mesh& p_surface, bool p_vector)
{
    BinaryFile f;
    f.text(p_vector ? "U" : "p");
    int part = 1;
    for (const Mesh* mesh : {&p_box, &p_surface}) {
        f.text("part");
        f.integer(part++);
        f.text(mesh == &p_box ? "hexa8" : "quad4");
        for (int component = p_vector ? 0 : -1; component < (p_vector ? 3 : 0); ++component) {
            std::vector<float> values(mesh->numCells());
            for (std::size_t i = 0; i < values.size(); ++i)
                values[i] = value(*mesh, i, component);
            f.floats(values);
        }
    }
    f.save(p_path);
}

EnsightCase writeEnsightBox(const fs::path& p_folder, int p_n)
{
    fs::create_directories(p_folder);
    const Mesh box = makeMesh(MeshKind::Hex, p_n);
    const Mesh surface = makeMesh(MeshKind::Quad, p_n);

    BinaryFile geo;
    geo.text("C Binary");
    geo.text("jittered box");
    geo.text("written for the reading benchmark");
    geo.text("node id off");
    geo.text("element id off");
    geo.text("part");
    geo.integer(1);
    geo.text("box");
    coordinates(geo, box);
    geo.text("hexa8");
    geo.integer(static_cast<std::int32_t>(box.numCells()));
    // EnSight numbers from 1 and runs round the bottom face, then the top; the benchmark's corner c
    // sits at (c%2, (c/2)%2, c/4).
    const int order[8] = {0, 1, 3, 2, 4, 5, 7, 6};
    std::vector<std::int32_t> hexes(8 * box.numCells());
    for (std::size_t c = 0; c < box.numCells(); ++c)
        for (int k = 0; k < 8; ++k)
            hexes[8 * c + static_cast<std::size_t>(k)] =
                box.corners[8 * c + static_cast<std::size_t>(order[k])] + 1;
    geo.integers(hexes);
    geo.text("part");
    geo.integer(2);
    geo.text("boundary");
    coordinates(geo, surface);
    geo.text("quad4");
    geo.integer(static_cast<std::int32_t>(surface.numCells()));
    std::vector<std::int32_t> quads(surface.corners.begin(), surface.corners.end());
    for (std::int32_t& v : quads)
        ++v;
    geo.integers(quads);
    geo.save(p_folder / "box.geo");

    variable(p_folder / "box.p", box, surface, false);
    variable(p_folder / "box.U", box, surface, true);
    std::ofstream(p_folder / "box.case")
        << "FORMAT\ntype: ensight gold\n\nGEOMETRY\nmodel: box.geo\n\n"
           "VARIABLE\nscalar per element: p box.p\nvector per element: U box.U\n";
    EnsightCase result;
    result.caseFile = (p_folder / "box.case").string();
    result.cells = box.numCells();
    result.faces = surface.numCells();
    return result;
}

// The cases written in this run, removed when the program ends.
class EnsightCaseStore {
public:
    ~EnsightCaseStore()
    {
        std::error_code ignored;
        if (!m_root.empty())
            fs::remove_all(m_root, ignored);
    }

    const EnsightCase& get(int p_n)
    {
        const auto it = m_cases.find(p_n);
        if (it != m_cases.end())
            return it->second;
        if (m_root.empty()) {
            std::string pattern = (fs::temp_directory_path() / "zev_bench_ensight_XXXXXX").string();
            if (mkdtemp(pattern.data()) == nullptr)
                throw std::runtime_error("cannot create a temporary folder for the EnSight cases");
            m_root = pattern;
        }
        return m_cases.emplace(p_n, writeEnsightBox(fs::path(m_root) / ("box" + std::to_string(p_n)), p_n))
            .first->second;
    }

private:
    std::string m_root;
    std::map<int, EnsightCase> m_cases;
};

} // namespace

const EnsightCase& cachedEnsightBox(int p_n)
{
    static EnsightCaseStore s_store;
    return s_store.get(p_n);
}

} // namespace bench
