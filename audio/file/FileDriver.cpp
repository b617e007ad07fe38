#include "audio/file/FileDriver.h"

#include "audio/SampleConverter.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace kestrava {

namespace {

constexpr double kLeftAligned = 2147483648.0;

bool isFloatType(ASIOSampleType type)
{
    return type == ASIOSTFloat32LSB || type == ASIOSTFloat32MSB || type == ASIOSTFloat64LSB ||
           type == ASIOSTFloat64MSB;
}

// Codes below 16 store the most significant byte first.
bool isBigEndian(ASIOSampleType type)
{
    return type < ASIOSTInt16LSB;
}

void storeBytes(unsigned char* p, std::uint64_t v, int bytes, bool bigEndian)
{
    for (int k = 0; k < bytes; ++k) {
        const int shift = 8 * (bigEndian ? bytes - 1 - k : k);
        p[k] = static_cast<unsigned char>(v >> shift);
    }
}

std::uint64_t loadBytes(const unsigned char* p, int bytes, bool bigEndian)
{
    std::uint64_t v = 0;
    for (int k = 0; k < bytes; ++k) {
        const int shift = 8 * (bigEndian ? bytes - 1 - k : k);
        v |= std::uint64_t{p[k]} << shift;
    }
    return v;
}

std::int32_t leftAligned(double v)
{
    if (std::isnan(v)) {
        return 0;
    }
    const double scaled = std::nearbyint(v * kLeftAligned);
    return static_cast<std::int32_t>(std::fmin(std::fmax(scaled, -kLeftAligned), kLeftAligned - 1.0));
}

// A file sample (full scale +-1.0) as one device sample of `type`.
void encode(double v, ASIOSampleType type, unsigned char* p)
{
    const int bytes = SampleConverter::bytesPerSample(type);
    if (type == ASIOSTFloat32LSB || type == ASIOSTFloat32MSB) {
        storeBytes(p, std::bit_cast<std::uint32_t>(static_cast<float>(v)), bytes, isBigEndian(type));
    } else if (isFloatType(type)) {
        storeBytes(p, std::bit_cast<std::uint64_t>(v), bytes, isBigEndian(type));
    } else {
        const std::int32_t x = leftAligned(v);
        SampleConverter::fromBlock(type, &x, p, 1);
    }
}

double decode(const unsigned char* p, ASIOSampleType type)
{
    const int bytes = SampleConverter::bytesPerSample(type);
    if (type == ASIOSTFloat32LSB || type == ASIOSTFloat32MSB) {
        return std::bit_cast<float>(static_cast<std::uint32_t>(loadBytes(p, bytes, isBigEndian(type))));
    }
    if (isFloatType(type)) {
        return std::bit_cast<double>(loadBytes(p, bytes, isBigEndian(type)));
    }
    std::int32_t x = 0;
    SampleConverter::toBlock(type, p, &x, 1);
    return x / kLeftAligned;
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
    const int bytes = SampleConverter::bytesPerSample(options_.sampleType);
    for (Channel& channel : channels_) {
        if (!channel.isInput) {
            continue;
        }
        const std::vector<double>& samples = input_.channels[static_cast<std::size_t>(channel.number)];
        unsigned char* p = channel.halves[half].data();
        for (std::int32_t i = 0; i < options_.bufferSize; ++i, p += bytes) {
            const auto at = static_cast<std::size_t>(frame + i);
            encode(at < samples.size() ? samples[at] : 0.0, options_.sampleType, p);
        }
    }
}

void FileDriver::keepOutputs(int half)
{
    const int bytes = SampleConverter::bytesPerSample(options_.sampleType);
    for (Channel& channel : channels_) {
        if (channel.isInput) {
            continue;
        }
        std::vector<double>& kept = output_.channels[static_cast<std::size_t>(channel.number)];
        const std::size_t wanted = std::min(static_cast<std::size_t>(options_.bufferSize),
                                            input_.frames() - std::min(input_.frames(), kept.size()));
        const unsigned char* p = channel.halves[half].data();
        for (std::size_t i = 0; i < wanted; ++i, p += bytes) {
            kept.push_back(decode(p, options_.sampleType));
        }
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

ASIOError FileDriver::getChannels(std::int32_t* numInputChannels, std::int32_t* numOutputChannels)
{
    if (!initialised_) {
        return ASE_NotPresent;
    }
    *numInputChannels = static_cast<std::int32_t>(input_.channels.size());
    *numOutputChannels = options_.outputChannels;
    return ASE_OK;
}

ASIOError FileDriver::getLatencies(std::int32_t* inputLatency, std::int32_t* outputLatency)
{
    *inputLatency = options_.bufferSize;
    *outputLatency = options_.bufferSize;
    return ASE_OK;
}

ASIOError FileDriver::getBufferSize(std::int32_t* minSize, std::int32_t* maxSize, std::int32_t* preferredSize,
                                    std::int32_t* granularity)
{
    *minSize = options_.bufferSize;
    *maxSize = options_.bufferSize;
    *preferredSize = options_.bufferSize;
    *granularity = 0;
    return ASE_OK;
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

ASIOError FileDriver::getChannelInfo(ASIOChannelInfo* info)
{
    std::int32_t inputs = 0;
    std::int32_t outputs = 0;
    if (getChannels(&inputs, &outputs) != ASE_OK) {
        return ASE_NotPresent;
    }
    const bool input = info->isInput == ASIOTrue;
    if (info->channel < 0 || info->channel >= (input ? inputs : outputs)) {
        return ASE_InvalidParameter;
    }
    info->isActive = ASIOFalse;
    for (const Channel& channel : channels_) {
        if (channel.isInput == input && channel.number == info->channel) {
            info->isActive = ASIOTrue;
        }
    }
    info->channelGroup = 0;
    info->type = options_.sampleType;
    std::snprintf(info->name, sizeof info->name, "%s %d", input ? "File channel" : "Output", info->channel + 1);
    return ASE_OK;
}

ASIOError FileDriver::createBuffers(ASIOBufferInfo* infos, std::int32_t numChannels, std::int32_t bufferSize,
                                    ASIOCallbacks* callbacks)
{
    std::int32_t inputs = 0;
    std::int32_t outputs = 0;
    if (getChannels(&inputs, &outputs) != ASE_OK) {
        return ASE_NotPresent;
    }
    if (running_ || !channels_.empty() || bufferSize != options_.bufferSize) {
        return ASE_InvalidMode;
    }
    for (std::int32_t c = 0; c < numChannels; ++c) {
        const bool input = infos[c].isInput == ASIOTrue;
        if (infos[c].channelNum < 0 || infos[c].channelNum >= (input ? inputs : outputs)) {
            return ASE_InvalidParameter;
        }
    }
    const auto bytes =
        static_cast<std::size_t>(bufferSize) * static_cast<std::size_t>(SampleConverter::bytesPerSample(options_.sampleType));
    channels_.resize(static_cast<std::size_t>(numChannels));
    for (std::int32_t c = 0; c < numChannels; ++c) {
        Channel& channel = channels_[static_cast<std::size_t>(c)];
        channel.isInput = infos[c].isInput == ASIOTrue;
        channel.number = infos[c].channelNum;
        channel.halves[0].assign(bytes, 0);
        channel.halves[1].assign(bytes, 0);
        infos[c].buffers[0] = channel.halves[0].data();
        infos[c].buffers[1] = channel.halves[1].data();
    }
    output_.channels.assign(static_cast<std::size_t>(options_.outputChannels), {});
    position_ = 0;
    callbacks_ = *callbacks;
    return ASE_OK;
}

ASIOError FileDriver::disposeBuffers()
{
    stop();
    channels_.clear();
    return ASE_OK;
}

DriverEntry fileDriverEntry(const FileDriverOptions& options)
{
    return {kFileDriverName, [options]() -> IASIO* { return new FileDriver(options); }};
}

}  // namespace kestrava
