#include "strategy/last_stone_search.h"

#include "simulator/simulator_binding.h"

// Rows 3 to 8 lie 0, 4, 7, 11, 12 and 16 steps of 1/9.8 from row 3; two rows
// are weighted by the entry at their distance. Rows 7 and 8 only feed their
// neighbours and are never played.
const RowMix LAST_STONE_MIXING[LAST_STONE_ROWS] = {
    {RowMixKind::COPIED, 0, {}, {}},
    {RowMixKind::COPIED, 0, {}, {}},
    {RowMixKind::COPIED, 0, {}, {}},
    {RowMixKind::MIXED, 3, {{3, 0}, {4, 4}, {5, 7}}, {0, 4, 7}},
    {RowMixKind::MIXED, 5, {{3, 4}, {4, 0}, {5, 3}, {6, 7}, {7, 8}}, {0, 3, 4, 7, 8}},
    {RowMixKind::MIXED, 6, {{3, 7}, {4, 3}, {5, 0}, {6, 4}, {7, 5}, {8, 9}}, {0, 3, 4, 5, 7, 9}},
    {RowMixKind::MIXED, 5, {{4, 7}, {5, 4}, {6, 0}, {7, 1}, {8, 5}}, {0, 1, 4, 5, 7}},
    {RowMixKind::MINUS_TEN, 0, {}, {}},
    {RowMixKind::MINUS_TEN, 0, {}, {}},
};

const SweepSearch LAST_STONE_SEARCH{LAST_STONE_ROWS, LAST_STONE_VY, LAST_STONE_MIXING,
                                    sweep_worker_score};

float last_stone_standing_rating(const _GAMESTATE& state) {
    return end_score_rating(simulator.GetScore(&state), state);
}

void last_stone_search(const _GAMESTATE& state, ShotVector* out, SearchTrace* trace) {
    SweepGrid grid(LAST_STONE_ROWS);
    sweep_grid(LAST_STONE_SEARCH, state, grid);
    const float standing_rating = last_stone_standing_rating(state);
    if (trace != nullptr) {
        trace->swept = grid.raw_ratings;
    }
    finish_search(LAST_STONE_SEARCH, standing_rating, grid, out);
    if (trace != nullptr) {
        trace->search = &LAST_STONE_SEARCH;
        trace->standing_rating = standing_rating;
        trace->grid = grid;
    }
}
