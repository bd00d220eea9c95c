#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "match/game_rules.h"

using namespace runner;
using curling::BACK_LINE_Y;
using curling::TEE_X;
using curling::TEE_Y;

TEST(TurnOrder, HammerPassesToTheSideThatDidNotScore) {
    // Side 0 threw first; side 0 scores, so side 0 throws first again and
    // side 1 keeps the hammer.
    EXPECT_EQ(first_thrower_after(0, 2), 0);
    EXPECT_EQ(hammer_side(first_thrower_after(0, 2)), 1);
    // Side 1 scores with the hammer: it throws first next end.
    EXPECT_EQ(first_thrower_after(0, -3), 1);
    EXPECT_EQ(hammer_side(first_thrower_after(0, -3)), 0);
    // A steal by the side without the hammer leaves the hammer where it was.
    EXPECT_EQ(first_thrower_after(1, -1), 1);
    EXPECT_EQ(first_thrower_after(1, 4), 0);
}

TEST(TurnOrder, BlankEndKeepsTheHammer) {
    EXPECT_EQ(first_thrower_after(0, 0), 0);
    EXPECT_EQ(first_thrower_after(1, 0), 1);
}

TEST(TurnOrder, StonesAlternateFromTheFirstThrower) {
    EXPECT_EQ(side_to_throw(1, 0), 1);
    EXPECT_EQ(side_to_throw(1, 1), 0);
    EXPECT_EQ(side_to_throw(1, 15), 0);
    EXPECT_EQ(side_to_throw(0, 14), 0);
    EXPECT_EQ(side_to_throw(0, 15), 1);
    EXPECT_EQ(hammer_side(0), side_to_throw(0, 15));
}

TEST(TurnOrder, FirstHammerSwapsWithinEachPairOfGames) {
    EXPECT_EQ(hammer_side(first_thrower_of_game(0)), 1);
    EXPECT_EQ(hammer_side(first_thrower_of_game(1)), 0);
    EXPECT_EQ(hammer_side(first_thrower_of_game(2)), 1);
    EXPECT_EQ(hammer_side(first_thrower_of_game(7)), 0);
}

TEST(GameLength, RegularEndsAreAlwaysPlayed) {
    EXPECT_TRUE(another_end(8, 0, 0, 0));
    EXPECT_TRUE(another_end(8, 7, 9, 0));
    EXPECT_FALSE(another_end(8, 8, 3, 2));
    EXPECT_FALSE(another_end(8, 8, 2, 3));
}

TEST(GameLength, TiedGameGoesToExtraEndsWhileTheRecordsHaveRoom) {
    EXPECT_TRUE(another_end(8, 8, 4, 4));
    EXPECT_TRUE(another_end(8, 9, 5, 5));
    EXPECT_FALSE(another_end(8, 10, 5, 5));
    EXPECT_FALSE(another_end(10, 10, 0, 0));
    EXPECT_FALSE(another_end(8, 9, 6, 5));
}

TEST(GameLength, WinnerFromTotalsOrDraw) {
    EXPECT_EQ(winner_from_totals(5, 3), 0);
    EXPECT_EQ(winner_from_totals(3, 5), 1);
    EXPECT_FALSE(winner_from_totals(4, 4).has_value());
}

TEST(OutOfPlay, RemovesStonesOffTheSheetAndKeepsTheRest) {
    GAMESTATE state{};
    state.stones[0] = {TEE_X, TEE_Y};                                      // on the tee
    state.stones[1] = {0.1f, 5.0f};                                        // touches the side line
    state.stones[2] = {4.7f, 5.0f};                                        // touches the other one
    state.stones[3] = {TEE_X, BACK_LINE_Y - 0.2f};                         // wholly over the back line
    state.stones[4] = {TEE_X, BACK_LINE_Y - 0.1f};                         // still biting it
    state.stones[5] = {std::numeric_limits<float>::quiet_NaN(), 5.0f};     // nonsense
    state.stones[6] = {2.0f, std::numeric_limits<float>::infinity()};      // nonsense
    state.stones[7] = {2.0f, 9.0f};                                        // a guard
    remove_stones_out_of_play(state);
    EXPECT_EQ(state.stones[0].x, TEE_X);
    for (int k : {1, 2, 3, 5, 6}) {
        EXPECT_EQ(state.stones[k].x, 0.0f) << k;
        EXPECT_EQ(state.stones[k].y, 0.0f) << k;
    }
    EXPECT_EQ(state.stones[4].y, BACK_LINE_Y - 0.1f);
    EXPECT_EQ(state.stones[7].y, 9.0f);
    EXPECT_EQ(state.stones[8].x, 0.0f);
}

TEST(Clock, DeductsThinkingAndReportsWholeMilliseconds) {
    GameClock clock = make_clock(1000);
    EXPECT_TRUE(charge_clock(clock, 0, 250'600));
    EXPECT_EQ(remaining_ms(clock, 0), 749);
    EXPECT_EQ(remaining_ms(clock, 1), 1000);
    EXPECT_TRUE(charge_clock(clock, 0, 749'000));
    EXPECT_FALSE(charge_clock(clock, 0, 400));
    EXPECT_EQ(remaining_ms(clock, 0), 0);  // never negative on the wire
    EXPECT_TRUE(charge_clock(clock, 1, -5));  // a clock never runs backwards
    EXPECT_EQ(remaining_ms(clock, 1), 1000);
}

TEST(Endings, EveryEndingHasItsRecordName) {
    EXPECT_STREQ(ending_name(GameEnding::NORMAL), "normal");
    EXPECT_STREQ(ending_name(GameEnding::TIME_FORFEIT), "time_forfeit");
    EXPECT_STREQ(ending_name(GameEnding::CRASH), "crash");
    EXPECT_STREQ(ending_name(GameEnding::STALL), "stall");
    EXPECT_STREQ(ending_name(GameEnding::MALFORMED_SHOT), "malformed_shot");
}
