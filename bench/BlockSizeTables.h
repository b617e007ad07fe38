// The block-size tables of kestrava_bench: the plug-in's load per instance
// and the measurement program's block processor, each at the block sizes
// its hosts and drivers use, beside the plain per-sample loop.
#pragma once

namespace kestrava::bench {

// Rounds per table and the frames each timing covers at least.
inline constexpr int kRounds = 15;
inline constexpr int kFramesPerTiming = 16384;

void printPluginBlockSizeTables();
void printMeasurementBlockSizeTables();

}  // namespace kestrava::bench
