// Sonalve's panel as a VST 2.4 editor: the AEffEditor the effect owns and
// the dispatcher's editor opcodes reach, holding the panel and serving as
// its controller over the effect (parameters through setParameterAutomated,
// begin and end edit, audioMasterIdle, the effect's refresh flag).
//
// User-interface thread only.
#pragma once

#include "editor/EditorController.h"
#include "editor/EditorServices.h"
#include "editor/SDEditor.h"
#include "plugin/ADelay.h"
#include "plugin/AEffEditor.h"

#include <string>

namespace kestrava::formats {

class Vst2Editor final : public plugin::AEffEditor, private editor::EditorController {
public:
    Vst2Editor(plugin::ADelay* effect, editor::EditorServices services);
    ~Vst2Editor() override;

    bool getRect(plugin::vst2::ERect** rect) override;
    bool open(void* parent) override;
    void close() override;
    void idle() override;
    bool onKeyDown(const plugin::EditorKey& key) override;
    bool onKeyUp(const plugin::EditorKey& key) override;

private:
    float parameter(int tag) override;
    void changeParameter(int tag, float value) override;
    void beginEdit(int tag) override;
    void endEdit(int tag) override;
    std::string correctionPath() override;
    bool takeRefresh() override;
    void hostIdle() override;

    plugin::ADelay* delay_;
    editor::SDEditor panel_;
    plugin::vst2::ERect rect_{};
};

}  // namespace kestrava::formats
