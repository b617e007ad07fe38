#include "apps/kestrava/AudioFile.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>

namespace kestrava::tool {

namespace {

std::uint32_t le32(const std::uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint16_t le16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void put16(std::vector<std::uint8_t>& out, std::uint16_t v)
{
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

bool hasExtension(const std::string& path, const char* extension)
{
    const std::size_t n = std::strlen(extension);
    if (path.size() < n)
        return false;
    return std::equal(path.end() - static_cast<std::ptrdiff_t>(n), path.end(), extension,
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

double decodeSample(const std::uint8_t* p, SampleKind kind, int bits)
{
    constexpr double scale = 1.0 / 2147483648.0;
    switch (kind) {
    case SampleKind::Float32: {
        float f;
        std::memcpy(&f, p, 4);
        return f;
    }
    case SampleKind::Float64: {
        double d;
        std::memcpy(&d, p, 8);
        return d;
    }
    case SampleKind::Integer:
        break;
    }
    std::uint32_t u = 0;
    if (bits == 8)
        u = static_cast<std::uint32_t>(p[0] ^ 0x80) << 24;  // 8-bit WAV is unsigned
    else
        for (int i = 0; i < bits / 8; ++i)
            u |= static_cast<std::uint32_t>(p[i]) << (32 - bits + 8 * i);
    return static_cast<std::int32_t>(u) * scale;
}

}  // namespace

bool decodeWav(const std::vector<std::uint8_t>& bytes, std::int64_t maxFrames, AudioData& audio,
               std::string& error)
{
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0
        || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
        error = "not a WAV file";
        return false;
    }
    int channels = 0;
    int bits = 0;
    int blockAlign = 0;
    SampleKind kind = SampleKind::Integer;
    bool haveFormat = false;
    std::size_t pos = 12;
    while (pos + 8 <= bytes.size()) {
        const std::uint8_t* chunk = bytes.data() + pos;
        const std::uint32_t size = le32(chunk + 4);
        const std::size_t body = pos + 8;
        const std::size_t available = bytes.size() - body;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (size < 16 || available < 16) {
                error = "damaged WAV format chunk";
                return false;
            }
            const std::uint8_t* f = bytes.data() + body;
            std::uint16_t tag = le16(f);
            channels = le16(f + 2);
            audio.sampleRate = le32(f + 4);
            blockAlign = le16(f + 12);
            bits = le16(f + 14);
            if (tag == 0xFFFE && size >= 26 && available >= 26)
                tag = le16(f + 24);  // the sub-format's leading code
            if (tag == 1 && (bits == 8 || bits == 16 || bits == 24 || bits == 32)) {
                kind = SampleKind::Integer;
            } else if (tag == 3 && bits == 32) {
                kind = SampleKind::Float32;
            } else if (tag == 3 && bits == 64) {
                kind = SampleKind::Float64;
            } else {
                error = "unsupported WAV sample format (format " + std::to_string(tag) + ", "
                      + std::to_string(bits) + " bits)";
                return false;
            }
            if (channels < 1 || blockAlign != channels * bits / 8 || audio.sampleRate <= 0.0) {
                error = "damaged WAV format chunk";
                return false;
            }
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) {
                error = "WAV data before its format";
                return false;
            }
            const std::int64_t frames = static_cast<std::int64_t>(std::min<std::size_t>(size, available)) / blockAlign;
            const std::int64_t used = std::min(frames, maxFrames);
            audio.kind = kind;
            audio.fileFrames = frames;
            audio.channels.assign(channels, std::vector<double>(static_cast<std::size_t>(used)));
            const std::uint8_t* p = bytes.data() + body;
            for (std::int64_t i = 0; i < used; ++i) {
                for (int c = 0; c < channels; ++c, p += bits / 8)
                    audio.channels[c][static_cast<std::size_t>(i)] = decodeSample(p, kind, bits);
            }
            return true;
        }
        pos = body + size + (size & 1);
    }
    error = haveFormat ? "WAV file without data" : "WAV file without format";
    return false;
}

bool readAudioFile(const std::string& path, std::int64_t maxFrames, AudioData& audio, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    if (!hasExtension(path, ".wav") && !hasExtension(path, ".wave"))
        return readWithDecoder(path, maxFrames, audio, error);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!decodeWav(bytes, maxFrames, audio, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

bool writeFloatWav(const std::string& path, double sampleRate,
                   const std::vector<std::vector<float>>& channels, std::string& error)
{
    const std::uint32_t count = static_cast<std::uint32_t>(channels.size());
    const std::uint32_t frames = count ? static_cast<std::uint32_t>(channels[0].size()) : 0;
    const std::uint32_t dataBytes = frames * count * 4;
    std::vector<std::uint8_t> out;
    out.reserve(44 + dataBytes);
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    put32(out, 36 + dataBytes);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(out, 16);
    put16(out, 3);
    put16(out, static_cast<std::uint16_t>(count));
    put32(out, static_cast<std::uint32_t>(sampleRate));
    put32(out, static_cast<std::uint32_t>(sampleRate) * count * 4);
    put16(out, static_cast<std::uint16_t>(count * 4));
    put16(out, 32);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    put32(out, dataBytes);
    for (std::uint32_t i = 0; i < frames; ++i) {
        for (const std::vector<float>& channel : channels) {
            std::uint32_t bitsOf;
            std::memcpy(&bitsOf, &channel[i], 4);
            put32(out, bitsOf);
        }
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()))) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

}  // namespace kestrava::tool
