#include "formats/vst2/Vst2Editor.h"

namespace kestrava::formats {

namespace {

gui::KeyEvent toolkitKey(const plugin::EditorKey& key)
{
    return {key.character, static_cast<long long>(key.virtualKey), static_cast<int>(key.modifiers)};
}

}  // namespace

Vst2Editor::Vst2Editor(plugin::ADelay* effect, editor::EditorServices services)
    : plugin::AEffEditor(effect), delay_(effect), panel_(*this, std::move(services))
{
    const gui::CPoint size = panel_.size();
    rect_ = {0, 0, static_cast<plugin::vst2::VstInt16>(size.y), static_cast<plugin::vst2::VstInt16>(size.x)};
}

Vst2Editor::~Vst2Editor()
{
    panel_.close();
}

bool Vst2Editor::getRect(plugin::vst2::ERect** rect)
{
    *rect = &rect_;
    return true;
}

bool Vst2Editor::open(void* parent)
{
    if (!panel_.open(parent))
        return false;
    return plugin::AEffEditor::open(parent);
}

void Vst2Editor::close()
{
    panel_.close();
    plugin::AEffEditor::close();
}

void Vst2Editor::idle()
{
    panel_.idle();
}

bool Vst2Editor::onKeyDown(const plugin::EditorKey& key)
{
    return panel_.onKeyDown(toolkitKey(key));
}

bool Vst2Editor::onKeyUp(const plugin::EditorKey& key)
{
    return panel_.onKeyUp(toolkitKey(key));
}

float Vst2Editor::parameter(int tag)
{
    return delay_->getParameter(tag);
}

void Vst2Editor::changeParameter(int tag, float value)
{
    delay_->setParameterAutomated(tag, value);
}

void Vst2Editor::beginEdit(int tag)
{
    delay_->beginEdit(tag);
}

void Vst2Editor::endEdit(int tag)
{
    delay_->endEdit(tag);
}

std::string Vst2Editor::correctionPath()
{
    return delay_->correctionPath();
}

bool Vst2Editor::takeRefresh()
{
    if (!delay_->editorRefreshPending())
        return false;
    delay_->clearEditorRefresh();
    return true;
}

void Vst2Editor::hostIdle()
{
    delay_->masterIdle();
}

}  // namespace kestrava::formats
