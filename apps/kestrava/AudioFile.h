// Reading the recordings the command-line tool works on. WAV goes through
// the project's WAV file code on every target; other formats through the
// build's decoder where it has one (libsndfile on Linux). Samples are held
// as the WAV code holds them: doubles relative to full scale, exact for
// every sample the file stores. Runs on the tool's one thread.
#pragma once

#include "audio/file/WavFile.h"

#include <string>

namespace kestrava::tool {

// Reads the whole of `path`. On failure returns false with a one-line
// reason in `error`.
bool readAudioFile(const std::string& path, WavData& audio, std::string& error);

// Formats other than WAV, where the build has a decoder.
bool readWithDecoder(const std::string& path, WavData& audio, std::string& error);

}  // namespace kestrava::tool
