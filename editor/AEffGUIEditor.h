// The editor base of effects drawn with the gui toolkit: it owns the frame
// while the window is open, hands the dispatcher's keys to it, brackets a
// control's click with the host's begin and end edit, and runs the idle
// pacing step a click asks for (the editor's idle at most every 100 ms, one
// pending paint, then audioMasterIdle).
//
// User-interface thread only.
#pragma once

#include "gui/CFrame.h"
#include "gui/PlatformWindow.h"
#include "plugin/AEffEditor.h"

#include <cstdint>
#include <memory>

namespace kestrava::plugin {
class AudioEffectX;
}  // namespace kestrava::plugin

namespace kestrava::editor {

class AEffGUIEditor : public plugin::AEffEditor, public gui::EditHost {
public:
    AEffGUIEditor(plugin::AudioEffectX* effect, gui::WindowSystem& windows);
    ~AEffGUIEditor() override;

    bool getRect(plugin::vst2::ERect** rect) override;
    bool onKeyDown(const plugin::EditorKey& key) override;
    bool onKeyUp(const plugin::EditorKey& key) override;

    void doIdleStuff() override;
    void beginEdit(int tag) override;
    void endEdit(int tag) override;

protected:
    // True while the host is inside the audioMasterIdle that doIdleStuff sends.
    bool insideHostIdle() const { return insideHostIdle_; }

    plugin::AudioEffectX* effectX_;
    gui::WindowSystem& windows_;
    plugin::vst2::ERect rect_{};
    std::unique_ptr<gui::CFrame> frame_;

private:
    std::uint32_t nextIdle_;
    bool insideHostIdle_ = false;
    bool threadAttached_ = false;
};

}  // namespace kestrava::editor
