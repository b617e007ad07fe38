// The measurement window's workflow with a fake view, fake drivers and fake
// desktop seams: what the window shows and allows at every step, the
// stream it runs, the messages it gives, and a whole measurement through
// the recorded-file driver whose file is the tool's design of the same take.
#include "measure/MeasurementDialog.h"

#include "apps/ToolRun.h"
#include "audio/FakeDriver.h"
#include "audio/file/FileDriver.h"
#include "corrfile/CorrectionFile.h"
#include "plugin/FakeDesktop.h"
#include "tests/support/FakeSettingsStore.h"
#include "tests/support/MonitorModePrinter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <deque>
#include <map>
#include <set>
#include <thread>

using namespace kestrava::audio;
using namespace kestrava::corrfile;
using namespace kestrava::design;
using namespace kestrava::engine;
using namespace kestrava::measure;
using namespace kestrava::platform;

namespace kestrava::test {
namespace {

using namespace control;

class FakeView final : public MeasurementView {
public:
    void setText(int c, const std::string& text) override { texts[c] = text; }
    void setEnabled(int c, bool on) override { enabled[c] = on; }
    void clearList(int list) override
    {
        lists[list].clear();
        selections[list] = -1;
    }
    void addListItem(int list, const std::string& text) override { lists[list].push_back(text); }
    void selectListItem(int list, int index) override
    {
        selections[list] = index >= 0 && index < static_cast<int>(lists[list].size()) ? index : -1;
    }
    int selectedListItem(int list) const override
    {
        return selections.count(list) != 0 ? selections.at(list) : -1;
    }
    std::string listItemText(int list, int index) const override { return lists.at(list).at(index); }
    void setChecked(int c, bool on) override { checked[c] = on; }
    bool isChecked(int c) const override { return checked.count(c) != 0 && checked.at(c); }
    void setSliderPosition(int slider, int position) override { sliders[slider] = position; }
    void showProgressBar() override { progressBar = 0; }
    void setProgress(int percent) override
    {
        ASSERT_TRUE(progressBar.has_value());
        progressBar = percent;
    }
    void hideProgressBar() override { progressBar.reset(); }
    void startTimer(int timer, int periodMs) override { timers[timer] = periodMs; }
    void stopTimer(int timer) override { timers.erase(timer); }
    bool askYesNo(const std::string& text, const std::string& caption) override
    {
        questions.push_back(caption + ": " + text);
        const bool yes = answers.front();
        answers.pop_front();
        return yes;
    }

    bool isEnabled(int c) const { return enabled.count(c) == 0 || enabled.at(c); }
    // A click on an automatic radio button moves the check mark first.
    void clickSource(MeasurementDialog& dialog, int source)
    {
        if (!isEnabled(source))
            return;
        for (const int s : {kMicSource, kPickupSource, kProcessedSource})
            checked[s] = s == source;
        dialog.monitorSourceClicked(source);
    }
    void choose(MeasurementDialog& dialog, int list, int index)
    {
        selections[list] = index;
        dialog.channelChosen(list);
    }

    std::map<int, std::string> texts;
    std::map<int, bool> enabled;
    std::map<int, std::vector<std::string>> lists;
    std::map<int, int> selections;
    std::map<int, bool> checked;
    std::map<int, int> sliders;
    std::optional<int> progressBar;
    std::map<int, int> timers;
    std::deque<bool> answers;
    std::vector<std::string> questions;
};

const std::vector<int> kDeviceControls = {kConfigurationButton, kApplyButton,     kDriverList,     kLeftOutputList,
                                          kRightOutputList,     kMicInputList,    kPickupInputList};
const std::vector<int> kRecordingLocks = {kMonitorButton, kRecordButton, kLoadButton, kSaveButton,
                                          kMicSource,     kPickupSource, kProcessedSource};

class MeasurementDialogTest : public ToolTestBase {
protected:
    void SetUp() override
    {
        ToolTestBase::SetUp();
        desktop.shell.documents = folder().string();
    }

