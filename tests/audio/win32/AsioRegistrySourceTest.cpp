// The installed-driver list as the registry gives it: driver keys written
// into private stand-ins for HKEY_LOCAL_MACHINE and HKEY_CLASSES_ROOT, and
// scripted drivers offered through COM class objects, so every driver is
// found, listed and created the way a real one is.
#include "audio/StreamSetup.h"
#include "audio/win32/AsioRegistrySource.h"
#include "platform/win32/RegistryKey.h"

#include "FakeDriver.h"
#include "measure/BlockProcessor.h"

#include <gtest/gtest.h>
#include <objbase.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using namespace kestrava::audio;
using namespace kestrava::measure;
using namespace kestrava::platform;

namespace kestrava::test {
namespace {


// Creates scripted drivers for one class id.
class FakeClass final : public IClassFactory {
public:
    FakeClass(FakeDriverScript script, std::shared_ptr<FakeDriverLog> log)
        : script_(std::move(script)), log_(std::move(log))
    {
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!IsEqualGUID(iid, IID_IUnknown) && !IsEqualGUID(iid, IID_IClassFactory)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = this;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID, void** object) override
    {
        *object = static_cast<IASIO*>(new FakeDriver(script_, log_));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    FakeDriverScript script_;
    std::shared_ptr<FakeDriverLog> log_;
};

enum class ClassKey { Lower, Upper, Missing };

struct Installed {
    std::string key;
    std::optional<std::string> description;
    bool clsidValue = true;
    bool clsidUpperCase = true;
    ClassKey classKey = ClassKey::Lower;
    bool serverExists = true;
    bool creatable = true;
};

std::string classText(int n, bool upperCase)
{
    char text[64];
    std::snprintf(text, sizeof text, upperCase ? "{6B1E%04X-0000-4000-8000-00000000ABCD}"
                                               : "{6b1e%04x-0000-4000-8000-00000000abcd}",
                  n);
    return text;
}

// Driver keys and classes of one test; everything goes when it ends.
class AsioRegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        root_ = "Software\\Kestrava Sonalve Tests\\" + std::to_string(GetCurrentProcessId());
        RegDeleteTreeA(HKEY_CURRENT_USER, root_.c_str());
        machine_ = RegistryKey::create(HKEY_CURRENT_USER, root_ + "\\machine");
        classes_ = RegistryKey::create(HKEY_CURRENT_USER, root_ + "\\classes");
        ASSERT_TRUE(machine_ && classes_);
        ASSERT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine_.handle()), ERROR_SUCCESS);
        ASSERT_EQ(RegOverridePredefKey(HKEY_CLASSES_ROOT, classes_.handle()), ERROR_SUCCESS);
        folder_ = std::filesystem::temp_directory_path() / ("kestrava-asio-" + std::to_string(GetCurrentProcessId()));
        std::filesystem::create_directories(folder_);
        server_ = serverFile(folder_);
    }

    void TearDown() override
    {
        for (const DWORD cookie : cookies_) {
            CoRevokeClassObject(cookie);
        }
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
        RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
        machine_ = {};
        classes_ = {};
        RegDeleteTreeA(HKEY_CURRENT_USER, root_.c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Kestrava Sonalve Tests");
        std::filesystem::remove_all(folder_);
        CoUninitialize();
    }

    static std::string serverFile(const std::filesystem::path& folder)
    {
        std::filesystem::create_directories(folder);
        const std::filesystem::path file = folder / "driver.dll";
        std::ofstream(file) << "not a library";
        return file.string();
    }

    // Installs the drivers in this order; returns the log of each.
    std::vector<std::shared_ptr<FakeDriverLog>> install(const std::vector<Installed>& drivers,
                                                        FakeDriverScript script = {})
    {
        std::vector<std::shared_ptr<FakeDriverLog>> logs;
        for (std::size_t i = 0; i < drivers.size(); ++i) {
            const Installed& d = drivers[i];
            const int n = static_cast<int>(factories_.size());
            logs.push_back(std::make_shared<FakeDriverLog>());
            const RegistryKey key = RegistryKey::create(HKEY_LOCAL_MACHINE, "software\\asio\\" + d.key);
            if (d.clsidValue) {
                key.writeString("clsid", classText(n, d.clsidUpperCase));
            }
            if (d.description) {
                key.writeString("description", *d.description);
            }
            if (d.classKey != ClassKey::Missing) {
                const std::string name = classText(n, d.classKey == ClassKey::Upper);
                RegistryKey::create(HKEY_CLASSES_ROOT, "clsid\\" + name + "\\InprocServer32")
                    .writeString(nullptr, d.serverExists ? server_ : server_ + ".missing");
            }
            factories_.push_back(std::make_unique<FakeClass>(script, logs.back()));
            CLSID id{};
            const std::string text = classText(n, true);
            const std::wstring wide(text.begin(), text.end());
            CLSIDFromString(wide.c_str(), &id);
            DWORD cookie = 0;
            if (d.creatable &&
                SUCCEEDED(CoRegisterClassObject(id, factories_.back().get(), CLSCTX_INPROC_SERVER,
                                                REGCLS_MULTIPLEUSE, &cookie))) {
                cookies_.push_back(cookie);
            }
        }
        return logs;
    }

    std::string root_;
    RegistryKey machine_;
    RegistryKey classes_;
    std::filesystem::path folder_;
    std::string server_;
    std::vector<std::unique_ptr<FakeClass>> factories_;
    std::vector<DWORD> cookies_;
};

