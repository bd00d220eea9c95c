#pragma once

#include <cstdint>

#include "curling_simulator.h"

// Below this remaining time the quick rule answers without any sweep.
inline constexpr std::int32_t LOW_TIME_LIMIT = 6000;

inline constexpr ShotVector DEFAULT_SHOT{-3.33f, -33.3f, 0};
inline constexpr ShotVector EARLY_SHOT_SPIN0{-0.8f, -28.0f, 0};
inline constexpr ShotVector EARLY_SHOT_SPIN1{0.8f, -28.0f, 1};

inline constexpr float FULL_HIT_STRENGTH = 16.0f;
inline constexpr float SOFT_HIT_STRENGTH = 10.0f;
inline constexpr float HIT_AIM_OFFSET = 0.1f;
// Added to a float y in double precision: the guard draw's aim point is the
// double sum rounded once.
inline constexpr double GUARD_DRAW_OFFSET = 2.0;

// Shot 2: hit the opponent's only stone, softly and aimed inward when it
// lies outside the house.
void hit_stone_one(const _GAMESTATE& state, ShotVector* out);

// The quick rule: one ordering pass and one shot-maker call, no simulation.
void low_time_shot(const _GAMESTATE& state, ShotVector* out);

// A full-strength spin-0 hit on the stone `stone_index` (0..15).
void try_takeout(const _GAMESTATE& state, std::int32_t stone_index, ShotVector* out);
