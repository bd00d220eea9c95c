#include "sheet.h"

#include <algorithm>

namespace planner {

HouseView view_house(const GAMESTATE& state) {
    HouseView view;
    std::array<float, STONES> distance{};
    for (int k = 0; k < STONES; ++k) {
        if (in_house(state.stones[k])) {
            distance[k] = tee_distance(state.stones[k]);
            view.order[view.count++] = k;
        }
    }
    std::sort(view.order.begin(), view.order.begin() + view.count,
              [&](int a, int b) { return distance[a] < distance[b]; });
    return view;
}

int team0_score(ScoreFunction score, const GAMESTATE& state) {
    GAMESTATE scored = state;
    // Stone k belongs to moving_side when k has the parity of shot_number.
    scored.shot_number = STONES;
    scored.moving_side = 0;
    return score(&scored);
}

bool path_open(const GAMESTATE& state, int target, float width) {
    const StonePosition& aim = state.stones[target];
    const float release_x = TEE_X;
    const float release_y = curling::RELEASE_Y;
    for (int k = 0; k < STONES; ++k) {
        if (k == target || !stone_in_play(state.stones[k])) {
            continue;
        }
        const StonePosition& s = state.stones[k];
        if (s.y <= aim.y + 0.05f || s.y > release_y) {
            continue;
        }
        const float along = (s.y - aim.y) / (release_y - aim.y);
        const float path_x = aim.x + (release_x - aim.x) * along;
        if (std::fabs(s.x - path_x) < width) {
            return false;
        }
    }
    return true;
}

}  // namespace planner
