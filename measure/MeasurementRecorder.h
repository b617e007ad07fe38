// One measurement from the recording to the correction, as the measurement
// window and the command-line tool both make it: two capture buffers, the
// block processor in record mode, the stream, then the clipping report or
// the analysis and the design (measure/MeasurementDesign.h).
//
// Controlling (dialog or tool) thread only. The driver's thread touches
// nothing here but the capture buffers and the processor's RecordState,
// handed over in order: prepared before the stream starts, read only after
// recordDone was seen and the stream was stopped.
#pragma once

#include "audio/StreamSetup.h"
#include "measure/BlockProcessor.h"
#include "measure/MeasurementDesign.h"
#include "platform/Messages.h"

#include <memory>
#include <optional>

namespace kestrava::measure {

enum class RecordingStart { Started, NoStorage, StreamFailed };

// The largest sample magnitude of each recording, in block values.
struct CapturePeaks {
    double microphone = 0.0;
    double pickup = 0.0;
};

class MeasurementRecorder {
public:
    MeasurementRecorder(BlockProcessor& processor, audio::StreamSetup& stream, platform::Messages& messages);
    // Stops a recording that still runs and drops it.
    ~MeasurementRecorder();
    MeasurementRecorder(const MeasurementRecorder&) = delete;
    MeasurementRecorder& operator=(const MeasurementRecorder&) = delete;

    // Allocates both buffers zero-filled, selects record mode and starts
    // the stream on `configuration`. When anything fails nothing is kept:
    // the buffers are released and the processor's mode is the one it had.
    // When the stream failed, streamError() says why, for the caller to
    // report.
    RecordingStart start(const audio::StreamConfiguration& configuration);
    audio::StreamError streamError() const { return streamError_; }

    // A recording was started and not yet finished or abandoned.
    bool active() const { return microphone_ != nullptr; }
    bool done() const;
    // recordPosition * 100 / recordLength.
    int percent() const;

    // Stops the stream; the recording's buffers stay for finish().
    void stopStream();
    // After stopStream(), before finish(): what the recording holds.
    CapturePeaks capturePeaks() const;
    // After done(): stops the stream if it still runs, then reports clipping
    // or analyses and designs. The buffers are released in every case.
    std::optional<DesignOutcome> finish(const design::DesignOptions& options);
    // Stops the stream and drops the recording.
    void abandon();

private:
    BlockProcessor& processor_;
    audio::StreamSetup& stream_;
    platform::Messages& messages_;
    std::unique_ptr<design::CaptureBuffer> microphone_;
    std::unique_ptr<design::CaptureBuffer> pickup_;
    audio::StreamError streamError_ = audio::StreamError::None;
};

}  // namespace kestrava::measure
