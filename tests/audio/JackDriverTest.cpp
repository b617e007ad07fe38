#include "audio/jack/JackDriver.h"

#include "audio/StreamSetup.h"
#include "audio/jack/LinuxDriverSource.h"
#include "tests/support/AllocationCounter.h"
#include "measure/BlockProcessor.h"
#include "support/MonitorModePrinter.h"
#include "support/SmallCorrection.h"
#include "JackHarness.h"

#include <gtest/gtest.h>
#include <jack/jack.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace kestrava::audio;
using namespace kestrava::engine;
using namespace kestrava::measure;

namespace kestrava::test {
namespace {


const auto* const environment = ::testing::AddGlobalTestEnvironment(new JackEnvironment);

const StreamConfiguration kJackStream{kJackDriverName, {}};

// What the converter and the way back make of a float sample passed through
// unchanged: in as trunc(f * 32,766), out divided by 32,767.
float throughTheStream(float f)
{
    const auto x = static_cast<std::int32_t>(f * 32766.0f);
    return static_cast<float>(x) / 32767.0f;
}

class JackDriverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(server, nullptr);
        ASSERT_TRUE(server->ready()) << "jackd did not start";
        source = std::make_unique<ListDriverSource>(std::vector<DriverEntry>{jackDriverEntry()});
        stream = std::make_unique<StreamSetup>(*source, *processor);
    }

    std::unique_ptr<BlockProcessor> processor = std::make_unique<BlockProcessor>();
    std::unique_ptr<ListDriverSource> source;
    std::unique_ptr<StreamSetup> stream;
};

TEST_F(JackDriverTest, ReportsTheServersFormatAndConnectsToThePhysicalPorts)
{
    ASSERT_TRUE(stream->startStream(kJackStream));
    EXPECT_EQ(stream->sampleRate(), 48000.0);
    EXPECT_EQ(stream->preferredBufferSize(), 256);
    EXPECT_GE(stream->inputChannelCount(), 2);
    EXPECT_GE(stream->outputChannelCount(), 2);
    EXPECT_EQ(stream->channelInfos()[0].type, ASIOSTFloat32LSB);
    EXPECT_STREQ(stream->channelInfos()[1].name, "in_2");
    EXPECT_FALSE(stream->postOutputReady());

    jack_status_t status{};
    jack_client_t* observer = jack_client_open("observer", JackNoStartServer, &status);
    ASSERT_NE(observer, nullptr);
    jack_port_t* in1 = jack_port_by_name(observer, "kestrava:in_1");
    jack_port_t* out2 = jack_port_by_name(observer, "kestrava:out_2");
    ASSERT_NE(in1, nullptr);
    ASSERT_NE(out2, nullptr);
    EXPECT_TRUE(jack_port_connected_to(in1, "system:capture_1"));
    EXPECT_TRUE(jack_port_connected_to(out2, "system:playback_2"));
    jack_client_close(observer);
    stream->stopStream();
}

// Records 24,000 frames and checks that, from the first sample of the signal
// on, the take is the signal frame after frame. Returns false, without
// judging, when the server reported a late cycle.
bool recordAndCheck(StreamSetup& stream, BlockProcessor& processor)
{
    TestClient client;
    EXPECT_TRUE(client.ok()) << "JACK status " << client.status;
    std::vector<double> mic(2 * 24000, 0.0);
    std::vector<double> pickup(2 * 24000, 0.0);
    processor.prepareRecording(mic.data(), pickup.data(), 24000);
    EXPECT_TRUE(stream.startStream(kJackStream));
    EXPECT_TRUE(client.connectTo("kestrava"));
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (!processor.recordState().recordDone.load() && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    stream.stopStream();
    if (client.xruns.load() > 0) {
        return false;
    }
    EXPECT_TRUE(processor.recordState().recordDone.load());
    EXPECT_FALSE(processor.recordState().clipLeft.load());

    // The first buffers may come before the connection.
    std::size_t start = 0;
    while (start < 24000 && mic[start] == 0.0) {
        ++start;
    }
    EXPECT_LT(start, 12000u);
    if (start >= 12000) {
        return true;
    }
    std::uint64_t frame = 0;
    bool found = false;
    for (std::uint64_t candidate = 0; candidate < 8191 && !found; ++candidate) {
        found = true;
        for (std::size_t i = 0; i < 32 && found; ++i) {
            found = mic[start + i] == static_cast<std::int32_t>(micSignal(candidate + i) * 32766.0f);
        }
        frame = candidate;
    }
    EXPECT_TRUE(found);
    for (std::size_t i = start; i < 24000 && found; ++i) {
        const std::uint64_t f = frame + (i - start);
        if (mic[i] != static_cast<std::int32_t>(micSignal(f) * 32766.0f) ||
            pickup[i] != static_cast<std::int32_t>(pickupSignal(f) * 32766.0f)) {
            ADD_FAILURE() << "take differs from the signal at sample " << i;
            break;
        }
    }
    return true;
}

TEST_F(JackDriverTest, RecordsWhatAnotherClientPlays)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (recordAndCheck(*stream, *processor)) {
            return;
        }
    }
    FAIL() << "every attempt had a late cycle";
}

float micThrough(std::uint64_t f) { return throughTheStream(micSignal(f)); }
float pickupThrough(std::uint64_t f) { return throughTheStream(pickupSignal(f)); }

// What both outputs carry at frame f in a mode, with an empty correction and
// "Air" off.
float expectedOutput(MonitorMode mode, std::uint64_t f)
{
    switch (mode) {
    case MonitorMode::Mic: return micThrough(f);
    case MonitorMode::Pickup:
    case MonitorMode::Processed: return pickupThrough(f);
    default: return 0.0f;
    }
}

