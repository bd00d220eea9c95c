#pragma once

#include <iosfwd>
#include <optional>

#include "match_runner.h"

// Largest --clock-ms: the protocol carries times as signed 32-bit numbers.
inline constexpr std::int64_t MAX_CLOCK_MS = 2147483647;

// Reads the runner's command line into `options`. Returns an exit status
// when the program should end now: 0 after --help, 2 for an option it cannot
// use (with one line on `err` naming the option and what it accepts).
std::optional<int> parse_match_options(int argc, const char* const* argv, MatchOptions& options,
                                       std::ostream& out, std::ostream& err);
