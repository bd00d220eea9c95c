#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "match_runner.h"

namespace runner {

// The record's first line says what match it is: enough to carry the match
// on (--resume) and to tell whether records are shards of one match.

// The header names the physics library by its path and its checksum, so a
// record can be carried on with the same library moved elsewhere.
nlohmann::json match_header(const MatchOptions& options, std::uint64_t seed, const std::string& simulator);

// The checksum of the file at `path` ("fnv1a64:" and 16 hex digits), or
// nothing when it cannot be read.
std::optional<std::string> library_checksum(const std::string& path);

// Reads a header back: players, names, games, ends, clock, spread, seed,
// ready timeout, simulator, shard, rule and SPRT bounds. The other fields of
// `options` are left as they are. Returns what is wrong with the header, if
// anything (a missing field or a value the runner would not accept).
std::optional<std::string> options_from_header(const nlohmann::json& header, MatchOptions& options,
                                               std::uint64_t& seed);

// The first field in which two headers differ, as "seed 5 against 7",
// leaving out what may differ between shards of one match (the shard, the
// concurrency, the shards a merged record came from); nothing when they agree.
std::optional<std::string> header_difference(const nlohmann::json& a, const nlohmann::json& b);

// The shard a header names; a record without one is the whole match.
Shard shard_of_header(const nlohmann::json& header);

}  // namespace runner
