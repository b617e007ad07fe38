// The correction file's image: scrambling, encoding and the checks a
// decoded correction must pass before anyone runs it.
#include "corrfile/CorrectionFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kestrava::corrfile {

using engine::CorrectionSet;

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

CorrectionFileResult damaged(std::string reason)
{
    return {CorrectionFileStatus::Damaged, std::move(reason)};
}

// The first value of `values` that is not finite, or not above zero when
// `positive`; -1 when all are fine.
int firstBadValue(const double* values, int count, bool positive)
{
    for (int i = 0; i < count; ++i) {
        if (!std::isfinite(values[i]) || (positive && !(values[i] > 0.0)))
            return i;
    }
    return -1;
}

// Why the decoded values cannot be run, or nothing when they can.
std::string valueProblem(const CorrectionSet& set)
{
    if (!std::isfinite(set.outputGain))
        return "its output gain is not a finite number";
    const struct {
        const double* values;
        bool positive;
        const char* what;
    } arrays[] = {
        {set.centreHz.data(), true, "centre frequency is not a finite number above zero"},
        {set.quality.data(), true, "quality is not a finite number above zero"},
        {set.peakGain.data(), false, "gain is not a finite number"},
    };
    for (const auto& a : arrays) {
        if (const int bad = firstBadValue(a.values, set.sectionCount, a.positive); bad >= 0)
            return "the " + std::string(a.what) + " in section " + std::to_string(bad + 1);
    }
    return {};
}

}  // namespace

const char* correctionFileMessage(CorrectionFileStatus status)
{
    switch (status) {
    case CorrectionFileStatus::Ok: return "";
    case CorrectionFileStatus::CannotOpen: return kReadOpenFailedText;
    case CorrectionFileStatus::Damaged: return kDamagedFileText;
    case CorrectionFileStatus::CannotCreate: return kWriteCreateFailedText;
    case CorrectionFileStatus::CannotWrite: return kWriteFailedText;
    }
    return kDamagedFileText;
}

void scrambleCorrectionImage(std::span<std::uint8_t> image)
{
    for (std::size_t i = 4; i < image.size(); ++i) {
        image[i] ^= static_cast<std::uint8_t>(kScrambleKey[(i - 4) % 16] + 1);
    }
}

std::vector<std::uint8_t> encodeCorrectionFile(const CorrectionSet& set)
{
    const std::int32_t n = std::clamp(set.sectionCount, 0, engine::kMaxSections);
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

CorrectionFileResult decodeCorrectionFile(std::span<const std::uint8_t> image, CorrectionSet& set)
{
    if (image.size() < 4 || get<std::int32_t>(image, 0) != kCorrectionFileMagic) {
        return damaged("it is not a correction file");
    }
    if (image.size() < kHeaderBytes) {
        return damaged("it ends inside the header of a correction file");
    }
    std::array<std::uint8_t, kHeaderBytes> header;
    std::memcpy(header.data(), image.data(), kHeaderBytes);
    scrambleCorrectionImage(header);
    const auto n = get<std::int32_t>(header, kOffsetSectionCount);
    if (n < 0 || n > engine::kMaxSections) {
        return damaged("its section count " + std::to_string(n) + " is outside 0 to 200");
    }
    if (image.size() < imageSize(n)) {
        return damaged("it is " + std::to_string(image.size()) + " bytes long; its " + std::to_string(n)
                       + " sections need " + std::to_string(imageSize(n)));
    }
    std::vector<std::uint8_t> plain(image.begin(), image.begin() + imageSize(n));
    scrambleCorrectionImage(plain);
    const std::size_t arrayBytes = 8 * static_cast<std::size_t>(n);
    CorrectionSet decoded = set;
    decoded.sectionCount = n;
    decoded.outputGain = get<double>(plain, kOffsetOutputGain);
    std::memcpy(decoded.centreHz.data(), plain.data() + kHeaderBytes, arrayBytes);
    std::memcpy(decoded.quality.data(), plain.data() + kHeaderBytes + arrayBytes, arrayBytes);
    std::memcpy(decoded.peakGain.data(), plain.data() + kHeaderBytes + 2 * arrayBytes, arrayBytes);
    if (std::string problem = valueProblem(decoded); !problem.empty()) {
        return damaged(std::move(problem));
    }
    set = decoded;
    return {};
}

}  // namespace kestrava::corrfile
