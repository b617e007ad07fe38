#include "audio/StreamSetup.h"

#include "FakeDriver.h"
#include "measure/BlockProcessor.h"
#include "support/PassThroughClient.h"
#include "support/RecordingMessages.h"
#include "support/SmallCorrection.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace kestrava::audio;
using namespace kestrava::engine;
using namespace kestrava::measure;
using namespace kestrava::platform;

namespace kestrava::test {
namespace {


class StreamSetupTest : public ::testing::Test {
protected:
    std::shared_ptr<FakeDriverLog> log = std::make_shared<FakeDriverLog>();
    FakeDriverScript script;
    RecordingMessages messages;
    PassThroughClient client;
    std::unique_ptr<ListDriverSource> source;
    std::unique_ptr<StreamSetup> stream;
    StreamConfiguration configuration{"Fake Interface", {}};

    StreamSetup& makeStream(BlockClient& blockClient)
    {
        stream.reset();
        source = std::make_unique<ListDriverSource>(
            std::vector<DriverEntry>{{"Fake Interface", fakeDriverFactory(script, log)}});
        stream = std::make_unique<StreamSetup>(*source, blockClient);
        return *stream;
    }
    StreamSetup& makeStream() { return makeStream(client); }

    void expectReleasedWithoutBuffers()
    {
        EXPECT_EQ(log->liveInstances.load(), 0);
        EXPECT_FALSE(log->buffersAllocated.load());
        EXPECT_FALSE(stream->running());
    }
};

TEST_F(StreamSetupTest, StartsRunsAndStops)
{
    script.buffersToRun = 6;
    StreamSetup& s = makeStream();
    ASSERT_TRUE(s.startStream(configuration));
    EXPECT_TRUE(s.running());
    EXPECT_EQ(log->liveInstances.load(), 1);
    ASSERT_TRUE(log->waitForBuffers(6));
    s.stopStream();
    EXPECT_EQ(client.calls.load(), 6);
    EXPECT_EQ(client.fullScale, 0x7FFF0000);
    EXPECT_EQ(s.preferredBufferSize(), 256);
    EXPECT_EQ(s.channelInfos()[1].channel, 1);
    EXPECT_EQ(s.channelInfos()[2].isInput, ASIOFalse);
    EXPECT_EQ(log->setSampleRateCalls.load(), 0);
    expectReleasedWithoutBuffers();
}

TEST_F(StreamSetupTest, EachStartLoadsTheDriverAfresh)
{
    script.buffersToRun = 1;
    StreamSetup& s = makeStream();
    for (int round = 1; round <= 3; ++round) {
        ASSERT_TRUE(s.startStream(configuration));
        ASSERT_TRUE(log->waitForBuffers(round));
        s.stopStream();
        EXPECT_EQ(log->created.load(), round);
        EXPECT_EQ(log->liveInstances.load(), 0);
    }
}

TEST_F(StreamSetupTest, InputsReachTheProcessorAndOutputsTheDriver)
{
    script.buffersToRun = 5;
    script.sampleType = ASIOSTInt32MSB;
    script.inputs = 4;
    script.outputs = 4;
    script.input = [](std::int32_t channel, std::int64_t frame) {
        return static_cast<std::int32_t>(channel * 1000000 + frame * 3 - 700);
    };
    StreamSetup& s = makeStream();
    configuration.channels = {3, 2, 1, 0};
    ASSERT_TRUE(s.startStream(configuration));
    ASSERT_TRUE(log->waitForBuffers(5));
    s.stopStream();
    const std::vector<std::int32_t>& left = log->outputs[1];
    const std::vector<std::int32_t>& right = log->outputs[0];
    ASSERT_EQ(left.size(), 5u * 256u);
    ASSERT_EQ(right.size(), 5u * 256u);
    for (std::size_t i = 0; i < left.size(); ++i) {
        ASSERT_EQ(left[i], static_cast<std::int32_t>(3000000 + 3 * i - 700)) << i;
        ASSERT_EQ(right[i], static_cast<std::int32_t>(2000000 + 3 * i - 700)) << i;
    }
}

TEST_F(StreamSetupTest, MicMonitorRepeatsTheMicrophoneBitForBit)
{
    script.buffersToRun = 8;
    script.preferredSize = 512;
    script.input = [](std::int32_t channel, std::int64_t frame) {
        const auto v = static_cast<std::uint32_t>(frame * 2654435761u + static_cast<std::uint32_t>(channel));
        return static_cast<std::int32_t>(v);
    };
    auto processor = std::make_unique<BlockProcessor>();
    processor->monitorMode = MonitorMode::Mic;
    StreamSetup& s = makeStream(*processor);
    ASSERT_TRUE(s.startStream(configuration));
    ASSERT_TRUE(log->waitForBuffers(8));
    s.stopStream();
    ASSERT_EQ(log->outputs[0].size(), 8u * 512u);
    for (std::size_t i = 0; i < log->outputs[0].size(); ++i) {
        const std::int32_t mic = script.input(0, static_cast<std::int64_t>(i));
        const std::int32_t expected = mic == -2147483647 - 1 ? -2147483647 : mic;
        ASSERT_EQ(log->outputs[0][i], expected) << i;
        ASSERT_EQ(log->outputs[1][i], expected) << i;
    }
}

TEST_F(StreamSetupTest, CallbackThreadAllocatesNothing)
{
    script.buffersToRun = 20;
    script.preferredSize = 1024;
    script.sampleType = ASIOSTFloat32LSB;
    auto processor = std::make_unique<BlockProcessor>();
    processor->setCorrection(smallCorrection(0.5, {{300.0, 3.0, 2.0}, {3000.0, 1.0, -0.5}}));
    processor->monitorMode = MonitorMode::Processed;
    StreamSetup& s = makeStream(*processor);
    ASSERT_TRUE(s.startStream(configuration));
    ASSERT_TRUE(log->waitForBuffers(20));
    s.stopStream();
    EXPECT_EQ(log->callbackAllocations.load(), 0u);
    EXPECT_EQ(log->outputs[0].size(), 20u * 1024u);
}

TEST_F(StreamSetupTest, RecordingASixteenBitTakeStopsAtItsOwnFullScale)
{
    script.sampleType = ASIOSTInt16LSB;
    script.buffersToRun = 10;
    script.preferredSize = 128;
    // The pickup reaches +32,767 at frame 300, in the third buffer.
    script.input = [](std::int32_t channel, std::int64_t frame) {
        if (channel == 1 && frame == 300) {
            return 0x7FFF0000;
        }
        return static_cast<std::int32_t>((frame % 100) << 16);
    };
    auto processor = std::make_unique<BlockProcessor>();
    std::vector<double> mic(2 * 4096, 0.0);
    std::vector<double> pickup(2 * 4096, 0.0);
    processor->prepareRecording(mic.data(), pickup.data(), 4096);
    StreamSetup& s = makeStream(*processor);
    ASSERT_TRUE(s.startStream(configuration));
    ASSERT_TRUE(log->waitForBuffers(10));
    s.stopStream();
    const RecordState& state = processor->recordState();
    EXPECT_TRUE(state.recordDone.load());
    EXPECT_TRUE(state.clipRight.load());
    EXPECT_FALSE(state.clipLeft.load());
    EXPECT_EQ(state.recordPosition.load(), 384);
    EXPECT_EQ(mic[299], static_cast<double>(99 << 16));
    EXPECT_EQ(pickup[300], static_cast<double>(0x7FFF0000));
    for (std::int32_t v : log->outputs[0]) {
        ASSERT_EQ(v, 0);
    }
}

TEST_F(StreamSetupTest, UnsupportedSampleTypeNeverCallsTheProcessorButStillAcknowledges)
{
    script.sampleType = 21;
    script.buffersToRun = 3;
    StreamSetup& s = makeStream();
    ASSERT_TRUE(s.startStream(configuration));
    ASSERT_TRUE(log->waitForBuffers(3));
    s.stopStream();
    EXPECT_EQ(client.calls.load(), 0);
    EXPECT_EQ(log->outputReadyCalls.load(), 4);
}

TEST_F(StreamSetupTest, RatesWithinOnePercentStartUnchanged)
{
    for (double rate : {47520.0, 48000.0, 48480.0}) {
        script.sampleRate = rate;
        StreamSetup& s = makeStream();
        ASSERT_TRUE(s.startStream(configuration)) << rate;
        s.stopStream();
        EXPECT_EQ(log->setSampleRateCalls.load(), 0) << rate;
        EXPECT_EQ(s.sampleRate(), rate);
    }
}

TEST_F(StreamSetupTest, DriverAt44100ThatAcceptsTheChangeStarts)
{
    script.sampleRate = 44100.0;
    StreamSetup& s = makeStream();
    ASSERT_TRUE(s.startStream(configuration));
    s.stopStream();
    EXPECT_EQ(log->setSampleRateCalls.load(), 1);
}

TEST_F(StreamSetupTest, LockedSampleRateShowsItsMessageAndReleases)
{
    for (double rate : {44100.0, 47519.0, 48481.0}) {
        script.sampleRate = rate;
        script.acceptsSampleRateChange = false;
        messages.shown.clear();
        StreamSetup& s = makeStream();
        const StreamStart refused = s.startStream(configuration);
        EXPECT_EQ(refused.error, StreamError::SampleRateLocked);
        reportStreamError(refused.error, messages);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text,
                  "Can't set the sampling rate.\nPlease set it manually to 48000 Hz in your driver's control panel.");
        EXPECT_EQ(messages.shown[0].caption, "Sampling Rate Locked");
        EXPECT_EQ(messages.shown[0].icon, MessageIcon::Information);
        expectReleasedWithoutBuffers();
    }
}

TEST_F(StreamSetupTest, BufferOf4096IsAcceptedAnd4097Refused)
{
    script.preferredSize = 4096;
    StreamSetup& s = makeStream();
    ASSERT_TRUE(s.startStream(configuration));
    s.stopStream();

    script.preferredSize = 4097;
    const StreamStart refused = makeStream().startStream(configuration);
    EXPECT_EQ(refused.error, StreamError::BufferTooLarge);
    reportStreamError(refused.error, messages);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Buffer size is too large.");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Information);
    EXPECT_NE(messages.shown[0].text.find("4096"), std::string::npos);
    expectReleasedWithoutBuffers();
}

// The numbers callers have always been given.
std::int32_t code(StreamError error)
{
    return static_cast<std::int32_t>(error);
}

TEST_F(StreamSetupTest, CheckStreamFormatCodes)
{
    StreamSetup& s = makeStream();
    EXPECT_EQ(code(s.checkStreamFormat()), -1);
    EXPECT_EQ(s.inputChannelCount(), 0);
    EXPECT_EQ(s.createStreamBuffers(configuration.channels), -1000);
    for (const auto& [operation, expected] : std::vector<std::pair<std::string, std::int32_t>>{
             {"getChannels", -1}, {"getBufferSize", -2}, {"getSampleRate", -3}}) {
        script.failures = {{operation, ASE_HWMalfunction}};
        StreamSetup& failing = makeStream();
        ASSERT_TRUE(failing.catalog().loadDriverByName("Fake Interface"));
        EXPECT_EQ(code(failing.checkStreamFormat()), expected) << operation;
    }
    script.failures.clear();
    script.preferredSize = 5000;
    StreamSetup& large = makeStream();
    ASSERT_TRUE(large.catalog().loadDriverByName("Fake Interface"));
    EXPECT_EQ(code(large.checkStreamFormat()), -6);
    script.preferredSize = 256;
    script.sampleRate = 96000.0;
    script.acceptsSampleRateChange = false;
    StreamSetup& locked = makeStream();
    ASSERT_TRUE(locked.catalog().loadDriverByName("Fake Interface"));
    EXPECT_EQ(code(locked.checkStreamFormat()), -5);
}

TEST_F(StreamSetupTest, OutputReadyOnlyWhenTheDriverWantsIt)
{
    script.buffersToRun = 7;
    script.outputReadyResult = ASE_NotPresent;
    StreamSetup& s = makeStream();
    ASSERT_TRUE(s.startStream(configuration));
    EXPECT_FALSE(s.postOutputReady());
    ASSERT_TRUE(log->waitForBuffers(7));
    s.stopStream();
    EXPECT_EQ(log->outputReadyCalls.load(), 1);

    script.outputReadyResult = ASE_OK;
    log->outputReadyCalls = 0;
    log->buffersDone = 0;
    StreamSetup& wants = makeStream();
    ASSERT_TRUE(wants.startStream(configuration));
    EXPECT_TRUE(wants.postOutputReady());
    ASSERT_TRUE(log->waitForBuffers(7));
    wants.stopStream();
    EXPECT_EQ(log->outputReadyCalls.load(), 8);
}

TEST_F(StreamSetupTest, BufferSwitchWithoutSamplePositionStillProcesses)
{
    script.buffersToRun = 3;
    script.failures["getSamplePosition"] = ASE_SPNotAdvancing;
    StreamSetup& s = makeStream();
    ASSERT_TRUE(s.startStream(configuration));
    ASSERT_TRUE(log->waitForBuffers(3));
    s.stopStream();
    EXPECT_EQ(client.calls.load(), 3);
}

TEST_F(StreamSetupTest, DriverCallingTimeInfoDirectlyIsHandledTheSame)
{
    script.buffersToRun = 3;
    script.usesTimeInfo = true;
    StreamSetup& s = makeStream();
    ASSERT_TRUE(s.startStream(configuration));
    ASSERT_TRUE(log->waitForBuffers(3));
    s.stopStream();
    EXPECT_EQ(client.calls.load(), 3);
    EXPECT_EQ(log->outputs[0].size(), 3u * 256u);
}

TEST_F(StreamSetupTest, ChannelBeyondTheDriversInputsFailsQuietly)
{
    StreamSetup& s = makeStream();
    configuration.channels.pickupInput = 2;
    const StreamStart refused = s.startStream(configuration);
    EXPECT_EQ(refused.error, StreamError::DriverFailed);
    reportStreamError(refused.error, messages);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(log->called("createBuffers"));
    expectReleasedWithoutBuffers();
}

TEST_F(StreamSetupTest, MissingDriverFailsWithoutLoading)
{
    StreamSetup& s = makeStream();
    configuration.driverName = "Other Interface";
    EXPECT_EQ(s.startStream(configuration).error, StreamError::DriverFailed);
    EXPECT_EQ(log->created.load(), 0);
}

class StreamFailureTest : public StreamSetupTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(StreamFailureTest, EveryFailureReleasesTheDriverAndLeavesNoBuffers)
{
    script.failures[GetParam()] = ASE_HWMalfunction;
    StreamSetup& s = makeStream();
    const StreamStart refused = s.startStream(configuration);
    EXPECT_FALSE(refused);
    reportStreamError(refused.error, messages);
    EXPECT_TRUE(messages.shown.empty()) << "no reason the user could act on";
    EXPECT_EQ(log->created.load(), 1);
    EXPECT_EQ(client.calls.load(), 0);
    expectReleasedWithoutBuffers();
}

INSTANTIATE_TEST_SUITE_P(AnyCall, StreamFailureTest,
                         ::testing::Values("init", "getChannels", "getBufferSize", "getSampleRate",
                                           "createBuffers", "getChannelInfo", "getLatencies", "start"));

TEST(StreamCallbacks, AsioMessageAnswers)
{
    EXPECT_EQ(StreamSetup::asioMessage(1, 4, nullptr, nullptr), 0);
    EXPECT_EQ(StreamSetup::asioMessage(1, 10, nullptr, nullptr), 1);
    EXPECT_EQ(StreamSetup::asioMessage(10, 0, nullptr, nullptr), 0);
    const int supported[] = {0, 0, 1, 1, 0, 1, 1, 1, 1, 0, 1, 0};
    for (int value = 0; value < 12; ++value) {
        EXPECT_EQ(StreamSetup::asioMessage(1, value, nullptr, nullptr), supported[value]) << value;
    }
    EXPECT_EQ(StreamSetup::asioMessage(2, 0, nullptr, nullptr), 2);
    EXPECT_EQ(StreamSetup::asioMessage(3, 0, nullptr, nullptr), 1);
    EXPECT_EQ(StreamSetup::asioMessage(4, 0, nullptr, nullptr), 0);
    EXPECT_EQ(StreamSetup::asioMessage(5, 0, nullptr, nullptr), 1);
    EXPECT_EQ(StreamSetup::asioMessage(6, 0, nullptr, nullptr), 1);
    EXPECT_EQ(StreamSetup::asioMessage(7, 0, nullptr, nullptr), 1);
    EXPECT_EQ(StreamSetup::asioMessage(8, 0, nullptr, nullptr), 0);
    EXPECT_EQ(StreamSetup::asioMessage(9, 0, nullptr, nullptr), 0);
}

TEST(StreamCallbacks, WithoutARunningStreamTheyDoNothing)
{
    StreamSetup::bufferSwitch(0, ASIOFalse);
    EXPECT_EQ(StreamSetup::bufferSwitchTimeInfo(nullptr, 1, ASIOTrue), nullptr);
    StreamSetup::sampleRateDidChange(44100.0);
}

}  // namespace
}  // namespace kestrava::test
