// The vector cascade runner, compiled once per instruction set by
// kestrava_vector_variants (KESTRAVA_VECTOR_LANES doubles per vector, code in
// namespace detail::KESTRAVA_VECTOR_VARIANT).
//
// A group of W = lanes * K consecutive sections runs as a wavefront: at step
// t, section i of the group works on time t - i, taking as input what
// section i - 1 produced at the previous step. Section i sits in lane i / K
// of vector i % K, so its input waits in the same lane of the vector before;
// only vector 0 takes its input across lanes, from the last vector one lane
// down, with the new sample entering lane 0. The K vectors of a step do not
// depend on each other, so the processor overlaps their recursions and the
// group runs at the speed of its arithmetic rather than of one section's
// latency; K is chosen per instruction set for that.
//
// That costs W - 1 steps of filling and draining per group and block, which
// a short block cannot spread: at 32 frames it would double the work. Short
// blocks therefore run the other way round (TimeTile): the lanes hold W
// consecutive samples, and at step d the lane of sample s works on section
// d - s. A sample keeps its lane and meets the sections one after another;
// the section states and coefficients move one sample up per step, so a
// section's state leaves the top lane after its last sample of the tile and
// the next section enters lane 0. A tile fills and drains once per W
// samples over the whole cascade instead of once per group of sections.
//
// Every section does the scalar recursion's operations on its operands, or
// operations that give the same bits, so the results are the same bits; only
// the order in which independent operations run changes. The first and last
// steps of a block, where some sections have no sample yet or any more, run
// with a mask that keeps those sections' states untouched.

#include "engine/CascadeKernel.h"
#include "engine/VectorLanes.h"

#include <algorithm>
#include <array>
#include <utility>

namespace kestrava::engine::detail::KESTRAVA_VECTOR_VARIANT {
namespace {

using namespace simd;

// Vectors per group: enough independent recursions per step that the
// arithmetic units, not one recursion's latency, set the pace. Measured:
// eight on AVX2 (its sixteen registers spill, which costs less than
// waiting); four where the vectors are wider or narrower.
constexpr int kPreferredVectors = kLanes == 4 ? 8 : 4;
constexpr int kMostVectors = 2 * kPreferredVectors - 1;

// Which sections of a step may change their state: all, those up to a
// bound (the first steps of a block), those from a bound on (the last
// steps), or those between two bounds (a block shorter than the group).
enum class Live { All, UpTo, From, Between };

template <int K, bool Flush>
struct Group {
    static constexpr int kWidth = kLanes * K;

    // The feedback coefficient of z2 is kept negated: z2 is formed as
    // (-fb2) * y - ff * x, which is the recursion's -(ff * x) - fb2 * y
    // bit for bit (negation and the order of two addends change no bits)
    // and saves the negation of ff * x.
    Vec ff[K], fb1[K], negFb2[K], z1[K], z2[K];
    Vec x[K];
    Vec section[K];

    Group(const CascadeArrays& c, int s0, int active)
    {
        for (int k = 0; k < K; ++k) {
            for (int j = 0; j < kLanes; ++j) {
                const int i = k + j * K;
                const bool used = i < active;
                section[k][j] = i;
                ff[k][j] = used ? c.feedForward[s0 + i] : 0.0;
                fb1[k][j] = used ? c.feedback1[s0 + i] : 0.0;
                negFb2[k][j] = used ? -c.feedback2[s0 + i] : 0.0;
                z1[k][j] = used ? c.z1[s0 + i] : 0.0;
                z2[k][j] = used ? c.z2[s0 + i] : 0.0;
            }
            x[k] = Vec{};
        }
    }

    void save(CascadeArrays& c, int s0, int active) const
    {
        for (int i = 0; i < active; ++i) {
            c.z1[s0 + i] = z1[i % K][i / K];
            c.z2[s0 + i] = z2[i % K][i / K];
        }
    }

