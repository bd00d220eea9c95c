#include "strategy/choose_shot.h"

#include "strategy/geometry.h"
#include "strategy/last_stone_search.h"
#include "strategy/mid_end_search.h"
#include "strategy/shot_rules.h"

namespace {

void mid_end_rule(const _GAMESTATE& state, ShotVector* out, SearchTrace* trace) {
    if (early_shot_rule(state)) {
        *out = EARLY_SHOT_SPIN0;
        return;
    }
    mid_end_search(state, out, trace);
}

}  // namespace

void choose_shot(const _GAMESTATE* state, ShotVector* out, std::int32_t remaining_time,
                 SearchTrace* trace) {
    if (remaining_time < LOW_TIME_LIMIT) {
        low_time_shot(*state, out);
        return;
    }
    switch (state->shot_number) {
    case 0:
        *out = DEFAULT_SHOT;
        return;
    case 1:
        *out = EARLY_SHOT_SPIN0;
        return;
    case 2:
        hit_stone_one(*state, out);
        return;
    case 3:
        if (!in_house(state->stones[0]) && !in_house(state->stones[2])) {
            *out = EARLY_SHOT_SPIN1;
            return;
        }
        mid_end_rule(*state, out, trace);
        return;
    case 15:
        last_stone_search(*state, out, trace);
        return;
    default:
        if (state->shot_number >= 4 && state->shot_number <= 14) {
            mid_end_rule(*state, out, trace);
            return;
        }
        *out = DEFAULT_SHOT;
        return;
    }
}
