// A window system without windows for the editor tests: every redraw is
// recorded as the list of drawing calls the frame made, clicks go straight
// to the frame, and the clock only moves when the test or a wait moves it.
#pragma once

#include "gui/AboutBoxes.h"
#include "gui/CBitmap.h"
#include "gui/PlatformWindow.h"

#include <string>
#include <vector>

namespace kestrava::test {

struct DrawCall {
    enum Kind { Bitmap, Fill, Frame, Text } kind;
    CRect rect;
    CPoint source{};       // Bitmap
    CPoint bitmapSize{};   // Bitmap
    CColor color{};        // Fill, Frame, Text
    std::string text{};    // Text
    CFontId font{};        // Text
};

class RecordingContext final : public CDrawContext {
public:
    void drawBitmap(const CBitmap& bitmap, const CRect& destination, CPoint source) override
    {
        calls.push_back({.kind = DrawCall::Bitmap, .rect = destination, .source = source,
                         .bitmapSize = {bitmap.getWidth(), bitmap.getHeight()}});
    }
    void fillRect(const CRect& rect, CColor color) override
    {
        calls.push_back({.kind = DrawCall::Fill, .rect = rect, .color = color});
    }
    void frameRect(const CRect& rect, CColor color) override
    {
        calls.push_back({.kind = DrawCall::Frame, .rect = rect, .color = color});
    }
    void drawCenteredText(const std::string& text, const CRect& rect, CFontId font, CColor color) override
    {
        calls.push_back({.kind = DrawCall::Text, .rect = rect, .color = color, .text = text, .font = font});
    }
    std::vector<DrawCall> calls;
};

class FakeWindowSystem final : public WindowSystem {
public:
    class Window final : public PlatformWindow {
    public:
        Window(FakeWindowSystem& system, WindowClient& client) : system_(system), client_(client)
        {
            system_.window = this;
        }
        ~Window() override { system_.window = nullptr; }
        void redraw(const CRect& area) override
        {
            RecordingContext context;
            client_.paint(context, area);
            system_.drawn.insert(system_.drawn.end(), context.calls.begin(), context.calls.end());
        }
        void handleEvents() override {}
        void click(CPoint where, unsigned buttons = kLButton) { client_.mouseDown(where, buttons); }
        bool acceptsDrop() const { return client_.acceptsDrop(); }

    private:
        FakeWindowSystem& system_;
        WindowClient& client_;
    };

    std::unique_ptr<PlatformWindow> createChildWindow(void* parent, CPoint size, WindowClient& client) override
    {
        if (parent == nullptr)
            return nullptr;
        windowSize = size;
        return std::make_unique<Window>(*this, client);
    }
    void dispatchPendingPaint() override { ++pendingPaintsServed; }
    std::uint32_t milliseconds() override { return now; }
    void wait(std::uint32_t ms) override { now += ms; }

    Window* window = nullptr;
    CPoint windowSize{};
    std::vector<DrawCall> drawn;
    std::uint32_t now = 1000;
    int pendingPaintsServed = 0;
};

class FakeAboutBoxes final : public AboutBoxes {
public:
    void open() override { ++opened; }
    void closeAll() override { opened = 0; }
    std::size_t openCount() override { return opened; }
    std::size_t opened = 0;
};

}  // namespace kestrava::test
