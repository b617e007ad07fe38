// Reading and writing the WAV files of the recorded-file driver: PCM of 16,
// 24 or 32 bits and IEEE float of 32 or 64 bits, plain or extensible headers.
// Samples are held per channel as doubles with full scale +-1.0, which
// carries every such sample exactly (PCM s of b bits becomes s / 2^(b-1)).
//
// File work for the controlling thread or the driver's own thread; never
// called from inside a buffer callback.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestrava {

struct WavData {
    double sampleRate = 48000.0;
    int bitsPerSample = 16;
    bool floatingPoint = false;
    // channels[c][frame]
    std::vector<std::vector<double>> channels;

    std::size_t frames() const { return channels.empty() ? 0 : channels[0].size(); }
};

// Reads the file; on failure returns false and a short reason in `error`.
bool readWav(const std::string& path, WavData& data, std::string& error);

// Writes 32-bit PCM (values rounded to the nearest multiple of 2^-31 and held
// within range) or 32-bit float, as data.floatingPoint says;
// data.bitsPerSample is ignored. Returns false when the file cannot be written.
bool writeWav(const std::string& path, const WavData& data);

}  // namespace kestrava
