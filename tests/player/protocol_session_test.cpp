// The players' shared protocol session, read by read: what it answers, what
// it passes to the chooser, and what it keeps of the game.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "player/protocol.h"

namespace {

struct Exchange {
    std::string read;
    std::string reply;
};

}  // namespace

// One session through a game's commands. Each row's read is one read of the
// player's input; the chooser answers a spin of 2, which the protocol only
// knows as 1.
TEST(ProtocolSession, AnswersEachReadAsOneCommand) {
    std::vector<std::int32_t> clocks;
    ProtocolSession session([&](const GAMESTATE&, std::int32_t remaining_ms) {
        clocks.push_back(remaining_ms);
        return ShotVector{0.25f, -29.5f, 2};
    });
    const std::string bestshot = "BESTSHOT 0.250000 -29.500000 1";
    const Exchange exchanges[] = {
        {"NEWGAME\n", ""},
        {"isready\n", "READYOK"},
        // Before any SETSTATE the second time field is the mover's.
        {"GO 1000 2000\n", bestshot},
        {"SETSTATE 3 1 8 0\n", ""},
        {"go 1000 2000\r\n", bestshot},
        {"SCORE 2\n", ""},
        // Only a read's first line counts; this POSITION lacks its numbers.
        {"POSITION 1 2\nGO 5 5\n", ""},
        // A zero byte ends the text.
        {std::string("GO\0 7 7\n", 8), ""},
        {"UNKNOWN 1 2\n", ""},
    };
    for (const Exchange& exchange : exchanges) {
        EXPECT_EQ(session.handle(exchange.read), exchange.reply) << exchange.read;
    }
    EXPECT_EQ(clocks, (std::vector<std::int32_t>{2000, 1000}));
    EXPECT_EQ(session.state().shot_number, 3);
    EXPECT_EQ(session.state().current_end, 1);
    EXPECT_EQ(session.state().end_scores[1], 2);
    EXPECT_EQ(session.state().stones[0].x, 1.0f);  // kept from the short POSITION
    EXPECT_EQ(session.state().stones[0].y, 2.0f);
    EXPECT_EQ(session.handle("ISREADY"), "READYOK");
    EXPECT_EQ(session.state().end_scores[1], 0);
}
