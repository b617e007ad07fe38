#include "audio/DriverCatalog.h"

#include "FakeDriver.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace kestrava::audio;

namespace kestrava::test {
namespace {


struct Installed {
    std::vector<std::shared_ptr<FakeDriverLog>> logs;
    std::vector<DriverEntry> entries;

    std::shared_ptr<FakeDriverLog> add(const std::string& name, FakeDriverScript script = {})
    {
        auto log = std::make_shared<FakeDriverLog>();
        script.driverName = name.substr(0, 31);
        entries.push_back({name, fakeDriverFactory(script, log)});
        logs.push_back(log);
        return log;
    }

    void addBroken(const std::string& name)
    {
        entries.push_back({name, [] { return static_cast<IASIO*>(nullptr); }});
        logs.push_back(std::make_shared<FakeDriverLog>());
    }
};

TEST(DisplayName, LongNamesAreCutToTwentyEightCharactersAndAnEllipsis)
{
    EXPECT_EQ(displayName("Short"), "Short");
    const std::string thirtyOne(31, 'a');
    EXPECT_EQ(displayName(thirtyOne), thirtyOne);
    EXPECT_EQ(displayName(std::string(32, 'b')), std::string(28, 'b') + "...");
    const std::string forty = "ASIO Driver for the Example Interface 40";
    ASSERT_EQ(forty.size(), 40u);
    EXPECT_EQ(displayName(forty), "ASIO Driver for the Example ...");
    EXPECT_EQ(displayName(forty).size(), 31u);
}

TEST(DriverCatalog, ListsAtMostTenNamesInSourceOrder)
{
    Installed installed;
    for (int i = 0; i < 12; ++i) {
        installed.add("Driver " + std::to_string(i));
    }
    ListDriverSource source(installed.entries);
    DriverCatalog catalog(source);
    EXPECT_EQ(catalog.count(), 12);
    const std::vector<std::string> names = catalog.listDriverNames(kDriverListSlots);
    ASSERT_EQ(names.size(), 10u);
    EXPECT_EQ(names.front(), "Driver 0");
    EXPECT_EQ(names.back(), "Driver 9");
    EXPECT_EQ(catalog.listDriverNames(3).size(), 3u);
}

TEST(DriverCatalog, EmptySourceListsNothingAndLoadsNothing)
{
    ListDriverSource source({});
    DriverCatalog catalog(source);
    EXPECT_EQ(catalog.count(), 0);
    EXPECT_TRUE(catalog.listDriverNames(10).empty());
    EXPECT_FALSE(catalog.loadDriverByName(""));
    EXPECT_FALSE(catalog.loadDriverByName("Anything"));
    EXPECT_EQ(catalog.driver(), nullptr);
}

TEST(DriverCatalog, LoadsByTheListedNameOfALongDescription)
{
    Installed installed;
    auto log = installed.add("ASIO Driver for the Example Interface 40");
    ListDriverSource source(installed.entries);
    DriverCatalog catalog(source);
    const std::string listed = catalog.listDriverNames(10).at(0);
    EXPECT_FALSE(catalog.loadDriverByName("ASIO Driver for the Example Interface 40"));
    EXPECT_TRUE(catalog.loadDriverByName(listed));
    EXPECT_NE(catalog.driver(), nullptr);
    EXPECT_EQ(catalog.currentId(), 0);
    EXPECT_EQ(log->liveInstances.load(), 1);
}

TEST(DriverCatalog, NamesAreCutTo127Characters)
{
    Installed installed;
    installed.add(std::string(200, 'x'));
    ListDriverSource source(installed.entries);
    DriverCatalog catalog(source);
    EXPECT_EQ(catalog.listDriverNames(1).at(0), std::string(28, 'x') + "...");
}

TEST(DriverCatalog, SameListedNameOpensTheLowerId)
{
    Installed installed;
    auto first = installed.add("Studio Interface Pro Edition Series One");
    auto second = installed.add("Studio Interface Pro Edition Series Two");
    ListDriverSource source(installed.entries);
    DriverCatalog catalog(source);
    const std::vector<std::string> names = catalog.listDriverNames(10);
    ASSERT_EQ(names[0], names[1]);
    EXPECT_TRUE(catalog.loadDriverByName(names[1]));
    EXPECT_EQ(catalog.currentId(), 0);
    EXPECT_EQ(first->liveInstances.load(), 1);
    EXPECT_EQ(second->created.load(), 0);
}

TEST(DriverCatalog, LoadingReleasesTheDriverThatWasOpen)
{
    Installed installed;
    auto a = installed.add("A");
    auto b = installed.add("B");
    ListDriverSource source(installed.entries);
    DriverCatalog catalog(source);
    ASSERT_TRUE(catalog.loadDriverByName("A"));
    ASSERT_TRUE(catalog.loadDriverByName("B"));
    EXPECT_EQ(a->liveInstances.load(), 0);
    EXPECT_EQ(b->liveInstances.load(), 1);
    EXPECT_EQ(catalog.currentId(), 1);
    catalog.releaseCurrentDriver();
    EXPECT_EQ(b->liveInstances.load(), 0);
    EXPECT_EQ(catalog.currentId(), -1);
}

TEST(DriverCatalog, FailedLoadReopensThePreviousDriver)
{
    Installed installed;
    auto good = installed.add("Good");
    installed.addBroken("Broken");
    ListDriverSource source(installed.entries);
    DriverCatalog catalog(source);
    ASSERT_TRUE(catalog.loadDriverByName("Good"));
    EXPECT_FALSE(catalog.loadDriverByName("Broken"));
    EXPECT_EQ(catalog.currentId(), 0);
    EXPECT_EQ(good->liveInstances.load(), 1);
    EXPECT_EQ(good->created.load(), 2);
    EXPECT_NE(catalog.driver(), nullptr);
}

TEST(DriverCatalog, FailedLoadWithNothingOpenLeavesNothingOpen)
{
    Installed installed;
    installed.addBroken("Broken");
    ListDriverSource source(installed.entries);
    DriverCatalog catalog(source);
    EXPECT_FALSE(catalog.loadDriverByName("Broken"));
    EXPECT_EQ(catalog.currentId(), -1);
    EXPECT_EQ(catalog.driver(), nullptr);
}

TEST(DriverCatalog, DestroyingTheCatalogReleasesTheOpenDriver)
{
    Installed installed;
    auto log = installed.add("A");
    ListDriverSource source(installed.entries);
    {
        DriverCatalog catalog(source);
        ASSERT_TRUE(catalog.loadDriverByName("A"));
        EXPECT_EQ(log->liveInstances.load(), 1);
    }
    EXPECT_EQ(log->liveInstances.load(), 0);
}

TEST(DriverCatalog, InitDriverWithoutADriver)
{
    ListDriverSource source({});
    DriverCatalog catalog(source);
    ASIODriverInfo info{};
    info.driverVersion = 99;
    EXPECT_EQ(catalog.initDriver(info), -1000);
    EXPECT_EQ(info.driverVersion, 0);
    EXPECT_STREQ(info.name, "No ASIO Driver");
}

TEST(DriverCatalog, InitDriverReadsNameAndVersion)
{
    Installed installed;
    FakeDriverScript script;
    script.version = 42;
    auto log = installed.add("Interface", script);
    ListDriverSource source(installed.entries);
    DriverCatalog catalog(source);
    ASSERT_TRUE(catalog.loadDriverByName("Interface"));
    ASIODriverInfo info{};
    EXPECT_EQ(catalog.initDriver(info), 0);
    EXPECT_STREQ(info.name, "Interface");
    EXPECT_EQ(info.driverVersion, 42);
    EXPECT_STREQ(info.errorMessage, "No ASIO Driver Error");
    EXPECT_EQ(info.asioVersion, 0);
}

TEST(DriverCatalog, FailedInitGivesTheDriversTextAndClearsTheStreamDriver)
{
    Installed installed;
    FakeDriverScript script;
    script.failures["init"] = -1;
    auto log = installed.add("Interface", script);
    ListDriverSource source(installed.entries);
    DriverCatalog catalog(source);
    ASSERT_TRUE(catalog.loadDriverByName("Interface"));
    ASIODriverInfo info{};
    EXPECT_EQ(catalog.initDriver(info), -1000);
    EXPECT_STREQ(info.errorMessage, "Fake hardware is not connected");
    EXPECT_STREQ(info.name, "No ASIO Driver");
    EXPECT_EQ(catalog.driver(), nullptr);
    // The instance stays open in its record until the next release.
    EXPECT_EQ(log->liveInstances.load(), 1);
    catalog.releaseCurrentDriver();
    EXPECT_EQ(log->liveInstances.load(), 0);
}

TEST(DriverCatalog, ChannelQueriesWithoutADriver)
{
    ListDriverSource source({});
    DriverCatalog catalog(source);
    std::int32_t inputs = 5;
    std::int32_t outputs = 5;
    EXPECT_EQ(catalog.getChannels(inputs, outputs), -1000);
    EXPECT_EQ(inputs, 0);
    EXPECT_EQ(outputs, 0);
    ASIOChannelInfo info{};
    info.type = 18;
    EXPECT_EQ(catalog.getChannelInfo(info), -1000);
    EXPECT_EQ(info.channelGroup, -1);
    EXPECT_EQ(info.type, 0);
    EXPECT_STREQ(info.name, "None");
}

TEST(DriverCatalog, ChannelQueriesWithADriver)
{
    Installed installed;
    FakeDriverScript script;
    script.inputs = 4;
    script.outputs = 6;
    installed.add("Interface", script);
    ListDriverSource source(installed.entries);
    DriverCatalog catalog(source);
    ASSERT_TRUE(catalog.loadDriverByName("Interface"));
    std::int32_t inputs = 0;
    std::int32_t outputs = 0;
    EXPECT_EQ(catalog.getChannels(inputs, outputs), 0);
    EXPECT_EQ(inputs, 4);
    EXPECT_EQ(outputs, 6);
    ASIOChannelInfo info{};
    info.channel = 5;
    info.isInput = ASIOFalse;
    EXPECT_EQ(catalog.getChannelInfo(info), 0);
    EXPECT_STREQ(info.name, "Out 6");
}

TEST(DriverCatalog, ControlPanelLoadsOpensAndReleasesWithoutInit)
{
    Installed installed;
    auto log = installed.add("Interface");
    ListDriverSource source(installed.entries);
    DriverCatalog catalog(source);
    EXPECT_EQ(catalog.openControlPanel("Interface"), 0);
    EXPECT_EQ(log->controlPanelCalls.load(), 1);
    EXPECT_EQ(log->initCalls.load(), 0);
    EXPECT_EQ(log->liveInstances.load(), 0);
    EXPECT_EQ(catalog.driver(), nullptr);
    EXPECT_EQ(catalog.openControlPanel("Missing"), -1000);
}

}  // namespace
}  // namespace kestrava::test
