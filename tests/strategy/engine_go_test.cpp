#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>

#include "engine/command_loop.h"
#include "testing/doubles/double_fixture.h"

namespace {

// Runs command lines through the engine's own handler and returns what it
// wrote to standard output.
std::string run_commands(std::initializer_list<const char*> lines) {
    std::fflush(stdout);
    std::FILE* capture = std::tmpfile();
    if (capture == nullptr) {
        ADD_FAILURE() << "no temporary file";
        return {};
    }
    const int saved = dup(STDOUT_FILENO);
    dup2(fileno(capture), STDOUT_FILENO);
    for (const char* line : lines) {
        char buffer[COMMAND_BUFFER_SIZE] = {};
        std::snprintf(buffer, sizeof buffer, "%s", line);
        handle_command(buffer);
    }
    dup2(saved, STDOUT_FILENO);
    close(saved);
    std::string text;
    std::rewind(capture);
    for (int c = std::fgetc(capture); c != EOF; c = std::fgetc(capture)) {
        text.push_back(static_cast<char>(c));
    }
    std::fclose(capture);
    return text;
}

using EngineGo = DoubleTest;

TEST_F(EngineGo, FirstShotInFullPlayIsTheDefaultShot) {
    EXPECT_EQ(run_commands({"ISREADY", "SETSTATE 0 0 8 0", "GO 300000 300000"}),
              "READYOKBESTSHOT -3.330000 -33.299999 0");
    EXPECT_EQ(run_commands({"SETSTATE 1 0 8 1", "GO 300000 300000"}),
              "BESTSHOT -0.800000 -28.000000 0");
    // Shot 3 with the opponent's two stones out of play: the spin-1 early
    // shot, its spin printed as the digit 1.
    EXPECT_EQ(run_commands({"ISREADY", "SETSTATE 3 0 8 0", "GO 300000 300000"}),
              "READYOKBESTSHOT 0.800000 -28.000000 1");
    EXPECT_EQ(double_call_count(), 0);
}

TEST_F(EngineGo, HostileShotNumbersInLowTimeStayInBounds) {
    // Every stone in the house, so the low-time rule reads the ordering.
    std::string position = "POSITION";
    for (int k = 0; k < 16; ++k) {
        position += " 2.375 " + std::to_string(4.9 + 0.05 * k);
    }
    for (const char* setstate : {"SETSTATE 100000 0 8 0", "SETSTATE -100000 0 8 0",
                                 "SETSTATE 17 0 8 0"}) {
        double_reset();
        const std::string reply =
            run_commands({"ISREADY", position.c_str(), setstate, "GO 10 10"});
        EXPECT_EQ(reply.rfind("READYOKBESTSHOT ", 0), 0u) << reply;
        EXPECT_EQ(double_call_count(), 1) << setstate;
    }
}

// A time beyond the protocol's 32-bit field is plenty of time, not none:
// the engine searches as with the largest time instead of drawing to the
// tee, and a time below the range is as short as the shortest.
TEST_F(EngineGo, TimesBeyondThirtyTwoBitsSaturate) {
    const std::string full_play = run_commands({"ISREADY", "SETSTATE 0 0 8 0", "GO 2147483647 0"});
    ASSERT_EQ(full_play, "READYOKBESTSHOT -3.330000 -33.299999 0");
    for (const char* go : {"GO 2147483648 0", "GO 4294967296 0", "GO 99999999999999999999 0"}) {
        EXPECT_EQ(run_commands({"ISREADY", "SETSTATE 0 0 8 0", go}), full_play) << go;
    }
    const std::string low_time = run_commands({"ISREADY", "SETSTATE 0 0 8 0", "GO -2147483648 0"});
    ASSERT_NE(low_time, full_play);
    for (const char* go : {"GO -2147483649 0", "GO -4294967297 0"}) {
        EXPECT_EQ(run_commands({"ISREADY", "SETSTATE 0 0 8 0", go}), low_time) << go;
    }
}

}  // namespace
