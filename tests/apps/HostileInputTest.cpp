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
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
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

    std::string goodCorrection(const char* name = "good.alg", double outputGain = 0.5, double peakGain = 0.25) const
    {
        CorrectionSet set;
        set.sectionCount = 3;
        set.outputGain = outputGain;
        for (int i = 0; i < 3; ++i) {
            set.centreHz[i] = 100.0 * (i + 1);
            set.quality[i] = 2.0;
            set.peakGain[i] = peakGain;
        }
        writeFile(path(name), encodeCorrectionFile(set));
        return path(name);
    }

    std::vector<std::string> record(const std::string& take, const std::string& alg, const std::string& played)
    {
        return {"record", "--driver", "Recorded File", "--input-file", take, "-o", alg, "--output-file", played};
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

    // The take's "fmt " and "data" chunks, and a chunk's header.
    static std::string fmt() { return wavBytes(16).substr(12, 24); }
    static std::string data() { return wavBytes(16).substr(36); }
    static std::string header(const char* name, std::uint32_t size)
    {
        std::vector<std::uint8_t> bytes(name, name + 4);
        put(bytes, size, 4);
        return {bytes.begin(), bytes.end()};
    }

    // `design` of a WAV file holding `chunks` as they are.
    std::vector<std::string> design(const std::string& name, const std::string& chunks)
    {
        std::vector<std::uint8_t> file = {'R', 'I', 'F', 'F'};
        put(file, 4 + chunks.size(), 4);
        file.insert(file.end(), {'W', 'A', 'V', 'E'});
        file.insert(file.end(), chunks.begin(), chunks.end());
        writeFile(path(name), file);
        return {"design", path(name), "-o", path("out.alg")};
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

// The longest name a file may have, 255 bytes.
const std::string kLongestName = std::string(251, 'n') + ".wav";

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
    {"TakeCutShortInItsData", [](HostileInput& s, auto&) { return s.design("cut.wav", (s.fmt() + s.data()).substr(0, 18232)); },
     kExitFailure, {"@cut.wav ends early: its 'data' chunk claims 19200 bytes and the file holds 18200 of them"}},
    {"TakeCutInsideAChunkHeader", [](HostileInput& s, auto&) { return s.design("cut.wav", s.fmt() + "da"); },
     kExitFailure, {"@cut.wav ends early, inside the header of a chunk"}},
    {"FormatChunkOfTwelveBytes",
     [](HostileInput& s, auto&) { return s.design("short.wav", s.header("fmt ", 12) + s.fmt().substr(8, 12) + s.data()); },
     kExitFailure, {"@short.wav has a format chunk of 12 bytes; a format takes 16"}},
    {"FramesPaddedBeyondTheirSamples",
     [](HostileInput& s, auto&) {
         std::string format = s.fmt();
         format[20] = 8;
         return s.design("padded.wav", format + s.data());
     },
     kExitFailure, {"@padded.wav says a frame takes 8 bytes; 2 channels of 16 bits take 4"}},
    {"SampleDataBeforeItsFormat", [](HostileInput& s, auto&) { return s.design("late.wav", s.data() + s.fmt()); },
     kExitFailure, {"@late.wav has its sample data before its format chunk"}},
    {"OddChunkWithoutItsPadByte",
     [](HostileInput& s, auto&) { return s.design("odd.wav", s.fmt() + s.header("LIST", 3) + "abc" + s.data()); },
     kExitFailure, {"@odd.wav has a 'LIST' chunk of odd length 3 without the pad byte that must follow it"}},
    {"StreamedTakeWithoutADataLength",
     [](HostileInput& s, auto&) {
         return s.design("streamed.wav", s.fmt() + s.header("data", 0xFFFFFFFFu) + s.data().substr(8));
     },
     kExitOk, {}, "out.alg"},
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
    {"CorrectionWithAnOutputGainOf120dB",
     [](HostileInput& s, auto&) { return std::vector<std::string>{"inspect", s.goodCorrection("loud.alg", 1e6)}; },
     kExitFailure, {"ALG file is damaged.\n", "@loud.alg: its output gain 1e+06 (+120.0 dB) is above +60 dB"}},
    {"CorrectionWithASectionGainOf2000",
     [](HostileInput& s, auto&) {
         return std::vector<std::string>{"render", "--alg", s.goodCorrection("peak.alg", 0.5, 2000.0), s.take(),
                                         s.file("out.wav")};
     },
     kExitFailure, {"ALG file is damaged.\n", "@peak.alg: the gain 2000 in section 1 is outside -0.999 to 999"}},
    {"PickupSeventyDecibelsBelowTheMicrophone",
     [](HostileInput& s, auto&) {
         TwoSignals t = s.signal();
         for (std::size_t i = 0; i < t.pickup.size(); ++i) {
             t.microphone[i] *= 65536.0;
             t.pickup[i] = std::round(t.pickup[i] * 65536.0 / 3162.3);
         }
         return std::vector<std::string>{"design", s.wav("quiet.wav", {32}, {t.microphone, t.pickup}), "-o",
                                         s.file("quiet.alg")};
     },
     kExitFailure, {"the pickup is more than 60 dB below the microphone: check the pickup's level"}},
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
    {"ClippedRecordingKeepsTheDriversOldOutput",
     [](HostileInput& s, auto&) {
         std::vector<double> mic = s.signal().microphone;
         mic[100] = 32767;
         writeFile(s.file("played.wav"), std::vector<std::uint8_t>(100, 7));
         return s.record(s.wav("clip.wav", {16}, {mic, s.signal().pickup}), s.file("x.alg"), s.file("played.wav"));
     },
     kExitFailure, {"Clipping in the left channel"}},
    {"RecordWithItsDriverOutputInAMissingFolder",
     [](HostileInput& s, auto&) { return s.record(s.take(), s.file("x.alg"), s.file("no/played.wav")); },
     kExitFailure, {"cannot write @no/played.wav: the folder @no does not exist; nothing was recorded"}},
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
    // (Windows limits the whole path to 260 characters.)
    {"OutputWithTheLongestName",
     [](HostileInput& s, auto&) {
         return std::vector<std::string>{"render", "--alg", s.goodCorrection(), s.take(), s.file(kLongestName)};
     },
     kExitOk, {}, kLongestName.c_str()},
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

#ifndef _WIN32
// The tool as its own process, stopped by a signal while it saves (the
// moment its staging file appears) or while it records.
class InterruptedTool : public HostileInput {
public:
    // Runs the tool and sends `signal` after `delay`, or else as soon as a
    // file appears in the scratch folder (the only one a render creates is
    // its staging file); the wait status.
    int runAndInterrupt(const std::vector<std::string>& args, int signal, std::chrono::milliseconds delay)
    {
        const int watch = ::inotify_init1(IN_CLOEXEC);
        ::inotify_add_watch(watch, folder().c_str(), IN_CREATE);
        std::vector<char*> argv{const_cast<char*>(KESTRAVA_TOOL)};
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        const pid_t child = ::fork();
        if (child == 0) {
            ::execv(KESTRAVA_TOOL, argv.data());
            ::_exit(127);
        }
        pollfd created{watch, POLLIN, 0};
        if (delay.count() > 0)
            std::this_thread::sleep_for(delay);
        else
            ::poll(&created, 1, 30000);
        if (child > 0)
            ::kill(child, signal);
        int status = 0;
        ::waitpid(child, &status, 0);
        ::close(watch);
        return status;
    }
};

TEST_F(InterruptedTool, LeavesEveryFileAsItWasAndNoStagingFile)
{
    const TwoSignals minute = signals(48000 * 60);
    const std::string longTake = wav("long.wav", {16}, {minute.microphone, minute.pickup});
    const std::string alg = goodCorrection();
    writeFile(file("out.wav"), std::vector<std::uint8_t>(100, 7));
    const std::vector<std::string> render = {"render", "--alg", alg, longTake, file("out.wav")};
    // `status` as waitpid gives it: the signal's number when it ended the
    // process, the exit status times 256 otherwise.
    const struct {
        std::vector<std::string> args;
        int signal;
        std::chrono::milliseconds delay;
        int status;
    } cases[] = {
        {render, SIGINT, {}, SIGINT},
        {render, SIGTERM, {}, SIGTERM},
        // The take ends long before the recording does: the driver goes on
        // in real time, and Ctrl-C stops the recording.
        {record(take(), file("x.alg"), file("out.wav")), SIGINT, std::chrono::milliseconds(1500), kExitFailure << 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " stopped by signal " + std::to_string(c.signal));
        const std::map<std::string, std::string> before = snapshot();
        // A save may finish before the signal comes; then it is tried again.
        int status = kExitOk;
        for (int attempt = 0; attempt < 5 && status == kExitOk; ++attempt) {
            if ((status = runAndInterrupt(c.args, c.signal, c.delay)) == kExitOk)
                writeFile(file("out.wav"), std::vector<std::uint8_t>(100, 7));
        }
        EXPECT_EQ(status, c.status);
        std::string names;  // not the bytes: the files are megabytes long
        for (const fs::directory_entry& entry : fs::directory_iterator(folder()))
            names += entry.path().filename().string() + " ";
        EXPECT_TRUE(snapshot() == before) << names;
    }
}
#endif

}  // namespace
}  // namespace kestrava::test
