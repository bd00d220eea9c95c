#pragma once

#include <cstdint>

#include "curling_simulator.h"
#include "strategy/sweep_selection.h"

// The one entry of shot selection: fills all three fields of `out`. `trace`,
// when given, receives a copy of the ratings of the search that chose, and
// is left as it was when a fixed rule chose without searching.
void choose_shot(const _GAMESTATE* state, ShotVector* out, std::int32_t remaining_time,
                 SearchTrace* trace = nullptr);
