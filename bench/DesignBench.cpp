// The correction design's speed and memory, each beside its yardstick
// measured in the same run:
//  - one design pass, the fast kernel against the plain loop with a
//    division per term;
//  - the 2^20-point transform against FFTW's estimate plan for the same size;
//  - the averaged analysis of both recordings against the long one;
//  - a whole analysis and design of the demonstration take: seconds, passes
//    and the peak memory it adds (the measurement program holds 48 MiB).
// --instruction-set=sse2|avx2|avx512 runs the kernels on a narrower set.
#include "apps/kestrava/DemoTake.h"
#include "bench/InstructionSetOption.h"
#include "apps/kestrava/Take.h"
#include "design/AveragedAnalysis.h"
#include "design/CorrectionDesign.h"
#include "design/FourierTransform.h"
#include "design/reference/PlainDesign.h"

#include <fftw3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

using namespace kestrava::audio;
using namespace kestrava::design;
using namespace kestrava::engine;

namespace {

using namespace kestrava;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A field of /proc/self/status in KiB.
long statusKib(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0)
            return std::stol(line.substr(std::char_traits<char>::length(field)));
    }
    return -1;
}

void resetPeakMemory()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

struct DemoValues {
    std::vector<double> microphone;
    std::vector<double> pickup;
};

// The demonstration take as the tool stores it: float samples times 32,766.
DemoValues demoValues()
{
    const tool::DemoTake take = tool::makeDemoTake();
    return {tool::captureValues(take.microphone, kTransformSize, ASIOSTFloat32LSB),
            tool::captureValues(take.pickup, kTransformSize, ASIOSTFloat32LSB)};
}

MeasurementAnalysis wholeDesign(const DemoValues& demo)
{
    const long before = statusKib("VmRSS:");
    resetPeakMemory();
    const Clock::time_point start = Clock::now();
    CaptureBuffer microphone;
    CaptureBuffer pickup;
    std::copy(demo.microphone.begin(), demo.microphone.end(), microphone.re());
    std::copy(demo.pickup.begin(), demo.pickup.end(), pickup.re());
    MeasurementAnalysis analysis;
    if (analyseMeasurement(microphone, pickup, BandLayout::standard(), analysis) != AnalysisStatus::Ok) {
        std::printf("the demonstration take could not be analysed\n");
        return analysis;
    }
    const double analysed = secondsSince(start);
    CorrectionSet correction;
    const DesignResult result = designCorrection(analysis, BandLayout::standard(), correction);
    const double total = secondsSince(start);
    const long peak = statusKib("VmHWM:");
    std::printf("Whole analysis and design of the demonstration take\n");
    std::printf("  analysis (two transforms, band levels)   %8.3f s\n", analysed);
    std::printf("  design (%d passes, largest error %.3f %%) %8.3f s\n", result.passes, 100.0 * result.largestError,
                total - analysed);
    std::printf("  total                                    %8.3f s\n", total);
    std::printf("  peak memory added                        %8.1f MiB   (the measurement program: 48 MiB)\n",
                (peak - before) / 1024.0);
    std::printf("  process peak resident                    %8.1f MiB\n\n", peak / 1024.0);
    return analysis;
}

// Microseconds per pass of one short run.
template <class Run>
double microsecondsPerPass(int passes, Run run)
{
    const Clock::time_point start = Clock::now();
    const int done = run(passes);
    return secondsSince(start) * 1e6 / done;
}

void passSpeed(MeasurementAnalysis analysis)
{
    // One band far below the pickup keeps the loop from converging, so every
    // run makes exactly the passes asked for.
    analysis.microphone[60] *= 1e-5;
    const auto fast = [&](int cores, int passes) {
        CorrectionSet correction;
        DesignOptions options;
        options.passLimit = passes;
        options.cores = cores;
        return designCorrection(analysis, BandLayout::standard(), correction, options).passes;
    };
    // The three take turns, and each keeps its best run, so that other work
    // on the machine weighs on them alike.
    constexpr int rounds = 7;
    double plainUs = 1e9;
    double oneCoreUs = 1e9;
    double allCoresUs = 1e9;
    for (int r = 0; r < rounds; ++r) {
        plainUs = std::min(plainUs, microsecondsPerPass(300, [&](int passes) {
            return reference::plainDesign(analysis.microphone, analysis.pickup, passes).passes;
        }));
        oneCoreUs = std::min(oneCoreUs, microsecondsPerPass(3000, [&](int passes) { return fast(1, passes); }));
        allCoresUs = std::min(allCoresUs, microsecondsPerPass(3000, [&](int passes) { return fast(0, passes); }));
    }
    std::printf("Design pass (199 x 199 terms), best of %d alternating runs\n", rounds);
    std::printf("  plain loop, a division per term   %8.2f us/pass\n", plainUs);
    std::printf("  fast passes, one core             %8.2f us/pass   %5.1f x\n", oneCoreUs, plainUs / oneCoreUs);
    std::printf("  fast passes, all cores (max 2)    %8.2f us/pass   %5.1f x   (target: at least 8 x)\n",
                allCoresUs, plainUs / allCoresUs);
    std::printf("  1,000,000 passes would take       %8.1f s fast, %.1f s plain\n\n",
                std::min(oneCoreUs, allCoresUs), plainUs);
}

