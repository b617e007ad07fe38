#include "audio/file/FileDriver.h"

#include "audio/StreamSetup.h"
#include "audio/file/WavFile.h"
#include "measure/BlockProcessor.h"

#include <gtest/gtest.h>

#include <bit>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace kestrava::audio;
using namespace kestrava::measure;

namespace kestrava::test {
namespace {

namespace fs = std::filesystem;

// Builds a WAV file byte by byte, independently of the code under test.
std::vector<unsigned char> wavBytes(std::uint16_t format, int channels, std::uint32_t rate, int bits,
                                    const std::vector<std::uint64_t>& rawSamples, bool extensible = false)
{
    std::vector<unsigned char> b;
    auto put = [&b](std::uint64_t v, int bytes) {
        for (int k = 0; k < bytes; ++k) {
            b.push_back(static_cast<unsigned char>(v >> (8 * k)));
        }
    };
    auto tag = [&b](const char* t) { b.insert(b.end(), t, t + 4); };
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(rawSamples.size()) * static_cast<std::uint32_t>(bits / 8);
    const std::uint32_t fmtBytes = extensible ? 40 : 16;
    tag("RIFF");
    put(4 + 8 + fmtBytes + 8 + 6 + 8 + dataBytes, 4);
    tag("WAVE");
    tag("fmt ");
    put(fmtBytes, 4);
    put(extensible ? 0xFFFE : format, 2);
    put(static_cast<std::uint64_t>(channels), 2);
    put(rate, 4);
    put(rate * static_cast<std::uint32_t>(channels * bits / 8), 4);
    put(static_cast<std::uint64_t>(channels * bits / 8), 2);
    put(static_cast<std::uint64_t>(bits), 2);
    if (extensible) {
        put(22, 2);
        put(static_cast<std::uint64_t>(bits), 2);
        put(3, 4);
        put(format, 2);
        for (int k = 0; k < 14; ++k) {
            b.push_back(0);
        }
    }
    tag("LIST");
    put(6, 4);
    for (int k = 0; k < 6; ++k) {
        b.push_back('x');
    }
    tag("data");
    put(dataBytes, 4);
    for (std::uint64_t s : rawSamples) {
        put(s, bits / 8);
    }
    return b;
}

class TempFiles {
public:
    TempFiles()
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string("kestrava_") + info->test_suite_name() + "_" + info->name();
        for (char& c : name) {
            if (c == '/') {
                c = '_';
            }
        }
        folder_ = fs::temp_directory_path() / name;
        fs::create_directories(folder_);
    }
    ~TempFiles() { fs::remove_all(folder_); }

    std::string path(const std::string& file) const { return (folder_ / file).string(); }

