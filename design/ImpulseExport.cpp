#include "design/ImpulseExport.h"

#include "engine/CorrectionFilter.h"
#include "engine/PortableMath.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>

namespace kestrava::design {

namespace {

constexpr double kTwoPi = 6.283185307179586;

// The cascade's exact magnitude at `hz`, from the coefficients the filter
// derives: each section passes x + ff (1 - z^-2) / (1 + fb1 z^-1 + fb2 z^-2) x.
double cascadeMagnitude(const engine::CorrectionFilter& filter, double hz)
{
    const engine::CascadeArrays& c = filter.arrays();
    const double w = kTwoPi * hz / filter.sampleRate();
    const std::complex<double> z1 = std::polar(1.0, -w);
    const std::complex<double> z2 = z1 * z1;
    std::complex<double> h = filter.outputScale();
    for (int i = 0; i < c.sectionCount; ++i)
        h *= 1.0 + c.feedForward[i] * (1.0 - z2) / (1.0 + c.feedback1[i] * z1 + c.feedback2[i] * z2);
    return std::abs(h);
}

// |sum of x[n] e^(-i w n)|, the phasor turned by one step per sample.
double responseMagnitude(std::span<const double> x, double w)
{
    const std::complex<double> step = std::polar(1.0, -w);
    std::complex<double> phasor = 1.0;
    std::complex<double> sum = 0.0;
    for (std::size_t n = 0; n < x.size(); ++n) {
        sum += x[n] * phasor;
        phasor *= step;
        // Renormalised now and then so rounding cannot grow over a million taps.
        if ((n & 4095) == 4095)
            phasor /= std::abs(phasor);
    }
    return std::abs(sum);
}

// Puts the response on the format's grid; integer formats are first scaled
// so the largest magnitude becomes kImpulsePeak.
void toFormat(ImpulseResponse& r)
{
    if (r.format == ImpulseFormat::Float32) {
        r.gain = 1.0;
        for (double& v : r.samples)
            v = static_cast<float>(v);
        return;
    }
    double peak = 0.0;
    for (double v : r.samples)
        peak = std::max(peak, std::fabs(v));
    r.gain = peak > 0.0 ? kImpulsePeak / peak : 1.0;
    const double steps = std::ldexp(1.0, impulseFormatBits(r.format) - 1);
    for (double& v : r.samples)
        v = std::nearbyint(v * r.gain * steps) / steps;
}

ImpulseResponse formatted(const engine::CorrectionSet& set, double rate, int taps, ImpulseFormat format)
{
    ImpulseResponse r;
    r.rate = rate;
    r.format = format;
    r.samples = cascadeImpulse(set, rate, taps);
    toFormat(r);
    return r;
}

ImpulseFidelity fidelityOf(const engine::CorrectionSet& set, const ImpulseResponse& r)
{
    return {impulseErrorDb(set, r.rate, r.samples, r.gain, 100.0, r.rate / 2),
            impulseErrorDb(set, r.rate, r.samples, r.gain, 40.0, 100.0)};
}

bool holds(const ImpulseFidelity& f)
{
    return f.aboveDb <= kImpulseToleranceDb && f.lowDb <= kImpulseToleranceDb;
}

// Digits with a comma every three places, as people write counts and rates.
std::string grouped(long long value)
{
    const std::string digits = std::to_string(value);
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            text += ',';
        text += digits[i];
    }
    return text;
}

}  // namespace

bool impulseRateSupported(double rate)
{
    return std::find(std::begin(kImpulseRates), std::end(kImpulseRates), rate) != std::end(kImpulseRates);
}

bool impulseTapsSupported(int taps)
{
    return taps >= kMinImpulseTaps && taps <= kMaxImpulseTaps;
}

bool parseImpulseFormat(const std::string& text, ImpulseFormat& format)
{
    if (text == "16")
        format = ImpulseFormat::Int16;
    else if (text == "24")
        format = ImpulseFormat::Int24;
    else if (text == "32f")
        format = ImpulseFormat::Float32;
    else
        return false;
    return true;
}

int impulseFormatBits(ImpulseFormat format)
{
    return format == ImpulseFormat::Int16 ? 16 : format == ImpulseFormat::Int24 ? 24 : 32;
}

std::vector<double> cascadeImpulse(const engine::CorrectionSet& set, double rate, int taps)
{
    engine::CorrectionFilter filter;
    filter.setCorrection(set, rate);
    std::vector<double> samples(static_cast<std::size_t>(taps), 0.0);
    samples[0] = 1.0;
    filter.processBlock(samples.data(), samples.data(), taps);
    const int fade = std::max(1, taps / 16);
    for (int n = 0; n < fade; ++n) {
        // From just under 1 down to just over 0, so no tap is cut to nothing.
        const double position = (n + 0.5) / fade;
        samples[static_cast<std::size_t>(taps - fade + n)] *= 0.5 + 0.5 * engine::portableCos(kTwoPi / 2 * position);
    }
    return samples;
}

double impulseErrorDb(const engine::CorrectionSet& set, double rate, std::span<const double> samples, double gain,
                      double lowHz, double highHz)
{
    engine::CorrectionFilter filter;
    filter.setCorrection(set, rate);
    double largest = 0.0;
    for (int i = 0; i < set.sectionCount; ++i) {
        const double hz = set.centreHz[static_cast<std::size_t>(i)];
        if (hz <= lowHz || hz > highHz || hz >= rate / 2)
            continue;
        const double exact = cascadeMagnitude(filter, hz);
        const double held = responseMagnitude(samples, kTwoPi * hz / rate) / gain;
        largest = std::max(largest, std::fabs(20.0 * std::log10(held / exact)));
    }
    return largest;
}

ImpulseResponse exportImpulseResponse(const engine::CorrectionSet& set, double rate, int taps, ImpulseFormat format)
{
    ImpulseResponse r = formatted(set, rate, taps, format);
    r.fidelity = fidelityOf(set, r);
    if (holds(r.fidelity))
        return r;
    r.suggestedTaps = 0;
    int longer = kMinImpulseTaps;
    while (longer <= taps)
        longer *= 2;
    for (; longer <= kMaxImpulseTaps; longer *= 2) {
        if (holds(fidelityOf(set, formatted(set, rate, longer, format)))) {
            r.suggestedTaps = longer;
            break;
        }
    }
    return r;
}

std::string describeImpulseFidelity(const ImpulseResponse& r)
{
    char errors[120];
    std::snprintf(errors, sizeof errors, " hold the correction within %.1f dB above 100 Hz, %.1f dB below",
                  r.fidelity.aboveDb, r.fidelity.lowDb);
    std::string text = grouped(static_cast<long long>(r.samples.size())) + " taps at "
                       + grouped(std::llround(r.rate)) + " Hz" + errors;
    if (r.suggestedTaps > 0)
        text += ": use " + grouped(r.suggestedTaps) + " taps for the low end";
    else if (r.suggestedTaps == 0)
        text += ": the low end needs more than " + grouped(kMaxImpulseTaps) + " taps";
    return text;
}

}  // namespace kestrava::design
