// Renders a fixed correction and a fixed input through the processing chain,
// with Air off and on, and writes every output sample as raw doubles. The
// Linux and the Windows builds must write the same bytes; compare.sh checks.
//
// The input is made from arithmetic only (no sin, cos or exp from the C
// library, whose last bits differ between targets), so any difference in
// the output comes from the product's code.
//
// Usage: kestrava_identity OUTPUT.bin
// Writes OUTPUT.bin.alg on the way (the correction, written and read back).

#include "corrfile/CorrectionFile.h"
#include "engine/CorrectionSet.h"
#include "engine/ProcessingChain.h"
#include "tests/support/StderrMessages.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace kestrava::test {
namespace {

constexpr int kSampleRate = 48000;
constexpr int kSampleCount = 3 * kSampleRate;

// 199 sections spread over the audio band with alternating boosts and cuts:
// the largest correction the measurement program designs, so every group of
// the block kernels is exercised.
kestrava::engine::CorrectionSet fixedCorrection()
{
    kestrava::engine::CorrectionSet set;
    set.sectionCount = 199;
    set.outputGain = 0.7071;
    double centre = 25.0;
    for (int i = 0; i < set.sectionCount; ++i) {
        set.centreHz[i] = centre;
        set.quality[i] = 0.5 + 0.125 * (i % 23);
        set.peakGain[i] = (i % 2 == 0 ? 0.35 : -0.3) * (1.0 - i / 400.0);
        centre *= 1.035;
    }
    return set;
}

// A 997 Hz sine by the two-term recursion, 64-bit LCG noise, an impulse at
// 1/48 s and at 2 s, and a silent last half second for the decaying tails.
std::vector<double> fixedInput()
{
    constexpr double kCos = 0.991496042441687;  // cos(2 pi 997 / 48000)
    constexpr double kSin = 0.13013684267905246;  // sin(2 pi 997 / 48000)
    constexpr double kAmplitude = 0.4;

    std::vector<double> input(kSampleCount, 0.0);
    double previous = -kAmplitude * kSin;
    double sine = 0.0;
    std::uint64_t lcg = 0x4b65737472617661u;
    const int soundEnd = kSampleCount - kSampleRate / 2;
    for (int n = 0; n < soundEnd; ++n) {
        lcg = lcg * 6364136223846793005u + 1442695040888963407u;
        const double noise = static_cast<double>(lcg >> 11) * 0x1.0p-53 - 0.5;
        input[n] = sine + 0.1 * noise;
        const double next = 2.0 * kCos * sine - previous;
        previous = sine;
        sine = next;
    }
    input[kSampleRate / 48] += 1.0;
    input[2 * kSampleRate] += 1.0;
    return input;
}

struct Rendered {
    std::vector<double> left;
    std::vector<double> right;
};

Rendered render(const kestrava::engine::CorrectionSet& correction, const std::vector<double>& input,
                kestrava::engine::AirSetting air)
{
    // Heap, not stack: the Air lines hold a few hundred kilobytes.
    const auto chain = std::make_unique<kestrava::engine::PluginChain>();
    chain->prepare(correction, kSampleRate);
    Rendered out{std::vector<double>(input.size()), std::vector<double>(input.size())};
    // Block sizes a host might use, odd ones included, so that every tail
    // length of the block kernels runs.
    constexpr std::array<int, 9> kBlockSizes = {1, 7, 64, 256, 333, 1024, 5, 512, 129};
    std::size_t start = 0;
    for (std::size_t block = 0; start < input.size(); ++block) {
        const int n = std::min(kBlockSizes[block % kBlockSizes.size()],
                               static_cast<int>(input.size() - start));
        chain->beginBlock();
        chain->process(input.data() + start, out.left.data() + start, out.right.data() + start, n, air);
        start += static_cast<std::size_t>(n);
    }
    return out;
}

bool writeRaw(const std::string& path, const std::vector<double>& samples)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(samples.data()),
              static_cast<std::streamsize>(samples.size() * sizeof(double)));
    return static_cast<bool>(out);
}

std::uint64_t fnv1a(const std::vector<double>& samples)
{
    std::uint64_t hash = 0xcbf29ce484222325u;
    for (double sample : samples) {
        unsigned char bytes[sizeof sample];
        std::memcpy(bytes, &sample, sizeof sample);
        for (unsigned char byte : bytes) {
            hash = (hash ^ byte) * 0x100000001b3u;
        }
    }
    return hash;
}

}  // namespace
}  // namespace kestrava::test

int main(int argc, char** argv)
{
    using namespace kestrava::test;
    if (argc != 2) {
        std::cerr << "usage: kestrava_identity OUTPUT.bin\n";
        return 2;
    }
    const std::string outputPath = argv[1];
    const std::string correctionPath = outputPath + ".alg";
    StderrMessages messages;

    const kestrava::engine::CorrectionSet written = fixedCorrection();
    if (!kestrava::corrfile::writeCorrectionFile(correctionPath, written, messages)) {
        return 1;
    }
    kestrava::engine::CorrectionSet correction;
    if (kestrava::corrfile::readCorrectionFile(correctionPath, correction, messages) != 0) {
        return 1;
    }
    if (!(correction == written)) {
        std::cerr << "the correction read back differs from the one written\n";
        return 1;
    }

    const std::vector<double> input = fixedInput();

    // Air off gives the filtered signal on both sides; Air on its left and
    // right.
    const Rendered filtered = render(correction, input, kestrava::engine::AirSetting::Off);
    const Rendered withAir = render(correction, input, kestrava::engine::AirSetting::On);
    std::vector<double> output;
    output.reserve(3 * input.size());
    output.insert(output.end(), filtered.left.begin(), filtered.left.end());
    output.insert(output.end(), withAir.left.begin(), withAir.left.end());
    output.insert(output.end(), withAir.right.begin(), withAir.right.end());

    if (!std::all_of(output.begin(), output.end(), [](double v) { return std::isfinite(v); })) {
        std::cerr << "the output is not finite; the fixed correction proves nothing\n";
        return 1;
    }
    if (!writeRaw(outputPath, output)) {
        std::cerr << "cannot write " << outputPath << '\n';
        return 1;
    }
    std::printf("%zu doubles, FNV-1a %016llx\n", output.size(),
                static_cast<unsigned long long>(fnv1a(output)));
    return 0;
}
