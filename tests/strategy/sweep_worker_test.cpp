#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <cstdint>
#include <utility>
#include <vector>

#include "strategy/geometry.h"
#include "strategy/sweep_selection.h"
#include "strategy/sweep_worker.h"
#include "testing/doubles/double_fixture.h"

namespace {

TEST(CandidateVx, GridValues) {
    EXPECT_EQ(sweep_vx(0), -3.5f);
    EXPECT_EQ(sweep_vx(279), 3.5f);
    EXPECT_EQ(sweep_vx(1), -3.4749105f);
    EXPECT_EQ(sweep_vx(139), -0.012544803f);
    EXPECT_EQ(sweep_vx(140), 0.012544803f);
    EXPECT_EQ(sweep_vx(59), -2.0197132f);
    EXPECT_EQ(sweep_vx(60), -1.9946237f);
    // The general form: two end points of any row.
    EXPECT_EQ(candidate_vx(0, 2, 1.25f, -0.5f), 1.25f);
    EXPECT_EQ(candidate_vx(1, 2, 1.25f, -0.5f), -0.5f);
}

// Rejected grid indices of one (spin, vy) row, as [first, last] ranges.
std::vector<std::pair<std::int32_t, std::int32_t>> rejected_ranges(std::uint8_t spin, float vy) {
    std::vector<std::pair<std::int32_t, std::int32_t>> ranges;
    for (std::int32_t i = 0; i < SWEEP_STEPS; ++i) {
        if (shot_allowed(ShotVector{sweep_vx(i), vy, spin})) {
            continue;
        }
        if (!ranges.empty() && ranges.back().second == i - 1) {
            ranges.back().second = i;
        } else {
            ranges.emplace_back(i, i);
        }
    }
    return ranges;
}

using Ranges = std::vector<std::pair<std::int32_t, std::int32_t>>;

TEST(ShotAllowed, RejectedRangesOverTheGrid) {
    EXPECT_EQ(rejected_ranges(1, -30.272512f), (Ranges{{0, 59}, {260, 279}}));
    EXPECT_EQ(rejected_ranges(1, -40.0f), (Ranges{{0, 39}, {260, 279}}));
    EXPECT_EQ(rejected_ranges(1, -48.78f), (Ranges{{0, 19}}));
    EXPECT_EQ(rejected_ranges(0, -30.272512f), (Ranges{{0, 19}, {220, 279}}));
    EXPECT_EQ(rejected_ranges(0, -40.0f), (Ranges{{0, 19}, {240, 279}}));
    EXPECT_EQ(rejected_ranges(0, -48.78f), (Ranges{{260, 279}}));
}

TEST(ShotAllowed, WindowBoundsAndBands) {
    EXPECT_TRUE(shot_allowed(ShotVector{-2.0f, -30.0f, 1}));
    EXPECT_TRUE(shot_allowed(ShotVector{3.0f, -30.0f, 1}));
    EXPECT_FALSE(shot_allowed(ShotVector{std::nextafter(3.0f, 4.0f), -30.0f, 1}));
    EXPECT_FALSE(shot_allowed(ShotVector{std::nextafter(-2.0f, -3.0f), -30.0f, 1}));
    // vy -35 is the middle band, vy -45 the fastest.
    EXPECT_TRUE(shot_allowed(ShotVector{-2.5f, -35.0f, 1}));
    EXPECT_FALSE(shot_allowed(ShotVector{-2.5f, std::nextafter(-35.0f, 0.0f), 1}));
    EXPECT_FALSE(shot_allowed(ShotVector{-2.75f, -35.0f, 1}));
    EXPECT_TRUE(shot_allowed(ShotVector{-3.0f, -45.0f, 1}));
    EXPECT_TRUE(shot_allowed(ShotVector{100.0f, -45.0f, 1}));
    EXPECT_FALSE(shot_allowed(ShotVector{100.0f, std::nextafter(-45.0f, 0.0f), 1}));
    EXPECT_FALSE(shot_allowed(ShotVector{-3.01f, -45.0f, 1}));
    EXPECT_TRUE(shot_allowed(ShotVector{-100.0f, -45.0f, 0}));
    // Spin 0 is the mirror image of spin 1.
    for (float vy : {-20.0f, -34.9f, -35.0f, -40.0f, -44.9f, -45.0f, -60.0f}) {
        for (float vx = -4.0f; vx <= 4.0f; vx += 0.125f) {
            EXPECT_EQ(shot_allowed(ShotVector{vx, vy, 0}), shot_allowed(ShotVector{-vx, vy, 1}))
                << vx << " " << vy;
        }
    }
}

using Workers = DoubleTest;

void place_on_tee(_GAMESTATE* state, ShotVector) {
    state->stones[state->shot_number] = StonePosition{TEE_X, TEE_Y};
}

TEST_F(Workers, EvaluationRatesTheThrownStoneAsTheMovers) {
    double_set_simulation_hook(place_on_tee);
    _GAMESTATE state = empty_state(4);
    state.current_end = 3;
    state.stones[1] = StonePosition{9.0f, 9.0f};
    const _GAMESTATE before = state;
    float slot = UNRATED;
    sweep_worker_evaluation(100, 3, 1, SWEEP_VX_MIN, SWEEP_VX_MAX, SWEEP_STEPS, -30.5f, &state,
                            &slot);
    // n = 4 is even: a mover's stone on the tee is worth 0.5. Were the
    // simulated shot number kept (5), it would read as the opponent's.
    EXPECT_EQ(slot, 0.5f);
    EXPECT_EQ(std::memcmp(&state, &before, sizeof state), 0);
    const std::vector<DoubleCall> calls = recorded_calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].kind, DOUBLE_SIMULATION);
    EXPECT_TRUE(same_shot(calls[0].shot, ShotVector{sweep_vx(100), -30.5f, 1}));
    EXPECT_EQ(calls[0].spread, 0.0f);
    EXPECT_EQ(calls[0].reserved, 0u);
    EXPECT_EQ(calls[0].limit, -1);
    EXPECT_EQ(std::memcmp(&calls[0].state, &before, sizeof before), 0);
}

