// The ASIO driver interface as the device layer sees it: scalar types, error
// codes, the records exchanged with a driver, the host callback record and the
// IASIO interface itself.
//
// One declaration serves both platforms. IASIO starts with the three IUnknown
// methods as its own first virtual functions and has no virtual destructor, so
// on 64-bit Windows its vtable is the COM layout a driver DLL expects, and on
// Linux it is a plain abstract class that the project's own drivers implement.
// The records are packed to 4-byte alignment like the published ones.
//
// Declarations only; nothing here allocates or blocks. Which thread calls
// what: the driver calls the callbacks on its own thread between start and
// stop, every other operation is called on the controlling thread.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kestrava::audio {

using ASIOBool = std::int32_t;
using ASIOError = std::int32_t;
using ASIOSampleRate = double;
using ASIOSampleType = std::int32_t;

struct ASIOSamples {
    std::uint32_t hi;
    std::uint32_t lo;
};

struct ASIOTimeStamp {
    std::uint32_t hi;
    std::uint32_t lo;
};

inline constexpr ASIOBool ASIOFalse = 0;
inline constexpr ASIOBool ASIOTrue = 1;

inline constexpr ASIOError ASE_OK = 0;
inline constexpr ASIOError ASE_SUCCESS = 0x3f4847a0;
inline constexpr ASIOError ASE_NotPresent = -1000;
inline constexpr ASIOError ASE_HWMalfunction = -1001;
inline constexpr ASIOError ASE_InvalidParameter = -1002;
inline constexpr ASIOError ASE_InvalidMode = -1003;
inline constexpr ASIOError ASE_SPNotAdvancing = -1004;
inline constexpr ASIOError ASE_NoClock = -1005;
inline constexpr ASIOError ASE_NoMemory = -1006;

inline constexpr ASIOSampleType ASIOSTInt16MSB = 0;
inline constexpr ASIOSampleType ASIOSTInt24MSB = 1;
inline constexpr ASIOSampleType ASIOSTInt32MSB = 2;
inline constexpr ASIOSampleType ASIOSTFloat32MSB = 3;
inline constexpr ASIOSampleType ASIOSTFloat64MSB = 4;
inline constexpr ASIOSampleType ASIOSTInt32MSB16 = 8;
inline constexpr ASIOSampleType ASIOSTInt32MSB18 = 9;
inline constexpr ASIOSampleType ASIOSTInt32MSB20 = 10;
inline constexpr ASIOSampleType ASIOSTInt32MSB24 = 11;
inline constexpr ASIOSampleType ASIOSTInt16LSB = 16;
inline constexpr ASIOSampleType ASIOSTInt24LSB = 17;
inline constexpr ASIOSampleType ASIOSTInt32LSB = 18;
inline constexpr ASIOSampleType ASIOSTFloat32LSB = 19;
inline constexpr ASIOSampleType ASIOSTFloat64LSB = 20;
inline constexpr ASIOSampleType ASIOSTInt32LSB16 = 24;
inline constexpr ASIOSampleType ASIOSTInt32LSB18 = 25;
inline constexpr ASIOSampleType ASIOSTInt32LSB20 = 26;
inline constexpr ASIOSampleType ASIOSTInt32LSB24 = 27;

inline constexpr std::int32_t kAsioSelectorSupported = 1;
inline constexpr std::int32_t kAsioEngineVersion = 2;
inline constexpr std::int32_t kAsioResetRequest = 3;
inline constexpr std::int32_t kAsioBufferSizeChange = 4;
inline constexpr std::int32_t kAsioResyncRequest = 5;
inline constexpr std::int32_t kAsioLatenciesChanged = 6;
inline constexpr std::int32_t kAsioSupportsTimeInfo = 7;
inline constexpr std::int32_t kAsioSupportsTimeCode = 8;
inline constexpr std::int32_t kAsioMMCCommand = 9;
inline constexpr std::int32_t kAsioSupportsInputMonitor = 10;

inline constexpr std::uint32_t kSystemTimeValid = 1;
inline constexpr std::uint32_t kSamplePositionValid = 2;
inline constexpr std::uint32_t kSampleRateValid = 4;
inline constexpr std::uint32_t kSpeedValid = 8;
inline constexpr std::uint32_t kSampleRateChanged = 16;
inline constexpr std::uint32_t kClockSourceChanged = 32;

#pragma pack(push, 4)

struct ASIODriverInfo {
    std::int32_t asioVersion;
    std::int32_t driverVersion;
    char name[32];
    char errorMessage[124];
    void* sysRef;
};

