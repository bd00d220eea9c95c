// The runner against a hostile user and hostile players: options it cannot
// use, two runners on one record, a disk that fills up, signals, and
// players that leave processes behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <thread>

#include "match_run.h"

using namespace std::chrono_literals;

namespace {

// A resumed match takes its options from its record: it gets none of the
// fallbacks, so a case names the one option it gives.
std::vector<std::string> quick_match(std::vector<std::string> more) {
    std::vector<std::string> args;
    const bool resuming = std::find(more.begin(), more.end(), "--resume") != more.end();
    for (const std::vector<std::string>& fallback :
         {std::vector<std::string>{"--simulator", SCORING_SIMULATOR_PATH}, {"--games", "1"}, {"--ends", "1"},
          {"--concurrency", "1"}, {"--player1", mock_player()}, {"--player2", mock_player()},
          {"--out", "record.jsonl"}, {"--seed", "1"}}) {
        if (!resuming && std::find(more.begin(), more.end(), fallback[0]) == more.end()) {
            args.insert(args.end(), fallback.begin(), fallback.end());
        }
    }
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

std::size_t line_count(const std::string& path) {
    const std::string text = slurp(path);
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// Waits until `done` holds or 60 s have passed; false on the latter.
template <typename Condition>
bool eventually(Condition done) {
    const auto give_up = std::chrono::steady_clock::now() + 60s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > give_up) {
            return false;
        }
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

struct RefusedCase {
    const char* name;
    std::vector<std::string> args;
    const char* says;  // part of the one-line message
};

void PrintTo(const RefusedCase& c, std::ostream* out) { *out << c.name; }

class Refused : public testing::TestWithParam<RefusedCase> {};

}  // namespace

// Every option the runner cannot use ends it with status 2 and one line
// that names the option; nothing is played and no file is touched.
TEST_P(Refused, ExitsTwoWithOneLineNamingTheOption) {
    const RefusedCase& c = GetParam();
    ScratchFolder folder;
    ASSERT_EQ(mkfifo(folder.file("fifo").c_str(), 0644), 0);
    const std::string earlier = "{\"type\":\"match\",\"seed\":42}\n";
    std::ofstream(folder.file("earlier.jsonl")) << earlier;
    const MatchRun run = run_match_within(quick_match(c.args), folder, 30s);
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(run.err.back(), '\n');
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(slurp(folder.file("earlier.jsonl")), earlier);
}

INSTANTIATE_TEST_SUITE_P(
    Options, Refused,
    testing::Values(
        RefusedCase{"no_games", {"--games", "0"}, "--games: accepts a whole number from 1 to 2147483647"},
        RefusedCase{"games_not_a_number", {"--games", "two"}, "--games: accepts"},
        RefusedCase{"games_missing", {"--games"}, "--games: accepts a whole number"},
        RefusedCase{"too_many_ends", {"--ends", "11"}, "--ends: accepts a whole number from 1 to 10"},
        RefusedCase{"clock_beyond_32_bits", {"--clock-ms", "2147483648"}, "--clock-ms: accepts a whole number from 1 to 2147483647"},
        RefusedCase{"negative_seed", {"--seed", "-1"}, "--seed: accepts a whole number from 0 to 18446744073709551615"},
        RefusedCase{"seed_of_2_to_64", {"--seed", "18446744073709551616"}, "--seed: accepts"},
        RefusedCase{"huge_seed", {"--seed", "99999999999999999999999"}, "--seed: accepts"},
        RefusedCase{"spread_nan", {"--spread", "nan"}, "--spread: accepts a number from 0 to 10"},
        RefusedCase{"no_concurrency", {"--concurrency", "0"}, "--concurrency: accepts"},
        RefusedCase{"one_name", {"--names", "solo"}, "--names: accepts two names"},
        RefusedCase{"unknown_option", {"--bogus"}, "--bogus"},
        RefusedCase{"out_is_a_fifo", {"--out", "fifo"}, "fifo is not a regular file"},
        RefusedCase{"out_is_a_folder", {"--out", "."}, "--out: cannot write ."},
        RefusedCase{"out_holds_a_record", {"--out", "earlier.jsonl"}, "--force"},
        RefusedCase{"shard_beyond_count", {"--shard", "3/3"}, "--shard: accepts K/N: whole numbers with 0 <= K < N"},
        RefusedCase{"shard_not_a_fraction", {"--shard", "1"}, "--shard: accepts K/N"},
        RefusedCase{"sprt_bounds_reversed", {"--sprt", "elo0=10,elo1=0"}, "--sprt: accepts elo0=A,elo1=B"},
        RefusedCase{"sprt_alpha_of_one", {"--sprt", "elo0=0,elo1=10,alpha=1"}, "--sprt: accepts"},
        RefusedCase{"rule_unknown", {"--rule", "bogus"}, "--rule: accepts none, four-rock or five-rock"},
        RefusedCase{"rule_no_tick_alone", {"--rule", "none+no-tick"}, "--rule: accepts"},
        // The stand-in library predates the rule: it cannot be played under it.
        RefusedCase{"rule_without_the_entry_point", {"--rule", "five-rock"}, "has no ApplyFreeGuardZone"},
        // An empty value is no value: it must not mean the default.
        RefusedCase{"empty_resume", {"--resume", ""}, "--resume: accepts a record file, not an empty value"},
        RefusedCase{"empty_out", {"--out", ""}, "--out: accepts a file name, not an empty value"},
        RefusedCase{"empty_simulator", {"--simulator", ""}, "--simulator: accepts a library file, not an empty"},
        RefusedCase{"empty_player", {"--player2", ""}, "--player2: accepts a command line, not an empty"},
        // The record says what match it is.
        RefusedCase{"resume_with_match_options", {"--resume", "earlier.jsonl", "--games", "3"},
                    "--games: cannot be given with --resume"},
        RefusedCase{"resume_under_another_rule", {"--resume", "earlier.jsonl", "--rule", "five-rock"},
                    "--rule: cannot be given with --resume"}),
    [](const testing::TestParamInfo<RefusedCase>& info) { return std::string(info.param.name); });

// The edges of what is accepted convert exactly.
TEST(Options, LargestSeedAndClockAreTakenAsGiven) {
    ScratchFolder folder;
    const MatchRun run =
        run_match_within(quick_match({"--seed", "18446744073709551615", "--clock-ms", "2147483647"}), folder, 60s);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.record.front()["seed"].get<std::uint64_t>(), 18446744073709551615u);
    EXPECT_EQ(run.record.front()["clock_ms"], 2147483647);
    // The side that has not thrown yet was sent the whole clock.
    const nlohmann::json first_shot = lines_of_type(run.record, "shot").front();
    EXPECT_EQ(first_shot["clock_ms"][1 - first_shot["side"].get<int>()].get<std::int64_t>(), 2147483647);
}

// A second runner on a record that a first one is writing is refused, even
// with --force, and the first one's record stays whole; --force overwrites a
// record nobody is writing.
TEST(Record, BelongsToOneRunnerAtATime) {
    ScratchFolder folder;
    const std::string record = folder.file("record.jsonl");
    const pid_t first = start_match({"--simulator", SCORING_SIMULATOR_PATH, "--out", "record.jsonl",
                                     "--games", "400", "--ends", "1", "--concurrency", "1", "--seed", "1",
                                     "--player1", mock_player("--think-ms 2"), "--player2",
                                     mock_player("--think-ms 2")},
                                    folder);
    ASSERT_TRUE(eventually([&] { return line_count(record) >= 20; }));

    ScratchFolder second_folder;
    const MatchRun second =
        run_match_within(quick_match({"--out", record, "--force", "--seed", "2"}), second_folder, 30s);
    EXPECT_EQ(second.status, 2);
    EXPECT_NE(second.err.find("being written by another process"), std::string::npos) << second.err;
    const std::size_t lines_before = line_count(record);
    EXPECT_GE(lines_before, 20u);

    kill(first, SIGTERM);
    EXPECT_EQ(wait_for(first, 30s), 128 + SIGTERM);
    const std::vector<nlohmann::json> kept = read_record(record);  // throws on a broken line
    EXPECT_GE(kept.size(), lines_before);
    EXPECT_EQ(kept.front()["seed"], 1);
    EXPECT_EQ(lines_of_type(kept, "match").size(), 1u);
    EXPECT_EQ(kept.back()["type"], "summary");

    const MatchRun third = run_match_within(quick_match({"--out", record, "--force", "--seed", "3"}), second_folder, 60s);
    EXPECT_EQ(third.status, 0) << third.err;
    const std::vector<nlohmann::json> replaced = read_record(record);
    EXPECT_EQ(replaced.front()["seed"], 3);
    EXPECT_EQ(lines_of_type(replaced, "match").size(), 1u);
}

// On a full disk the runner stops at the first failed write, leaves only
// whole lines, says so and exits 2. The kernel's file size limit makes the
// write fail part-way, as a full disk does.
TEST(Record, AFullDiskStopsTheMatchAndLeavesOnlyWholeLines) {
    ScratchFolder folder;
    constexpr long LIMIT = 24 * 1024;
    const MatchRun run = run_match_within(
        {"--simulator", SCORING_SIMULATOR_PATH, "--out", "record.jsonl", "--games", "40", "--ends", "1",
         "--concurrency", "1", "--seed", "5", "--quiet", "--player1", mock_player(), "--player2",
         mock_player()},
        folder, 120s, LIMIT);
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_NE(run.err.find("cut back to its last whole line"), std::string::npos) << run.err;
    const std::string text = slurp(folder.file("record.jsonl"));
    ASSERT_FALSE(text.empty());
    EXPECT_LT(text.size(), static_cast<std::size_t>(LIMIT));
    EXPECT_EQ(text.back(), '\n');
    const std::vector<nlohmann::json> record = read_record(folder.file("record.jsonl"));  // throws on a half line
    EXPECT_EQ(record.front()["type"], "match");
    // It stopped there, not after the forty games asked for.
    EXPECT_LE(lines_of_type(record, "game").size(), 3u);
    EXPECT_EQ(run.out.find("Game 6\n"), std::string::npos) << run.out;
}

namespace {

struct Descendant {
    std::string role;  // "player" or "child"
    pid_t pid;
};

std::vector<Descendant> read_forks(const std::string& path) {
    std::vector<Descendant> found;
    std::ifstream file(path);
    std::string role;
    pid_t pid = 0;
    while (file >> role >> pid) {
        found.push_back({role, pid});
    }
    return found;
}

// Running (not a zombie) and still a mock player, not a later process that
// got the same number.
bool mock_alive(pid_t pid) {
    const std::string stat = slurp("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos || close + 2 >= stat.size()) {
        return false;
    }
    const char state = stat[close + 2];
    return state != 'Z' && state != 'X' && stat.find("(match_mock_pla") != std::string::npos;
}

struct EndCase {
    const char* name;
    const char* fork_option;  // --fork-child or --fork-session
    int signal;               // 0: the match is played to its end
};

void PrintTo(const EndCase& c, std::ostream* out) { *out << c.name; }

class Descendants : public testing::TestWithParam<EndCase> {};

}  // namespace

// Whatever a player starts ends with the runner, whether the match ends,
// is interrupted or terminated; a stopped match still writes the summary of
// the games it finished and ends by the signal it got.
TEST_P(Descendants, NoneOutliveTheRunner) {
    const EndCase& c = GetParam();
    ScratchFolder folder;
    const std::string forks = folder.file("forks.log");
    const std::string forking = std::string(c.fork_option) + " " + forks;
    // Player 2 stops answering in its second game, so a signal finds it
    // thinking on a clock of ten minutes.
    const std::vector<std::string> args = {
        "--simulator", SCORING_SIMULATOR_PATH, "--out", "record.jsonl", "--ends", "1", "--concurrency", "1",
        "--clock-ms", "600000", "--seed", "6", "--games", c.signal != 0 ? "40" : "1",
        "--player1", mock_player(forking), "--player2", mock_player(forking + " --mode silent --at-go 12")};
    const pid_t runner = start_match(args, folder);
    int status = 0;
    if (c.signal != 0) {
        ASSERT_TRUE(eventually([&] {
            return read_forks(forks).size() == 4 &&
                   slurp(folder.file("record.jsonl")).find("\"type\":\"game\"") != std::string::npos;
        }));
        kill(runner, c.signal);
    }
    status = wait_for(runner, 60s);
    const std::vector<Descendant> started = read_forks(forks);
    ASSERT_EQ(started.size(), 4u);
    for (const Descendant& d : started) {
        EXPECT_FALSE(mock_alive(d.pid)) << d.role << " " << d.pid;
        kill(d.pid, SIGKILL);  // leave nothing behind, whatever happened
    }
    const std::vector<nlohmann::json> record = read_record(folder.file("record.jsonl"));
    ASSERT_FALSE(record.empty());
    EXPECT_EQ(record.back()["type"], "summary");
    if (c.signal == 0) {
        EXPECT_EQ(status, 0);
        return;
    }
    EXPECT_EQ(status, 128 + c.signal);
    EXPECT_EQ(record.back()["games"], 1);
    EXPECT_EQ(record.back()["stopped_by"], c.signal == SIGINT ? "SIGINT" : "SIGTERM");
    EXPECT_EQ(lines_of_type(record, "game").size(), 1u);
    EXPECT_NE(slurp(folder.file("stdout")).find("Match: 1 games"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Runner, Descendants,
    testing::Values(EndCase{"child_normal_end", "--fork-child", 0},
                    EndCase{"child_sigint", "--fork-child", SIGINT},
                    EndCase{"child_sigterm", "--fork-child", SIGTERM},
                    EndCase{"own_session_normal_end", "--fork-session", 0},
                    EndCase{"own_session_sigint", "--fork-session", SIGINT},
                    EndCase{"own_session_sigterm", "--fork-session", SIGTERM}),
    [](const testing::TestParamInfo<EndCase>& info) { return std::string(info.param.name); });