    // One step; `low` and `high` bound the live sections as `Which` says.
    template <Live Which>
    inline void step(double input, Vec low, Vec high)
    {
        Vec in[K];
        in[0] = shiftUp(broadcast(input), x[K - 1]);
        for (int k = 1; k < K; ++k) {
            in[k] = x[k - 1];
        }
        for (int k = 0; k < K; ++k) {
            // y = z1 - (-(ff * x)), written as the identical z1 + ff * x.
            const Vec product = ff[k] * in[k];
            Vec y = z1[k] + product;
            if constexpr (Flush) {
                const Bits magnitude = (Bits)y & (Bits{} + 0x7fffffffffffffffLL);
                const Bits tiny = (Vec)magnitude < broadcast(1e-100);
                y = (Vec)((Bits)y & ~tiny);
            }
            const Vec nextZ1 = z2[k] - fb1[k] * y;
            const Vec nextZ2 = negFb2[k] * y - product;
            x[k] = y + in[k];
            if constexpr (Which == Live::All) {
                z1[k] = nextZ1;
                z2[k] = nextZ2;
            } else {
                Bits live;
                if constexpr (Which == Live::UpTo)
                    live = section[k] <= high;
                else if constexpr (Which == Live::From)
                    live = section[k] >= low;
                else
                    live = (section[k] >= low) & (section[k] <= high);
                z1[k] = select(live, nextZ1, z1[k]);
                z2[k] = select(live, nextZ2, z2[k]);
            }
        }
    }

    double output(int i) const { return x[i % K][i / K]; }

    // The steps between the ramps. The last section's output is read from a
    // place known at compile time, which keeps the state in registers. Only
    // the last group of a cascade may be short of full, by less than a
    // vector; Short says by how much.
    template <int Short>
    int steadyStepsShort(double* signal, int n, int last, int t)
    {
        constexpr int kLast = kWidth - 1 - Short;
        // A local copy, so the compiler sees that writing the signal cannot
        // change the state and keeps the state in registers.
        Group local = *this;
        for (; t < n; ++t) {
            local.template step<Live::All>(signal[t], Vec{}, Vec{});
            signal[t - last] = local.x[kLast % K][kLast / K];
        }
        *this = local;
        return t;
    }

    template <int... Short>
    int steadySteps(double* signal, int n, int last, int t, std::integer_sequence<int, Short...>)
    {
        const int missing = kWidth - 1 - last;
        ((missing == Short ? (void)(t = steadyStepsShort<Short>(signal, n, last, t)) : void()), ...);
        return t;
    }

    // Section i is live at step t when it has a sample to work on (0 <= t - i
    // < n). Sections beyond the last real one have zero coefficients, are
    // never saved and feed nothing that is read, so they may run or not.
    void run(double* signal, int n, int active)
    {
        const int last = active - 1;
        const int steps = n + last;
        if (n <= last) {
            for (int t = 0; t < steps; ++t) {
                step<Live::Between>(t < n ? signal[t] : 0.0, broadcast(t - n + 1), broadcast(t));
                if (t >= last)
                    signal[t - last] = output(last);
            }
            return;
        }
        int t = 0;
        for (; t < last; ++t) {
            step<Live::UpTo>(signal[t], Vec{}, broadcast(t));
        }
        t = steadySteps(signal, n, last, t, std::make_integer_sequence<int, kLanes>{});
        for (; t < steps; ++t) {
            step<Live::From>(0.0, broadcast(t - n + 1), Vec{});
            signal[t - last] = output(last);
        }
    }
};

template <int K, bool Flush>
void runGroup(CascadeArrays& c, int s0, int active, double* signal, int n)
{
    Group<K, Flush> group(c, s0, active);
    group.run(signal, n, active);
    group.save(c, s0, active);
}

using GroupRunner = void (*)(CascadeArrays&, int, int, double*, int);

template <bool Flush, int... K>
constexpr std::array<GroupRunner, sizeof...(K)> groupRunners(std::integer_sequence<int, K...>)
{
    return {&runGroup<K + 1, Flush>...};
}

// The runner of a group of K vectors at [K - 1].
template <bool Flush>
constexpr auto kGroupRunners = groupRunners<Flush>(std::make_integer_sequence<int, kMostVectors>{});

// The coefficients a tile's vector meets at one step: lane j holds those of
// section e - j * K for the vector's diagonal e, zero outside the cascade.
struct LaneCoefficients {
    Vec ff, fb1, negFb2;
};

// Diagonals -K to sections + W - 2 of a tile of K vectors, at [e + K]; each
// is the one K before it moved up a lane with section e entering lane 0.
constexpr int kMostDiagonals = kPaddedSections + 64;

void fillDiagonals(const CascadeArrays& c, int k, LaneCoefficients* diagonals)
{
    const int sections = c.sectionCount;
    const int end = sections + kLanes * k - 1 + k;
    for (int i = 0; i < k; ++i)
        diagonals[i] = LaneCoefficients{};
    for (int i = k; i < end; ++i) {
        const int e = i - k;
        const bool inside = e < sections;
        const LaneCoefficients& before = diagonals[i - k];
        diagonals[i].ff = shiftUp(broadcast(inside ? c.feedForward[e] : 0.0), before.ff);
        diagonals[i].fb1 = shiftUp(broadcast(inside ? c.feedback1[e] : 0.0), before.fb1);
        diagonals[i].negFb2 = shiftUp(broadcast(inside ? -c.feedback2[e] : 0.0), before.negFb2);
    }
}

// Up to W = kLanes * K samples through the whole cascade. Lane j of logical
// vector k carries sample j * K + k of the tile, so moving the sections one
// sample up is, for vectors 1 to K - 1, taking over the vector below, and
// only vector 0 shifts across lanes (from vector K - 1, one lane up, with
// the entering section in lane 0). The takeover costs nothing: logical
// vector k of step d lives in slot (k - d) mod K, so the slots stay put and
// the steps are unrolled K at a time to keep the slot numbers constant.
// The samples (x) do not move.
template <int K, bool Flush>
struct TimeTile {
    static constexpr int kWidth = kLanes * K;

