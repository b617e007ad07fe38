// Writes a few valid correction-file images into a folder, the starting
// corpus of the decoder's fuzzer: empty, small and the largest correction,
// each as a file image and as its plain values after the magic (the form
// the fuzzer's second reading takes).
// Usage: kestrava_corrfile_seeds FOLDER

#include "corrfile/CorrectionFile.h"
#include "engine/CorrectionSet.h"
#include "tests/support/FileBytes.h"

#include <cstdint>
#include <iostream>
#include <string>
#include <vector>

namespace kestrava::test {
namespace {

bool writeSeed(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    if (writeFile(path, bytes))
        return true;
    std::cerr << "cannot write " << path << '\n';
    return false;
}

}  // namespace
}  // namespace kestrava::test

int main(int argc, char** argv)
{
    using namespace kestrava::test;
    if (argc != 2) {
        std::cerr << "usage: kestrava_corrfile_seeds FOLDER\n";
        return 2;
    }
    for (const int count : {0, 1, 3, 17, kestrava::engine::kMaxSections}) {
        kestrava::engine::CorrectionSet set;
        set.sectionCount = count;
        set.outputGain = 0.5 + count;
        for (int i = 0; i < count; ++i) {
            set.centreHz[i] = 40.0 + 97.0 * i;
            set.quality[i] = 0.5 + 0.25 * (i % 9);
            set.peakGain[i] = (i % 2 == 0 ? 0.4 : -0.6);
        }
        const std::vector<std::uint8_t> image = kestrava::corrfile::encodeCorrectionFile(set);
        std::vector<std::uint8_t> plain = image;
        kestrava::corrfile::scrambleCorrectionImage(plain);
        plain.erase(plain.begin(), plain.begin() + 4);
        const std::string name = std::string(argv[1]) + "/sections-" + std::to_string(count);
        if (!writeSeed(name + ".alg", image) || !writeSeed(name + ".plain", plain))
            return 1;
    }
    return 0;
}
