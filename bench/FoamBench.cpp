// Reading an OpenFOAM case, ASCII and binary, per cell: the library's whole read into a geometry
// with p and U filed (zev) against the peer's OpenFOAM reader on the same case folder (peer), the
// internal mesh and the six patches, cell data only, the latest time. The case is written once per
// run (FoamCaseWriter), outside the timing.
//
// Memory: "peak_MB" is the process's peak resident set during the reads (MemoryScope), and
// "read_MB" that peak less the resident set just before them, i.e. what one read adds at its
// highest: the geometry or data set being built, the reader's own arrays and file buffers. Both
// sides are measured in the same process after dropping every other workload's inputs.

#include "bench/BenchSupport.h"
#include "bench/EnsightCaseWriter.h"
#include "bench/FluentCaseWriter.h"
#include "bench/FoamCaseWriter.h"

#include "zev/geometry/Geometry.h"
#include "zev/io/MeshFile.h"
#include "zev/shapes/ShapeSet.h"

#ifdef ZEV_BENCH_PEER
#include <vtkDoubleArray.h>
#include <vtkEnSightGoldBinaryReader.h>
#include <vtkFLUENTReader.h>
#include <vtkMultiBlockDataSet.h>
#include <vtkNew.h>
#include <vtkOpenFOAMReader.h>
#include <vtkStringArray.h>
#endif

#include <stdexcept>
#include <string>
#include <vector>

