// Copies of texts whose terminator may be missing: program names and paths
// from host chunks, and the fixed-size answers the host reads. Plain
// functions, safe on any thread for memory the caller owns.
#pragma once

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

namespace kestrava::plugin {

// Copies text that may lack a terminator within `sourceSize` bytes into a
// destination of `destinationSize` bytes, always terminating it. The two
// may overlap (a host may hand our own chunk back to us).
inline void copyBoundedText(char* destination, std::size_t destinationSize, const char* source,
                            std::size_t sourceSize)
{
    const std::size_t length = std::min(strnlen(source, sourceSize), destinationSize - 1);
    std::memmove(destination, source, length);
    destination[length] = '\0';
}

template <std::size_t N>
void setText(std::array<char, N>& destination, const std::string& text)
{
    copyBoundedText(destination.data(), N, text.c_str(), text.size() + 1);
}

}  // namespace kestrava::plugin
