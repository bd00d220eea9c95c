// The planner must never lose on time: the plan keeps a reserve and spreads
// the rest over the stones still to throw, down to a quick shot.
#include <gtest/gtest.h>

#include "time_budget.h"
#include "turn.h"

namespace {

using namespace planner;

GAMESTATE at_shot(int shot, int end, int last_end) {
    GAMESTATE state{};
    state.shot_number = shot;
    state.current_end = end;
    state.last_end = last_end;
    return state;
}

TEST(TimePlan, SpreadsTheClockOverTheStonesLeftAndKeepsAReserve) {
    struct Case {
        int remaining_ms;
        int shot;
        int end;
        double move_ms;
        bool quick;
    };
    const Case cases[] = {
        {300000, 0, 0, 150.0, false},  // a long clock: the move time
        {20000, 0, 0, 150.0, false},   // a short one: still the move time at first
        {20000, 0, 0, 5000.0, false},  // a long move time is cut to the share
        {3000, 4, 6, 150.0, false},    // late and low: a share
        {700, 10, 7, 150.0, false},    // nearly gone: a small share
        {400, 10, 7, 150.0, true},     // inside the reserve: the quick shot
        {0, 0, 0, 150.0, true},
        {-5, 0, 0, 150.0, true},
    };
    for (const Case& c : cases) {
        const GAMESTATE state = at_shot(c.shot, c.end, 7);
        const TimePlan plan = plan_time(c.remaining_ms, state, c.move_ms);
        EXPECT_EQ(plan.quick, c.quick) << c.remaining_ms;
        if (plan.quick) {
            continue;
        }
        EXPECT_LE(plan.milliseconds, c.move_ms);
        // Thinking this long on every stone left still ends the game in time.
        EXPECT_LT(plan.milliseconds * stones_left(state), c.remaining_ms) << c.remaining_ms;
    }
}

// The stones of an end share the budget unevenly, but no stone may take
// more than the plan allows: --move-ms caps every shot.
TEST(TimePlan, NoStoneGetsMoreThanThePlanOrTheFixedBudget) {
    const TimePlan plan{false, 150.0};
    for (int shot = 0; shot < CURLING_STONES; ++shot) {
        const SearchBudget timed = shot_budget(shot, 0, plan);
        EXPECT_EQ(timed.simulations, 0) << shot;
        EXPECT_GT(timed.milliseconds, 0.0) << shot;
        EXPECT_LE(timed.milliseconds, plan.milliseconds) << shot;
        const SearchBudget fixed = shot_budget(shot, 52000, plan);
        EXPECT_GT(fixed.simulations, 0) << shot;
        EXPECT_LE(fixed.simulations, 52000) << shot;
        EXPECT_EQ(fixed.milliseconds, plan.milliseconds) << shot;
    }
}

}  // namespace
