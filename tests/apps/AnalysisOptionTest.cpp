// The --analysis option of the commands that design, and what the averaged
// analysis buys on the demonstration's studio and stage takes.
#include "ToolRun.h"
#include "apps/kestrava/AnalysisComparison.h"
#include "tests/support/FileBytes.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace kestrava::test {
namespace {

using tool::kExitUsage;

class AnalysisOptionTest : public ToolTestBase {};

std::uint64_t fnv1a(const std::string& bytes)
{
    std::uint64_t h = 14695981039346656037ull;
    for (const char c : bytes)
        h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return h;
}

TEST_F(AnalysisOptionTest, LongIsTheDefaultAndUnchanged)
{
    const TwoSignals s = signals(48000);
    const std::string take = write("take.wav", {16}, {s.microphone, s.pickup});
    for (const char* name : {"default.alg", "long.alg", "averaged.alg"}) {
        std::vector<std::string> args = {"design", take, "-o", path(name)};
        if (name != std::string("default.alg"))
            args.insert(args.end(), {"--analysis", std::string(name).substr(0, std::string(name).find('.'))});
        ASSERT_EQ(kestrava(args).status, 0) << name;
    }
    const std::string chosen = fileBytes(path("default.alg"));
    EXPECT_EQ(chosen, fileBytes(path("long.alg")));
    // The correction this take gave before the averaged analysis existed.
    EXPECT_EQ(fnv1a(chosen), 17287792416377106374ull);
    EXPECT_EQ(fileBytes(path("averaged.alg")).size(), chosen.size());
    EXPECT_NE(fileBytes(path("averaged.alg")), chosen);

    const ToolRun bad = kestrava({"design", take, "-o", path("x.alg"), "--analysis", "short"});
    EXPECT_EQ(bad.status, kExitUsage);
    EXPECT_NE(bad.err.find("--analysis is long or averaged"), std::string::npos) << bad.err;
    EXPECT_EQ(kestrava({"record", "--driver", "x", "-o", path("x.alg"), "--analysis", "short"}).status, kExitUsage);
}

TEST_F(AnalysisOptionTest, AveragedBeatsLongOnTheStageAndHoldsInTheStudio)
{
    std::ostringstream out;
    std::ostringstream err;
    tool::ToolContext context{out, err, false};
    tool::HeldOutError errors[2][2];
    const tool::DemoScene scenes[2] = {tool::DemoScene::Studio, tool::DemoScene::Stage};
    const design::AnalysisMethod methods[2] = {design::AnalysisMethod::Long, design::AnalysisMethod::Averaged};
    for (int s = 0; s < 2; ++s) {
        for (int m = 0; m < 2; ++m)
            ASSERT_TRUE(tool::heldOutError(scenes[s], methods[m], context, errors[s][m])) << err.str();
    }
    EXPECT_LE(errors[0][1].rmsDb, errors[0][0].rmsDb + 0.05);
    EXPECT_LT(errors[1][1].rmsDb, errors[1][0].rmsDb);
}

}  // namespace
}  // namespace kestrava::test
