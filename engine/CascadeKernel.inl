// The vector cascade runner, compiled once per instruction set by
// kestrava_vector_variants (KESTRAVA_VECTOR_LANES doubles per vector, code in
// namespace detail::KESTRAVA_VECTOR_VARIANT).
//
// A group of W = lanes * K consecutive sections runs as a wavefront: at step
// t, lane j computes section s0 + j at time t - j, taking as input what lane
// j - 1 produced at the previous step. Every lane does exactly the scalar
// recursion's operations on exactly its operands, so the results are the
// same bits; only the order in which independent operations run changes.
// The first and last steps of a block, where some lanes have no sample yet
// or any more, run with a mask that keeps those lanes' states untouched.

#include "engine/CascadeKernel.h"
#include "engine/VectorLanes.h"

namespace kestrava::detail::KESTRAVA_VECTOR_VARIANT {
namespace {

using namespace simd;

template <int K, bool Flush>
struct Group {
    static constexpr int kWidth = kLanes * K;

    Vec ff[K], fb1[K], fb2[K], z1[K], z2[K];
    Vec x[K];
    Vec laneIndex[K];

    Group(const CascadeArrays& c, int s0, int active)
    {
        for (int k = 0; k < K; ++k) {
            Vec lane;
            for (int j = 0; j < kLanes; ++j) {
                lane[j] = k * kLanes + j;
            }
            laneIndex[k] = lane;
            const Bits used = lane < broadcast(active);
            ff[k] = select(used, load(&c.feedForward[s0 + k * kLanes]), Vec{});
            fb1[k] = select(used, load(&c.feedback1[s0 + k * kLanes]), Vec{});
            fb2[k] = select(used, load(&c.feedback2[s0 + k * kLanes]), Vec{});
            z1[k] = load(&c.z1[s0 + k * kLanes]);
            z2[k] = load(&c.z2[s0 + k * kLanes]);
            x[k] = Vec{};
        }
    }

    void save(CascadeArrays& c, int s0) const
    {
        for (int k = 0; k < K; ++k) {
            store(&c.z1[s0 + k * kLanes], z1[k]);
            store(&c.z2[s0 + k * kLanes], z2[k]);
        }
    }

    template <bool Masked>
    inline void step(double input, Vec low, Vec high)
    {
        Vec in[K];
        in[0] = shiftUp(broadcast(input), x[0]);
        for (int k = 1; k < K; ++k) {
            in[k] = shiftUp(x[k - 1], x[k]);
        }
        for (int k = 0; k < K; ++k) {
            const Vec v = -(ff[k] * in[k]);
            Vec y = z1[k] - v;
            if constexpr (Flush) {
                const Bits magnitude = (Bits)y & (Bits{} + 0x7fffffffffffffffLL);
                const Bits tiny = (Vec)magnitude < broadcast(1e-100);
                y = (Vec)((Bits)y & ~tiny);
            }
            const Vec nextZ1 = z2[k] - fb1[k] * y;
            const Vec nextZ2 = v - fb2[k] * y;
            x[k] = y + in[k];
            if constexpr (Masked) {
                const Bits live = (laneIndex[k] >= low) & (laneIndex[k] <= high);
                z1[k] = select(live, nextZ1, z1[k]);
                z2[k] = select(live, nextZ2, z2[k]);
            } else {
                z1[k] = nextZ1;
                z2[k] = nextZ2;
            }
        }
    }

    double lane(int j) const { return x[j / kLanes][j % kLanes]; }

    // Lane j is live at step t when it has a sample to work on (0 <= t - j
    // < n) and stands for a real section (j < active).
    void run(double* signal, int n, int active)
    {
        const int last = active - 1;
        auto maskedStep = [&](int t) {
            const double input = t < n ? signal[t] : 0.0;
            const double low = t - n + 1;
            const double high = t < last ? t : last;
            step<true>(input, broadcast(low), broadcast(high));
            if (t >= last && t - last < n) {
                signal[t - last] = lane(last);
            }
        };
        const int steps = n + last;
        int t = 0;
        if (n > last) {
            // Between the ramps every real lane has a sample; lanes beyond
            // the real sections have zero coefficients and feed nothing
            // that is read, so no mask is needed.
            for (; t < last; ++t) {
                maskedStep(t);
            }
            for (; t < n; ++t) {
                step<false>(signal[t], Vec{}, Vec{});
                signal[t - last] = active == kWidth ? x[K - 1][kLanes - 1] : lane(last);
            }
        }
        for (; t < steps; ++t) {
            maskedStep(t);
        }
    }
};

template <int K, bool Flush>
void runGroup(CascadeArrays& c, int s0, int active, double* signal, int n)
{
    Group<K, Flush> group(c, s0, active);
    group.run(signal, n, active);
    group.save(c, s0);
}

}  // namespace

template <bool Flush>
void runCascade(CascadeArrays& c, double* signal, int n)
{
    constexpr int kWidest = 4 * kLanes;
    int s0 = 0;
    while (s0 < c.sectionCount) {
        const int remaining = c.sectionCount - s0;
        if (remaining >= 2 * kWidest) {
            runGroup<4, Flush>(c, s0, kWidest, signal, n);
            s0 += kWidest;
            continue;
        }
        // The rest runs as one group, so a short remainder never runs alone
        // at the speed of a single vector.
        switch ((remaining + kLanes - 1) / kLanes) {
        case 1: runGroup<1, Flush>(c, s0, remaining, signal, n); break;
        case 2: runGroup<2, Flush>(c, s0, remaining, signal, n); break;
        case 3: runGroup<3, Flush>(c, s0, remaining, signal, n); break;
        case 4: runGroup<4, Flush>(c, s0, remaining, signal, n); break;
        case 5: runGroup<5, Flush>(c, s0, remaining, signal, n); break;
        case 6: runGroup<6, Flush>(c, s0, remaining, signal, n); break;
        case 7: runGroup<7, Flush>(c, s0, remaining, signal, n); break;
        default: runGroup<8, Flush>(c, s0, remaining, signal, n); break;
        }
        s0 = c.sectionCount;
    }
}

template void runCascade<true>(CascadeArrays&, double*, int);
template void runCascade<false>(CascadeArrays&, double*, int);

}  // namespace kestrava::detail::KESTRAVA_VECTOR_VARIANT
