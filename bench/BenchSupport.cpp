#include "bench/BenchSupport.h"

#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/shapes/ShapeSet.h"

#include <malloc.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <utility>

namespace bench {

// ---------------------------------------------------------------- generated meshes

const char* meshKindName(MeshKind p_kind)
{
    switch (p_kind) {
    case MeshKind::Hex:
        return "hex";
    case MeshKind::Tet:
        return "tet";
    case MeshKind::Quad:
        return "quad";
    case MeshKind::Tri:
        return "tri";
    }
    return "?";
}

std::string meshLabel(MeshKind p_kind, bool p_duplicated)
{
    return std::string(meshKindName(p_kind)) + (p_duplicated ? "-dup" : "");
}

bool isVolume(MeshKind p_kind)
{
    return p_kind == MeshKind::Hex || p_kind == MeshKind::Tet;
}

int cornersPerCell(MeshKind p_kind)
{
    switch (p_kind) {
    case MeshKind::Hex:
        return 8;
    case MeshKind::Tet:
        return 4;
    case MeshKind::Quad:
        return 4;
    case MeshKind::Tri:
        return 3;
    }
    return 0;
}

namespace {

// A reproducible value in [-1, 1) from an integer.
float hashUnit(std::uint32_t p_x)
{
    p_x ^= p_x >> 16;
    p_x *= 0x7feb352dU;
    p_x ^= p_x >> 15;
    p_x *= 0x846ca68bU;
    p_x ^= p_x >> 16;
    return static_cast<float>(p_x & 0xffffffU) / static_cast<float>(0x800000) - 1.0f;
}

// Hexahedron faces as corner lists, counter-clockwise seen from outside: x = 0, x = 1, y = 0,
// y = 1, z = 0, z = 1.
constexpr int kHexFaces[6][4] = {{0, 4, 6, 2}, {1, 3, 7, 5}, {0, 1, 5, 4},
                                 {2, 6, 7, 3}, {0, 2, 3, 1}, {4, 5, 7, 6}};

void fillLattice(Mesh& p_mesh)
{
    const int m = p_mesh.n + 1;
    const float h = 1.0f / static_cast<float>(p_mesh.n);
    p_mesh.xyz.resize(static_cast<std::size_t>(m) * m * m * 3);
    std::size_t v = 0;
    for (int k = 0; k < m; ++k)
        for (int j = 0; j < m; ++j)
            for (int i = 0; i < m; ++i, ++v) {
                const int ijk[3] = {i, j, k};
                for (int c = 0; c < 3; ++c) {
                    float x = static_cast<float>(ijk[c]) * h;
                    // Interior vertices move by up to a tenth of the spacing; the boundary
                    // stays on the faces of the box.
                    if (ijk[c] > 0 && ijk[c] < p_mesh.n)
                        x += 0.1f * h *
                             hashUnit(static_cast<std::uint32_t>(3 * v + static_cast<std::size_t>(c)));
                    p_mesh.xyz[3 * v + static_cast<std::size_t>(c)] = x;
                }
            }
}

int latticeIndex(int p_n, int p_i, int p_j, int p_k)
{
    return p_i + (p_n + 1) * (p_j + (p_n + 1) * p_k);
}

void fillHexCorners(int p_n, int p_i, int p_j, int p_k, int* p_out)
{
    for (int c = 0; c < 8; ++c)
        p_out[c] = latticeIndex(p_n, p_i + c % 2, p_j + (c / 2) % 2, p_k + c / 4);
}

double signedVolume(const Mesh& p_mesh, const int* p_tet)
{
    const float* a = &p_mesh.xyz[3 * static_cast<std::size_t>(p_tet[0])];
    double d[3][3];
    for (int r = 0; r < 3; ++r) {
        const float* b = &p_mesh.xyz[3 * static_cast<std::size_t>(p_tet[r + 1])];
        for (int c = 0; c < 3; ++c)
            d[r][c] = static_cast<double>(b[c]) - static_cast<double>(a[c]);
    }
    return d[0][0] * (d[1][1] * d[2][2] - d[1][2] * d[2][1]) -
           d[0][1] * (d[1][0] * d[2][2] - d[1][2] * d[2][0]) +
           d[0][2] * (d[1][0] * d[2][1] - d[1][1] * d[2][0]);
}

void fillVolume(Mesh& p_mesh)
{
    const int n = p_mesh.n;
    const std::size_t cubes = static_cast<std::size_t>(n) * n * n;
    // The six paths from corner 0 to corner 7 along the cube's edges, as corner numbers.
    static constexpr int kPaths[6][4] = {{0, 1, 3, 7}, {0, 1, 5, 7}, {0, 2, 3, 7},
                                         {0, 2, 6, 7}, {0, 4, 5, 7}, {0, 4, 6, 7}};
    p_mesh.corners.reserve(cubes * (p_mesh.kind == MeshKind::Hex ? 8 : 24));
    int hex[8];
    for (int k = 0; k < n; ++k)
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i) {
                fillHexCorners(n, i, j, k, hex);
                if (p_mesh.kind == MeshKind::Hex) {
                    p_mesh.corners.insert(p_mesh.corners.end(), hex, hex + 8);
                    continue;
                }
                for (const auto& path : kPaths) {
                    int tet[4] = {hex[path[0]], hex[path[1]], hex[path[2]], hex[path[3]]};
                    if (signedVolume(p_mesh, tet) < 0.0)
                        std::swap(tet[1], tet[2]);
                    p_mesh.corners.insert(p_mesh.corners.end(), tet, tet + 4);
                }
            }
}

void fillSurface(Mesh& p_mesh)
{
    const int n = p_mesh.n;
    std::vector<int> quads;
    quads.reserve(static_cast<std::size_t>(6) * n * n * 4);
    int hex[8];
    for (int k = 0; k < n; ++k)
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i) {
                const bool onSide[6] = {i == 0, i == n - 1, j == 0, j == n - 1, k == 0, k == n - 1};
                bool any = false;
                for (bool b : onSide)
                    any = any || b;
                if (!any)
                    continue;
                fillHexCorners(n, i, j, k, hex);
                for (int f = 0; f < 6; ++f)
                    if (onSide[f])
                        for (int c : kHexFaces[f])
                            quads.push_back(hex[c]);
            }
    // Keep only the boundary vertices, numbered in their lattice order.
    std::vector<int> map(p_mesh.xyz.size() / 3, -1);
    for (int v : quads)
        map[static_cast<std::size_t>(v)] = 0;
    std::vector<float> xyz;
    int next = 0;
    for (std::size_t v = 0; v < map.size(); ++v)
        if (map[v] == 0) {
            map[v] = next++;
            xyz.insert(xyz.end(), &p_mesh.xyz[3 * v], &p_mesh.xyz[3 * v] + 3);
        }
    p_mesh.xyz.swap(xyz);
    if (p_mesh.kind == MeshKind::Quad) {
        p_mesh.corners.reserve(quads.size());
        for (int v : quads)
            p_mesh.corners.push_back(map[static_cast<std::size_t>(v)]);
        return;
    }
    p_mesh.corners.reserve(quads.size() / 4 * 6);
    for (std::size_t q = 0; q < quads.size(); q += 4) {
        const int a = map[static_cast<std::size_t>(quads[q])],
                  b = map[static_cast<std::size_t>(quads[q + 1])],
                  c = map[static_cast<std::size_t>(quads[q + 2])],
                  d = map[static_cast<std::size_t>(quads[q + 3])];
        p_mesh.corners.insert(p_mesh.corners.end(), {a, b, c, a, c, d});
    }
}

