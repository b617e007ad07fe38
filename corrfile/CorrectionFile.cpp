#include "corrfile/CorrectionFile.h"

#include "platform/Messages.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace kestrava {
namespace {

constexpr std::size_t kHeaderBytes = 32;
constexpr std::size_t kOffsetSectionCount = 20;
constexpr std::size_t kOffsetOutputGain = 24;

template <class T>
void put(std::vector<std::uint8_t>& image, std::size_t offset, T value)
{
    std::memcpy(image.data() + offset, &value, sizeof value);
}

template <class T>
T get(std::span<const std::uint8_t> image, std::size_t offset)
{
    T value;
    std::memcpy(&value, image.data() + offset, sizeof value);
    return value;
}

std::size_t imageSize(std::int32_t sectionCount)
{
    return kHeaderBytes + 24 * static_cast<std::size_t>(sectionCount);
}

// Reads the whole file; false when it cannot be opened or read.
bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    bool ok = true;
    std::uint8_t chunk[8192];
    for (;;) {
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, file);
        bytes.insert(bytes.end(), chunk, chunk + got);
        if (got < sizeof chunk) {
            ok = std::ferror(file) == 0;
            break;
        }
    }
    std::fclose(file);
    return ok;
}

}  // namespace

void scrambleCorrectionImage(std::span<std::uint8_t> image)
{
    for (std::size_t i = 4; i < image.size(); ++i) {
        image[i] ^= static_cast<std::uint8_t>(kScrambleKey[(i - 4) % 16] + 1);
    }
}

std::vector<std::uint8_t> encodeCorrectionFile(const CorrectionSet& set)
{
    const std::int32_t n = std::clamp(set.sectionCount, 0, kMaxSections);
    std::vector<std::uint8_t> image(imageSize(n), 0);
    put<std::int32_t>(image, 0, kCorrectionFileMagic);
    put<std::int32_t>(image, 4, 1);
    put<std::int32_t>(image, kOffsetSectionCount, n);
    put<double>(image, kOffsetOutputGain, set.outputGain);
    const std::size_t arrayBytes = 8 * static_cast<std::size_t>(n);
    std::memcpy(image.data() + kHeaderBytes, set.centreHz.data(), arrayBytes);
    std::memcpy(image.data() + kHeaderBytes + arrayBytes, set.quality.data(), arrayBytes);
    std::memcpy(image.data() + kHeaderBytes + 2 * arrayBytes, set.peakGain.data(), arrayBytes);
    scrambleCorrectionImage(image);
    return image;
}

bool decodeCorrectionFile(std::span<const std::uint8_t> image, CorrectionSet& set)
{
    if (image.size() < 4 || get<std::int32_t>(image, 0) != kCorrectionFileMagic) {
        return false;
    }
    if (image.size() < kHeaderBytes) {
        return false;
    }
    std::array<std::uint8_t, kHeaderBytes> header;
    std::memcpy(header.data(), image.data(), kHeaderBytes);
    scrambleCorrectionImage(header);
    const auto n = get<std::int32_t>(header, kOffsetSectionCount);
    if (n < 0 || n > kMaxSections || image.size() < imageSize(n)) {
        return false;
    }
    std::vector<std::uint8_t> plain(image.begin(), image.begin() + imageSize(n));
    scrambleCorrectionImage(plain);
    const std::size_t arrayBytes = 8 * static_cast<std::size_t>(n);
    set.sectionCount = n;
    set.outputGain = get<double>(plain, kOffsetOutputGain);
    std::memcpy(set.centreHz.data(), plain.data() + kHeaderBytes, arrayBytes);
    std::memcpy(set.quality.data(), plain.data() + kHeaderBytes + arrayBytes, arrayBytes);
    std::memcpy(set.peakGain.data(), plain.data() + kHeaderBytes + 2 * arrayBytes, arrayBytes);
    return true;
}

int readCorrectionFile(const std::string& path, CorrectionSet& set, Messages& messages)
{
    std::vector<std::uint8_t> image;
    if (!readWholeFile(path, image)) {
        showError(messages, kReadOpenFailedText);
        return 1;
    }
    if (!decodeCorrectionFile(image, set)) {
        showError(messages, kDamagedFileText);
        return 1;
    }
    return 0;
}

bool writeCorrectionFile(const std::string& path, const CorrectionSet& set, Messages& messages)
{
    const std::vector<std::uint8_t> image = encodeCorrectionFile(set);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        showError(messages, kWriteCreateFailedText);
        return false;
    }
    const bool written = std::fwrite(image.data(), 1, image.size(), file) == image.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        showError(messages, kWriteFailedText);
        return false;
    }
    return true;
}

}  // namespace kestrava
