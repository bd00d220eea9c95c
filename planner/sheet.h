#pragma once

#include <array>
#include <cmath>
#include <cstdint>

#include "curling_simulator.h"

namespace planner {

// The sheet as the planner reasons about it: the public header's lines.
using curling::HOUSE_REACH;
using curling::STONE_RADIUS;
using curling::STONES;
using curling::TEE_X;
using curling::TEE_Y;
inline constexpr float HOG_Y = curling::HOG_LINE_Y;
inline constexpr float BACK_Y = curling::BACK_LINE_Y;
inline constexpr int LAST_SHOT = CURLING_STONES - 1;

inline bool stone_in_play(const StonePosition& stone) {
    return std::isfinite(stone.x) && std::isfinite(stone.y) &&
           !(stone.x == 0.0f && stone.y == 0.0f);
}

inline float tee_distance(const StonePosition& stone) {
    const float dx = stone.x - TEE_X;
    const float dy = stone.y - TEE_Y;
    return std::sqrt(dx * dx + dy * dy);
}

// The score's own house rule. A test of tee_distance(stone) < HOUSE_REACH,
// as the fitted model's features make, holds for exactly the same stones:
// the float square root is correctly rounded and monotonic, and its value
// is below HOUSE_REACH for exactly the floats below HOUSE_REACH_SQ.
using curling::in_house;

// Stones are thrown in index order and the two teams alternate, so a stone's
// team is the parity of its index; team 1 throws last (has the hammer).
inline int team_of(int stone) { return stone & 1; }

// What the scoring looks like right now, for rules that need no simulation.
struct HouseView {
    int count = 0;                 // stones in the house
    std::array<int, STONES> order{};  // their indices, nearest the tee first
    int shot_team() const { return count > 0 ? team_of(order[0]) : -1; }
    // Stones of the shot team nearer than the other team's nearest.
    int counting() const {
        int n = 0;
        while (n < count && team_of(order[n]) == team_of(order[0])) {
            ++n;
        }
        return n;
    }
};

HouseView view_house(const GAMESTATE& state);

// Score of the end as the stones lie, for team 0 (even stones), by the
// library's own GetScore so that the rules are exactly those of the match.
using ScoreFunction = decltype(&::GetScore);
int team0_score(ScoreFunction score, const GAMESTATE& state);

// True when no stone other than `target` lies within `width` of the nearly
// straight path of a fast stone to `target`.
bool path_open(const GAMESTATE& state, int target, float width = 0.30f);

}  // namespace planner
