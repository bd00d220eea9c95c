// The free guard zone rule (ApplyFreeGuardZone in curling_simulator.h).
#pragma once

#include <cstdint>

#include "curling_simulator.h"

namespace curling::physics {

// Whether a stone lies in the free guard zone (in play, not in the house,
// touching or between the tee line and the hog line).
bool in_guard_zone(StonePosition p) noexcept;

// Whether a stone's edge reaches the centre line.
bool touches_centre_line(StonePosition p) noexcept;

// ApplyFreeGuardZone on non-null records; same results.
std::int32_t apply_free_guard_zone(const GAMESTATE& before, GAMESTATE& after, std::int32_t rule,
                                   std::uint32_t* restored) noexcept;

}  // namespace curling::physics
