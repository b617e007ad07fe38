// Sonalve as an LV2 plug-in: the adapter that maps LV2's ports, patch
// messages, worker and state onto the effect core. The correction file is
// the writable parameter <plugin>#correction (an atom:Path): a patch:Set on
// the control port schedules its load on the host's worker, whose result
// reaches the audio thread through the core's hand-over and is announced
// on the notify port. The state keeps the file (through state:mapPath), the
// sixteen program records and the current program.
//
// Threads: instantiate, state and cleanup on the host's main thread; work()
// on its worker thread; run() and work_response() on the audio thread, where
// nothing allocates, locks or calls the system.
#include "formats/lv2/Lv2Uris.h"
#include "platform/Desktop.h"
#include "platform/Messages.h"
#include "plugin/EffectCore.h"
#include "plugin/ProgramBank.h"
#include "plugin/ProgramRecord.h"

#include <lv2/atom/atom.h>
#include <lv2/atom/forge.h>
#include <lv2/atom/util.h>
#include <lv2/core/lv2.h>
#include <lv2/log/log.h>
#include <lv2/patch/patch.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace kestrava::formats::lv2 {
namespace {

using plugin::EffectCore;
using plugin::kProgramPathSize;

struct Uris {
    explicit Uris(LV2_URID_Map* map)
    {
        auto id = [map](const char* uri) { return map->map(map->handle, uri); };
        atomPath = id(LV2_ATOM__Path);
        atomChunk = id(LV2_ATOM__Chunk);
        atomInt = id(LV2_ATOM__Int);
        atomUrid = id(LV2_ATOM__URID);
        atomObject = id(LV2_ATOM__Object);
        patchSet = id(LV2_PATCH__Set);
        patchGet = id(LV2_PATCH__Get);
        patchProperty = id(LV2_PATCH__property);
        patchValue = id(LV2_PATCH__value);
        correction = id(kCorrectionUri);
        programs = id(kProgramsUri);
        program = id(kProgramUri);
        logError = id(LV2_LOG__Error);
        lv2_atom_forge_init(&forge, map);
    }

    LV2_URID atomPath, atomChunk, atomInt, atomUrid, atomObject;
    LV2_URID patchSet, patchGet, patchProperty, patchValue;
    LV2_URID correction, programs, program, logError;
    LV2_Atom_Forge forge{};
};

// A plug-in has no window to show a message in: the reason for a failed
// read goes to the host's log, or to standard error without one.
class LogMessages final : public platform::Messages {
public:
    LogMessages(LV2_Log_Log* log, LV2_URID error) : log_(log), error_(error) {}

    void show(const std::string& text, const std::string&, platform::MessageIcon) override
    {
        if (log_ != nullptr)
            log_->printf(log_->handle, error_, "Sonalve: %s\n", text.c_str());
        else
            std::fprintf(stderr, "Sonalve: %s\n", text.c_str());
    }

private:
    LV2_Log_Log* log_;
    LV2_URID error_;
};

// The worker's answer: whether the file was taken, and the path in use.
struct LoadResult {
    bool loaded = false;
    std::array<char, kProgramPathSize> path{};
};

template <class Feature>
Feature* findFeature(const LV2_Feature* const* features, const char* uri)
{
    for (; features != nullptr && *features != nullptr; ++features)
        if (std::strcmp((*features)->URI, uri) == 0)
            return static_cast<Feature*>((*features)->data);
    return nullptr;
}

void copyPath(std::array<char, kProgramPathSize>& to, const std::string& path)
{
    const std::string shown = path == "None" ? std::string() : path;
    std::snprintf(to.data(), to.size(), "%s", shown.c_str());
}

class Lv2Effect {
public:
    Lv2Effect(double rate, LV2_URID_Map* map, LV2_Worker_Schedule* schedule, LV2_Log_Log* log)
        : uris_(map), schedule_(schedule), messages_(log, uris_.logError), desktop_(platform::desktopServices()),
          core_({messages_, desktop_.shell, desktop_.fileDialog})
    {
        core_.setSampleRate(rate);
    }

    void connect(std::uint32_t port, void* data)
    {
        if (port < ports_.size())
            ports_[port] = data;
    }

    void run(std::uint32_t frames);
    void work(LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle handle, std::uint32_t size,
              const void* data);
    void workResponse(std::uint32_t size, const void* data);
    LV2_State_Status save(LV2_State_Store_Function store, LV2_State_Handle handle,
                          const LV2_Feature* const* features);
    LV2_State_Status restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                             const LV2_Feature* const* features);

private:
    template <class T>
    T* port(Port index) const
    {
        return static_cast<T*>(ports_[index]);
    }

    void followSwitches();
    void readControl();
    void announcePath();

    Uris uris_;
    LV2_Worker_Schedule* schedule_;
    LogMessages messages_;
    platform::DesktopServices desktop_;
    EffectCore core_;
    std::array<void*, kNotify + 1> ports_{};
    // Audio thread: the port values last applied, and the path announced.
    float appliedInput_ = std::nanf("");
    float appliedAir_ = std::nanf("");
    std::array<char, kProgramPathSize> path_{};
    bool announce_ = true;
};

