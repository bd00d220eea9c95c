#include "strategy/last_stone_search.h"

#include "strategy/shot_rules.h"

// Placeholder until the sweep lands.
void last_stone_search(const _GAMESTATE&, ShotVector* out) {
    *out = DEFAULT_SHOT;
}
