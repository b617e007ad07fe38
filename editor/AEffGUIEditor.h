// The editor base of panels drawn with the gui toolkit: it owns the frame
// while the window is open, hands keys to it, brackets a control's click
// with the controller's begin and end edit, and runs the idle pacing step a
// click asks for (the editor's idle at most every 100 ms, one pending paint,
// then the host's idle).
//
// User-interface thread only.
#pragma once

#include "editor/EditorController.h"
#include "gui/CFrame.h"
#include "gui/Input.h"
#include "gui/PlatformWindow.h"

#include <cstdint>
#include <memory>

namespace kestrava::editor {

class AEffGUIEditor : public gui::EditHost {
public:
    AEffGUIEditor(EditorController& controller, gui::WindowSystem& windows);
    ~AEffGUIEditor() override;

    AEffGUIEditor(const AEffGUIEditor&) = delete;
    AEffGUIEditor& operator=(const AEffGUIEditor&) = delete;

    // Builds the panel inside the host's parent window.
    virtual bool open(void* parent) = 0;
    virtual void close() = 0;
    virtual void idle() = 0;

    bool isOpen() const { return frame_ != nullptr; }
    // The open panel's window as its platform names it, null while closed.
    void* windowHandle() const { return frame_ != nullptr ? frame_->nativeHandle() : nullptr; }
    // The panel's size in pixels.
    gui::CPoint size() const { return size_; }

    // True only when the panel consumed the key.
    bool onKeyDown(const gui::KeyEvent& key);
    bool onKeyUp(const gui::KeyEvent& key);

    void doIdleStuff() override;
    void beginEdit(int tag) override;
    void endEdit(int tag) override;

protected:
    // True while the host is inside the idle that doIdleStuff lets it run.
    bool insideHostIdle() const { return insideHostIdle_; }

    EditorController& controller_;
    gui::WindowSystem& windows_;
    gui::CPoint size_{};
    std::unique_ptr<gui::CFrame> frame_;

private:
    std::uint32_t nextIdle_;
    bool insideHostIdle_ = false;
    bool threadAttached_ = false;
};

}  // namespace kestrava::editor
