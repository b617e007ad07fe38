// Sonalve's editor: a 250 by 123 pixel panel with the Input and Air
// switches (parameters 17 and 18), the correction file's name, and three
// buttons: load a correction file (parameter 19), open the help, show the
// About box. It reaches the effect only through its controller, and catches
// up with it (program change, file loaded) in its idle step when the
// controller signals a refresh.
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

namespace kestrava::editor {

class SDEditor final : public AEffGUIEditor, public gui::CControlListener {
public:
    SDEditor(EditorController& controller, EditorServices services);
    ~SDEditor() override;

    bool open(void* parent) override;
    void close() override;
    void idle() override;
    void valueChanged(gui::CControl* control) override;

private:
    std::string correctionName() const;

    EditorServices services_;
    gui::CBitmap* background_;
    gui::COnOffButton* inputSwitch_ = nullptr;
    gui::COnOffButton* airSwitch_ = nullptr;
    gui::CTextLabel* fileLabel_ = nullptr;
};

}  // namespace kestrava::editor
