// A driver with the IASIO operations that plays a WAV file into its inputs
// and records its outputs into a WAV file, so the whole measurement road runs
// without an audio interface. Its inputs are the file's channels (silence
// once the file has ended); its outputs, as long as the input file, are
// written (or handed to the caller) when the driver stops.
// The buffer size and the sample type (any of the eighteen) are chosen by the
// caller; the sample rate is the file's and cannot be changed.
//
// Controlling-thread operations as for any driver. Between start and stop a
// thread of its own calls the host's bufferSwitch, as fast as it can or paced
// to real time (always paced once the file has ended). The host's callback gets the buffers only; the driver's own
// bookkeeping (reading the file, keeping the outputs) happens outside it.
#pragma once

#include "audio/DriverCatalog.h"
#include "audio/SoftwareDriver.h"
#include "audio/file/WavFile.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kestrava::audio {

inline constexpr const char* kFileDriverName = "Recorded File";

struct FileDriverOptions {
    std::string inputPath;
    // Empty: the outputs are not kept.
    std::string outputPath;
    // When set, the outputs go here when the driver stops instead of to
    // outputPath: for a caller that writes them itself, with its other
    // files and only when its work succeeded.
    std::shared_ptr<WavData> keptOutputs;
    std::int32_t bufferSize = 512;
    ASIOSampleType sampleType = ASIOSTInt32LSB;
    std::int32_t outputChannels = 2;
    bool realTime = false;
};

class FileDriver : public SoftwareDriver {
public:
    explicit FileDriver(FileDriverOptions options);

protected:
    // A file driver under another name, whose options its open may change.
    FileDriver(std::string name, FileDriverOptions options);
    ~FileDriver() override;
    bool open() override;
    FileDriverOptions& options() { return options_; }

private:
    std::optional<Format> format() override;
    ASIOError startClock() override;
    ASIOError stopClock() override;
    void buffersCreated() override;
    void run();
    void fillInputs(int half, std::int64_t frame);
    void keepOutputs(int half);
    bool writeOutputs();

    FileDriverOptions options_;
    bool initialised_ = false;
    WavData input_;
    WavData output_;
    // One half's samples at full scale +-1.0, on their way to or from the
    // device format.
    std::vector<double> unitSamples_;
    std::atomic<bool> running_{false};
    std::thread thread_;
};

// The catalog entry for a file driver with these options.
DriverEntry fileDriverEntry(const FileDriverOptions& options);

}  // namespace kestrava::audio
