#pragma once

#include <cstdint>

#include "engine/game_state.h"

// The one entry of shot selection: fills all three fields of `out`.
void choose_shot(const _GAMESTATE* state, ShotVector* out, std::int32_t remaining_time);
