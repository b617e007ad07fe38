// Sonalve's editor: a 250 by 123 pixel panel with the Input and Air
// switches (parameters 17 and 18), the correction file's name, and three
// buttons: load a correction file (parameter 19), open the help, show the
// About box. It catches up with the effect (program change, file loaded)
// in its idle step when the effect raises editorRefreshPending.
//
// User-interface thread only.
#pragma once

#include "editor/AEffGUIEditor.h"
#include "editor/EditorServices.h"
#include "gui/CView.h"

#include <string>

namespace kestrava::gui {
class CBitmap;
class COnOffButton;
class CTextLabel;
}  // namespace kestrava::gui

namespace kestrava::plugin {
class ADelay;
}  // namespace kestrava::plugin

namespace kestrava::editor {

enum EditorTag { kInputTag = 17, kAirTag = 18, kLoadTag = 19, kHelpTag = 20, kAboutTag = 21 };

class SDEditor final : public AEffGUIEditor, public gui::CControlListener {
public:
    SDEditor(plugin::ADelay* effect, EditorServices services);
    ~SDEditor() override;

    bool open(void* parent) override;
    void close() override;
    void idle() override;
    void valueChanged(gui::CControl* control) override;

private:
    std::string correctionName() const;

    plugin::ADelay* delay_;
    EditorServices services_;
    gui::CBitmap* background_;
    gui::COnOffButton* inputSwitch_ = nullptr;
    gui::COnOffButton* airSwitch_ = nullptr;
    gui::CTextLabel* fileLabel_ = nullptr;
};

}  // namespace kestrava::editor
