// With a fixed sample budget the planner's answer depends only on the
// position and the seed: not on the thread count, not on what it did before.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "planner.h"
#include "random.h"

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
    for (const int stratify : {0, 2}) {
        SCOPED_TRACE(stratify);
        PlannerOptions options;
        options.seed = 77;
        options.stratify = stratify;
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
}

// The stratified noise of a decision's first 256 samples fills a 16 x 16
// grid of every two of its uniforms with at most 4 points a cell (random
// draws put 5 or more in some cell in three decisions of five): a sequence
// that repeats a point, or two deliveries that move together, piles them up.
TEST(PlannerDeterminism, StratifiedNoiseCoversEveryPairOfItsUniformsEvenly) {
    constexpr int N = 256;
    for (const std::uint64_t seed : {1ULL, 77ULL, 0x9e3779b97f4a7c15ULL}) {
        for (const int deliveries : {1, 2}) {
            std::vector<std::array<double, 4>> points(N);
            for (int i = 0; i < N; ++i) {
                for (int k = 0; k < deliveries; ++k) {
                    const UniformPair p = stratified_noise(seed, i, k, deliveries);
                    ASSERT_GT(p.u, 0.0);
                    ASSERT_LE(p.u, 1.0);
                    ASSERT_GE(p.v, 0.0);
                    ASSERT_LT(p.v, 1.0);
                    points[static_cast<std::size_t>(i)][static_cast<std::size_t>(2 * k)] = p.u;
                    points[static_cast<std::size_t>(i)][static_cast<std::size_t>(2 * k + 1)] = p.v;
                }
            }
            for (int a = 0; a < 2 * deliveries; ++a) {
                for (int b = a + 1; b < 2 * deliveries; ++b) {
                    int cells[16][16] = {};
                    int most = 0;
                    for (const auto& p : points) {
                        const int x = std::min(15, static_cast<int>(p[static_cast<std::size_t>(a)] * 16));
                        const int y = std::min(15, static_cast<int>(p[static_cast<std::size_t>(b)] * 16));
                        most = std::max(most, ++cells[x][y]);
                    }
                    EXPECT_LE(most, 4) << "seed " << seed << ", deliveries " << deliveries
                                       << ", uniforms " << a << " and " << b;
                }
            }
        }
    }
}

}  // namespace
