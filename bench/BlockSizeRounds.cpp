#include "bench/BlockSizeRounds.h"

#include <time.h>

#include <algorithm>
#include <cstdio>

namespace kestrava::bench {
namespace {

double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : 0.5 * (values[middle - 1] + values[middle]);
}

double timePerSample(const Contender& contender, int frames, int framesPerTiming)
{
    const int blocks = std::max(1, (framesPerTiming + frames - 1) / frames);
    const double start = threadCpuSeconds();
    for (int b = 0; b < blocks; ++b)
        contender.processBlock(frames);
    return 1e9 * (threadCpuSeconds() - start) / (static_cast<double>(blocks) * frames);
}

std::size_t indexOf(const std::vector<int>& sizes, int size)
{
    return static_cast<std::size_t>(std::find(sizes.begin(), sizes.end(), size) - sizes.begin());
}

}  // namespace

BlockSizeCosts measureBlockSizes(const std::vector<Contender>& contenders, const std::vector<int>& sizes,
                                 int rounds, int framesPerTiming)
{
    BlockSizeCosts costs;
    costs.sizes = sizes;
    for (const Contender& contender : contenders)
        costs.names.push_back(contender.name);
    costs.nsPerSample.assign(contenders.size(), std::vector<std::vector<double>>(sizes.size()));
    const std::size_t pairs = contenders.size() * sizes.size();
    for (int round = -1; round < rounds; ++round) {
        for (std::size_t p = 0; p < pairs; ++p) {
            const std::size_t pair = (p + static_cast<std::size_t>(std::max(round, 0))) % pairs;
            const std::size_t c = pair % contenders.size();
            const std::size_t s = pair / contenders.size();
            const double cost = timePerSample(contenders[c], sizes[s], framesPerTiming);
            if (round >= 0)
                costs.nsPerSample[c][s].push_back(cost);
        }
    }
    return costs;
}

void printBlockSizeTable(const std::string& title, const BlockSizeCosts& costs, double sampleRate, int small,
                         int large)
{
    const std::size_t contenders = costs.names.size();
    std::printf("%s\n%8s", title.c_str(), "frames");
    for (const std::string& name : costs.names)
        std::printf("  %14s ns/sample  core %%", name.c_str());
    std::printf("  %s/%s\n", costs.names.back().c_str(), costs.names.front().c_str());
    for (std::size_t s = 0; s < costs.sizes.size(); ++s) {
        std::printf("%8d", costs.sizes[s]);
        for (std::size_t c = 0; c < contenders; ++c) {
            const double ns = median(costs.nsPerSample[c][s]);
            std::printf("  %24.1f  %6.3f", ns, ns * sampleRate * 1e-7);
        }
        std::printf("  %8.2f\n",
                    median(costs.nsPerSample.back()[s]) / median(costs.nsPerSample.front()[s]));
    }
    const std::size_t smallIndex = indexOf(costs.sizes, small);
    const std::size_t largeIndex = indexOf(costs.sizes, large);
    if (smallIndex < costs.sizes.size() && largeIndex < costs.sizes.size()) {
        std::printf("%d-to-%d cost ratio per sample:", small, large);
        for (std::size_t c = 0; c < contenders; ++c) {
            const std::vector<double>& smallRounds = costs.nsPerSample[c][smallIndex];
            const std::vector<double>& largeRounds = costs.nsPerSample[c][largeIndex];
            std::vector<double> ratios;
            for (std::size_t r = 0; r < smallRounds.size() && r < largeRounds.size(); ++r)
                ratios.push_back(smallRounds[r] / largeRounds[r]);
            std::printf("  %s %.2f", costs.names[c].c_str(), median(ratios));
        }
        std::printf("\n");
    }
    std::printf("\n");
}

}  // namespace kestrava::bench
