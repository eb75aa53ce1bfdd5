// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>

// The program's one source of chance (the practice order). Draws are
// uniform in [0, 1). The practice window seeds it from the clock each time
// it opens; tests pin the seed so an order can be foreseen.
namespace Random {

// The next draw, uniform in [0, 1).
double next();

// Starts the sequence anew from this seed.
void seed(std::uint64_t value);

// Seeds from the clock in nanoseconds, mixed with a count of calls, so two
// seedings in the same second (or on a coarse clock) never give the same
// sequence. While a seed is pinned, that seed is used instead.
void seedFromClock();

// Tests: makes every following seedFromClock() use this seed; an empty value
// lets the clock decide again.
void pinSeed(std::optional<std::uint64_t> value);

} // namespace Random
