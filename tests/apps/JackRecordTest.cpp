// The measurement from the command line on a JACK server: the tool lists
// the JACK driver's ports and records a take that another client plays into
// a correction file. The dummy backend may report late cycles under load,
// so the take is judged by the file it gives, not by its exact samples.
#include "../audio/JackHarness.h"
#include "corrfile/CorrectionFile.h"
#include "tests/support/RecordingMessages.h"
#include "ToolRun.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <thread>

using namespace kestrava::corrfile;
using namespace kestrava::engine;

namespace kestrava::test {
namespace {

using namespace tool;

const auto* const environment = ::testing::AddGlobalTestEnvironment(new JackEnvironment);

class ToolOnJack : public ToolTestBase {
protected:
    void SetUp() override
    {
        ToolTestBase::SetUp();
        ASSERT_NE(server, nullptr);
        ASSERT_TRUE(server->ready()) << "jackd did not start";
    }
};

TEST_F(ToolOnJack, DriversListsJackWithItsPorts)
{
    const ToolRun r = kestrava({"drivers"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out.rfind("JACK\n  input 1: in_1\n  input 2: in_2\n", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("  output 1: out_1\n  output 2: out_2\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Recorded File\n"), std::string::npos) << r.out;
}

TEST_F(ToolOnJack, RecordsWhatAnotherClientPlaysIntoACorrectionFile)
{
    TestClient client;
    ASSERT_TRUE(client.ok()) << "JACK status " << client.status;
    ToolRun run;
    std::atomic<bool> finished{false};
    std::thread tool([&] {
        run = kestrava({"record", "--driver", "JACK", "-o", path("jack.alg"), "--report", path("jack.svg")});
        finished = true;
    });
    // The tool's ports come and go while it looks at the driver, then come
    // for the stream; connecting again until it ends keeps the player on
    // them. A refused or repeated connection changes nothing.
    while (!finished.load()) {
        client.connectTo("kestrava");
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    tool.join();
    ASSERT_EQ(run.status, kExitOk) << run.err;
    EXPECT_NE(run.out.find("Wrote " + path("jack.alg")), std::string::npos) << run.out;
    RecordingMessages messages;
    CorrectionSet correction;
    ASSERT_EQ(readCorrectionFile(path("jack.alg"), correction, messages), 0);
    EXPECT_EQ(correction.sectionCount, 199);
    EXPECT_TRUE(std::isfinite(correction.outputGain));
    EXPECT_GT(correction.outputGain, 0.0);
    for (int i = 0; i < correction.sectionCount; ++i) {
        ASSERT_TRUE(std::isfinite(correction.peakGain[i]) && std::isfinite(correction.quality[i])) << i;
        ASSERT_GT(correction.quality[i], 0.0) << i;
    }
    EXPECT_GT(std::filesystem::file_size(path("jack.svg")), 1000u);
}

}  // namespace
}  // namespace kestrava::test
