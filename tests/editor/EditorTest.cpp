// Sonalve's editor on a recording window system: what the panel draws and
// where, what a click on each control tells the host, when the panel
// catches up with the effect, and the idle pacing of a click.
#include "FakeDesktop.h"
#include "FakeWindowSystem.h"
#include "RecordingHost.h"
#include "TestSupport.h"

#include "formats/vst2/Vst2Editor.h"
#include "plugin/ADelay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>

using namespace kestrava::editor;
using namespace kestrava::gui;
using namespace kestrava::plugin;

namespace kestrava::test {
namespace {

using namespace vst2;

constexpr CRect kPanel{0, 0, 250, 123};
constexpr CRect kInput{88, 15, 162, 29};
constexpr CRect kAir{88, 38, 162, 52};
constexpr CRect kLoad{11, 87, 84, 108};
constexpr CRect kHelp{88, 87, 161, 108};
constexpr CRect kAbout{165, 87, 238, 108};
constexpr CRect kLabel{88, 62, 237, 77};

CPoint centre(const CRect& r)
{
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        hostCalls.clear();
        desktop_.shell.documents = scratch_.path().string();
        effect_ = std::make_unique<ADelay>(recordingHost, desktop_.services());
        editor_ = std::make_unique<formats::Vst2Editor>(effect_.get(), EditorServices{windows_, about_, [this] { ++helpOpened_; }});
        hostCalls.clear();
    }

    void open()
    {
        ASSERT_TRUE(editor_->open(&parent_));
        ASSERT_NE(windows_.window, nullptr);
    }

    // The last drawing call made inside `rect` of the given kind.
    std::optional<DrawCall> lastDrawn(const CRect& rect, DrawCall::Kind kind) const
    {
        for (auto call = windows_.drawn.rbegin(); call != windows_.drawn.rend(); ++call)
            if (call->rect == rect && call->kind == kind)
                return *call;
        return std::nullopt;
    }

    int switchHalf(const CRect& rect) const
    {
        const std::optional<DrawCall> call = lastDrawn(rect, DrawCall::Bitmap);
        EXPECT_TRUE(call.has_value());
        return call ? call->source.y : -1;
    }

    std::vector<HostCall> callsExceptIdle() const
    {
        std::vector<HostCall> calls;
        std::copy_if(hostCalls.begin(), hostCalls.end(), std::back_inserter(calls),
                     [](const HostCall& c) { return c.opcode != audioMasterIdle; });
        return calls;
    }

    // Makes program 3 name `path` with the given switches, selected through a
    // preset chunk as a host restoring a project would.
    void restoreProgram(const std::string& path, float input, float air)
    {
        void* data = nullptr;
        effect_->getChunk(&data, true);
        ProgramRecord record;
        std::memcpy(&record, data, sizeof record);
        std::snprintf(record.path, sizeof record.path, "%s", path.c_str());
        record.input = input;
        record.air = air;
        ASSERT_EQ(effect_->setChunk(&record, sizeof record, true), 1);
    }

    ScratchFolder scratch_;
    FakeDesktop desktop_;
    FakeWindowSystem windows_;
    FakeAboutBoxes about_;
    int helpOpened_ = 0;
    int parent_ = 0;
    std::unique_ptr<ADelay> effect_;
    std::unique_ptr<formats::Vst2Editor> editor_;
};

TEST_F(EditorTest, RectangleComesFromThePanelBitmapBeforeAnyWindow)
{
    ERect* rect = nullptr;
    ASSERT_TRUE(editor_->getRect(&rect));
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, 123);
    EXPECT_EQ(rect->right, 250);
    EXPECT_FALSE(editor_->isOpen());
}

struct Switches {
    float input;
    float air;
    int inputHalf;  // 0 upper ("L" / "ON" lit), 14 lower ("R" / "OFF" lit)
    int airHalf;
};

class OpenedPanel : public EditorTest, public ::testing::WithParamInterface<Switches> {};

