// The recorded-take driver as a user meets it: regsvr32 registers it,
// kestrava.exe lists it and records through it, and regsvr32 /u removes
// every key it wrote. What it records is what `kestrava design` designs
// from the same take, byte for byte.
#include "platform/win32/RegistryKey.h"
#include "audio/win32/TakeDriver.h"
#include "audio/win32/TakeSettings.h"

#include "apps/ToolRun.h"
#include "support/TakeDriverSettings.h"
#include "support/WindowsProcess.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using namespace kestrava::audio;
using namespace kestrava::platform;

namespace kestrava::test {
namespace {


const std::string kClassKey = std::string("CLSID\\") + kTakeDriverClassText;
const std::string kDriverKey = std::string("SOFTWARE\\ASIO\\") + kTakeDriverDescription;

class TakeDriverTest : public ToolTestBase {
protected:
    void TearDown() override
    {
        runProgram("regsvr32 /s /u " + quoted(dll_));
        clearTakeSettings();
        ToolTestBase::TearDown();
    }

    void useTake(const std::string& take, const char* type, const char* bufferSize)
    {
        ASSERT_TRUE(test::useTake(take, path("outputs.wav"), type, bufferSize));
    }

    // Records through the registered driver and designs from the file; the
    // two correction files must agree. Both stay in the build folder, with
    // the take, for the native build's comparison.
    void expectRecordMatchesDesign(const std::string& name, const std::string& take)
    {
        const std::string recorded = path(name + "-record.alg");
        const std::string designed = path(name + "-design.alg");
        ASSERT_EQ(runProgram(quoted(tool_) + " record --driver " + quoted(kTakeDriverDescription) + " -o " +
                      quoted(recorded)),
                  0);
        ASSERT_EQ(runProgram(quoted(tool_) + " design " + quoted(take) + " -o " + quoted(designed)), 0);
        const std::string expected = fileBytes(designed);
        ASSERT_EQ(expected.size(), 4808u);
        EXPECT_TRUE(fileBytes(recorded) == expected) << name;
        EXPECT_TRUE(std::filesystem::exists(path("outputs.wav")));
        const std::filesystem::path kept = std::filesystem::path(windowsPath(KESTRAVA_TAKE_RESULTS)) / name;
        std::filesystem::create_directories(kept);
        std::filesystem::copy_file(take, kept / "take.wav", std::filesystem::copy_options::overwrite_existing);
        std::filesystem::copy_file(recorded, kept / "record.alg", std::filesystem::copy_options::overwrite_existing);
    }

    const std::string dll_ = windowsPath(KESTRAVA_TAKE_DRIVER);
    const std::string tool_ = windowsPath(KESTRAVA_TOOL);
};

TEST_F(TakeDriverTest, RegisteredRecordedThroughAndRemovedAgain)
{
    const bool asioKeyBefore = static_cast<bool>(RegistryKey::open(HKEY_LOCAL_MACHINE, "SOFTWARE\\ASIO"));
    ASSERT_EQ(runProgram("regsvr32 /s " + quoted(dll_)), 0);
    const RegistryKey server = RegistryKey::open(HKEY_CLASSES_ROOT, kClassKey + "\\InprocServer32");
    EXPECT_EQ(server.readString(nullptr), dll_);
    EXPECT_EQ(server.readString("ThreadingModel"), "Both");
    const RegistryKey driver = RegistryKey::open(HKEY_LOCAL_MACHINE, kDriverKey);
    EXPECT_EQ(driver.readString("CLSID"), kTakeDriverClassText);
    EXPECT_EQ(driver.readString("Description"), kTakeDriverDescription);

    // Listed, and without a take it says what it needs.
    clearTakeSettings();
    const std::string listing = path("drivers.txt");
    ASSERT_EQ(runProgram("cmd /c \"" + quoted(tool_) + " drivers > " + quoted(listing) + "\""), 0);
    EXPECT_NE(fileBytes(listing).find(std::string(kTakeDriverDescription) + "\r\n  " +
                                                     kTakeDriverDescription + " is not available: No take chosen"),
              std::string::npos)
        << fileBytes(listing);

    // 16-bit integers through a 16-bit type and floats through a float type,
    // with a buffer size that does not divide the recording's length.
    const TwoSignals s = signals(1 << 20);
    useTake(write("int16.wav", {16}, {s.microphone, s.pickup}), "Int16LSB", "1000");
    expectRecordMatchesDesign("Int16LSB", path("int16.wav"));
    std::vector<double> microphone = s.microphone;
    std::vector<double> pickup = s.pickup;
    for (std::size_t i = 0; i < microphone.size(); ++i) {
        microphone[i] /= 32768.0;
        pickup[i] /= 32768.0;
    }
    useTake(write("float32.wav", {32, true}, {microphone, pickup}), "Float32MSB", "1000");
    expectRecordMatchesDesign("Float32MSB", path("float32.wav"));

    ASSERT_EQ(runProgram("regsvr32 /s /u " + quoted(dll_)), 0);
    EXPECT_FALSE(RegistryKey::open(HKEY_CLASSES_ROOT, kClassKey));
    EXPECT_FALSE(RegistryKey::open(HKEY_LOCAL_MACHINE, kDriverKey));
    EXPECT_EQ(static_cast<bool>(RegistryKey::open(HKEY_LOCAL_MACHINE, "SOFTWARE\\ASIO")), asioKeyBefore);
}

}  // namespace
}  // namespace kestrava::test
