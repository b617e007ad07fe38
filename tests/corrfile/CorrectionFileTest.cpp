#include "corrfile/CorrectionFile.h"

#include "tests/support/FileBytes.h"
#include "tests/support/RecordingMessages.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

using namespace kestrava::corrfile;
using namespace kestrava::engine;
using namespace kestrava::platform;

namespace kestrava::test {
namespace {


// With the extremes a design can give: the largest output gain, the
// deepest cut in the first section and +60 dB in the last.
CorrectionSet designedLooking(int n)
{
    CorrectionSet set;
    set.sectionCount = n;
    set.outputGain = 1000.0;
    for (int i = 0; i < n; ++i) {
        set.centreHz[i] = 20.35 * std::pow(1.0353, i);
        set.quality[i] = 2.0 + std::sin(i * 0.37);
        set.peakGain[i] = i + 1 == n && n > 1 ? 999.0 : -0.999 + 0.0137 * i;
    }
    return set;
}

bool sameValues(const CorrectionSet& a, const CorrectionSet& b)
{
    const std::size_t bytes = 8 * static_cast<std::size_t>(a.sectionCount);
    return a.sectionCount == b.sectionCount
           && std::memcmp(&a.outputGain, &b.outputGain, sizeof a.outputGain) == 0
           && std::memcmp(a.centreHz.data(), b.centreHz.data(), bytes) == 0
           && std::memcmp(a.quality.data(), b.quality.data(), bytes) == 0
           && std::memcmp(a.peakGain.data(), b.peakGain.data(), bytes) == 0;
}

class CorrectionFileOnDisk : public ::testing::Test {
protected:
    std::string path(const char* name) const { return scratch_.file(name); }

    ScratchFolder scratch_;
    RecordingMessages messages_;
};

// A good image with one plain value replaced, scrambled again.
std::vector<std::uint8_t> withValue(std::size_t offset, double value)
{
    std::vector<std::uint8_t> image = encodeCorrectionFile(designedLooking(199));
    scrambleCorrectionImage(image);
    std::memcpy(image.data() + offset, &value, sizeof value);
    scrambleCorrectionImage(image);
    return image;
}

std::size_t filesIn(const std::filesystem::path& dir)
{
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir), {}));
}

TEST(CorrectionFileImage, LayoutSizeMagicAndScramblePositions)
{
    const CorrectionSet set = designedLooking(199);
    const std::vector<std::uint8_t> image = encodeCorrectionFile(set);
    ASSERT_EQ(image.size(), 4808u);
    EXPECT_EQ(image[0], 0xDB);
    EXPECT_EQ(image[1], 0x07);
    EXPECT_EQ(image[2], 0x00);
    EXPECT_EQ(image[3], 0x00);
    // Offset 20 (the low byte of N) uses key byte 0; offset 4 does too.
    EXPECT_EQ(image[20], 199 ^ (0x5c + 1));
    EXPECT_EQ(image[4], 1 ^ (0x5c + 1));
    EXPECT_EQ(image[5], 0 ^ (0x9e + 1));
    EXPECT_EQ(image[19], 0 ^ (0x69 + 1));

    std::vector<std::uint8_t> plain = image;
    scrambleCorrectionImage(plain);
    double gain;
    std::memcpy(&gain, plain.data() + 24, sizeof gain);
    EXPECT_EQ(gain, set.outputGain);
    double lastPeakGain;
    std::memcpy(&lastPeakGain, plain.data() + 32 + 16 * 199 + 8 * 198, sizeof lastPeakGain);
    EXPECT_EQ(lastPeakGain, set.peakGain[198]);
}

