// The correction file's image: scrambling, encoding and the checks a
// decoded correction must pass before anyone runs it.
#include "corrfile/CorrectionFile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
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

// The first value of `values` outside `allowed`; -1 when all are fine.
template <class Allowed>
int firstBadValue(const double* values, int count, Allowed allowed)
{
    for (int i = 0; i < count; ++i) {
        if (!allowed(values[i]))
            return i;
    }
    return -1;
}

std::string number(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

std::string correctionProblem(const CorrectionSet& set)
{
    if (!std::isfinite(set.outputGain))
        return "its output gain is not a finite number";
    if (std::fabs(set.outputGain) > engine::kMaxOutputGain)
        return "its output gain " + number("%.6g", set.outputGain) + " ("
             + number("%+.1f", 20.0 * std::log10(std::fabs(set.outputGain)))
             + " dB) is above +60 dB, more than any measurement gives";
    const auto positive = [](double v) { return std::isfinite(v) && v > 0.0; };
    const auto measurable = [](double v) { return v >= engine::kMinPeakGain && v <= engine::kMaxPeakGain; };
    const auto where = [](int section) { return " in section " + std::to_string(section + 1); };
    if (const int bad = firstBadValue(set.centreHz.data(), set.sectionCount, positive); bad >= 0)
        return "the centre frequency is not a finite number above zero" + where(bad);
    if (const int bad = firstBadValue(set.quality.data(), set.sectionCount, positive); bad >= 0)
        return "the quality is not a finite number above zero" + where(bad);
    if (const int bad = firstBadValue(set.peakGain.data(), set.sectionCount, [](double v) { return std::isfinite(v); });
        bad >= 0)
        return "the gain is not a finite number" + where(bad);
    if (const int bad = firstBadValue(set.peakGain.data(), set.sectionCount, measurable); bad >= 0)
        return "the gain " + number("%.6g", set.peakGain[bad]) + where(bad)
             + " is outside -0.999 to 999 (-60 to +60 dB), beyond any measurement";
    return {};
}

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
    if (std::string problem = correctionProblem(decoded); !problem.empty()) {
        return damaged(std::move(problem));
    }
    set = decoded;
    return {};
}

}  // namespace kestrava::corrfile
