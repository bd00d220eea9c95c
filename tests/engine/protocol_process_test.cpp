// Black-box tests of the engine's own command loop: curling-engine driven
// through pipes, with the test-double simulator library beside it. What
// every player of the project does alike is in tests/player.
#include <gtest/gtest.h>

#include <string>

#include "engine_process.h"

using namespace std::chrono_literals;

namespace {

const std::string ENGINE = CURLING_ENGINE_PATH;
const std::string DOUBLE = SIMULATOR_DOUBLE_PATH;
const std::string DRAW_TO_TEE = "BESTSHOT 2.375000 4.880000 0";
const std::string DEFAULT_REPLY = "BESTSHOT -3.330000 -33.299999 0";

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

}  // namespace

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
