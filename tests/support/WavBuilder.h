// Builds WAV file images for tests that feed recordings to the tool, the
// drivers or the measurement program: integer PCM of any width, float, and
// the extensible header. Write them with writeFile. Test threads only.
#pragma once

#include "tests/support/FileBytes.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace kestrava::test {

struct WavFormat {
    int bits = 16;
    bool isFloat = false;
    bool extensible = false;
    std::uint32_t rate = 48000;
};

inline void put(std::vector<std::uint8_t>& out, std::uint64_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// channels[c][i]; integer samples are given as the integer value itself.
inline std::vector<std::uint8_t> buildWav(const WavFormat& format, const std::vector<std::vector<double>>& channels)
{
    const int count = static_cast<int>(channels.size());
    const std::size_t frames = channels[0].size();
    const int bytes = format.bits / 8;
    std::vector<std::uint8_t> data;
    for (std::size_t i = 0; i < frames; ++i) {
        for (int c = 0; c < count; ++c) {
            const double v = channels[c][i];
            if (format.isFloat && format.bits == 32) {
                const float f = static_cast<float>(v);
                std::uint32_t u;
                std::memcpy(&u, &f, 4);
                put(data, u, 4);
            } else if (format.isFloat) {
                std::uint64_t u;
                std::memcpy(&u, &v, 8);
                put(data, u, 8);
            } else {
                put(data, static_cast<std::uint64_t>(static_cast<std::int64_t>(v)), bytes);
            }
        }
    }
    const std::uint16_t tag = format.extensible ? 0xFFFE : (format.isFloat ? 3 : 1);
    const std::uint32_t fmtSize = format.extensible ? 40 : 16;
    std::vector<std::uint8_t> out = {'R', 'I', 'F', 'F'};
    put(out, 4 + 8 + fmtSize + 8 + data.size(), 4);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put(out, fmtSize, 4);
    put(out, tag, 2);
    put(out, count, 2);
    put(out, format.rate, 4);
    put(out, format.rate * count * bytes, 4);
    put(out, count * bytes, 2);
    put(out, format.bits, 2);
    if (format.extensible) {
        put(out, 22, 2);
        put(out, format.bits, 2);
        put(out, 0, 4);
        put(out, format.isFloat ? 3 : 1, 2);
        const std::uint8_t guidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        out.insert(out.end(), guidTail, guidTail + 14);
    }
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    put(out, data.size(), 4);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

}  // namespace kestrava::test
