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

#include "match/records/free_guard_zone.h"
#include "simulator/simulator_loader.h"

namespace runner {

namespace {

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

CLI::Validator shard_text() {
    const std::string accepts = "K/N: whole numbers with 0 <= K < N <= 2147483647";
    return CLI::Validator(
        [=](std::string& text) -> std::string {
            if (!parse_shard(text, MAX_INT)) {
                return "accepts " + accepts + ", not \"" + text + "\"";
            }
            return {};
        },
        accepts);
}

CLI::Validator sprt_text() {
    const std::string accepts = sprt_accepts();
    return CLI::Validator(
        [=](std::string& text) -> std::string {
            if (!parse_sprt(text)) {
                return "accepts " + accepts + ", not \"" + text + "\"";
            }
            return {};
        },
        accepts);
}

CLI::Validator rule_text() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            if (!records::rule_from_name(text)) {
                return std::string("accepts ") + records::RULE_ACCEPTS + ", not \"" + text + "\"";
            }
            return {};
        },
        records::RULE_ACCEPTS);
}

// The options that say what match is played: a resumed match takes them
// from its record instead. --simulator is not one: the library may have
// moved, and its checksum in the record says whether it is the same.
constexpr const char* MATCH_DEFINING[] = {"--player1", "--player2", "--names", "--games",
                                          "--ends", "--clock-ms", "--spread", "--seed", "--out",
                                          "--force", "--ready-timeout-ms",
                                          "--shard", "--sprt", "--rule"};

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
    app.footer("Shards of one match merge into one record with: curling-match merge SHARD... --out FILE "
               "(see curling-match merge --help)");
    std::map<std::string, std::string> accepts = {
        {"--player1", "a command line"}, {"--player2", "a command line"},
        {"--names", "two names, as A,B"}, {"--out", "a file name"},
        {"--simulator", "a library file"}, {"--resume", "a record file"}};
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
    std::string shard;
    std::string sprt;
    app.add_option("--shard", shard,
                   "Play only the game pairs p with p mod N = K (K/N); the shards of one match "
                   "(same seed and options) merge into the match played in one go")
        ->check(rule("--shard", shard_text()));
    app.add_option("--sprt", sprt,
                   "Sequential test on game pairs, elo0=A,elo1=B[,alpha=0.05,beta=0.05]: the match "
                   "stops when H0 (Elo elo0) or H1 (Elo elo1) is accepted")
        ->check(rule("--sprt", sprt_text()));
    std::string guard_rule;
    app.add_option("--rule", guard_rule,
                   "Free guard zone: none, four-rock or five-rock (the first 4 or 5 stones of an end may "
                   "not remove the other team's guards), with +no-tick to keep centre-line guards on the line "
                   "too; a delivery that breaks it is undone")
        ->check(rule("--rule", rule_text()));
    app.add_option("--resume", options.resume,
                   "Carry on the match of this record: keeps its finished game pairs and plays the "
                   "rest; the record gives every option but --concurrency and --quiet");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help, out, err);
    } catch (const CLI::ParseError& error) {
        err << one_line(accepts, error) << "\n";
        return 2;
    }

    // An empty value names no file and no program: taken as no value, it
    // would quietly mean the default (a new match, a random seed).
    const std::pair<const char*, bool> texts[] = {
        {"--player1", options.player_commands[0].empty()}, {"--player2", options.player_commands[1].empty()},
        {"--out", options.out.empty()}, {"--simulator", options.simulator_path.empty()},
        {"--resume", options.resume.empty()}};
    for (const auto& [name, empty] : texts) {
        if (app.count(name) > 0 && empty) {
            err << "curling-match: " << name << ": accepts " << accepts.at(name)
                << ", not an empty value; see --help\n";
            return 2;
        }
    }
    if (!options.resume.empty()) {
        for (const char* name : MATCH_DEFINING) {
            if (app.count(name) > 0) {
                err << "curling-match: " << name
                    << ": cannot be given with --resume, which plays the match its record describes; "
                       "see --help\n";
                return 2;
            }
        }
    }
    if (!shard.empty()) {
        options.shard = *parse_shard(shard, MAX_INT);
    }
    if (!sprt.empty()) {
        options.sprt = parse_sprt(sprt);
    }
    if (!guard_rule.empty()) {
        options.rule = *records::rule_from_name(guard_rule);
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

}  // namespace runner
