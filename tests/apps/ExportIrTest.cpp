// kestrava export-ir run in-process: the files it writes and the inputs it
// refuses.
#include "ToolRun.h"
#include "audio/file/WavFile.h"
#include "corrfile/CorrectionFile.h"
#include "design/ImpulseExport.h"
#include "tests/support/FileBytes.h"
#include "tests/support/SmallCorrection.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace kestrava::test {
namespace {

namespace fs = std::filesystem;

const engine::CorrectionSet kCorrection = smallCorrection(0.5, {{300.0, 3.0, 1.0}, {3000.0, 2.0, -0.5}});

class ExportIrTest : public ToolTestBase {
protected:
    std::string alg()
    {
        writeFile(path("c.alg"), corrfile::encodeCorrectionFile(kCorrection));
        return path("c.alg");
    }
};

std::uint32_t le(const std::string& bytes, std::size_t at, int size)
{
    std::uint32_t v = 0;
    for (int i = size - 1; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return v;
}

TEST_F(ExportIrTest, WritesAMonoWavOfEachFormatAndRateAndTellsTheGain)
{
    struct Case {
        std::vector<std::string> options;
        design::ImpulseFormat format;
        std::uint32_t bits, rate, taps;
        const char* told;
    };
    using design::ImpulseFormat;
    const Case cases[] = {
        {{}, ImpulseFormat::Int24, 24, 48000, 2048, "24-bit, gain applied"},
        {{"--bits", "16", "--rate", "44100", "--taps", "64"}, ImpulseFormat::Int16, 16, 44100, 64, "16-bit, gain"},
        {{"--bits", "32f", "--rate", "96000", "--taps", "5000"}, ImpulseFormat::Float32, 32, 96000, 5000, "no gain"},
        {{"--rate", "88200"}, ImpulseFormat::Int24, 24, 88200, 2048, "24-bit, gain applied"},
    };
    const std::string in = alg();
    for (const Case& c : cases) {
        std::vector<std::string> args = {"export-ir", "--alg", in};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back(path("ir.wav"));
        const ToolRun r = kestrava(args);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find(c.told), std::string::npos) << r.out;
        const std::string wav = fileBytes(path("ir.wav"));
        const std::uint32_t blockAlign = c.bits / 8;
        ASSERT_EQ(wav.size(), 44 + c.taps * blockAlign);
        EXPECT_EQ(wav.substr(0, 4) + wav.substr(8, 8) + wav.substr(36, 4), "RIFFWAVEfmt data");
        EXPECT_EQ(le(wav, 20, 2), c.format == ImpulseFormat::Float32 ? 3u : 1u);
        EXPECT_EQ(le(wav, 22, 2), 1u);
        EXPECT_EQ(le(wav, 24, 4), c.rate);
        EXPECT_EQ(le(wav, 28, 4), c.rate * blockAlign);
        EXPECT_EQ(le(wav, 32, 2), blockAlign);
        EXPECT_EQ(le(wav, 34, 2), c.bits);
        EXPECT_EQ(le(wav, 40, 4), c.taps * blockAlign);
        audio::WavData back;
        std::string error;
        ASSERT_TRUE(audio::readWav(path("ir.wav"), back, error)) << error;
        const design::ImpulseResponse ir =
            design::exportImpulseResponse(kCorrection, c.rate, static_cast<int>(c.taps), c.format);
        EXPECT_EQ(back.channels[0], ir.samples);
    }
}

TEST_F(ExportIrTest, BadInputIsRefusedAndWritesNothing)
{
    const std::string in = alg();
    std::ofstream(path("damaged.alg")) << "no correction";
    writeFile(path("silent.alg"), corrfile::encodeCorrectionFile(smallCorrection(0.0, {{300.0, 3.0, 1.0}})));
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* told;
    };
    const Case cases[] = {
        {{"--alg", path("nowhere.alg"), path("ir.wav")}, 1, "CreateFile Error1."},
        {{"--alg", path("damaged.alg"), path("ir.wav")}, 1, "ALG file is damaged."},
        {{"--alg", path("silent.alg"), path("ir.wav")}, 1, "the output gain is 0"},
        {{"--alg", in, "--rate", "22050", path("ir.wav")}, 2, "--rate is 44100, 48000, 88200 or 96000"},
        {{"--alg", in, "--taps", "63", path("ir.wav")}, 2, "--taps is a whole number from 64 to 1048576"},
        {{"--alg", in, "--taps", "1048577", path("ir.wav")}, 2, "--taps is a whole number"},
        {{"--alg", in, "--bits", "8", path("ir.wav")}, 2, "--bits is 16, 24 or 32f"},
        {{"--alg", in, path("missing-folder/ir.wav")}, 1, "cannot write"},
        {{"--alg", in, in}, 2, ""},
        {{path("ir.wav")}, 2, "no correction file"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"export-ir"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ToolRun r = kestrava(args);
        EXPECT_EQ(r.status, c.status) << c.told;
        EXPECT_NE(r.err.find(c.told), std::string::npos) << r.err;
        EXPECT_EQ(std::distance(fs::directory_iterator(folder()), fs::directory_iterator()), 3) << c.told;
    }
}

}  // namespace
}  // namespace kestrava::test
