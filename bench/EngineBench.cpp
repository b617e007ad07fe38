// Throughput of the correction filter, sample by sample and by blocks, for a
// 199-section correction, and the cost of the Air network per sample. Prints
// the block path's speed-up over the per-sample recursion measured in the
// same run, for the chosen instruction set and for every set the processor
// supports. Then the block-size tables of the plug-in and the measurement
// program (BlockSizeTables.h); --block-sizes-only prints just those.
#include "bench/BenchCorrection.h"
#include "bench/BlockSizeTables.h"
#include "bench/InstructionSetOption.h"
#include "engine/AirAmbience.h"
#include "engine/CorrectionFilter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace kestrava::engine;

namespace {

using kestrava::engine::CorrectionFilter;
namespace simd = kestrava::engine::simd;

constexpr int kBlock = 512;

std::vector<double> noise(int length)
{
    std::vector<double> signal(length);
    unsigned state = 1;
    for (double& x : signal) {
        state = state * 1664525u + 1013904223u;
        x = static_cast<double>(state) / 4294967296.0 - 0.5;
    }
    return signal;
}

std::unique_ptr<CorrectionFilter> preparedFilter()
{
    auto filter = std::make_unique<CorrectionFilter>();
    filter->setSampleRate(48000.0);
    filter->setCorrection(kestrava::bench::typicalCorrection());
    return filter;
}

void processSample199(benchmark::State& state)
{
    auto filter = preparedFilter();
    const std::vector<double> in = noise(kBlock);
    std::vector<double> out(kBlock);
    for (auto _ : state) {
        for (int t = 0; t < kBlock; ++t) {
            out[t] = filter->processSample(in[t]);
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
}

void processBlock199(benchmark::State& state)
{
    auto filter = preparedFilter();
    const std::vector<double> in = noise(kBlock);
    std::vector<double> out(kBlock);
    for (auto _ : state) {
        filter->processBlock(in.data(), out.data(), kBlock);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
}

// The block path on one given instruction set; the chosen set is restored
// for the benchmarks that follow.
void processBlock199On(benchmark::State& state, simd::InstructionSet set)
{
    const simd::InstructionSet chosen = simd::activeInstructionSet();
    simd::useInstructionSet(set);
    processBlock199(state);
    simd::useInstructionSet(chosen);
}

void airPerSample(benchmark::State& state)
{
    auto air = std::make_unique<kestrava::engine::AirAmbience>();
    air->prepare(48000.0);
    const std::vector<double> in = noise(kBlock);
    double sink = 0.0;
    for (auto _ : state) {
        for (int t = 0; t < kBlock; ++t) {
            const kestrava::engine::StereoSample out = air->processSample(in[t]);
            sink += out.left - out.right;
        }
        benchmark::DoNotOptimize(sink);
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
}

BENCHMARK(processSample199);
BENCHMARK(processBlock199);
BENCHMARK(airPerSample);

// Keeps each benchmark's samples per second for the summary line.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto it = run.counters.find("items_per_second");
            if (it != run.counters.end()) {
                rates[run.benchmark_name()] = it->second.value;
            }
        }
    }
    std::map<std::string, double> rates;
};

}  // namespace

// Takes --block-sizes-only out of argv; true when it was there.
bool takeBlockSizesOnly(int& argc, char** argv)
{
    bool found = false;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--block-sizes-only") == 0)
            found = true;
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    argv[argc] = nullptr;
    return found;
}

int main(int argc, char** argv)
{
    if (!kestrava::bench::applyInstructionSetOption(argc, argv))
        return 2;
    if (takeBlockSizesOnly(argc, argv)) {
        kestrava::bench::printPluginBlockSizeTables();
        kestrava::bench::printMeasurementBlockSizeTables();
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    for (simd::InstructionSet set :
         {simd::InstructionSet::Sse2, simd::InstructionSet::Avx2, simd::InstructionSet::Avx512}) {
        if (set <= simd::widestSupportedSet()) {
            const std::string name = std::string("processBlock199/") + simd::instructionSetName(set);
            benchmark::RegisterBenchmark(name.c_str(), processBlock199On, set);
        }
    }
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double perSample = reporter.rates["processSample199"];
    const double perBlock = reporter.rates["processBlock199"];
    const double air = reporter.rates["airPerSample"];
    if (perSample > 0 && perBlock > 0) {
        std::printf("\n199 sections: processSample %.3g samples/s, processBlock (%s) %.3g samples/s, ratio %.1f\n",
                    perSample, simd::instructionSetName(simd::activeInstructionSet()), perBlock,
                    perBlock / perSample);
        for (const auto& [name, rate] : reporter.rates) {
            if (name.rfind("processBlock199/", 0) == 0)
                std::printf("  %-22s %.3g samples/s, ratio %.1f\n", name.c_str(), rate, rate / perSample);
        }
    }
    if (air > 0) {
        std::printf("Air network: %.2f ns per sample\n\n", 1e9 / air);
    }
    kestrava::bench::printPluginBlockSizeTables();
    kestrava::bench::printMeasurementBlockSizeTables();
    benchmark::Shutdown();
    return 0;
}