struct ListingCase {
    const char* what;
    std::vector<Installed> drivers;
    std::vector<std::string> listed;
    // Loading this listed name opens the driver with this index.
    std::string load;
    int opens = -1;
};

void PrintTo(const ListingCase& c, std::ostream* os)
{
    *os << c.what;
}

class Listing : public AsioRegistryTest, public ::testing::WithParamInterface<ListingCase> {};

TEST_P(Listing, ListsAndLoadsWhatTheRegistryHolds)
{
    const ListingCase& c = GetParam();
    const std::vector<std::shared_ptr<FakeDriverLog>> logs = install(c.drivers);
    AsioRegistrySource source;
    DriverCatalog catalog(source);
    EXPECT_EQ(catalog.listDriverNames(kDriverListSlots), c.listed);
    if (c.load.empty()) {
        return;
    }
    EXPECT_EQ(catalog.loadDriverByName(c.load), c.opens >= 0);
    for (std::size_t i = 0; i < logs.size(); ++i) {
        EXPECT_EQ(logs[i]->liveInstances.load(), static_cast<int>(i) == c.opens ? 1 : 0) << i;
    }
}

std::vector<Installed> twelveDrivers()
{
    std::vector<Installed> drivers;
    for (int i = 1; i <= 12; ++i) {
        drivers.push_back({"Driver " + std::string(i < 10 ? "0" : "") + std::to_string(i), std::nullopt});
    }
    return drivers;
}

std::vector<std::string> firstTenNames()
{
    std::vector<std::string> names;
    for (int i = 1; i <= 10; ++i) {
        names.push_back("Driver " + std::string(i < 10 ? "0" : "") + std::to_string(i));
    }
    return names;
}

const std::string kForty = "Studio Interface With A Forty Char Name!";
const std::string kLongKey(200, 'k');

INSTANTIATE_TEST_SUITE_P(
    Registry, Listing,
    ::testing::Values(
        ListingCase{"no description: the subkey name", {{"Plain Interface", std::nullopt}}, {"Plain Interface"},
                    "Plain Interface", 0},
        ListingCase{"forty characters: cut and loadable",
                    {{"A", kForty}},
                    {"Studio Interface With A Fort..."},
                    "Studio Interface With A Fort...",
                    0},
        ListingCase{"same listed name: the lower id opens",
                    {{"A", kForty}, {"B", "Studio Interface With A Forty Second Name"}},
                    {"Studio Interface With A Fort...", "Studio Interface With A Fort..."},
                    "Studio Interface With A Fort...",
                    0},
        ListingCase{"twelve drivers: ten listed", twelveDrivers(), firstTenNames(), "Driver 10", 9},
        ListingCase{"upper-case clsid, lower-case class key",
                    {{"A", "Upper", true, true, ClassKey::Lower}},
                    {"Upper"},
                    "Upper",
                    0},
        ListingCase{"lower-case clsid, upper-case class key",
                    {{"A", "Lower", true, false, ClassKey::Upper}},
                    {"Lower"},
                    "Lower",
                    0},
        ListingCase{"unusable keys are skipped, not the end of the list",
                    {{"A", "No clsid", false},
                     {"B", "No class", true, true, ClassKey::Missing},
                     {"C", "No server file", true, true, ClassKey::Lower, false},
                     {"D", "Usable"}},
                    {"Usable"},
                    "Usable",
                    3},
        ListingCase{"a 200-character key name does not end the list",
                    {{"A " + kLongKey, std::nullopt}, {"B", "After It"}},
                    {displayName("A " + kLongKey), "After It"},
                    "",
                    -1},
        ListingCase{"a class that cannot be created is listed and fails to load",
                    {{"A", "Broken", true, true, ClassKey::Lower, true, false}},
                    {"Broken"},
                    "Broken",
                    -1}));

// Where a driver's server file lies and how its InprocServer32 value names
// it; the driver is listed when the system would find the file there.
enum class ServerPlace { SystemFolder, WindowsFolder, FolderOnPath, Nowhere, DeepPath };

struct ServerCase {
    const char* what;
    ServerPlace place;
    bool listed;
};

void PrintTo(const ServerCase& c, std::ostream* os)
{
    *os << c.what;
}

class ServerLookup : public AsioRegistryTest, public ::testing::WithParamInterface<ServerCase> {
protected:
    void TearDown() override
    {
        if (!placed_.empty()) {
            std::filesystem::remove(placed_);
        }
        if (oldPath_) {
            SetEnvironmentVariableA("PATH", oldPath_->c_str());
        }
        AsioRegistryTest::TearDown();
    }

