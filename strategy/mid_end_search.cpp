#include "strategy/mid_end_search.h"

#include "strategy/shot_rules.h"

// Placeholder until the sweep lands: no early shot, the default shot.
bool early_shot_rule(const _GAMESTATE&) {
    return false;
}

void mid_end_search(const _GAMESTATE&, ShotVector* out) {
    *out = DEFAULT_SHOT;
}
