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
    gui::CRect rect;
    gui::CPoint source{};       // Bitmap
    gui::CPoint bitmapSize{};   // Bitmap
    gui::CColor color{};        // Fill, Frame, Text
    std::string text{};    // Text
    gui::CFontId font{};        // Text
};

class RecordingContext final : public gui::CDrawContext {
public:
    void drawBitmap(const gui::CBitmap& bitmap, const gui::CRect& destination, gui::CPoint source) override
    {
        calls.push_back({.kind = DrawCall::Bitmap, .rect = destination, .source = source,
                         .bitmapSize = {bitmap.getWidth(), bitmap.getHeight()}});
    }
    void fillRect(const gui::CRect& rect, gui::CColor color) override
    {
        calls.push_back({.kind = DrawCall::Fill, .rect = rect, .color = color});
    }
    void frameRect(const gui::CRect& rect, gui::CColor color) override
    {
        calls.push_back({.kind = DrawCall::Frame, .rect = rect, .color = color});
    }
    void drawCenteredText(const std::string& text, const gui::CRect& rect, gui::CFontId font,
                          gui::CColor color) override
    {
        calls.push_back({.kind = DrawCall::Text, .rect = rect, .color = color, .text = text, .font = font});
    }
    std::vector<DrawCall> calls;
};

class FakeWindowSystem final : public gui::WindowSystem {
public:
    class Window final : public gui::PlatformWindow {
    public:
        Window(FakeWindowSystem& system, gui::WindowClient& client) : system_(system), client_(client)
        {
            system_.window = this;
        }
        ~Window() override { system_.window = nullptr; }
        void redraw(const gui::CRect& area) override
        {
            RecordingContext context;
            client_.paint(context, area);
            system_.drawn.insert(system_.drawn.end(), context.calls.begin(), context.calls.end());
        }
        void handleEvents() override {}
        void click(gui::CPoint where, unsigned buttons = gui::kLButton) { client_.mouseDown(where, buttons); }
        bool acceptsDrop() const { return client_.acceptsDrop(); }

    private:
        FakeWindowSystem& system_;
        gui::WindowClient& client_;
    };

    std::unique_ptr<gui::PlatformWindow> createChildWindow(void* parent, gui::CPoint size,
                                                           gui::WindowClient& client) override
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
    gui::CPoint windowSize{};
    std::vector<DrawCall> drawn;
    std::uint32_t now = 1000;
    int pendingPaintsServed = 0;
};

class FakeAboutBoxes final : public gui::AboutBoxes {
public:
    void open() override { ++opened; }
    void closeAll() override { opened = 0; }
    std::size_t openCount() override { return opened; }
    std::size_t opened = 0;
};

}  // namespace kestrava::test
