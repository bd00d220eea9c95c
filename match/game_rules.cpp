#include "game_rules.h"

#include <algorithm>
#include <cmath>

namespace runner {

namespace {

bool in_play(const StonePosition& stone) {
    if (!std::isfinite(stone.x) || !std::isfinite(stone.y)) {
        return false;
    }
    // Touching a side line or having wholly crossed the back line takes a
    // stone out of play.
    using curling::BACK_LINE_Y, curling::SHEET_WIDTH, curling::STONE_RADIUS;
    return stone.x - STONE_RADIUS > 0.0f && stone.x + STONE_RADIUS < SHEET_WIDTH &&
           stone.y + STONE_RADIUS >= BACK_LINE_Y;
}

}  // namespace

void remove_stones_out_of_play(GAMESTATE& state) {
    for (StonePosition& stone : state.stones) {
        const bool empty = stone.x == 0.0f && stone.y == 0.0f;
        if (!empty && !in_play(stone)) {
            stone = StonePosition{0.0f, 0.0f};
        }
    }
}

GameClock make_clock(std::int64_t clock_ms) {
    return GameClock{{clock_ms * 1000, clock_ms * 1000}};
}

bool charge_clock(GameClock& clock, int side, std::int64_t elapsed_us) {
    clock.remaining_us[side] -= std::max<std::int64_t>(elapsed_us, 0);
    return clock.remaining_us[side] > 0;
}

std::int64_t remaining_ms(const GameClock& clock, int side) {
    return std::max<std::int64_t>(clock.remaining_us[side], 0) / 1000;
}

}  // namespace runner
