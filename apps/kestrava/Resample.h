// Converting a recording to the analysis rate of 48,000 Hz with
// libsamplerate's best converter, where the build has it. Builds without it
// refuse other rates with a clear reason rather than convert worse.
#pragma once

#include "apps/kestrava/AudioFile.h"

#include <string>

namespace kestrava::tool {

// Whether this build can convert sample rates.
bool canResample();

// Replaces every channel of `audio` by its conversion to 48,000 Hz. Returns
// false with a reason in `error` when that is not possible.
bool resampleTo48k(audio::WavData& audio, std::string& error);

}  // namespace kestrava::tool
