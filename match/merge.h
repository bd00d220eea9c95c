#pragma once

#include <iosfwd>

namespace runner {

// Exit status of a merge whose shards leave game pairs out (the record of
// what is there is written all the same).
inline constexpr int EXIT_INCOMPLETE = 4;

// `curling-match merge SHARD... --out FILE [--force]`: checks that the
// records are shards of one match (same header but for the shard and the
// concurrency; one sharding; no shard twice), writes one record with every
// finished game pair in pair order and the summary (and the sequential
// test) recomputed, and says which pairs are missing. Returns the exit
// status: 0 when the record is whole, or the sequential test decided before
// the first missing pair; EXIT_INCOMPLETE when pairs are missing; 2 for
// inputs that are not shards of one match, an unreadable input or an
// unusable --out, and then nothing is written.
int run_merge(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace runner
