#include "apps/kestrava/AudioFile.h"

#include <algorithm>
#include <cctype>
#include <fstream>

namespace kestrava::tool {

namespace {

bool isWav(const std::string& path)
{
    std::string lower = path;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower.ends_with(".wav") || lower.ends_with(".wave");
}

}  // namespace

bool readAudioFile(const std::string& path, WavData& audio, std::string& error)
{
    if (!std::ifstream(path, std::ios::binary)) {
        error = "cannot open " + path;
        return false;
    }
    return isWav(path) ? readWav(path, audio, error) : readWithDecoder(path, audio, error);
}

}  // namespace kestrava::tool
