#pragma once

#include "curling_simulator.h"

namespace curling::physics {

// Score of the end as the stones lie, positive when side 0 scores (see
// GetScore in curling_simulator.h).
int score_end(const GAMESTATE& state) noexcept;

}  // namespace curling::physics
