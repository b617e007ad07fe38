// Formats other than WAV through libsndfile, decoded from the image already
// read (libsndfile never opens the file itself, so a pipe is read once).
// Integer formats are read as 32-bit integers, which libsndfile
// left-aligns exactly as a device does; float formats as they are stored.
// Frames are read in slices up to a bound, whatever length the header
// claims.
#include "apps/kestrava/AudioFile.h"

#include <sndfile.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace kestrava::tool {

namespace {

struct MemoryImage {
    std::span<const std::uint8_t> bytes;
    sf_count_t at = 0;
};

sf_count_t imageLength(void* user)
{
    return static_cast<sf_count_t>(static_cast<MemoryImage*>(user)->bytes.size());
}

sf_count_t imageSeek(sf_count_t offset, int whence, void* user)
{
    auto* image = static_cast<MemoryImage*>(user);
    const sf_count_t base = whence == SEEK_CUR ? image->at : whence == SEEK_END ? imageLength(user) : 0;
    image->at = std::clamp<sf_count_t>(base + offset, 0, imageLength(user));
    return image->at;
}

sf_count_t imageRead(void* into, sf_count_t count, void* user)
{
    auto* image = static_cast<MemoryImage*>(user);
    const sf_count_t n = std::clamp<sf_count_t>(count, 0, imageLength(user) - image->at);
    std::memcpy(into, image->bytes.data() + image->at, static_cast<std::size_t>(n));
    image->at += n;
    return n;
}

sf_count_t imageWrite(const void*, sf_count_t, void*)
{
    return 0;
}

sf_count_t imageTell(void* user)
{
    return static_cast<MemoryImage*>(user)->at;
}

// As many samples as the longest WAV the tool reads could hold.
constexpr std::size_t kMostSamples = audio::kMaxWavFileBytes / 2;
constexpr sf_count_t kSliceFrames = 1 << 16;

}  // namespace

bool decodeWithLibrary(std::span<const std::uint8_t> bytes, const std::string& path, audio::WavData& audio,
                       std::string& error, const audio::FramesWanted& framesWanted)
{
    SF_VIRTUAL_IO io{&imageLength, &imageSeek, &imageRead, &imageWrite, &imageTell};
    MemoryImage image{bytes};
    SF_INFO info{};
    SNDFILE* file = sf_open_virtual(&io, SFM_READ, &info, &image);
    if (file == nullptr) {
        error = path + ": " + sf_strerror(nullptr);
        return false;
    }
    const int channels = info.channels;
    if (channels < 1 || channels > kMostChannels) {
        sf_close(file);
        error = path + " claims " + std::to_string(channels) + " channels; recordings of 1 to "
              + std::to_string(kMostChannels) + " channels are read";
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
    audio.channels.assign(channels, {});
    // Past what the caller needs nothing is decoded: a small file may claim
    // (and hold, compressed) an hour of silence.
    const std::size_t wanted = framesWanted ? framesWanted(audio.sampleRate) : SIZE_MAX;
    const std::size_t slice = static_cast<std::size_t>(kSliceFrames) * channels;
    std::vector<int> integers(audio.floatingPoint ? 0 : slice);
    std::vector<double> floats(audio.floatingPoint ? slice : 0);
    std::size_t frames = 0;
    while (frames < wanted) {
        const sf_count_t ask = static_cast<sf_count_t>(std::min<std::size_t>(kSliceFrames, wanted - frames));
        const sf_count_t got = audio.floatingPoint ? sf_readf_double(file, floats.data(), ask)
                                                   : sf_readf_int(file, integers.data(), ask);
        for (sf_count_t i = 0; i < got; ++i)
            for (int c = 0; c < channels; ++c) {
                const std::size_t k = static_cast<std::size_t>(i) * channels + c;
                audio.channels[c].push_back(audio.floatingPoint ? floats[k] : integers[k] / 2147483648.0);
            }
        frames += static_cast<std::size_t>(got);
        if (got < ask || frames * channels > kMostSamples)
            break;
    }
    sf_close(file);
    if (frames * channels > kMostSamples) {
        error = path + " holds more samples than the tool reads";
        return false;
    }
    const std::size_t claimed = static_cast<std::size_t>(std::max<sf_count_t>(info.frames, 0));
    if (info.frames != SF_COUNT_MAX && frames < std::min(claimed, wanted)) {
        error = path + ": the file ends early";
        return false;
    }
    return true;
}

}  // namespace kestrava::tool