struct ASIOBufferInfo {
    ASIOBool isInput;
    std::int32_t channelNum;
    void* buffers[2];
};

struct ASIOChannelInfo {
    std::int32_t channel;
    ASIOBool isInput;
    ASIOBool isActive;
    std::int32_t channelGroup;
    ASIOSampleType type;
    char name[32];
};

struct ASIOClockSource {
    std::int32_t index;
    std::int32_t associatedChannel;
    std::int32_t associatedGroup;
    ASIOBool isCurrentSource;
    char name[32];
};

struct AsioTimeInfo {
    double speed;
    ASIOTimeStamp systemTime;
    ASIOSamples samplePosition;
    ASIOSampleRate sampleRate;
    std::uint32_t flags;
    char reserved[12];
};

struct ASIOTimeCode {
    double speed;
    ASIOSamples timeCodeSamples;
    std::uint32_t flags;
    char future[64];
};

struct ASIOTime {
    std::int32_t reserved[4];
    AsioTimeInfo timeInfo;
    ASIOTimeCode timeCode;
};

struct ASIOCallbacks {
    void (*bufferSwitch)(std::int32_t doubleBufferIndex, ASIOBool directProcess);
    void (*sampleRateDidChange)(ASIOSampleRate rate);
    std::int32_t (*asioMessage)(std::int32_t selector, std::int32_t value, void* message, double* opt);
    ASIOTime* (*bufferSwitchTimeInfo)(ASIOTime* params, std::int32_t doubleBufferIndex,
                                      ASIOBool directProcess);
};

#pragma pack(pop)

static_assert(sizeof(ASIOBufferInfo) == 24);
static_assert(sizeof(ASIOChannelInfo) == 52);
static_assert(offsetof(ASIODriverInfo, sysRef) == 164);
static_assert(sizeof(AsioTimeInfo) == 48);
static_assert(sizeof(ASIOTimeCode) == 84);
static_assert(sizeof(ASIOTime) == 148);
static_assert(offsetof(ASIOTime, timeCode) == 64);

// A COM interface id (GUID), laid out as Windows lays it out.
struct AsioGuid {
    std::uint32_t data1;
    std::uint16_t data2;
    std::uint16_t data3;
    std::uint8_t data4[8];
};

// The three IUnknown methods in COM's order and with COM's types on 64-bit
// Windows (HRESULT and ULONG are 32 bits wide there).
class AsioUnknown {
public:
    virtual std::int32_t QueryInterface(const AsioGuid& iid, void** object) = 0;
    virtual std::uint32_t AddRef() = 0;
    virtual std::uint32_t Release() = 0;

protected:
    // Objects end themselves in Release; nobody deletes through this base.
    ~AsioUnknown() = default;
};

class IASIO : public AsioUnknown {
public:
    virtual ASIOBool init(void* sysHandle) = 0;
    virtual void getDriverName(char* name) = 0;
    virtual std::int32_t getDriverVersion() = 0;
    virtual void getErrorMessage(char* string) = 0;
    virtual ASIOError start() = 0;
    virtual ASIOError stop() = 0;
    virtual ASIOError getChannels(std::int32_t* numInputChannels, std::int32_t* numOutputChannels) = 0;
    virtual ASIOError getLatencies(std::int32_t* inputLatency, std::int32_t* outputLatency) = 0;
    virtual ASIOError getBufferSize(std::int32_t* minSize, std::int32_t* maxSize,
                                    std::int32_t* preferredSize, std::int32_t* granularity) = 0;
    virtual ASIOError canSampleRate(ASIOSampleRate rate) = 0;
    virtual ASIOError getSampleRate(ASIOSampleRate* rate) = 0;
    virtual ASIOError setSampleRate(ASIOSampleRate rate) = 0;
    virtual ASIOError getClockSources(ASIOClockSource* clocks, std::int32_t* numSources) = 0;
    virtual ASIOError setClockSource(std::int32_t reference) = 0;
    virtual ASIOError getSamplePosition(ASIOSamples* position, ASIOTimeStamp* timeStamp) = 0;
    virtual ASIOError getChannelInfo(ASIOChannelInfo* info) = 0;
    virtual ASIOError createBuffers(ASIOBufferInfo* infos, std::int32_t numChannels,
                                    std::int32_t bufferSize, ASIOCallbacks* callbacks) = 0;
    virtual ASIOError disposeBuffers() = 0;
    virtual ASIOError controlPanel() = 0;
    virtual ASIOError future(std::int32_t selector, void* opt) = 0;
    virtual ASIOError outputReady() = 0;

protected:
    ~IASIO() = default;
};

}  // namespace kestrava::audio
