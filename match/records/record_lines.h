#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "curling_simulator.h"
#include "match/records/turn_rules.h"

// The lines of a match record after its header (match/README.md, "The
// record"): what the runner writes and what every reader takes back are
// these types and the functions below, so the two cannot drift apart.
// Numbers are the record's own: games, ends and shots count from 0, players
// are 1 and 2, sides 0 and 1.

namespace records {

using Stones = std::array<StonePosition, CURLING_STONES>;

// Largest score of one end: every stone of a side.
inline constexpr int MAX_END_SCORE = CURLING_STONES / 2;
// Largest remaining clock a record can hold (the protocol's 32-bit times).
inline constexpr std::int64_t MAX_RECORD_CLOCK_MS = 2147483647;

struct ShotLine {
    std::int64_t game = 0;
    int end = 0;
    int shot = 0;
    int side = 0;
    int player = 1;
    Stones position{};  // as sent to the player
    std::string reply;  // as received, cut to a bounded length
    ShotVector shot_vector{};
    std::array<double, 2> noise{};
    ShotVector delivered{};  // shot plus noise
    Stones after{};
    double think_ms = 0.0;
    std::array<std::int64_t, 2> clock_ms{};  // both sides' remaining time after the shot
    // Set when the free guard zone undid the shot: `after` is then the
    // position played on (every other stone as in `position`, the thrown
    // one removed), `restored` the stones the rule put back (ascending) and
    // `undone_after` where the shot had left the stones.
    bool rule_undone = false;
    std::vector<int> restored;
    Stones undone_after{};
    std::size_t line = 0;  // where it was read (1 for the first line), 0 when not read
};

struct EndLine {
    std::int64_t game = 0;
    int end = 0;
    int score = 0;   // positive when player 1 scored
    int hammer = 1;  // player
    std::array<int, 2> total{};
};

struct GameLine {
    std::int64_t game = 0;
    std::array<int, 2> score{};
    std::optional<int> winner;  // player; empty for a draw
    GameEnding ending = GameEnding::NORMAL;
    std::optional<int> player;  // at fault, when the ending is not normal
    std::string detail;
    int first_hammer = 1;  // player
    std::vector<int> end_scores;
};

nlohmann::json shot_json(const ShotLine& shot);
nlohmann::json end_json(const EndLine& end);
nlohmann::json game_json(const GameLine& game);

// Readers of one line: every field there, of its type and within its
// range, or what is wrong with the first one that is not (nothing is
// converted with an undefined result). They look at one line only; how the
// lines of a game fit together is the reader's (record_reader.h).
std::optional<std::string> read_shot(const nlohmann::json& line, ShotLine& shot);
std::optional<std::string> read_end(const nlohmann::json& line, EndLine& end);
std::optional<std::string> read_game(const nlohmann::json& line, GameLine& game);

// A JSON integer within [low, high] (high >= 0), or nothing: any other value,
// a fraction or a number beyond the range included.
std::optional<std::int64_t> whole_number(const nlohmann::json& value, std::int64_t low, std::int64_t high);

}  // namespace records