TEST_F(Workers, RejectedCandidateIsNeitherSimulatedNorStored) {
    _GAMESTATE state = empty_state(4);
    float slot = UNRATED;
    // Index 0 of a slow spin-0 row: vx -3.5 lies outside the window.
    sweep_worker_evaluation(0, 2, 0, SWEEP_VX_MIN, SWEEP_VX_MAX, SWEEP_STEPS, -32.007206f, &state,
                            &slot);
    sweep_worker_score(0, 2, 0, SWEEP_VX_MIN, SWEEP_VX_MAX, SWEEP_STEPS, -32.007206f, &state,
                       &slot);
    EXPECT_EQ(slot, UNRATED);
    EXPECT_EQ(double_call_count(), 0);
}

// A simulation may leave any end and any earlier scores in its record.
void play_and_rewrite_the_game(_GAMESTATE* state, ShotVector shot) {
    state->stones[state->shot_number] = double_rest_position(shot);
    state->current_end = 8;
    state->end_scores[0] = 4;
}

TEST_F(Workers, ScoreWorkerRestoresTheRecordBeforeScoring) {
    double_set_simulation_hook(play_and_rewrite_the_game);
    _GAMESTATE state = empty_state(15);
    state.current_end = 3;
    state.moving_side = 1;
    double_set_score(-2);
    float slot = UNRATED;
    sweep_worker_score(140, 0, 0, SWEEP_VX_MIN, SWEEP_VX_MAX, SWEEP_STEPS, -30.0f, &state, &slot);
    // Side 1 to move: side 1 scoring two reads as +2.
    EXPECT_EQ(slot, 2.0f);
    const std::vector<DoubleCall> calls = recorded_calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].kind, DOUBLE_GET_SCORE);
    EXPECT_EQ(calls[1].state.shot_number, 15);
    EXPECT_EQ(calls[1].state.moving_side, 1);
    EXPECT_EQ(calls[1].state.current_end, 3);
    // The simulated stone stays where the simulation left it.
    const StonePosition thrown = double_rest_position(ShotVector{sweep_vx(140), -30.0f, 0});
    EXPECT_EQ(calls[1].state.stones[15].x, thrown.x);
    EXPECT_EQ(calls[1].state.stones[15].y, thrown.y);

    // The blank-end rule reads the end and the margin of the position played
    // from: end 2 with side 0 one behind keeps a blank at 0, where the
    // simulated record (end 8, side 0 three ahead) would make it 1.5.
    double_reset();
    double_set_simulation_hook(play_and_rewrite_the_game);
    state.current_end = 2;
    state.moving_side = 0;
    state.end_scores[0] = -1;
    slot = UNRATED;
    sweep_worker_score(140, 0, 0, SWEEP_VX_MIN, SWEEP_VX_MAX, SWEEP_STEPS, -30.0f, &state, &slot);
    EXPECT_EQ(slot, 0.0f);
    ASSERT_EQ(double_call_count(), 2);
    EXPECT_EQ(recorded_calls()[1].state.current_end, 2);
}

