// Splits a range of independent work items between this thread and one
// helper thread when the machine has a second core. Internal to the design
// library; never used on an audio thread (it starts a thread).
#pragma once

#include <thread>

namespace kestrava::design::detail {

inline int availableCores()
{
    return std::thread::hardware_concurrency() >= 2 ? 2 : 1;
}

// Calls work(begin, end, worker) for the two halves of [0, count), the upper
// half on a helper thread; worker is 0 or 1 so each side can use its own
// scratch storage.
template <class Work>
void splitAcrossCores(int count, int cores, Work&& work)
{
    if (cores < 2 || count < 2) {
        work(0, count, 0);
        return;
    }
    const int middle = count / 2;
    std::thread helper([&] { work(middle, count, 1); });
    work(0, middle, 0);
    helper.join();
}

}  // namespace kestrava::design::detail
