// From two recorded channels to a designed correction, as the measurement
// program does it after a recording: clipping test, capture buffers at
// 48,000 Hz, analysis, design. Shared by the design and demo commands.
// Tool thread only; reports everything the user must know on the context's
// error stream.
#pragma once

#include "apps/kestrava/Tool.h"
#include "design/CorrectionDesign.h"

#include <string>

namespace kestrava::tool {

struct TakeSource {
    std::string path;
    int channel = 0;  // 0-based
};

struct DesignOutcome {
    BandLayout layout = BandLayout::standard();
    MeasurementAnalysis analysis;
    DesignResult result;
    CorrectionSet correction;
};

// Returns kExitOk with `outcome` filled, or kExitFailure after telling why
// (unreadable file, missing channel, clipping, silence, memory).
int designFromTakes(const TakeSource& microphone, const TakeSource& pickup, ToolContext& context,
                    DesignOutcome& outcome);

// Prints passes, remaining error and output gain of a design.
void printDesignSummary(const DesignOutcome& outcome, ToolContext& context);

// The band curves of two signals at 48,000 Hz (the first kTransformSize
// samples, already at capture scale), or false after telling why not.
bool analyseSignals(const std::vector<double>& microphone, const std::vector<double>& pickup,
                    ToolContext& context, MeasurementAnalysis& analysis);

}  // namespace kestrava::tool
