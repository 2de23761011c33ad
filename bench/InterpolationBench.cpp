// Edge interpolation of a scalar over ten million records, against a plain streaming pass
// over the same bytes (the parent array and the records read once, the target written once),
// which is what the hardware allows for this data layout.
//
// The records are the edges of a lattice of 150^3 parent vertices, walked in vertex order as a
// cut sweeping the mesh meets them, each with its own weight.

#include "bench/BenchSupport.h"

#include "zev/contracts/FloatZEVVectorConcrete.h"
#include "zev/interpolants/EdgeInterpolant.h"
#include "zev/variables/ScalarVariable.h"

#include <memory>

namespace bench {

namespace {

// 10^7 records over a 150^3 lattice; a quick run takes 10^6 over 70^3.
long recordCount()
{
    return quickRun() ? 1000000 : 10000000;
}
int latticeSize()
{
    return quickRun() ? 70 : 150;
}

struct InterpolationData {
    std::unique_ptr<zev::ScalarVariable> parent;
    std::unique_ptr<zev::EdgeInterpolant> interpolant;
    std::vector<zev::EdgeInterpolantData> records; // a copy of the interpolant's, for the pass
    std::vector<float> parentValues;
};

InterpolationData& dataSlot()
{
    static InterpolationData s_data;
    return s_data;
}

void dropData()
{
    dataSlot() = InterpolationData();
}

InterpolationData& data()
{
    registerCache("interpolation", dropData);
    claimCaches("interpolation", false);
    InterpolationData& s_data = dataSlot();
    if (s_data.interpolant)
        return s_data;
    const int m = latticeSize();
    const std::size_t vertices = static_cast<std::size_t>(m) * m * m;
    s_data.parentValues.resize(vertices);
    for (std::size_t v = 0; v < vertices; ++v)
        s_data.parentValues[v] = 0.001f * static_cast<float>(v % 100003);
    s_data.parent = std::make_unique<zev::ScalarVariable>(
        s_data.parentValues.data(), static_cast<int>(vertices), zev::eConservative, zev::eVertex);
    s_data.parent->setName("p");
    s_data.records.reserve(recordCount());
    for (int k = 0; k < m && static_cast<long>(s_data.records.size()) < recordCount(); ++k)
        for (int j = 0; j < m && static_cast<long>(s_data.records.size()) < recordCount(); ++j)
            for (int i = 0; i < m && static_cast<long>(s_data.records.size()) < recordCount(); ++i) {
                const int v = i + m * (j + m * k);
                const int steps[3] = {i < m - 1 ? 1 : 0, j < m - 1 ? m : 0, k < m - 1 ? m * m : 0};
                for (int step : steps)
                    if (step != 0 && static_cast<long>(s_data.records.size()) < recordCount()) {
                        const float w = static_cast<float>((s_data.records.size() * 7919) % 1000) / 1000.0f;
                        s_data.records.emplace_back(v, v + step, w);
                    }
            }
    s_data.interpolant = std::make_unique<zev::EdgeInterpolant>("parent");
    std::vector<zev::EdgeInterpolantData> copy = s_data.records;
    s_data.interpolant->swapInternalData(copy);
    return s_data;
}

// The library's generic entry point: a new result variable per call, as a variable request on
// a derived geometry makes it.
void interpolateVariable(benchmark::State& p_state)
{
    InterpolationData& d = data();
    const std::vector<zev::Variable*> parents{d.parent.get()};
    MemoryScope memory;
    for (auto _ : p_state) {
        std::unique_ptr<zev::Variable> result(d.interpolant->interpolate(parents));
        benchmark::DoNotOptimize(result.get());
    }
    memory.finish(p_state, d.records.size());
}

// The same entry point with the result variable kept by the caller between calls, as a new
// time step carried onto the same cut is: the result's array is refilled in place.
void interpolateKeptVariable(benchmark::State& p_state)
{
    InterpolationData& d = data();
    const std::vector<zev::Variable*> parents{d.parent.get()};
    std::unique_ptr<zev::Variable> result(d.interpolant->interpolate(parents));
    MemoryScope memory;
    for (auto _ : p_state) {
        d.interpolant->interpolate(parents, *result);
        benchmark::DoNotOptimize(result.get());
    }
    memory.finish(p_state, d.records.size());
}

// The typed interpolation into an array that is reused, which isolates the record loop.
void interpolateArray(benchmark::State& p_state)
{
    InterpolationData& d = data();
    const std::vector<const zev::ScalarVariable*> parents{d.parent.get()};
    zev::FloatZEVVectorConcrete target;
    MemoryScope memory;
    for (auto _ : p_state) {
        d.interpolant->interpolate(parents, zev::eConservative, target);
        benchmark::DoNotOptimize(target.data());
    }
    memory.finish(p_state, d.records.size());
}

// The streaming reference: every parent value and every record read once, every target value
// written once, with no gather.
void streamingPass(benchmark::State& p_state)
{
    InterpolationData& d = data();
    const float* parent = d.parentValues.data();
    const std::size_t np = d.parentValues.size();
    const zev::EdgeInterpolantData* records = d.records.data();
    const std::size_t nr = d.records.size();
    std::vector<float> target(nr);
    MemoryScope memory;
    for (auto _ : p_state) {
        // Eight independent sums so that the read is not serialised on one addition chain.
        float sums[8] = {};
        std::size_t p = 0;
        for (; p + 8 <= np; p += 8)
            for (int k = 0; k < 8; ++k)
                sums[k] += parent[p + static_cast<std::size_t>(k)];
        for (; p < np; ++p)
            sums[0] += parent[p];
        float* out = target.data();
        for (std::size_t i = 0; i < nr; ++i)
            out[i] = records[i].m_weight + static_cast<float>(records[i].m_vertex1 - records[i].m_vertex2);
        benchmark::DoNotOptimize(sums);
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
    }
    memory.finish(p_state, nr);
}

} // namespace

void registerInterpolationBenchmarks()
{
    add({"EdgeInterpolation", "variable", "zev", recordCount(), "record"}, interpolateVariable);
    add({"EdgeInterpolation", "variable-kept", "zev", recordCount(), "record"}, interpolateKeptVariable);
    add({"EdgeInterpolation", "array", "zev", recordCount(), "record"}, interpolateArray);
    add({"EdgeInterpolation", "any", "bound", recordCount(), "record"}, streamingPass);
}

} // namespace bench