void duplicatePerCell(Mesh& p_mesh)
{
    std::vector<float> xyz;
    xyz.reserve(p_mesh.corners.size() * 3);
    for (std::size_t i = 0; i < p_mesh.corners.size(); ++i) {
        const float* p = &p_mesh.xyz[3 * static_cast<std::size_t>(p_mesh.corners[i])];
        xyz.insert(xyz.end(), p, p + 3);
        p_mesh.corners[i] = static_cast<int>(i);
    }
    p_mesh.xyz.swap(xyz);
    p_mesh.duplicated = true;
}

} // namespace

Mesh makeMesh(MeshKind p_kind, int p_n, bool p_duplicated)
{
    Mesh mesh;
    mesh.kind = p_kind;
    mesh.n = p_n;
    fillLattice(mesh);
    if (isVolume(p_kind))
        fillVolume(mesh);
    else
        fillSurface(mesh);
    if (p_duplicated)
        duplicatePerCell(mesh);
    return mesh;
}

namespace {
std::unique_ptr<Mesh>& meshSlot();
}

const Mesh& cachedMesh(MeshKind p_kind, int p_n, bool p_duplicated)
{
    std::unique_ptr<Mesh>& s_mesh = meshSlot();
    if (!s_mesh || s_mesh->kind != p_kind || s_mesh->n != p_n || s_mesh->duplicated != p_duplicated) {
        s_mesh.reset();
        s_mesh = std::make_unique<Mesh>(makeMesh(p_kind, p_n, p_duplicated));
    }
    return *s_mesh;
}

