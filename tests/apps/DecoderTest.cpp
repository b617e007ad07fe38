// Formats other than WAV, through the build's decoder (libsndfile).
#include "apps/kestrava/AudioFile.h"
#include "apps/kestrava/Take.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstdio>
#include <filesystem>
#include <vector>

using namespace kestrava::audio;

namespace kestrava::test {
namespace {

using namespace tool;

TEST(Decoder, FlacSamplesAreLeftAlignedLikeADevicesSamples)
{
    const ScratchFolder scratch;
    const std::string path = scratch.file("take.flac");
    SF_INFO info{};
    info.samplerate = 48000;
    info.channels = 2;
    info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_24;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    // 24-bit values, handed to libsndfile left-aligned in 32 bits.
    const std::vector<int> frames = {0x123456 << 8, -3 << 8, 0x7FFF00 << 8, 5 << 8};
    ASSERT_EQ(sf_writef_int(file, frames.data(), 2), 2);
    sf_close(file);

    WavData audio;
    std::string error;
    ASSERT_TRUE(readAudioFile(path, audio, error)) << error;
    EXPECT_FALSE(audio.floatingPoint);
    EXPECT_EQ(audio.bitsPerSample, 24);
    EXPECT_EQ(audio.sampleRate, 48000.0);
    ASSERT_EQ(audio.channels.size(), 2u);
    ASSERT_EQ(audio.frames(), 2u);
    const ASIOSampleType type = deviceSampleType(audio.bitsPerSample, audio.floatingPoint);
    EXPECT_EQ(captureValues(audio.channels[0], 2, type), (std::vector<double>{0x12345600, 0x7FFF0000}));
    EXPECT_EQ(captureValues(audio.channels[1], 2, type), (std::vector<double>{-3 * 256, 5 * 256}));
    EXPECT_TRUE(clips(audio.channels[0], 2, type));
}

// A small file may claim far more than a command needs (an hour of
// compressed silence): only the frames asked for are decoded.
TEST(Decoder, OnlyTheFramesACommandNeedsAreDecoded)
{
    const ScratchFolder scratch;
    for (const auto& [format, frames, decoded] : {std::tuple{SF_FORMAT_FLAC, 3'000'000, 100'000},
                                                  {SF_FORMAT_WAV, 300'000, 100'000}, {SF_FORMAT_FLAC, 50'000, 50'000}}) {
        SF_INFO info{0, 44100, 1, format | SF_FORMAT_PCM_16, 0, 0};
        SNDFILE* file = sf_open(scratch.file("take").c_str(), SFM_WRITE, &info);
        ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
        const std::vector<short> silence(frames, 0);
        sf_writef_short(file, silence.data(), frames);
        sf_close(file);
        WavData audio;
        std::string error;
        ASSERT_TRUE(readAudioFile(scratch.file("take"), audio, error, [](double rate) {
            return rate == 44100.0 ? 100'000u : 0u;
        })) << error;
        EXPECT_EQ(audio.frames(), static_cast<std::size_t>(decoded)) << frames;
    }
}

TEST(Decoder, UnreadableFileGivesTheDecodersReason)
{
    const ScratchFolder scratch;
    const std::string path = scratch.file("take.flac");
    {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fputs("not a flac stream", f);
        std::fclose(f);
    }
    WavData audio;
    std::string error;
    EXPECT_FALSE(readAudioFile(path, audio, error));
    EXPECT_EQ(error.rfind(path + ": ", 0), 0u) << error;
}

}  // namespace
}  // namespace kestrava::test
