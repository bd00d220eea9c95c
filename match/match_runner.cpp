#include "match_runner.h"

#include <atomic>
#include <map>
#include <mutex>
#include <ostream>
#include <random>
#include <thread>
#include <vector>

#include "game_play.h"
#include "match_stats.h"
#include "process_guard.h"
#include "protocol_text.h"
#include "scoreboard.h"
#include "signal_watch.h"

#ifndef CURLING_VERSION
#define CURLING_VERSION "unknown"
#endif

namespace {

struct SharedMatch {
    SharedMatch(const MatchOptions& options_in, const SimulatorApi& simulator_in,
                RecordFile& record_in, std::ostream& out_in, ProcessGroups* groups_in)
        : options(options_in), simulator(simulator_in), record(record_in), out(out_in), groups(groups_in) {}

    const MatchOptions& options;
    const SimulatorApi& simulator;
    GameSettings settings;
    RecordFile& record;
    std::ostream& out;
    ProcessGroups* groups;
    std::mutex out_mutex;
    std::atomic<int> next_game{0};
    std::atomic<bool> stop{false};
    std::mutex result_mutex;
    // Only the games played so far: --games may ask for far more games than
    // would ever fit in memory at once.
    std::map<int, GameResult> results;
    std::optional<std::string> fatal;
};

constexpr std::chrono::milliseconds PLAYER_EXIT_GRACE{500};

void report_fatal(SharedMatch& match, const std::string& message) {
    std::lock_guard<std::mutex> lock(match.result_mutex);
    if (!match.fatal) {
        match.fatal = message;
    }
    match.stop.store(true);
}

void print(SharedMatch& match, const std::string& text) {
    std::lock_guard<std::mutex> lock(match.out_mutex);
    match.out << text << std::flush;
}

// One worker keeps its own pair of player processes for all the games it
// plays, restarting a player only after a game that went wrong for it.
void play_games(SharedMatch& match, PlayerProcess* players[2]);

void run_worker(SharedMatch& match, const std::vector<std::string> commands[2]) {
    PlayerProcess first(commands[0], match.groups);
    PlayerProcess second(commands[1], match.groups);
    PlayerProcess* players[2] = {&first, &second};
    play_games(match, players);
    // Players that behave see their input end and leave on their own.
    first.close_input();
    second.close_input();
    first.stop(PLAYER_EXIT_GRACE);
    second.stop(PLAYER_EXIT_GRACE);
}

void play_games(SharedMatch& match, PlayerProcess* players[2]) {
    bool needs_start[2] = {true, true};
    GameHooks hooks;
    hooks.abandon = &match.stop;
    if (!match.options.quiet) {
        hooks.on_end = [&match](const GameResult& so_far) {
            print(match, end_line(so_far, match.options.names));
        };
    }
    for (;;) {
        if (match.stop.load()) {
            return;
        }
        const int game = match.next_game.fetch_add(1);
        if (game >= match.options.games) {
            return;
        }
        for (int side = 0; side < 2; ++side) {
            std::string error;
            if (needs_start[side] && !players[side]->start(error)) {
                // A player killed as the match stops is no player that cannot start.
                if (!match.stop.load()) {
                    report_fatal(match, "player " + std::to_string(side + 1) + " could not start: " + error);
                }
                return;
            }
            needs_start[side] = false;
        }
        GameOutcome outcome =
            play_game(game, players, match.simulator, match.settings, match.record, hooks);
        if (outcome.fatal) {
            report_fatal(match, *outcome.fatal);
            return;
        }
        if (!outcome.finished) {
            return;
        }
        const GameResult& result = outcome.result;
        if (result.concerns) {
            // A player that failed may still be thinking or half-dead: the
            // next game gets a fresh process.
            needs_start[*result.concerns] = true;
        }
        print(match, game_board(result, match.options.names));
        std::lock_guard<std::mutex> lock(match.result_mutex);
        match.results[game] = result;
    }
}

nlohmann::json summary_json(const MatchSummary& summary) {
    nlohmann::json sides = nlohmann::json::array();
    for (const SideFigures& f : summary.side) {
        sides.push_back({{"wins", f.wins},
                         {"draws", f.draws},
                         {"losses", f.losses},
                         {"game_points", f.game_points},
                         {"points_for", f.points_for},
                         {"points_against", f.points_against},
                         {"ends_with_hammer", f.ends_with_hammer},
                         {"points_with_hammer", f.points_with_hammer},
                         {"ends_without_hammer", f.ends_without_hammer},
                         {"points_without_hammer", f.points_without_hammer},
                         {"steals", f.steals},
                         {"blank_ends_with_hammer", f.blank_ends_with_hammer},
                         {"median_think_ms",
                          f.median_think_ms ? nlohmann::json(*f.median_think_ms) : nullptr}});
    }
    const auto optional_number = [](const std::optional<double>& value) {
        return value ? nlohmann::json(*value) : nlohmann::json(nullptr);
    };
    return {{"type", "summary"},
            {"games", summary.games},
            {"players", sides},
            {"ends", summary.ends},
            {"blank_ends", summary.blank_ends},
            {"extra_ends", summary.extra_ends},
            {"endings", summary.endings},
            {"elo",
             {{"pairs", summary.elo.pairs},
              {"mean_score", summary.elo.mean_score},
              {"difference", optional_number(summary.elo.elo)},
              {"low", optional_number(summary.elo.low)},
              {"high", optional_number(summary.elo.high)},
              {"low_score", summary.elo.low_score},
              {"high_score", summary.elo.high_score}}}};
}

}  // namespace

