// Black-box tests of every player program of the project: driven through
// pipes, with the test-double simulator library beside it. What does not
// depend on the shot a player chooses runs against each of them.
#include <gtest/gtest.h>

#include <unistd.h>

#include <ostream>
#include <string>
#include <vector>

#include "engine_process.h"

using namespace std::chrono_literals;

namespace {

const std::string DOUBLE = SIMULATOR_DOUBLE_PATH;

// Proves a command produced no reply: the next bytes are those of ISREADY.
void expect_silence(EngineProcess& engine) {
    EXPECT_EQ(reply_to(engine, "ISREADY\n", 7), "READYOK");
}

struct Player {
    const char* name;
    std::string path;
};

const Player PLAYERS[] = {
    {"engine", CURLING_ENGINE_PATH},
    {"planner", CURLING_PLANNER_PATH},
#ifdef CURLING_DRAW_PLAYER_PATH
    {"draw", CURLING_DRAW_PLAYER_PATH},
#endif
};

// The players a server starts in place of the engine: each says, in the
// engine's words, that it cannot load its library.
const Player ENGINE_LIKE_PLAYERS[] = {
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
    engine.send(std::string(2000, 'X').append("\n"));
    engine.send(std::string(1030, 'A').append(" GO 1 2\n"));
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
    for (const Player& player : ENGINE_LIKE_PLAYERS) {
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
