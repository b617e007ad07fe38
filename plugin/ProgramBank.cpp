#include "plugin/ProgramBank.h"

#include "plugin/BoundedText.h"

#include <atomic>
#include <cstdio>
#include <cstring>

namespace kestrava::plugin {

namespace {

constexpr char kNone[] = "None";

static_assert(sizeof(std::array<ProgramRecord, kNumPrograms>) == ProgramBank::kBankChunkSize);

float loadShared(const float& value)
{
    return std::atomic_ref<float>(const_cast<float&>(value)).load(std::memory_order_relaxed);
}

void storeShared(float& value, float newValue)
{
    std::atomic_ref<float>(value).store(newValue, std::memory_order_relaxed);
}

// A stored switch keeps its sense (zero or not) but comes back within 0..1,
// so that what the host reads back is a parameter value.
float restoredSwitch(float value)
{
    if (value == 0.0f)
        return 0.0f;
    return value > 0.0f && value <= 1.0f ? value : 1.0f;
}

// The source may be the destination's own memory, handed back by the host.
void copyRecord(ProgramRecord& destination, const ProgramRecord& source)
{
    std::memmove(destination.name, source.name, sizeof destination.name);
    std::memmove(destination.path, source.path, sizeof destination.path);
    float input = 0.0f;
    float air = 0.0f;
    std::memcpy(&input, &source.input, sizeof input);
    std::memcpy(&air, &source.air, sizeof air);
    storeShared(destination.input, restoredSwitch(input));
    storeShared(destination.air, restoredSwitch(air));
}

}  // namespace

ProgramBank::ProgramBank()
{
    for (int p = 0; p < kNumPrograms; ++p) {
        ProgramRecord& record = records_[p];
        std::snprintf(record.name, sizeof record.name, "%s %i", "program", p);
        std::strcpy(record.path, kNone);
        record.input = 1.0f;
        record.air = 0.0f;
    }
}

bool ProgramBank::restore(const void* data, std::size_t size, bool isPreset, int program)
{
    if (size != (isPreset ? kPresetChunkSize : kBankChunkSize))
        return false;
    const auto* records = static_cast<const ProgramRecord*>(data);
    if (isPreset) {
        copyRecord(records_[program], records[0]);
    } else {
        for (int p = 0; p < kNumPrograms; ++p)
            copyRecord(records_[p], records[p]);
    }
    return true;
}

void ProgramBank::setName(int program, const char* name)
{
    copyBoundedText(records_[program].name, kProgramNameSize, name, kProgramNameSize - 1);
}

void ProgramBank::copyName(int program, char* text) const
{
    copyBoundedText(text, kProgramNameSize + 1, records_[program].name, kProgramNameSize);
}

void ProgramBank::setPath(int program, const char* path)
{
    copyBoundedText(records_[program].path, kProgramPathSize, path, kProgramPathSize);
}

float ProgramBank::input(int program) const
{
    return loadShared(records_[program].input);
}

float ProgramBank::air(int program) const
{
    return loadShared(records_[program].air);
}

void ProgramBank::storeInput(int program, float value)
{
    storeShared(records_[program].input, value);
}

void ProgramBank::storeAir(int program, float value)
{
    storeShared(records_[program].air, value);
}

}  // namespace kestrava::plugin