    // Drivers in the list's order: fake drivers by script, or the recorded
    // file with a take.
    void useFakeDrivers(const std::vector<FakeDriverScript>& scripts)
    {
        std::vector<DriverEntry> entries;
        for (const FakeDriverScript& script : scripts)
            entries.push_back({script.driverName, fakeDriverFactory(script, log)});
        source = std::make_unique<ListDriverSource>(std::move(entries));
    }
    void useFileDriver(const std::string& take)
    {
        FileDriverOptions options;
        options.inputPath = take;
        options.bufferSize = 1000;
        source = std::make_unique<ListDriverSource>(std::vector<DriverEntry>{fileDriverEntry(options)});
    }

    MeasurementDialog& openWindow()
    {
        dialog = std::make_unique<MeasurementDialog>(MeasurementServices{
            view, windowMessages, desktop.messages, desktop.shell, desktop.fileDialog, settings, *source});
        dialog->open();
        return *dialog;
    }

    // Ticks the one-second timer (without the second) until it is stopped.
    void tickUntilTheTimerStops()
    {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (view.timers.count(kRecordTimer) != 0) {
            ASSERT_LT(std::chrono::steady_clock::now(), limit) << "the recording never finished";
            dialog->timerTick(kRecordTimer);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    std::vector<std::string> shown(const RecordingMessages& messages) const
    {
        std::vector<std::string> texts;
        for (const ShownMessage& m : messages.shown)
            texts.push_back(m.caption + ": " + m.text);
        return texts;
    }

    void expectUsable(const char* when)
    {
        EXPECT_EQ(view.texts[kStatusText], "") << when;
        EXPECT_FALSE(view.progressBar.has_value()) << when;
        EXPECT_TRUE(view.timers.empty()) << when;
        EXPECT_FALSE(dialog->recording()) << when;
        EXPECT_FALSE(dialog->stream().running()) << when;
        for (const int c : kDeviceControls)
            EXPECT_TRUE(view.isEnabled(c)) << when << ": control " << c;
        for (const int c : {kMonitorButton, kRecordButton, kLoadButton, kMicSource, kPickupSource})
            EXPECT_TRUE(view.isEnabled(c)) << when << ": control " << c;
    }

    std::shared_ptr<FakeDriverLog> log = std::make_shared<FakeDriverLog>();
    std::unique_ptr<DriverSource> source;
    FakeView view;
    RecordingMessages windowMessages;
    FakeDesktop desktop;
    FakeSettingsStore settings;
    std::unique_ptr<MeasurementDialog> dialog;
};

FakeDriverScript script(const std::string& name, int inputs = 4, int outputs = 3)
{
    FakeDriverScript s;
    s.driverName = name;
    s.inputs = inputs;
    s.outputs = outputs;
    return s;
}

TEST_F(MeasurementDialogTest, OpeningListsTenDriversWithoutDirectXAndPreparesTheWindow)
{
    std::vector<FakeDriverScript> twelve;
    for (int i = 1; i <= 12; ++i)
        twelve.push_back(script(i == 3 ? "Card DirectX Full Duplex" : i == 4 ? "directx is case-sensitive"
                                                                             : "Card " + std::to_string(i)));
    useFakeDrivers(twelve);
    openWindow();
    EXPECT_EQ(view.lists[kDriverList],
              (std::vector<std::string>{"Card 1", "Card 2", "directx is case-sensitive", "Card 5", "Card 6",
                                        "Card 7", "Card 8", "Card 9", "Card 10"}));
    EXPECT_EQ(view.selections[kDriverList], 0);
    EXPECT_EQ(dialog->streamConfiguration().driverName, "Card 1");
    EXPECT_EQ(view.lists[kLeftOutputList], (std::vector<std::string>{"Out 1", "Out 2", "Out 3"}));
    EXPECT_EQ(view.lists[kPickupInputList], (std::vector<std::string>{"In 1", "In 2", "In 3", "In 4"}));
    EXPECT_EQ((std::vector<int>{view.selections[kLeftOutputList], view.selections[kRightOutputList],
                                view.selections[kMicInputList], view.selections[kPickupInputList]}),
              (std::vector<int>{0, 1, 0, 1}));
    EXPECT_EQ(log->liveInstances.load(), 0) << "the driver is released after its channels were read";
    EXPECT_EQ(view.sliders, (std::map<int, int>{{kMainVolumeSlider, 50}, {kPickupVolumeSlider, 50}}));
    EXPECT_TRUE(view.isChecked(kMicSource) && view.isChecked(kAirCheck));
    for (const int off : {kProcessedSource, kSaveButton, kPickupVolumeCaption, kPickupVolumeSlider, kPickupVolumeText})
        EXPECT_FALSE(view.isEnabled(off)) << off;
    EXPECT_EQ(settings.user, (std::map<std::string, std::string>{{"alg_path", "None"}}));
    EXPECT_EQ(dialog->dataFolder(), folder().string() + "/Kestrava Sonalve/");
    EXPECT_EQ(desktop.shell.created, std::vector<std::string>{dialog->dataFolder()});
    EXPECT_TRUE(windowMessages.shown.empty() && desktop.messages.shown.empty());

    // Another driver through the list fills the channel lists afresh; one
    // that cannot be initialised leaves them as they were.
    FakeDriverScript broken = script("Broken");
    broken.failures["init"] = ASE_NotPresent;
    useFakeDrivers({script("Small", 2, 2), broken});
    view = FakeView{};
    openWindow();
    view.lists[kMicInputList] = {"kept"};
    view.selections[kDriverList] = 1;
    dialog->driverChosen();
    EXPECT_EQ(view.lists[kMicInputList], std::vector<std::string>{"kept"});
    EXPECT_EQ(dialog->streamConfiguration().driverName, "Broken");

    // No driver at all: the notice, then an empty window.
    useFakeDrivers({});
    view = FakeView{};
    openWindow();
    EXPECT_EQ(shown(windowMessages),
              std::vector<std::string>{std::string("Driver is not available!: ") + kNoDriverText});
    EXPECT_EQ(windowMessages.shown[0].icon, MessageIcon::Information);
    EXPECT_TRUE(view.lists[kDriverList].empty());
    EXPECT_EQ(view.selections[kDriverList], -1);
}

TEST_F(MeasurementDialogTest, ChannelPairsNeverNameOneChannel)
{
    useFakeDrivers({script("Card", 4, 4)});
    openWindow();
    struct Choice {
        int list;
        int index;
        StreamChannels expected;  // mic, pickup, left, right
    };
    const std::vector<Choice> choices = {
        {kLeftOutputList, 1, {0, 1, 1, 0}},   // the right output takes the left's 0
        {kRightOutputList, 1, {0, 1, 0, 1}},  // and back
        {kRightOutputList, 3, {0, 1, 0, 3}},  // a free channel moves alone
        {kMicInputList, 1, {1, 0, 0, 3}},
        {kPickupInputList, 2, {1, 2, 0, 3}},
        {kPickupInputList, 1, {2, 1, 0, 3}},
    };
    for (const Choice& c : choices) {
        view.choose(*dialog, c.list, c.index);
        const StreamChannels& now = dialog->streamConfiguration().channels;
        EXPECT_EQ((std::vector<int>{now.micInput, now.pickupInput, now.leftOutput, now.rightOutput}),
                  (std::vector<int>{c.expected.micInput, c.expected.pickupInput, c.expected.leftOutput,
                                    c.expected.rightOutput}))
            << "list " << c.list << " entry " << c.index;
        EXPECT_EQ((std::vector<int>{view.selections[kMicInputList], view.selections[kPickupInputList],
                                    view.selections[kLeftOutputList], view.selections[kRightOutputList]}),
                  (std::vector<int>{c.expected.micInput, c.expected.pickupInput, c.expected.leftOutput,
                                    c.expected.rightOutput}));
    }
}

TEST_F(MeasurementDialogTest, SourcesAndSlidersSetModeVolumesAndTheirControls)
{
    useFakeDrivers({script("Card")});
    openWindow();
    struct Drag {
        int slider;
        int position;
        int label;
        const char* text;
        double volume;
    };
    for (const Drag& d : std::vector<Drag>{{kMainVolumeSlider, 49, kMainVolumeText, "0 dB", std::pow(10.0, 0.4 / 20)},
                                           {kMainVolumeSlider, 51, kMainVolumeText, "0 dB", std::pow(10.0, -0.4 / 20)},
                                           {kPickupVolumeSlider, 53, kPickupVolumeText, "-1 dB", std::pow(10.0, -1.2 / 20)},
                                           {kPickupVolumeSlider, 0, kPickupVolumeText, "20 dB", 10.0},
                                           {kMainVolumeSlider, 100, kMainVolumeText, "-20 dB", 0.1}}) {
        dialog->sliderDragged(d.slider, d.position);
        EXPECT_EQ(view.texts[d.label], d.text) << d.position;
        const double volume = d.slider == kMainVolumeSlider ? dialog->processor().mainVolume.load()
                                                            : dialog->processor().pickupVolume.load();
        EXPECT_DOUBLE_EQ(volume, d.volume) << d.position;
    }

    const std::vector<int> mainSide = {kMainVolumeCaption, kMainVolumeSlider, kMainVolumeText};
    const std::vector<int> pickupSide = {kPickupVolumeCaption, kPickupVolumeSlider, kPickupVolumeText};
    struct Source {
        int control;
        MonitorMode mode;
        bool main;
    };
    view.enabled[kProcessedSource] = true;  // as after a design
    for (const Source& s : std::vector<Source>{{kPickupSource, MonitorMode::Pickup, false},
                                               {kProcessedSource, MonitorMode::Processed, true},
                                               {kMicSource, MonitorMode::Mic, true}}) {
        view.clickSource(*dialog, s.control);
        EXPECT_EQ(dialog->processor().monitorMode.load(), s.mode);
        for (const int c : mainSide)
            EXPECT_EQ(view.isEnabled(c), s.main) << s.control << " " << c;
        for (const int c : pickupSide)
            EXPECT_EQ(view.isEnabled(c), !s.main) << s.control << " " << c;
    }

    dialog->airClicked();
    EXPECT_FALSE(dialog->processor().airEnabled.load());
    dialog->airClicked();
    EXPECT_TRUE(dialog->processor().airEnabled.load());
}

TEST_F(MeasurementDialogTest, MonitoringRunsTheStreamAndLocksTheDevice)
{
    FakeDriverScript refusing = script("Refusing");
    refusing.failures["createBuffers"] = ASE_NoMemory;
    useFakeDrivers({script("Card"), refusing});
    openWindow();
    view.clickSource(*dialog, kPickupSource);
    dialog->monitorClicked();
    EXPECT_TRUE(dialog->stream().running());
    EXPECT_EQ(view.texts[kMonitorButton], "Stop");
    EXPECT_EQ(dialog->processor().monitorMode.load(), MonitorMode::Pickup);
    for (const int c : kDeviceControls)
        EXPECT_FALSE(view.isEnabled(c)) << c;
    dialog->monitorClicked();
    EXPECT_FALSE(dialog->stream().running());
    EXPECT_EQ(view.texts[kMonitorButton], "Start monitoring");
    for (const int c : kDeviceControls)
        EXPECT_TRUE(view.isEnabled(c)) << c;

    // A stream that cannot start changes nothing on screen.
    view.selections[kDriverList] = 1;
    dialog->driverChosen();
    view.texts.clear();
    dialog->monitorClicked();
    EXPECT_FALSE(dialog->stream().running());
    EXPECT_TRUE(view.texts.empty());
    for (const int c : kDeviceControls)
        EXPECT_TRUE(view.isEnabled(c)) << c;
}

// A recording that clips ends at the first clipping block; the window
// reports the microphone first, designs nothing and is usable again.
TEST_F(MeasurementDialogTest, ClippedRecordingsReportMicrophoneFirstAndFreeTheWindow)
{
    struct Clip {
        bool microphone;
        bool pickup;
        std::vector<std::string> messages;
    };
    const std::string left = std::string("Info: ") + kClipLeftText;
    const std::string right = std::string("Info: ") + kClipRightText;
    for (const Clip& c : std::vector<Clip>{{true, true, {left, right}}, {false, true, {right}}, {true, false, {left}}}) {
        FakeDriverScript clipping = script("Card");
        clipping.buffersToRun = 3;
        clipping.input = [c](std::int32_t channel, std::int64_t frame) {
            const bool clips = frame == 300 && (channel == 0 ? c.microphone : c.pickup);
            return clips ? 2147483647 : static_cast<std::int32_t>(frame * 1000);
        };
        useFakeDrivers({clipping});
        view = FakeView{};
        windowMessages.shown.clear();
        openWindow();
        dialog->monitorClicked();  // a running monitor gives way to the recording
        dialog->recordClicked();
        ASSERT_TRUE(dialog->recording());
        EXPECT_EQ(view.texts[kMonitorButton], "Start monitoring");
        EXPECT_EQ(view.timers, (std::map<int, int>{{kRecordTimer, 1000}}));
        EXPECT_EQ(view.progressBar, 0);
        for (const int locked : kRecordingLocks)
            EXPECT_FALSE(view.isEnabled(locked)) << locked;
        // A monitor source cannot take the processor out of record mode.
        dialog->monitorSourceClicked(kPickupSource);
        EXPECT_EQ(dialog->processor().monitorMode.load(), MonitorMode::Record);

        tickUntilTheTimerStops();
        EXPECT_EQ(shown(windowMessages), c.messages);
        EXPECT_TRUE(dialog->saved());
        EXPECT_FALSE(view.isEnabled(kProcessedSource));
        EXPECT_FALSE(view.isEnabled(kSaveButton));
        expectUsable("after clipping");
        EXPECT_TRUE(dialog->closeRequested());
        EXPECT_TRUE(view.questions.empty());
    }
}

TEST_F(MeasurementDialogTest, RecordingWhoseDriverAsksForAResetEndsWithItsMessage)
{
    FakeDriverScript resetting = script("Card");
    resetting.buffersToRun = 3;
    resetting.requestsReset = true;
    useFakeDrivers({resetting});
    openWindow();
    dialog->recordClicked();
    ASSERT_TRUE(dialog->recording());
    tickUntilTheTimerStops();
    // The driver's own words follow.
    EXPECT_EQ(shown(windowMessages),
              std::vector<std::string>{std::string("Info: ") + kDriverStoppedText + "\nFake hardware is not connected"});
    EXPECT_FALSE(log->buffersAllocated.load());
    EXPECT_EQ(log->liveInstances.load(), 0);
    expectUsable("after the driver asked for a reset");
}

TEST_F(MeasurementDialogTest, RecordingThatCannotStartOrIsClosedKeepsNothing)
{
    FakeDriverScript refusing = script("Refusing");
    refusing.failures["start"] = ASE_HWMalfunction;
    useFakeDrivers({refusing});
    openWindow();
    view.clickSource(*dialog, kPickupSource);
    dialog->recordClicked();
    EXPECT_FALSE(dialog->recording()) << "the capture buffers are released";
    EXPECT_EQ(dialog->processor().monitorMode.load(), MonitorMode::Pickup);
    EXPECT_FALSE(view.progressBar.has_value());
    EXPECT_TRUE(view.timers.empty());
    EXPECT_FALSE(log->buffersAllocated.load());
    expectUsable("after a recording that could not start");

    // Closing while a recording runs stops its stream and closes.
    FakeDriverScript endless = script("Card");
    endless.buffersToRun = 1;
    useFakeDrivers({endless});
    view = FakeView{};
    openWindow();
    dialog->recordClicked();
    ASSERT_TRUE(dialog->stream().running());
    EXPECT_TRUE(dialog->closeRequested());
    EXPECT_FALSE(dialog->stream().running());
    EXPECT_FALSE(log->buffersAllocated.load());
    EXPECT_EQ(log->liveInstances.load(), 0);
    expectUsable("after closing during a recording");
}

TEST_F(MeasurementDialogTest, LoadingCountsAsSavedWhenTheFileOpens)
{
    useFakeDrivers({script("Card")});
    openWindow();
    CorrectionSet set;
    set.sectionCount = 2;
    set.outputGain = 1.5;
    set.centreHz[0] = 100.0;
    set.centreHz[1] = 1000.0;
    set.quality[0] = set.quality[1] = 2.0;
    RecordingMessages quiet;
    ASSERT_TRUE(writeCorrectionFile(path("good.alg"), set, quiet));
    writeFile(path("damaged.alg"), std::vector<std::uint8_t>(40, 7));

    struct Load {
        std::string file;
        bool opens;
        bool valid;
    };
    for (const Load& l : std::vector<Load>{{path("missing.alg"), false, false},
                                           {path("damaged.alg"), true, false},
                                           {path("good.alg"), true, true}}) {
        desktop.fileDialog.answers = {l.file};
        desktop.messages.shown.clear();
        dialog->loadClicked();
        const OpenFileRequest& asked = desktop.fileDialog.requests.back();
        EXPECT_EQ(asked.filterDescription + "|" + asked.filterPattern + "|" + asked.defaultExtension + "|"
                      + asked.initialFolder,
                  "ALG file|*.alg|alg|" + dialog->dataFolder());
        EXPECT_EQ(desktop.messages.shown.empty(), l.valid) << l.file;
        EXPECT_EQ(view.isEnabled(kProcessedSource), l.valid) << l.file;
        EXPECT_EQ(view.isEnabled(kSaveButton), l.valid) << l.file;
        // The window never designed anything, so it is saved either way;
        // the close asks nothing.
        EXPECT_TRUE(dialog->saved());
    }

    desktop.fileDialog.answers = {path("copy.alg")};
    dialog->saveClicked();
    EXPECT_EQ(fileBytes(path("copy.alg")), fileBytes(path("good.alg")));

    desktop.messages.shown.clear();
    dialog->helpClicked();
    EXPECT_EQ(desktop.shell.opened, std::vector<std::string>{"\\Kestrava Sonalve\\Help.chm"});
    EXPECT_EQ(shown(desktop.messages), (std::vector<std::string>{"Error: RegOpenKeyEx Error.",
                                                                 "Error: RegQueryValueEx Error1."}));
}

// A whole measurement through the recorded-file driver: the saved file is
// what `kestrava design` makes of the same take, byte for byte; the close
// asks about the unsaved design and Yes keeps the window open. A silent
// take gives its messages and no correction.
TEST_F(MeasurementDialogTest, WholeMeasurementThroughTheRecordedFileDriver)
{
    const TwoSignals s = signals(kTransformSize);
    const std::string take = write("take.wav", {16}, {s.microphone, s.pickup});
    const ToolRun design = kestrava({"design", take, "-o", path("design.alg")});
    ASSERT_EQ(design.status, tool::kExitOk) << design.err;

    useFileDriver(take);
    openWindow();
    EXPECT_EQ(view.lists[kDriverList], std::vector<std::string>{kFileDriverName});
    dialog->recordClicked();
    ASSERT_TRUE(dialog->recording());
    std::vector<int> progress;
    std::string statusWhileFinishing;
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (view.timers.count(kRecordTimer) != 0) {
        ASSERT_LT(std::chrono::steady_clock::now(), limit);
        dialog->timerTick(kRecordTimer);
        if (view.progressBar && (progress.empty() || progress.back() != *view.progressBar))
            progress.push_back(*view.progressBar);
        if (view.texts[kStatusText] == "Wait...")
            statusWhileFinishing = "Wait...";
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(statusWhileFinishing, "Wait...");
    for (std::size_t i = 1; i < progress.size(); ++i)
        EXPECT_GT(progress[i], progress[i - 1]);
    EXPECT_TRUE(windowMessages.shown.empty()) << windowMessages.shown[0].text;
    EXPECT_FALSE(dialog->saved());
    EXPECT_TRUE(view.isEnabled(kProcessedSource) && view.isEnabled(kSaveButton));
    expectUsable("after the design");

    // Close, Yes, cancel the save dialog: still open and unsaved. Close,
    // Yes, save: still open, saved. Then the close asks nothing.
    view.answers = {true, true};
    desktop.fileDialog.answers = {std::nullopt, path("window.alg")};
    EXPECT_FALSE(dialog->closeRequested());
    EXPECT_FALSE(dialog->saved());
    EXPECT_FALSE(dialog->closeRequested());
    EXPECT_TRUE(dialog->saved());
    EXPECT_EQ(view.questions, std::vector<std::string>(2, std::string("Info: ") + kUnsavedQuestion));
    EXPECT_TRUE(dialog->closeRequested());
    EXPECT_TRUE(fileBytes(path("window.alg")) == fileBytes(path("design.alg")));

    // No is the other way out of an unsaved design.
    const std::vector<double> silence(kTransformSize, 0.0);
    useFileDriver(write("silent.wav", {16}, {silence, silence}));
    view = FakeView{};
    openWindow();
    dialog->recordClicked();
    tickUntilTheTimerStops();
    EXPECT_EQ(shown(windowMessages), (std::vector<std::string>{std::string("Info: ") + kSilentMicrophoneText,
                                                               std::string("Info: ") + kSilentPickupText}));
    EXPECT_TRUE(dialog->saved());
    EXPECT_FALSE(view.isEnabled(kSaveButton));
    expectUsable("after a silent take");
}

// Every recording starts from no correction, so a take that fails cannot
// leave an earlier one to be monitored or saved as if new; a quiet input is
// questioned before the design, Yes drops the take and No designs it.
TEST_F(MeasurementDialogTest, RecordingStartsFromNoCorrectionAndQuestionsAQuietInput)
{
    TwoSignals s = signals(kTransformSize);
    double loudest = 0.0;
    for (const double x : s.pickup)
        loudest = std::max(loudest, std::fabs(x));
    for (double& x : s.pickup)
        x = std::round(x * 82.0 / loudest);  // 16-bit peak 82: -52 dBFS
    useFileDriver(write("quiet.wav", {16}, {s.microphone, s.pickup}));
    openWindow();
    CorrectionSet loaded;
    loaded.sectionCount = 0;
    loaded.outputGain = 2.0;
    ASSERT_TRUE(saveCorrectionFile(path("loaded.alg"), loaded));
    desktop.fileDialog.answers = {path("loaded.alg")};
    dialog->loadClicked();
    ASSERT_TRUE(dialog->curves() && !dialog->curves()->measured);

    const std::string question = "Info: The pickup is very quiet (peak -52 dBFS): the correction will be noisy. "
                                 "Raise its gain and record again?";
    for (const bool recordAgain : {true, false}) {
        dialog->recordClicked();
        EXPECT_FALSE(dialog->curves());
        EXPECT_TRUE(dialog->saved()) << "nothing to save while recording";
        view.answers = {recordAgain};
        view.questions.clear();
        tickUntilTheTimerStops();
        EXPECT_EQ(view.questions, std::vector<std::string>{question});
        EXPECT_EQ(dialog->saved(), recordAgain);
        EXPECT_EQ(view.isEnabled(kSaveButton), !recordAgain);
        EXPECT_EQ(view.isEnabled(kProcessedSource), !recordAgain);
        EXPECT_EQ(dialog->curves().has_value(), !recordAgain);
        expectUsable("after the quiet take");
    }
    EXPECT_TRUE(dialog->curves()->measured);
}

}  // namespace
}  // namespace kestrava::test
