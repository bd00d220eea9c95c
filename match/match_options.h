#pragma once

#include <iosfwd>
#include <optional>

#include "match_runner.h"

namespace runner {

// Largest --clock-ms: the protocol carries times as signed 32-bit numbers.
inline constexpr std::int64_t MAX_CLOCK_MS = 2147483647;
// A year: far beyond any game, and safe to count in microseconds.
inline constexpr std::int64_t MAX_READY_TIMEOUT_MS = 365LL * 24 * 3600 * 1000;

// Reads the runner's command line into `options`. Returns an exit status
// when the program should end now: 0 after --help, 2 for an option it cannot
// use (with one line on `err` naming the option and what it accepts).
std::optional<int> parse_match_options(int argc, const char* const* argv, MatchOptions& options,
                                       std::ostream& out, std::ostream& err);

}  // namespace runner
