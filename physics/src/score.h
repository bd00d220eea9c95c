#pragma once

#include "curling_simulator.h"

namespace curling::physics {

// The house as the public header defines it (curling_in_house), so the
// score and every other judge of the house agree on every stone at the
// 1.975 m edge.
using curling::in_house;
using curling::tee_distance_sq;
inline constexpr float HOUSE_REACH_SQ_F = curling::HOUSE_REACH_SQ;
static_assert(curling::TEE_X == 2.375f && curling::TEE_Y == 4.88f && HOUSE_REACH_SQ_F == 3.900625f);

// Score of the end as the stones lie, positive when side 0 scores (see
// GetScore in curling_simulator.h).
int score_end(const GAMESTATE& state) noexcept;

}  // namespace curling::physics
