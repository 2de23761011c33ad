// Cut geometries of whole domains, against the peer's cutters on the same cells:
//   SlicePlane      an oblique plane through the box centre, the slice with shared vertices
//                   and its interpolant (the peer interpolates the point field): the
//                   library's GeometryIntersector; the peer's vtkCutter with vtkPlane (merging
//                   locator), vtkPlaneCutter and vtk3DLinearGridPlaneCutter (sequential)
//   Isosurface      the sphere r = 0.35 about the box centre of the field r: the library's
//                   GeometryIntersector; the peer's vtkContourFilter, vtkContourGrid and
//                   vtkContour3DLinearGrid (sequential, merged points)
//   SliceTimeStep   a new field onto an existing slice: the library carries it through the
//                   slice's edge interpolant; the peer cuts again with the new field
// Meshes: "hex" N^3 hexahedra, "tet" 6 N^3 tetrahedra, "mix" the box in three slabs of
// hexahedra, wedges (two per cube) and tetrahedra (six per cube). Items are domain cells.
// The counter bytes_per_polygon is the output's heap size (library: vertices, faces and
// interpolants; peer: GetActualMemorySize) over its polygon count.

#include "bench/BenchSupport.h"

#include "zev/contracts/FloatZEVVectorConcrete.h"
#include "zev/cutting/GeometryIntersector.h"
#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/interpolants/EdgeInterpolant.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/variables/ScalarVariable.h"

#include <cmath>
#include <memory>
#include <vector>

#ifdef ZEV_BENCH_PEER
#include <vtk3DLinearGridPlaneCutter.h>
#include <vtkCellArray.h>
#include <vtkCellType.h>
#include <vtkCompositeDataSet.h>
#include <vtkContour3DLinearGrid.h>
#include <vtkContourFilter.h>
#include <vtkContourGrid.h>
#include <vtkCutter.h>
#include <vtkDataObject.h>
#include <vtkDataSet.h>
#include <vtkFloatArray.h>
#include <vtkIdTypeArray.h>
#include <vtkNew.h>
#include <vtkPlane.h>
#include <vtkPlaneCutter.h>
#include <vtkPointData.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkSmartPointer.h>
#include <vtkUnsignedCharArray.h>
#include <vtkUnstructuredGrid.h>
#endif

