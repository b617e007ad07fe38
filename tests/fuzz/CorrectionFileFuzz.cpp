// Feeds arbitrary bytes to the correction-file decoder, twice: as a file
// image, and as the plain values of one (scrambled and given the magic
// here), so that the fuzzer steers the decoded numbers directly. Besides
// the sanitizers' checks (no read outside the image, no undefined
// behaviour) it holds the decoder to its promises: a rejected image leaves
// the caller's correction exactly as it was; an accepted one has 0..200
// sections, was long enough for them, holds only values a filter can run
// (finite, centre frequencies and qualities above zero), and survives
// encoding and decoding again bit for bit; and an image of the right layout
// is rejected only for such a value.

#include "corrfile/CorrectionFile.h"
#include "engine/CorrectionSet.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

namespace kestrava::test {
namespace {

// Values no decoder would produce by chance, so any write shows.
kestrava::engine::CorrectionSet sentinel()
{
    kestrava::engine::CorrectionSet set;
    set.sectionCount = 7;
    set.outputGain = -123.25;
    for (int i = 0; i < kestrava::engine::kMaxSections; ++i) {
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

bool sameSections(const kestrava::engine::CorrectionSet& a, const kestrava::engine::CorrectionSet& b, int count)
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

bool runnable(const kestrava::engine::CorrectionSet& set)
{
    // Gains no measurement gives (above +60 dB, or a cut deeper than -60 dB) are refused too.
    if (!(std::fabs(set.outputGain) <= 1000.0))
        return false;
    for (int i = 0; i < set.sectionCount; ++i) {
        if (!std::isfinite(set.centreHz[i]) || !(set.centreHz[i] > 0.0) || !std::isfinite(set.quality[i])
            || !(set.quality[i] > 0.0) || !(set.peakGain[i] >= -0.999 && set.peakGain[i] <= 999.0))
            return false;
    }
    return true;
}

// The section count of a plain image whose layout is whole, or -1.
int wholeLayoutCount(std::span<const std::uint8_t> plain)
{
    if (plain.size() < 32)
        return -1;
    std::int32_t count;
    std::memcpy(&count, plain.data() + 20, sizeof count);
    if (count < 0 || count > kestrava::engine::kMaxSections || plain.size() < 32 + 24 * static_cast<std::size_t>(count))
        return -1;
    return count;
}

void check(std::span<const std::uint8_t> image)
{
    const kestrava::engine::CorrectionSet before = sentinel();
    kestrava::engine::CorrectionSet set = before;

    if (!kestrava::corrfile::decodeCorrectionFile(image, set)) {
        if (set.sectionCount != before.sectionCount
            || !sameBits(&set.outputGain, &before.outputGain, 1)
            || !sameSections(set, before, kestrava::engine::kMaxSections)) {
            fail("a rejected image changed the correction");
        }
        std::vector<std::uint8_t> plain(image.begin(), image.end());
        kestrava::corrfile::scrambleCorrectionImage(plain);
        const int count = wholeLayoutCount(plain);
        if (count >= 0 && plain[0] == 0xDB && plain[1] == 0x07 && plain[2] == 0 && plain[3] == 0) {
            kestrava::engine::CorrectionSet values;
            values.sectionCount = count;
            std::memcpy(&values.outputGain, plain.data() + 24, 8);
            std::memcpy(values.centreHz.data(), plain.data() + 32, 8 * static_cast<std::size_t>(count));
            std::memcpy(values.quality.data(), plain.data() + 32 + 8 * count, 8 * static_cast<std::size_t>(count));
            std::memcpy(values.peakGain.data(), plain.data() + 32 + 16 * count, 8 * static_cast<std::size_t>(count));
            if (runnable(values))
                fail("an image of the right layout with runnable values was rejected");
        }
        return;
    }

    const int count = set.sectionCount;
    if (count < 0 || count > kestrava::engine::kMaxSections) {
        fail("an accepted image has a section count outside 0..200");
    }
    if (image.size() < 32 + 24 * static_cast<std::size_t>(count)) {
        fail("an accepted image is shorter than its section count requires");
    }
    if (!runnable(set)) {
        fail("an accepted image holds a value no filter can run");
    }

    const std::vector<std::uint8_t> again = kestrava::corrfile::encodeCorrectionFile(set);
    kestrava::engine::CorrectionSet reread = before;
    if (!kestrava::corrfile::decodeCorrectionFile(again, reread)) {
        fail("an encoded correction was rejected");
    }
    if (reread.sectionCount != count || !sameSections(reread, set, count)) {
        fail("an encoded correction did not decode to the same values");
    }
}

}  // namespace
}  // namespace kestrava::test

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kestrava::test;
    const std::span<const std::uint8_t> image(data, size);
    check(image);

    // The same bytes as plain values: the magic in front, scrambled as a
    // writer would.
    std::vector<std::uint8_t> fromValues = {0xDB, 0x07, 0x00, 0x00};
    fromValues.insert(fromValues.end(), data, data + size);
    kestrava::corrfile::scrambleCorrectionImage(fromValues);
    check(fromValues);
    return 0;
}
