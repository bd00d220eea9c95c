#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "match/records/record_reader.h"
#include "view/sheet_svg.h"

// A match record as curling-match writes it (match/README.md), read by the
// one reader of records and grouped by game: whole games only, each in the
// order the rules play it.

using ShotRecord = records::ShotLine;
using EndRecord = records::EndLine;

struct GameRecord {
    int index = 0;
    std::vector<ShotRecord> shots;
    std::vector<EndRecord> ends;
    nlohmann::json result;  // the "game" line
};

struct MatchRecord {
    nlohmann::json match;    // the "match" line, or null
    nlohmann::json summary;  // the "summary" line, or null
    std::map<int, GameRecord> games;  // the whole games only
    // What the record holds but the games leave out, and why: a game with a
    // line missing, wrong or out of turn, one not finished, a line cut short.
    std::vector<records::Dropped> dropped;
    std::string names[2] = {"player 1", "player 2"};
    int regular_ends = 0;
    std::int64_t clock_ms = 0;
    int rule = CURLING_RULE_NONE;  // the free guard zone the match was played under
};

// A record that cannot be read at all, or holds no whole game; the message
// names the file and the line.
class RecordError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Says on `out`, one line each under the tool's name, what the reader left
// out of the record and why (a last line cut short, games not finished,
// lines at fault), so that a page or a still is never silently short.
void tell_dropped(const MatchRecord& record, const std::string& tool, const std::string& path,
                  std::ostream& out);

MatchRecord read_record(const std::string& path);
MatchRecord read_record_text(const std::string& text, const std::string& name);

// The shot of a game, or a RecordError that says what the record holds.
const ShotRecord& find_shot(const MatchRecord& record, int game, int end, int shot);

// The side that threw the first stone of `shot`'s end.
int first_side_of_end(const ShotRecord& shot);

// The game state as the player to move saw it when the shot was asked for.
GAMESTATE state_before(const MatchRecord& record, const GameRecord& game, const ShotRecord& shot);

// Where a shot left the stones as played: for a shot the free guard zone
// undid, where they came to rest before the rule put them back.
const Position& played_after(const ShotRecord& shot);

// "free guard zone: undone, 2 stones put back", for a shot the rule undid.
std::string undone_note(const ShotRecord& shot);

// The mover's clock when "GO" was sent, in milliseconds.
std::int64_t clock_before(const MatchRecord& record, const GameRecord& game,
                          const ShotRecord& shot);
