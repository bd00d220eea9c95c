#include "match_options.h"

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <map>
#include <ostream>
#include <thread>

#include "simulator/simulator_loader.h"

namespace {

// A year: far beyond any game, and safe to count in microseconds.
constexpr std::int64_t MAX_READY_TIMEOUT_MS = 365LL * 24 * 3600 * 1000;
constexpr std::int64_t MAX_INT = std::numeric_limits<int>::max();

// Validators look at the text before it is converted, so a value is either
// refused with the words below or converts exactly: nothing wraps, rounds
// or saturates on the way.
CLI::Validator whole_number(std::int64_t low, std::int64_t high) {
    const std::string accepts =
        "a whole number from " + std::to_string(low) + " to " + std::to_string(high);
    return CLI::Validator(
        [=](std::string& text) -> std::string {
            const char* begin = text.c_str();
            char* end = nullptr;
            errno = 0;
            const long long value = std::strtoll(begin, &end, 10);
            const bool digits = !text.empty() && text.find_first_not_of("-0123456789") == std::string::npos;
            if (!digits || *end != '\0' || errno == ERANGE || value < low || value > high) {
                return "accepts " + accepts + ", not \"" + text + "\"";
            }
            return {};
        },
        accepts);
}

CLI::Validator seed_number() {
    const std::string accepts = "a whole number from 0 to 18446744073709551615";
    return CLI::Validator(
        [=](std::string& text) -> std::string {
            char* end = nullptr;
            errno = 0;
            std::strtoull(text.c_str(), &end, 10);
            // strtoull reads "-1" as the largest value: digits only.
            if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos ||
                *end != '\0' || errno == ERANGE) {
                return "accepts " + accepts + ", not \"" + text + "\"";
            }
            return {};
        },
        accepts);
}

CLI::Validator real_number(double low, double high) {
    char range[64];
    std::snprintf(range, sizeof range, "a number from %g to %g", low, high);
    const std::string accepts = range;
    return CLI::Validator(
        [=](std::string& text) -> std::string {
            const char* begin = text.c_str();
            char* end = nullptr;
            const double value = std::strtod(begin, &end);
            // Written so that NaN fails: every comparison with it is false.
            if (end == begin || *end != '\0' || !(value >= low && value <= high)) {
                return "accepts " + accepts + ", not \"" + text + "\"";
            }
            return {};
        },
        accepts);
}

// CLI11 words some errors for its own sake ("1 required INT missing"): say
// instead which option it was and what it accepts, on one line.
std::string one_line(const std::map<std::string, std::string>& accepts, const CLI::ParseError& error) {
    std::string message = error.what();
    const std::size_t colon = message.find(':');
    if (message.rfind("--", 0) == 0 && colon != std::string::npos &&
        message.find(": accepts ") == std::string::npos) {
        const std::string name = message.substr(0, colon);
        const auto rule = accepts.find(name);
        if (rule != accepts.end()) {
            message = name + ": accepts " + rule->second + " (" +
                      message.substr(message.find_first_not_of(' ', colon + 1)) + ")";
        }
    }
    for (char& c : message) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    return "curling-match: " + message + "; see --help";
}

}  // namespace

std::optional<int> parse_match_options(int argc, const char* const* argv, MatchOptions& options,
                                       std::ostream& out, std::ostream& err) {
    const std::string engine = executable_directory() + "curling-engine";
    options.player_commands[0] = engine;
    options.player_commands[1] = engine;
    options.clock_ms = 300000;
    options.concurrency = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    std::vector<std::string> names;
    std::uint64_t seed = 0;

    CLI::App app{"Plays curling games between two protocol players and records them."};
    std::map<std::string, std::string> accepts = {
        {"--player1", "a command line"}, {"--player2", "a command line"},
        {"--names", "two names, as A,B"}, {"--out", "a file name"},
        {"--simulator", "a library file"}};
    const auto rule = [&accepts](const std::string& name, CLI::Validator validator) {
        accepts[name] = validator.get_description();
        return validator;
    };
    app.add_option("--player1", options.player_commands[0], "Command line of player 1")
        ->capture_default_str();
    app.add_option("--player2", options.player_commands[1], "Command line of player 2")
        ->capture_default_str();
    app.add_option("--names", names, "Names of the two players, as A,B")
        ->delimiter(',')
        ->expected(2);
    app.add_option("--games", options.games, "Games to play, in pairs that swap the first hammer")
        ->check(rule("--games", whole_number(1, MAX_INT)))
        ->capture_default_str();
    app.add_option("--ends", options.ends, "Ends per game (extra ends follow a tie, up to 10 in all)")
        ->check(rule("--ends", whole_number(1, 10)))
        ->capture_default_str();
    app.add_option("--clock-ms", options.clock_ms,
                   "Thinking time per side per game, in ms; at most 2147483647, as the protocol "
                   "sends times as 32-bit numbers")
        ->check(rule("--clock-ms", whole_number(1, MAX_CLOCK_MS)))
        ->capture_default_str();
    app.add_option("--spread", options.spread,
                   "Standard deviation of the noise on vx and vy of every shot (0.1 m/s units)")
        ->check(rule("--spread", real_number(0.0, MAX_SPREAD)))
        ->capture_default_str();
    CLI::Option* seed_option =
        app.add_option("--seed", seed, "Seed of the shot noise (random and printed when absent)")
            ->check(rule("--seed", seed_number()));
    app.add_option("--concurrency", options.concurrency, "Games played at once")
        ->check(rule("--concurrency", whole_number(1, MAX_INT)))
        ->capture_default_str();
    app.add_option("--out", options.out,
                   "Record file (JSON Lines); default curling-match-SEED.jsonl. An existing "
                   "record is kept unless --force");
    app.add_flag("--force", options.force, "Overwrite an existing record file");
    app.add_option("--simulator", options.simulator_path,
                   "Physics library to load (default: the one beside the runner, else the installed one)");
    app.add_option("--ready-timeout-ms", options.ready_timeout_ms,
                   "How long a player may take to answer ISREADY")
        ->check(rule("--ready-timeout-ms", whole_number(1, MAX_READY_TIMEOUT_MS)))
        ->capture_default_str();
    app.add_flag("--quiet", options.quiet, "Print game boards and the summary, not every end");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help, out, err);
    } catch (const CLI::ParseError& error) {
        err << one_line(accepts, error) << "\n";
        return 2;
    }

    if (seed_option->count() > 0) {
        options.seed = seed;
    }
    if (names.size() == 2) {
        options.names[0] = names[0];
        options.names[1] = names[1];
    } else {
        default_names(options.player_commands, options.names);
    }
    return std::nullopt;
}
