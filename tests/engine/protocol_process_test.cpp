// Black-box tests: the real players driven through pipes, with the
// test-double simulator library beside them. What does not depend on the
// shot a player chooses runs against every player of the project.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "engine_process.h"

using namespace std::chrono_literals;

namespace {

const std::string ENGINE = CURLING_ENGINE_PATH;
const std::string DOUBLE = SIMULATOR_DOUBLE_PATH;
const std::string DRAW_TO_TEE = "BESTSHOT 2.375000 4.880000 0";
const std::string DEFAULT_REPLY = "BESTSHOT -3.330000 -33.299999 0";

// A reply has no terminator: read what the engine wrote for one command,
// waiting until the expected length has arrived, then make sure nothing
// more follows.
std::string reply_to(EngineProcess& engine, const std::string& command, std::size_t expected) {
    engine.send(command);
    std::string got = engine.read_bytes(expected, 20s);
    got += engine.read_available(50ms);
    return got;
}

// Proves a command produced no reply: the next bytes are those of ISREADY.
void expect_silence(EngineProcess& engine) {
    EXPECT_EQ(reply_to(engine, "ISREADY\n", 7), "READYOK");
}

std::string position_line(int numbers, float stone15_x, float stone15_y) {
    std::string line = "POSITION";
    for (int k = 0; k < 15 && 2 * k < numbers; ++k) {
        line += " 0 0";
    }
    if (numbers >= 31) {
        line += " " + std::to_string(stone15_x);
    }
    if (numbers >= 32) {
        line += " " + std::to_string(stone15_y);
    }
    return line + "\n";
}

// A player program and what it does when it cannot load its library.
struct Player {
    const char* name;
    std::string path;
};

const Player PLAYERS[] = {
    {"engine", CURLING_ENGINE_PATH},
    {"planner", CURLING_PLANNER_PATH},
};

std::string player_name(const ::testing::TestParamInfo<Player>& info) { return info.param.name; }

void PrintTo(const Player& player, std::ostream* out) { *out << player.name; }

}  // namespace

class AnyPlayer : public ::testing::TestWithParam<Player> {};

INSTANTIATE_TEST_SUITE_P(Players, AnyPlayer, ::testing::ValuesIn(PLAYERS), player_name);

TEST_P(AnyPlayer, ReadyokIsSevenBytesInAnyLetterCase) {
    EngineProcess engine(GetParam().path, DOUBLE);
    EXPECT_EQ(reply_to(engine, "ISREADY\n", 7), "READYOK");
    EXPECT_EQ(reply_to(engine, "isready\n", 7), "READYOK");
    EXPECT_EQ(reply_to(engine, "IsReady\r\n", 7), "READYOK");
    EXPECT_EQ(reply_to(engine, "   ISREADY extra fields\n", 7), "READYOK");
    engine.send("NEWGAME\n");
    engine.send("UNKNOWN 1 2 3\n");
    engine.send("\n");
    expect_silence(engine);
}

TEST(EngineProtocol, GoReadsTheTimeFieldOfTheSideToMove) {
    EngineProcess engine(ENGINE, DOUBLE);
    // Before any SETSTATE the second field counts: 90000 is full play, so
    // shot 0 gets the default shot.
    EXPECT_EQ(reply_to(engine, "GO 100 90000\n", DEFAULT_REPLY.size()), DEFAULT_REPLY);
    // Side 0 to move: the first field, 100, is low time: a draw to the tee.
    engine.send("SETSTATE 0 0 8 0\n");
    EXPECT_EQ(reply_to(engine, "go 100 90000\n", DRAW_TO_TEE.size()), DRAW_TO_TEE);
    engine.send("SETSTATE 0 0 8 1\n");
    EXPECT_EQ(reply_to(engine, "Go 100 90000\n", DEFAULT_REPLY.size()), DEFAULT_REPLY);
    // A side field of 2 names no side: the second field is read.
    engine.send("SETSTATE 0 0 8 2\n");
    EXPECT_EQ(reply_to(engine, "GO 100 90000\n", DEFAULT_REPLY.size()), DEFAULT_REPLY);
    // ISREADY clears the game but not the choice of time field.
    engine.send("SETSTATE 0 0 8 0\n");
    EXPECT_EQ(reply_to(engine, "ISREADY\n", 7), "READYOK");
    EXPECT_EQ(reply_to(engine, "GO 100 90000\n", DRAW_TO_TEE.size()), DRAW_TO_TEE);
}

