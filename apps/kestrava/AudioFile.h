// Reading and writing the recordings the command-line tool works on. WAV
// (integer PCM of 8 to 32 bits, 32- and 64-bit float) is read and written
// by the tool itself on every target; other formats are decoded where the
// build has a decoder (libsndfile on Linux). Samples are held exactly as
// the file stores them, as doubles relative to full scale, together with
// the kind of sample they came from. Runs on the tool's one thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestrava::tool {

enum class SampleKind { Integer, Float32, Float64 };

struct AudioData {
    double sampleRate = 0.0;
    SampleKind kind = SampleKind::Integer;
    // Integer samples: the value left-aligned into 32 bits over 2^31, which
    // a double holds exactly. Float samples: the stored value.
    std::vector<std::vector<double>> channels;
    // Frames in the file, which may be more than were read.
    std::int64_t fileFrames = 0;
};

// Reads at most maxFrames frames of `path`. On failure returns false with a
// one-line reason in `error`.
bool readAudioFile(const std::string& path, std::int64_t maxFrames, AudioData& audio, std::string& error);

// The tool's own WAV decoder, used for .wav files on every target.
bool decodeWav(const std::vector<std::uint8_t>& bytes, std::int64_t maxFrames, AudioData& audio,
               std::string& error);

// Other formats, where the build has a decoder.
bool readWithDecoder(const std::string& path, std::int64_t maxFrames, AudioData& audio, std::string& error);

// Writes 32-bit float WAV with one channel per entry of `channels` (all of
// the same length).
bool writeFloatWav(const std::string& path, double sampleRate,
                   const std::vector<std::vector<float>>& channels, std::string& error);

}  // namespace kestrava::tool
