#include "strategy/geometry.h"

#include <cmath>

namespace {

// NaN counts as nothing, so a stone with a broken coordinate adds no term.
float non_negative(float value) {
    return value > 0.0f ? value : 0.0f;
}

// Every term is formed whole and then applied to the running sum: the
// plateau search downstream compares ratings exactly, so the order of the
// float operations is part of the rating.
float stone_term(bool last_stone_side, bool movers, float q) {
    if (!last_stone_side) {
        return movers ? 0.5f - (q * 0.2f) / EVAL_NORM_SQ : 1.5f - (q * 0.5f) / EVAL_NORM_SQ;
    }
    return 1.0f - (q * 0.5f) / EVAL_NORM_SQ;
}

float in_line_term(StonePosition a, StonePosition b) {
    const float across = (0.1f - std::fabs(a.x - b.x)) / 0.1f;
    const float along = 1.0f - (std::fabs(a.y - b.y) - 0.29f);
    return (non_negative(across) * 0.5f) * non_negative(along);
}

// Always called with the lower-indexed stone first, whichever of the two is
// the guard: the projection is of the higher-indexed stone.
float guard_term(StonePosition lower, StonePosition higher) {
    const float projection = (higher.x - TEE_X) * 0.15f;
    const float projected = projection + higher.x;
    const float offset = lower.x - projected;
    const float margin = 0.5f - std::fabs(offset);
    return non_negative(margin + margin) * 0.3f;
}

}  // namespace

float evaluate_position(const _GAMESTATE& state) {
    const std::int32_t n = state.shot_number;
    float sum = 0.0f;
    if (n < 0) {
        return sum;
    }
    // Only stones up to the last slot exist, whatever the record claims.
    const std::int32_t last = n < STONE_COUNT ? n : STONE_COUNT - 1;
    const std::int32_t mover_parity = n % 2;
    const bool last_stone_side = mover_parity == 1;
    bool house[STONE_COUNT];
    for (std::int32_t i = 0; i <= last; ++i) {
        const StonePosition stone = state.stones[i];
        house[i] = in_house(stone);
        if (!house[i]) {
            continue;
        }
        const bool movers = i % 2 == mover_parity;
        const float term = stone_term(last_stone_side, movers, tee_distance_sq(stone));
        sum = movers ? sum + term : sum - term;
    }
    for (std::int32_t i = 0; i <= last; ++i) {
        const StonePosition a = state.stones[i];
        if (a.x == 0.0f) {
            continue;
        }
        for (std::int32_t j = i + 1; j <= last; ++j) {
            const StonePosition b = state.stones[j];
            if (b.x == 0.0f) {
                continue;
            }
            float term = 0.0f;
            std::int32_t owner = 0;
            if (house[i] && house[j]) {
                term = in_line_term(a, b);
                owner = a.y > b.y ? i : j;
            } else if (house[i] && b.y > TEE_Y) {
                term = guard_term(a, b);
                owner = i;
            } else if (house[j] && a.y > TEE_Y) {
                term = guard_term(a, b);
                owner = j;
            } else {
                continue;
            }
            sum = owner % 2 == mover_parity ? sum + term : sum - term;
        }
    }
    return sum;
}

void order_stones_by_tee_distance(const _GAMESTATE& state, std::int32_t order[STONE_COUNT]) {
    for (std::int32_t k = 0; k < STONE_COUNT; ++k) {
        order[k] = k;
    }
    // A hostile "SETSTATE" can send any shot number; never sort past the
    // sixteen slots.
    std::int32_t thrown = state.shot_number;
    if (thrown < 0) {
        thrown = 0;
    } else if (thrown > STONE_COUNT) {
        thrown = STONE_COUNT;
    }
    for (std::int32_t k = 1; k < thrown; ++k) {
        for (std::int32_t m = k; m >= 1; --m) {
            if (!(tee_distance_sq(state.stones[order[m - 1]]) >
                  tee_distance_sq(state.stones[order[m]]))) {
                break;
            }
            const std::int32_t swap = order[m - 1];
            order[m - 1] = order[m];
            order[m] = swap;
        }
    }
}
