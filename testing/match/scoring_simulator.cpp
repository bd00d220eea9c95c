// A stand-in physics library for the runner's tests: a shot comes to rest
// at a plain function of its velocity, and ends are scored by the rules
// (closest stones to the tee within the house), so games have winners,
// steals and blanks without real physics.
#include <cmath>
#include <cstdint>

#include "curling_simulator.h"

namespace {

using curling::HOUSE_REACH;
using curling::TEE_X;
using curling::TEE_Y;

float tee_distance(const StonePosition& stone) {
    return std::hypot(stone.x - TEE_X, stone.y - TEE_Y);
}

// Side and tee distance of stone k; false for an empty slot.
bool stone_in_play(const GAMESTATE& state, int k, int& owner, float& distance) {
    const StonePosition& stone = state.stones[k];
    if (stone.x == 0.0f && stone.y == 0.0f) {
        return false;
    }
    owner = k % 2 == state.shot_number % 2 ? state.moving_side : 1 - state.moving_side;
    distance = tee_distance(stone);
    return true;
}

}  // namespace

extern "C" {

CURLING_API int32_t Simulation(GAMESTATE* state, ShotVector shot, float, uint32_t, int32_t) {
    if (state->shot_number < 0 || state->shot_number >= 16) {
        return 0;
    }
    state->stones[state->shot_number] =
        StonePosition{TEE_X + shot.vx * 0.1f, TEE_Y + (shot.vy + 30.0f) * 0.5f};
    state->shot_number += 1;
    state->moving_side = state->moving_side == 0 ? 1 : 0;
    return 1;
}

CURLING_API int32_t CreateShot(ShotTarget target, ShotVector* out) {
    *out = ShotVector{(target.x - TEE_X) / 0.1f, (target.y - TEE_Y) / 0.5f - 30.0f, target.spin};
    return 1;
}

CURLING_API int32_t CreateHitShot(ShotTarget target, float, ShotVector* out) {
    return CreateShot(target, out);
}

CURLING_API int32_t GetScore(const GAMESTATE* state) {
    float closest[2] = {1e9f, 1e9f};
    for (int k = 0; k < 16; ++k) {
        int owner = 0;
        float distance = 0.0f;
        if (!stone_in_play(*state, k, owner, distance)) {
            continue;
        }
        if (distance <= HOUSE_REACH && distance < closest[owner]) {
            closest[owner] = distance;
        }
    }
    if (closest[0] == closest[1]) {
        return 0;
    }
    const int scorer = closest[0] < closest[1] ? 0 : 1;
    int count = 0;
    for (int k = 0; k < 16; ++k) {
        int owner = 0;
        float distance = 0.0f;
        if (!stone_in_play(*state, k, owner, distance)) {
            continue;
        }
        if (owner == scorer && distance <= HOUSE_REACH && distance < closest[1 - scorer]) {
            ++count;
        }
    }
    return scorer == 0 ? count : -count;
}
}
