// Runs the kestrava tool in-process for the tool tests, gives each test its
// own scratch folder, and makes the test signals they design from.
#pragma once

#include "apps/kestrava/Tool.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/WavBuilder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace kestrava::test {

struct ToolRun {
    int status = 0;
    std::string out;
    std::string err;
};

inline ToolRun kestrava(const std::vector<std::string>& args)
{
    std::ostringstream out;
    std::ostringstream err;
    tool::ToolContext context{out, err, false};
    ToolRun r;
    r.status = tool::runTool(args, context);
    r.out = out.str();
    r.err = err.str();
    return r;
}

// Noise at -14 dBFS (16-bit values) and the same noise lightly smoothed, as a
// microphone that hears a little less treble than the pickup.
struct TwoSignals {
    std::vector<double> microphone;
    std::vector<double> pickup;
};

inline TwoSignals signals(int frames)
{
    TwoSignals s;
    std::uint32_t state = 99;
    double previous = 0.0;
    for (int i = 0; i < frames; ++i) {
        state = state * 1664525u + 1013904223u;
        const double x = std::round((static_cast<double>(state) / 4294967296.0 - 0.5) * 12000.0);
        s.pickup.push_back(x);
        s.microphone.push_back(std::round(0.85 * x + 0.15 * previous));
        previous = x;
    }
    return s;
}

// A scratch folder of the test's own: CTest runs the cases side by side.
class ToolTestBase : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return scratch_.file(name); }
    const std::filesystem::path& folder() const { return scratch_.path(); }

    std::string write(const std::string& name, const WavFormat& format,
                      const std::vector<std::vector<double>>& channels)
    {
        writeFile(path(name), buildWav(format, channels));
        return path(name);
    }

private:
    ScratchFolder scratch_;
};

}  // namespace kestrava::test

