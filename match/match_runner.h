#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

// Largest --spread accepted (library units of 0.1 m/s).
inline constexpr double MAX_SPREAD = 10.0;

struct MatchOptions {
    std::string player_commands[2];
    std::string names[2];
    int games = 2;
    int ends = 8;
    std::int64_t clock_ms = 0;
    double spread = 0.145;
    std::optional<std::uint64_t> seed;
    int concurrency = 1;
    std::string out;
    std::string simulator_path;  // "" for the library the players load (see simulator_loader.h)
    std::int64_t ready_timeout_ms = 10000;
    bool quiet = false;  // no live end lines, boards and summary only
};

// Plays the whole match; returns the process exit status: 0 when every game
// was played, non-zero when the match could not be run to its end.
int run_match(const MatchOptions& options, std::ostream& out, std::ostream& err);

// Name shown for a player: the program's file name, told apart when both
// players run the same program.
void default_names(const std::string commands[2], std::string names[2]);