TEST_F(CorrectionFileOnDisk, WrittenAndReadBackGivesTheSameBits)
{
    for (int n : {0, 1, 199, 200}) {
        const CorrectionSet written = designedLooking(n);
        ASSERT_TRUE(writeCorrectionFile(path("take.alg"), written, messages_));
        CorrectionSet read;
        ASSERT_EQ(readCorrectionFile(path("take.alg"), read, messages_), 0);
        EXPECT_TRUE(sameValues(read, written)) << n << " sections";
        EXPECT_EQ(std::filesystem::file_size(path("take.alg")), 32u + 24u * n);
    }
    EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(CorrectionFileOnDisk, BytesFourToNineteenAreIgnored)
{
    std::vector<std::uint8_t> image = encodeCorrectionFile(designedLooking(199));
    for (int i = 4; i < 20; ++i) {
        image[i] = static_cast<std::uint8_t>(i * 37 + 11);
    }
    writeFile(path("odd.alg"), image);
    CorrectionSet read;
    ASSERT_EQ(readCorrectionFile(path("odd.alg"), read, messages_), 0);
    EXPECT_TRUE(sameValues(read, designedLooking(199)));
}

TEST_F(CorrectionFileOnDisk, AChangedValueByteChangesExactlyThatValue)
{
    std::vector<std::uint8_t> image = encodeCorrectionFile(designedLooking(199));
    const std::size_t qualityFive = 32 + 8 * 199 + 8 * 5;
    image[qualityFive + 3] ^= 0x10;
    writeFile(path("edit.alg"), image);
    CorrectionSet read;
    ASSERT_EQ(readCorrectionFile(path("edit.alg"), read, messages_), 0);
    CorrectionSet expected = designedLooking(199);
    EXPECT_NE(read.quality[5], expected.quality[5]);
    expected.quality[5] = read.quality[5];
    EXPECT_TRUE(sameValues(read, expected));
}

TEST_F(CorrectionFileOnDisk, DamagedFilesAreReportedAndChangeNothing)
{
    const std::vector<std::uint8_t> good = encodeCorrectionFile(designedLooking(199));

    auto withCount = [&](std::int32_t n) {
        std::vector<std::uint8_t> image = good;
        std::vector<std::uint8_t> plain(image.begin(), image.begin() + 32);
        scrambleCorrectionImage(plain);
        std::memcpy(plain.data() + 20, &n, sizeof n);
        scrambleCorrectionImage(plain);
        std::copy(plain.begin(), plain.end(), image.begin());
        return image;
    };
    std::vector<std::uint8_t> badMagic = good;
    badMagic[1] ^= 0x01;
    const std::vector<std::vector<std::uint8_t>> damaged = {
        badMagic,
        {0xDB, 0x07},
        std::vector<std::uint8_t>(good.begin(), good.begin() + 20),
        std::vector<std::uint8_t>(good.begin(), good.end() - 1),
        withCount(-1),
        withCount(201),
        withCount(0x7fffffff),
    };
    for (std::size_t k = 0; k < damaged.size(); ++k) {
        SCOPED_TRACE(::testing::Message() << "damaged file " << k);
        writeFile(path("bad.alg"), damaged[k]);
        const CorrectionSet before = designedLooking(12);
        CorrectionSet current = before;
        messages_.shown.clear();
        EXPECT_EQ(readCorrectionFile(path("bad.alg"), current, messages_), 1);
        EXPECT_TRUE(sameValues(current, before));
        ASSERT_EQ(messages_.shown.size(), 1u);
        EXPECT_EQ(messages_.shown[0].text, "ALG file is damaged.");
        EXPECT_EQ(messages_.shown[0].caption, "Error");
        EXPECT_EQ(messages_.shown[0].icon, MessageIcon::Error);
    }
}

// Values a filter cannot run, and paths that are no file: each is damaged,
// changes nothing and is answered at once (a pipe without a writer or an
// endless device must not hold the reader).
TEST_F(CorrectionFileOnDisk, UnrunnableValuesAndNonFilesAreDamagedAndChangeNothing)
{
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    constexpr double inf = std::numeric_limits<double>::infinity();
    constexpr std::size_t gain = 24;
    constexpr std::size_t centre = 32;
    constexpr std::size_t quality = 32 + 8 * 199;
    constexpr std::size_t peak = 32 + 16 * 199;
    const struct {
        const char* name;
        std::function<std::string()> make;
    } cases[] = {
        {"NaN output gain", [&] { writeFile(path("c.alg"), withValue(gain, nan)); return path("c.alg"); }},
        {"infinite output gain", [&] { writeFile(path("c.alg"), withValue(gain, -inf)); return path("c.alg"); }},
        {"NaN centre", [&] { writeFile(path("c.alg"), withValue(centre + 8 * 7, nan)); return path("c.alg"); }},
        {"zero centre", [&] { writeFile(path("c.alg"), withValue(centre, 0.0)); return path("c.alg"); }},
        {"negative centre", [&] { writeFile(path("c.alg"), withValue(centre + 8 * 198, -50.0)); return path("c.alg"); }},
        {"infinite quality", [&] { writeFile(path("c.alg"), withValue(quality + 8 * 3, inf)); return path("c.alg"); }},
        {"zero quality", [&] { writeFile(path("c.alg"), withValue(quality, -0.0)); return path("c.alg"); }},
        {"NaN section gain", [&] { writeFile(path("c.alg"), withValue(peak + 8 * 100, nan)); return path("c.alg"); }},
        {"output gain +120 dB", [&] { writeFile(path("c.alg"), withValue(gain, 1e6)); return path("c.alg"); }},
        {"output gain 1e300", [&] { writeFile(path("c.alg"), withValue(gain, 1e300)); return path("c.alg"); }},
        {"output gain -1001", [&] { writeFile(path("c.alg"), withValue(gain, -1001.0)); return path("c.alg"); }},
        {"section gain above 999", [&] { writeFile(path("c.alg"), withValue(peak + 8 * 5, 999.01)); return path("c.alg"); }},
        {"section gain below the floor", [&] { writeFile(path("c.alg"), withValue(peak, -0.9991)); return path("c.alg"); }},
        {"section gain -3", [&] { writeFile(path("c.alg"), withValue(peak + 8 * 198, -3.0)); return path("c.alg"); }},
        {"a directory", [&] { std::filesystem::create_directory(path("dir.alg")); return path("dir.alg"); }},
#ifndef _WIN32
        {"a named pipe nobody writes to", [&] { ::mkfifo(path("pipe.alg").c_str(), 0600); return path("pipe.alg"); }},
        {"an endless device", [] { return std::string("/dev/zero"); }},
#else
        {"a device", [] { return std::string("NUL"); }},
#endif
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = c.make();
        const CorrectionSet before = designedLooking(12);
        CorrectionSet current = before;
        messages_.shown.clear();
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(readCorrectionFile(file, current, messages_), 1);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
        EXPECT_TRUE(sameValues(current, before));
        ASSERT_EQ(messages_.shown.size(), 1u);
        EXPECT_EQ(messages_.shown[0].text, "ALG file is damaged.");
    }
}

TEST_F(CorrectionFileOnDisk, OnlyTheLargestCorrectionsLengthIsReadAndTrailingBytesAreIgnored)
{
    std::vector<std::uint8_t> image = encodeCorrectionFile(designedLooking(200));
    image.resize(image.size() + (1 << 20), 0xEE);
    writeFile(path("long.alg"), image);
    CorrectionSet read;
    ASSERT_EQ(readCorrectionFile(path("long.alg"), read, messages_), 0);
    EXPECT_TRUE(sameValues(read, designedLooking(200)));
    EXPECT_EQ(kMaxCorrectionFileBytes, 4832u);
}

TEST_F(CorrectionFileOnDisk, ASaveReplacesTheOldFileWholeOrLeavesItAsItWas)
{
    ASSERT_TRUE(writeCorrectionFile(path("kept.alg"), designedLooking(199), messages_));
    const std::string old = fileBytes(path("kept.alg"));

    // A directory in the way is not replaced.
    std::filesystem::create_directory(path("folder.alg"));
    EXPECT_FALSE(writeCorrectionFile(path("folder.alg"), designedLooking(3), messages_));
    EXPECT_TRUE(std::filesystem::is_directory(path("folder.alg")));
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(messages_.shown[0].text, "CreateFile Error.");

#ifndef _WIN32
    // A reader that has the old file open still reads all of it.
    std::ifstream reader(path("kept.alg"), std::ios::binary);
    ASSERT_TRUE(writeCorrectionFile(path("kept.alg"), designedLooking(5), messages_));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(reader), {}), old);
    EXPECT_EQ(std::filesystem::file_size(path("kept.alg")), 32u + 24u * 5);

    // A write that fails part-way (the process may not write more than 1000
    // bytes) leaves the file that was there.
    const std::string five = fileBytes(path("kept.alg"));
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit small{1000, limit.rlim_max};
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = writeCorrectionFile(path("kept.alg"), designedLooking(199), messages_);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(written);
    EXPECT_EQ(messages_.shown.back().text, "WriteFile Error.");
    EXPECT_EQ(fileBytes(path("kept.alg")), five);
