// The measurement window's workflow: choosing the driver and channels,
// monitoring, recording with its one-second timer, the design, loading and
// saving corrections, help and closing. Every rule and text of the window
// lives here; a view (the Windows dialog, the tests' fake) shows it and
// passes the user's actions in.
//
// User-interface thread only; it owns the block processor whose
// processBlock runs on the driver's thread while a stream runs. The design
// runs inside a timer tick and blocks the window until it ends.
#pragma once

#include "audio/DriverCatalog.h"
#include "audio/DriverChannels.h"
#include "audio/StreamSetup.h"
#include "design/CorrectionCurves.h"
#include "measure/BlockProcessor.h"
#include "measure/MeasurementRecorder.h"
#include "measure/MeasurementView.h"
#include "platform/FileDialog.h"
#include "platform/Messages.h"
#include "platform/SettingsStore.h"
#include "platform/Shell.h"

#include <memory>
#include <optional>
#include <string>

namespace kestrava::measure {

inline constexpr const char* kWindowCaption = "Kestrava Sonalve";
inline constexpr const char* kNoDriverCaption = "Driver is not available!";
inline constexpr const char* kNoDriverText =
    "ASIO driver is occupied by another audio program or absent.\nPlease resolve this problem and try again.";
// A driver that asked for a reset mid-recording; its own words follow.
inline constexpr const char* kDriverStoppedText =
    "The driver stopped the recording; nothing was recorded.\nCheck the driver and record again.";
inline constexpr const char* kUnsavedQuestion = "The correction file is not saved. Do you want to save it now?";
inline constexpr const char* kStartMonitoringText = "Start monitoring";
inline constexpr const char* kStopText = "Stop";
inline constexpr const char* kWaitText = "Wait...";
// Asked before the design when an input's recording peaked below
// kQuietInputDb; Yes drops the take.
inline constexpr double kQuietInputDb = -40.0;
inline constexpr const char* kQuietInputQuestion =
    "The %s is very quiet (peak %d dBFS): the correction will be noisy. Raise its gain and record again?";

// Input peaks since the last look, as fractions of full scale.
struct InputLevels {
    double microphone = 0.0;
    double pickup = 0.0;
};

struct MeasurementServices {
    MeasurementView& view;
    // Messages owned by the window: no driver, and the recording's outcome.
    platform::Messages& windowMessages;
    // Messages with no owner: the stream's checks, files, settings, help.
    platform::Messages& desktopMessages;
    platform::Shell& shell;
    platform::FileDialog& fileDialog;
    platform::SettingsStore& settings;
    audio::DriverSource& drivers;
};

class MeasurementDialog {
public:
    explicit MeasurementDialog(MeasurementServices services);
    // Stops whatever stream still runs.
    ~MeasurementDialog();
    MeasurementDialog(const MeasurementDialog&) = delete;
    MeasurementDialog& operator=(const MeasurementDialog&) = delete;

    void open();

    // The user accepted an entry of the driver list, or pressed "Apply".
    void driverChosen();
    // The user accepted an entry of one of the four channel lists.
    void channelChosen(int list);
    void configureDriver();
    void monitorSourceClicked(int source);
    void airClicked();
    // Only while the thumb is dragged.
    void sliderDragged(int slider, int position);
    void monitorClicked();
    void recordClicked();
    void timerTick(int timer);
    void loadClicked();
    void saveClicked();
    void helpClicked();
    // The OK or Cancel command; true when the window is to close now.
    bool closeRequested();

    // What the workflow holds, for the views and the tests.
    const BlockProcessor& processor() const { return *processor_; }
    const audio::StreamSetup& stream() const { return stream_; }
    // The driver and channels the next stream opens.
    const audio::StreamConfiguration& streamConfiguration() const { return configuration_; }
    bool saved() const { return saved_; }
    // The analysis the next design runs: the long transform unless a window
    // offers the averaged one.
    void setAnalysisMethod(design::AnalysisMethod method) { analysis_ = method; }
    // The correction designed or loaded last, for exporting; none before.
    const engine::CorrectionSet* currentCorrection() const { return hasCorrection_ ? &correction_ : nullptr; }
    // The curves of the last design or loaded correction; none from the
    // start of a recording until its design.
    const std::optional<design::CorrectionCurves>& curves() const { return curves_; }
    // For the meters' timer: the peaks the audio thread offered since the
    // last call (nothing is offered while no stream runs).
    InputLevels takeInputLevels();
    bool recording() const { return recorder_.active(); }
    const std::string& dataFolder() const { return dataFolder_; }

private:
    void setDeviceControlsEnabled(bool enabled);
    void setRecordingControlsEnabled(bool enabled);
    void stopMonitor();
    void endRecording();
    bool recordAgainForQuietInput();
    platform::OpenFileRequest correctionFileRequest() const;

    MeasurementServices services_;
    MeasurementView& view_;
    std::unique_ptr<BlockProcessor> processor_;
    audio::StreamSetup stream_;
    audio::StreamConfiguration configuration_;
    MeasurementRecorder recorder_;
    engine::CorrectionSet correction_;
    bool hasCorrection_ = false;
    design::AnalysisMethod analysis_ = design::AnalysisMethod::Long;
    std::optional<design::CorrectionCurves> curves_;
    bool stopped_ = true;
    bool saved_ = true;
    int finishingStage_ = 0;
    int progressTicks_ = 0;
    std::string dataFolder_;
};

}  // namespace kestrava::measure
