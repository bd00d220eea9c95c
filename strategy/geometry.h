#pragma once

#include <cstdint>

#include "curling_simulator.h"

// Sheet coordinates in metres; delivered stones travel toward decreasing y,
// so a larger y lies nearer the thrower.
inline constexpr float TEE_X = static_cast<float>(CURLING_CENTRE_X);
inline constexpr float TEE_Y = static_cast<float>(CURLING_TEE_Y);
// 1.975 squared: a stone strictly inside this squared distance is in the house.
inline constexpr float HOUSE_REACH_SQ = static_cast<float>(CURLING_HOUSE_REACH_SQ);
// The evaluation was tuned against exactly these floats.
static_assert(TEE_X == 2.375f && TEE_Y == 4.88f && HOUSE_REACH_SQ == 3.900625f);
// One float step above the float nearest 4.4944; the evaluation was tuned
// against exactly this divisor.
inline constexpr float EVAL_NORM_SQ = 4.4944005f;

inline constexpr std::int32_t STONE_COUNT = CURLING_STONES;

// Squared distance of a point from the tee, in single precision.
inline float tee_distance_sq(StonePosition stone) {
    const float dx = stone.x - TEE_X;
    const float dy = stone.y - TEE_Y;
    return dy * dy + dx * dx;
}

// Strictly inside the house; the boundary and NaN coordinates are outside.
inline bool in_house(StonePosition stone) {
    return tee_distance_sq(stone) < HOUSE_REACH_SQ;
}

// Rating of the position for the side that throws stone `shot_number`,
// higher is better. Reads stones 0..shot_number only; a negative
// `shot_number` rates 0.0.
float evaluate_position(const _GAMESTATE& state);

// Fills `order` with 0..15 and sorts the thrown stones (the first
// `shot_number`, bounded to 0..16) from the tee outward; equal distances keep
// index order.
void order_stones_by_tee_distance(const _GAMESTATE& state, std::int32_t order[STONE_COUNT]);
