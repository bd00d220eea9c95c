#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "game_result.h"
#include "shard.h"

// A record read back, for carrying a match on and for merging shards.
struct RecordContents {
    nlohmann::json header;
    std::string header_text;  // the first line as written
    // Every whole line after the header, as written (no line end).
    std::vector<std::string> lines;
    // Which of `lines` belong to each game, in the order written.
    std::map<std::int64_t, std::vector<std::size_t>> lines_of_game;
    // The games that were played to the end (those with a "game" line).
    std::map<std::int64_t, GameResult> finished;
};

// Reads the text of a record. Only whole lines count: an unterminated last
// line (a write cut short when a machine was lost) is left out. Refuses,
// with a reason naming the line, a first line that is not a match header,
// a line that is not a record line, a game outside the match or outside
// the header's shard, and a game finished twice.
std::optional<std::string> read_record_text(const std::string& text, RecordContents& record);

// Pairs of the header's shard whose every game was finished.
std::set<std::int64_t> finished_pairs(const RecordContents& record, std::int64_t games);

// Player 1's points in pair `pair`, once all its games are in `finished`.
std::optional<double> pair_points(const std::map<std::int64_t, GameResult>& finished, std::int64_t pair,
                                  std::int64_t games);
