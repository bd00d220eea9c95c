#include <signal.h>

#include <CLI/CLI.hpp>
#include <iostream>
#include <thread>

#include "match_runner.h"
#include "simulator/simulator_loader.h"

namespace {

// A year: far beyond any game, and safe to count in microseconds.
constexpr std::int64_t MAX_CLOCK_MS = 365LL * 24 * 3600 * 1000;

}  // namespace

int main(int argc, char** argv) {
    // A player that dies mid-write must not take the runner with it.
    signal(SIGPIPE, SIG_IGN);

    MatchOptions options;
    const std::string engine = executable_directory() + "curling-engine";
    options.player_commands[0] = engine;
    options.player_commands[1] = engine;
    options.clock_ms = 300000;
    options.concurrency = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    std::vector<std::string> names;
    std::uint64_t seed = 0;

    CLI::App app{"Plays curling games between two protocol players and records them."};
    app.add_option("--player1", options.player_commands[0], "Command line of player 1")
        ->capture_default_str();
    app.add_option("--player2", options.player_commands[1], "Command line of player 2")
        ->capture_default_str();
    app.add_option("--names", names, "Names of the two players, as A,B")
        ->delimiter(',')
        ->expected(2);
    app.add_option("--games", options.games, "Games to play, in pairs that swap the first hammer")
        ->check(CLI::PositiveNumber)
        ->capture_default_str();
    app.add_option("--ends", options.ends, "Ends per game (extra ends follow a tie, up to 10 in all)")
        ->check(CLI::Range(1, 10))
        ->capture_default_str();
    app.add_option("--clock-ms", options.clock_ms, "Thinking time per side per game, in ms")
        ->check(CLI::Range(std::int64_t{1}, MAX_CLOCK_MS))
        ->capture_default_str();
    app.add_option("--spread", options.spread,
                   "Standard deviation of the noise on vx and vy of every shot (0.1 m/s units)")
        ->check(CLI::Range(0.0, MAX_SPREAD))
        ->capture_default_str();
    CLI::Option* seed_option =
        app.add_option("--seed", seed, "Seed of the shot noise (random and printed when absent)");
    app.add_option("--concurrency", options.concurrency, "Games played at once")
        ->check(CLI::PositiveNumber)
        ->capture_default_str();
    app.add_option("--out", options.out, "Record file (JSON Lines); default curling-match-SEED.jsonl");
    app.add_option("--simulator", options.simulator_path,
                   "Physics library to load (default: the one beside the runner, else the installed one)");
    app.add_option("--ready-timeout-ms", options.ready_timeout_ms,
                   "How long a player may take to answer ISREADY")
        ->check(CLI::Range(std::int64_t{1}, MAX_CLOCK_MS))
        ->capture_default_str();
    app.add_flag("--quiet", options.quiet, "Print game boards and the summary, not every end");
    CLI11_PARSE(app, argc, argv);

    if (seed_option->count() > 0) {
        options.seed = seed;
    }
    if (names.size() == 2) {
        options.names[0] = names[0];
        options.names[1] = names[1];
    } else {
        default_names(options.player_commands, options.names);
    }
    return run_match(options, std::cout, std::cerr);
}