zev::Geometry* buildGeometry(const Mesh& p_mesh)
{
    zev::Geometry* g = zev::GeometryAPI::instance()->newGeometry("", nullptr);
    zev::TripletZEVVector& vertices = g->getVertices();
    const std::size_t nv = p_mesh.numVertices();
    vertices.resize(nv);
    for (std::size_t v = 0; v < nv; ++v)
        vertices[v] = zev::Triplet(p_mesh.xyz[3 * v], p_mesh.xyz[3 * v + 1], p_mesh.xyz[3 * v + 2]);
    if (p_mesh.corners.empty())
        return g;
    const int corners = cornersPerCell(p_mesh.kind);
    const int count = static_cast<int>(p_mesh.numCells());
    zev::ShapeSet* set = nullptr;
    switch (p_mesh.kind) {
    case MeshKind::Hex:
        set = g->addElementSet(0, zev::HEX, count, 1.0);
        break;
    case MeshKind::Tet:
        set = g->addElementSet(0, zev::TET, count, 1.0);
        break;
    case MeshKind::Quad:
        set = g->addFaceSet("Surface", zev::QUAD, count, 1.0);
        break;
    case MeshKind::Tri:
        set = g->addFaceSet("Surface", zev::TRI, count, 1.0);
        break;
    }
    const int* c = p_mesh.corners.data();
    for (int i = 0; i < count; ++i) {
        zev::Shape& shape = (*set)[static_cast<std::size_t>(i)];
        for (int k = 0; k < corners; ++k)
            shape[k] = *c++;
    }
    return g;
}

void releaseGeometry(zev::Geometry* p_geometry)
{
    zev::GeometryAPI::instance()->deleteGeometry(p_geometry);
}

namespace {
struct GeometrySlot {
    zev::Geometry* geometry = nullptr;
    MeshKind kind = MeshKind::Hex;
    int n = 0;
};
GeometrySlot& geometrySlot()
{
    static GeometrySlot s_slot;
    return s_slot;
}
void dropCachedGeometry()
{
    GeometrySlot& slot = geometrySlot();
    if (slot.geometry != nullptr)
        releaseGeometry(slot.geometry);
    slot.geometry = nullptr;
}
std::unique_ptr<Mesh>& meshSlot()
{
    static std::unique_ptr<Mesh> s_mesh;
    return s_mesh;
}
std::vector<std::pair<std::string, void (*)()>>& cacheList()
{
    static std::vector<std::pair<std::string, void (*)()>> s_caches{{"geometry", dropCachedGeometry}};
    return s_caches;
}
} // namespace

