#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

#include "curling_simulator.h"
#include "shard.h"
#include "sprt.h"

namespace runner {

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
    bool force = false;          // overwrite an existing record
    std::string simulator_path;  // "" for the library the players load (see simulator_loader.h)
    std::int64_t ready_timeout_ms = 10000;
    bool quiet = false;  // no live end lines, boards and summary only
    Shard shard;         // the pairs this runner plays
    std::optional<SprtBounds> sprt;  // stop once the test decides
    int rule = CURLING_RULE_NONE;    // the free guard zone, as the library numbers it
    std::string resume;  // a record to carry on; its header gives the match
};

class ProcessGroups;
class SignalWatch;

// What lets the match be stopped from outside it.
struct MatchControl {
    ProcessGroups* players = nullptr;  // every player's process group, listed while it runs
    SignalWatch* signals = nullptr;    // a termination signal stops the match
};

// Exit statuses of the runner.
inline constexpr int EXIT_PLAYED = 0;
inline constexpr int EXIT_UNUSABLE = 2;       // options, library or record
inline constexpr int EXIT_PLAYER_FAILED = 3;  // a player could not start at all

// Plays the whole match; returns the process exit status: EXIT_PLAYED when
// every game was played, else why not. Stopped by a signal, it writes the
// summary of the games finished and returns 128 + the signal's number.
int run_match(const MatchOptions& options, std::ostream& out, std::ostream& err,
              const MatchControl& control = {});

// Name shown for a player: the program's file name, told apart when both
// players run the same program.
void default_names(const std::string commands[2], std::string names[2]);

}  // namespace runner
