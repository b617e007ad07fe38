#include "measure/MeasurementRecorder.h"

#include <algorithm>
#include <cmath>

namespace kestrava::measure {

using design::CaptureBuffer;
using platform::Messages;

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
    const audio::StreamStart started = stream_.startStream(configuration);
    streamError_ = started.error;
    if (!started) {
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
