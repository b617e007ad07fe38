// The kestrava tool given what a careless or hostile user gives it: folders
// and devices for files, pipes, impossible WAV headers, damaged corrections,
// outputs that are inputs, outputs that cannot be written. Every case ends
// promptly (CTest stops each after its time limit) with the exit status and
// a message naming the file and the reason; a failed command leaves every
// file as it was.
#include "audio/file/WavFile.h"
#include "corrfile/CorrectionFile.h"
#include "ToolRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <string_view>
#include <thread>

#ifndef _WIN32
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace kestrava::audio;
using namespace kestrava::corrfile;
using namespace kestrava::engine;

namespace kestrava::test {
namespace {

using namespace tool;

namespace fs = std::filesystem;

// Pipes are fed by a thread of the test. A named pipe's writer gives up
// after a while, so a tool that never reads cannot hold the test past its
// time limit either.
class PipeWriter {
public:
#ifndef _WIN32
    // Opens the named pipe for writing once a reader has it open.
    PipeWriter(std::string path, std::string bytes)
        : thread_([path = std::move(path), bytes = std::move(bytes)] {
              const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
              int fd = -1;
              while ((fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK)) < 0 && errno == ENXIO
                     && std::chrono::steady_clock::now() < end)
                  std::this_thread::sleep_for(std::chrono::milliseconds(5));
              if (fd >= 0) {
                  ::fcntl(fd, F_SETFL, 0);
                  writeAll(fd, bytes);
              }
          })
    {
    }
    // Writes into an unnamed pipe's write end; `readEnd` is closed when done.
    PipeWriter(int writeEnd, int readEnd, std::string bytes)
        : readEnd_(readEnd), thread_([writeEnd, bytes = std::move(bytes)] { writeAll(writeEnd, bytes); })
    {
    }
    ~PipeWriter()
    {
        thread_.join();
        if (readEnd_ >= 0)
            ::close(readEnd_);
    }

private:
    static void writeAll(int fd, const std::string& bytes)
    {
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (put <= 0)
                break;
            done += static_cast<std::size_t>(put);
        }
        ::close(fd);
    }

    int readEnd_ = -1;
#endif
    std::thread thread_;
};

class HostileInput;

struct HostileCase {
    const char* name;
    // Prepares the files and returns the command's arguments; may start a
    // pipe's writer, which lives until the command is done.
    std::function<std::vector<std::string>(HostileInput&, std::unique_ptr<PipeWriter>&)> prepare;
    int status;
    // Words the error stream must hold (the file, the reason); "@" stands
    // for the scratch folder.
    std::vector<std::string> said;
    // For a command that succeeds: the output it writes.
    const char* output = nullptr;
};

void PrintTo(const HostileCase& c, std::ostream* out)
{
    *out << c.name;
}

class HostileInput : public ToolTestBase, public ::testing::WithParamInterface<HostileCase> {
public:
    std::string file(const std::string& name) const { return path(name); }

    std::string wav(const std::string& name, const WavFormat& format,
                    const std::vector<std::vector<double>>& channels)
    {
        return write(name, format, channels);
    }

    std::string take() { return wav("take.wav", {16}, {signal().microphone, signal().pickup}); }

    std::string goodCorrection(const char* name = "good.alg") const
    {
        CorrectionSet set;
        set.sectionCount = 3;
        set.outputGain = 0.5;
        for (int i = 0; i < 3; ++i) {
            set.centreHz[i] = 100.0 * (i + 1);
            set.quality[i] = 2.0;
            set.peakGain[i] = 0.25;
        }
        writeFile(path(name), encodeCorrectionFile(set));
        return path(name);
    }

    static const TwoSignals& signal()
    {
        static const TwoSignals made = signals(4800);
        return made;
    }

    static std::string wavBytes(int bits)
    {
        const std::vector<std::uint8_t> bytes =
            buildWav({bits}, {signal().microphone, signal().pickup});
        return {bytes.begin(), bytes.end()};
    }

    std::string withFolder(std::string text) const
    {
        const std::string root = (folder() / "").string();
        for (std::size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at + root.size()))
            text.replace(at, 1, root);
        return text;
    }

    // Every file and folder under the scratch folder, with the files' bytes.
    std::map<std::string, std::string> snapshot() const
    {
        std::map<std::string, std::string> all;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder())) {
            const std::string name = entry.path().lexically_relative(folder()).string();
            all[name] = entry.is_symlink()      ? "link"
                      : entry.is_regular_file() ? fileBytes(entry.path().string())
                                                : "folder or device";
        }
        return all;
    }
};

