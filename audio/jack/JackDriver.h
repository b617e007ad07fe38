// A driver with the IASIO operations on a JACK server, for the measurement
// on Linux. It registers its own input and output ports, as many as the
// machine has physical ones (at least two of each), and connects them to the
// physical ports when the stream starts. It reports JACK's sample rate and
// buffer size, refuses any other rate, uses 32-bit float samples, and runs
// the host's buffer switch inside JACK's process callback, so what a host
// writes leaves in the same cycle. When the server goes away, or changes its
// buffer size under a running stream, the driver asks the host for a reset
// (kAsioResetRequest) and says why in its error text.
//
// Controlling-thread operations as for any driver. The process callback runs
// on JACK's thread: it copies buffers and calls the host, allocating nothing
// and taking no lock. The shutdown and buffer-size callbacks run on JACK's
// threads too: they set the fault and message the host, nothing more.
#pragma once

#include "audio/DriverCatalog.h"
#include "audio/SoftwareDriver.h"

#include <jack/jack.h>

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrava::audio {

inline constexpr const char* kJackDriverName = "JACK";

struct JackDriverOptions {
    std::string clientName = "kestrava";
    // Empty: the default server (or JACK_DEFAULT_SERVER).
    std::string serverName;
    bool connectPhysicalPorts = true;
};

class JackDriver final : public SoftwareDriver {
public:
    explicit JackDriver(JackDriverOptions options);

    // The fault that stopped a stream, when there is one; else the base's text.
    void getErrorMessage(char* string) override;

private:
    enum class Fault : int { None, ServerGone, BufferSizeChanged };

    ~JackDriver() override;
    bool open() override;
    std::optional<Format> format() override;
    ASIOError startClock() override;
    ASIOError stopClock() override;
    void buffersCreated() override;
    void buffersDisposed() override;
    // JACK's own clock.
    std::uint64_t nanosecondsAt(std::uint64_t frames, ASIOSampleRate rate) override;
    static int process(jack_nframes_t frames, void* self);
    static void serverGone(jack_status_t code, const char* reason, void* self);
    static int bufferSizeChanged(jack_nframes_t frames, void* self);
    // Records the first fault and asks a streaming host for a reset.
    void fail(Fault fault);
    void processCycle(jack_nframes_t frames);
    void connectPhysical();
    jack_port_t* portOf(const BufferedChannel& channel) const;

    JackDriverOptions options_;
    jack_client_t* client_ = nullptr;
    std::vector<jack_port_t*> inputPorts_;
    std::vector<jack_port_t*> outputPorts_;
    std::vector<std::string> physicalCaptures_;
    std::vector<std::string> physicalPlaybacks_;
    // Registered outputs that carry no stream buffer; JACK does not clear
    // them, so each cycle writes silence.
    std::vector<jack_port_t*> idleOutputs_;
    bool active_ = false;
    std::atomic<bool> streaming_{false};
    int half_ = 0;
    // Written by JACK's threads before fault_ is published.
    std::atomic<Fault> fault_{Fault::None};
    char shutdownReason_[96] = {};
    std::atomic<jack_nframes_t> changedBufferSize_{0};
};

DriverEntry jackDriverEntry(const JackDriverOptions& options = {});

}  // namespace kestrava::audio
