// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Random.h"

#include <chrono>
#include <random>

namespace {

struct Source
{
    std::mt19937_64 engine{0x5eed};
    std::optional<std::uint64_t> pinned;
    std::uint64_t seedings = 0;
};

Source &source()
{
    static Source s;
    return s;
}

// Spreads neighbouring inputs (clock readings a few ns apart) over the
// whole seed range.
std::uint64_t mix(std::uint64_t x)
{
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

} // namespace

namespace Random {

double next()
{
    // The top 53 bits make a double with every value a multiple of 2^-53,
    // so the result is never 1.0 (which a plain division could round to).
    return double(source().engine() >> 11) * 0x1.0p-53;
}

void seed(std::uint64_t value)
{
    source().engine.seed(value);
}

void seedFromClock()
{
    Source &s = source();
    ++s.seedings;
    if (s.pinned) {
        s.engine.seed(*s.pinned);
        return;
    }
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
                        std::chrono::system_clock::now().time_since_epoch())
                        .count();
    s.engine.seed(mix(std::uint64_t(ns)) ^ mix(s.seedings));
}

void pinSeed(std::optional<std::uint64_t> value)
{
    source().pinned = value;
}

} // namespace Random
