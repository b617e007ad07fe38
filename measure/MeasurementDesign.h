// From a finished recording to a correction, as the measurement window and
// the command-line tool both make it: the clipping report, the check that
// both capture buffers got their storage, the analysis and the design, each
// telling the user why it stopped.
//
// Controlling (window or tool) thread only, after the stream has stopped;
// the design may keep a second core busy while it runs.
#pragma once

#include "design/CorrectionDesign.h"
#include "design/CaptureBuffer.h"
#include "platform/Messages.h"

#include <optional>

namespace kestrava::measure {

inline constexpr const char* kClipLeftText = "Error: Clipping in the left channel.\nCheck the left input.;";
inline constexpr const char* kClipRightText = "Error: Clipping in the right channel.\nCheck the right input.;";
inline constexpr const char* kUnusableDesignText =
    "Error: This recording gives no usable correction.\nCheck both inputs and record again.;";

struct DesignOutcome {
    design::BandLayout layout = design::BandLayout::standard();
    design::MeasurementAnalysis analysis;
    design::DesignResult result;
    engine::CorrectionSet correction;
};

// The clipping messages ("Info"), microphone first.
void reportClipping(bool microphone, bool pickup, platform::Messages& messages);

// Whether both capture buffers got their storage; tells the user when not.
bool capturesAllocated(const design::CaptureBuffer& microphone, const design::CaptureBuffer& pickup,
                       platform::Messages& messages);

// Analyses two filled capture buffers (consumed and released whatever the
// outcome); false after telling why (silence, no memory for the transform).
bool analyseCaptures(design::CaptureBuffer& microphone, design::CaptureBuffer& pickup, platform::Messages& messages,
                     design::MeasurementAnalysis& analysis,
                     design::AnalysisMethod method = design::AnalysisMethod::Long);

// Analyses two filled capture buffers as above, with the analysis the options
// name, and designs the correction. False after telling why: a silent
// recording, no memory for the transform, or a design the file reader would
// refuse (numbers not finite, gains no measurement gives), which must never
// reach a filter or a file.
bool designFromCaptures(design::CaptureBuffer& microphone, design::CaptureBuffer& pickup, platform::Messages& messages,
                        const design::DesignOptions& options, DesignOutcome& outcome);

}  // namespace kestrava::measure
