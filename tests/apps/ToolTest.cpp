// The kestrava tool run in-process on small generated files.
#include "apps/kestrava/AudioFile.h"
#include "apps/kestrava/Resample.h"
#include "apps/kestrava/Tool.h"
#include "corrfile/CorrectionFile.h"
#include "design/BandAnalysis.h"
#include "engine/CorrectionFilter.h"
#include "ToolRun.h"
#include "tests/support/RecordingMessages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

using namespace kestrava::audio;
using namespace kestrava::corrfile;
using namespace kestrava::design;
using namespace kestrava::engine;
using namespace kestrava::platform;

namespace kestrava::test {
namespace {

using namespace tool;

namespace fs = std::filesystem;


class ToolTest : public ToolTestBase {};

TEST_F(ToolTest, HelpListsEveryCommandAndEachHasItsOwn)
{
    const ToolRun help = kestrava({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* name : {"design", "render", "inspect", "demo", "drivers", "record", "monitor"}) {
        EXPECT_NE(help.out.find(name), std::string::npos) << name;
        const ToolRun own = kestrava({name, "--help"});
        EXPECT_EQ(own.status, 0) << name;
        EXPECT_EQ(own.out.rfind("Usage: kestrava " + std::string(name), 0), 0u) << name;
    }
    EXPECT_EQ(kestrava({}).status, kExitUsage);
    EXPECT_EQ(kestrava({"frobnicate"}).status, kExitUsage);
    EXPECT_EQ(kestrava({"design", "--bogus"}).status, kExitUsage);
    EXPECT_EQ(kestrava({"design", "take.wav"}).status, kExitUsage);
}

TEST_F(ToolTest, DesignInspectRenderRoundTrip)
{
    const TwoSignals s = signals(48000);
    const std::string mic = write("mic.wav", {16}, {s.microphone});
    const std::string pickup = write("pickup.wav", {16}, {s.pickup});
    const ToolRun design = kestrava({"design", "--mic", mic, "--pickup", pickup, "-o", path("out.alg"), "--report",
                                 path("out.svg")});
    ASSERT_EQ(design.status, 0) << design.err;
    EXPECT_NE(design.err.find("Note: the microphone recording is 1.00 s long"), std::string::npos) << design.err;
    EXPECT_EQ(fs::file_size(path("out.alg")), 4808u);

    std::ifstream svg(path("out.svg"));
    const std::string report((std::istreambuf_iterator<char>(svg)), std::istreambuf_iterator<char>());
    EXPECT_EQ(report.rfind("<svg", 0), 0u);
    EXPECT_NE(report.find("passes, largest remaining band error"), std::string::npos);
    std::size_t curves = 0;
    for (std::size_t at = report.find("<polyline"); at != std::string::npos; at = report.find("<polyline", at + 1))
        ++curves;
    EXPECT_EQ(curves, 4u);
    EXPECT_EQ(report.find("nan"), std::string::npos);

    const ToolRun inspect = kestrava({"inspect", path("out.alg")});
    ASSERT_EQ(inspect.status, 0) << inspect.err;
    EXPECT_NE(inspect.out.find("Sections: 199"), std::string::npos);
    EXPECT_EQ(std::count(inspect.out.begin(), inspect.out.end(), '\n'), 3 + 1 + 199);
    const ToolRun json = kestrava({"inspect", path("out.alg"), "--json"});
    ASSERT_EQ(json.status, 0);
    EXPECT_NE(json.out.find("\"sectionCount\": 199"), std::string::npos);
    EXPECT_EQ(std::count(json.out.begin(), json.out.end(), '{'), 200);

    const ToolRun render = kestrava({"render", "--alg", path("out.alg"), "--air", "off", pickup, path("out.wav")});
    ASSERT_EQ(render.status, 0) << render.err;
    WavData rendered;
    std::string error;
    ASSERT_TRUE(readAudioFile(path("out.wav"), rendered, error)) << error;
    ASSERT_EQ(rendered.channels.size(), 2u);
    ASSERT_EQ(rendered.channels[0].size(), s.pickup.size());
    EXPECT_TRUE(rendered.floatingPoint);
    EXPECT_EQ(rendered.bitsPerSample, 32);
    EXPECT_EQ(rendered.channels[0], rendered.channels[1]);

    // The same correction run directly through the plug-in's filter.
    RecordingMessages quiet;
    CorrectionSet correction;
    ASSERT_EQ(readCorrectionFile(path("out.alg"), correction, quiet), 0);
    const auto filter = std::make_unique<CorrectionFilter>();
    filter->setSampleRate(48000.0);
    filter->setCorrection(correction);
    for (std::size_t i = 0; i < 2000; ++i) {
        const float expected = static_cast<float>(filter->processSample(s.pickup[i] / 32768.0));
        ASSERT_EQ(static_cast<float>(rendered.channels[0][i]), expected) << i;
    }

    const ToolRun withAir = kestrava({"render", "--alg", path("out.alg"), pickup, path("air.wav")});
    ASSERT_EQ(withAir.status, 0) << withAir.err;
    WavData airy;
    ASSERT_TRUE(readAudioFile(path("air.wav"), airy, error));
    EXPECT_NE(airy.channels[0], airy.channels[1]);
}

TEST_F(ToolTest, OneTwoChannelTakeGivesTheSameCorrectionAsTwoFiles)
{
    const TwoSignals s = signals(24000);
    const std::string mic = write("mic.wav", {16}, {s.microphone});
    const std::string pickup = write("pickup.wav", {16}, {s.pickup});
    const std::string take = write("take.wav", {16}, {s.pickup, s.microphone});
    ASSERT_EQ(kestrava({"design", "--mic", mic, "--pickup", pickup, "-o", path("a.alg")}).status, 0);
    const ToolRun swapped = kestrava({"design", take, "--mic-channel", "2", "--pickup-channel", "1", "-o", path("b.alg")});
    ASSERT_EQ(swapped.status, 0) << swapped.err;
    EXPECT_EQ(fileBytes(path("a.alg")), fileBytes(path("b.alg")));
    const ToolRun missing = kestrava({"design", take, "--pickup-channel", "3", "-o", path("c.alg")});
    EXPECT_EQ(missing.status, kExitFailure);
    EXPECT_NE(missing.err.find("does not exist"), std::string::npos);
}

TEST_F(ToolTest, BadAndMissingFilesFailWithAReason)
{
    std::ofstream(path("bad.wav")) << "this is not audio";
    const ToolRun bad = kestrava({"design", "--mic", path("bad.wav"), "--pickup", path("bad.wav"), "-o", path("x.alg")});
    EXPECT_EQ(bad.status, kExitFailure);
    EXPECT_NE(bad.err.find("not a WAV file"), std::string::npos) << bad.err;
    const ToolRun missing = kestrava({"design", path("nowhere.wav"), "-o", path("x.alg")});
    EXPECT_EQ(missing.status, kExitFailure);
    EXPECT_NE(missing.err.find("cannot open"), std::string::npos) << missing.err;
    EXPECT_FALSE(fs::exists(path("x.alg")));

    const ToolRun noAlg = kestrava({"inspect", path("nowhere.alg")});
    EXPECT_EQ(noAlg.status, kExitFailure);
    // The system's text first, then the file and the system's reason.
    const std::string named = "CreateFile Error1.\nkestrava inspect: " + path("nowhere.alg") + ": ";
    EXPECT_EQ(noAlg.err.rfind(named, 0), 0u) << noAlg.err;
    EXPECT_GT(noAlg.err.size(), named.size() + 5);
    std::ofstream(path("damaged.alg")) << "garbage that is no correction";
    const ToolRun damaged = kestrava({"render", "--alg", path("damaged.alg"), path("bad.wav"), path("o.wav")});
    EXPECT_EQ(damaged.status, kExitFailure);
    EXPECT_EQ(damaged.err.substr(0, damaged.err.find('\n', 21) + 1),
              "ALG file is damaged.\nkestrava render: " + path("damaged.alg") + ": it is not a correction file\n");
}

TEST_F(ToolTest, InspectShowsEveryGainReadablyWithItsLevel)
{
    for (const auto& [gain, shown] : {std::pair{1000.0, "1000 (+60.00 dB)"}, {1e-300, "1e-300 (-6000.00 dB)"},
                                      {-0.5, "-0.5 (-6.02 dB)"}, {0.0, "0 (silence)"}}) {
        CorrectionSet set;
        set.outputGain = gain;
        writeFile(path("g.alg"), corrfile::encodeCorrectionFile(set));
        EXPECT_NE(kestrava({"inspect", path("g.alg")}).out.find(std::string("Output gain: ") + shown + "\n"),
                  std::string::npos) << shown;
    }
}

TEST_F(ToolTest, ClippedTakeGivesTheClippingMessagesAndNoCorrection)
{
    TwoSignals s = signals(4800);
    s.microphone[100] = -32768;
    s.pickup[200] = 32767;
    const std::string take = write("take.wav", {16}, {s.microphone, s.pickup});
    const ToolRun r = kestrava({"design", take, "-o", path("x.alg")});
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_EQ(r.err.substr(r.err.find("Error:")),
              "Error: Clipping in the left channel.\nCheck the left input.;\n"
              "Error: Clipping in the right channel.\nCheck the right input.;\n");
    EXPECT_FALSE(fs::exists(path("x.alg")));
}

TEST_F(ToolTest, SilentPickupGivesAMessageAndNoCorrection)
{
    const TwoSignals s = signals(4800);
    const std::string take = write("take.wav", {16}, {s.microphone, std::vector<double>(4800, 0.0)});
    const ToolRun r = kestrava({"design", take, "-o", path("x.alg")});
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_NE(r.err.find(kSilentPickupText), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(path("x.alg")));
}

TEST_F(ToolTest, TakeAt44100HzIsConvertedOrRefused)
{
    const TwoSignals s = signals(44100);
    const std::string take = write("take.wav", {24, false, false, 44100}, {s.microphone, s.pickup});
    const ToolRun r = kestrava({"design", take, "-o", path("x.alg")});
    if (canResample()) {
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.err.find("is at 44100 Hz; converted to 48000 Hz with libsamplerate's best converter"),
                  std::string::npos)
            << r.err;
        EXPECT_TRUE(fs::exists(path("x.alg")));
    } else {
        EXPECT_EQ(r.status, kExitFailure);
        EXPECT_NE(r.err.find("cannot convert sample rates"), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(path("x.alg")));
    }
}

TEST_F(ToolTest, DemoWritesItsFilesAndBringsThePickupCloserToTheMicrophone)
{
    const ToolRun r = kestrava({"demo", "--out", path("demo")});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* name : {"demo-take.wav", "demo-report.svg", "demo-corrected.wav"})
        EXPECT_GT(fs::file_size(path("demo/") + name), 1000u) << name;
    EXPECT_EQ(fs::file_size(path("demo/demo.alg")), 4808u);
    double before = 0.0;
    double largestBefore = 0.0;
    double after = 0.0;
    double largestAfter = 0.0;
    const std::size_t at = r.out.find("Band error");
    ASSERT_NE(at, std::string::npos) << r.out;
    ASSERT_EQ(std::sscanf(r.out.c_str() + at,
                          "Band error between microphone and pickup: before %lf dB RMS (largest %lf dB), "
                          "after the correction %lf dB RMS (largest %lf dB)",
                          &before, &largestBefore, &after, &largestAfter),
              4)
        << r.out;
    EXPECT_GT(before, 5.0);
    EXPECT_LT(after, before / 4.0);
    EXPECT_LT(largestAfter, largestBefore);
}

}  // namespace
}  // namespace kestrava::test
