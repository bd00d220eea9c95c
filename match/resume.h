#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>

#include "match_runner.h"
#include "record_file.h"
#include "record_reading.h"

namespace runner {

// Carrying on a match whose record ends early (--resume).
//
// The record is opened and locked as the runner's own; its header gives
// the match (players, games, seed, shard, ...: `options` takes them, keeping
// only the concurrency and --quiet of the command line). Every finished game
// pair is kept; a pair with a game unfinished is dropped whole, with the
// lines of its games and any summary, so the match goes on as if they had
// never been played. Returns an exit status when the record cannot be
// carried on (with one line on `err`); the record is then left as it was.
std::optional<int> reopen_record(const MatchOptions& given, MatchOptions& options, std::uint64_t& seed,
                                 RecordFile& record, RecordContents& kept, std::ostream& err);

// Whether the library loaded from `loaded_path` is the one the record was
// played with, by the checksum its header holds (a record without one can
// only be carried on with the library at the path it names). An exit
// status, with one line on `err`, when it is not.
std::optional<int> check_library(const RecordContents& kept, const MatchOptions& given,
                                 const std::string& loaded_path, std::ostream& err);

// Cuts the reopened record back to its header and the lines of `kept`'s
// finished pairs, in the order they were written.
std::optional<int> cut_back_record(const MatchOptions& options, RecordFile& record,
                                   const RecordContents& kept, std::ostream& out, std::ostream& err);

}  // namespace runner
