// Helpers shared by the plug-in tests: corrections with audible sections,
// correction files on disk (in a ScratchFolder), reference processing through
// the engine, and test signals.
#pragma once

#include "corrfile/CorrectionFile.h"
#include "engine/AirAmbience.h"
#include "engine/CorrectionFilter.h"
#include "engine/CorrectionSet.h"
#include "tests/support/FileBytes.h"
#include "tests/support/ScratchFolder.h"

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace kestrava::test {

// A correction like the design's: sections log-spaced from 20 Hz to 20 kHz
// with varied gains, so every section changes the sound.
inline engine::CorrectionSet makeCorrection(int sections, double outputGain, double gainScale = 0.8)
{
    engine::CorrectionSet set;
    set.sectionCount = sections;
    set.outputGain = outputGain;
    for (int i = 0; i < sections; ++i) {
        set.centreHz[i] = 20.0 * std::pow(1000.0, (i + 0.5) / std::max(sections, 1));
        set.quality[i] = 3.0 + (i % 5);
        set.peakGain[i] = gainScale * std::sin(0.37 * i + 0.2);
    }
    return set;
}

inline void writeCorrection(const std::string& path, const engine::CorrectionSet& set)
{
    writeFile(path, corrfile::encodeCorrectionFile(set));
}

// A file that exists but does not carry the correction-file magic.
inline void writeDamaged(const std::string& path)
{
    std::vector<std::uint8_t> bytes = corrfile::encodeCorrectionFile(makeCorrection(3, 1.0));
    bytes[0] ^= 0xff;
    writeFile(path, bytes);
}

// What the effect must produce for one correction from a cleared filter
// and a given Air network, frame by frame through the engine's own
// per-sample operations.
class Reference {
public:
    Reference(const engine::CorrectionSet& set, double sampleRate)
    {
        filter.setSampleRate(sampleRate);
        filter.setCorrection(set);
        air.prepare(sampleRate);
    }

    engine::StereoSample frame(double x, bool airOn)
    {
        const double t = filter.processSample(x);
        return airOn ? air.processSample(t) : engine::StereoSample{t, t};
    }

    engine::CorrectionFilter filter;
    engine::AirAmbience air;
};

inline std::vector<double> noise(std::size_t count, unsigned seed, double amplitude = 0.5)
{
    std::mt19937 generator(seed);
    std::uniform_real_distribution<double> distribution(-amplitude, amplitude);
    std::vector<double> samples(count);
    for (double& sample : samples)
        sample = distribution(generator);
    return samples;
}

}  // namespace kestrava::test
