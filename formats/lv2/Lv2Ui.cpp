// Sonalve's panel as an LV2 X11 UI: the same panel the VST 2.4 editor
// shows, embedded in the host's parent window (ui:parent) and served from
// the host's idle calls (ui:idleInterface). It talks to the plug-in only
// through ports (found with ui:portMap where the host offers it): the switches as control-port values, the correction file
// as a patch:Set on the control port, and the file in use as the plug-in's
// patch:Set announcements on its notify port. Load, help and About run here,
// in the host's user-interface thread; a file is read once here so that a
// damaged one is reported to the user before the plug-in is asked to load it.
//
// User-interface thread only.
#include "editor/EditorController.h"
#include "editor/NativeEditorServices.h"
#include "editor/SDEditor.h"
#include "formats/lv2/Lv2Uris.h"
#include "platform/Desktop.h"
#include "plugin/CorrectionFiles.h"
#include "plugin/ProgramRecord.h"

#include <lv2/atom/atom.h>
#include <lv2/atom/forge.h>
#include <lv2/atom/util.h>
#include <lv2/core/lv2.h>
#include <lv2/patch/patch.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>

namespace kestrava::formats::lv2 {
namespace {

template <class Feature>
Feature* findFeature(const LV2_Feature* const* features, const char* uri)
{
    for (; features != nullptr && *features != nullptr; ++features)
        if (std::strcmp((*features)->URI, uri) == 0)
            return static_cast<Feature*>((*features)->data);
    return nullptr;
}

// The plug-in's ports the panel uses, by the host's port map where it
// offers one, else by the indexes of the plug-in's description.
struct PanelPorts {
    explicit PanelPorts(const LV2UI_Port_Map* map)
    {
        if (map == nullptr)
            return;
        const auto index = [map](const char* symbol, std::uint32_t fallback) {
            const std::uint32_t found = map->port_index(map->handle, symbol);
            return found == LV2UI_INVALID_PORT_INDEX ? fallback : found;
        };
        input = index("input", input);
        air = index("air", air);
        control = index("control", control);
        notify = index("notify", notify);
    }

    std::uint32_t input = kInputSelect;
    std::uint32_t air = kAir;
    std::uint32_t control = kControl;
    std::uint32_t notify = kNotify;
};

class Lv2Panel final : private editor::EditorController {
public:
    Lv2Panel(LV2UI_Write_Function write, LV2UI_Controller controller, LV2_URID_Map* map, PanelPorts ports)
        : write_(write), controller_(controller), ports_(ports), files_(platform::desktopServices()),
          panel_(*this, editor::nativeEditorServices())
    {
        eventTransfer_ = map->map(map->handle, LV2_ATOM__eventTransfer);
        atomObject_ = map->map(map->handle, LV2_ATOM__Object);
        atomPath_ = map->map(map->handle, LV2_ATOM__Path);
        atomUrid_ = map->map(map->handle, LV2_ATOM__URID);
        patchSet_ = map->map(map->handle, LV2_PATCH__Set);
        patchGet_ = map->map(map->handle, LV2_PATCH__Get);
        patchProperty_ = map->map(map->handle, LV2_PATCH__property);
        patchValue_ = map->map(map->handle, LV2_PATCH__value);
        correction_ = map->map(map->handle, kCorrectionUri);
        lv2_atom_forge_init(&forge_, map);
    }

    bool open(void* parent) { return panel_.open(parent); }
    void* window() const { return panel_.windowHandle(); }
    gui::CPoint size() const { return panel_.size(); }

    // Asks the plug-in which file it runs.
    void askForCorrection()
    {
        LV2_Atom_Forge_Frame frame;
        lv2_atom_forge_set_buffer(&forge_, buffer_.data(), buffer_.size());
        auto* message = reinterpret_cast<LV2_Atom*>(lv2_atom_forge_object(&forge_, &frame, 0, patchGet_));
        lv2_atom_forge_key(&forge_, patchProperty_);
        lv2_atom_forge_urid(&forge_, correction_);
        lv2_atom_forge_pop(&forge_, &frame);
        send(message);
    }

    void portEvent(std::uint32_t port, std::uint32_t size, std::uint32_t format, const void* data);

    int idle()
    {
        panel_.idle();
        return 0;
    }

private:
    float parameter(int tag) override { return tag == editor::kInputTag ? input_ : airSwitch_; }
    void changeParameter(int tag, float value) override;
    void beginEdit(int) override {}
    void endEdit(int) override {}
    std::string correctionPath() override { return path_.empty() ? "None" : path_; }
    bool takeRefresh() override
    {
        const bool pending = refresh_;
        refresh_ = false;
        return pending;
    }
    void hostIdle() override {}

    void chooseCorrection();
    void send(const LV2_Atom* message)
    {
        write_(controller_, ports_.control, lv2_atom_total_size(message), eventTransfer_, message);
    }