    // Per slot: the states of the sections in its lanes.
    Vec z1[K], z2[K];
    // Per logical vector: the samples, and which sample each lane carries.
    Vec x[K];
    Vec sample[K];
    // The coefficients of logical vector k at step d: diagonals[d - k + K].
    const LaneCoefficients* diagonals;

    TimeTile(const LaneCoefficients* diagonals, const double* signal, int count) : diagonals(diagonals)
    {
        for (int k = 0; k < K; ++k) {
            for (int j = 0; j < kLanes; ++j) {
                const int s = j * K + k;
                sample[k][j] = s;
                x[k][j] = s < count ? signal[s] : 0.0;
            }
            z1[k] = z2[k] = Vec{};
        }
    }

    void store(double* signal, int count) const
    {
        for (int s = 0; s < count; ++s) {
            signal[s] = x[s % K][s / K];
        }
    }

    // One step d; R = d mod K. Section d enters lane 0 while there is one,
    // section d - W leaves the top lane; the live samples lie between `low`
    // and `high` as `Which` says. Which sections enter and leave is known
    // from `Which` except in the mixed case.
    template <int R, Live Which>
    [[gnu::always_inline]] inline void step(CascadeArrays& c, int d, int sections, int count)
    {
        constexpr int entry = (K - R) % K;
        bool enters = true;
        bool leaves = true;
        if constexpr (Which == Live::UpTo) {
            leaves = false;
        } else if constexpr (Which == Live::All) {
            leaves = d >= kWidth;
        } else if constexpr (Which == Live::From) {
            enters = false;
        } else {
            enters = d < sections;
            leaves = d >= kWidth;
        }
        if (leaves) {
            c.z1[d - kWidth] = z1[entry][kLanes - 1];
            c.z2[d - kWidth] = z2[entry][kLanes - 1];
        }
        const double enteringZ1 = enters ? c.z1[d] : 0.0;
        const double enteringZ2 = enters ? c.z2[d] : 0.0;
        z1[entry] = shiftUp(broadcast(enteringZ1), z1[entry]);
        z2[entry] = shiftUp(broadcast(enteringZ2), z2[entry]);
        Vec low{}, high{};
        if constexpr (Which == Live::From || Which == Live::Between)
            low = broadcast(d - sections + 1);
        if constexpr (Which == Live::UpTo || Which == Live::Between)
            high = broadcast(std::min(d, count - 1));
        for (int k = 0; k < K; ++k) {
            const int slot = (k + entry) % K;
            const Vec in = x[k];
            const LaneCoefficients& coefficients = diagonals[d - k + K];
            // The same operations as Group::step.
            const Vec product = coefficients.ff * in;
            Vec y = z1[slot] + product;
            if constexpr (Flush) {
                const Bits magnitude = (Bits)y & (Bits{} + 0x7fffffffffffffffLL);
                const Bits tiny = (Vec)magnitude < broadcast(1e-100);
                y = (Vec)((Bits)y & ~tiny);
            }
            const Vec nextZ1 = z2[slot] - coefficients.fb1 * y;
            const Vec nextZ2 = coefficients.negFb2 * y - product;
            const Vec nextX = y + in;
            // While filling and draining, a lane without a real section
            // keeps its sample. Its state belongs to a section before the
            // first or after the last, moves up with that section and is
            // never stored, so it need not be kept. Only a partial tile,
            // whose state passes through lanes without samples on its way
            // to the top, keeps it.
            if constexpr (Which == Live::All) {
                z1[slot] = nextZ1;
                z2[slot] = nextZ2;
                x[k] = nextX;
            } else if constexpr (Which == Live::UpTo) {
                z1[slot] = nextZ1;
                z2[slot] = nextZ2;
                x[k] = sample[k] <= high ? nextX : in;
            } else if constexpr (Which == Live::From) {
                z1[slot] = nextZ1;
                z2[slot] = nextZ2;
                x[k] = sample[k] >= low ? nextX : in;
            } else {
                const Bits live = (sample[k] >= low) & (sample[k] <= high);
                z1[slot] = live ? nextZ1 : z1[slot];
                z2[slot] = live ? nextZ2 : z2[slot];
                x[k] = live ? nextX : in;
            }
        }
    }

