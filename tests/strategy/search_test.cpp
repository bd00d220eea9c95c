#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "strategy/choose_shot.h"
#include "strategy/geometry.h"
#include "strategy/last_stone_search.h"
#include "strategy/mid_end_search.h"
#include "strategy/shot_rules.h"
#include "strategy/sweep_selection.h"
#include "strategy/sweep_worker.h"
#include "testing/doubles/double_fixture.h"

namespace {

constexpr std::int32_t FULL_TIME = 600000;

TEST(EarlyShotRule, OddEarlyShotsWithAnOpenHouse) {
    _GAMESTATE state = empty_state(5);
    state.stones[0] = StonePosition{TEE_X, TEE_Y};
    state.stones[1] = StonePosition{2.0f, 2.0f};  // behind the tee line: no guard
    state.stones[2] = StonePosition{0.875f, 8.0f};  // band edges are exclusive
    state.stones[3] = StonePosition{3.875f, 8.0f};
    state.stones[4] = StonePosition{0.5f, 9.0f};
    EXPECT_TRUE(early_shot_rule(state));
    for (std::int32_t shot : {3, 7, 9}) {
        state.shot_number = shot;
        EXPECT_TRUE(early_shot_rule(state)) << shot;
    }
    for (std::int32_t shot : {4, 6, 8, 10, 11, 13, 15, -1, 1001}) {
        state.shot_number = shot;
        EXPECT_FALSE(early_shot_rule(state)) << shot;
    }
    state.shot_number = 5;
    state.stones[4] = StonePosition{2.0f, 8.0f};  // a guard
    EXPECT_FALSE(early_shot_rule(state));
    state.stones[4] = StonePosition{2.6f, 4.2f};  // a second stone in the house
    EXPECT_FALSE(early_shot_rule(state));
    // Stones not yet thrown are not looked at.
    state.stones[4] = StonePosition{0.5f, 9.0f};
    state.stones[5] = StonePosition{2.0f, 8.0f};
    EXPECT_TRUE(early_shot_rule(state));
}

using Searches = DoubleTest;

TEST_F(Searches, EarlyShotRuleAnswersWithoutSimulating) {
    _GAMESTATE state = empty_state(3);
    state.stones[0] = StonePosition{TEE_X, TEE_Y};
    ShotVector out{};
    choose_shot(&state, &out, FULL_TIME);
    EXPECT_TRUE(same_shot(out, EARLY_SHOT_SPIN0));
    EXPECT_EQ(double_call_count(), 0);
}

TEST_F(Searches, MidEndSweepSimulatesTheWindowOnPrivateCopies) {
    _GAMESTATE state = empty_state(6);
    state.current_end = 2;
    state.stones[0] = StonePosition{TEE_X, TEE_Y};
    state.stones[1] = StonePosition{2.1f, 4.3f};
    const _GAMESTATE before = state;
    ShotVector out{};
    mid_end_search(state, &out);
    EXPECT_EQ(std::memcmp(&state, &before, sizeof state), 0);

    const std::vector<DoubleCall> calls = recorded_calls();
    std::map<std::pair<std::int32_t, float>, std::int32_t> per_row;
    std::int32_t simulations = 0;
    for (const DoubleCall& call : calls) {
        if (call.kind != DOUBLE_SIMULATION) {
            continue;
        }
        ++simulations;
        ++per_row[{call.shot.spin, call.shot.vy}];
        EXPECT_TRUE(shot_allowed(call.shot));
        const std::int32_t i = static_cast<std::int32_t>(
            std::lround((static_cast<double>(call.shot.vx) + 3.5) * 279.0 / 7.0));
        EXPECT_EQ(call.shot.vx, sweep_vx(i));
        EXPECT_EQ(call.spread, 0.0f);
        EXPECT_EQ(call.limit, -1);
        ASSERT_EQ(std::memcmp(&call.state, &before, sizeof before), 0);
    }
    EXPECT_EQ(simulations, 2560);
    for (std::int32_t spin = 0; spin < 2; ++spin) {
        EXPECT_EQ((per_row[{spin, MID_END_VY[0]}]), 260);
        EXPECT_EQ((per_row[{spin, MID_END_VY[1]}]), 220);
        for (std::int32_t r = 2; r < MID_END_ROWS; ++r) {
            EXPECT_EQ((per_row[{spin, MID_END_VY[r]}]), 200) << spin << " " << r;
        }
    }
}

// A shot pays off only in a narrow band of one row: the search must find it.
void tee_for_band_of_row_three(_GAMESTATE* state, ShotVector shot) {
    const bool in_band = shot.spin == 1 && shot.vy == MID_END_VY[3] &&
                         std::fabs(shot.vx - 1.0f) < 0.3f;
    state->stones[state->shot_number] =
        in_band ? StonePosition{TEE_X, TEE_Y} : StonePosition{0.0f, 0.0f};
}

TEST_F(Searches, MidEndPlaysTheMiddleOfTheBestBand) {
    double_set_recording(false);
    double_set_simulation_hook(tee_for_band_of_row_three);
    _GAMESTATE state = empty_state(8);
    ShotVector out{};
    choose_shot(&state, &out, FULL_TIME);
    EXPECT_EQ(out.vy, MID_END_VY[3]);
    EXPECT_EQ(out.spin, 1);
    EXPECT_TRUE(out.vx == sweep_vx(179) || out.vx == sweep_vx(180)) << out.vx;
    // The pre-set draw to the tee came first and was overwritten.
    EXPECT_EQ(double_count_of(DOUBLE_CREATE_SHOT), 1);
}

void nothing_stays_in_play(_GAMESTATE* state, ShotVector) {
    state->stones[state->shot_number] = StonePosition{0.0f, 0.0f};
}

TEST_F(Searches, MidEndWithEveryRatingEqualDrawsToTheTee) {
    double_set_recording(false);
    double_set_simulation_hook(nothing_stays_in_play);
    _GAMESTATE state = empty_state(4);
    ShotVector out{1.0f, 2.0f, 1};
    choose_shot(&state, &out, FULL_TIME);
    // The double answers a draw with its target.
    EXPECT_TRUE(same_shot(out, ShotVector{TEE_X, TEE_Y, 0}));
    EXPECT_EQ(double_count_of(DOUBLE_CREATE_SHOT), 1);
    EXPECT_EQ(double_count_of(DOUBLE_SIMULATION), 2560);
}

TEST_F(Searches, LastStoneWithNoJudgedRunPlaysTheLastRowsMiddle) {
    double_set_recording(false);
    double_set_score(0);
    _GAMESTATE state = empty_state(15);
    state.current_end = 1;  // odd: a blank end stays 0
    ShotVector out{};
    choose_shot(&state, &out, FULL_TIME);
    EXPECT_EQ(double_count_of(DOUBLE_SIMULATION), 3760);
    EXPECT_EQ(double_count_of(DOUBLE_GET_SCORE), 3761);
    EXPECT_EQ(out.vx, -0.012544803f);
    EXPECT_EQ(out.vy, -29.048021f);
    EXPECT_EQ(out.spin, 1);
}

// The simulated stone carries its shot: x = vx, y = vy, mirrored for spin 1.
void stone_records_the_shot(_GAMESTATE* state, ShotVector shot) {
    state->stones[state->shot_number] =
        StonePosition{shot.vx, shot.spin != 0 ? -shot.vy : shot.vy};
}

std::int32_t score_for_band_of_row_one(const _GAMESTATE* state) {
    const StonePosition stone = state->stones[15];
    const bool in_band = stone.y == LAST_STONE_VY[1] && std::fabs(stone.x + 1.0f) < 0.3f;
    // Side 1 to move: side 1 scoring is negative.
    return in_band ? -2 : 1;
}

TEST_F(Searches, LastStonePlaysTheMiddleOfTheScoringBand) {
    double_set_recording(false);
    double_set_simulation_hook(stone_records_the_shot);
    double_set_score_hook(score_for_band_of_row_one);
    _GAMESTATE state = empty_state(15);
    state.current_end = 3;
    state.moving_side = 1;
    ShotVector out{};
    choose_shot(&state, &out, FULL_TIME);
    EXPECT_EQ(out.vy, LAST_STONE_VY[1]);
    EXPECT_EQ(out.spin, 0);
    EXPECT_TRUE(out.vx == sweep_vx(99) || out.vx == sweep_vx(100)) << out.vx;
}

// Tools draw a decision from the trace: it must be the search that chose,
// with its arrays final, and must not change the choice.
TEST_F(Searches, TraceHoldsTheRatingsTheChoiceCameFrom) {
    struct Case {
        std::int32_t shot_number;
        const SweepSearch* search;
        void (*simulation)(_GAMESTATE*, ShotVector);
        std::int32_t (*score)(const _GAMESTATE*);
    };
    const Case cases[] = {
        {8, &MID_END_SEARCH, tee_for_band_of_row_three, nullptr},
        {15, &LAST_STONE_SEARCH, stone_records_the_shot, score_for_band_of_row_one},
    };
    for (const Case& c : cases) {
        double_reset();
        double_set_recording(false);
        double_set_simulation_hook(c.simulation);
        if (c.score != nullptr) {
            double_set_score_hook(c.score);
        }
        _GAMESTATE state = empty_state(c.shot_number);
        state.current_end = 3;
        state.moving_side = 1;
        ShotVector plain{};
        choose_shot(&state, &plain, FULL_TIME);
        SearchTrace trace;
        ShotVector traced{};
        choose_shot(&state, &traced, FULL_TIME, &trace);
        EXPECT_TRUE(same_shot(plain, traced)) << c.shot_number;
        ASSERT_EQ(trace.search, c.search) << c.shot_number;
        ASSERT_EQ(trace.grid.rows, c.search->rows);
        ASSERT_EQ(trace.swept.size(), trace.grid.raw_ratings.size());
        ShotVector reselected{};
        ASSERT_TRUE(select_plateau(trace.grid, c.search->row_vy, best_value(trace.grid),
                                   &reselected));
        EXPECT_TRUE(same_shot(reselected, traced)) << c.shot_number;
    }
}

TEST_F(Searches, DispatchReachesEachSearch) {
    double_set_recording(false);
    _GAMESTATE state = empty_state(3);
    state.stones[0] = StonePosition{TEE_X, TEE_Y};
    state.stones[2] = StonePosition{2.5f, 4.5f};
    ShotVector out{};
    choose_shot(&state, &out, FULL_TIME);
    EXPECT_EQ(double_count_of(DOUBLE_SIMULATION), 2560);
    EXPECT_EQ(double_count_of(DOUBLE_GET_SCORE), 0);

    // Low time never sweeps, not even for the last stone.
    double_reset();
    state.shot_number = 15;
    choose_shot(&state, &out, LOW_TIME_LIMIT - 1);
    EXPECT_EQ(double_count_of(DOUBLE_SIMULATION), 0);
    EXPECT_EQ(double_count_of(DOUBLE_GET_SCORE), 0);
}

}  // namespace
