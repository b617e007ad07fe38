// About boxes on X11: each box is a top-level window served by a thread of
// its own on a display connection of its own, so that it stays alive and
// answers its "OK" button and close box whether or not the host still idles
// an editor. The layout follows the Windows dialog (140 by 113 dialog units
// at 1.5 by 1.625 pixels per unit).
#include "gui/AboutBoxes.h"
#include "gui/x11/X11Dialog.h"

#include "ProductVersion.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace kestrava::gui {
namespace {

const X11DialogLayout kAboutLayout{"About", {210, 184}, CPoint{20, 20}, {30, 146, 105, 169}};
constexpr CRect kLine{0, 16, 210, 29};
constexpr CRect kVersionLine{0, 34, 210, 47};

class Box {
public:
    Box() : thread_([this] { run(); }) {}
    ~Box()
    {
        closeRequested_ = true;
        thread_.join();
    }
    bool finished() const { return finished_; }

private:
    void run()
    {
        runX11Dialog(
            kAboutLayout,
            [](CDrawContext& context) {
                context.drawCenteredText("Kestrava Sonalve", kLine, CFontId::kNormalFontSmall, kBlackCColor);
                context.drawCenteredText(std::string("Version ") + kProductVersion, kVersionLine,
                                         CFontId::kNormalFontSmall, kBlackCColor);
            },
            closeRequested_);
        finished_ = true;
    }

    std::atomic<bool> closeRequested_{false};
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

class X11AboutBoxes final : public AboutBoxes {
public:
    ~X11AboutBoxes() override { closeAll(); }

    void open() override
    {
        forgetClosedBoxes();
        boxes_.push_back(std::make_unique<Box>());
    }

    void closeAll() override { boxes_.clear(); }

    std::size_t openCount() override
    {
        forgetClosedBoxes();
        return boxes_.size();
    }

private:
    void forgetClosedBoxes()
    {
        std::erase_if(boxes_, [](const std::unique_ptr<Box>& box) { return box->finished(); });
    }

    std::vector<std::unique_ptr<Box>> boxes_;
};

}  // namespace

AboutBoxes& nativeAboutBoxes()
{
    static X11AboutBoxes boxes;
    return boxes;
}

}  // namespace kestrava::gui