TEST(EngineProtocol, GoWithoutItsTimeFieldIsNotAnswered) {
    EngineProcess engine(ENGINE, DOUBLE);
    engine.send("SETSTATE 0 0 8 1\n");
    engine.send("GO 120000\n");
    expect_silence(engine);
    // A trailing space makes an empty second field, which reads as time 0.
    EXPECT_EQ(reply_to(engine, "GO 120000 \n", DRAW_TO_TEE.size()), DRAW_TO_TEE);
    EXPECT_EQ(engine.call_log().substr(0, 2), "2 ");
}

TEST(EngineProtocol, PositionWithThirtyOneNumbersKeepsTheLastY) {
    EngineProcess engine(ENGINE, DOUBLE);
    engine.send(position_line(32, 2.4f, 4.9f));
    engine.send(position_line(31, 2.5f, 0.0f));
    // Shot 16 in low time aims at the stone nearest the tee: stone 15, the
    // opponent's, so the reply is a hit on its exact position.
    engine.send("SETSTATE 16 0 8 1\n");
    const std::string hit = "BESTSHOT 2.500000 4.900000 0";
    EXPECT_EQ(reply_to(engine, "GO 0 10\n", hit.size()), hit);
}

TEST(EngineProtocol, OneReadIsOneCommand) {
    EngineProcess engine(ENGINE, DOUBLE);
    // Only the first line of a read counts: the SETSTATE is dropped, so the
    // second time field is still the one read.
    engine.send("POSITION 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0\n"
                "SETSTATE 0 0 8 0\n");
    EXPECT_EQ(reply_to(engine, "GO 100 90000\n", DEFAULT_REPLY.size()), DEFAULT_REPLY);
    // A line split over two reads is two lines: "SETST" and "ATE ..." are
    // both unknown words.
    engine.send("SETST");
    engine.send("ATE 0 0 8 0\n");
    EXPECT_EQ(reply_to(engine, "GO 100 90000\n", DEFAULT_REPLY.size()), DEFAULT_REPLY);
    // A carriage return ends a line like a line feed.
    engine.send("SETSTATE 0 0 8 0\r\n");
    EXPECT_EQ(reply_to(engine, "GO 100 90000\r\n", DRAW_TO_TEE.size()), DRAW_TO_TEE);
}

TEST_P(AnyPlayer, GoNamingNoTimeForTheSideToMoveIsNotAnswered) {
    EngineProcess engine(GetParam().path, DOUBLE);
    engine.send("SETSTATE 0 0 8 1\n");
    engine.send("GO 120000\n");
    expect_silence(engine);
    // A trailing space makes an empty field: time 0, still answered.
    engine.send("GO 120000 \n");
    EXPECT_EQ(engine.read_bytes(9, 20s), "BESTSHOT ");
    engine.read_available(200ms);
    expect_silence(engine);
}

TEST_P(AnyPlayer, EndOfInputEndsThePlayerWithStatusZero) {
    EngineProcess engine(GetParam().path, DOUBLE);
    EXPECT_EQ(reply_to(engine, "ISREADY\n", 7), "READYOK");
    engine.close_input();
    EXPECT_EQ(engine.wait_exit(10s), 0);
}

TEST_P(AnyPlayer, HostileInputNeverCrashesThePlayer) {
    EngineProcess engine(GetParam().path, DOUBLE);
    // Longer than one read: the engine takes it in two reads, neither of
    // which starts with a command word.
    engine.send(std::string(2000, 'X') + "\n");
    engine.send(std::string(1030, 'A') + " GO 1 2\n");
    engine.send("SETSTATE 2147483647 99999 -5 7\n");
    engine.send("SCORE 3\n");
    engine.send("SETSTATE -2147483647 -99999 -5 0\n");
    engine.send("SCORE 3\n");
    engine.send("POSITION nan inf -inf 1e39 x y\n");
    expect_silence(engine);
    engine.send("SETSTATE -2147483647 -99999 -5 0\n");
    engine.send("POSITION nan inf -inf 1e39 x y\n");
    engine.send(std::string("GO \x01\x02\xff 5", 9) + "\n");
    EXPECT_EQ(engine.read_bytes(9, 20s), "BESTSHOT ");
    engine.read_available(100ms);
    expect_silence(engine);
    engine.close_input();
    EXPECT_EQ(engine.wait_exit(10s), 0);
}

struct LibraryCase {
    const char* name;
    std::string library;  // copied beside the player; empty for none
    int mode;             // permission bits of the copy, or -1
    const char* reason;   // part of the loader's answer
};

struct MissingCase {
    Player player;
    LibraryCase library;
};

void PrintTo(const MissingCase& c, std::ostream* out) {
    *out << c.player.name << " with " << c.library.name;
}

