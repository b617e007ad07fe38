// Hands a whole object (a prepared filter, a tuning, ...) from one writer
// thread to the audio thread without locks or allocation: a triple buffer.
//
// Writer side (one thread at a time; serialise writers yourself): fill
// staging() completely, then publish(). Reader side (the audio thread): call
// acquire() once at the start of each block and use the returned object for
// the whole block. The reader owns its slot; the writer never touches it, so
// every block runs either the old object or the new one, whole.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

namespace kestrava::engine {

template <class T>
class Handover {
public:
    Handover() = default;
    explicit Handover(const T& initial) : slots_{initial, initial, initial} {}

    T& staging() { return slots_[writeSlot_]; }

    void publish()
    {
        const std::uint8_t previous = middle_.exchange(
            static_cast<std::uint8_t>(writeSlot_ | kFresh), std::memory_order_acq_rel);
        writeSlot_ = previous & kSlotMask;
    }

    // Picks up the newest published object, if any, and returns the
    // reader's object.
    T& acquire()
    {
        if (middle_.load(std::memory_order_relaxed) & kFresh) {
            const std::uint8_t previous =
                middle_.exchange(readSlot_, std::memory_order_acq_rel);
            readSlot_ = previous & kSlotMask;
        }
        return slots_[readSlot_];
    }

    T& current() { return slots_[readSlot_]; }

private:
    static constexpr std::uint8_t kSlotMask = 0x3;
    static constexpr std::uint8_t kFresh = 0x4;

    std::array<T, 3> slots_{};
    std::uint8_t readSlot_ = 0;
    std::uint8_t writeSlot_ = 1;
    std::atomic<std::uint8_t> middle_{2};
};

}  // namespace kestrava::engine
