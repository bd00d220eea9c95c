// Every way a game can end, the framing of commands, and a runner killed
// half-way, with players that misbehave on purpose.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "match/protocol_text.h"
#include "match_run.h"

using namespace runner;

namespace {

struct EndingCase {
    const char* name;
    std::string player2;
    std::vector<std::string> extra;
    const char* ending;
    const char* detail = "";  // the start of the game's detail
};

// What a terminal shows must not carry a player's control bytes: only
// printable UTF-8 and line ends.
bool terminal_safe(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if ((c < 0x20 && c != '\n') || c == 0x7F) {
            return false;
        }
        if (c >= 0x80) {
            const std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
            if (length == 0 || i + length > text.size() || (c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0)) {
                return false;
            }
            for (std::size_t k = 1; k < length; ++k) {
                if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                    return false;
                }
            }
            i += length - 1;
        }
    }
    return true;
}

// Test listings name the case instead of dumping its bytes.
void PrintTo(const EndingCase& c, std::ostream* out) {
    *out << c.name;
}

std::vector<std::string> args_for(const EndingCase& c) {
    std::vector<std::string> args = {"--simulator", SCORING_SIMULATOR_PATH, "--out", "record.jsonl",
                                     "--games", "2", "--ends", "2", "--concurrency", "1",
                                     "--player1", mock_player(), "--player2", c.player2,
                                     "--seed", "1"};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    return args;
}

class Endings : public testing::TestWithParam<EndingCase> {};

}  // namespace