    // Puts a server file there; returns the registry value that names it.
    std::string place(ServerPlace where)
    {
        if (where == ServerPlace::DeepPath)
            return serverFile(folder_ / std::string(60, 'd') / std::string(60, 'e') / std::string(30, 'f'));
        const std::string bare = "kestrava-test-" + std::to_string(GetCurrentProcessId()) + ".dll";
        char folder[MAX_PATH] = {};
        if (where == ServerPlace::SystemFolder)
            GetSystemDirectoryA(folder, MAX_PATH);
        if (where == ServerPlace::WindowsFolder)
            GetWindowsDirectoryA(folder, MAX_PATH);
        if (where == ServerPlace::FolderOnPath) {
            const std::string onPath = (folder_ / "on-path").string();
            std::filesystem::create_directories(onPath);
            oldPath_ = std::string(32768, '\0');
            oldPath_->resize(GetEnvironmentVariableA("PATH", oldPath_->data(), 32768));
            SetEnvironmentVariableA("PATH", (onPath + ";" + *oldPath_).c_str());
            std::snprintf(folder, sizeof folder, "%s", onPath.c_str());
        }
        if (where != ServerPlace::Nowhere) {
            placed_ = std::filesystem::path(folder) / bare;
            std::ofstream(placed_) << "not a library";
        }
        return bare;
    }

    std::filesystem::path placed_;
    std::optional<std::string> oldPath_;
};

TEST_P(ServerLookup, ListsTheDriverWhenTheSystemFindsItsServer)
{
    server_ = place(GetParam().place);
    install({{"A", "Placed"}});
    AsioRegistrySource source;
    DriverCatalog catalog(source);
    EXPECT_EQ(catalog.listDriverNames(kDriverListSlots),
              GetParam().listed ? std::vector<std::string>{"Placed"} : std::vector<std::string>{})
        << server_;
}

INSTANTIATE_TEST_SUITE_P(
    Registry, ServerLookup,
    ::testing::Values(ServerCase{"bare name in the system folder", ServerPlace::SystemFolder, true},
                      ServerCase{"bare name in the Windows folder", ServerPlace::WindowsFolder, true},
                      ServerCase{"bare name in a folder on PATH", ServerPlace::FolderOnPath, true},
                      ServerCase{"bare name found nowhere", ServerPlace::Nowhere, false},
                      ServerCase{"full path of 150 characters", ServerPlace::DeepPath, true}));

// COM belongs to the thread that listed the drivers for as long as their
// catalog lives, and only when there is a driver: that thread is then in a
// single-threaded apartment, and free again afterwards.
TEST_F(AsioRegistryTest, ComLivesWithACatalogThatFoundDrivers)
{
    const auto freeThreadedAfter = [](bool withDrivers) {
        HRESULT during = S_OK;
        HRESULT after = E_FAIL;
        std::thread([&] {
            AsioRegistrySource source;
            {
                DriverCatalog catalog(source);
                EXPECT_EQ(catalog.count(), withDrivers ? 1 : 0);
                during = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
                if (SUCCEEDED(during)) {
                    CoUninitialize();
                }
            }
            after = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            if (SUCCEEDED(after)) {
                CoUninitialize();
            }
        }).join();
        return std::pair{during, after};
    };
    EXPECT_EQ(freeThreadedAfter(false), std::pair(S_OK, S_OK));
    install({{"A", "Only"}});
    EXPECT_EQ(freeThreadedAfter(true), std::pair(RPC_E_CHANGED_MODE, S_OK));
}

TEST_F(AsioRegistryTest, ClassThatCannotBeCreatedReopensTheDriverThatWasOpen)
{
    const auto logs = install({{"A", "Working"}, {"B", "Broken", true, true, ClassKey::Lower, true, false}});
    AsioRegistrySource source;
    DriverCatalog catalog(source);
    ASSERT_TRUE(catalog.loadDriverByName("Working"));
    EXPECT_FALSE(catalog.loadDriverByName("Broken"));
    EXPECT_EQ(catalog.currentId(), 0);
    EXPECT_EQ(logs[0]->created.load(), 2);
    EXPECT_EQ(logs[0]->liveInstances.load(), 1);
}

// Every failing driver call through the COM object leaves no driver loaded
// and no buffers allocated.
class FailingComDriver : public AsioRegistryTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(FailingComDriver, StartStreamReleasesEverything)
{
    FakeDriverScript script;
    script.failures[GetParam()] = ASE_HWMalfunction;
    const auto logs = install({{"A", "Failing"}}, script);
    AsioRegistrySource source;
    const auto processor = std::make_unique<BlockProcessor>();
    StreamSetup stream(source, *processor);
    EXPECT_FALSE(stream.startStream({"Failing", {}}));
    EXPECT_EQ(logs[0]->created.load(), 1);
    EXPECT_EQ(logs[0]->liveInstances.load(), 0);
    EXPECT_FALSE(logs[0]->buffersAllocated.load());
    EXPECT_EQ(stream.catalog().currentId(), -1);
}

INSTANTIATE_TEST_SUITE_P(AnyCall, FailingComDriver,
                         ::testing::Values("init", "getChannels", "getBufferSize", "getSampleRate",
                                           "createBuffers", "getChannelInfo", "getLatencies", "start"));

}  // namespace
}  // namespace kestrava::test
