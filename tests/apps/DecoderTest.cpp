// Formats other than WAV, through the build's decoder (libsndfile).
#include "apps/kestrava/AudioFile.h"
#include "apps/kestrava/Take.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstdio>
#include <filesystem>
#include <vector>

namespace kestrava::tool {
namespace {

TEST(Decoder, FlacSamplesAreLeftAlignedLikeADevicesSamples)
{
    const std::string path = (std::filesystem::temp_directory_path() / "kestrava-decoder-test.flac").string();
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

    AudioData audio;
    std::string error;
    ASSERT_TRUE(readAudioFile(path, 100, audio, error)) << error;
    std::filesystem::remove(path);
    EXPECT_EQ(audio.kind, SampleKind::Integer);
    EXPECT_EQ(audio.sampleRate, 48000.0);
    ASSERT_EQ(audio.channels.size(), 2u);
    ASSERT_EQ(audio.fileFrames, 2);
    EXPECT_EQ(captureValue(audio.channels[0][0], audio.kind), 0x12345600);
    EXPECT_EQ(captureValue(audio.channels[1][0], audio.kind), -3 * 256);
    EXPECT_TRUE(atFullScale(audio.channels[0][1], audio.kind));
    EXPECT_EQ(captureValue(audio.channels[1][1], audio.kind), 5 * 256);
}

TEST(Decoder, UnreadableFileGivesTheDecodersReason)
{
    const std::string path = (std::filesystem::temp_directory_path() / "kestrava-decoder-test.flac").string();
    {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fputs("not a flac stream", f);
        std::fclose(f);
    }
    AudioData audio;
    std::string error;
    EXPECT_FALSE(readAudioFile(path, 100, audio, error));
    std::filesystem::remove(path);
    EXPECT_EQ(error.rfind(path + ": ", 0), 0u) << error;
}

}  // namespace
}  // namespace kestrava::tool
