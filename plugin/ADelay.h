// Sonalve's effect as the host sees it: sixteen programs that each name a
// correction file, the Input and Air switches (parameters 17 and 18), the
// correction-file chooser (parameter 19), preset and bank chunks, and the two
// processing entries. It translates the host's requests into calls on its
// parts: the program bank, the file actions and the audio-thread processor.
//
// Threads: the dispatcher operations (programs, chunks, names, sample rate,
// parameter 19) run on the host's user-interface threads and are serialised
// by a mutex among themselves. Each change that needs a new filter prepares
// it aside and hands it to the processor whole. The switches may be set
// from any thread. The processing entries only run the processor, which
// never locks, allocates or calls the system.
#pragma once

#include "engine/CorrectionSet.h"
#include "platform/Desktop.h"
#include "plugin/AudioEffectX.h"
#include "plugin/CorrectionFiles.h"
#include "plugin/EffectProcessor.h"
#include "plugin/ProgramBank.h"

#include <array>
#include <atomic>
#include <mutex>
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
    bool readCorrectionFile(const std::string& path);

    // What the editor shows and clears (user-interface thread).
    std::string correctionPath() const;
    const char* correctionFolder() const { return files_.folder(); }
    bool editorRefreshPending() const { return editorRefreshPending_.load(); }
    void clearEditorRefresh() { editorRefreshPending_.store(false); }

private:
    // The helpers below expect uiMutex_ to be held.
    void publishCorrection();
    bool loadCorrection(const std::string& path);
    void selectProgram(vst2::VstInt32 program);
    // Takes uiMutex_ itself, but not across the modal dialog.
    void chooseCorrectionFile();

    // User-interface side, guarded by uiMutex_.
    mutable std::mutex uiMutex_;
    ProgramBank bank_;
    CorrectionFiles files_;
    std::array<char, kProgramPathSize> correctionPath_{};
    engine::CorrectionSet correction_;
    double sampleRate_ = 44100.0;

    std::atomic<bool> editorRefreshPending_{false};
    EffectProcessor processor_;
};

}  // namespace kestrava::plugin
