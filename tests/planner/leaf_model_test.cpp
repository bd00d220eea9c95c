// The fitted model of the rest of an end, and the look-ahead's use of it:
// a team swapped in the features or a side swapped in the value would turn
// the planner's preferences upside down without any crash.
#include <gtest/gtest.h>

#include "leaf_model.h"
#include "planner.h"

namespace {

using namespace planner;

double mean_hammer_score(const std::array<double, LEAF_CLASSES>& chances) {
    double mean = 0.0;
    double total = 0.0;
    for (int c = 0; c < LEAF_CLASSES; ++c) {
        mean += (LEAF_LOW + c) * chances[static_cast<std::size_t>(c)];
        total += chances[static_cast<std::size_t>(c)];
    }
    EXPECT_NEAR(total, 1.0, 1e-9);
    return mean;
}

// Fourteen stones thrown; `lying` three stones of one team around the tee,
// the other team's seven far to the side behind the house line.
GAMESTATE late_position(int lying_team) {
    GAMESTATE state{};
    state.shot_number = 14;
    const StonePosition near[] = {{2.375f, 4.9f}, {2.1f, 4.7f}, {2.6f, 5.1f}};
    int placed = 0;
    int far = 0;
    for (int k = 0; k < 14; ++k) {
        if ((k & 1) == lying_team && placed < 3) {
            state.stones[k] = near[placed++];
        } else if ((k & 1) != lying_team) {
            state.stones[k] = StonePosition{0.4f + 0.3f * static_cast<float>(far++), 9.5f};
        }
    }
    return state;
}

TEST(LeafModel, TheTeamLyingThreeLateIsExpectedToScore) {
    for (const bool player_has_hammer : {false, true}) {
        const double hammer_lies = mean_hammer_score(leaf_distribution(late_position(1), 14, player_has_hammer));
        const double other_lies = mean_hammer_score(leaf_distribution(late_position(0), 14, player_has_hammer));
        EXPECT_GT(hammer_lies, 1.5) << "player has the hammer: " << player_has_hammer;
        EXPECT_LT(other_lies, 0.0) << "player has the hammer: " << player_has_hammer;
    }
}

TEST(LeafModel, LevelInTheLastEndTheHammerWins) {
    const SimulatorLoad load = load_simulator_at(PHYSICS_PATH);
    ASSERT_TRUE(load.loaded) << load.error;
    PlannerOptions options;
    options.threads = 2;
    options.opponents = {options.opponents[0]};  // one model: no belief to learn
    Planner planner(load.api, options);
    for (const int shot : {4, 5}) {  // without, then with the hammer
        GAMESTATE state{};
        state.shot_number = shot;
        state.current_end = 7;
        state.last_end = 7;
        state.stones[0] = StonePosition{2.4f, 5.2f};
        state.stones[1] = StonePosition{2.2f, 8.0f};
        const Decision decision = planner.decide(state, GameContext{0, 7, 7, {}}, SearchBudget{3000, 0.0});
        const double value = decision.candidates[static_cast<std::size_t>(decision.chosen)].value;
        if ((shot & 1) != 0) {
            EXPECT_GT(value, 0.7) << "with the hammer";
        } else {
            EXPECT_LT(value, 0.5) << "without the hammer";
        }
    }
}

}  // namespace
