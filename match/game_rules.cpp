#include "game_rules.h"

#include <algorithm>
#include <cmath>

const char* ending_name(GameEnding ending) {
    switch (ending) {
        case GameEnding::NORMAL:
            return "normal";
        case GameEnding::TIME_FORFEIT:
            return "time_forfeit";
        case GameEnding::CRASH:
            return "crash";
        case GameEnding::STALL:
            return "stall";
        case GameEnding::MALFORMED_SHOT:
            return "malformed_shot";
    }
    return "unknown";
}

int first_thrower_of_game(int game_index) { return game_index % 2 == 0 ? 0 : 1; }

int side_to_throw(int first_thrower, int shot_number) {
    return shot_number % 2 == 0 ? first_thrower : 1 - first_thrower;
}

int hammer_side(int first_thrower) { return 1 - first_thrower; }

int first_thrower_after(int first_thrower, int end_score) {
    if (end_score > 0) {
        return 0;
    }
    if (end_score < 0) {
        return 1;
    }
    return first_thrower;
}

bool another_end(int regular_ends, int ends_played, int total_side0, int total_side1) {
    if (ends_played < regular_ends) {
        return true;
    }
    return total_side0 == total_side1 && ends_played < MAX_ENDS;
}

std::optional<int> winner_from_totals(int total_side0, int total_side1) {
    if (total_side0 == total_side1) {
        return std::nullopt;
    }
    return total_side0 > total_side1 ? 0 : 1;
}

namespace {

bool in_play(const StonePosition& stone) {
    if (!std::isfinite(stone.x) || !std::isfinite(stone.y)) {
        return false;
    }
    // Touching a side line or having wholly crossed the back line takes a
    // stone out of play.
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
