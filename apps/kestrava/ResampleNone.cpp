// Builds without libsamplerate analyse 48,000 Hz recordings only.
#include "apps/kestrava/Resample.h"

namespace kestrava::tool {

bool canResample()
{
    return false;
}

bool resampleTo48k(audio::WavData& audio, std::string& error)
{
    error = "the recording is at " + std::to_string(static_cast<long>(audio.sampleRate))
          + " Hz and this build cannot convert sample rates (it has no libsamplerate); "
            "record at 48000 Hz or convert the file first";
    return false;
}

}  // namespace kestrava::tool
