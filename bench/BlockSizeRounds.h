// Cost per sample of block processors at several block sizes, measured in
// interleaved rounds so that a burst of load from other programs touches
// every contender and size alike: each round times every (size, contender)
// pair once, in an order that rotates from round to round, and the figures
// are the medians over the rounds. The time is the thread's own processor
// time. Printing: one table per setting, each contender beside the others
// (the first is the subject, the last the plain per-sample loop), and the
// small-to-large cost ratio as the median of the rounds' own ratios.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kestrava::bench {

struct Contender {
    std::string name;
    // Processes one block of the given number of frames.
    std::function<void(int frames)> processBlock;
};

struct BlockSizeCosts {
    std::vector<int> sizes;
    std::vector<std::string> names;
    // [contender][size][round]: nanoseconds per sample.
    std::vector<std::vector<std::vector<double>>> nsPerSample;
};

// At least `framesPerTiming` frames per timing, in whole blocks; one round
// before the timed ones warms caches and predictors.
BlockSizeCosts measureBlockSizes(const std::vector<Contender>& contenders, const std::vector<int>& sizes,
                                 int rounds, int framesPerTiming);

// The table, with the load as a percentage of one core at `sampleRate`, and
// the ratio of the cost per sample at `small` frames to that at `large`.
void printBlockSizeTable(const std::string& title, const BlockSizeCosts& costs, double sampleRate, int small,
                         int large);

}  // namespace kestrava::bench
