#include "audio/Asio.h"

#include "FakeDriver.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <memory>

using namespace kestrava::audio;

namespace kestrava::test {
namespace {

TEST(AsioRecords, LayoutIsPackedToFourBytes)
{
    EXPECT_EQ(offsetof(ASIOBufferInfo, buffers), 8u);
    EXPECT_EQ(offsetof(ASIOChannelInfo, name), 20u);
    EXPECT_EQ(offsetof(ASIODriverInfo, errorMessage), 40u);
    EXPECT_EQ(sizeof(ASIODriverInfo), 172u);
    EXPECT_EQ(offsetof(AsioTimeInfo, sampleRate), 24u);
    EXPECT_EQ(offsetof(AsioTimeInfo, flags), 32u);
    EXPECT_EQ(offsetof(ASIOTime, timeInfo), 16u);
    EXPECT_EQ(offsetof(ASIOTimeCode, future), 20u);
    EXPECT_EQ(sizeof(ASIOCallbacks), 4 * sizeof(void*));
    EXPECT_EQ(offsetof(ASIOCallbacks, bufferSwitchTimeInfo), 3 * sizeof(void*));
}

// A driver DLL finds each operation by its slot in the vtable: the three
// IUnknown methods, then init as slot 1 up to outputReady as slot 21. Calling
// through the raw table proves the order, as a COM caller would.
TEST(AsioInterface, OperationsSitInTheirComSlots)
{
    auto log = std::make_shared<FakeDriverLog>();
    FakeDriverScript script;
    script.version = 1234;
    script.outputReadyResult = ASE_InvalidMode;
    IASIO* driver = new FakeDriver(script, log);
    void** table = *reinterpret_cast<void***>(driver);

    using AddRef = std::uint32_t (*)(IASIO*);
    using Version = std::int32_t (*)(IASIO*);
    using ControlPanel = ASIOError (*)(IASIO*);
    using OutputReady = ASIOError (*)(IASIO*);

    EXPECT_EQ(reinterpret_cast<AddRef>(table[1])(driver), 2u);
    EXPECT_EQ(reinterpret_cast<Version>(table[3 + 3 - 1])(driver), 1234);
    EXPECT_EQ(reinterpret_cast<ControlPanel>(table[3 + 19 - 1])(driver), ASE_OK);
    EXPECT_EQ(log->controlPanelCalls.load(), 1);
    EXPECT_EQ(reinterpret_cast<OutputReady>(table[3 + 21 - 1])(driver), ASE_InvalidMode);
    EXPECT_EQ(driver->Release(), 1u);
    EXPECT_EQ(driver->Release(), 0u);
    EXPECT_EQ(log->liveInstances.load(), 0);
}

}  // namespace
}  // namespace kestrava::test
