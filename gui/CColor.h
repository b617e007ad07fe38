// Colours of the toolkit as red, green, blue and alpha bytes, and the
// standard fonts the controls draw their text in. Plain values, any thread.
#pragma once

#include <cstdint>

namespace kestrava::gui {

struct CColor {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t alpha = 255;
    friend bool operator==(const CColor&, const CColor&) = default;
};

inline constexpr CColor kWhiteCColor{255, 255, 255, 255};
inline constexpr CColor kBlackCColor{0, 0, 0, 255};

// The toolkit's standard fonts by number; the editor uses font 4.
enum class CFontId { kNormalFontSmall = 4 };

struct FontDescription {
    const char* face;
    int characterHeight;  // pixels, from the top of the ascent to the bottom of the descent
    bool bold;
};

constexpr FontDescription describeFont(CFontId font)
{
    switch (font) {
    case CFontId::kNormalFontSmall:
        break;
    }
    return {"Arial", 11, false};
}

}  // namespace kestrava::gui