namespace bench {

namespace {

const char* layoutName(bool p_binary)
{
    return p_binary ? "binary" : "ascii";
}

std::vector<int> foamSizes()
{
    if (quickRun())
        return {32};
    return {64, 100};
}

// Drops nothing: the cases live on disk for the whole run.
void dropNothing() {}

const FoamCase& prepare(int p_n, bool p_binary)
{
    registerCache("foam", dropNothing);
    claimCaches("foam", false);
    return cachedFoamBox(p_n, p_binary);
}

void finishMemory(benchmark::State& p_state, MemoryScope& p_memory, std::size_t p_base, std::size_t p_cells)
{
    p_memory.finish(p_state, p_cells);
    const std::size_t peak = peakResidentBytes();
    p_state.counters["read_MB"] = static_cast<double>(peak > p_base ? peak - p_base : 0) / 1e6;
}

// The library's whole read of p_path into a geometry, which must hold p_cells elements.
void readLibraryFile(benchmark::State& p_state, const std::string& p_path, std::size_t p_cells)
{
    MemoryScope memory;
    const std::size_t base = currentResidentBytes();
    for (auto _ : p_state) {
        zev::GeometryAutoPtr geometry = zev::io::readGeometry(p_path);
        std::size_t cells = 0;
        for (const std::string& name : geometry->getElementSetNames())
            cells += geometry->getElementSet(name)->size();
        if (cells != p_cells) {
            p_state.SkipWithError("the library read a different number of cells");
            break;
        }
        benchmark::DoNotOptimize(geometry.get());
    }
    finishMemory(p_state, memory, base, p_cells);
}

void readLibrary(benchmark::State& p_state, int p_n, bool p_binary)
{
    const FoamCase& foam = prepare(p_n, p_binary);
    readLibraryFile(p_state, foam.folder, foam.cells);
}

const EnsightCase& prepareEnsight(int p_n)
{
    registerCache("foam", dropNothing);
    claimCaches("foam", false);
    return cachedEnsightBox(p_n);
}

const FluentCase& prepareFluent(int p_n)
{
    registerCache("foam", dropNothing);
    claimCaches("foam", false);
    return cachedFluentBox(p_n);
}

#ifdef ZEV_BENCH_PEER
void readPeer(benchmark::State& p_state, int p_n, bool p_binary)
{
    const FoamCase& foam = prepare(p_n, p_binary);
    MemoryScope memory;
    const std::size_t base = currentResidentBytes();
    for (auto _ : p_state) {
        vtkNew<vtkOpenFOAMReader> reader;
        reader->SetFileName(foam.foamFile.c_str());
        reader->CreateCellToPointOff();
        reader->UpdateInformation();
        reader->EnableAllCellArrays();
        // The internal mesh and the patches, as the library reads them (no groups or zones).
        for (int i = 0; i < reader->GetNumberOfPatchArrays(); ++i) {
            const std::string name = reader->GetPatchArrayName(i);
            reader->SetPatchArrayStatus(name.c_str(),
                                        name == "internalMesh" || name.compare(0, 6, "patch/") == 0 ? 1 : 0);
        }
        vtkDoubleArray* times = reader->GetTimeValues();
        if (times != nullptr && times->GetNumberOfTuples() > 0)
            reader->UpdateTimeStep(times->GetValue(times->GetNumberOfTuples() - 1));
        else
            reader->Update();
        vtkMultiBlockDataSet* output = reader->GetOutput();
        if (output == nullptr || output->GetNumberOfCells() < static_cast<vtkIdType>(foam.cells)) {
            p_state.SkipWithError("the peer read fewer cells than the case holds");
            break;
        }
        benchmark::DoNotOptimize(output);
    }
    finishMemory(p_state, memory, base, foam.cells);
}

void readEnsightPeer(benchmark::State& p_state, int p_n)
{
    const EnsightCase& ensight = prepareEnsight(p_n);
    MemoryScope memory;
    const std::size_t base = currentResidentBytes();
    for (auto _ : p_state) {
        vtkNew<vtkEnSightGoldBinaryReader> reader;
        reader->SetCaseFileName(ensight.caseFile.c_str());
        reader->Update();
        vtkMultiBlockDataSet* output = reader->GetOutput();
        if (output == nullptr || output->GetNumberOfCells() < static_cast<vtkIdType>(ensight.cells)) {
            p_state.SkipWithError("the peer read fewer cells than the case holds");
            break;
        }
        benchmark::DoNotOptimize(output);
    }
    finishMemory(p_state, memory, base, ensight.cells);
}

void readFluentPeer(benchmark::State& p_state, int p_n)
{
    const FluentCase& fluent = prepareFluent(p_n);
    MemoryScope memory;
    const std::size_t base = currentResidentBytes();
    for (auto _ : p_state) {
        vtkNew<vtkFLUENTReader> reader;
        reader->SetFileName(fluent.caseFile.c_str());
        reader->Update();
        vtkMultiBlockDataSet* output = reader->GetOutput();
        if (output == nullptr || output->GetNumberOfCells() < static_cast<vtkIdType>(fluent.cells)) {
            p_state.SkipWithError("the peer read fewer cells than the case holds");
            break;
        }
        benchmark::DoNotOptimize(output);
    }
    finishMemory(p_state, memory, base, fluent.cells);
}
#endif

} // namespace

void registerFoamBenchmarks()
{
    // EnSight Gold, C binary: the same box as one volume part and its boundary as a surface part.
    for (int n : foamSizes())
        add({"EnsightRead", "binary", "zev", n, "cell"}, [n](benchmark::State& s) {
            const EnsightCase& ensight = prepareEnsight(n);
            readLibraryFile(s, ensight.caseFile, ensight.cells);
        });
#ifdef ZEV_BENCH_PEER
    for (int n : foamSizes())
        add({"EnsightRead", "binary", "peer", n, "cell"},
            [n](benchmark::State& s) { readEnsightPeer(s, n); });
#endif
    // Fluent, binary sections: the same box with its data file beside the case.
    for (int n : foamSizes())
        add({"FluentRead", "binary", "zev", n, "cell"}, [n](benchmark::State& s) {
            const FluentCase& fluent = prepareFluent(n);
            readLibraryFile(s, fluent.caseFile, fluent.cells);
        });
#ifdef ZEV_BENCH_PEER
    for (int n : foamSizes())
        add({"FluentRead", "binary", "peer", n, "cell"}, [n](benchmark::State& s) { readFluentPeer(s, n); });
#endif
    for (int n : foamSizes())
        for (bool binary : {false, true})
            add({"FoamRead", layoutName(binary), "zev", n, "cell"},
                [n, binary](benchmark::State& s) { readLibrary(s, n, binary); });
#ifdef ZEV_BENCH_PEER
    for (int n : foamSizes())
        for (bool binary : {false, true})
            add({"FoamRead", layoutName(binary), "peer", n, "cell"},
                [n, binary](benchmark::State& s) { readPeer(s, n, binary); });
#endif
}

} // namespace bench
