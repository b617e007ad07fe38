// A small LV2 host for the tests, built on lilv: it loads the built bundle,
// maps URIDs, runs one instance's ports block by block, sends patch
// messages to its control port and reads its announcements, runs its worker
// on a thread of its own as hosts do, and saves and restores its state.
// Test-host code; the test's thread drives it, the worker thread only works.
#pragma once

#include "support/AllocationCounter.h"

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/atom/forge.h>
#include <lv2/atom/util.h>
#include <lv2/patch/patch.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace kestrava::test {

class UridMap {
public:
    LV2_URID map(const char* uri)
    {
        std::lock_guard lock(mutex_);
        for (std::size_t i = 0; i < uris_.size(); ++i)
            if (uris_[i] == uri)
                return static_cast<LV2_URID>(i + 1);
        uris_.emplace_back(uri);
        return static_cast<LV2_URID>(uris_.size());
    }
    const char* unmap(LV2_URID id)
    {
        std::lock_guard lock(mutex_);
        return id >= 1 && id <= uris_.size() ? uris_[id - 1].c_str() : nullptr;
    }

    LV2_URID_Map mapFeature{this, [](LV2_URID_Map_Handle h, const char* uri) { return static_cast<UridMap*>(h)->map(uri); }};
    LV2_URID_Unmap unmapFeature{this, [](LV2_URID_Unmap_Handle h, LV2_URID id) { return static_cast<UridMap*>(h)->unmap(id); }};

private:
    std::mutex mutex_;
    std::deque<std::string> uris_;
};

// The world with the built bundle loaded, once per test program.
class Lv2World {
public:
    explicit Lv2World(const std::string& bundle) : world_(lilv_world_new())
    {
        LilvNode* bundleUri = lilv_new_file_uri(world_, nullptr, (bundle + "/").c_str());
        lilv_world_load_bundle(world_, bundleUri);
        lilv_node_free(bundleUri);
        LilvNode* uri = lilv_new_uri(world_, "urn:kestrava:sonalve");
        plugin_ = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world_), uri);
        lilv_node_free(uri);
    }
    ~Lv2World() { lilv_world_free(world_); }

    LilvWorld* world() const { return world_; }
    const LilvPlugin* plugin() const { return plugin_; }
    UridMap& urids() { return urids_; }

private:
    LilvWorld* world_;
    const LilvPlugin* plugin_ = nullptr;
    UridMap urids_;
};

class Lv2Instance {
public:
    enum Port : std::uint32_t { kIn1, kIn2, kOut1, kOut2, kInput, kAir, kControl, kNotify };

    Lv2Instance(Lv2World& world, double rate) : world_(world), map_(world.urids())
    {
        features_ = {&mapFeature_, &unmapFeature_, &scheduleFeature_, nullptr};
        instance_ = lilv_plugin_instantiate(world.plugin(), rate, features_.data());
        if (instance_ == nullptr)
            return;
        worker_ = static_cast<const LV2_Worker_Interface*>(
            lilv_instance_get_extension_data(instance_, LV2_WORKER__interface));
        lilv_instance_connect_port(instance_, kInput, &input_);
        lilv_instance_connect_port(instance_, kAir, &air_);
        lilv_instance_connect_port(instance_, kControl, control_.data());
        lilv_instance_connect_port(instance_, kNotify, notify_.data());
        lilv_instance_activate(instance_);
        thread_ = std::thread([this] { serveWork(); });
    }

