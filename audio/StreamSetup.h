// One full-duplex stream on an audio driver: microphone and pickup in, left
// and right out, at 48,000 Hz with the driver's preferred buffer size. It
// loads and checks the driver, creates the four buffers, starts and stops
// the driver, and hands every buffer to the sample converter and the block
// processor.
//
// startStream, stopStream and the checks run on the controlling thread. The
// driver calls the callbacks on its own thread between start and stop; they
// allocate nothing, lock nothing and only read what startStream wrote before
// start. The driver callbacks carry no context, so the running stream is
// reachable from one static (activeStream in StreamSetup.cpp): only one
// stream runs at a time. A driver that can no longer serve the stream (its
// server went away, its settings changed) asks for a reset; the stream notes
// it for its owner, who stops it.
#pragma once

#include "audio/Asio.h"
#include "audio/DriverCatalog.h"
#include "audio/SampleConverter.h"
#include "audio/StreamBlocks.h"
#include "platform/Messages.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace kestrava::audio {

inline constexpr ASIOSampleRate kStreamSampleRate = 48000.0;

// Why the driver's format was refused; the numbers are the codes callers
// have always been given.
enum class StreamError : std::int32_t {
    None = 0,
    NoDriver = -1,
    BufferSizeFailed = -2,
    SampleRateFailed = -3,
    SampleRateLocked = -5,
    BufferTooLarge = -6,
    // The driver could not be loaded, initialised, given its buffers or
    // started; it tells no reason the user could act on.
    DriverFailed = -7,
};

// What startStream did: started, or why not.
struct StreamStart {
    StreamError error = StreamError::None;
    explicit operator bool() const { return error == StreamError::None; }
};

inline constexpr const char* kBufferTooLargeCaption = "Buffer size is too large.";
inline constexpr const char* kBufferTooLargeText =
    "Please set the buffer size to 4096 samples or less in your driver's control panel.\n"
    "The smallest value of the buffer size is preferable.";
inline constexpr const char* kSampleRateLockedCaption = "Sampling Rate Locked";
inline constexpr const char* kSampleRateLockedText =
    "Can't set the sampling rate.\nPlease set it manually to 48000 Hz in your driver's control panel.";

// Shows the message the user is given for a refused stream (the buffer size
// and the locked sample rate, with the information icon); the other errors
// have none.
void reportStreamError(StreamError error, platform::Messages& messages);

struct StreamChannels {
    std::int32_t micInput = 0;
    std::int32_t pickupInput = 1;
    std::int32_t leftOutput = 0;
    std::int32_t rightOutput = 1;
};

// Which driver a stream opens and which of its channels it uses.
struct StreamConfiguration {
    std::string driverName;
    StreamChannels channels;
};

class StreamSetup {
public:
    StreamSetup(DriverSource& source, BlockClient& client);
    ~StreamSetup();
    StreamSetup(const StreamSetup&) = delete;
    StreamSetup& operator=(const StreamSetup&) = delete;

    // Loads the configured driver afresh and starts it on the configured
    // channels. On any failure the driver is released, no buffers stay
    // allocated and the error is returned for the caller to report.
    StreamStart startStream(const StreamConfiguration& configuration);
    // Stops the driver, disposes of its buffers and releases it.
    void stopStream();

    // The driver's buffer size and sample rate, set to 48,000 Hz when it
    // allows; the error says why the format is refused.
    StreamError checkStreamFormat();
    // ASE_OK, or the driver's error code (ASE_NotPresent without a driver).
    ASIOError createStreamBuffers(const StreamChannels& channels);

    // Created on first use; lives as long as the stream object.
    DriverCatalog& catalog();

    bool running() const { return running_; }
    // The driver asked for a reset since the stream started: it delivers
    // no more buffers the stream can use, so the owner stops it.
    bool resetRequested() const { return resetRequested_.load(std::memory_order_acquire); }
    // The driver's error text (why it asked, where it says); empty without
    // a driver. Controlling thread, before stopStream releases the driver.
    std::string driverErrorText() const;
    std::int32_t inputChannelCount() const { return inputChannels_; }
    std::int32_t outputChannelCount() const { return outputChannels_; }
    std::int32_t preferredBufferSize() const { return preferredSize_; }
    ASIOSampleRate sampleRate() const { return sampleRate_; }
    bool postOutputReady() const { return postOutputReady_; }
    const std::array<ASIOBufferInfo, 4>& bufferInfos() const { return bufferInfos_; }
    const std::array<ASIOChannelInfo, 4>& channelInfos() const { return channelInfos_; }

    // The callbacks handed to the driver; they reach the running stream.
    static void bufferSwitch(std::int32_t index, ASIOBool directProcess);
    static ASIOTime* bufferSwitchTimeInfo(ASIOTime* params, std::int32_t index, ASIOBool directProcess);
    static void sampleRateDidChange(ASIOSampleRate rate);
    static std::int32_t asioMessage(std::int32_t selector, std::int32_t value, void* message, double* opt);

private:
    IASIO* driver() const;
    void releaseDriver();

    DriverSource& source_;
    BlockClient& client_;
    std::unique_ptr<DriverCatalog> catalog_;
    // The running driver as the callbacks see it; the catalog stays on the
    // controlling thread.
    IASIO* callbackDriver_ = nullptr;
    bool running_ = false;
    bool buffersCreated_ = false;
    std::atomic<bool> resetRequested_{false};

    std::int32_t inputChannels_ = 0;
    std::int32_t outputChannels_ = 0;
    std::int32_t preferredSize_ = 0;
    ASIOSampleRate sampleRate_ = 0.0;
    bool postOutputReady_ = false;
    std::array<ASIOBufferInfo, 4> bufferInfos_{};
    std::array<ASIOChannelInfo, 4> channelInfos_{};
    ASIOCallbacks callbacks_{};
    std::int32_t inputLatency_ = 0;
    std::int32_t outputLatency_ = 0;
    SampleConverter converter_;
};

}  // namespace kestrava::audio
