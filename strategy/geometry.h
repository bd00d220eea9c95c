#pragma once

#include <cstdint>

#include "curling_simulator.h"

// Sheet coordinates in metres, the public header's; delivered stones travel
// toward decreasing y, so a larger y lies nearer the thrower.
using curling::HOUSE_REACH_SQ;
using curling::TEE_X;
using curling::TEE_Y;
// The evaluation was tuned against exactly these floats.
static_assert(TEE_X == 2.375f && TEE_Y == 4.88f && HOUSE_REACH_SQ == 3.900625f);
// One float step above the float nearest 4.4944; the evaluation was tuned
// against exactly this divisor.
inline constexpr float EVAL_NORM_SQ = 4.4944005f;

inline constexpr std::int32_t STONE_COUNT = CURLING_STONES;

// Squared distance from the tee and the house rule, both the score's own:
// the evaluation counts exactly the stones GetScore counts.
using curling::in_house;
using curling::tee_distance_sq;

// Rating of the position for the side that throws stone `shot_number`,
// higher is better. Reads stones 0..shot_number only; a negative
// `shot_number` rates 0.0.
float evaluate_position(const _GAMESTATE& state);

// Fills `order` with 0..15 and sorts the thrown stones (the first
// `shot_number`, bounded to 0..16) from the tee outward; equal distances keep
// index order.
void order_stones_by_tee_distance(const _GAMESTATE& state, std::int32_t order[STONE_COUNT]);
