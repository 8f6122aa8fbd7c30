// SPDX-License-Identifier: MIT
// The program's random generator.
#include "RandomSource.h"

#include <chrono>

void RandomSource::randomize()
{
    std::random_device device;
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    std::seed_seq seq{std::uint32_t(ticks), std::uint32_t(ticks >> 32), device()};
    m_engine.seed(seq);
}

float RandomSource::next()
{
    // std::generate_canonical may return 1.0f; 24 bits scaled by 2^-24 cannot.
    return float(m_engine() >> 8) * (1.0f / 16777216.0f);
}
