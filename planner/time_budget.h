#pragma once

#include <cstdint>

#include "curling_simulator.h"

namespace planner {

// How long to think about one shot. The clock is the side's whole game;
// the planner spreads what remains over the stones it still has to throw,
// keeps a reserve for the unexpected (a slow machine, extra ends), and
// plays a quick shot once the clock is nearly gone.
struct TimePlan {
    bool quick = false;        // play the quick shot, no search
    double milliseconds = 0.0; // search time otherwise
};

inline constexpr double QUICK_SHOT_BELOW_MS = 4.0;  // a search shorter than this is not worth it

// Stones this side still throws in the game, counting one extra end.
int stones_left(const GAMESTATE& state);

TimePlan plan_time(std::int32_t remaining_ms, const GAMESTATE& state, double move_ms);

}  // namespace planner
