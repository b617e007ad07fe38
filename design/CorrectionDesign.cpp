#include "design/CorrectionDesign.h"

#include "design/DesignKernels.h"
#include "design/Parallel.h"
#include "design/ResponseTable.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <cmath>
#include <thread>

namespace kestrava::design {

namespace {

// Every factor 1 + X / (Q^2 T + 1) of a band's product is rewritten as
// (T + c1) / (T + c2) with c1 = (1 + X) / Q^2 and c2 = 1 / Q^2, so a row
// needs no division per term: the kernel multiplies numerators and
// denominators in eight independent lanes and divides once per lane. A lane
// holds 25 factors of at most about 1.7e6, far from overflow. The padding
// column has T = 0 and c1 = c2 = 1, a factor of exactly 1.
static_assert(kResponseStride % detail::kProductLanes == 0);

void bandResponses(const ResponseTable& table, const double* c1, const double* c2, double* h,
                   int begin, int end)
{
    detail::designKernels().bandResponses(table.row(0), kResponseStride, c1, c2, h, begin, end);
}

// Runs the band products of every pass on one or two cores. With two, the
// upper half of the bands goes to a helper thread that spins for the next
// pass (a pass is a few microseconds, too short to sleep for) and sleeps
// only when no pass comes for a while. Whether sharing helps depends on
// what else the machine is doing, so the evaluator times both ways now and
// then and uses the faster; the results are the same either way.
class ResponseEvaluator {
public:
    ResponseEvaluator(const ResponseTable& table, int cores) : table_(table), shareable_(cores > 1)
    {
        if (shareable_)
            helper_ = std::thread([this] { helperLoop(); });
    }

    ~ResponseEvaluator()
    {
        if (helper_.joinable()) {
            stop_.store(true);
            requested_.fetch_add(1);
            {
                const std::lock_guard<std::mutex> lock(sleepLock_);
            }
            wake_.notify_one();
            helper_.join();
        }
    }

    ResponseEvaluator(const ResponseEvaluator&) = delete;
    ResponseEvaluator& operator=(const ResponseEvaluator&) = delete;

    void evaluate(const double* c1, const double* c2, double* h)
    {
        if (!shareable_) {
            bandResponses(table_, c1, c2, h, 0, kBandCount);
            return;
        }
        const int position = passes_++ % kCycle;
        const bool probing = position < 2 * kProbe;
        const bool shared = probing ? position >= kProbe : sharedFaster_;
        const Clock::time_point start = Clock::now();
        if (shared)
            evaluateShared(c1, c2, h);
        else
            bandResponses(table_, c1, c2, h, 0, kBandCount);
        if (probing) {
            (shared ? sharedSeconds_ : aloneSeconds_) += std::chrono::duration<double>(Clock::now() - start).count();
            if (position == 2 * kProbe - 1) {
                sharedFaster_ = sharedSeconds_ < aloneSeconds_;
                sharedSeconds_ = 0.0;
                aloneSeconds_ = 0.0;
            }
        }
    }

private:
    using Clock = std::chrono::steady_clock;
    static constexpr int kSplit = kBandCount / 2;
    static constexpr int kProbe = 32;
    static constexpr int kCycle = 4096;
    static constexpr int kSpinsBeforeSleep = 20000;

    void evaluateShared(const double* c1, const double* c2, double* h)
    {
        c1_ = c1;
        c2_ = c2;
        h_ = h;
        const int pass = ++issued_;
        requested_.store(pass);
        // Both sides use sequentially consistent order here: either the
        // helper sees the new pass before it sleeps, or this side sees that
        // it sleeps and wakes it.
        if (sleeping_.load()) {
            {
                const std::lock_guard<std::mutex> lock(sleepLock_);
            }
            wake_.notify_one();
        }
        bandResponses(table_, c1, c2, h, 0, kSplit);
        // Give the core away when the helper has been descheduled.
        for (int spins = 0; finished_.load(std::memory_order_acquire) != pass; ++spins) {
            if (spins > 4096)
                std::this_thread::yield();
        }
    }

