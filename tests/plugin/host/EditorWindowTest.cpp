// Sonalve's editor in a real window: the project's host loads the built
// library, opens the editor inside a window of its own on the real window
// system (X11 under Xvfb, or Win32 under Wine), looks at the pixels, clicks
// with real mouse events, and closes with an About box still open. The
// screenshots stay in the build folder.
#include "HostWindow.h"
#include "PluginLibrary.h"
#include "RecordingHost.h"
#include "TestSupport.h"

#include "plugin/Vst2.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#if !defined(_WIN32)
#include "Lv2Host.h"

#include <dlfcn.h>
#include <lv2/ui/ui.h>
#endif

namespace kestrava::test {
namespace {

using namespace plugin::vst2;

PluginLibrary& library()
{
#if !defined(_WIN32)
    // The effect makes its data folder in the user's documents.
    static ScratchFolder home;
    setenv("HOME", home.path().c_str(), 1);
#endif
    static PluginLibrary instance(SONALVE_LIBRARY);
    return instance;
}

bool near(RgbImage::Pixel p, int r, int g, int b, int tolerance = 0)
{
    return std::abs(p.r - r) <= tolerance && std::abs(p.g - g) <= tolerance && std::abs(p.b - b) <= tolerance;
}

bool lit(RgbImage::Pixel p)
{
    return p.b > 150 && p.r < 100;
}

// Inside each switch segment, away from its letters.
constexpr int kLeftSegmentX = 88 + 4;
constexpr int kRightSegmentX = 88 + 37 + 4;
constexpr int kInputY = 15 + 7;
constexpr int kAirY = 38 + 7;

class EditorWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(library().loaded()) << library().error();
        hostCalls.clear();
        effect_ = library().entry("VSTPluginMain")(recordingHost);
        ASSERT_NE(effect_, nullptr);
        window_ = HostWindow::create(250, 123);
    }

    void TearDown() override
    {
        if (effect_ != nullptr) {
            EXPECT_EQ(dispatch(effClose), 1);
        }
    }

    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr)
    {
        return effect_->dispatcher(effect_, opcode, index, value, ptr, 0.0f);
    }

    void idle(int milliseconds = 300)
    {
        window_->run(milliseconds, [this] { dispatch(effEditIdle); });
    }

    RgbImage shoot(const std::string& name)
    {
        RgbImage image = window_->screenshot();
        EXPECT_TRUE(writePng(std::string(SCREENSHOT_FOLDER) + "/" + name + ".png", image));
        return image;
    }

    // Runs the host until `done` holds or two seconds have passed.
    bool idleUntil(const std::function<bool()>& done)
    {
        for (int i = 0; i < 100 && !done(); ++i)
            idle(20);
        return done();
    }

    AEffect* effect_ = nullptr;
    std::unique_ptr<HostWindow> window_;
};

TEST_F(EditorWindowTest, ShowsTheSwitchesAndFollowsARealClick)
{
    effect_->setParameter(effect_, 17, 1.0f);
    effect_->setParameter(effect_, 18, 0.0f);
    ASSERT_EQ(dispatch(effEditOpen, 0, 0, window_->handle()), 1);
    idle();
    const RgbImage opened = shoot("editor-opened");
    EXPECT_TRUE(near(opened.at(20, 50), 158, 170, 172));
    EXPECT_TRUE(near(opened.at(200, 30), 158, 170, 172));
    EXPECT_TRUE(lit(opened.at(kRightSegmentX, kInputY)));  // "R"
    EXPECT_FALSE(lit(opened.at(kLeftSegmentX, kInputY)));
    EXPECT_TRUE(lit(opened.at(kLeftSegmentX, kAirY)));  // "ON"
    EXPECT_FALSE(lit(opened.at(kRightSegmentX, kAirY)));
    EXPECT_TRUE(near(opened.at(90, 64), 0, 0, 0));  // the label's black field

    hostCalls.clear();
    window_->click(88 + 37, kInputY);
    ASSERT_TRUE(idleUntil([this] { return effect_->getParameter(effect_, 17) == 0.0f; }));
    std::vector<HostCall> edits;
    for (const HostCall& call : hostCalls)
        if (call.opcode != audioMasterIdle)
            edits.push_back(call);
    ASSERT_EQ(edits.size(), 3u);
    EXPECT_EQ(edits[0].opcode, audioMasterBeginEdit);
    EXPECT_EQ(edits[0].index, 17);
    EXPECT_EQ(edits[1].opcode, audioMasterAutomate);
    EXPECT_EQ(edits[1].index, 17);
    EXPECT_EQ(edits[1].opt, 0.0f);
    EXPECT_EQ(edits[2].opcode, audioMasterEndEdit);
    EXPECT_EQ(edits[2].index, 17);

    idle();
    const RgbImage clicked = shoot("editor-after-input-click");
    EXPECT_TRUE(lit(clicked.at(kLeftSegmentX, kInputY)));  // "L"
    EXPECT_FALSE(lit(clicked.at(kRightSegmentX, kInputY)));
    dispatch(effEditClose);
}

TEST_F(EditorWindowTest, ReopensFromTheEffectsCurrentState)
{
    ASSERT_EQ(dispatch(effEditOpen, 0, 0, window_->handle()), 1);
    idle();
    dispatch(effEditClose);
    idle();
    // Closed: nothing of the editor is left in the host's window.
    EXPECT_FALSE(near(shoot("editor-closed").at(20, 50), 158, 170, 172));

    effect_->setParameter(effect_, 18, 1.0f);
    ASSERT_EQ(dispatch(effEditOpen, 0, 0, window_->handle()), 1);
    idle();
    const RgbImage reopened = shoot("editor-reopened");
    EXPECT_TRUE(near(reopened.at(20, 50), 158, 170, 172));
    EXPECT_TRUE(lit(reopened.at(kRightSegmentX, kAirY)));  // "OFF"
    dispatch(effEditClose);
}