    std::string write(const std::string& file, const std::vector<unsigned char>& bytes) const
    {
        std::ofstream out(path(file), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path(file);
    }

private:
    fs::path folder_;
};

std::int16_t micSample(std::size_t frame)
{
    return static_cast<std::int16_t>(static_cast<std::int64_t>(frame * 7919 % 60001) - 30000);
}

std::int16_t pickupSample(std::size_t frame)
{
    return static_cast<std::int16_t>(-micSample(frame) / 3);
}

// A stereo 16-bit take: microphone left, pickup right.
std::vector<unsigned char> stereoTake16(std::size_t frames, std::uint32_t rate = 48000)
{
    std::vector<std::uint64_t> raw;
    for (std::size_t f = 0; f < frames; ++f) {
        raw.push_back(static_cast<std::uint16_t>(micSample(f)));
        raw.push_back(static_cast<std::uint16_t>(pickupSample(f)));
    }
    return wavBytes(1, 2, rate, 16, raw);
}

TEST(WavFile, ReadsSixteenBitStereo)
{
    TempFiles files;
    const std::string path = files.write("in.wav", wavBytes(1, 2, 44100, 16, {0x8000, 0x7FFF, 0x0001, 0xFFFF}));
    WavData data;
    std::string error;
    ASSERT_TRUE(readWav(path, data, error)) << error;
    EXPECT_EQ(data.sampleRate, 44100.0);
    ASSERT_EQ(data.channels.size(), 2u);
    ASSERT_EQ(data.frames(), 2u);
    EXPECT_EQ(data.channels[0][0], -1.0);
    EXPECT_EQ(data.channels[1][0], 32767.0 / 32768.0);
    EXPECT_EQ(data.channels[0][1], 1.0 / 32768.0);
    EXPECT_EQ(data.channels[1][1], -1.0 / 32768.0);
}

TEST(WavFile, ReadsTwentyFourBitExtensibleAndFloat)
{
    TempFiles files;
    WavData data;
    std::string error;
    ASSERT_TRUE(readWav(files.write("a.wav", wavBytes(1, 1, 48000, 24, {0x123456, 0x800000}, true)), data, error));
    EXPECT_EQ(data.channels[0][0], 0x123456 / 8388608.0);
    EXPECT_EQ(data.channels[0][1], -1.0);

    ASSERT_TRUE(readWav(files.write("b.wav", wavBytes(3, 1, 48000, 32, {std::bit_cast<std::uint32_t>(-0.375f)})),
                        data, error));
    EXPECT_TRUE(data.floatingPoint);
    EXPECT_EQ(data.channels[0][0], -0.375);

    ASSERT_TRUE(readWav(files.write("c.wav", wavBytes(3, 1, 48000, 64, {std::bit_cast<std::uint64_t>(0.1)})), data,
                        error));
    EXPECT_EQ(data.channels[0][0], 0.1);
}

TEST(WavFile, RefusesWhatItCannotRead)
{
    TempFiles files;
    WavData data;
    std::string error;
    EXPECT_FALSE(readWav(files.path("missing.wav"), data, error));
    EXPECT_NE(error.find("cannot open"), std::string::npos);
    EXPECT_FALSE(readWav(files.write("eight.wav", wavBytes(1, 1, 48000, 8, {0x80})), data, error));
    EXPECT_FALSE(readWav(files.write("text.wav", {'h', 'e', 'l', 'l', 'o'}), data, error));
}

TEST(WavFile, WritesThirtyTwoBitPcmAndFloatThatReadBackExactly)
{
    TempFiles files;
    WavData data;
    data.sampleRate = 48000.0;
    data.channels = {{-1.0, 0.5, 1.0 / 2147483648.0, 1.0}, {0.25, -0.125, 0.0, -0.5}};
    ASSERT_TRUE(writeWav(files.path("pcm.wav"), data));
    WavData back;
    std::string error;
    ASSERT_TRUE(readWav(files.path("pcm.wav"), back, error));
    EXPECT_FALSE(back.floatingPoint);
    EXPECT_EQ(back.bitsPerSample, 32);
    EXPECT_EQ(back.channels[0][0], -1.0);
    EXPECT_EQ(back.channels[0][2], 1.0 / 2147483648.0);
    // +1.0 has no 32-bit PCM value; it is held at the largest one.
    EXPECT_EQ(back.channels[0][3], 2147483647.0 / 2147483648.0);
    EXPECT_EQ(back.channels[1], data.channels[1]);

    data.floatingPoint = true;
    ASSERT_TRUE(writeWav(files.path("float.wav"), data));
    ASSERT_TRUE(readWav(files.path("float.wav"), back, error));
    EXPECT_TRUE(back.floatingPoint);
    EXPECT_EQ(back.channels, data.channels);
}

struct FileStream {
    std::unique_ptr<BlockProcessor> processor = std::make_unique<BlockProcessor>();
    std::unique_ptr<ListDriverSource> source;
    std::unique_ptr<StreamSetup> stream;
    StreamConfiguration configuration{kFileDriverName, {}};

    explicit FileStream(const FileDriverOptions& options)
    {
        source = std::make_unique<ListDriverSource>(std::vector<DriverEntry>{fileDriverEntry(options)});
        stream = std::make_unique<StreamSetup>(*source, *processor);
    }

    std::int64_t driverPosition()
    {
        ASIOSamples position{};
        ASIOTimeStamp time{};
        stream->catalog().driver()->getSamplePosition(&position, &time);
        return (static_cast<std::int64_t>(position.hi) << 32) | position.lo;
    }