void transformSpeed(const DemoValues& demo)
{
    constexpr int runs = 7;
    std::vector<double> re(kTransformSize);
    std::vector<double> im(kTransformSize);
    fftw_complex* data = fftw_alloc_complex(kTransformSize);
    const Clock::time_point planStart = Clock::now();
    const fftw_plan plan = fftw_plan_dft_1d(kTransformSize, data, data, FFTW_FORWARD, FFTW_ESTIMATE);
    const double planning = secondsSince(planStart);
    // Alternating runs, each side keeping its best.
    double fastBest = 1e9;
    double fftwBest = 1e9;
    for (int r = 0; r < runs; ++r) {
        std::copy(demo.microphone.begin(), demo.microphone.end(), re.begin());
        std::fill(im.begin(), im.end(), 0.0);
        Clock::time_point start = Clock::now();
        forwardTransform(re.data(), im.data());
        fastBest = std::min(fastBest, secondsSince(start));
        for (int n = 0; n < kTransformSize; ++n) {
            data[n][0] = demo.microphone[n];
            data[n][1] = 0.0;
        }
        start = Clock::now();
        fftw_execute(plan);
        fftwBest = std::min(fftwBest, secondsSince(start));
    }
    fftw_destroy_plan(plan);
    fftw_free(data);
    std::copy(demo.microphone.begin(), demo.microphone.end(), re.begin());
    std::fill(im.begin(), im.end(), 0.0);
    const Clock::time_point plainStart = Clock::now();
    reference::plainTransform(re.data(), im.data());
    const double plain = secondsSince(plainStart);
    std::printf("2^20-point transform, best of %d alternating runs\n", runs);
    std::printf("  FFTW, estimate plan               %8.2f ms   (planning %.2f ms, not counted)\n", fftwBest * 1e3,
                planning * 1e3);
    std::printf("  this transform                    %8.2f ms\n", fastBest * 1e3);
    std::printf("  ratio to FFTW                     %8.2f     (target: at most 2)\n", fastBest / fftwBest);
    std::printf("  the plain algorithm, once         %8.2f ms\n\n", plain * 1e3);
}

// Both recordings analysed the long way and the averaged way, each run on
// fresh buffers filled outside the timing.
void analysisSpeed(const DemoValues& demo)
{
    constexpr int runs = 5;
    const auto timed = [&](AnalysisMethod method) {
        CaptureBuffer microphone;
        CaptureBuffer pickup;
        std::copy(demo.microphone.begin(), demo.microphone.end(), microphone.re());
        std::copy(demo.pickup.begin(), demo.pickup.end(), pickup.re());
        MeasurementAnalysis analysis;
        const Clock::time_point start = Clock::now();
        analyseMeasurement(microphone, pickup, BandLayout::standard(), analysis, method);
        return secondsSince(start);
    };
    double longBest = 1e9;
    double averagedBest = 1e9;
    for (int r = 0; r < runs; ++r) {
        longBest = std::min(longBest, timed(AnalysisMethod::Long));
        averagedBest = std::min(averagedBest, timed(AnalysisMethod::Averaged));
    }
    std::printf("Analysis of the 22 s take (both recordings), best of %d alternating runs\n", runs);
    std::printf("  long: two 2^20-point transforms    %8.2f ms\n", longBest * 1e3);
    std::printf("  averaged: 31 windowed segments     %8.2f ms\n", averagedBest * 1e3);
    std::printf("  ratio                              %8.2f     (target: under 2)\n\n", averagedBest / longBest);
}

}  // namespace

int main(int argc, char** argv)
{
    if (!kestrava::bench::applyInstructionSetOption(argc, argv) || argc > 1) {
        std::fprintf(stderr, "usage: kestrava_design_bench [--instruction-set=sse2|avx2|avx512]\n");
        return 2;
    }
    const DemoValues demo = demoValues();
    const MeasurementAnalysis analysis = wholeDesign(demo);
    passSpeed(analysis);
    transformSpeed(demo);
    analysisSpeed(demo);
    return 0;
}
