#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "match/records/record_lines.h"

// The one reader of match records (format: match/README.md). It yields
// whole games only: a game's every shot, its ends and its game line, in
// the order the rules play them, agreeing with each other (no shot missing
// or out of turn, each end's hammer and running total, the game's score,
// end scores, winner and ending). Everything else is left out and said:
// a last line cut short (a runner killed mid-write), a game not finished,
// and faults (a line that is not JSON, too long or too deeply nested, of
// the wrong type or out of range, or that contradicts its game), each with
// its line number. What a caller does with a fault is its own choice: the
// runner refuses the record, the pictures leave the game out.

namespace records {

// Far longer than any line the runner writes (a header with long command
// lines included); a longer line is refused unread.
inline constexpr std::size_t MAX_LINE_BYTES = 4u << 20;
// A record nests three deep; anything deeper is refused unparsed.
inline constexpr int MAX_NESTING = 16;

// What the first line says of the match.
struct Header {
    nlohmann::json json;  // the "match" line
    std::string text;     // as written
    std::int64_t games = 0;
    int ends = 0;  // regular ends
    std::int64_t clock_ms = 0;
    std::array<std::string, 2> names;
    std::int64_t shard_index = 0;
    std::int64_t shard_count = 1;
    int rule = CURLING_RULE_NONE;  // the free guard zone ("rule"; none when absent)
};

struct RecordedGame {
    std::int64_t index = 0;
    std::vector<ShotLine> shots;
    std::vector<EndLine> ends;
    GameLine result;
    // Its lines as written with their numbers in the record, in order (kept
    // only when asked for).
    std::vector<std::pair<std::size_t, std::string>> lines;
};

enum class DropKind {
    CUT_SHORT,   // a last line without its line end
    UNFINISHED,  // a game without its game line (still being played, or stopped)
    FAULT,       // a line that is not a valid record line, or contradicts its game
};

struct Dropped {
    DropKind kind = DropKind::FAULT;
    std::size_t line = 0;              // the line (for a game not finished, its last one)
    std::optional<std::int64_t> game;  // the game left out, if one is
    std::string reason;
};

// "line 12: ...; game 3 is left out", for people.
std::string dropped_text(const Dropped& dropped);

struct Record {
    Header header;
    std::map<std::int64_t, RecordedGame> games;  // the whole games
    std::optional<nlohmann::json> summary;       // the last "summary" line
    std::vector<Dropped> dropped;                // in line order

    // The first fault, or null when nothing but a cut line or unfinished
    // games was left out.
    const Dropped* first_fault() const;
};

struct ReadOptions {
    bool keep_lines = false;  // keep each game's lines as written (RecordedGame::lines)
};

// Reads a record's text. Returns why the record cannot be read at all (its
// first line is not a usable match header, or it holds no whole line);
// anything after the header is kept or left out as above.
std::optional<std::string> read_record(std::string_view text, Record& record, ReadOptions options = {});

// The lines of `games` as written, in the order written (read with
// ReadOptions::keep_lines): games played at once interleave.
std::vector<const std::string*> lines_in_written_order(const std::map<std::int64_t, RecordedGame>& games);

// As read_record, from a file; the reason names the file.
std::optional<std::string> read_record_file(const std::string& path, Record& record,
                                            ReadOptions options = {});

}  // namespace records
