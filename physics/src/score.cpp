#include "score.h"

namespace curling::physics {

int score_end(const GAMESTATE& state) noexcept {
    // Single precision, in the order of the player's in_house predicate, so
    // the two agree on every stone at the 1.975 m edge.
    constexpr float TEE_XF = static_cast<float>(CURLING_CENTRE_X);
    constexpr float TEE_YF = static_cast<float>(CURLING_TEE_Y);
    constexpr float REACH_SQ = static_cast<float>(CURLING_HOUSE_REACH_SQ);
    static_assert(TEE_XF == 2.375f && TEE_YF == 4.88f && REACH_SQ == 3.900625f);
    const unsigned mover = state.moving_side != 0 ? 1u : 0u;
    const unsigned parity = static_cast<unsigned>(state.shot_number) & 1u;
    float best[2] = {REACH_SQ, REACH_SQ};
    float d2[16];
    bool in[16];
    unsigned side[16];
    for (int k = 0; k < 16; ++k) {
        const float dx = state.stones[k].x - TEE_XF;
        const float dy = state.stones[k].y - TEE_YF;
        d2[k] = dy * dy + dx * dx;
        in[k] = d2[k] < REACH_SQ;  // false for NaN
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
