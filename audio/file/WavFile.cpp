#include "audio/file/WavFile.h"

#include "audio/ByteOrder.h"
#include "engine/FloatSample.h"
#include "platform/FileAccess.h"

#include <bit>
#include <cmath>
#include <cstring>

namespace kestrava::audio {

namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatFloat = 3;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;

std::uint32_t le32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(loadBytes(p, 4, false));
}

std::uint16_t le16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(loadBytes(p, 2, false));
}

void put(std::vector<unsigned char>& out, std::uint32_t v, int bytes)
{
    unsigned char le[4];
    storeBytes(le, v, bytes, false);
    out.insert(out.end(), le, le + bytes);
}

double decode(const unsigned char* p, int bits, bool floating)
{
    if (floating) {
        if (bits == 32) {
            return std::bit_cast<float>(le32(p));
        }
        return std::bit_cast<double>(loadBytes(p, 8, false));
    }
    const int bytes = bits / 8;
    const auto raw = static_cast<std::uint32_t>(loadBytes(p, bytes, false) << (8 * (4 - bytes)));
    return static_cast<double>(static_cast<std::int32_t>(raw)) / 2147483648.0;
}

}  // namespace

bool readWavInput(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error)
{
    const platform::FileResult read =
        platform::readInput(path, kMaxWavFileBytes + 1, platform::InputKinds::FileOrPipe, bytes);
    if (read.error == platform::FileError::NotAFile) {
        error = path + " " + read.reason;
    } else if (read.error == platform::FileError::CannotOpen) {
        error = "cannot open " + path + ": " + read.reason;
    } else if (!read) {
        error = "cannot read " + path + ": " + read.reason;
    } else if (bytes.size() > kMaxWavFileBytes) {
        error = path + " is longer than " + std::to_string(kMaxWavFileBytes >> 20) + " MiB, the most that is read";
    } else {
        return true;
    }
    return false;
}

bool readWav(const std::string& path, WavData& data, std::string& error)
{
    std::vector<std::uint8_t> bytes;
    return readWavInput(path, bytes, error) && parseWav(bytes, path, data, error);
}

bool parseWav(std::span<const std::uint8_t> bytes, const std::string& path, WavData& data, std::string& error)
{
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
        error = path + " is not a WAV file";
        return false;
    }
    int channels = 0;
    bool haveFormat = false;
    std::size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const unsigned char* chunk = bytes.data() + at;
        const std::size_t size = le32(chunk + 4);
        const std::size_t body = at + 8;
        const std::size_t available = std::min(size, bytes.size() - body);
        if (std::memcmp(chunk, "fmt ", 4) == 0 && available >= 16) {
            std::uint16_t format = le16(chunk + 8);
            channels = le16(chunk + 10);
            data.sampleRate = le32(chunk + 12);
            data.bitsPerSample = le16(chunk + 22);
            if (format == kFormatExtensible && available >= 26) {
                format = le16(chunk + 32);
            }
            data.floatingPoint = format == kFormatFloat;
            const bool pcmOk = format == kFormatPcm &&
                               (data.bitsPerSample == 16 || data.bitsPerSample == 24 || data.bitsPerSample == 32);
            const bool floatOk = format == kFormatFloat && (data.bitsPerSample == 32 || data.bitsPerSample == 64);
            if ((!pcmOk && !floatOk) || channels < 1) {
                error = path + " has a sample format other than 16-, 24- or 32-bit PCM or 32- or 64-bit float";
                return false;
            }
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0 && haveFormat) {
            const std::size_t frameBytes = static_cast<std::size_t>(channels) * (data.bitsPerSample / 8);
            const std::size_t frames = available / frameBytes;
            data.channels.assign(static_cast<std::size_t>(channels), std::vector<double>(frames));
            const unsigned char* p = bytes.data() + body;
            for (std::size_t f = 0; f < frames; ++f) {
                for (int c = 0; c < channels; ++c, p += data.bitsPerSample / 8) {
                    data.channels[static_cast<std::size_t>(c)][f] = decode(p, data.bitsPerSample, data.floatingPoint);
                }
            }
            return true;
        }
        at = body + size + (size & 1);
    }
    error = path + " has no sample data";
    return false;
}

std::vector<std::uint8_t> encodeWav(const WavData& data)
{
    const auto channels = static_cast<std::uint16_t>(data.channels.size());
    const std::size_t frames = data.frames();
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(frames * channels * 4);
    std::vector<unsigned char> out;
    out.reserve(44 + std::size_t{dataBytes});
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    put(out, 36 + dataBytes, 4);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put(out, 16, 4);
    put(out, data.floatingPoint ? kFormatFloat : kFormatPcm, 2);
    put(out, channels, 2);
    const auto rate = static_cast<std::uint32_t>(data.sampleRate);
    put(out, rate, 4);
    put(out, rate * channels * 4u, 4);
    put(out, static_cast<std::uint16_t>(channels * 4), 2);
    put(out, 32, 2);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    put(out, dataBytes, 4);
    for (std::size_t f = 0; f < frames; ++f) {
        for (const std::vector<double>& channel : data.channels) {
            const double v = channel[f];
            if (data.floatingPoint) {
                put(out, std::bit_cast<std::uint32_t>(engine::toFloatSample(v)), 4);
            } else {
                const double scaled = std::isnan(v) ? 0.0 : std::nearbyint(v * 2147483648.0);
                const double held = std::fmin(std::fmax(scaled, -2147483648.0), 2147483647.0);
                put(out, static_cast<std::uint32_t>(static_cast<std::int32_t>(held)), 4);
            }
        }
    }
    return out;
}

bool writeWav(const std::string& path, const WavData& data)
{
    return static_cast<bool>(platform::replaceFile(path, encodeWav(data)));
}

}  // namespace kestrava::audio
