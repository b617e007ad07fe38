#include "measure/BlockProcessor.h"

#include "tests/support/AllocationCounter.h"
#include "tests/support/MonitorModePrinter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace kestrava::engine;
using namespace kestrava::audio;
using namespace kestrava::measure;

namespace kestrava::test {
namespace {

constexpr std::int32_t kFull = 2147483647;

class BlockProcessorTest : public ::testing::Test {
protected:
    std::unique_ptr<BlockProcessor> processor = std::make_unique<BlockProcessor>();
    StreamBlocks& blocks = processor->streamBlocks();

    void fillOutputs(std::int32_t value)
    {
        blocks.leftOut.fill(value);
        blocks.rightOut.fill(value);
    }
};

CorrectionSet passThrough(double outputGain)
{
    CorrectionSet set;
    set.sectionCount = 0;
    set.outputGain = outputGain;
    return set;
}

TEST(SaturateToInt32, ClampsAtTheSymmetricLimitsAndTruncates)
{
    EXPECT_EQ(saturateToInt32(3000000000.0), kFull);
    EXPECT_EQ(saturateToInt32(2147483647.0), kFull);
    EXPECT_EQ(saturateToInt32(-2147483648.0), -kFull);
    EXPECT_EQ(saturateToInt32(-1e300), -kFull);
    EXPECT_EQ(saturateToInt32(2.9), 2);
    EXPECT_EQ(saturateToInt32(-2.9), -2);
    EXPECT_EQ(saturateToInt32(std::nan("")), 0);
}

TEST(BlockProcessorVolume, SliderPositionsGiveTwentyDecibelsEachWay)
{
    EXPECT_DOUBLE_EQ(BlockProcessor::volumeForSliderPosition(0), 10.0);
    EXPECT_EQ(BlockProcessor::volumeForSliderPosition(50), 1.0);
    EXPECT_DOUBLE_EQ(BlockProcessor::volumeForSliderPosition(100), 0.1);
    EXPECT_DOUBLE_EQ(BlockProcessor::volumeForSliderPosition(25), std::pow(10.0, 10.0 / 20.0));
}

TEST_F(BlockProcessorTest, InitialControls)
{
    EXPECT_EQ(processor->monitorMode.load(), MonitorMode::Idle);
    EXPECT_EQ(processor->mainVolume.load(), 1.0);
    EXPECT_EQ(processor->pickupVolume.load(), 1.0);
    EXPECT_TRUE(processor->airEnabled.load());
}

TEST_F(BlockProcessorTest, IdleModeWritesNothing)
{
    blocks.blockLength = 64;
    blocks.micIn.fill(1000);
    blocks.pickupIn.fill(2000);
    fillOutputs(-77);
    processor->processBlock();
    for (int i = 0; i < 64; ++i) {
        ASSERT_EQ(blocks.leftOut[i], -77);
        ASSERT_EQ(blocks.rightOut[i], -77);
    }
}

// The meters see each input's loudest sample of the blocks since they last
// looked, while a mode other than idle runs; -2147483648 counts as full.
TEST_F(BlockProcessorTest, InputPeaksReachTheMetersOncePerLook)
{
    blocks.blockLength = 4;
    struct Block {
        MonitorMode mode;
        std::vector<std::int32_t> mic;
        std::vector<std::int32_t> pickup;
    };
    for (const Block& b : std::vector<Block>{{MonitorMode::Idle, {9, 9, 9, 9}, {9, 9, 9, 9}},
                                             {MonitorMode::Mic, {5, -700, 30, 0}, {1, 2, -3, 4}},
                                             {MonitorMode::Record, {600, 0, 0, 0}, {INT32_MIN, 0, 0, 0}}}) {
        processor->monitorMode.store(b.mode);
        std::copy(b.mic.begin(), b.mic.end(), blocks.micIn.begin());
        std::copy(b.pickup.begin(), b.pickup.end(), blocks.pickupIn.begin());
        processor->processBlock();
    }
    EXPECT_EQ(processor->micPeak.take(), 700);
    EXPECT_EQ(processor->pickupPeak.take(), INT32_MAX);
    EXPECT_EQ(processor->micPeak.take(), 0) << "taken once";
}

// A monitor mode plays its own input at its own volume on both sides and
// ignores the other input and the other volume.
struct MonitorCase {
    const char* name;
    MonitorMode mode;
    double mainVolume;
    double pickupVolume;
    std::vector<std::int32_t> heard;  // the mode's own input
    std::int32_t other;               // every sample of the other input
    std::vector<std::int32_t> expected;
};

void PrintTo(const MonitorCase& c, std::ostream* os)
{
    *os << c.name;
}

class MonitorTest : public BlockProcessorTest, public ::testing::WithParamInterface<MonitorCase> {};

TEST_P(MonitorTest, PlaysItsInputAtItsVolume)
{
    const MonitorCase& c = GetParam();
    processor->monitorMode = c.mode;
    processor->mainVolume = c.mainVolume;
    processor->pickupVolume = c.pickupVolume;
    const bool mic = c.mode == MonitorMode::Mic;
    (mic ? blocks.pickupIn : blocks.micIn).fill(c.other);
    blocks.blockLength = static_cast<std::int32_t>(c.heard.size());
    for (std::size_t i = 0; i < c.heard.size(); ++i) {
        (mic ? blocks.micIn : blocks.pickupIn)[i] = c.heard[i];
    }
    processor->processBlock();
    for (std::size_t i = 0; i < c.expected.size(); ++i) {
        EXPECT_EQ(blocks.leftOut[i], c.expected[i]) << i;
        EXPECT_EQ(blocks.rightOut[i], c.expected[i]) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    BlockProcessor, MonitorTest,
    ::testing::Values(
        MonitorCase{"MicSaturatesThreeHundredMillionAtPlusTwentyDecibels", MonitorMode::Mic, 10.0, 1.0,
                    {300000000, -300000000, 123, -214748364}, 0, {kFull, -kFull, 1230, -2147483640}},
        MonitorCase{"MicIgnoresPickupAndPickupVolume", MonitorMode::Mic, 0.5, 4.0, {1001, -1001, 7}, 555,
                    {500, -500, 3}},
        MonitorCase{"PickupIgnoresMicAndMainVolume", MonitorMode::Pickup, 10.0, 0.1, {1000, -300000000}, 999999,
                    {100, -30000000}}),
    [](const ::testing::TestParamInfo<MonitorCase>& info) { return std::string(info.param.name); });

TEST_F(BlockProcessorTest, ProcessedSoundIsSilentBeforeAnyCorrection)
{
    processor->monitorMode = MonitorMode::Processed;
    blocks.blockLength = 256;
    for (int i = 0; i < 256; ++i) {
        blocks.pickupIn[i] = (i % 2 ? 1 : -1) * 1000000 * i;
    }
    fillOutputs(99);
    processor->processBlock();
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(blocks.leftOut[i], 0);
        ASSERT_EQ(blocks.rightOut[i], 0);
    }
}

TEST_F(BlockProcessorTest, EmptyCorrectionWithoutAirReproducesThePickup)
{
    processor->setCorrection(passThrough(1.0));
    processor->monitorMode = MonitorMode::Processed;
    processor->airEnabled = false;
    blocks.blockLength = 5;
    const std::int32_t in[] = {kFull, -kFull, 0, 123456789, -1};
    for (int i = 0; i < 5; ++i) {
        blocks.pickupIn[i] = in[i];
    }
    blocks.micIn.fill(42);
    processor->processBlock();
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(blocks.leftOut[i], in[i]);
        EXPECT_EQ(blocks.rightOut[i], in[i]);
    }
}

TEST_F(BlockProcessorTest, ImpulseOfOneBillionThroughAir)
{
    processor->setCorrection(passThrough(1.0));
    processor->monitorMode = MonitorMode::Processed;
    std::vector<std::int32_t> left;
    std::vector<std::int32_t> right;
    blocks.blockLength = 500;
    for (int block = 0; block < 4; ++block) {
        blocks.pickupIn.fill(0);
        if (block == 0) {
            blocks.pickupIn[0] = 1000000000;
        }
        processor->processBlock();
        left.insert(left.end(), blocks.leftOut.begin(), blocks.leftOut.begin() + 500);
        right.insert(right.end(), blocks.rightOut.begin(), blocks.rightOut.begin() + 500);
    }
    EXPECT_EQ(left[0], 1000000000);
    EXPECT_EQ(right[0], 1000000000);
    for (int i = 1; i < 1100; ++i) {
        ASSERT_EQ(left[i], 0) << i;
        ASSERT_EQ(right[i], 0) << i;
    }
    EXPECT_EQ(right[1100], -2941224);
    EXPECT_EQ(left[1100], 0);
    int firstLeft = -1;
    for (int i = 1; i < 2000; ++i) {
        if (left[i] != 0) {
            firstLeft = i;
            break;
        }
    }
    EXPECT_EQ(firstLeft, 1900);
    EXPECT_EQ(left[1900], -4117714);
}

TEST_F(BlockProcessorTest, ProcessedSoundMatchesTheFilterScaledByGainAndVolume)
{
    CorrectionSet set;
    set.sectionCount = 3;
    set.outputGain = 0.8;
    const double centres[] = {100.0, 1000.0, 8000.0};
    for (int k = 0; k < 3; ++k) {
        set.centreHz[k] = centres[k];
        set.quality[k] = 2.0;
        set.peakGain[k] = 1.5 - k;
    }
    processor->setCorrection(set);
    processor->monitorMode = MonitorMode::Processed;
    processor->airEnabled = false;
    processor->mainVolume = 1.25;

    auto reference = std::make_unique<MeasurementFilter>();
    reference->setCorrection(set);
    reference->setVolume(1.25);

    blocks.blockLength = 300;
    for (int i = 0; i < 300; ++i) {
        blocks.pickupIn[i] = (i * 7919 % 2001 - 1000) * 1000000;
    }
    processor->processBlock();
    for (int i = 0; i < 300; ++i) {
        const std::int32_t expected = saturateToInt32(reference->processSample(blocks.pickupIn[i]));
        ASSERT_EQ(blocks.leftOut[i], expected) << i;
        ASSERT_EQ(blocks.rightOut[i], expected) << i;
    }
}

TEST_F(BlockProcessorTest, AirStandsStillWhileSwitchedOff)
{
    processor->setCorrection(passThrough(1.0));
    processor->monitorMode = MonitorMode::Processed;
    blocks.blockLength = 1;
    blocks.pickupIn[0] = 1000000000;
    processor->processBlock();
    blocks.pickupIn[0] = 0;
    processor->airEnabled = false;
    for (int i = 0; i < 5000; ++i) {
        processor->processBlock();
    }
    processor->airEnabled = true;
    // The tail resumes where it stopped: 1,099 more samples of silence, then
    // line 6 delivers the impulse to the right side.
    blocks.blockLength = 1100;
    processor->processBlock();
    for (int i = 0; i < 1099; ++i) {
        ASSERT_EQ(blocks.rightOut[i], 0) << i;
    }
    EXPECT_EQ(blocks.rightOut[1099], -2941224);
}

class RecordingTest : public BlockProcessorTest {
protected:
    std::vector<double> mic = std::vector<double>(2 * static_cast<std::size_t>(kRecordLength), 0.0);
    std::vector<double> pickup = std::vector<double>(2 * static_cast<std::size_t>(kRecordLength), 0.0);
    std::int32_t counter = 0;

