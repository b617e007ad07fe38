#include "audio/win32/AsioRegistrySource.h"

#include "platform/win32/RegistryKey.h"

#include <objbase.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

namespace kestrava::audio {

using platform::RegistryKey;

namespace {

// COM for the thread that found the drivers, for as long as any of their
// entries exists.
class ComApartment {
public:
    ComApartment() : result_(CoInitialize(nullptr)) {}
    ~ComApartment()
    {
        if (SUCCEEDED(result_)) {
            CoUninitialize();
        }
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    HRESULT result_;
};

std::string lowerCase(std::string text)
{
    if (!text.empty()) {
        CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
    }
    return text;
}

// Whether the server file is where the system would load it from: a full
// path as written, a bare file name (as drivers that install into the system
// folder register themselves) in the program's and the current folder, the
// system and Windows folders and along PATH. No length limit below the
// registry value's own.
bool serverFileExists(const std::string& path)
{
    std::string found(32768, '\0');
    const DWORD length =
        SearchPathA(nullptr, path.c_str(), nullptr, static_cast<DWORD>(found.size()), found.data(), nullptr);
    if (length == 0 || length >= found.size()) {
        return false;
    }
    found.resize(length);
    const DWORD attributes = GetFileAttributesA(found.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The in-process server file of the class whose id reads `classText`. Class
// keys are matched whatever their letter case; the first match decides.
std::optional<std::string> serverPathOf(const std::string& classText)
{
    const std::string wanted = lowerCase(classText);
    const RegistryKey classes = RegistryKey::open(HKEY_CLASSES_ROOT, "clsid");
    if (!classes) {
        return std::nullopt;
    }
    for (DWORD index = 0;; ++index) {
        const std::optional<std::string> name = classes.subkeyName(index);
        if (!name) {
            return std::nullopt;
        }
        if (lowerCase(*name) != wanted) {
            continue;
        }
        const RegistryKey server = RegistryKey::open(classes.handle(), *name + "\\InprocServer32");
        if (!server) {
            return std::nullopt;
        }
        const std::optional<std::string> path = server.readString(nullptr);
        if (!path || !serverFileExists(*path)) {
            return std::nullopt;
        }
        return path;
    }
}

CLSID classIdOf(const std::string& classText)
{
    // The id in registry form is 38 characters; anything much longer is not one.
    wchar_t wide[101] = {};
    const int length = static_cast<int>(std::min<std::size_t>(classText.size(), 100));
    MultiByteToWideChar(CP_ACP, 0, classText.data(), length, wide, 100);
    CLSID id{};
    if (FAILED(CLSIDFromString(wide, &id))) {
        id = CLSID{};
    }
    return id;
}

IASIO* createDriver(const CLSID& id)
{
    void* object = nullptr;
    if (FAILED(CoCreateInstance(id, nullptr, CLSCTX_INPROC_SERVER, id, &object))) {
        return nullptr;
    }
    return static_cast<IASIO*>(object);
}

}  // namespace

std::vector<DriverEntry> AsioRegistrySource::drivers()
{
    struct Found {
        std::string name;
        CLSID id;
    };
    std::vector<Found> found;
    if (const RegistryKey asio = RegistryKey::open(HKEY_LOCAL_MACHINE, "software\\asio")) {
        for (DWORD index = 0;; ++index) {
            const std::optional<std::string> keyName = asio.subkeyName(index);
            if (!keyName) {
                break;
            }
            const RegistryKey driver = RegistryKey::open(asio.handle(), *keyName);
            const std::optional<std::string> classText = driver ? driver.readString("clsid") : std::nullopt;
            if (!classText || !serverPathOf(*classText)) {
                continue;
            }
            found.push_back({driver.readString("description").value_or(*keyName), classIdOf(*classText)});
        }
    }
    std::vector<DriverEntry> entries;
    if (found.empty()) {
        return entries;
    }
    const auto apartment = std::make_shared<ComApartment>();
    for (const Found& driver : found) {
        entries.push_back({driver.name, [id = driver.id, apartment]() { return createDriver(id); }});
    }
    return entries;
}

}  // namespace kestrava::audio
