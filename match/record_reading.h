#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "game_result.h"
#include "match/records/record_reader.h"
#include "shard.h"

namespace runner {

// A record read back, for carrying a match on and for merging shards.
struct RecordContents {
    // The header, the whole games with their lines as written, and what
    // was left out (a last line cut short, games not finished).
    records::Record record;
    // What the summary needs of each whole game.
    std::map<std::int64_t, GameResult> finished;

    const nlohmann::json& header() const { return record.header.json; }
};

// Reads the text of a record through the one reader of records. Only whole
// lines and whole games count: a last line cut short (a write cut when a
// machine was lost) and a game without its game line are left out.
// Refuses, with a reason naming the line, a first line that is not a
// usable match header of this runner, and any line that is not a valid
// record line, contradicts its game or is of a game the header's shard
// does not play.
std::optional<std::string> read_record_text(const std::string& text, RecordContents& record);

// Pairs of the header's shard whose every game was finished.
std::set<std::int64_t> finished_pairs(const RecordContents& record, std::int64_t games);

// Player 1's points in pair `pair`, once all its games are in `finished`.
std::optional<double> pair_points(const std::map<std::int64_t, GameResult>& finished, std::int64_t pair,
                                  std::int64_t games);

}  // namespace runner
