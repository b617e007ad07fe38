// A driver with the IASIO operations on a JACK server, for the measurement
// on Linux. It registers its own input and output ports, as many as the
// machine has physical ones (at least two of each), and connects them to the
// physical ports when the stream starts. It reports JACK's sample rate and
// buffer size, refuses any other rate, uses 32-bit float samples, and runs
// the host's buffer switch inside JACK's process callback, so what a host
// writes leaves in the same cycle.
//
// Controlling-thread operations as for any driver. The process callback runs
// on JACK's thread: it copies buffers and calls the host, allocating nothing
// and taking no lock.
#pragma once

#include "audio/DriverCatalog.h"
#include "audio/SoftwareDriver.h"

#include <jack/jack.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrava {

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

    ASIOBool init(void* sysHandle) override;
    void getDriverName(char* name) override;
    ASIOError start() override;
    ASIOError stop() override;
    ASIOError canSampleRate(ASIOSampleRate rate) override;
    ASIOError getSampleRate(ASIOSampleRate* rate) override;
    ASIOError setSampleRate(ASIOSampleRate rate) override;
    ASIOError getSamplePosition(ASIOSamples* position, ASIOTimeStamp* timeStamp) override;

private:
    ~JackDriver() override;
    bool channelCounts(std::int32_t& inputs, std::int32_t& outputs) override;
    std::int32_t onlyBufferSize() override;
    ASIOSampleType sampleType() override;
    void channelName(bool isInput, std::int32_t channel, char* name, std::size_t size) override;
    void buffersCreated() override;
    void buffersDisposed() override;
    static int process(jack_nframes_t frames, void* self);
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
    std::atomic<std::int64_t> position_{0};
};

DriverEntry jackDriverEntry(const JackDriverOptions& options = {});

}  // namespace kestrava
