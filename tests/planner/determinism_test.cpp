// With a fixed sample budget the planner's answer depends only on the
// position and the seed: not on the thread count, not on what it did before.
#include <gtest/gtest.h>

#include <cstring>

#include "planner.h"

namespace {

using namespace planner;

GAMESTATE mid_end() {
    GAMESTATE state{};
    state.shot_number = 9;
    state.current_end = 3;
    state.last_end = 7;
    const StonePosition stones[] = {{2.375f, 4.88f}, {2.2f, 5.4f}, {3.0f, 4.2f},
                                    {2.4f, 7.9f},    {1.8f, 8.2f}, {2.6f, 3.6f},
                                    {2.1f, 4.6f},    {0.9f, 5.1f}, {2.5f, 5.9f}};
    for (int k = 0; k < 9; ++k) {
        state.stones[k] = stones[k];
    }
    return state;
}

Decision decide(Planner& planner) {
    const GameContext game{-1, 3, 7, {{true, 1}, {false, -1}, {true, 2}}};
    return planner.decide(mid_end(), game, SearchBudget{20000, 0.0});
}

TEST(PlannerDeterminism, SameAnswerOnOneAndFourThreadsAndTwiceInARow) {
    const SimulatorLoad load = load_simulator_at(PHYSICS_PATH);
    ASSERT_TRUE(load.loaded) << load.error;
    PlannerOptions options;
    options.seed = 77;
    options.threads = 1;
    Planner single(load.api, options);
    options.threads = 4;
    Planner four(load.api, options);

    const Decision first = decide(single);
    const Decision second = decide(four);
    const Decision again = decide(four);
    ASSERT_GE(first.chosen, 0);
    EXPECT_LE(first.simulations, 20000);
    EXPECT_GT(first.simulations, 15000);
    for (const Decision* other : {&second, &again}) {
        EXPECT_EQ(other->chosen, first.chosen);
        EXPECT_EQ(std::memcmp(&other->shot, &first.shot, sizeof first.shot), 0);
        EXPECT_EQ(other->simulations, first.simulations);
        ASSERT_EQ(other->candidates.size(), first.candidates.size());
        for (std::size_t c = 0; c < first.candidates.size(); ++c) {
            EXPECT_EQ(other->candidates[c].samples, first.candidates[c].samples);
            EXPECT_EQ(other->candidates[c].value, first.candidates[c].value)
                << first.candidates[c].candidate.label;
        }
    }
}

}  // namespace
