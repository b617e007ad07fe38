// The measurement from the command line: record, monitor and drivers on the
// recorded-file driver, through the real stream, converter and block
// processor.
#include "apps/kestrava/AudioFile.h"
#include "apps/kestrava/Tool.h"
#include "audio/StreamSetup.h"
#include "corrfile/CorrectionFile.h"
#include "design/CaptureBuffer.h"
#include "ToolRun.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <ostream>
#include <string>
#include <vector>

using namespace kestrava::audio;
using namespace kestrava::corrfile;
using namespace kestrava::design;
using namespace kestrava::engine;

namespace kestrava::test {
namespace {

using namespace tool;

namespace fs = std::filesystem;

class MeasurementTest : public ToolTestBase {
protected:
    // A whole recording's worth of the test signals, microphone left.
    std::string fullTake(const WavFormat& format, double scale)
    {
        TwoSignals s = signals(kTransformSize);
        for (std::size_t i = 0; i < s.microphone.size(); ++i) {
            s.microphone[i] *= scale;
            s.pickup[i] *= scale;
        }
        return write("take.wav", format, {s.microphone, s.pickup});
    }

    ToolRun record(const std::string& take, const std::string& type, const std::string& bufferSize,
                   const std::string& output)
    {
        return kestrava({"record", "--driver", "Recorded File", "--input-file", take, "--sample-type", type,
                         "--buffer-size", bufferSize, "-o", output});
    }

