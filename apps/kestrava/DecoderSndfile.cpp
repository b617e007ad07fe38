// Formats other than WAV through libsndfile. Integer formats are read as
// 32-bit integers, which libsndfile left-aligns exactly as a device does;
// float formats as they are stored.
#include "apps/kestrava/AudioFile.h"

#include <sndfile.h>

namespace kestrava::tool {

bool readWithDecoder(const std::string& path, WavData& audio, std::string& error)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        error = path + ": " + sf_strerror(nullptr);
        return false;
    }
    const int subtype = info.format & SF_FORMAT_SUBMASK;
    audio.sampleRate = info.samplerate;
    audio.floatingPoint = subtype != SF_FORMAT_PCM_S8 && subtype != SF_FORMAT_PCM_U8 && subtype != SF_FORMAT_PCM_16
                       && subtype != SF_FORMAT_PCM_24 && subtype != SF_FORMAT_PCM_32;
    audio.bitsPerSample = subtype == SF_FORMAT_PCM_S8 || subtype == SF_FORMAT_PCM_U8 ? 8
                        : subtype == SF_FORMAT_PCM_16                                 ? 16
                        : subtype == SF_FORMAT_PCM_24                                 ? 24
                        : subtype == SF_FORMAT_DOUBLE                                 ? 64
                                                                                      : 32;
    const sf_count_t frames = info.frames;
    const int channels = info.channels;
    audio.channels.assign(channels, std::vector<double>(static_cast<std::size_t>(frames)));
    sf_count_t got = 0;
    if (!audio.floatingPoint) {
        std::vector<int> interleaved(static_cast<std::size_t>(frames) * channels);
        got = sf_readf_int(file, interleaved.data(), frames);
        for (sf_count_t i = 0; i < got; ++i)
            for (int c = 0; c < channels; ++c)
                audio.channels[c][i] = interleaved[i * channels + c] / 2147483648.0;
    } else {
        std::vector<double> interleaved(static_cast<std::size_t>(frames) * channels);
        got = sf_readf_double(file, interleaved.data(), frames);
        for (sf_count_t i = 0; i < got; ++i)
            for (int c = 0; c < channels; ++c)
                audio.channels[c][i] = interleaved[i * channels + c];
    }
    sf_close(file);
    if (got != frames) {
        error = path + ": the file ends early";
        return false;
    }
    return true;
}

}  // namespace kestrava::tool
