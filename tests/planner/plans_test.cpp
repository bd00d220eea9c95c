// A plan of clearing the house is weighed only where the game asks for a
// hitting game: offered everywhere it cost games.
#include <gtest/gtest.h>

#include <string>

#include "planner.h"

namespace {

using namespace planner;

bool offers_clearing(const Decision& decision) {
    for (const CandidateReport& report : decision.candidates) {
        if (report.candidate.plan == Plan::CLEAR) {
            return true;
        }
    }
    return false;
}

TEST(PlannerPlans, ClearingIsWeighedOnlyWhenAheadLateWithoutTheHammer) {
    const SimulatorLoad load = load_simulator_at(PHYSICS_PATH);
    ASSERT_TRUE(load.loaded) << load.error;
    PlannerOptions options;
    options.threads = 2;
    Planner planner(load.api, options);
    struct Case {
        int shot;
        int lead;
        int end;
        bool clearing;
    };
    const Case cases[] = {
        {4, 1, 7, true},    // ahead in the last end, the other team has the hammer
        {4, 2, 7, true},    // two ahead
        {4, 3, 7, false},   // three ahead: all but won, the ordinary search plays it
        {4, 1, 6, false},   // the end before: a point against is no loss yet
        {4, 0, 7, false},   // level: a steal is what counts
        {5, 1, 7, false},   // with the hammer
        {14, 1, 7, false},  // no stone of its own after the reply
    };
    for (const Case& c : cases) {
        GAMESTATE state{};
        state.shot_number = c.shot;
        state.current_end = c.end;
        state.last_end = 7;
        state.stones[1] = StonePosition{2.3f, 4.7f};  // the other team's stone in the house
        state.stones[0] = StonePosition{2.6f, 5.5f};
        const GameContext game{c.lead, c.end, 7, {}};
        const Decision decision = planner.decide(state, game, SearchBudget{3000, 0.0});
        EXPECT_EQ(offers_clearing(decision), c.clearing)
            << "shot " << c.shot << ", lead " << c.lead << ", end " << c.end;
    }
}

// Under the free guard zone every sampled execution is played as the
// server would leave it: a candidate that takes out a protected guard comes
// back with the guard in place. Without the rule, the same search removes
// it in some samples, which shows the position tempts the hits.
TEST(PlannerPlans, SamplesKeepProtectedGuardsUnderTheFreeGuardZone) {
    const SimulatorLoad load = load_simulator_at(PHYSICS_PATH);
    ASSERT_TRUE(load.loaded) << load.error;
    for (const int rule : {CURLING_RULE_NONE, CURLING_RULE_FIVE_ROCK}) {
        PlannerOptions options;
        options.threads = 2;
        options.rule = rule;
        Planner planner(load.api, options);
        GAMESTATE state{};
        state.shot_number = 2;
        state.last_end = 7;
        state.stones[1] = StonePosition{2.375f, 7.6f};  // the other team's centre guard
        state.stones[3] = StonePosition{2.3f, 4.9f};    // and its stone on the button
        const Decision decision =
            planner.decide(state, GameContext{0, 0, 7, {}}, SearchBudget{3000, 0.0}, true);
        int removed = 0;
        for (const CandidateReport& report : decision.candidates) {
            for (const auto& stones : report.outcomes) {
                removed += stones[1].x == 0.0f && stones[1].y == 0.0f ? 1 : 0;
            }
        }
        if (rule == CURLING_RULE_NONE) {
            EXPECT_GT(removed, 0) << "no sample took the guard out: the position proves nothing";
        } else {
            EXPECT_EQ(removed, 0) << "samples took a protected guard out of play";
        }
    }
}

}  // namespace
