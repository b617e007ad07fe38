#include "audio/jack/JackDriver.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace kestrava::audio {

namespace {

constexpr std::size_t kMinimumChannels = 2;
// Our ports are these followed by their number from 1.
constexpr const char* kInputPrefix = "in_";
constexpr const char* kOutputPrefix = "out_";

std::vector<std::string> physicalPorts(jack_client_t* client, unsigned long direction)
{
    std::vector<std::string> names;
    if (const char** ports = jack_get_ports(client, nullptr, JACK_DEFAULT_AUDIO_TYPE, JackPortIsPhysical | direction)) {
        for (const char** p = ports; *p != nullptr; ++p) {
            names.emplace_back(*p);
        }
        jack_free(ports);
    }
    return names;
}

}  // namespace

JackDriver::JackDriver(JackDriverOptions options)
    : SoftwareDriver(kJackDriverName, "JACK server"), options_(std::move(options))
{
}

JackDriver::~JackDriver()
{
    releaseBuffers();
    // A client whose server went away is still closed, to free what libjack
    // keeps for it.
    if (client_ != nullptr) {
        jack_client_close(client_);
    }
}

bool JackDriver::open()
{
    if (client_ != nullptr) {
        return true;
    }
    // libjack prints its own lines when no server answers; the driver says
    // what went wrong through its error text instead.
    jack_set_error_function([](const char*) {});
    jack_status_t status{};
    const bool named = !options_.serverName.empty();
    const auto flags = static_cast<jack_options_t>(JackNoStartServer | (named ? JackServerName : 0));
    client_ = named ? jack_client_open(options_.clientName.c_str(), flags, &status, options_.serverName.c_str())
                    : jack_client_open(options_.clientName.c_str(), flags, &status);
    if (client_ == nullptr) {
        error_ = "The JACK server is not running.";
        return false;
    }
    // Our inputs take what the machine captures; our outputs feed its
    // playback ports.
    physicalCaptures_ = physicalPorts(client_, JackPortIsOutput);
    physicalPlaybacks_ = physicalPorts(client_, JackPortIsInput);
    const std::size_t inputs = std::max(kMinimumChannels, physicalCaptures_.size());
    const std::size_t outputs = std::max(kMinimumChannels, physicalPlaybacks_.size());
    char name[32];
    for (std::size_t i = 0; i < inputs; ++i) {
        std::snprintf(name, sizeof name, "%s%zu", kInputPrefix, i + 1);
        inputPorts_.push_back(jack_port_register(client_, name, JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0));
    }
    for (std::size_t i = 0; i < outputs; ++i) {
        std::snprintf(name, sizeof name, "%s%zu", kOutputPrefix, i + 1);
        outputPorts_.push_back(jack_port_register(client_, name, JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0));
    }
    const bool registered = std::none_of(inputPorts_.begin(), inputPorts_.end(), [](auto* p) { return !p; }) &&
                            std::none_of(outputPorts_.begin(), outputPorts_.end(), [](auto* p) { return !p; });
    jack_on_info_shutdown(client_, &JackDriver::serverGone, this);
    if (!registered || jack_set_process_callback(client_, &JackDriver::process, this) != 0 ||
        jack_set_buffer_size_callback(client_, &JackDriver::bufferSizeChanged, this) != 0) {
        error_ = "Can't register the JACK ports.";
        jack_client_close(client_);
        client_ = nullptr;
        inputPorts_.clear();
        outputPorts_.clear();
        return false;
    }
    return true;
}

std::optional<SoftwareDriver::Format> JackDriver::format()
{
    if (client_ == nullptr || fault_.load(std::memory_order_acquire) == Fault::ServerGone) {
        return std::nullopt;
    }
    return Format{static_cast<std::int32_t>(inputPorts_.size()),
                  static_cast<std::int32_t>(outputPorts_.size()),
                  kInputPrefix,
                  kOutputPrefix,
                  static_cast<std::int32_t>(jack_get_buffer_size(client_)),
                  ASIOSTFloat32LSB,
                  static_cast<ASIOSampleRate>(jack_get_sample_rate(client_))};
}

ASIOError JackDriver::startClock()
{
    if (client_ == nullptr || channels_.empty()) {
        return ASE_NotPresent;
    }
    if (!active_) {
        if (jack_activate(client_) != 0) {
            return ASE_HWMalfunction;
        }
        active_ = true;
    }
    if (options_.connectPhysicalPorts) {
        connectPhysical();
    }
    streaming_.store(true, std::memory_order_release);
    return ASE_OK;
}

void JackDriver::connectPhysical()
{
    for (std::size_t i = 0; i < physicalCaptures_.size() && i < inputPorts_.size(); ++i) {
        jack_connect(client_, physicalCaptures_[i].c_str(), jack_port_name(inputPorts_[i]));
    }
    for (std::size_t i = 0; i < physicalPlaybacks_.size() && i < outputPorts_.size(); ++i) {
        jack_connect(client_, jack_port_name(outputPorts_[i]), physicalPlaybacks_[i].c_str());
    }
}