    bool waitFor(const std::function<bool()>& condition)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }
};

bool isFloatType(ASIOSampleType type)
{
    return type == ASIOSTFloat32LSB || type == ASIOSTFloat32MSB || type == ASIOSTFloat64LSB ||
           type == ASIOSTFloat64MSB;
}

// What the converter makes of a 16-bit file sample s carried in `type`.
std::int32_t expectedBlockValue(ASIOSampleType type, std::int16_t s)
{
    if (type == ASIOSTFloat32LSB || type == ASIOSTFloat32MSB) {
        return static_cast<std::int32_t>(static_cast<float>(s / 32768.0) * 32766.0f);
    }
    if (isFloatType(type)) {
        return static_cast<std::int32_t>(s / 32768.0 * 32766.0);
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint16_t>(s)) << 16);
}

class FileDriverTypeTest : public ::testing::TestWithParam<ASIOSampleType> {};

TEST_P(FileDriverTypeTest, RecordsATakeThroughTheWholeStream)
{
    TempFiles files;
    constexpr std::size_t kFrames = 3000;
    FileDriverOptions options;
    options.inputPath = files.write("take.wav", stereoTake16(kFrames));
    options.outputPath = files.path("out.wav");
    options.bufferSize = 256;
    options.sampleType = GetParam();
    FileStream s(options);
    std::vector<double> mic(2 * kFrames, 0.0);
    std::vector<double> pickup(2 * kFrames, 0.0);
    s.processor->prepareRecording(mic.data(), pickup.data(), static_cast<std::int32_t>(kFrames));
    ASSERT_TRUE(s.stream->startStream(s.configuration));
    ASSERT_TRUE(s.waitFor([&] { return s.processor->recordState().recordDone.load(); }));
    s.stream->stopStream();

    const RecordState& state = s.processor->recordState();
    EXPECT_EQ(state.recordPosition.load(), static_cast<std::int32_t>(kFrames));
    EXPECT_FALSE(state.clipLeft.load());
    EXPECT_FALSE(state.clipRight.load());
    for (std::size_t f = 0; f < kFrames; ++f) {
        ASSERT_EQ(mic[f], expectedBlockValue(GetParam(), micSample(f))) << f;
        ASSERT_EQ(pickup[f], expectedBlockValue(GetParam(), pickupSample(f))) << f;
    }

    WavData out;
    std::string error;
    ASSERT_TRUE(readWav(options.outputPath, out, error)) << error;
    EXPECT_EQ(out.floatingPoint, isFloatType(GetParam()));
    ASSERT_EQ(out.channels.size(), 2u);
    ASSERT_EQ(out.frames(), kFrames);
    for (std::size_t f = 0; f < kFrames; ++f) {
        ASSERT_EQ(out.channels[0][f], 0.0);
        ASSERT_EQ(out.channels[1][f], 0.0);
    }
}

INSTANTIATE_TEST_SUITE_P(EverySampleType, FileDriverTypeTest,
                         ::testing::Values(ASIOSTInt16MSB, ASIOSTInt24MSB, ASIOSTInt32MSB, ASIOSTFloat32MSB,
                                           ASIOSTFloat64MSB, ASIOSTInt32MSB16, ASIOSTInt32MSB18, ASIOSTInt32MSB20,
                                           ASIOSTInt32MSB24, ASIOSTInt16LSB, ASIOSTInt24LSB, ASIOSTInt32LSB,
                                           ASIOSTFloat32LSB, ASIOSTFloat64LSB, ASIOSTInt32LSB16, ASIOSTInt32LSB18,
                                           ASIOSTInt32LSB20, ASIOSTInt32LSB24));

