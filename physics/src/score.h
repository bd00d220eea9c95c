#pragma once

#include "curling_simulator.h"

namespace curling::physics {

// Squared distance of a stone from the tee, in single precision in the order
// of the player's in_house predicate, so every judge of the house agrees on
// every stone at the 1.975 m edge.
inline float tee_distance_sq(StonePosition p) noexcept {
    constexpr float TEE_XF = static_cast<float>(CURLING_CENTRE_X);
    constexpr float TEE_YF = static_cast<float>(CURLING_TEE_Y);
    static_assert(TEE_XF == 2.375f && TEE_YF == 4.88f);
    const float dx = p.x - TEE_XF;
    const float dy = p.y - TEE_YF;
    return dy * dy + dx * dx;
}

inline constexpr float HOUSE_REACH_SQ_F = static_cast<float>(CURLING_HOUSE_REACH_SQ);
static_assert(HOUSE_REACH_SQ_F == 3.900625f);

// Whether a stone is in the house as GetScore counts it (false for NaN).
inline bool in_house(StonePosition p) noexcept { return tee_distance_sq(p) < HOUSE_REACH_SQ_F; }

// Score of the end as the stones lie, positive when side 0 scores (see
// GetScore in curling_simulator.h).
int score_end(const GAMESTATE& state) noexcept;

}  // namespace curling::physics
