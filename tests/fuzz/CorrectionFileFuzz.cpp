// Feeds arbitrary bytes to the correction-file decoder. Besides the
// sanitizers' checks (no read outside the image, no undefined behaviour) it
// holds the decoder to its promises: a rejected image leaves the caller's
// correction exactly as it was; an accepted one has 0..200 sections, was
// long enough for them, and survives encoding and decoding again bit for bit.

#include "corrfile/CorrectionFile.h"
#include "engine/CorrectionSet.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

namespace {

// Values no decoder would produce by chance, so any write shows.
kestrava::CorrectionSet sentinel()
{
    kestrava::CorrectionSet set;
    set.sectionCount = 7;
    set.outputGain = -123.25;
    for (int i = 0; i < kestrava::kMaxSections; ++i) {
        set.centreHz[i] = 1000.5 + i;
        set.quality[i] = -0.75 - i;
        set.peakGain[i] = 3.125 * i;
    }
    return set;
}

bool sameBits(const double* a, const double* b, int count)
{
    return std::memcmp(a, b, sizeof(double) * static_cast<std::size_t>(count)) == 0;
}

bool sameSections(const kestrava::CorrectionSet& a, const kestrava::CorrectionSet& b, int count)
{
    return sameBits(a.centreHz.data(), b.centreHz.data(), count)
        && sameBits(a.quality.data(), b.quality.data(), count)
        && sameBits(a.peakGain.data(), b.peakGain.data(), count);
}

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "correction file fuzz: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> image(data, size);
    const kestrava::CorrectionSet before = sentinel();
    kestrava::CorrectionSet set = before;

    if (!kestrava::decodeCorrectionFile(image, set)) {
        if (set.sectionCount != before.sectionCount
            || !sameBits(&set.outputGain, &before.outputGain, 1)
            || !sameSections(set, before, kestrava::kMaxSections)) {
            fail("a rejected image changed the correction");
        }
        return 0;
    }

    const int count = set.sectionCount;
    if (count < 0 || count > kestrava::kMaxSections) {
        fail("an accepted image has a section count outside 0..200");
    }
    if (size < 32 + 24 * static_cast<std::size_t>(count)) {
        fail("an accepted image is shorter than its section count requires");
    }

    const std::vector<std::uint8_t> again = kestrava::encodeCorrectionFile(set);
    kestrava::CorrectionSet reread = before;
    if (!kestrava::decodeCorrectionFile(again, reread)) {
        fail("an encoded correction was rejected");
    }
    if (reread.sectionCount != count || !sameSections(reread, set, count)) {
        fail("an encoded correction did not decode to the same values");
    }
    return 0;
}
