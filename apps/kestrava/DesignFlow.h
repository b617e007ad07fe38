// From two recorded channels to a designed correction, as the measurement
// program does it after a recording: clipping test, capture buffers at
// 48,000 Hz, analysis, design, and the correction file and report. Shared by
// the design, record and demo commands.
// Tool thread only; reports everything the user must know on the context's
// error stream.
#pragma once

#include "apps/kestrava/Tool.h"
#include "apps/kestrava/ToolFiles.h"
#include "measure/MeasurementRecorder.h"

#include <optional>
#include <string>

namespace kestrava::tool {

struct TakeSource {
    std::string path;
    int channel = 0;  // 0-based
};

// Returns kExitOk with `outcome` filled, or kExitFailure after telling why
// (unreadable file, missing channel, clipping, silence, memory).
int designFromTakes(const TakeSource& microphone, const TakeSource& pickup, ToolContext& context,
                    measure::DesignOutcome& outcome,
                    design::AnalysisMethod analysis = design::AnalysisMethod::Long);

// The --analysis option (long when absent); false for any other value.
bool parseAnalysisOption(const Arguments& arguments, design::AnalysisMethod& analysis);

// The help lines of --analysis, shared by the commands that design.
inline constexpr const char* kAnalysisOptionUsage =
    "  --analysis long|averaged  long: one transform of the whole take (default);\n"
    "                        averaged: Hann-windowed 65536-point segments, power-averaged,\n"
    "                        less fooled by hum, a room and a noisy microphone\n";

// Whether both capture buffers got their storage; tells the user when not.
bool capturesAllocated(const design::CaptureBuffer& microphone, const design::CaptureBuffer& pickup,
                       ToolContext& context);

// The design's progress line on a terminal, and the analysis to run.
design::DesignOptions designProgressLines(ToolContext& context,
                                          design::AnalysisMethod analysis = design::AnalysisMethod::Long);

// Analyses two filled capture buffers (consumed by the transform) and
// designs the correction, showing the design's progress line.
int designFromCaptures(design::CaptureBuffer& microphone, design::CaptureBuffer& pickup, ToolContext& context,
                       measure::DesignOutcome& outcome,
                       design::AnalysisMethod analysis = design::AnalysisMethod::Long);

// The clipping messages, microphone first.
void reportClipping(bool microphone, bool pickup, ToolContext& context);

// Writes the correction file and, when asked, the report and `alsoWritten`
// (all or none replaced); prints the summary and what was written. kExitOk
// or kExitFailure after telling why.
int saveDesign(const measure::DesignOutcome& outcome, const std::string& output,
               const std::optional<std::string>& report, ToolContext& context,
               std::optional<PendingOutput> alsoWritten = std::nullopt);

// Prints passes, remaining error and output gain of a design.
void printDesignSummary(const measure::DesignOutcome& outcome, ToolContext& context);

// The band curves of two signals at 48,000 Hz (the first kTransformSize
// samples, already at capture scale), or false after telling why not.
bool analyseSignals(const std::vector<double>& microphone, const std::vector<double>& pickup,
                    ToolContext& context, design::MeasurementAnalysis& analysis,
                    design::AnalysisMethod method = design::AnalysisMethod::Long);

}  // namespace kestrava::tool