// Player 2 misbehaves in both games: each game is lost by it and recorded
// under the ending's name, it is restarted, and the match is played out.
TEST_P(Endings, MisbehaviourLosesTheGameAndTheMatchGoesOn) {
    const EndingCase& c = GetParam();
    ScratchFolder folder;
    const MatchRun run = run_match(args_for(c), folder);
    ASSERT_EQ(run.status, 0) << run.err;
    const auto games = lines_of_type(run.record, "game");
    ASSERT_EQ(games.size(), 2u);
    for (const nlohmann::json& game : games) {
        EXPECT_EQ(game["ending"], c.ending) << game.dump();
        EXPECT_EQ(game["player"], 2);
        EXPECT_EQ(game["winner"], 1);
        const std::string detail = game["detail"].get<std::string>();
        EXPECT_FALSE(detail.empty());
        EXPECT_EQ(detail.rfind(c.detail, 0), 0u) << detail;
    }
    EXPECT_TRUE(terminal_safe(run.out)) << run.out;
    EXPECT_TRUE(terminal_safe(run.err)) << run.err;
    const nlohmann::json& summary = run.record.back();
    ASSERT_EQ(summary["type"], "summary");
    EXPECT_EQ(summary["endings"][c.ending], 2);
    EXPECT_EQ(summary["players"][0]["wins"], 2);
    // Shots made before the fault stay in the record.
    for (const nlohmann::json& shot : lines_of_type(run.record, "shot")) {
        EXPECT_TRUE(shot["reply"].get<std::string>().rfind("BESTSHOT ", 0) == 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryWay, Endings,
    testing::Values(
        EndingCase{"crash", mock_player("--mode crash --at-go 3"), {"--clock-ms", "60000"}, "crash",
                   "the player was killed by signal 6 during its turn"},
        // An exit is no clock that ran out, however much time was left.
        EndingCase{"exits_mid_turn", mock_player("--mode exit3 --think-ms 300 --at-go 3"),
                   {"--clock-ms", "60000"}, "crash", "the player exited with status 3 during its turn"},
        EndingCase{"stall", mock_player("--mode stall"),
                   {"--clock-ms", "60000", "--ready-timeout-ms", "1500"}, "stall"},
        EndingCase{"garbage", mock_player("--mode garbage --at-go 2"), {"--clock-ms", "60000"},
                   "malformed_shot"},
        EndingCase{"nan", mock_player("--mode nan --at-go 4"), {"--clock-ms", "60000"},
                   "malformed_shot"},
        EndingCase{"flood", mock_player("--mode flood --at-go 2"), {"--clock-ms", "60000"},
                   "malformed_shot"},
        EndingCase{"badspin", mock_player("--mode badspin"), {"--clock-ms", "60000"},
                   "malformed_shot"},
        // The record keeps the bytes; the terminal shows them escaped.
        EndingCase{"raw_bytes", mock_player("--mode rawbytes --at-go 2"), {"--clock-ms", "60000"},
                   "malformed_shot", "not a BESTSHOT reply: \"\x1b[2J\x1b[31mWIN"},
        EndingCase{"never_answers", mock_player("--mode silent --at-go 2"), {"--clock-ms", "1500"},
                   "time_forfeit", "the clock ran out"},
        // a closed output is no death: the GO is never answered
        EndingCase{"closes_its_output", mock_player("--mode closeout --at-go 2"), {"--clock-ms", "1500"},
                   "time_forfeit"},
        EndingCase{"slow", mock_player("--think-ms 100"), {"--clock-ms", "450"}, "time_forfeit"}),
    [](const testing::TestParamInfo<EndingCase>& info) { return std::string(info.param.name); });

TEST(Endings, NormalGameHasNoOneToBlame) {
    ScratchFolder folder;
    const MatchRun run = run_match(args_for({"", mock_player(), {"--clock-ms", "60000"}, ""}), folder);
    ASSERT_EQ(run.status, 0) << run.err;
    for (const nlohmann::json& game : lines_of_type(run.record, "game")) {
        EXPECT_TRUE(game["player"].is_null());
        EXPECT_EQ(game["detail"], "");
    }
}

TEST(Endings, TimeForfeitNamesTheClock) {
    ScratchFolder folder;
    const MatchRun run = run_match(
        args_for({"", mock_player("--mode silent --at-go 1"), {"--clock-ms", "700"}, ""}), folder);
    ASSERT_EQ(run.status, 0) << run.err;
    const auto games = lines_of_type(run.record, "game");
    ASSERT_EQ(games.size(), 2u);
    EXPECT_NE(games[0]["detail"].get<std::string>().find("clock"), std::string::npos);
    // Player 1 threw and player 2 used up its whole clock on its first stone.
    const auto shots = lines_of_type(run.record, "shot");
    ASSERT_FALSE(shots.empty());
    EXPECT_EQ(shots.front()["player"], 1);
}

TEST(StartUp, APlayerThatCannotStartStopsTheMatch) {
    const std::string cannot_start[] = {"/nonexistent/curling-player", mock_player("--mode no-start")};
    for (const std::string& player : cannot_start) {
        ScratchFolder folder;
        const MatchRun run = run_match(args_for({"", player, {"--clock-ms", "60000"}, ""}), folder);
        EXPECT_NE(run.status, 0) << player;
        EXPECT_NE(run.err.find("player 2 could not start"), std::string::npos) << run.err;
        EXPECT_TRUE(lines_of_type(run.record, "summary").empty());
    }
    // However many games are asked for, nothing is set aside for them up
    // front: the match starts, and stops as cleanly.
    ScratchFolder folder;
    const MatchRun run = run_match({"--simulator", SCORING_SIMULATOR_PATH, "--out", "record.jsonl",
                                    "--games", "2000000000", "--concurrency", "1", "--player1",
                                    mock_player(), "--player2", "/nonexistent/curling-player"},
                                   folder);
    EXPECT_EQ(run.status, 3) << run.err;
    EXPECT_NE(run.err.find("player 2 could not start"), std::string::npos) << run.err;
    ASSERT_FALSE(run.record.empty());
    EXPECT_EQ(run.record.front()["games"], 2000000000);
}

TEST(StartUp, UnusableOptionsAreRefused) {
    const std::vector<std::string> refused[] = {
        {"--ends", "11"},
        {"--games", "0"},
        {"--player1", "'unterminated"},
        {"--simulator", "/nonexistent/libCurlingSimulator.so"},
        {"--spread", "nan"},
        {"--spread", "-0.5"},
    };
    for (const auto& options : refused) {
        ScratchFolder folder;
        std::vector<std::string> args = {"--out", "record.jsonl", "--simulator", SCORING_SIMULATOR_PATH,
                                         "--player1", mock_player(), "--player2", mock_player()};
        args.insert(args.end(), options.begin(), options.end());
        const MatchRun run = run_match(args, folder);
        EXPECT_NE(run.status, 0) << options[0];
    }
    // A record that cannot be written is no match played.
    if (access("/dev/full", W_OK) == 0) {
        ScratchFolder folder;
        const MatchRun run =
            run_match({"--out", "/dev/full", "--simulator", SCORING_SIMULATOR_PATH, "--games", "1", "--ends",
                       "1", "--player1", mock_player(), "--player2", mock_player()},
                      folder);
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find("/dev/full"), std::string::npos) << run.err;
    }
    ScratchFolder folder;
    const MatchRun help = run_match({"--help"}, folder);
    EXPECT_EQ(help.status, 0);
    for (const char* option : {"--player1", "--player2", "--names", "--games", "--ends", "--clock-ms",
                               "--spread", "--seed", "--concurrency", "--out"}) {
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    }
}

namespace {

struct LoggedRead {
    std::string pid;
    std::string text;
};

std::vector<LoggedRead> read_log(const std::string& path) {
    std::vector<LoggedRead> reads;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        const std::size_t space = line.find(' ');
        reads.push_back({line.substr(0, space), line.substr(space + 1)});
    }
    return reads;
}

std::string position_line(const nlohmann::json& stones) {
    GAMESTATE state{};
    for (int k = 0; k < 16; ++k) {
        state.stones[k] = {static_cast<float>(stones[k][0]), static_cast<float>(stones[k][1])};
    }
    std::string line = format_position(state);
    line.pop_back();
    return line;
}

}  // namespace