const HostileCase kCases[] = {
    {"DirectoryNamedLikeATake",
     [](HostileInput& s, auto&) {
         fs::create_directory(s.file("x.wav"));
         return std::vector<std::string>{"design", s.file("x.wav"), "-o", s.file("out.alg")};
     },
     kExitFailure, {"@x.wav is a ", "not a file"}},
    {"MissingTake",
     [](HostileInput& s, auto&) {
         return std::vector<std::string>{"render", "--alg", s.goodCorrection(), s.file("none.wav"), s.file("o.wav")};
     },
     kExitFailure, {"cannot open @none.wav: "}},
    {"SampleRateZero",
     [](HostileInput& s, auto&) {
         const std::string in = s.wav("rate0.wav", {16, false, false, 0}, {s.signal().pickup});
         return std::vector<std::string>{"render", "--alg", s.goodCorrection(), in, s.file("out.wav")};
     },
     kExitFailure, {"@rate0.wav claims a sample rate of 0 Hz"}},
    {"SixtyFiveThousandChannels",
     [](HostileInput& s, auto&) {
         std::vector<std::uint8_t> bytes = buildWav({16}, {s.signal().pickup});
         bytes[22] = 0xFF;
         bytes[23] = 0xFF;
         writeFile(s.file("many.wav"), bytes);
         return std::vector<std::string>{"design", s.file("many.wav"), "-o", s.file("out.alg")};
     },
     kExitFailure, {"@many.wav claims 65535 channels"}},
    {"CorrectionWithANaNQuality",
     [](HostileInput& s, auto&) {
         CorrectionSet set;
         set.sectionCount = 2;
         set.centreHz = {100.0, 200.0};
         set.quality = {1.0, std::nan("")};
         writeFile(s.file("nan.alg"), encodeCorrectionFile(set));
         return std::vector<std::string>{"inspect", "--json", s.file("nan.alg")};
     },
     kExitFailure, {"ALG file is damaged.\n", "@nan.alg: the quality is not a finite number above zero in section 2"}},
    {"DirectoryAsCorrection",
     [](HostileInput& s, auto&) {
         fs::create_directory(s.file("dir.alg"));
         return std::vector<std::string>{"render", "--alg", s.file("dir.alg"), s.take(), s.file("out.wav")};
     },
     kExitFailure, {"ALG file is damaged.\n", "@dir.alg: is a ", "not a file"}},
    {"OutputIsTheTake",
     [](HostileInput& s, auto&) {
         return std::vector<std::string>{"design", s.take(), "-o", s.file("take.wav")};
     },
     kExitUsage, {"the output @take.wav is the input"}},
    {"OutputIsTheTakeSpeltAnotherWay",
     [](HostileInput& s, auto&) {
         fs::create_directory(s.file("sub"));
         return std::vector<std::string>{"design", s.take(), "-o", s.file("sub/../take.wav")};
     },
     kExitUsage, {"is the input @take.wav"}},
    {"OutputIsAHardLinkToTheTake",
     [](HostileInput& s, auto&) {
         const std::string in = s.take();
         fs::create_hard_link(in, s.file("alias.wav"));
         return std::vector<std::string>{"design", in, "-o", s.file("alias.wav")};
     },
     kExitUsage, {"the output @alias.wav is the input @take.wav"}},
    {"ReportIsAnInput",
     [](HostileInput& s, auto&) {
         const std::string mic = s.wav("mic.wav", {16}, {s.signal().microphone});
         return std::vector<std::string>{"design", "--mic", mic, "--pickup", s.take(), "--pickup-channel", "2",
                                         "-o", s.file("out.alg"), "--report", mic};
     },
     kExitUsage, {"the output @mic.wav is the input @mic.wav"}},
    {"TwoOutputsAreOneFile",
     [](HostileInput& s, auto&) {
         return std::vector<std::string>{"design", s.take(), "-o", s.file("same"), "--report", s.file("same")};
     },
     kExitUsage, {"two outputs are one file"}},
    {"RenderOverItsCorrection",
     [](HostileInput& s, auto&) {
         return std::vector<std::string>{"render", "--alg", s.goodCorrection(), s.take(), s.file("good.alg")};
     },
     kExitUsage, {"the output @good.alg is the input"}},
    {"OutputInAMissingFolder",
     [](HostileInput& s, auto&) {
         return std::vector<std::string>{"render", "--alg", s.goodCorrection(), s.take(), s.file("no/out.wav")};
     },
     kExitFailure, {"cannot write @no/out.wav: ", "No file was changed."}},
    {"OutputIsAFolder",
     [](HostileInput& s, auto&) {
         fs::create_directory(s.file("out.wav"));
         return std::vector<std::string>{"render", "--alg", s.goodCorrection(), s.take(), s.file("out.wav")};
     },
     kExitFailure, {"cannot write @out.wav: ", "not a file"}},
    {"UnwritableReportKeepsTheOldCorrection",
     [](HostileInput& s, auto&) {
         return std::vector<std::string>{"design", s.take(), "-o", s.goodCorrection("old.alg"), "--report",
                                         s.file("no/report.svg")};
     },
     kExitFailure, {"cannot write @no/report.svg: ", "No file was changed."}},
    {"TakeWithNaNAndInfiniteSamples",
     [](HostileInput& s, auto&) {
         std::vector<double> pickup = s.signal().pickup;
         pickup[100] = std::nan("");
         pickup[2000] = INFINITY;
         const std::string in = s.wav("poisoned.wav", {32, true}, {s.signal().microphone, pickup});
         return std::vector<std::string>{"render", "--alg", s.goodCorrection(), "--input", "right", in,
                                         s.file("rendered.wav")};
     },
     kExitOk, {}, "rendered.wav"},
    {"TakeBeyondTheFloatRange",
     [](HostileInput& s, auto&) {
         std::vector<double> pickup = s.signal().pickup;
         for (double& v : pickup)
             v *= 1e300;
         const std::string in = s.wav("loud.wav", {64, true}, {s.signal().microphone, pickup});
         return std::vector<std::string>{"render", "--alg", s.goodCorrection(), "--input", "right", in,
                                         s.file("rendered.wav")};
     },
     kExitOk, {}, "rendered.wav"},
#ifndef _WIN32
    {"DeviceAsATake",
     [](HostileInput& s, auto&) {
         fs::create_symlink("/dev/zero", s.file("zero.wav"));
         return std::vector<std::string>{"render", "--alg", s.goodCorrection(), s.file("zero.wav"), s.file("o.wav")};
     },
     kExitFailure, {"@zero.wav is a device"}},
    {"DeviceAsACorrection",
     [](HostileInput& s, auto&) {
         fs::create_symlink("/dev/zero", s.file("zero.alg"));
         return std::vector<std::string>{"inspect", s.file("zero.alg")};
     },
     kExitFailure, {"ALG file is damaged.\n", "@zero.alg: is a device"}},
    {"TakeFromANamedPipe",
     [](HostileInput& s, std::unique_ptr<PipeWriter>& writer) {
         const std::string alg = s.goodCorrection();
         ::mkfifo(s.file("take-pipe").c_str(), 0600);
         writer = std::make_unique<PipeWriter>(s.file("take-pipe"), s.wavBytes(16));
         return std::vector<std::string>{"render", "--alg", alg, s.file("take-pipe"), s.file("piped.wav")};
     },
     kExitOk, {}, "piped.wav"},
    {"TakeFromAnUnnamedPipe",
     [](HostileInput& s, std::unique_ptr<PipeWriter>& writer) {
         // As a shell hands over <(command): /dev/fd/N of a pipe.
         int ends[2];
         if (::pipe(ends) != 0)
             return std::vector<std::string>{};
         writer = std::make_unique<PipeWriter>(ends[1], ends[0], s.wavBytes(24));
         return std::vector<std::string>{"design", "/dev/fd/" + std::to_string(ends[0]), "-o", s.file("piped.alg")};
     },
     kExitOk, {}, "piped.alg"},
#endif
};