class MissingSimulator : public ::testing::TestWithParam<MissingCase> {};

std::vector<MissingCase> missing_cases() {
    const LibraryCase libraries[] = {
        {"no_library", "", -1, "No such file"},
        {"no_simulation", DOUBLE_NO_SIMULATION_PATH, -1, "missing entry point Simulation"},
        {"no_create_shot", DOUBLE_NO_CREATE_SHOT_PATH, -1, "missing entry point CreateShot"},
        {"no_create_hit_shot", DOUBLE_NO_CREATE_HIT_SHOT_PATH, -1, "missing entry point CreateHitShot"},
        {"no_get_score", DOUBLE_NO_GET_SCORE_PATH, -1, "missing entry point GetScore"},
        // A program, not a library.
        {"not_a_library", CURLING_ENGINE_PATH, -1, ""},
        {"unreadable", SIMULATOR_DOUBLE_PATH, 0, "Permission denied"},
    };
    std::vector<MissingCase> cases;
    for (const Player& player : PLAYERS) {
        for (const LibraryCase& library : libraries) {
            cases.push_back({player, library});
        }
    }
    return cases;
}

std::string missing_case_name(const ::testing::TestParamInfo<MissingCase>& info) {
    return std::string(info.param.player.name) + "_" + info.param.library.name;
}

// A player that cannot play must not end as if it had: the first line stays
// what servers look for, the second names the file tried and why it failed,
// and the exit status says failure. Nothing is read or called.
TEST_P(MissingSimulator, ReportsWhyAndExitsWithStatusOne) {
    const LibraryCase& c = GetParam().library;
    EngineProcess engine(GetParam().player.path, c.library, c.mode);
    if (c.mode >= 0 && access(engine.library_path().c_str(), R_OK) == 0) {
        GTEST_SKIP() << "this user reads any file (root): an unreadable library cannot be made";
    }
    EXPECT_EQ(engine.wait_exit(10s), 1);
    const std::string error = engine.error_output();
    const std::string first = "failed to load CurlingSimulator.dll\n";
    ASSERT_EQ(error.substr(0, first.size()), first) << error;
    const std::string second = error.substr(first.size());
    ASSERT_FALSE(second.empty());
    EXPECT_EQ(second.find('\n'), second.size() - 1) << "one line: " << second;
    EXPECT_EQ(second.rfind(engine.library_path() + ": ", 0), 0u) << second;
    EXPECT_NE(second.find(c.reason), std::string::npos) << second;
    EXPECT_EQ(engine.read_available(50ms), "");
    EXPECT_EQ(engine.call_log(), "");
}

INSTANTIATE_TEST_SUITE_P(Startup, MissingSimulator, ::testing::ValuesIn(missing_cases()),
                         missing_case_name);

namespace {

std::size_t logged_calls(const EngineProcess& player) {
    const std::string log = player.call_log();
    return static_cast<std::size_t>(std::count(log.begin(), log.end(), '\n'));
}

}  // namespace

// The planner's own command loop: which GO field is the mover's clock, and
// one read is one command. A low clock gives the quick shot (one call to
// the library), a long one a search (many calls).
TEST(PlannerProtocol, GoReadsTheMoversClockAndOneReadIsOneCommand) {
    EngineProcess planner(CURLING_PLANNER_PATH, DOUBLE);
    std::size_t calls = 0;
    const auto answer = [&](const std::string& go) {
        planner.send(go);
        EXPECT_EQ(planner.read_bytes(9, 20s), "BESTSHOT ");
        planner.read_available(100ms);
        const std::size_t now = logged_calls(planner);
        const std::size_t made = now - calls;
        calls = now;
        return made;
    };
    // Before any SETSTATE the second field counts.
    EXPECT_GT(answer("GO 100 90000\n"), 1u);
    planner.send("SETSTATE 0 0 8 0\n");
    EXPECT_EQ(answer("go 100 90000\n"), 1u);
    planner.send("SETSTATE 0 0 8 1\n");
    EXPECT_GT(answer("Go 100 90000\n"), 1u);
    // Only the first line of a read counts: the SETSTATE is dropped.
    planner.send("POSITION 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0\n"
                 "SETSTATE 0 0 8 0\n");
    EXPECT_GT(answer("GO 100 90000\n"), 1u);
    // A line split over two reads is two unknown words.
    planner.send("SETST");
    planner.send("ATE 0 0 8 0\n");
    EXPECT_GT(answer("GO 100 90000\n"), 1u);
    planner.send("SETSTATE 0 0 8 0\r\n");
    EXPECT_EQ(answer("GO 100 90000\r\n"), 1u);
}
