#include "audio/DriverCatalog.h"

#include <algorithm>
#include <cstring>

namespace kestrava::audio {

namespace {

void copyText(char* destination, std::size_t capacity, const char* text)
{
    const std::size_t n = std::min(std::strlen(text), capacity - 1);
    std::memcpy(destination, text, n);
    destination[n] = '\0';
}

}  // namespace

std::string displayName(const std::string& name)
{
    if (name.size() < 32) {
        return name;
    }
    return name.substr(0, 28) + "...";
}

DriverCatalog::DriverCatalog(DriverSource& source)
{
    for (DriverEntry& entry : source.drivers()) {
        const auto id = static_cast<std::int32_t>(records_.size());
        records_.push_back({id, entry.name.substr(0, kMaxDriverNameLength), std::move(entry.create)});
    }
}

DriverCatalog::~DriverCatalog()
{
    for (Record& record : records_) {
        if (record.instance != nullptr) {
            record.instance->Release();
        }
    }
}

std::vector<std::string> DriverCatalog::listDriverNames(int maximum) const
{
    std::vector<std::string> names;
    for (const Record& record : records_) {
        if (static_cast<int>(names.size()) >= maximum) {
            break;
        }
        names.push_back(displayName(record.name));
    }
    return names;
}

bool DriverCatalog::loadDriverByName(const std::string& name)
{
    for (Record& record : records_) {
        if (displayName(record.name) != name) {
            continue;
        }
        const std::string previous =
            currentId_ >= 0 ? displayName(records_[static_cast<std::size_t>(currentId_)].name) : std::string();
        releaseCurrentDriver();
        if (record.instance == nullptr) {
            record.instance = record.create ? record.create() : nullptr;
            if (record.instance != nullptr) {
                currentId_ = record.id;
                streamDriver_ = record.instance;
                return true;
            }
        }
        streamDriver_ = nullptr;
        if (!previous.empty() && previous != name) {
            loadDriverByName(previous);
        }
        return false;
    }
    return false;
}

void DriverCatalog::releaseCurrentDriver()
{
    if (currentId_ < 0) {
        return;
    }
    Record& record = records_[static_cast<std::size_t>(currentId_)];
    if (record.instance != nullptr) {
        record.instance->Release();
        record.instance = nullptr;
    }
    currentId_ = -1;
}

ASIOError DriverCatalog::initDriver(ASIODriverInfo& info)
{
    info.driverVersion = 0;
    copyText(info.name, sizeof info.name, kNoDriverName);
    if (streamDriver_ == nullptr) {
        return ASE_NotPresent;
    }
    if (streamDriver_->init(info.sysRef) == ASIOFalse) {
        char message[124] = {};
        streamDriver_->getErrorMessage(message);
        message[sizeof message - 1] = '\0';
        copyText(info.errorMessage, sizeof info.errorMessage, message);
        streamDriver_ = nullptr;
        return ASE_NotPresent;
    }
    copyText(info.errorMessage, sizeof info.errorMessage, kNoDriverErrorText);
    char name[32] = {};
    streamDriver_->getDriverName(name);
    name[sizeof name - 1] = '\0';
    copyText(info.name, sizeof info.name, name);
    info.driverVersion = streamDriver_->getDriverVersion();
    return 0;
}

ASIOError DriverCatalog::getChannels(std::int32_t& inputs, std::int32_t& outputs)
{
    inputs = 0;
    outputs = 0;
    if (streamDriver_ == nullptr) {
        return ASE_NotPresent;
    }
    return streamDriver_->getChannels(&inputs, &outputs);
}

ASIOError DriverCatalog::getChannelInfo(ASIOChannelInfo& info)
{
    if (streamDriver_ == nullptr) {
        info.channelGroup = -1;
        info.type = 0;
        copyText(info.name, sizeof info.name, kNoChannelName);
        return ASE_NotPresent;
    }
    return streamDriver_->getChannelInfo(&info);
}

ASIOError DriverCatalog::openControlPanel(const std::string& name)
{
    if (!loadDriverByName(name)) {
        return ASE_NotPresent;
    }
    const ASIOError result = streamDriver_->controlPanel();
    releaseCurrentDriver();
    streamDriver_ = nullptr;
    return result;
}

}  // namespace kestrava::audio
