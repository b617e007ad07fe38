#include "apps/kestrava/AnalysisComparison.h"

#include "apps/kestrava/DesignFlow.h"
#include "apps/kestrava/Render.h"
#include "apps/kestrava/Take.h"
#include "design/FourierTransform.h"

#include <algorithm>
#include <cmath>

namespace kestrava::tool {

using design::BandSpectrum;
using design::CaptureBuffer;
using design::kBandCount;
using design::kTransformSize;

namespace {

// The held-out part starts where the tune starts again; the filter runs a
// second before it so that it has settled.
constexpr int kHeldOutStart = kDemoFrames;
constexpr int kSettle = static_cast<int>(kDemoRate);

// Absolute band levels of kTransformSize samples from `first`, through one
// Hann window and the long transform. False when out of memory.
bool windowedBandLevels(const std::vector<double>& signal, std::size_t first, BandSpectrum& levels)
{
    constexpr double kTwoPi = 6.283185307179586;
    CaptureBuffer buffer;
    if (!buffer.allocated())
        return false;
    for (int n = 0; n < kTransformSize; ++n)
        buffer.re()[n] = signal[first + n] * (0.5 - 0.5 * std::cos(kTwoPi * n / kTransformSize));
    if (!design::forwardTransform(buffer.re(), buffer.im()))
        return false;
    const double largest = design::bandLevels(buffer.re(), buffer.im(), design::BandLayout::standard(), levels);
    for (double& level : levels)
        level *= largest;
    return true;
}

}  // namespace

bool heldOutError(DemoScene scene, design::AnalysisMethod method, ToolContext& context, HeldOutError& error)
{
    const DemoTake take = makeSceneTake(scene, kHeldOutStart + kTransformSize);
    const std::vector<double> micValues =
        captureValues(take.microphone, kTransformSize, audio::ASIOSTFloat32LSB);
    const std::vector<double> pickupValues = captureValues(take.pickup, kTransformSize, audio::ASIOSTFloat32LSB);
    measure::DesignOutcome outcome;
    {
        CaptureBuffer microphone;
        CaptureBuffer pickup;
        if (!capturesAllocated(microphone, pickup, context))
            return false;
        std::copy(micValues.begin(), micValues.end(), microphone.re());
        std::copy(pickupValues.begin(), pickupValues.end(), pickup.re());
        if (designFromCaptures(microphone, pickup, context, outcome, method) != kExitOk)
            return false;
    }
    // At the capture scale the design saw, so the output gain counts.
    const std::vector<double> microphone =
        captureValues(take.microphone, take.microphone.size(), audio::ASIOSTFloat32LSB);
    const std::vector<double> pickup = captureValues(take.pickup, take.pickup.size(), audio::ASIOSTFloat32LSB);
    const std::vector<double> played(pickup.begin() + (kHeldOutStart - kSettle), pickup.end());
    const RenderedStereo corrected = renderThroughCorrection(outcome.correction, kDemoRate, played, false);
    BandSpectrum heard{};
    BandSpectrum wanted{};
    if (!windowedBandLevels(microphone, kHeldOutStart, wanted) || !windowedBandLevels(corrected.left, kSettle, heard)) {
        context.err << "kestrava demo: not enough memory to compare the bands\n";
        return false;
    }
    const design::BandLayout layout = design::BandLayout::standard();
    double sum = 0.0;
    int compared = 0;
    error = {};
    for (int j = 0; j < kBandCount; ++j) {
        if (layout.centre[j] < kComparedFromHz)
            continue;
        const double db = std::fabs(20.0 * std::log10(wanted[j] / heard[j]));
        sum += db * db;
        ++compared;
        error.largestDb = std::max(error.largestDb, db);
    }
    error.rmsDb = std::sqrt(sum / compared);
    return true;
}

}  // namespace kestrava::tool