namespace bench {

namespace {

enum class SliceMesh { Hex, Tet, Mix };

const char* sliceMeshName(SliceMesh p_kind)
{
    return p_kind == SliceMesh::Hex ? "hex" : p_kind == SliceMesh::Tet ? "tet" : "mix";
}

// One block of cells of one type, corners in the library's order.
struct CellBlock {
    zev::ShapeType type;
    int corners;
    std::vector<int> ids;
    std::size_t count() const { return ids.size() / std::size_t(corners); }
};

struct BoxCells {
    std::vector<float> xyz;
    std::vector<CellBlock> blocks;
    std::size_t cells() const
    {
        std::size_t n = 0;
        for (const CellBlock& b : blocks)
            n += b.count();
        return n;
    }
};

// The unit box of p_n^3 cubes; each cube becomes a hexahedron, two wedges or six
// tetrahedra around its main diagonal, by slab for the mixed mesh.
BoxCells makeBox(SliceMesh p_kind, int p_n)
{
    BoxCells box;
    const int m = p_n + 1;
    box.xyz.reserve(std::size_t(m) * m * m * 3);
    for (int k = 0; k < m; ++k)
        for (int j = 0; j < m; ++j)
            for (int i = 0; i < m; ++i) {
                box.xyz.push_back(float(i) / float(p_n));
                box.xyz.push_back(float(j) / float(p_n));
                box.xyz.push_back(float(k) / float(p_n));
            }
    box.blocks = {{zev::HEX, 8, {}}, {zev::WEDGE, 6, {}}, {zev::TET, 4, {}}};
    static const int kWedges[2][6] = {{0, 1, 2, 4, 5, 6}, {1, 3, 2, 5, 7, 6}};
    static const int kTets[6][4] = {{0, 1, 3, 7}, {0, 3, 2, 7}, {0, 2, 6, 7},
                                    {0, 6, 4, 7}, {0, 4, 5, 7}, {0, 5, 1, 7}};
    for (int k = 0; k < p_n; ++k) {
        int block = p_kind == SliceMesh::Hex ? 0 : p_kind == SliceMesh::Tet ? 2 : (3 * k) / p_n;
        for (int j = 0; j < p_n; ++j)
            for (int i = 0; i < p_n; ++i) {
                int c[8];
                for (int q = 0; q < 8; ++q)
                    c[q] = ((k + (q >> 2)) * m + j + ((q >> 1) & 1)) * m + i + (q & 1);
                std::vector<int>& ids = box.blocks[std::size_t(block)].ids;
                if (block == 0)
                    ids.insert(ids.end(), c, c + 8);
                else if (block == 1)
                    for (const auto& w : kWedges)
                        for (int q : w)
                            ids.push_back(c[q]);
                else
                    for (const auto& t : kTets)
                        for (int q : t)
                            ids.push_back(c[q]);
            }
    }
    return box;
}

zev::Geometry* buildDomain(const BoxCells& p_box)
{
    zev::Geometry* g = zev::GeometryAPI::instance()->newGeometry("", nullptr);
    zev::TripletZEVVector& vertices = g->getVertices();
    vertices.resize(p_box.xyz.size() / 3);
    for (std::size_t v = 0; v < vertices.size(); ++v)
        vertices[v] = zev::Triplet(p_box.xyz[3 * v], p_box.xyz[3 * v + 1], p_box.xyz[3 * v + 2]);
    int index = 0;
    for (const CellBlock& b : p_box.blocks) {
        if (b.count() == 0)
            continue;
        zev::ShapeSet* set = g->addElementSet(index++, b.type, int(b.count()), 1.0);
        for (std::size_t e = 0; e < b.count(); ++e) {
            zev::Shape& shape = (*set)[e];
            for (int q = 0; q < b.corners; ++q)
                shape[q] = b.ids[e * std::size_t(b.corners) + std::size_t(q)];
        }
    }
    return g;
}

const zev::Triplet kNormal(0.48f, 0.6f, 0.64f);
const float kConstant = 0.86f; // through the box centre
const float kRadius = 0.35f;

float sphereField(float p_x, float p_y, float p_z)
{
    return std::sqrt((p_x - 0.5f) * (p_x - 0.5f) + (p_y - 0.5f) * (p_y - 0.5f) + (p_z - 0.5f) * (p_z - 0.5f));
}
// The "next time step": another smooth field.
float stepField(float p_x, float p_y, float p_z)
{
    return std::sin(3.0f * p_x) + p_y * p_z;
}

std::vector<float> fieldOf(const BoxCells& p_box, float (*p_field)(float, float, float))
{
    std::vector<float> values(p_box.xyz.size() / 3);
    for (std::size_t v = 0; v < values.size(); ++v)
        values[v] = p_field(p_box.xyz[3 * v], p_box.xyz[3 * v + 1], p_box.xyz[3 * v + 2]);
    return values;
}

std::unique_ptr<zev::ScalarVariable> variableOf(const std::vector<float>& p_values)
{
    auto variable = std::make_unique<zev::ScalarVariable>(zev::eConservative, zev::eVertex);
    variable->setName("f");
    zev::FloatZEVVector& values = variable->getVertexValues(zev::eConservative);
    values.resize(p_values.size());
    for (std::size_t v = 0; v < p_values.size(); ++v)
        values[v] = p_values[v];
    return variable;
}

// The box of the last request in the library's form (and the peer's, built on demand).
struct SliceSlot {
    SliceMesh kind = SliceMesh::Hex;
    int n = 0;
    std::unique_ptr<BoxCells> box;
    zev::Geometry* domain = nullptr;
    std::unique_ptr<zev::ScalarVariable> sphere;
#ifdef ZEV_BENCH_PEER
    vtkSmartPointer<vtkUnstructuredGrid> grid;
#endif
};

SliceSlot& sliceSlot()
{
    static SliceSlot s_slot;
    return s_slot;
}

void dropSlice()
{
    SliceSlot& s = sliceSlot();
    if (s.domain != nullptr)
        zev::GeometryAPI::instance()->deleteGeometry(s.domain);
    s = SliceSlot();
}

SliceSlot& slotFor(SliceMesh p_kind, int p_n)
{
    registerCache("slice", dropSlice);
    claimCaches("slice", false);
    SliceSlot& s = sliceSlot();
    if (!s.box || s.kind != p_kind || s.n != p_n) {
        dropSlice();
        s.kind = p_kind;
        s.n = p_n;
        s.box = std::make_unique<BoxCells>(makeBox(p_kind, p_n));
        s.domain = buildDomain(*s.box);
        s.sphere = variableOf(fieldOf(*s.box, sphereField));
    }
    return s;
}

std::size_t polygonCount(const zev::Geometry& p_geometry)
{
    return std::size_t(p_geometry.getNumFaces());
}

void reportOutput(benchmark::State& p_state, std::size_t p_polygons, std::size_t p_bytes)
{
    p_state.counters["polygons"] = double(p_polygons);
    p_state.counters["bytes_per_polygon"] = p_polygons ? double(p_bytes) / double(p_polygons) : 0.0;
}

void zevSlice(benchmark::State& p_state, SliceMesh p_kind, int p_n, bool p_iso)
{
    SliceSlot& s = slotFor(p_kind, p_n);
    zev::GeometryAPI* api = zev::GeometryAPI::instance();
    std::size_t polygons = 0;
    std::size_t bytes = 0;
    // The domain's octrees are built on its first plane cut and kept: the row measures the cuts
    // that follow (a plane moved through a loaded mesh). The build itself is timed with point
    // location (LocateBench).
    if (!p_iso)
        s.domain->buildAllOctrees();
    MemoryScope memory;
    for (auto _ : p_state) {
        const std::size_t before = heapBytesInUse();
        zev::Geometry* out = api->newGeometry("", nullptr);
        out->setName("cut");
        if (p_iso)
            zev::GeometryIntersector::intersectWithGeometry(*out, "domain", s.domain, s.sphere.get(),
                                                            zev::eConservative, kRadius);
        else
            zev::GeometryIntersector::intersectWithGeometry(*out, "domain", s.domain, kNormal, kConstant);
        bytes = heapBytesInUse() - before;
        polygons = polygonCount(*out);
        api->deleteGeometry(out);
    }
    memory.finish(p_state, s.box->cells());
    reportOutput(p_state, polygons, bytes);
}

void zevTimeStep(benchmark::State& p_state, SliceMesh p_kind, int p_n)
{
    SliceSlot& s = slotFor(p_kind, p_n);
    zev::GeometryAPI* api = zev::GeometryAPI::instance();
    zev::Geometry* slice = api->newGeometry("", nullptr);
    slice->setName("slice");
    zev::GeometryIntersector::intersectWithGeometry(*slice, "domain", s.domain, kNormal, kConstant);
    const auto next = variableOf(fieldOf(*s.box, stepField));
    const zev::Interpolant& edges = *slice->getEdgeInterpolant();
    zev::FloatZEVVectorConcrete carried;
    MemoryScope memory;
    for (auto _ : p_state) {
        edges.interpolate({next.get()}, zev::eConservative, carried);
        benchmark::DoNotOptimize(carried.data());
    }
    memory.finish(p_state, s.box->cells());
    p_state.counters["slice_vertices"] = double(slice->getNumVertices());
    api->deleteGeometry(slice);
}

#ifdef ZEV_BENCH_PEER

// The peer's hexahedron lists its bottom face counter-clockwise, then the top one.
constexpr int kHexOrder[8] = {0, 1, 3, 2, 4, 5, 7, 6};

vtkUnstructuredGrid* peerGrid(SliceSlot& p_slot)
{
    if (p_slot.grid)
        return p_slot.grid;
    const BoxCells& box = *p_slot.box;
    vtkNew<vtkFloatArray> coordinates;
    coordinates->SetNumberOfComponents(3);
    coordinates->SetNumberOfTuples(vtkIdType(box.xyz.size() / 3));
    std::copy(box.xyz.begin(), box.xyz.end(), coordinates->GetPointer(0));
    vtkNew<vtkPoints> points;
    points->SetData(coordinates);

    const vtkIdType cells = vtkIdType(box.cells());
    vtkNew<vtkIdTypeArray> offsets;
    offsets->SetNumberOfValues(cells + 1);
    vtkNew<vtkIdTypeArray> connectivity;
    vtkNew<vtkUnsignedCharArray> types;
    types->SetNumberOfValues(cells);
    std::size_t total = 0;
    for (const CellBlock& b : box.blocks)
        total += b.ids.size();
    connectivity->SetNumberOfValues(vtkIdType(total));
    vtkIdType cell = 0;
    vtkIdType at = 0;
    for (const CellBlock& b : box.blocks) {
        const unsigned char type = b.type == zev::HEX     ? VTK_HEXAHEDRON
                                   : b.type == zev::WEDGE ? VTK_WEDGE
                                                          : VTK_TETRA;
        for (std::size_t e = 0; e < b.count(); ++e, ++cell) {
            offsets->SetValue(cell, at);
            types->SetValue(cell, type);
            for (int q = 0; q < b.corners; ++q) {
                const int local = b.type == zev::HEX ? kHexOrder[q] : q;
                connectivity->SetValue(at++, b.ids[e * std::size_t(b.corners) + std::size_t(local)]);
            }
        }
    }
    offsets->SetValue(cells, at);
    vtkNew<vtkCellArray> array;
    array->SetData(offsets, connectivity);
    p_slot.grid = vtkSmartPointer<vtkUnstructuredGrid>::New();
    p_slot.grid->SetPoints(points);
    p_slot.grid->SetCells(types, array);
    const std::vector<float> sphere = fieldOf(box, sphereField);
    vtkNew<vtkFloatArray> field;
    field->SetName("r");
    field->SetNumberOfValues(vtkIdType(sphere.size()));
    std::copy(sphere.begin(), sphere.end(), field->GetPointer(0));
    p_slot.grid->GetPointData()->SetScalars(field);
    return p_slot.grid;
}

// Replaces the grid's point field by the next time step's.
void useStepField(SliceSlot& p_slot)
{
    const std::vector<float> next = fieldOf(*p_slot.box, stepField);
    vtkNew<vtkFloatArray> field;
    field->SetName("r");
    field->SetNumberOfValues(vtkIdType(next.size()));
    std::copy(next.begin(), next.end(), field->GetPointer(0));
    p_slot.grid->GetPointData()->SetScalars(field);
}

enum class Peer { Cutter, PlaneCutter, LinearGridCutter, ContourFilter, ContourGrid, LinearGridContour };

const char* peerName(Peer p_peer)
{
    switch (p_peer) {
    case Peer::Cutter:
        return "vtkCutter";
    case Peer::PlaneCutter:
        return "vtkPlaneCutter";
    case Peer::LinearGridCutter:
        return "vtk3DLinearGridPlaneCutter";
    case Peer::ContourFilter:
        return "vtkContourFilter";
    case Peer::ContourGrid:
        return "vtkContourGrid";
    case Peer::LinearGridContour:
        return "vtkContour3DLinearGrid";
    }
    return "?";
}

vtkSmartPointer<vtkAlgorithm> makePeer(Peer p_peer)
{
    vtkNew<vtkPlane> plane;
    plane->SetOrigin(0.5, 0.5, 0.5);
    plane->SetNormal(kNormal[0], kNormal[1], kNormal[2]);
    switch (p_peer) {
    case Peer::Cutter: {
        auto f = vtkSmartPointer<vtkCutter>::New();
        f->SetCutFunction(plane);
        return f;
    }
    case Peer::PlaneCutter: {
        auto f = vtkSmartPointer<vtkPlaneCutter>::New();
        f->SetPlane(plane);
        f->SetInterpolateAttributes(true);
        f->SetComputeNormals(false);
        return f;
    }
    case Peer::LinearGridCutter: {
        auto f = vtkSmartPointer<vtk3DLinearGridPlaneCutter>::New();
        f->SetPlane(plane);
        f->SetMergePoints(true);
        f->SetInterpolateAttributes(true);
        f->SetComputeNormals(false);
        f->SetSequentialProcessing(true);
        return f;
    }
    case Peer::ContourFilter: {
        auto f = vtkSmartPointer<vtkContourFilter>::New();
        f->SetValue(0, kRadius);
        f->SetComputeNormals(false);
        return f;
    }
    case Peer::ContourGrid: {
        auto f = vtkSmartPointer<vtkContourGrid>::New();
        f->SetValue(0, kRadius);
        f->SetComputeNormals(false);
        return f;
    }
    case Peer::LinearGridContour: {
        auto f = vtkSmartPointer<vtkContour3DLinearGrid>::New();
        f->SetValue(0, kRadius);
        f->SetMergePoints(true);
        f->SetInterpolateAttributes(true);
        f->SetComputeNormals(false);
        f->SetSequentialProcessing(true);
        return f;
    }
    }
    return nullptr;
}

// The polygons and bytes of a peer output (a poly data, or a composite of them).
void peerOutput(vtkDataObject* p_output, std::size_t& p_polygons, std::size_t& p_bytes)
{
    p_polygons = 0;
    p_bytes = std::size_t(p_output->GetActualMemorySize()) * 1024;
    if (auto* poly = vtkPolyData::SafeDownCast(p_output)) {
        p_polygons = std::size_t(poly->GetNumberOfCells());
        return;
    }
    if (auto* set = vtkDataSet::SafeDownCast(p_output))
        p_polygons = std::size_t(set->GetNumberOfCells());
    else if (auto* composite = vtkCompositeDataSet::SafeDownCast(p_output))
        p_polygons = std::size_t(composite->GetNumberOfCells());
}

void peerCut(benchmark::State& p_state, SliceMesh p_kind, int p_n, Peer p_peer, bool p_nextStep)
{
    SliceSlot& s = slotFor(p_kind, p_n);
    vtkUnstructuredGrid* grid = peerGrid(s);
    if (p_nextStep)
        useStepField(s);
    vtkSmartPointer<vtkAlgorithm> filter = makePeer(p_peer);
    filter->SetInputDataObject(grid);
    MemoryScope memory;
    for (auto _ : p_state) {
        filter->Modified();
        filter->Update();
        benchmark::DoNotOptimize(filter->GetOutputDataObject(0));
    }
    memory.finish(p_state, s.box->cells());
    std::size_t polygons = 0;
    std::size_t bytes = 0;
    peerOutput(filter->GetOutputDataObject(0), polygons, bytes);
    reportOutput(p_state, polygons, bytes);
    if (p_nextStep)
        s.grid = nullptr; // the sphere field again for the next user
}

#endif

// Domain sizes of the comparison: about 6M mixed cells, 10M tetrahedra, 2M hexahedra; and a
// small size of each for quick runs (--benchmark_filter=.../40).
struct Size {
    SliceMesh kind;
    int n;
};
const Size kPlaneSizes[] = {
    {SliceMesh::Mix, 126}, {SliceMesh::Tet, 118}, {SliceMesh::Mix, 40}, {SliceMesh::Tet, 40}};
const Size kIsoSizes[] = {
    {SliceMesh::Tet, 118}, {SliceMesh::Hex, 126}, {SliceMesh::Tet, 40}, {SliceMesh::Hex, 40}};

} // namespace

void registerSliceBenchmarks()
{
    for (const Size& size : kPlaneSizes) {
        if (quickRun() != (size.n == 40))
            continue;
        const SliceMesh kind = size.kind;
        const int n = size.n;
        add({"SlicePlane", sliceMeshName(kind), "zev", n, "element"},
            [kind, n](benchmark::State& s) { zevSlice(s, kind, n, false); });
        add({"SliceTimeStep", sliceMeshName(kind), "zev", n, "element"},
            [kind, n](benchmark::State& s) { zevTimeStep(s, kind, n); });
#ifdef ZEV_BENCH_PEER
        for (Peer peer : {Peer::Cutter, Peer::PlaneCutter, Peer::LinearGridCutter})
            add({"SlicePlane", sliceMeshName(kind), std::string("peer-") + peerName(peer), n, "element"},
                [kind, n, peer](benchmark::State& s) { peerCut(s, kind, n, peer, false); });
        for (Peer peer : {Peer::PlaneCutter, Peer::LinearGridCutter})
            add({"SliceTimeStep", sliceMeshName(kind), std::string("peer-") + peerName(peer), n, "element"},
                [kind, n, peer](benchmark::State& s) { peerCut(s, kind, n, peer, true); });
#endif
    }
    for (const Size& size : kIsoSizes) {
        if (quickRun() != (size.n == 40))
            continue;
        const SliceMesh kind = size.kind;
        const int n = size.n;
        add({"Isosurface", sliceMeshName(kind), "zev", n, "element"},
            [kind, n](benchmark::State& s) { zevSlice(s, kind, n, true); });
#ifdef ZEV_BENCH_PEER
        for (Peer peer : {Peer::ContourFilter, Peer::ContourGrid, Peer::LinearGridContour})
            add({"Isosurface", sliceMeshName(kind), std::string("peer-") + peerName(peer), n, "element"},
                [kind, n, peer](benchmark::State& s) { peerCut(s, kind, n, peer, false); });
#endif
    }
}

} // namespace bench