TEST(Framing, NoCommandIsLostOrMergedUnderLoad) {
    ScratchFolder folder;
    const std::string log = folder.file("reads.log");
    const std::string player = mock_player("--jitter-us 1500 --log " + log);
    // Keep both cores busy so that players are slow to be scheduled.
    std::atomic<bool> busy{true};
    std::vector<std::thread> burners;
    for (int i = 0; i < 2; ++i) {
        burners.emplace_back([&busy] {
            volatile unsigned long spin = 0;
            while (busy.load(std::memory_order_relaxed)) {
                spin = spin + 1;
            }
        });
    }
    const MatchRun run = run_match({"--simulator", SCORING_SIMULATOR_PATH, "--out", "record.jsonl",
                                    "--games", "4", "--ends", "2", "--concurrency", "4",
                                    "--clock-ms", "120000", "--player1", player, "--player2", player,
                                    "--seed", "8"},
                                   folder);
    busy.store(false);
    for (std::thread& burner : burners) {
        burner.join();
    }
    ASSERT_EQ(run.status, 0) << run.err;

    // Each read a player made holds exactly one whole command.
    const auto reads = read_log(log);
    std::map<std::string, int> count;
    std::map<std::string, int> positions_read;
    for (const LoggedRead& read : reads) {
        ASSERT_GE(read.text.size(), 2u);
        EXPECT_EQ(read.text.substr(read.text.size() - 2), "\\n") << read.text;
        EXPECT_EQ(read.text.find("\\n"), read.text.size() - 2) << read.text;
        const std::string word = read.text.substr(0, read.text.find_first_of(" \\"));
        ++count[word];
        if (word == "POSITION") {
            ++positions_read[read.text.substr(0, read.text.size() - 2)];
        }
    }
    // And every command sent was read.
    const auto shots = lines_of_type(run.record, "shot");
    const auto ends = lines_of_type(run.record, "end");
    ASSERT_GE(shots.size(), 4u * 2u * 16u);  // more when a tie brings extra ends
    EXPECT_EQ(count["NEWGAME"], 8);
    EXPECT_EQ(count["ISREADY"], 8);
    EXPECT_EQ(count["GO"], static_cast<int>(shots.size()));
    EXPECT_EQ(count["SETSTATE"], static_cast<int>(shots.size()));
    EXPECT_EQ(count["SCORE"], 2 * static_cast<int>(ends.size()));
    std::map<std::string, int> positions_sent;
    for (const nlohmann::json& shot : shots) {
        ++positions_sent[position_line(shot["position"])];
    }
    EXPECT_EQ(positions_read, positions_sent);
}

TEST(Record, StaysValidWhenTheRunnerIsKilledMidMatch) {
    ScratchFolder folder;
    const std::string record = folder.file("record.jsonl");
    const pid_t runner = start_match({"--simulator", SCORING_SIMULATOR_PATH, "--out", "record.jsonl",
                                      "--games", "40", "--ends", "8", "--concurrency", "2",
                                      "--clock-ms", "600000", "--player1", mock_player("--think-ms 2"),
                                      "--player2", mock_player("--think-ms 2"), "--seed", "4"},
                                     folder);
    // Wait until a good part of the first game is on disk.
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    std::size_t lines = 0;
    while (lines < 60 && std::chrono::steady_clock::now() < give_up) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::ifstream file(record);
        lines = static_cast<std::size_t>(
            std::count(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>(), '\n'));
    }
    kill(runner, SIGKILL);
    EXPECT_EQ(wait_for(runner), 128 + SIGKILL);
    ASSERT_GE(lines, 60u);

    std::ifstream file(record);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    const std::vector<nlohmann::json> parsed = read_record(record);  // throws on a broken line
    EXPECT_EQ(parsed.front()["type"], "match");
    EXPECT_TRUE(lines_of_type(parsed, "summary").empty());
    for (const nlohmann::json& shot : lines_of_type(parsed, "shot")) {
        EXPECT_EQ(shot["after"].size(), 16u);
        EXPECT_TRUE(shot.contains("clock_ms"));
    }
}
