#pragma once

#include <optional>
#include <string>
#include <vector>

#include "game_rules.h"

namespace runner {

struct EndResult {
    int score = 0;        // positive when side 0 scored
    int hammer_side = 0;  // side that threw the end's last stone
};

// How one game went, by side (side 0 is player 1).
struct GameResult {
    int game_index = 0;
    int score[2] = {0, 0};
    std::optional<int> winner;  // side; empty for a draw
    GameEnding ending = GameEnding::NORMAL;
    std::optional<int> concerns;  // side at fault when the ending is not normal
    std::string detail;
    std::vector<EndResult> ends;
    std::vector<double> think_ms[2];
    int rule_undone[2] = {0, 0};  // deliveries the free guard zone undid
};

// Game points of player 1: 1 for a win, 0.5 for a draw, 0 for a loss.
double player1_game_points(const GameResult& game);

}  // namespace runner