void Lv2Effect::followSwitches()
{
    const float input = *port<const float>(kInputSelect);
    if (input != appliedInput_ && !std::isnan(input)) {
        appliedInput_ = input;
        core_.setInput(input);
    }
    const float air = *port<const float>(kAir);
    if (air != appliedAir_ && !std::isnan(air)) {
        appliedAir_ = air;
        core_.setAir(airSwitchFromPort(air));
    }
}

void Lv2Effect::readControl()
{
    const auto* control = port<const LV2_Atom_Sequence>(kControl);
    if (control == nullptr)
        return;
    LV2_ATOM_SEQUENCE_FOREACH(control, event)
    {
        if (event->body.type != uris_.atomObject)
            continue;
        const auto* object = reinterpret_cast<const LV2_Atom_Object*>(&event->body);
        const LV2_Atom* property = nullptr;
        const LV2_Atom* value = nullptr;
        lv2_atom_object_get(object, uris_.patchProperty, &property, uris_.patchValue, &value, 0);
        const bool aboutCorrection = property == nullptr
            || (property->type == uris_.atomUrid
                && reinterpret_cast<const LV2_Atom_URID*>(property)->body == uris_.correction);
        if (!aboutCorrection)
            continue;
        if (object->body.otype == uris_.patchGet) {
            announce_ = true;
        } else if (object->body.otype == uris_.patchSet && value != nullptr && value->type == uris_.atomPath
                   && value->size > 1 && value->size <= kProgramPathSize) {
            // The worker copies the path, terminator included; the load
            // itself happens off this thread.
            const char* path = static_cast<const char*>(LV2_ATOM_BODY_CONST(value));
            if (path[value->size - 1] == '\0')
                schedule_->schedule_work(schedule_->handle, value->size, path);
        }
    }
}

void Lv2Effect::announcePath()
{
    auto* notify = port<LV2_Atom_Sequence>(kNotify);
    if (notify == nullptr)
        return;
    LV2_Atom_Forge& forge = uris_.forge;
    lv2_atom_forge_set_buffer(&forge, reinterpret_cast<std::uint8_t*>(notify), notify->atom.size);
    LV2_Atom_Forge_Frame sequence;
    lv2_atom_forge_sequence_head(&forge, &sequence, 0);
    if (announce_) {
        LV2_Atom_Forge_Frame object;
        lv2_atom_forge_frame_time(&forge, 0);
        lv2_atom_forge_object(&forge, &object, 0, uris_.patchSet);
        lv2_atom_forge_key(&forge, uris_.patchProperty);
        lv2_atom_forge_urid(&forge, uris_.correction);
        lv2_atom_forge_key(&forge, uris_.patchValue);
        // A path the host's buffer cannot hold is announced again at the
        // next block.
        announce_ = lv2_atom_forge_path(&forge, path_.data(), static_cast<std::uint32_t>(std::strlen(path_.data())))
                    == 0;
        lv2_atom_forge_pop(&forge, &object);
    }
    lv2_atom_forge_pop(&forge, &sequence);
}

void Lv2Effect::run(std::uint32_t frames)
{
    followSwitches();
    readControl();
    float* inputs[2] = {port<float>(kInput1), port<float>(kInput2)};
    float* outputs[2] = {port<float>(kOutput1), port<float>(kOutput2)};
    core_.process(inputs, outputs, static_cast<std::int32_t>(frames));
    announcePath();
}

void Lv2Effect::work(LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle handle, std::uint32_t size,
                     const void* data)
{
    const std::string path(static_cast<const char*>(data), strnlen(static_cast<const char*>(data), size));
    LoadResult result;
    result.loaded = core_.useCorrectionFile(path);
    copyPath(result.path, core_.correctionPath());
    respond(handle, sizeof result, &result);
}

void Lv2Effect::workResponse(std::uint32_t size, const void* data)
{
    if (size != sizeof(LoadResult))
        return;
    std::memcpy(path_.data(), static_cast<const LoadResult*>(data)->path.data(), path_.size());
    announce_ = true;
}

