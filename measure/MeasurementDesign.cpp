#include "measure/MeasurementDesign.h"

#include "corrfile/CorrectionFile.h"
#include "design/FourierTransform.h"

#include <cmath>

namespace kestrava::measure {

using design::AnalysisStatus;
using design::CaptureBuffer;
using platform::Messages;

namespace {

void inform(Messages& messages, const char* text)
{
    messages.show(text, "Info", platform::MessageIcon::Information);
}

}  // namespace

void reportClipping(bool microphone, bool pickup, Messages& messages)
{
    if (microphone)
        inform(messages, kClipLeftText);
    if (pickup)
        inform(messages, kClipRightText);
}

bool capturesAllocated(const CaptureBuffer& microphone, const CaptureBuffer& pickup, Messages& messages)
{
    if (microphone.allocated() && pickup.allocated())
        return true;
    inform(messages, design::kCaptureAllocationFailedText);
    return false;
}

bool analyseCaptures(CaptureBuffer& microphone, CaptureBuffer& pickup, Messages& messages,
                     design::MeasurementAnalysis& analysis, design::AnalysisMethod method)
{
    switch (design::analyseMeasurement(microphone, pickup, design::BandLayout::standard(), analysis, method)) {
    case AnalysisStatus::Ok:
        return true;
    case AnalysisStatus::OutOfMemory:
        inform(messages, design::kTransformAllocationFailedText);
        return false;
    case AnalysisStatus::PickupTooQuiet:
        inform(messages, design::kPickupTooQuietText);
        return false;
    case AnalysisStatus::Silent:
        if (analysis.silentMicrophone)
            inform(messages, design::kSilentMicrophoneText);
        if (analysis.silentPickup)
            inform(messages, design::kSilentPickupText);
        return false;
    }
    return false;
}

bool designFromCaptures(CaptureBuffer& microphone, CaptureBuffer& pickup, Messages& messages,
                        const design::DesignOptions& options, DesignOutcome& outcome)
{
    if (!analyseCaptures(microphone, pickup, messages, outcome.analysis, options.analysis))
        return false;
    outcome.result = design::designCorrection(outcome.analysis, outcome.layout, outcome.correction, options);
    // Never a correction the file reader would refuse.
    if (corrfile::correctionProblem(outcome.correction).empty())
        return true;
    inform(messages, kUnusableDesignText);
    return false;
}

}  // namespace kestrava::measure
