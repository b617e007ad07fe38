// Sonalve's effect: sixteen programs that each name a correction file, the
// Input and Air switches (parameters 17 and 18), the correction-file chooser
// (parameter 19), preset and bank chunks, and the two processing entries that
// run the selected input through the correction filter and, when on, the Air
// network to both outputs.
//
// Threads: the dispatcher operations (programs, chunks, names, sample rate,
// parameter 19) run on the host's user-interface threads and are serialised
// by a mutex among themselves. Each change that needs a new filter prepares
// one aside and publishes it through a hand-over; the audio thread picks it
// up at the start of a block, whole. The switches are atomic floats that any
// thread may set and the audio thread reads once per frame. The processing
// entries never lock, allocate or call the system.
#pragma once

#include "engine/AirAmbience.h"
#include "engine/CorrectionFilter.h"
#include "engine/CorrectionSet.h"
#include "engine/Handover.h"
#include "platform/Desktop.h"
#include "plugin/AudioEffectX.h"
#include "plugin/ProgramRecord.h"

#include <array>
#include <atomic>
#include <mutex>
#include <string>

namespace kestrava {

inline constexpr vst2::VstInt32 kNumPrograms = 16;
inline constexpr vst2::VstInt32 kNumParams = 22;
inline constexpr vst2::VstInt32 kInputParameter = 17;
inline constexpr vst2::VstInt32 kAirParameter = 18;
inline constexpr vst2::VstInt32 kLoadParameter = 19;
inline constexpr int kFolderSize = 264;

class ADelay : public AudioEffectX {
public:
    ADelay(vst2::audioMasterCallback host, DesktopServices services);
    ~ADelay() override;

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
    const char* correctionFolder() const { return correctionFolder_.data(); }
    bool editorRefreshPending() const { return editorRefreshPending_.load(); }
    void clearEditorRefresh() { editorRefreshPending_.store(false); }

private:
    // What the audio thread runs for a block: the prepared filter and the
    // Air tuning that belongs to the same prepare step.
    struct Prepared {
        CorrectionFilter filter;
        AirTuning tuning;
    };

    static constexpr int kChunkFrames = 256;

    // The helpers below expect uiMutex_ to be held unless they say otherwise.
    void prepareDataFolder();
    void publishPrepared();
    bool loadCorrection(const std::string& path);
    void selectProgram(vst2::VstInt32 program);
    // Takes uiMutex_ itself, but not across the modal dialog.
    void chooseCorrectionFile();

    template <class Sample>
    void processBlock(Sample** inputs, Sample** outputs, vst2::VstInt32 sampleFrames);

    DesktopServices services_;

    // User-interface side, guarded by uiMutex_.
    mutable std::mutex uiMutex_;
    std::array<ProgramRecord, kNumPrograms> programs_{};
    std::array<char, kProgramPathSize> correctionPath_{};
    std::array<char, kFolderSize> correctionFolder_{};
    CorrectionSet correction_;
    double sampleRate_ = 44100.0;

    // Shared between the threads.
    std::atomic<float> inputSelect_{1.0f};
    std::atomic<float> airSwitch_{0.0f};
    std::atomic<bool> correctionActive_{false};
    std::atomic<bool> editorRefreshPending_{false};
    Handover<Prepared> prepared_;

    // Audio side.
    AirAmbience air_;
    std::array<double, kChunkFrames> scratch_{};
};

}  // namespace kestrava
