// Unsigned integers of one to eight bytes read from and written to memory in
// either byte order, for device samples and file headers. Pure functions on
// the caller's bytes: safe on any thread, including a driver's callback.
#pragma once

#include <cstdint>

namespace kestrava::audio {

inline std::uint64_t loadBytes(const unsigned char* p, int bytes, bool bigEndian)
{
    std::uint64_t v = 0;
    for (int k = 0; k < bytes; ++k) {
        const int shift = 8 * (bigEndian ? bytes - 1 - k : k);
        v |= std::uint64_t{p[k]} << shift;
    }
    return v;
}

inline void storeBytes(unsigned char* p, std::uint64_t v, int bytes, bool bigEndian)
{
    for (int k = 0; k < bytes; ++k) {
        const int shift = 8 * (bigEndian ? bytes - 1 - k : k);
        p[k] = static_cast<unsigned char>(v >> shift);
    }
}

}  // namespace kestrava::audio
