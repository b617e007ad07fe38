#include "apps/kestrava/DemoTake.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace kestrava::tool {

namespace {

constexpr double kPi = 3.141592653589793;

// A small linear congruential generator, so the take is the same on every
// target and library.
class Noise {
public:
    explicit Noise(std::uint32_t seed) : state_(seed) {}
    double next()
    {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<double>(state_) / 2147483648.0 - 1.0;
    }

private:
    std::uint32_t state_;
};

// A second-order section from the usual cookbook formulas, direct form I.
class Biquad {
public:
    static Biquad peak(double hz, double q, double db)
    {
        const double a = std::pow(10.0, db / 40.0);
        const double w = 2.0 * kPi * hz / kDemoRate;
        const double alpha = std::sin(w) / (2.0 * q);
        return Biquad(1.0 + alpha * a, -2.0 * std::cos(w), 1.0 - alpha * a, 1.0 + alpha / a, -2.0 * std::cos(w),
                      1.0 - alpha / a);
    }
    static Biquad highPass(double hz, double q)
    {
        const double w = 2.0 * kPi * hz / kDemoRate;
        const double alpha = std::sin(w) / (2.0 * q);
        const double c = std::cos(w);
        return Biquad((1.0 + c) / 2.0, -(1.0 + c), (1.0 + c) / 2.0, 1.0 + alpha, -2.0 * c, 1.0 - alpha);
    }
    static Biquad lowPass(double hz, double q)
    {
        const double w = 2.0 * kPi * hz / kDemoRate;
        const double alpha = std::sin(w) / (2.0 * q);
        const double c = std::cos(w);
        return Biquad((1.0 - c) / 2.0, 1.0 - c, (1.0 - c) / 2.0, 1.0 + alpha, -2.0 * c, 1.0 - alpha);
    }

