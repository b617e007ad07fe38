// Sonalve's effect as a VST 2.4 host sees it: the adapter that maps the
// host's dispatcher, parameter and processing calls onto the effect core.
// Sixteen programs that each name a correction file, the Input and Air
// switches (parameters 17 and 18), the correction-file chooser (parameter
// 19), preset and bank chunks, and the two processing entries.
//
// Threads: the dispatcher operations run on the host's user-interface
// threads, the processing entries on its audio thread; the core serialises
// the former and keeps the latter free of locks, allocation and system calls.
#pragma once

#include "platform/Desktop.h"
#include "plugin/AudioEffectX.h"
#include "plugin/EffectCore.h"

#include <string>

namespace kestrava::plugin {

inline constexpr vst2::VstInt32 kNumParams = 22;
inline constexpr vst2::VstInt32 kInputParameter = 17;
inline constexpr vst2::VstInt32 kAirParameter = 18;
inline constexpr vst2::VstInt32 kLoadParameter = 19;

class ADelay : public AudioEffectX {
public:
    ADelay(vst2::audioMasterCallback host, platform::DesktopServices services);
    ~ADelay() override;

    // Rates that cannot be run (zero, negative, not a number) are ignored.
    void setSampleRate(float sampleRate) override;

    void processReplacing(float** inputs, float** outputs, vst2::VstInt32 sampleFrames) override;
    void processDoubleReplacing(double** inputs, double** outputs, vst2::VstInt32 sampleFrames) override;

    void setParameter(vst2::VstInt32 index, float value) override;
    float getParameter(vst2::VstInt32 index) override;

    void setProgram(vst2::VstInt32 program) override;
    void setProgramName(const char* name) override;
    void getProgramName(char* name) override;
    bool getProgramNameIndexed(vst2::VstInt32 category, vst2::VstInt32 index, char* text) override;

    vst2::VstInt32 getChunk(void** data, bool isPreset) override;
    vst2::VstInt32 setChunk(const void* data, vst2::VstInt32 byteSize, bool isPreset) override;

    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    vst2::VstInt32 getVendorVersion() override;
    vst2::VstInt32 getPlugCategory() override;

    // Reads a correction file and, on success, prepares and publishes it.
    // The reason for a failure has been shown to the user.
    bool readCorrectionFile(const std::string& path) { return core_.readCorrectionFile(path); }

    // What the editor shows and clears (user-interface thread).
    std::string correctionPath() const { return core_.correctionPath(); }
    const char* correctionFolder() const { return core_.correctionFolder(); }
    bool editorRefreshPending() const { return core_.refreshPending(); }
    void clearEditorRefresh() { core_.clearRefresh(); }

    EffectCore& core() { return core_; }

private:
    EffectCore core_;
};

}  // namespace kestrava::plugin
