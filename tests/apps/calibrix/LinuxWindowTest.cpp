// calibrix as a player meets it: the real window on a private Xvfb display,
// worked with real mouse and key events (xdotool) at the places the
// window's layout gives its controls. It measures through the recorded-file
// driver and through JACK (a private dummy server fed by the test's own
// client), watches the level meters move, saves through Qt's save dialog,
// and keeps pictures of the window while recording and after the design.
#include "apps/calibrix/qt/WindowLayout.h"
#include "corrfile/CorrectionFile.h"
#include "design/CaptureBuffer.h"
#include "tests/apps/ToolRun.h"
#include "tests/audio/JackHarness.h"
#include "tests/support/FileBytes.h"

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kestrava::test {
namespace {

using namespace std::chrono_literals;
using calibrix::ControlPlace;

const ControlPlace& place(int id)
{
    for (const ControlPlace& p : calibrix::kControlPlaces)
        if (p.id == id)
            return p;
    throw std::logic_error("no such control");
}

// The output of a shell command, trimmed.
std::string output(const std::string& command)
{
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
            text += buffer;
        pclose(pipe);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

// The first visible window with exactly this title, waiting for it.
std::optional<std::string> windowNamed(const std::string& title, std::chrono::seconds patience)
{
    const auto deadline = Clock::now() + patience;
    do {
        const std::string found = output("xdotool search --onlyvisible --name '^" + title + "$' 2>/dev/null | head -n 1");
        if (!found.empty())
            return found;
        std::this_thread::sleep_for(200ms);
    } while (Clock::now() < deadline);
    return std::nullopt;
}

void xdotool(const std::string& arguments)
{
    ASSERT_EQ(std::system(("xdotool " + arguments).c_str()), 0) << arguments;
}

void click(const std::string& window, int x, int y)
{
    xdotool("mousemove --window " + window + " " + std::to_string(x) + " " + std::to_string(y) + " click 1");
}

void clickControl(const std::string& window, int id)
{
    click(window, calibrix::centreX(place(id)), calibrix::centreY(place(id)));
}

// Types a path into a file dialog's name field and accepts it.
void answerFileDialog(const std::string& title, const std::string& path)
{
    const std::optional<std::string> dialog = windowNamed(title, 10s);
    ASSERT_TRUE(dialog) << "no \"" << title << "\" dialog";
    xdotool("windowfocus --sync " + *dialog);
    xdotool("type --delay 10 '" + path + "'");
    xdotool("key Return");
}

void screenshot(const std::string& window, const std::string& png)
{
    ASSERT_EQ(std::system(("import -window " + window + " '" + png + "'").c_str()), 0);
}

// The mean brightness (0 to 1) of one meter's scale in a picture.
double meterBrightness(const std::string& png, int meterLeft)
{
    const int top = calibrix::kMeterTop + 40;
    const std::string crop = std::to_string(calibrix::kMeterWidth - 8) + "x"
                             + std::to_string(calibrix::kMeterHeight - 48) + "+" + std::to_string(meterLeft + 4) + "+"
                             + std::to_string(top);
    return std::stod(output("convert '" + png + "' -crop " + crop + " -format '%[fx:mean]' info:"));
}

// calibrix with the environment the case gives, ended when the case ends.
class Calibrix {
public:
    Calibrix(const ScratchFolder& home, const std::vector<std::string>& extraEnvironment)
    {
        std::vector<std::string> environment = {"HOME=" + home.file(""), "XDG_CONFIG_HOME=" + home.file("config")};
        for (char** e = environ; *e != nullptr; ++e)
            environment.emplace_back(*e);
        environment.insert(environment.end(), extraEnvironment.begin(), extraEnvironment.end());
        std::vector<char*> envp;
        for (std::string& e : environment)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        std::string program = CALIBRIX_PROGRAM;
        char* argv[] = {program.data(), nullptr};
        if (posix_spawn(&pid_, program.c_str(), nullptr, nullptr, argv, envp.data()) != 0)
            pid_ = -1;
    }
    ~Calibrix()
    {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    Calibrix(const Calibrix&) = delete;
    Calibrix& operator=(const Calibrix&) = delete;

    // True when the program ended by itself, with status 0, in time.
    bool endsCleanly(std::chrono::seconds patience)
    {
        const auto deadline = Clock::now() + patience;
        int status = 0;
        while (Clock::now() < deadline) {
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                return WIFEXITED(status) && WEXITSTATUS(status) == 0;
            }
            std::this_thread::sleep_for(100ms);
        }
        return false;
    }

private:
    pid_t pid_ = -1;
    bool exited_ = false;
};

// From "Start recording" to the saved correction: the meters move while
// it records, the design's curves are drawn, and "Save corr. file" writes
// `saved` through Qt's save dialog. Leaves the two pictures named after
// `picture` in the build folder.
void recordAndSave(const std::string& window, const std::string& saved, const std::string& picture,
                   const std::function<void()>& afterStart = {})
{
    const std::string folder = SCREENSHOT_FOLDER;
    screenshot(window, folder + "/" + picture + "-idle.png");
    clickControl(window, calibrix::control::kRecordButton);
    if (afterStart)
        afterStart();
    std::this_thread::sleep_for(4s);
    const std::string recording = folder + "/" + picture + "-recording.png";
    screenshot(window, recording);
    for (const int meter : {calibrix::kMicMeterLeft, calibrix::kPickupMeterLeft})
        EXPECT_GT(meterBrightness(recording, meter), meterBrightness(folder + "/" + picture + "-idle.png", meter) + 0.05)
            << "the meter at x " << meter << " stands still while recording";

    // "Save corr. file" answers only once the design is there.
    const auto deadline = Clock::now() + 120s;
    std::optional<std::string> dialog;
    while (!dialog && Clock::now() < deadline) {
        clickControl(window, calibrix::control::kSaveButton);
        dialog = windowNamed("Save corr. file", 2s);
    }
    ASSERT_TRUE(dialog) << "no correction to save";
    answerFileDialog("Save corr. file", saved);
    for (int i = 0; i < 50 && !std::filesystem::exists(saved); ++i)
        std::this_thread::sleep_for(100ms);
    screenshot(window, folder + "/" + picture + "-designed.png");
}

TEST(CalibrixWindow, MeasuresTheRecordedTakeAsTheToolDesignsIt)
{
    const ScratchFolder scratch;
    const TwoSignals s = signals(design::kTransformSize);
    const std::string take = scratch.file("take.wav");
    writeFile(take, buildWav({16}, {s.microphone, s.pickup}));
    ASSERT_EQ(kestrava({"design", take, "-o", scratch.file("designed.alg")}).status, 0);

    Calibrix program(scratch, {"KESTRAVA_TAKE=" + take});
    const std::optional<std::string> window = windowNamed("Kestrava Sonalve", 20s);
    ASSERT_TRUE(window);
    // "Recorded File" is the last driver: open the list, go to its end.
    clickControl(*window, calibrix::control::kDriverList);
    std::this_thread::sleep_for(500ms);
    xdotool("key End Return");

    recordAndSave(*window, scratch.file("window.alg"), "calibrix-recorded-file");
    EXPECT_EQ(fileBytes(scratch.file("window.alg")), fileBytes(scratch.file("designed.alg")));

    // Saving over it asks first: two windows of that title, the dialog and
    // its question. No, then leave the dialog.
    clickControl(*window, calibrix::control::kSaveButton);
    answerFileDialog("Save corr. file", scratch.file("window.alg"));
    const std::string count = "xdotool search --onlyvisible --name '^Save corr. file$' | wc -l";
    std::this_thread::sleep_for(1s);
    EXPECT_EQ(output(count), "2") << "no question before replacing the file";
    xdotool("key Escape");
    std::this_thread::sleep_for(500ms);
    xdotool("windowfocus --sync $(xdotool search --onlyvisible --name '^Save corr. file$' | head -n 1)");
    xdotool("key Escape");
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(output(count), "0");

    // A loaded correction's response replaces the design's curves.
    clickControl(*window, calibrix::control::kLoadButton);
    answerFileDialog("Load corr. file", scratch.file("designed.alg"));
    std::this_thread::sleep_for(1s);
    const std::string loaded = std::string(SCREENSHOT_FOLDER) + "/calibrix-recorded-file-loaded.png";
    screenshot(*window, loaded);
    EXPECT_NE(output("compare -metric AE '" + loaded + "' '" + SCREENSHOT_FOLDER
                     + "/calibrix-recorded-file-designed.png' null: 2>&1"),
              "0");

    // The loaded correction as an impulse response: the tool's, byte for byte.
    click(*window, calibrix::kCurvesLeft + calibrix::kCurvesWidth - calibrix::kExportButtonWidth / 2,
          calibrix::kCurvesControlsTop + 12);
    answerFileDialog(calibrix::kExportImpulseText, scratch.file("window-ir.wav"));
    const std::optional<std::string> written = windowNamed("Info", 10s);
    ASSERT_TRUE(written) << "no message after the export";
    xdotool("windowfocus --sync " + *written);
    xdotool("key Return");
    ASSERT_EQ(kestrava({"export-ir", "--alg", scratch.file("designed.alg"), scratch.file("tool-ir.wav")}).status, 0);
    EXPECT_EQ(fileBytes(scratch.file("window-ir.wav")), fileBytes(scratch.file("tool-ir.wav")));

    // Saved, so Escape closes the window without a question.
    xdotool("windowfocus --sync " + *window);
    xdotool("key Escape");
    EXPECT_TRUE(program.endsCleanly(10s));
}

TEST(CalibrixWindow, MeasuresThroughJack)
{
    const std::string name = "kestrava-calibrix-" + std::to_string(getpid());
    setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
    setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
    const JackServer server(name, 48000);
    ASSERT_TRUE(server.ready());
    TestClient player;
    ASSERT_TRUE(player.ok());

    const ScratchFolder scratch;
    Calibrix program(scratch, {});
    const std::optional<std::string> window = windowNamed("Kestrava Sonalve", 20s);
    ASSERT_TRUE(window);
    // JACK is the first driver and chosen as the window opens.
    recordAndSave(*window, scratch.file("jack.alg"), "calibrix-jack", [&player] {
        bool connected = false;
        for (int i = 0; i < 50 && !connected; ++i) {
            connected = player.connectTo("calibrix");
            std::this_thread::sleep_for(100ms);
        }
        EXPECT_TRUE(connected) << "calibrix's JACK ports";
    });
    engine::CorrectionSet saved;
    EXPECT_TRUE(corrfile::loadCorrectionFile(scratch.file("jack.alg"), saved));
    EXPECT_EQ(saved.sectionCount, 199);

    xdotool("windowfocus --sync " + *window);
    xdotool("key Escape");
    EXPECT_TRUE(program.endsCleanly(10s));
}

}  // namespace
}  // namespace kestrava::test