TEST_P(OpenedPanel, DrawsBackgroundSwitchesButtonsAndLabel)
{
    const Switches s = GetParam();
    effect_->setParameter(17, s.input);
    effect_->setParameter(18, s.air);
    open();
    EXPECT_EQ(windows_.windowSize, (CPoint{250, 123}));

    const std::optional<DrawCall> background = lastDrawn(kPanel, DrawCall::Bitmap);
    ASSERT_TRUE(background);
    EXPECT_EQ(background->bitmapSize, (CPoint{250, 123}));
    EXPECT_EQ(switchHalf(kInput), s.inputHalf);
    EXPECT_EQ(switchHalf(kAir), s.airHalf);
    for (const CRect& button : {kLoad, kHelp, kAbout}) {
        const std::optional<DrawCall> face = lastDrawn(button, DrawCall::Bitmap);
        ASSERT_TRUE(face);
        EXPECT_EQ(face->bitmapSize, (CPoint{73, 42}));
        EXPECT_EQ(face->source, (CPoint{0, 0}));
    }
    EXPECT_EQ(lastDrawn(kInput, DrawCall::Bitmap)->bitmapSize, (CPoint{74, 28}));

    const std::optional<DrawCall> fill = lastDrawn(kLabel, DrawCall::Fill);
    const std::optional<DrawCall> frame = lastDrawn(kLabel, DrawCall::Frame);
    const std::optional<DrawCall> text = lastDrawn(kLabel, DrawCall::Text);
    ASSERT_TRUE(fill && frame && text);
    EXPECT_EQ(fill->color, kBlackCColor);
    EXPECT_EQ(frame->color, kBlackCColor);
    EXPECT_EQ(text->color, kWhiteCColor);
    EXPECT_EQ(text->text, "None");
    EXPECT_EQ(text->font, CFontId::kNormalFontSmall);
}

INSTANTIATE_TEST_SUITE_P(SwitchValues, OpenedPanel,
                         ::testing::Values(Switches{0.0f, 0.0f, 0, 0}, Switches{1.0f, 1.0f, 14, 14},
                                           Switches{0.5f, 0.5f, 14, 14}, Switches{1.0f, 0.0f, 14, 0}),
                         [](const ::testing::TestParamInfo<Switches>& info) {
                             return "Input" + std::to_string(static_cast<int>(info.param.input * 10)) + "Air"
                                    + std::to_string(static_cast<int>(info.param.air * 10));
                         });

struct Click {
    const char* name;
    CRect control;
    VstInt32 tag;
    bool automates;
    float automatedValue;
};

class ClickedControl : public EditorTest, public ::testing::WithParamInterface<Click> {};

TEST_P(ClickedControl, BracketsItsActionWithBeginAndEndEdit)
{
    const Click c = GetParam();
    open();
    windows_.window->click(centre(c.control));

    std::vector<HostCall> expected = {{audioMasterBeginEdit, c.tag, 0.0f}};
    if (c.automates)
        expected.push_back({audioMasterAutomate, c.tag, c.automatedValue});
    expected.push_back({audioMasterEndEdit, c.tag, 0.0f});
    const std::vector<HostCall> calls = callsExceptIdle();
    ASSERT_EQ(calls.size(), expected.size());
    for (std::size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].opcode, expected[i].opcode) << i;
        EXPECT_EQ(calls[i].index, expected[i].index) << i;
        EXPECT_EQ(calls[i].opt, expected[i].opt) << i;
    }
    // The first click of an editor is due for the idle pacing step.
    EXPECT_EQ(hostCalls.front().opcode, audioMasterIdle);

    EXPECT_EQ(effect_->getParameter(17), c.tag == 17 ? 0.0f : 1.0f);
    EXPECT_EQ(effect_->getParameter(18), c.tag == 18 ? 1.0f : 0.0f);
    EXPECT_EQ(desktop_.fileDialog.requests.size(), c.tag == 19 ? 1u : 0u);
    EXPECT_EQ(helpOpened_, c.tag == 20 ? 1 : 0);
    EXPECT_EQ(about_.opened, c.tag == 21 ? 1u : 0u);
    if (c.tag == 17 || c.tag == 18) {
        editor_->idle();
        EXPECT_EQ(switchHalf(c.control), 14 - (c.tag == 17 ? 14 : 0));
    }
}

INSTANTIATE_TEST_SUITE_P(Controls, ClickedControl,
                         ::testing::Values(Click{"Input", kInput, 17, true, 0.0f}, Click{"Air", kAir, 18, true, 1.0f},
                                           Click{"Load", kLoad, 19, true, 1.0f}, Click{"Help", kHelp, 20, false, 0.0f},
                                           Click{"About", kAbout, 21, false, 0.0f}),
                         [](const ::testing::TestParamInfo<Click>& info) { return std::string(info.param.name); });

TEST_F(EditorTest, SwitchBetweenZeroAndOneGoesToOneThenZero)
{
    effect_->setParameter(17, 0.5f);
    open();
    windows_.window->click(centre(kInput));
    EXPECT_EQ(effect_->getParameter(17), 1.0f);
    windows_.window->click(centre(kInput));
    EXPECT_EQ(effect_->getParameter(17), 0.0f);
    // Right presses and presses on the bare panel do nothing.
    windows_.window->click(centre(kInput), kRButton);
    windows_.window->click({40, 60});
    EXPECT_EQ(effect_->getParameter(17), 0.0f);
}