LV2_State_Status Lv2Effect::save(LV2_State_Store_Function store, LV2_State_Handle handle,
                                 const LV2_Feature* const* features)
{
    const auto records = core_.bankRecords();
    store(handle, uris_.programs, records.data(), records.size(), uris_.atomChunk,
          LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
    const std::int32_t program = core_.currentProgram();
    store(handle, uris_.program, &program, sizeof program, uris_.atomInt, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);

    const std::string path = core_.correctionPath();
    if (path == "None")
        return LV2_STATE_SUCCESS;
    auto* mapPath = findFeature<LV2_State_Map_Path>(features, LV2_STATE__mapPath);
    auto* freePath = findFeature<LV2_State_Free_Path>(features, LV2_STATE__freePath);
    char* abstract = mapPath != nullptr ? mapPath->abstract_path(mapPath->handle, path.c_str()) : nullptr;
    const char* stored = abstract != nullptr ? abstract : path.c_str();
    store(handle, uris_.correction, stored, std::strlen(stored) + 1, uris_.atomPath, LV2_STATE_IS_POD);
    if (abstract != nullptr) {
        if (freePath != nullptr)
            freePath->free_path(freePath->handle, abstract);
        else
            std::free(abstract);
    }
    return LV2_STATE_SUCCESS;
}

LV2_State_Status Lv2Effect::restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                                    const LV2_Feature* const* features)
{
    std::size_t size = 0;
    std::uint32_t type = 0;
    std::uint32_t flags = 0;
    if (const void* program = retrieve(handle, uris_.program, &size, &type, &flags);
        program != nullptr && type == uris_.atomInt && size == sizeof(std::int32_t)) {
        std::int32_t index = 0;
        std::memcpy(&index, program, sizeof index);
        core_.selectProgram(index);
    }
    if (const void* records = retrieve(handle, uris_.programs, &size, &type, &flags);
        records != nullptr && type == uris_.atomChunk) {
        core_.restoreRecords({static_cast<const std::byte*>(records), size}, false);
    }
    if (const void* stored = retrieve(handle, uris_.correction, &size, &type, &flags);
        stored != nullptr && type == uris_.atomPath && size > 1) {
        const std::string abstract(static_cast<const char*>(stored), strnlen(static_cast<const char*>(stored), size));
        auto* mapPath = findFeature<LV2_State_Map_Path>(features, LV2_STATE__mapPath);
        auto* freePath = findFeature<LV2_State_Free_Path>(features, LV2_STATE__freePath);
        char* absolute = mapPath != nullptr ? mapPath->absolute_path(mapPath->handle, abstract.c_str()) : nullptr;
        core_.useCorrectionFile(absolute != nullptr ? absolute : abstract);
        if (absolute != nullptr) {
            if (freePath != nullptr)
                freePath->free_path(freePath->handle, absolute);
            else
                std::free(absolute);
        }
    }
    // Restore never runs beside run(): the announcement is safe to set here.
    copyPath(path_, core_.correctionPath());
    announce_ = true;
    // The ports speak next; their values apply again at the next block.
    appliedInput_ = appliedAir_ = std::nanf("");
    return LV2_STATE_SUCCESS;
}

Lv2Effect* effectOf(LV2_Handle instance)
{
    return static_cast<Lv2Effect*>(instance);
}

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features)
{
    // Without a worker no correction file could ever be loaded off the
    // audio thread, so the plug-in asks for one.
    auto* map = findFeature<LV2_URID_Map>(features, LV2_URID__map);
    auto* schedule = findFeature<LV2_Worker_Schedule>(features, LV2_WORKER__schedule);
    if (map == nullptr || schedule == nullptr)
        return nullptr;
    return new (std::nothrow) Lv2Effect(rate, map, schedule, findFeature<LV2_Log_Log>(features, LV2_LOG__log));
}

LV2_Worker_Status work(LV2_Handle instance, LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle handle,
                       std::uint32_t size, const void* data)
{
    effectOf(instance)->work(respond, handle, size, data);
    return LV2_WORKER_SUCCESS;
}

LV2_Worker_Status workResponse(LV2_Handle instance, std::uint32_t size, const void* data)
{
    effectOf(instance)->workResponse(size, data);
    return LV2_WORKER_SUCCESS;
}

LV2_State_Status save(LV2_Handle instance, LV2_State_Store_Function store, LV2_State_Handle handle, std::uint32_t,
                      const LV2_Feature* const* features)
{
    return effectOf(instance)->save(store, handle, features);
}

LV2_State_Status restore(LV2_Handle instance, LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                         std::uint32_t, const LV2_Feature* const* features)
{
    return effectOf(instance)->restore(retrieve, handle, features);
}

const void* extensionData(const char* uri)
{
    static const LV2_Worker_Interface worker = {work, workResponse, nullptr};
    static const LV2_State_Interface state = {save, restore};
    if (std::strcmp(uri, LV2_WORKER__interface) == 0)
        return &worker;
    if (std::strcmp(uri, LV2_STATE__interface) == 0)
        return &state;
    return nullptr;
}

const LV2_Descriptor descriptor = {
    kPluginUri,
    instantiate,
    [](LV2_Handle instance, std::uint32_t port, void* data) { effectOf(instance)->connect(port, data); },
    nullptr,
    [](LV2_Handle instance, std::uint32_t frames) { effectOf(instance)->run(frames); },
    nullptr,
    [](LV2_Handle instance) { delete effectOf(instance); },
    extensionData,
};

}  // namespace
}  // namespace kestrava::formats::lv2

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(std::uint32_t index)
{
    return index == 0 ? &kestrava::formats::lv2::descriptor : nullptr;
}
