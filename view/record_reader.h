#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "view/sheet_svg.h"

// A match record as curling-match writes it (match/README.md), grouped by
// game. Lines of games played at once interleave in the file; each game's
// own lines keep their order.

struct ShotRecord {
    int end = 0;
    int shot = 0;
    int side = 0;
    int player = 1;
    Position position{};
    Position after{};
    std::string reply;
    ShotVector shot_vector{};
    std::array<double, 2> noise{};
    ShotVector delivered{};
    double think_ms = 0;
    std::array<std::int64_t, 2> clock_ms{};
    std::size_t line = 0;  // where it was read, for messages
};

struct EndRecord {
    int end = 0;
    int score = 0;   // positive when player 1 scored
    int hammer = 1;  // player
    std::array<int, 2> total{};
};

struct GameRecord {
    int index = 0;
    std::vector<ShotRecord> shots;
    std::vector<EndRecord> ends;
    nlohmann::json result;  // the "game" line, or null for a game left unfinished
};

struct MatchRecord {
    nlohmann::json match;    // the "match" line, or null
    nlohmann::json summary;  // the "summary" line, or null
    std::map<int, GameRecord> games;
    std::string names[2] = {"player 1", "player 2"};
    int regular_ends = 0;
    std::int64_t clock_ms = 0;
};

// A record that cannot be read; the message names the file and the line.
class RecordError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

MatchRecord read_record(const std::string& path);
MatchRecord read_record_text(const std::string& text, const std::string& name);

// The shot of a game, or a RecordError that says what the record holds.
const ShotRecord& find_shot(const MatchRecord& record, int game, int end, int shot);

// The side that threw the first stone of `shot`'s end.
int first_side_of_end(const ShotRecord& shot);

// The game state as the player to move saw it when the shot was asked for.
GAMESTATE state_before(const MatchRecord& record, const GameRecord& game, const ShotRecord& shot);

// The mover's clock when "GO" was sent, in milliseconds.
std::int64_t clock_before(const MatchRecord& record, const GameRecord& game,
                          const ShotRecord& shot);
