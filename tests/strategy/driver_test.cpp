#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "strategy/choose_shot.h"
#include "strategy/geometry.h"
#include "strategy/shot_rules.h"
#include "testing/doubles/double_fixture.h"

namespace {

constexpr std::int32_t FULL_TIME = 600000;

class Driver : public DoubleTest {
protected:
    ShotVector decide(const _GAMESTATE& state, std::int32_t time = FULL_TIME) {
        ShotVector out{123.0f, 456.0f, 7};
        choose_shot(&state, &out, time);
        return out;
    }

    static DoubleCall only_call() {
        const std::vector<DoubleCall> calls = recorded_calls();
        EXPECT_EQ(calls.size(), 1u);
        return calls.empty() ? DoubleCall{} : calls.front();
    }

    static void expect_draw(const DoubleCall& call, float x, float y, std::uint8_t spin) {
        EXPECT_EQ(call.kind, DOUBLE_CREATE_SHOT);
        EXPECT_EQ(call.target.x, x);
        EXPECT_EQ(call.target.y, y);
        EXPECT_EQ(call.target.spin, spin);
    }

    static void expect_hit(const DoubleCall& call, float x, float y, std::uint8_t spin,
                           float strength) {
        EXPECT_EQ(call.kind, DOUBLE_CREATE_HIT_SHOT);
        EXPECT_EQ(call.target.x, x);
        EXPECT_EQ(call.target.y, y);
        EXPECT_EQ(call.target.spin, spin);
        EXPECT_EQ(call.strength, strength);
    }
};

TEST_F(Driver, TimeLimitSplitsLowTimeFromFullPlay) {
    // Shot 0 in full play is a fixed shot with no simulator call; the
    // low-time rule always asks the simulator for a shot.
    const _GAMESTATE state = empty_state(0);
    EXPECT_TRUE(same_shot(decide(state, 6000), DEFAULT_SHOT));
    EXPECT_EQ(double_call_count(), 0);
    for (std::int32_t time : {5999, 0, -1, -2147483647 - 1}) {
        double_reset();
        const ShotVector out = decide(state, time);
        expect_draw(only_call(), TEE_X, TEE_Y, 0);
        EXPECT_TRUE(same_shot(out, ShotVector{TEE_X, TEE_Y, 0})) << time;
    }
}

TEST_F(Driver, FixedShotsAndOutOfRangeShotNumbers) {
    for (std::int32_t shot : {0, -1, 16, 1000, -2147483647 - 1}) {
        EXPECT_TRUE(same_shot(decide(empty_state(shot)), DEFAULT_SHOT)) << shot;
    }
    EXPECT_TRUE(same_shot(decide(empty_state(1)), EARLY_SHOT_SPIN0));
    EXPECT_EQ(double_call_count(), 0);
    // The exact floats the reply prints.
    EXPECT_EQ(DEFAULT_SHOT.vx, -3.33f);
    EXPECT_EQ(DEFAULT_SHOT.vy, -33.3f);
    EXPECT_EQ(EARLY_SHOT_SPIN1.vx, 0.8f);
    EXPECT_EQ(EARLY_SHOT_SPIN1.spin, 1);
}

TEST_F(Driver, ShotThreeDrawsWhenTheOpponentHasNothingInTheHouse) {
    _GAMESTATE state = empty_state(3);
    state.stones[0] = StonePosition{TEE_X, 9.0f};
    state.stones[1] = StonePosition{TEE_X, TEE_Y};  // own stone: not looked at
    state.stones[2] = StonePosition{1.0f, 2.0f};
    EXPECT_TRUE(same_shot(decide(state), EARLY_SHOT_SPIN1));
    EXPECT_EQ(double_call_count(), 0);
}

TEST_F(Driver, ShotTwoHitsStoneOneHardInTheHouse) {
    _GAMESTATE state = empty_state(2);
    state.stones[1] = StonePosition{TEE_X, TEE_Y};
    const ShotVector out = decide(state);
    expect_hit(only_call(), 2.375f, 4.88f, 0, 16.0f);
    // The double's answer passes through unchanged.
    EXPECT_TRUE(same_shot(out, ShotVector{2.375f, 4.88f, 0}));
}

TEST_F(Driver, ShotTwoHitsSoftlyInwardOutsideTheHouse) {
    _GAMESTATE state = empty_state(2);
    state.stones[1] = StonePosition{2.375f, 8.0f};
    decide(state);
    expect_hit(only_call(), 2.375f - 0.1f, 8.0f, 0, 10.0f);

    double_reset();
    state.stones[1] = StonePosition{1.0f, 8.0f};
    decide(state);
    expect_hit(only_call(), 1.0f + 0.1f, 8.0f, 1, 10.0f);

    // On the house edge counts as outside: the soft hit, aimed inward.
    double_reset();
    state.stones[1] = StonePosition{0x1.c7ada8p+1f, 0x1.a66616p+1f};
    ASSERT_EQ(tee_distance_sq(state.stones[1]), HOUSE_REACH_SQ);
    decide(state);
    expect_hit(only_call(), 0x1.c7ada8p+1f - 0.1f, 0x1.a66616p+1f, 0, 10.0f);
}

TEST_F(Driver, LowTimeDrawsToTheTeeWhenNothingIsInTheHouse) {
    _GAMESTATE state = empty_state(9);
    state.stones[0] = StonePosition{TEE_X, 8.0f};
    state.stones[3] = StonePosition{1.0f, 9.0f};
    for (std::int32_t shot : {0, 1, 9, 15}) {
        double_reset();
        state.shot_number = shot;
        decide(state, 100);
        expect_draw(only_call(), 2.375f, 4.88f, 0);
    }
}

TEST_F(Driver, LowTimeGuardsOwnNearestStone) {
    _GAMESTATE state = empty_state(6);
    state.stones[0] = StonePosition{2.375f, 4.0f};  // own (even), nearest
    state.stones[1] = StonePosition{2.375f, 3.0f};
    decide(state, 100);
    expect_draw(only_call(), 2.375f, 6.0f, 1);

    double_reset();
    state.stones[0] = StonePosition{2.0f, 4.7f};
    decide(state, 100);
    expect_draw(only_call(), 2.0f, static_cast<float>(static_cast<double>(4.7f) + 2.0), 0);
}

TEST_F(Driver, LowTimeTakesOutTheOpponentsNearestStoneWithoutSimulating) {
    _GAMESTATE state = empty_state(7);
    state.stones[0] = StonePosition{2.1f, 4.3f};  // opponent's (even), nearest
    state.stones[1] = StonePosition{2.9f, 3.6f};
    state.stones[2] = StonePosition{TEE_X, 8.0f};
    const ShotVector out = decide(state, 5999);
    expect_hit(only_call(), 2.1f, 4.3f, 0, 16.0f);
    EXPECT_EQ(double_count_of(DOUBLE_SIMULATION), 0);
    EXPECT_TRUE(same_shot(out, ShotVector{2.1f, 4.3f, 0}));
}

TEST_F(Driver, LowTimeWithHostileShotNumbers) {
    _GAMESTATE state = empty_state(0);
    for (std::int32_t k = 0; k < STONE_COUNT; ++k) {
        state.stones[k] = StonePosition{TEE_X, TEE_Y + 0.1f * static_cast<float>(STONE_COUNT - k)};
    }
    // Beyond 16 every stone is sorted: stone 15 is nearest, the opponent's
    // for an even shot number.
    state.shot_number = 1000;
    decide(state, 0);
    expect_hit(only_call(), TEE_X, state.stones[15].y, 0, 16.0f);

    // Below 0 nothing is sorted and stone 0 is the one looked at; an odd
    // negative shot number owns no stone, an even one owns stone 0.
    double_reset();
    state.shot_number = -7;
    decide(state, 0);
    expect_hit(only_call(), TEE_X, state.stones[0].y, 0, 16.0f);
    double_reset();
    state.shot_number = -8;
    decide(state, 0);
    expect_draw(only_call(), TEE_X, static_cast<float>(static_cast<double>(state.stones[0].y) + 2.0),
                1);
}

}  // namespace
