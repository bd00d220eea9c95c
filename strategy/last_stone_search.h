#pragma once

#include <cstdint>

#include "curling_simulator.h"
#include "strategy/sweep_selection.h"

inline constexpr std::int32_t LAST_STONE_ROWS = 9;
inline constexpr float LAST_STONE_VY[LAST_STONE_ROWS] = {
    -48.78f,     -40.0f,     -33.7419f,   -30.680676f, -30.272512f,
    -29.96639f,  -29.558226f, -29.456186f, -29.048021f};
extern const RowMix LAST_STONE_MIXING[LAST_STONE_ROWS];
extern const SweepSearch LAST_STONE_SEARCH;

// The end score of the unchanged position, under the blank-end rule.
float last_stone_standing_rating(const _GAMESTATE& state);

// Shot 15: a simulated sweep rated by the end score. `trace`, when given,
// receives a copy of the ratings.
void last_stone_search(const _GAMESTATE& state, ShotVector* out, SearchTrace* trace = nullptr);
