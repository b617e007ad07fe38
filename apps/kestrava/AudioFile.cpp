#include "apps/kestrava/AudioFile.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace kestrava::tool {

namespace {

bool hasWavName(const std::string& path)
{
    std::string lower = path;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower.ends_with(".wav") || lower.ends_with(".wave");
}

// A pipe has no name to go by: its content says whether it is WAV.
bool looksLikeWav(std::span<const std::uint8_t> bytes)
{
    return bytes.size() >= 12 && std::memcmp(bytes.data(), "RIFF", 4) == 0
        && std::memcmp(bytes.data() + 8, "WAVE", 4) == 0;
}

bool couldBeRealAudio(const audio::WavData& audio, const std::string& path, std::string& error)
{
    char text[200];
    if (!(audio.sampleRate >= kLowestSampleRate && audio.sampleRate <= kHighestSampleRate)) {
        std::snprintf(text, sizeof text, " claims a sample rate of %.0f Hz; recordings from %.0f to %.0f Hz are read",
                      audio.sampleRate, kLowestSampleRate, kHighestSampleRate);
        error = path + text;
        return false;
    }
    if (audio.channels.empty() || audio.channels.size() > static_cast<std::size_t>(kMostChannels)) {
        std::snprintf(text, sizeof text, " claims %zu channels; recordings of 1 to %d channels are read",
                      audio.channels.size(), kMostChannels);
        error = path + text;
        return false;
    }
    return true;
}

}  // namespace

bool readAudioFile(const std::string& path, audio::WavData& audio, std::string& error,
                   const audio::FramesWanted& framesWanted)
{
    std::vector<std::uint8_t> bytes;
    if (!audio::readWavInput(path, bytes, error))
        return false;
    const bool decoded = looksLikeWav(bytes) || hasWavName(path) ? audio::parseWav(bytes, path, audio, error, framesWanted)
                                                                 : decodeWithLibrary(bytes, path, audio, error, framesWanted);
    return decoded && couldBeRealAudio(audio, path, error);
}

}  // namespace kestrava::tool
