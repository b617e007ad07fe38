// The loudest input sample since the last look, handed from the audio
// thread to a user-interface timer: the audio thread offers each block's
// peak, the timer takes the largest offered since it last took.
//
// offer runs on the audio thread and take on any other; both are lock-free
// and allocate nothing.
#pragma once

#include <atomic>
#include <cstdint>

namespace kestrava::measure {

class PeakExchange {
public:
    void offer(std::int32_t magnitude) noexcept
    {
        std::int32_t held = peak_.load(std::memory_order_relaxed);
        while (magnitude > held && !peak_.compare_exchange_weak(held, magnitude, std::memory_order_relaxed)) {
        }
    }

    std::int32_t take() noexcept { return peak_.exchange(0, std::memory_order_relaxed); }

private:
    std::atomic<std::int32_t> peak_{0};
    static_assert(std::atomic<std::int32_t>::is_always_lock_free);
};

// The largest magnitude in `samples`, -2147483648 counted as 2147483647.
inline std::int32_t blockPeak(const std::int32_t* samples, std::int32_t n) noexcept
{
    std::int32_t peak = 0;
    for (std::int32_t i = 0; i < n; ++i) {
        const std::int32_t s = samples[i];
        const std::int32_t magnitude = s >= 0 ? s : (s == INT32_MIN ? INT32_MAX : -s);
        if (magnitude > peak)
            peak = magnitude;
    }
    return peak;
}

}  // namespace kestrava::measure