    ~Lv2Instance()
    {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable())
            thread_.join();
        if (instance_ != nullptr) {
            lilv_instance_deactivate(instance_);
            lilv_instance_free(instance_);
        }
    }

    bool loaded() const { return instance_ != nullptr; }

    float input_ = 1.0f;
    float air_ = 1.0f;

    // Queues a patch:Set of the correction file for the next block.
    void setCorrection(const std::string& path)
    {
        LV2_Atom_Forge forge;
        lv2_atom_forge_init(&forge, &map_.mapFeature);
        std::vector<std::uint8_t> message(path.size() + 256);
        lv2_atom_forge_set_buffer(&forge, message.data(), message.size());
        LV2_Atom_Forge_Frame frame;
        lv2_atom_forge_object(&forge, &frame, 0, map_.map(LV2_PATCH__Set));
        lv2_atom_forge_key(&forge, map_.map(LV2_PATCH__property));
        lv2_atom_forge_urid(&forge, map_.map("urn:kestrava:sonalve#correction"));
        lv2_atom_forge_key(&forge, map_.map(LV2_PATCH__value));
        lv2_atom_forge_path(&forge, path.c_str(), static_cast<std::uint32_t>(path.size()));
        lv2_atom_forge_pop(&forge, &frame);
        pendingMessage_ = message;
    }

    // One block through the plug-in; the worker's answers are delivered
    // after it, as hosts do.
    void run(float* in1, float* in2, float* out1, float* out2, std::uint32_t frames)
    {
        lilv_instance_connect_port(instance_, kIn1, in1);
        lilv_instance_connect_port(instance_, kIn2, in2);
        lilv_instance_connect_port(instance_, kOut1, out1);
        lilv_instance_connect_port(instance_, kOut2, out2);
        fillControl();
        auto* notify = reinterpret_cast<LV2_Atom_Sequence*>(notify_.data());
        notify->atom.type = 0;
        notify->atom.size = static_cast<std::uint32_t>(notify_.size() - sizeof(LV2_Atom));
        const std::uint64_t allocations = allocationsOnThisThread();
        lilv_instance_run(instance_, frames);
        runAllocations_ = allocationsOnThisThread() - allocations;
        readNotify();
        deliverResponses();
    }

    // Runs empty blocks until the plug-in announces `path` (two seconds at most).
    bool waitForCorrection(const std::string& path)
    {
        for (int i = 0; i < 400 && announced_ != path; ++i) {
            run(nullptr, nullptr, nullptr, nullptr, 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return announced_ == path;
    }

    const std::string& announced() const { return announced_; }
    // What the plug-in's last run() allocated.
    std::uint64_t runAllocations() const { return runAllocations_; }

    // Both outputs of a stereo signal run in blocks of `block` frames.
    std::pair<std::vector<float>, std::vector<float>> process(std::vector<float> in1, std::vector<float> in2,
                                                              std::size_t block)
    {
        std::vector<float> out1(in1.size()), out2(in1.size());
        for (std::size_t start = 0; start < in1.size(); start += block) {
            const auto frames = static_cast<std::uint32_t>(std::min(block, in1.size() - start));
            run(&in1[start], &in2[start], &out1[start], &out2[start], frames);
        }
        return {out1, out2};
    }

    // The state as lilv saves it into `folder` (state.ttl and the files it names).
    void saveState(const std::string& folder)
    {
        LilvState* state = lilv_state_new_from_instance(world_.plugin(), instance_, &map_.mapFeature, nullptr,
                                                        folder.c_str(), folder.c_str(), folder.c_str(), portValue,
                                                        this, 0, features_.data());
        lilv_state_save(world_.world(), &map_.mapFeature, &map_.unmapFeature, state, nullptr, folder.c_str(),
                        "state.ttl");
        lilv_state_free(state);
    }

    bool restoreState(const std::string& file)
    {
        LilvState* state = lilv_state_new_from_file(world_.world(), &map_.mapFeature, nullptr, file.c_str());
        if (state == nullptr)
            return false;
        lilv_state_restore(state, instance_, setPortValue, this, 0, features_.data());
        lilv_state_free(state);
        return true;
    }

private:
    static const void* portValue(const char* symbol, void* self, std::uint32_t* size, std::uint32_t* type)
    {
        auto* instance = static_cast<Lv2Instance*>(self);
        *size = sizeof(float);
        *type = instance->map_.map(LV2_ATOM__Float);
        if (std::strcmp(symbol, "input") == 0)
            return &instance->input_;
        if (std::strcmp(symbol, "air") == 0)
            return &instance->air_;
        *size = 0;
        return nullptr;
    }

    static void setPortValue(const char* symbol, void* self, const void* value, std::uint32_t size, std::uint32_t)
    {
        auto* instance = static_cast<Lv2Instance*>(self);
        float* port = std::strcmp(symbol, "input") == 0 ? &instance->input_
                    : std::strcmp(symbol, "air") == 0   ? &instance->air_
                                                        : nullptr;
        if (port != nullptr && size == sizeof(float))
            std::memcpy(port, value, sizeof(float));
    }

    void fillControl()
    {
        auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(control_.data());
        sequence->atom.type = map_.map(LV2_ATOM__Sequence);
        sequence->atom.size = sizeof(LV2_Atom_Sequence_Body);
        sequence->body = {0, 0};
        if (pendingMessage_.empty())
            return;
        const auto* message = reinterpret_cast<const LV2_Atom*>(pendingMessage_.data());
        auto* event = reinterpret_cast<LV2_Atom_Event*>(sequence + 1);
        event->time.frames = 0;
        std::memcpy(&event->body, message, lv2_atom_total_size(message));
        sequence->atom.size += static_cast<std::uint32_t>(lv2_atom_pad_size(sizeof(LV2_Atom_Event) + message->size));
        pendingMessage_.clear();
    }

    void readNotify()
    {
        const auto* notify = reinterpret_cast<const LV2_Atom_Sequence*>(notify_.data());
        LV2_ATOM_SEQUENCE_FOREACH(notify, event)
        {
            const auto* object = reinterpret_cast<const LV2_Atom_Object*>(&event->body);
            const LV2_Atom* value = nullptr;
            lv2_atom_object_get(object, map_.map(LV2_PATCH__value), &value, 0);
            if (value != nullptr && value->type == map_.map(LV2_ATOM__Path))
                announced_ = static_cast<const char*>(LV2_ATOM_BODY_CONST(value));
        }
    }

    static LV2_Worker_Status schedule(LV2_Worker_Schedule_Handle self, std::uint32_t size, const void* data)
    {
        // Called from run(): one waiting request in memory kept for it, so
        // that the host allocates nothing there either.
        auto* instance = static_cast<Lv2Instance*>(self);
        {
            std::lock_guard lock(instance->mutex_);
            if (instance->workSize_ != 0 || size == 0 || size > instance->work_.size())
                return LV2_WORKER_ERR_NO_SPACE;
            std::memcpy(instance->work_.data(), data, size);
            instance->workSize_ = size;
        }
        instance->wake_.notify_all();
        return LV2_WORKER_SUCCESS;
    }

    static LV2_Worker_Status respond(LV2_Worker_Respond_Handle self, std::uint32_t size, const void* data)
    {
        auto* instance = static_cast<Lv2Instance*>(self);
        std::lock_guard lock(instance->mutex_);
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        instance->responses_.emplace_back(bytes, bytes + size);
        return LV2_WORKER_SUCCESS;
    }

    void serveWork()
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stopping_ || workSize_ != 0; });
            if (stopping_)
                return;
            const std::vector<std::uint8_t> message(work_.begin(), work_.begin() + workSize_);
            workSize_ = 0;
            lock.unlock();
            worker_->work(lilv_instance_get_handle(instance_), respond, this,
                          static_cast<std::uint32_t>(message.size()), message.data());
            lock.lock();
        }
    }

    void deliverResponses()
    {
        std::deque<std::vector<std::uint8_t>> ready;
        {
            std::lock_guard lock(mutex_);
            ready.swap(responses_);
        }
        for (const auto& response : ready)
            worker_->work_response(lilv_instance_get_handle(instance_), static_cast<std::uint32_t>(response.size()),
                                   response.data());
    }

    Lv2World& world_;
    UridMap& map_;
    LV2_Worker_Schedule schedule_{this, schedule};
    LV2_Feature mapFeature_{LV2_URID__map, &map_.mapFeature};
    LV2_Feature unmapFeature_{LV2_URID__unmap, &map_.unmapFeature};
    LV2_Feature scheduleFeature_{LV2_WORKER__schedule, &schedule_};
    std::vector<const LV2_Feature*> features_;
    LilvInstance* instance_ = nullptr;
    const LV2_Worker_Interface* worker_ = nullptr;
    alignas(8) std::array<std::uint8_t, 8192> control_{};
    alignas(8) std::array<std::uint8_t, 8192> notify_{};
    std::vector<std::uint8_t> pendingMessage_;
    std::string announced_;
    std::uint64_t runAllocations_ = 0;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::array<std::uint8_t, 4096> work_{};
    std::uint32_t workSize_ = 0;
    std::deque<std::vector<std::uint8_t>> responses_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace kestrava::test
