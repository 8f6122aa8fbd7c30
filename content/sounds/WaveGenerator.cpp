// SPDX-License-Identifier: MIT
// Build tool: synthesises the game's six cue sounds as 16-bit PCM mono wave
// files. Deterministic: the same source always gives the same bytes.
//
// Usage: WaveGenerator OUTPUT_DIRECTORY
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int Rate = 22050;
constexpr double Pi = 3.14159265358979323846;

using Signal = std::vector<double>;

Signal silence(double seconds)
{
    return Signal(size_t(seconds * Rate), 0.0);
}

// Adds `tone(t)` shaped by `envelope(t / length)` from `at` seconds on.
void add(Signal &s, double at, double length, const std::function<double(double)> &tone,
         const std::function<double(double)> &envelope)
{
    const size_t first = size_t(at * Rate);
    const size_t count = size_t(length * Rate);
    if (s.size() < first + count)
        s.resize(first + count, 0.0);
    for (size_t i = 0; i < count; ++i) {
        const double t = double(i) / Rate;
        s[first + i] += tone(t) * envelope(t / length);
    }
}

// Quick attack, exponential decay.
std::function<double(double)> pluck(double attack, double decay)
{
    return [=](double x) {
        const double a = x < attack ? x / attack : 1.0;
        return a * std::exp(-decay * x);
    };
}

// Attack, sustain, release as fractions of the length.
std::function<double(double)> adsr(double attack, double release)
{
    return [=](double x) {
        if (x < attack)
            return x / attack;
        if (x > 1.0 - release)
            return std::max(0.0, (1.0 - x) / release);
        return 1.0;
    };
}

double note(int semitonesFromA4)
{
    return 440.0 * std::pow(2.0, semitonesFromA4 / 12.0);
}

// A deterministic noise source (a linear congruential generator).
struct Noise {
    uint32_t state = 0x2545F491u;
    double next()
    {
        state = state * 1664525u + 1013904223u;
        return double(state >> 8) / double(1u << 24) * 2.0 - 1.0;
    }
};

// Scales the signal so that its peak is `peak` (0..1 of full scale).
void normalise(Signal &s, double peak)
{
    double highest = 0;
    for (double v : s)
        highest = std::max(highest, std::abs(v));
    if (highest > 0)
        for (double &v : s)
            v *= peak / highest;
}

Signal ok()
{
    Signal s;
    // Two bright rising blips.
    for (auto [at, f] : {std::pair{0.0, note(15)}, std::pair{0.06, note(22)}})
        add(s, at, 0.16, [f](double t) { return std::sin(2 * Pi * f * t) + 0.3 * std::sin(4 * Pi * f * t); },
            pluck(0.02, 6));
    normalise(s, 0.5);
    return s;
}

Signal ng()
{
    Signal s;
    // A low, slightly detuned buzz falling in pitch.
    add(s, 0, 0.32,
        [](double t) {
            const double f = 110.0 - 20.0 * t;
            double v = 0;
            for (int k = 1; k <= 7; k += 2)
                v += std::sin(2 * Pi * k * f * t) / k + std::sin(2 * Pi * k * (f * 1.01) * t) / (2 * k);
            return v;
        },
        adsr(0.03, 0.35));
    normalise(s, 0.45);
    return s;
}

Signal down()
{
    Signal s;
    // A short soft tick: heard five times a second, so quiet and dull.
    add(s, 0, 0.045, [](double t) { return std::sin(2 * Pi * 520 * t) * std::exp(-t * 60); }, pluck(0.05, 3));
    normalise(s, 0.18);
    return s;
}

Signal red()
{
    Signal s;
    Noise noise;
    double low = 0;
    // Noise through a low-pass that closes as the blast fades, over a thump.
    add(s, 0, 0.48,
        [&](double t) {
            const double cutoff = 0.5 * std::exp(-t * 6) + 0.02;
            low += cutoff * (noise.next() - low);
            return low * 3 + 0.8 * std::sin(2 * Pi * (60 - 30 * t) * t) * std::exp(-t * 8);
        },
        pluck(0.01, 5));
    normalise(s, 0.55);
    return s;
}

Signal blue()
{
    Signal s = silence(2.0);
    // A freezing shimmer: bell partials in a falling arpeggio, trembling.
    const int steps[] = {27, 24, 20, 15, 12, 8};
    for (int i = 0; i < 6; ++i) {
        const double f = note(steps[i]);
        add(s, i * 0.22, 2.0 - i * 0.22,
            [f](double t) {
                const double tremolo = 0.75 + 0.25 * std::sin(2 * Pi * 9 * t);
                return tremolo * (std::sin(2 * Pi * f * t) + 0.4 * std::sin(2 * Pi * f * 2.76 * t));
            },
            pluck(0.01, 3.5));
    }
    normalise(s, 0.45);
    return s;
}

Signal highScore()
{
    Signal s;
    // A fanfare: a rising call answered by a held chord.
    struct Note {
        double at, length;
        int pitch;
    };
    const Note melody[] = {
        {0.00, 0.18, 3},  {0.20, 0.18, 3},  {0.40, 0.18, 3},  {0.60, 0.55, 10}, {1.20, 0.18, 8},
        {1.40, 0.18, 10}, {1.60, 0.30, 12}, {1.95, 0.18, 10}, {2.15, 1.60, 15},
    };
    const auto brass = [](double f) {
        return [f](double t) {
            double v = 0;
            for (int k = 1; k <= 5; ++k)
                v += std::sin(2 * Pi * k * f * t + 0.3 * std::sin(2 * Pi * 5 * t)) / (k * k);
            return v;
        };
    };
    for (const Note &n : melody)
        add(s, n.at, n.length, brass(note(n.pitch)), adsr(0.08, 0.25));
    for (int pitch : {3, 7, 10})
        add(s, 2.15, 1.75, brass(note(pitch - 12)), adsr(0.1, 0.4));
    s.resize(size_t(4.0 * Rate), 0.0);
    normalise(s, 0.5);
    return s;
}

void putLE(std::string &out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(char((value >> (8 * i)) & 0xFF));
}

bool writeWave(const std::string &path, const Signal &s)
{
    std::string data;
    for (double v : s)
        putLE(data, uint32_t(uint16_t(int16_t(std::lround(std::clamp(v, -1.0, 1.0) * 32767)))), 2);
    std::string out = "RIFF";
    putLE(out, uint32_t(36 + data.size()), 4);
    out += "WAVEfmt ";
    putLE(out, 16, 4);
    putLE(out, 1, 2); // PCM
    putLE(out, 1, 2); // mono
    putLE(out, Rate, 4);
    putLE(out, Rate * 2, 4);
    putLE(out, 2, 2);
    putLE(out, 16, 2);
    out += "data";
    putLE(out, uint32_t(data.size()), 4);
    out += data;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(out.data(), std::streamsize(out.size()));
    return bool(file);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: WaveGenerator OUTPUT_DIRECTORY\n");
        return 2;
    }
    const std::string dir = argv[1];
    const std::pair<const char *, Signal> sounds[] = {
        {"OK.wav", ok()},   {"NG.wav", ng()},     {"Down.wav", down()},
        {"red.wav", red()}, {"bule.wav", blue()}, {"HighScore.wav", highScore()},
    };
    for (const auto &[name, signal] : sounds) {
        if (!writeWave(dir + "/" + name, signal)) {
            std::fprintf(stderr, "WaveGenerator: cannot write %s/%s\n", dir.c_str(), name);
            return 1;
        }
    }
    return 0;
}