    template <Live Which, int... R>
    [[gnu::always_inline]] inline void stepAt(CascadeArrays& c, int d, int sections, int count,
                                              std::integer_sequence<int, R...>)
    {
        ((d % K == R ? step<R, Which>(c, d, sections, count) : void()), ...);
    }

    template <Live Which, int... R>
    [[gnu::always_inline]] inline void unrolled(CascadeArrays& c, int d, int sections, int count,
                                                std::integer_sequence<int, R...>)
    {
        (step<R, Which>(c, d + R, sections, count), ...);
    }

    // Steps [from, to), K at a time where the rotation allows.
    template <Live Which>
    void steps(CascadeArrays& c, int from, int to, int sections, int count)
    {
        constexpr auto rotations = std::make_integer_sequence<int, K>{};
        for (; from < to && from % K != 0; ++from)
            stepAt<Which>(c, from, sections, count, rotations);
        for (; from + K <= to; from += K)
            unrolled<Which>(c, from, sections, count, rotations);
        for (; from < to; ++from)
            stepAt<Which>(c, from, sections, count, rotations);
    }

    // Steps 0 to sections + W - 2 take every sample through every section;
    // a last move takes the last section's state out of the top lane.
    void run(CascadeArrays& c, int count)
    {
        const int sections = c.sectionCount;
        const int end = sections + kWidth - 1;
        if (count == kWidth && sections >= kWidth) {
            steps<Live::UpTo>(c, 0, kWidth - 1, sections, count);
            steps<Live::All>(c, kWidth - 1, sections, sections, count);
            steps<Live::From>(c, sections, end, sections, count);
        } else {
            steps<Live::Between>(c, 0, end, sections, count);
        }
        const int entry = (K - end % K) % K;
        c.z1[end - kWidth] = z1[entry][kLanes - 1];
        c.z2[end - kWidth] = z2[entry][kLanes - 1];
    }
};

template <int K, bool Flush>
void runTile(CascadeArrays& c, const LaneCoefficients* diagonals, double* signal, int count)
{
    TimeTile<K, Flush> tile(diagonals, signal, count);
    tile.run(c, count);
    tile.store(signal, count);
}

using TileRunner = void (*)(CascadeArrays&, const LaneCoefficients*, double*, int);

template <bool Flush, int... K>
constexpr std::array<TileRunner, sizeof...(K)> tileRunners(std::integer_sequence<int, K...>)
{
    return {&runTile<K + 1, Flush>...};
}

// Vectors per tile: four keep a step's recursions overlapped and, now that
// the coefficients come from memory, the tile in AVX2's sixteen registers.
// With the flush a step is longer and eight do better on AVX2 (measured).
template <bool Flush>
constexpr int kTileVectors = Flush && kLanes == 4 ? 8 : 4;
template <bool Flush>
constexpr int kTileWidth = kLanes * kTileVectors<Flush>;

// The runner of a tile of K vectors at [K - 1].
template <bool Flush>
constexpr auto kTileRunners = tileRunners<Flush>(std::make_integer_sequence<int, kTileVectors<Flush>>{});

// Vectors per tile for `count` samples: no more than needed to hold them.
template <bool Flush>
int tileVectors(int count)
{
    return std::min(kTileVectors<Flush>, (count + kLanes - 1) / kLanes);
}

// The runner takes whichever way costs less: vector steps, a tile's
// weighted by what its step costs against a group's. Measured with
// kestrava_bench on an AMD EPYC with AVX-512: with the flush the tile's
// step is cheaper with SSE2 and AVX-512 and dearer with AVX2; without it
// (the measurement program) the group's step is the cheaper one.
template <bool Flush>
constexpr long kTileStepPercent = Flush ? (kLanes == 4 ? 112 : 86) : (kLanes == 8 ? 120 : 111);

struct GroupPlan {
    int vectors;
    int groups;
};

GroupPlan groupPlan(int sectionCount)
{
    const int vectors = (sectionCount + kLanes - 1) / kLanes;
    return {vectors, std::max(1, vectors / kPreferredVectors)};
}

// Gathering a group's coefficients and states lane by lane and saving the
// states costs about as much as 40 steps of each of its vectors (measured
// as above, from the cost per sample at 64 and at 4,096 frames).
constexpr long kGroupSetupSteps = 40;

long groupSteps(const GroupPlan& plan, int n)
{
    // Each group runs n + (its sections - 1) steps of all its vectors.
    const long vectors = plan.vectors;
    return vectors * (n - 1 + kGroupSetupSteps) + vectors * kLanes * vectors / plan.groups;
}

template <bool Flush>
long tileSteps(int sectionCount, int n)
{
    long total = 0;
    for (int start = 0; start < n; start += kTileWidth<Flush>) {
        const int k = tileVectors<Flush>(n - start);
        total += static_cast<long>(k) * (sectionCount + k * kLanes - 1);
    }
    return total;
}

}  // namespace

// The sections are cut into groups of about kPreferredVectors vectors each,
// as even as the count allows, so no short remainder runs alone at the
// speed of a single vector. A block short enough that the groups' filling
// and draining would cost more runs in tiles of samples instead.
template <bool Flush>
void runCascade(CascadeArrays& c, double* signal, int n)
{
    const GroupPlan plan = groupPlan(c.sectionCount);
    const long tileCost = tileSteps<Flush>(c.sectionCount, n) * kTileStepPercent<Flush>;
    if (c.sectionCount > 0 && tileCost < groupSteps(plan, n) * 100) {
        // The layout of full tiles stays; a short one builds its own.
        static_assert(sizeof(LaneCoefficients) * kMostDiagonals <= sizeof c.diagonals);
        auto* diagonals = reinterpret_cast<LaneCoefficients*>(c.diagonals.data());
        for (int start = 0; start < n; start += kTileWidth<Flush>) {
            const int count = std::min(n - start, kTileWidth<Flush>);
            const int k = tileVectors<Flush>(count);
            const int layout = kLanes * 16 + k;
            if (c.diagonalLayout != layout) {
                fillDiagonals(c, k, diagonals);
                c.diagonalLayout = layout;
            }
            kTileRunners<Flush>[k - 1](c, diagonals, signal + start, count);
        }
        return;
    }
    int s0 = 0;
    for (int g = 0; g < plan.groups && s0 < c.sectionCount; ++g) {
        const int groupVectors = plan.vectors / plan.groups + (g < plan.vectors % plan.groups ? 1 : 0);
        const int active = std::min(groupVectors * kLanes, c.sectionCount - s0);
        kGroupRunners<Flush>[groupVectors - 1](c, s0, active, signal, n);
        s0 += active;
    }
}

template void runCascade<true>(CascadeArrays&, double*, int);
template void runCascade<false>(CascadeArrays&, double*, int);

}  // namespace kestrava::engine::detail::KESTRAVA_VECTOR_VARIANT
