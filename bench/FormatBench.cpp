// CPU load of one Sonalve instance, as a percentage of one core: the time
// the processing entries take per second of audio with a 199-section
// correction, at 44,100, 48,000 and 96,000 Hz, Air off and on, in single
// and double precision, with 512-frame host blocks. In single precision the
// VST 2.4 effect (format:0) and the built LV2 plug-in (format:1, its run()
// through the library a host loads) are timed side by side. Beside each
// figure, the plain per-sample recursion (filter and Air through
// processSample) measured in the same run as the reference.
#include "bench/BenchCorrection.h"
#include "bench/BenchEffect.h"
#include "corrfile/CorrectionFile.h"
#include "engine/AirAmbience.h"
#include "engine/CorrectionFilter.h"
#include "plugin/ADelay.h"

#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <lv2/atom/forge.h>
#include <lv2/core/lv2.h>
#include <lv2/patch/patch.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <time.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <array>
#include <memory>
#include <vector>

using namespace kestrava::corrfile;
using namespace kestrava::engine;
using namespace kestrava::platform;
using namespace kestrava::plugin;

namespace {

using namespace kestrava;
using bench::correctionFile;
using bench::loadedEffect;
using bench::QuietDesktop;

constexpr int kHostBlock = 512;


// The LV2 plug-in as a host runs it: the library from the built bundle,
// the correction file set by a patch:Set and loaded by its worker (run here
// at once, outside the timing), then run() per block.
class Lv2Instance {
public:
    Lv2Instance(double sampleRate, bool airOn)
    {
        module_ = dlopen(SONALVE_LV2_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        const auto entry = module_ != nullptr
                             ? reinterpret_cast<const LV2_Descriptor* (*)(std::uint32_t)>(dlsym(module_, "lv2_descriptor"))
                             : nullptr;
        descriptor_ = entry != nullptr ? entry(0) : nullptr;
        if (descriptor_ == nullptr) {
            std::fprintf(stderr, "cannot load %s\n", SONALVE_LV2_LIBRARY);
            return;
        }
        const LV2_Feature* features[] = {&mapFeature_, &scheduleFeature_, nullptr};
        instance_ = descriptor_->instantiate(descriptor_, sampleRate, SONALVE_LV2_BUNDLE, features);
        worker_ = static_cast<const LV2_Worker_Interface*>(descriptor_->extension_data(LV2_WORKER__interface));
        air_ = airOn ? 1.0f : 0.0f;
        descriptor_->connect_port(instance_, 4, &input_);
        descriptor_->connect_port(instance_, 5, &air_);
        descriptor_->connect_port(instance_, 6, control_.data());
        descriptor_->connect_port(instance_, 7, notify_.data());
        loadCorrection(correctionFile());
    }

    ~Lv2Instance()
    {
        if (instance_ != nullptr)
            descriptor_->cleanup(instance_);
        if (module_ != nullptr)
            dlclose(module_);
    }

    bool loaded() const { return instance_ != nullptr; }

    void process(float** inputs, float** outputs, std::uint32_t frames)
    {
        for (std::uint32_t port = 0; port < 2; ++port) {
            descriptor_->connect_port(instance_, port, inputs[port]);
            descriptor_->connect_port(instance_, port + 2, outputs[port]);
        }
        emptySequences();
        descriptor_->run(instance_, frames);
    }

private:
    void loadCorrection(const std::string& path)
    {
        LV2_Atom_Forge forge;
        lv2_atom_forge_init(&forge, &map_);
        std::vector<std::uint8_t> message(path.size() + 256);
        lv2_atom_forge_set_buffer(&forge, message.data(), message.size());
        LV2_Atom_Forge_Frame frame;
        lv2_atom_forge_object(&forge, &frame, 0, mapUri(LV2_PATCH__Set));
        lv2_atom_forge_key(&forge, mapUri(LV2_PATCH__property));
        lv2_atom_forge_urid(&forge, mapUri("urn:kestrava:sonalve#correction"));
        lv2_atom_forge_key(&forge, mapUri(LV2_PATCH__value));
        lv2_atom_forge_path(&forge, path.c_str(), static_cast<std::uint32_t>(path.size()));
        lv2_atom_forge_pop(&forge, &frame);

        auto* sequence = emptySequences();
        auto* event = reinterpret_cast<LV2_Atom_Event*>(sequence + 1);
        event->time.frames = 0;
        const auto* atom = reinterpret_cast<const LV2_Atom*>(message.data());
        std::memcpy(&event->body, atom, lv2_atom_total_size(atom));
        sequence->atom.size += static_cast<std::uint32_t>(lv2_atom_pad_size(sizeof(LV2_Atom_Event) + atom->size));
        descriptor_->run(instance_, 0);
        const auto respond = [](LV2_Worker_Respond_Handle self, std::uint32_t size, const void* data) {
            auto* bytes = static_cast<const std::uint8_t*>(data);
            static_cast<Lv2Instance*>(self)->response_.assign(bytes, bytes + size);
            return LV2_WORKER_SUCCESS;
        };
        worker_->work(instance_, respond, this, static_cast<std::uint32_t>(work_.size()), work_.data());
        worker_->work_response(instance_, static_cast<std::uint32_t>(response_.size()), response_.data());
    }

    LV2_Atom_Sequence* emptySequences()
    {
        auto* control = reinterpret_cast<LV2_Atom_Sequence*>(control_.data());
        control->atom = {sizeof(LV2_Atom_Sequence_Body), mapUri(LV2_ATOM__Sequence)};
        control->body = {0, 0};
        auto* notify = reinterpret_cast<LV2_Atom_Sequence*>(notify_.data());
        notify->atom = {static_cast<std::uint32_t>(notify_.size() - sizeof(LV2_Atom)), 0};
        return control;
    }

    LV2_URID mapUri(const char* uri)
    {
        for (std::size_t i = 0; i < uris_.size(); ++i)
            if (uris_[i] == uri)
                return static_cast<LV2_URID>(i + 1);
        uris_.emplace_back(uri);
        return static_cast<LV2_URID>(uris_.size());
    }

    static LV2_Worker_Status schedule(LV2_Worker_Schedule_Handle self, std::uint32_t size, const void* data)
    {
        auto* bytes = static_cast<const std::uint8_t*>(data);
        static_cast<Lv2Instance*>(self)->work_.assign(bytes, bytes + size);
        return LV2_WORKER_SUCCESS;
    }

    void* module_ = nullptr;
    const LV2_Descriptor* descriptor_ = nullptr;
    LV2_Handle instance_ = nullptr;
    const LV2_Worker_Interface* worker_ = nullptr;
    std::deque<std::string> uris_;
    LV2_URID_Map map_{this, [](LV2_URID_Map_Handle self, const char* uri) {
                          return static_cast<Lv2Instance*>(self)->mapUri(uri);
                      }};
    LV2_Worker_Schedule schedule_{this, schedule};
    LV2_Feature mapFeature_{LV2_URID__map, &map_};
    LV2_Feature scheduleFeature_{LV2_WORKER__schedule, &schedule_};
    std::vector<std::uint8_t> work_, response_;
    float input_ = 1.0f;
    float air_ = 1.0f;
    alignas(8) std::array<std::uint8_t, 4096> control_{};
    alignas(8) std::array<std::uint8_t, 4096> notify_{};
};

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

// Single precision, one instance of either format.
void sonalveFloatPerFormat(benchmark::State& state)
{
    const double sampleRate = static_cast<double>(state.range(0));
    const bool airOn = state.range(1) != 0;
    const bool lv2 = state.range(2) != 0;
    QuietDesktop desktop;
    std::unique_ptr<ADelay> effect = lv2 ? nullptr : loadedEffect(desktop, sampleRate, airOn);
    std::unique_ptr<Lv2Instance> plugin = lv2 ? std::make_unique<Lv2Instance>(sampleRate, airOn) : nullptr;
    if (plugin != nullptr && !plugin->loaded()) {
        state.SkipWithError("the LV2 library did not load");
        return;
    }

    std::vector<float> in1(kHostBlock), in2(kHostBlock), out1(kHostBlock), out2(kHostBlock);
    unsigned seed = 1;
    for (float& x : in2) {
        seed = seed * 1664525u + 1013904223u;
        x = static_cast<float>(static_cast<double>(seed) / 4294967296.0 - 0.5);
    }
    float* inputs[2] = {in1.data(), in2.data()};
    float* outputs[2] = {out1.data(), out2.data()};
    const double start = threadCpuSeconds();
    for (auto _ : state) {
        if (lv2)
            plugin->process(inputs, outputs, kHostBlock);
        else
            effect->processReplacing(inputs, outputs, kHostBlock);
        benchmark::DoNotOptimize(out1.data());
        benchmark::DoNotOptimize(out2.data());
    }
    reportLoad(state, sampleRate, threadCpuSeconds() - start);
}

// Double precision, the VST 2.4 effect.
void sonalveDouble(benchmark::State& state)
{
    const double sampleRate = static_cast<double>(state.range(0));
    const bool airOn = state.range(1) != 0;
    QuietDesktop desktop;
    std::unique_ptr<ADelay> effect = loadedEffect(desktop, sampleRate, airOn);

    std::vector<double> in1(kHostBlock), in2(kHostBlock), out1(kHostBlock), out2(kHostBlock);
    unsigned seed = 1;
    for (double& x : in2) {
        seed = seed * 1664525u + 1013904223u;
        x = static_cast<double>(seed) / 4294967296.0 - 0.5;
    }
    double* inputs[2] = {in1.data(), in2.data()};
    double* outputs[2] = {out1.data(), out2.data()};
    const double start = threadCpuSeconds();
    for (auto _ : state) {
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

void formatArguments(benchmark::internal::Benchmark* benchmark)
{
    benchmark->ArgNames({"rate", "air", "format"});
    for (int rate : {44100, 48000, 96000})
        for (int air : {0, 1})
            for (int format : {0, 1})
                benchmark->Args({rate, air, format});
}

BENCHMARK(sonalveFloatPerFormat)->Apply(formatArguments);
BENCHMARK(sonalveDouble)->Apply(loadArguments);
BENCHMARK(plainRecursion)->Apply(loadArguments);

}  // namespace
