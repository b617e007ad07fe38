#include "editor/AEffGUIEditor.h"

#include "plugin/AudioEffectX.h"

namespace kestrava::editor {

using plugin::EditorKey;

namespace {

gui::KeyEvent toolkitKey(const EditorKey& key)
{
    return {key.character, static_cast<long long>(key.virtualKey), static_cast<int>(key.modifiers)};
}

}  // namespace

AEffGUIEditor::AEffGUIEditor(plugin::AudioEffectX* effect, gui::WindowSystem& windows)
    : plugin::AEffEditor(effect), effectX_(effect), windows_(windows), nextIdle_(windows.milliseconds())
{
    threadAttached_ = windows_.attachThread();
}

AEffGUIEditor::~AEffGUIEditor()
{
    frame_.reset();
    if (threadAttached_)
        windows_.detachThread();
}

bool AEffGUIEditor::getRect(plugin::vst2::ERect** rect)
{
    *rect = &rect_;
    return true;
}

bool AEffGUIEditor::onKeyDown(const EditorKey& key)
{
    return frame_ != nullptr && frame_->onKeyDown(toolkitKey(key));
}

bool AEffGUIEditor::onKeyUp(const EditorKey& key)
{
    return frame_ != nullptr && frame_->onKeyUp(toolkitKey(key));
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
    effectX_->masterIdle();
    insideHostIdle_ = false;
}

void AEffGUIEditor::beginEdit(int tag)
{
    effectX_->beginEdit(tag);
}

void AEffGUIEditor::endEdit(int tag)
{
    effectX_->endEdit(tag);
}

}  // namespace kestrava::editor
