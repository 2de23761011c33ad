// Volume selection: half of a box of about 2 million hexahedra and one of about 10 million
// tetrahedra is selected by the plane x = c (the whole elements strictly below it) and by
// the value range x in (-1, c) of a vertex field (the elements whose every vertex lies in
// the range). c sits a quarter cell right of the middle, so no vertex lies on the plane or
// on a bound and both rules select the same elements on both sides. One iteration is what a
// caller does: a new output with the domain's vertices, the selection, and its deletion.
//
// The peer, under the same workload names (impl "peer"), on one thread:
//   SelectPlane  vtkExtractGeometry with a plane, ExtractInside on and ExtractBoundaryCells
//                off (a cell is kept when all its points are inside)
//   SelectRange  vtkThreshold on the point field, between the two values, AllScalars on
// The counter "selected" reports the number of elements kept.

#include "bench/BenchSupport.h"

#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/variables/ScalarVariable.h"

#include <vector>

#ifdef ZEV_BENCH_PEER
#include <vtkCellArray.h>
#include <vtkCellType.h>
#include <vtkDataObject.h>
#include <vtkExtractGeometry.h>
#include <vtkFloatArray.h>
#include <vtkIdTypeArray.h>
#include <vtkNew.h>
#include <vtkPlane.h>
#include <vtkPointData.h>
#include <vtkPoints.h>
#include <vtkSMPTools.h>
#include <vtkSmartPointer.h>
#include <vtkThreshold.h>
#include <vtkUnstructuredGrid.h>

#include <stdexcept>
#endif

