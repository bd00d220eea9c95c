#include "score.h"

namespace curling::physics {

int score_end(const GAMESTATE& state) noexcept {
    const unsigned mover = state.moving_side != 0 ? 1u : 0u;
    const unsigned parity = static_cast<unsigned>(state.shot_number) & 1u;
    float best[2] = {HOUSE_REACH_SQ_F, HOUSE_REACH_SQ_F};
    float d2[16];
    bool in[16];
    unsigned side[16];
    for (int k = 0; k < 16; ++k) {
        d2[k] = tee_distance_sq(state.stones[k]);
        in[k] = d2[k] < HOUSE_REACH_SQ_F;  // false for NaN
        side[k] = ((static_cast<unsigned>(k) & 1u) == parity) ? mover : 1u - mover;
        if (in[k] && d2[k] < best[side[k]]) best[side[k]] = d2[k];
    }
    if (!(best[0] < best[1]) && !(best[1] < best[0])) return 0;  // nobody in, or a tie
    const unsigned scorer = best[0] < best[1] ? 0u : 1u;
    const float other = best[1u - scorer];
    int count = 0;
    for (int k = 0; k < 16; ++k) {
        if (in[k] && side[k] == scorer && d2[k] < other) ++count;
    }
    return scorer == 0 ? count : -count;
}

}  // namespace curling::physics
