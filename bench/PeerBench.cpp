// The peer library's side of the comparison: VTK, on one thread, over the same generated
// meshes built through its own API. Each workload is registered under the name of the
// library's workload it is compared with (impl "peer"):
//   ElementVolumes     vtkCellSizeFilter (volume only)
//   FaceAreas          vtkCellSizeFilter (area only)
//   AreaIntegration    vtkIntegrateAttributes over the surface with the point field
//   VolumeIntegration  vtkIntegrateAttributes over the volume mesh with the point field
//   BoundaryFaces      vtkGeometryFilter, merging on, fast mode off
//   MergeVertices      vtkStaticCleanPolyData with the same absolute tolerance (surfaces only:
//                      9.1 merges points only for polygonal data)
//   Expression         vtkArrayCalculator, 2*x+y from the point coordinates
//   Memory             vtkUnstructuredGrid::GetActualMemorySize per cell

#include "bench/BenchSupport.h"

#include <vtkArrayCalculator.h>
#include <vtkCellArray.h>
#include <vtkCellSizeFilter.h>
#include <vtkCellType.h>
#include <vtkDataSet.h>
#include <vtkFloatArray.h>
#include <vtkGeometryFilter.h>
#include <vtkIdTypeArray.h>
#include <vtkIntegrateAttributes.h>
#include <vtkNew.h>
#include <vtkPointData.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkSMPTools.h>
#include <vtkSmartPointer.h>
#include <vtkStaticCleanPolyData.h>
#include <vtkUnstructuredGrid.h>

#include <stdexcept>

