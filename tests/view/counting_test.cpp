// The page rings the stones that count and says who counts as they lie; a
// rule that differed from the library's GetScore (the order of the single
// precision sums at the house's edge, the other side's nearest stone, a
// tie) would tell the reader an end score the record does not have.
#include <gtest/gtest.h>

#include <random>

#include "simulator/simulator_loader.h"
#include "view/counting.h"

namespace {

TEST(CountingStones, AgreeWithTheLibrarysScore) {
    static const SimulatorLoad load = load_simulator_at(PHYSICS_PATH);
    ASSERT_NE(load.api.GetScore, nullptr);
    std::mt19937_64 random(7);
    std::uniform_real_distribution<float> angle(0.0f, 6.2831853f);
    // Most stones near the house's reach, where the rule is decided.
    std::uniform_real_distribution<float> radius(0.0f, 2.2f);
    std::uniform_int_distribution<int> coin(0, 3);
    int scored = 0;
    for (int trial = 0; trial < 20000; ++trial) {
        GAMESTATE state{};
        state.shot_number = 15;
        state.moving_side = static_cast<std::uint8_t>(trial % 2);
        Position position{};
        for (int k = 0; k < CURLING_STONES; ++k) {
            if (coin(random) == 0) {
                continue;  // an empty slot
            }
            const float r = trial % 5 == 0 ? static_cast<float>(CURLING_HOUSE_REACH) : radius(random);
            const float a = angle(random);
            position[static_cast<std::size_t>(k)] =
                StonePosition{static_cast<float>(CURLING_CENTRE_X) + r * std::cos(a),
                              static_cast<float>(CURLING_TEE_Y) + r * std::sin(a)};
        }
        if (trial % 7 == 0) {
            position[3] = position[2];  // two opposing stones equally near
        }
        std::copy(position.begin(), position.end(), state.stones);
        const int first_side = 1 - state.moving_side;  // stone 15 is the second side's
        const int expected = load.api.GetScore(&state);
        EXPECT_EQ(counting_stones(position, first_side).score(), expected) << "trial " << trial;
        scored += expected != 0 ? 1 : 0;
    }
    EXPECT_GT(scored, 10000) << "positions where somebody counts";
}

}  // namespace
