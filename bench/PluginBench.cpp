// CPU load of one Sonalve instance at the block sizes hosts use, from live
// buffers (16 and 32 frames) to offline rendering (4,096): the cost per
// sample of the processing entries with a 199-section correction at
// 48,000 Hz, in single and double precision, Air off and on, beside the
// plain per-sample loop (filter and Air through processSample, with the
// same conversions) measured in the same rounds, and the 32-to-512 ratio.
#include "bench/BenchCorrection.h"
#include "bench/BenchEffect.h"
#include "bench/BlockSizeRounds.h"
#include "bench/BlockSizeTables.h"
#include "corrfile/CorrectionFile.h"
#include "engine/AirAmbience.h"
#include "engine/CorrectionFilter.h"
#include "engine/InstructionSet.h"
#include "plugin/ADelay.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace kestrava::bench {
namespace {

using namespace kestrava::engine;
using namespace kestrava::platform;
using namespace kestrava::plugin;
using namespace kestrava::corrfile;

constexpr double kSampleRate = 48000.0;
constexpr int kLongestBlock = 4096;


// Host buffers: noise on both inputs, read block after block.
template <class Sample>
struct HostBuffers {
    std::vector<Sample> in1, in2, out1, out2;
    int position = 0;

    HostBuffers() : in1(kLongestBlock), in2(kLongestBlock), out1(kLongestBlock), out2(kLongestBlock)
    {
        unsigned seed = 1;
        for (int i = 0; i < kLongestBlock; ++i) {
            seed = seed * 1664525u + 1013904223u;
            in1[i] = static_cast<Sample>(static_cast<double>(seed) / 4294967296.0 - 0.5);
            in2[i] = static_cast<Sample>(0.5 * in1[i]);
        }
    }

    // The start of the next block of `frames`.
    int next(int frames)
    {
        if (position + frames > kLongestBlock)
            position = 0;
        const int start = position;
        position += frames;
        return start;
    }
};

template <class Sample>
void printPluginTable(bool airOn)
{
    QuietDesktop desktop;
    std::unique_ptr<ADelay> effect = loadedEffect(desktop, kSampleRate, airOn);
    HostBuffers<Sample> effectBuffers;
    const auto plugIn = [&](int frames) {
        const int start = effectBuffers.next(frames);
        Sample* inputs[2] = {effectBuffers.in1.data() + start, effectBuffers.in2.data() + start};
        Sample* outputs[2] = {effectBuffers.out1.data() + start, effectBuffers.out2.data() + start};
        if constexpr (std::is_same_v<Sample, float>)
            effect->processReplacing(inputs, outputs, frames);
        else
            effect->processDoubleReplacing(inputs, outputs, frames);
    };

    auto filter = std::make_unique<CorrectionFilter>();
    filter->setCorrection(typicalCorrection(), kSampleRate);
    auto air = std::make_unique<AirAmbience>();
    air->prepare(kSampleRate);
    HostBuffers<Sample> plainBuffers;
    const auto plainLoop = [&](int frames) {
        const int start = plainBuffers.next(frames);
        const Sample* in = plainBuffers.in2.data() + start;
        Sample* out1 = plainBuffers.out1.data() + start;
        Sample* out2 = plainBuffers.out2.data() + start;
        for (int i = 0; i < frames; ++i) {
            const double t = filter->processSample(static_cast<double>(in[i]));
            const StereoSample s = airOn ? air->processSample(t) : StereoSample{t, t};
            out1[i] = static_cast<Sample>(s.left);
            out2[i] = static_cast<Sample>(s.right);
        }
    };

    const BlockSizeCosts costs = measureBlockSizes(
        {{"plug-in", plugIn}, {"plain loop", plainLoop}}, {16, 32, 64, 128, 512, 4096}, kRounds, kFramesPerTiming);
    const char* entry = std::is_same_v<Sample, float> ? "float processReplacing" : "double processDoubleReplacing";
    const std::string title = std::string("Sonalve, one instance, ") + entry + ", Air " + (airOn ? "on" : "off") +
                              ", 48,000 Hz, 199 sections, " + simd::instructionSetName(simd::activeInstructionSet());
    printBlockSizeTable(title, costs, kSampleRate, 32, 512);
}

}  // namespace

void printPluginBlockSizeTables()
{
    for (const bool airOn : {false, true}) {
        printPluginTable<float>(airOn);
        printPluginTable<double>(airOn);
    }
}

}  // namespace kestrava::bench
