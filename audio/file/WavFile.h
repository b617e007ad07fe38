// Reading and writing the WAV files of the recorded-file driver: PCM of 16,
// 24 or 32 bits and IEEE float of 32 or 64 bits, plain or extensible headers.
// Samples are held per channel as doubles with full scale +-1.0, which
// carries every such sample exactly (PCM s of b bits becomes s / 2^(b-1)).
//
// File work for the controlling thread or the driver's own thread; never
// called from inside a buffer callback.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace kestrava::audio {

struct WavData {
    double sampleRate = 48000.0;
    int bitsPerSample = 16;
    bool floatingPoint = false;
    // channels[c][frame]
    std::vector<std::vector<double>> channels;

    std::size_t frames() const { return channels.empty() ? 0 : channels[0].size(); }
};

// The longest WAV input read (a RIFF file can be 4 GiB; this is an hour and
// a half of 32-bit stereo at 48 kHz, and already 4 GiB of samples in memory).
inline constexpr std::size_t kMaxWavFileBytes = std::size_t{1} << 30;

// Reads the file, or a pipe, once and at most kMaxWavFileBytes of it; on
// failure returns false and a short reason naming the file in `error`.
bool readWavInput(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error);

// readWavInput and parseWav.
bool readWav(const std::string& path, WavData& data, std::string& error);

// How many frames of a recording at `sampleRate` a caller needs: frames
// beyond are not decoded, whatever length the file claims. Empty: all.
using FramesWanted = std::function<std::size_t(double sampleRate)>;

// Decodes a WAV image read from `path` (named in the reasons), at most
// `framesWanted` frames of it. A file that ends before its chunks do, whose
// sample data comes before its format, or whose chunks are too short or
// unpadded is refused, with that reason.
bool parseWav(std::span<const std::uint8_t> bytes, const std::string& path, WavData& data, std::string& error,
              const FramesWanted& framesWanted = {});

// The file image of 32-bit float when data.floatingPoint, otherwise of PCM
// of pcmBits bits (16, 24 or 32), values rounded to the nearest step of that
// format and held within range; data.bitsPerSample is ignored.
std::vector<std::uint8_t> encodeWav(const WavData& data, int pcmBits = 32);

// Writes encodeWav's image beside `path` and renames it into place. Returns
// false when the file cannot be written; the old file is then as it was.
bool writeWav(const std::string& path, const WavData& data);

}  // namespace kestrava::audio
