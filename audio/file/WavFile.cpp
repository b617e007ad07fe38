#include "audio/file/WavFile.h"

#include "audio/ByteOrder.h"
#include "engine/FloatSample.h"
#include "platform/FileAccess.h"

#include <algorithm>
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

// A chunk's name, printable for a message.
std::string chunkName(const unsigned char* chunk)
{
    std::string name(reinterpret_cast<const char*>(chunk), 4);
    for (char& c : name) {
        if (c < 0x20 || c > 0x7E) {
            c = '?';
        }
    }
    return name;
}

// Whether four bytes could be a chunk's name (printable ASCII).
bool looksLikeChunk(const unsigned char* chunk)
{
    return std::all_of(chunk, chunk + 4, [](unsigned char c) { return c >= 0x20 && c <= 0x7E; });
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

bool parseWav(std::span<const std::uint8_t> bytes, const std::string& path, WavData& data, std::string& error,
              const FramesWanted& framesWanted)
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
        const std::string id = chunkName(chunk);
        std::size_t size = le32(chunk + 4);
        const std::size_t body = at + 8;
        const std::size_t held = bytes.size() - body;
        const bool isFormat = id == "fmt ";
        const bool isData = id == "data";
        if (isData && !haveFormat) {
            error = path + " has its sample data before its format chunk";
            return false;
        }
        if (size > held) {
            // A writer that could not go back to fill in the length (a
            // stream) leaves the data chunk's at its largest.
            if (!(isData && size == 0xFFFFFFFFu)) {
                error = path + " ends early: its '" + id + "' chunk claims " + std::to_string(size)
                      + " bytes and the file holds " + std::to_string(held) + " of them";
                return false;
            }
            size = held;
        }
        if (isFormat) {
            if (size < 16) {
                error = path + " has a format chunk of " + std::to_string(size) + " bytes; a format takes 16";
                return false;
            }
            std::uint16_t format = le16(chunk + 8);
            channels = le16(chunk + 10);
            data.sampleRate = le32(chunk + 12);
            data.bitsPerSample = le16(chunk + 22);
            if (format == kFormatExtensible) {
                if (size < 26) {
                    error = path + " has an extensible format chunk of " + std::to_string(size)
                          + " bytes, too short to say its sample format";
                    return false;
                }
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
            // Frames are read as packed samples; a file that pads them
            // differently would be read as noise. (A frame too large for
            // the field is a channel count no reader takes; callers say so.)
            const std::size_t blockAlign = le16(chunk + 20);
            const std::size_t packed = static_cast<std::size_t>(channels) * (data.bitsPerSample / 8);
            if (blockAlign != packed && packed <= 0xFFFF) {
                error = path + " says a frame takes " + std::to_string(blockAlign) + " bytes; "
                      + std::to_string(channels) + " channels of " + std::to_string(data.bitsPerSample)
                      + " bits take " + std::to_string(packed);
                return false;
            }
            haveFormat = true;
        } else if (isData) {
            const std::size_t frameBytes = static_cast<std::size_t>(channels) * (data.bitsPerSample / 8);
            std::size_t frames = size / frameBytes;
            if (framesWanted)
                frames = std::min(frames, framesWanted(data.sampleRate));
            data.channels.assign(static_cast<std::size_t>(channels), std::vector<double>(frames));
            const unsigned char* p = bytes.data() + body;
            for (std::size_t f = 0; f < frames; ++f) {
                for (int c = 0; c < channels; ++c, p += data.bitsPerSample / 8) {
                    data.channels[static_cast<std::size_t>(c)][f] = decode(p, data.bitsPerSample, data.floatingPoint);
                }
            }
            return true;
        }
        const std::size_t next = body + size + (size & 1);
        // A writer that leaves out the pad byte after a chunk of odd length
        // puts the next chunk one byte early.
        if ((size & 1) != 0 && body + size + 8 <= bytes.size() && looksLikeChunk(bytes.data() + body + size)
            && !(next + 8 <= bytes.size() && looksLikeChunk(bytes.data() + next))) {
            error = path + " has a '" + id + "' chunk of odd length " + std::to_string(size)
                  + " without the pad byte that must follow it";
            return false;
        }
        at = next;
    }
    if (!haveFormat) {
        error = path + " has no format chunk";
    } else if (at < bytes.size() && at + 8 > bytes.size()) {
        error = path + " ends early, inside the header of a chunk";
    } else {
        error = path + " has no sample data";
    }
    return false;
}

std::vector<std::uint8_t> encodeWav(const WavData& data, int pcmBits)
{
    const int bits = data.floatingPoint || (pcmBits != 16 && pcmBits != 24) ? 32 : pcmBits;
    const int bytes = bits / 8;
    const double fullScale = std::ldexp(1.0, bits - 1);
    const auto channels = static_cast<std::uint16_t>(data.channels.size());
    const std::size_t frames = data.frames();
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(frames * channels * bytes);
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
    put(out, rate * channels * bytes, 4);
    put(out, static_cast<std::uint16_t>(channels * bytes), 2);
    put(out, static_cast<std::uint32_t>(bits), 2);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    put(out, dataBytes, 4);
    for (std::size_t f = 0; f < frames; ++f) {
        for (const std::vector<double>& channel : data.channels) {
            const double v = channel[f];
            if (data.floatingPoint) {
                put(out, std::bit_cast<std::uint32_t>(engine::toFloatSample(v)), 4);
            } else {
                const double scaled = std::isnan(v) ? 0.0 : std::nearbyint(v * fullScale);
                const double held = std::fmin(std::fmax(scaled, -fullScale), fullScale - 1.0);
                put(out, static_cast<std::uint32_t>(static_cast<std::int32_t>(held)), bytes);
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