    void run(std::vector<double>& signal)
    {
        for (double& x : signal) {
            const double y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
            x2_ = x1_;
            x1_ = x;
            y2_ = y1_;
            y1_ = y;
            x = y;
        }
    }

private:
    Biquad(double b0, double b1, double b2, double a0, double a1, double a2)
        : b0_(b0 / a0), b1_(b1 / a0), b2_(b2 / a0), a1_(a1 / a0), a2_(a2 / a0)
    {
    }
    double b0_, b1_, b2_, a1_, a2_;
    double x1_ = 0.0, x2_ = 0.0, y1_ = 0.0, y2_ = 0.0;
};

// One plucked string (Karplus-Strong): a noise burst circulating in a delay
// line of one period with a gentle averaging loss.
void pluck(std::vector<double>& out, int start, double hz, double level, Noise& noise)
{
    const int period = static_cast<int>(std::lround(kDemoRate / hz));
    std::vector<double> line(period);
    double smooth = 0.0;
    for (double& v : line) {
        smooth = 0.6 * smooth + 0.4 * noise.next();
        v = level * smooth;
    }
    const int length = std::min<int>(static_cast<int>(out.size()) - start, static_cast<int>(3.5 * kDemoRate));
    double previous = 0.0;
    for (int n = 0; n < length; ++n) {
        const int i = n % period;
        const double current = line[i];
        line[i] = 0.4985 * (current + previous);
        previous = current;
        out[start + n] += current;
    }
}

void normalisePeak(std::vector<double>& signal, double peak)
{
    double largest = 0.0;
    for (double x : signal)
        largest = std::max(largest, std::fabs(x));
    for (double& x : signal)
        x *= peak / largest;
}

double rms(const std::vector<double>& signal)
{
    double sum = 0.0;
    for (double x : signal)
        sum += x * x;
    return std::sqrt(sum / static_cast<double>(signal.size()));
}

// The plucked strings: the tune from the start of every kDemoFrames.
std::vector<double> strings(int frames)
{
    std::vector<double> out(static_cast<std::size_t>(frames), 0.0);
    Noise noise(20111);
    // A slow progression of strummed chords over two octaves, then single
    // notes up the neck: E2 A2 D3 G3 B3 E4 as open strings.
    const double open[] = {82.41, 110.0, 146.83, 196.0, 246.94, 329.63};
    const int fretted[][6] = {{0, 2, 2, 1, 0, 0}, {0, 0, 2, 2, 2, 0}, {3, 2, 0, 0, 0, 3}, {0, 0, 0, 2, 3, 2}};
    for (int round = 0; round * kDemoFrames < frames; ++round) {
        const int end = std::min(frames, (round + 1) * kDemoFrames);
        int at = round * kDemoFrames + static_cast<int>(0.05 * kDemoRate);
        for (int bar = 0; bar < 8 && at < end; ++bar) {
            const int* chord = fretted[bar % 4];
            for (int s = 0; s < 6; ++s)
                pluck(out, at + s * 700, open[s] * std::pow(2.0, chord[s] / 12.0), 0.6, noise);
            at += static_cast<int>(1.6 * kDemoRate);
        }
        for (int step = 0; step < 24 && at < end; ++step) {
            const int s = step % 6;
            pluck(out, at, open[s] * std::pow(2.0, (step % 7) / 12.0 * 2.0), 0.8, noise);
            at += static_cast<int>(0.36 * kDemoRate);
        }
    }
    return out;
}

// A small room: four delay lines mixed through a Hadamard matrix, each
// line's loss set for a reverberation time of 0.4 s, added to the dry sound.
void room(std::vector<double>& signal)
{
    constexpr int kLines = 4;
    const int delays[kLines] = {1117, 1543, 1877, 2269};
    constexpr double kReverbSeconds = 0.4;
    std::vector<double> lines[kLines];
    double loss[kLines];
    for (int i = 0; i < kLines; ++i) {
        lines[i].assign(static_cast<std::size_t>(delays[i]), 0.0);
        loss[i] = std::pow(10.0, -3.0 * delays[i] / (kReverbSeconds * kDemoRate));
    }
    int position[kLines] = {};
    for (double& x : signal) {
        double out[kLines];
        for (int i = 0; i < kLines; ++i)
            out[i] = lines[i][static_cast<std::size_t>(position[i])] * loss[i];
        const double mixed[kLines] = {0.5 * (out[0] + out[1] + out[2] + out[3]),
                                      0.5 * (out[0] - out[1] + out[2] - out[3]),
                                      0.5 * (out[0] + out[1] - out[2] - out[3]),
                                      0.5 * (out[0] - out[1] - out[2] + out[3])};
        const double dry = x;
        for (int i = 0; i < kLines; ++i) {
            lines[i][static_cast<std::size_t>(position[i])] = dry + mixed[i];
            position[i] = (position[i] + 1) % delays[i];
        }
        x = dry + 0.35 * (out[0] + out[1] + out[2] + out[3]);
    }
}

// Mains hum at 50 Hz with its second to fourth harmonics, `level` RMS.
void addHum(std::vector<double>& signal, double level)
{
    const double harmonics[] = {1.0, 0.5, 0.35, 0.2};
    double power = 0.0;
    for (double a : harmonics)
        power += a * a / 2.0;
    const double scale = level / std::sqrt(power);
    for (std::size_t n = 0; n < signal.size(); ++n) {
        const double t = static_cast<double>(n) / kDemoRate;
        for (int h = 0; h < 4; ++h)
            signal[n] += scale * harmonics[h] * std::sin(2.0 * kPi * 50.0 * (h + 1) * t + h);
    }
}

// White noise of `level` RMS (uniform noise has RMS 1/sqrt(3)).
void addNoise(std::vector<double>& signal, double level, Noise& noise)
{
    for (double& x : signal)
        x += level * std::sqrt(3.0) * noise.next();
}

}  // namespace

DemoTake makeSceneTake(DemoScene scene, int frames)
{
    DemoTake take;
    take.microphone = strings(frames);
    take.pickup = take.microphone;
    // Microphone: the body's air and plate resonances, a soft top end.
    Biquad::peak(102.0, 6.0, 12.0).run(take.microphone);
    Biquad::peak(215.0, 5.0, 7.0).run(take.microphone);
    Biquad::peak(480.0, 3.0, 4.0).run(take.microphone);
    Biquad::lowPass(7000.0, 0.7).run(take.microphone);
    // Pickup: no body, a thin bottom and the piezo's hard quack.
    Biquad::highPass(140.0, 0.9).run(take.pickup);
    Biquad::peak(2800.0, 1.4, 9.0).run(take.pickup);
    Biquad::peak(9000.0, 1.0, 5.0).run(take.pickup);
    if (scene == DemoScene::Stage) {
        room(take.microphone);
        // Levels relative to the instrument's own.
        Noise stage(50);
        addNoise(take.microphone, 0.01 * rms(take.microphone), stage);
        const double pickupLevel = rms(take.pickup);
        addHum(take.pickup, 0.05 * pickupLevel);
        addNoise(take.pickup, 0.005 * pickupLevel, stage);
    }
    // Both hear the room's faint hiss, so no band is empty.
    Noise hiss(7);
    for (int n = 0; n < frames; ++n) {
        take.microphone[n] += 2e-4 * hiss.next();
        take.pickup[n] += 1e-4 * hiss.next();
    }
    normalisePeak(take.microphone, 0.5);
    normalisePeak(take.pickup, 0.5);
    return take;
}

DemoTake makeDemoTake()
{
    return makeSceneTake(DemoScene::Studio, kDemoFrames);
}

}  // namespace kestrava::tool
