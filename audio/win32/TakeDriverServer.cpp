// The in-process COM server of the recorded-take driver: its class factory,
// the four entry points a COM server exports, and its registration as a COM
// class (HKEY_CLASSES_ROOT\CLSID\{id}, with InprocServer32 naming this file
// and the threading model) and as an ASIO driver
// (HKEY_LOCAL_MACHINE\SOFTWARE\ASIO\Kestrava Recorded Take, with "CLSID" and
// "Description"). Unregistering removes exactly those keys, and the ASIO key
// itself when no other driver is left in it.
#include "platform/win32/RegistryKey.h"
#include "audio/win32/TakeDriver.h"

#include <windows.h>
#include <objbase.h>
#include <olectl.h>
#include <unknwn.h>

#include <new>
#include <string>

namespace kestrava::audio {

using platform::RegistryKey;

namespace {

HMODULE thisModule = nullptr;

const std::string kClassKey = std::string("CLSID\\") + kTakeDriverClassText;
constexpr const char* kAsioKey = "SOFTWARE\\ASIO";
const std::string kDriverKey = std::string(kAsioKey) + "\\" + kTakeDriverDescription;

class TakeDriverFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!IsEqualGUID(iid, IID_IUnknown) && !IsEqualGUID(iid, IID_IClassFactory)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    // The factory is one static object; it lives as long as the module.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override
    {
        *object = nullptr;
        if (outer != nullptr) {
            return CLASS_E_NOAGGREGATION;
        }
        auto* driver = new (std::nothrow) TakeDriver();
        if (driver == nullptr) {
            return E_OUTOFMEMORY;
        }
        const HRESULT result = driver->QueryInterface(reinterpret_cast<const AsioGuid&>(iid), object);
        driver->Release();
        return result;
    }

    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override
    {
        if (lock) {
            ++serverReferences();
        } else {
            --serverReferences();
        }
        return S_OK;
    }
};

TakeDriverFactory factory;

std::string modulePath()
{
    char path[MAX_PATH * 4] = {};
    const DWORD length = GetModuleFileNameA(thisModule, path, sizeof path);
    return length > 0 && length < sizeof path ? std::string(path, length) : std::string();
}

bool hasSubkeys(HKEY parent, const char* path)
{
    const RegistryKey key = RegistryKey::open(parent, path);
    return key && key.subkeyName(0).has_value();
}

}  // namespace

}  // namespace kestrava::audio

using namespace kestrava::audio;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        thisModule = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID id, REFIID iid, void** object)
{
    if (!IsEqualGUID(id, kTakeDriverClassId)) {
        *object = nullptr;
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return factory.QueryInterface(iid, object);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow()
{
    return serverReferences().load() == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer()
{
    const std::string path = modulePath();
    const RegistryKey classKey = RegistryKey::create(HKEY_CLASSES_ROOT, kClassKey);
    const RegistryKey server = RegistryKey::create(HKEY_CLASSES_ROOT, kClassKey + "\\InprocServer32");
    const RegistryKey driver = RegistryKey::create(HKEY_LOCAL_MACHINE, kDriverKey);
    const bool written = !path.empty() && classKey && server && driver &&
                         classKey.writeString(nullptr, kTakeDriverDescription) &&
                         server.writeString(nullptr, path) && server.writeString("ThreadingModel", "Both") &&
                         driver.writeString("CLSID", kTakeDriverClassText) &&
                         driver.writeString("Description", kTakeDriverDescription);
    return written ? S_OK : SELFREG_E_CLASS;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    const LSTATUS classResult = RegDeleteTreeA(HKEY_CLASSES_ROOT, kClassKey.c_str());
    const LSTATUS driverResult = RegDeleteTreeA(HKEY_LOCAL_MACHINE, kDriverKey.c_str());
    if (RegistryKey::open(HKEY_LOCAL_MACHINE, kAsioKey) && !hasSubkeys(HKEY_LOCAL_MACHINE, kAsioKey)) {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kAsioKey);
    }
    const auto removed = [](LSTATUS r) { return r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND; };
    return removed(classResult) && removed(driverResult) ? S_OK : SELFREG_E_CLASS;
}
