// Reading the recordings the command-line tool works on. Each input is read
// once, with a bound (a file or a pipe; never a directory or a device);
// WAV goes through the project's WAV file code on every target, other
// formats through the build's decoder where it has one (libsndfile on
// Linux). Samples are held as the WAV code holds them: doubles relative to
// full scale, exact for every sample the file stores. Recordings that
// cannot be real audio (no sample rate a device runs at, more channels than
// any interface records) are refused. Runs on the tool's one thread.
#pragma once

#include "audio/file/WavFile.h"

#include <cstdint>
#include <span>
#include <string>

namespace kestrava::tool {

inline constexpr double kLowestSampleRate = 8000.0;
inline constexpr double kHighestSampleRate = 768000.0;
inline constexpr int kMostChannels = 64;

// Reads `path`, decoding at most the frames `framesWanted` asks for (all
// when it is empty). On failure returns false with a one-line reason naming
// the file in `error`.
bool readAudioFile(const std::string& path, audio::WavData& audio, std::string& error,
                   const audio::FramesWanted& framesWanted = {});

// Formats other than WAV, where the build has a decoder: decodes the file
// image `bytes` read from `path`, at most the frames `framesWanted` asks for.
bool decodeWithLibrary(std::span<const std::uint8_t> bytes, const std::string& path, audio::WavData& audio,
                       std::string& error, const audio::FramesWanted& framesWanted);

}  // namespace kestrava::tool
