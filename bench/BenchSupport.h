#pragma once
// Shared pieces of the benchmark program: the generated meshes (a box of N^3 hexahedra, the
// same box split into tetrahedra, its boundary surface, and the variants with every vertex
// duplicated per cell), the registry that gives each benchmark its place in the result
// table, and the process memory probes.

#include <benchmark/benchmark.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace zev {
class Geometry;
}

namespace bench {

// ---------------------------------------------------------------- generated meshes

enum class MeshKind { Hex, Tet, Quad, Tri };

const char* meshKindName(MeshKind p_kind);
bool isVolume(MeshKind p_kind);
int cornersPerCell(MeshKind p_kind);

// A mesh as plain arrays, shared by the library's and the peer's builders so that both
// measure exactly the same cells. Cell corners follow the library's vertex order: hexahedron
// corner c sits at the parametric corner (c%2, (c/2)%2, c/4); tetrahedra are positively
// oriented; boundary faces are ordered counter-clockwise seen from outside.
struct Mesh {
    MeshKind kind = MeshKind::Hex;
    int n = 0;                // cells along each edge of the box
    bool duplicated = false;  // every vertex copied once per cell
    std::vector<float> xyz;   // 3 floats per vertex
    std::vector<int> corners; // cornersPerCell(kind) indices per cell

    std::size_t numVertices() const { return xyz.size() / 3; }
    std::size_t numCells() const { return corners.size() / static_cast<std::size_t>(cornersPerCell(kind)); }
};

// The box [0,1]^3 cut into p_n^3 cubes whose interior vertices are displaced by a small
// deterministic jitter (a tenth of the spacing at most), so the cells are general (not
// affine) and no two vertices share a distance from the origin by symmetry. Tetrahedra: six
// per cube, all around the cube's main diagonal, so neighbouring cubes match face to face.
// Quad and Tri: the boundary surface of that box (the Tri surface splits each quadrilateral).
Mesh makeMesh(MeshKind p_kind, int p_n, bool p_duplicated = false);

// The mesh of the last request, kept so that repeated runs of one benchmark do not rebuild
// it. Requests for another mesh drop the previous one.
const Mesh& cachedMesh(MeshKind p_kind, int p_n, bool p_duplicated = false);

// The scalar field integrated by the visitor workloads, the same on both sides: a smooth
// function of the position.
inline float fieldValue(float p_x, float p_y, float p_z)
{
    return 1.0f + p_x + 2.0f * p_y * p_z;
}

// The name under which a mesh appears in the table ("hex", or "hex-dup" when duplicated).
std::string meshLabel(MeshKind p_kind, bool p_duplicated);

// The absolute merging tolerance of the vertex-merging workloads: far below the smallest
// vertex distance of the generated meshes, far above rounding.
constexpr double kMergeTolerance = 1e-4;

// A new registered geometry holding p_mesh: element set 0 for volumes, face set "Surface"
// for surfaces. Release it with releaseGeometry.
zev::Geometry* buildGeometry(const Mesh& p_mesh);
void releaseGeometry(zev::Geometry* p_geometry);

// One library geometry kept between runs of the same benchmark, like cachedMesh.
zev::Geometry* cachedGeometry(MeshKind p_kind, int p_n);

// Large inputs kept between runs register a way to drop them under an owner name; claiming
// the caches for one owner drops every other owner's (and, unless p_keepMesh, the cached
// mesh), so the memory figures of one workload never include another's inputs.
void registerCache(const std::string& p_owner, void (*p_drop)());
void claimCaches(const std::string& p_owner, bool p_keepMesh = true);
void dropAllCaches();

// ---------------------------------------------------------------- registry

// What a benchmark measures, for the result table: a workload on a mesh (or data set) of a
// size, by the library ("zev"), the peer ("peer") or the hardware reference ("bound").
struct Entry {
    std::string workload;
    std::string mesh;
    std::string impl;
    long size = 0;
    std::string itemName; // what one item is: "element", "face", "vertex", "record"
};

// Registers p_function under "workload/mesh/impl/size" and files the entry for the table.
benchmark::internal::Benchmark* add(const Entry& p_entry, std::function<void(benchmark::State&)> p_function);
const Entry* findEntry(const std::string& p_name);
const std::vector<Entry>& entries();

// Sizes of the box meshes per workload family: the program option --sizes=32,64 replaces
// the defaults (32, 64 and 128; the expensive topology workloads stop at 64).
const std::vector<int>& boxSizes();
const std::vector<int>& topologySizes();
void setSizes(const std::vector<int>& p_sizes);
// The quick run (--quick): every workload at its small size only, so the whole table takes a
// minute or two. Set before the workloads register; it also makes the box sizes {32}.
bool quickRun();
void setQuickRun();

// ---------------------------------------------------------------- memory probes

// Resets the process's peak resident set to its current size (where the kernel allows it).
void resetPeakResident();
// Peak and current resident set of the process, in bytes (0 when unknown).
std::size_t peakResidentBytes();
std::size_t currentResidentBytes();
// Bytes currently allocated from the heap.
std::size_t heapBytesInUse();

// Runs the timed loop bookkeeping common to every benchmark: items processed and the peak
// resident memory of the process during the run, in MB.
class MemoryScope {
public:
    MemoryScope();
    void finish(benchmark::State& p_state, std::size_t p_itemsPerIteration);
};

// Registration of the workload families.
void registerMeasureBenchmarks();
void registerInterpolationBenchmarks();
void registerExpressionBenchmarks();
void registerMemoryBenchmarks();
void registerVisitorBenchmarks();
void registerFaceBenchmarks();
void registerMergeBenchmarks();
void registerSelectBenchmarks();
void registerProjectionBenchmarks();
void registerPeerBenchmarks();
void registerLineBenchmarks();
void registerLocateBenchmarks();
void registerCutBenchmarks();
void registerPolyhedronBenchmarks();
void registerSliceBenchmarks();
void registerSampleBenchmarks();
void registerFoamBenchmarks();

} // namespace bench