void default_names(const std::string commands[2], std::string names[2]) {
    for (int side = 0; side < 2; ++side) {
        std::vector<std::string> words;
        std::string name = split_command_line(commands[side], words) ? words[0] : commands[side];
        const std::size_t slash = name.rfind('/');
        names[side] = slash == std::string::npos ? name : name.substr(slash + 1);
    }
    if (names[0] == names[1]) {
        names[0] += "#1";
        names[1] += "#2";
    }
}

namespace {

nlohmann::json match_header(const MatchOptions& options, std::uint64_t seed,
                            const std::string& simulator) {
    return {{"type", "match"},
            {"version", CURLING_VERSION},
            {"players",
             {{{"name", options.names[0]}, {"command", options.player_commands[0]}},
              {{"name", options.names[1]}, {"command", options.player_commands[1]}}}},
            {"games", options.games},
            {"ends", options.ends},
            {"clock_ms", options.clock_ms},
            {"spread", options.spread},
            {"seed", seed},
            {"concurrency", options.concurrency},
            {"ready_timeout_ms", options.ready_timeout_ms},
            {"simulator", simulator}};
}

// Plays the games on `concurrency` threads until all are played or the
// match is stopped; a signal ends every player at once.
void play_all(SharedMatch& match, const std::vector<std::string> commands[2], const MatchControl& control) {
    if (control.signals != nullptr) {
        control.signals->on_stop([&match, &control](int) {
            match.stop.store(true);
            if (control.players != nullptr) {
                control.players->kill_all_and_close();
            }
        });
    }
    const int workers = std::max(1, std::min(match.options.concurrency, match.options.games));
    std::vector<std::thread> threads;
    for (int w = 0; w < workers; ++w) {
        threads.emplace_back([&match, commands] { run_worker(match, commands); });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    if (control.signals != nullptr) {
        control.signals->on_stop(nullptr);
    }
}

}  // namespace

int run_match(const MatchOptions& options, std::ostream& out, std::ostream& err,
              const MatchControl& control) {
    // A range check lets NaN through (every comparison with it is false),
    // and a NaN spread would turn every delivered shot into a dead stone.
    if (!(options.spread >= 0.0 && options.spread <= MAX_SPREAD)) {
        err << "--spread must be a number from 0 to " << MAX_SPREAD << "\n";
        return EXIT_UNUSABLE;
    }
    std::vector<std::string> commands[2];
    for (int side = 0; side < 2; ++side) {
        if (!split_command_line(options.player_commands[side], commands[side])) {
            err << "--player" << side + 1 << ": cannot read the command line \""
                << printable(options.player_commands[side]) << "\"\n";
            return EXIT_UNUSABLE;
        }
    }
    const SimulatorLoad load = options.simulator_path.empty() ? load_simulator_beside_executable()
                                                               : load_simulator_at(options.simulator_path);
    if (!load.loaded) {
        err << "--simulator: " << printable(load.error) << "\n";
        return EXIT_UNUSABLE;
    }
    std::uint64_t seed = 0;
    if (options.seed) {
        seed = *options.seed;
    } else {
        std::random_device entropy;
        seed = (static_cast<std::uint64_t>(entropy()) << 32) ^ entropy();
        out << "seed " << seed << "\n";
    }
    const std::string record_path =
        options.out.empty() ? "curling-match-" + std::to_string(seed) + ".jsonl" : options.out;
    RecordFile record;
    std::string error;
    if (!record.open(record_path, options.force, error)) {
        err << "--out: " << printable(error) << "\n";
        return EXIT_UNUSABLE;
    }
    // A record that cannot be written (a full disk, say) makes the match
    // worthless: say so instead of playing it for nothing.
    if (!write_json_line(record, match_header(options, seed, load.path))) {
        err << "cannot write " << printable(record_path) << ": " << record.failure() << "\n";
        return EXIT_UNUSABLE;
    }

    SharedMatch match(options, load.api, record, out, control.players);
    match.settings.regular_ends = options.ends;
    match.settings.clock_ms = options.clock_ms;
    match.settings.spread = options.spread;
    match.settings.match_seed = seed;
    match.settings.ready_timeout = std::chrono::milliseconds(options.ready_timeout_ms);
    // The first failed write stops the match: games played on would be lost.
    record.on_failure([&match] { match.stop.store(true); });
    play_all(match, commands, control);

    const int signal = control.signals != nullptr ? control.signals->received() : 0;
    if (match.fatal && signal == 0 && record.failure().empty()) {
        err << "match stopped: " << printable(*match.fatal) << "\n"
            << "Record so far: " << printable(record_path) << "\n";
        return EXIT_PLAYER_FAILED;
    }
    std::vector<GameResult> played;
    for (const auto& entry : match.results) {
        played.push_back(entry.second);
    }
    const MatchSummary summary = summarize(played, options.ends);
    nlohmann::json summary_line = summary_json(summary);
    if (signal != 0) {
        summary_line["stopped_by"] = signal_name(signal);
    }
    write_json_line(record, summary_line);
    out << summary_text(summary, options.names) << std::flush;
    if (const std::string failure = record.failure(); !failure.empty()) {
        err << "the record " << printable(record_path) << " could not be written in full: " << failure
            << "; the match stopped after " << played.size() << " games\n";
        return EXIT_UNUSABLE;
    }
    if (signal != 0) {
        err << "match stopped by " << signal_name(signal) << " after " << played.size()
            << " games; record: " << printable(record_path) << "\n";
        return 128 + signal;
    }
    out << "Record: " << printable(record_path) << "\n";
    return EXIT_PLAYED;
}