    void SetUp() override { processor->prepareRecording(mic.data(), pickup.data(), kRecordLength); }

    // Fills the inputs with a running count (mic positive, pickup negative),
    // calls processBlock and checks that both outputs are silent.
    void recordBlock(std::int32_t n)
    {
        blocks.blockLength = n;
        for (std::int32_t i = 0; i < n; ++i) {
            ++counter;
            blocks.micIn[i] = counter;
            blocks.pickupIn[i] = -counter;
        }
        fillOutputs(31337);
        processor->processBlock();
        for (std::int32_t i = 0; i < n; ++i) {
            ASSERT_EQ(blocks.leftOut[i], 0);
            ASSERT_EQ(blocks.rightOut[i], 0);
        }
    }

    RecordState& state() { return processor->recordState(); }
};

TEST_F(RecordingTest, PrepareRecordingResetsTheStateAndSelectsModeFour)
{
    state().recordDone = true;
    state().clipLeft = true;
    state().recordPosition = 17;
    processor->monitorMode = MonitorMode::Mic;
    processor->prepareRecording(mic.data(), pickup.data(), kRecordLength);
    EXPECT_EQ(processor->monitorMode.load(), MonitorMode::Record);
    EXPECT_FALSE(state().recordDone.load());
    EXPECT_FALSE(state().clipLeft.load());
    EXPECT_EQ(state().recordPosition.load(), 0);
    EXPECT_EQ(state().recordLength.load(), kRecordLength);
}

TEST_F(RecordingTest, TwoThousandFortyEightBlocksOf512FillTheRecording)
{
    for (int call = 0; call < 2048; ++call) {
        ASSERT_FALSE(state().recordDone.load()) << call;
        recordBlock(512);
    }
    EXPECT_EQ(state().recordPosition.load(), 1048576);
    EXPECT_TRUE(state().recordDone.load());
    EXPECT_FALSE(state().clipLeft.load());
    EXPECT_FALSE(state().clipRight.load());
    for (std::size_t i = 0; i < static_cast<std::size_t>(kRecordLength); i += 4099) {
        ASSERT_EQ(mic[i], static_cast<double>(i + 1));
        ASSERT_EQ(pickup[i], -static_cast<double>(i + 1));
    }
    EXPECT_EQ(mic[kRecordLength - 1], 1048576.0);

    recordBlock(512);
    EXPECT_EQ(state().recordPosition.load(), 1048576);
    EXPECT_EQ(mic[kRecordLength], 0.0);
    EXPECT_EQ(mic[kRecordLength - 1], 1048576.0);
}

TEST_F(RecordingTest, BlockLengthThatDoesNotDivideTheLengthStoresOnlyTheRemainder)
{
    // 1,048,576 = 1,048 * 1,000 + 576.
    for (int call = 0; call < 1048; ++call) {
        recordBlock(1000);
    }
    EXPECT_EQ(state().recordPosition.load(), 1048000);
    EXPECT_FALSE(state().recordDone.load());
    recordBlock(1000);
    EXPECT_EQ(state().recordPosition.load(), 1048576);
    EXPECT_TRUE(state().recordDone.load());
    EXPECT_EQ(mic[kRecordLength - 1], 1048576.0);
    EXPECT_EQ(pickup[kRecordLength - 1], -1048576.0);
    // The samples after the remainder are dropped, not written past the real
    // half.
    EXPECT_EQ(mic[kRecordLength], 0.0);
    EXPECT_EQ(pickup[kRecordLength], 0.0);
}

TEST_F(RecordingTest, FullScaleMicrophoneSampleInTheThirdBlockEndsTheRecording)
{
    recordBlock(256);
    recordBlock(256);
    blocks.blockLength = 256;
    for (int i = 0; i < 256; ++i) {
        blocks.micIn[i] = 1000 + i;
        blocks.pickupIn[i] = -1000 - i;
    }
    blocks.micIn[100] = kFull;
    processor->processBlock();
    EXPECT_EQ(state().recordPosition.load(), 768);
    EXPECT_TRUE(state().clipLeft.load());
    EXPECT_FALSE(state().clipRight.load());
    EXPECT_TRUE(state().recordDone.load());
    // The whole third block is stored, the full-scale sample included.
    EXPECT_EQ(mic[512 + 100], static_cast<double>(kFull));
    EXPECT_EQ(mic[512 + 255], 1255.0);
    EXPECT_EQ(pickup[512 + 255], -1255.0);

    recordBlock(256);
    EXPECT_EQ(state().recordPosition.load(), 768);
    EXPECT_EQ(mic[768], 0.0);
}

TEST_F(RecordingTest, NegativeFullScalePickupSampleSetsClipRight)
{
    blocks.blockLength = 8;
    blocks.micIn.fill(0);
    blocks.pickupIn.fill(0);
    blocks.pickupIn[7] = -kFull;
    processor->processBlock();
    EXPECT_TRUE(state().clipRight.load());
    EXPECT_FALSE(state().clipLeft.load());
    EXPECT_TRUE(state().recordDone.load());
    EXPECT_EQ(state().recordPosition.load(), 8);
}

// Each format's full scale: a block just below it records on, then one sample
// at it ends the recording and marks its own side only.
struct FullScaleCase {
    const char* name;
    std::int32_t fullScale;  // 0: no format set yet
    std::vector<std::int32_t> mic;
    std::vector<std::int32_t> pickup;
    bool onMic;  // where the full-scale sample goes
    std::size_t at;
    std::int32_t value;
};

void PrintTo(const FullScaleCase& c, std::ostream* os)
{
    *os << c.name;
}

class FullScaleTest : public RecordingTest, public ::testing::WithParamInterface<FullScaleCase> {};

TEST_P(FullScaleTest, OnlyASampleAtFullScaleEndsTheRecording)
{
    const FullScaleCase& c = GetParam();
    if (c.fullScale != 0) {
        processor->setFullScale(c.fullScale);
    }
    blocks.blockLength = static_cast<std::int32_t>(c.mic.size());
    for (std::size_t i = 0; i < c.mic.size(); ++i) {
        blocks.micIn[i] = c.mic[i];
        blocks.pickupIn[i] = c.pickup[i];
    }
    processor->processBlock();
    EXPECT_FALSE(state().recordDone.load());

    (c.onMic ? blocks.micIn : blocks.pickupIn)[c.at] = c.value;
    processor->processBlock();
    EXPECT_EQ(state().clipLeft.load(), c.onMic);
    EXPECT_EQ(state().clipRight.load(), !c.onMic);
    EXPECT_TRUE(state().recordDone.load());
}

INSTANTIATE_TEST_SUITE_P(
    BlockProcessor, FullScaleTest,
    ::testing::Values(
        FullScaleCase{"WithoutAFormatOnlyTheExtremesCount", 0, {0x7FFF0000, kFull - 1}, {-kFull + 1, 0}, false, 1,
                      -2147483647 - 1},
        // A 16-bit sample at +32,767 arrives as 0x7FFF0000 and never reaches
        // the exact +-2147483647 test.
        FullScaleCase{"IntegerFormatsClipAtTheirOwnFullScale", 0x7FFF0000, {0x7FFEFFFF, -0x7FFEFFFF, 0}, {0, 0, 0},
                      true, 2, 0x7FFF0000},
        FullScaleCase{"FloatingPointFormatsClipAtOnePointZero", 32766, {32765, -32765}, {0, 0}, false, 1, -32766}),
    [](const ::testing::TestParamInfo<FullScaleCase>& info) { return std::string(info.param.name); });

TEST_F(BlockProcessorTest, SilenceInEveryRecordingCall)
{
    std::vector<double> mic(64, 0.0);
    std::vector<double> pickup(64, 0.0);
    processor->prepareRecording(mic.data(), pickup.data(), 32);
    blocks.blockLength = 24;
    blocks.micIn.fill(5);
    blocks.pickupIn.fill(6);
    for (int call = 0; call < 3; ++call) {
        fillOutputs(-1);
        processor->processBlock();
        for (int i = 0; i < 24; ++i) {
            ASSERT_EQ(blocks.leftOut[i], 0);
            ASSERT_EQ(blocks.rightOut[i], 0);
        }
        EXPECT_EQ(blocks.leftOut[24], -1);
    }
    EXPECT_EQ(processor->recordState().recordPosition.load(), 32);
    EXPECT_EQ(mic[31], 5.0);
    EXPECT_EQ(mic[32], 0.0);
}

TEST_F(BlockProcessorTest, OversizedBlockLengthIsHeldToTheBlocks)
{
    std::vector<double> mic(2 * 10000, 0.0);
    std::vector<double> pickup(2 * 10000, 0.0);
    processor->prepareRecording(mic.data(), pickup.data(), 10000);
    blocks.micIn.fill(3);
    blocks.pickupIn.fill(4);
    blocks.blockLength = 5000;
    processor->processBlock();
    EXPECT_EQ(processor->recordState().recordPosition.load(), kMaxBlockLength);
    EXPECT_EQ(mic[kMaxBlockLength - 1], 3.0);
    EXPECT_EQ(mic[kMaxBlockLength], 0.0);

    blocks.blockLength = -5;
    processor->processBlock();
    EXPECT_EQ(processor->recordState().recordPosition.load(), kMaxBlockLength);
}

TEST_F(BlockProcessorTest, NoModeAllocates)
{
    std::vector<double> mic(8192, 0.0);
    std::vector<double> pickup(8192, 0.0);
    processor->setCorrection(passThrough(1.0));
    blocks.blockLength = kMaxBlockLength;
    blocks.pickupIn.fill(1000);
    blocks.micIn.fill(1000);
    processor->processBlock();
    const std::uint64_t before = allocationsOnThisThread();
    for (const MonitorMode mode : {MonitorMode::Idle, MonitorMode::Mic, MonitorMode::Pickup, MonitorMode::Processed}) {
        processor->monitorMode = mode;
        processor->processBlock();
        processor->airEnabled = false;
        processor->processBlock();
        processor->airEnabled = true;
    }
    const std::uint64_t monitorAllocations = allocationsOnThisThread() - before;
    processor->prepareRecording(mic.data(), pickup.data(), 8192);
    const std::uint64_t beforeRecording = allocationsOnThisThread();
    processor->processBlock();
    processor->processBlock();
    processor->processBlock();
    EXPECT_EQ(monitorAllocations, 0u);
    EXPECT_EQ(allocationsOnThisThread() - beforeRecording, 0u);
    EXPECT_TRUE(processor->recordState().recordDone.load());
}

TEST_F(BlockProcessorTest, AnotherThreadReplacesTheCorrectionOnlyBetweenBlocks)
{
    processor->monitorMode = MonitorMode::Processed;
    processor->airEnabled = false;
    processor->setCorrection(passThrough(1.0));
    blocks.blockLength = 512;
    blocks.pickupIn.fill(1000);

    // The dialog publishes while blocks run, then waits for two more blocks
    // before its next change, so the processor is sure to meet both
    // corrections however the two threads are scheduled.
    std::atomic<bool> stop{false};
    std::atomic<int> blocksDone{0};
    std::thread dialog([&] {
        for (int k = 0; !stop.load(); ++k) {
            processor->setCorrection(passThrough(k % 2 ? 2.0 : 1.0));
            const int published = blocksDone.load();
            while (!stop.load() && blocksDone.load() < published + 2) {
                std::this_thread::yield();
            }
        }
    });
    int mixedBlocks = 0;
    int sawDouble = 0;
    int sawSingle = 0;
    for (int call = 0; call < 1000000 && (call < 4000 || sawDouble < 2 || sawSingle < 2); ++call) {
        processor->processBlock();
        blocksDone.fetch_add(1);
        const std::int32_t first = blocks.leftOut[0];
        sawDouble += first == 2000;
        sawSingle += first == 1000;
        for (int i = 0; i < 512; ++i) {
            if (blocks.leftOut[i] != first || (first != 1000 && first != 2000)) {
                ++mixedBlocks;
                break;
            }
        }
    }
    stop = true;
    dialog.join();
    EXPECT_EQ(mixedBlocks, 0);
    EXPECT_GE(sawDouble, 2);
    EXPECT_GE(sawSingle, 2);
}

}  // namespace
}  // namespace kestrava::test
