#pragma once

#include <cstdint>

#include "curling_simulator.h"
#include "strategy/sweep_selection.h"

// Guards stand strictly between these x, in front of the tee line.
inline constexpr float GUARD_BAND_X_MIN = 0.875f;
inline constexpr float GUARD_BAND_X_MAX = 3.875f;
// The last shot number the early shot can answer.
inline constexpr std::int32_t EARLY_SHOT_LAST = 9;

inline constexpr std::int32_t MID_END_ROWS = 6;
inline constexpr float MID_END_VY[MID_END_ROWS] = {-48.78f,      -40.0f,      -32.007206f,
                                                   -31.0888386f, -30.2725124f, -29.5582256f};
extern const RowMix MID_END_MIXING[MID_END_ROWS];
extern const SweepSearch MID_END_SEARCH;

// True when the fixed early shot is to be played instead of a search: an
// odd shot up to EARLY_SHOT_LAST, at most one stone in the house, no guard.
bool early_shot_rule(const _GAMESTATE& state);

// Shots 3 to 14: a simulated sweep rated by the position evaluation.
// `trace`, when given, receives a copy of the ratings.
void mid_end_search(const _GAMESTATE& state, ShotVector* out, SearchTrace* trace = nullptr);
