// Sonalve's sixteen programs: each names a correction file and keeps the
// Input and Air switch values. The bank hands the host its records as the
// preset chunk (one record) or the bank chunk (all sixteen), takes them back
// with every text bounded, and answers the program names.
//
// User-interface thread; the caller serialises the operations. Only the two
// switch values may also be written by a parameter change on another
// thread, so they are read and written atomically.
#pragma once

#include "plugin/ProgramRecord.h"

#include <array>
#include <cstddef>

namespace kestrava::plugin {

inline constexpr int kNumPrograms = 16;

class ProgramBank {
public:
    static constexpr std::size_t kPresetChunkSize = sizeof(ProgramRecord);
    static constexpr std::size_t kBankChunkSize = sizeof(ProgramRecord) * kNumPrograms;

    // "program 0" to "program 15", no file, Input 1, Air 0.
    ProgramBank();

    // The memory of one record or of the whole bank, as hosts store it.
    void* presetChunk(int program) { return &records_[program]; }
    void* bankChunk() { return records_.data(); }

    // Takes a chunk of exactly the preset or bank size into `program` or the
    // whole bank; any other size changes nothing and returns false. A switch
    // value outside 0..1 (or not a number) is kept as 1, which it meant.
    bool restore(const void* data, std::size_t size, bool isPreset, int program);

    // Program names: a name given is cut to 23 characters; a restored chunk
    // may carry 24 without a terminator, so the copy out needs
    // kProgramNameSize + 1 bytes.
    void setName(int program, const char* name);
    void copyName(int program, char* text) const;

    // The file a program names, "None" for none.
    const char* path(int program) const { return records_[program].path; }
    void setPath(int program, const char* path);

    float input(int program) const;
    float air(int program) const;
    void storeInput(int program, float value);
    void storeAir(int program, float value);

private:
    std::array<ProgramRecord, kNumPrograms> records_{};
};

}  // namespace kestrava::plugin