struct BlankCase {
    std::int32_t current_end;
    std::uint8_t moving_side;
    std::vector<std::int32_t> earlier_ends;
    std::int32_t score;
    float expected;
};

TEST(EndScoreRating, BlankEndRule) {
    const BlankCase cases[] = {
        {2, 0, {1, 0}, 0, 1.5f},   {2, 0, {-1, 0}, 0, 0.0f},  {6, 0, {0, 0, 0, 0, 0, -1}, 0, 1.5f},
        {3, 0, {1, 1, 0}, 0, 0.0f}, {3, 0, {-1, 0, 0}, 0, 0.0f}, {4, 0, {1, -1, 0, 0}, 0, 1.5f},
        {3, 0, {2, 0, 0}, 0, 0.0f}, {6, 0, {-2}, 0, 1.5f},      {5, 0, {-1}, 0, 0.0f},
        {0, 0, {}, 0, 1.5f},       {0, 1, {}, 0, 1.5f},        {2, 0, {5}, 3, 3.0f},
        {4, 0, {-5}, -1, -1.0f},   {8, 1, {}, 2, -2.0f},
        // Side 1 to move: the margin is negated.
        {2, 1, {-1, 0}, 0, 1.5f},  {2, 1, {1, 0}, 0, 0.0f},   {-2, 0, {}, 0, 1.5f},
    };
    for (const BlankCase& c : cases) {
        _GAMESTATE state{};
        state.current_end = c.current_end;
        state.moving_side = c.moving_side;
        for (std::size_t k = 0; k < c.earlier_ends.size(); ++k) {
            state.end_scores[k] = c.earlier_ends[k];
        }
        EXPECT_EQ(end_score_rating(c.score, state), c.expected)
            << "end " << c.current_end << " side " << int{c.moving_side} << " score " << c.score;
    }
}

TEST(EndScoreRating, HostileEndsStayInsideTheTenScores) {
    _GAMESTATE state{};
    state.current_end = 12;
    // Past the ten scores lie the side byte and stone 0; a read there would
    // see a negative margin.
    state.stones[0] = StonePosition{-1.0f, -1.0f};
    EXPECT_EQ(end_score_rating(0, state), 1.5f);
    // Ten huge scores do not wrap the margin round to negative.
    for (std::int32_t& score : state.end_scores) {
        score = 2147483647;
    }
    state.current_end = 10;
    EXPECT_EQ(end_score_rating(0, state), 1.5f);
    state.moving_side = 1;
    EXPECT_EQ(end_score_rating(0, state), 0.0f);
}

}  // namespace