    void helperLoop()
    {
        int seen = 0;
        for (;;) {
            int pass = 0;
            for (int spins = 0; (pass = requested_.load()) == seen; ++spins) {
                if (spins > kSpinsBeforeSleep) {
                    std::unique_lock<std::mutex> lock(sleepLock_);
                    sleeping_.store(true);
                    wake_.wait(lock, [&] { return requested_.load() != seen; });
                    sleeping_.store(false);
                    spins = 0;
                }
            }
            if (stop_.load())
                return;
            seen = pass;
            bandResponses(table_, c1_, c2_, h_, kSplit, kBandCount);
            finished_.store(pass, std::memory_order_release);
        }
    }

    const ResponseTable& table_;
    const bool shareable_;
    int passes_ = 0;
    int issued_ = 0;
    bool sharedFaster_ = false;
    double sharedSeconds_ = 0.0;
    double aloneSeconds_ = 0.0;
    const double* c1_ = nullptr;
    const double* c2_ = nullptr;
    double* h_ = nullptr;
    std::atomic<int> requested_{0};
    std::atomic<int> finished_{0};
    std::atomic<bool> stop_{false};
    std::atomic<bool> sleeping_{false};
    std::mutex sleepLock_;
    std::condition_variable wake_;
    std::thread helper_;
};

}  // namespace

BandSpectrum targetCurve(const BandSpectrum& microphone, const BandSpectrum& pickup)
{
    BandSpectrum target{};
    for (int j = 0; j < kBandCount; ++j)
        target[j] = microphone[j] > pickup[j] / kBoostLimit ? pickup[j] / kBoostLimit : microphone[j];
    return target;
}

DesignResult designCorrection(const MeasurementAnalysis& analysis, const BandLayout& layout,
                              engine::CorrectionSet& correction, const DesignOptions& options)
{
    const BandSpectrum& p2 = analysis.pickup;
    DesignResult result;
    result.target = targetCurve(analysis.microphone, p2);
    const BandSpectrum& target = result.target;
    BandSpectrum& pred = result.predicted;

    std::array<double, kBandCount> g{};
    std::array<double, kBandCount> q{};
    std::array<double, kBandCount> err{};
    alignas(64) std::array<double, kResponseStride> c1{};
    alignas(64) std::array<double, kResponseStride> c2{};
    std::array<double, kBandCount> h{};
    c1.fill(1.0);
    c2.fill(1.0);
    q.fill(kBaseQuality);
    pred = p2;

    const int cores = options.cores > 0 ? std::min(options.cores, detail::availableCores()) : detail::availableCores();
    ResponseEvaluator evaluator(ResponseTable::instance(), cores);
    int passes = 0;
    for (;;) {
        bool within = true;
        double largest = 0.0;
        for (int j = 0; j < kBandCount; ++j) {
            err[j] = target[j] / pred[j] - 1.0;
            const double size = std::fabs(err[j]);
            if (!(size <= kTolerance))
                within = false;
            if (size > largest)
                largest = size;
        }
        result.largestError = largest;
        if (within) {
            result.withinTolerance = true;
            break;
        }
        if (options.progress && options.progressInterval > 0 && passes % options.progressInterval == 0)
            options.progress({passes, largest});
        for (int m = 0; m < kBandCount; ++m) {
            g[m] = g[m] + kStepSize * err[m];
            if (g[m] < kGainFloor)
                g[m] = kGainFloor;
            const double x = (g[m] + 2.0) * g[m];
            q[m] = (g[m] * 0.5 + 1.0) * kBaseQuality;
            const double q2 = q[m] * q[m];
            c2[m] = 1.0 / q2;
            c1[m] = (1.0 + x) / q2;
        }
        evaluator.evaluate(c1.data(), c2.data(), h.data());
        for (int j = 0; j < kBandCount; ++j)
            pred[j] = h[j] * p2[j];
        ++passes;
        if (passes >= options.passLimit) {
            double remaining = 0.0;
            for (int j = 0; j < kBandCount; ++j)
                remaining = std::fmax(remaining, std::fabs(target[j] / pred[j] - 1.0));
            result.largestError = remaining;
            break;
        }
    }
    result.passes = passes;

    correction.sectionCount = kBandCount;
    correction.outputGain = analysis.outputGain;
    for (int m = 0; m < kBandCount; ++m) {
        correction.centreHz[m] = layout.centre[m];
        correction.quality[m] = q[m];
        correction.peakGain[m] = g[m];
    }
    return result;
}

}  // namespace kestrava::design
