// The generic editor of an effect: the rectangle the host asks for, the
// window the host gives it, idle steps and keys. An effect owns at most one
// editor for its whole life; the dispatcher forwards the editor opcodes here.
//
// Called on the host's user-interface thread only.
#pragma once

#include "plugin/Vst2.h"

namespace kestrava::plugin {

class AudioEffect;

// A key as the host reports it to the editor.
struct EditorKey {
    vst2::VstInt32 character = 0;
    vst2::VstIntPtr virtualKey = 0;
    float modifiers = 0.0f;
};

class AEffEditor {
public:
    explicit AEffEditor(AudioEffect* effect) : effect_(effect) {}
    virtual ~AEffEditor() = default;

    AEffEditor(const AEffEditor&) = delete;
    AEffEditor& operator=(const AEffEditor&) = delete;

    // Points *rect at the editor's rectangle; false when there is none.
    virtual bool getRect(vst2::ERect** rect)
    {
        *rect = nullptr;
        return false;
    }
    // Builds the editor inside the host's parent window.
    virtual bool open(void* parent)
    {
        parent_ = parent;
        return true;
    }
    virtual void close() { parent_ = nullptr; }
    virtual void idle() {}
    // True only when the editor consumed the key.
    virtual bool onKeyDown(const EditorKey&) { return false; }
    virtual bool onKeyUp(const EditorKey&) { return false; }
    virtual bool setKnobMode(vst2::VstIntPtr mode)
    {
        knobMode_ = mode;
        return true;
    }
    // The effect reports every parameter change here; editors that show
    // parameters live may react.
    virtual void setParameter(vst2::VstInt32, float) {}

    bool isOpen() const { return parent_ != nullptr; }
    vst2::VstIntPtr knobMode() const { return knobMode_; }

protected:
    AudioEffect* effect_;
    void* parent_ = nullptr;
    vst2::VstIntPtr knobMode_ = 0;
};

}  // namespace kestrava::plugin
