#pragma once

// Records made by the writer's own functions, for the tests of what reads them.

#include <string>
#include <vector>

#include "match/records/record_lines.h"

namespace sample_record {

inline nlohmann::json header(int games, int ends = 1) {
    return {{"type", "match"},
            {"games", games},
            {"ends", ends},
            {"clock_ms", 1000},
            {"players", {{{"name", "a"}}, {{"name", "b"}}}}};
}

// The lines of one whole game of one end, in which player 1 scores a point.
inline std::vector<nlohmann::json> game(std::int64_t index) {
    const int first = records::first_thrower_of_game(index);
    const int hammer = records::hammer_side(first) + 1;
    std::vector<nlohmann::json> lines;
    for (int shot = 0; shot < CURLING_STONES; ++shot) {
        records::ShotLine line;
        line.game = index;
        line.shot = shot;
        line.side = records::side_to_throw(first, shot);
        line.player = line.side + 1;
        line.reply = "BESTSHOT 0 -30 0";
        line.clock_ms = {900, 900};
        lines.push_back(records::shot_json(line));
    }
    lines.push_back(records::end_json(records::EndLine{index, 0, 1, hammer, {1, 0}}));
    records::GameLine result;
    result.game = index;
    result.score = {1, 0};
    result.winner = 1;
    result.first_hammer = hammer;
    result.end_scores = {1};
    lines.push_back(records::game_json(result));
    return lines;
}

inline std::string text(const std::vector<nlohmann::json>& lines) {
    std::string out;
    for (const nlohmann::json& line : lines) {
        out += line.dump() + "\n";
    }
    return out;
}

}  // namespace sample_record
