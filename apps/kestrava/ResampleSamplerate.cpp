#include "apps/kestrava/Resample.h"

#include <samplerate.h>

#include <cmath>

namespace kestrava::tool {

bool canResample()
{
    return true;
}

bool resampleTo48k(audio::WavData& audio, std::string& error)
{
    const double ratio = 48000.0 / audio.sampleRate;
    for (std::vector<double>& channel : audio.channels) {
        std::vector<float> in(channel.begin(), channel.end());
        std::vector<float> out(static_cast<std::size_t>(std::ceil(in.size() * ratio)) + 1);
        SRC_DATA data{};
        data.data_in = in.data();
        data.input_frames = static_cast<long>(in.size());
        data.data_out = out.data();
        data.output_frames = static_cast<long>(out.size());
        data.src_ratio = ratio;
        const int result = src_simple(&data, SRC_SINC_BEST_QUALITY, 1);
        if (result != 0) {
            error = std::string("sample rate conversion failed: ") + src_strerror(result);
            return false;
        }
        channel.assign(out.begin(), out.begin() + data.output_frames_gen);
    }
    audio.sampleRate = 48000.0;
    return true;
}

}  // namespace kestrava::tool