    // Designs the take with `kestrava design` and with `kestrava record`
    // through the given sample type and buffer size; both files must agree
    // byte for byte.
    void expectRecordMatchesDesign(const std::string& take, const std::string& type, const std::string& bufferSize)
    {
        const ToolRun design = kestrava({"design", take, "-o", path("design.alg")});
        ASSERT_EQ(design.status, kExitOk) << design.err;
        const ToolRun recorded = record(take, type, bufferSize, path("record.alg"));
        ASSERT_EQ(recorded.status, kExitOk) << recorded.err;
        EXPECT_NE(recorded.out.find("Wrote " + path("record.alg")), std::string::npos) << recorded.out;
        const std::string expected = fileBytes(path("design.alg"));
        ASSERT_EQ(expected.size(), 4808u);
        EXPECT_TRUE(fileBytes(path("record.alg")) == expected) << type << " at " << bufferSize;
    }
};

struct Carrier {
    const char* type;
    const char* bufferSize;
};

void PrintTo(const Carrier& c, std::ostream* os)
{
    *os << c.type << " at " << c.bufferSize;
}

class SixteenBitTake : public MeasurementTest, public ::testing::WithParamInterface<Carrier> {};

// Every integer type carries a 16-bit sample exactly; the buffer sizes vary
// with them, 1,000 and 4,095 not dividing the recording's length.
TEST_P(SixteenBitTake, RecordedThroughTheStreamDesignsWhatTheFileDesigns)
{
    expectRecordMatchesDesign(fullTake({16}, 1.0), GetParam().type, GetParam().bufferSize);
}

INSTANTIATE_TEST_SUITE_P(
    EveryIntegerType, SixteenBitTake,
    ::testing::Values(Carrier{"Int16LSB", "1000"}, Carrier{"Int16LSB", "512"}, Carrier{"Int16LSB", "4096"},
                      Carrier{"Int16LSB", "1"}, Carrier{"Int24LSB", "4095"}, Carrier{"Int32LSB", "256"},
                      Carrier{"Int32LSB16", "1000"}, Carrier{"Int32LSB18", "333"}, Carrier{"Int32LSB20", "2048"},
                      Carrier{"Int32LSB24", "1000"}, Carrier{"Int16MSB", "1000"}, Carrier{"Int24MSB", "64"},
                      Carrier{"Int32MSB", "1000"}, Carrier{"Int32MSB16", "4000"}, Carrier{"Int32MSB18", "1000"},
                      Carrier{"Int32MSB20", "777"}, Carrier{"Int32MSB24", "1000"}),
    [](const ::testing::TestParamInfo<Carrier>& info) {
        return std::string(info.param.type) + "_" + info.param.bufferSize;
    });

TEST_F(MeasurementTest, TwentyFourBitTakeThroughTheTypesThatCarryIt)
{
    const std::string take = fullTake({24}, 256.0);
    for (const char* type : {"Int24LSB", "Int32MSB24", "Int32LSB"})
        expectRecordMatchesDesign(take, type, "1000");
}

TEST_F(MeasurementTest, FloatTakesThroughTheirOwnFloatTypes)
{
    const std::string take32 = fullTake({32, true}, 1.0 / 32768.0);
    expectRecordMatchesDesign(take32, "Float32LSB", "1000");
    expectRecordMatchesDesign(take32, "Float32MSB", "512");
    const std::string take64 = fullTake({64, true}, 1.0 / 32768.0);
    expectRecordMatchesDesign(take64, "Float64LSB", "1000");
    expectRecordMatchesDesign(take64, "Float64MSB", "4096");
}

TEST_F(MeasurementTest, ClippingGivesTheMessagesMicrophoneFirstAndNoFile)
{
    TwoSignals s = signals(4800);
    s.microphone[300] = -32768;
    s.pickup[200] = 32767;
    const std::string take = write("take.wav", {16}, {s.microphone, s.pickup});
    const ToolRun r = record(take, "Int16LSB", "512", path("x.alg"));
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_EQ(r.err, "Error: Clipping in the left channel.\nCheck the left input.;\n"
                     "Error: Clipping in the right channel.\nCheck the right input.;\n");
    EXPECT_FALSE(fs::exists(path("x.alg")));

    // A clip in a later block than the first one ends the recording there.
    s = signals(4800);
    s.pickup[100] = -32768;
    s.microphone[1000] = 32767;
    const ToolRun pickupOnly = record(write("pickup.wav", {16}, {s.microphone, s.pickup}), "Int24MSB", "512",
                                      path("y.alg"));
    EXPECT_EQ(pickupOnly.status, kExitFailure);
    EXPECT_EQ(pickupOnly.err, "Error: Clipping in the right channel.\nCheck the right input.;\n");
    EXPECT_FALSE(fs::exists(path("y.alg")));
}

TEST_F(MeasurementTest, StreamRefusalsComeAsTheStreamsMessages)
{
    const TwoSignals s = signals(4800);
    const std::string take = write("take.wav", {16}, {s.microphone, s.pickup});
    const ToolRun large = record(take, "Int16LSB", "4097", path("x.alg"));
    EXPECT_EQ(large.status, kExitFailure);
    EXPECT_EQ(large.err.rfind(std::string(kBufferTooLargeCaption) + "\n" + kBufferTooLargeText + "\n", 0), 0u)
        << large.err;

    const std::string slow = write("slow.wav", {16, false, false, 44100}, {s.microphone, s.pickup});
    const ToolRun locked = record(slow, "Int16LSB", "512", path("x.alg"));
    EXPECT_EQ(locked.status, kExitFailure);
    EXPECT_EQ(locked.err.rfind(std::string(kSampleRateLockedCaption) + "\n" + kSampleRateLockedText + "\n", 0), 0u)
        << locked.err;
    EXPECT_FALSE(fs::exists(path("x.alg")));
}

TEST_F(MeasurementTest, BadChoicesAreRefusedBeforeAnyStream)
{
    const TwoSignals s = signals(480);
    const std::string take = write("take.wav", {16}, {s.microphone, s.pickup});
    const std::vector<std::string> file = {"--driver", "Recorded File", "--input-file", take, "-o", path("x.alg")};
    const auto run = [&](std::vector<std::string> args, bool withFile = true) {
        if (withFile)
            args.insert(args.end(), file.begin(), file.end());
        return kestrava(args);
    };

    EXPECT_EQ(run({"record", "--mic-input", "3"}).status, kExitUsage);
    EXPECT_NE(run({"record", "--mic-input", "3"}).err.find("the driver has 2 input channel(s)"), std::string::npos);
    EXPECT_EQ(run({"record", "--pickup-input", "1"}).status, kExitUsage);
    EXPECT_EQ(run({"record", "--right-output", "0"}).status, kExitUsage);
    EXPECT_EQ(run({"record", "--left-output", "2", "--right-output", "2"}).status, kExitUsage);
    EXPECT_EQ(run({"record", "--sample-type", "Int12LSB"}).status, kExitUsage);
    EXPECT_EQ(run({"record", "--buffer-size", "0"}).status, kExitUsage);
    EXPECT_EQ(run({"record", "--driver", "Recorded File", "-o", path("x.alg")}, false).status, kExitUsage);
    EXPECT_EQ(run({"record", "-o", path("x.alg")}, false).status, kExitUsage);
    EXPECT_EQ(run({"record", "--driver", "Recorded File", "--input-file", take}, false).status, kExitUsage);

    const ToolRun unknown = run({"record", "--driver", "Nothing", "-o", path("x.alg")}, false);
    EXPECT_EQ(unknown.status, kExitFailure);
    EXPECT_NE(unknown.err.find("no driver named \"Nothing\""), std::string::npos) << unknown.err;
    const ToolRun missing = run({"record", "--driver", "Recorded File", "--input-file", path("none.wav"), "-o",
                                 path("x.alg")}, false);
    EXPECT_EQ(missing.status, kExitFailure);
    EXPECT_NE(missing.err.find("Recorded File is not available: cannot open"), std::string::npos) << missing.err;

    EXPECT_EQ(run({"monitor", "--source", "loud"}).status, kExitUsage);
    EXPECT_EQ(run({"monitor", "--source", "processed"}).status, kExitUsage);
    EXPECT_EQ(run({"monitor", "--source", "mic", "--volume", "21"}).status, kExitUsage);
    EXPECT_EQ(run({"monitor", "--source", "mic", "--volume", "-3dB"}).status, kExitUsage);
    EXPECT_EQ(run({"monitor", "--source", "mic", "--seconds", "0"}).status, kExitUsage);
    EXPECT_EQ(run({"monitor", "--source", "mic", "--air", "maybe"}).status, kExitUsage);
    EXPECT_FALSE(fs::exists(path("x.alg")));
}

TEST_F(MeasurementTest, DriversListsEveryDriverWithItsChannels)
{
    const TwoSignals s = signals(480);
    const std::string take = write("take.wav", {16}, {s.microphone, s.pickup, s.pickup});
    const ToolRun r = kestrava({"drivers", "--input-file", take});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    // The recorded file comes last; JACK before it where the build has it,
    // and on Windows whatever ASIO drivers are installed.
#ifndef _WIN32
    EXPECT_EQ(r.out.rfind("JACK\n", 0), 0u) << r.out;
#endif
    EXPECT_NE(r.out.find("Recorded File\n  input 1: File channel 1\n  input 2: File channel 2\n"
                         "  input 3: File channel 3\n  output 1: Output 1\n  output 2: Output 2\n"),
              std::string::npos)
        << r.out;

    const ToolRun without = kestrava({"drivers"});
    EXPECT_EQ(without.status, kExitOk);
    EXPECT_NE(without.out.find("Recorded File\n  inputs: the channels of the WAV file given with --input-file\n"),
              std::string::npos)
        << without.out;
}

struct MonitorCase {
    const char* source;
    const char* volume;
};

void PrintTo(const MonitorCase& c, std::ostream* os)
{
    *os << c.source << " at " << c.volume << " dB";
}

class MonitorThroughTheFileDriver : public MeasurementTest, public ::testing::WithParamInterface<MonitorCase> {};

// The driver writes what the outputs carried, in 16 bits: the source scaled
// by the volume in the processor's 32-bit blocks, then cut to its upper 16
// bits. The pass-through correction with Air off gives back the pickup.
TEST_P(MonitorThroughTheFileDriver, OutputsCarryTheChosenSource)
{
    const TwoSignals s = signals(24000);
    const std::string take = write("take.wav", {16}, {s.microphone, s.pickup});
    CorrectionSet passThrough;
    passThrough.sectionCount = 0;
    passThrough.outputGain = 1.0;
    StreamMessages messages(std::cerr);
    ASSERT_TRUE(writeCorrectionFile(path("pass.alg"), passThrough, messages));
    const ToolRun r = kestrava({"monitor", "--driver", "Recorded File", "--input-file", take, "--output-file",
                                path("out.wav"), "--sample-type", "Int16LSB", "--source", GetParam().source, "--alg",
                                path("pass.alg"), "--air", "off", "--volume", GetParam().volume, "--seconds", "0.3"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    WavData out;
    std::string error;
    ASSERT_TRUE(readAudioFile(path("out.wav"), out, error)) << error;
    ASSERT_EQ(out.channels.size(), 2u);
    ASSERT_GT(out.frames(), 0u);
    const std::vector<double>& in = std::string(GetParam().source) == "mic" ? s.microphone : s.pickup;
    double dB = 0.0;
    ASSERT_TRUE(parseNumber(GetParam().volume, dB));
    const double volume = std::pow(10.0, dB / 20.0);
    for (std::size_t i = 0; i < out.frames(); ++i) {
        const auto block = static_cast<std::int32_t>(in[i] * 65536.0 * volume);
        const double expected = static_cast<double>(block >> 16) / 32768.0;
        ASSERT_EQ(out.channels[0][i], expected) << "frame " << i;
        ASSERT_EQ(out.channels[1][i], expected) << "frame " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(EverySource, MonitorThroughTheFileDriver,
                         ::testing::Values(MonitorCase{"mic", "-6"}, MonitorCase{"pickup", "3.5"},
                                           MonitorCase{"processed", "0"}),
                         [](const ::testing::TestParamInfo<MonitorCase>& info) { return std::string(info.param.source); });

}  // namespace
}  // namespace kestrava::test
