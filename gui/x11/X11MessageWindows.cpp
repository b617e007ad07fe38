// Message windows on X11, drawn by the toolkit: one centred line per line of
// the text above the "OK" button, the window as wide as the longest line.
// Without an X display the message goes to standard error.
#include "gui/MessageWindows.h"
#include "gui/x11/CairoDrawContext.h"
#include "gui/x11/X11Dialog.h"

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace kestrava::gui {
namespace {

constexpr int kMargin = 24;
constexpr int kLineHeight = 18;
constexpr CPoint kButtonSize{75, 23};
constexpr int kNarrowest = 240;
constexpr int kWidest = 900;

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    if (lines.empty())
        lines.emplace_back();
    return lines;
}

class X11MessageWindows final : public platform::Messages {
public:
    void show(const std::string& text, const std::string& caption, platform::MessageIcon) override
    {
        const std::vector<std::string> lines = linesOf(text);
        int widest = 0;
        for (const std::string& line : lines)
            widest = std::max(widest, CairoDrawContext::textWidth(line, CFontId::kNormalFontSmall));
        const int width = std::clamp(widest + 2 * kMargin, kNarrowest, kWidest);
        const int buttonTop = kMargin + static_cast<int>(lines.size()) * kLineHeight + kMargin / 2;
        const int left = (width - kButtonSize.x) / 2;
        const X11DialogLayout layout{caption,
                                     {width, buttonTop + kButtonSize.y + kMargin / 2},
                                     std::nullopt,
                                     {left, buttonTop, left + kButtonSize.x, buttonTop + kButtonSize.y}};
        const std::atomic<bool> never{false};
        const bool shown = runX11Dialog(
            layout,
            [&](CDrawContext& context) {
                for (std::size_t i = 0; i < lines.size(); ++i) {
                    const int top = kMargin + static_cast<int>(i) * kLineHeight;
                    context.drawCenteredText(lines[i], {0, top, width, top + kLineHeight},
                                             CFontId::kNormalFontSmall, kBlackCColor);
                }
            },
            never);
        if (!shown)
            std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    }
};

}  // namespace

platform::Messages& nativeMessageWindows()
{
    static X11MessageWindows windows;
    return windows;
}

}  // namespace kestrava::gui
