#pragma once

#include "engine/game_state.h"

// Shot 15: a simulated sweep rated by the end score.
void last_stone_search(const _GAMESTATE& state, ShotVector* out);