class JackMonitorTest : public JackDriverTest, public ::testing::WithParamInterface<MonitorMode> {};

// Each mode's output leaves in the same cycle as its input came in: the
// listener hears frame t's result at frame t.
TEST_P(JackMonitorTest, OutputsCarryTheModeWithoutAddedLatency)
{
    CorrectionSet passThrough;
    passThrough.sectionCount = 0;
    passThrough.outputGain = 1.0;
    processor->setCorrection(passThrough);
    processor->airEnabled = false;
    std::vector<double> mic(2 * 48000, 0.0);
    std::vector<double> pickup(2 * 48000, 0.0);
    processor->prepareRecording(mic.data(), pickup.data(), 48000);
    processor->monitorMode = GetParam();
    for (int attempt = 0; attempt < 3; ++attempt) {
        TestClient client;
        ASSERT_TRUE(client.ok()) << "JACK status " << client.status;
        ASSERT_TRUE(stream->startStream(kJackStream));
        ASSERT_TRUE(client.connectTo("kestrava"));
        // Let the connections settle, then listen to a fresh stretch.
        ASSERT_TRUE(client.listenFor(4096));
        const int xrunsBefore = client.xruns.load();
        ASSERT_TRUE(client.listenFor(9600));
        stream->stopStream();
        if (client.xruns.load() != xrunsBefore) {
            continue;
        }
        for (std::size_t i = 0; i < client.heard(); ++i) {
            const std::uint64_t f = client.frameAt(i);
            ASSERT_EQ(client.left[i], expectedOutput(GetParam(), f)) << "frame " << f;
            ASSERT_EQ(client.right[i], expectedOutput(GetParam(), f)) << "frame " << f;
        }
        return;
    }
    FAIL() << "every attempt had a late cycle";
}

INSTANTIATE_TEST_SUITE_P(EveryMode, JackMonitorTest,
                         ::testing::Values(MonitorMode::Mic, MonitorMode::Pickup, MonitorMode::Processed, MonitorMode::Record));

// Passes each block to the processor and counts what JACK's thread allocated
// between one block and the next: the driver's copies, the converter, the
// stream's callbacks and JACK's own cycle.
class AllocationProbe final : public BlockClient {
public:
    explicit AllocationProbe(BlockProcessor& processor) : processor_(processor) {}
    StreamBlocks& streamBlocks() override { return processor_.streamBlocks(); }
    void setFullScale(std::int32_t fullScale) override { processor_.setFullScale(fullScale); }
    void processBlock() override
    {
        const std::uint64_t now = allocationsOnThisThread();
        if (calls.load() > 0) {
            between += now - last_;
        }
        processor_.processBlock();
        last_ = allocationsOnThisThread();
        ++calls;
    }

    std::atomic<int> calls{0};
    std::atomic<std::uint64_t> between{0};

private:
    BlockProcessor& processor_;
    std::uint64_t last_ = 0;
};

TEST_F(JackDriverTest, JacksThreadAllocatesNothingWhileStreaming)
{
    processor->setCorrection(smallCorrection(0.5, {{1000.0, 2.0, 1.0}}));
    processor->monitorMode = MonitorMode::Processed;
    AllocationProbe probe(*processor);
    StreamSetup probed(*source, probe);
    ASSERT_TRUE(probed.startStream(kJackStream));
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (probe.calls.load() < 100 && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    probed.stopStream();
    EXPECT_GE(probe.calls.load(), 100);
    EXPECT_EQ(probe.between.load(), 0u);
}

TEST(JackDriverRate, ServerAt44100GivesTheSampleRateMessage)
{
    const std::string name = "kestrava-test-44k-" + std::to_string(getpid());
    JackServer other(name, 44100);
    ASSERT_TRUE(other.ready());
    JackDriverOptions options;
    options.serverName = name;
    ListDriverSource source({jackDriverEntry(options)});
    auto processor = std::make_unique<BlockProcessor>();
    StreamSetup stream(source, *processor);
    EXPECT_EQ(stream.startStream(kJackStream).error, StreamError::SampleRateLocked);
    EXPECT_EQ(stream.catalog().currentId(), -1);
}

TEST(JackDriverServer, WithoutAServerInitFails)
{
    JackDriverOptions options;
    options.serverName = "kestrava-no-such-server";
    ListDriverSource source({jackDriverEntry(options)});
    DriverCatalog catalog(source);
    ASSERT_TRUE(catalog.loadDriverByName(kJackDriverName));
    ASIODriverInfo info{};
    EXPECT_EQ(catalog.initDriver(info), -1000);
    EXPECT_STREQ(info.errorMessage, "The JACK server is not running.");
}

TEST(LinuxDriverSource, ListsJackThenTheRecordedFile)
{
    ASSERT_TRUE(server != nullptr && server->ready());
    LinuxDriverSource source({}, {});
    DriverCatalog catalog(source);
    const std::vector<std::string> names = catalog.listDriverNames(kDriverListSlots);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0], "JACK");
    EXPECT_EQ(names[1], "Recorded File");
    ASSERT_TRUE(catalog.loadDriverByName("JACK"));
    ASIODriverInfo info{};
    EXPECT_EQ(catalog.initDriver(info), 0);
    EXPECT_STREQ(info.name, "JACK");
    ASSERT_TRUE(catalog.loadDriverByName("Recorded File"));
    EXPECT_EQ(catalog.currentId(), 1);
}

}  // namespace
}  // namespace kestrava::test
