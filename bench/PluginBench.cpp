// CPU load of one Sonalve instance, as a percentage of one core: the time
// the processing entries take per second of audio with a 199-section
// correction, at 44,100, 48,000 and 96,000 Hz, Air off and on, in single
// and double precision, with 512-frame host blocks. Beside each figure, the
// plain per-sample recursion (filter and Air through processSample)
// measured in the same run as the reference.
#include "bench/BenchCorrection.h"
#include "corrfile/CorrectionFile.h"
#include "engine/AirAmbience.h"
#include "engine/CorrectionFilter.h"
#include "plugin/ADelay.h"

#include <benchmark/benchmark.h>

#include <time.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

using namespace kestrava::corrfile;
using namespace kestrava::engine;
using namespace kestrava::platform;
using namespace kestrava::plugin;

namespace {

using namespace kestrava;

constexpr int kHostBlock = 512;

// The benchmark shows no dialogs and keeps out of the user's folders.
class QuietDesktop final : public Messages, public Shell, public FileDialog {
public:
    void show(const std::string& text, const std::string&, MessageIcon) override
    {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    std::optional<std::string> documentsFolder() override { return std::filesystem::temp_directory_path().string(); }
    bool exists(const std::string& path) override { return std::filesystem::exists(path); }
    void createDirectory(const std::string&) override {}
    DocumentOpenResult openDocument(const std::string&) override { return DocumentOpenResult::Failed; }
    char separator() const override { return '/'; }
    std::optional<std::string> chooseFileToOpen(const OpenFileRequest&) override { return std::nullopt; }
    std::optional<std::string> chooseFileToSave(const OpenFileRequest&) override { return std::nullopt; }
};

const std::string& correctionFile()
{
    static const std::string path = [] {
        const std::string file = (std::filesystem::temp_directory_path() / "sonalve-bench-199.alg").string();
        const std::vector<std::uint8_t> image = encodeCorrectionFile(bench::typicalCorrection());
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
        return file;
    }();
    return path;
}

std::unique_ptr<ADelay> loadedEffect(QuietDesktop& desktop, double sampleRate, bool airOn)
{
    auto effect = std::make_unique<ADelay>(nullptr, DesktopServices{desktop, desktop, desktop});
    effect->setSampleRate(static_cast<float>(sampleRate));
    ProgramRecord record{};
    std::snprintf(record.name, sizeof record.name, "bench");
    std::snprintf(record.path, sizeof record.path, "%s", correctionFile().c_str());
    record.input = 1.0f;
    record.air = airOn ? 0.0f : 1.0f;
    effect->setChunk(&record, sizeof record, true);
    return effect;
}

double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// Reported as the percentage of one core that one second of audio costs:
// the thread's processor time over the audio time it processed.
void reportLoad(benchmark::State& state, double sampleRate, double cpuSeconds)
{
    const double audioSeconds = static_cast<double>(state.iterations()) * kHostBlock / sampleRate;
    state.counters["core_pct"] = audioSeconds > 0.0 ? 100.0 * cpuSeconds / audioSeconds : 0.0;
}

template <class Sample>
void sonalveInstance(benchmark::State& state)
{
    const double sampleRate = static_cast<double>(state.range(0));
    const bool airOn = state.range(1) != 0;
    QuietDesktop desktop;
    std::unique_ptr<ADelay> effect = loadedEffect(desktop, sampleRate, airOn);

    std::vector<Sample> in1(kHostBlock), in2(kHostBlock), out1(kHostBlock), out2(kHostBlock);
    unsigned seed = 1;
    for (Sample& x : in2) {
        seed = seed * 1664525u + 1013904223u;
        x = static_cast<Sample>(static_cast<double>(seed) / 4294967296.0 - 0.5);
    }
    Sample* inputs[2] = {in1.data(), in2.data()};
    Sample* outputs[2] = {out1.data(), out2.data()};
    const double start = threadCpuSeconds();
    for (auto _ : state) {
        if constexpr (std::is_same_v<Sample, float>)
            effect->processReplacing(inputs, outputs, kHostBlock);
        else
            effect->processDoubleReplacing(inputs, outputs, kHostBlock);
        benchmark::DoNotOptimize(out1.data());
        benchmark::DoNotOptimize(out2.data());
    }
    reportLoad(state, sampleRate, threadCpuSeconds() - start);
}

// The reference: the plain recursion, one processSample call per frame.
void plainRecursion(benchmark::State& state)
{
    const double sampleRate = static_cast<double>(state.range(0));
    const bool airOn = state.range(1) != 0;
    auto filter = std::make_unique<CorrectionFilter>();
    filter->setSampleRate(sampleRate);
    filter->setCorrection(bench::typicalCorrection());
    auto air = std::make_unique<AirAmbience>();
    air->prepare(sampleRate);

    std::vector<double> in(kHostBlock), out1(kHostBlock), out2(kHostBlock);
    unsigned seed = 1;
    for (double& x : in) {
        seed = seed * 1664525u + 1013904223u;
        x = static_cast<double>(seed) / 4294967296.0 - 0.5;
    }
    const double start = threadCpuSeconds();
    for (auto _ : state) {
        for (int i = 0; i < kHostBlock; ++i) {
            const double t = filter->processSample(in[i]);
            const StereoSample s = airOn ? air->processSample(t) : StereoSample{t, t};
            out1[i] = s.left;
            out2[i] = s.right;
        }
        benchmark::DoNotOptimize(out1.data());
        benchmark::DoNotOptimize(out2.data());
    }
    reportLoad(state, sampleRate, threadCpuSeconds() - start);
}

void loadArguments(benchmark::internal::Benchmark* benchmark)
{
    benchmark->ArgNames({"rate", "air"});
    for (int rate : {44100, 48000, 96000})
        for (int air : {0, 1})
            benchmark->Args({rate, air});
}

BENCHMARK(sonalveInstance<float>)->Apply(loadArguments);
BENCHMARK(sonalveInstance<double>)->Apply(loadArguments);
BENCHMARK(plainRecursion)->Apply(loadArguments);

}  // namespace
