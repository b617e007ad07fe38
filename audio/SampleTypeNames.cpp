#include "audio/SampleTypeNames.h"

#include <algorithm>

namespace kestrava::audio {

namespace {

constexpr SampleTypeName kSampleTypes[] = {
    {"Int16LSB", ASIOSTInt16LSB},     {"Int24LSB", ASIOSTInt24LSB},     {"Int32LSB", ASIOSTInt32LSB},
    {"Float32LSB", ASIOSTFloat32LSB}, {"Float64LSB", ASIOSTFloat64LSB}, {"Int32LSB16", ASIOSTInt32LSB16},
    {"Int32LSB18", ASIOSTInt32LSB18}, {"Int32LSB20", ASIOSTInt32LSB20}, {"Int32LSB24", ASIOSTInt32LSB24},
    {"Int16MSB", ASIOSTInt16MSB},     {"Int24MSB", ASIOSTInt24MSB},     {"Int32MSB", ASIOSTInt32MSB},
    {"Float32MSB", ASIOSTFloat32MSB}, {"Float64MSB", ASIOSTFloat64MSB}, {"Int32MSB16", ASIOSTInt32MSB16},
    {"Int32MSB18", ASIOSTInt32MSB18}, {"Int32MSB20", ASIOSTInt32MSB20}, {"Int32MSB24", ASIOSTInt32MSB24},
};

}  // namespace

std::span<const SampleTypeName> sampleTypeNames()
{
    return kSampleTypes;
}

std::optional<ASIOSampleType> sampleTypeNamed(std::string_view name)
{
    const auto known = std::find_if(std::begin(kSampleTypes), std::end(kSampleTypes),
                                    [&](const SampleTypeName& t) { return name == t.name; });
    if (known == std::end(kSampleTypes)) {
        return std::nullopt;
    }
    return known->type;
}

}  // namespace kestrava::audio
