// Sonalve's effect with no plug-in format around it: the sixteen programs
// and their 1,056-byte records, the Input and Air switches, the sample rate,
// the correction-file actions, and the processor that runs the correction.
// Each plug-in format (the VST 2.4 classes, the LV2 plug-in) is a thin
// adapter that maps its host's calls onto these operations.
//
// Threads: the program, record, rate and file operations run on the host's
// non-audio threads and are serialised by a mutex among themselves; each
// change that needs a new filter prepares it aside and hands it to the
// processor whole. The switches may be set from any thread. process() runs
// on the audio thread and never locks, allocates or calls the system.
#pragma once

#include "engine/CorrectionSet.h"
#include "platform/Desktop.h"
#include "plugin/CorrectionFiles.h"
#include "plugin/EffectProcessor.h"
#include "plugin/ProgramBank.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <string_view>

namespace kestrava::plugin {

class EffectCore {
public:
    explicit EffectCore(platform::DesktopServices services);

    EffectCore(const EffectCore&) = delete;
    EffectCore& operator=(const EffectCore&) = delete;

    // Rates that cannot be run (zero, negative, not a number) change
    // nothing and answer false.
    bool setSampleRate(double sampleRate);

    // The switches as the host sets them: held to 0..1, a value that is not
    // a number keeps the switch as it was. Stored in the current program.
    void setInput(float value);
    void setAir(float value);
    float input() const { return processor_.inputSelect(); }
    float air() const { return processor_.airSwitch(); }

    // Programs. Selecting one outside 0..15 changes nothing and answers
    // false; selecting reads the program's file anew.
    int currentProgram() const { return currentProgram_.load(); }
    bool selectProgram(int program);
    void renameProgram(std::string_view name);
    // Up to 24 characters; empty for a program outside 0..15.
    std::string programName(int program) const;

    // The current program's record or all sixteen, as hosts store them; the
    // memory is the effect's and stays valid until the next change.
    std::span<std::byte> presetRecord();
    std::span<std::byte> bankRecords();
    // Takes one record into the current program or sixteen into the bank,
    // then selects the current program again. Any other size changes
    // nothing and answers false.
    bool restoreRecords(std::span<const std::byte> bytes, bool isPreset);

    // Reads a correction file and, on success, prepares and publishes it;
    // the paths stay as they were. The reason for a failure has been shown.
    bool readCorrectionFile(const std::string& path);
    // Reads a correction file and, on success, makes it the correction in
    // use and the current program's file.
    bool useCorrectionFile(const std::string& path);
    // Asks the user for a correction file and uses it. Takes the mutex
    // itself, but not across the modal dialog.
    void chooseCorrectionFile();

    std::string correctionPath() const;
    const char* correctionFolder() const { return files_.folder(); }

    // Raised when a program change or a file load has changed what a panel
    // shows; the panel clears it.
    bool refreshPending() const { return refreshPending_.load(); }
    void clearRefresh() { refreshPending_.store(false); }

    // Audio thread: two inputs to two outputs; the outputs may be the inputs.
    template <class Sample>
    void process(Sample** inputs, Sample** outputs, std::int32_t frames)
    {
        processor_.process(inputs, outputs, frames);
    }

private:
    // The helpers below expect uiMutex_ to be held.
    void publishCorrection();
    bool loadCorrection(const std::string& path);
    void adoptCorrection(const std::string& path);
    void selectProgramLocked(int program);

    mutable std::mutex uiMutex_;
    ProgramBank bank_;
    CorrectionFiles files_;
    std::array<char, kProgramPathSize> correctionPath_{};
    engine::CorrectionSet correction_;
    double sampleRate_ = 44100.0;
    // Written by program changes, read by switch changes that may come from
    // another thread.
    std::atomic<int> currentProgram_{0};

    std::atomic<bool> refreshPending_{false};
    EffectProcessor processor_;
};

}  // namespace kestrava::plugin
