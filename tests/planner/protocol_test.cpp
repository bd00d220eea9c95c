// The planner's protocol through its process: curling-planner driven through
// pipes, with the test-double simulator library beside it, which logs every
// call.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "engine_process.h"

using namespace std::chrono_literals;

namespace {

const std::string DOUBLE = SIMULATOR_DOUBLE_PATH;

std::size_t logged_calls(const EngineProcess& player) {
    const std::string log = player.call_log();
    return static_cast<std::size_t>(std::count(log.begin(), log.end(), '\n'));
}

}  // namespace

// The planner through the players' shared protocol: which GO field is the
// mover's clock, and one read is one command. A low clock gives the quick
// shot (one call to the library), a long one a search (many calls).
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
