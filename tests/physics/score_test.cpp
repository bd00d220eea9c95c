// GetScore by the rules of curling.
#include <gtest/gtest.h>

#include <cmath>

#include "curling_simulator.h"
#include "support.h"

using namespace physics_test;

namespace {

// Stone k at distance r from the tee (straight in front of it).
void put(GAMESTATE& s, int k, double r) {
    s.stones[k] = StonePosition{2.375f, static_cast<float>(4.88 + r)};
}

}  // namespace

TEST(PhysicsScore, EmptyHouseIsABlankEnd) {
    GAMESTATE s = empty_state(16);
    EXPECT_EQ(GetScore(&s), 0);
    put(s, 0, 2.5);  // outside
    put(s, 1, 3.0);
    EXPECT_EQ(GetScore(&s), 0);
    EXPECT_EQ(GetScore(nullptr), 0);
}

TEST(PhysicsScore, NearestSideScoresEachStoneInsideTheOthersBest) {
    // shot_number 16 (even): even stones belong to moving_side
    GAMESTATE s = empty_state(16);
    s.moving_side = 0;
    put(s, 0, 0.1);   // side 0
    put(s, 2, 0.5);   // side 0
    put(s, 1, 0.8);   // side 1: the first opposing stone
    put(s, 4, 1.0);   // side 0, behind it: does not count
    put(s, 6, 1.9);   // side 0, in the house, behind: does not count
    EXPECT_EQ(GetScore(&s), 2);
    s.moving_side = 1;  // now the even stones are side 1's
    EXPECT_EQ(GetScore(&s), -2);
}

TEST(PhysicsScore, CountsAllStonesWhenTheOtherSideHasNoneInTheHouse) {
    GAMESTATE s = empty_state(15);  // odd: odd stones belong to moving_side
    s.moving_side = 1;
    put(s, 1, 0.2);
    put(s, 3, 1.0);
    put(s, 5, 1.8);
    put(s, 0, 2.1);  // side 0, outside the house
    EXPECT_EQ(GetScore(&s), -3);
}

TEST(PhysicsScore, StealByTheSideWithoutTheHammer) {
    // the last stone (15, side 1) lies second: side 0 steals one
    GAMESTATE s = empty_state(15);
    s.moving_side = 1;
    put(s, 14, 0.3);
    put(s, 15, 0.6);
    put(s, 12, 0.9);
    EXPECT_EQ(GetScore(&s), 1);
}

TEST(PhysicsScore, TheEdgeOfTheHouseIsAt1975mInSinglePrecision) {
    GAMESTATE s = empty_state(16);
    // the first float y in front of the tee whose squared distance is not
    // below 3.900625: outside, as the player's in_house says
    float y = 4.88f + 1.97f;
    auto inside = [](float yy) {
        const float dy = yy - 4.88f;
        return dy * dy < 3.900625f;
    };
    while (inside(y)) y = std::nextafter(y, 100.0f);
    s.stones[0] = StonePosition{2.375f, y};
    EXPECT_EQ(GetScore(&s), 0);
    // one float nearer: inside
    s.stones[0].y = std::nextafter(y, 0.0f);
    ASSERT_TRUE(inside(s.stones[0].y));
    EXPECT_EQ(GetScore(&s), 1);
    // sideways, the same rule
    GAMESTATE t = empty_state(16);
    t.stones[1] = StonePosition{2.375f - 1.974f, 4.88f};
    EXPECT_EQ(GetScore(&t), -1);
    t.stones[1] = StonePosition{2.375f - 1.976f, 4.88f};
    EXPECT_EQ(GetScore(&t), 0);
}

TEST(PhysicsScore, EquidistantNearestStonesScoreNothing) {
    GAMESTATE s = empty_state(16);
    s.stones[0] = StonePosition{2.375f + 0.5f, 4.88f};
    s.stones[1] = StonePosition{2.375f - 0.5f, 4.88f};
    s.stones[2] = StonePosition{2.375f, 4.88f + 1.0f};
    EXPECT_EQ(GetScore(&s), 0);
}

TEST(PhysicsScore, EmptyAndNonFiniteSlotsNeverCount) {
    GAMESTATE s = empty_state(16);
    s.stones[0] = StonePosition{std::nanf(""), 4.88f};
    s.stones[1] = StonePosition{2.375f, 5.5f};
    s.stones[2] = StonePosition{INFINITY, 4.88f};
    EXPECT_EQ(GetScore(&s), -1);
}
