// The list of audio drivers the program can use and the one driver that is
// open at a time: display names for the driver list, loading by display name
// (reopening the previous driver when a load fails), initialising, channel
// queries and the driver's own control panel.
//
// Where the list comes from is a DriverSource: the ordered (name, way to
// create the driver object) pairs, so the catalog works the same over the
// Windows registry, the Linux drivers or a test's own list.
//
// Controlling thread only; never used from a driver callback. Loading and
// releasing happen only while no stream runs.
#pragma once

#include "audio/Asio.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kestrava::audio {

struct DriverEntry {
    std::string name;
    // Returns a new driver object holding one reference, or nullptr when it
    // cannot be created.
    std::function<IASIO*()> create;
};

class DriverSource {
public:
    virtual ~DriverSource() = default;
    // The usable drivers in the order in which they are to be listed.
    virtual std::vector<DriverEntry> drivers() = 0;
};

// A source over a fixed list; the Linux drivers and the tests use it.
class ListDriverSource final : public DriverSource {
public:
    explicit ListDriverSource(std::vector<DriverEntry> entries) : entries_(std::move(entries)) {}
    std::vector<DriverEntry> drivers() override { return entries_; }

private:
    std::vector<DriverEntry> entries_;
};

inline constexpr std::size_t kMaxDriverNameLength = 127;
inline constexpr int kDriverListSlots = 10;
inline constexpr const char* kNoDriverName = "No ASIO Driver";
inline constexpr const char* kNoDriverErrorText = "No ASIO Driver Error";
inline constexpr const char* kNoChannelName = "None";

// The name shown in lists: names of 32 characters or more become their first
// 28 characters followed by "...".
std::string displayName(const std::string& name);

class DriverCatalog {
public:
    explicit DriverCatalog(DriverSource& source);
    ~DriverCatalog();
    DriverCatalog(const DriverCatalog&) = delete;
    DriverCatalog& operator=(const DriverCatalog&) = delete;

    std::int32_t count() const { return static_cast<std::int32_t>(records_.size()); }

    // Display names of the first records, at most `maximum` of them.
    std::vector<std::string> listDriverNames(int maximum) const;

    // Opens the first driver whose display name is `name`; on success it
    // becomes the stream's driver. A failed load reopens the driver that was
    // open before, if any.
    bool loadDriverByName(const std::string& name);
    void releaseCurrentDriver();

    // The stream's driver: the open driver while it is usable, else nullptr.
    IASIO* driver() const { return streamDriver_; }
    void clearDriver() { streamDriver_ = nullptr; }
    std::int32_t currentId() const { return currentId_; }

    // ASE_OK, or ASE_NotPresent with the driver's error text when init fails.
    ASIOError initDriver(ASIODriverInfo& info);

    // Both counts are 0 without a driver.
    ASIOError getChannels(std::int32_t& inputs, std::int32_t& outputs);
    // Without a driver: -1000, channel group -1, sample type 0, name "None".
    ASIOError getChannelInfo(ASIOChannelInfo& info);

    // Loads the driver, opens its control panel and releases it again.
    ASIOError openControlPanel(const std::string& name);

private:
    struct Record {
        std::int32_t id;
        std::string name;
        std::function<IASIO*()> create;
        IASIO* instance = nullptr;
    };

    std::vector<Record> records_;
    std::int32_t currentId_ = -1;
    IASIO* streamDriver_ = nullptr;
};

}  // namespace kestrava::audio
