#include "measure/MeasurementDialog.h"

#include "corrfile/CorrectionFile.h"
#include "platform/ProductSettings.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <utility>

namespace kestrava::measure {

using audio::StreamChannels;
using platform::Messages;

namespace {

constexpr std::array kDeviceControls = {control::kConfigurationButton, control::kApplyButton,
                                        control::kDriverList,          control::kLeftOutputList,
                                        control::kRightOutputList,     control::kMicInputList,
                                        control::kPickupInputList};

// Each channel list, its partner and the choices they stand for.
struct ChannelPair {
    int list;
    int partner;
    std::int32_t StreamChannels::*choice;
    std::int32_t StreamChannels::*partnerChoice;
};

constexpr ChannelPair kChannelPairs[] = {
    {control::kLeftOutputList, control::kRightOutputList, &StreamChannels::leftOutput, &StreamChannels::rightOutput},
    {control::kRightOutputList, control::kLeftOutputList, &StreamChannels::rightOutput, &StreamChannels::leftOutput},
    {control::kMicInputList, control::kPickupInputList, &StreamChannels::micInput, &StreamChannels::pickupInput},
    {control::kPickupInputList, control::kMicInputList, &StreamChannels::pickupInput, &StreamChannels::micInput},
};

// The correction a recording starts from: the design's sections at the band
// centres with no gain, and no output gain, so nothing earlier can be heard
// or saved as if it were the new one.
engine::CorrectionSet resetCorrection()
{
    const design::BandLayout layout = design::BandLayout::standard();
    engine::CorrectionSet reset;
    reset.sectionCount = design::kBandCount;
    reset.outputGain = 0.0;
    for (int i = 0; i < design::kBandCount; ++i) {
        reset.centreHz[i] = layout.centre[i];
        reset.quality[i] = design::kBaseQuality;
        reset.peakGain[i] = 0.0;
    }
    return reset;
}

// The question for an input whose recording peaked below kQuietInputDb,
// or nothing.
std::optional<std::string> quietInputQuestion(const char* input, double peakDb)
{
    if (!(peakDb < kQuietInputDb) || peakDb <= design::kCurveFloorDb)
        return std::nullopt;
    char text[200];
    std::snprintf(text, sizeof text, kQuietInputQuestion, input, static_cast<int>(std::lround(peakDb)));
    return std::string(text);
}

MonitorMode modeOfSource(int source)
{
    switch (source) {
    case control::kMicSource:
        return MonitorMode::Mic;
    case control::kPickupSource:
        return MonitorMode::Pickup;
    case control::kProcessedSource:
        return MonitorMode::Processed;
    default:
        return MonitorMode::Idle;
    }
}

}  // namespace

MeasurementDialog::MeasurementDialog(MeasurementServices services)
    : services_(services),
      view_(services.view),
      processor_(std::make_unique<BlockProcessor>()),
      stream_(services.drivers, *processor_),
      recorder_(*processor_, stream_, services.windowMessages)
{
}

MeasurementDialog::~MeasurementDialog()
{
    recorder_.abandon();
    if (stream_.running())
        stream_.stopStream();
}

void MeasurementDialog::open()
{
    {
        const audio::DriverCatalog catalog(services_.drivers);
        const std::vector<std::string> names = catalog.listDriverNames(audio::kDriverListSlots);
        if (names.empty())
            services_.windowMessages.show(kNoDriverText, kNoDriverCaption, platform::MessageIcon::Information);
        for (const std::string& name : names) {
            if (name.find("DirectX") == std::string::npos)
                view_.addListItem(control::kDriverList, name);
        }
    }
    view_.selectListItem(control::kDriverList, 0);
    driverChosen();

    view_.setSliderPosition(control::kMainVolumeSlider, 50);
    view_.setSliderPosition(control::kPickupVolumeSlider, 50);
    view_.setChecked(control::kMicSource, true);
    view_.setChecked(control::kAirCheck, true);
    // The same states the window starts with: no correction yet, the main
    // volume in use.
    for (const int off : {control::kProcessedSource, control::kSaveButton, control::kPickupVolumeCaption,
                          control::kPickupVolumeSlider, control::kPickupVolumeText})
        view_.setEnabled(off, false);

    dataFolder_ = platform::prepareDataFolder(services_.shell, services_.desktopMessages);
    platform::prepareSettings(services_.settings, services_.desktopMessages);
}

void MeasurementDialog::driverChosen()
{
    const int selected = view_.selectedListItem(control::kDriverList);
    configuration_.driverName = selected >= 0 ? view_.listItemText(control::kDriverList, selected) : std::string();
    audio::DriverChannels channels;
    std::string error;
    if (audio::loadDriverChannels(stream_.catalog(), configuration_.driverName, channels, error)
        != audio::DriverChannelsStatus::Read)
        return;
    for (const int list : {control::kLeftOutputList, control::kRightOutputList, control::kMicInputList,
                           control::kPickupInputList})
        view_.clearList(list);
    for (const std::string& name : channels.outputs) {
        view_.addListItem(control::kLeftOutputList, name);
        view_.addListItem(control::kRightOutputList, name);
    }
    for (const std::string& name : channels.inputs) {
        view_.addListItem(control::kMicInputList, name);
        view_.addListItem(control::kPickupInputList, name);
    }
    view_.selectListItem(control::kLeftOutputList, 0);
    view_.selectListItem(control::kMicInputList, 0);
    view_.selectListItem(control::kRightOutputList, 1);
    view_.selectListItem(control::kPickupInputList, 1);
    configuration_.channels = StreamChannels{};
}

void MeasurementDialog::channelChosen(int list)
{
    const auto pair = std::find_if(std::begin(kChannelPairs), std::end(kChannelPairs),
                                   [list](const ChannelPair& p) { return p.list == list; });
    const int chosen = view_.selectedListItem(list);
    if (pair == std::end(kChannelPairs) || chosen < 0)
        return;
    std::int32_t& choice = configuration_.channels.*(pair->choice);
    std::int32_t& partnerChoice = configuration_.channels.*(pair->partnerChoice);
    // The two of a pair never name one channel: the partner takes the
    // channel this list gives up.
    if (chosen == partnerChoice) {
        partnerChoice = choice;
        view_.selectListItem(pair->partner, choice);
    }
    choice = chosen;
}

void MeasurementDialog::configureDriver()
{
    const int selected = view_.selectedListItem(control::kDriverList);
    stream_.catalog().openControlPanel(selected >= 0 ? view_.listItemText(control::kDriverList, selected)
                                                     : std::string());
}

void MeasurementDialog::monitorSourceClicked(int source)
{
    const MonitorMode mode = modeOfSource(source);
    // A recording owns the processor's mode until it has been finished.
    if (mode == MonitorMode::Idle || recorder_.active())
        return;
    processor_->monitorMode.store(mode);
    const bool main = mode != MonitorMode::Pickup;
    for (const int c : {control::kMainVolumeCaption, control::kMainVolumeSlider, control::kMainVolumeText})
        view_.setEnabled(c, main);
    for (const int c : {control::kPickupVolumeCaption, control::kPickupVolumeSlider, control::kPickupVolumeText})
        view_.setEnabled(c, !main);
}

void MeasurementDialog::airClicked()
{
    processor_->airEnabled.store(!processor_->airEnabled.load());
}

void MeasurementDialog::sliderDragged(int slider, int position)
{
    const bool main = slider == control::kMainVolumeSlider;
    if (!main && slider != control::kPickupVolumeSlider)
        return;
    const double dB = (50 - position) * 20.0 / 50.0;
    char text[32];
    std::snprintf(text, sizeof text, "%d dB", static_cast<int>(dB));
    view_.setText(main ? control::kMainVolumeText : control::kPickupVolumeText, text);
    (main ? processor_->mainVolume : processor_->pickupVolume).store(BlockProcessor::volumeForSliderPosition(position));
}

void MeasurementDialog::monitorClicked()
{
    if (recorder_.active())
        return;
    for (const int source : {control::kMicSource, control::kPickupSource, control::kProcessedSource}) {
        if (view_.isChecked(source)) {
            processor_->monitorMode.store(modeOfSource(source));
            break;
        }
    }
    if (!stopped_) {
        stopMonitor();
        return;
    }
    if (const audio::StreamStart started = stream_.startStream(configuration_); !started) {
        audio::reportStreamError(started.error, services_.desktopMessages);
        return;
    }
    view_.setText(control::kMonitorButton, kStopText);
    stopped_ = false;
    setDeviceControlsEnabled(false);
}

void MeasurementDialog::recordClicked()
{
    if (recorder_.active())
        return;
    const bool monitorWasRunning = !stopped_;
    if (monitorWasRunning) {
        stream_.stopStream();
        view_.setText(control::kMonitorButton, kStartMonitoringText);
        stopped_ = true;
    }
    if (recorder_.start(configuration_) != RecordingStart::Started) {
        audio::reportStreamError(recorder_.streamError(), services_.desktopMessages);
        // Nothing runs now, so the device can be chosen again.
        if (monitorWasRunning)
            setDeviceControlsEnabled(true);
        return;
    }
    correction_ = resetCorrection();
    processor_->setCorrection(correction_);
    hasCorrection_ = false;
    saved_ = true;
    curves_.reset();
    setRecordingControlsEnabled(false);
    view_.showProgressBar();
    finishingStage_ = 0;
    progressTicks_ = 0;
    view_.startTimer(kRecordTimer, kRecordTimerPeriodMs);
}

void MeasurementDialog::timerTick(int timer)
{
    if (timer != kRecordTimer || !recorder_.active())
        return;
    // The driver delivers nothing more (its device went away, its settings
    // changed): the recording would wait for ever.
    if (!recorder_.done() && stream_.resetRequested()) {
        const std::string reason = stream_.driverErrorText();
        view_.stopTimer(kRecordTimer);
        view_.hideProgressBar();
        recorder_.abandon();
        services_.windowMessages.show(reason.empty() ? kDriverStoppedText : kDriverStoppedText + ("\n" + reason),
                                      "Info", platform::MessageIcon::Information);
        endRecording();
        return;
    }
    if (!recorder_.done()) {
        const int percent = recorder_.percent();
        if (percent > progressTicks_) {
            ++progressTicks_;
            view_.setProgress(percent);
        }
        return;
    }
    if (finishingStage_ == 0) {
        view_.hideProgressBar();
        recorder_.stopStream();
        view_.setText(control::kStatusText, kWaitText);
        finishingStage_ = 1;
        return;
    }
    finishingStage_ = 2;
    view_.stopTimer(kRecordTimer);
    if (recordAgainForQuietInput()) {
        recorder_.abandon();
        endRecording();
        return;
    }
    design::DesignOptions options;
    options.analysis = analysis_;
    if (std::optional<DesignOutcome> outcome = recorder_.finish(options)) {
        correction_ = outcome->correction;
        processor_->setCorrection(correction_);
        hasCorrection_ = true;
        saved_ = false;
        curves_ = design::designCurves(outcome->layout, outcome->analysis, outcome->result, correction_);
    }
    endRecording();
}

void MeasurementDialog::loadClicked()
{
    const std::optional<std::string> path = services_.fileDialog.chooseFileToOpen(correctionFileRequest());
    if (!path)
        return;
    engine::CorrectionSet loaded;
    const corrfile::CorrectionFileResult result = corrfile::loadCorrectionFile(*path, loaded);
    // A file that could be opened counts as saved, also a damaged one.
    if (result.status != corrfile::CorrectionFileStatus::CannotOpen)
        saved_ = true;
    if (!result) {
        platform::showError(services_.desktopMessages, corrfile::correctionFileMessage(result.status));
        return;
    }
    correction_ = loaded;
    processor_->setCorrection(correction_);
    hasCorrection_ = true;
    curves_ = design::correctionCurves(design::BandLayout::standard(), correction_);
    view_.setEnabled(control::kProcessedSource, true);
    view_.setEnabled(control::kSaveButton, true);
}

void MeasurementDialog::saveClicked()
{
    if (!hasCorrection_)
        return;
    const std::optional<std::string> path = services_.fileDialog.chooseFileToSave(correctionFileRequest());
    if (path && corrfile::writeCorrectionFile(*path, correction_, services_.desktopMessages))
        saved_ = true;
}

void MeasurementDialog::helpClicked()
{
    platform::openHelp(services_.settings, services_.shell, services_.desktopMessages);
}

bool MeasurementDialog::closeRequested()
{
    if (recorder_.active()) {
        view_.stopTimer(kRecordTimer);
        if (finishingStage_ == 0)
            view_.hideProgressBar();
        recorder_.abandon();
        endRecording();
    }
    if (!stopped_)
        stopMonitor();
    if (saved_)
        return true;
    if (!view_.askYesNo(kUnsavedQuestion, "Info"))
        return true;
    saveClicked();
    return false;
}

InputLevels MeasurementDialog::takeInputLevels()
{
    const double fullScale = processor_->fullScale();
    return {processor_->micPeak.take() / fullScale, processor_->pickupPeak.take() / fullScale};
}

// Before the design of an unclipped take: a quiet input makes a noisy
// correction, so the player may rather raise its gain and record again.
bool MeasurementDialog::recordAgainForQuietInput()
{
    const RecordState& state = processor_->recordState();
    if (state.clipLeft.load() || state.clipRight.load())
        return false;
    const double fullScale = processor_->fullScale();
    const CapturePeaks peaks = recorder_.capturePeaks();
    for (const auto& [input, peak] : {std::pair{"microphone", peaks.microphone}, std::pair{"pickup", peaks.pickup}}) {
        if (const std::optional<std::string> question = quietInputQuestion(input, design::levelDb(peak / fullScale)))
            if (view_.askYesNo(*question, "Info"))
                return true;
    }
    return false;
}

void MeasurementDialog::setDeviceControlsEnabled(bool enabled)
{
    for (const int c : kDeviceControls)
        view_.setEnabled(c, enabled);
}

// Everything a running recording must not be disturbed by, the monitor
// sources included: one of those would take the processor out of record
// mode and the recording would never end.
void MeasurementDialog::setRecordingControlsEnabled(bool enabled)
{
    setDeviceControlsEnabled(enabled);
    for (const int c : {control::kMonitorButton, control::kRecordButton, control::kLoadButton,
                        control::kMicSource, control::kPickupSource})
        view_.setEnabled(c, enabled);
    view_.setEnabled(control::kSaveButton, enabled && hasCorrection_);
    view_.setEnabled(control::kProcessedSource, enabled && hasCorrection_);
}

void MeasurementDialog::stopMonitor()
{
    stream_.stopStream();
    view_.setText(control::kMonitorButton, kStartMonitoringText);
    setDeviceControlsEnabled(true);
    stopped_ = true;
}

// After the design, after clipping or silence, and when the window closes
// during a recording: the window is usable again in every case.
void MeasurementDialog::endRecording()
{
    view_.setText(control::kStatusText, "");
    setRecordingControlsEnabled(true);
}

platform::OpenFileRequest MeasurementDialog::correctionFileRequest() const
{
    return {"ALG file", "*.alg", "", dataFolder_, "alg"};
}

}  // namespace kestrava::measure