namespace bench {

namespace {

// The peer's hexahedron lists its bottom face counter-clockwise, then the top one; corner k of
// the peer's cell is corner kHexOrder[k] of the library's.
constexpr int kHexOrder[8] = {0, 1, 3, 2, 4, 5, 7, 6};

vtkSmartPointer<vtkPoints> makePoints(const Mesh& p_mesh)
{
    vtkNew<vtkFloatArray> coordinates;
    coordinates->SetNumberOfComponents(3);
    coordinates->SetNumberOfTuples(static_cast<vtkIdType>(p_mesh.numVertices()));
    float* out = coordinates->GetPointer(0);
    std::copy(p_mesh.xyz.begin(), p_mesh.xyz.end(), out);
    auto points = vtkSmartPointer<vtkPoints>::New();
    points->SetData(coordinates);
    return points;
}

vtkSmartPointer<vtkCellArray> makeCells(const Mesh& p_mesh)
{
    const int corners = cornersPerCell(p_mesh.kind);
    const vtkIdType cells = static_cast<vtkIdType>(p_mesh.numCells());
    vtkNew<vtkIdTypeArray> offsets;
    offsets->SetNumberOfValues(cells + 1);
    for (vtkIdType c = 0; c <= cells; ++c)
        offsets->SetValue(c, c * corners);
    vtkNew<vtkIdTypeArray> connectivity;
    connectivity->SetNumberOfValues(static_cast<vtkIdType>(p_mesh.corners.size()));
    for (vtkIdType c = 0; c < cells; ++c)
        for (int k = 0; k < corners; ++k) {
            const int local = p_mesh.kind == MeshKind::Hex ? kHexOrder[k] : k;
            connectivity->SetValue(c * corners + k,
                                   p_mesh.corners[static_cast<std::size_t>(c * corners + local)]);
        }
    auto array = vtkSmartPointer<vtkCellArray>::New();
    array->SetData(offsets, connectivity);
    return array;
}

void addField(vtkDataSet* p_data, const Mesh& p_mesh)
{
    vtkNew<vtkFloatArray> field;
    field->SetName("p");
    field->SetNumberOfValues(static_cast<vtkIdType>(p_mesh.numVertices()));
    for (std::size_t v = 0; v < p_mesh.numVertices(); ++v)
        field->SetValue(static_cast<vtkIdType>(v),
                        fieldValue(p_mesh.xyz[3 * v], p_mesh.xyz[3 * v + 1], p_mesh.xyz[3 * v + 2]));
    p_data->GetPointData()->AddArray(field);
}

vtkSmartPointer<vtkDataSet> makeDataSet(const Mesh& p_mesh)
{
    if (isVolume(p_mesh.kind)) {
        auto grid = vtkSmartPointer<vtkUnstructuredGrid>::New();
        grid->SetPoints(makePoints(p_mesh));
        grid->SetCells(p_mesh.kind == MeshKind::Hex ? VTK_HEXAHEDRON : VTK_TETRA, makeCells(p_mesh));
        addField(grid, p_mesh);
        return grid;
    }
    auto poly = vtkSmartPointer<vtkPolyData>::New();
    poly->SetPoints(makePoints(p_mesh));
    if (!p_mesh.corners.empty())
        poly->SetPolys(makeCells(p_mesh));
    addField(poly, p_mesh);
    return poly;
}

struct PeerSlot {
    vtkSmartPointer<vtkDataSet> data;
    MeshKind kind = MeshKind::Hex;
    int n = 0;
    bool duplicated = false;
};

PeerSlot& slot()
{
    static PeerSlot s_slot;
    return s_slot;
}

void dropPeer()
{
    slot() = PeerSlot();
}

// The peer's data set for a mesh, kept between runs of the same benchmark.
vtkDataSet* peerData(MeshKind p_kind, int p_n, bool p_duplicated = false)
{
    registerCache("peer", dropPeer);
    claimCaches("peer");
    PeerSlot& s = slot();
    if (!s.data || s.kind != p_kind || s.n != p_n || s.duplicated != p_duplicated) {
        dropPeer();
        s.data = makeDataSet(cachedMesh(p_kind, p_n, p_duplicated));
        s.kind = p_kind;
        s.n = p_n;
        s.duplicated = p_duplicated;
    }
    return s.data;
}

// Runs p_filter on p_input once per iteration; every run recomputes (the filter is marked
// modified).
void runFilter(benchmark::State& p_state, vtkAlgorithm* p_filter, vtkDataObject* p_input, std::size_t p_items)
{
    p_filter->SetInputDataObject(p_input);
    MemoryScope memory;
    for (auto _ : p_state) {
        p_filter->Modified();
        p_filter->Update();
        benchmark::DoNotOptimize(p_filter->GetOutputDataObject(0));
    }
    memory.finish(p_state, p_items);
}

void cellSizes(benchmark::State& p_state, MeshKind p_kind, int p_n)
{
    vtkDataSet* data = peerData(p_kind, p_n);
    vtkNew<vtkCellSizeFilter> filter;
    filter->SetComputeVertexCount(false);
    filter->SetComputeLength(false);
    filter->SetComputeArea(!isVolume(p_kind));
    filter->SetComputeVolume(isVolume(p_kind));
    filter->SetComputeSum(false);
    runFilter(p_state, filter, data, static_cast<std::size_t>(data->GetNumberOfCells()));
}

void integrate(benchmark::State& p_state, MeshKind p_kind, int p_n)
{
    vtkDataSet* data = peerData(p_kind, p_n);
    vtkNew<vtkIntegrateAttributes> filter;
    runFilter(p_state, filter, data, static_cast<std::size_t>(data->GetNumberOfCells()));
}

void boundary(benchmark::State& p_state, MeshKind p_kind, int p_n)
{
    vtkDataSet* data = peerData(p_kind, p_n);
    vtkNew<vtkGeometryFilter> filter;
    filter->SetMerging(true);
    filter->SetFastMode(false);
    runFilter(p_state, filter, data, static_cast<std::size_t>(data->GetNumberOfCells()));
}

void merge(benchmark::State& p_state, MeshKind p_kind, int p_n)
{
    vtkDataSet* data = peerData(p_kind, p_n, true);
    vtkNew<vtkStaticCleanPolyData> filter;
    filter->SetToleranceIsAbsolute(true);
    filter->SetAbsoluteTolerance(kMergeTolerance);
    runFilter(p_state, filter, data, static_cast<std::size_t>(data->GetNumberOfPoints()));
}

void expression(benchmark::State& p_state)
{
    registerCache("peer", dropPeer);
    claimCaches("peer");
    // The same million vertices as the library's expression workload: a 100^3 lattice.
    const Mesh lattice = makeMesh(MeshKind::Hex, 99);
    vtkNew<vtkPolyData> points;
    points->SetPoints(makePoints(Mesh{MeshKind::Hex, 99, false, lattice.xyz, {}}));
    vtkNew<vtkArrayCalculator> calculator;
    calculator->SetAttributeTypeToPointData();
    calculator->AddCoordinateScalarVariable("x", 0);
    calculator->AddCoordinateScalarVariable("y", 1);
    calculator->SetFunction("2*x+y");
    calculator->SetResultArrayName("2*x+y");
    calculator->SetResultArrayType(VTK_FLOAT);
    runFilter(p_state, calculator, points, static_cast<std::size_t>(points->GetNumberOfPoints()));
}

void memoryOf(benchmark::State& p_state, MeshKind p_kind, int p_n)
{
    claimCaches("memory");
    const Mesh& mesh = cachedMesh(p_kind, p_n);
    MemoryScope memory;
    double bytes = 0.0;
    for (auto _ : p_state) {
        auto grid = vtkSmartPointer<vtkUnstructuredGrid>::New();
        grid->SetPoints(makePoints(mesh));
        grid->SetCells(p_kind == MeshKind::Hex ? VTK_HEXAHEDRON : VTK_TETRA, makeCells(mesh));
        bytes = 1024.0 * static_cast<double>(grid->GetActualMemorySize());
    }
    memory.finish(p_state, mesh.numCells());
    p_state.counters["bytes_per_element"] = bytes / static_cast<double>(mesh.numCells());
}

} // namespace

void registerPeerBenchmarks()
{
    // One thread: the sequential backend, as the library runs on the caller's thread.
    if (!vtkSMPTools::SetBackend("Sequential"))
        throw std::runtime_error("the peer's sequential backend is not available");
    vtkSMPTools::Initialize(1);

    for (int n : boxSizes())
        for (MeshKind kind : {MeshKind::Hex, MeshKind::Tet})
            add({"Memory", meshKindName(kind), "peer", n, "element"}, [kind, n](benchmark::State& s) {
                memoryOf(s, kind, n);
            })->Iterations(1);
    for (MeshKind kind : {MeshKind::Hex, MeshKind::Tet})
        for (int n : boxSizes())
            add({"ElementVolumes", meshKindName(kind), "peer", n, "element"},
                [kind, n](benchmark::State& s) { cellSizes(s, kind, n); });
    for (MeshKind kind : {MeshKind::Quad, MeshKind::Tri})
        for (int n : boxSizes()) {
            add({"FaceAreas", meshKindName(kind), "peer", n, "face"},
                [kind, n](benchmark::State& s) { cellSizes(s, kind, n); });
            add({"AreaIntegration", meshKindName(kind), "peer", n, "face"},
                [kind, n](benchmark::State& s) { integrate(s, kind, n); });
        }
    add({"Expression", "vertices", "peer", 1000000, "vertex"}, expression);
    for (MeshKind kind : {MeshKind::Hex, MeshKind::Tet})
        for (int n : topologySizes()) {
            add({"VolumeIntegration", meshKindName(kind), "peer", n, "element"},
                [kind, n](benchmark::State& s) { integrate(s, kind, n); });
            add({"BoundaryFaces", meshKindName(kind), "peer", n, "element"},
                [kind, n](benchmark::State& s) { boundary(s, kind, n); });
        }
    for (MeshKind kind : {MeshKind::Quad, MeshKind::Tri})
        for (int n : topologySizes())
            add({"MergeVertices", meshLabel(kind, true), "peer", n, "input vertex"},
                [kind, n](benchmark::State& s) { merge(s, kind, n); });
}

} // namespace bench
