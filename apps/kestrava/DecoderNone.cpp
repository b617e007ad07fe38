// Builds without a decoder library read WAV only.
#include "apps/kestrava/AudioFile.h"

namespace kestrava::tool {

bool decodeWithLibrary(std::span<const std::uint8_t>, const std::string& path, audio::WavData&, std::string& error,
                       const audio::FramesWanted&)
{
    error = path + ": only WAV files can be read by this build";
    return false;
}

}  // namespace kestrava::tool
