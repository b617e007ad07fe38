#include "audio/file/FileDriver.h"

#include "audio/SampleConverter.h"

#include <algorithm>
#include <chrono>

namespace kestrava::audio {

namespace {

bool isFloatType(ASIOSampleType type)
{
    return type == ASIOSTFloat32LSB || type == ASIOSTFloat32MSB || type == ASIOSTFloat64LSB ||
           type == ASIOSTFloat64MSB;
}

}  // namespace

FileDriver::FileDriver(FileDriverOptions options) : FileDriver(kFileDriverName, std::move(options)) {}

FileDriver::FileDriver(std::string name, FileDriverOptions options)
    : SoftwareDriver(std::move(name), "File"), options_(std::move(options))
{
}

FileDriver::~FileDriver()
{
    stopClock();
}

bool FileDriver::open()
{
    initialised_ = false;
    if (!SampleConverter::isSupported(options_.sampleType)) {
        error_ = "Unsupported sample type";
        return false;
    }
    if (options_.bufferSize < 1 || options_.outputChannels < 1) {
        error_ = "Buffer size and output count must be positive";
        return false;
    }
    if (!readWav(options_.inputPath, input_, error_)) {
        return false;
    }
    initialised_ = true;
    return true;
}

std::optional<SoftwareDriver::Format> FileDriver::format()
{
    if (!initialised_) {
        return std::nullopt;
    }
    return Format{static_cast<std::int32_t>(input_.channels.size()),
                  options_.outputChannels,
                  "File channel ",
                  "Output ",
                  options_.bufferSize,
                  options_.sampleType,
                  input_.sampleRate};
}

ASIOError FileDriver::startClock()
{
    if (channels_.empty() || running_) {
        return ASE_InvalidMode;
    }
    running_ = true;
    thread_ = std::thread([this] { run(); });
    return ASE_OK;
}

ASIOError FileDriver::stopClock()
{
    const bool wasRunning = running_.exchange(false);
    if (thread_.joinable()) {
        thread_.join();
    }
    if (wasRunning && (options_.keptOutputs || !options_.outputPath.empty()) && !writeOutputs()) {
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
        fillInputs(half, position());
        callbacks_.bufferSwitch(half, ASIOFalse);
        keepOutputs(half);
        advancePosition(options_.bufferSize);
        half = 1 - half;
        // Once the file has ended only silence follows; it comes at the real
        // pace so that a host that stops late costs no time.
        if (options_.realTime || position() >= fileFrames) {
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
    if (options_.keptOutputs) {
        *options_.keptOutputs = output_;
        return true;
    }
    return writeWav(options_.outputPath, output_);
}

void FileDriver::buffersCreated()
{
    unitSamples_.assign(static_cast<std::size_t>(bufferFrames_), 0.0);
    output_.channels.assign(static_cast<std::size_t>(options_.outputChannels), {});
}

DriverEntry fileDriverEntry(const FileDriverOptions& options)
{
    return softwareDriverEntry<FileDriver>(kFileDriverName, options);
}

}  // namespace kestrava::audio
