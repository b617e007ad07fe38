// The measurement program's real-time block processor: for every device
// buffer it monitors the microphone, the raw pickup or the corrected pickup
// (with the "Air" ambience), or records both inputs for the design.
//
// processBlock runs on the driver's callback thread: it allocates nothing,
// takes no lock and calls nothing outside the program. Everything else runs on
// the controlling (dialog) thread. The controls are atomics the audio thread
// reads once per block; a new correction reaches it whole through a triple
// buffer; the capture buffers are handed over by order (set up before the
// stream starts, read only after recordDone and after the stream stopped).
// The object is large (the Air lines), so keep it on the heap.
#pragma once

#include "engine/CorrectionSet.h"
#include "engine/ProcessingChain.h"
#include "measure/PeakExchange.h"
#include "audio/StreamBlocks.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace kestrava::measure {

inline constexpr std::int32_t kRecordLength = 1048576;

// What processBlock does with each block. The values are those the dialog and
// the tool have always used for the modes.
enum class MonitorMode : std::int32_t {
    Idle = 0,  // nothing written; the outputs keep their previous contents
    Mic = 1,
    Pickup = 2,
    Processed = 3,
    Record = 4,
};

// Clamps to +-2147483647 and truncates toward zero; never -2147483648. A NaN
// gives 0.
std::int32_t saturateToInt32(double v);

// The recording's length, position and flags. The dialog writes it before the
// stream starts and polls it while the stream runs; processBlock advances it.
struct RecordState {
    std::atomic<std::int32_t> recordLength{0};
    std::atomic<std::int32_t> recordPosition{0};
    std::atomic<bool> recordDone{false};
    std::atomic<bool> clipLeft{false};
    std::atomic<bool> clipRight{false};
    // Real halves of the two capture buffers (at least recordLength doubles
    // each); owned by the dialog.
    double* micCapture = nullptr;
    double* pickupCapture = nullptr;
};

class BlockProcessor final : public audio::BlockClient {
public:
    BlockProcessor();

    std::atomic<MonitorMode> monitorMode{MonitorMode::Idle};
    static_assert(std::atomic<MonitorMode>::is_always_lock_free);
    std::atomic<double> mainVolume{1.0};
    std::atomic<double> pickupVolume{1.0};
    std::atomic<bool> airEnabled{true};

    // Each block's input peaks while monitoring or recording, for the meters.
    PeakExchange micPeak;
    PeakExchange pickupPeak;
    // The block value at which the device's format is at full scale.
    std::int32_t fullScale() const { return fullScale_.load(std::memory_order_relaxed); }

    RecordState& recordState() { return record_; }
    audio::StreamBlocks& streamBlocks() override { return blocks_; }
    void processBlock() override;

    // Integer formats are full scale at or beyond +-0x7FFF0000, floating-point
    // formats at +-32,766 (1.0 before scaling); +-2147483647 and -2147483648
    // always count. Until a format is set only those three do.
    void setFullScale(std::int32_t fullScale) override;

    // Controlling thread, with no stream running: clears the record flags,
    // points the recording at the two capture buffers and selects MonitorMode::Record.
    void prepareRecording(double* micCapture, double* pickupCapture, std::int32_t length);

    // Controlling thread, at any time: prepares the correction aside and
    // publishes it; the next block runs it from a cleared state.
    void setCorrection(const engine::CorrectionSet& correction);

    // Slider position 0..100 (0 at the top) to a linear volume.
    static double volumeForSliderPosition(int position);

private:
    void monitor(const std::int32_t* in, double volume, std::int32_t n);
    void processed(std::int32_t n);
    void record(std::int32_t n);

    audio::StreamBlocks blocks_;
    RecordState record_;
    std::atomic<std::int32_t> fullScale_;
    engine::MeasurementChain chain_;
    std::array<double, audio::kMaxBlockLength> left_{};
    std::array<double, audio::kMaxBlockLength> right_{};
};

}  // namespace kestrava::measure
