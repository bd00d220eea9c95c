#pragma once

#include <cstdint>

#include "curling_simulator.h"
#include "planner.h"
#include "time_budget.h"

namespace planner {

// What the player makes of a "GO": the game as the side to move sees it,
// and what to spend on the shot. Shared with the tools that show the
// player's decisions, so they show the decision the player made.

// The side (0 or 1) with the hammer in the state's end: the one that throws
// the odd stones.
int hammer_side(const GAMESTATE& state);

// The game from the state: the mover's lead before this end, the end and
// the last regular end (never before the current one). Given the side that
// had the hammer in the first end, also the ends played before this one,
// each with its hammer; they are left out when they do not lead to this
// end's hammer (then they belong to some other game).
GameContext game_around(const GAMESTATE& state, int first_hammer_side = -1);

// The budget is what the last eight stones of an end get, where the house
// is crowded and a decision is worth the most and looks ahead the least
// far. The stones before get less: the first two a sixth, the next six a
// third (at half, stones 4 to 7 put the median think above the engine's).
std::int64_t stone_share(int shot, std::int64_t budget);

// The search budget of one shot: with a fixed number of simulated shots
// (`sims` > 0) the clock's share is only the time limit; without, the time
// is the budget, of which the stone gets its share.
SearchBudget shot_budget(int shot, std::int64_t sims, const TimePlan& time);

}  // namespace planner