    LV2UI_Write_Function write_;
    LV2UI_Controller controller_;
    PanelPorts ports_;
    LV2_URID eventTransfer_, atomObject_, atomPath_, atomUrid_;
    LV2_URID patchSet_, patchGet_, patchProperty_, patchValue_, correction_;
    LV2_Atom_Forge forge_{};
    std::array<std::uint8_t, 2048> buffer_{};
    plugin::CorrectionFiles files_;

    float input_ = 1.0f;
    float airSwitch_ = 0.0f;
    std::string path_;
    bool refresh_ = false;
    editor::SDEditor panel_;
};

void Lv2Panel::changeParameter(int tag, float value)
{
    if (tag == editor::kInputTag) {
        input_ = value == 0.0f ? 0.0f : 1.0f;
        write_(controller_, ports_.input, sizeof input_, 0, &input_);
    } else if (tag == editor::kAirTag) {
        airSwitch_ = value;
        const float air = airPortFromSwitch(value);
        write_(controller_, ports_.air, sizeof air, 0, &air);
    } else if (tag == editor::kLoadTag) {
        chooseCorrection();
    }
}

void Lv2Panel::chooseCorrection()
{
    const std::optional<std::string> chosen = files_.choose(correctionPath());
    engine::CorrectionSet checked;
    if (!chosen || chosen->size() >= plugin::kProgramPathSize || !files_.read(*chosen, checked))
        return;
    LV2_Atom_Forge_Frame frame;
    lv2_atom_forge_set_buffer(&forge_, buffer_.data(), buffer_.size());
    auto* message = reinterpret_cast<LV2_Atom*>(lv2_atom_forge_object(&forge_, &frame, 0, patchSet_));
    lv2_atom_forge_key(&forge_, patchProperty_);
    lv2_atom_forge_urid(&forge_, correction_);
    lv2_atom_forge_key(&forge_, patchValue_);
    lv2_atom_forge_path(&forge_, chosen->c_str(), static_cast<std::uint32_t>(chosen->size()));
    lv2_atom_forge_pop(&forge_, &frame);
    send(message);
}

void Lv2Panel::portEvent(std::uint32_t port, std::uint32_t size, std::uint32_t format, const void* data)
{
    if (format == 0 && size == sizeof(float)) {
        float value = 0.0f;
        std::memcpy(&value, data, sizeof value);
        if (port == ports_.input)
            input_ = value;
        else if (port == ports_.air)
            airSwitch_ = airSwitchFromPort(value);
        else
            return;
        refresh_ = true;
        return;
    }
    if (port != ports_.notify || format != eventTransfer_ || size < sizeof(LV2_Atom))
        return;
    const auto* atom = static_cast<const LV2_Atom*>(data);
    if (atom->type != atomObject_)
        return;
    const auto* object = reinterpret_cast<const LV2_Atom_Object*>(atom);
    const LV2_Atom* property = nullptr;
    const LV2_Atom* value = nullptr;
    lv2_atom_object_get(object, patchProperty_, &property, patchValue_, &value, 0);
    if (object->body.otype != patchSet_ || property == nullptr || property->type != atomUrid_
        || reinterpret_cast<const LV2_Atom_URID*>(property)->body != correction_ || value == nullptr
        || value->type != atomPath_)
        return;
    const char* path = static_cast<const char*>(LV2_ATOM_BODY_CONST(value));
    path_.assign(path, strnlen(path, value->size));
    refresh_ = true;
}

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char*, const char*, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features)
{
    void* parent = findFeature<void>(features, LV2_UI__parent);
    auto* map = findFeature<LV2_URID_Map>(features, LV2_URID__map);
    if (parent == nullptr || map == nullptr)
        return nullptr;
    auto* panel = new (std::nothrow)
        Lv2Panel(write, controller, map, PanelPorts(findFeature<const LV2UI_Port_Map>(features, LV2_UI__portMap)));
    if (panel == nullptr)
        return nullptr;
    if (!panel->open(parent)) {
        delete panel;
        return nullptr;
    }
    *widget = panel->window();
    if (auto* resize = findFeature<LV2UI_Resize>(features, LV2_UI__resize))
        resize->ui_resize(resize->handle, panel->size().x, panel->size().y);
    panel->askForCorrection();
    return panel;
}

const void* extensionData(const char* uri)
{
    static const LV2UI_Idle_Interface idle = {
        [](LV2UI_Handle handle) { return static_cast<Lv2Panel*>(handle)->idle(); }};
    return std::strcmp(uri, LV2_UI__idleInterface) == 0 ? &idle : nullptr;
}

const LV2UI_Descriptor descriptor = {
    kUiUri,
    instantiate,
    [](LV2UI_Handle handle) { delete static_cast<Lv2Panel*>(handle); },
    [](LV2UI_Handle handle, std::uint32_t port, std::uint32_t size, std::uint32_t format, const void* data) {
        static_cast<Lv2Panel*>(handle)->portEvent(port, size, format, data);
    },
    extensionData,
};

}  // namespace
}  // namespace kestrava::formats::lv2

LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(std::uint32_t index)
{
    return index == 0 ? &kestrava::formats::lv2::descriptor : nullptr;
}