TEST_F(EditorTest, ProgramChangeWhileOpenShowsAtTheNextIdle)
{
    const std::string file = scratch_.file("cello.alg");
    writeCorrection(file, makeCorrection(10, 1.0));
    open();
    windows_.drawn.clear();
    restoreProgram(file, 0.0f, 1.0f);
    EXPECT_TRUE(windows_.drawn.empty());

    editor_->idle();
    EXPECT_EQ(lastDrawn(kLabel, DrawCall::Text)->text, "cello.alg");
    EXPECT_EQ(switchHalf(kInput), 0);
    EXPECT_EQ(switchHalf(kAir), 14);
    EXPECT_FALSE(effect_->editorRefreshPending());
}

TEST_F(EditorTest, RefreshRequestedWhileClosedShowsAtTheNextOpen)
{
    const std::string file = scratch_.file("viola.alg");
    writeCorrection(file, makeCorrection(10, 1.0));
    open();
    editor_->close();
    EXPECT_EQ(windows_.window, nullptr);
    restoreProgram(file, 0.0f, 0.0f);
    editor_->idle();
    EXPECT_TRUE(effect_->editorRefreshPending());

    windows_.drawn.clear();
    open();
    EXPECT_EQ(lastDrawn(kLabel, DrawCall::Text)->text, "viola.alg");
    EXPECT_EQ(switchHalf(kInput), 0);
}

TEST_F(EditorTest, HostAutomationLeavesTheSwitchUntilTheNextRefresh)
{
    open();
    windows_.drawn.clear();
    effect_->setParameter(18, 1.0f);
    editor_->idle();
    EXPECT_FALSE(lastDrawn(kAir, DrawCall::Bitmap).has_value());

    effect_->setProgram(0);
    editor_->idle();
    EXPECT_EQ(switchHalf(kAir), 14);
}

TEST_F(EditorTest, ClicksWithinAHundredMillisecondsSkipTheHostIdle)
{
    open();
    struct Step {
        std::uint32_t advance;
        bool hostIdled;
    };
    // Due at construction; then 100 ms after each idle step.
    const Step steps[] = {{0, true}, {10, false}, {45, true}, {100, true}};
    for (const Step& step : steps) {
        windows_.now += step.advance;
        hostCalls.clear();
        windows_.window->click(centre(kHelp));
        const bool idled = std::any_of(hostCalls.begin(), hostCalls.end(),
                                       [](const HostCall& c) { return c.opcode == audioMasterIdle; });
        EXPECT_EQ(idled, step.hostIdled) << "after " << step.advance << " ms";
    }
}

TEST_F(EditorTest, KeysAndDropsAreDeclined)
{
    open();
    EXPECT_FALSE(editor_->onKeyDown({'a', 0, 0.0f}));
    EXPECT_FALSE(editor_->onKeyUp({'a', 0, 0.0f}));
    EXPECT_FALSE(windows_.window->acceptsDrop());
}

TEST_F(EditorTest, LastEditorClosesTheAboutBoxes)
{
    auto otherInstance = std::make_unique<formats::Vst2Editor>(effect_.get(), EditorServices{windows_, about_, {}});
    open();
    windows_.window->click(centre(kAbout));
    windows_.now += 200;
    windows_.window->click(centre(kAbout));
    EXPECT_EQ(about_.opened, 2u);
    // The boxes outlive the editor that opened them...
    editor_.reset();
    EXPECT_EQ(about_.opened, 2u);
    // ...but not the last one.
    otherInstance.reset();
    EXPECT_EQ(about_.opened, 0u);
}

TEST(DibDecoding, RefusesWhatIsNotAnUncompressedBitmap)
{
    std::vector<std::uint8_t> good(40 + 4 * 2, 0);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            good[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put32(0, 40);
    put32(4, 1);
    put32(8, 2);
    good[14] = 24;
    good[40] = 0x30;  // bottom row, blue
    good[41] = 0x20;
    good[42] = 0x10;
    CBitmap* bitmap = decodeDib(good.data(), good.size());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->pixel(0, 1), 0x102030u);
    bitmap->forget();

    struct Bad {
        const char* what;
        std::size_t at;
        std::uint32_t value;
        std::size_t size;
    };
    const Bad cases[] = {{"short", 0, 40, 47}, {"compressed", 16, 1, 48}, {"8 bits", 14, 8, 48},
                         {"zero width", 4, 0, 48}, {"huge height", 8, 0x7fffffff, 48}, {"header past end", 0, 4000, 48}};
    for (const Bad& bad : cases) {
        std::vector<std::uint8_t> data = good;
        for (int i = 0; i < 4 && bad.at != 14; ++i)
            data[bad.at + i] = static_cast<std::uint8_t>(bad.value >> (8 * i));
        if (bad.at == 14)
            data[14] = static_cast<std::uint8_t>(bad.value);
        EXPECT_EQ(decodeDib(data.data(), bad.size), nullptr) << bad.what;
    }
}

}  // namespace
}  // namespace kestrava::test