zev::Geometry* cachedGeometry(MeshKind p_kind, int p_n)
{
    claimCaches("geometry");
    GeometrySlot& slot = geometrySlot();
    if (slot.geometry == nullptr || slot.kind != p_kind || slot.n != p_n) {
        dropCachedGeometry();
        slot.geometry = buildGeometry(cachedMesh(p_kind, p_n));
        slot.kind = p_kind;
        slot.n = p_n;
    }
    return slot.geometry;
}

void registerCache(const std::string& p_owner, void (*p_drop)())
{
    for (const auto& entry : cacheList())
        if (entry.first == p_owner)
            return;
    cacheList().emplace_back(p_owner, p_drop);
}

void claimCaches(const std::string& p_owner, bool p_keepMesh)
{
    for (const auto& entry : cacheList())
        if (entry.first != p_owner)
            entry.second();
    if (!p_keepMesh)
        meshSlot().reset();
}

void dropAllCaches()
{
    claimCaches("", false);
}

// ---------------------------------------------------------------- registry

namespace {
std::vector<Entry>& entryList()
{
    static std::vector<Entry> s_entries;
    return s_entries;
}
std::string entryName(const Entry& p_entry)
{
    return p_entry.workload + "/" + p_entry.mesh + "/" + p_entry.impl + "/" + std::to_string(p_entry.size);
}
std::vector<int>& boxSizeList()
{
    static std::vector<int> s_sizes{32, 64, 128};
    return s_sizes;
}
std::vector<int>& topologySizeList()
{
    static std::vector<int> s_sizes{32, 64};
    return s_sizes;
}
} // namespace

benchmark::internal::Benchmark* add(const Entry& p_entry, std::function<void(benchmark::State&)> p_function)
{
    entryList().push_back(p_entry);
    return benchmark::RegisterBenchmark(entryName(p_entry).c_str(),
                                        [f = std::move(p_function)](benchmark::State& s) { f(s); })
        ->Unit(benchmark::kMillisecond);
}

const Entry* findEntry(const std::string& p_name)
{
    for (const Entry& e : entryList())
        if (entryName(e) == p_name)
            return &e;
    return nullptr;
}

const std::vector<Entry>& entries()
{
    return entryList();
}

const std::vector<int>& boxSizes()
{
    return boxSizeList();
}
const std::vector<int>& topologySizes()
{
    return topologySizeList();
}
bool& quickFlag()
{
    static bool s_quick = false;
    return s_quick;
}
bool quickRun()
{
    return quickFlag();
}
void setQuickRun()
{
    quickFlag() = true;
    boxSizeList() = {32};
    topologySizeList() = {32};
}
void setSizes(const std::vector<int>& p_sizes)
{
    boxSizeList() = p_sizes;
    topologySizeList() = p_sizes;
}

// ---------------------------------------------------------------- memory probes

namespace {
std::size_t statusKilobytes(const char* p_key)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string key(p_key);
    while (std::getline(in, line))
        if (line.compare(0, key.size(), key) == 0) {
            std::istringstream fields(line.substr(key.size()));
            std::size_t kb = 0;
            fields >> kb;
            return kb;
        }
    return 0;
}
} // namespace

void resetPeakResident()
{
    // Freed heap the allocator still holds would count as resident; hand it back first.
    malloc_trim(0);
    std::ofstream out("/proc/self/clear_refs");
    out << "5";
}

std::size_t peakResidentBytes()
{
    return statusKilobytes("VmHWM:") * 1024;
}
std::size_t currentResidentBytes()
{
    return statusKilobytes("VmRSS:") * 1024;
}

std::size_t heapBytesInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

MemoryScope::MemoryScope()
{
    resetPeakResident();
}

void MemoryScope::finish(benchmark::State& p_state, std::size_t p_itemsPerIteration)
{
    p_state.SetItemsProcessed(static_cast<std::int64_t>(p_state.iterations()) *
                              static_cast<std::int64_t>(p_itemsPerIteration));
    p_state.counters["peak_MB"] = static_cast<double>(peakResidentBytes()) / 1e6;
}

} // namespace bench