namespace bench {

namespace {

// The two boxes: 126^3 = 2.0 million hexahedra and 6 * 119^3 = 10.1 million tetrahedra.
struct Workload {
    MeshKind kind;
    int n;
};
const Workload kWorkloads[] = {{MeshKind::Hex, 126}, {MeshKind::Tet, 119}};

// The plane and the upper bound of the range: a quarter cell right of the middle.
float cut(int p_n)
{
    return 0.5f + 0.25f / static_cast<float>(p_n);
}

// The cached geometry of p_kind with the field "x" (the x coordinate) at its vertices.
zev::Geometry* domainWithField(MeshKind p_kind, int p_n)
{
    zev::Geometry* g = cachedGeometry(p_kind, p_n);
    if (!g->hasVariable("x", zev::eVertex)) {
        const zev::TripletZEVVector& vertices = g->getVertices();
        std::vector<float> values(vertices.size());
        for (std::size_t v = 0; v < vertices.size(); ++v)
            values[v] = vertices[v][0];
        auto* x = new zev::ScalarVariable(values.data(), static_cast<int>(values.size()), zev::eConservative,
                                          zev::eVertex);
        x->setName("x");
        g->addVariable(x, zev::eVertex);
    }
    return g;
}

void select(benchmark::State& p_state, MeshKind p_kind, int p_n, bool p_byRange)
{
    zev::Geometry* domain = domainWithField(p_kind, p_n);
    const zev::Variable* x = domain->findVariable("x", zev::eVertex);
    const float c = cut(p_n);
    const std::vector<zev::ShapeType> allTypes;
    zev::GeometryAPI* api = zev::GeometryAPI::instance();
    int selected = 0;
    MemoryScope memory;
    for (auto _ : p_state) {
        zev::Geometry* out = api->newGeometry("", nullptr);
        out->getVertices() = domain->getVertices();
        if (p_byRange)
            out->calcIsovolume("domain", domain, "Between Values", false, x, zev::eConservative, -1.0f, c,
                               allTypes);
        else
            out->calcVolume("domain", domain, "", "Below Intersection", false, c, zev::Triplet(1, 0, 0),
                            allTypes);
        selected = out->getNumElements();
        api->deleteGeometry(out);
    }
    memory.finish(p_state, static_cast<std::size_t>(domain->getNumElements()));
    p_state.counters["selected"] = selected;
}

#ifdef ZEV_BENCH_PEER

// The peer's hexahedron lists its bottom face counter-clockwise, then the top one.
constexpr int kHexOrder[8] = {0, 1, 3, 2, 4, 5, 7, 6};

vtkSmartPointer<vtkUnstructuredGrid> makeGrid(const Mesh& p_mesh)
{
    vtkNew<vtkFloatArray> coordinates;
    coordinates->SetNumberOfComponents(3);
    coordinates->SetNumberOfTuples(static_cast<vtkIdType>(p_mesh.numVertices()));
    std::copy(p_mesh.xyz.begin(), p_mesh.xyz.end(), coordinates->GetPointer(0));
    vtkNew<vtkPoints> points;
    points->SetData(coordinates);

    const int corners = cornersPerCell(p_mesh.kind);
    const auto cells = static_cast<vtkIdType>(p_mesh.numCells());
    vtkNew<vtkIdTypeArray> offsets;
    offsets->SetNumberOfValues(cells + 1);
    for (vtkIdType i = 0; i <= cells; ++i)
        offsets->SetValue(i, i * corners);
    vtkNew<vtkIdTypeArray> connectivity;
    connectivity->SetNumberOfValues(static_cast<vtkIdType>(p_mesh.corners.size()));
    for (vtkIdType i = 0; i < cells; ++i)
        for (int k = 0; k < corners; ++k) {
            const int local = p_mesh.kind == MeshKind::Hex ? kHexOrder[k] : k;
            connectivity->SetValue(i * corners + k,
                                   p_mesh.corners[static_cast<std::size_t>(i * corners + local)]);
        }
    vtkNew<vtkCellArray> cellArray;
    cellArray->SetData(offsets, connectivity);

    vtkNew<vtkFloatArray> x;
    x->SetName("x");
    x->SetNumberOfValues(static_cast<vtkIdType>(p_mesh.numVertices()));
    for (std::size_t v = 0; v < p_mesh.numVertices(); ++v)
        x->SetValue(static_cast<vtkIdType>(v), p_mesh.xyz[3 * v]);

    auto grid = vtkSmartPointer<vtkUnstructuredGrid>::New();
    grid->SetPoints(points);
    grid->SetCells(p_mesh.kind == MeshKind::Hex ? VTK_HEXAHEDRON : VTK_TETRA, cellArray);
    grid->GetPointData()->AddArray(x);
    return grid;
}

struct PeerGrid {
    vtkSmartPointer<vtkUnstructuredGrid> grid;
    MeshKind kind = MeshKind::Hex;
    int n = 0;
};

PeerGrid& peerSlot()
{
    static PeerGrid s_slot;
    return s_slot;
}

void dropPeerGrid()
{
    peerSlot() = PeerGrid();
}

vtkUnstructuredGrid* peerGrid(MeshKind p_kind, int p_n)
{
    registerCache("select-peer", dropPeerGrid);
    claimCaches("select-peer");
    PeerGrid& s = peerSlot();
    if (!s.grid || s.kind != p_kind || s.n != p_n) {
        dropPeerGrid();
        s.grid = makeGrid(cachedMesh(p_kind, p_n));
        s.kind = p_kind;
        s.n = p_n;
    }
    return s.grid;
}

void peerSelect(benchmark::State& p_state, MeshKind p_kind, int p_n, bool p_byRange)
{
    vtkUnstructuredGrid* grid = peerGrid(p_kind, p_n);
    const double c = static_cast<double>(cut(p_n));
    vtkNew<vtkPlane> plane;
    plane->SetOrigin(c, 0.0, 0.0);
    plane->SetNormal(1.0, 0.0, 0.0);
    vtkNew<vtkExtractGeometry> extract;
    extract->SetImplicitFunction(plane);
    extract->SetExtractInside(true);
    extract->SetExtractBoundaryCells(false);
    extract->SetExtractOnlyBoundaryCells(false);
    vtkNew<vtkThreshold> threshold;
    threshold->SetInputArrayToProcess(0, 0, 0, vtkDataObject::FIELD_ASSOCIATION_POINTS, "x");
    threshold->SetLowerThreshold(-1.0);
    threshold->SetUpperThreshold(c);
    threshold->SetThresholdFunction(vtkThreshold::THRESHOLD_BETWEEN);
    threshold->SetAllScalars(true);
    vtkAlgorithm* filter =
        p_byRange ? static_cast<vtkAlgorithm*>(threshold) : static_cast<vtkAlgorithm*>(extract);
    filter->SetInputDataObject(grid);
    vtkIdType selected = 0;
    MemoryScope memory;
    for (auto _ : p_state) {
        filter->Modified();
        filter->Update();
        selected = vtkUnstructuredGrid::SafeDownCast(filter->GetOutputDataObject(0))->GetNumberOfCells();
    }
    memory.finish(p_state, static_cast<std::size_t>(grid->GetNumberOfCells()));
    p_state.counters["selected"] = static_cast<double>(selected);
}

#endif

} // namespace

void registerSelectBenchmarks()
{
#ifdef ZEV_BENCH_PEER
    // One thread: the sequential backend, as the library runs on the caller's thread.
    if (!vtkSMPTools::SetBackend("Sequential"))
        throw std::runtime_error("the peer's sequential backend is not available");
    vtkSMPTools::Initialize(1);
#endif
    // Per box, the library's runs and then the peer's, so each side builds its input once.
    const Workload quickWorkloads[] = {{MeshKind::Hex, 40}, {MeshKind::Tet, 30}};
    for (const Workload& w : quickRun() ? quickWorkloads : kWorkloads) {
        for (bool byRange : {false, true})
            add({byRange ? "SelectRange" : "SelectPlane", meshKindName(w.kind), "zev", w.n, "element"},
                [w, byRange](benchmark::State& s) { select(s, w.kind, w.n, byRange); });
#ifdef ZEV_BENCH_PEER
        for (bool byRange : {false, true})
            add({byRange ? "SelectRange" : "SelectPlane", meshKindName(w.kind), "peer", w.n, "element"},
                [w, byRange](benchmark::State& s) { peerSelect(s, w.kind, w.n, byRange); });
#endif
    }
}

} // namespace bench
