#include "strategy/mid_end_search.h"

#include "strategy/geometry.h"

// The fast rows stand alone; the four slow rows lean on their neighbours.
const RowMix MID_END_MIXING[MID_END_ROWS] = {
    {RowMixKind::COPIED, 0, {}, {}},
    {RowMixKind::COPIED, 0, {}, {}},
    {RowMixKind::MIXED, 2, {{2, 0}, {3, 9}}, {0, 9}},
    {RowMixKind::MIXED, 3, {{2, 9}, {3, 0}, {4, 8}}, {0, 8, 9}},
    {RowMixKind::MIXED, 3, {{3, 8}, {4, 0}, {5, 5}}, {0, 5, 8}},
    {RowMixKind::MIXED, 2, {{4, 5}, {5, 0}}, {0, 5}},
};

const SweepSearch MID_END_SEARCH{MID_END_ROWS, MID_END_VY, MID_END_MIXING,
                                 sweep_worker_evaluation};

bool early_shot_rule(const _GAMESTATE& state) {
    const std::int32_t n = state.shot_number;
    const std::int32_t thrown = n < STONE_COUNT ? n : STONE_COUNT;
    std::int32_t in_house_count = 0;
    bool guarded = false;
    for (std::int32_t i = 0; i < thrown; ++i) {
        const StonePosition stone = state.stones[i];
        if (in_house(stone)) {
            ++in_house_count;
        } else if (stone.x > GUARD_BAND_X_MIN && stone.x < GUARD_BAND_X_MAX && stone.y > TEE_Y) {
            guarded = true;
        }
    }
    return n % 2 == 1 && n <= EARLY_SHOT_LAST && in_house_count <= 1 && !guarded;
}

void mid_end_search(const _GAMESTATE& state, ShotVector* out, SearchTrace* trace) {
    SweepGrid grid(MID_END_ROWS);
    sweep_grid(MID_END_SEARCH, state, grid);
    const float standing_rating = evaluate_position(state);
    if (trace != nullptr) {
        trace->swept = grid.raw_ratings;
    }
    finish_search(MID_END_SEARCH, standing_rating, grid, out);
    if (trace != nullptr) {
        trace->search = &MID_END_SEARCH;
        trace->standing_rating = standing_rating;
        trace->grid = grid;
    }
}
