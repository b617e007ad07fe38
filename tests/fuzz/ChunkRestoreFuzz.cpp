// Feeds arbitrary bytes to the effect's chunk restore, as a preset chunk into
// any program and as a bank chunk. Besides the sanitizers' checks it holds
// the effect to its promises: a chunk of any other size than one record or
// sixteen is refused and changes nothing; an accepted one is kept byte for
// byte (the current program's path becomes "None" when its file does not
// exist); every program name read back is terminated within 24 characters;
// and a finite signal comes out finite.
//
// The first input byte chooses the kind of chunk and the current program;
// the rest is the chunk, optionally fitted to the expected size so that the
// fuzzer spends its time on the contents.

#include "ChunkFuzzDesktop.h"

#include "plugin/ADelay.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

using namespace kestrava::plugin;

namespace kestrava::test {
namespace {

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "chunk restore fuzz: %s\n", what);
    std::abort();
}

std::vector<std::uint8_t> chunkOf(ADelay& effect, bool isPreset)
{
    void* data = nullptr;
    const vst2::VstInt32 size = effect.getChunk(&data, isPreset);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return std::vector<std::uint8_t>(bytes, bytes + size);
}

// A stored switch keeps its sense (zero or not) and comes back within 0..1.
float restoredSwitch(float given)
{
    if (given == 0.0f)
        return 0.0f;
    return given > 0.0f && given <= 1.0f ? given : 1.0f;
}

void expectKept(const std::vector<std::uint8_t>& given, const std::vector<std::uint8_t>& kept, int currentRecord)
{
    for (std::size_t offset = 0; offset < given.size(); offset += sizeof(ProgramRecord)) {
        ProgramRecord expected;
        ProgramRecord actual;
        std::memcpy(&expected, given.data() + offset, sizeof expected);
        std::memcpy(&actual, kept.data() + offset, sizeof actual);
        if (static_cast<int>(offset / sizeof(ProgramRecord)) == currentRecord
            && std::strcmp(actual.path, "None") == 0) {
            std::memcpy(expected.path, actual.path, sizeof expected.path);
        }
        expected.input = restoredSwitch(expected.input);
        expected.air = restoredSwitch(expected.air);
        if (std::memcmp(&expected, &actual, sizeof expected) != 0)
            fail("an accepted chunk was not kept as given");
    }
}

}  // namespace
}  // namespace kestrava::test

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kestrava;
    using namespace kestrava::test;
    if (size == 0)
        return 0;
    static ChunkFuzzDesktop desktop;
    const bool isPreset = (data[0] & 1) != 0;
    const bool fitted = (data[0] & 2) != 0;
    const int program = (data[0] >> 2) & 15;
    const std::size_t expectedSize = isPreset ? sizeof(ProgramRecord) : 16 * sizeof(ProgramRecord);

    std::vector<std::uint8_t> chunk(data + 1, data + size);
    if (fitted)
        chunk.resize(expectedSize, 0);

    const auto effect = std::make_unique<ADelay>(nullptr, desktop.services());
    effect->setProgram(program);
    const std::vector<std::uint8_t> bankBefore = chunkOf(*effect, false);

    const vst2::VstInt32 accepted =
        effect->setChunk(chunk.data(), static_cast<vst2::VstInt32>(chunk.size()), isPreset);
    if ((accepted == 1) != (chunk.size() == expectedSize))
        fail("the chunk's size did not decide whether it was taken");
    if (accepted == 1)
        expectKept(chunk, chunkOf(*effect, isPreset), isPreset ? 0 : program);
    else if (chunkOf(*effect, false) != bankBefore)
        fail("a refused chunk changed the bank");

    char name[kProgramNameSize + 1];
    for (int p = 0; p < kNumPrograms; ++p) {
        std::memset(name, 'x', sizeof name);
        if (!effect->getProgramNameIndexed(0, p, name) || std::strlen(name) > kProgramNameSize)
            fail("a program name was not terminated within 24 characters");
    }

    std::vector<double> in1(64, 0.25), in2(64, -0.5), out1(64), out2(64);
    double* inputs[2] = {in1.data(), in2.data()};
    double* outputs[2] = {out1.data(), out2.data()};
    effect->processDoubleReplacing(inputs, outputs, 64);
    for (int i = 0; i < 64; ++i) {
        if (!std::isfinite(out1[i]) || !std::isfinite(out2[i]))
            fail("a finite signal came out not finite");
    }
    return 0;
}
