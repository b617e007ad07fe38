// Writes the chunk fuzzer's starting corpus into a folder: a preset and a
// bank as a fresh effect hands them out, each fitted and as is, and a preset
// naming the one correction file the fuzzer's desktop knows.
// Usage: kestrava_chunk_seeds FOLDER

#include "ChunkFuzzDesktop.h"

#include "plugin/ProgramRecord.h"
#include "tests/support/FileBytes.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace kestrava::test {
namespace {

kestrava::plugin::ProgramRecord freshRecord(int program, const std::string& path)
{
    kestrava::plugin::ProgramRecord record{};
    std::snprintf(record.name, sizeof record.name, "program %i", program);
    std::snprintf(record.path, sizeof record.path, "%s", path.c_str());
    record.input = 1.0f;
    record.air = 0.0f;
    return record;
}

bool writeSeed(const std::string& path, std::uint8_t mode, const std::vector<kestrava::plugin::ProgramRecord>& records)
{
    std::vector<std::uint8_t> bytes(1 + records.size() * sizeof(kestrava::plugin::ProgramRecord));
    bytes[0] = mode;
    std::memcpy(bytes.data() + 1, records.data(), records.size() * sizeof(kestrava::plugin::ProgramRecord));
    return writeFile(path, bytes);
}

}  // namespace
}  // namespace kestrava::test

int main(int argc, char** argv)
{
    using namespace kestrava::test;
    if (argc != 2) {
        std::cerr << "usage: kestrava_chunk_seeds FOLDER\n";
        return 2;
    }
    const std::string folder = argv[1];
    std::vector<kestrava::plugin::ProgramRecord> bank;
    for (int p = 0; p < 16; ++p)
        bank.push_back(freshRecord(p, "None"));
    const std::vector<kestrava::plugin::ProgramRecord> named = {freshRecord(3, kestrava::test::knownCorrectionPath())};
    const bool written = writeSeed(folder + "/bank", 0, bank) && writeSeed(folder + "/bank-fitted", 2, bank)
                         && writeSeed(folder + "/preset", 1, {bank[0]})
                         && writeSeed(folder + "/preset-named", 3 | (3 << 2), named);
    if (!written) {
        std::cerr << "cannot write the seeds into " << folder << '\n';
        return 1;
    }
    return 0;
}