#endif
    // Nothing is left beside the destinations.
    EXPECT_EQ(filesIn(scratch_.path()), 2u);
}

TEST_F(CorrectionFileOnDisk, TheCodecSaysWhatIsWrongWithoutShowingIt)
{
    CorrectionSet current = designedLooking(3);
    const CorrectionFileResult missing = loadCorrectionFile(path("missing.alg"), current);
    EXPECT_EQ(missing.status, CorrectionFileStatus::CannotOpen);
    EXPECT_FALSE(missing.reason.empty());
    const CorrectionFileResult nan =
        decodeCorrectionFile(withValue(32 + 8 * 199 + 8 * 41, std::nan("")), current);
    EXPECT_EQ(nan.status, CorrectionFileStatus::Damaged);
    EXPECT_NE(nan.reason.find("quality"), std::string::npos) << nan.reason;
    EXPECT_NE(nan.reason.find("section 42"), std::string::npos) << nan.reason;
    const CorrectionFileResult cannot = saveCorrectionFile(path("no/such/folder/x.alg"), current);
    EXPECT_EQ(cannot.status, CorrectionFileStatus::CannotCreate);
    EXPECT_FALSE(cannot.reason.empty());
    EXPECT_TRUE(messages_.shown.empty());
    EXPECT_TRUE(sameValues(current, designedLooking(3)));
}

TEST_F(CorrectionFileOnDisk, FilesThatCannotBeOpenedOrCreatedAreReported)
{
    CorrectionSet current = designedLooking(3);
    EXPECT_EQ(readCorrectionFile(path("missing.alg"), current, messages_), 1);
    EXPECT_TRUE(sameValues(current, designedLooking(3)));
    EXPECT_FALSE(writeCorrectionFile(path("no/such/folder/x.alg"), current, messages_));
    ASSERT_EQ(messages_.shown.size(), 2u);
    EXPECT_EQ(messages_.shown[0].text, "CreateFile Error1.");
    EXPECT_EQ(messages_.shown[1].text, "CreateFile Error.");
    EXPECT_EQ(messages_.shown[1].caption, "Error");
    EXPECT_EQ(messages_.shown[1].icon, MessageIcon::Error);
}

}  // namespace
}  // namespace kestrava::test
