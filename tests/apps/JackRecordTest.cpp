// The measurement from the command line on a JACK server: the tool lists
// the JACK driver's ports and records a take that another client plays into
// a correction file. The dummy backend may report late cycles under load,
// so the take is judged by the file it gives, not by its exact samples.
#include "../audio/JackHarness.h"
#include "corrfile/CorrectionFile.h"
#include "tests/support/RecordingMessages.h"
#include "ToolRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
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

// What befalls the server while the tool streams, what the tool is to say,
// and how the server is put back for the next case.
struct ServerFault {
    const char* name;
    std::function<void()> inflict;
    const char* said;
    std::function<void()> repair;
};

void PrintTo(const ServerFault& fault, std::ostream* os)
{
    *os << fault.name;
}

const char* const kGone = "The JACK server has shut down";
const ServerFault kServerFaults[] = {
    {"Killed", [] { server->stop(SIGKILL); }, kGone, [] { server->start(); }},
    {"Stopped", [] { server->stop(SIGTERM); }, kGone, [] { server->start(); }},
    {"BufferSizeChanged", [] { std::system("jack_bufsize 512 >/dev/null"); },
     "The JACK server's buffer size changed from 256 to 512 samples", [] { std::system("jack_bufsize 256 >/dev/null"); }},
};

// Both would run on for many seconds (record: 21.8 s; monitor: its time).
const std::vector<std::string> kStreamingCommands[] = {
    {"record", "--driver", "JACK", "-o", "OUT"},
    {"monitor", "--driver", "JACK", "--source", "mic", "--seconds", "60"},
};

// The tool's ports are connected to the physical ones only while it streams.
bool toolIsStreaming()
{
    jack_client_t* observer = jack_client_open("observer", JackNoStartServer, nullptr);
    jack_port_t* port = observer ? jack_port_by_name(observer, "kestrava:in_1") : nullptr;
    const bool connected = port != nullptr && jack_port_connected_to(port, "system:capture_1");
    if (observer)
        jack_client_close(observer);
    return connected;
}

class ServerFaultTest : public ToolOnJack,
                        public ::testing::WithParamInterface<std::tuple<ServerFault, std::vector<std::string>>> {};

TEST_P(ServerFaultTest, EndsTheCommandPromptlyWithTheReason)
{
    const auto& [fault, command] = GetParam();
    std::vector<std::string> args = command;
    std::replace(args.begin(), args.end(), std::string("OUT"), path("out.alg"));
    ToolRun run;
    std::atomic<bool> finished{false};
    std::thread tool([&] {
        run = kestrava(args);
        finished = true;
    });
    const auto waitFor = [&](auto condition, int seconds) {
        for (auto end = Clock::now() + std::chrono::seconds(seconds); !condition() && Clock::now() < end;)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    };
    waitFor([&] { return finished.load() || toolIsStreaming(); }, 15);
    EXPECT_FALSE(finished.load()) << run.err;
    fault.inflict();
    waitFor([&] { return finished.load(); }, 3);
    const bool endedPromptly = finished.load();
    if (!endedPromptly)
        std::raise(SIGINT);  // the tool's own Ctrl-C handler ends it, so the case fails, not hangs
    tool.join();
    fault.repair();
    EXPECT_TRUE(endedPromptly);
    EXPECT_EQ(run.status, tool::kExitFailure);
    EXPECT_NE(run.err.find(std::string("JACK stopped the stream: ") + fault.said), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(path("out.alg")));
    ASSERT_TRUE(server->ready()) << "jackd did not come back";
}

INSTANTIATE_TEST_SUITE_P(RecordAndMonitor, ServerFaultTest,
                         ::testing::Combine(::testing::ValuesIn(kServerFaults), ::testing::ValuesIn(kStreamingCommands)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "During" +
                                    (std::get<1>(info.param)[0] == "record" ? "Record" : "Monitor");
                         });

}  // namespace
}  // namespace kestrava::test
