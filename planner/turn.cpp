#include "turn.h"

#include <algorithm>

namespace planner {

int hammer_side(const GAMESTATE& state) {
    const int mover = state.moving_side == 1 ? 1 : 0;
    return (state.shot_number & 1) != 0 ? mover : 1 - mover;
}

namespace {

// No game scores more; the server's numbers are held within it, so that a
// bogus SCORE cannot overflow a sum (and the game stays decided).
constexpr int SCORE_BOUND = 1000;

int end_score(const GAMESTATE& state, int end) {
    return std::clamp(state.end_scores[end], -SCORE_BOUND, SCORE_BOUND);
}

std::vector<PastEnd> past_ends(const GAMESTATE& state, int end, int first_hammer_side) {
    if (first_hammer_side != 0 && first_hammer_side != 1) {
        return {};
    }
    const int mover = state.moving_side == 1 ? 1 : 0;
    std::vector<PastEnd> ends;
    int hammer = first_hammer_side;
    for (int e = 0; e < end && e < CURLING_MAX_ENDS; ++e) {
        const int score0 = end_score(state, e);
        ends.push_back(PastEnd{hammer == mover, hammer == 0 ? score0 : -score0});
        if (score0 != 0) {
            hammer = score0 > 0 ? 1 : 0;  // the team that scores throws first next
        }
    }
    if (hammer != hammer_side(state)) {
        return {};
    }
    return ends;
}

}  // namespace

GameContext game_around(const GAMESTATE& state, int first_hammer_side) {
    GameContext game;
    const int end = std::clamp(state.current_end, 0, CURLING_MAX_ENDS);
    int side0_lead = 0;
    for (int e = 0; e < end && e < CURLING_MAX_ENDS; ++e) {
        side0_lead += end_score(state, e);
    }
    game.lead = state.moving_side == 0 ? side0_lead : -side0_lead;
    game.end = end;
    game.last_end = std::max(std::clamp(state.last_end, 0, CURLING_MAX_ENDS - 1),
                             std::min(end, CURLING_MAX_ENDS - 1));
    game.past_ends = past_ends(state, end, first_hammer_side);
    return game;
}

std::int64_t stone_share(int shot, std::int64_t budget) {
    if (shot <= 1) {
        return budget / 6;
    }
    if (shot <= 7) {
        return budget / 3;
    }
    return budget;
}

SearchBudget shot_budget(int shot, std::int64_t sims, const TimePlan& time) {
    SearchBudget budget;
    budget.simulations = stone_share(shot, sims);
    budget.milliseconds =
        sims > 0 ? time.milliseconds
                 : static_cast<double>(
                       stone_share(shot, static_cast<std::int64_t>(time.milliseconds * 1000.0))) /
                       1000.0;
    return budget;
}

}  // namespace planner
