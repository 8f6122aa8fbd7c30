// SPDX-License-Identifier: MIT
// The program's one random generator: single-precision draws 0 <= r < 1.
#pragma once

#include <cstdint>
#include <random>

class RandomSource
{
public:
    explicit RandomSource(std::uint32_t seed = 5489u) : m_engine(seed) {}

    // Restarts the sequence from the clock and the system's entropy.
    void randomize();

    // A uniformly distributed value 0 <= r < 1 with 24 random bits: every
    // value is a multiple of 2^-24, so it never rounds up to 1.
    float next();

private:
    std::mt19937 m_engine;
};