ASIOError JackDriver::stopClock()
{
    streaming_.store(false, std::memory_order_release);
    if (active_) {
        // Returns once the process callback has finished its last cycle; a
        // server that went away runs none.
        if (fault_.load(std::memory_order_acquire) != Fault::ServerGone) {
            jack_deactivate(client_);
        }
        active_ = false;
    }
    return ASE_OK;
}

void JackDriver::serverGone(jack_status_t, const char* reason, void* self)
{
    auto* driver = static_cast<JackDriver*>(self);
    std::snprintf(driver->shutdownReason_, sizeof driver->shutdownReason_, "%s", reason ? reason : "");
    driver->fail(Fault::ServerGone);
}

int JackDriver::bufferSizeChanged(jack_nframes_t frames, void* self)
{
    auto* driver = static_cast<JackDriver*>(self);
    // JACK also tells the size it already has, at activation.
    if (driver->streaming_.load(std::memory_order_acquire) &&
        frames != static_cast<jack_nframes_t>(driver->bufferFrames_)) {
        driver->changedBufferSize_.store(frames, std::memory_order_relaxed);
        driver->fail(Fault::BufferSizeChanged);
    }
    return 0;
}

void JackDriver::fail(Fault fault)
{
    Fault none = Fault::None;
    if (!fault_.compare_exchange_strong(none, fault, std::memory_order_acq_rel)) {
        return;
    }
    // The buffers the host made no longer fit the cycles, or no cycle comes
    // any more: only a new start can serve it.
    if (streaming_.load(std::memory_order_acquire) && callbacks_.asioMessage != nullptr) {
        callbacks_.asioMessage(kAsioResetRequest, 0, nullptr, nullptr);
    }
}

void JackDriver::getErrorMessage(char* string)
{
    switch (fault_.load(std::memory_order_acquire)) {
    case Fault::ServerGone:
        std::snprintf(string, 124, "The JACK server has shut down%s%.88s.", shutdownReason_[0] ? ": " : "",
                      shutdownReason_);
        return;
    case Fault::BufferSizeChanged:
        std::snprintf(string, 124, "The JACK server's buffer size changed from %d to %u samples.", bufferFrames_,
                      static_cast<unsigned>(changedBufferSize_.load(std::memory_order_relaxed)));
        return;
    case Fault::None:
        SoftwareDriver::getErrorMessage(string);
        return;
    }
}

int JackDriver::process(jack_nframes_t frames, void* self)
{
    static_cast<JackDriver*>(self)->processCycle(frames);
    return 0;
}

void JackDriver::processCycle(jack_nframes_t frames)
{
    const bool streaming =
        streaming_.load(std::memory_order_acquire) && frames == static_cast<jack_nframes_t>(bufferFrames_);
    if (!streaming) {
        for (jack_port_t* port : outputPorts_) {
            std::memset(jack_port_get_buffer(port, frames), 0, frames * sizeof(float));
        }
        return;
    }
    const std::size_t bytes = frames * sizeof(float);
    for (BufferedChannel& channel : channels_) {
        if (channel.isInput) {
            std::memcpy(channel.halves[half_].data(), jack_port_get_buffer(portOf(channel), frames), bytes);
        }
    }
    callbacks_.bufferSwitch(half_, ASIOTrue);
    for (const BufferedChannel& channel : channels_) {
        if (!channel.isInput) {
            std::memcpy(jack_port_get_buffer(portOf(channel), frames), channel.halves[half_].data(), bytes);
        }
    }
    for (jack_port_t* port : idleOutputs_) {
        std::memset(jack_port_get_buffer(port, frames), 0, bytes);
    }
    half_ = 1 - half_;
    advancePosition(frames);
}

std::uint64_t JackDriver::nanosecondsAt(std::uint64_t, ASIOSampleRate)
{
    return jack_get_time() * 1000u;
}

jack_port_t* JackDriver::portOf(const BufferedChannel& channel) const
{
    return (channel.isInput ? inputPorts_ : outputPorts_)[static_cast<std::size_t>(channel.number)];
}

void JackDriver::buffersCreated()
{
    idleOutputs_.clear();
    for (std::int32_t number = 0; number < static_cast<std::int32_t>(outputPorts_.size()); ++number) {
        if (!isActive(false, number)) {
            idleOutputs_.push_back(outputPorts_[static_cast<std::size_t>(number)]);
        }
    }
    half_ = 0;
}

void JackDriver::buffersDisposed()
{
    idleOutputs_.clear();
}

DriverEntry jackDriverEntry(const JackDriverOptions& options)
{
    return softwareDriverEntry<JackDriver>(kJackDriverName, options);
}

}  // namespace kestrava::audio
