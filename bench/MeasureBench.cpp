// The measurement program's block processor monitoring "Processed sound"
// at the buffer sizes ASIO drivers use (32 to 4,096 frames), Air off and
// on, with a 199-section correction: the cost per sample of processBlock
// beside the plain per-sample loop (filter, Air and saturation through
// processSample) measured in the same rounds, and the 32-to-512 ratio.
#include "bench/BenchCorrection.h"
#include "bench/BlockSizeRounds.h"
#include "bench/BlockSizeTables.h"
#include "engine/AirAmbience.h"
#include "engine/CorrectionFilter.h"
#include "engine/InstructionSet.h"
#include "measure/BlockProcessor.h"

#include <memory>
#include <string>

namespace kestrava::bench {
namespace {

using namespace kestrava::engine;
using namespace kestrava::measure;
using audio::StreamBlocks;

constexpr double kSampleRate = 48000.0;

// Pickup noise at about a sixteenth of full scale.
void fillPickup(StreamBlocks& blocks)
{
    unsigned seed = 1;
    for (std::int32_t& sample : blocks.pickupIn) {
        seed = seed * 1664525u + 1013904223u;
        sample = static_cast<std::int32_t>(seed) >> 4;
    }
}

void printMeasurementTable(bool airOn)
{
    auto processor = std::make_unique<BlockProcessor>();
    processor->setCorrection(typicalCorrection());
    processor->airEnabled = airOn;
    processor->monitorMode = MonitorMode::Processed;
    StreamBlocks& blocks = processor->streamBlocks();
    fillPickup(blocks);
    const auto blockProcessor = [&](int frames) {
        blocks.blockLength = frames;
        processor->processBlock();
    };

    auto filter = std::make_unique<MeasurementFilter>();
    filter->setCorrection(typicalCorrection());
    auto air = std::make_unique<MeasurementAirAmbience>();
    auto plainBlocks = std::make_unique<StreamBlocks>();
    fillPickup(*plainBlocks);
    const auto plainLoop = [&](int frames) {
        for (int i = 0; i < frames; ++i) {
            const double t = filter->processSample(static_cast<double>(plainBlocks->pickupIn[i]));
            const StereoSample s = airOn ? air->processSample(t) : StereoSample{t, t};
            plainBlocks->leftOut[i] = saturateToInt32(s.left);
            plainBlocks->rightOut[i] = saturateToInt32(s.right);
        }
    };

    const BlockSizeCosts costs =
        measureBlockSizes({{"processBlock", blockProcessor}, {"plain loop", plainLoop}},
                          {32, 64, 128, 256, 512, 1024, 2048, 4096}, kRounds, kFramesPerTiming);
    const std::string title = std::string("Calibrix block processor, \"Processed sound\", Air ") +
                              (airOn ? "on" : "off") + ", 48,000 Hz, 199 sections, " +
                              simd::instructionSetName(simd::activeInstructionSet());
    printBlockSizeTable(title, costs, kSampleRate, 32, 512);
}

}  // namespace

void printMeasurementBlockSizeTables()
{
    printMeasurementTable(false);
    printMeasurementTable(true);
}

}  // namespace kestrava::bench
