#pragma once

#include "engine/game_state.h"

// True when the fixed early shot is to be played instead of a search.
bool early_shot_rule(const _GAMESTATE& state);

// Shots 3 to 14: a simulated sweep rated by the position evaluation.
void mid_end_search(const _GAMESTATE& state, ShotVector* out);
