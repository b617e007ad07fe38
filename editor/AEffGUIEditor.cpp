#include "editor/AEffGUIEditor.h"

namespace kestrava::editor {

AEffGUIEditor::AEffGUIEditor(EditorController& controller, gui::WindowSystem& windows)
    : controller_(controller), windows_(windows), nextIdle_(windows.milliseconds())
{
    threadAttached_ = windows_.attachThread();
}

AEffGUIEditor::~AEffGUIEditor()
{
    frame_.reset();
    if (threadAttached_)
        windows_.detachThread();
}

bool AEffGUIEditor::onKeyDown(const gui::KeyEvent& key)
{
    return frame_ != nullptr && frame_->onKeyDown(key);
}

bool AEffGUIEditor::onKeyUp(const gui::KeyEvent& key)
{
    return frame_ != nullptr && frame_->onKeyUp(key);
}

void AEffGUIEditor::doIdleStuff()
{
    std::uint32_t now = windows_.milliseconds();
    // Differences, not comparisons, so that the clock may wrap.
    if (static_cast<std::int32_t>(now - nextIdle_) < 0) {
        windows_.wait(4);
        now += 4;
        if (static_cast<std::int32_t>(nextIdle_ - now) > 50)
            return;
    }
    idle();
    windows_.dispatchPendingPaint();
    nextIdle_ = now + 100;
    insideHostIdle_ = true;
    controller_.hostIdle();
    insideHostIdle_ = false;
}

void AEffGUIEditor::beginEdit(int tag)
{
    controller_.beginEdit(tag);
}

void AEffGUIEditor::endEdit(int tag)
{
    controller_.endEdit(tag);
}

}  // namespace kestrava::editor
