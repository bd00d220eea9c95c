#include "match/records/turn_rules.h"

#include <cstring>

#include "curling_simulator.h"

namespace records {

namespace {

constexpr GameEnding ENDINGS[] = {GameEnding::NORMAL, GameEnding::TIME_FORFEIT, GameEnding::CRASH,
                                  GameEnding::STALL, GameEnding::MALFORMED_SHOT};

}  // namespace

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

std::optional<GameEnding> ending_from_name(const char* name) {
    for (GameEnding ending : ENDINGS) {
        if (std::strcmp(name, ending_name(ending)) == 0) {
            return ending;
        }
    }
    return std::nullopt;
}

int first_thrower_of_game(long long game_index) { return game_index % 2 == 0 ? 0 : 1; }

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
    return total_side0 == total_side1 && ends_played < CURLING_MAX_ENDS;
}

std::optional<int> winner_from_totals(int total_side0, int total_side1) {
    if (total_side0 == total_side1) {
        return std::nullopt;
    }
    return total_side0 > total_side1 ? 0 : 1;
}

}  // namespace records
