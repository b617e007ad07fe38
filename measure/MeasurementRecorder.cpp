#include "measure/MeasurementRecorder.h"

#include "design/FourierTransform.h"

#include <algorithm>
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

bool finite(const engine::CorrectionSet& correction)
{
    if (!std::isfinite(correction.outputGain))
        return false;
    for (int i = 0; i < correction.sectionCount; ++i) {
        if (!std::isfinite(correction.centreHz[i]) || !std::isfinite(correction.quality[i])
            || !std::isfinite(correction.peakGain[i]))
            return false;
    }
    return true;
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
                     design::MeasurementAnalysis& analysis)
{
    switch (design::analyseMeasurement(microphone, pickup, design::BandLayout::standard(), analysis)) {
    case AnalysisStatus::Ok:
        return true;
    case AnalysisStatus::OutOfMemory:
        inform(messages, design::kTransformAllocationFailedText);
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
    if (!analyseCaptures(microphone, pickup, messages, outcome.analysis))
        return false;
    outcome.result = design::designCorrection(outcome.analysis, outcome.layout, outcome.correction, options);
    if (finite(outcome.correction))
        return true;
    inform(messages, kUnusableDesignText);
    return false;
}

DriverChannelsStatus loadDriverChannels(audio::DriverCatalog& catalog, const std::string& name,
                                        DriverChannels& channels, std::string& error)
{
    if (!catalog.loadDriverByName(name))
        return DriverChannelsStatus::NotLoaded;
    audio::ASIODriverInfo info{};
    if (catalog.initDriver(info) != audio::ASE_OK) {
        error = info.errorMessage;
        catalog.releaseCurrentDriver();
        return DriverChannelsStatus::NotInitialised;
    }
    std::int32_t inputs = 0;
    std::int32_t outputs = 0;
    catalog.getChannels(inputs, outputs);
    channels = {};
    const auto names = [&](audio::ASIOBool isInput, std::int32_t count, std::vector<std::string>& into) {
        for (std::int32_t c = 0; c < count; ++c) {
            audio::ASIOChannelInfo channel{};
            channel.channel = c;
            channel.isInput = isInput;
            catalog.getChannelInfo(channel);
            channel.name[sizeof channel.name - 1] = '\0';
            into.emplace_back(channel.name);
        }
    };
    names(audio::ASIOTrue, inputs, channels.inputs);
    names(audio::ASIOFalse, outputs, channels.outputs);
    catalog.clearDriver();
    catalog.releaseCurrentDriver();
    return DriverChannelsStatus::Read;
}

MeasurementRecorder::MeasurementRecorder(BlockProcessor& processor, audio::StreamSetup& stream, Messages& messages)
    : processor_(processor), stream_(stream), messages_(messages)
{
}

MeasurementRecorder::~MeasurementRecorder()
{
    abandon();
}

RecordingStart MeasurementRecorder::start(const audio::StreamConfiguration& configuration)
{
    abandon();
    auto microphone = std::make_unique<CaptureBuffer>();
    auto pickup = std::make_unique<CaptureBuffer>();
    if (!capturesAllocated(*microphone, *pickup, messages_))
        return RecordingStart::NoStorage;
    const MonitorMode previousMode = processor_.monitorMode.load();
    processor_.prepareRecording(microphone->re(), pickup->re(), kRecordLength);
    if (!stream_.startStream(configuration)) {
        processor_.prepareRecording(nullptr, nullptr, 0);
        processor_.monitorMode.store(previousMode);
        return RecordingStart::StreamFailed;
    }
    microphone_ = std::move(microphone);
    pickup_ = std::move(pickup);
    return RecordingStart::Started;
}

bool MeasurementRecorder::done() const
{
    return processor_.recordState().recordDone.load(std::memory_order_acquire);
}

int MeasurementRecorder::percent() const
{
    const RecordState& state = processor_.recordState();
    const std::int32_t length = state.recordLength.load();
    if (length <= 0)
        return 0;
    return static_cast<int>(static_cast<std::int64_t>(state.recordPosition.load()) * 100 / length);
}

void MeasurementRecorder::stopStream()
{
    if (stream_.running())
        stream_.stopStream();
}

CapturePeaks MeasurementRecorder::capturePeaks() const
{
    const auto peakOf = [](const design::CaptureBuffer* capture) {
        double peak = 0.0;
        if (capture != nullptr && capture->allocated()) {
            for (std::int32_t i = 0; i < kRecordLength; ++i)
                peak = std::max(peak, std::fabs(capture->re()[i]));
        }
        return peak;
    };
    return {peakOf(microphone_.get()), peakOf(pickup_.get())};
}

std::optional<DesignOutcome> MeasurementRecorder::finish(const design::DesignOptions& options)
{
    stopStream();
    if (!active())
        return std::nullopt;
    const RecordState& state = processor_.recordState();
    std::optional<DesignOutcome> outcome;
    if (state.clipLeft.load() || state.clipRight.load()) {
        reportClipping(state.clipLeft.load(), state.clipRight.load(), messages_);
    } else {
        outcome.emplace();
        if (!designFromCaptures(*microphone_, *pickup_, messages_, options, *outcome))
            outcome.reset();
    }
    abandon();
    return outcome;
}

void MeasurementRecorder::abandon()
{
    if (!active())
        return;
    stopStream();
    // The processor no longer points at the buffers about to be freed.
    processor_.prepareRecording(nullptr, nullptr, 0);
    microphone_.reset();
    pickup_.reset();
}

}  // namespace kestrava::measure
