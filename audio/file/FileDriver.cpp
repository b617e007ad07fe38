#include "audio/file/FileDriver.h"

#include "audio/SampleConverter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace kestrava {

namespace {

bool isFloatType(ASIOSampleType type)
{
    return type == ASIOSTFloat32LSB || type == ASIOSTFloat32MSB || type == ASIOSTFloat64LSB ||
           type == ASIOSTFloat64MSB;
}

}  // namespace

FileDriver::FileDriver(FileDriverOptions options) : SoftwareDriver("File"), options_(std::move(options)) {}

FileDriver::~FileDriver()
{
    stop();
}

ASIOBool FileDriver::init(void*)
{
    if (!SampleConverter::isSupported(options_.sampleType)) {
        error_ = "Unsupported sample type";
        return ASIOFalse;
    }
    if (options_.bufferSize < 1 || options_.outputChannels < 1) {
        error_ = "Buffer size and output count must be positive";
        return ASIOFalse;
    }
    if (!readWav(options_.inputPath, input_, error_)) {
        return ASIOFalse;
    }
    initialised_ = true;
    return ASIOTrue;
}

void FileDriver::getDriverName(char* name)
{
    std::snprintf(name, 32, "%s", kFileDriverName);
}

ASIOError FileDriver::start()
{
    if (channels_.empty() || running_) {
        return ASE_InvalidMode;
    }
    running_ = true;
    thread_ = std::thread([this] { run(); });
    return ASE_OK;
}

ASIOError FileDriver::stop()
{
    const bool wasRunning = running_.exchange(false);
    if (thread_.joinable()) {
        thread_.join();
    }
    if (wasRunning && !options_.outputPath.empty() && !writeOutputs()) {
        return ASE_HWMalfunction;
    }
    return ASE_OK;
}

void FileDriver::run()
{
    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(options_.bufferSize / input_.sampleRate));
    const auto fileFrames = static_cast<std::int64_t>(input_.frames());
    auto deadline = Clock::now();
    int half = 0;
    while (running_) {
        fillInputs(half, position_.load());
        callbacks_.bufferSwitch(half, ASIOFalse);
        keepOutputs(half);
        position_ += options_.bufferSize;
        half = 1 - half;
        // Once the file has ended only silence follows; it comes at the real
        // pace so that a host that stops late costs no time.
        if (options_.realTime || position_.load() >= fileFrames) {
            deadline += period;
            std::this_thread::sleep_until(deadline);
        } else {
            deadline = Clock::now();
        }
    }
}

void FileDriver::fillInputs(int half, std::int64_t frame)
{
    for (BufferedChannel& channel : channels_) {
        if (!channel.isInput) {
            continue;
        }
        const std::vector<double>& samples = input_.channels[static_cast<std::size_t>(channel.number)];
        for (std::int32_t i = 0; i < bufferFrames_; ++i) {
            const auto at = static_cast<std::size_t>(frame + i);
            unitSamples_[static_cast<std::size_t>(i)] = at < samples.size() ? samples[at] : 0.0;
        }
        SampleConverter::fromUnit(options_.sampleType, unitSamples_.data(), channel.halves[half].data(),
                                  bufferFrames_);
    }
}

void FileDriver::keepOutputs(int half)
{
    for (const BufferedChannel& channel : channels_) {
        if (channel.isInput) {
            continue;
        }
        std::vector<double>& kept = output_.channels[static_cast<std::size_t>(channel.number)];
        const std::size_t wanted = std::min(static_cast<std::size_t>(bufferFrames_),
                                            input_.frames() - std::min(input_.frames(), kept.size()));
        SampleConverter::toUnit(options_.sampleType, channel.halves[half].data(), unitSamples_.data(),
                                static_cast<std::int32_t>(wanted));
        kept.insert(kept.end(), unitSamples_.begin(), unitSamples_.begin() + static_cast<std::ptrdiff_t>(wanted));
    }
}

bool FileDriver::writeOutputs()
{
    // Outputs without a buffer stay silent for the length of the others.
    std::size_t frames = 0;
    for (const std::vector<double>& channel : output_.channels) {
        frames = std::max(frames, channel.size());
    }
    for (std::vector<double>& channel : output_.channels) {
        channel.resize(frames, 0.0);
    }
    output_.sampleRate = input_.sampleRate;
    output_.floatingPoint = isFloatType(options_.sampleType);
    return writeWav(options_.outputPath, output_);
}

ASIOError FileDriver::canSampleRate(ASIOSampleRate rate)
{
    return initialised_ && rate == input_.sampleRate ? ASE_OK : ASE_NoClock;
}

ASIOError FileDriver::getSampleRate(ASIOSampleRate* rate)
{
    if (!initialised_) {
        return ASE_NotPresent;
    }
    *rate = input_.sampleRate;
    return ASE_OK;
}

ASIOError FileDriver::setSampleRate(ASIOSampleRate rate)
{
    return canSampleRate(rate);
}

ASIOError FileDriver::getSamplePosition(ASIOSamples* position, ASIOTimeStamp* timeStamp)
{
    const auto frames = static_cast<std::uint64_t>(position_.load());
    const double seconds = static_cast<double>(frames) / input_.sampleRate;
    samplePositionOf(frames, static_cast<std::uint64_t>(seconds * 1e9), position, timeStamp);
    return ASE_OK;
}

bool FileDriver::channelCounts(std::int32_t& inputs, std::int32_t& outputs)
{
    if (!initialised_) {
        return false;
    }
    inputs = static_cast<std::int32_t>(input_.channels.size());
    outputs = options_.outputChannels;
    return true;
}

std::int32_t FileDriver::onlyBufferSize()
{
    return options_.bufferSize;
}

ASIOSampleType FileDriver::sampleType()
{
    return options_.sampleType;
}

void FileDriver::channelName(bool isInput, std::int32_t channel, char* name, std::size_t size)
{
    std::snprintf(name, size, "%s %d", isInput ? "File channel" : "Output", channel + 1);
}

void FileDriver::buffersCreated()
{
    unitSamples_.assign(static_cast<std::size_t>(bufferFrames_), 0.0);
    output_.channels.assign(static_cast<std::size_t>(options_.outputChannels), {});
    position_ = 0;
}

DriverEntry fileDriverEntry(const FileDriverOptions& options)
{
    return softwareDriverEntry<FileDriver>(kFileDriverName, options);
}

}  // namespace kestrava