TEST_F(EditorWindowTest, AboutBoxesOpenPerClickAndCloseWithTheLastEffect)
{
    ASSERT_EQ(dispatch(effEditOpen, 0, 0, window_->handle()), 1);
    idle();
    window_->click(165 + 36, 87 + 10);
    ASSERT_TRUE(idleUntil([this] { return window_->aboutBoxes() == 1; }));
    idle(200);
    const RgbImage box = window_->aboutBoxScreenshot();
    EXPECT_TRUE(writePng(std::string(SCREENSHOT_FOLDER) + "/about-box.png", box));
    EXPECT_GT(box.width, 100);
    window_->click(165 + 36, 87 + 10);
    ASSERT_TRUE(idleUntil([this] { return window_->aboutBoxes() == 2; }));
    window_->clickOkOfAnAboutBox();
    EXPECT_TRUE(idleUntil([this] { return window_->aboutBoxes() == 1; }));

    // The host goes away with a box still open: editor, effect, window.
    dispatch(effEditClose);
    EXPECT_EQ(dispatch(effClose), 1);
    effect_ = nullptr;
    window_->run(200, {});
    EXPECT_EQ(window_->aboutBoxes(), 0);
}

#if !defined(_WIN32)
// The LV2 UI, the same panel, in the same window: the host hands it the
// parent window and the URID map, idles it, and hears the Input switch as a
// write to the plug-in's `input` port.
TEST_F(EditorWindowTest, Lv2UiShowsThePanelAndWritesTheInputPort)
{
    void* module = dlopen(SONALVE_LV2_UI_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    const auto entry = reinterpret_cast<const LV2UI_Descriptor* (*)(std::uint32_t)>(dlsym(module, "lv2ui_descriptor"));
    ASSERT_NE(entry, nullptr);
    const LV2UI_Descriptor* descriptor = entry(0);
    ASSERT_NE(descriptor, nullptr);
    EXPECT_STREQ(descriptor->URI, "urn:kestrava:sonalve#ui");

    UridMap urids;
    LV2_Feature map{LV2_URID__map, &urids.mapFeature};
    LV2_Feature parent{LV2_UI__parent, window_->handle()};
    LV2UI_Port_Map ports{nullptr, [](LV2UI_Feature_Handle, const char* symbol) {
                             const std::string name = symbol;
                             return name == "input" ? 4u : name == "air" ? 5u : name == "control" ? 6u
                                  : name == "notify" ? 7u : LV2UI_INVALID_PORT_INDEX;
                         }};
    LV2_Feature portMap{LV2_UI__portMap, &ports};
    const LV2_Feature* features[] = {&map, &parent, &portMap, nullptr};
    std::vector<std::pair<std::uint32_t, float>> writes;
    LV2UI_Widget widget = nullptr;
    const auto write = [](LV2UI_Controller controller, std::uint32_t port, std::uint32_t size, std::uint32_t format,
                          const void* data) {
        if (format == 0 && size == sizeof(float))
            static_cast<decltype(writes)*>(controller)->emplace_back(port, *static_cast<const float*>(data));
    };
    LV2UI_Handle ui = descriptor->instantiate(descriptor, "urn:kestrava:sonalve", SONALVE_LV2_UI_BUNDLE, write,
                                              &writes, &widget, features);
    ASSERT_NE(ui, nullptr);
    EXPECT_NE(widget, nullptr);
    const auto* idleInterface =
        static_cast<const LV2UI_Idle_Interface*>(descriptor->extension_data(LV2_UI__idleInterface));
    ASSERT_NE(idleInterface, nullptr);
    const float right = 1.0f, airOn = 1.0f;
    descriptor->port_event(ui, 4, sizeof right, 0, &right);
    descriptor->port_event(ui, 5, sizeof airOn, 0, &airOn);
    const auto idleUi = [&] { window_->run(300, [&] { idleInterface->idle(ui); }); };
    idleUi();
    const RgbImage opened = shoot("lv2-ui-opened");
    EXPECT_TRUE(near(opened.at(20, 50), 158, 170, 172));
    EXPECT_TRUE(lit(opened.at(kRightSegmentX, kInputY)));  // "R"
    EXPECT_TRUE(lit(opened.at(kLeftSegmentX, kAirY)));  // "ON"

    window_->click(88 + 37, kInputY);
    for (int i = 0; i < 100 && writes.empty(); ++i)
        window_->run(20, [&] { idleInterface->idle(ui); });
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0], std::make_pair(4u, 0.0f));
    idleUi();
    const RgbImage clicked = shoot("lv2-ui-after-input-click");
    EXPECT_TRUE(lit(clicked.at(kLeftSegmentX, kInputY)));  // "L"
    descriptor->cleanup(ui);
    window_->run(100, {});
    dlclose(module);
}
#endif

TEST_F(EditorWindowTest, OpenIntoSomethingThatIsNotAWindowFails)
{
    EXPECT_EQ(dispatch(effEditOpen, 0, 0, nullptr), 0);
    EXPECT_EQ(dispatch(effEditIdle), 0);
    EXPECT_EQ(dispatch(effEditClose), 0);
}

}  // namespace
}  // namespace kestrava::test
