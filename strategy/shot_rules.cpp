#include "strategy/shot_rules.h"

#include "simulator/simulator_binding.h"
#include "strategy/geometry.h"

void hit_stone_one(const _GAMESTATE& state, ShotVector* out) {
    const StonePosition stone = state.stones[1];
    if (in_house(stone)) {
        simulator.CreateHitShot(ShotTarget{stone.x, stone.y, 0}, FULL_HIT_STRENGTH, out);
        return;
    }
    if (stone.x < TEE_X) {
        simulator.CreateHitShot(ShotTarget{stone.x + HIT_AIM_OFFSET, stone.y, 1}, SOFT_HIT_STRENGTH,
                                out);
    } else {
        simulator.CreateHitShot(ShotTarget{stone.x - HIT_AIM_OFFSET, stone.y, 0}, SOFT_HIT_STRENGTH,
                                out);
    }
}

void low_time_shot(const _GAMESTATE& state, ShotVector* out) {
    std::int32_t stone_order[STONE_COUNT];
    order_stones_by_tee_distance(state, stone_order);
    const std::int32_t nearest = stone_order[0];
    const StonePosition stone = state.stones[nearest];
    if (!in_house(stone)) {
        simulator.CreateShot(ShotTarget{TEE_X, TEE_Y, 0}, out);
        return;
    }
    // Truncating remainders: an odd negative shot number (remainder -1)
    // owns no stone, an even one owns the even stones.
    if (nearest % 2 == state.shot_number % 2) {
        const float guard_y = static_cast<float>(static_cast<double>(stone.y) + GUARD_DRAW_OFFSET);
        const std::uint8_t spin = stone.x >= TEE_X ? 1 : 0;
        simulator.CreateShot(ShotTarget{stone.x, guard_y, spin}, out);
        return;
    }
    try_takeout(state, nearest, out);
}

void try_takeout(const _GAMESTATE& state, std::int32_t stone_index, ShotVector* out) {
    // Trial simulations of a spin-1 alternative could never displace the
    // spin-0 hit, so none are run: this path exists for when time is short.
    const StonePosition stone = state.stones[stone_index];
    simulator.CreateHitShot(ShotTarget{stone.x, stone.y, 0}, FULL_HIT_STRENGTH, out);
}