TEST(FileDriver, InputEndsInSilence)
{
    TempFiles files;
    FileDriverOptions options;
    options.inputPath = files.write("take.wav", stereoTake16(1000));
    options.bufferSize = 384;
    FileStream s(options);
    std::vector<double> mic(2 * 1500, -1.0);
    std::vector<double> pickup(2 * 1500, -1.0);
    s.processor->prepareRecording(mic.data(), pickup.data(), 1500);
    ASSERT_TRUE(s.stream->startStream(s.configuration));
    ASSERT_TRUE(s.waitFor([&] { return s.processor->recordState().recordDone.load(); }));
    s.stream->stopStream();
    EXPECT_EQ(mic[999], static_cast<double>(micSample(999) * 65536));
    for (std::size_t f = 1000; f < 1500; ++f) {
        ASSERT_EQ(mic[f], 0.0) << f;
        ASSERT_EQ(pickup[f], 0.0) << f;
    }
    EXPECT_EQ(mic[1500], -1.0);
}

TEST(FileDriver, MicMonitorWritesTheTwentyFourBitInputBackExactly)
{
    TempFiles files;
    std::vector<std::uint64_t> raw;
    for (std::uint32_t f = 0; f < 2000; ++f) {
        raw.push_back((f * 2654435761u) & 0xFFFFFF);
        raw.push_back(0);
    }
    FileDriverOptions options;
    options.inputPath = files.write("take.wav", wavBytes(1, 2, 48000, 24, raw));
    options.outputPath = files.path("out.wav");
    options.bufferSize = 300;
    options.sampleType = ASIOSTInt24LSB;
    FileStream s(options);
    s.processor->monitorMode = MonitorMode::Mic;
    ASSERT_TRUE(s.stream->startStream(s.configuration));
    ASSERT_TRUE(s.waitFor([&] { return s.driverPosition() >= 2000; }));
    s.stream->stopStream();

    WavData in;
    WavData out;
    std::string error;
    ASSERT_TRUE(readWav(options.inputPath, in, error));
    ASSERT_TRUE(readWav(options.outputPath, out, error)) << error;
    ASSERT_EQ(out.frames(), 2000u);
    EXPECT_EQ(out.channels[0], in.channels[0]);
    EXPECT_EQ(out.channels[1], in.channels[0]);
}

TEST(FileDriver, FileAt44100GivesTheSampleRateMessage)
{
    TempFiles files;
    FileDriverOptions options;
    options.inputPath = files.write("take.wav", stereoTake16(100, 44100));
    FileStream s(options);
    EXPECT_EQ(s.stream->startStream(s.configuration).error, StreamError::SampleRateLocked);
}

TEST(FileDriver, MissingFileRefusesToInitialise)
{
    TempFiles files;
    FileDriverOptions options;
    options.inputPath = files.path("missing.wav");
    FileStream s(options);
    EXPECT_FALSE(s.stream->startStream(s.configuration));
    ASSERT_TRUE(s.stream->catalog().loadDriverByName(kFileDriverName));
    ASIODriverInfo info{};
    EXPECT_EQ(s.stream->catalog().initDriver(info), -1000);
    EXPECT_NE(std::string(info.errorMessage).find("cannot open"), std::string::npos);
}

TEST(FileDriver, MonoFileHasNoPickupChannel)
{
    TempFiles files;
    FileDriverOptions options;
    options.inputPath = files.write("mono.wav", wavBytes(1, 1, 48000, 16, {1, 2, 3}));
    FileStream s(options);
    EXPECT_EQ(s.stream->startStream(s.configuration).error, StreamError::DriverFailed);
    s.configuration.channels.pickupInput = 0;
    EXPECT_TRUE(s.stream->startStream(s.configuration));
    s.stream->stopStream();
}

TEST(FileDriver, RealTimePacing)
{
    TempFiles files;
    FileDriverOptions options;
    options.inputPath = files.write("take.wav", stereoTake16(48000));
    options.bufferSize = 480;
    options.realTime = true;
    FileStream s(options);
    const auto begin = std::chrono::steady_clock::now();
    ASSERT_TRUE(s.stream->startStream(s.configuration));
    ASSERT_TRUE(s.waitFor([&] { return s.driverPosition() >= 4800; }));
    const auto elapsed = std::chrono::steady_clock::now() - begin;
    s.stream->stopStream();
    // Ten buffers of 10 ms each: the tenth starts no earlier than 90 ms in.
    EXPECT_GE(elapsed, std::chrono::milliseconds(85));
}

}  // namespace
}  // namespace kestrava::test
