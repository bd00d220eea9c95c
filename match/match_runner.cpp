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
#include "record_header.h"
#include "record_summary.h"
#include "resume.h"
#include "scoreboard.h"
#include "signal_watch.h"

namespace runner {

namespace {

struct SharedMatch {
    SharedMatch(const MatchOptions& options_in, const SimulatorApi& simulator_in,
                RecordFile& record_in, std::ostream& out_in, ProcessGroups* groups_in,
                std::set<std::int64_t> pairs_done)
        : options(options_in),
          simulator(simulator_in),
          record(record_in),
          out(out_in),
          groups(groups_in),
          schedule(options_in.shard, options_in.games, std::move(pairs_done)) {}

    const MatchOptions& options;
    const SimulatorApi& simulator;
    GameSettings settings;
    RecordFile& record;
    std::ostream& out;
    ProcessGroups* groups;
    std::mutex out_mutex;
    ShardGames schedule;
    std::atomic<bool> stop{false};
    std::mutex result_mutex;
    // Only the games played so far: --games may ask for far more games than
    // would ever fit in memory at once.
    std::map<std::int64_t, GameResult> results;
    // The sequential test, in a match played in one go (a shard sees only
    // some of the pairs: the merge applies the test).
    std::optional<PairSequence> sprt;
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

// Counts the pairs that the game completes, in pair order, so the test
// decides on the same pair whatever the order in which games finish.
void count_pairs(SharedMatch& match) {
    const std::int64_t counted = match.sprt->advance([&match](std::int64_t pair) {
        return pair_points(match.results, pair, match.options.games);
    });
    const SprtState& state = match.sprt->state();
    // Shown with --quiet too: with the boards, it is the match's progress.
    if (counted > 0) {
        print(match, sprt_progress(state));
    }
    if (state.decision != SprtDecision::NONE) {
        match.stop.store(true);
    }
}

void record_result(SharedMatch& match, const GameResult& result) {
    std::lock_guard<std::mutex> lock(match.result_mutex);
    match.results[result.game_index] = result;
    if (match.sprt) {
        count_pairs(match);
    }
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
        const std::optional<std::int64_t> next = match.schedule.next();
        if (!next) {
            return;
        }
        const int game = static_cast<int>(*next);
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
        record_result(match, result);
    }
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
    const std::int64_t to_play = pairs_of_shard(match.options.shard, match.options.games) * 2;
    const int workers = static_cast<int>(std::max<std::int64_t>(1, std::min<std::int64_t>(match.options.concurrency, to_play)));
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


// A new record: the header, written before any game.
std::optional<int> open_new_record(const MatchOptions& options, std::uint64_t seed, const std::string& simulator,
                                   RecordFile& record, std::ostream& err) {
    std::string error;
    if (!record.open(options.out, options.force, error)) {
        err << "--out: " << printable(error) << "\n";
        return EXIT_UNUSABLE;
    }
    // A record that cannot be written (a full disk, say) makes the match
    // worthless: say so instead of playing it for nothing.
    if (!write_json_line(record, match_header(options, seed, simulator))) {
        err << "cannot write " << printable(options.out) << ": " << record.failure() << "\n";
        return EXIT_UNUSABLE;
    }
    return std::nullopt;
}

// Writes and prints the summary of every game finished; the exit status.
int finish_match(SharedMatch& match, const MatchControl& control, std::ostream& out, std::ostream& err) {
    const MatchOptions& options = match.options;
    const int signal = control.signals != nullptr ? control.signals->received() : 0;
    if (match.fatal && signal == 0 && match.record.failure().empty()) {
        err << "match stopped: " << printable(*match.fatal) << "\n"
            << "Record so far: " << printable(options.out) << "\n";
        return EXIT_PLAYER_FAILED;
    }
    std::vector<GameResult> played;
    for (const auto& entry : match.results) {
        played.push_back(entry.second);
    }
    const MatchSummary summary = summarize(played, options.ends, options.rule);
    const SprtState* sprt = match.sprt ? &match.sprt->state() : nullptr;
    nlohmann::json summary_line = summary_json(summary, sprt);
    if (signal != 0) {
        summary_line["stopped_by"] = signal_name(signal);
    }
    write_json_line(match.record, summary_line);
    out << summary_text(summary, options.names);
    if (sprt != nullptr) {
        out << sprt_text(*sprt);
    } else if (options.sprt) {
        out << "SPRT: a shard sees only its own pairs; merging the shards applies the test\n";
    }
    out << std::flush;
    if (const std::string failure = match.record.failure(); !failure.empty()) {
        err << "the record " << printable(options.out) << " could not be written in full: " << failure
            << "; the match stopped after " << played.size() << " games\n";
        return EXIT_UNUSABLE;
    }
    if (signal != 0) {
        err << "match stopped by " << signal_name(signal) << " after " << played.size()
            << " games; record: " << printable(options.out) << "\n";
        return 128 + signal;
    }
    out << "Record: " << printable(options.out) << "\n";
    return EXIT_PLAYED;
}

}  // namespace

int run_match(const MatchOptions& given, std::ostream& out, std::ostream& err, const MatchControl& control) {
    MatchOptions options = given;
    RecordFile record;
    RecordContents kept;  // what a resumed record keeps
    std::uint64_t seed = 0;
    const bool resuming = !given.resume.empty();
    if (resuming) {
        if (const auto status = reopen_record(given, options, seed, record, kept, err)) {
            return *status;
        }
    }
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
        err << "--simulator: " << printable(load.error)
            << (resuming && given.simulator_path.empty() ? "; --simulator PATH names the library where it is now" : "")
            << "\n";
        return EXIT_UNUSABLE;
    }
    if (options.rule != CURLING_RULE_NONE && load.api.ApplyFreeGuardZone == nullptr) {
        err << "--rule: " << printable(load.path) << " has no ApplyFreeGuardZone (a library older than the free "
            << "guard zone rule); play with --rule none or a newer library\n";
        return EXIT_UNUSABLE;
    }
    if (resuming) {
        if (const auto status = check_library(kept, given, load.path, err)) {
            return *status;
        }
        if (const auto status = cut_back_record(options, record, kept, out, err)) {
            return *status;
        }
    } else {
        if (options.seed) {
            seed = *options.seed;
        } else {
            std::random_device entropy;
            seed = (static_cast<std::uint64_t>(entropy()) << 32) ^ entropy();
            out << "seed " << seed << "\n";
        }
        if (options.out.empty()) {
            options.out = "curling-match-" + std::to_string(seed) + ".jsonl";
        }
        if (const auto status = open_new_record(options, seed, load.path, record, err)) {
            return *status;
        }
    }

    SharedMatch match(options, load.api, record, out, control.players, finished_pairs(kept, options.games));
    match.settings.regular_ends = options.ends;
    match.settings.clock_ms = options.clock_ms;
    match.settings.spread = options.spread;
    match.settings.match_seed = seed;
    match.settings.ready_timeout = std::chrono::milliseconds(options.ready_timeout_ms);
    match.settings.rule = options.rule;
    match.results = kept.finished;
    if (options.sprt && options.shard.whole_match()) {
        match.sprt.emplace(*options.sprt, options.games / 2);
        count_pairs(match);
    }
    // The first failed write stops the match: games played on would be lost.
    record.on_failure([&match] { match.stop.store(true); });
    if (!match.stop.load()) {
        play_all(match, commands, control);
    }
    return finish_match(match, control, out, err);
}

}  // namespace runner