TEST_P(HostileInput, EndsWithAReasonAndLeavesEveryFileAsItWas)
{
    const HostileCase& c = GetParam();
    std::unique_ptr<PipeWriter> writer;
    const std::vector<std::string> args = c.prepare(*this, writer);
    ASSERT_FALSE(args.empty());
    const std::map<std::string, std::string> before = snapshot();

    const ToolRun r = kestrava(args);
    writer.reset();

    EXPECT_EQ(r.status, c.status) << r.err;
    for (const std::string& words : c.said)
        EXPECT_NE(r.err.find(withFolder(words)), std::string::npos) << withFolder(words) << "\n" << r.err;
    if (c.output != nullptr) {
        EXPECT_GT(fs::file_size(file(c.output)), 1000u);
        if (std::string_view(c.output).ends_with(".wav")) {
            WavData rendered;
            std::string error;
            ASSERT_TRUE(readWav(file(c.output), rendered, error)) << error;
            for (const std::vector<double>& channel : rendered.channels)
                EXPECT_TRUE(std::all_of(channel.begin(), channel.end(), [](double v) { return std::isfinite(v); }));
        }
    } else {
        EXPECT_EQ(snapshot(), before);
        EXPECT_EQ(r.out.find('{'), std::string::npos) << r.out;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, HostileInput, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<HostileCase>& info) { return info.param.name; });

}  // namespace
}  // namespace kestrava::test
