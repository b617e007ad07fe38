// The generic VST 2.4 effect base: owns the AEffect record handed to the
// host, answers dispatcher opcodes 0 to 24, forwards the record's parameter
// and processing entries to virtual operations, and reports automated
// parameter changes to the host. The effect behind it (ADelay) overrides the
// operations it serves.
//
// The host calls the dispatcher and the parameter entries on its own threads
// (normally the user-interface thread) and the processing entries on its
// audio thread, possibly at the same time. This layer takes no lock; the
// record is written only during construction.
#pragma once

#include "plugin/AEffEditor.h"
#include "plugin/Vst2.h"

#include <atomic>
#include <memory>

namespace kestrava::plugin {

class AudioEffect {
public:
    AudioEffect(vst2::audioMasterCallback host, vst2::VstInt32 numPrograms, vst2::VstInt32 numParams);
    virtual ~AudioEffect();

    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;

    vst2::AEffect* getAeffect() { return &cEffect_; }

    // Answers one host request (effClose is handled by the record's
    // dispatch entry, which destroys the instance).
    virtual vst2::VstIntPtr dispatcher(vst2::VstInt32 opcode, vst2::VstInt32 index, vst2::VstIntPtr value,
                                       void* ptr, float opt);

    virtual void open() {}
    virtual void close() {}
    virtual void suspend() {}
    virtual void resume() {}
    virtual void setSampleRate(float) {}
    virtual void setBlockSize(vst2::VstInt32) {}

    virtual void processReplacing(float** inputs, float** outputs, vst2::VstInt32 sampleFrames) = 0;
    virtual void processDoubleReplacing(double** inputs, double** outputs, vst2::VstInt32 sampleFrames) = 0;

    virtual void setParameter(vst2::VstInt32, float) {}
    virtual float getParameter(vst2::VstInt32) { return 0.0f; }
    // Applies a parameter change that came from the editor, then tells the
    // host (audioMasterAutomate).
    virtual void setParameterAutomated(vst2::VstInt32 index, float value);

    virtual vst2::VstInt32 getProgram() { return curProgram_; }
    virtual void setProgram(vst2::VstInt32 program) { curProgram_ = program; }
    virtual void setProgramName(const char*) {}
    virtual void getProgramName(char* name) { *name = '\0'; }
    virtual void getParameterLabel(vst2::VstInt32, char* label) { *label = '\0'; }
    virtual void getParameterDisplay(vst2::VstInt32, char* text) { *text = '\0'; }
    virtual void getParameterName(vst2::VstInt32, char* text) { *text = '\0'; }

    // Points *data at the effect's own chunk memory and returns its size.
    virtual vst2::VstInt32 getChunk(void** data, bool)
    {
        *data = nullptr;
        return 0;
    }
    virtual vst2::VstInt32 setChunk(const void*, vst2::VstInt32, bool) { return 0; }

    AEffEditor* getEditor() { return editor_.get(); }
    // Takes ownership of the effect's editor and marks the record as having one.
    void setEditor(std::unique_ptr<AEffEditor> editor);

protected:
    void setNumInputs(vst2::VstInt32 count) { cEffect_.numInputs = count; }
    void setNumOutputs(vst2::VstInt32 count) { cEffect_.numOutputs = count; }
    void setUniqueID(vst2::VstInt32 id) { cEffect_.uniqueID = id; }
    void setVersion(vst2::VstInt32 version) { cEffect_.version = version; }
    void programsAreChunks() { cEffect_.flags |= vst2::effFlagsProgramChunks; }
    void canProcessReplacing() { cEffect_.flags |= vst2::effFlagsCanReplacing; }
    void canDoubleReplacing() { cEffect_.flags |= vst2::effFlagsCanDoubleReplacing; }

    vst2::VstIntPtr callHost(vst2::VstInt32 opcode, vst2::VstInt32 index, vst2::VstIntPtr value, void* ptr,
                             float opt);

    vst2::audioMasterCallback host_;
    std::unique_ptr<AEffEditor> editor_;
    vst2::VstInt32 numPrograms_;
    vst2::VstInt32 numParams_;
    // Written by program changes, read by parameter changes that may come
    // from another thread.
    std::atomic<vst2::VstInt32> curProgram_{0};
    vst2::AEffect cEffect_{};

private:
    static vst2::VstIntPtr dispatchEffectClass(vst2::AEffect* effect, vst2::VstInt32 opcode,
                                               vst2::VstInt32 index, vst2::VstIntPtr value, void* ptr,
                                               float opt);
    static void processClass(vst2::AEffect* effect, float** inputs, float** outputs,
                             vst2::VstInt32 sampleFrames);
    static void processReplacingClass(vst2::AEffect* effect, float** inputs, float** outputs,
                                      vst2::VstInt32 sampleFrames);
    static void processDoubleReplacingClass(vst2::AEffect* effect, double** inputs, double** outputs,
                                            vst2::VstInt32 sampleFrames);
    static void setParameterClass(vst2::AEffect* effect, vst2::VstInt32 index, float value);
    static float getParameterClass(vst2::AEffect* effect, vst2::VstInt32 index);
};

}  // namespace kestrava::plugin
